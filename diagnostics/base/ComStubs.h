// Bodies that many members of many diagnostics classes share.
#pragma once

#include "windows.h"

namespace diagnostics {

HRESULT NotImplementedStub();
// Does nothing; out-arguments are left as they are.
HRESULT OkStub();
HRESULT StoreLongProperty(LONG& member, LONG value);
HRESULT DefaultFinalConstruct();

}  // namespace diagnostics
