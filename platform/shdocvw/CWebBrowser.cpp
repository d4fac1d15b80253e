#include "platform/shdocvw/CWebBrowser.h"

#include <optional>
#include <vector>

#include "AnsiText.h"
#include "CComBSTR.h"
#include "CComVariant.h"
#include "exdispid.h"
#include "platform/machine/text.h"
#include "platform/shdocvw/BrowserWindow.h"
#include "platform/shdocvw/page_source.h"
#include "platform/user32/hosted_pages.h"

namespace platform::browser {

namespace {

// The address a VARIANT carries: a string, or a reference to a VARIANT holding one.
std::optional<std::string> AddressOf(const VARIANT* url) {
    if (!url) return std::nullopt;
    if (url->vt == (VT_BYREF | VT_VARIANT) && url->pvarVal) url = url->pvarVal;
    if (url->vt == VT_BSTR) return framework::AnsiFromWide(url->bstrVal);
    if (url->vt == (VT_BYREF | VT_BSTR) && url->pbstrVal) return framework::AnsiFromWide(*url->pbstrVal);
    return std::nullopt;
}

// An event's arguments, the last first, as Invoke takes them.
HRESULT Fire(IUnknown* sink, DISPID dispid, std::vector<VARIANT>& reversedArguments) {
    DISPPARAMS parameters{reversedArguments.data(), nullptr, static_cast<UINT>(reversedArguments.size()), 0};
    auto* dispatch = static_cast<IDispatch*>(sink);
    return dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, nullptr, nullptr,
                            nullptr);
}

VARIANT ReferenceTo(VARIANT& value) {
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &value;
    return reference;
}

VARIANT DispatchArgument(IDispatch* dispatch) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_DISPATCH;
    argument.pdispVal = dispatch;
    return argument;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The page's lines in the transcript: title, blocks and links.
std::string TranscriptLines(const HtmlDocument& document) {
    std::string lines;
    if (!document.title.empty()) lines += "  title: " + Quoted(document.title) + "\n";
    for (const HtmlBlock& block : document.blocks)
        lines += std::string(block.heading ? "  heading: " : "  text: ") + Quoted(block.Text()) + "\n";
    for (size_t index = 0; index < document.links.size(); ++index) {
        const HtmlLink& link = document.links[index];
        lines += "  link " + std::to_string(index + 1) + ": " + Quoted(link.text) + " -> " + link.address + "\n";
    }
    return lines;
}

}  // namespace

void CWebBrowser::FinalRelease() {
    DestroyControlWindow();
    m_clientSite.Release();
}

// IWebBrowser2

STDMETHODIMP CWebBrowser::Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                   VARIANT* Headers) {
    (void)Flags;
    (void)TargetFrameName;
    (void)PostData;
    (void)Headers;
    if (!URL) return E_INVALIDARG;
    return StartNavigation(framework::AnsiFromWide(URL));
}

STDMETHODIMP CWebBrowser::Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                                    VARIANT* Headers) {
    (void)Flags;
    (void)TargetFrameName;
    (void)PostData;
    (void)Headers;
    std::optional<std::string> address = AddressOf(URL);
    if (!address) return E_INVALIDARG;
    return StartNavigation(*address);
}

// Loads the shown page again, without the navigation events.
STDMETHODIMP CWebBrowser::Refresh() {
    if (m_address.empty()) return S_OK;
    m_document = LoadPage(m_address).document;
    if (m_window) InvalidateBrowserWindow(m_window);
    return S_OK;
}

STDMETHODIMP CWebBrowser::Stop() {
    m_pendingAddress.clear();
    m_busy = false;
    return S_OK;
}

// The control offers no document object model; a host asking for one gets none.
STDMETHODIMP CWebBrowser::get_Document(IDispatch** ppDisp) {
    if (!ppDisp) return E_POINTER;
    *ppDisp = nullptr;
    return S_OK;
}

STDMETHODIMP CWebBrowser::get_LocationName(BSTR* LocationName) {
    if (!LocationName) return E_POINTER;
    *LocationName = CComBSTR((m_document.title.empty() ? m_address : m_document.title).c_str()).Detach();
    return S_OK;
}

STDMETHODIMP CWebBrowser::get_LocationURL(BSTR* LocationURL) {
    if (!LocationURL) return E_POINTER;
    *LocationURL = CComBSTR(m_address.c_str()).Detach();
    return S_OK;
}

STDMETHODIMP CWebBrowser::get_Busy(VARIANT_BOOL* pBool) {
    if (!pBool) return E_POINTER;
    *pBool = m_busy ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CWebBrowser::get_Visible(VARIANT_BOOL* pBool) {
    if (!pBool) return E_POINTER;
    *pBool = m_visible ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP CWebBrowser::put_Visible(VARIANT_BOOL Value) {
    m_visible = Value != VARIANT_FALSE;
    if (m_window) ShowWindow(m_window, m_visible ? SW_SHOW : SW_HIDE);
    return S_OK;
}

// Navigation

HRESULT CWebBrowser::StartNavigation(const std::string& address) {
    // A sink may let the last reference go while it handles an event.
    CComPtr<IUnknown> keepAlive(GetControllingUnknown());
    std::string resolved = ResolveAddress(m_address, address);
    if (FireBeforeNavigate(resolved)) return S_OK;
    m_pendingAddress = resolved;
    m_busy = true;
    if (!m_window || !PostMessageA(m_window, kNavigationDue, 0, 0)) CompleteNavigation();
    return S_OK;
}

void CWebBrowser::CompleteNavigation() {
    if (!m_busy) return;
    CComPtr<IUnknown> keepAlive(GetControllingUnknown());
    std::string address = m_pendingAddress;
    m_pendingAddress.clear();
    m_document = LoadPage(address).document;
    m_address = address;
    m_busy = false;
    FireWithAddress(DISPID_NAVIGATECOMPLETE2, address);
    if (m_window) {
        RecordPageShown(m_window, address, TranscriptLines(m_document));
        InvalidateBrowserWindow(m_window);
    }
    FireWithAddress(DISPID_DOCUMENTCOMPLETE, address);
}

bool CWebBrowser::FireBeforeNavigate(const std::string& address) {
    CComConnectionPoint* events = ConnectionPoint(DIID_DWebBrowserEvents2);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    for (const CComPtr<IUnknown>& sink : events->Connections()) {
        CComVariant url(address.c_str());
        CComVariant flags(0);
        CComVariant targetFrame(u"");
        CComVariant postData;
        CComVariant headers(u"");
        VARIANT cancelArgument;
        VariantInit(&cancelArgument);
        cancelArgument.vt = VT_BYREF | VT_BOOL;
        cancelArgument.pboolVal = &cancel;
        std::vector<VARIANT> arguments{cancelArgument,         ReferenceTo(headers), ReferenceTo(postData),
                                       ReferenceTo(targetFrame), ReferenceTo(flags),   ReferenceTo(url),
                                       DispatchArgument(SelfDispatch())};
        Fire(sink, DISPID_BEFORENAVIGATE2, arguments);
    }
    return cancel != VARIANT_FALSE;
}

void CWebBrowser::FireWithAddress(DISPID dispid, const std::string& address) {
    CComConnectionPoint* events = ConnectionPoint(DIID_DWebBrowserEvents2);
    for (const CComPtr<IUnknown>& sink : events->Connections()) {
        CComVariant url(address.c_str());
        std::vector<VARIANT> arguments{ReferenceTo(url), DispatchArgument(SelfDispatch())};
        Fire(sink, dispid, arguments);
    }
}

bool CWebBrowser::FollowLink(const std::string& link) {
    const std::vector<HtmlLink>& links = m_document.links;
    size_t found = links.size();
    if (link.find_first_not_of("0123456789") == std::string::npos && link.size() <= 6) {
        size_t number = std::stoul(link);
        if (number >= 1 && number <= links.size()) found = number - 1;
    } else {
        for (size_t index = 0; index < links.size() && found == links.size(); ++index) {
            if (EqualsNoCase(links[index].text, link)) found = index;
        }
    }
    if (found == links.size()) return false;
    HtmlLink followed = links[found];
    RecordLinkAnswer(m_window, "link " + std::to_string(found + 1) + " " + Quoted(followed.text) + " -> " +
                                   followed.address);
    StartNavigation(followed.address);
    return true;
}

// The window

HRESULT CWebBrowser::CreateControlWindow(HWND parent, const RECT& position) {
    if (m_window) return S_OK;
    m_window = CreateBrowserWindow(this, parent, position, m_visible);
    return m_window ? S_OK : E_FAIL;
}

void CWebBrowser::DestroyControlWindow() {
    HWND window = m_window;
    m_window = nullptr;
    if (window && IsWindow(window)) DestroyWindow(window);
}

// IOleObject

STDMETHODIMP CWebBrowser::SetClientSite(IOleClientSite* pClientSite) {
    m_clientSite = pClientSite;
    return S_OK;
}

STDMETHODIMP CWebBrowser::GetClientSite(IOleClientSite** ppClientSite) {
    if (!ppClientSite) return E_POINTER;
    return m_clientSite.CopyTo(ppClientSite);
}

STDMETHODIMP CWebBrowser::SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) {
    (void)szContainerApp;
    (void)szContainerObj;
    return S_OK;
}

STDMETHODIMP CWebBrowser::Close(DWORD dwSaveOption) {
    (void)dwSaveOption;
    DestroyControlWindow();
    return S_OK;
}

STDMETHODIMP CWebBrowser::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

STDMETHODIMP CWebBrowser::GetMoniker(DWORD, DWORD, IMoniker** ppmk) {
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowser::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

STDMETHODIMP CWebBrowser::GetClipboardData(DWORD, IDataObject** ppDataObject) {
    if (ppDataObject) *ppDataObject = nullptr;
    return E_NOTIMPL;
}

// Showing or activating the control in place makes its window in the parent's, at the rectangle given
// (in the parent's client coordinates); hiding it hides the window.
STDMETHODIMP CWebBrowser::DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                                 const RECT* lprcPosRect) {
    (void)lpmsg;
    (void)lindex;
    if (pActiveSite && !m_clientSite) m_clientSite = pActiveSite;
    switch (iVerb) {
        case OLEIVERB_PRIMARY:
        case OLEIVERB_SHOW:
        case OLEIVERB_INPLACEACTIVATE:
        case OLEIVERB_UIACTIVATE: {
            if (m_window) {
                ShowWindow(m_window, SW_SHOW);
                return S_OK;
            }
            if (!hwndParent || !IsWindow(hwndParent)) return E_INVALIDARG;
            RECT position{0, 0, 0, 0};
            if (lprcPosRect) position = *lprcPosRect;
            return CreateControlWindow(hwndParent, position);
        }
        case OLEIVERB_HIDE:
            if (m_window) ShowWindow(m_window, SW_HIDE);
            return S_OK;
        default:
            return E_NOTIMPL;
    }
}

STDMETHODIMP CWebBrowser::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) {
    if (ppEnumOleVerb) *ppEnumOleVerb = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowser::Update() { return S_OK; }
STDMETHODIMP CWebBrowser::IsUpToDate() { return S_OK; }

STDMETHODIMP CWebBrowser::GetUserClassID(CLSID* pClsid) {
    if (!pClsid) return E_POINTER;
    *pClsid = CLSID_WebBrowser;
    return S_OK;
}

STDMETHODIMP CWebBrowser::GetUserType(DWORD, LPOLESTR* pszUserType) {
    if (pszUserType) *pszUserType = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowser::SetExtent(DWORD, tagSIZE*) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowser::GetExtent(DWORD, tagSIZE*) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowser::Advise(IAdviseSink*, DWORD* pdwConnection) {
    if (pdwConnection) *pdwConnection = 0;
    return E_NOTIMPL;
}
STDMETHODIMP CWebBrowser::Unadvise(DWORD) { return E_NOTIMPL; }
STDMETHODIMP CWebBrowser::EnumAdvise(IEnumSTATDATA** ppenumAdvise) {
    if (ppenumAdvise) *ppenumAdvise = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CWebBrowser::GetMiscStatus(DWORD, DWORD* pdwStatus) {
    if (!pdwStatus) return E_POINTER;
    *pdwStatus = 0;
    return S_OK;
}

STDMETHODIMP CWebBrowser::SetColorScheme(tagLOGPALETTE*) { return E_NOTIMPL; }

// IOleWindow, IOleInPlaceObject

STDMETHODIMP CWebBrowser::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = m_window;
    return m_window ? S_OK : E_FAIL;
}

STDMETHODIMP CWebBrowser::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CWebBrowser::InPlaceDeactivate() {
    DestroyControlWindow();
    return S_OK;
}

STDMETHODIMP CWebBrowser::UIDeactivate() { return S_OK; }

STDMETHODIMP CWebBrowser::SetObjectRects(const RECT* lprcPosRect, const RECT* lprcClipRect) {
    (void)lprcClipRect;
    if (!lprcPosRect) return E_INVALIDARG;
    if (!m_window) return OLE_E_NOT_INPLACEACTIVE;
    MoveBrowserWindow(m_window, *lprcPosRect);
    return S_OK;
}

STDMETHODIMP CWebBrowser::ReactivateAndUndo() { return E_NOTIMPL; }

}  // namespace platform::browser
