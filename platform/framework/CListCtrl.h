// A list view's object: a thin wrapper over its messages.
#pragma once

#include <string>

#include "CImageList.h"
#include "CWnd.h"
#include "commctrl.h"
#include "windows.h"

class CListCtrl : public CWnd {
  public:
    int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1, int nSubItem = -1);
    int InsertColumn(int nCol, const LVCOLUMNA* pColumn);
    BOOL DeleteColumn(int nCol);
    int InsertItem(const LVITEMA* pItem);
    int InsertItem(int nItem, LPCSTR lpszItem);
    int InsertItem(int nItem, LPCSTR lpszItem, int nImage);
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    BOOL GetItem(LVITEMA* pItem) const;
    BOOL SetItem(const LVITEMA* pItem);
    BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
    int GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const;
    std::string GetItemText(int nItem, int nSubItem) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    int GetNextItem(int nItem, int nFlags) const;
    int GetItemCount() const;
    UINT GetSelectedCount() const;
    int GetTopIndex() const;
    int GetCountPerPage() const;
    BOOL EnsureVisible(int nItem, BOOL bPartialOK);
    // The list's image list of that kind (LVSIL_NORMAL, LVSIL_SMALL, LVSIL_STATE); returns the one before.
    CImageList* SetImageList(CImageList* pImageList, int nImageListType);
    CImageList* GetImageList(int nImageListType) const;
    DWORD SetExtendedStyle(DWORD dwNewStyle);
    DWORD GetExtendedStyle() const;
};
