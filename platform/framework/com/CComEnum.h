// An enumerator over a collection's live array: it holds a reference on the collection (the owner of the
// array) and reads the array at every call, so items appended after it was made are seen. Its position is
// an index, checked against the array's length at each call, so a collection that empties or rebuilds its
// array never makes it read freed storage.
//
//   using CComEnumVariant = CComEnum<IEnumVARIANT, &IID_IEnumVARIANT, VARIANT, _Copy<VARIANT>>;
#pragma once

#include <vector>

#include "CComObject.h"
#include "CComObjectRootEx.h"
#include "oleauto.h"

template <class T>
struct _Copy;

template <>
struct _Copy<VARIANT> {
    static HRESULT copy(VARIANT* p1, const VARIANT* p2) { return VariantCopy(p1, p2); }
    static void init(VARIANT* p) { VariantInit(p); }
    static void destroy(VARIANT* p) { VariantClear(p); }
};

template <class Base, const IID* piid, class T, class Copy>
class CComEnum : public CComObjectRootEx<CComSingleThreadModel>, public Base {
  public:
    BEGIN_COM_MAP(CComEnum)
    COM_INTERFACE_ENTRY_IID(*piid, Base)
    END_COM_MAP()

    // pUnkOwner keeps the array alive for as long as the enumerator; it gets a reference of ours.
    HRESULT Init(IUnknown* pUnkOwner, const std::vector<T>* items) {
        if (pUnkOwner) pUnkOwner->AddRef();
        if (m_pUnkOwner) m_pUnkOwner->Release();
        m_pUnkOwner = pUnkOwner;
        m_items = items;
        m_position = 0;
        return S_OK;
    }
    void FinalRelease() {
        if (m_pUnkOwner) m_pUnkOwner->Release();
        m_pUnkOwner = nullptr;
    }

    // Copies up to celt items from the current position; S_FALSE when fewer were left. A copy that fails
    // clears those already copied by this call, leaves the position as it was, and is the result.
    STDMETHOD(Next)(ULONG celt, T* rgelt, ULONG* pceltFetched) override {
        if (!rgelt || (celt != 1 && !pceltFetched)) return E_POINTER;
        if (!m_items) return E_FAIL;
        ULONG fetched = 0;
        while (fetched < celt && m_position < m_items->size()) {
            Copy::init(&rgelt[fetched]);
            HRESULT hr = Copy::copy(&rgelt[fetched], &(*m_items)[m_position]);
            if (FAILED(hr)) {
                for (ULONG index = 0; index < fetched; ++index) Copy::destroy(&rgelt[index]);
                m_position -= fetched;
                if (pceltFetched) *pceltFetched = 0;
                return hr;
            }
            ++fetched;
            ++m_position;
        }
        if (pceltFetched) *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    STDMETHOD(Skip)(ULONG celt) override {
        if (!m_items) return E_FAIL;
        size_t left = m_position < m_items->size() ? m_items->size() - m_position : 0;
        if (celt > left) {
            m_position = m_items->size();
            return S_FALSE;
        }
        m_position += celt;
        return S_OK;
    }
    STDMETHOD(Reset)() override {
        if (!m_items) return E_FAIL;
        m_position = 0;
        return S_OK;
    }
    // Another enumerator on the same array, at the same position.
    STDMETHOD(Clone)(Base** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        CComObject<CComEnum>* copy = nullptr;
        HRESULT hr = CComObject<CComEnum>::CreateInstance(&copy);
        if (FAILED(hr)) return hr;
        copy->Init(m_pUnkOwner, m_items);
        copy->m_position = m_position;
        hr = copy->QueryInterface(*piid, reinterpret_cast<void**>(ppEnum));
        if (FAILED(hr)) delete copy;
        return hr;
    }

  private:
    IUnknown* m_pUnkOwner = nullptr;
    const std::vector<T>* m_items = nullptr;
    size_t m_position = 0;
};
