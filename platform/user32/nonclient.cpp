// Window frames as Windows 2000's classic look draws them: raised dialog and sizing frames, the caption
// bar with its gradient, small icon, bold text and buttons, sunken and static edges of controls, thin
// borders and scroll bars; and DrawEdge, FillRect, FrameRect and GetSysColorBrush.
#include "platform/user32/nonclient.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string>

#include "platform/gdi32/user_drawing.h"
#include "platform/machine/text.h"
#include "platform/user32/control_look.h"
#include "platform/user32/look.h"
#include "platform/user32/window_geometry.h"

namespace platform {

namespace {

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

COLORREF Mix(COLORREF from, COLORREF to, int step, int steps) {
    auto channel = [&](int shift) {
        int a = (from >> shift) & 0xFF;
        int b = (to >> shift) & 0xFF;
        return static_cast<COLORREF>(a + (b - a) * step / std::max(1, steps)) << shift;
    };
    return channel(0) | channel(8) | channel(16);
}

// The caption font: the dialog font's face, 8 points, bold; made once.
HFONT CaptionFont() {
    static HFONT font = CreateFontA(-11, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
    return font;
}

enum class Glyph { Close, Minimize, Maximize, Help, Up, Down };

void Pixel(HDC dc, int x, int y, COLORREF color) { SetPixelV(dc, x, y, color); }

// A glyph centred in `area`, in `color`.
void DrawGlyph(HDC dc, RECT area, Glyph glyph, COLORREF color) {
    int cx = area.left + Width(area) / 2;
    int cy = area.top + Height(area) / 2;
    switch (glyph) {
        case Glyph::Close:
            // Two strokes two pixels wide, 8 by 7.
            for (int step = 0; step < 7; ++step) {
                int y = cy - 4 + step;
                Pixel(dc, cx - 4 + step, y, color);
                Pixel(dc, cx - 3 + step, y, color);
                Pixel(dc, cx + 3 - step, y, color);
                Pixel(dc, cx + 2 - step, y, color);
            }
            break;
        case Glyph::Minimize:
            look::Fill(dc, RECT{cx - 4, cy + 2, cx + 2, cy + 4}, color);
            break;
        case Glyph::Maximize:
            look::Frame(dc, RECT{cx - 5, cy - 5, cx + 4, cy + 4}, color);
            look::Fill(dc, RECT{cx - 5, cy - 4, cx + 4, cy - 3}, color);
            break;
        case Glyph::Help: {
            HGDIOBJ previous = SelectObject(dc, CaptionFont());
            int mode = SetBkMode(dc, TRANSPARENT);
            COLORREF text = SetTextColor(dc, color);
            DrawTextA(dc, "?", 1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SetTextColor(dc, text);
            SetBkMode(dc, mode);
            SelectObject(dc, previous);
            break;
        }
        case Glyph::Up:
        case Glyph::Down:
            // A triangle 7 wide and 4 high.
            for (int row = 0; row < 4; ++row) {
                int y = glyph == Glyph::Up ? cy - 2 + row : cy + 1 - row;
                look::Fill(dc, RECT{cx - row, y, cx + row + 1, y + 1}, color);
            }
            break;
    }
}

// A push button of the caption or of a scroll bar: raised, its glyph black, or embossed when disabled.
void DrawSmallButton(HDC dc, RECT area, Glyph glyph, bool enabled) {
    DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE | BF_ADJUST);
    if (enabled) {
        DrawGlyph(dc, area, glyph, GetSysColor(COLOR_BTNTEXT));
        return;
    }
    RECT shifted = area;
    OffsetRect(&shifted, 1, 1);
    DrawGlyph(dc, shifted, glyph, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawGlyph(dc, area, glyph, GetSysColor(COLOR_BTNSHADOW));
}

struct FrameFacts {
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT window{};  // window coordinates
    RECT client{};  // window coordinates
    bool child = false;
    bool enabled = true;
    bool edit = false;
    std::string text;
    HICON icon = nullptr;
};

FrameFacts FactsOf(HWND handle) {
    FrameFacts facts;
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) return facts;
    facts.style = window->style;
    facts.exStyle = window->exStyle;
    facts.window = RECT{0, 0, Width(window->rect), Height(window->rect)};
    facts.client = ClientRectInWindow(*window);
    facts.child = (window->style & WS_CHILD) != 0;
    facts.enabled = !(window->style & WS_DISABLED);
    facts.edit = EqualsNoCase(window->className, "EDIT");
    facts.text = window->text;
    facts.icon = window->smallIcon ? window->smallIcon : window->bigIcon;
    if (!facts.icon) {
        if (const WindowClass* windowClass = manager.FindClass(window->className)) facts.icon = windowClass->icon;
    }
    return facts;
}

void DrawCaption(HDC dc, const FrameFacts& facts, RECT& area) {
    bool tool = (facts.exStyle & WS_EX_TOOLWINDOW) != 0;
    int height = tool ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    RECT bar{area.left, area.top, area.right, area.top + height - 1};
    look::Fill(dc, RECT{area.left, bar.bottom, area.right, bar.bottom + 1}, GetSysColor(COLOR_BTNFACE));
    area.top += height;
    // The owner of a modal dialog is disabled and shown inactive.
    COLORREF left = GetSysColor(facts.enabled ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    COLORREF right = GetSysColor(facts.enabled ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
    int width = Width(bar);
    for (int x = 0; x < width; ++x) {
        look::Fill(dc, RECT{bar.left + x, bar.top, bar.left + x + 1, bar.bottom}, Mix(left, right, x, width - 1));
    }
    int textLeft = bar.left + 2;
    bool withIcon = (facts.style & WS_SYSMENU) && !tool &&
                    (!(facts.exStyle & WS_EX_DLGMODALFRAME) || facts.icon);
    if (withIcon) {
        HICON icon = facts.icon ? facts.icon : LoadIconA(nullptr, IDI_APPLICATION);
        int size = GetSystemMetrics(SM_CXSMICON);
        DrawIconEx(dc, bar.left + 2, bar.top + (Height(bar) - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
        textLeft += size + 2;
    }
    int buttonsLeft = bar.right;
    if (facts.style & WS_SYSMENU) {
        int buttonWidth = (tool ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE)) - 2;
        int buttonHeight = Height(bar) - 4;
        RECT close{bar.right - 2 - buttonWidth, bar.top + 2, bar.right - 2, bar.top + 2 + buttonHeight};
        DrawSmallButton(dc, close, Glyph::Close, true);
        buttonsLeft = close.left;
        bool minimize = (facts.style & WS_MINIMIZEBOX) != 0;
        bool maximize = (facts.style & WS_MAXIMIZEBOX) != 0;
        if ((minimize || maximize) && !tool) {
            RECT next{close.left - 2 - buttonWidth, close.top, close.left - 2, close.bottom};
            DrawSmallButton(dc, next, Glyph::Maximize, maximize);
            OffsetRect(&next, -buttonWidth, 0);
            DrawSmallButton(dc, next, Glyph::Minimize, minimize);
            buttonsLeft = next.left;
        } else if (facts.exStyle & WS_EX_CONTEXTHELP) {
            RECT help{close.left - 2 - buttonWidth, close.top, close.left - 2, close.bottom};
            DrawSmallButton(dc, help, Glyph::Help, true);
            buttonsLeft = help.left;
        }
    }
    HGDIOBJ previous = SelectObject(dc, CaptionFont());
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF text = SetTextColor(dc, GetSysColor(facts.enabled ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT textArea{textLeft, bar.top, buttonsLeft - 2, bar.bottom};
    DrawTextA(dc, facts.text.c_str(), static_cast<int>(facts.text.size()), &textArea,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, text);
    SetBkMode(dc, mode);
    SelectObject(dc, previous);
}

// A vertical scroll bar in `area`: its arrow buttons and the dotted track between them, with a thumb at
// the top as long as the part seen (`seen` of `whole`) when not all is; its arrows greyed when all is.
void DrawVerticalScrollBar(HDC dc, RECT area, bool enabled, int seen, int whole) {
    int size = GetSystemMetrics(SM_CXVSCROLL);
    RECT up{area.left, area.top, area.right, std::min(area.bottom, area.top + size)};
    RECT down{area.left, std::max(area.top, area.bottom - size), area.right, area.bottom};
    for (int y = up.bottom; y < down.top; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            Pixel(dc, x, y, GetSysColor((x + y) % 2 ? COLOR_BTNFACE : COLOR_BTNHIGHLIGHT));
        }
    }
    bool scrolls = enabled && whole > seen && seen > 0;
    DrawSmallButton(dc, up, Glyph::Up, scrolls);
    DrawSmallButton(dc, down, Glyph::Down, scrolls);
    int track = down.top - up.bottom;
    if (!scrolls || track < 8) return;
    int thumb = std::max(8, static_cast<int>(static_cast<long long>(track) * seen / whole));
    RECT knob{area.left, up.bottom, area.right, up.bottom + thumb};
    DrawEdge(dc, &knob, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE);
}

}  // namespace

void DrawFrame(HWND handle, HDC dc) {
    FrameFacts facts = FactsOf(handle);
    RECT area = facts.window;
    if (facts.exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    if (facts.exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &area, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    bool dialogFrame = !(facts.style & WS_THICKFRAME) &&
                       ((facts.exStyle & WS_EX_DLGMODALFRAME) || (facts.style & WS_DLGFRAME));
    if (dialogFrame || (facts.style & WS_THICKFRAME)) {
        DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_ADJUST);
        int rest = (dialogFrame ? GetSystemMetrics(SM_CXDLGFRAME) : GetSystemMetrics(SM_CXFRAME)) - 2;
        for (int ring = 0; ring < rest; ++ring) {
            look::Frame(dc, area, GetSysColor(COLOR_BTNFACE));
            InflateRect(&area, -1, -1);
        }
    } else if (facts.style & WS_BORDER) {
        look::Frame(dc, area, GetSysColor(COLOR_WINDOWFRAME));
        InflateRect(&area, -1, -1);
    }
    if ((facts.style & WS_CAPTION) == WS_CAPTION) DrawCaption(dc, facts, area);
    if (facts.style & WS_VSCROLL) {
        int size = GetSystemMetrics(SM_CXVSCROLL);
        int seen = facts.client.bottom - facts.client.top;
        int whole = facts.edit ? EditTextHeight(handle) : seen;
        DrawVerticalScrollBar(dc, RECT{facts.client.right, facts.client.top, facts.client.right + size, facts.client.bottom},
                              facts.enabled, seen, whole);
    }
}

}  // namespace platform

// Windows' classic edges: the outer line of a raised edge light at the top and left and darkest at the
// bottom and right, its inner line white and grey; a sunken edge the other way round. BF_SOFT draws the
// outer raised line white (push buttons).
extern "C" BOOL WINAPI DrawEdge(HDC hdc, LPRECT qrc, UINT edge, UINT grfFlags) {
    if (!hdc || !qrc) return FALSE;
    RECT area = *qrc;
    struct Pass {
        UINT raised;
        UINT sunken;
        int raisedTopLeft, raisedBottomRight, sunkenTopLeft, sunkenBottomRight;
    };
    bool soft = (grfFlags & BF_SOFT) != 0;
    const Pass passes[] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, soft ? COLOR_BTNHIGHLIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW,
         COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, soft ? COLOR_3DLIGHT : COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW,
         COLOR_3DDKSHADOW, COLOR_3DLIGHT},
    };
    for (const Pass& pass : passes) {
        int topLeft = -1;
        int bottomRight = -1;
        if (edge & pass.raised) {
            topLeft = pass.raisedTopLeft;
            bottomRight = pass.raisedBottomRight;
        } else if (edge & pass.sunken) {
            topLeft = pass.sunkenTopLeft;
            bottomRight = pass.sunkenBottomRight;
        }
        if (topLeft < 0 || area.right <= area.left || area.bottom <= area.top) continue;
        if (grfFlags & BF_FLAT) topLeft = bottomRight = COLOR_BTNSHADOW;
        COLORREF light = GetSysColor(topLeft);
        COLORREF dark = GetSysColor(bottomRight);
        if (grfFlags & BF_TOP) platform::look::Fill(hdc, RECT{area.left, area.top, area.right - 1, area.top + 1}, light);
        if (grfFlags & BF_LEFT) platform::look::Fill(hdc, RECT{area.left, area.top, area.left + 1, area.bottom - 1}, light);
        if (grfFlags & BF_BOTTOM) platform::look::Fill(hdc, RECT{area.left, area.bottom - 1, area.right, area.bottom}, dark);
        if (grfFlags & BF_RIGHT) platform::look::Fill(hdc, RECT{area.right - 1, area.top, area.right, area.bottom}, dark);
        if (grfFlags & BF_LEFT) ++area.left;
        if (grfFlags & BF_TOP) ++area.top;
        if (grfFlags & BF_RIGHT) --area.right;
        if (grfFlags & BF_BOTTOM) --area.bottom;
    }
    if (grfFlags & BF_MIDDLE) platform::look::Fill(hdc, area, GetSysColor(COLOR_BTNFACE));
    if (grfFlags & BF_ADJUST) *qrc = area;
    return TRUE;
}

// A brush handle of (HBRUSH)(COLOR_xxx + 1) is the system colour's brush, as in a window class.
extern "C" int WINAPI FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    auto value = reinterpret_cast<ULONG_PTR>(hbr);
    if (value && value <= COLOR_GRADIENTINACTIVECAPTION + 1) hbr = GetSysColorBrush(static_cast<int>(value) - 1);
    return platform::gdi::FillRect(hDC, lprc, hbr);
}

extern "C" int WINAPI FrameRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    auto value = reinterpret_cast<ULONG_PTR>(hbr);
    if (value && value <= COLOR_GRADIENTINACTIVECAPTION + 1) hbr = GetSysColorBrush(static_cast<int>(value) - 1);
    return platform::gdi::FrameRect(hDC, lprc, hbr);
}

extern "C" BOOL WINAPI InvertRect(HDC hDC, const RECT* lprc) { return platform::gdi::InvertRect(hDC, lprc); }

extern "C" BOOL WINAPI DrawFocusRect(HDC hDC, const RECT* lprc) { return platform::gdi::DrawFocusRect(hDC, lprc); }

extern "C" int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
    return platform::gdi::DrawText(hdc, lpchText, cchText, lprc, format);
}

// The brushes of the system colours, made once; DeleteObject of one is to be left alone, as on Windows.
extern "C" HBRUSH WINAPI GetSysColorBrush(int nIndex) {
    if (nIndex < 0 || nIndex > COLOR_GRADIENTINACTIVECAPTION) return nullptr;
    static std::mutex mutex;
    static auto* brushes = new std::map<int, HBRUSH>;
    std::lock_guard<std::mutex> lock(mutex);
    HBRUSH& brush = (*brushes)[nIndex];
    if (!brush) brush = CreateSolidBrush(GetSysColor(nIndex));
    return brush;
}
