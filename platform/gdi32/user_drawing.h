// The drawing calls Windows' window manager exports (user32's DrawTextA, FillRect, FrameRect,
// InvertRect, DrawFocusRect), done here over the device context: user32 exports them by calling these.
#pragma once

#include "windows.h"

namespace platform::gdi {

// DrawTextA: the text laid out in the rectangle by the DT_ flags; the height of the text drawn, or 0.
int DrawText(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format);
// FillRect: the rectangle (right and bottom excluded) filled with the brush. A brush of COLOR_ index + 1
// names a system colour: the window manager, which owns those colours, passes their brush instead.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
// FrameRect: a border one logical unit wide drawn with the brush.
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
// InvertRect: every pixel of the rectangle inverted.
BOOL InvertRect(HDC hdc, const RECT* rect);
// DrawFocusRect: the dotted rectangle of the focus, drawn by inverting, so that drawing it again removes it.
BOOL DrawFocusRect(HDC hdc, const RECT* rect);

}  // namespace platform::gdi
