// A dialog object over the dialog manager: modal and modeless from resources, the standard OK and Cancel
// handling, and data exchange with the controls.
#pragma once

#include "CDataExchange.h"
#include "CWnd.h"
#include "windows.h"

class CDialog : public CWnd {
  public:
    CDialog() = default;
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Modeless, from the dialog resource.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // Modal: returns the value given to EndDialog, -1 when the dialog cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    // Gives the control the focus, through the dialog manager (WM_NEXTDLGCTL).
    void GotoDlgCtrl(CWnd* pWndCtrl);

    BOOL PreTranslateMessage(MSG* pMsg) override;
    // Dialog units of this dialog's font to pixels.
    void MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

  protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
};
