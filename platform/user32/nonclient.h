// The frames of windows (nonclient.cpp): what WM_NCPAINT's default handling draws.
#pragma once

#include "windows.h"

namespace platform {

// Draws the window's frame (borders, edges, caption, scroll bars) on a device context over the whole
// window, in window coordinates.
void DrawFrame(HWND window, HDC dc);

}  // namespace platform
