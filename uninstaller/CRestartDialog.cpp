#include "CRestartDialog.h"

#include "OsVersion.h"
#include "ProgramStrings.h"
#include "Trace.h"
#include "resource.h"

namespace {

constexpr char OPEN_TOKEN_STEP[] = "OpenProcessToken";
constexpr char LOOKUP_PRIVILEGE_STEP[] = "LookupPrivilegeValue";
constexpr char EXIT_WINDOWS_STEP[] = "ExitWindowsEx";

// On Windows NT a program may restart Windows only with the shutdown privilege enabled in its token.
BOOL EnableShutdownPrivilege() {
    HANDLE hToken = NULL;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &hToken)) {
        TraceFailedWith(OPEN_TOKEN_STEP, static_cast<long>(GetLastError()));
        return FALSE;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    BOOL enabled = LookupPrivilegeValueA(NULL, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid);
    // A user who does not hold the privilege gets success with ERROR_NOT_ALL_ASSIGNED here; ExitWindowsEx
    // then refuses, and says so.
    if (enabled) enabled = AdjustTokenPrivileges(hToken, FALSE, &privileges, 0, NULL, NULL);
    if (!enabled) TraceFailedWith(LOOKUP_PRIVILEGE_STEP, static_cast<long>(GetLastError()));
    CloseHandle(hToken);
    return enabled;
}

}  // namespace

CRestartDialog::CRestartDialog() : CDialog(IDD_RESTART) {}

void CRestartDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MESSAGE, m_message);
}

BOOL CRestartDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    m_message.SetWindowText(LoadProgramString(IDS_RESTART_TEXT).c_str());
    return TRUE;
}

void CRestartDialog::OnOK() {
    EndDialog(IDOK);
    if (IsNT() && !EnableShutdownPrivilege()) return;
    if (!ExitWindowsEx(EWX_REBOOT, 0)) TraceFailedWith(EXIT_WINDOWS_STEP, static_cast<long>(GetLastError()));
}

// The user must restart: Esc and the close box do nothing.
void CRestartDialog::OnCancel() {}
