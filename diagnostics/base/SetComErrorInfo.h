// Sets the thread's error information for a failing member of a diagnostics object.
#pragma once

#include "oleauto.h"
#include "windows.h"

namespace diagnostics {

// description is the text, or, below 0x10000, the id of a string in module's string table (MAKEINTRESOURCE
// style; "Unknown Error" when the module lacks it, and hr 0 becomes 0x80040000 | id). The source is the
// class's ProgID when it has one; the help context and file are set only when both are given. Returns hr,
// or DISP_E_EXCEPTION when hr is 0.
HRESULT SetComErrorInfo(const CLSID& clsid, LPCOLESTR description, DWORD helpContext, LPCOLESTR helpFile,
                        const IID& iid, HRESULT hr, HINSTANCE module);

}  // namespace diagnostics
