// Data exchange between a dialog object and its controls.
#pragma once

#include "windows.h"

class CString;
class CWnd;

// What a failed validation throws; UpdateData catches it and answers FALSE.
class CUserException {};

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    // The control's handle.
    HWND PrepareCtrl(int nIDC);
    // Ends the exchange after a validation's message: throws a CUserException.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Attaches the dialog's control nIDC to rControl, the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// The control's text and a string, or a number written in decimal. Reading a number that is none (or
// does not fit) tells the user so and fails the exchange.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
