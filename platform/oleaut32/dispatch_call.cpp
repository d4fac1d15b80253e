// DispCallFunc: a call through an interface's function table (or to a plain function) with the arguments
// held in VARIANTs, made with libffi so that any signature of Automation types can be called.
#include "platform/oleaut32/dispatch_call.h"

#include <array>
#include <cstring>

namespace platform::automation {

namespace {

// A structure type whose size and alignment libffi computes once, before any call can share it.
ffi_type* PreparedStructure(ffi_type* structure) {
    ffi_cif cif;
    ffi_prep_cif(&cif, FFI_DEFAULT_ABI, 0, structure, nullptr);
    return structure;
}

// A VARIANT passed by value: 24 bytes, which the host's convention passes in memory.
ffi_type* VariantType() {
    static ffi_type* elements[] = {&ffi_type_uint64, &ffi_type_uint64, &ffi_type_uint64, nullptr};
    static ffi_type structure{0, 0, FFI_TYPE_STRUCT, elements};
    static ffi_type* prepared = PreparedStructure(&structure);
    return prepared;
}

ffi_type* DecimalType() {
    static ffi_type* elements[] = {&ffi_type_uint16, &ffi_type_uint8,  &ffi_type_uint8,
                                   &ffi_type_uint32, &ffi_type_uint64, nullptr};
    static ffi_type structure{0, 0, FFI_TYPE_STRUCT, elements};
    static ffi_type* prepared = PreparedStructure(&structure);
    return prepared;
}

}  // namespace

ffi_type* CallTypeOf(VARTYPE vt) {
    if (vt & (VT_BYREF | VT_ARRAY)) return &ffi_type_pointer;
    switch (vt) {
        case VT_I1:
            return &ffi_type_sint8;
        case VT_UI1:
            return &ffi_type_uint8;
        case VT_I2:
        case VT_BOOL:
            return &ffi_type_sint16;
        case VT_UI2:
            return &ffi_type_uint16;
        case VT_I4:
        case VT_INT:
        case VT_ERROR:
        case VT_HRESULT:
            return &ffi_type_sint32;
        case VT_UI4:
        case VT_UINT:
            return &ffi_type_uint32;
        case VT_I8:
        case VT_CY:
        case VT_INT_PTR:
            return &ffi_type_sint64;
        case VT_UI8:
        case VT_UINT_PTR:
            return &ffi_type_uint64;
        case VT_R4:
            return &ffi_type_float;
        case VT_R8:
        case VT_DATE:
            return &ffi_type_double;
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_UNKNOWN:
        case VT_PTR:
        case VT_SAFEARRAY:
        case VT_LPSTR:
        case VT_LPWSTR:
            return &ffi_type_pointer;
        case VT_VARIANT:
            return VariantType();
        case VT_DECIMAL:
            return DecimalType();
        default:
            return nullptr;
    }
}

void* CallValueOf(VARIANTARG* argument, VARTYPE vt) {
    if (vt & (VT_BYREF | VT_ARRAY)) return &argument->byref;
    switch (vt) {
        case VT_VARIANT:
            return argument;
        case VT_DECIMAL:
            return &argument->decVal;
        default:
            return &argument->llVal;
    }
}

bool CallSignature::Prepare(bool withInstance, VARTYPE returnType, const VARTYPE* argumentTypes,
                            UINT argumentCount) {
    ffi_type* result =
        returnType == VT_EMPTY || returnType == VT_VOID ? &ffi_type_void : CallTypeOf(returnType);
    if (!result) return false;
    withInstance_ = withInstance;
    returnType_ = returnType;
    types_.clear();
    if (withInstance) types_.push_back(&ffi_type_pointer);
    for (UINT index = 0; index < argumentCount; ++index) {
        ffi_type* type = CallTypeOf(argumentTypes[index]);
        if (!type) return false;
        types_.push_back(type);
    }
    return ffi_prep_cif(&cif_, FFI_DEFAULT_ABI, static_cast<unsigned>(types_.size()), result,
                        types_.data()) == FFI_OK;
}

void CallSignature::Call(void (*function)(), void** values, VARIANT* result) const {
    if (returnType_ == VT_VARIANT) {
        VARIANT returned;
        ffi_call(&cif_, function, &returned, values);
        if (result) *result = returned;
        return;
    }
    // Results narrower than a register come back widened to a full ffi_arg; the low bytes hold the value.
    alignas(16) unsigned char returned[16] = {};
    ffi_call(&cif_, function, returned, values);
    if (!result) return;
    switch (returnType_) {
        case VT_EMPTY:
        case VT_VOID:
            VariantInit(result);
            return;
        case VT_HRESULT:
            VariantInit(result);
            result->vt = VT_ERROR;
            std::memcpy(&result->scode, returned, sizeof(SCODE));
            return;
        case VT_DECIMAL:
            std::memcpy(&result->decVal, returned, sizeof(DECIMAL));
            result->vt = VT_DECIMAL;
            return;
        default:
            VariantInit(result);
            result->vt = returnType_;
            std::memcpy(&result->llVal, returned, sizeof(result->llVal));
            return;
    }
}

void (*CallSignature::SlotOf(void* instance, ULONG_PTR offset))() {
    auto* table = *static_cast<void (***)()>(instance);
    return table[offset / sizeof(void*)];
}

}  // namespace platform::automation

using platform::automation::CallSignature;

STDAPI DispCallFunc(void* pvInstance, ULONG_PTR oVft, CALLCONV cc, VARTYPE vtReturn, UINT cActuals,
                    VARTYPE* prgvt, VARIANTARG** prgpvarg, VARIANT* pvargResult) {
    // Both conventions are the host's one convention here.
    if (cc != CC_STDCALL && cc != CC_CDECL) return E_INVALIDARG;
    if (cActuals > 0 && (!prgvt || !prgpvarg)) return E_INVALIDARG;
    if (!pvInstance && !oVft) return E_INVALIDARG;
    CallSignature signature;
    if (!signature.Prepare(pvInstance != nullptr, vtReturn, prgvt, cActuals)) return DISP_E_BADVARTYPE;

    std::array<void*, 33> fixedValues;
    std::vector<void*> manyValues;
    void** values = fixedValues.data();
    if (cActuals + 1 > fixedValues.size()) {
        manyValues.resize(cActuals + 1);
        values = manyValues.data();
    }
    UINT next = 0;
    if (pvInstance) values[next++] = &pvInstance;
    for (UINT index = 0; index < cActuals; ++index) {
        if (!prgpvarg[index]) return E_INVALIDARG;
        values[next++] = platform::automation::CallValueOf(prgpvarg[index], prgvt[index]);
    }
    auto function = pvInstance ? CallSignature::SlotOf(pvInstance, oVft) : reinterpret_cast<void (*)()>(oVft);
    signature.Call(function, values, pvargResult);
    return S_OK;
}
