// Painting (paint.cpp): the update areas of windows, the paint messages that come from them, and the
// default handling of the paint and geometry messages.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/user32/window_manager.h"

namespace platform {

namespace gdi {
class Surface;
}

// Under the lock: the first window of the thread (a parent before its children) that needs painting and
// takes a WM_PAINT inside the filter, as `message`; false when none does.
bool NextPaintMessage(const WindowManager& manager, DWORD threadId, HWND filter, UINT low, UINT high, MSG& message);
// After WM_PAINT was dispatched: a window procedure that did not paint (no BeginPaint) leaves its window
// validated, so that the message does not come again and again.
void ValidateUnpainted(HWND window);
// The whole window, its frame and its children are to be painted again (a window shown).
void InvalidateWhole(HWND window);
// The window's text changed: its client area (a control) or its caption (a top-level window) is painted
// again.
void TextChanged(HWND window);
// A child hidden: the part of its parent it covered is painted again.
void UncoverInParent(HWND child);
// Paints now, by sending the paint messages, the window and its visible descendants that need it.
void PaintNow(HWND window);

// Paints the top-level window now and writes its picture into the machine's ui folder; the file's name
// for the transcript, empty when there is no machine or no picture (window_picture.cpp).
std::string TakePicture(HWND window);
// The same for a window the system shows for itself, named by `kind` ("messagebox").
std::string TakePicture(HWND window, const std::string& kind);
// Makes the top-level window one the system shows for itself (a message box's): a dialog whose showing,
// hiding and closing the transcript does not record, pictured only by its kind.
void MarkSilentDialog(HWND window);
// A picture of the window's top-level window is to be written once it is painted again.
void RequestPicture(HWND window);
// The pictures asked for after scripted answers, of the calling thread's windows still shown, once they
// are painted (the message retrieval calls it when the queue is empty; lock released).
void WritePendingPictures();

// The surface of the window's top-level window, made or fitted to its size (device_contexts.cpp).
std::shared_ptr<gdi::Surface> WindowSurface(HWND window);
// A device context over the window's client area (or the whole window), clipped to what of it shows and
// to `part` (client or window coordinates) when given.
HDC WindowDeviceContext(HWND window, bool clientArea, const RECT* part);

// DefWindowProcA's handling of the paint messages (WM_PAINT, WM_ERASEBKGND, WM_NCPAINT, WM_CTLCOLOR*,
// WM_SETICON, WM_PRINT...) and of the geometry ones (WM_WINDOWPOSCHANGED); 0 for other messages.
LRESULT DefaultPaintMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::optional<LRESULT> DefaultGeometryMessage(HWND window, UINT message, LPARAM lParam);

}  // namespace platform
