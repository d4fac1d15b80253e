// The keyboard focus: one window of each thread's windows has it. SetFocus tells the window losing it
// (WM_KILLFOCUS, with the window gaining it) before it moves, and the window gaining it (WM_SETFOCUS, with
// the window that lost it) after. Without a keyboard and without activation, nothing else moves it: a
// dialog gives it to its first tab stop, and a window destroyed, hidden or disabled passes it on.
#include "platform/user32/window_manager.h"

namespace platform {

bool IsWithinLocked(const WindowManager& manager, HWND window, HWND ancestor) {
    while (window) {
        if (window == ancestor) return true;
        std::shared_ptr<Window> current = manager.Find(window);
        if (!current || !(current->style & WS_CHILD)) return false;
        window = current->parent;
    }
    return false;
}

void MoveFocusAwayFrom(HWND window, HWND next) {
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<MessageQueue> queue = manager.QueueOf(GetCurrentThreadId());
        if (!queue || !queue->focus || !IsWithinLocked(manager, queue->focus, window)) return;
    }
    SetFocus(next);
}

}  // namespace platform

using platform::Window;
using platform::WindowManager;

extern "C" HWND WINAPI SetFocus(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    HWND previous = nullptr;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<platform::MessageQueue> queue = manager.QueueOfThisThread();
        previous = queue->focus;
        if (previous && !manager.Find(previous)) previous = queue->focus = nullptr;
        if (hWnd) {
            std::shared_ptr<Window> window = manager.Find(hWnd);
            if (!window) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            // The focus stays among the thread's own windows, and a disabled window cannot take it.
            if (window->threadId != GetCurrentThreadId()) return nullptr;
            for (std::shared_ptr<Window> current = window; current; current = manager.Find(current->parent)) {
                if (current->style & WS_DISABLED) return nullptr;
                if (!(current->style & WS_CHILD)) break;
            }
        }
        if (previous == hWnd) return previous;
    }
    if (previous) SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        // The window lost in the meantime (its WM_KILLFOCUS destroyed it) cannot take the focus.
        if (hWnd && !manager.Find(hWnd)) return nullptr;
        manager.QueueOfThisThread()->focus = hWnd;
    }
    if (hWnd) SendMessageA(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous && IsWindow(previous) ? previous : nullptr;
}

extern "C" HWND WINAPI GetFocus(void) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<platform::MessageQueue> queue = manager.QueueOf(GetCurrentThreadId());
    if (!queue || !queue->focus || !manager.Find(queue->focus)) return nullptr;
    return queue->focus;
}
