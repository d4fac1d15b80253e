// Safe arrays. The descriptor keeps its bounds with the rightmost dimension first (rgsabound[0]), the
// order SafeArrayCreate reverses its argument into; elements are laid out with the leftmost index
// varying fastest, so SafeArrayRedim, which changes rgsabound[0], keeps the elements in place. Sixteen
// bytes before the descriptor hold the interface id of an interface array, or the element VARTYPE in
// their last four bytes.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/oleaut32/oleaut32_internal.h"

namespace {

constexpr std::size_t prefixSize = 16;
constexpr USHORT foreignData = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;

std::size_t DescriptorSize(UINT dimensions) {
    return prefixSize + sizeof(SAFEARRAY) + (dimensions - 1) * sizeof(SAFEARRAYBOUND);
}

char* PrefixOf(SAFEARRAY* array) {
    return reinterpret_cast<char*>(array) - prefixSize;
}

void StoreVartype(SAFEARRAY* array, VARTYPE vt) {
    DWORD stored = vt;
    std::memcpy(PrefixOf(array) + prefixSize - sizeof(DWORD), &stored, sizeof(DWORD));
}

// The number of elements, or nothing when it does not fit in memory.
bool ElementCount(const SAFEARRAY* array, std::size_t& count) {
    count = 1;
    for (USHORT dimension = 0; dimension < array->cDims; ++dimension) {
        ULONG elements = array->rgsabound[dimension].cElements;
        if (elements != 0 && count > std::numeric_limits<std::size_t>::max() / elements) return false;
        count *= elements;
    }
    if (array->cbElements != 0 && count > std::numeric_limits<std::size_t>::max() / array->cbElements) return false;
    return true;
}

std::size_t ElementCountOrZero(const SAFEARRAY* array) {
    std::size_t count = 0;
    return ElementCount(array, count) ? count : 0;
}

// Releases what the elements from `first` on own: strings, interfaces and VARIANTs.
void ReleaseElements(SAFEARRAY* array, std::size_t first, std::size_t end) {
    if (!array->pvData) return;
    char* data = static_cast<char*>(array->pvData);
    for (std::size_t index = first; index < end; ++index) {
        char* element = data + index * array->cbElements;
        if (array->fFeatures & FADF_BSTR) {
            BSTR text;
            std::memcpy(&text, element, sizeof(text));
            SysFreeString(text);
        } else if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
            IUnknown* object;
            std::memcpy(&object, element, sizeof(object));
            if (object) object->Release();
        } else if (array->fFeatures & FADF_VARIANT) {
            VariantClear(reinterpret_cast<VARIANT*>(element));
        }
        std::memset(element, 0, array->cbElements);
    }
}

// Copies one element into memory that holds none, giving the copy its own string, reference or VARIANT.
HRESULT CopyElement(const SAFEARRAY* array, const void* source, void* destination) {
    if (array->fFeatures & FADF_BSTR) {
        BSTR text;
        std::memcpy(&text, source, sizeof(text));
        BSTR copy = nullptr;
        if (text) {
            copy = SysAllocStringByteLen(reinterpret_cast<LPCSTR>(text), SysStringByteLen(text));
            if (!copy) return E_OUTOFMEMORY;
        }
        std::memcpy(destination, &copy, sizeof(copy));
        return S_OK;
    }
    if (array->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown* object;
        std::memcpy(&object, source, sizeof(object));
        if (object) object->AddRef();
        std::memcpy(destination, &object, sizeof(object));
        return S_OK;
    }
    if (array->fFeatures & FADF_VARIANT) {
        auto* copy = static_cast<VARIANT*>(destination);
        VariantInit(copy);
        return VariantCopy(copy, static_cast<const VARIANT*>(source));
    }
    std::memcpy(destination, source, array->cbElements);
    return S_OK;
}

// The offset of the element at the indices (leftmost dimension first), in elements.
HRESULT ElementOffset(const SAFEARRAY* array, const LONG* indices, std::size_t& offset) {
    offset = 0;
    std::size_t stride = 1;
    for (USHORT dimension = 0; dimension < array->cDims; ++dimension) {
        const SAFEARRAYBOUND& bound = array->rgsabound[array->cDims - 1 - dimension];
        long long position = static_cast<long long>(indices[dimension]) - bound.lLbound;
        if (position < 0 || position >= static_cast<long long>(bound.cElements)) return DISP_E_BADINDEX;
        offset += static_cast<std::size_t>(position) * stride;
        stride *= bound.cElements;
    }
    return S_OK;
}

}  // namespace

STDAPI SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut) {
    if (!ppsaOut) return E_POINTER;
    *ppsaOut = nullptr;
    if (cDims == 0 || cDims > 65535) return E_INVALIDARG;
    auto* block = static_cast<char*>(std::calloc(1, DescriptorSize(cDims)));
    if (!block) return E_OUTOFMEMORY;
    auto* array = reinterpret_cast<SAFEARRAY*>(block + prefixSize);
    array->cDims = static_cast<USHORT>(cDims);
    *ppsaOut = array;
    return S_OK;
}

STDAPI SafeArrayAllocData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    std::size_t count = 0;
    if (!ElementCount(psa, count)) return E_OUTOFMEMORY;
    void* data = std::calloc(count == 0 ? 1 : count, psa->cbElements == 0 ? 1 : psa->cbElements);
    if (!data) return E_OUTOFMEMORY;
    psa->pvData = data;
    return S_OK;
}

STDAPI_(SAFEARRAY*) SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
    ULONG elementSize = platform::automation::ElementSize(vt);
    if (elementSize == 0 || !rgsabound || cDims == 0) return nullptr;
    SAFEARRAY* array = nullptr;
    if (FAILED(SafeArrayAllocDescriptor(cDims, &array))) return nullptr;
    array->cbElements = elementSize;
    for (UINT dimension = 0; dimension < cDims; ++dimension) array->rgsabound[dimension] = rgsabound[cDims - 1 - dimension];
    switch (vt) {
        case VT_BSTR:
            array->fFeatures = FADF_BSTR | FADF_HAVEVARTYPE;
            break;
        case VT_VARIANT:
            array->fFeatures = FADF_VARIANT | FADF_HAVEVARTYPE;
            break;
        case VT_UNKNOWN:
            array->fFeatures = FADF_UNKNOWN | FADF_HAVEIID;
            std::memcpy(PrefixOf(array), &IID_IUnknown, sizeof(GUID));
            break;
        case VT_DISPATCH:
            array->fFeatures = FADF_DISPATCH | FADF_HAVEIID;
            std::memcpy(PrefixOf(array), &IID_IDispatch, sizeof(GUID));
            break;
        default:
            array->fFeatures = FADF_HAVEVARTYPE;
            break;
    }
    if (array->fFeatures & FADF_HAVEVARTYPE) StoreVartype(array, vt);
    if (FAILED(SafeArrayAllocData(array))) {
        SafeArrayDestroyDescriptor(array);
        return nullptr;
    }
    return array;
}

STDAPI_(SAFEARRAY*) SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
    SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

STDAPI SafeArrayDestroyData(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    ReleaseElements(psa, 0, ElementCountOrZero(psa));
    if (!(psa->fFeatures & foreignData)) {
        std::free(psa->pvData);
        psa->pvData = nullptr;
    }
    return S_OK;
}

STDAPI SafeArrayDestroyDescriptor(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    std::free(PrefixOf(psa));
    return S_OK;
}

STDAPI SafeArrayDestroy(SAFEARRAY* psa) {
    if (!psa) return S_OK;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    SafeArrayDestroyData(psa);
    return SafeArrayDestroyDescriptor(psa);
}

STDAPI SafeArrayLock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks >= 65535) return E_UNEXPECTED;
    ++psa->cLocks;
    return S_OK;
}

STDAPI SafeArrayUnlock(SAFEARRAY* psa) {
    if (!psa) return E_INVALIDARG;
    if (psa->cLocks == 0) return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

STDAPI SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
    if (!psa || !ppvData) return E_INVALIDARG;
    HRESULT result = SafeArrayLock(psa);
    *ppvData = SUCCEEDED(result) ? psa->pvData : nullptr;
    return result;
}

STDAPI SafeArrayUnaccessData(SAFEARRAY* psa) {
    return SafeArrayUnlock(psa);
}

STDAPI_(UINT) SafeArrayGetDim(SAFEARRAY* psa) {
    return psa ? psa->cDims : 0;
}

STDAPI_(UINT) SafeArrayGetElemsize(SAFEARRAY* psa) {
    return psa ? psa->cbElements : 0;
}

STDAPI SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
    if (!psa || !plLbound) return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
    *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
    return S_OK;
}

STDAPI SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
    if (!psa || !plUbound) return E_INVALIDARG;
    if (nDim == 0 || nDim > psa->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = psa->rgsabound[psa->cDims - nDim];
    *plUbound = static_cast<LONG>(static_cast<long long>(bound.lLbound) + bound.cElements - 1);
    return S_OK;
}

STDAPI SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
    if (!psa || !pvt) return E_INVALIDARG;
    if (psa->fFeatures & FADF_HAVEVARTYPE) {
        DWORD stored = 0;
        std::memcpy(&stored, PrefixOf(psa) + prefixSize - sizeof(DWORD), sizeof(DWORD));
        *pvt = static_cast<VARTYPE>(stored);
    } else if (psa->fFeatures & FADF_BSTR) {
        *pvt = VT_BSTR;
    } else if (psa->fFeatures & FADF_VARIANT) {
        *pvt = VT_VARIANT;
    } else if (psa->fFeatures & FADF_DISPATCH) {
        *pvt = VT_DISPATCH;
    } else if (psa->fFeatures & FADF_UNKNOWN) {
        *pvt = VT_UNKNOWN;
    } else if (psa->fFeatures & FADF_RECORD) {
        *pvt = VT_RECORD;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

STDAPI SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData) {
    if (!psa || !rgIndices || !ppvData) return E_INVALIDARG;
    std::size_t offset = 0;
    HRESULT result = ElementOffset(psa, rgIndices, offset);
    if (FAILED(result)) return result;
    *ppvData = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
    return S_OK;
}

STDAPI SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (!psa || !rgIndices || !pv) return E_INVALIDARG;
    void* element = nullptr;
    HRESULT result = SafeArrayPtrOfIndex(psa, rgIndices, &element);
    if (FAILED(result)) return result;
    SafeArrayLock(psa);
    result = CopyElement(psa, element, pv);
    SafeArrayUnlock(psa);
    return result;
}

// A string array takes the BSTR itself, an interface array the interface pointer, any other array a
// pointer to the value; the element's old contents are released.
STDAPI SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
    if (!psa || !rgIndices) return E_INVALIDARG;
    void* element = nullptr;
    HRESULT result = SafeArrayPtrOfIndex(psa, rgIndices, &element);
    if (FAILED(result)) return result;
    SafeArrayLock(psa);
    if (psa->fFeatures & FADF_VARIANT) {
        result = pv ? VariantCopy(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(pv)) : E_INVALIDARG;
    } else if (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) {
        void* copy = nullptr;
        result = CopyElement(psa, &pv, &copy);
        if (SUCCEEDED(result)) {
            std::size_t index = static_cast<std::size_t>(static_cast<char*>(element) - static_cast<char*>(psa->pvData)) /
                                psa->cbElements;
            ReleaseElements(psa, index, index + 1);
            std::memcpy(element, &copy, sizeof(copy));
        }
    } else if (pv) {
        std::memcpy(element, pv, psa->cbElements);
    } else {
        result = E_INVALIDARG;
    }
    SafeArrayUnlock(psa);
    return result;
}

STDAPI SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
    if (!psa || !psaboundNew) return E_INVALIDARG;
    if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    if (psa->fFeatures & (foreignData | FADF_FIXEDSIZE)) return DISP_E_ARRAYISLOCKED;
    std::size_t oldCount = ElementCountOrZero(psa);
    SAFEARRAYBOUND oldBound = psa->rgsabound[0];
    psa->rgsabound[0] = *psaboundNew;
    std::size_t newCount = 0;
    if (!ElementCount(psa, newCount)) {
        psa->rgsabound[0] = oldBound;
        return E_OUTOFMEMORY;
    }
    if (newCount < oldCount) ReleaseElements(psa, newCount, oldCount);
    std::size_t newBytes = newCount * psa->cbElements;
    void* data = std::realloc(psa->pvData, newBytes == 0 ? 1 : newBytes);
    if (!data) {
        psa->rgsabound[0] = oldBound;
        return E_OUTOFMEMORY;
    }
    if (newCount > oldCount)
        std::memset(static_cast<char*>(data) + oldCount * psa->cbElements, 0, (newCount - oldCount) * psa->cbElements);
    psa->pvData = data;
    return S_OK;
}

STDAPI SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
    if (!ppsaOut) return E_INVALIDARG;
    *ppsaOut = nullptr;
    if (!psa) return S_OK;
    SAFEARRAY* copy = nullptr;
    HRESULT result = SafeArrayAllocDescriptor(psa->cDims, &copy);
    if (FAILED(result)) return result;
    std::memcpy(PrefixOf(copy), PrefixOf(psa), DescriptorSize(psa->cDims));
    copy->fFeatures = psa->fFeatures & ~foreignData;
    copy->cLocks = 0;
    copy->pvData = nullptr;
    result = SafeArrayAllocData(copy);
    if (FAILED(result)) {
        SafeArrayDestroyDescriptor(copy);
        return result;
    }
    std::size_t count = psa->pvData ? ElementCountOrZero(psa) : 0;
    const char* source = static_cast<const char*>(psa->pvData);
    char* destination = static_cast<char*>(copy->pvData);
    for (std::size_t index = 0; index < count && SUCCEEDED(result); ++index)
        result = CopyElement(psa, source + index * psa->cbElements, destination + index * psa->cbElements);
    if (FAILED(result)) {
        SafeArrayDestroy(copy);
        return result;
    }
    *ppsaOut = copy;
    return S_OK;
}
