// The user's mouse acts on a control, as the scripted answers carry them out: posted to the control,
// whose window procedure does what the click does on Windows (moves its selection, tells its parent).
// Keys are posted as WM_KEYDOWN with their virtual-key code, as Windows posts them.
#pragma once

#include "windows.h"

namespace platform {

// wParam: one of UserAct; lParam: the item (row, list item or tab) acted on.
constexpr UINT kUserActMessage = 0x03F0;

enum UserAct : WPARAM {
    // A click on an item: a combo box's pick from its drop-down list, a list's row, a tab.
    kUserClick = 1,
    kUserDoubleClick = 2,
};

}  // namespace platform
