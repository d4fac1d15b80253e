// The root of every COM object class: the reference count (from 0), the outer unknown of an aggregated
// object, the final-construct and final-release steps, and QueryInterface over the class's COM map.
//
// A class lists its interfaces between BEGIN_COM_MAP and END_COM_MAP; the first entry is the object's
// IUnknown (its identity). COM_INTERFACE_ENTRY(I) names an interface whose id is IID_I;
// COM_INTERFACE_ENTRY2(I, Branch) an interface the class inherits more than once, reached through Branch;
// COM_INTERFACE_ENTRY_IID(iid, I) an interface under an id of the caller's choosing.
#pragma once

#include <cstdint>

#include "CComThreadModel.h"
#include "unknwn.h"

// One interface of a COM map: its id, and how the object's pointer becomes the interface's pointer.
struct _ATL_INTMAP_ENTRY {
    const IID* piid;  // null ends the map
    void* (*pfnCast)(void* pThis);
};

class CComObjectRootBase {
  public:
    // The steps a class may override: FinalConstruct after creation, before the first QueryInterface (a
    // failure destroys the object), FinalRelease before destruction.
    HRESULT FinalConstruct() { return S_OK; }
    void FinalRelease() {}
    // DECLARE_PROTECT_FINAL_CONSTRUCT makes these hold a reference during FinalConstruct.
    void InternalFinalConstructAddRef() {}
    void InternalFinalConstructRelease() {}
    void SetVoid(void*) {}
    // The per-class hook that the module runs at its start (true) and end (false).
    static void WINAPI ObjectMain(bool bStarting) { (void)bStarting; }

    // The interface of pThis that iid names, with a reference on it; E_NOINTERFACE when the map has none.
    static HRESULT WINAPI InternalQueryInterface(void* pThis, const _ATL_INTMAP_ENTRY* pEntries, REFIID iid,
                                                 void** ppvObject) {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        const _ATL_INTMAP_ENTRY* entry = pEntries;
        if (!IsEqualIID(iid, IID_IUnknown)) {
            while (entry->piid && !IsEqualIID(*entry->piid, iid)) ++entry;
            if (!entry->piid) return E_NOINTERFACE;
        }
        IUnknown* pUnknown = static_cast<IUnknown*>(entry->pfnCast(pThis));
        pUnknown->AddRef();
        *ppvObject = pUnknown;
        return S_OK;
    }

    // An aggregated object's calls to its outer unknown.
    ULONG OuterAddRef() { return m_pOuterUnknown->AddRef(); }
    ULONG OuterRelease() { return m_pOuterUnknown->Release(); }
    HRESULT OuterQueryInterface(REFIID iid, void** ppvObject) { return m_pOuterUnknown->QueryInterface(iid, ppvObject); }

    LONG m_dwRef = 0;
    IUnknown* m_pOuterUnknown = nullptr;
};

template <class ThreadModel>
class CComObjectRootEx : public CComObjectRootBase {
  public:
    using _ThreadModel = ThreadModel;
    using _CritSec = typename ThreadModel::AutoCriticalSection;

    ULONG InternalAddRef() { return ThreadModel::Increment(&m_dwRef); }
    ULONG InternalRelease() { return ThreadModel::Decrement(&m_dwRef); }
    // The object's own lock (none for the single-thread model).
    void Lock() { m_critsec.Lock(); }
    void Unlock() { m_critsec.Unlock(); }

  private:
    _CritSec m_critsec;
};

using CComObjectRoot = CComObjectRootEx<CComObjectThreadModel>;

// An object's reference count is set to this while it is destroyed, so that AddRef and Release pairs
// in FinalRelease cannot destroy it a second time.
inline constexpr LONG kComObjectDestroying = -(INT32_MAX / 2);

#define BEGIN_COM_MAP(x)                                                                              \
  public:                                                                                             \
    using _ComMapClass = x;                                                                           \
    HRESULT _InternalQueryInterface(REFIID iid, void** ppvObject) {                                   \
        return CComObjectRootBase::InternalQueryInterface(this, _GetEntries(), iid, ppvObject);       \
    }                                                                                                 \
    IUnknown* _GetRawUnknown() { return static_cast<IUnknown*>(_GetEntries()[0].pfnCast(this)); }     \
    IUnknown* GetControllingUnknown() { return m_pOuterUnknown ? m_pOuterUnknown : _GetRawUnknown(); } \
    static const _ATL_INTMAP_ENTRY* WINAPI _GetEntries() {                                            \
        static const _ATL_INTMAP_ENTRY _entries[] = {
#define COM_INTERFACE_ENTRY_IID(iid, x) \
    {&(iid), [](void* pThis) -> void* { return static_cast<x*>(static_cast<_ComMapClass*>(pThis)); }},
#define COM_INTERFACE_ENTRY(x) COM_INTERFACE_ENTRY_IID(IID_##x, x)
#define COM_INTERFACE_ENTRY2(x, x2)                                                     \
    {&IID_##x, [](void* pThis) -> void* {                                               \
         return static_cast<x*>(static_cast<x2*>(static_cast<_ComMapClass*>(pThis))); \
     }},
#define COM_INTERFACE_ENTRY2_IID(iid, x, x2)                                            \
    {&(iid), [](void* pThis) -> void* {                                                 \
         return static_cast<x*>(static_cast<x2*>(static_cast<_ComMapClass*>(pThis))); \
     }},
// The class's own IUnknown calls are its final class's (CComObject, CComAggObject...), declared here so
// that they are not ambiguous between the interfaces the class inherits.
#define END_COM_MAP()                                                     \
    {nullptr, nullptr}                                                    \
    }                                                                     \
    ;                                                                     \
    return _entries;                                                      \
    }                                                                     \
    STDMETHOD_(ULONG, AddRef)() = 0;                                      \
    STDMETHOD_(ULONG, Release)() = 0;                                     \
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) = 0;

#define DECLARE_PROTECT_FINAL_CONSTRUCT()                        \
    void InternalFinalConstructAddRef() { InternalAddRef(); }    \
    void InternalFinalConstructRelease() { InternalRelease(); }
