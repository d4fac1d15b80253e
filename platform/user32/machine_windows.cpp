// The windows of the whole machine: the process's own windows, the top-level windows of the other
// programs started in the machine, and those of its declared processes (process_table.h), walked by
// EnumWindows and EnumChildWindows and named by GetWindowModuleFileNameA. The window calls of
// window.cpp and message.cpp reach another process's window through MachineWindow and
// PostToMachineWindow. Each process publishes its own top-level windows in the machine's table.
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
    for (const WindowRecord& window : MachineWindows(machine, parent)) {
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

std::optional<WindowRecord> MachineWindow(HWND handle) {
    if (!IsMachineHandle(handle) || IsOwnWindow(handle)) return std::nullopt;
    Machine* machine = Machine::CurrentOrNull();
    return machine ? FindMachineWindow(*machine, handle) : std::nullopt;
}

std::optional<BOOL> PostToMachineWindow(HWND window, DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window ? !IsMachineHandle(window) : threadId < kFirstMachineId) return std::nullopt;
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) return std::nullopt;
    if (!window) return PostToDeclared(*machine, nullptr, threadId, message) ? std::optional<BOOL>(TRUE) : std::nullopt;
    std::optional<WindowRecord> found = FindMachineWindow(*machine, window);
    if (!found) return std::nullopt;
    if (found->declared) return PostToDeclared(*machine, window, 0, message) ? std::optional<BOOL>(TRUE) : std::nullopt;
    DWORD error = PostToMachineThread(found->threadId, window, message, wParam, lParam);
    // A thread that has ended without taking its window away leaves a window that is gone.
    if (error == ERROR_INVALID_THREAD_ID) return std::nullopt;
    if (error) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

HWND NewTopLevelHandle(WindowManager& manager) {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) {
        std::lock_guard<std::mutex> lock(manager.mutex);
        return manager.NewHandle();
    }
    // Taken from the machine's counter a few at a time, so that a dialog costs no write of the state.
    constexpr DWORD kTaken = 16;
    static std::mutex mutex;
    static std::string* folder = new std::string;
    static DWORD next = 0, left = 0;
    std::lock_guard<std::mutex> lock(mutex);
    if (!left || *folder != machine->folder().string()) {
        next = NewMachineIds(*machine, kTaken);
        left = kTaken;
        *folder = machine->folder().string();
    }
    HWND handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(next));
    next += 4;
    --left;
    return handle;
}

std::string ModuleFileOf(HINSTANCE instance) {
    char path[MAX_PATH] = "";
    if (!GetModuleFileNameA(instance, path, sizeof path)) GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

void PublishWindow(HWND handle) {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine || !IsMachineHandle(handle)) return;
    WindowRecord record;
    HINSTANCE instance = nullptr;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window || (window->style & WS_CHILD) || window->destroying) return;
        window->publishedIn = machine->folder().string();
        record.handle = handle;
        record.threadId = window->threadId;
        record.title = window->text;
        record.className = window->className;
        instance = window->instance;
    }
    record.processId = GetCurrentProcessId();
    record.moduleFile = ModuleFileOf(instance);
    PublishProgramWindow(*machine, record);
}

void PublishWindowTitle(const std::string& publishedIn, HWND window, const std::string& title) {
    Machine* machine = Machine::CurrentOrNull();
    if (publishedIn.empty() || !machine || machine->folder().string() != publishedIn) return;
    SetProgramWindowTitle(*machine, window, title);
}

void WithdrawWindow(const std::string& publishedIn, HWND window) {
    Machine* machine = Machine::CurrentOrNull();
    // A machine the process has left takes its windows with it.
    if (publishedIn.empty() || !machine || machine->folder().string() != publishedIn) return;
    WithdrawProgramWindow(*machine, window);
}

}  // namespace platform

// The process's own top-level windows first, then those of the machine's other processes.
extern "C" BOOL WINAPI EnumWindows(WNDENUMPROC lpEnumFunc, LPARAM lParam) {
    if (!lpEnumFunc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<HWND> handles = platform::OwnWindows(nullptr);
    DWORD ownProcess = GetCurrentProcessId();
    for (const platform::WindowRecord& window : platform::MachineWindows(platform::Machine::Current(), nullptr)) {
        if (window.processId != ownProcess) handles.push_back(window.handle);
    }
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
    } else if (platform::MachineWindow(hWndParent)) {
        platform::AppendDeclaredDescendants(platform::Machine::Current(), hWndParent, handles);
    } else {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return platform::CallEach(handles, lpEnumFunc, lParam);
}

// The module that made the window: for the process's own windows the module of its instance, for
// another process's window the module it was published or declared with.
extern "C" UINT WINAPI GetWindowModuleFileNameA(HWND hwnd, LPSTR pszFileName, UINT cchFileNameMax) {
    if (std::optional<platform::WindowRecord> other = platform::MachineWindow(hwnd))
        return platform::CopyCut(other->moduleFile, pszFileName, cchFileNameMax);
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
    return platform::CopyCut(platform::ModuleFileOf(instance), pszFileName, cchFileNameMax);
}
