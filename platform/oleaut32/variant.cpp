// VariantInit, VariantClear, VariantCopy and VariantCopyInd: a VARIANT owns its BSTR, its array and a
// reference to its interface; a VT_BYREF VARIANT owns nothing.
#include <cstring>

#include "platform/oleaut32/oleaut32_internal.h"

namespace platform::automation {

namespace {

bool ValidBaseType(VARTYPE base) {
    switch (base) {
        case VT_EMPTY:
        case VT_NULL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_VARIANT:
        case VT_UNKNOWN:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
        case VT_RECORD:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool ValidVariantType(VARTYPE vt) {
    if (vt & (VT_VECTOR | VT_RESERVED)) return false;
    VARTYPE base = vt & VT_TYPEMASK;
    if (!ValidBaseType(base)) return false;
    bool reference = (vt & VT_BYREF) != 0;
    bool array = (vt & VT_ARRAY) != 0;
    // A VARIANT holds a VARIANT only by reference or in an array; empty and null are values only.
    if (base == VT_VARIANT && !reference && !array) return false;
    if ((base == VT_EMPTY || base == VT_NULL) && (reference || array)) return false;
    return true;
}

HRESULT Dereference(const VARIANT& source, VARIANT& borrowed) {
    if (!(source.vt & VT_BYREF)) {
        borrowed = source;
        return S_OK;
    }
    if (!source.byref) return E_INVALIDARG;
    VARTYPE vt = source.vt & ~VT_BYREF;
    VariantInit(&borrowed);
    if (vt == VT_VARIANT) {
        const VARIANT& inner = *source.pvarVal;
        if (inner.vt == (VT_VARIANT | VT_BYREF)) return E_INVALIDARG;
        borrowed = inner;
        return S_OK;
    }
    borrowed.vt = vt;
    if (vt & VT_ARRAY) {
        borrowed.parray = *source.pparray;
        return S_OK;
    }
    if (vt == VT_DECIMAL) {
        // The DECIMAL fills the whole VARIANT, over the type field, which is written back after.
        std::memcpy(&borrowed.decVal, source.pdecVal, sizeof(DECIMAL));
        borrowed.vt = VT_DECIMAL;
        return S_OK;
    }
    ULONG size = ElementSize(vt);
    if (size == 0) return DISP_E_BADVARTYPE;
    std::memcpy(&borrowed.llVal, source.byref, size);
    return S_OK;
}

ULONG ElementSize(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_R4:
        case VT_ERROR:
            return 4;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_CY:
        case VT_DATE:
            return 8;
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return sizeof(void*);
        case VT_DECIMAL:
            return sizeof(DECIMAL);
        case VT_VARIANT:
            return sizeof(VARIANT);
        default:
            return 0;
    }
}

}  // namespace platform::automation

using platform::automation::ValidVariantType;

STDAPI_(void) VariantInit(VARIANTARG* pvarg) {
    pvarg->vt = VT_EMPTY;
}

STDAPI VariantClear(VARIANTARG* pvarg) {
    if (!pvarg) return E_INVALIDARG;
    if (!ValidVariantType(pvarg->vt)) return DISP_E_BADVARTYPE;
    if (!(pvarg->vt & VT_BYREF)) {
        if (pvarg->vt & VT_ARRAY) {
            HRESULT result = SafeArrayDestroy(pvarg->parray);
            if (FAILED(result)) return result;
        } else if (pvarg->vt == VT_BSTR) {
            SysFreeString(pvarg->bstrVal);
        } else if (pvarg->vt == VT_DISPATCH || pvarg->vt == VT_UNKNOWN) {
            if (pvarg->punkVal) pvarg->punkVal->Release();
        } else if (pvarg->vt == VT_RECORD) {
            return DISP_E_BADVARTYPE;
        }
    }
    pvarg->vt = VT_EMPTY;
    return S_OK;
}

namespace {

// Copies the value into a destination that holds nothing.
HRESULT CopyInto(VARIANT& destination, const VARIANT& source) {
    if (source.vt == VT_RECORD) return DISP_E_BADVARTYPE;
    VARIANT copy = source;
    if (!(source.vt & VT_BYREF)) {
        if (source.vt & VT_ARRAY) {
            HRESULT result = SafeArrayCopy(source.parray, &copy.parray);
            if (FAILED(result)) return result;
        } else if (source.vt == VT_BSTR && source.bstrVal) {
            copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(source.bstrVal),
                                                 SysStringByteLen(source.bstrVal));
            if (!copy.bstrVal) return E_OUTOFMEMORY;
        } else if ((source.vt == VT_DISPATCH || source.vt == VT_UNKNOWN) && source.punkVal) {
            source.punkVal->AddRef();
        }
    }
    destination = copy;
    return S_OK;
}

}  // namespace

STDAPI VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
    if (!pvargDest || !pvargSrc) return E_INVALIDARG;
    if (pvargDest == pvargSrc) return S_OK;
    if (!ValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    HRESULT result = VariantClear(pvargDest);
    if (FAILED(result)) return result;
    return CopyInto(*pvargDest, *pvargSrc);
}

STDAPI VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
    if (!pvarDest || !pvargSrc) return E_INVALIDARG;
    if (!ValidVariantType(pvargSrc->vt)) return DISP_E_BADVARTYPE;
    if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
    VARIANT borrowed;
    HRESULT result = platform::automation::Dereference(*pvargSrc, borrowed);
    if (FAILED(result)) return result;
    VARIANT copy;
    VariantInit(&copy);
    result = CopyInto(copy, borrowed);
    if (FAILED(result)) return result;
    // The source may be the destination: it is cleared only once the copy is made.
    result = VariantClear(pvarDest);
    if (FAILED(result)) {
        VariantClear(&copy);
        return result;
    }
    *pvarDest = copy;
    return S_OK;
}
