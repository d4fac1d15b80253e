// The request to restart Windows at the end of the run. Only "Riavvia" ends it: Esc and the close box
// leave it open.
#pragma once

#include "framework.h"

class CRestartDialog : public CDialog {
  public:
    CRestartDialog();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // Ends the dialog and restarts Windows.
    void OnOK() override;
    void OnCancel() override;

    CEdit m_message;
};
