// Closes the windows of the maker's programs before their files are removed: every window, at any depth,
// whose title holds one of the items is asked to close and to quit, and waited for.
// Its data-file section is [Scrubber.WindowShutdown].
#pragma once

#include "CUninstaller.h"
#include "OwnProcesses.h"
#include "windows.h"

class CWindowShutDown : public CUninstaller {
  public:
    explicit CWindowShutDown(CUninstallerProgress* pProgress);
    unsigned int IsEnabled() override;
    unsigned int Delete() override;

  private:
    // The walk's callback for top-level and child windows alike, with the uninstaller as context.
    static BOOL CALLBACK EnumWindowsProc(HWND hWnd, LPARAM lParam);
    void ShutDownWindow(HWND hWnd);
    // Posts WM_CLOSE and WM_QUIT for one item and waits for the window to go.
    void CloseWindowForItem(HWND hWnd, const CaseInsensitiveString& item);

    COwnProcesses* m_pOwnProcesses = nullptr;  // during Delete
};
