// The browser control's own window, a child of its container's: it paints the shown page in WM_PAINT,
// completes the navigations posted to it, and takes the links a scripted user follows.
#pragma once

#include "windows.h"

namespace platform::browser {

class CWebBrowser;

// Windows' name for the class of the control's window.
inline constexpr char kBrowserWindowClass[] = "Shell Embedding";
// Posted to the window when a navigation is to load its page.
inline constexpr UINT kNavigationDue = WM_USER + 1;

// The window of the control, in the parent's client coordinates; null when it cannot be made.
HWND CreateBrowserWindow(CWebBrowser* browser, HWND parent, const RECT& position, bool visible);
void MoveBrowserWindow(HWND window, const RECT& position);
// Asks for the window to be painted again, the page having changed.
void InvalidateBrowserWindow(HWND window);

}  // namespace platform::browser
