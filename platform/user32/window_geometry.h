// Where windows are: frames and client areas, coordinates between windows and the screen, the screen's
// size and the dialog units of a dialog's font. All the calls taking a manager run under its lock.
#pragma once

#include <memory>
#include <string>

#include "platform/user32/dialog_template.h"
#include "platform/user32/window_manager.h"

namespace platform {

// The thickness of a window's frame on each side (the caption and the scroll bars included), as styles
// give it.
RECT FrameInsets(DWORD style, DWORD exStyle);
// The client area in window coordinates (from the window's top-left corner).
RECT ClientRectInWindow(const Window& window);
// The window's top-left corner and its client area's on the screen.
POINT WindowOriginOnScreen(const WindowManager& manager, const Window& window);
POINT ClientOriginOnScreen(const WindowManager& manager, const Window& window);
// The top-level window a window belongs to (itself for a top-level window).
std::shared_ptr<Window> TopLevelOf(const WindowManager& manager, std::shared_ptr<Window> window);

// The screen (the display's mode) and the part of it that windows are placed in (above the task bar).
RECT ScreenRect();
RECT WorkArea();

// The rectangle CreateWindowExA gives a new window from its arguments (CW_USEDEFAULT picks a place and a
// size on the screen).
RECT InitialWindowRect(int x, int y, int width, int height, bool child);

// The base units of a dialog font: the average width of its characters and its height, as Windows
// measures them; a face left empty is the system font.
struct DialogBaseUnits {
    int x = 0;
    int y = 0;
};
DialogBaseUnits BaseUnitsOfFont(const std::string& face, int pointSize);
// A font of the face at that size in points on the display.
HFONT CreatePointFont(const std::string& face, int pointSize, int weight);
// Dialog units to pixels.
RECT DialogUnitsToPixels(RECT rect, DialogBaseUnits units);

// A dialog's font, made from its template (null without DS_SETFONT: the system font), with its base
// units; the dialog owns it and deletes it when it goes away.
struct DialogFont {
    HFONT font = nullptr;
    DialogBaseUnits units;
};
DialogFont CreateDialogFont(const DialogTemplate& dialog);
void DeleteDialogFont(HFONT font);
// The extended style the dialog manager gives a dialog: DS_MODALFRAME makes a modal frame.
DWORD DialogExStyle(const DialogTemplate& dialog);
// Where the dialog's window goes: its client area as the template places it (relative to the owner's
// client area, the screen with DS_ABSALIGN or without an owner; centred in the work area with DS_CENTER),
// then kept on the screen.
RECT DialogWindowRect(const DialogTemplate& dialog, DWORD exStyle, DialogBaseUnits units, HWND owner);

}  // namespace platform
