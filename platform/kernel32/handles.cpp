// Closing the handles of the process's handle table, whatever kernel object they stand for.
#include "platform/machine/handle_table.h"
#include "windows.h"

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!platform::ProcessHandles().Close(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
