// The list view in report view: columns, rows of texts (one per column) with an image and data, and
// their states (selected, focused). The user's clicks select a row and then tell the parent (NM_CLICK,
// NM_DBLCLK); a key is told first (LVN_KEYDOWN) and then moves the focus and the selection. Every change
// of a row's state is told as LVN_ITEMCHANGING and LVN_ITEMCHANGED.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/comctl32/control_state.h"
#include "platform/machine/text.h"
#include "platform/user32/user_acts.h"
#include "platform/user32/window_manager.h"

namespace platform::comctl32 {

namespace {

struct Column {
    std::string text;
    int width = 0;
    int format = LVCFMT_LEFT;
};

struct Row {
    std::vector<std::string> texts;  // by column (sub-item); the first is the row's own text
    int image = -1;
    LPARAM data = 0;
    UINT state = 0;
    int indent = 0;
};

struct ListViewState {
    std::vector<Column> columns;
    std::vector<Row> rows;
    DWORD extendedStyle = 0;
    HIMAGELIST normalImages = nullptr;
    HIMAGELIST smallImages = nullptr;
    HIMAGELIST stateImages = nullptr;
    int top = 0;
    int selectionMark = -1;
    HFONT font = nullptr;
};

// Rows are as high as a small icon or a line of the dialog font, whichever is more, and a pixel; the
// column header as high as a row.
constexpr int kRowHeight = 17;

bool Valid(const ListViewState& state, int row) { return row >= 0 && static_cast<size_t>(row) < state.rows.size(); }

int HeaderHeight(HWND control) {
    return (GetWindowLongPtrA(control, GWL_STYLE) & LVS_NOCOLUMNHEADER) ? 0 : kRowHeight;
}

// The rows that fit whole in the client area below the header.
int CountPerPage(HWND control) {
    RECT client{};
    GetClientRect(control, &client);
    return std::max(1, static_cast<int>(client.bottom - client.top - HeaderHeight(control)) / kRowHeight);
}

// The rows for the transcript: a first line with the columns, then a line for each row with its index,
// texts, image and state.
void Present(HWND control, const ListViewState& state) {
    std::string text = std::to_string(state.rows.size()) + (state.rows.size() == 1 ? " row" : " rows");
    if (!state.columns.empty()) {
        text += "; columns";
        for (size_t index = 0; index < state.columns.size(); ++index)
            text += (index ? " | \"" : " \"") + state.columns[index].text + "\"";
    }
    for (size_t index = 0; index < state.rows.size(); ++index) {
        const Row& row = state.rows[index];
        text += "\n    " + std::to_string(index);
        for (size_t column = 0; column < std::max<size_t>(1, row.texts.size()); ++column) {
            text += (column ? " | \"" : " \"") + (column < row.texts.size() ? row.texts[column] : "") + "\"";
        }
        std::vector<std::string> marks;
        if (row.image >= 0) marks.push_back("icon " + std::to_string(row.image));
        if (row.state & LVIS_SELECTED) marks.push_back("selected");
        if (row.state & LVIS_FOCUSED) marks.push_back("focused");
        for (size_t mark = 0; mark < marks.size(); ++mark) text += (mark ? ", " : " (") + marks[mark];
        if (!marks.empty()) text += ")";
    }
    SetControlPresentation(control, "listview", text);
    InvalidateRect(control, nullptr, TRUE);
}

void CopyText(const std::string& text, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return;
    size_t count = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
}

// Changes a row's state under `mask`, telling the parent; false when the parent refused the change.
bool ChangeState(HWND control, ListViewState& state, int index, UINT newState, UINT mask) {
    Row& row = state.rows[static_cast<size_t>(index)];
    UINT next = (row.state & ~mask) | (newState & mask);
    if (next == row.state) return true;
    NMLISTVIEW change{};
    change.iItem = index;
    change.uNewState = next;
    change.uOldState = row.state;
    change.uChanged = LVIF_STATE;
    change.lParam = row.data;
    if (SendNotify(control, LVN_ITEMCHANGING, change.hdr)) return false;
    ListViewState* now = StateOf<ListViewState>(control);
    if (!now || !Valid(*now, index)) return false;
    now->rows[static_cast<size_t>(index)].state = next;
    NMLISTVIEW changed = change;
    SendNotify(control, LVN_ITEMCHANGED, changed.hdr);
    return true;
}

bool SingleSelection(HWND control) { return (GetWindowLongPtrA(control, GWL_STYLE) & LVS_SINGLESEL) != 0; }

// Sets the state of one row (or of every row, index -1). One row at most has the focus, and one the
// selection with LVS_SINGLESEL: giving it to a row takes it from the others.
BOOL SetState(HWND control, ListViewState& state, int index, UINT newState, UINT mask) {
    if (index != -1 && !Valid(state, index)) return FALSE;
    bool takes = index != -1 && (((mask & LVIS_FOCUSED) && (newState & LVIS_FOCUSED)) ||
                                 ((mask & LVIS_SELECTED) && (newState & LVIS_SELECTED) && SingleSelection(control)));
    if (takes) {
        UINT taken = mask & newState & (LVIS_FOCUSED | (SingleSelection(control) ? LVIS_SELECTED : 0));
        for (size_t other = 0; other < state.rows.size(); ++other) {
            if (static_cast<int>(other) == index || !(state.rows[other].state & taken)) continue;
            ChangeState(control, state, static_cast<int>(other), 0, taken);
        }
    }
    ListViewState* now = StateOf<ListViewState>(control);
    if (!now) return FALSE;
    if (index == -1) {
        for (size_t row = 0; row < now->rows.size(); ++row) ChangeState(control, *now, static_cast<int>(row), newState, mask);
    } else if (Valid(*now, index)) {
        ChangeState(control, *now, index, newState, mask);
    }
    if ((now = StateOf<ListViewState>(control))) Present(control, *now);
    return TRUE;
}

void EnsureVisible(HWND control, ListViewState& state, int index) {
    if (!Valid(state, index)) return;
    int page = CountPerPage(control);
    int top = state.top;
    if (index < state.top) state.top = index;
    if (index >= state.top + page) state.top = index - page + 1;
    if (state.top != top) InvalidateRect(control, nullptr, TRUE);
}

// The next row from `start` (excluded; -1 from the first) with every state `flags` asks for, forwards, or
// backwards with LVNI_ABOVE.
int NextItem(const ListViewState& state, int start, UINT flags) {
    UINT wanted = flags & (LVNI_FOCUSED | LVNI_SELECTED | LVNI_CUT | LVNI_DROPHILITED);
    int count = static_cast<int>(state.rows.size());
    bool above = (flags & LVNI_ABOVE) != 0;
    int step = above ? -1 : 1;
    int index = start == -1 ? (above ? -1 : 0) : start + step;
    for (; index >= 0 && index < count; index += step) {
        if ((state.rows[static_cast<size_t>(index)].state & wanted) == wanted) return index;
    }
    return -1;
}

LRESULT InsertColumn(HWND control, ListViewState& state, WPARAM where, const LVCOLUMNA* column) {
    if (!column || static_cast<INT_PTR>(where) < 0) return -1;
    size_t index = std::min(static_cast<size_t>(where), state.columns.size());
    Column added;
    if ((column->mask & LVCF_TEXT) && column->pszText) added.text = column->pszText;
    if (column->mask & LVCF_WIDTH) added.width = column->cx;
    if (column->mask & LVCF_FMT) added.format = column->fmt;
    state.columns.insert(state.columns.begin() + static_cast<std::ptrdiff_t>(index), added);
    // The rows' texts follow their columns.
    for (Row& row : state.rows) {
        if (index > 0 && index <= row.texts.size()) row.texts.insert(row.texts.begin() + static_cast<std::ptrdiff_t>(index), "");
    }
    Present(control, state);
    return static_cast<LRESULT>(index);
}

void StoreItem(Row& row, const LVITEMA& item) {
    if ((item.mask & LVIF_TEXT)) {
        if (row.texts.size() <= static_cast<size_t>(item.iSubItem)) row.texts.resize(static_cast<size_t>(item.iSubItem) + 1);
        row.texts[static_cast<size_t>(item.iSubItem)] = item.pszText ? item.pszText : "";
    }
    if (item.iSubItem != 0) return;
    if (item.mask & LVIF_IMAGE) row.image = item.iImage;
    if (item.mask & LVIF_PARAM) row.data = item.lParam;
    if (item.mask & LVIF_INDENT) row.indent = item.iIndent;
}

LRESULT InsertItem(HWND control, ListViewState& state, const LVITEMA* item) {
    if (!item || item->iSubItem != 0 || item->iItem < 0) return -1;
    size_t index = std::min(static_cast<size_t>(item->iItem), state.rows.size());
    LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    Row row;
    row.texts.resize(1);
    StoreItem(row, *item);
    if (style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) {
        bool ascending = (style & LVS_SORTASCENDING) != 0;
        index = 0;
        while (index < state.rows.size()) {
            int order = CompareNoCase(state.rows[index].texts[0], row.texts[0]);
            if (ascending ? order > 0 : order < 0) break;
            ++index;
        }
    }
    state.rows.insert(state.rows.begin() + static_cast<std::ptrdiff_t>(index), row);
    if (state.selectionMark >= static_cast<int>(index)) ++state.selectionMark;
    NMLISTVIEW inserted{};
    inserted.iItem = static_cast<int>(index);
    SendNotify(control, LVN_INSERTITEM, inserted.hdr);
    ListViewState* now = StateOf<ListViewState>(control);
    if (now && (item->mask & LVIF_STATE) && Valid(*now, static_cast<int>(index)))
        SetState(control, *now, static_cast<int>(index), item->state, item->stateMask);
    if ((now = StateOf<ListViewState>(control))) Present(control, *now);
    return static_cast<LRESULT>(index);
}

LRESULT GetItem(const ListViewState& state, LVITEMA* item) {
    if (!item || !Valid(state, item->iItem) || item->iSubItem < 0) return FALSE;
    const Row& row = state.rows[static_cast<size_t>(item->iItem)];
    if (item->mask & LVIF_TEXT) {
        size_t column = static_cast<size_t>(item->iSubItem);
        CopyText(column < row.texts.size() ? row.texts[column] : "", item->pszText, item->cchTextMax);
    }
    if (item->mask & LVIF_IMAGE) item->iImage = row.image;
    if (item->mask & LVIF_PARAM) item->lParam = row.data;
    if (item->mask & LVIF_INDENT) item->iIndent = row.indent;
    if (item->mask & LVIF_STATE) item->state = row.state & item->stateMask;
    return TRUE;
}

LRESULT DeleteAll(HWND control) {
    NMLISTVIEW all{};
    all.iItem = -1;
    // The parent answers TRUE when it wants no LVN_DELETEITEM for each row.
    bool each = !SendNotify(control, LVN_DELETEALLITEMS, all.hdr);
    ListViewState* now = StateOf<ListViewState>(control);
    if (!now) return FALSE;
    if (each) {
        for (int index = 0; index < static_cast<int>(now->rows.size()); ++index) {
            NMLISTVIEW deleted{};
            deleted.iItem = index;
            deleted.lParam = now->rows[static_cast<size_t>(index)].data;
            SendNotify(control, LVN_DELETEITEM, deleted.hdr);
            if (!(now = StateOf<ListViewState>(control))) return FALSE;
        }
    }
    now->rows.clear();
    now->top = 0;
    now->selectionMark = -1;
    Present(control, *now);
    return TRUE;
}

// The user's click on a row: it becomes the one selected and focused, then the parent hears of it.
void UserClicks(HWND control, ListViewState& state, int index, bool twice) {
    if (!IsWindowEnabled(control) || !Valid(state, index)) return;
    if (SingleSelection(control)) {
        SetState(control, state, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    } else {
        SetState(control, state, -1, 0, LVIS_SELECTED);
        if (ListViewState* now = StateOf<ListViewState>(control))
            SetState(control, *now, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    ListViewState* now = StateOf<ListViewState>(control);
    if (!now) return;
    now->selectionMark = index;
    EnsureVisible(control, *now, index);
    NMITEMACTIVATE click{};
    click.iItem = index;
    SendNotify(control, NM_CLICK, click.hdr);
    if (!twice) return;
    NMITEMACTIVATE doubleClick{};
    doubleClick.iItem = index;
    SendNotify(control, NM_DBLCLK, doubleClick.hdr);
    if (!(now = StateOf<ListViewState>(control)) || !Valid(*now, index)) return;
    NMITEMACTIVATE activate{};
    activate.iItem = index;
    SendNotify(control, LVN_ITEMACTIVATE, activate.hdr);
}

// The row a key moves the focus to; Page Up goes to the top visible row, or a page higher when it is
// there already, Page Down to the bottom visible row, or a page lower.
int RowAfterKey(HWND control, const ListViewState& state, WPARAM key, int focused) {
    int count = static_cast<int>(state.rows.size());
    int page = CountPerPage(control);
    int bottom = std::min(count - 1, state.top + page - 1);
    switch (key) {
        case VK_HOME:
            return 0;
        case VK_END:
            return count - 1;
        case VK_UP:
            return focused < 0 ? 0 : std::max(0, focused - 1);
        case VK_DOWN:
            return std::min(count - 1, focused + 1);
        case VK_PRIOR:
            return focused == state.top ? std::max(0, focused - page) : state.top;
        case VK_NEXT:
            return focused == bottom ? std::min(count - 1, focused + page - 1) : bottom;
        default:
            return -1;
    }
}

void UserPressesKey(HWND control, WPARAM key) {
    NMLVKEYDOWN pressed{};
    pressed.wVKey = static_cast<WORD>(key);
    pressed.flags = 0;
    SendNotify(control, LVN_KEYDOWN, pressed.hdr);
    ListViewState* state = StateOf<ListViewState>(control);
    if (!state || state->rows.empty()) return;
    if (key == VK_RETURN) {
        NMHDR header{};
        SendNotify(control, NM_RETURN, header);
        return;
    }
    int focused = NextItem(*state, -1, LVNI_FOCUSED);
    int next = RowAfterKey(control, *state, key, focused);
    if (key == VK_SPACE) next = focused;
    if (next < 0) return;
    if (!SingleSelection(control)) SetState(control, *state, -1, 0, LVIS_SELECTED);
    if (!(state = StateOf<ListViewState>(control)) || !Valid(*state, next)) return;
    SetState(control, *state, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    if (!(state = StateOf<ListViewState>(control))) return;
    state->selectionMark = next;
    EnsureVisible(control, *state, next);
}

LRESULT ItemRect(HWND control, const ListViewState& state, int index, RECT* rect) {
    if (!rect || !Valid(state, index)) return FALSE;
    int header = HeaderHeight(control);
    int width = 0;
    for (const Column& column : state.columns) width += column.width;
    int code = rect->left;
    rect->top = header + (index - state.top) * kRowHeight;
    rect->bottom = rect->top + kRowHeight;
    rect->left = code == LVIR_LABEL ? 18 : 0;
    rect->right = code == LVIR_ICON ? 18 : width;
    return TRUE;
}

// Report view as Windows 2000 draws it: the column header as a row of raised buttons, then the rows from
// the top one, each with its small icon and its texts by column; the selected row highlighted (the whole
// row with LVS_EX_FULLROWSELECT, else its label); with the focus, the focused row's dotted rectangle.
void Paint(HWND control, const ListViewState& state) {
    bool enabled = IsWindowEnabled(control) != FALSE;
    bool focused = GetFocus() == control;
    PaintControl(control, state.font, [&](HDC dc, RECT client) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        int header = HeaderHeight(control);
        int x = client.left;
        if (header) {
            for (const Column& column : state.columns) {
                RECT cell{x, client.top, x + column.width, client.top + header};
                DrawEdge(dc, &cell, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
                RECT label{cell.left + 6, cell.top, cell.right - 6, cell.bottom};
                DrawLine(dc, column.text, label, DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS, COLOR_BTNTEXT);
                x = cell.right;
            }
            if (x < client.right) {
                RECT rest{x, client.top, client.right, client.top + header};
                DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
            }
        }
        int imageWidth = 0;
        int imageHeight = 0;
        if (state.smallImages) ImageList_GetIconSize(state.smallImages, &imageWidth, &imageHeight);
        int labelLeft = client.left + 2 + (state.smallImages ? imageWidth + 2 : 0);
        int rowsWidth = 0;
        for (const Column& column : state.columns) rowsWidth += column.width;
        bool fullRow = (state.extendedStyle & LVS_EX_FULLROWSELECT) != 0;
        for (size_t index = static_cast<size_t>(std::max(0, state.top)); index < state.rows.size(); ++index) {
            int top = client.top + header + (static_cast<int>(index) - state.top) * kRowHeight;
            if (top >= client.bottom) break;
            const Row& row = state.rows[index];
            bool selected = (row.state & LVIS_SELECTED) != 0;
            if (state.smallImages && row.image >= 0)
                ImageList_Draw(state.smallImages, row.image, dc, client.left + 2, top + (kRowHeight - imageHeight) / 2, ILD_TRANSPARENT);
            int cellLeft = client.left;
            for (size_t column = 0; column < std::max<size_t>(1, state.columns.size()); ++column) {
                int width = column < state.columns.size() ? state.columns[column].width : client.right - client.left;
                std::string text = column < row.texts.size() ? row.texts[column] : "";
                RECT label{column == 0 ? labelLeft : cellLeft + 6, top, cellLeft + width - 2, top + kRowHeight};
                bool highlighted = selected && enabled && (fullRow || column == 0);
                if (highlighted) {
                    RECT back = label;
                    if (column == 0) back.left = labelLeft;
                    if (!fullRow) {
                        SIZE size{};
                        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
                        back.right = std::min<LONG>(label.right, labelLeft + size.cx + 4);
                    } else {
                        back.left = column == 0 ? labelLeft : cellLeft;
                        back.right = cellLeft + width;
                    }
                    FillRect(dc, &back, GetSysColorBrush(COLOR_HIGHLIGHT));
                }
                RECT textArea = label;
                if (column == 0) textArea.left += 2;
                DrawLine(dc, text, textArea, DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS,
                         !enabled ? COLOR_GRAYTEXT : highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
                cellLeft += width;
                if (cellLeft >= std::max<int>(rowsWidth, client.right)) break;
            }
            if (focused && (row.state & LVIS_FOCUSED)) {
                RECT focus{labelLeft, top, std::max(labelLeft, rowsWidth), top + kRowHeight};
                if (!fullRow) {
                    const std::string text = row.texts.empty() ? "" : row.texts[0];
                    SIZE size{};
                    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
                    int firstWidth = state.columns.empty() ? client.right - client.left : state.columns[0].width;
                    focus.right = std::min<LONG>(client.left + firstWidth - 2, labelLeft + size.cx + 4);
                }
                DrawFocusRect(dc, &focus);
            }
        }
    });
}

}  // namespace

LRESULT CALLBACK ListViewProcedure(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_NCCREATE) CreateState<ListViewState>(hWnd);
    ListViewState* state = StateOf<ListViewState>(hWnd);
    if (!state) return DefWindowProcA(hWnd, Msg, wParam, lParam);
    int index = static_cast<int>(static_cast<INT_PTR>(wParam));
    switch (Msg) {
        case WM_CREATE:
            Present(hWnd, *state);
            return 0;
        case WM_NCDESTROY:
            DestroyState<ListViewState>(hWnd);
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
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(hWnd, nullptr, TRUE);
            return 0;
        case LVM_SETEXTENDEDLISTVIEWSTYLE: {
            DWORD previous = state->extendedStyle;
            DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFF;
            state->extendedStyle = (previous & ~mask) | (static_cast<DWORD>(lParam) & mask);
            InvalidateRect(hWnd, nullptr, TRUE);
            return previous;
        }
        case LVM_GETEXTENDEDLISTVIEWSTYLE:
            return state->extendedStyle;
        case LVM_SETIMAGELIST:
        case LVM_GETIMAGELIST: {
            HIMAGELIST* list = wParam == LVSIL_SMALL   ? &state->smallImages
                               : wParam == LVSIL_STATE ? &state->stateImages
                                                       : &state->normalImages;
            HIMAGELIST previous = *list;
            if (Msg == LVM_SETIMAGELIST) {
                *list = reinterpret_cast<HIMAGELIST>(lParam);
                InvalidateRect(hWnd, nullptr, TRUE);
            }
            return reinterpret_cast<LRESULT>(previous);
        }
        case LVM_INSERTCOLUMNA:
            return InsertColumn(hWnd, *state, wParam, reinterpret_cast<const LVCOLUMNA*>(lParam));
        case LVM_GETCOLUMNA: {
            auto* column = reinterpret_cast<LVCOLUMNA*>(lParam);
            if (!column || wParam >= state->columns.size()) return FALSE;
            const Column& found = state->columns[wParam];
            if (column->mask & LVCF_TEXT) CopyText(found.text, column->pszText, column->cchTextMax);
            if (column->mask & LVCF_WIDTH) column->cx = found.width;
            if (column->mask & LVCF_FMT) column->fmt = found.format;
            if (column->mask & LVCF_SUBITEM) column->iSubItem = static_cast<int>(wParam);
            return TRUE;
        }
        case LVM_SETCOLUMNA: {
            const auto* column = reinterpret_cast<const LVCOLUMNA*>(lParam);
            if (!column || wParam >= state->columns.size()) return FALSE;
            Column& found = state->columns[wParam];
            if ((column->mask & LVCF_TEXT) && column->pszText) found.text = column->pszText;
            if (column->mask & LVCF_WIDTH) found.width = column->cx;
            if (column->mask & LVCF_FMT) found.format = column->fmt;
            Present(hWnd, *state);
            return TRUE;
        }
        case LVM_DELETECOLUMN:
            if (wParam >= state->columns.size()) return FALSE;
            state->columns.erase(state->columns.begin() + index);
            for (Row& row : state->rows) {
                if (wParam < row.texts.size() && wParam > 0) row.texts.erase(row.texts.begin() + index);
            }
            Present(hWnd, *state);
            return TRUE;
        case LVM_GETCOLUMNWIDTH:
            return wParam < state->columns.size() ? state->columns[wParam].width : 0;
        case LVM_SETCOLUMNWIDTH:
            if (wParam >= state->columns.size()) return FALSE;
            state->columns[wParam].width = static_cast<short>(LOWORD(lParam));
            InvalidateRect(hWnd, nullptr, TRUE);
            return TRUE;
        case LVM_INSERTITEMA:
            return InsertItem(hWnd, *state, reinterpret_cast<const LVITEMA*>(lParam));
        case LVM_SETITEMA: {
            const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
            if (!item || !Valid(*state, item->iItem) || item->iSubItem < 0) return FALSE;
            StoreItem(state->rows[static_cast<size_t>(item->iItem)], *item);
            if ((item->mask & LVIF_STATE) && item->iSubItem == 0)
                return SetState(hWnd, *state, item->iItem, item->state, item->stateMask);
            Present(hWnd, *state);
            return TRUE;
        }
        case LVM_GETITEMA:
            return GetItem(*state, reinterpret_cast<LVITEMA*>(lParam));
        case LVM_GETITEMTEXTA: {
            auto* item = reinterpret_cast<LVITEMA*>(lParam);
            if (!item || !Valid(*state, index) || item->iSubItem < 0) return 0;
            const Row& row = state->rows[static_cast<size_t>(index)];
            size_t column = static_cast<size_t>(item->iSubItem);
            CopyText(column < row.texts.size() ? row.texts[column] : "", item->pszText, item->cchTextMax);
            return item->pszText && item->cchTextMax > 0 ? static_cast<LRESULT>(std::strlen(item->pszText)) : 0;
        }
        case LVM_SETITEMTEXTA: {
            auto* item = reinterpret_cast<LVITEMA*>(lParam);
            if (!item || !Valid(*state, index) || item->iSubItem < 0) return FALSE;
            LVITEMA text = *item;
            text.mask = LVIF_TEXT;
            StoreItem(state->rows[static_cast<size_t>(index)], text);
            Present(hWnd, *state);
            return TRUE;
        }
        case LVM_DELETEITEM: {
            if (!Valid(*state, index)) return FALSE;
            NMLISTVIEW deleted{};
            deleted.iItem = index;
            deleted.lParam = state->rows[static_cast<size_t>(index)].data;
            SendNotify(hWnd, LVN_DELETEITEM, deleted.hdr);
            if (!(state = StateOf<ListViewState>(hWnd)) || !Valid(*state, index)) return FALSE;
            state->rows.erase(state->rows.begin() + index);
            if (state->selectionMark == index) state->selectionMark = -1;
            if (state->selectionMark > index) --state->selectionMark;
            Present(hWnd, *state);
            return TRUE;
        }
        case LVM_DELETEALLITEMS:
            return DeleteAll(hWnd);
        case LVM_GETITEMCOUNT:
            return static_cast<LRESULT>(state->rows.size());
        case LVM_GETNEXTITEM:
            return NextItem(*state, index, static_cast<UINT>(LOWORD(lParam)));
        case LVM_SETITEMSTATE: {
            const auto* item = reinterpret_cast<const LVITEMA*>(lParam);
            if (!item) return FALSE;
            return SetState(hWnd, *state, index, item->state, item->stateMask);
        }
        case LVM_GETITEMSTATE:
            return Valid(*state, index) ? state->rows[static_cast<size_t>(index)].state & static_cast<UINT>(lParam) : 0;
        case LVM_GETSELECTEDCOUNT:
            return std::count_if(state->rows.begin(), state->rows.end(),
                                 [](const Row& row) { return (row.state & LVIS_SELECTED) != 0; });
        case LVM_GETSELECTIONMARK:
            return state->selectionMark;
        case LVM_SETSELECTIONMARK: {
            int previous = state->selectionMark;
            state->selectionMark = static_cast<int>(lParam);
            return previous;
        }
        case LVM_ENSUREVISIBLE:
            if (!Valid(*state, index)) return FALSE;
            EnsureVisible(hWnd, *state, index);
            return TRUE;
        case LVM_GETTOPINDEX:
            return state->top;
        case LVM_GETCOUNTPERPAGE:
            return CountPerPage(hWnd);
        case LVM_GETITEMRECT:
            return ItemRect(hWnd, *state, index, reinterpret_cast<RECT*>(lParam));
        case kUserActMessage:
            UserClicks(hWnd, *state, static_cast<int>(lParam), wParam == kUserDoubleClick);
            return 0;
        case WM_KEYDOWN:
            UserPressesKey(hWnd, wParam);
            return 0;
        default:
            return DefWindowProcA(hWnd, Msg, wParam, lParam);
    }
}

}  // namespace platform::comctl32
