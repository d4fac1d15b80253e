// A view of web pages that a window or dialog holds as a child control: its own window, with the web
// browser control (created through COM) filling it, and the browser's navigation events routed to
// virtual functions a derived class overrides.
//
// Create makes the window at a rectangle of the parent and the browser in it; LoadFromResource shows an
// HTML resource of the module that holds the program's resources (res://<module file>/<name>), Navigate2
// any address. OnBeforeNavigate2 may cancel a navigation, which then does not happen. Destroying the
// window releases the browser.
#pragma once

#include <string>
#include <vector>

#include "CWnd.h"
#include "exdisp.h"
#include "windows.h"

class CHtmlView : public CWnd {
  public:
    CHtmlView() = default;
    ~CHtmlView() override;

    // lpszClassName null: the framework's class for views of pages. The rectangle is in the parent's
    // client coordinates. FALSE when the window or the browser cannot be made (COM must be initialised).
    virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID);
    // FALSE when the module has no HTML resource of that name (nothing is shown then).
    BOOL LoadFromResource(LPCSTR lpszResource);
    void Navigate2(LPCSTR lpszURL, DWORD dwFlags = 0, LPCSTR lpszTargetFrameName = nullptr,
                   LPCSTR lpszHeaders = nullptr, LPVOID lpvPostData = nullptr, DWORD dwPostDataLen = 0);
    void Stop();
    void Refresh();
    std::string GetLocationURL() const;
    BOOL GetBusy() const;

    // The browser's events. A navigation goes ahead unless *pbCancel is set TRUE.
    virtual void OnBeforeNavigate2(LPCSTR lpszURL, DWORD nFlags, LPCSTR lpszTargetFrameName,
                                   const std::vector<BYTE>& baPostedData, LPCSTR lpszHeaders, BOOL* pbCancel);
    virtual void OnNavigateComplete2(LPCSTR strURL);
    virtual void OnDocumentComplete(LPCSTR lpszURL);

    // The browser, while the view's window exists.
    IWebBrowser2* m_pBrowserApp = nullptr;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Disconnects from the browser's events and releases it.
    virtual void OnDestroy();
    virtual void OnSize(UINT nType, int cx, int cy);

  private:
    class EventSink;
    BOOL CreateBrowser(const RECT& client);
    EventSink* m_sink = nullptr;
    DWORD m_cookie = 0;
};
