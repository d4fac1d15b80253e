// National-language support: code pages and locale ids.
#pragma once

#include "winbase.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_UTF8 65001

extern "C" {

// Converts UTF-16 text to the ANSI code page. A length of -1 converts up to and with the zero; an output
// size of 0 asks for the size needed.
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               LPBOOL lpUsedDefaultChar);

}  // extern "C"
