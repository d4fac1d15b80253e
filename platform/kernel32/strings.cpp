// kernel32's string functions.
#include <cstring>

#include "platform/machine/text.h"
#include "windows.h"

extern "C" int WINAPI lstrlenA(LPCSTR lpString) { return lpString ? static_cast<int>(std::strlen(lpString)) : 0; }

extern "C" LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return nullptr;
    return std::strcpy(lpString1, lpString2);
}

extern "C" LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength) {
    if (!lpString1 || !lpString2 || iMaxLength <= 0) return lpString1;
    int index = 0;
    for (; index < iMaxLength - 1 && lpString2[index]; ++index) lpString1[index] = lpString2[index];
    lpString1[index] = '\0';
    return lpString1;
}

extern "C" LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2) {
    if (!lpString1 || !lpString2) return nullptr;
    return std::strcat(lpString1, lpString2);
}

extern "C" int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
    int result = std::strcmp(lpString1 ? lpString1 : "", lpString2 ? lpString2 : "");
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

extern "C" int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) {
    return platform::CompareNoCase(lpString1 ? lpString1 : "", lpString2 ? lpString2 : "");
}

extern "C" BOOL WINAPI IsDBCSLeadByte(BYTE TestChar) {
    (void)TestChar;
    return FALSE;  // single-byte code pages only
}
