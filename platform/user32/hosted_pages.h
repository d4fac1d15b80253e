// What the window manager does for controls that show pages with links (the web browser control, in a
// library of its own): the transcript entry of a page shown, and the scripted user following a link.
//
// A link answer, "Dialog <id>: link <number or text>", is offered to the dialog's controls as the message
// below, whose lParam is the link's number or text (a C string); a control that shows such a link records
// the answer (RecordLinkAnswer), follows the link and returns nonzero, any other control leaves the
// message to DefWindowProcA, which returns 0.
#pragma once

#include <string>

#include "windows.h"

namespace platform {

// A message number no window of Windows uses.
inline constexpr UINT kFollowLinkMessage = 0x03FE;

// "<window> page \"<address>\"" and the lines given (each ending with '\n'), as one entry, for the
// top-level window of the control; the window's picture is taken again once it is painted.
void RecordPageShown(HWND control, const std::string& address, const std::string& lines);
// "<window> answer: <answer>" for the top-level window of the control.
void RecordLinkAnswer(HWND control, const std::string& answer);
// Offers a link answer to the visible controls of the dialog; false when none of them has the link.
bool FollowLinkAnswer(HWND dialog, const std::string& link);

}  // namespace platform
