// A program that an uninstaller starts from a command line and waits for: started as Windows starts a
// command line typed by a person (no application name, the caller's environment and current folder,
// no handles inherited), with both of its handles closed when it goes out of scope.
#pragma once

#include "windows.h"

class CLaunchedProgram {
  public:
    CLaunchedProgram() = default;
    ~CLaunchedProgram();
    CLaunchedProgram(const CLaunchedProgram&) = delete;
    CLaunchedProgram& operator=(const CLaunchedProgram&) = delete;

    // Starts the command line; FALSE, with the last error, when it cannot be started.
    BOOL Launch(const char* pCommandLine);
    // WaitForSingleObject on the process, WAIT_FAILED when none was started.
    DWORD Wait(DWORD milliseconds);
    // The id of the program's first thread, 0 when none was started.
    DWORD GetThreadId() const { return m_processInfo.dwThreadId; }
    BOOL IsLaunched() const { return m_processInfo.hProcess != nullptr; }

  private:
    PROCESS_INFORMATION m_processInfo = {};
};
