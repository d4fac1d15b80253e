// An edit control's object: a thin wrapper over its messages.
#pragma once

#include "CWnd.h"
#include "windows.h"

class CEdit : public CWnd {
  public:
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE);
    void GetSel(int& nStartChar, int& nEndChar) const;
    BOOL FmtLines(BOOL bAddEOL);
};
