// The drawing shared by the window frames and the standard controls, over gdi32 calls.
#include "platform/user32/look.h"

#include <map>
#include <mutex>

namespace platform::look {

namespace {

// Pens of one pixel by colour, made once and kept for the life of the process.
HPEN PenOf(COLORREF color) {
    static std::mutex mutex;
    static auto* pens = new std::map<COLORREF, HPEN>;
    std::lock_guard<std::mutex> lock(mutex);
    HPEN& pen = (*pens)[color];
    if (!pen) pen = CreatePen(PS_SOLID, 1, color);
    return pen;
}

}  // namespace

void Fill(HDC dc, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color) {
    HGDIOBJ previous = SelectObject(dc, PenOf(color));
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, previous);
}

void Frame(HDC dc, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    Fill(dc, RECT{rect.left, rect.top, rect.right, rect.top + 1}, color);
    Fill(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, color);
    Fill(dc, RECT{rect.left, rect.top, rect.left + 1, rect.bottom}, color);
    Fill(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, color);
}

HFONT FontOf(HWND window) {
    auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    return font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
}

int Label(HDC dc, const std::string& text, RECT area, UINT format, bool enabled) {
    int mode = SetBkMode(dc, TRANSPARENT);
    int height = 0;
    if (enabled) {
        height = DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
    } else {
        COLORREF color = SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        RECT shifted = area;
        OffsetRect(&shifted, 1, 1);
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &shifted, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        height = DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
        SetTextColor(dc, color);
    }
    SetBkMode(dc, mode);
    return height;
}

SIZE TextSize(HDC dc, const std::string& text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

}  // namespace platform::look
