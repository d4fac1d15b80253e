// The tab control: a row of tabs with texts, images and data, one of them current. A click on another tab
// asks the parent first (TCN_SELCHANGING, which can refuse) and tells it after (TCN_SELCHANGE); setting
// the current tab by message tells no one.
#include <cstring>
#include <string>
#include <vector>

#include "platform/comctl32/control_state.h"
#include "platform/user32/user_acts.h"
#include "platform/user32/window_manager.h"

namespace platform::comctl32 {

namespace {

struct Tab {
    std::string text;
    int image = -1;
    LPARAM data = 0;
};

struct TabState {
    std::vector<Tab> tabs;
    int current = -1;
    HIMAGELIST images = nullptr;
    HFONT font = nullptr;
};

// The tabs for the transcript: "first" (current), "second".
void Present(HWND control, const TabState& state) {
    std::string line;
    for (size_t index = 0; index < state.tabs.size(); ++index) {
        if (index) line += ", ";
        line += "\"" + state.tabs[index].text + "\"";
        if (static_cast<int>(index) == state.current) line += " (current)";
    }
    SetControlPresentation(control, "tabs", state.tabs.empty() ? "none" : line);
    InvalidateRect(control, nullptr, TRUE);
}

void Store(Tab& tab, const TCITEMA& item) {
    if ((item.mask & TCIF_TEXT) && item.pszText) tab.text = item.pszText;
    if (item.mask & TCIF_IMAGE) tab.image = item.iImage;
    if (item.mask & TCIF_PARAM) tab.data = item.lParam;
}

LRESULT GetItem(const TabState& state, WPARAM index, TCITEMA* item) {
    if (!item || index >= state.tabs.size()) return FALSE;
    const Tab& tab = state.tabs[index];
    if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t count = std::min(tab.text.size(), static_cast<size_t>(item->cchTextMax) - 1);
        std::memcpy(item->pszText, tab.text.data(), count);
        item->pszText[count] = '\0';
    }
    if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
    if (item->mask & TCIF_PARAM) item->lParam = tab.data;
    if (item->mask & TCIF_STATE) item->dwState = 0;
    return TRUE;
}

// The user's click on a tab.
void UserClicks(HWND control, TabState& state, int index) {
    if (index < 0 || static_cast<size_t>(index) >= state.tabs.size() || index == state.current) return;
    if (!IsWindowEnabled(control)) return;
    NMHDR header{};
    if (SendNotify(control, TCN_SELCHANGING, header)) return;
    // The parent may have changed the tabs while it was asked.
    TabState* now = StateOf<TabState>(control);
    if (!now || static_cast<size_t>(index) >= now->tabs.size()) return;
    now->current = index;
    Present(control, *now);
    NMHDR changed{};
    SendNotify(control, TCN_SELCHANGE, changed);
}

void HorizontalLine(HDC dc, int x1, int x2, int y, int colorIndex) {
    RECT line{x1, y, x2, y + 1};
    FillRect(dc, &line, GetSysColorBrush(colorIndex));
}

void VerticalLine(HDC dc, int x, int y1, int y2, int colorIndex) {
    RECT line{x, y1, x + 1, y2};
    FillRect(dc, &line, GetSysColorBrush(colorIndex));
}

// A tab's raised outline, open at the bottom, its top corners cut.
void TabOutline(HDC dc, const RECT& tab) {
    VerticalLine(dc, tab.left, tab.top + 2, tab.bottom, COLOR_BTNHIGHLIGHT);
    SetPixelV(dc, tab.left + 1, tab.top + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HorizontalLine(dc, tab.left + 2, tab.right - 2, tab.top, COLOR_BTNHIGHLIGHT);
    SetPixelV(dc, tab.right - 2, tab.top + 1, GetSysColor(COLOR_3DDKSHADOW));
    VerticalLine(dc, tab.right - 2, tab.top + 2, tab.bottom, COLOR_BTNSHADOW);
    VerticalLine(dc, tab.right - 1, tab.top + 2, tab.bottom, COLOR_3DDKSHADOW);
}

// As Windows 2000 draws it: a row of raised tabs, the current one larger and open onto the raised body
// below, where the current page lies.
void Paint(HWND control, const TabState& state) {
    PaintControl(control, state.font, [&](HDC dc, RECT client) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        int rowHeight = static_cast<int>(metrics.tmHeight) + 7;
        int imageWidth = 0;
        int imageHeight = 0;
        if (state.images) ImageList_GetIconSize(state.images, &imageWidth, &imageHeight);
        RECT body{client.left, client.top + rowHeight, client.right, client.bottom};
        DrawEdge(dc, &body, EDGE_RAISED, BF_RECT | BF_SOFT);
        int x = client.left + 2;
        RECT currentTab{};
        for (size_t index = 0; index < state.tabs.size(); ++index) {
            const Tab& tab = state.tabs[index];
            SIZE size{};
            GetTextExtentPoint32A(dc, tab.text.c_str(), static_cast<int>(tab.text.size()), &size);
            bool image = state.images && tab.image >= 0;
            int width = static_cast<int>(size.cx) + 12 + (image ? imageWidth + 3 : 0);
            RECT area{x, client.top + 2, x + width, client.top + rowHeight};
            bool current = static_cast<int>(index) == state.current;
            RECT outline = area;
            if (current) {
                InflateRect(&outline, 2, 0);
                outline.top -= 2;
                outline.bottom += 1;
                currentTab = outline;
            } else {
                TabOutline(dc, outline);
            }
            int textLeft = area.left + 6;
            if (image) {
                ImageList_Draw(state.images, tab.image, dc, textLeft, area.top + (rowHeight - 2 - imageHeight) / 2,
                               ILD_TRANSPARENT);
                textLeft += imageWidth + 3;
            }
            RECT label{textLeft, current ? area.top - 1 : area.top, area.right - 4, area.bottom};
            DrawLine(dc, tab.text, label, DT_LEFT | DT_VCENTER, COLOR_BTNTEXT);
            x += width;
        }
        // The current tab is drawn last, over its neighbours' edges, and opens onto the body.
        if (state.current >= 0) {
            RECT open{currentTab.left + 1, currentTab.bottom - 2, currentTab.right - 2, currentTab.bottom};
            FillRect(dc, &open, GetSysColorBrush(COLOR_BTNFACE));
            TabOutline(dc, currentTab);
        }
    });
}

}  // namespace

LRESULT CALLBACK TabControlProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_NCCREATE) CreateState<TabState>(hWnd);
    TabState* state = StateOf<TabState>(hWnd);
    if (!state) return DefWindowProcA(hWnd, Msg, wParam, lParam);
    switch (Msg) {
        case WM_CREATE:
            Present(hWnd, *state);
            return 0;
        case WM_NCDESTROY:
            DestroyState<TabState>(hWnd);
            return 0;
        case WM_SETFONT:
            state->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) InvalidateRect(hWnd, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state->font);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Paint(hWnd, *state);
            return 0;
        case TCM_INSERTITEMA: {
            const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
            if (!item || static_cast<INT_PTR>(wParam) < 0) return -1;
            size_t index = std::min(static_cast<size_t>(wParam), state->tabs.size());
            Tab tab;
            Store(tab, *item);
            state->tabs.insert(state->tabs.begin() + static_cast<std::ptrdiff_t>(index), tab);
            // The first tab becomes the current one; a tab before the current one moves it on.
            if (state->current < 0) {
                state->current = 0;
            } else if (static_cast<int>(index) <= state->current) {
                ++state->current;
            }
            Present(hWnd, *state);
            return static_cast<LRESULT>(index);
        }
        case TCM_SETITEMA: {
            const auto* item = reinterpret_cast<const TCITEMA*>(lParam);
            if (!item || wParam >= state->tabs.size()) return FALSE;
            Store(state->tabs[wParam], *item);
            Present(hWnd, *state);
            return TRUE;
        }
        case TCM_GETITEMA:
            return GetItem(*state, wParam, reinterpret_cast<TCITEMA*>(lParam));
        case TCM_GETITEMCOUNT:
            return static_cast<LRESULT>(state->tabs.size());
        case TCM_DELETEITEM: {
            if (wParam >= state->tabs.size()) return FALSE;
            int index = static_cast<int>(wParam);
            state->tabs.erase(state->tabs.begin() + index);
            if (state->current == index) {
                state->current = -1;
            } else if (state->current > index) {
                --state->current;
            }
            Present(hWnd, *state);
            return TRUE;
        }
        case TCM_DELETEALLITEMS:
            state->tabs.clear();
            state->current = -1;
            Present(hWnd, *state);
            return TRUE;
        case TCM_GETCURSEL:
        case TCM_GETCURFOCUS:
            return state->current;
        case TCM_SETCURSEL:
        case TCM_SETCURFOCUS: {
            int previous = state->current;
            if (wParam >= state->tabs.size()) return -1;
            state->current = static_cast<int>(wParam);
            Present(hWnd, *state);
            return previous;
        }
        case TCM_SETIMAGELIST: {
            HIMAGELIST previous = state->images;
            state->images = reinterpret_cast<HIMAGELIST>(lParam);
            InvalidateRect(hWnd, nullptr, TRUE);
            return reinterpret_cast<LRESULT>(previous);
        }
        case TCM_GETIMAGELIST:
            return reinterpret_cast<LRESULT>(state->images);
        case kUserActMessage:
            UserClicks(hWnd, *state, static_cast<int>(lParam));
            return 0;
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

}  // namespace platform::comctl32
