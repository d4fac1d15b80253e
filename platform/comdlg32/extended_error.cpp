// CommDlgExtendedError: the error of the last common dialog the thread ran, 0 when it succeeded or the
// user cancelled it.
#include "commdlg.h"
#include "platform/comdlg32/comdlg32_internal.h"

namespace {

thread_local DWORD extendedError = 0;

}  // namespace

namespace platform::common_dialogs {

void SetExtendedError(DWORD error) {
    extendedError = error;
}

}  // namespace platform::common_dialogs

extern "C" DWORD WINAPI CommDlgExtendedError(void) {
    return extendedError;
}
