// The application framework: an application object, window and dialog objects over window handles, the
// standard controls, and command-line parsing, all written over the Windows API.
//
// A program defines one global object of a class derived from CWinApp and links framework_main, whose
// main() runs it: InitInstance, then Run when InitInstance returns TRUE, else ExitInstance; the process
// exit code is what Run or ExitInstance returns. Windows route their messages to the virtual WindowProc
// of the object attached to them (no message maps).
#pragma once

#include <string>
#include <vector>

#include "commctrl.h"
#include "windows.h"

class CWnd;

// The arguments of the command line, one ParseParam call each.
class CCommandLineInfo {
  public:
    CCommandLineInfo() = default;
    virtual ~CCommandLineInfo() = default;
    // pszParam without its '/' or '-' when bFlag; bLast for the last argument. The first plain argument
    // is the file name; flags are for derived classes.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

    std::string m_strFileName;
};

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

class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a window; for a window without one, a temporary object of the framework's.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Routes the window's messages through this object, which passes what it leaves to the old procedure.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowVisible() const;
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(std::string& rString) const;
    int GetWindowTextLength() const;
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetParent() const;
    int GetDlgCtrlID() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual BOOL PreTranslateMessage(MSG* pMsg);

  protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // What the window's own procedure does with a message.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // After the window is gone and the object detached.
    virtual void PostNcDestroy();

  private:
    friend LRESULT CALLBACK FrameworkWindowProcedure(HWND, UINT, WPARAM, LPARAM);
    WNDPROC m_pfnSuper = nullptr;
};

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    // The control's handle.
    HWND PrepareCtrl(int nIDC);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Attaches the dialog's control nIDC to rControl, the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd {
  public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Modeless, from the dialog resource.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Modal: returns the value given to EndDialog, -1 when the dialog cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    BOOL PreTranslateMessage(MSG* pMsg) override;

  protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
};

class CStatic : public CWnd {};

class CButton : public CWnd {};

class CEdit : public CWnd {
  public:
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    BOOL FmtLines(BOOL bAddEOL);
};

class CProgressCtrl : public CWnd {
  public:
    void SetRange(short nLower, short nUpper);
    void SetRange32(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;
    int SetPos(int nPos);
    int GetPos() const;
    int OffsetPos(int nPos);
    int SetStep(int nStep);
    int StepIt();
};
