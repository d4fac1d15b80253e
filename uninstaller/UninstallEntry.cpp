#include "UninstallEntry.h"

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
