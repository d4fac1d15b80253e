// The standard class factory of one class: CreateInstance through the creator the object map gives it,
// LockServer through the module's lock count.
#pragma once

#include "CComCreator.h"
#include "CComModule.h"
#include "CComObject.h"
#include "CComObjectRootEx.h"

class CComClassFactory : public IClassFactory, public CComObjectRootEx<CComGlobalsThreadModel> {
  public:
    BEGIN_COM_MAP(CComClassFactory)
    COM_INTERFACE_ENTRY(IClassFactory)
    END_COM_MAP()

    // An outer unknown asks for an aggregated object, which must be asked for its IUnknown; whether the
    // class allows aggregation is its creator's answer (CLASS_E_NOAGGREGATION when it does not).
    STDMETHOD(CreateInstance)(LPUNKNOWN pUnkOuter, REFIID riid, void** ppvObj) override {
        if (!ppvObj) return E_POINTER;
        *ppvObj = nullptr;
        if (pUnkOuter && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
        if (!m_pfnCreateInstance) return E_FAIL;
        return m_pfnCreateInstance(pUnkOuter, riid, ppvObj);
    }
    STDMETHOD(LockServer)(BOOL fLock) override {
        if (fLock)
            _Module.Lock();
        else
            _Module.Unlock();
        return S_OK;
    }

    // The object map hands the class's creator to the factory's creation as pv.
    void SetVoid(void* pv) { m_pfnCreateInstance = reinterpret_cast<_ATL_CREATORFUNC*>(pv); }

    _ATL_CREATORFUNC* m_pfnCreateInstance = nullptr;
};

#define DECLARE_CLASSFACTORY_EX(cf) typedef CComCreator<CComObjectNoLock<cf>> _ClassFactoryCreatorClass;
#define DECLARE_CLASSFACTORY() DECLARE_CLASSFACTORY_EX(CComClassFactory)
