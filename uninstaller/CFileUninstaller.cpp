#include "CFileUninstaller.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>

#include "BoundLibrary.h"
#include "CUninstallerProgress.h"
#include "DataFile.h"
#include "DeviceApis.h"
#include "IniLookup.h"
#include "LogFiles.h"
#include "OsVersion.h"
#include "RegistryFolders.h"
#include "Trace.h"
#include "UninstallerGlobals.h"
#include "winspool.h"

namespace {

constexpr char SECTION_NAME[] = "FileUninstaller";
constexpr char STARTUP_GROUP[] = ".Startup";
constexpr char PROGRAMS_GROUP[] = ".Programs";
constexpr char WINDOWS_GROUP[] = ".Windows";
constexpr char SYSTEM_GROUP[] = ".System";
constexpr char SPOOL_GROUP[] = ".Spool";
constexpr char INF_OTHER_GROUP[] = ".Inf.Other";
constexpr char INF_GROUP[] = ".Inf";
constexpr char PROGRAM_FILES_GROUP[] = ".ProgramFiles";
constexpr char TEMP_GROUP[] = ".Temp";

constexpr char ADDED_ENTRY[] = "Added to delete list ";
constexpr char FIND_STEP[] = "FindNextFile";
constexpr char MAGIC_KEYWORDS_KEY[] = "MagicKeywords";
constexpr char MAGIC_KEYWORDS_STEP[] = "LoadStringListFromValue(MagicKeywords)";
// "Refused file item <item as the data file writes it>: outside <the group's folder>"
constexpr char REFUSED_ITEM_TRACE[] = "Refused file item %s: outside %s\n";

constexpr char SHELL_FOLDERS_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char SHELL_FOLDERS_KEY_9X[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Shell Folders";
constexpr char COMMON_STARTUP_VALUE[] = "Common Startup";
constexpr char COMMON_DESKTOP_VALUE[] = "Common Desktop";
constexpr char USER_STARTUP_VALUE[] = "Startup";
constexpr char COMMON_PROGRAMS_VALUE[] = "Common Programs";
constexpr char USER_PROGRAMS_VALUE[] = "Programs";

// The maker's folders below the start-up, program-group and Program Files folders.
constexpr char STARTUP_MAKER_FOLDER[] = "Corvanta";
constexpr char PROGRAMS_MAKER_FOLDER[] = "CORVANTA";
constexpr char PROGRAMS_STARTUP_FOLDER[] = "StartUp";
constexpr char PROGRAM_FILES_PRODUCT_FOLDER[] = "CORVANTA\\AIO";
constexpr char PROGRAM_FILES_SHARED_FOLDER[] = "CORVANTA\\AIO\\SHARED";
constexpr char INF_OTHER_PREFIX[] = "Corvanta";

constexpr char DRIVER_VERSION_FOLDER[] = "3";
constexpr char IOSUBSYS_FOLDER[] = "SYSTEM\\IOSUBSYS";
constexpr char DRIVERS_FOLDER[] = "SYSTEM32\\DRIVERS";
constexpr char INF_OTHER_FOLDER[] = "INF\\OTHER";
constexpr char INF_FOLDER[] = "INF";
constexpr char OEM_INF_PATTERN[] = "OEM*.INF";
constexpr char VERSION_SECTION_NAME[] = "Version";
constexpr char CLASS_KEY[] = "Class";
constexpr DWORD CLASS_SIZE = 1024;
constexpr char PRECOMPILED_INF_MARK = 'P';

CaseInsensitiveString TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

// "<folder>\<name>". A folder that already ends with a backslash (the temporary folder, a root) gets no
// second one.
CaseInsensitiveString JoinPath(const char* pFolder, const char* pName) {
    CaseInsensitiveString path = pFolder;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + pName;
}

bool IsSeparator(char character) {
    return character == '\\' || character == '/';
}

// A component that steps to the parent folder: "..", and, refused rather than guessed, the same with
// more dots or trailing spaces, which Windows drops from a component.
bool IsParentComponent(std::string_view component) {
    return component.find("..") != std::string_view::npos &&
           component.find_first_not_of(". ") == std::string_view::npos;
}

// Whether a name joined to a folder stays inside it: neither a drive ("C:"), nor a network path, nor a
// path from the root of the drive, nor a parent step anywhere in it.
bool StaysInsideFolder(const char* pName) {
    if (HasDriveOrNetworkPath(pName) || IsSeparator(pName[0])) return false;
    std::string_view rest = pName;
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        if (IsParentComponent(rest.substr(0, end))) return false;
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
    }
    return true;
}

// The folder part of a search, with its last separator: "C:\WINDOWS\Corvanta\" of
// "C:\WINDOWS\Corvanta\*.txt".
CaseInsensitiveString SearchedFolder(const CaseInsensitiveString& search) {
    std::size_t separator = search.find_last_of("\\/");
    return separator == CaseInsensitiveString::npos ? CaseInsensitiveString()
                                                    : search.substr(0, separator + 1);
}

CaseInsensitiveString UpperCase(CaseInsensitiveString text) {
    CharUpperA(text.data());
    return text;
}

// Upper case through the code page; the text may hold zero bytes, which CharUpperA would stop at.
void UpperCaseInPlace(std::string& text) {
    for (char& character : text) {
        auto upper = reinterpret_cast<std::uintptr_t>(CharUpperA(
            reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<unsigned char>(character)))));
        character = static_cast<char>(upper);
    }
}

// The names of the subkeys of HKEY_USERS: one per user profile loaded, and ".DEFAULT".
CaseInsensitiveStringList UserKeyNames() {
    CaseInsensitiveStringList names;
    char name[MAX_PATH];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(HKEY_USERS, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

// "Scrubber.FileUninstaller" and the group's suffix.
CaseInsensitiveString GroupSection(const char* pGroup) {
    return CaseInsensitiveString(SCRUBBER_SECTION) + "." + SECTION_NAME + pGroup;
}

CaseInsensitiveStringList GroupItems(const char* pGroup) {
    CaseInsensitiveStringList items;
    ReadNumberedList(gDATFileName.c_str(), GroupSection(pGroup).c_str(), nullptr, items);
    return items;
}

CaseInsensitiveStringList GroupRevisionItems(const char* pGroup, int revision) {
    CaseInsensitiveStringList items;
    LoadStringListFromValue(GroupSection(pGroup).c_str(), RevisionKey(revision).c_str(), items);
    return items;
}

// Calls `visit` for every entry of the search ("<folder>\<pattern>") other than "." and "..". A search
// that finds nothing, or whose folder is missing, is an empty result; any other find error is traced.
void ForEachMatch(const CaseInsensitiveString& search,
                  const std::function<void(const WIN32_FIND_DATAA&)>& visit) {
    WIN32_FIND_DATAA entry;
    HANDLE hFind = FindFirstFileA(search.c_str(), &entry);
    if (hFind == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_NO_MORE_FILES)
            TraceFailedReturningCode(FIND_STEP, static_cast<long>(error));
        return;
    }
    do {
        if (std::strcmp(entry.cFileName, ".") == 0 || std::strcmp(entry.cFileName, "..") == 0) continue;
        visit(entry);
    } while (FindNextFileA(hFind, &entry));
    DWORD error = GetLastError();
    FindClose(hFind);
    if (error != ERROR_NO_MORE_FILES) TraceFailedReturningCode(FIND_STEP, static_cast<long>(error));
}

// The whole file; false when it cannot be opened or read.
bool ReadWholeFile(const char* pPath, std::string& contents) {
    CKernelHandle file(CreateFileA(pPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    DWORD size = GetFileSize(file.get(), nullptr);
    if (size == INVALID_FILE_SIZE) return false;
    contents.assign(size, '\0');
    DWORD read = 0;
    if (size && !ReadFile(file.get(), contents.data(), size, &read, nullptr)) return false;
    contents.resize(read);
    return true;
}

// A file that starts with the UTF-16 byte-order mark (little-endian, as Windows writes it) is converted
// to the ANSI code page whole; any other file is taken as ANSI text already.
std::string AnsiText(const std::string& contents) {
    if (contents.size() < 2 || static_cast<unsigned char>(contents[0]) != 0xFF ||
        static_cast<unsigned char>(contents[1]) != 0xFE)
        return contents;
    std::u16string wide((contents.size() - 2) / 2, u'\0');
    std::memcpy(wide.data(), contents.data() + 2, wide.size() * sizeof(char16_t));
    if (wide.empty()) return std::string();
    int length = static_cast<int>(wide.size());
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::string();
    std::string ansi(static_cast<std::size_t>(size), '\0');
    size = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), size, nullptr, nullptr);
    ansi.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return ansi;
}

// Whether a folder call that returned `length` filled its buffer of MAX_PATH; traces the failure. A
// folder too long for the buffer leaves it unfilled.
bool FolderRead(const char* pStep, DWORD length) {
    if (length > 0 && length < MAX_PATH) return true;
    TraceFailedWith(pStep, length == 0 ? static_cast<long>(GetLastError()) : ERROR_INSUFFICIENT_BUFFER);
    return false;
}

}  // namespace

CFileUninstaller::CFileUninstaller(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {
    m_systemDir[0] = m_windowsDir[0] = m_tempDir[0] = '\0';
}

unsigned int CFileUninstaller::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CFileUninstaller::Delete() {
    if (!FolderRead("GetWindowsDirectory", GetWindowsDirectoryA(m_windowsDir, MAX_PATH)) ||
        !FolderRead("GetSystemDirectory", GetSystemDirectoryA(m_systemDir, MAX_PATH)) ||
        !FolderRead("GetTempPath", GetTempPathA(MAX_PATH, m_tempDir)))
        return 0;

    struct Group {
        int progress;
        void (CFileUninstaller::*add)();
    };
    static const Group groups[] = {
        {0, &CFileUninstaller::AddStartupFiles},        {5, &CFileUninstaller::AddProgramGroupFiles},
        {10, &CFileUninstaller::AddWindowsFiles},       {20, &CFileUninstaller::AddSystemFiles},
        {30, &CFileUninstaller::AddPrinterDriverFiles}, {40, &CFileUninstaller::AddDriverFiles},
        {60, &CFileUninstaller::AddInfFiles},           {80, &CFileUninstaller::AddProgramFiles},
        {90, &CFileUninstaller::AddTempFiles},
    };
    for (const Group& group : groups) {
        SetProgress(group.progress);
        (this->*group.add)();
    }
    SetProgress(100);
    return 1;
}

void CFileUninstaller::AddStartupFiles() {
    // Start-up folders are searched together with the maker's folder inside them.
    CaseInsensitiveStringList folders;
    auto addStartupFolder = [&folders](const CaseInsensitiveString& folder) {
        if (folder.empty()) return;
        folders.push_back(folder);
        folders.push_back(JoinPath(folder.c_str(), STARTUP_MAKER_FOLDER));
    };
    auto addFolder = [&folders](const CaseInsensitiveString& folder) {
        if (!folder.empty()) folders.push_back(folder);
    };
    const char* pShellFolders = IsNT() ? SHELL_FOLDERS_KEY : SHELL_FOLDERS_KEY_9X;
    addStartupFolder(ReadFolderValue(HKEY_LOCAL_MACHINE, pShellFolders, COMMON_STARTUP_VALUE));
    addFolder(ReadFolderValue(HKEY_LOCAL_MACHINE, pShellFolders, COMMON_DESKTOP_VALUE));
    if (IsNT()) {
        for (const CaseInsensitiveString& user : UserKeyNames()) {
            CaseInsensitiveString key = user + "\\" + SHELL_FOLDERS_KEY;
            addStartupFolder(ReadFolderValue(HKEY_USERS, key.c_str(), USER_STARTUP_VALUE));
        }
    }

    // Shortcuts are named exactly: a pattern here could take the user's own.
    CaseInsensitiveStringList items = GroupItems(STARTUP_GROUP);
    for (const CaseInsensitiveString& folder : folders) {
        for (const CaseInsensitiveString& item : items) {
            if (AcceptsItem(item.c_str(), folder.c_str()))
                AddPath(JoinPath(folder.c_str(), item.c_str()).c_str());
        }
    }
}

void CFileUninstaller::AddProgramGroupFiles() {
    CaseInsensitiveStringList folders;
    if (IsNT())
        folders.push_back(ReadFolderValue(HKEY_LOCAL_MACHINE, SHELL_FOLDERS_KEY, COMMON_PROGRAMS_VALUE));
    folders.push_back(ReadFolderValue(HKEY_CURRENT_USER, SHELL_FOLDERS_KEY_9X, USER_PROGRAMS_VALUE));
    CaseInsensitiveStringList items = GroupItems(PROGRAMS_GROUP);
    for (const CaseInsensitiveString& folder : folders) {
        if (folder.empty()) continue;
        AddItemsByPattern(items, folder.c_str());
        AddItemsByPattern(items, JoinPath(folder.c_str(), PROGRAMS_MAKER_FOLDER).c_str());
        AddItemsByPattern(items, JoinPath(folder.c_str(), PROGRAMS_STARTUP_FOLDER).c_str());
    }
}

void CFileUninstaller::AddWindowsFiles() {
    AddRevisionPatterns(m_windowsDir, FIRST_CA_REVISION, LAST_CA_REVISION);
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        CaseInsensitiveString modelFile = DIVISION + "MDL" + TwoDigits(revision) + ".DAT";
        AddByPattern(modelFile.c_str(), m_windowsDir);
    }
    AddItemsByPattern(GroupItems(WINDOWS_GROUP), m_windowsDir);
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision)
        AddItemsByPattern(GroupRevisionItems(WINDOWS_GROUP, revision), m_windowsDir);
}

void CFileUninstaller::AddSystemFiles() {
    AddRevisionPatterns(m_systemDir, FIRST_CA_REVISION, LAST_CA_REVISION);
    AddRevisionPatterns(m_systemDir, FIRST_IO_REVISION, LAST_IO_REVISION);
    if (gSharedCleanup) AddItemsByPattern(GroupItems(SYSTEM_GROUP), m_systemDir);
}

void CFileUninstaller::AddPrinterDriverFiles() {
    // The driver folder holds what every revision's printers use.
    if (!gSharedCleanup) return;
    char driverDir[MAX_PATH];
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(driverDir),
                                    sizeof driverDir, &needed)) {
        TraceFailedWith("GetPrinterDriverDirectory", static_cast<long>(GetLastError()));
        return;
    }
    CaseInsensitiveStringList items = GroupItems(SPOOL_GROUP);
    AddItemsByPattern(items, driverDir);
    AddItemsByPattern(items, JoinPath(driverDir, DRIVER_VERSION_FOLDER).c_str());
}

void CFileUninstaller::AddDriverFiles() {
    if (Is9X())
        AddRevisionPatterns(JoinPath(m_windowsDir, IOSUBSYS_FOLDER).c_str(), FIRST_IO_REVISION,
                            LAST_IO_REVISION);
    AddRevisionPatterns(JoinPath(m_windowsDir, DRIVERS_FOLDER).c_str(), FIRST_IO_REVISION, LAST_IO_REVISION);
}

void CFileUninstaller::AddInfFiles() {
    if (Is9X()) {
        CaseInsensitiveString otherFolder = JoinPath(m_windowsDir, INF_OTHER_FOLDER);
        for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
            CaseInsensitiveString pattern = INF_OTHER_PREFIX + DIVISION + "*" + TwoDigits(revision) + ".?NF";
            AddByPattern(pattern.c_str(), otherFolder.c_str());
            AddItemsByPattern(GroupRevisionItems(INF_OTHER_GROUP, revision), otherFolder.c_str());
        }
        if (gSharedCleanup) AddItemsByPattern(GroupItems(INF_OTHER_GROUP), otherFolder.c_str());
    }

    CaseInsensitiveString infFolder = JoinPath(m_windowsDir, INF_FOLDER);
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        CaseInsensitiveString stem = DIVISION + "*" + TwoDigits(revision);
        AddByPattern((stem + ".?NF").c_str(), infFolder.c_str());
        AddByPattern((stem + ".CAT").c_str(), infFolder.c_str());
        AddItemsByPattern(GroupRevisionItems(INF_GROUP, revision), infFolder.c_str());
    }
    if (gSharedCleanup) AddItemsByPattern(GroupItems(INF_GROUP), infFolder.c_str());
    AddOldOemInfFiles(infFolder.c_str());
}

void CFileUninstaller::AddProgramFiles() {
    CaseInsensitiveString programFiles = GetProgramFilesFolder();
    if (programFiles.empty()) return;
    CaseInsensitiveStringList items = GroupItems(PROGRAM_FILES_GROUP);
    AddItemsByPattern(items, programFiles.c_str());
    AddItemsByPattern(items, JoinPath(programFiles.c_str(), PROGRAM_FILES_PRODUCT_FOLDER).c_str());
    AddItemsByPattern(items, JoinPath(programFiles.c_str(), PROGRAM_FILES_SHARED_FOLDER).c_str());
}

void CFileUninstaller::AddTempFiles() {
    if (gSharedCleanup) AddItemsByPattern(GroupItems(TEMP_GROUP), m_tempDir);
    AddRevisionPatterns(m_tempDir, FIRST_IO_REVISION, LAST_IO_REVISION);
    AddRevisionPatterns(m_tempDir, FIRST_CA_REVISION, LAST_CA_REVISION);
}

void CFileUninstaller::AddPath(const char* pPath) {
    if (GetFileAttributesA(pPath) == INVALID_FILE_ATTRIBUTES) return;
    ShowStatus(pPath);
    m_logList.push_back(ADDED_ENTRY + CaseInsensitiveString(pPath) + LOG_LINE_END);
    m_filesList.push_back(pPath);
}

bool CFileUninstaller::AcceptsItem(const char* pItem, const char* pFolder) {
    if (StaysInsideFolder(pItem)) return true;
    std::printf(REFUSED_ITEM_TRACE, pItem, pFolder);
    return false;
}

void CFileUninstaller::AddByPattern(const char* pPattern, const char* pFolder) {
    if (!AcceptsItem(pPattern, pFolder)) return;
    CaseInsensitiveString search = JoinPath(pFolder, pPattern);
    ShowStatus(search.c_str());
    // A pattern may name a folder below the group's: what it finds lies there.
    CaseInsensitiveString searched = SearchedFolder(search);
    ForEachMatch(search, [this, &searched](const WIN32_FIND_DATAA& entry) {
        CaseInsensitiveString path = searched + entry.cFileName;
        // The deletion pass takes the list in order, and a folder goes only once it is empty.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) AddByPattern("*", path.c_str());
        AddPath(path.c_str());
    });
}

void CFileUninstaller::AddItemsByPattern(const CaseInsensitiveStringList& items, const char* pFolder) {
    for (const CaseInsensitiveString& item : items) AddByPattern(item.c_str(), pFolder);
}

void CFileUninstaller::AddRevisionPatterns(const char* pFolder, int first, int last) {
    for (int revision = first; revision <= last; ++revision) {
        CaseInsensitiveString pattern = DIVISION + "*" + TwoDigits(revision) + ".*";
        AddByPattern(pattern.c_str(), pFolder);
    }
}

void CFileUninstaller::AddOldOemInfFiles(const char* pInfFolder) {
    CaseInsensitiveString search = JoinPath(pInfFolder, OEM_INF_PATTERN);
    ShowStatus(search.c_str());
    ForEachMatch(search, [this, pInfFolder](const WIN32_FIND_DATAA& entry) {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return;
        CaseInsensitiveString path = JoinPath(pInfFolder, entry.cFileName);
        if (!IsOldInfFile(path.c_str())) return;
        AddPath(path.c_str());
        // Windows keeps a precompiled copy of each INF file: "OEM3.INF" has "OEM3.PNF".
        CaseInsensitiveString precompiled = path;
        precompiled[precompiled.size() - 3] = PRECOMPILED_INF_MARK;
        AddPath(precompiled.c_str());
    });
}

bool CFileUninstaller::IsOldInfFile(const char* pPath) {
    // The data file's items name the INF files to keep, as written.
    for (const CaseInsensitiveString& item : m_itemList) {
        if (std::strstr(pPath, item.c_str())) return false;
    }

    char deviceClass[CLASS_SIZE] = "";
    GetPrivateProfileStringA(VERSION_SECTION_NAME, CLASS_KEY, "", deviceClass, CLASS_SIZE, pPath);
    if (deviceClass[0]) {
        CharUpperA(deviceClass);
        return NamesDeviceRevision(deviceClass);
    }

    std::string contents;
    if (!ReadWholeFile(pPath, contents)) return false;
    std::string text = AnsiText(contents);
    if (text.empty()) return false;
    UpperCaseInPlace(text);
    if (NamesDeviceRevision(text)) return true;
    return gSharedCleanup && HoldsMagicKeyword(text);
}

bool CFileUninstaller::NamesDeviceRevision(const std::string& text) const {
    for (int revision = FIRST_IO_REVISION; revision <= LAST_IO_REVISION; ++revision) {
        CaseInsensitiveString mark = UpperCase(DIVISION + TwoDigits(revision));
        if (text.find(mark.c_str()) != std::string::npos) return true;
    }
    return false;
}

bool CFileUninstaller::HoldsMagicKeyword(const std::string& text) {
    if (!m_magicKeywordsRead) {
        m_magicKeywordsRead = true;
        if (!LoadKeywordList(GroupSection("").c_str(), MAGIC_KEYWORDS_KEY, m_magicKeywords))
            TraceFailed(MAGIC_KEYWORDS_STEP);
    }
    for (const CaseInsensitiveString& keyword : m_magicKeywords) {
        if (text.find(keyword.c_str()) != std::string::npos) return true;
    }
    return false;
}

void CFileUninstaller::SetProgress(int position) {
    if (m_pProgress) m_pProgress->SetProgress(position);
}

void CFileUninstaller::ShowStatus(const char* pText) {
    if (m_pProgress) m_pProgress->SetStatusText(pText);
}
