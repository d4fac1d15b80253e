// The final classes of a COM object that is not aggregated: CComObject<Base> counts on the module's lock
// for as long as it lives; CComObjectNoLock<Base> does not (class factories, which the module caches).
#pragma once

#include <new>

#include "CComModule.h"
#include "CComObjectRootEx.h"

template <class Base>
class CComObject : public Base {
  public:
    using _BaseClass = Base;
    explicit CComObject(void* pv = nullptr) {
        (void)pv;
        _Module.Lock();
    }
    virtual ~CComObject() {
        this->m_dwRef = kComObjectDestroying;
        this->FinalRelease();
        _Module.Unlock();
    }

    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG count = this->InternalRelease();
        if (count == 0) delete this;
        return count;
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) override {
        return this->_InternalQueryInterface(iid, ppvObject);
    }

    // An object created inside the server: FinalConstruct has run and the count is 0, so the caller's
    // first QueryInterface or AddRef takes it to 1. A failing FinalConstruct destroys the object.
    static HRESULT WINAPI CreateInstance(CComObject<Base>** pp) {
        if (!pp) return E_POINTER;
        *pp = nullptr;
        CComObject<Base>* p = new (std::nothrow) CComObject<Base>();
        if (!p) return E_OUTOFMEMORY;
        p->SetVoid(nullptr);
        p->InternalFinalConstructAddRef();
        HRESULT hr = p->FinalConstruct();
        p->InternalFinalConstructRelease();
        if (FAILED(hr)) {
            delete p;
            return hr;
        }
        *pp = p;
        return S_OK;
    }
};

template <class Base>
class CComObjectNoLock : public Base {
  public:
    using _BaseClass = Base;
    explicit CComObjectNoLock(void* pv = nullptr) { (void)pv; }
    virtual ~CComObjectNoLock() {
        this->m_dwRef = kComObjectDestroying;
        this->FinalRelease();
    }

    STDMETHOD_(ULONG, AddRef)() override { return this->InternalAddRef(); }
    STDMETHOD_(ULONG, Release)() override {
        ULONG count = this->InternalRelease();
        if (count == 0) delete this;
        return count;
    }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) override {
        return this->_InternalQueryInterface(iid, ppvObject);
    }
};
