// Closing the handles of the process's handle table, whatever kernel object they stand for, and the
// pseudo handle of the current process.
#include "platform/machine/handle_table.h"
#include "windows.h"

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (!platform::ProcessHandles().Close(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

// Windows' pseudo handle of the calling process: a constant that names "this process" wherever a process
// handle is taken, and that needs no closing.
extern "C" HANDLE WINAPI GetCurrentProcess(void) {
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}
