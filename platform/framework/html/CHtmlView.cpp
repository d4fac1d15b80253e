#include "CHtmlView.h"

#include <mutex>

#include "AFX_MODULE_STATE.h"
#include "AnsiText.h"
#include "CComBSTR.h"
#include "CComPtr.h"
#include "CComVariant.h"
#include "CWinApp.h"
#include "exdispid.h"
#include "ocidl.h"
#include "oleidl.h"

namespace {

// The framework's window class of views of pages; the view's object routes its messages once attached.
constexpr char kHtmlViewClass[] = "HtmlView";

void RegisterHtmlViewClass() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = kHtmlViewClass;
        RegisterClassA(&windowClass);
    });
}

// The text a VARIANT argument holds (by reference or not), in the ANSI code page.
std::string TextOf(const VARIANT& argument) {
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) value = value->pvarVal;
    if (value->vt == VT_BSTR) return framework::AnsiFromWide(value->bstrVal);
    return "";
}

LONG NumberOf(const VARIANT& argument) {
    const VARIANT* value = &argument;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) value = value->pvarVal;
    return value->vt == VT_I4 ? value->lVal : 0;
}

}  // namespace

// The sink of the browser's DWebBrowserEvents2: Invoke hands each event to the view.
class CHtmlView::EventSink final : public IDispatch {
  public:
    explicit EventSink(CHtmlView* view) : m_view(view) {}
    // The view is going away: events that still come are ignored.
    void Disconnect() { m_view = nullptr; }

    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(InterlockedIncrement(&m_references)); }
    STDMETHOD_(ULONG, Release)() override {
        LONG count = InterlockedDecrement(&m_references);
        if (count == 0) delete this;
        return static_cast<ULONG>(count);
    }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        *ppvObject = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
            !IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo) *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // The arguments come last first, as Invoke has them.
    STDMETHOD(Invoke)(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                      UINT*) override {
        if (!m_view || !pDispParams) return S_OK;
        const VARIANTARG* arguments = pDispParams->rgvarg;
        UINT count = pDispParams->cArgs;
        switch (dispIdMember) {
            case DISPID_BEFORENAVIGATE2: {
                if (count != 7 || arguments[0].vt != (VT_BYREF | VT_BOOL) || !arguments[0].pboolVal)
                    return DISP_E_BADPARAMCOUNT;
                BOOL cancel = *arguments[0].pboolVal != VARIANT_FALSE;
                std::string url = TextOf(arguments[5]);
                std::string target = TextOf(arguments[3]);
                std::string headers = TextOf(arguments[1]);
                m_view->OnBeforeNavigate2(url.c_str(), static_cast<DWORD>(NumberOf(arguments[4])), target.c_str(), {},
                                          headers.c_str(), &cancel);
                *arguments[0].pboolVal = cancel ? VARIANT_TRUE : VARIANT_FALSE;
                return S_OK;
            }
            case DISPID_NAVIGATECOMPLETE2:
                if (count == 2) m_view->OnNavigateComplete2(TextOf(arguments[0]).c_str());
                return S_OK;
            case DISPID_DOCUMENTCOMPLETE:
                if (count == 2) m_view->OnDocumentComplete(TextOf(arguments[0]).c_str());
                return S_OK;
            default:
                return S_OK;
        }
    }

  private:
    CHtmlView* m_view;
    LONG m_references = 1;
};

CHtmlView::~CHtmlView() {
    // A view whose window outlives it (another thread's) lets its browser go here.
    OnDestroy();
}

BOOL CHtmlView::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID) {
    if (m_hWnd || !pParentWnd) return FALSE;
    if (!lpszClassName) {
        RegisterHtmlViewClass();
        lpszClassName = kHtmlViewClass;
    }
    HWND window = CreateWindowExA(0, lpszClassName, lpszWindowName ? lpszWindowName : "", dwStyle | WS_CHILD,
                                  rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                  pParentWnd->m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nID)),
                                  AfxGetInstanceHandle(), nullptr);
    if (!window) return FALSE;
    if (!SubclassWindow(window)) {
        ::DestroyWindow(window);
        return FALSE;
    }
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    if (!CreateBrowser(client)) {
        DestroyWindow();
        return FALSE;
    }
    return TRUE;
}

// The browser from COM, connected to its events and placed over the view's client area.
BOOL CHtmlView::CreateBrowser(const RECT& client) {
    if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IWebBrowser2,
                                reinterpret_cast<void**>(&m_pBrowserApp)))) {
        m_pBrowserApp = nullptr;
        return FALSE;
    }
    CComPtr<IConnectionPointContainer> container;
    CComPtr<IConnectionPoint> point;
    m_sink = new EventSink(this);
    if (FAILED(m_pBrowserApp->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) ||
        FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) ||
        FAILED(point->Advise(m_sink, &m_cookie))) {
        return FALSE;
    }
    CComPtr<IOleObject> embedding;
    if (FAILED(m_pBrowserApp->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&embedding))) ||
        FAILED(embedding->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, m_hWnd, &client))) {
        return FALSE;
    }
    return TRUE;
}

BOOL CHtmlView::LoadFromResource(LPCSTR lpszResource) {
    HINSTANCE module = AfxGetResourceHandle();
    char moduleFile[MAX_PATH] = "";
    if (!lpszResource || !m_pBrowserApp || !GetModuleFileNameA(module, moduleFile, sizeof moduleFile)) return FALSE;
    if (!FindResourceA(module, lpszResource, RT_HTML)) return FALSE;
    Navigate2((std::string("res://") + moduleFile + "/" + lpszResource).c_str());
    return TRUE;
}

void CHtmlView::Navigate2(LPCSTR lpszURL, DWORD dwFlags, LPCSTR lpszTargetFrameName, LPCSTR lpszHeaders,
                          LPVOID lpvPostData, DWORD dwPostDataLen) {
    (void)lpvPostData;
    (void)dwPostDataLen;
    if (!m_pBrowserApp || !lpszURL) return;
    CComVariant url(lpszURL);
    CComVariant flags(static_cast<int>(dwFlags));
    CComVariant target(lpszTargetFrameName ? lpszTargetFrameName : "");
    CComVariant postData;
    CComVariant headers(lpszHeaders ? lpszHeaders : "");
    m_pBrowserApp->Navigate2(&url, &flags, &target, &postData, &headers);
}

void CHtmlView::Stop() {
    if (m_pBrowserApp) m_pBrowserApp->Stop();
}

void CHtmlView::Refresh() {
    if (m_pBrowserApp) m_pBrowserApp->Refresh();
}

std::string CHtmlView::GetLocationURL() const {
    CComBSTR location;
    if (!m_pBrowserApp || FAILED(m_pBrowserApp->get_LocationURL(&location)) || !location) return "";
    return framework::AnsiFromWide(location.m_str);
}

BOOL CHtmlView::GetBusy() const {
    VARIANT_BOOL busy = VARIANT_FALSE;
    if (m_pBrowserApp) m_pBrowserApp->get_Busy(&busy);
    return busy != VARIANT_FALSE;
}

void CHtmlView::OnBeforeNavigate2(LPCSTR, DWORD, LPCSTR, const std::vector<BYTE>&, LPCSTR, BOOL*) {}
void CHtmlView::OnNavigateComplete2(LPCSTR) {}
void CHtmlView::OnDocumentComplete(LPCSTR) {}

LRESULT CHtmlView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            OnDestroy();
            break;
        case WM_SIZE:
            OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
            break;
        default:
            break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CHtmlView::OnDestroy() {
    if (m_sink) m_sink->Disconnect();
    if (m_pBrowserApp) {
        CComPtr<IConnectionPointContainer> container;
        CComPtr<IConnectionPoint> point;
        if (m_cookie && SUCCEEDED(m_pBrowserApp->QueryInterface(IID_IConnectionPointContainer,
                                                                reinterpret_cast<void**>(&container))) &&
            SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
            point->Unadvise(m_cookie);
        }
        CComPtr<IOleObject> embedding;
        if (SUCCEEDED(m_pBrowserApp->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&embedding))))
            embedding->Close(OLECLOSE_NOSAVE);
        m_pBrowserApp->Release();
        m_pBrowserApp = nullptr;
    }
    m_cookie = 0;
    if (m_sink) m_sink->Release();
    m_sink = nullptr;
}

void CHtmlView::OnSize(UINT nType, int cx, int cy) {
    (void)nType;
    CComPtr<IOleInPlaceObject> inPlace;
    if (!m_pBrowserApp ||
        FAILED(m_pBrowserApp->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
        return;
    }
    RECT client{0, 0, cx, cy};
    inPlace->SetObjectRects(&client, &client);
}
