// Window objects: the map from window handles to the objects attached to them, the procedure that routes
// a window's messages to its object, and the wrappers over the window functions.
#include "CWnd.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "CDC.h"
#include "CMenu.h"
#include "CWinApp.h"

namespace {

// Objects attached to windows for their lifetime (permanent), and the temporary objects FromHandle makes
// for other windows, dropped once their window is gone.
struct HandleMap {
    std::mutex mutex;
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
};

HandleMap& Handles() {
    static HandleMap* handles = new HandleMap;
    return *handles;
}

}  // namespace

LRESULT CALLBACK FrameworkWindowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* object = CWnd::FromHandlePermanent(hWnd);
    if (!object) return DefWindowProcA(hWnd, message, wParam, lParam);
    LRESULT result = object->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        object->UnsubclassWindow();
        object->Detach();
        CWinApp* app = AfxGetApp();
        if (app && app->m_pMainWnd == object) {
            app->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        object->PostNcDestroy();
    }
    return result;
}

CWnd::~CWnd() {
    if (m_hWnd && IsWindow(m_hWnd)) {
        if (GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId()) {
            ::DestroyWindow(m_hWnd);
        } else {
            UnsubclassWindow();
        }
    }
    Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    HandleMap& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    auto found = handles.permanent.find(hWnd);
    return found == handles.permanent.end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    if (CWnd* object = FromHandlePermanent(hWnd)) return object;
    HandleMap& handles = Handles();
    // Objects of windows that are gone, deleted once the lock is released; they no longer hold a window.
    std::vector<std::unique_ptr<CWnd>> stale;
    std::lock_guard<std::mutex> lock(handles.mutex);
    for (auto entry = handles.temporary.begin(); entry != handles.temporary.end();) {
        if (IsWindow(entry->first)) {
            ++entry;
            continue;
        }
        entry->second->m_hWnd = nullptr;
        stale.push_back(std::move(entry->second));
        entry = handles.temporary.erase(entry);
    }
    std::unique_ptr<CWnd>& object = handles.temporary[hWnd];
    if (!object) {
        object = std::make_unique<CWnd>();
        object->m_hWnd = hWnd;
    }
    return object.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (!hWndNew || m_hWnd) return FALSE;
    HandleMap& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    handles.temporary.erase(hWndNew);
    handles.permanent[hWndNew] = this;
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (!hWnd) return nullptr;
    HandleMap& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    auto found = handles.permanent.find(hWnd);
    if (found != handles.permanent.end() && found->second == this) handles.permanent.erase(found);
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!IsWindow(hWnd) || !Attach(hWnd)) return FALSE;
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FrameworkWindowProcedure)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent ? SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID))) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    if (!m_pfnSuper) return m_hWnd;
    if (IsWindow(m_hWnd)) SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return m_hWnd;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }
BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
void CWnd::SetWindowText(LPCSTR lpszString) { ::SetWindowTextA(m_hWnd, lpszString); }

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(std::string& rString) const {
    int length = GetWindowTextLength();
    rString.assign(static_cast<size_t>(length) + 1, '\0');
    int copied = ::GetWindowTextA(m_hWnd, rString.data(), length + 1);
    rString.resize(static_cast<size_t>(copied));
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG* pMsg) {
    (void)pMsg;
    return FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    MSG previous = m_currentMessage;
    m_currentMessage = MSG{m_hWnd, message, wParam, lParam, 0, {}};
    LRESULT result = 0;
    if (message == WM_COMMAND && OnCommand(wParam, lParam)) {
        result = 0;
    } else if (message == WM_NOTIFY && OnNotify(wParam, lParam, &result)) {
        // The answer is the handler's.
    } else if (message == WM_SYSCOMMAND) {
        OnSysCommand(static_cast<UINT>(wParam), lParam);
        result = 0;
    } else {
        result = DefWindowProc(message, wParam, lParam);
    }
    m_currentMessage = previous;
    return result;
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    (void)wParam;
    (void)lParam;
    (void)pResult;
    return FALSE;
}

void CWnd::OnSysCommand(UINT nID, LPARAM lParam) { DefWindowProc(WM_SYSCOMMAND, nID, lParam); }

LRESULT CWnd::Default() {
    return DefWindowProc(m_currentMessage.message, m_currentMessage.wParam, m_currentMessage.lParam);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert)); }

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    (void)lParam;
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

void CWnd::PostNcDestroy() {}

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(const RECT* lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }

BOOL CWnd::RedrawWindow(const RECT* lpRectUpdate, UINT flags) {
    return ::RedrawWindow(m_hWnd, lpRectUpdate, nullptr, flags);
}

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }
void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }
void CWnd::ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }
void CWnd::ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }

void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(const RECT* lpRect, BOOL bRepaint) {
    if (lpRect)
        ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top,
                     bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(
        ::SendMessageA(m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(::SendMessageA(m_hWnd, WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    HWND over = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetParent(m_hWnd);
    RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYFULLSCREEN)};
    bool child = (::GetWindowLongPtrA(m_hWnd, GWL_STYLE) & WS_CHILD) != 0;
    if (child && over) {
        ::GetClientRect(over, &area);
    } else if (over && ::IsWindowVisible(over)) {
        ::GetWindowRect(over, &area);
    }
    RECT window{};
    ::GetWindowRect(m_hWnd, &window);
    int width = window.right - window.left;
    int height = window.bottom - window.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    if (!child) {
        // Kept on the screen.
        x = std::max(0, std::min(x, ::GetSystemMetrics(SM_CXSCREEN) - width));
        y = std::max(0, std::min(y, ::GetSystemMetrics(SM_CYFULLSCREEN) - height));
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CDC* CWnd::GetDC() {
    HDC dc = ::GetDC(m_hWnd);
    return dc ? CDC::FromHandle(dc) : nullptr;
}

int CWnd::ReleaseDC(CDC* pDC) {
    return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0;
}
