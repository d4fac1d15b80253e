// Version, languages, code page, computer name and the Windows folders.
#include <cstring>

#include "platform/kernel32/kernel32_internal.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "windows.h"

namespace platform {

DWORD CopyOutOrNeeded(std::string_view text, LPSTR buffer, DWORD size) {
    if (!buffer || text.size() + 1 > size) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return static_cast<DWORD>(text.size());
}

}  // namespace platform

using platform::Machine;

extern "C" BOOL WINAPI GetVersionExA(LPOSVERSIONINFOA lpVersionInformation) {
    if (!lpVersionInformation) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    const platform::OsProfile& os = Machine::Current().os();
    DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    // The extended record is known only to NT 4 from Service Pack 6 on and to later systems.
    bool extendedKnown = os.IsNT() && (os.majorVersion >= 5 || os.servicePackMajor >= 6);
    bool extended = size == sizeof(OSVERSIONINFOEXA) && extendedKnown;
    if (size != sizeof(OSVERSIONINFOA) && !extended) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    lpVersionInformation->dwMajorVersion = os.majorVersion;
    lpVersionInformation->dwMinorVersion = os.minorVersion;
    lpVersionInformation->dwBuildNumber = os.buildNumber;
    lpVersionInformation->dwPlatformId = os.platformId;
    std::memset(lpVersionInformation->szCSDVersion, 0, sizeof lpVersionInformation->szCSDVersion);
    std::strncpy(lpVersionInformation->szCSDVersion, os.csdVersion.c_str(),
                 sizeof lpVersionInformation->szCSDVersion - 1);
    if (extended) {
        auto* ex = reinterpret_cast<LPOSVERSIONINFOEXA>(lpVersionInformation);
        ex->wServicePackMajor = os.servicePackMajor;
        ex->wServicePackMinor = os.servicePackMinor;
        ex->wSuiteMask = os.suiteMask;
        ex->wProductType = os.productType;
        ex->wReserved = 0;
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetVersion(void) {
    const platform::OsProfile& os = Machine::Current().os();
    DWORD version = (os.minorVersion << 8) | os.majorVersion;
    if (os.IsNT()) return version | ((os.buildNumber & 0x7FFF) << 16);
    return version | 0x80000000u;
}

extern "C" LANGID WINAPI GetSystemDefaultLangID(void) { return Machine::Current().settings().systemLanguage; }

extern "C" LANGID WINAPI GetUserDefaultLangID(void) { return Machine::Current().settings().userLanguage; }

extern "C" LCID WINAPI GetSystemDefaultLCID(void) { return GetSystemDefaultLangID(); }

extern "C" LCID WINAPI GetUserDefaultLCID(void) { return GetUserDefaultLangID(); }

extern "C" UINT WINAPI GetACP(void) { return Machine::Current().settings().codePage; }

extern "C" BOOL WINAPI GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
    if (!nSize) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& name = Machine::Current().settings().computerName;
    if (!lpBuffer || *nSize < name.size() + 1) {
        *nSize = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), name.size() + 1);
    *nSize = static_cast<DWORD>(name.size());
    return TRUE;
}

extern "C" UINT WINAPI GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return platform::CopyOutOrNeeded(Machine::Current().settings().windowsFolder, lpBuffer, uSize);
}

extern "C" UINT WINAPI GetSystemDirectoryA(LPSTR lpBuffer, UINT uSize) {
    return platform::CopyOutOrNeeded(Machine::Current().settings().systemFolder, lpBuffer, uSize);
}
