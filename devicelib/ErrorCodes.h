// The library's error codes and their texts. A function of the library that returns long returns
// ERR_NOERROR, one of the library's own codes (-50000 to -50019), or a positive Windows error code it
// passes on.
#pragma once

#include <string>

#include "windows.h"

constexpr long ERR_NOERROR = 0;
constexpr long ERR_UNKNOWN = -50000;
constexpr long ERR_MEMORY = -50001;
constexpr long ERR_BADPARAMETER = -50002;
constexpr long ERR_INVALIDPOINTER = -50003;
constexpr long ERR_PRINTERNOTSUPPORTED = -50004;
constexpr long ERR_PORTNOTSUPPORTED = -50005;
constexpr long ERR_CONNECTIONLOST = -50006;
constexpr long ERR_PRINTERNOTFOUND = -50007;
constexpr long ERR_BUFFEROVERFLOW = -50008;
constexpr long ERR_RESOURCEUNAVAILABLE = -50009;
constexpr long ERR_TIMEOUT = -50010;
constexpr long ERR_READONLY = -50011;
constexpr long ERR_ACTIONNOTNOW = -50012;
constexpr long ERR_RESOURCENOTFOUND = -50013;
constexpr long ERR_MUTEX = -50014;
constexpr long ERR_COMMUNITYNAME = -50015;
constexpr long ERR_STLEXCEPTION = -50016;
constexpr long ERR_REMOVEPRINTER = -50017;
constexpr long ERR_ERRORNOTFOUND = -50018;
constexpr long ERR_ERRORMASKED = -50019;

// The text of a code: the name of ERR_NOERROR and of the library's codes; for any other value the Windows
// message text of that value (which is made the thread's last error), or "" when Windows has none. The
// Windows text lives in one process-wide string, valid until the next call for a non-library code.
const char* GetErrorString(long code);

// Formats GetLastError() into `text` (left unchanged when Windows has no text for it), in the system's
// language or else the user's. Leaves the last error as it was and returns it.
long GetLastErrorMsg(std::string& text);

// When GetLastError() is not 0, shows its text in a message box captioned with string `stringId` of
// `module`. Leaves the last error as it was and returns it.
long GetLastErrorMsg(unsigned long stringId, HINSTANCE module);
