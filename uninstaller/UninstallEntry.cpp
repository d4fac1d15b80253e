#include "UninstallEntry.h"

#include <cstdio>

CaseInsensitiveString UninstallEntryKey(const CaseInsensitiveString& name) {
    CaseInsensitiveString key = UNINSTALL_KEY;
    key += name;
    return key;
}

BOOL ReadEntryValue(HKEY key, const char* pValueName, char* pBuffer, DWORD size) {
    DWORD read = size;
    if (RegQueryValueExA(key, pValueName, nullptr, nullptr, reinterpret_cast<LPBYTE>(pBuffer), &read) !=
        ERROR_SUCCESS) {
        pBuffer[0] = '\0';
        return FALSE;
    }
    // A value stored without its zero is ended here, within the buffer.
    pBuffer[read < size ? read : size - 1] = '\0';
    return TRUE;
}

bool OpenUninstallEntry(const CaseInsensitiveString& item, const char* pLookingFor, const char* pMissingFormat,
                        CaseInsensitiveStringList& log, CRegKeyGuard& entry, CaseInsensitiveString& key) {
    key = UninstallEntryKey(item);
    log.push_back(pLookingFor + key + "\r\n");
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, entry.Receive()) == ERROR_SUCCESS) return true;
    std::printf(pMissingFormat, key.c_str());
    return false;
}
