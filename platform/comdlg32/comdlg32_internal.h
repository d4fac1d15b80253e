// What the common dialogs share: the extended error of the thread's last dialog.
#pragma once

#include "windows.h"

namespace platform::common_dialogs {

void SetExtendedError(DWORD error);

}  // namespace platform::common_dialogs
