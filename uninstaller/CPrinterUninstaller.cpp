#include "CPrinterUninstaller.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "CPrinter.h"
#include "CUninstallerProgress.h"
#include "DataFile.h"
#include "FailureReport.h"
#include "IniLookup.h"
#include "PrinterLists.h"
#include "ProgramStrings.h"
#include "QuoteArgument.h"
#include "RegistryFolders.h"
#include "UninstallerGlobals.h"
#include "process.h"
#include "resource.h"
#include "winspool.h"

namespace {

constexpr char SECTION_NAME[] = "PrinterUninstaller";

constexpr char CANNOT_CANCEL_JOBS[] = "Can not cancel all jobs";
constexpr char CANNOT_GET_HANDLE[] = "Can not get printer handle";
constexpr char CANNOT_DELETE_PRINTER[] = "Can not delete printer";
constexpr char CANNOT_START_REMOVAL_PROGRAM[] = "Can not start removal program";
constexpr char REMOVED_PRINTER[] = "Removed printer= ";
constexpr char REMOVED_DRIVER[] = "Removed printer driver= ";
constexpr char NOT_FOUND[] = "Failed to find path to '%s'!\n";

constexpr char REMOVAL_PROGRAM_NAME[] = "qnzglu%02d.exe";
constexpr char COMPANION_PROGRAM_NAME[] = "%sghl%02d.exe";
constexpr char UNINSTALL_ARGUMENT[] = "-uninstall=%s";
constexpr char COMPANION_ARGUMENT[] = "-ghoulpathname=%s";
constexpr char GLUE_KEY[] = "SOFTWARE\\Corvanta\\QNZ\\Glue\\%s";
constexpr char GLUE_PATH_VALUE[] = "GluePath";
constexpr char COMPANION_PATH_VALUE[] = "ghoulpathname";
constexpr char CD_ROM_PROGRAM[] = "%c:\\%s";
constexpr char CD_ROM_COMPANION[] = "%c:\\util\\hid\\%s";
// The language the maker's name is read in: the system's default.
constexpr LANGID MANUFACTURER_LANGUAGE = 0x800;

std::string Formatted(const char* pFormat, const char* pText) {
    char text[MAX_PATH * 2];
    std::snprintf(text, sizeof text, pFormat, pText);
    return text;
}

// The file in the current folder.
std::string InCurrentFolder(const char* pName) {
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    std::string path = folder;
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + pName;
}

// The first CD-ROM drive, in drive-letter order, that holds the file at `pFormat` (drive letter, name).
std::string OnCdRom(const char* pFormat, const char* pName) {
    DWORD drives = GetLogicalDrives();
    for (int index = 0; index < 26; ++index) {
        if (!(drives & (1u << index))) continue;
        char letter = static_cast<char>('a' + index);
        char root[4] = {letter, ':', '\\', '\0'};
        if (GetDriveTypeA(root) != DRIVE_CDROM) continue;
        char path[MAX_PATH];
        std::snprintf(path, MAX_PATH, pFormat, letter, pName);
        if (FileExists(path)) return path;
    }
    return std::string();
}

// Keeps the short form of the path found, or the path itself when it has none.
void StoreShortPath(const std::string& path, char* pStored) {
    if (!GetShortPathNameA(path.c_str(), pStored, MAX_PATH)) {
        std::snprintf(pStored, MAX_PATH, "%s", path.c_str());
    }
}

bool IsDotEntry(const char* pName) {
    return std::strcmp(pName, ".") == 0 || std::strcmp(pName, "..") == 0;
}

}  // namespace

CPrinterUninstaller::CPrinterUninstaller(CUninstallerProgress* pProgress)
    : CUninstaller(pProgress), m_removalProgram(), m_companionProgram(), m_programsSearched(false) {}

unsigned int CPrinterUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CPrinterUninstaller::Delete() {
    CaseInsensitiveStringList names;
    GetPrinterList(names);
    unsigned int count = static_cast<unsigned int>(names.size());
    unsigned int number = 0;
    for (const CaseInsensitiveString& name : names) {
        ++number;
        CPrinter printer;
        if (printer.Init(name.c_str(), static_cast<DWORD>(VCD_FILEVER)))
            HandlePrinter(printer, number, count);
    }
    return 1;
}

void CPrinterUninstaller::HandlePrinter(CPrinter& printer, unsigned int number, unsigned int count) {
    const char* pName = printer.GetATemporalFriendlyNamePtr();
    if (m_pProgress) {
        m_pProgress->SetStatusText(pName);
        m_pProgress->SetProgress(static_cast<int>(number * 100 / count));
    }
    if (!printer.IsDeviceSupported()) return;
    bool old = printer.HasOldDriver() != 0;
    if (!((old && FIRST_CA_REVISION != LAST_CA_REVISION) || (!old && !gLegacy))) return;
    const char* pDriverName = printer.GetModelName();
    for (const CaseInsensitiveString& removed : gRemovedDriverList) {
        if (removed == pDriverName) return;
    }
    if (!CancelJobs(printer)) return;
    if (!old && FindRemovalPrograms(pDriverName) && RunRemovalProgram(pDriverName)) return;
    DeleteQueue(printer);
}

unsigned int CPrinterUninstaller::CancelJobs(CPrinter& printer) {
    BYTE* pInfo = printer.GetPrinterInfo(2);
    if (!pInfo) return 1;
    unsigned int goOn = 1;
    if (reinterpret_cast<const PRINTER_INFO_2A*>(pInfo)->cJobs != 0) {
        std::string question = LoadProgramString(IDS_CANCEL_PRINT_JOBS);
        if (!gSilent && !gUnattended &&
            MessageBoxA(nullptr, question.c_str(), printer.GetATemporalFriendlyNamePtr(), MB_YESNO) !=
                IDYES) {
            goOn = 0;
        } else if (!SetPrinterA(printer.GetWindowsHandle(eTypeUserAdmin), 0, nullptr,
                                PRINTER_CONTROL_PURGE)) {
            ReportFailure(m_errorList, CANNOT_CANCEL_JOBS);
            goOn = 0;
        }
    }
    CPrinter::ReleasePrinterInfo(pInfo);
    return goOn;
}

unsigned int CPrinterUninstaller::RunRemovalProgram(const char* pDriverName) {
    std::string uninstall = QuoteArgument(Formatted(UNINSTALL_ARGUMENT, pDriverName));
    std::string companion = QuoteArgument(Formatted(COMPANION_ARGUMENT, m_companionProgram));
    std::string program = QuoteArgument(m_removalProgram);
    // Its exit code says nothing the uninstaller acts on: the model is the removal program's now.
    if (_spawnl(P_WAIT, m_removalProgram, program.c_str(), uninstall.c_str(), companion.c_str(), nullptr) ==
        -1) {
        ReportFailure(m_errorList, CANNOT_START_REMOVAL_PROGRAM);
        // A program that cannot be started now will not start for the next printer either.
        m_removalProgram[0] = '\0';
        return 0;
    }
    gRemovedDriverList.push_back(pDriverName);
    CaseInsensitiveString line = REMOVED_DRIVER;
    line += pDriverName;
    line += "\r\n";
    m_logList.push_back(line);
    gRestartNeeded = 1;
    return 1;
}

void CPrinterUninstaller::DeleteQueue(CPrinter& printer) {
    HANDLE handle = printer.GetWindowsHandle(eTypeUserAdmin);
    if (!handle) {
        ReportFailure(m_errorList, CANNOT_GET_HANDLE);
        return;
    }
    if (!DeletePrinter(handle)) {
        ReportFailure(m_errorList, CANNOT_DELETE_PRINTER);
        return;
    }
    CaseInsensitiveString line = REMOVED_PRINTER;
    line += printer.GetATemporalFriendlyNamePtr();
    line += "\r\n";
    m_logList.push_back(line);
}

unsigned int CPrinterUninstaller::FindRemovalPrograms(const char* pDriverName) {
    if (!m_programsSearched) {
        m_programsSearched = true;
        // Without the removal program its companion is of no use.
        if (FindRemovalProgram(pDriverName)) FindCompanionProgram(pDriverName);
    }
    return m_removalProgram[0] && m_companionProgram[0] ? 1 : 0;
}

unsigned int CPrinterUninstaller::FindRemovalProgram(const char* pDriverName) {
    char name[MAX_PATH];
    std::snprintf(name, MAX_PATH, REMOVAL_PROGRAM_NAME, VCD_FILEVER);
    std::string found;
    CaseInsensitiveString programFiles = GetProgramFilesFolder();
    char manufacturer[MAX_PATH] = "";
    if (!programFiles.empty() && GetValueByLang(gDATFileName.c_str(), VERSION_SECTION, MANUFACTURER_KEY,
                                                manufacturer, MAX_PATH, MANUFACTURER_LANGUAGE)) {
        CaseInsensitiveStringList paths;
        SearchTree(name, (std::string(programFiles.c_str()) + "\\" + manufacturer).c_str(), paths);
        if (!paths.empty()) found = paths.front().c_str();
    }
    if (found.empty()) {
        CaseInsensitiveString gluePath =
            ReadFolderValue(HKEY_LOCAL_MACHINE, Formatted(GLUE_KEY, pDriverName).c_str(), GLUE_PATH_VALUE);
        std::string path = std::string(gluePath.c_str()) + name;
        if (!gluePath.empty() && FileExists(path.c_str())) found = path;
    }
    if (found.empty() && FileExists(InCurrentFolder(name).c_str())) found = InCurrentFolder(name);
    if (found.empty()) found = OnCdRom(CD_ROM_PROGRAM, name);
    if (found.empty()) {
        std::printf(NOT_FOUND, name);
        return 0;
    }
    StoreShortPath(found, m_removalProgram);
    return 1;
}

unsigned int CPrinterUninstaller::FindCompanionProgram(const char* pDriverName) {
    char name[MAX_PATH];
    std::snprintf(name, MAX_PATH, COMPANION_PROGRAM_NAME, DIVISION.c_str(), LAST_CA_REVISION);
    std::string found;
    CaseInsensitiveString programFiles = GetProgramFilesFolder();
    if (!programFiles.empty()) {
        CaseInsensitiveStringList paths;
        SearchTree(name, programFiles.c_str(), paths);
        if (!paths.empty()) found = paths.front().c_str();
    }
    if (found.empty()) {
        CaseInsensitiveString path = ReadFolderValue(
            HKEY_LOCAL_MACHINE, Formatted(GLUE_KEY, pDriverName).c_str(), COMPANION_PATH_VALUE);
        if (!path.empty() && FileExists(path.c_str())) found = path.c_str();
    }
    if (found.empty() && FileExists(InCurrentFolder(name).c_str())) found = InCurrentFolder(name);
    if (found.empty()) found = OnCdRom(CD_ROM_COMPANION, name);
    if (found.empty()) {
        std::printf(NOT_FOUND, name);
        return 0;
    }
    StoreShortPath(found, m_companionProgram);
    return 1;
}

void CPrinterUninstaller::SearchTree(const char* pName, const char* pFolder,
                                     CaseInsensitiveStringList& found) {
    char pattern[MAX_PATH];
    std::snprintf(pattern, MAX_PATH, "%s\\%s", pFolder, pName);
    if (m_pProgress) m_pProgress->SetStatusText(pattern);
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern, &entry);
    // No match in this folder is no error: its subfolders are searched all the same.
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (IsDotEntry(entry.cFileName)) continue;
            std::string path = std::string(pFolder) + "\\" + entry.cFileName;
            found.push_back(path.c_str());
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) SearchTree(pName, path.c_str(), found);
        } while (FindNextFileA(find, &entry));
        DWORD error = GetLastError();
        FindClose(find);
        if (error != ERROR_NO_MORE_FILES) return;
    }
    std::snprintf(pattern, MAX_PATH, "%s\\*", pFolder);
    find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (IsDotEntry(entry.cFileName) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        SearchTree(pName, (std::string(pFolder) + "\\" + entry.cFileName).c_str(), found);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
}
