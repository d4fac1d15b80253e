// The modeless progress dialog behind QNAiOProgressBarDlg: a message line, a progress bar with the
// percentage beside it, and a Cancel button that tells the owner the user gave up.
#pragma once

#include <string>

#include "CDialog.h"
#include "CProgressCtrl.h"
#include "CStatic.h"
#include "kenrim07.h"

namespace diagnostics {

class ProgressDialog : public CDialog {
  public:
    ProgressDialog();

    // The owner whose IsCanceled the Cancel button sets; held without a reference (the owner owns this
    // dialog).
    void SetOwner(DIQNAiOProgressBarDlg* owner) { m_owner = owner; }

    void SetMessage(std::string message);
    // One more step: the bar's position becomes the step count, the percentage the count's share of the
    // range.
    void StepIt();
    LONG Step() const { return m_stepSize; }
    void SetStep(LONG stepSize);
    void SetRange(LONG lower, LONG upper);
    LONG Position() const;
    void SetPosition(LONG position);
    // Empty message, "0%", step count and position 0.
    void Reset();

  protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* pDX) override;

  private:
    void RefreshControls();

    CProgressCtrl m_progress;
    CStatic m_messageText;
    CStatic m_percentText;
    std::string m_message;
    std::string m_percent;
    LONG m_stepCount = 0;
    LONG m_stepSize = 0;
    LONG m_lower = 0;
    LONG m_upper = 100;
    DIQNAiOProgressBarDlg* m_owner = nullptr;
};

}  // namespace diagnostics
