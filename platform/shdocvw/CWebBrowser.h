// The web browser control: IWebBrowser2 through its type library, the DWebBrowserEvents2 connection
// point, and the OLE embedding a container uses to give it a window of its own inside the container's
// (DoVerb with the parent window and the rectangle; Close or InPlaceDeactivate take it away).
//
// A navigation fires BeforeNavigate2 at once; a sink that sets its Cancel flag stops it there, and the
// page stays. Otherwise the control is busy until its window's message loop comes round (at once when it
// has no window): it then loads the page, fires NavigateComplete2, writes the page to the transcript,
// repaints, and fires DocumentComplete.
#pragma once

#include <string>

#include "CComCoClass.h"
#include "CComObject.h"
#include "CComPtr.h"
#include "IConnectionPointContainerImpl.h"
#include "IDispatchImpl.h"
#include "exdisp.h"
#include "oleidl.h"
#include "platform/shdocvw/html_document.h"

namespace platform::browser {

class CWebBrowser : public CComObjectRootEx<CComSingleThreadModel>,
                    public CComCoClass<CWebBrowser, &CLSID_WebBrowser>,
                    public IDispatchImpl<IWebBrowser2, &IID_IWebBrowser2, &LIBID_SHDocVw, 1, 1>,
                    public IConnectionPointContainerImpl<CWebBrowser, &DIID_DWebBrowserEvents2>,
                    public IOleObject,
                    public IOleInPlaceObject {
  public:
    DECLARE_NO_REGISTRY()
    DECLARE_NOT_AGGREGATABLE(CWebBrowser)
    BEGIN_COM_MAP(CWebBrowser)
    COM_INTERFACE_ENTRY(IWebBrowser2)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY(IOleObject)
    COM_INTERFACE_ENTRY(IOleInPlaceObject)
    COM_INTERFACE_ENTRY2(IOleWindow, IOleInPlaceObject)
    END_COM_MAP()

    void FinalRelease();

    // IWebBrowser2
    STDMETHOD(Navigate)(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers) override;
    STDMETHOD(Refresh)() override;
    STDMETHOD(Stop)() override;
    STDMETHOD(get_Document)(IDispatch** ppDisp) override;
    STDMETHOD(get_LocationName)(BSTR* LocationName) override;
    STDMETHOD(get_LocationURL)(BSTR* LocationURL) override;
    STDMETHOD(get_Busy)(VARIANT_BOOL* pBool) override;
    STDMETHOD(get_Visible)(VARIANT_BOOL* pBool) override;
    STDMETHOD(put_Visible)(VARIANT_BOOL Value) override;
    STDMETHOD(Navigate2)(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                         VARIANT* Headers) override;

    // IOleObject
    STDMETHOD(SetClientSite)(IOleClientSite* pClientSite) override;
    STDMETHOD(GetClientSite)(IOleClientSite** ppClientSite) override;
    STDMETHOD(SetHostNames)(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHOD(Close)(DWORD dwSaveOption) override;
    STDMETHOD(SetMoniker)(DWORD dwWhichMoniker, IMoniker* pmk) override;
    STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHOD(InitFromData)(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHOD(GetClipboardData)(DWORD dwReserved, IDataObject** ppDataObject) override;
    STDMETHOD(DoVerb)(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                      const RECT* lprcPosRect) override;
    STDMETHOD(EnumVerbs)(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHOD(Update)() override;
    STDMETHOD(IsUpToDate)() override;
    STDMETHOD(GetUserClassID)(CLSID* pClsid) override;
    STDMETHOD(GetUserType)(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    STDMETHOD(SetExtent)(DWORD dwDrawAspect, tagSIZE* psizel) override;
    STDMETHOD(GetExtent)(DWORD dwDrawAspect, tagSIZE* psizel) override;
    STDMETHOD(Advise)(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHOD(Unadvise)(DWORD dwConnection) override;
    STDMETHOD(EnumAdvise)(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHOD(GetMiscStatus)(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHOD(SetColorScheme)(tagLOGPALETTE* pLogpal) override;

    // IOleWindow, IOleInPlaceObject
    STDMETHOD(GetWindow)(HWND* phwnd) override;
    STDMETHOD(ContextSensitiveHelp)(BOOL fEnterMode) override;
    STDMETHOD(InPlaceDeactivate)() override;
    STDMETHOD(UIDeactivate)() override;
    STDMETHOD(SetObjectRects)(const RECT* lprcPosRect, const RECT* lprcClipRect) override;
    STDMETHOD(ReactivateAndUndo)() override;

    // What the control's window asks of it (BrowserWindow.cpp).
    void CompleteNavigation();
    // The link of the shown page a scripted answer names (its number or text): recorded and followed;
    // false when the page has no such link.
    bool FollowLink(const std::string& link);
    const HtmlDocument& document() const { return m_document; }
    void WindowDestroyed() { m_window = nullptr; }

  private:
    HRESULT StartNavigation(const std::string& address);
    // BeforeNavigate2 to every sink; true when one of them cancelled.
    bool FireBeforeNavigate(const std::string& address);
    void FireWithAddress(DISPID dispid, const std::string& address);
    HRESULT CreateControlWindow(HWND parent, const RECT& position);
    void DestroyControlWindow();
    IDispatch* SelfDispatch() { return static_cast<IWebBrowser2*>(this); }

    HWND m_window = nullptr;
    CComPtr<IOleClientSite> m_clientSite;
    std::string m_address;
    std::string m_pendingAddress;
    bool m_busy = false;
    bool m_visible = true;
    HtmlDocument m_document;
};

}  // namespace platform::browser
