// The device contexts of windows: each top-level window owns a surface of its whole frame, and a window's
// context draws on its top-level window's surface over the window's client area (GetDC, BeginPaint) or
// the whole window (GetWindowDC), clipped to what of it shows inside its parents. Also the default
// handling of the paint messages.
#include <algorithm>

#include "platform/gdi32/surface.h"
#include "platform/machine/text.h"
#include "platform/user32/nonclient.h"
#include "platform/user32/paint.h"
#include "platform/user32/window_geometry.h"

namespace platform {

namespace {

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

RECT Offset(RECT rect, int dx, int dy) {
    OffsetRect(&rect, dx, dy);
    return rect;
}

RECT Common(const RECT& first, const RECT& second) {
    RECT common{};
    IntersectRect(&common, &first, &second);
    return common;
}

// The surface of a top-level window, made on first use and kept the size of its window.
std::shared_ptr<gdi::Surface> SurfaceOfLocked(Window& top) {
    int width = std::max(1, Width(top.rect));
    int height = std::max(1, Height(top.rect));
    constexpr std::uint32_t kFace = 0xD4D0C8;
    if (!top.surface) {
        top.surface = std::make_shared<gdi::Surface>(width, height, kFace);
    } else if (top.surface->width() != width || top.surface->height() != height) {
        top.surface->resize(width, height, kFace);
    }
    return top.surface;
}

}  // namespace

std::shared_ptr<gdi::Surface> WindowSurface(HWND handle) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> top = TopLevelOf(manager, manager.Find(handle));
    return top ? SurfaceOfLocked(*top) : nullptr;
}

HDC WindowDeviceContext(HWND handle, bool clientArea, const RECT* part) {
    std::shared_ptr<gdi::Surface> surface;
    POINT origin{};
    RECT clip{};
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        std::shared_ptr<Window> top = TopLevelOf(manager, window);
        if (!window || !top) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        surface = SurfaceOfLocked(*top);
        POINT topOrigin = WindowOriginOnScreen(manager, *top);
        POINT windowOrigin = WindowOriginOnScreen(manager, *window);
        RECT client = ClientRectInWindow(*window);
        RECT whole{0, 0, Width(window->rect), Height(window->rect)};
        RECT area = clientArea ? client : whole;
        origin = POINT{windowOrigin.x - topOrigin.x + area.left, windowOrigin.y - topOrigin.y + area.top};
        clip = Offset(area, windowOrigin.x - topOrigin.x, windowOrigin.y - topOrigin.y);
        // A child shows only inside its parents' client areas.
        for (std::shared_ptr<Window> parent = manager.Find(window->parent); parent && (window->style & WS_CHILD);
             parent = (parent->style & WS_CHILD) ? manager.Find(parent->parent) : nullptr) {
            POINT parentOrigin = WindowOriginOnScreen(manager, *parent);
            RECT parentClient = Offset(ClientRectInWindow(*parent), parentOrigin.x - topOrigin.x,
                                       parentOrigin.y - topOrigin.y);
            clip = Common(clip, parentClient);
        }
        if (part) clip = Common(clip, Offset(*part, origin.x, origin.y));
    }
    return gdi::CreateSurfaceDC(surface, origin, clip);
}

LRESULT DefaultPaintMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            BeginPaint(handle, &paint);
            EndPaint(handle, &paint);
            return 0;
        }
        case WM_ERASEBKGND: {
            HBRUSH brush = nullptr;
            {
                WindowManager& manager = WindowManager::Instance();
                std::lock_guard<std::mutex> lock(manager.mutex);
                std::shared_ptr<Window> window = manager.Find(handle);
                const WindowClass* windowClass = window ? manager.FindClass(window->className) : nullptr;
                brush = windowClass ? windowClass->background : nullptr;
            }
            if (!brush) return 0;
            RECT client{};
            GetClientRect(handle, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
            return 1;
        }
        case WM_NCPAINT: {
            HDC dc = GetWindowDC(handle);
            DrawFrame(handle, dc);
            ReleaseDC(handle, dc);
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX: {
            auto dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        case WM_CTLCOLORSCROLLBAR:
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_SCROLLBAR));
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC: {
            auto dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_SETICON: {
            HICON previous = nullptr;
            {
                WindowManager& manager = WindowManager::Instance();
                std::lock_guard<std::mutex> lock(manager.mutex);
                std::shared_ptr<Window> window = manager.Find(handle);
                if (!window) return 0;
                HICON& slot = wParam == ICON_BIG ? window->bigIcon : window->smallIcon;
                previous = slot;
                slot = reinterpret_cast<HICON>(lParam);
            }
            RedrawWindow(handle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_GETICON: {
            WindowManager& manager = WindowManager::Instance();
            std::lock_guard<std::mutex> lock(manager.mutex);
            std::shared_ptr<Window> window = manager.Find(handle);
            if (!window) return 0;
            HICON icon = wParam == ICON_BIG ? window->bigIcon : window->smallIcon;
            // ICON_SMALL2: the small icon, else the big one.
            if (wParam == 2 && !icon) icon = window->bigIcon;
            return reinterpret_cast<LRESULT>(icon);
        }
        default:
            return 0;
    }
}

}  // namespace platform

using platform::Window;
using platform::WindowManager;

extern "C" HDC WINAPI GetDC(HWND hWnd) {
    if (!hWnd) return CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    return platform::WindowDeviceContext(hWnd, true, nullptr);
}

extern "C" HDC WINAPI GetWindowDC(HWND hWnd) {
    if (!hWnd) return CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    return platform::WindowDeviceContext(hWnd, false, nullptr);
}

extern "C" int WINAPI ReleaseDC(HWND hWnd, HDC hDC) {
    (void)hWnd;
    return hDC && DeleteDC(hDC) ? 1 : 0;
}

// Takes the update area: the frame is drawn first when it is due (WM_NCPAINT), the background erased when
// asked for (WM_ERASEBKGND; fErase stays TRUE when nobody erased it), and the context clipped to the area.
extern "C" HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint) {
    if (!lpPaint) return nullptr;
    *lpPaint = PAINTSTRUCT{};
    RECT area{};
    bool erase = false;
    bool frame = false;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(hWnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        area = window->invalid;
        erase = window->eraseNeeded;
        frame = window->frameNeeded;
        window->invalid = RECT{};
        window->eraseNeeded = false;
        window->frameNeeded = false;
        window->beganPaint = true;
    }
    if (frame) SendMessageA(hWnd, WM_NCPAINT, 1, 0);
    HDC dc = platform::WindowDeviceContext(hWnd, true, &area);
    if (!dc) return nullptr;
    bool erased = false;
    if (erase) erased = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
    lpPaint->hdc = dc;
    lpPaint->fErase = erase && !erased ? TRUE : FALSE;
    lpPaint->rcPaint = area;
    return dc;
}

extern "C" BOOL WINAPI EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint) {
    (void)hWnd;
    if (lpPaint && lpPaint->hdc) DeleteDC(lpPaint->hdc);
    return TRUE;
}
