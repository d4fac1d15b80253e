// Painting: each window's update area (one rectangle of its client area, and whether its frame is to be
// drawn again), invalidation and validation, the WM_PAINT messages the message retrieval makes from them
// when a thread's queue is empty, and painting now (UpdateWindow, RedrawWindow with RDW_UPDATENOW).
//
// A window without WS_CLIPCHILDREN paints over its children, so invalidating part of it invalidates the
// children under that part too; a parent is always painted before its children.
#include "platform/user32/paint.h"

#include <algorithm>
#include <vector>

#include "platform/user32/window_geometry.h"
#include "windows.h"

namespace platform {

namespace {

enum class Children { Default, All, None };

bool IsEmpty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

RECT Intersection(const RECT& first, const RECT& second) {
    RECT common{std::max(first.left, second.left), std::max(first.top, second.top),
                std::min(first.right, second.right), std::min(first.bottom, second.bottom)};
    return IsEmpty(common) ? RECT{} : common;
}

RECT Union(const RECT& first, const RECT& second) {
    if (IsEmpty(first)) return second;
    if (IsEmpty(second)) return first;
    return RECT{std::min(first.left, second.left), std::min(first.top, second.top),
                std::max(first.right, second.right), std::max(first.bottom, second.bottom)};
}

RECT Offset(RECT rect, int dx, int dy) {
    rect.left += dx;
    rect.right += dx;
    rect.top += dy;
    rect.bottom += dy;
    return rect;
}

// The client area in client coordinates.
RECT ClientArea(const Window& window) {
    RECT client = ClientRectInWindow(window);
    return RECT{0, 0, client.right - client.left, client.bottom - client.top};
}

bool NeedsPainting(const Window& window) { return !IsEmpty(window.invalid) || window.frameNeeded; }

// Adds `area` (client coordinates; null for the whole client area) to the window's update area, and the
// part of it over each child to the child's.
void InvalidateLocked(const WindowManager& manager, Window& window, const RECT* area, bool erase, bool frame,
                      Children children) {
    if (!IsShownLocked(manager, window)) return;
    RECT client = ClientArea(window);
    RECT part = area ? Intersection(*area, client) : client;
    if (!IsEmpty(part)) {
        window.invalid = Union(window.invalid, part);
        window.eraseNeeded = window.eraseNeeded || erase;
    }
    if (frame) window.frameNeeded = true;
    bool withChildren = children == Children::All ||
                        (children == Children::Default && !(window.style & WS_CLIPCHILDREN));
    if (!withChildren) return;
    // What the window paints reaches as far as its client area; its frame's repainting covers no child.
    for (HWND handle : window.children) {
        std::shared_ptr<Window> child = manager.Find(handle);
        if (!child || !(child->style & WS_VISIBLE)) continue;
        RECT over = Intersection(child->rect, part);
        if (IsEmpty(over)) continue;
        RECT childClient = ClientRectInWindow(*child);
        RECT inChild = Offset(over, -child->rect.left - childClient.left, -child->rect.top - childClient.top);
        RECT clientInParent = Offset(childClient, child->rect.left, child->rect.top);
        bool touchesFrame = over.left < clientInParent.left || over.top < clientInParent.top ||
                            over.right > clientInParent.right || over.bottom > clientInParent.bottom;
        InvalidateLocked(manager, *child, &inChild, erase, touchesFrame || (frame && children == Children::All),
                         children == Children::All ? Children::All : Children::Default);
    }
}

// Takes `area` (null: all) out of the update area. One rectangle cannot hold what is left when only part
// of it is validated, so the update area then stays whole.
void ValidateLocked(Window& window, const RECT* area) {
    if (!area || (area->left <= window.invalid.left && area->top <= window.invalid.top &&
                  area->right >= window.invalid.right && area->bottom >= window.invalid.bottom)) {
        window.invalid = RECT{};
        window.eraseNeeded = false;
    }
}

void ValidateTree(const WindowManager& manager, Window& window, const RECT* area, bool frame, Children children) {
    ValidateLocked(window, area);
    if (frame) window.frameNeeded = false;
    bool withChildren = children == Children::All ||
                        (children == Children::Default && !(window.style & WS_CLIPCHILDREN));
    if (!withChildren) return;
    for (HWND handle : window.children) {
        if (std::shared_ptr<Window> child = manager.Find(handle)) ValidateTree(manager, *child, nullptr, frame, children);
    }
}

// Pre-order: the window, then each child's tree in creation order.
const Window* FirstNeedingPaint(const WindowManager& manager, const Window& window) {
    if (!(window.style & WS_VISIBLE) || window.destroying) return nullptr;
    if (NeedsPainting(window)) return &window;
    for (HWND handle : window.children) {
        std::shared_ptr<Window> child = manager.Find(handle);
        if (!child) continue;
        if (const Window* found = FirstNeedingPaint(manager, *child)) return found;
    }
    return nullptr;
}

bool InFilter(const WindowManager& manager, HWND window, HWND filter) {
    if (!filter) return true;
    for (HWND current = window; current;) {
        if (current == filter) return true;
        std::shared_ptr<Window> found = manager.Find(current);
        if (!found || !(found->style & WS_CHILD)) return false;
        current = found->parent;
    }
    return false;
}

template <typename Action>
bool WithWindow(HWND handle, Action action) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) return false;
    action(manager, *window);
    return true;
}

void PaintTree(HWND handle) {
    bool needed = false;
    std::vector<HWND> children;
    WithWindow(handle, [&](const WindowManager& manager, Window& window) {
        if (!IsShownLocked(manager, window)) return;
        needed = NeedsPainting(window);
        children = window.children;
    });
    if (needed) {
        SendMessageA(handle, WM_PAINT, 0, 0);
        ValidateUnpainted(handle);
    }
    for (HWND child : children) PaintTree(child);
}

}  // namespace

bool NextPaintMessage(const WindowManager& manager, DWORD threadId, HWND filter, UINT low, UINT high, MSG& message) {
    if (!(low == 0 && high == 0) && (WM_PAINT < low || WM_PAINT > high)) return false;
    for (const auto& [handle, window] : manager.windows) {
        if (window->threadId != threadId || (window->style & WS_CHILD)) continue;
        const Window* found = FirstNeedingPaint(manager, *window);
        if (!found || !InFilter(manager, found->handle, filter)) continue;
        message = MSG{};
        message.hwnd = found->handle;
        message.message = WM_PAINT;
        message.time = GetTickCount();
        return true;
    }
    return false;
}

void ValidateUnpainted(HWND handle) {
    WithWindow(handle, [](const WindowManager&, Window& window) {
        if (window.beganPaint) {
            window.beganPaint = false;
            return;
        }
        window.invalid = RECT{};
        window.eraseNeeded = false;
        window.frameNeeded = false;
    });
}

void InvalidateWhole(HWND handle) {
    RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TextChanged(HWND handle) {
    WithWindow(handle, [](const WindowManager& manager, Window& window) {
        if (window.style & WS_CHILD) {
            InvalidateLocked(manager, window, nullptr, true, false, Children::Default);
        } else {
            window.frameNeeded = IsShownLocked(manager, window) || window.frameNeeded;
        }
    });
}

void UncoverInParent(HWND child) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(child);
    std::shared_ptr<Window> parent = window ? manager.Find(window->parent) : nullptr;
    if (parent) InvalidateLocked(manager, *parent, &window->rect, true, false, Children::Default);
}

void PaintNow(HWND handle) { PaintTree(handle); }

}  // namespace platform

using platform::Window;
using platform::WindowManager;

// RDW_INVALIDATE adds to the update area (RDW_ERASE: erased first, RDW_FRAME: the frame too), RDW_VALIDATE
// takes from it; RDW_ALLCHILDREN takes the children in, RDW_NOCHILDREN leaves them out. RDW_UPDATENOW
// and RDW_ERASENOW paint at once what needs it. A null window is every top-level window of the process.
extern "C" BOOL WINAPI RedrawWindow(HWND hWnd, const RECT* lprcUpdate, HANDLE hrgnUpdate, UINT flags) {
    (void)hrgnUpdate;
    WindowManager& manager = WindowManager::Instance();
    std::vector<HWND> targets;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        if (!hWnd) {
            for (const auto& [handle, window] : manager.windows) {
                if (!(window->style & WS_CHILD)) targets.push_back(handle);
            }
        } else if (!manager.Find(hWnd)) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        } else {
            targets.push_back(hWnd);
        }
        platform::Children children = (flags & RDW_ALLCHILDREN)   ? platform::Children::All
                                      : (flags & RDW_NOCHILDREN) ? platform::Children::None
                                                                 : platform::Children::Default;
        for (HWND target : targets) {
            std::shared_ptr<Window> window = manager.Find(target);
            if (flags & RDW_INVALIDATE) {
                platform::InvalidateLocked(manager, *window, hWnd ? lprcUpdate : nullptr, (flags & RDW_ERASE) != 0,
                                           (flags & RDW_FRAME) != 0, children);
            } else if (flags & RDW_VALIDATE) {
                platform::ValidateTree(manager, *window, hWnd ? lprcUpdate : nullptr, (flags & RDW_NOFRAME) != 0,
                                       children);
            }
            if (flags & RDW_NOERASE) window->eraseNeeded = false;
        }
        manager.NotifyChanged();
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        for (HWND target : targets) platform::PaintNow(target);
    }
    return TRUE;
}

extern "C" BOOL WINAPI InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase) {
    return RedrawWindow(hWnd, lpRect, nullptr, RDW_INVALIDATE | (bErase ? RDW_ERASE : 0));
}

extern "C" BOOL WINAPI ValidateRect(HWND hWnd, const RECT* lpRect) {
    return RedrawWindow(hWnd, lpRect, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

// The bounds of the update area in client coordinates; FALSE when it is empty.
extern "C" BOOL WINAPI GetUpdateRect(HWND hWnd, LPRECT lpRect, BOOL bErase) {
    (void)bErase;
    RECT invalid{};
    if (!platform::WithWindow(hWnd, [&](const WindowManager&, Window& window) { invalid = window.invalid; })) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (lpRect) *lpRect = invalid;
    return platform::IsEmpty(invalid) ? FALSE : TRUE;
}

// Paints the window, and then its children, at once when they need it.
extern "C" BOOL WINAPI UpdateWindow(HWND hWnd) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    platform::PaintNow(hWnd);
    return TRUE;
}
