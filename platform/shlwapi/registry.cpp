// SHDeleteKeyA and SHDeleteValueA over the Reg* calls: each gives the Win32 error of the call that
// failed (ERROR_FILE_NOT_FOUND for a key or value that is not there), ERROR_SUCCESS otherwise.
#include "platform/advapi32/registry_key.h"
#include "shlwapi.h"

extern "C" DWORD WINAPI SHDeleteKeyA(HKEY hkey, LPCSTR pszSubKey) {
    if (!pszSubKey) return ERROR_INVALID_PARAMETER;
    return static_cast<DWORD>(platform::RegistryKey::DeleteTree(hkey, pszSubKey));
}

extern "C" DWORD WINAPI SHDeleteValueA(HKEY hkey, LPCSTR pszSubKey, LPCSTR pszValue) {
    platform::RegistryKey key;
    if (LONG error = key.Open(hkey, pszSubKey ? pszSubKey : "", KEY_SET_VALUE))
        return static_cast<DWORD>(error);
    return static_cast<DWORD>(RegDeleteValueA(key.handle(), pszValue));
}
