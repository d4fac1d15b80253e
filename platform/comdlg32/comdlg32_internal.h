// What the common dialogs share: the extended error of the thread's last dialog, and the picture of a
// file dialog.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace platform::common_dialogs {

void SetExtendedError(DWORD error);

// What an open or save dialog shows: its caption, the folder it looks in, the file it proposes, and the
// descriptions of its file types with the selected one.
struct FileDialogLook {
    bool open = true;
    std::string caption;
    std::string folder;
    std::string file;
    std::vector<std::string> filters;
    int selectedFilter = 0;
};

// The dialog's picture, written into the machine's ui folder (file_dialog_picture.cpp); its name for the
// transcript, empty when there is none.
std::string FileDialogPicture(const FileDialogLook& look);

}  // namespace platform::common_dialogs
