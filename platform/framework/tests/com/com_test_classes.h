// Small COM classes for the framework's tests: a counter interface, a creatable class that records its
// life, and helpers to count live objects.
#pragma once

#include <string>
#include <vector>

#include "CComCoClass.h"
#include "CComObjectRootEx.h"
#include "IConnectionPointContainerImpl.h"
#include "ISupportErrorInfoImpl.h"

DEFINE_GUID(IID_ICounter, 0x5C0F0001, 0x0000, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);
DEFINE_GUID(IID_INamed, 0x5C0F0002, 0x0000, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);
DEFINE_GUID(CLSID_Counter, 0x5C0F0101, 0x0000, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);
DEFINE_GUID(CLSID_LoneCounter, 0x5C0F0102, 0x0000, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);
DEFINE_GUID(CLSID_FailingCounter, 0x5C0F0103, 0x0000, 0x4000, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01);

struct ICounter : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Increment(LONG* pValue) = 0;
};

struct INamed : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Name(const char** ppName) = 0;
};

// What the test classes did, in order: "construct", "final construct", "query", "final release",
// "destroy", "start", "end".
inline std::vector<std::string>& Events() {
    static std::vector<std::string> events;
    return events;
}

// The outcome FinalConstruct gives, set by a test.
inline HRESULT& FinalConstructResult() {
    static HRESULT result = S_OK;
    return result;
}

template <class Derived, const CLSID* pclsid>
class CCounterBase : public CComObjectRootEx<CComSingleThreadModel>,
                     public CComCoClass<Derived, pclsid>,
                     public ICounter,
                     public INamed,
                     public ISupportErrorInfoImpl<&IID_ICounter>,
                     public IConnectionPointContainerImpl<Derived> {
  public:
    CCounterBase() { Events().push_back("construct"); }
    ~CCounterBase() { Events().push_back("destroy"); }

    HRESULT FinalConstruct() {
        Events().push_back("final construct");
        return FinalConstructResult();
    }
    void FinalRelease() { Events().push_back("final release"); }
    static void WINAPI ObjectMain(bool bStarting) { Events().push_back(bStarting ? "start" : "end"); }

    STDMETHOD(Increment)(LONG* pValue) override {
        if (!pValue) return E_POINTER;
        *pValue = ++m_value;
        return S_OK;
    }
    STDMETHOD(Name)(const char** ppName) override {
        *ppName = "counter";
        return S_OK;
    }

    LONG m_value = 0;
};

class CCounter : public CCounterBase<CCounter, &CLSID_Counter> {
  public:
    DECLARE_NO_REGISTRY()
    DECLARE_PROTECT_FINAL_CONSTRUCT()
    BEGIN_COM_MAP(CCounter)
    COM_INTERFACE_ENTRY(ICounter)
    COM_INTERFACE_ENTRY(INamed)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    END_COM_MAP()
};

class CLoneCounter : public CCounterBase<CLoneCounter, &CLSID_LoneCounter> {
  public:
    DECLARE_NO_REGISTRY()
    DECLARE_NOT_AGGREGATABLE(CLoneCounter)
    BEGIN_COM_MAP(CLoneCounter)
    COM_INTERFACE_ENTRY(ICounter)
    END_COM_MAP()
};

// A class created only inside the server.
class CCounterPart : public CComObjectRootEx<CComSingleThreadModel>, public ICounter {
  public:
    static void WINAPI ObjectMain(bool bStarting) { Events().push_back(bStarting ? "part start" : "part end"); }
    BEGIN_COM_MAP(CCounterPart)
    COM_INTERFACE_ENTRY(ICounter)
    END_COM_MAP()
    STDMETHOD(Increment)(LONG* pValue) override {
        *pValue = 0;
        return S_OK;
    }
};

// An outer object for aggregation: its own count, and the inner unknown it owns.
class OuterObject : public IUnknown {
  public:
    STDMETHOD(QueryInterface)(REFIID iid, void** ppv) override {
        if (IsEqualIID(iid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        ++delegatedQueries;
        return inner ? inner->QueryInterface(iid, ppv) : E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++count); }
    STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(--count); }

    LONG count = 1;
    int delegatedQueries = 0;
    IUnknown* inner = nullptr;
};
