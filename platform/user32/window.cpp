// Windows: the process's window table, window classes, creation and destruction, visibility, texts and
// window data.
#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "commctrl.h"
#include "platform/machine/text.h"
#include "platform/user32/paint.h"
#include "platform/user32/window_geometry.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

std::string ClassKey(std::string_view name) {
    std::string key(name);
    for (char& character : key) character = UpperAnsi(character);
    return key;
}

// Removes the calling thread's queue when the thread ends: messages still sent to it are answered with 0,
// and its windows go away with it, as Windows destroys the windows of a thread that ends.
class QueueOwner {
  public:
    explicit QueueOwner(DWORD threadId) : threadId_(threadId) {}
    ~QueueOwner() {
        WindowManager& manager = WindowManager::Instance();
        std::vector<std::pair<std::string, HWND>> published;
        {
            std::lock_guard<std::mutex> lock(manager.mutex);
            std::shared_ptr<MessageQueue> queue = manager.QueueOf(threadId_);
            if (queue) manager.AbandonSentMessages(*queue, nullptr);
            manager.queues.erase(threadId_);
            for (auto entry = manager.windows.begin(); entry != manager.windows.end();) {
                if (entry->second->threadId == threadId_) {
                    if (!entry->second->publishedIn.empty())
                        published.emplace_back(entry->second->publishedIn, entry->first);
                    entry = manager.windows.erase(entry);
                } else {
                    ++entry;
                }
            }
            manager.NotifyChanged();
        }
        for (const auto& [folder, window] : published) WithdrawWindow(folder, window);
    }
    QueueOwner(const QueueOwner&) = delete;
    QueueOwner& operator=(const QueueOwner&) = delete;

  private:
    DWORD threadId_;
};

// The class name a CreateWindowExA argument names: a string, or the dialog class's atom.
std::string ClassNameOf(LPCSTR className) {
    if (className == WC_DIALOG) return "#32770";
    if (IS_INTRESOURCE(className)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(className));
    return className;
}

bool IsChild(const Window& window) { return (window.style & WS_CHILD) != 0; }

}  // namespace

WindowLock::WindowLock() {
    // Made again as a mutex that spins before it blocks; it is used nowhere yet.
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ADAPTIVE_NP);
    pthread_mutex_destroy(native_handle());
    pthread_mutex_init(native_handle(), &attributes);
    pthread_mutexattr_destroy(&attributes);
}

WindowManager::WindowManager() {
    auto add = [this](const char* name, WNDPROC procedure, int windowExtra) {
        WindowClass windowClass;
        windowClass.name = name;
        windowClass.procedure = procedure;
        windowClass.windowExtra = windowExtra;
        classes[ClassKey(name)] = windowClass;
    };
    add("BUTTON", ButtonProcedure, 0);
    add("EDIT", EditProcedure, 0);
    add("STATIC", StaticProcedure, 0);
    add(PROGRESS_CLASSA, ProgressProcedure, 0);
    add("COMBOBOX", ComboBoxProcedure, 0);
    add("LISTBOX", ListBoxProcedure, 0);
    add("#32770", DefDlgProcA, DLGWINDOWEXTRA);
}

// Never destroyed: threads ending during the program's exit still reach it.
WindowManager& WindowManager::Instance() {
    static WindowManager* manager = new WindowManager;
    return *manager;
}

void WindowManager::NotifyChanged() {
    changes_.fetch_add(1, std::memory_order_release);
    changed_.notify_all();
}

void WindowManager::WaitForChange(std::unique_lock<std::mutex>& lock) {
    std::uint64_t seen = Changes();
    lock.unlock();
    bool changed = WatchForChange(seen);
    Relock(lock);
    // Every change is counted under the lock, so one after the caller's last look shows here.
    if (changed || Changes() != seen) return;
    SleepUntilChange(lock, seen);
}

namespace {

// Tells the processor that the thread is spinning, so that it spends less on the spin and lets the core's
// other thread run.
inline void PauseProcessor() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

bool WindowManager::WatchForChange(std::uint64_t seen) const {
    // Long enough to see the answer to a sent message, or the next of a stream of them; short enough
    // that an idle thread soon sleeps.
    constexpr auto kWatch = std::chrono::microseconds(200);
    // With a processor of its own the answering thread usually answers within a few microseconds: the
    // watch first only reads the counter, which sees the change the moment it is made, where giving up
    // the processor costs a system call each round and notices it a round late.
    constexpr auto kSpin = std::chrono::microseconds(20);
    static const bool otherProcessors = std::thread::hardware_concurrency() > 1;
    auto start = std::chrono::steady_clock::now();
    if (otherProcessors) {
        auto spinEnd = start + kSpin;
        for (unsigned round = 1;; ++round) {
            if (Changes() != seen) return true;
            if (round % 64 == 0 && std::chrono::steady_clock::now() >= spinEnd) break;
            PauseProcessor();
        }
    }
    auto deadline = start + kWatch;
    for (unsigned round = 1;; ++round) {
        if (Changes() != seen) return true;
        if (round % 16 == 0 && std::chrono::steady_clock::now() >= deadline) return false;
        // Gives the processor to the thread that is to answer, when they share it.
        std::this_thread::yield();
    }
}

void WindowManager::Relock(std::unique_lock<std::mutex>& lock) {
    constexpr int kTries = 64;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (lock.try_lock()) return;
        std::this_thread::yield();
    }
    lock.lock();
}

void WindowManager::SleepUntilChange(std::unique_lock<std::mutex>& lock, std::uint64_t seen) {
    if (Changes() == seen) changed_.wait(lock);
}

std::shared_ptr<Window> WindowManager::Find(HWND handle) const {
    auto found = windows.find(handle);
    return found == windows.end() ? nullptr : found->second;
}

const WindowClass* WindowManager::FindClass(const std::string& name) const {
    auto found = classes.find(ClassKey(name));
    return found == classes.end() ? nullptr : &found->second;
}

HWND WindowManager::NewHandle() {
    HWND handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(nextHandle_));
    nextHandle_ += 2;
    return handle;
}

std::shared_ptr<MessageQueue> WindowManager::QueueOfThisThread() {
    DWORD threadId = GetCurrentThreadId();
    std::shared_ptr<MessageQueue>& queue = queues[threadId];
    if (!queue) {
        queue = std::make_shared<MessageQueue>();
        queue->threadId = threadId;
        thread_local QueueOwner owner(threadId);
    }
    // A thread with a message queue can be posted to from the machine's other processes.
    OpenThreadMailbox();
    return queue;
}

std::shared_ptr<MessageQueue> WindowManager::QueueOf(DWORD threadId) const {
    auto found = queues.find(threadId);
    return found == queues.end() ? nullptr : found->second;
}

void WindowManager::AbandonSentMessages(MessageQueue& queue, HWND window) {
    for (auto entry = queue.sent.begin(); entry != queue.sent.end();) {
        if (!window || (*entry)->message.hwnd == window) {
            (*entry)->result = 0;
            (*entry)->done = true;
            entry = queue.sent.erase(entry);
        } else {
            ++entry;
        }
    }
    NotifyChanged();
}

bool IsShownLocked(const WindowManager& manager, const Window& window) {
    const Window* current = &window;
    while (current) {
        if (!(current->style & WS_VISIBLE)) return false;
        if (!IsChild(*current)) return true;
        std::shared_ptr<Window> parent = manager.Find(current->parent);
        current = parent.get();
    }
    return false;
}

}  // namespace platform

using platform::Window;
using platform::WindowManager;

namespace {

// Sends WM_DESTROY to the window and then to its children, as each is taken off the screen.
void SendDestroy(HWND handle) {
    SendMessageA(handle, WM_DESTROY, 0, 0);
    std::vector<HWND> children;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return;
        children = window->children;
        for (HWND child : children) {
            if (std::shared_ptr<Window> childWindow = manager.Find(child)) childWindow->destroying = true;
        }
    }
    for (HWND child : children) SendDestroy(child);
}

// Sends WM_NCDESTROY to the children and then to the window, and takes each out of the table.
void SendNonClientDestroyAndRemove(HWND handle) {
    WindowManager& manager = WindowManager::Instance();
    std::vector<HWND> children;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return;
        children = window->children;
    }
    for (HWND child : children) SendNonClientDestroyAndRemove(child);
    SendMessageA(handle, WM_NCDESTROY, 0, 0);
    std::string publishedIn;
    HMENU systemMenu = nullptr;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return;
        if (std::shared_ptr<Window> parent = manager.Find(window->parent)) {
            std::erase(parent->children, handle);
        }
        if (std::shared_ptr<platform::MessageQueue> queue = manager.QueueOf(window->threadId)) {
            manager.AbandonSentMessages(*queue, handle);
            if (queue->focus == handle) queue->focus = nullptr;
        }
        publishedIn = window->publishedIn;
        systemMenu = window->systemMenu;
        manager.windows.erase(handle);
    }
    platform::DestroySystemMenuOf(systemMenu);
    platform::WithdrawWindow(publishedIn, handle);
}

std::shared_ptr<Window> FindOrFail(WindowManager& manager, HWND handle) {
    std::shared_ptr<Window> window = manager.Find(handle);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

}  // namespace

extern "C" ATOM WINAPI RegisterClassA(const WNDCLASSA* lpWndClass) {
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        !lpWndClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    if (manager.FindClass(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    platform::WindowClass windowClass;
    windowClass.name = lpWndClass->lpszClassName;
    windowClass.procedure = lpWndClass->lpfnWndProc;
    windowClass.style = lpWndClass->style;
    windowClass.windowExtra = std::max(0, lpWndClass->cbWndExtra);
    windowClass.instance = lpWndClass->hInstance;
    windowClass.cursor = lpWndClass->hCursor;
    windowClass.background = lpWndClass->hbrBackground;
    windowClass.icon = lpWndClass->hIcon;
    manager.classes[platform::ClassKey(windowClass.name)] = windowClass;
    // Atoms of registered classes are taken from the string atom range.
    return static_cast<ATOM>(0xC000 + manager.classes.size());
}

extern "C" HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle,
                                       int X, int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu,
                                       HINSTANCE hInstance, LPVOID lpParam) {
    if (!lpClassName) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    WindowManager& manager = WindowManager::Instance();
    HWND handle = (dwStyle & WS_CHILD) ? nullptr : platform::NewTopLevelHandle(manager);
    std::string className = platform::ClassNameOf(lpClassName);
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        const platform::WindowClass* windowClass = manager.FindClass(className);
        if (!windowClass) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        std::shared_ptr<Window> parent;
        if (hWndParent) {
            parent = manager.Find(hWndParent);
            if (!parent) {
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
        } else if (dwStyle & WS_CHILD) {
            SetLastError(ERROR_TLW_WITH_WSCHILD);
            return nullptr;
        }
        auto window = std::make_shared<Window>();
        if (!handle) handle = manager.NewHandle();
        window->handle = handle;
        window->className = windowClass->name;
        window->procedure = windowClass->procedure;
        // Shown by ShowWindow once created, so that its creation messages come first.
        window->style = dwStyle & ~WS_VISIBLE;
        window->exStyle = dwExStyle;
        window->instance = hInstance;
        window->extra.assign(static_cast<size_t>(windowClass->windowExtra), 0);
        window->threadId = GetCurrentThreadId();
        window->rect = platform::InitialWindowRect(X, Y, nWidth, nHeight, (dwStyle & WS_CHILD) != 0);
        if (dwStyle & WS_CHILD) {
            window->parent = hWndParent;
            window->id = static_cast<int>(reinterpret_cast<INT_PTR>(hMenu));
            parent->children.push_back(handle);
        } else if (parent) {
            // The owner of a top-level window is always a top-level window.
            std::shared_ptr<Window> owner = parent;
            while (owner && (owner->style & WS_CHILD)) owner = manager.Find(owner->parent);
            window->owner = owner ? owner->handle : nullptr;
        }
        manager.QueueOfThisThread();
        manager.windows[handle] = window;
    }
    CREATESTRUCTA create{lpParam,  hInstance, hMenu,   hWndParent,      nHeight, nWidth,
                         Y,        X,         static_cast<LONG>(dwStyle), lpWindowName, lpClassName, dwExStyle};
    if (!SendMessageA(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) ||
        SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindow(handle);
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!(dwStyle & WS_CHILD)) platform::PublishWindow(handle);
    if ((dwStyle & WS_VISIBLE) && IsWindow(handle)) ShowWindow(handle, SW_SHOW);
    return handle;
}

extern "C" BOOL WINAPI DestroyWindow(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    std::vector<HWND> owned;
    bool recordClosed = false;
    bool uncovers = false;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
        if (!window) return FALSE;
        if (window->threadId != GetCurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (window->destroying) return TRUE;
        window->destroying = true;
        recordClosed = !(window->style & WS_CHILD) && (window->style & WS_VISIBLE);
        uncovers = (window->style & WS_CHILD) && (window->style & WS_VISIBLE);
        for (const auto& [handle, other] : manager.windows) {
            if (other->owner == hWnd) owned.push_back(handle);
        }
    }
    for (HWND handle : owned) DestroyWindow(handle);
    // The focus in a child goes to its parent; a top-level window takes it away with it.
    platform::MoveFocusAwayFrom(hWnd, GetParent(hWnd));
    if (recordClosed) platform::RecordWindowClosed(hWnd);
    // A control taken away uncovers its parent's background.
    if (uncovers) platform::UncoverInParent(hWnd);
    SendDestroy(hWnd);
    SendNonClientDestroyAndRemove(hWnd);
    return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        if (manager.Find(hWnd)) return TRUE;
    }
    return platform::MachineWindow(hWnd) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsWindowVisible(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(hWnd);
    return window && platform::IsShownLocked(manager, *window) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI IsWindowEnabled(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(hWnd);
    return window && !(window->style & WS_DISABLED) ? TRUE : FALSE;
}

// Returns whether the window was visible before. Showing or hiding a top-level window, or a control of a
// window on the screen, is written to the transcript.
extern "C" BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow) {
    WindowManager& manager = WindowManager::Instance();
    bool show = nCmdShow != SW_HIDE;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
        if (!window) return FALSE;
        bool wasVisible = (window->style & WS_VISIBLE) != 0;
        if (wasVisible == show) return wasVisible ? TRUE : FALSE;
    }
    // A hidden child's focus goes to its parent; a hidden top-level window's goes away.
    if (!show) platform::MoveFocusAwayFrom(hWnd, GetParent(hWnd));
    SendMessageA(hWnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    bool child = false;
    bool parentShown = false;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(hWnd);
        if (!window) return show ? FALSE : TRUE;
        if (show) {
            window->style |= WS_VISIBLE;
        } else {
            window->style &= ~WS_VISIBLE;
        }
        child = (window->style & WS_CHILD) != 0;
        if (child) {
            std::shared_ptr<Window> parent = manager.Find(window->parent);
            parentShown = parent && platform::IsShownLocked(manager, *parent);
        }
    }
    if (!child) {
        if (show) {
            platform::InvalidateWhole(hWnd);
            platform::RecordWindowShown(hWnd, platform::TakePicture(hWnd));
        } else {
            platform::RecordWindowHidden(hWnd);
        }
    } else if (parentShown) {
        if (show) {
            platform::InvalidateWhole(hWnd);
            platform::RecordControlChanged(hWnd);
        } else {
            platform::UncoverInParent(hWnd);
            platform::RecordControlHidden(hWnd);
        }
    }
    return show ? FALSE : TRUE;
}

// Returns whether the window was disabled before.
extern "C" BOOL WINAPI EnableWindow(HWND hWnd, BOOL bEnable) {
    WindowManager& manager = WindowManager::Instance();
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
        if (!window) return FALSE;
        bool wasDisabled = (window->style & WS_DISABLED) != 0;
        if (wasDisabled == !bEnable) return wasDisabled ? TRUE : FALSE;
    }
    // A window being disabled loses the focus it or a descendant has.
    if (!bEnable) platform::MoveFocusAwayFrom(hWnd, nullptr);
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
        if (!window) return FALSE;
        if (bEnable) {
            window->style &= ~WS_DISABLED;
        } else {
            window->style |= WS_DISABLED;
        }
    }
    SendMessageA(hWnd, WM_ENABLE, bEnable ? TRUE : FALSE, 0);
    InvalidateRect(hWnd, nullptr, TRUE);
    return bEnable ? TRUE : FALSE;
}

extern "C" BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString) {
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return SendMessageA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) ? TRUE : FALSE;
}

extern "C" int WINAPI GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount) {
    if (!lpString || nMaxCount <= 0) return 0;
    lpString[0] = '\0';
    if (std::optional<platform::WindowRecord> declared = platform::MachineWindow(hWnd)) {
        size_t count = std::min(declared->title.size(), static_cast<size_t>(nMaxCount) - 1);
        std::memcpy(lpString, declared->title.data(), count);
        lpString[count] = '\0';
        return static_cast<int>(count);
    }
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXT, static_cast<WPARAM>(nMaxCount),
                                         reinterpret_cast<LPARAM>(lpString)));
}

extern "C" int WINAPI GetWindowTextLengthA(HWND hWnd) {
    if (std::optional<platform::WindowRecord> declared = platform::MachineWindow(hWnd))
        return static_cast<int>(declared->title.size());
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return static_cast<int>(SendMessageA(hWnd, WM_GETTEXTLENGTH, 0, 0));
}

// The parent of a child window, the owner of a pop-up window, else none.
extern "C" HWND WINAPI GetParent(HWND hWnd) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
    if (!window) return nullptr;
    if (window->style & WS_CHILD) return window->parent;
    if (window->style & WS_POPUP) return window->owner;
    return nullptr;
}

extern "C" DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    if (std::optional<platform::WindowRecord> declared = platform::MachineWindow(hWnd)) {
        if (lpdwProcessId) *lpdwProcessId = declared->processId;
        return declared->threadId;
    }
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
    if (!window) return 0;
    if (lpdwProcessId) *lpdwProcessId = GetCurrentProcessId();
    return window->threadId;
}

extern "C" LONG_PTR WINAPI GetWindowLongPtrA(HWND hWnd, int nIndex) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
    if (!window) return 0;
    switch (nIndex) {
        case GWLP_WNDPROC:
            return reinterpret_cast<LONG_PTR>(window->procedure);
        case GWLP_HINSTANCE:
            return reinterpret_cast<LONG_PTR>(window->instance);
        case GWLP_HWNDPARENT:
            return reinterpret_cast<LONG_PTR>((window->style & WS_CHILD) ? window->parent : window->owner);
        case GWLP_ID:
            return window->id;
        case GWL_STYLE:
            return static_cast<LONG_PTR>(window->style);
        case GWL_EXSTYLE:
            return static_cast<LONG_PTR>(window->exStyle);
        case GWLP_USERDATA:
            return window->userData;
        default: {
            LONG_PTR value = 0;
            if (nIndex < 0 || static_cast<size_t>(nIndex) + sizeof value > window->extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            std::memcpy(&value, window->extra.data() + nIndex, sizeof value);
            return value;
        }
    }
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrA(HWND hWnd, int nIndex, LONG_PTR dwNewLong) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = FindOrFail(manager, hWnd);
    if (!window) return 0;
    LONG_PTR previous = 0;
    switch (nIndex) {
        case GWLP_WNDPROC:
            previous = reinterpret_cast<LONG_PTR>(window->procedure);
            window->procedure = reinterpret_cast<WNDPROC>(dwNewLong);
            return previous;
        case GWLP_HINSTANCE:
            previous = reinterpret_cast<LONG_PTR>(window->instance);
            window->instance = reinterpret_cast<HINSTANCE>(dwNewLong);
            return previous;
        case GWLP_HWNDPARENT:
            if (window->style & WS_CHILD) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            previous = reinterpret_cast<LONG_PTR>(window->owner);
            window->owner = reinterpret_cast<HWND>(dwNewLong);
            return previous;
        case GWLP_ID:
            previous = window->id;
            window->id = static_cast<int>(dwNewLong);
            return previous;
        case GWL_STYLE:
            previous = static_cast<LONG_PTR>(window->style);
            window->style = static_cast<DWORD>(dwNewLong);
            return previous;
        case GWL_EXSTYLE:
            previous = static_cast<LONG_PTR>(window->exStyle);
            window->exStyle = static_cast<DWORD>(dwNewLong);
            return previous;
        case GWLP_USERDATA:
            previous = window->userData;
            window->userData = dwNewLong;
            return previous;
        default: {
            if (nIndex < 0 || static_cast<size_t>(nIndex) + sizeof previous > window->extra.size()) {
                SetLastError(ERROR_INVALID_INDEX);
                return 0;
            }
            std::memcpy(&previous, window->extra.data() + nIndex, sizeof previous);
            std::memcpy(window->extra.data() + nIndex, &dwNewLong, sizeof dwNewLong);
            return previous;
        }
    }
}

extern "C" LRESULT WINAPI CallWindowProcA(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                                          LPARAM lParam) {
    return lpPrevWndFunc ? lpPrevWndFunc(hWnd, Msg, wParam, lParam) : 0;
}

namespace {

// Stores a new text; a change of what is on the screen is written to the transcript.
LRESULT SetText(HWND handle, LPCSTR text) {
    WindowManager& manager = WindowManager::Instance();
    std::string oldText;
    std::string newText;
    std::string publishedIn;
    bool child = false;
    bool shown = false;
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(handle);
        if (!window) return FALSE;
        oldText = window->text;
        window->text = text ? text : "";
        if (window->text == oldText) return TRUE;
        newText = window->text;
        publishedIn = window->publishedIn;
        child = (window->style & WS_CHILD) != 0;
        shown = platform::IsShownLocked(manager, *window);
    }
    platform::PublishWindowTitle(publishedIn, handle, newText);
    if (!shown) return TRUE;
    platform::TextChanged(handle);
    if (child) {
        platform::RecordControlChanged(handle);
    } else {
        platform::RecordCaptionChanged(handle, oldText);
    }
    return TRUE;
}

}  // namespace

extern "C" LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    switch (Msg) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            std::lock_guard<std::mutex> lock(manager.mutex);
            std::shared_ptr<Window> window = manager.Find(hWnd);
            if (window && create && create->lpszName) {
                window->text = IS_INTRESOURCE(create->lpszName)
                                   ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(create->lpszName))
                                   : create->lpszName;
            }
            return TRUE;
        }
        case WM_SETTEXT:
            return SetText(hWnd, reinterpret_cast<LPCSTR>(lParam));
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<LPSTR>(lParam);
            if (!buffer || wParam == 0) return 0;
            std::lock_guard<std::mutex> lock(manager.mutex);
            std::shared_ptr<Window> window = manager.Find(hWnd);
            size_t count = window ? std::min(window->text.size(), static_cast<size_t>(wParam) - 1) : 0;
            if (count) std::memcpy(buffer, window->text.data(), count);
            buffer[count] = '\0';
            return static_cast<LRESULT>(count);
        }
        case WM_GETTEXTLENGTH: {
            std::lock_guard<std::mutex> lock(manager.mutex);
            std::shared_ptr<Window> window = manager.Find(hWnd);
            return window ? static_cast<LRESULT>(window->text.size()) : 0;
        }
        case WM_CLOSE:
            DestroyWindow(hWnd);
            return 0;
        case platform::kPresentationMessage: {
            bool shown = false;
            {
                std::lock_guard<std::mutex> lock(manager.mutex);
                std::shared_ptr<Window> window = manager.Find(hWnd);
                if (!window || !window->presentationPending) return 0;
                window->presentationPending = false;
                shown = platform::IsShownLocked(manager, *window);
            }
            if (shown) platform::RecordControlChanged(hWnd);
            return 0;
        }
        case WM_SYSCOMMAND:
            // The system menu's Close; the other commands move and size a window no one sees.
            if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hWnd, WM_CLOSE, 0, 0);
            return 0;
        default:
            if (std::optional<LRESULT> handled = platform::DefaultGeometryMessage(hWnd, Msg, lParam)) return *handled;
            return platform::DefaultPaintMessage(hWnd, Msg, wParam, lParam);
    }
}
