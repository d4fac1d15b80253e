// IsNTAdmin: whether the user is an administrator, as the machine's profile says. On Windows 9x every
// user may do everything, so the answer there is TRUE.
#include "advpack.h"
#include "platform/machine/machine.h"

extern "C" BOOL WINAPI IsNTAdmin(DWORD, DWORD*) {
    const platform::Machine& machine = platform::Machine::Current();
    if (!machine.IsNT()) return TRUE;
    return machine.settings().administrator ? TRUE : FALSE;
}
