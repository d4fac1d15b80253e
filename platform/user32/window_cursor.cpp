// Cursors and beeps: the machine has no screen or speaker, so the cursor is only remembered (GetCursor
// reads it back) and a beep does nothing.
#include "platform/user32/window_manager.h"

namespace {

constexpr ULONG_PTR kSystemCursors[] = {32512, 32513, 32514, 32515, 32516, 32650};

}  // namespace

// System cursors only (a null instance); the handle of a system cursor is its id.
extern "C" HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName) {
    auto id = reinterpret_cast<ULONG_PTR>(lpCursorName);
    if (!hInstance && IS_INTRESOURCE(lpCursorName)) {
        for (ULONG_PTR cursor : kSystemCursors) {
            if (cursor == id) return reinterpret_cast<HCURSOR>(id);
        }
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
}

extern "C" HCURSOR WINAPI SetCursor(HCURSOR hCursor) {
    platform::WindowManager& manager = platform::WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    HCURSOR previous = manager.cursor;
    manager.cursor = hCursor;
    return previous;
}

extern "C" HCURSOR WINAPI GetCursor(void) {
    platform::WindowManager& manager = platform::WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    return manager.cursor;
}

extern "C" BOOL WINAPI MessageBeep(UINT uType) {
    (void)uType;
    return TRUE;
}
