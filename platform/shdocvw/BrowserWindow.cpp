#include "platform/shdocvw/BrowserWindow.h"

#include <mutex>

#include "CComModule.h"
#include "platform/shdocvw/CWebBrowser.h"
#include "platform/shdocvw/page_painter.h"
#include "platform/user32/hosted_pages.h"

namespace platform::browser {

namespace {

CWebBrowser* BrowserOf(HWND window) {
    return reinterpret_cast<CWebBrowser*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK BrowserWindowProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
        }
        case kNavigationDue:
            if (CWebBrowser* browser = BrowserOf(hWnd)) browser->CompleteNavigation();
            return 0;
        case kFollowLinkMessage: {
            CWebBrowser* browser = BrowserOf(hWnd);
            if (!browser || !IsWindowVisible(hWnd) || !lParam) return 0;
            return browser->FollowLink(reinterpret_cast<const char*>(lParam)) ? 1 : 0;
        }
        // The page covers the whole window: it is painted white with the text.
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hWnd, &paint);
            RECT client{};
            GetClientRect(hWnd, &client);
            if (CWebBrowser* browser = BrowserOf(hWnd); browser && dc) PaintPage(dc, browser->document(), client);
            EndPaint(hWnd, &paint);
            return 0;
        }
        case WM_DESTROY:
            if (CWebBrowser* browser = BrowserOf(hWnd)) browser->WindowDestroyed();
            SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
            return 0;
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

// Registered once per process, for the library's own module.
void RegisterBrowserWindowClass() {
    static std::once_flag registered;
    std::call_once(registered, [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = BrowserWindowProcedure;
        windowClass.hInstance = _Module.GetModuleInstance();
        windowClass.lpszClassName = kBrowserWindowClass;
        RegisterClassA(&windowClass);
    });
}

}  // namespace

HWND CreateBrowserWindow(CWebBrowser* browser, HWND parent, const RECT& position, bool visible) {
    RegisterBrowserWindowClass();
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0);
    return CreateWindowExA(0, kBrowserWindowClass, "", style, position.left, position.top,
                           position.right - position.left, position.bottom - position.top, parent, nullptr,
                           _Module.GetModuleInstance(), browser);
}

void MoveBrowserWindow(HWND window, const RECT& position) {
    MoveWindow(window, position.left, position.top, position.right - position.left, position.bottom - position.top,
               TRUE);
}

void InvalidateBrowserWindow(HWND window) { InvalidateRect(window, nullptr, TRUE); }

}  // namespace platform::browser
