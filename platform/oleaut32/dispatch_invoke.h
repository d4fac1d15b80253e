// ITypeInfo::Invoke's work for one member: the plan prepared from the member's declaration on its first
// call (how each argument is taken from DISPPARAMS and passed, and the prepared call), and the call.
#pragma once

#include <vector>

#include "platform/oleaut32/dispatch_call.h"
#include "platform/oleaut32/typelib_objects.h"

namespace platform::automation {

enum class ArgumentKind : std::uint8_t {
    Value,           // [in] by value: coerced to `type`
    Variant,         // [in] VARIANT by value: passed as the caller gave it
    VariantPointer,  // VARIANT*: the caller's by-reference VARIANT, else the argument itself
    Reference,       // T*: the caller's VT_BYREF | `type`, or its VARIANT by reference (coerced to
                     // `type` and written back); an [in]-only one also takes a value
    Interface,       // [in] a pointer to an interface of the library: asked for `interfaceId`
    Retval,          // [out, retval] T*: a VARIANT of `type` that becomes the result
    Lcid,            // [lcid]: the type library's locale
};

struct ArgumentPlan {
    ArgumentKind kind = ArgumentKind::Value;
    VARTYPE type = VT_EMPTY;
    USHORT flags = 0;
    // A Reference to an interface pointer accepts VT_BYREF | VT_DISPATCH and VT_BYREF | VT_UNKNOWN.
    bool interfacePointer = false;
    GUID interfaceId{};
    // The [defaultvalue], or null.
    const VARIANT* defaultValue = nullptr;
    // For the parameters a caller passes: the position among them; else -1.
    int visibleIndex = -1;
};

struct InvokePlan {
    std::vector<ArgumentPlan> arguments;  // in the declaration's order
    UINT visibleCount = 0;
    // For a property put: the position, among the parameters a caller passes, of the value
    // (DISPID_PROPERTYPUT), the last one that is not [out] only; -1 when there is none.
    int putValue = -1;
    int retval = -1;
    VARTYPE returnType = VT_HRESULT;
    INVOKEKIND invokeKind = INVOKE_FUNC;
    ULONG_PTR offset = 0;
    CallSignature signature;
};

// Prepares the plan of a function member; fails with DISP_E_BADVARTYPE for a type that cannot be
// passed, or with the loader's result when a referenced type of another library cannot be found.
HRESULT PrepareInvokePlan(const MemberEntry& member, InvokePlan* plan);

// Calls the member on the interface `instance` (of interface `interfaceId`) as ITypeInfo::Invoke does.
HRESULT InvokeWithPlan(const InvokePlan& plan, void* instance, REFIID interfaceId, LCID lcid,
                       DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

}  // namespace platform::automation
