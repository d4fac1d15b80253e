// The virtual DOS machine debugging library (vdmdbg.dll, Windows NT): the 16-bit tasks of a process.
#pragma once

#include "windef.h"

typedef BOOL(WINAPI* TASKENUMPROCEX)(DWORD dwThreadId, WORD hMod16, WORD hTask16, LPSTR pszModName,
                                     LPSTR pszFileName, LPARAM lpUserDefined);

#ifdef __cplusplus
extern "C" {
#endif

INT WINAPI VDMEnumTaskWOWEx(DWORD dwProcessId, TASKENUMPROCEX fp, LPARAM lparam);

#ifdef __cplusplus
}
#endif
