// Results of connection points and of a server's self-registration, and the registration entry points
// a server exports.
#pragma once

#include "ocidl.h"

#define CONNECT_E_FIRST ((HRESULT)0x80040200L)
#define CONNECT_E_NOCONNECTION (CONNECT_E_FIRST + 0)
#define CONNECT_E_ADVISELIMIT (CONNECT_E_FIRST + 1)
#define CONNECT_E_CANNOTCONNECT (CONNECT_E_FIRST + 2)
#define CONNECT_E_OVERRIDDEN (CONNECT_E_FIRST + 3)

#define SELFREG_E_FIRST ((HRESULT)0x80040200L)
#define SELFREG_E_TYPELIB (SELFREG_E_FIRST + 0)
#define SELFREG_E_CLASS (SELFREG_E_FIRST + 1)

STDAPI DllRegisterServer(void);
STDAPI DllUnregisterServer(void);
