#include "CListDlg.h"

#include "resource.h"

CListDlg::CListDlg() : CDialog(IDD_ERROR_LIST) {}

void CListDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MESSAGE, m_message);
}
