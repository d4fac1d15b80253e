// Helpers the kernel32 calls share: the copy-out rules of Windows' string-returning calls.
#pragma once

#include <string_view>

#include "windows.h"

namespace platform {

// The rule of GetWindowsDirectoryA and its kin: when the text and its terminator fit, copies them and
// returns the length without the terminator; otherwise leaves the buffer alone and returns the size
// needed, terminator included.
DWORD CopyOutOrNeeded(std::string_view text, LPSTR buffer, DWORD size);

}  // namespace platform
