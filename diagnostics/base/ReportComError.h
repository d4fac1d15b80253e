// The error reporter of the diagnostics objects: the thread's error information for a failing member,
// with the HRESULT and the place in the source appended to the description.
#pragma once

#include "oleauto.h"

namespace diagnostics {

// description may be null (the system's text for hr is used, except for FACILITY_ITF codes) or empty
// (nothing is set). sourceFile and timeStamp may be null; line 0 leaves out the line and the time stamp.
// The text reads "<description> [0x%08X] <file>:<line> <timestamp>".
void ReportComError(LPCSTR description, HRESULT hr, const CLSID& clsid, const IID& iid, LPCSTR sourceFile,
                    int line, LPCSTR timeStamp);

}  // namespace diagnostics
