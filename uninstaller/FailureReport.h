// How an uninstaller reports a removal step that failed.
#pragma once

#include "CaseInsensitiveString.h"

// Appends to `errors` one entry made of `pText`, " : ", the Windows text of the last error and "\r\n",
// and traces "<text> failed". The last error is left as it was.
void ReportFailure(CaseInsensitiveStringList& errors, const char* pText);
