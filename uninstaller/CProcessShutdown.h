// Ends the processes of the maker's programs before their files are removed: every running process
// whose program path holds one of the items is terminated. The processes are listed through psapi.dll
// on Windows NT and through the tool help calls of kernel32 on Windows 9x.
// Its data-file section is [Scrubber.ProcessShutdown].
#pragma once

#include "CUninstaller.h"
#include "OwnProcesses.h"
#include "windows.h"

class CProcessShutdown : public CUninstaller {
  public:
    explicit CProcessShutdown(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    void EnumerateProcessesNT();
    void EnumerateProcesses9x();
    void ShutDownProcess(DWORD processId, const char* pPath);

    COwnProcesses* m_pOwnProcesses = nullptr;  // during Delete
};
