// The base of every collection class of the server: the items, in insertion order, each a VARIANT of
// type VT_DISPATCH holding one reference to the element's dual interface, and the three members every
// collection's dual interface begins with, Item (1-based), _NewEnum and Count.
//
// The enumerator _NewEnum hands out holds a reference on the collection and reads its live array at each
// call through an index checked against the array's length, so it sees items appended after it was made
// and never reads freed storage when the collection is emptied or rebuilt.
#pragma once

#include <vector>

#include "CComEnum.h"
#include "KenroObject.h"

namespace diagnostics {

using DispatchEnumerator = CComEnum<IEnumVARIANT, &IID_IEnumVARIANT, VARIANT, _Copy<VARIANT>>;

template <class Class, const CLSID* classId, class DualInterface, const IID* interfaceId>
class DispatchCollection : public KenroObject<Class, classId, DualInterface, interfaceId> {
  public:
    void FinalRelease() { RemoveAll(); }

    // The array's copy of the element holds a reference of its own.
    HRESULT Append(IDispatch* element) {
        if (!element) return E_INVALIDARG;
        VARIANT item;
        VariantInit(&item);
        item.vt = VT_DISPATCH;
        item.pdispVal = element;
        element->AddRef();
        m_items.push_back(item);
        return S_OK;
    }

    // Releases every element and leaves the array empty.
    void RemoveAll() {
        for (VARIANT& item : m_items) VariantClear(&item);
        m_items.clear();
    }

    // An index of 0 or less gives the first item; past the last, or on an empty collection, E_FAIL and
    // pVal untouched.
    STDMETHOD(get_Item)(LONG Index, VARIANT* pVal) override {
        KENRO_REQUIRE_POINTER(pVal);
        size_t position = Index > 1 ? static_cast<size_t>(Index) - 1 : 0;
        if (position >= m_items.size()) return E_FAIL;
        VariantInit(pVal);
        return VariantCopy(pVal, &m_items[position]);
    }

    STDMETHOD(get__NewEnum)(IUnknown** pVal) override {
        KENRO_REQUIRE_POINTER(pVal);
        *pVal = nullptr;
        CComObject<DispatchEnumerator>* enumerator = nullptr;
        HRESULT hr = CComObject<DispatchEnumerator>::CreateInstance(&enumerator);
        if (FAILED(hr)) return hr;
        enumerator->Init(static_cast<Class*>(this)->GetControllingUnknown(), &m_items);
        hr = enumerator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
        if (FAILED(hr)) delete enumerator;
        return hr;
    }

    STDMETHOD(get_Count)(LONG* pVal) override {
        KENRO_REQUIRE_POINTER(pVal);
        *pVal = static_cast<LONG>(m_items.size());
        return S_OK;
    }

  protected:
    std::vector<VARIANT> m_items;
};

}  // namespace diagnostics
