// The owner of every BSTR member and local of the diagnostics objects: one pointer, freed with
// SysFreeString when replaced and when it goes out of scope. The framework's CComBSTR is exactly that.
#pragma once

#include "CComBSTR.h"

namespace diagnostics {

using BstrHolder = CComBSTR;
static_assert(sizeof(BstrHolder) == sizeof(BSTR));

}  // namespace diagnostics
