// Closing and duplicating the handles of the process's handle table, whatever kernel object they stand
// for, and the pseudo handle of the current process.
#include "platform/machine/kernel/handle_table.h"
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

// A second handle to the same object within this process: both must be closed before the object ends.
// Only the calling process's pseudo handle is accepted as source and target, as no other process's
// handle table can be reached from here. Access and inheritance are those of the source handle.
extern "C" BOOL WINAPI DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle,
                                       HANDLE hTargetProcessHandle, LPHANDLE lpTargetHandle, DWORD, BOOL,
                                       DWORD dwOptions) {
    HANDLE thisProcess = GetCurrentProcess();
    std::shared_ptr<platform::KernelObject> object = platform::ProcessHandles().Find(hSourceHandle);
    if (hSourceProcessHandle != thisProcess || hTargetProcessHandle != thisProcess || !object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dwOptions & DUPLICATE_CLOSE_SOURCE) platform::ProcessHandles().Close(hSourceHandle);
    // Windows still accepts a null target for old callers: the duplicate is made and let go at once.
    if (lpTargetHandle) *lpTargetHandle = platform::ProcessHandles().Insert(std::move(object));
    return TRUE;
}
