// What a process handle names: a process of the machine (process_table.h) and the rights it was
// opened with. The handles CreateProcessA gives and those OpenProcess gives both answer it, so the
// process calls of kernel32 and psapi take either.
#pragma once

#include <optional>

#include "windows.h"

namespace platform {

class ProcessReference {
  public:
    virtual DWORD ProcessId() const = 0;
    virtual DWORD Access() const = 0;

  protected:
    ~ProcessReference() = default;
};

struct OpenedProcess {
    DWORD id = 0;
    DWORD access = 0;
};

// The process a handle names (GetCurrentProcess's pseudo handle too), or nullopt with
// ERROR_INVALID_HANDLE set.
std::optional<OpenedProcess> ProcessOfHandle(HANDLE handle);

// TerminateProcess and GetExitCodeProcess for the handles OpenProcess gives; nullopt for any other handle.
std::optional<BOOL> TerminateOpenedProcess(HANDLE handle, UINT exitCode);
std::optional<BOOL> ExitCodeOfOpenedProcess(HANDLE handle, LPDWORD exitCode);

}  // namespace platform
