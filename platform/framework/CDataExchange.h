// Data exchange between a dialog object and its controls.
#pragma once

#include "windows.h"

class CWnd;

class CDataExchange {
  public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    // The control's handle.
    HWND PrepareCtrl(int nIDC);

    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Attaches the dialog's control nIDC to rControl, the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
