// The list view's object: a thin wrapper over its messages.
#include "CListCtrl.h"

namespace {

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return ::SendMessageA(window, message, wParam, lParam);
}

template <typename Record>
LPARAM Pointer(Record* record) {
    return reinterpret_cast<LPARAM>(record);
}

}  // namespace

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth, int nSubItem) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_FMT;
    column.pszText = const_cast<LPSTR>(lpszColumnHeading);
    column.fmt = nFormat;
    if (nWidth != -1) {
        column.mask |= LVCF_WIDTH;
        column.cx = nWidth;
    }
    if (nSubItem != -1) {
        column.mask |= LVCF_SUBITEM;
        column.iSubItem = nSubItem;
    }
    return InsertColumn(nCol, &column);
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMNA* pColumn) {
    return static_cast<int>(Send(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), Pointer(pColumn)));
}

BOOL CListCtrl::DeleteColumn(int nCol) { return static_cast<BOOL>(Send(m_hWnd, LVM_DELETECOLUMN, static_cast<WPARAM>(nCol))); }
int CListCtrl::InsertItem(const LVITEMA* pItem) { return static_cast<int>(Send(m_hWnd, LVM_INSERTITEMA, 0, Pointer(pItem))); }

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem);
    return InsertItem(&item);
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem, int nImage) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = nItem;
    item.pszText = const_cast<LPSTR>(lpszItem);
    item.iImage = nImage;
    return InsertItem(&item);
}

BOOL CListCtrl::DeleteItem(int nItem) { return static_cast<BOOL>(Send(m_hWnd, LVM_DELETEITEM, static_cast<WPARAM>(nItem))); }
BOOL CListCtrl::DeleteAllItems() { return static_cast<BOOL>(Send(m_hWnd, LVM_DELETEALLITEMS)); }
BOOL CListCtrl::GetItem(LVITEMA* pItem) const { return static_cast<BOOL>(Send(m_hWnd, LVM_GETITEMA, 0, Pointer(pItem))); }
BOOL CListCtrl::SetItem(const LVITEMA* pItem) { return static_cast<BOOL>(Send(m_hWnd, LVM_SETITEMA, 0, Pointer(pItem))); }

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText) {
    LVITEMA item{};
    item.iSubItem = nSubItem;
    item.pszText = const_cast<LPSTR>(lpszText);
    return static_cast<BOOL>(Send(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), Pointer(&item)));
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const {
    LVITEMA item{};
    item.iSubItem = nSubItem;
    item.pszText = lpszText;
    item.cchTextMax = nLen;
    return static_cast<int>(Send(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), Pointer(&item)));
}

// Asks with a larger buffer until the text fits, as the list view gives no text's length.
std::string CListCtrl::GetItemText(int nItem, int nSubItem) const {
    for (int size = 256;; size *= 2) {
        std::string text(static_cast<size_t>(size), '\0');
        int length = GetItemText(nItem, nSubItem, text.data(), size);
        if (length < size - 1) {
            text.resize(static_cast<size_t>(length));
            return text;
        }
    }
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
    LVITEMA item{};
    item.state = nState;
    item.stateMask = nMask;
    return static_cast<BOOL>(Send(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), Pointer(&item)));
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
    return static_cast<UINT>(Send(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(nItem), static_cast<LPARAM>(nMask)));
}

BOOL CListCtrl::SetItemData(int nItem, DWORD_PTR dwData) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    item.lParam = static_cast<LPARAM>(dwData);
    return SetItem(&item);
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = nItem;
    return GetItem(&item) ? static_cast<DWORD_PTR>(item.lParam) : 0;
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
    return static_cast<int>(Send(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), MAKELPARAM(nFlags, 0)));
}

int CListCtrl::GetItemCount() const { return static_cast<int>(Send(m_hWnd, LVM_GETITEMCOUNT)); }
UINT CListCtrl::GetSelectedCount() const { return static_cast<UINT>(Send(m_hWnd, LVM_GETSELECTEDCOUNT)); }
int CListCtrl::GetTopIndex() const { return static_cast<int>(Send(m_hWnd, LVM_GETTOPINDEX)); }
int CListCtrl::GetCountPerPage() const { return static_cast<int>(Send(m_hWnd, LVM_GETCOUNTPERPAGE)); }

BOOL CListCtrl::EnsureVisible(int nItem, BOOL bPartialOK) {
    return static_cast<BOOL>(Send(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(nItem), bPartialOK));
}

CImageList* CListCtrl::SetImageList(CImageList* pImageList, int nImageListType) {
    HIMAGELIST list = pImageList ? pImageList->GetSafeHandle() : nullptr;
    auto previous = reinterpret_cast<HIMAGELIST>(
        Send(m_hWnd, LVM_SETIMAGELIST, static_cast<WPARAM>(nImageListType), reinterpret_cast<LPARAM>(list)));
    return CImageList::FromHandle(previous);
}

CImageList* CListCtrl::GetImageList(int nImageListType) const {
    return CImageList::FromHandle(
        reinterpret_cast<HIMAGELIST>(Send(m_hWnd, LVM_GETIMAGELIST, static_cast<WPARAM>(nImageListType))));
}

DWORD CListCtrl::SetExtendedStyle(DWORD dwNewStyle) {
    return static_cast<DWORD>(Send(m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(dwNewStyle)));
}

DWORD CListCtrl::GetExtendedStyle() const { return static_cast<DWORD>(Send(m_hWnd, LVM_GETEXTENDEDLISTVIEWSTYLE)); }
