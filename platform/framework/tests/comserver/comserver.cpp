// The test server: a regular library on the framework (its own application object, which starts and
// stops the COM module), one creatable class, a collection and its items, the four exports, and its
// registry script in resource IDR_THING. ExitInstance counts the library's detaches in the process's
// environment (which outlives the library) as COMSERVER_DETACHES.
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "AFX_MODULE_STATE.h"
#include "CComBSTR.h"
#include "CComCoClass.h"
#include "CComEnum.h"
#include "CComModule.h"
#include "CComObject.h"
#include "IConnectionPointContainerImpl.h"
#include "IDispatchImpl.h"
#include "ISupportErrorInfoImpl.h"
#include "comserver.h"
#include "framework.h"
#include "olectl.h"
#include "resource.h"

CComModule _Module;

namespace {

// What Fail returns, with the reason as the error description.
constexpr HRESULT kThingFailure = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x201);

using CComEnumVariant = CComEnum<IEnumVARIANT, &IID_IEnumVARIANT, VARIANT, _Copy<VARIANT>>;

class CThingItem : public CComObjectRootEx<CComSingleThreadModel>,
                   public IDispatchImpl<IThingItem, &IID_IThingItem, &LIBID_ComServerLib> {
  public:
    BEGIN_COM_MAP(CThingItem)
    COM_INTERFACE_ENTRY(IThingItem)
    COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    STDMETHOD(get_Value)(LONG* pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = m_value;
        return S_OK;
    }

    LONG m_value = 0;
};

// A collection: items in insertion order, each a VT_DISPATCH holding one reference; Item is 1-based,
// and an index of 0 or less gives the first item.
class CThings : public CComObjectRootEx<CComSingleThreadModel>,
                public IDispatchImpl<IThings, &IID_IThings, &LIBID_ComServerLib> {
  public:
    BEGIN_COM_MAP(CThings)
    COM_INTERFACE_ENTRY(IThings)
    COM_INTERFACE_ENTRY(IDispatch)
    END_COM_MAP()

    void FinalRelease() {
        for (VARIANT& item : m_items) VariantClear(&item);
        m_items.clear();
    }

    HRESULT Append(IDispatch* element) {
        VARIANT item;
        VariantInit(&item);
        item.vt = VT_DISPATCH;
        item.pdispVal = element;
        element->AddRef();
        m_items.push_back(item);
        return S_OK;
    }

    STDMETHOD(get_Item)(LONG Index, VARIANT* pVal) override {
        if (!pVal) return E_POINTER;
        size_t position = Index > 1 ? static_cast<size_t>(Index - 1) : 0;
        if (position >= m_items.size()) return E_FAIL;
        return VariantCopy(pVal, &m_items[position]);
    }
    STDMETHOD(get__NewEnum)(IUnknown** pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = nullptr;
        CComObject<CComEnumVariant>* enumerator = nullptr;
        HRESULT hr = CComObject<CComEnumVariant>::CreateInstance(&enumerator);
        if (FAILED(hr)) return hr;
        enumerator->Init(GetControllingUnknown(), &m_items);
        hr = enumerator->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(pVal));
        if (FAILED(hr)) delete enumerator;
        return hr;
    }
    STDMETHOD(get_Count)(LONG* pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = static_cast<LONG>(m_items.size());
        return S_OK;
    }

  private:
    std::vector<VARIANT> m_items;
};

class CThing : public CComObjectRootEx<CComSingleThreadModel>,
               public CComCoClass<CThing, &CLSID_Thing>,
               public ISupportErrorInfoImpl<&IID_IThing>,
               public IConnectionPointContainerImpl<CThing>,
               public IDispatchImpl<IThing, &IID_IThing, &LIBID_ComServerLib> {
  public:
    DECLARE_REGISTRY_RESOURCEID(IDR_THING)
    DECLARE_PROTECT_FINAL_CONSTRUCT()
    BEGIN_COM_MAP(CThing)
    COM_INTERFACE_ENTRY(IThing)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    END_COM_MAP()

    HRESULT FinalConstruct() {
        m_name = u"unnamed";
        return m_name ? S_OK : E_OUTOFMEMORY;
    }

    STDMETHOD(get_Name)(BSTR* pVal) override {
        if (!pVal) return E_POINTER;
        return m_name.CopyTo(pVal);
    }
    STDMETHOD(put_Name)(BSTR newVal) override {
        m_name = newVal;
        return S_OK;
    }
    STDMETHOD(get_Colour)(ThingColour* pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = m_colour;
        return S_OK;
    }
    STDMETHOD(put_Colour)(ThingColour newVal) override {
        if (newVal < ThingRed || newVal > ThingBlue) return E_INVALIDARG;
        m_colour = newVal;
        return S_OK;
    }
    STDMETHOD(Add)(LONG a, LONG b, LONG* sum) override {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }
    // A new collection of count items valued 1 to count.
    STDMETHOD(Fill)(LONG count, IThings** items) override {
        if (!items) return E_POINTER;
        *items = nullptr;
        CComObject<CThings>* collection = nullptr;
        HRESULT hr = CComObject<CThings>::CreateInstance(&collection);
        if (FAILED(hr)) return hr;
        collection->AddRef();
        for (LONG value = 1; value <= count && SUCCEEDED(hr); ++value) {
            CComObject<CThingItem>* item = nullptr;
            hr = CComObject<CThingItem>::CreateInstance(&item);
            if (FAILED(hr)) break;
            item->m_value = value;
            item->AddRef();
            hr = collection->Append(item);
            item->Release();
        }
        if (SUCCEEDED(hr)) hr = collection->QueryInterface(IID_IThings, reinterpret_cast<void**>(items));
        collection->Release();
        return hr;
    }
    // Gives back the value the previous call left, keeping the one given.
    STDMETHOD(Swap)(LONG* value) override {
        if (!value) return E_POINTER;
        std::swap(*value, m_kept);
        return S_OK;
    }
    // Fills a new collection into *items when none is given; one given stays as it is.
    STDMETHOD(Collect)(LONG count, IThings** items) override {
        if (!items) return E_POINTER;
        if (*items) return S_OK;
        return Fill(count, items);
    }
    STDMETHOD(Fail)(BSTR reason) override { return Error(reason ? reason : u"", IID_IThing, kThingFailure); }
    // The name of the application object of the module the call runs in: the server's own.
    STDMETHOD(get_AppName)(BSTR* pVal) override {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        if (!pVal) return E_POINTER;
        CWinApp* app = AfxGetApp();
        *pVal = CComBSTR(app && app->m_pszAppName ? app->m_pszAppName : "").Detach();
        return S_OK;
    }

  private:
    CComBSTR m_name;
    ThingColour m_colour = ThingRed;
    LONG m_kept = 0;
};

BEGIN_OBJECT_MAP(ObjectMap)
OBJECT_ENTRY(CLSID_Thing, CThing)
OBJECT_ENTRY_NON_CREATEABLE(CThings)
OBJECT_ENTRY_NON_CREATEABLE(CThingItem)
END_OBJECT_MAP()

class CComServerApp : public CWinApp {
  public:
    CComServerApp() : CWinApp("ComServer") {}

    BOOL InitInstance() override {
        _Module.Init(ObjectMap, m_hInstance, &LIBID_ComServerLib);
        return CWinApp::InitInstance();
    }
    int ExitInstance() override {
        _Module.Term();
        char text[16] = "0";
        GetEnvironmentVariableA("COMSERVER_DETACHES", text, sizeof text);
        SetEnvironmentVariableA("COMSERVER_DETACHES", std::to_string(std::atoi(text) + 1).c_str());
        return CWinApp::ExitInstance();
    }
};

CComServerApp theApp;

}  // namespace

STDAPI DllCanUnloadNow(void) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.GetLockCount() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.GetClassObject(rclsid, riid, ppv);
}

STDAPI DllRegisterServer(void) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.RegisterServer(TRUE);
}

STDAPI DllUnregisterServer(void) {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    return _Module.UnregisterServer(TRUE);
}
