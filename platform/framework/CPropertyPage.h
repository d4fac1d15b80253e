// A property page's object: a dialog made by its property sheet from the page's template, which hears of
// the sheet's events through virtual functions (OnSetActive, OnKillActive, OnApply, OnReset,
// OnQueryCancel).
#pragma once

#include <string>

#include "CDialog.h"
#include "commctrl.h"
#include "windows.h"

class CPropertyPage : public CDialog {
  public:
    // nIDCaption, when given, names the string that becomes the page's tab title (PSP_USETITLE).
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

    // What the property sheet makes the page from; a program may add its own flags (PSP_USEHICON with
    // hIcon, PSP_USETITLE with pszTitle) before the page is added.
    PROPSHEETPAGEA m_psp{};

    // Tells the sheet that the page has changes to apply (enables Apply), or has none.
    void SetModified(BOOL bChanged = TRUE);

    // The page becomes current: TRUE lets it. The first time the data are already in the controls from
    // OnInitDialog; after that they are put there again.
    virtual BOOL OnSetActive();
    // The page stops being current, or the sheet is about to apply: FALSE keeps the page current.
    virtual BOOL OnKillActive();
    // OK or Apply: FALSE stops the apply and keeps the page current.
    virtual BOOL OnApply();
    // Cancel.
    virtual void OnReset();
    // Cancel is about to be carried out: FALSE refuses it.
    virtual BOOL OnQueryCancel();

  protected:
    // The sheet's OK and Cancel come as OnApply and OnReset: a page ends no dialog of its own.
    void OnOK() override;
    void OnCancel() override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    std::string m_strCaption;

  private:
    static INT_PTR CALLBACK PageProcedure(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    bool m_bFirstSetActive = true;
};
