#include "CUninstallerProgress.h"

#include <cstdio>

#include "ProgramStrings.h"
#include "Trace.h"
#include "UninstallerGlobals.h"
#include "resource.h"

namespace {

constexpr char CREATE_FAILED[] = "Failed to create progress dialog!\n";
constexpr char THREAD_INIT_STEP[] = "m_thread.Init";
constexpr int PROGRESS_END = 100;

}  // namespace

CUninstallerProgress::CUninstallerProgress() : CDialog(IDD_PROGRESS) {}

DWORD CUninstallerProgress::Execute(LPTHREAD_START_ROUTINE pWorker) {
    if (!Create(IDD_PROGRESS)) {
        DWORD error = GetLastError();
        std::printf(CREATE_FAILED);
        return error;
    }
    if (!gSilent) ShowWindow(SW_SHOW);
    if (!m_thread.Init(pWorker, this)) {
        // No worker will ever close the dialog: close it here rather than wait for one.
        DWORD error = GetLastError();
        TraceFailedWith(THREAD_INIT_STEP, static_cast<long>(error));
        DestroyWindow();
        return error;
    }

    HWND hDialog = m_hWnd;
    MSG message;
    while (IsWindow(hDialog) && GetMessageA(&message, NULL, 0, 0) > 0) {
        // The worker closes the dialog by posting WM_DESTROY to it.
        if (message.hwnd == hDialog && message.message == WM_DESTROY) {
            DestroyWindow();
            continue;
        }
        if (!AfxPreTranslateMessage(&message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    m_thread.Wait(INFINITE);
    return m_thread.GetExitCode();
}

void CUninstallerProgress::SetProgress(int position) {
    HWND hProgress = ::GetDlgItem(m_hDialogWnd, IDC_PROGRESS);
    if (!IsWindow(hProgress)) return;
    if (::SendMessageA(hProgress, PBM_GETPOS, 0, 0) != position)
        ::SendMessageA(hProgress, PBM_SETPOS, position, 0);
}

void CUninstallerProgress::SetStatusText(const char* pText) {
    if (gUnattended) return;
    HWND hStatus = ::GetDlgItem(m_hDialogWnd, IDC_STATUS);
    if (IsWindow(hStatus)) ::SetWindowTextA(hStatus, pText);
}

void CUninstallerProgress::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MESSAGE, m_message);
    DDX_Control(pDX, IDC_STATUS, m_status);
    DDX_Control(pDX, IDC_PROGRESS, m_progress);
}

BOOL CUninstallerProgress::OnInitDialog() {
    CDialog::OnInitDialog();
    m_hDialogWnd = m_hWnd;
    if (gUnattended) {
        // Only the waiting message: no status line and no bar.
        SetWindowText(LoadProgramString(IDS_PLEASE_WAIT).c_str());
        m_message.SetWindowText(LoadProgramString(IDS_SEARCHING_DRIVERS).c_str());
        m_message.ShowWindow(SW_SHOW);
        m_status.ShowWindow(SW_HIDE);
        m_progress.ShowWindow(SW_HIDE);
    } else {
        SetWindowText(LoadProgramString(IDS_PROGRESS_TITLE).c_str());
    }
    GetDlgItem(IDOK)->ShowWindow(SW_HIDE);
    m_progress.SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, PROGRESS_END));
    return TRUE;
}

// Closing the dialog does not stop the run: the worker goes on, and Execute waits for it.
void CUninstallerProgress::OnOK() {
    DestroyWindow();
}

void CUninstallerProgress::OnCancel() {
    DestroyWindow();
}
