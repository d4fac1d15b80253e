// Data exchange with a dialog's controls: attaching a control to its object, and the texts of controls.
#include "CDataExchange.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "CString.h"
#include "CWinApp.h"
#include "CWnd.h"

namespace {

// What the user is told when a field that takes a whole number holds something else.
constexpr char kEnterAnInteger[] = "Immettere un numero intero.";
constexpr char kEnterAPositiveInteger[] = "Immettere un numero intero positivo.";

CString ControlText(HWND control) {
    CString text;
    int length = ::GetWindowTextLengthA(control);
    ::GetWindowTextA(control, text.GetBuffer(length + 1), length + 1);
    text.ReleaseBuffer();
    return text;
}

// Tells the user what the field takes and fails the exchange.
[[noreturn]] void FailWith(CDataExchange* pDX, const char* message) {
    CWinApp* application = AfxGetApp();
    const char* caption = application && application->m_pszAppName ? application->m_pszAppName : "";
    ::MessageBoxA(pDX->m_pDlgWnd->m_hWnd, message, caption, MB_ICONEXCLAMATION);
    pDX->Fail();
}

// The control's text as a number within [lowest, highest], or a failed exchange.
long long ReadNumber(CDataExchange* pDX, HWND control, long long lowest, long long highest, const char* message) {
    CString text = ControlText(control);
    text.Trim();
    errno = 0;
    char* end = nullptr;
    long long number = std::strtoll(text, &end, 10);
    if (text.IsEmpty() || *end || errno == ERANGE || number < lowest || number > highest) FailWith(pDX, message);
    return number;
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int nIDC) { return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC); }

void CDataExchange::Fail() { throw CUserException(); }

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd) return;
    rControl.SubclassWindow(pDX->PrepareCtrl(nIDC));
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = ControlText(control);
    } else {
        ::SetWindowTextA(control, value);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<int>(ReadNumber(pDX, control, INT32_MIN, INT32_MAX, kEnterAnInteger));
    } else {
        CString text;
        text.Format("%d", value);
        ::SetWindowTextA(control, text);
    }
}

void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value) {
    HWND control = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = static_cast<UINT>(ReadNumber(pDX, control, 0, UINT32_MAX, kEnterAPositiveInteger));
    } else {
        CString text;
        text.Format("%u", value);
        ::SetWindowTextA(control, text);
    }
}
