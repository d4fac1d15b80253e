// shlwapi.dll: the shell's light-weight helpers; here its registry calls.
#pragma once

#include "windows.h"

#ifdef __cplusplus
extern "C" {
#endif

// Deletes the key with all its subkeys and values.
DWORD WINAPI SHDeleteKeyA(HKEY hkey, LPCSTR pszSubKey);
// Deletes one value of a subkey.
DWORD WINAPI SHDeleteValueA(HKEY hkey, LPCSTR pszSubKey, LPCSTR pszValue);

#define SHDeleteKey SHDeleteKeyA
#define SHDeleteValue SHDeleteValueA

#ifdef __cplusplus
}
#endif
