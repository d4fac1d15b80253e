#include "RegistryFolders.h"

#include "DeviceApis.h"

namespace {

constexpr char CURRENT_VERSION_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char PROGRAM_FILES_VALUE[] = "ProgramFilesDir";

}  // namespace

CaseInsensitiveString ReadFolderValue(HKEY root, const char* pSubKey, const char* pValue) {
    CRegKeyGuard key;
    if (RegOpenKeyExA(root, pSubKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return CaseInsensitiveString();
    char folder[MAX_PATH] = "";
    DWORD size = sizeof folder;
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), pValue, nullptr, &type, reinterpret_cast<LPBYTE>(folder), &size) !=
        ERROR_SUCCESS)
        return CaseInsensitiveString();
    if (type != REG_SZ && type != REG_EXPAND_SZ) return CaseInsensitiveString();
    // The value need not end with its zero.
    DWORD length = 0;
    while (length < size && length < sizeof folder && folder[length]) ++length;
    return CaseInsensitiveString(folder, length);
}

CaseInsensitiveString GetProgramFilesFolder() {
    return ReadFolderValue(HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, PROGRAM_FILES_VALUE);
}
