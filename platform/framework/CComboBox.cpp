// The combo box's object: a thin wrapper over its messages.
#include "CComboBox.h"

namespace {

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageA(window, message, wParam, lParam);
}

LPARAM TextParameter(LPCSTR text) { return reinterpret_cast<LPARAM>(text); }

}  // namespace

int CComboBox::AddString(LPCSTR lpszString) {
    return static_cast<int>(Send(m_hWnd, CB_ADDSTRING, 0, TextParameter(lpszString)));
}

int CComboBox::InsertString(int nIndex, LPCSTR lpszString) {
    return static_cast<int>(Send(m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(nIndex), TextParameter(lpszString)));
}

int CComboBox::DeleteString(UINT nIndex) { return static_cast<int>(Send(m_hWnd, CB_DELETESTRING, nIndex)); }
void CComboBox::ResetContent() { Send(m_hWnd, CB_RESETCONTENT); }
int CComboBox::GetCount() const { return static_cast<int>(Send(m_hWnd, CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return static_cast<int>(Send(m_hWnd, CB_GETCURSEL)); }
int CComboBox::SetCurSel(int nSelect) { return static_cast<int>(Send(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(nSelect))); }

int CComboBox::FindString(int nStartAfter, LPCSTR lpszString) const {
    return static_cast<int>(Send(m_hWnd, CB_FINDSTRING, static_cast<WPARAM>(nStartAfter), TextParameter(lpszString)));
}

int CComboBox::FindStringExact(int nIndexStart, LPCSTR lpszFind) const {
    return static_cast<int>(Send(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(nIndexStart), TextParameter(lpszFind)));
}

int CComboBox::SelectString(int nStartAfter, LPCSTR lpszString) {
    return static_cast<int>(Send(m_hWnd, CB_SELECTSTRING, static_cast<WPARAM>(nStartAfter), TextParameter(lpszString)));
}

int CComboBox::GetLBText(int nIndex, LPSTR lpszText) const {
    return static_cast<int>(Send(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpszText)));
}

void CComboBox::GetLBText(int nIndex, std::string& rString) const {
    int length = GetLBTextLen(nIndex);
    if (length < 0) {
        rString.clear();
        return;
    }
    rString.assign(static_cast<size_t>(length) + 1, '\0');
    GetLBText(nIndex, rString.data());
    rString.resize(static_cast<size_t>(length));
}

int CComboBox::GetLBTextLen(int nIndex) const {
    return static_cast<int>(Send(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(nIndex)));
}

DWORD_PTR CComboBox::GetItemData(int nIndex) const {
    return static_cast<DWORD_PTR>(Send(m_hWnd, CB_GETITEMDATA, static_cast<WPARAM>(nIndex)));
}

int CComboBox::SetItemData(int nIndex, DWORD_PTR dwItemData) {
    return static_cast<int>(Send(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(nIndex), static_cast<LPARAM>(dwItemData)));
}
