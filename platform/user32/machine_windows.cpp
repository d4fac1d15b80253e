// The windows of the whole machine: the process's own windows and those of the machine's declared
// processes (process_table.h), walked by EnumWindows and EnumChildWindows and named by
// GetWindowModuleFileNameA. The window calls of window.cpp and message.cpp reach a declared window
// through DeclaredWindow and PostToDeclaredWindow.
#include <algorithm>
#include <cstring>

#include "platform/machine/machine.h"
#include "platform/machine/processes/process_table.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

// The process's own top-level windows, or the descendants of one of its windows (each before its own
// children), in the order they were made.
std::vector<HWND> OwnWindows(HWND parent) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::vector<HWND> handles;
    if (!parent) {
        for (const auto& [handle, window] : manager.windows) {
            if (!(window->style & WS_CHILD)) handles.push_back(handle);
        }
        return handles;
    }
    std::vector<HWND> pending;
    if (std::shared_ptr<Window> window = manager.Find(parent)) pending.assign(window->children.rbegin(), window->children.rend());
    while (!pending.empty()) {
        HWND handle = pending.back();
        pending.pop_back();
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) continue;
        handles.push_back(handle);
        pending.insert(pending.end(), window->children.rbegin(), window->children.rend());
    }
    return handles;
}

void AppendDeclaredDescendants(Machine& machine, HWND parent, std::vector<HWND>& handles) {
    for (const WindowRecord& window : DeclaredWindows(machine, parent)) {
        handles.push_back(window.handle);
        AppendDeclaredDescendants(machine, window.handle, handles);
    }
}

bool IsOwnWindow(HWND handle) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    return manager.Find(handle) != nullptr;
}

BOOL CallEach(const std::vector<HWND>& handles, WNDENUMPROC procedure, LPARAM parameter) {
    for (HWND handle : handles) {
        if (!procedure(handle, parameter)) return FALSE;
    }
    return TRUE;
}

std::uint32_t CopyCut(const std::string& text, LPSTR buffer, UINT size) {
    if (!buffer || size == 0) return 0;
    std::size_t length = std::min<std::size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<std::uint32_t>(length);
}

}  // namespace

std::optional<WindowRecord> DeclaredWindow(HWND handle) {
    if (!IsMachineHandle(handle)) return std::nullopt;
    Machine* machine = Machine::CurrentOrNull();
    return machine ? FindDeclaredWindow(*machine, handle) : std::nullopt;
}

std::optional<BOOL> PostToDeclaredWindow(HWND window, DWORD threadId, UINT message) {
    if (window ? !IsMachineHandle(window) : threadId < kFirstMachineId) return std::nullopt;
    Machine* machine = Machine::CurrentOrNull();
    if (!machine || !PostToDeclared(*machine, window, threadId, message)) return std::nullopt;
    return TRUE;
}

}  // namespace platform

// The process's own top-level windows first, then those of the machine's other processes.
extern "C" BOOL WINAPI EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (!lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles = platform::OwnWindows(nullptr);
    for (const platform::WindowRecord& window : platform::DeclaredWindows(platform::Machine::Current(), nullptr))
        handles.push_back(window.handle);
    return platform::CallEach(handles, lpEnumFunc, lParam);
}

// Every descendant of the window, children's children included; a null parent walks the top-level
// windows as EnumWindows does.
extern "C" BOOL WINAPI EnumChildWindows(HWND hWndParent, WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (!hWndParent) return EnumWindows(lpEnumFunc, lParam);
    if (!lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles;
    if (platform::IsOwnWindow(hWndParent)) {
        handles = platform::OwnWindows(hWndParent);
    } else if (platform::DeclaredWindow(hWndParent)) {
        platform::AppendDeclaredDescendants(platform::Machine::Current(), hWndParent, handles);
    } else {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return platform::CallEach(handles, lpEnumFunc, lParam);
}

// The module that made the window: for the process's own windows the module of its instance, for a
// declared process's window the module it was declared with.
extern "C" UINT WINAPI GetWindowModuleFileNameA(HWND hwnd, LPSTR pszFileName, UINT cchFileNameMax) {
    if (std::optional<platform::WindowRecord> declared = platform::DeclaredWindow(hwnd))
        return platform::CopyCut(declared->moduleFile, pszFileName, cchFileNameMax);
    HINSTANCE instance = nullptr;
    {
        platform::WindowManager& manager = platform::WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<platform::Window> window = manager.Find(hwnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        instance = window->instance;
    }
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameA(instance, path, sizeof path)) GetModuleFileNameA(nullptr, path, sizeof path);
    return platform::CopyCut(path, pszFileName, cchFileNameMax);
}
