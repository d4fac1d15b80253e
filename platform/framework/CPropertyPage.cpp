// Property page objects: the page's description for the sheet, and the sheet's notifications turned into
// the page's virtual functions.
#include "CPropertyPage.h"

#include "CWinApp.h"

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate) {
    m_psp.dwSize = sizeof m_psp;
    m_psp.dwFlags = PSP_DEFAULT;
    m_psp.hInstance = AfxGetInstanceHandle();
    m_psp.pszTemplate = MAKEINTRESOURCEA(nIDTemplate);
    m_psp.pfnDlgProc = PageProcedure;
    m_psp.lParam = reinterpret_cast<LPARAM>(this);
    if (nIDCaption) {
        char caption[512] = {};
        LoadStringA(m_psp.hInstance, nIDCaption, caption, sizeof caption);
        m_strCaption = caption;
        m_psp.dwFlags |= PSP_USETITLE;
        m_psp.pszTitle = m_strCaption.c_str();
    }
}

// The sheet makes the page's dialog with a copy of m_psp: its lParam names the object, which is
// attached as the dialog starts.
INT_PTR CALLBACK CPropertyPage::PageProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    if (message != WM_INITDIALOG) return FALSE;
    const auto* description = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    auto* page = description ? reinterpret_cast<CPropertyPage*>(description->lParam) : nullptr;
    if (!page || !page->SubclassWindow(hDlg)) return TRUE;
    return page->OnInitDialog();
}

void CPropertyPage::SetModified(BOOL bChanged) {
    HWND sheet = ::GetParent(m_hWnd);
    if (sheet) ::SendMessageA(sheet, bChanged ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::OnSetActive() {
    if (m_bFirstSetActive) {
        m_bFirstSetActive = false;
    } else {
        UpdateData(FALSE);
    }
    return TRUE;
}

BOOL CPropertyPage::OnKillActive() { return UpdateData(TRUE); }

BOOL CPropertyPage::OnApply() {
    OnOK();
    return TRUE;
}

void CPropertyPage::OnReset() { OnCancel(); }
BOOL CPropertyPage::OnQueryCancel() { return TRUE; }
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header) return CDialog::OnNotify(wParam, lParam, pResult);
    switch (header->code) {
        case PSN_SETACTIVE:
            *pResult = OnSetActive() ? 0 : -1;
            return TRUE;
        case PSN_KILLACTIVE:
            *pResult = OnKillActive() ? FALSE : TRUE;
            return TRUE;
        case PSN_APPLY:
            *pResult = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
            return TRUE;
        case PSN_RESET:
            OnReset();
            *pResult = 0;
            return TRUE;
        case PSN_QUERYCANCEL:
            *pResult = OnQueryCancel() ? FALSE : TRUE;
            return TRUE;
        default:
            return CDialog::OnNotify(wParam, lParam, pResult);
    }
}
