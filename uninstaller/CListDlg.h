// The error-list dialog: the errors of the run in an edit box, closed with "Continua".
#pragma once

#include "framework.h"

class CListDlg : public CDialog {
  public:
    CListDlg();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

    CEdit m_message;
};
