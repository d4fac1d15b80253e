// The modeless progress dialog behind QNAiOProgressBarDlg.
#include "ProgressDialog.h"

#include <cstdio>
#include <utility>

#include "CWinApp.h"
#include "resource.h"

namespace diagnostics {

namespace {

constexpr const char* kNoProgress = "0%";

}  // namespace

ProgressDialog::ProgressDialog() : CDialog(IDD_PROGRESS), m_percent(kNoProgress) {}

void ProgressDialog::SetMessage(std::string message) {
    m_message = std::move(message);
    RefreshControls();
}

// A range of no width (bounds made equal after the dialog started) has no share to show: 0%.
void ProgressDialog::StepIt() {
    ++m_stepCount;
    m_progress.SetPos(static_cast<int>(m_stepCount));
    long long width = static_cast<long long>(m_upper) - m_lower;
    long long percent = width == 0 ? 0 : static_cast<long long>(m_stepCount) * 100 / width;
    char text[32];
    std::snprintf(text, sizeof text, "%d%%", static_cast<int>(percent));
    m_percent = text;
    RefreshControls();
}

void ProgressDialog::SetStep(LONG stepSize) {
    m_stepSize = stepSize;
    m_progress.SetStep(static_cast<int>(stepSize));
}

void ProgressDialog::SetRange(LONG lower, LONG upper) {
    m_lower = lower;
    m_upper = upper;
    m_progress.SetRange32(static_cast<int>(lower), static_cast<int>(upper));
}

LONG ProgressDialog::Position() const {
    return m_progress.GetPos();
}

void ProgressDialog::SetPosition(LONG position) {
    m_progress.SetPos(static_cast<int>(position));
}

void ProgressDialog::Reset() {
    m_message.clear();
    m_percent = kNoProgress;
    m_stepCount = 0;
    m_progress.SetPos(0);
    RefreshControls();
}

// A bar without width cannot show anything, so an upper bound of 0 becomes 1.
BOOL ProgressDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    char caption[256] = "";
    if (LoadStringA(AfxGetInstanceHandle(), IDS_PRODUCT_NAME, caption, sizeof caption) > 0)
        SetWindowText(caption);
    if (m_upper == 0) m_upper = 1;
    m_progress.SetRange32(static_cast<int>(m_lower), static_cast<int>(m_upper));
    m_progress.ShowWindow(SW_SHOW);
    RefreshControls();
    return TRUE;
}

void ProgressDialog::OnCancel() {
    if (m_owner) m_owner->put_IsCanceled(1);
    CDialog::OnCancel();
}

void ProgressDialog::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, IDC_PROGRESS_BAR, m_progress);
    DDX_Control(pDX, IDC_PROGRESS_MESSAGE, m_messageText);
    DDX_Control(pDX, IDC_PROGRESS_PERCENT, m_percentText);
}

void ProgressDialog::RefreshControls() {
    if (!m_hWnd) return;
    m_messageText.SetWindowText(m_message.c_str());
    m_percentText.SetWindowText(m_percent.c_str());
}

}  // namespace diagnostics
