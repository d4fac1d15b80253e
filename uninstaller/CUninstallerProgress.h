// The modeless progress dialog of the run: it starts the worker thread that runs the uninstall engine,
// pumps the main thread's messages until the dialog is gone, and waits for the worker.
#pragma once

#include "CThread.h"
#include "UninstallEngine.h"
#include "framework.h"

class CUninstallerProgress : public CDialog {
  public:
    CUninstallerProgress();

    // Shows the dialog (unless silent), runs `pWorker` with the dialog as parameter on a new thread and
    // returns its exit code once the dialog is gone and the worker has ended. When the dialog or the
    // worker cannot be made, returns the Windows error of that step.
    DWORD Execute(LPTHREAD_START_ROUTINE pWorker = UninstallThreadProc);

    // Called from the worker: both go through the dialog's window handles and do nothing once it is gone.
    void SetProgress(int position);
    void SetStatusText(const char* pText);
    // The dialog's window as the worker sees it: set when the dialog starts, and no longer a window once
    // the dialog is destroyed.
    HWND GetDialogWindow() const { return m_hDialogWnd; }

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    CStatic m_message;
    CStatic m_status;
    CProgressCtrl m_progress;
    CThread m_thread;

  private:
    HWND m_hDialogWnd = nullptr;
};
