// The warning before the run: what will be removed, and the choice to go on (IDOK) or stop (IDCANCEL).
#pragma once

#include "framework.h"

class CWarningMessage : public CDialog {
  public:
    CWarningMessage();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    CEdit m_message;
};
