// The connection-point container of an object that fires no events: it has no connection points, so
// FindConnectionPoint answers CONNECT_E_NOCONNECTION and EnumConnectionPoints enumerates none.
#pragma once

#include "CComObject.h"
#include "CComObjectRootEx.h"
#include "olectl.h"

// The enumerator of an empty set of connection points.
class CComEnumNoConnectionPoints : public CComObjectRootEx<CComSingleThreadModel>, public IEnumConnectionPoints {
  public:
    BEGIN_COM_MAP(CComEnumNoConnectionPoints)
    COM_INTERFACE_ENTRY(IEnumConnectionPoints)
    END_COM_MAP()

    // Creates one and gives its IEnumConnectionPoints.
    static HRESULT Create(IEnumConnectionPoints** ppEnum) {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        CComObject<CComEnumNoConnectionPoints>* enumerator = nullptr;
        HRESULT hr = CComObject<CComEnumNoConnectionPoints>::CreateInstance(&enumerator);
        if (FAILED(hr)) return hr;
        hr = enumerator->QueryInterface(IID_IEnumConnectionPoints, reinterpret_cast<void**>(ppEnum));
        if (FAILED(hr)) delete enumerator;
        return hr;
    }

    STDMETHOD(Next)(ULONG cConnections, LPCONNECTIONPOINT* ppCP, ULONG* pcFetched) override {
        if (!ppCP || (cConnections != 1 && !pcFetched)) return E_POINTER;
        if (pcFetched) *pcFetched = 0;
        return cConnections == 0 ? S_OK : S_FALSE;
    }
    STDMETHOD(Skip)(ULONG cConnections) override { return cConnections == 0 ? S_OK : S_FALSE; }
    STDMETHOD(Reset)() override { return S_OK; }
    STDMETHOD(Clone)(IEnumConnectionPoints** ppEnum) override { return Create(ppEnum); }
};

template <class T>
class IConnectionPointContainerImpl : public IConnectionPointContainer {
  public:
    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) override {
        return CComEnumNoConnectionPoints::Create(ppEnum);
    }
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) override {
        (void)riid;
        if (!ppCP) return E_POINTER;
        *ppCP = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
};
