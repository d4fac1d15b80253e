// Restarting a machine: the request ExitWindowsEx leaves, and what Windows does with the files at the
// next start.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "windef.h"

namespace platform {

class Machine;

// ExitWindowsEx asked to restart or shut down with these EWX_ flags; kept until the machine restarts.
// A later request replaces an earlier one.
void RecordRestartRequest(Machine& machine, DWORD flags);
std::optional<DWORD> PendingRestartRequest(Machine& machine);

// The flags' names as Windows spells them, joined by '|' ("EWX_REBOOT|EWX_FORCE"); no action flag is
// EWX_LOGOFF.
std::string ExitWindowsFlagNames(DWORD flags);

// Restarts the machine as Windows does on its way up: carries out the pending file operations
// (MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT) in the order they were recorded, then, on Windows 95,
// 98 and Me, the [rename] section of WININIT.INI in the Windows folder ("NUL=<path>" deletes, "<new
// path>=<path>" moves, replacing what is there), after which WININIT.INI becomes WININIT.BAK. An
// operation that fails is reported and skipped; none is kept for the start after. A folder is deleted
// only when empty; a move stays on its drive. On Windows NT the service control manager then deletes
// the services marked for deletion. Clears the restart request.
//
// Returns what was done, one line per operation:
//   restart requested with EWX_REBOOT              (or: restart not requested by any program)
//   delete C:\WINDOWS\TEMP\OLD.DLL: done
//   move C:\X\NEW.DLL to C:\X\OLD.DLL: failed with error 5
//   WININIT.INI NUL=C:\PROGRA~1\OLD\OLD.EXE: done
//   WININIT.INI renamed to WININIT.BAK
//   service OldDot4 deleted (marked for deletion)
std::vector<std::string> RestartMachine(Machine& machine);

}  // namespace platform
