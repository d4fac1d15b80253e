// The drawing the window manager and the standard controls share (look.cpp): solid fills and lines in a
// colour, three-dimensional edges, and texts in a window's font with their '&' marks, embossed when
// disabled. Everything is drawn through gdi32 calls on the device context given.
#pragma once

#include <string>

#include "windows.h"

namespace platform::look {

void Fill(HDC dc, const RECT& rect, COLORREF color);
// A line from the first point up to, but not including, the second.
void Line(HDC dc, int x1, int y1, int x2, int y2, COLORREF color);
// A rectangle's outline, one pixel wide.
void Frame(HDC dc, const RECT& rect, COLORREF color);
// The font a window draws its text in: its WM_GETFONT, else the system font.
HFONT FontOf(HWND window);

// A text drawn with DrawTextA's format in the DC's text colour, transparently; a disabled text is
// embossed (white, then grey one pixel up and left). Returns the height drawn.
int Label(HDC dc, const std::string& text, RECT area, UINT format, bool enabled);

// The text's size in the DC's font, as one line.
SIZE TextSize(HDC dc, const std::string& text);

}  // namespace platform::look
