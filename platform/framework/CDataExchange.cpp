// Data exchange with a dialog's controls: attaching a control to its object.
#include "CDataExchange.h"

#include "CWnd.h"

HWND CDataExchange::PrepareCtrl(int nIDC) { return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC); }

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (rControl.m_hWnd) return;
    rControl.SubclassWindow(pDX->PrepareCtrl(nIDC));
}
