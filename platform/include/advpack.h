// advpack.dll: the set-up helpers' library.
#pragma once

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

BOOL WINAPI IsNTAdmin(DWORD dwReserved, DWORD* lpdwReserved);

#ifdef __cplusplus
}
#endif
