#include "SpoolerObjectRemoval.h"

#include <cstdio>
#include <string>

#include "CFilter.h"
#include "DeviceApis.h"
#include "FailureReport.h"
#include "OsVersion.h"
#include "RegistryFolders.h"
#include "UninstallerGlobals.h"

namespace {

constexpr char CHECKING[] = "Checking ";
constexpr char MONITORS_KEY[] = "System\\CurrentControlSet\\Control\\Print\\Monitors\\";
constexpr char DRIVER_VALUE[] = "Driver";
constexpr char MONITOR_DLL[] = "%simn%2.2d.dll";
constexpr REGSAM DELETE_ACCESS = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;
constexpr DWORD SUBKEY_NAME_SIZE = 256;

std::string UpperCase(std::string text) {
    CharUpperA(text.data());
    return text;
}

// Whether the monitor DLL is one of the maker's revisions from FIRST_IO_REVISION up to, not including,
// LAST_IO_REVISION.
bool IsRevisionMonitor(const std::string& driver) {
    std::string upperDriver = UpperCase(driver);
    for (int revision = FIRST_IO_REVISION; revision < LAST_IO_REVISION; ++revision) {
        char dll[MAX_PATH];
        std::snprintf(dll, MAX_PATH, MONITOR_DLL, DIVISION.c_str(), revision);
        if (upperDriver.find(UpperCase(dll)) != std::string::npos) return true;
    }
    return false;
}

CaseInsensitiveString Line(const char* pText, const char* pName) {
    CaseInsensitiveString line = pText;
    line += pName;
    line += "\r\n";
    return line;
}

LONG RemoveFromRegistry(const char* pBaseKey, const char* pName) {
    CRegKeyGuard base;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, pBaseKey, 0, KEY_READ, base.Receive());
    if (result != ERROR_SUCCESS) return result;
    return DeleteKeyRecursively(base.Get(), pName);
}

}  // namespace

LONG DeleteKeyRecursively(HKEY parent, const char* pSubKey) {
    CRegKeyGuard key;
    LONG result = RegOpenKeyExA(parent, pSubKey, 0, DELETE_ACCESS, key.Receive());
    if (result != ERROR_SUCCESS) return result;
    for (;;) {
        char child[SUBKEY_NAME_SIZE];
        DWORD length = SUBKEY_NAME_SIZE;
        if (RegEnumKeyExA(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        result = DeleteKeyRecursively(key.Get(), child);
        if (result != ERROR_SUCCESS) return result;
    }
    key.Close();
    return RegDeleteKeyA(parent, pSubKey);
}

unsigned int RemoveSpoolerObject(const SpoolerObjectKind& kind, const char* pName, const char* pMatchText,
                                 CFilter& filter, CaseInsensitiveStringList& log,
                                 CaseInsensitiveStringList& errors) {
    log.push_back(Line(CHECKING, pName));
    CaseInsensitiveString driver =
        ReadFolderValue(HKEY_LOCAL_MACHINE, (std::string(MONITORS_KEY) + pMatchText).c_str(), DRIVER_VALUE);
    if (!filter.Match(pMatchText) && !IsRevisionMonitor(driver.c_str())) return 1;
    log.push_back(Line(kind.pFoundText, pName));
    if (Is9X()) {
        LONG result = RemoveFromRegistry(kind.pNineXKey, pName);
        if (result == ERROR_SUCCESS) {
            gRestartNeeded = 1;
            log.push_back(Line(kind.pNextRebootText, pName));
            return 1;
        }
        // The registry gives its error as the result: the text reported is that error's.
        SetLastError(static_cast<DWORD>(result));
    } else if (kind.pDeleteNT(pName)) {
        log.push_back(Line(kind.pRemovedText, pName));
        return 1;
    }
    char text[MAX_PATH * 2];
    std::snprintf(text, sizeof text, kind.pFailureFormat, pName);
    ReportFailure(errors, text);
    return 0;
}
