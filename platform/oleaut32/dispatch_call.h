// Calls through a function table with arguments held in VARIANTs, over libffi: the machinery behind
// DispCallFunc, and the prepared form ITypeInfo::Invoke keeps per member so that a call prepares nothing.
#pragma once

#include <ffi.h>

#include <vector>

#include "oleauto.h"

namespace platform::automation {

// The libffi type of a value of this VARTYPE as a function takes or returns it: pointers for VT_BYREF
// and VT_PTR, the 24-byte structure for VT_VARIANT; null for a type that cannot be passed.
ffi_type* CallTypeOf(VARTYPE vt);

// Where a VARIANT holding an argument of this VARTYPE keeps the value a call passes.
void* CallValueOf(VARIANTARG* argument, VARTYPE vt);

// A call signature prepared once: an optional interface pointer first, then the arguments' types, and
// the result type.
class CallSignature {
  public:
    // False when a type cannot be passed (DISP_E_BADVARTYPE) or libffi refuses the signature.
    bool Prepare(bool withInstance, VARTYPE returnType, const VARTYPE* argumentTypes, UINT argumentCount);

    // Calls the function with the values (the address of the interface pointer first when there is one,
    // then one per argument, from CallValueOf) and stores the result in *result as a VARIANT of the
    // result type: VT_EMPTY for none, VT_ERROR for an HRESULT.
    void Call(void (*function)(), void** values, VARIANT* result) const;

    // The function in slot offset / sizeof(void*) of the interface's table.
    static void (*SlotOf(void* instance, ULONG_PTR offset))();

  private:
    // libffi takes the prepared signature by a pointer to non-const, though a call leaves it unchanged.
    mutable ffi_cif cif_{};
    std::vector<ffi_type*> types_;
    VARTYPE returnType_ = VT_EMPTY;
    bool withInstance_ = false;
};

}  // namespace platform::automation
