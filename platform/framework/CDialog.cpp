// Dialog objects over the dialog manager: modal and modeless from resources, the standard OK and Cancel
// handling, and data exchange with the controls.
#include "CDialog.h"

#include "CWinApp.h"

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

// Attaches the object when the dialog starts (its procedure then routes the dialog's messages to the
// object) and leaves every other message to the standard dialog handling.
INT_PTR CALLBACK CDialog::DialogProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog || !dialog->SubclassWindow(hDlg)) return TRUE;
    return dialog->OnInitDialog();
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    m_nIDTemplate = nIDTemplate;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    HWND hDlg = CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent, DialogProcedure,
                                   reinterpret_cast<LPARAM>(this));
    return hDlg ? TRUE : FALSE;
}

INT_PTR CDialog::DoModal() {
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!parent && app && app->m_pMainWnd) parent = app->m_pMainWnd->m_hWnd;
    return DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent, DialogProcedure,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
    if (pWndCtrl) SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange exchange(this, bSaveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (const CUserException&) {
        // The exchange told the user what was wrong; the dialog stays as it is.
        return FALSE;
    }
    return TRUE;
}

// Keyboard messages for the dialog go to its keyboard handling; nothing else is taken.
BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!pMsg || pMsg->message < WM_KEYDOWN || pMsg->message > WM_SYSKEYUP) return FALSE;
    return IsDialogMessageA(m_hWnd, pMsg);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange* pDX) { (void)pDX; }

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (HIWORD(wParam) != BN_CLICKED) return FALSE;
    switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            return FALSE;
    }
}
