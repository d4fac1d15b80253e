// QNAiOProgressBarDlg: the progress dialog a walk reports to and whose Cancel button stops it. The window
// is made lazily: at creation and, when it is not there, by every member but IsCanceled and Close.
#pragma once

#include "KenroObject.h"
#include "ProgressDialog.h"

namespace diagnostics {

class QNAiOProgressBarDlg : public KenroObject<QNAiOProgressBarDlg, &CLSID_QNAiOProgressBarDlg,
                                               DIQNAiOProgressBarDlg, &IID_DIQNAiOProgressBarDlg> {
  public:
    BEGIN_COM_MAP(QNAiOProgressBarDlg)
    KENRO_OBJECT_INTERFACES(DIQNAiOProgressBarDlg)
    END_COM_MAP()

    HRESULT FinalConstruct();
    // The window goes with the object.
    void FinalRelease();

    STDMETHOD(put_Message)(BSTR newVal) override;
    STDMETHOD(StepIt)() override;
    STDMETHOD(get_IsCanceled)(LONG* pVal) override;
    STDMETHOD(put_IsCanceled)(LONG newVal) override;
    STDMETHOD(get_Step)(LONG* pVal) override;
    STDMETHOD(put_Step)(LONG newVal) override;
    STDMETHOD(SetRange)(LONG Lower, LONG Upper) override;
    STDMETHOD(get_Position)(LONG* pVal) override;
    STDMETHOD(put_Position)(LONG newVal) override;
    STDMETHOD(Show)() override;
    STDMETHOD(Hide)() override;
    STDMETHOD(Close)() override;
    STDMETHOD(Reset)() override;

  private:
    // Makes the window when there is none yet; a failure leaves the members without visible effect.
    void EnsureWindow();

    BYTE m_visible = 0;
    BYTE m_windowCreated = 0;
    LONG m_isCanceled = 0;
    ProgressDialog m_dialog;
};

}  // namespace diagnostics
