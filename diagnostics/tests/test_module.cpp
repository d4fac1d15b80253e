// The module object that the server's classes count on when the tests create them in-process.
#include "CComModule.h"

CComModule _Module;
