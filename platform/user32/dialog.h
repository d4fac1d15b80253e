// The dialog manager's entry points for a template already decoded (CreateDialogParamA and
// DialogBoxParamA load theirs from the module's resources and come here).
#pragma once

#include "platform/user32/dialog_template.h"
#include "windows.h"

namespace platform {

// A modeless dialog: its controls are made, WM_INITDIALOG sent, and the dialog shown when the template
// has WS_VISIBLE. resourceId names the dialog in the transcript (0: no number). Null on failure.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& dialog, UINT resourceId, HWND parent,
                              DLGPROC procedure, LPARAM initParam);

// A modal dialog with its own message loop; the user's answers come from the machine's UI answers.
// Returns the value given to EndDialog, or -1 when the dialog cannot be made.
INT_PTR DialogBoxFromTemplate(HINSTANCE instance, const DialogTemplate& dialog, UINT resourceId, HWND parent,
                              DLGPROC procedure, LPARAM initParam);

}  // namespace platform
