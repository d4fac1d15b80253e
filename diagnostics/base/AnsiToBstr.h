// ANSI text as a new BSTR, converted with the ANSI code page.
#pragma once

#include "oleauto.h"

namespace diagnostics {

// count is the number of bytes to convert, -1 for everything up to the terminating zero. Null for null
// text or when the string cannot be allocated; the caller frees the result.
BSTR AnsiToBstr(LPCSTR text, int count = -1);

}  // namespace diagnostics
