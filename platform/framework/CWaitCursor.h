// The wait cursor for as long as the object lives: made with the wait cursor, ended with the cursor that
// was there before. Restore puts the wait cursor back after something (a message box) changed it.
#pragma once

#include "windows.h"

class CWaitCursor {
  public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

    void Restore();

  private:
    HCURSOR m_hcurRestore = nullptr;
};
