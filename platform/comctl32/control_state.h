// What the common controls share: their own state kept behind a pointer in their window's extra bytes,
// and the notifications they send their parent.
#pragma once

#include <memory>
#include <string>

#include "commctrl.h"
#include "windows.h"

namespace platform::comctl32 {

// The window extra bytes of a control class that keeps its state so.
constexpr int kStateExtra = sizeof(LONG_PTR);

// The control's state, made on WM_NCCREATE and deleted on WM_NCDESTROY by the control's procedure.
template <typename State>
State* StateOf(HWND control) {
    return reinterpret_cast<State*>(GetWindowLongPtrA(control, 0));
}

template <typename State>
void CreateState(HWND control) {
    SetWindowLongPtrA(control, 0, reinterpret_cast<LONG_PTR>(new State));
}

template <typename State>
void DestroyState(HWND control) {
    delete StateOf<State>(control);
    SetWindowLongPtrA(control, 0, 0);
}

// Sends WM_NOTIFY to the control's parent with the header filled in: the control, its id and the code.
// Returns the parent's answer (a dialog's DWLP_MSGRESULT).
LRESULT SendNotify(HWND control, UINT code, NMHDR& header);

// Paints the control through BeginPaint and EndPaint with its font selected: draw(dc, client).
template <typename Draw>
void PaintControl(HWND control, HFONT font, Draw draw) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(control, &paint);
    if (!dc) return;
    HGDIOBJ previous = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    int mode = SetBkMode(dc, TRANSPARENT);
    RECT client{};
    GetClientRect(control, &client);
    draw(dc, client);
    SetBkMode(dc, mode);
    SelectObject(dc, previous);
    EndPaint(control, &paint);
}

// A line of text in a colour, inside `area`, with DrawTextA's format.
void DrawLine(HDC dc, const std::string& text, RECT area, UINT format, int colorIndex);

// Registers the controls' window classes (once) as the library starts.
void RegisterControlClasses();

LRESULT CALLBACK TabControlProcedure(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ListViewProcedure(HWND, UINT, WPARAM, LPARAM);

}  // namespace platform::comctl32
