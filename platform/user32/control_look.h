// The look of the standard controls (control_look.cpp): each control's procedure first offers its message
// here; what is handled (painting, fonts, pictures) returns its result.
#pragma once

#include <optional>

#include "windows.h"

namespace platform {

std::optional<LRESULT> ButtonLook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::optional<LRESULT> StaticLook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::optional<LRESULT> EditLook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
std::optional<LRESULT> ProgressLook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// What every standard control does alike: keeps its font (WM_SETFONT, WM_GETFONT) and leaves its background
// to its WM_PAINT (WM_ERASEBKGND); the combo box and the list box use it too.
std::optional<LRESULT> FontAndBackgroundLook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The height of an edit box's text as it lays it out, all its lines (its scroll bar shows how much is seen).
int EditTextHeight(HWND edit);

}  // namespace platform
