// GetUserNameA: the name of the machine's user.
#include <cstring>
#include <string>

#include "platform/machine/machine.h"
#include "windows.h"

// The size counts the terminating zero both ways: in the size offered, the size needed and, on success,
// the size written.
extern "C" BOOL WINAPI GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer) {
    if (!pcbBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string& name = platform::Machine::Current().settings().userName;
    DWORD needed = static_cast<DWORD>(name.size() + 1);
    if (!lpBuffer || *pcbBuffer < needed) {
        *pcbBuffer = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(lpBuffer, name.c_str(), needed);
    *pcbBuffer = needed;
    return TRUE;
}
