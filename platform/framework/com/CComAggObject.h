// Aggregation: CComAggObject<contained> is an object whose interfaces belong to an outer object. Its own
// IUnknown (the one the outer object keeps) counts and answers for it; the interfaces of the contained
// class (CComContainedObject) pass AddRef, Release and QueryInterface to the outer unknown.
#pragma once

#include <new>

#include "CComModule.h"
#include "CComObjectRootEx.h"

template <class Base>
class CComContainedObject : public Base {
  public:
    explicit CComContainedObject(void* pv) { this->m_pOuterUnknown = static_cast<IUnknown*>(pv); }

    STDMETHOD_(ULONG, AddRef)() override { return this->OuterAddRef(); }
    STDMETHOD_(ULONG, Release)() override { return this->OuterRelease(); }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) override {
        return this->OuterQueryInterface(iid, ppvObject);
    }
    IUnknown* GetControllingUnknown() { return this->m_pOuterUnknown; }
};

template <class contained>
class CComAggObject : public IUnknown,
                      public CComObjectRootEx<typename contained::_ThreadModel::ThreadModelNoCS> {
  public:
    explicit CComAggObject(void* pv) : m_contained(pv) { _Module.Lock(); }
    virtual ~CComAggObject() {
        this->m_dwRef = kComObjectDestroying;
        m_contained.FinalRelease();
        _Module.Unlock();
    }

    // The contained class's FinalConstruct, with a reference held on the inner unknown meanwhile.
    HRESULT FinalConstruct() {
        this->InternalAddRef();
        HRESULT hr = m_contained.FinalConstruct();
        this->InternalRelease();
        return hr;
    }

    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG count = this->InternalRelease();
        if (count == 0) delete this;
        return count;
    }
    // IUnknown is the inner unknown itself; every other interface is the contained class's.
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *ppvObject = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained._InternalQueryInterface(iid, ppvObject);
    }

    CComContainedObject<contained> m_contained;
};

// An object that is aggregated when created with an outer unknown and stands alone otherwise (then its
// contained part's outer unknown is this object's own).
template <class contained>
class CComPolyObject : public IUnknown,
                       public CComObjectRootEx<typename contained::_ThreadModel::ThreadModelNoCS> {
  public:
    explicit CComPolyObject(void* pv) : m_contained(pv ? pv : static_cast<IUnknown*>(this)) { _Module.Lock(); }
    virtual ~CComPolyObject() {
        this->m_dwRef = kComObjectDestroying;
        m_contained.FinalRelease();
        _Module.Unlock();
    }

    HRESULT FinalConstruct() {
        this->InternalAddRef();
        HRESULT hr = m_contained.FinalConstruct();
        this->InternalRelease();
        return hr;
    }

    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG count = this->InternalRelease();
        if (count == 0) delete this;
        return count;
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *ppvObject = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return m_contained._InternalQueryInterface(iid, ppvObject);
    }

    CComContainedObject<contained> m_contained;
};
