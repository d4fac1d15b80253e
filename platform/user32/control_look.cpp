// How the standard controls draw themselves (their WM_PAINT), as Windows 2000's classic look has them:
// push buttons raised (the default one framed in black), check boxes and radio buttons, group boxes
// etched, edit boxes white (grey when read-only), static texts, pictures, rectangles and etched lines,
// progress bars in blocks. Colours and brushes come from the parent's WM_CTLCOLOR* answer; texts are drawn
// in the control's font.
#include "platform/user32/control_look.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "commctrl.h"
#include "platform/user32/icons.h"
#include "platform/user32/look.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

constexpr int kCheckBox = 13;
constexpr int kRadio = 12;

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

struct ControlFacts {
    DWORD style = 0;
    std::string text;
    ControlState state;
    HANDLE image = nullptr;
    UINT imageType = 0;
    bool enabled = true;
    bool focused = false;
};

ControlFacts FactsOf(HWND handle) {
    ControlFacts facts;
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) return facts;
    facts.style = window->style;
    facts.text = window->text;
    facts.state = window->control;
    facts.image = window->image;
    facts.imageType = window->imageType;
    facts.enabled = !(window->style & WS_DISABLED);
    std::shared_ptr<MessageQueue> queue = manager.QueueOf(GetCurrentThreadId());
    facts.focused = queue && queue->focus == handle;
    return facts;
}

// The brush (and the colours set on the DC) the parent gives for the control, else the default ones.
HBRUSH ControlBrush(HWND control, HDC dc, UINT message) {
    HWND parent = GetParent(control);
    HBRUSH brush = nullptr;
    if (parent) {
        brush = reinterpret_cast<HBRUSH>(
            SendMessageA(parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    }
    if (!brush) {
        brush = reinterpret_cast<HBRUSH>(
            DefWindowProcA(control, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    }
    return brush;
}

// Paints through BeginPaint and EndPaint, with the control's font selected.
template <typename Draw>
LRESULT Paint(HWND handle, Draw draw) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(handle, &paint);
    if (!dc) return 0;
    HGDIOBJ previous = SelectObject(dc, look::FontOf(handle));
    RECT client{};
    GetClientRect(handle, &client);
    draw(dc, client, FactsOf(handle));
    SelectObject(dc, previous);
    EndPaint(handle, &paint);
    return 0;
}

void DrawPicture(HDC dc, HANDLE image, UINT type, RECT area, bool centre) {
    if (!image) return;
    SIZE size = ImageSize(image, type);
    int x = area.left;
    int y = area.top;
    if (centre) {
        x += (Width(area) - size.cx) / 2;
        y += (Height(area) - size.cy) / 2;
    }
    if (type == IMAGE_ICON || type == IMAGE_CURSOR) {
        DrawIconEx(dc, x, y, static_cast<HICON>(image), size.cx, size.cy, 0, nullptr, DI_NORMAL);
        return;
    }
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(memory, image);
    BitBlt(dc, x, y, size.cx, size.cy, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

// The classic check mark, 7 by 7.
constexpr const char* kCheckMark[] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};

void DrawCheckBox(HDC dc, RECT box, int check, bool enabled) {
    DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    look::Fill(dc, box, GetSysColor(enabled && check != BST_INDETERMINATE ? COLOR_WINDOW : COLOR_BTNFACE));
    if (check == BST_UNCHECKED) return;
    COLORREF mark = GetSysColor(enabled && check == BST_CHECKED ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW);
    for (int row = 0; row < 7; ++row) {
        for (int column = 0; column < 7; ++column) {
            if (kCheckMark[row][column] == '#') SetPixelV(dc, box.left + 1 + column, box.top + 1 + row, mark);
        }
    }
}

// A round button 12 by 12: its upper left shaded, its lower right lit, white inside, a dot when checked.
void DrawRadio(HDC dc, int left, int top, bool checked, bool enabled) {
    const double centre = (kRadio - 1) / 2.0;
    for (int y = 0; y < kRadio; ++y) {
        for (int x = 0; x < kRadio; ++x) {
            double distance = std::hypot(x - centre, y - centre);
            bool upperLeft = x + y < kRadio - 1;
            int color = -1;
            if (distance <= 4.3) {
                color = enabled ? COLOR_WINDOW : COLOR_BTNFACE;
                if (checked && distance <= 1.9) color = enabled ? COLOR_WINDOWTEXT : COLOR_BTNSHADOW;
            } else if (distance <= 5.2) {
                color = upperLeft ? COLOR_3DDKSHADOW : COLOR_3DLIGHT;
            } else if (distance <= 6.1) {
                color = upperLeft ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT;
            }
            if (color >= 0) SetPixelV(dc, left + x, top + y, GetSysColor(color));
        }
    }
}

UINT ButtonTextFormat(DWORD style) {
    UINT format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
    switch (style & BS_CENTER) {
        case BS_LEFT:
            return format | DT_LEFT;
        case BS_RIGHT:
            return format | DT_RIGHT;
        default:
            return format | DT_CENTER;
    }
}

void DrawPushButton(HWND handle, HDC dc, RECT client, const ControlFacts& facts) {
    ControlBrush(handle, dc, WM_CTLCOLORBTN);
    RECT area = client;
    if ((facts.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        look::Frame(dc, area, GetSysColor(COLOR_WINDOWFRAME));
        InflateRect(&area, -1, -1);
    }
    bool pushed = (facts.state.check & BST_PUSHED) != 0;
    if (pushed) {
        look::Frame(dc, area, GetSysColor(COLOR_BTNSHADOW));
        InflateRect(&area, -1, -1);
        look::Fill(dc, area, GetSysColor(COLOR_BTNFACE));
        OffsetRect(&area, 1, 1);
    } else {
        DrawEdge(dc, &area, EDGE_RAISED, BF_RECT | BF_SOFT | BF_MIDDLE | BF_ADJUST);
    }
    if ((facts.style & (BS_ICON | BS_BITMAP)) && facts.image) {
        DrawPicture(dc, facts.image, facts.imageType, area, true);
        return;
    }
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT text = area;
    InflateRect(&text, -2, -1);
    if (facts.focused) {
        // The focus rectangle, a pixel inside the raised edge.
        RECT focus = area;
        InflateRect(&focus, -1, -1);
        DrawFocusRect(dc, &focus);
    }
    if (facts.style & BS_MULTILINE) {
        RECT measured = text;
        int height = DrawTextA(dc, facts.text.c_str(), -1, &measured, DT_CALCRECT | DT_WORDBREAK);
        text.top += std::max(0, (Height(text) - height) / 2);
    }
    look::Label(dc, facts.text, text, ButtonTextFormat(facts.style), facts.enabled);
}

void DrawCheckOrRadio(HWND handle, HDC dc, RECT client, const ControlFacts& facts, bool radio) {
    HBRUSH brush = ControlBrush(handle, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &client, brush);
    int size = radio ? kRadio : kCheckBox;
    bool leftText = (facts.style & BS_LEFTTEXT) != 0;
    int boxLeft = leftText ? client.right - size : client.left;
    int boxTop = client.top + (Height(client) - size) / 2;
    if (radio) {
        DrawRadio(dc, boxLeft, boxTop, facts.state.check == BST_CHECKED, facts.enabled);
    } else {
        DrawCheckBox(dc, RECT{boxLeft, boxTop, boxLeft + size, boxTop + size}, facts.state.check & 3, facts.enabled);
    }
    RECT text = leftText ? RECT{client.left, client.top, client.right - size - 4, client.bottom}
                         : RECT{client.left + kCheckBox + 4, client.top, client.right, client.bottom};
    UINT format = (facts.style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER;
    if (leftText) format |= DT_RIGHT;
    look::Label(dc, facts.text, text, format, facts.enabled);
    if (facts.focused && !facts.text.empty()) {
        // The focus rectangle around the text, a pixel out from it.
        RECT measured = text;
        DrawTextA(dc, facts.text.c_str(), -1, &measured, (format & ~(DT_RIGHT | DT_VCENTER)) | DT_CALCRECT);
        int width = Width(measured);
        int height = Height(measured);
        int left = leftText ? text.right - width : text.left;
        int top = (format & DT_VCENTER) ? text.top + (Height(text) - height) / 2 : text.top;
        RECT focus{left - 1, top - 1, left + width + 1, top + height + 1};
        IntersectRect(&focus, &focus, &client);
        DrawFocusRect(dc, &focus);
    }
}

void DrawGroupBox(HWND handle, HDC dc, RECT client, const ControlFacts& facts) {
    HBRUSH brush = ControlBrush(handle, dc, WM_CTLCOLORSTATIC);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT frame{client.left, client.top + metrics.tmHeight / 2, client.right, client.bottom};
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    if (facts.text.empty()) return;
    RECT text{client.left + 8, client.top, client.right - 8, client.top + metrics.tmHeight};
    RECT measured = text;
    DrawTextA(dc, facts.text.c_str(), -1, &measured, DT_CALCRECT | DT_SINGLELINE);
    RECT behind{text.left - 1, text.top, std::min(text.right, measured.right + 1), text.bottom};
    FillRect(dc, &behind, brush);
    look::Label(dc, facts.text, text, DT_LEFT | DT_SINGLELINE, facts.enabled);
}

UINT StaticTextFormat(DWORD style) {
    UINT format = DT_EXPANDTABS;
    switch (style & SS_TYPEMASK) {
        case SS_CENTER:
            format |= DT_CENTER | DT_WORDBREAK;
            break;
        case SS_RIGHT:
            format |= DT_RIGHT | DT_WORDBREAK;
            break;
        case SS_SIMPLE:
            format = DT_LEFT | DT_SINGLELINE;
            break;
        case SS_LEFTNOWORDWRAP:
            break;
        default:
            format |= DT_LEFT | DT_WORDBREAK;
            break;
    }
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    return format;
}

void DrawStatic(HWND handle, HDC dc, RECT client, const ControlFacts& facts) {
    DWORD type = facts.style & SS_TYPEMASK;
    switch (type) {
        case SS_BLACKRECT:
        case SS_GRAYRECT:
        case SS_WHITERECT: {
            int color = type == SS_BLACKRECT ? COLOR_3DDKSHADOW : type == SS_GRAYRECT ? COLOR_3DSHADOW : COLOR_3DHILIGHT;
            look::Fill(dc, client, GetSysColor(color));
            return;
        }
        case SS_BLACKFRAME:
        case SS_GRAYFRAME:
        case SS_WHITEFRAME: {
            int color = type == SS_BLACKFRAME ? COLOR_3DDKSHADOW : type == SS_GRAYFRAME ? COLOR_3DSHADOW : COLOR_3DHILIGHT;
            look::Frame(dc, client, GetSysColor(color));
            return;
        }
        case SS_ETCHEDHORZ:
            DrawEdge(dc, &client, EDGE_ETCHED, BF_TOP);
            return;
        case SS_ETCHEDVERT:
            DrawEdge(dc, &client, EDGE_ETCHED, BF_LEFT);
            return;
        case SS_ETCHEDFRAME:
            DrawEdge(dc, &client, EDGE_ETCHED, BF_RECT);
            return;
        case SS_OWNERDRAW:
            return;
        default:
            break;
    }
    HBRUSH brush = ControlBrush(handle, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &client, brush);
    if (type == SS_ICON || type == SS_BITMAP) {
        DrawPicture(dc, facts.image, facts.imageType, client, (facts.style & SS_CENTERIMAGE) != 0);
        return;
    }
    look::Label(dc, facts.text, client, StaticTextFormat(facts.style), facts.enabled);
}

// Tabs as spaces up to the next stop, every eight average character widths of the font, as an edit box
// sets its tab stops.
std::string ExpandTabs(HDC dc, const std::string& text) {
    if (text.find('\t') == std::string::npos) return text;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    int stop = std::max<int>(1, metrics.tmAveCharWidth * 8);
    std::string expanded;
    size_t lineStart = 0;
    for (char character : text) {
        if (character == '\n') lineStart = expanded.size() + 1;
        if (character != '\t') {
            expanded += character;
            continue;
        }
        int width = look::TextSize(dc, expanded.substr(lineStart)).cx;
        int next = (width / stop + 1) * stop;
        do {
            expanded += ' ';
        } while (look::TextSize(dc, expanded.substr(lineStart)).cx < next);
    }
    return expanded;
}

// An edit box lays its text out itself: a multi-line one breaks its lines at line breaks and between words
// (the blanks that start a line kept), tabs expanded.
std::vector<std::string> EditLines(HDC dc, const std::string& text, int width, bool multiline) {
    std::vector<std::string> lines;
    if (!multiline) {
        std::string line = text.substr(0, text.find_first_of("\r\n"));
        lines.push_back(ExpandTabs(dc, line));
        return lines;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        std::string paragraph = ExpandTabs(dc, text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        // Words with the blanks after them; a line takes words while they fit.
        std::string current;
        size_t index = 0;
        while (index < paragraph.size()) {
            size_t wordEnd = paragraph.find_first_not_of(' ', paragraph.find(' ', index));
            if (wordEnd == std::string::npos) wordEnd = paragraph.size();
            std::string word = paragraph.substr(index, wordEnd - index);
            std::string trimmed = (current + word).substr(0, (current + word).find_last_not_of(' ') + 1);
            if (!current.empty() && look::TextSize(dc, trimmed).cx > width) {
                lines.push_back(current);
                current = word;
            } else {
                current += word;
            }
            index = wordEnd;
        }
        lines.push_back(current);
        if (end == std::string::npos) break;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

void DrawEdit(HWND handle, HDC dc, RECT client, const ControlFacts& facts) {
    bool plain = (facts.style & ES_READONLY) || !facts.enabled;
    HBRUSH brush = ControlBrush(handle, dc, plain ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    FillRect(dc, &client, brush);
    std::string text = facts.text;
    if (facts.style & ES_PASSWORD) text.assign(text.size(), '*');
    if (!facts.enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    bool multiline = (facts.style & ES_MULTILINE) != 0;
    RECT area{client.left + 1, client.top + (multiline ? 0 : 1), client.right - 1, client.bottom};
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    int mode = SetBkMode(dc, TRANSPARENT);
    int y = area.top;
    for (const std::string& line : EditLines(dc, text, area.right - area.left, multiline)) {
        if (y >= area.bottom) break;
        int width = look::TextSize(dc, line).cx;
        int x = area.left;
        if (facts.style & ES_CENTER) x = area.left + (area.right - area.left - width) / 2;
        if (facts.style & ES_RIGHT) x = area.right - width;
        RECT clip{area.left, y, area.right, std::min<LONG>(area.bottom, y + metrics.tmHeight)};
        ExtTextOutA(dc, x, y, ETO_CLIPPED, &clip, line.c_str(), static_cast<UINT>(line.size()), nullptr);
        y += metrics.tmHeight;
    }
    SetBkMode(dc, mode);
}

void DrawProgress(HDC dc, RECT client, const ControlFacts& facts) {
    look::Fill(dc, client, GetSysColor(COLOR_BTNFACE));
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    int range = facts.state.rangeHigh - facts.state.rangeLow;
    if (range <= 0 || Width(inner) <= 0) return;
    int filled = static_cast<int>(static_cast<long long>(Width(inner)) * (facts.state.position - facts.state.rangeLow) / range);
    COLORREF color = GetSysColor(COLOR_HIGHLIGHT);
    if (facts.style & PBS_SMOOTH) {
        look::Fill(dc, RECT{inner.left, inner.top, inner.left + filled, inner.bottom}, color);
        return;
    }
    int block = std::max(1, Height(inner) * 2 / 3);
    for (int x = inner.left; x < inner.left + filled; x += block + 2) {
        look::Fill(dc, RECT{x, inner.top, std::min(x + block, inner.right), inner.bottom}, color);
    }
}

// What every standard control does alike: its font, no separate erasing (WM_PAINT fills its background).
std::optional<LRESULT> CommonLook(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFONT: {
            WindowManager& manager = WindowManager::Instance();
            {
                std::lock_guard<std::mutex> lock(manager.mutex);
                std::shared_ptr<Window> window = manager.Find(handle);
                if (window) window->font = reinterpret_cast<HFONT>(wParam);
            }
            if (LOWORD(lParam)) InvalidateRect(handle, nullptr, TRUE);
            return 0;
        }
        case WM_GETFONT: {
            WindowManager& manager = WindowManager::Instance();
            std::lock_guard<std::mutex> lock(manager.mutex);
            std::shared_ptr<Window> window = manager.Find(handle);
            return window ? reinterpret_cast<LRESULT>(window->font) : 0;
        }
        case WM_ERASEBKGND:
            return 1;
        default:
            return std::nullopt;
    }
}

HANDLE SwapImage(HWND handle, HANDLE image, UINT type) {
    HANDLE previous = nullptr;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return nullptr;
        previous = window->image;
        window->image = image;
        window->imageType = type;
    }
    InvalidateRect(handle, nullptr, TRUE);
    return previous;
}

HANDLE ImageOf(HWND handle) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    return window ? window->image : nullptr;
}

// An icon or bitmap static takes its picture from the resource its text names, and the picture's size.
void LoadStaticPicture(HWND handle, const CREATESTRUCTA& create) {
    DWORD type = static_cast<DWORD>(create.style) & SS_TYPEMASK;
    if ((type != SS_ICON && type != SS_BITMAP) || !create.lpszName) return;
    LPCSTR name = create.lpszName;
    std::string number;
    if (!IS_INTRESOURCE(name) && name[0] == '#') {
        number = name + 1;
        name = MAKEINTRESOURCEA(std::atoi(number.c_str()));
    }
    if (!IS_INTRESOURCE(name) && name[0] == '\0') return;
    HANDLE image = type == SS_ICON ? static_cast<HANDLE>(LoadIconA(create.hInstance, name))
                                   : static_cast<HANDLE>(LoadBitmapA(create.hInstance, name));
    if (!image) return;
    UINT imageType = type == SS_ICON ? IMAGE_ICON : IMAGE_BITMAP;
    SIZE size = ImageSize(image, imageType);
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) return;
    window->image = image;
    window->imageType = imageType;
    if (!(create.style & (SS_CENTERIMAGE | SS_REALSIZEIMAGE))) {
        window->rect.right = window->rect.left + size.cx;
        window->rect.bottom = window->rect.top + size.cy;
    }
}

}  // namespace

int EditTextHeight(HWND handle) {
    ControlFacts facts = FactsOf(handle);
    RECT client{};
    GetClientRect(handle, &client);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, look::FontOf(handle));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    size_t lines = EditLines(dc, facts.text, client.right - 2, (facts.style & ES_MULTILINE) != 0).size();
    SelectObject(dc, previous);
    DeleteDC(dc);
    return static_cast<int>(lines) * metrics.tmHeight;
}

std::optional<LRESULT> ButtonLook(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> common = CommonLook(handle, message, wParam, lParam)) return common;
    switch (message) {
        case WM_PAINT:
            return Paint(handle, [handle](HDC dc, RECT client, const ControlFacts& facts) {
                switch (facts.style & BS_TYPEMASK) {
                    case BS_CHECKBOX:
                    case BS_AUTOCHECKBOX:
                    case BS_3STATE:
                    case BS_AUTO3STATE:
                        DrawCheckOrRadio(handle, dc, client, facts, false);
                        break;
                    case BS_RADIOBUTTON:
                    case BS_AUTORADIOBUTTON:
                        DrawCheckOrRadio(handle, dc, client, facts, true);
                        break;
                    case BS_GROUPBOX:
                        DrawGroupBox(handle, dc, client, facts);
                        break;
                    case BS_OWNERDRAW:
                    case BS_USERBUTTON:
                        break;
                    default:
                        DrawPushButton(handle, dc, client, facts);
                        break;
                }
            });
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            // Drawn again with the focus rectangle, or without it.
            InvalidateRect(handle, nullptr, TRUE);
            return 0;
        case BM_SETIMAGE:
            return reinterpret_cast<LRESULT>(SwapImage(handle, reinterpret_cast<HANDLE>(lParam), static_cast<UINT>(wParam)));
        case BM_GETIMAGE:
            return reinterpret_cast<LRESULT>(ImageOf(handle));
        case BM_SETSTYLE: {
            {
                WindowManager& manager = WindowManager::Instance();
                std::lock_guard<std::mutex> lock(manager.mutex);
                std::shared_ptr<Window> window = manager.Find(handle);
                if (window) window->style = (window->style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFF);
            }
            if (LOWORD(lParam)) InvalidateRect(handle, nullptr, TRUE);
            return 0;
        }
        default:
            return std::nullopt;
    }
}

std::optional<LRESULT> StaticLook(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> common = CommonLook(handle, message, wParam, lParam)) return common;
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (create && (create->style & SS_SUNKEN)) {
                WindowManager& manager = WindowManager::Instance();
                std::lock_guard<std::mutex> lock(manager.mutex);
                if (std::shared_ptr<Window> window = manager.Find(handle)) window->exStyle |= WS_EX_STATICEDGE;
            }
            return std::nullopt;
        }
        case WM_CREATE:
            if (const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam)) LoadStaticPicture(handle, *create);
            return 0;
        case WM_PAINT:
            return Paint(handle, [handle](HDC dc, RECT client, const ControlFacts& facts) {
                DrawStatic(handle, dc, client, facts);
            });
        case STM_SETICON:
            return reinterpret_cast<LRESULT>(SwapImage(handle, reinterpret_cast<HANDLE>(wParam), IMAGE_ICON));
        case STM_GETICON:
        case STM_GETIMAGE:
            return reinterpret_cast<LRESULT>(ImageOf(handle));
        case STM_SETIMAGE:
            return reinterpret_cast<LRESULT>(SwapImage(handle, reinterpret_cast<HANDLE>(lParam), static_cast<UINT>(wParam)));
        default:
            return std::nullopt;
    }
}

std::optional<LRESULT> EditLook(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> common = CommonLook(handle, message, wParam, lParam)) return common;
    if (message != WM_PAINT) return std::nullopt;
    return Paint(handle, [handle](HDC dc, RECT client, const ControlFacts& facts) { DrawEdit(handle, dc, client, facts); });
}

std::optional<LRESULT> FontAndBackgroundLook(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    return CommonLook(handle, message, wParam, lParam);
}

std::optional<LRESULT> ProgressLook(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> common = CommonLook(handle, message, wParam, lParam)) return common;
    if (message != WM_PAINT) return std::nullopt;
    return Paint(handle, [](HDC dc, RECT client, const ControlFacts& facts) { DrawProgress(dc, client, facts); });
}

}  // namespace platform
