// Device context objects over a window's own contexts: the client area's (CClientDC, GetDC), the whole
// window's (CWindowDC, GetWindowDC) and the one of a WM_PAINT (CPaintDC, BeginPaint and EndPaint). Each
// gives its context back to the window when it goes.
#pragma once

#include "CDC.h"
#include "CWnd.h"

class CClientDC : public CDC {
  public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

  protected:
    HWND m_hWnd = nullptr;
};

class CWindowDC : public CDC {
  public:
    explicit CWindowDC(CWnd* pWnd);
    ~CWindowDC() override;

  protected:
    HWND m_hWnd = nullptr;
};

class CPaintDC : public CDC {
  public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;

    PAINTSTRUCT m_ps{};

  protected:
    HWND m_hWnd = nullptr;
};
