// An image list's object over its handle: made, attached or detached, and destroyed with the object.
#pragma once

#include "commctrl.h"
#include "windows.h"

class CImageList {
  public:
    CImageList() = default;
    virtual ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;
    operator HIMAGELIST() const { return m_hImageList; }
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }

    // The object over an image list: a temporary one of the framework's, which never destroys it.
    static CImageList* FromHandle(HIMAGELIST hImageList);

    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL Attach(HIMAGELIST hImageList);
    HIMAGELIST Detach();
    BOOL DeleteImageList();
    // An icon added at the end: its index, -1 on failure.
    int Add(HICON hIcon);
    int GetImageCount() const;
};
