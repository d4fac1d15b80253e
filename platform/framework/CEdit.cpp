// The edit control's object: a thin wrapper over its messages.
#include "CEdit.h"

void CEdit::SetSel(int nStartChar, int nEndChar, BOOL bNoScroll) {
    (void)bNoScroll;
    ::SendMessageA(m_hWnd, EM_SETSEL, static_cast<WPARAM>(nStartChar), nEndChar);
}

void CEdit::GetSel(int& nStartChar, int& nEndChar) const {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageA(m_hWnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    nStartChar = static_cast<int>(start);
    nEndChar = static_cast<int>(end);
}

BOOL CEdit::FmtLines(BOOL bAddEOL) { return static_cast<BOOL>(::SendMessageA(m_hWnd, EM_FMTLINES, bAddEOL, 0)); }
