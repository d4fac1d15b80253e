// The list box, and the item handling it shares with the combo box: texts with their data, kept in order
// of insertion (or sorted, without case, with LBS_SORT / CBS_SORT), one selected item, searches by the
// start of a text or the whole text without case that start after an item and wrap round.
#include <cstring>

#include "platform/machine/text.h"
#include "platform/user32/control_items.h"
#include "platform/user32/control_look.h"
#include "platform/user32/user_acts.h"

namespace platform {

namespace {

constexpr LRESULT kError = -1;

bool ValidIndex(const ControlState& state, WPARAM index) {
    return static_cast<INT_PTR>(index) >= 0 && static_cast<size_t>(index) < state.items.size();
}

std::string TextOf(LPARAM text) { return text ? reinterpret_cast<LPCSTR>(text) : ""; }

// The first item from after `start` round to `start` itself whose text matches.
LRESULT FindItem(const ControlState& state, WPARAM start, std::string_view text, bool exact) {
    size_t count = state.items.size();
    if (count == 0) return kError;
    size_t first = ValidIndex(state, start) ? static_cast<size_t>(start) + 1 : 0;
    for (size_t step = 0; step < count; ++step) {
        size_t index = (first + step) % count;
        std::string_view item = state.items[index].text;
        bool matches = exact ? EqualsNoCase(item, text)
                             : item.size() >= text.size() && EqualsNoCase(item.substr(0, text.size()), text);
        if (matches) return static_cast<LRESULT>(index);
    }
    return kError;
}

size_t InsertAt(ControlState& state, size_t index, std::string text) {
    state.items.insert(state.items.begin() + static_cast<std::ptrdiff_t>(index), {std::move(text), 0});
    if (state.selectedItem >= static_cast<int>(index)) ++state.selectedItem;
    return index;
}

}  // namespace

ItemResult HandleItems(Window& window, ItemOperation operation, WPARAM wParam, LPARAM lParam, bool sorted) {
    ControlState& state = window.control;
    switch (operation) {
        case ItemOperation::Add: {
            std::string text = TextOf(lParam);
            size_t index = state.items.size();
            if (sorted) {
                index = 0;
                while (index < state.items.size() && CompareNoCase(state.items[index].text, text) <= 0) ++index;
            }
            return {static_cast<LRESULT>(InsertAt(state, index, std::move(text))), true};
        }
        case ItemOperation::Insert: {
            auto index = static_cast<INT_PTR>(wParam);
            if (index == -1) index = static_cast<INT_PTR>(state.items.size());
            if (index < 0 || static_cast<size_t>(index) > state.items.size()) return {kError};
            return {static_cast<LRESULT>(InsertAt(state, static_cast<size_t>(index), TextOf(lParam))), true};
        }
        case ItemOperation::Delete: {
            if (!ValidIndex(state, wParam)) return {kError};
            int index = static_cast<int>(wParam);
            state.items.erase(state.items.begin() + index);
            if (state.selectedItem == index) {
                state.selectedItem = -1;
            } else if (state.selectedItem > index) {
                --state.selectedItem;
            }
            return {static_cast<LRESULT>(state.items.size()), true};
        }
        case ItemOperation::Reset:
            state.items.clear();
            state.selectedItem = -1;
            return {0, true};
        case ItemOperation::Count:
            return {static_cast<LRESULT>(state.items.size())};
        case ItemOperation::GetText: {
            if (!ValidIndex(state, wParam)) return {kError};
            const std::string& text = state.items[wParam].text;
            if (lParam) std::memcpy(reinterpret_cast<LPSTR>(lParam), text.c_str(), text.size() + 1);
            return {static_cast<LRESULT>(text.size())};
        }
        case ItemOperation::GetTextLength:
            return {ValidIndex(state, wParam) ? static_cast<LRESULT>(state.items[wParam].text.size()) : kError};
        case ItemOperation::Find:
        case ItemOperation::FindExact:
            return {FindItem(state, wParam, TextOf(lParam), operation == ItemOperation::FindExact)};
        case ItemOperation::GetData:
            return {ValidIndex(state, wParam) ? state.items[wParam].data : kError};
        case ItemOperation::SetData:
            if (!ValidIndex(state, wParam)) return {kError};
            state.items[wParam].data = lParam;
            return {TRUE};
        case ItemOperation::GetSelection:
            return {state.selectedItem};
        case ItemOperation::SetSelection: {
            // An index out of range (-1 among them) removes the selection and answers an error.
            int previous = state.selectedItem;
            state.selectedItem = ValidIndex(state, wParam) ? static_cast<int>(wParam) : -1;
            return {state.selectedItem == -1 ? kError : state.selectedItem, previous != state.selectedItem};
        }
        case ItemOperation::SelectString: {
            LRESULT found = FindItem(state, wParam, TextOf(lParam), false);
            if (found == kError) return {kError};
            bool changed = state.selectedItem != static_cast<int>(found);
            state.selectedItem = static_cast<int>(found);
            return {found, changed};
        }
    }
    return {kError};
}

void NotifyParentCommand(HWND control, WORD code) {
    HWND parent = GetParent(control);
    if (!parent) return;
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code), reinterpret_cast<LPARAM>(control));
}

void RecordIfShown(HWND control) {
    bool shown = false;
    WithControlWindow(control, [&](Window& window) {
        shown = IsShownLocked(WindowManager::Instance(), window);
    });
    InvalidateRect(control, nullptr, TRUE);
    if (shown) RecordControlChanged(control);
}

int LineHeight(HWND control) {
    HDC dc = GetDC(control);
    if (!dc) return 13;
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    if (previous) SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return metrics.tmHeight > 0 ? static_cast<int>(metrics.tmHeight) : 13;
}

void DrawItemLine(HDC dc, const RECT& line, const std::string& text, bool selected, bool enabled) {
    FillRect(dc, &line, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    COLORREF previous = SetTextColor(
        dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    int mode = SetBkMode(dc, TRANSPARENT);
    RECT area = line;
    area.left += 2;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(dc, mode);
    SetTextColor(dc, previous);
}

namespace {

std::optional<ItemOperation> ListBoxOperation(UINT message) {
    switch (message) {
        case LB_ADDSTRING:
            return ItemOperation::Add;
        case LB_INSERTSTRING:
            return ItemOperation::Insert;
        case LB_DELETESTRING:
            return ItemOperation::Delete;
        case LB_RESETCONTENT:
            return ItemOperation::Reset;
        case LB_GETCOUNT:
            return ItemOperation::Count;
        case LB_GETTEXT:
            return ItemOperation::GetText;
        case LB_GETTEXTLEN:
            return ItemOperation::GetTextLength;
        case LB_FINDSTRING:
            return ItemOperation::Find;
        case LB_FINDSTRINGEXACT:
            return ItemOperation::FindExact;
        case LB_GETITEMDATA:
            return ItemOperation::GetData;
        case LB_SETITEMDATA:
            return ItemOperation::SetData;
        case LB_GETCURSEL:
            return ItemOperation::GetSelection;
        case LB_SETCURSEL:
            return ItemOperation::SetSelection;
        case LB_SELECTSTRING:
            return ItemOperation::SelectString;
        default:
            return std::nullopt;
    }
}

// The item a key moves the selection to, from the selected one, with `page` items to a page.
int ItemAfterKey(WPARAM key, int selected, int count, int page) {
    switch (key) {
        case VK_HOME:
            return 0;
        case VK_END:
            return count - 1;
        case VK_UP:
            return selected < 0 ? 0 : selected - 1;
        case VK_DOWN:
            return selected + 1;
        case VK_PRIOR:
            return selected < 0 ? 0 : selected - page;
        case VK_NEXT:
            return selected + page;
        default:
            return selected;
    }
}

// A selection the user moved: kept inside the list, and told to the parent with LBS_NOTIFY.
void UserSelects(HWND hWnd, int item, WORD notification) {
    bool changed = false;
    bool notify = false;
    WithControlWindow(hWnd, [&](Window& window) {
        int count = static_cast<int>(window.control.items.size());
        if (count == 0 || (window.style & WS_DISABLED)) return;
        if (item < 0) item = 0;
        if (item >= count) item = count - 1;
        changed = window.control.selectedItem != item;
        window.control.selectedItem = item;
        notify = (window.style & LBS_NOTIFY) != 0;
    });
    if (changed) RecordIfShown(hWnd);
    if (notify && (changed || notification == LBN_DBLCLK)) NotifyParentCommand(hWnd, LBN_SELCHANGE);
    if (notify && notification == LBN_DBLCLK) NotifyParentCommand(hWnd, LBN_DBLCLK);
}

// White, with a line for each item from the first; the selected one highlighted.
void PaintListBox(HWND hWnd) {
    std::vector<std::string> items;
    int selected = -1;
    bool enabled = true;
    WithControlWindow(hWnd, [&](Window& window) {
        for (const ControlState::Item& item : window.control.items) items.push_back(item.text);
        selected = window.control.selectedItem;
        enabled = !(window.style & WS_DISABLED);
    });
    int height = LineHeight(hWnd);
    PaintInFont(hWnd, [&](HDC dc, RECT client) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        for (size_t index = 0; index < items.size(); ++index) {
            RECT line{client.left, client.top + static_cast<LONG>(index) * height, client.right,
                      client.top + static_cast<LONG>(index + 1) * height};
            if (line.top >= client.bottom) break;
            DrawItemLine(dc, line, items[index], static_cast<int>(index) == selected, enabled);
        }
    });
}

}  // namespace

LRESULT CALLBACK ListBoxProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> look = FontAndBackgroundLook(hWnd, Msg, wParam, lParam)) return *look;
    if (Msg == WM_PAINT) {
        PaintListBox(hWnd);
        return 0;
    }
    if (std::optional<ItemOperation> operation = ListBoxOperation(Msg)) {
        ItemResult result;
        WithControlWindow(hWnd, [&](Window& window) {
            result = HandleItems(window, *operation, wParam, lParam, (window.style & LBS_SORT) != 0);
        });
        if (result.changed) RecordIfShown(hWnd);
        return result.result;
    }
    switch (Msg) {
        case LB_GETTOPINDEX:
            return 0;
        case kUserActMessage:
            UserSelects(hWnd, static_cast<int>(lParam), wParam == kUserDoubleClick ? LBN_DBLCLK : LBN_SELCHANGE);
            return 0;
        case WM_KEYDOWN: {
            int selected = -1;
            int count = 0;
            WithControlWindow(hWnd, [&](Window& window) {
                selected = window.control.selectedItem;
                count = static_cast<int>(window.control.items.size());
            });
            int next = ItemAfterKey(wParam, selected, count, 8);
            if (next != selected) UserSelects(hWnd, next, LBN_SELCHANGE);
            return 0;
        }
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

}  // namespace platform
