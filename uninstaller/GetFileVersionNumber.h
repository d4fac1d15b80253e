// The file version of a program or library as one number, so that two versions compare with '<'.
#pragma once

#include "windows.h"

// dwFileVersionMS in the high half and dwFileVersionLS in the low half of the file's fixed version
// information; 0 when the file has none, after a trace line naming the step that failed.
ULONGLONG GetFileVersionNumber(const char* pPath);
