#include "UninstallEngine.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "CDriverUninstaller.h"
#include "CFileUninstaller.h"
#include "CIOUninstaller.h"
#include "CMonitorUninstaller.h"
#include "CMsiUninstaller.h"
#include "CPortUninstaller.h"
#include "CPrinterUninstaller.h"
#include "CProcessShutdown.h"
#include "CRegistryUninstaller.h"
#include "CRemoveProgramUninstaller.h"
#include "CRsmUninstaller.h"
#include "CServiceUninstaller.h"
#include "CTaskUninstaller.h"
#include "CUninstaller.h"
#include "CUninstallerProgress.h"
#include "CWindowShutDown.h"
#include "DataFile.h"
#include "ErrorCodes.h"
#include "LogFiles.h"
#include "OsVersion.h"
#include "Trace.h"
#include "UninstallerGlobals.h"

namespace {

constexpr char BAD_PARAMETER_STEP[] = "Bad parameter, is not a CUninstallerProgress*";
constexpr char DELETED_ENTRY[] = "Deleted=";
constexpr char DELETE_ON_REBOOT_ENTRY[] = "DeleteOnNextReboot=";
constexpr char ATTRIBUTES_ERROR_ENTRY[] = "Error=";
constexpr char DELETE_ERROR_ENTRY[] = "Error deleting \"";

constexpr char WININIT_FILE[] = "WININIT.INI";
constexpr char RENAME_SECTION[] = "rename";
constexpr char RENAME_DELETE_ENTRY[] = "NUL=%s";
constexpr char RENAME_SECTION_FULL[] = "\". The [rename] section of the WININIT.INI file is full.\r\n";
// The [rename] section is read whole into this many bytes; Windows 9x processes no more than this.
constexpr DWORD RENAME_SECTION_SIZE = 0x7fff;
constexpr DWORD RENAME_SECTION_LIMIT = 32766;

// The text of the thread's last error, as the logs write it.
CaseInsensitiveString LastErrorText() {
    std::string text;
    GetLastErrorMsg(text);
    return CaseInsensitiveString(text.c_str());
}

void ReportDeleteError(const CaseInsensitiveString& path) {
    gErrorList.push_back(DELETE_ERROR_ENTRY + path + "\":" + LOG_LINE_END);
    gErrorList.push_back(LastErrorText() + LOG_LINE_END);
}

void Append(CaseInsensitiveStringList& to, const CaseInsensitiveStringList& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// Windows 9x deletes at start-up what WININIT.INI [rename] names as "NUL=<short path>".
DWORD ScheduleInWininit(const char* pPath) {
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(pPath, shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        // Without a short form (the path is gone or too long) the entry names the path as given.
        std::snprintf(shortPath, sizeof shortPath, "%s", pPath);
    }
    char entry[MAX_PATH + 8];
    std::snprintf(entry, sizeof entry, RENAME_DELETE_ENTRY, shortPath);
    DWORD entryLength = static_cast<DWORD>(std::strlen(entry));

    std::unique_ptr<char[]> section(new char[RENAME_SECTION_SIZE]());
    DWORD sectionLength =
        GetPrivateProfileSectionA(RENAME_SECTION, section.get(), RENAME_SECTION_SIZE, WININIT_FILE);
    if (entryLength + sectionLength >= RENAME_SECTION_LIMIT) {
        gErrorList.push_back(CaseInsensitiveString(DELETE_ERROR_ENTRY) + shortPath + RENAME_SECTION_FULL);
        SetLastError(ERROR_DATABASE_FULL);
        return ERROR_DATABASE_FULL;
    }
    // The section is a block of strings, each ending with a zero byte, and the block with a second one.
    std::memcpy(section.get() + sectionLength, entry, entryLength);
    section[sectionLength + entryLength] = '\0';
    section[sectionLength + entryLength + 1] = '\0';
    if (!WritePrivateProfileSectionA(RENAME_SECTION, section.get(), WININIT_FILE)) return GetLastError();
    return 0;
}

}  // namespace

DWORD WINAPI UninstallThreadProc(LPVOID pParameter) {
    CUninstallerProgress* pProgress = dynamic_cast<CUninstallerProgress*>(static_cast<CWnd*>(pParameter));
    if (!pProgress) {
        TraceFailedReturningCode(BAD_PARAMETER_STEP, ERROR_INVALID_PARAMETER);
        return ERROR_INVALID_PARAMETER;
    }
    return RunUninstallers(pProgress);
}

DWORD RunUninstallers(CUninstallerProgress* pProgress) {
    std::vector<std::unique_ptr<CUninstaller>> owned;
    owned.emplace_back(new CRemoveProgramUninstaller(pProgress));
    owned.emplace_back(new CMsiUninstaller(pProgress));
    owned.emplace_back(new CTaskUninstaller(pProgress));
    owned.emplace_back(new CWindowShutDown(pProgress));
    owned.emplace_back(new CProcessShutdown(pProgress));
    owned.emplace_back(new CPrinterUninstaller(pProgress));
    owned.emplace_back(new CDriverUninstaller(pProgress));
    owned.emplace_back(new CServiceUninstaller(pProgress));
    owned.emplace_back(new CIOUninstaller(pProgress));
    owned.emplace_back(new CMonitorUninstaller(pProgress));
    owned.emplace_back(new CPortUninstaller(pProgress));
    owned.emplace_back(new CRsmUninstaller(pProgress));
    owned.emplace_back(new CRegistryUninstaller(pProgress));
    owned.emplace_back(new CFileUninstaller(pProgress));

    CUninstallerList uninstallers;
    for (const std::unique_ptr<CUninstaller>& uninstaller : owned) uninstallers.push_back(uninstaller.get());
    RunUninstallerList(pProgress, uninstallers);

    // The last one built goes first.
    while (!owned.empty()) owned.pop_back();
    return 0;
}

void RunUninstallerList(CUninstallerProgress* pProgress, const CUninstallerList& uninstallers) {
    LoadRevisionKeywords();
    HCURSOR hPreviousCursor = SetCursor(LoadCursorA(NULL, IDC_WAIT));

    CaseInsensitiveStringList files;
    for (CUninstaller* pUninstaller : uninstallers) {
        if (!pUninstaller->IsEnabled()) continue;
        pUninstaller->Delete();
        Append(files, pUninstaller->GetFilesList());
        Append(gLogList, pUninstaller->GetLogList());
        Append(gErrorList, pUninstaller->GetErrorList());
    }

    if (pProgress) pProgress->SetProgress(0);
    char ownPath[MAX_PATH] = "";
    GetModuleFileNameA(NULL, ownPath, MAX_PATH);

    size_t index = 0;
    const size_t count = files.size();
    for (const CaseInsensitiveString& path : files) {
        if (pProgress) {
            pProgress->SetProgress(static_cast<int>(100 * index / count));
            pProgress->SetStatusText(path.c_str());
        }
        ++index;

        // The running program cannot delete itself; Windows does it at the next start.
        if (path == ownPath) {
            DeleteOnNextReboot(path.c_str());
            continue;
        }
        if (!SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
            DWORD error = GetLastError();
            // Already gone, for instance collected twice.
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_DATA)
                continue;
            gErrorList.push_back(ATTRIBUTES_ERROR_ENTRY + path + " " + LastErrorText() + LOG_LINE_END);
        }
        DWORD attributes = GetFileAttributesA(path.c_str());
        bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        BOOL deleted = folder ? RemoveDirectoryA(path.c_str()) : DeleteFileA(path.c_str());
        DWORD error = deleted ? 0 : GetLastError();
        if (error == 0) {
            gLogList.push_back(DELETED_ENTRY + path + LOG_LINE_END);
            continue;
        }
        // Files in use and folders that still hold files go at the next start.
        if ((error == ERROR_ACCESS_DENIED || error == ERROR_DIR_NOT_EMPTY) &&
            DeleteOnNextReboot(path.c_str()) == 0) {
            gLogList.push_back(DELETE_ON_REBOOT_ENTRY + path + LOG_LINE_END);
            continue;
        }
        ReportDeleteError(path);
    }

    if (pProgress) pProgress->SetProgress(100);
    SetCursor(hPreviousCursor);
    if (pProgress) {
        HWND hDialog = pProgress->GetDialogWindow();
        if (IsWindow(hDialog)) PostMessageA(hDialog, WM_DESTROY, 0, 0);
    }
}

DWORD DeleteOnNextReboot(const char* pPath) {
    if (!IsNT()) return ScheduleInWininit(pPath);
    if (!MoveFileExA(pPath, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)) return GetLastError();
    SetLastError(0);
    return 0;
}
