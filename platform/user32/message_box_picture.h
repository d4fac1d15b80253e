// The picture of a message box (message_box_picture.cpp): the box is laid out as Windows lays it out, as a
// window of its own that the transcript does not record, painted, written into the ui folder and destroyed.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace platform {

struct MessageBoxLook {
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
    size_t defaultButton = 0;
    LPCSTR icon = nullptr;  // a system icon (IDI_...), or none
};

// The picture's name for the transcript, empty when there is none.
std::string MessageBoxPicture(const MessageBoxLook& box);

}  // namespace platform
