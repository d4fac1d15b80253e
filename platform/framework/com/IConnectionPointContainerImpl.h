// The connection-point container of an object: one connection point for each outgoing interface the class
// names, IConnectionPointContainerImpl<T, &DIID_Events...>. A class that names none fires no events: its
// FindConnectionPoint answers CONNECT_E_NOCONNECTION and EnumConnectionPoints enumerates none.
//
// A connection point lives inside its container and counts on the container's reference count, so a
// sink's reference to the point keeps the whole object alive. Advise asks the sink for the outgoing
// interface; the object fires an event by calling each of Connections() in turn.
#pragma once

#include <array>
#include <vector>

#include "CComObject.h"
#include "CComObjectRootEx.h"
#include "CComPtr.h"
#include "olectl.h"

// The enumerator of a container's connection points, holding a reference on each.
class CComEnumConnectionPoints : public CComObjectRootEx<CComSingleThreadModel>, public IEnumConnectionPoints {
  public:
    BEGIN_COM_MAP(CComEnumConnectionPoints)
    COM_INTERFACE_ENTRY(IEnumConnectionPoints)
    END_COM_MAP()

    // Creates one over the points (from the position given) and gives its IEnumConnectionPoints.
    static HRESULT Create(const std::vector<IConnectionPoint*>& points, size_t position, IEnumConnectionPoints** ppEnum) {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        CComObject<CComEnumConnectionPoints>* enumerator = nullptr;
        HRESULT hr = CComObject<CComEnumConnectionPoints>::CreateInstance(&enumerator);
        if (FAILED(hr)) return hr;
        for (IConnectionPoint* point : points) enumerator->m_points.emplace_back(point);
        enumerator->m_position = position;
        hr = enumerator->QueryInterface(IID_IEnumConnectionPoints, reinterpret_cast<void**>(ppEnum));
        if (FAILED(hr)) delete enumerator;
        return hr;
    }

    STDMETHOD(Next)(ULONG cConnections, LPCONNECTIONPOINT* ppCP, ULONG* pcFetched) override {
        if (!ppCP || (cConnections != 1 && !pcFetched)) return E_POINTER;
        ULONG fetched = 0;
        while (fetched < cConnections && m_position < m_points.size()) {
            ppCP[fetched] = m_points[m_position++].p;
            ppCP[fetched]->AddRef();
            ++fetched;
        }
        if (pcFetched) *pcFetched = fetched;
        return fetched == cConnections ? S_OK : S_FALSE;
    }
    STDMETHOD(Skip)(ULONG cConnections) override {
        size_t left = m_points.size() - m_position;
        m_position += cConnections < left ? cConnections : left;
        return cConnections <= left ? S_OK : S_FALSE;
    }
    STDMETHOD(Reset)() override {
        m_position = 0;
        return S_OK;
    }
    STDMETHOD(Clone)(IEnumConnectionPoints** ppEnum) override {
        std::vector<IConnectionPoint*> points;
        for (const CComPtr<IConnectionPoint>& point : m_points) points.push_back(point.p);
        return Create(points, m_position, ppEnum);
    }

  private:
    std::vector<CComPtr<IConnectionPoint>> m_points;
    size_t m_position = 0;
};

// One outgoing interface's connection point: the sinks advised on it, by cookie (from 1).
class CComConnectionPoint : public IConnectionPoint {
  public:
    CComConnectionPoint(IConnectionPointContainer* container, const IID* piid) : m_container(container), m_piid(piid) {}
    ~CComConnectionPoint() {
        for (Connection& connection : m_connections) connection.sink->Release();
    }
    CComConnectionPoint(const CComConnectionPoint&) = delete;
    CComConnectionPoint& operator=(const CComConnectionPoint&) = delete;

    const IID& ConnectionInterface() const { return *m_piid; }
    // The advised sinks' outgoing interfaces, each with a reference, so that a sink that unadvises while an
    // event is fired stays valid until the firing is done.
    std::vector<CComPtr<IUnknown>> Connections() const {
        std::vector<CComPtr<IUnknown>> sinks;
        for (const Connection& connection : m_connections) sinks.emplace_back(connection.sink);
        return sinks;
    }

    STDMETHOD_(ULONG, AddRef)() override { return m_container->AddRef(); }
    STDMETHOD_(ULONG, Release)() override { return m_container->Release(); }
    STDMETHOD(QueryInterface)(REFIID iid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IConnectionPoint)) return E_NOINTERFACE;
        *ppvObject = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }

    STDMETHOD(GetConnectionInterface)(IID* pIID) override {
        if (!pIID) return E_POINTER;
        *pIID = *m_piid;
        return S_OK;
    }
    STDMETHOD(GetConnectionPointContainer)(IConnectionPointContainer** ppCPC) override {
        if (!ppCPC) return E_POINTER;
        m_container->AddRef();
        *ppCPC = m_container;
        return S_OK;
    }
    STDMETHOD(Advise)(IUnknown* pUnkSink, DWORD* pdwCookie) override {
        if (!pUnkSink || !pdwCookie) return E_POINTER;
        *pdwCookie = 0;
        IUnknown* sink = nullptr;
        if (FAILED(pUnkSink->QueryInterface(*m_piid, reinterpret_cast<void**>(&sink))) || !sink)
            return CONNECT_E_CANNOTCONNECT;
        m_connections.push_back({m_nextCookie, sink});
        *pdwCookie = m_nextCookie++;
        return S_OK;
    }
    STDMETHOD(Unadvise)(DWORD dwCookie) override {
        for (auto connection = m_connections.begin(); connection != m_connections.end(); ++connection) {
            if (connection->cookie != dwCookie) continue;
            IUnknown* sink = connection->sink;
            m_connections.erase(connection);
            sink->Release();
            return S_OK;
        }
        return CONNECT_E_NOCONNECTION;
    }
    STDMETHOD(EnumConnections)(IEnumConnections** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        return E_NOTIMPL;
    }

  private:
    struct Connection {
        DWORD cookie;
        IUnknown* sink;
    };
    IConnectionPointContainer* m_container;
    const IID* m_piid;
    std::vector<Connection> m_connections;
    DWORD m_nextCookie = 1;
};

template <class T, const IID*... piids>
class IConnectionPointContainerImpl : public IConnectionPointContainer {
  public:
    IConnectionPointContainerImpl() : m_points{CComConnectionPoint(this, piids)...} {}

    STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints** ppEnum) override {
        std::vector<IConnectionPoint*> points;
        for (CComConnectionPoint& point : m_points) points.push_back(&point);
        return CComEnumConnectionPoints::Create(points, 0, ppEnum);
    }
    STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint** ppCP) override {
        if (!ppCP) return E_POINTER;
        *ppCP = nullptr;
        CComConnectionPoint* point = ConnectionPoint(riid);
        if (!point) return CONNECT_E_NOCONNECTION;
        point->AddRef();
        *ppCP = point;
        return S_OK;
    }

  protected:
    // The connection point of an outgoing interface the class names, else null.
    CComConnectionPoint* ConnectionPoint(REFIID riid) {
        for (CComConnectionPoint& point : m_points) {
            if (IsEqualIID(point.ConnectionInterface(), riid)) return &point;
        }
        return nullptr;
    }

  private:
    std::array<CComConnectionPoint, sizeof...(piids)> m_points;
};
