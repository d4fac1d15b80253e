// Window geometry: window and client rectangles, coordinates between windows and the screen, moving and
// sizing, the system metrics and colours of Windows 2000's classic look, and dialog units.
#include "platform/user32/window_geometry.h"

#include <algorithm>
#include <optional>

#include "windows.h"

namespace platform {

namespace {

// Windows 2000's metrics at 96 dots per inch.
constexpr int kCaption = 19;  // the caption bar and the line under it
constexpr int kSmallCaption = 16;
constexpr int kBorder = 1;
constexpr int kEdge = 2;
constexpr int kDialogFrame = 3;
constexpr int kSizingFrame = 4;
constexpr int kScrollBar = 16;
constexpr int kTaskBar = 28;

bool HasDialogFrame(DWORD style, DWORD exStyle) {
    if (style & WS_THICKFRAME) return false;
    return (exStyle & WS_EX_DLGMODALFRAME) || (style & WS_DLGFRAME);
}

// value * numerator / denominator, rounded half away from zero.
int Scale(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long product = static_cast<long long>(value) * numerator;
    long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

std::shared_ptr<Window> FindOrFail(const WindowManager& manager, HWND handle) {
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

// The client origin of a window on the screen; the screen itself for a null window.
std::optional<POINT> ClientOrigin(HWND handle) {
    if (!handle) return POINT{0, 0};
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = FindOrFail(manager, handle);
    if (!window) return std::nullopt;
    return ClientOriginOnScreen(manager, *window);
}

}  // namespace

RECT FrameInsets(DWORD style, DWORD exStyle) {
    int edge = 0;
    if (exStyle & WS_EX_CLIENTEDGE) edge += kEdge;
    if (exStyle & WS_EX_STATICEDGE) edge += kBorder;
    if (HasDialogFrame(style, exStyle)) {
        edge += kDialogFrame;
    } else if (style & WS_THICKFRAME) {
        edge += kSizingFrame;
    } else if (style & WS_BORDER) {
        edge += kBorder;
    }
    RECT insets{edge, edge, edge, edge};
    if ((style & WS_CAPTION) == WS_CAPTION) insets.top += (exStyle & WS_EX_TOOLWINDOW) ? kSmallCaption : kCaption;
    if (style & WS_VSCROLL) insets.right += kScrollBar;
    if (style & WS_HSCROLL) insets.bottom += kScrollBar;
    return insets;
}

RECT ClientRectInWindow(const Window& window) {
    RECT insets = FrameInsets(window.style, window.exStyle);
    int width = Width(window.rect);
    int height = Height(window.rect);
    RECT client{insets.left, insets.top, width - insets.right, height - insets.bottom};
    client.right = std::max(client.left, client.right);
    client.bottom = std::max(client.top, client.bottom);
    return client;
}

POINT WindowOriginOnScreen(const WindowManager& manager, const Window& window) {
    POINT origin{window.rect.left, window.rect.top};
    if (!(window.style & WS_CHILD)) return origin;
    std::shared_ptr<Window> parent = manager.Find(window.parent);
    if (!parent) return origin;
    POINT parentClient = ClientOriginOnScreen(manager, *parent);
    return POINT{origin.x + parentClient.x, origin.y + parentClient.y};
}

POINT ClientOriginOnScreen(const WindowManager& manager, const Window& window) {
    POINT origin = WindowOriginOnScreen(manager, window);
    RECT client = ClientRectInWindow(window);
    return POINT{origin.x + client.left, origin.y + client.top};
}

std::shared_ptr<Window> TopLevelOf(const WindowManager& manager, std::shared_ptr<Window> window) {
    while (window && (window->style & WS_CHILD)) window = manager.Find(window->parent);
    return window;
}

// The display's mode, as gdi32 reports it.
RECT ScreenRect() {
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    RECT screen{0, 0, GetDeviceCaps(display, HORZRES), GetDeviceCaps(display, VERTRES)};
    DeleteDC(display);
    return screen;
}

HFONT CreatePointFont(const std::string& face, int pointSize, int weight) {
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int dotsPerInch = GetDeviceCaps(display, LOGPIXELSY);
    DeleteDC(display);
    return CreateFontA(-Scale(pointSize, dotsPerInch, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
}

RECT WorkArea() {
    RECT screen = ScreenRect();
    screen.bottom -= kTaskBar;
    return screen;
}

RECT InitialWindowRect(int x, int y, int width, int height, bool child) {
    if (child) {
        if (x == CW_USEDEFAULT) x = y = 0;
        if (width == CW_USEDEFAULT) width = height = 0;
    } else {
        RECT work = WorkArea();
        if (x == CW_USEDEFAULT) {
            x = work.left;
            y = work.top;
        }
        if (width == CW_USEDEFAULT) {
            width = Width(work) * 3 / 4;
            height = Height(work) * 3 / 4;
        }
    }
    return RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
}

// As Windows measures a dialog font: the height of its characters, and the average width of the 52
// letters rounded half up.
DialogBaseUnits BaseUnitsOfFont(const std::string& face, int pointSize) {
    if (face.empty()) return DialogBaseUnits{8, 16};
    HFONT font = CreatePointFont(face, pointSize, FW_NORMAL);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE extent{};
    GetTextExtentPoint32A(dc, kLetters, 52, &extent);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
    return DialogBaseUnits{static_cast<int>((extent.cx / 26 + 1) / 2), static_cast<int>(metrics.tmHeight)};
}

RECT DialogUnitsToPixels(RECT rect, DialogBaseUnits units) {
    return RECT{Scale(rect.left, units.x, 4), Scale(rect.top, units.y, 8), Scale(rect.right, units.x, 4),
                Scale(rect.bottom, units.y, 8)};
}

// The default handling of a move: WM_MOVE with the client area's new place in the parent's client
// coordinates (the screen's for a top-level window) and WM_SIZE with its new size.
std::optional<LRESULT> DefaultGeometryMessage(HWND window, UINT message, LPARAM lParam) {
    if (message != WM_WINDOWPOSCHANGED) return std::nullopt;
    const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
    if (!position) return 0;
    RECT client{};
    POINT origin{};
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> found = manager.Find(window);
        if (!found) return 0;
        client = ClientRectInWindow(*found);
        origin = POINT{found->rect.left + client.left, found->rect.top + client.top};
    }
    if (!(position->flags & SWP_NOMOVE)) SendMessageA(window, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if (!(position->flags & SWP_NOSIZE)) SendMessageA(window, WM_SIZE, 0, MAKELPARAM(Width(client), Height(client)));
    return 0;
}

}  // namespace platform

using platform::Window;
using platform::WindowManager;

extern "C" BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = platform::FindOrFail(manager, hWnd);
    if (!window) return FALSE;
    POINT origin = platform::WindowOriginOnScreen(manager, *window);
    *lpRect = RECT{origin.x, origin.y, origin.x + platform::Width(window->rect),
                   origin.y + platform::Height(window->rect)};
    return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect) {
    if (!lpRect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = platform::FindOrFail(manager, hWnd);
    if (!window) return FALSE;
    RECT client = platform::ClientRectInWindow(*window);
    *lpRect = RECT{0, 0, platform::Width(client), platform::Height(client)};
    return TRUE;
}

extern "C" BOOL WINAPI ClientToScreen(HWND hWnd, LPPOINT lpPoint) {
    std::optional<POINT> origin = platform::ClientOrigin(hWnd);
    if (!origin || !lpPoint || !hWnd) return FALSE;
    lpPoint->x += origin->x;
    lpPoint->y += origin->y;
    return TRUE;
}

extern "C" BOOL WINAPI ScreenToClient(HWND hWnd, LPPOINT lpPoint) {
    std::optional<POINT> origin = platform::ClientOrigin(hWnd);
    if (!origin || !lpPoint || !hWnd) return FALSE;
    lpPoint->x -= origin->x;
    lpPoint->y -= origin->y;
    return TRUE;
}

// From one window's client coordinates to another's (a null window: the screen). Returns the horizontal
// move in the low word and the vertical one in the high word, 0 on failure.
extern "C" int WINAPI MapWindowPoints(HWND hWndFrom, HWND hWndTo, LPPOINT lpPoints, UINT cPoints) {
    std::optional<POINT> from = platform::ClientOrigin(hWndFrom);
    std::optional<POINT> to = platform::ClientOrigin(hWndTo);
    if (!from || !to) return 0;
    LONG dx = from->x - to->x;
    LONG dy = from->y - to->y;
    for (UINT index = 0; lpPoints && index < cPoints; ++index) {
        lpPoints[index].x += dx;
        lpPoints[index].y += dy;
    }
    SetLastError(ERROR_SUCCESS);
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

extern "C" BOOL WINAPI MoveWindow(HWND hWnd, int X, int Y, int nWidth, int nHeight, BOOL bRepaint) {
    return SetWindowPos(hWnd, nullptr, X, Y, nWidth, nHeight,
                        SWP_NOZORDER | SWP_NOACTIVATE | (bRepaint ? 0 : SWP_NOREDRAW));
}

// The window is told before (WM_WINDOWPOSCHANGING, which may change the place) and after
// (WM_WINDOWPOSCHANGED, whose default handling sends WM_MOVE and WM_SIZE). Unless SWP_NOREDRAW, what the
// window uncovered in its parent and the whole window are painted again. There is no z-order to keep:
// SWP_NOZORDER and the insert-after window change nothing.
extern "C" BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags) {
    WindowManager& manager = WindowManager::Instance();
    WINDOWPOS position{hWnd, hWndInsertAfter, X, Y, cx, cy, uFlags};
    RECT old{};
    HWND parent = nullptr;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = platform::FindOrFail(manager, hWnd);
        if (!window) return FALSE;
        old = window->rect;
        if (window->style & WS_CHILD) parent = window->parent;
    }
    if (uFlags & SWP_NOMOVE) {
        position.x = old.left;
        position.y = old.top;
    }
    if (uFlags & SWP_NOSIZE) {
        position.cx = platform::Width(old);
        position.cy = platform::Height(old);
    }
    if (!(uFlags & SWP_NOSENDCHANGING)) SendMessageA(hWnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));
    RECT next{position.x, position.y, position.x + std::max(0, position.cx), position.y + std::max(0, position.cy)};
    bool moved = next.left != old.left || next.top != old.top;
    bool sized = platform::Width(next) != platform::Width(old) || platform::Height(next) != platform::Height(old);
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(hWnd);
        if (!window) return FALSE;
        window->rect = next;
    }
    if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOWNA);
    if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
    if ((moved || sized || (uFlags & SWP_FRAMECHANGED)) && !(uFlags & SWP_NOREDRAW)) {
        if (parent && (moved || sized)) RedrawWindow(parent, &old, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    if (!moved) position.flags |= SWP_NOMOVE;
    if (!sized) position.flags |= SWP_NOSIZE;
    position.x = next.left;
    position.y = next.top;
    SendMessageA(hWnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
    return TRUE;
}

extern "C" BOOL WINAPI AdjustWindowRectEx(LPRECT lpRect, DWORD dwStyle, BOOL bMenu, DWORD dwExStyle) {
    if (!lpRect) return FALSE;
    RECT insets = platform::FrameInsets(dwStyle & ~(WS_VSCROLL | WS_HSCROLL), dwExStyle);
    lpRect->left -= insets.left;
    lpRect->top -= insets.top + (bMenu ? GetSystemMetrics(SM_CYMENU) : 0);
    lpRect->right += insets.right;
    lpRect->bottom += insets.bottom;
    return TRUE;
}

extern "C" BOOL WINAPI AdjustWindowRect(LPRECT lpRect, DWORD dwStyle, BOOL bMenu) {
    return AdjustWindowRectEx(lpRect, dwStyle, bMenu, 0);
}

extern "C" int WINAPI GetSystemMetrics(int nIndex) {
    RECT screen = platform::ScreenRect();
    RECT work = platform::WorkArea();
    switch (nIndex) {
        case SM_CXSCREEN:
        case SM_CXVIRTUALSCREEN:
        case SM_CXFULLSCREEN:
            return platform::Width(screen);
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN:
            return platform::Height(screen);
        case SM_CYFULLSCREEN:
            return platform::Height(work) - platform::kCaption;
        case SM_CXMAXIMIZED:
            return platform::Width(work) + 2 * platform::kSizingFrame;
        case SM_CYMAXIMIZED:
            return platform::Height(work) + 2 * platform::kSizingFrame;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB:
            return platform::kScrollBar;
        case SM_CYCAPTION:
        case SM_CYMENU:
            return platform::kCaption;
        case SM_CXBORDER:
        case SM_CYBORDER:
            return platform::kBorder;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME:
            return platform::kDialogFrame;
        case SM_CXFRAME:
        case SM_CYFRAME:
            return platform::kSizingFrame;
        case SM_CXEDGE:
        case SM_CYEDGE:
            return platform::kEdge;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR:
            return 32;
        case SM_CXSMICON:
        case SM_CYSMICON:
        case SM_CYSMCAPTION:
            return 16;
        case SM_CXSIZE:
        case SM_CYSIZE:
        case SM_CXMENUSIZE:
        case SM_CYMENUSIZE:
            return 18;
        case SM_CXSMSIZE:
            return 12;
        case SM_CYSMSIZE:
            return 15;
        case SM_CXMIN:
        case SM_CXMINTRACK:
            return 112;
        case SM_CYMIN:
        case SM_CYMINTRACK:
            return 27;
        case SM_CXICONSPACING:
        case SM_CYICONSPACING:
            return 75;
        case SM_MOUSEPRESENT:
        case SM_CMONITORS:
            return 1;
        default:
            return 0;
    }
}

// The colours of Windows 2000's "Windows Standard" scheme, as COLORREFs (0x00BBGGRR).
extern "C" DWORD WINAPI GetSysColor(int nIndex) {
    switch (nIndex) {
        case COLOR_SCROLLBAR:
            return 0xC8D0D4;
        case COLOR_BACKGROUND:
            return 0xA56E3A;
        case COLOR_ACTIVECAPTION:
        case COLOR_HIGHLIGHT:
            return 0x6A240A;
        case COLOR_INACTIVECAPTION:
        case COLOR_BTNSHADOW:
        case COLOR_GRAYTEXT:
        case COLOR_APPWORKSPACE:
            return 0x808080;
        case COLOR_MENU:
        case COLOR_ACTIVEBORDER:
        case COLOR_INACTIVEBORDER:
        case COLOR_BTNFACE:
        case COLOR_3DLIGHT:
            return 0xC8D0D4;
        case COLOR_WINDOW:
        case COLOR_CAPTIONTEXT:
        case COLOR_HIGHLIGHTTEXT:
        case COLOR_BTNHIGHLIGHT:
            return 0xFFFFFF;
        case COLOR_WINDOWFRAME:
        case COLOR_MENUTEXT:
        case COLOR_WINDOWTEXT:
        case COLOR_BTNTEXT:
        case COLOR_INFOTEXT:
            return 0x000000;
        case COLOR_INACTIVECAPTIONTEXT:
        case COLOR_GRADIENTINACTIVECAPTION:
            return 0xC0C0C0;
        case COLOR_3DDKSHADOW:
            return 0x404040;
        case COLOR_INFOBK:
            return 0xE1FFFF;
        case COLOR_HOTLIGHT:
            return 0x800000;
        case COLOR_GRADIENTACTIVECAPTION:
            return 0xF0CAA6;
        default:
            return 0;
    }
}

// Dialog units to pixels with the dialog's base units: a horizontal unit is a quarter of the average
// character width, a vertical one an eighth of the character height.
extern "C" BOOL WINAPI MapDialogRect(HWND hDlg, LPRECT lpRect) {
    if (!lpRect) return FALSE;
    platform::DialogBaseUnits units;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = platform::FindOrFail(manager, hDlg);
        if (!window) return FALSE;
        if (!window->isDialog) {
            SetLastError(ERROR_WINDOW_NOT_DIALOG);
            return FALSE;
        }
        units = {window->baseUnitX, window->baseUnitY};
    }
    *lpRect = platform::DialogUnitsToPixels(*lpRect, units);
    return TRUE;
}

// The base units of the system font: width in the low word, height in the high word.
extern "C" LONG WINAPI GetDialogBaseUnits(void) {
    platform::DialogBaseUnits units = platform::BaseUnitsOfFont("", 0);
    return MAKELONG(units.x, units.y);
}
