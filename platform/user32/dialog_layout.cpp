// How the dialog manager lays a dialog out: its font and base units, its extended style and its place on
// the screen.
#include <algorithm>

#include "platform/user32/window_geometry.h"

namespace platform {

DialogFont CreateDialogFont(const DialogTemplate& dialog) {
    DialogFont font;
    if (!(dialog.style & DS_SETFONT) || dialog.fontName.empty()) {
        font.units = BaseUnitsOfFont("", 0);
        return font;
    }
    font.font = CreatePointFont(dialog.fontName, dialog.pointSize, FW_NORMAL);
    font.units = BaseUnitsOfFont(dialog.fontName, dialog.pointSize);
    return font;
}

void DeleteDialogFont(HFONT font) { DeleteObject(font); }

DWORD DialogExStyle(const DialogTemplate& dialog) {
    DWORD exStyle = dialog.exStyle;
    if (dialog.style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
    if ((dialog.style & WS_CAPTION) == WS_CAPTION || (dialog.style & DS_MODALFRAME)) exStyle |= WS_EX_WINDOWEDGE;
    return exStyle;
}

RECT DialogWindowRect(const DialogTemplate& dialog, DWORD exStyle, DialogBaseUnits units, HWND owner) {
    RECT client = DialogUnitsToPixels(RECT{dialog.x, dialog.y, dialog.x + dialog.cx, dialog.y + dialog.cy}, units);
    RECT window = client;
    AdjustWindowRectEx(&window, dialog.style, FALSE, exStyle);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    RECT work = WorkArea();
    if (dialog.style & DS_CENTER) {
        window.left = work.left + (work.right - work.left - width) / 2;
        window.top = work.top + (work.bottom - work.top - height) / 2;
    } else if (owner && !(dialog.style & DS_ABSALIGN) && !(dialog.style & WS_CHILD)) {
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        window.left += origin.x;
        window.top += origin.y;
    }
    if (!(dialog.style & WS_CHILD)) {
        window.left = std::max(work.left, std::min(window.left, work.right - width));
        window.top = std::max(work.top, std::min(window.top, work.bottom - height));
    }
    return RECT{window.left, window.top, window.left + width, window.top + height};
}

}  // namespace platform
