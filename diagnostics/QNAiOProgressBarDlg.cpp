// QNAiOProgressBarDlg: the COM face of the progress dialog.
#include "QNAiOProgressBarDlg.h"

#include "AFX_MODULE_STATE.h"
#include "AnsiText.h"
#include "resource.h"

namespace diagnostics {

HRESULT QNAiOProgressBarDlg::FinalConstruct() {
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    m_dialog.SetOwner(this);
    EnsureWindow();
    return S_OK;
}

void QNAiOProgressBarDlg::FinalRelease() {
    Close();
}

// The dialog comes from the server's own resources, so the server's module state is made current first.
void QNAiOProgressBarDlg::EnsureWindow() {
    if (m_windowCreated) return;
    AFX_MANAGE_STATE(AfxGetStaticModuleState());
    if (m_dialog.Create(IDD_PROGRESS)) m_windowCreated = 1;
}

STDMETHODIMP QNAiOProgressBarDlg::put_Message(BSTR newVal) {
    EnsureWindow();
    m_dialog.SetMessage(framework::AnsiFromWide(newVal));
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::StepIt() {
    EnsureWindow();
    m_dialog.StepIt();
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::get_IsCanceled(LONG* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    *pVal = m_isCanceled;
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::put_IsCanceled(LONG newVal) {
    m_isCanceled = newVal;
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::get_Step(LONG* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    EnsureWindow();
    *pVal = m_dialog.Step();
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::put_Step(LONG newVal) {
    EnsureWindow();
    m_dialog.SetStep(newVal);
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::SetRange(LONG Lower, LONG Upper) {
    EnsureWindow();
    m_dialog.SetRange(Lower, Upper);
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::get_Position(LONG* pVal) {
    KENRO_REQUIRE_POINTER(pVal);
    EnsureWindow();
    *pVal = m_dialog.Position();
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::put_Position(LONG newVal) {
    EnsureWindow();
    m_dialog.SetPosition(newVal);
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::Show() {
    EnsureWindow();
    if (!m_visible) {
        m_dialog.ShowWindow(SW_SHOWNORMAL);
        m_visible = 1;
    }
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::Hide() {
    EnsureWindow();
    m_dialog.ShowWindow(SW_HIDE);
    m_visible = 0;
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::Close() {
    if (m_windowCreated && m_dialog.DestroyWindow()) {
        m_windowCreated = 0;
        m_visible = 0;
    }
    return S_OK;
}

STDMETHODIMP QNAiOProgressBarDlg::Reset() {
    EnsureWindow();
    m_dialog.Reset();
    m_isCanceled = 0;
    return S_OK;
}

}  // namespace diagnostics
