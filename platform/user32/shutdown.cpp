// ExitWindowsEx: asks the machine to log off, shut down or restart. The request is recorded in the
// machine and shown in the transcript; the calling program goes on running, as on Windows, where the
// call only starts the shutdown. `winmachine reboot` then restarts the machine.
#include <string>

#include "platform/advapi32/token.h"
#include "platform/machine/boot.h"
#include "platform/machine/machine.h"
#include "platform/machine/ui/user_interface.h"
#include "windows.h"

extern "C" BOOL WINAPI ExitWindowsEx(UINT uFlags, DWORD dwReserved) {
    (void)dwReserved;
    platform::Machine& machine = platform::Machine::Current();
    bool endsSession = (uFlags & (EWX_SHUTDOWN | EWX_REBOOT | EWX_POWEROFF)) != 0;
    // Windows NT lets a process shut the machine down only with the privilege enabled in its token;
    // logging off needs none. Windows 95, 98 and Me have no privileges to check.
    if (endsSession && machine.IsNT() && !platform::ProcessPrivilegeEnabled(SE_SHUTDOWN_NAME)) {
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    const char* outcome = "log-off requested";
    if (uFlags & EWX_REBOOT) {
        outcome = "restart requested";
    } else if (endsSession) {
        outcome = "shutdown requested";
    }
    if (endsSession) platform::RecordRestartRequest(machine, uFlags);
    platform::AppendTranscript(machine,
                               "ExitWindowsEx " + platform::ExitWindowsFlagNames(uFlags) + ": " + outcome);
    return TRUE;
}
