// What the parts of oleaut32 share: which VARTYPEs a VARIANT may hold, the size of each type's value,
// and reading through a VT_BYREF VARIANT.
#pragma once

#include "oleauto.h"

namespace platform::automation {

// Whether a VARIANT may carry the type (with its VT_BYREF and VT_ARRAY flags).
bool ValidVariantType(VARTYPE vt);

// The bytes a value of the type takes (an element of a safe array, the target of a reference), or 0
// for a type that has none.
ULONG ElementSize(VARTYPE vt);

// The value a VT_BYREF VARIANT points at, as a VARIANT that borrows it (its BSTR, interface or array
// stays owned by the referenced location). A VT_VARIANT reference gives the referenced VARIANT itself,
// which must not be another reference. A source without VT_BYREF is returned as it is.
HRESULT Dereference(const VARIANT& source, VARIANT& borrowed);

}  // namespace platform::automation
