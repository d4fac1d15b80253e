// The dialog manager's entry points for a template already decoded (CreateDialogParamA and
// DialogBoxParamA load theirs from the module's resources and come here).
#pragma once

#include <optional>
#include <string>
#include <string_view>

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

// The picture of a dialog the system shows for itself, as the transcript does not record it: made from
// the template (without WS_VISIBLE: its procedure fills it in at WM_INITDIALOG), shown, painted, written
// into the ui folder as a picture of `kind`, and destroyed, without a message loop. The picture's name for
// the transcript, empty when there is none.
std::string SilentDialogPicture(const DialogTemplate& dialog, const std::string& kind, DLGPROC procedure,
                                LPARAM initParam);

// Carries out an answer that acts on a control of the dialog, or on the tabs or system menu of the window
// it is in (user_interface.h), by posting the user's act to the control: nullopt when the answer is not in
// one of those forms. Otherwise whether it was done, and what it did ("combo 924 \"Stampante B\"") or
// why it could not be done. Call with the lock released.
struct ControlAct {
    bool done = false;
    std::string description;
};
std::optional<ControlAct> ActOnControl(HWND dialog, std::string_view answer);

}  // namespace platform
