// VDMEnumTaskWOWEx: the 16-bit Windows tasks a virtual DOS machine runs. The machine runs no 16-bit
// programs, so every process has none.
#include "vdmdbg.h"
#include "windows.h"

extern "C" INT WINAPI VDMEnumTaskWOWEx(DWORD, TASKENUMPROCEX, LPARAM) {
    return 0;
}
