// The items that combo boxes and list boxes hold alike: one implementation of their item messages, which
// each control reaches with its own message numbers (CB_ or LB_).
#pragma once

#include <optional>

#include "platform/user32/window_manager.h"

namespace platform {

enum class ItemOperation {
    Add,            // lParam: the text; kept in order when `sorted`
    Insert,         // wParam: the index (-1: the end), lParam: the text
    Delete,         // wParam: the index
    Reset,
    Count,
    GetText,        // wParam: the index, lParam: the buffer
    GetTextLength,  // wParam: the index
    Find,           // wParam: the index to search after (-1: from the start), lParam: the text's start
    FindExact,      // the same, for the whole text
    GetData,        // wParam: the index
    SetData,        // wParam: the index, lParam: the data
    GetSelection,
    SetSelection,   // wParam: the index (-1: none)
    SelectString,   // wParam, lParam as Find; selects what it finds
};

struct ItemResult {
    LRESULT result = 0;
    // The items or the selection changed: what the control shows is new.
    bool changed = false;
};

// Carries out an item message on the control's state (under the lock). Errors return -1 (CB_ERR and
// LB_ERR alike).
ItemResult HandleItems(Window& window, ItemOperation operation, WPARAM wParam, LPARAM lParam, bool sorted);

// Runs an action on the control's window under the lock; false when the window is gone.
template <typename Action>
bool WithControlWindow(HWND handle, Action action) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) return false;
    action(*window);
    return true;
}

// Tells the control's parent, as WM_COMMAND with the control's id and the notification code.
void NotifyParentCommand(HWND control, WORD code);

// Writes a control's new look to the transcript when it is on the screen, and has it painted again.
void RecordIfShown(HWND control);

// The look the two share (controls_list.cpp): the height of a line of the control's font, and an item
// drawn as a line of its list, highlighted when selected.
int LineHeight(HWND control);
void DrawItemLine(HDC dc, const RECT& line, const std::string& text, bool selected, bool enabled);
// Paints the control through BeginPaint and EndPaint with its font selected: draw(dc, client).
template <typename Draw>
void PaintInFont(HWND control, Draw draw) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(control, &paint);
    if (!dc) return;
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT client{};
    GetClientRect(control, &client);
    draw(dc, client);
    if (previous) SelectObject(dc, previous);
    EndPaint(control, &paint);
}

}  // namespace platform
