// The application object, its start-up and exit code, and the command line as the C runtime splits it.
//
// A program defines one global object of a class derived from CWinApp and links framework_main, whose
// main() runs it: InitInstance, then Run when InitInstance returns TRUE, else ExitInstance; the process
// exit code is what Run or ExitInstance returns.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

class CCommandLineInfo;
class CWnd;

class CWinApp {
  public:
    explicit CWinApp(const char* pszAppName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up: TRUE goes on to Run, FALSE ends the program with ExitInstance's code.
    virtual BOOL InitInstance();
    // The message loop until WM_QUIT; returns ExitInstance's code.
    virtual int Run();
    // The exit code: the code of the WM_QUIT that ended Run, 0 when there was none.
    virtual int ExitInstance();
    // Gives the windows a message is for, from the window up through its parents, the first look at it.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Idle processing while the message queue is empty, lCount counting the calls since the last message
    // from 0: TRUE while there is more to do. The framework's own part is done after the first call.
    virtual BOOL OnIdle(LONG lCount);

    // Calls rCmdInfo.ParseParam for each argument of GetCommandLineA, split as the C runtime does.
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);

    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWDEFAULT;
    // The program's file name without folder and extension, and the application's name (by default the same).
    const char* m_pszExeName = nullptr;
    const char* m_pszAppName = nullptr;

  private:
    friend int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int);
    int m_quitCode = 0;
    std::string m_exeName;
    std::string m_appName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The pre-translation the message loops use: the permanent window objects from the message's window up.
BOOL AfxPreTranslateMessage(MSG* pMsg);
// Runs the application object: what the program's entry point calls.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

namespace framework {

// The arguments after the program name, split as the C runtime splits a command line.
std::vector<std::string> SplitCommandLine(const char* commandLine);
// What follows the program name and the blanks after it, as WinMain receives it.
const char* ArgumentsOf(const char* commandLine);

}  // namespace framework
