// A property sheet's object: its pages, made into a modal or modeless sheet by the common controls, and
// the sheet's window attached to the object as the sheet starts (OnInitDialog).
#pragma once

#include <string>
#include <vector>

#include "CPropertyPage.h"
#include "CWnd.h"
#include "commctrl.h"
#include "windows.h"

class CPropertySheet : public CWnd {
  public:
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(LPCSTR pszCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

    // What the sheet is made from; a program may add its own flags (PSH_NOAPPLYNOW, PSH_USEHICON).
    PROPSHEETHEADERA m_psh{};

    // The pages in tab order; the sheet does not own them.
    void AddPage(CPropertyPage* pPage);
    int GetPageCount() const;
    CPropertyPage* GetPage(int nPage) const;
    int GetPageIndex(CPropertyPage* pPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    // The caption; nStyle PSH_PROPTITLE makes it "<caption> Properties".
    void SetTitle(LPCSTR lpszText, UINT nStyle = 0);
    CWnd* GetTabControl() const;
    void PressButton(int nButton);

    // Modeless, with the window styles given ((DWORD)-1: the standard ones); the sheet is shown. A
    // modeless sheet has no OK, Cancel or Apply button, and closing it destroys it.
    virtual BOOL Create(CWnd* pParentWnd = nullptr, DWORD dwStyle = static_cast<DWORD>(-1), DWORD dwExStyle = 0);
    // Modal: IDOK when the pages applied their changes, IDCANCEL when not, -1 when the sheet cannot be made.
    virtual INT_PTR DoModal();
    void EndDialog(int nEndID);

  protected:
    // The sheet has started, with its first page made; TRUE.
    virtual BOOL OnInitDialog();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    std::string m_strCaption;
    CWnd* m_pParentWnd = nullptr;
    bool m_bModeless = false;
    DWORD m_dwStyle = static_cast<DWORD>(-1);
    DWORD m_dwExStyle = 0;

  private:
    static int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM lParam);
    void BuildHeader(bool modeless);
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_descriptions;
};
