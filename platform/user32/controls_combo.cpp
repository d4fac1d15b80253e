// The combo box: a list of items (control_items.h) and the text it shows closed. A drop-down list
// (CBS_DROPDOWNLIST) shows the selected item; a drop-down (CBS_DROPDOWN) and a simple combo box show their
// edit text, which a selection sets. The user picks an item from the drop-down list; the parent hears of
// it as on Windows: CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP.
#include "platform/machine/text.h"
#include <algorithm>

#include "platform/user32/control_items.h"
#include "platform/user32/control_look.h"
#include "platform/user32/user_acts.h"

namespace platform {

namespace {

std::optional<ItemOperation> ComboOperation(UINT message) {
    switch (message) {
        case CB_ADDSTRING:
            return ItemOperation::Add;
        case CB_INSERTSTRING:
            return ItemOperation::Insert;
        case CB_DELETESTRING:
            return ItemOperation::Delete;
        case CB_RESETCONTENT:
            return ItemOperation::Reset;
        case CB_GETCOUNT:
            return ItemOperation::Count;
        case CB_GETLBTEXT:
            return ItemOperation::GetText;
        case CB_GETLBTEXTLEN:
            return ItemOperation::GetTextLength;
        case CB_FINDSTRING:
            return ItemOperation::Find;
        case CB_FINDSTRINGEXACT:
            return ItemOperation::FindExact;
        case CB_GETITEMDATA:
            return ItemOperation::GetData;
        case CB_SETITEMDATA:
            return ItemOperation::SetData;
        case CB_GETCURSEL:
            return ItemOperation::GetSelection;
        case CB_SETCURSEL:
            return ItemOperation::SetSelection;
        case CB_SELECTSTRING:
            return ItemOperation::SelectString;
        default:
            return std::nullopt;
    }
}

bool IsDropDownList(const Window& window) { return (window.style & 3) == CBS_DROPDOWNLIST; }

// The closed text follows the selection: a drop-down list always shows the selected item (or nothing),
// an edit field takes the text of an item selected.
void ShowSelection(Window& window) {
    const ControlState& state = window.control;
    if (state.selectedItem >= 0) {
        window.text = state.items[static_cast<size_t>(state.selectedItem)].text;
    } else if (IsDropDownList(window)) {
        window.text.clear();
    }
}

// The user opens the drop-down list, picks the item and the list closes.
void UserPicks(HWND hWnd, int item) {
    bool valid = false;
    WithControlWindow(hWnd, [&](Window& window) {
        valid = !(window.style & WS_DISABLED) && item >= 0 && static_cast<size_t>(item) < window.control.items.size();
    });
    if (!valid) return;
    NotifyParentCommand(hWnd, CBN_DROPDOWN);
    bool changed = false;
    WithControlWindow(hWnd, [&](Window& window) {
        if (static_cast<size_t>(item) >= window.control.items.size()) return;
        changed = window.control.selectedItem != item;
        window.control.selectedItem = item;
        ShowSelection(window);
    });
    if (changed) RecordIfShown(hWnd);
    NotifyParentCommand(hWnd, CBN_SELCHANGE);
    NotifyParentCommand(hWnd, CBN_SELENDOK);
    NotifyParentCommand(hWnd, CBN_CLOSEUP);
}

// Closed, as Windows 2000 draws it: a sunken white field showing the text, and the raised button with
// its arrow at the right.
void PaintClosed(HWND hWnd) {
    std::string text;
    bool enabled = true;
    WithControlWindow(hWnd, [&](Window& window) {
        text = window.text;
        enabled = !(window.style & WS_DISABLED);
    });
    PaintInFont(hWnd, [&](HDC dc, RECT client) {
        RECT inner = client;
        DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        FillRect(dc, &inner, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
        RECT button = inner;
        button.left = std::max(inner.left, inner.right - GetSystemMetrics(SM_CXVSCROLL));
        DrawEdge(dc, &button, EDGE_RAISED, BF_RECT | BF_MIDDLE);
        // The arrow: rows of 7, 5, 3 and 1 pixels, centred in the button.
        COLORREF arrow = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
        int centerX = (button.left + button.right) / 2;
        int top = (button.top + button.bottom) / 2 - 2;
        for (int row = 0; row < 4; ++row) {
            for (int x = centerX - 3 + row; x <= centerX + 3 - row; ++x) SetPixelV(dc, x, top + row, arrow);
        }
        RECT field = inner;
        field.right = button.left;
        InflateRect(&field, -1, -1);
        DrawItemLine(dc, field, text, false, enabled);
    });
}

// The closed combo box is as high as a line of its font and its edges; the list it drops is not drawn.
void FitToFont(HWND hWnd) {
    RECT window{};
    GetWindowRect(hWnd, &window);
    SetWindowPos(hWnd, nullptr, 0, 0, window.right - window.left, LineHeight(hWnd) + 8,
                 SWP_NOMOVE | SWP_NOZORDER);
}

}  // namespace

LRESULT CALLBACK ComboBoxProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (std::optional<LRESULT> look = FontAndBackgroundLook(hWnd, Msg, wParam, lParam)) {
        if (Msg == WM_SETFONT) FitToFont(hWnd);
        return *look;
    }
    if (Msg == WM_PAINT) {
        PaintClosed(hWnd);
        return 0;
    }
    if (std::optional<ItemOperation> operation = ComboOperation(Msg)) {
        ItemResult result;
        WithControlWindow(hWnd, [&](Window& window) {
            result = HandleItems(window, *operation, wParam, lParam, (window.style & CBS_SORT) != 0);
            if (result.changed) ShowSelection(window);
        });
        if (result.changed) RecordIfShown(hWnd);
        return result.result;
    }
    switch (Msg) {
        case WM_CREATE:
            FitToFont(hWnd);
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
        case kUserActMessage:
            UserPicks(hWnd, static_cast<int>(lParam));
            return 0;
        case CB_SHOWDROPDOWN:
            return TRUE;
        case CB_GETDROPPEDSTATE:
            return FALSE;
        case WM_SETTEXT: {
            // A drop-down list has no text of its own: it shows its selection.
            bool dropDownList = false;
            WithControlWindow(hWnd, [&](Window& window) { dropDownList = IsDropDownList(window); });
            if (dropDownList) return CB_ERR;
            LRESULT result = DefWindowProcA(hWnd, Msg, wParam, lParam);
            InvalidateRect(hWnd, nullptr, TRUE);
            return result;
        }
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

}  // namespace platform
