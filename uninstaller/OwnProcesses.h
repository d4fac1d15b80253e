// The processes the window and process uninstallers leave alone: the uninstaller's own, and the one that
// started it (the instance that copied itself to the temporary folder and started the copy, or the
// installer waiting for it).
#pragma once

#include "windows.h"

class COwnProcesses {
  public:
    // Looks up both now. The starter is known through the tool help snapshot, where Windows offers it
    // (not on Windows NT 4, where only the program's own process is left alone).
    COwnProcesses();
    bool Contains(DWORD processId) const;

  private:
    DWORD m_self;
    DWORD m_starter;
};
