// A window object over a window handle. Windows route their messages to the virtual WindowProc of the
// object attached to them (no message maps).
#pragma once

#include <string>

#include "windows.h"

class CDC;
class CMenu;

class CWnd {
  public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object attached to a window; for a window without one, a temporary object of the framework's.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Routes the window's messages through this object, which passes what it leaves to the old procedure.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    virtual BOOL DestroyWindow();
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    // The keyboard focus: the window that had it (SetFocus) or has it (GetFocus), as temporary objects
    // for windows without one of their own; NULL for none, or for a window of another thread.
    CWnd* SetFocus();
    static CWnd* GetFocus();
    BOOL IsWindowVisible() const;
    void SetWindowText(LPCSTR lpszString);
    int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(std::string& rString) const;
    int GetWindowTextLength() const;
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetParent() const;
    int GetDlgCtrlID() const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // The window's copy of the system menu (bRevert: back to the standard one, and no menu returned).
    CMenu* GetSystemMenu(BOOL bRevert) const;

    // Geometry and painting.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(const RECT* lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    BOOL RedrawWindow(const RECT* lpRectUpdate = nullptr, UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    void GetClientRect(LPRECT lpRect) const;
    void GetWindowRect(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(const RECT* lpRect, BOOL bRepaint = TRUE);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;
    // Centres the window over `pAlternateOwner`, else its parent or owner when that is visible, else in
    // the screen's work area.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    // The client area's context, as a temporary object; given back with ReleaseDC.
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);

  protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND: TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // WM_NOTIFY from a control: TRUE when handled, with the answer in *pResult.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_SYSCOMMAND: by default the window's own procedure carries the command out.
    virtual void OnSysCommand(UINT nID, LPARAM lParam);
    // The message being handled, as the window's own procedure would take it.
    LRESULT Default();
    // What the window's own procedure does with a message.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // After the window is gone and the object detached.
    virtual void PostNcDestroy();

  private:
    friend LRESULT CALLBACK FrameworkWindowProcedure(HWND, UINT, WPARAM, LPARAM);
    WNDPROC m_pfnSuper = nullptr;
    // The message WindowProc is handling, for Default().
    MSG m_currentMessage{};
};
