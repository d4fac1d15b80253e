// devpurge's application. With datfile it runs the uninstall that the data file describes, first
// relaunching itself from the temporary folder so that it can remove the folder it came from; without
// it, it deletes the file named on the command line, waiting for it while it is in use.
#pragma once

#include <string>

#include "CUninstallerCmdInfo.h"
#include "CUninstallerProgress.h"
#include "framework.h"

class CUninstallerApp : public CWinApp {
  public:
    CUninstallerApp();

    BOOL InitInstance() override;
    // The whole data-file run; returns the exit code: 0, 995 when declined, 3010 when a restart is needed.
    int Run() override;
    // After a start-up that ends the program: the last Windows error is the exit code.
    int ExitInstance() override;

  protected:
    CUninstallerCmdInfo m_cmdInfo;
    CUninstallerProgress m_progress;

  private:
    // Reads DIVISION and the numbers of [Version]; FALSE when the data file has no DIVISION.
    BOOL ReadDataFileVersion();
    // FALSE when Windows NT says the user is no administrator.
    BOOL CheckAdministrator();
    // Starts a copy of the program in the temporary folder, reading a copy of the data file; always FALSE.
    BOOL RelaunchFromTemp(const char* pTempFolder, const char* pProgramPath);
    // Copies the data file into the temporary folder under its own name and the installer data file's
    // name; `copiedDataFile` is the first copy. FALSE, after a trace line, when a copy fails.
    BOOL CopyDataFileToTemp(const char* pTempFolder, std::string& copiedDataFile);
    // Deletes the named file, retrying while it is in use; always FALSE.
    BOOL DeleteNamedFile();
};
