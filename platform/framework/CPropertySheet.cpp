// Property sheet objects over the common controls' property sheets.
#include "CPropertySheet.h"

#include "CWinApp.h"

namespace {

// The object whose sheet is being made on this thread, for the sheet's callback to attach.
thread_local CPropertySheet* sheetBeingMade = nullptr;

std::string CaptionFromStrings(UINT nIDCaption) {
    char caption[512] = {};
    if (nIDCaption) LoadStringA(AfxGetInstanceHandle(), nIDCaption, caption, sizeof caption);
    return caption;
}

}  // namespace

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : CPropertySheet(CaptionFromStrings(nIDCaption).c_str(), pParentWnd, iSelectPage) {}

CPropertySheet::CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption ? pszCaption : ""), m_pParentWnd(pParentWnd) {
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_DEFAULT;
    m_psh.nStartPage = iSelectPage;
}

void CPropertySheet::AddPage(CPropertyPage* pPage) {
    if (!pPage) return;
    m_pages.push_back(pPage);
    if (m_hWnd) SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(CreatePropertySheetPageA(&pPage->m_psp)));
}

int CPropertySheet::GetPageCount() const { return static_cast<int>(m_pages.size()); }

CPropertyPage* CPropertySheet::GetPage(int nPage) const {
    return nPage >= 0 && nPage < GetPageCount() ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

int CPropertySheet::GetPageIndex(CPropertyPage* pPage) const {
    for (size_t index = 0; index < m_pages.size(); ++index) {
        if (m_pages[index] == pPage) return static_cast<int>(index);
    }
    return -1;
}

int CPropertySheet::GetActiveIndex() const {
    if (!m_hWnd) return static_cast<int>(m_psh.nStartPage);
    auto current = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (size_t index = 0; index < m_pages.size(); ++index) {
        if (current && m_pages[index]->m_hWnd == current) return static_cast<int>(index);
    }
    return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

BOOL CPropertySheet::SetActivePage(int nPage) {
    if (nPage < 0 || nPage >= GetPageCount()) return FALSE;
    if (!m_hWnd) {
        m_psh.nStartPage = static_cast<UINT>(nPage);
        return TRUE;
    }
    return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0));
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage) { return SetActivePage(GetPageIndex(pPage)); }

void CPropertySheet::SetTitle(LPCSTR lpszText, UINT nStyle) {
    m_strCaption = lpszText ? lpszText : "";
    m_psh.dwFlags = (m_psh.dwFlags & ~PSH_PROPTITLE) | (nStyle & PSH_PROPTITLE);
    if (m_hWnd) SendMessage(PSM_SETTITLEA, nStyle, reinterpret_cast<LPARAM>(m_strCaption.c_str()));
}

CWnd* CPropertySheet::GetTabControl() const {
    return FromHandle(reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETTABCONTROL, 0, 0)));
}

void CPropertySheet::PressButton(int nButton) { SendMessage(PSM_PRESSBUTTON, static_cast<WPARAM>(nButton), 0); }

void CPropertySheet::BuildHeader(bool modeless) {
    m_bModeless = modeless;
    m_descriptions.clear();
    for (CPropertyPage* page : m_pages) m_descriptions.push_back(page->m_psp);
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = (m_psh.dwFlags & ~PSH_MODELESS) | PSH_PROPSHEETPAGE | PSH_USECALLBACK | (modeless ? PSH_MODELESS : 0);
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    CWinApp* app = AfxGetApp();
    if (!parent && !modeless && app && app->m_pMainWnd) parent = app->m_pMainWnd->m_hWnd;
    m_psh.hwndParent = parent;
    m_psh.hInstance = AfxGetInstanceHandle();
    m_psh.pszCaption = m_strCaption.c_str();
    m_psh.nPages = static_cast<UINT>(m_descriptions.size());
    m_psh.ppsp = m_descriptions.data();
    m_psh.pfnCallback = SheetCallback;
}

// Before the sheet is made it takes the object's styles; once it has started, the object is attached.
int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT message, LPARAM lParam) {
    CPropertySheet* sheet = sheetBeingMade;
    if (!sheet) return 0;
    if (message == PSCB_PRECREATE && lParam && sheet->m_dwStyle != static_cast<DWORD>(-1)) {
        auto* dialog = reinterpret_cast<DLGTEMPLATE*>(lParam);
        dialog->style = sheet->m_dwStyle;
        dialog->dwExtendedStyle = sheet->m_dwExStyle;
    }
    if (message == PSCB_INITIALIZED) {
        sheetBeingMade = nullptr;
        if (sheet->SubclassWindow(hWnd)) sheet->OnInitDialog();
    }
    return 0;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle) {
    if (pParentWnd) m_pParentWnd = pParentWnd;
    m_dwStyle = dwStyle;
    m_dwExStyle = dwExStyle;
    BuildHeader(true);
    sheetBeingMade = this;
    INT_PTR window = PropertySheetA(&m_psh);
    sheetBeingMade = nullptr;
    return window != -1 && window != 0 && m_hWnd ? TRUE : FALSE;
}

INT_PTR CPropertySheet::DoModal() {
    m_dwStyle = static_cast<DWORD>(-1);
    BuildHeader(false);
    sheetBeingMade = this;
    INT_PTR result = PropertySheetA(&m_psh);
    sheetBeingMade = nullptr;
    if (result < 0) return -1;
    return result > 0 ? IDOK : IDCANCEL;
}

void CPropertySheet::EndDialog(int nEndID) {
    if (m_bModeless) {
        DestroyWindow();
    } else {
        ::EndDialog(m_hWnd, nEndID);
    }
}

// A modeless sheet loses its buttons, and the row they took: it ends as far below the tabs as the
// buttons ended below them.
BOOL CPropertySheet::OnInitDialog() {
    if (!m_bModeless) return TRUE;
    RECT sheet{};
    RECT buttons{};
    RECT tabs{};
    ::GetWindowRect(m_hWnd, &sheet);
    HWND ok = ::GetDlgItem(m_hWnd, IDOK);
    if (ok) ::GetWindowRect(ok, &buttons);
    if (CWnd* tabControl = GetTabControl()) tabControl->GetWindowRect(&tabs);
    for (int id : {IDOK, IDCANCEL, ID_APPLY_NOW, IDHELP}) {
        if (HWND button = ::GetDlgItem(m_hWnd, id)) {
            ::ShowWindow(button, SW_HIDE);
            ::EnableWindow(button, FALSE);
        }
    }
    if (ok && tabs.bottom > tabs.top && buttons.bottom > tabs.bottom) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, sheet.right - sheet.left,
                       sheet.bottom - sheet.top - (buttons.bottom - tabs.bottom), SWP_NOMOVE | SWP_NOZORDER);
    }
    return TRUE;
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE && m_bModeless) {
        DestroyWindow();
        return 0;
    }
    LRESULT result = CWnd::WindowProc(message, wParam, lParam);
    // A modeless sheet that OK or Cancel ended goes away.
    if (message == WM_COMMAND && m_bModeless && m_hWnd && !SendMessage(PSM_GETCURRENTPAGEHWND)) DestroyWindow();
    return result;
}
