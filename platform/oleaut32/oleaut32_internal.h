// What the parts of oleaut32 share: which VARTYPEs a VARIANT may hold, and reading through a VT_BYREF
// VARIANT.
#pragma once

#include "oleauto.h"

namespace platform::automation {

// Whether a VARIANT may carry the type (with its VT_BYREF and VT_ARRAY flags).
bool ValidVariantType(VARTYPE vt);

// The value a VT_BYREF VARIANT points at, as a VARIANT that borrows it (its BSTR, interface or array
// stays owned by the referenced location). A VT_VARIANT reference gives the referenced VARIANT itself,
// which must not be another reference. A source without VT_BYREF is returned as it is.
HRESULT Dereference(const VARIANT& source, VARIANT& borrowed);

}  // namespace platform::automation
