// Text helpers that Windows' own programs share, written over the Win32 calls: the system's message for
// an error, and conversions between the ANSI code page and UTF-16.
#pragma once

#include <string>
#include <string_view>

#include "windows.h"

namespace platform::programs {

// The system's text for an error or HRESULT in the machine's language, without its line break; empty
// when the system has none.
std::string SystemMessage(DWORD error);

// Text of the ANSI code page and UTF-16, converted with MultiByteToWideChar and WideCharToMultiByte. The
// results end with a zero after their last character, so data() can be handed to a call that takes a
// zero-terminated string.
std::u16string WideFromAnsi(std::string_view text);
std::string AnsiFromWide(std::u16string_view text);

// The packed form in which Windows Installer writes a product or component code in its keys: the code
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} in upper case, its first three groups written backwards and each
// byte of the last two with its two digits swapped. Empty for a text that is no such code.
std::string PackedInstallerCode(std::string_view code);

}  // namespace platform::programs
