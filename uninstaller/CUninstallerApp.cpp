#include "CUninstallerApp.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "CRestartDialog.h"
#include "CWarningMessage.h"
#include "DataFile.h"
#include "DeviceModels.h"
#include "IniLookup.h"
#include "LogFiles.h"
#include "OsVersion.h"
#include "PrinterLists.h"
#include "ProgramStrings.h"
#include "QuoteArgument.h"
#include "Trace.h"
#include "UninstallerGlobals.h"
#include "resource.h"
#include "tchar.h"

namespace {

// Three characters and the terminator: longer divisions are cut.
constexpr unsigned int DIVISION_SIZE = 4;
constexpr unsigned int PRODUCT_SERIES_SIZE = 1024;
constexpr unsigned int FILE_IN_USE_SIZE = 260;
constexpr DWORD DELETE_RETRY_INTERVAL = 2000;
constexpr DWORD DELETE_RETRY_TIME = 30000;

constexpr char ADVPACK_LIBRARY[] = "Advpack.dll";
constexpr char IS_NT_ADMIN[] = "IsNTAdmin";
typedef BOOL(WINAPI* IsNTAdminFunction)(DWORD dwReserved, DWORD* lpdwReserved);

constexpr char DIVISION_LOOKUP[] = "GetValueByQualifier(gDATFileName.c_str(), VERSION_SECTION, DIVISION";
constexpr char CANNOT_COPY_UNINSTALLER[] = "Cannot copy uninstaller to temp";
constexpr char CANNOT_SET_UNINSTALLER_ATTRIBUTES[] = "Cannot set attributes uninstaller to temp";
constexpr char CANNOT_COPY_DATA_FILE[] = "Cannot copy infstructure to temp";
constexpr char CANNOT_SET_DATA_FILE_ATTRIBUTES[] = "Cannot set attributes infstructure to temp";
constexpr char CANNOT_RUN_FROM_TEMP[] = "Could not run uninstaller from the temp directory.\n";
constexpr char UNINSTALL_INCOMPLETE[] = "Could not complete uninstall successfully.\n";

// A failed deletion whose file is no longer there.
bool IsGone(DWORD error) {
    return error == 0 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool IsFile(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool HasFolderPart(const std::string& name) {
    return name.find_first_of("\\/:") != std::string::npos;
}

std::string JoinPath(const char* pFolder, const std::string& name) {
    std::string path = pFolder;
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path + name;
}

std::string BaseNameOf(const std::string& path) {
    size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

// The file the data-file lookups read for the name: a drive or network path as it is; any other name
// from the first folder that holds it, the Windows folder (for a bare name), the current folder and the
// program's folder in the lookups' order. Empty when there is none.
std::string FindDataFile(const std::string& name) {
    if (name.empty()) return std::string();
    if (HasDriveOrNetworkPath(name.c_str())) return IsFile(name) ? name : std::string();
    char folder[MAX_PATH] = "";
    if (!HasFolderPart(name) && GetWindowsDirectoryA(folder, MAX_PATH) && IsFile(JoinPath(folder, name)))
        return JoinPath(folder, name);
    if (GetCurrentDirectoryA(MAX_PATH, folder) && IsFile(JoinPath(folder, name)))
        return JoinPath(folder, name);
    if (GetProgramFolder(nullptr, folder, MAX_PATH) && IsFile(JoinPath(folder, name)))
        return JoinPath(folder, name);
    return std::string();
}

bool IsSameFile(const std::string& first, const std::string& second) {
    char firstShort[MAX_PATH] = "";
    char secondShort[MAX_PATH] = "";
    return GetShortPathNameA(first.c_str(), firstShort, MAX_PATH) &&
           GetShortPathNameA(second.c_str(), secondShort, MAX_PATH) &&
           lstrcmpiA(firstShort, secondShort) == 0;
}

// Copies the file and makes the copy an ordinary file (the source may be read-only, on a CD).
bool CopyAsNormalFile(const std::string& source, const std::string& destination, const char* pCopyStep,
                      const char* pAttributesStep) {
    if (IsSameFile(source, destination)) return true;
    if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
        TraceFailed(pCopyStep);
        return false;
    }
    if (!SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL)) {
        TraceFailed(pAttributesStep);
        return false;
    }
    return true;
}

// The program's arguments with the file name replaced by `newFileName`.
std::string ArgumentsNaming(const std::string& fileName, const std::string& newFileName) {
    std::string arguments;
    bool replaced = false;
    for (const std::string& argument : framework::SplitCommandLine(GetCommandLineA())) {
        bool flag = !argument.empty() && (argument[0] == '/' || argument[0] == '-');
        bool isFileName = !replaced && !flag && argument == fileName;
        if (!arguments.empty()) arguments += ' ';
        arguments += QuoteArgument(isFileName ? newFileName : argument);
        replaced = replaced || isFileName;
    }
    return arguments;
}

}  // namespace

CUninstallerApp::CUninstallerApp() {
    FIRST_IO_REVISION = 0;
    LAST_IO_REVISION = 0;
    FIRST_CA_REVISION = 0;
    LAST_CA_REVISION = 0;
    VCD_FILEVER = 0;
}

BOOL CUninstallerApp::InitInstance() {
    ParseCommandLine(m_cmdInfo);
    if (gDatFileMode && !ReadDataFileVersion()) return FALSE;
    if (!CheckAdministrator()) return FALSE;
    if (gDatFileMode && gLegacy &&
        !HasOldPrinterDriver(DIVISION.c_str(), static_cast<DWORD>(VCD_FILEVER),
                             static_cast<DWORD>(LAST_IO_REVISION + 1))) {
        // Nothing older than the newest revision is installed: nothing to remove.
        SetLastError(0);
        return FALSE;
    }

    char tempFolder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, tempFolder);
    GetShortPathNameA(tempFolder, tempFolder, MAX_PATH);
    char programPath[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, programPath, MAX_PATH);
    GetShortPathNameA(programPath, programPath, MAX_PATH);

    if (!gDatFileMode) return DeleteNamedFile();
    if (gNoCopyToTemp) return TRUE;
    // The copy in the temporary folder does the work; the program started anywhere else hands over to it.
    size_t tempLength = std::strlen(tempFolder);
    if (std::strlen(programPath) >= tempLength && _tcsnicmp(programPath, tempFolder, tempLength) == 0)
        return TRUE;
    return RelaunchFromTemp(tempFolder, programPath);
}

BOOL CUninstallerApp::ReadDataFileVersion() {
    gDATFileName = m_cmdInfo.m_strFileName.c_str();
    const char* pFile = gDATFileName.c_str();
    char division[DIVISION_SIZE] = "";
    if (!GetValueByQualifier(pFile, VERSION_SECTION, nullptr, DIVISION_KEY, division, DIVISION_SIZE)) {
        TraceFailed(DIVISION_LOOKUP);
        return FALSE;
    }
    DIVISION = division;
    VCD_FILEVER = ReadVersionNumber(pFile, VCD_FILEVER_KEY);
    ICE_REV = ReadVersionNumber(pFile, ICE_REV_KEY);
    if (!FIRST_IO_REVISION && !LAST_IO_REVISION && !FIRST_CA_REVISION && !LAST_CA_REVISION) {
        FIRST_IO_REVISION = ReadVersionNumber(pFile, FIRST_IO_REVISION_KEY);
        LAST_IO_REVISION = ReadVersionNumber(pFile, LAST_IO_REVISION_KEY);
        FIRST_CA_REVISION = ReadVersionNumber(pFile, FIRST_CA_REVISION_KEY);
        LAST_CA_REVISION = ReadVersionNumber(pFile, LAST_CA_REVISION_KEY);
    }
    return TRUE;
}

BOOL CUninstallerApp::CheckAdministrator() {
    if (!IsNT()) return TRUE;
    // Systems without the library or its function let everyone go on.
    HMODULE advpack = LoadLibraryA(ADVPACK_LIBRARY);
    if (!advpack) return TRUE;
    IsNTAdminFunction pIsNTAdmin = reinterpret_cast<IsNTAdminFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(advpack, IS_NT_ADMIN)));
    if (!pIsNTAdmin || pIsNTAdmin(0, nullptr)) {
        FreeLibrary(advpack);
        return TRUE;
    }
    if (!gSilent) {
        std::string caption;
        if (gDatFileMode) {
            char productSeries[PRODUCT_SERIES_SIZE] = "";
            GetValueByLang(gDATFileName.c_str(), VERSION_SECTION, PRODUCT_SERIES_KEY, productSeries,
                           PRODUCT_SERIES_SIZE, LANG_SYSTEM_DEFAULT);
            caption = productSeries;
        } else {
            caption = LoadProgramString(IDS_UNINSTALLER_NAME);
        }
        MessageBoxA(nullptr, LoadProgramString(IDS_NEED_ADMINISTRATOR).c_str(), caption.c_str(),
                    MB_ICONEXCLAMATION);
    }
    FreeLibrary(advpack);
    // The exit code is the last error: a refusal must not end as 0, which callers take for success.
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

BOOL CUninstallerApp::RelaunchFromTemp(const char* pTempFolder, const char* pProgramPath) {
    char copiedProgram[MAX_PATH] = "";
    std::snprintf(copiedProgram, MAX_PATH, "%s%s.exe", pTempFolder, m_pszExeName ? m_pszExeName : "");
    if (!CopyAsNormalFile(pProgramPath, copiedProgram, CANNOT_COPY_UNINSTALLER,
                          CANNOT_SET_UNINSTALLER_ATTRIBUTES))
        return FALSE;

    std::string copiedDataFile;
    if (!CopyDataFileToTemp(pTempFolder, copiedDataFile)) return FALSE;
    // The copy reads the data file copied beside it, whatever folder the name was relative to.
    std::string arguments = copiedDataFile.empty() ? std::string(m_lpCmdLine ? m_lpCmdLine : "")
                                                   : ArgumentsNaming(m_cmdInfo.m_strFileName, copiedDataFile);
    std::string commandLine = std::string(copiedProgram) + " " + arguments;

    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION processInfo = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, pTempFolder,
                        &startupInfo, &processInfo)) {
        std::printf(CANNOT_RUN_FROM_TEMP);
        return FALSE;
    }
    CloseHandle(processInfo.hThread);
    CloseHandle(processInfo.hProcess);
    // Handed over: this instance ends without an error of its own.
    SetLastError(0);
    return FALSE;
}

BOOL CUninstallerApp::CopyDataFileToTemp(const char* pTempFolder, std::string& copiedDataFile) {
    std::string dataFile = FindDataFile(m_cmdInfo.m_strFileName);
    if (dataFile.empty()) return TRUE;
    std::string copy = JoinPath(pTempFolder, BaseNameOf(dataFile));
    if (!CopyAsNormalFile(dataFile, copy, CANNOT_COPY_DATA_FILE, CANNOT_SET_DATA_FILE_ATTRIBUTES))
        return FALSE;
    if (!CopyAsNormalFile(dataFile, JoinPath(pTempFolder, INSTALLER_DATA_FILE), CANNOT_COPY_DATA_FILE,
                          CANNOT_SET_DATA_FILE_ATTRIBUTES))
        return FALSE;
    copiedDataFile = copy;
    return TRUE;
}

BOOL CUninstallerApp::DeleteNamedFile() {
    const char* pName = m_cmdInfo.m_strFileName.c_str();
    // Nothing to delete is done at once: no uninstall runs in this mode.
    if (!*pName || GetFileAttributesA(pName) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(0);
        return FALSE;
    }
    if (DeleteFileA(pName)) {
        SetLastError(0);
        return FALSE;
    }
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND) return FALSE;

    // The file is in use (its program is still ending): try again every two seconds for thirty. A file
    // gone meanwhile is as good as deleted.
    DWORD start = GetTickCount();
    while (!IsGone(error)) {
        Sleep(DELETE_RETRY_INTERVAL);
        if (DeleteFileA(pName)) break;
        error = GetLastError();
        if (IsGone(error) || GetTickCount() - start < DELETE_RETRY_TIME) continue;
        if (!gSilent && !gUnattended) {
            char text[FILE_IN_USE_SIZE] = "";
            LoadStringA(AfxGetInstanceHandle(), IDS_FILE_IN_USE, text, FILE_IN_USE_SIZE);
            MessageBoxA(nullptr, text, pName, MB_OK);
        }
        SetLastError(error);
        return FALSE;
    }
    SetLastError(0);
    return FALSE;
}

int CUninstallerApp::Run() {
    if (!gSilent && !gUnattended) {
        CWarningMessage warning;
        if (warning.DoModal() != IDOK) return ERROR_OPERATION_ABORTED;
    }
    m_progress.Execute();

    CaseInsensitiveString logFileName;
    WriteListToFile(gLogList, logFileName);
    if (!gErrorList.empty()) {
        CaseInsensitiveString errorFileName;
        MakeLogFileName(errorFileName);
        WriteListToFile(gErrorList, errorFileName);
        std::printf(UNINSTALL_INCOMPLETE);
    }

    if (!gRestartNeeded) {
        SetLastError(0);
        return 0;
    }
    if (gShowRestart) {
        CRestartDialog restart;
        restart.DoModal();
    }
    SetLastError(ERROR_SUCCESS_REBOOT_REQUIRED);
    return ERROR_SUCCESS_REBOOT_REQUIRED;
}

int CUninstallerApp::ExitInstance() {
    return static_cast<int>(GetLastError());
}
