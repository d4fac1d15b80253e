// Messages: per-thread queues, posting, sending within and across threads, retrieving and dispatching.
//
// A thread's queue holds the messages sent to its windows by other threads and the messages posted to it.
// As on Windows, sent messages are processed first, whenever the owner thread retrieves messages or itself
// waits for a message it sent; posted messages come in order, and WM_QUIT only when nothing else matches.
// A queue found empty is the user's turn at the thread's modeless dialogs (the answers addressed to them).
// Messages the machine's other processes post to the thread wait in its mailbox (thread_mail.cpp) and
// join its queue whenever it looks.
#include "platform/machine/kernel/virtual_time.h"
#include "platform/user32/paint.h"
#include "platform/user32/window_manager.h"

namespace platform {

void ProcessSentMessages(std::unique_lock<std::mutex>& lock, MessageQueue& queue) {
    WindowManager& manager = WindowManager::Instance();
    while (!queue.sent.empty()) {
        std::shared_ptr<SentMessage> sent = queue.sent.front();
        queue.sent.pop_front();
        std::shared_ptr<Window> window = manager.Find(sent->message.hwnd);
        WNDPROC procedure = window ? window->procedure : nullptr;
        LRESULT result = 0;
        if (procedure) {
            lock.unlock();
            result = procedure(sent->message.hwnd, sent->message.message, sent->message.wParam,
                               sent->message.lParam);
            lock.lock();
        }
        sent->result = result;
        sent->done = true;
        manager.NotifyChanged();
    }
}

}  // namespace platform

using platform::MessageQueue;
using platform::Window;
using platform::WindowManager;

namespace {

// The filter's window itself or one of its descendants; (HWND)-1 takes only thread messages.
bool MatchesWindow(const WindowManager& manager, HWND target, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1))) return target == nullptr;
    for (HWND current = target; current;) {
        if (current == filter) return true;
        std::shared_ptr<Window> window = manager.Find(current);
        if (!window || !(window->style & WS_CHILD)) return false;
        current = window->parent;
    }
    return false;
}

bool MatchesRange(UINT message, UINT low, UINT high) {
    if (low == 0 && high == 0) return true;
    return message >= low && message <= high;
}

// Takes (or, without remove, copies) the first posted message that matches; WM_QUIT when nothing else does.
bool NextPosted(const WindowManager& manager, MessageQueue& queue, MSG& message, HWND filter, UINT low,
                UINT high, bool remove) {
    for (auto entry = queue.posted.begin(); entry != queue.posted.end(); ++entry) {
        if (!MatchesWindow(manager, entry->hwnd, filter) || !MatchesRange(entry->message, low, high)) continue;
        message = *entry;
        if (remove) queue.posted.erase(entry);
        return true;
    }
    if (!queue.quitPosted) return false;
    message = MSG{};
    message.message = WM_QUIT;
    message.wParam = static_cast<WPARAM>(queue.quitCode);
    message.time = GetTickCount();
    if (remove) queue.quitPosted = false;
    return true;
}

bool IsBadFilter(const WindowManager& manager, HWND filter) {
    return filter && filter != reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1)) && !manager.Find(filter);
}

// The queue was found empty: the user may answer a modeless dialog of the thread (lock held on entry and
// exit, released meanwhile).
platform::ModelessAnswer AnswerModelessDialogsUnlocked(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    // The windows are painted by now: the pictures the last answers asked for show what they did.
    platform::WritePendingPictures();
    platform::ModelessAnswer answered = platform::AnswerModelessDialogs();
    lock.lock();
    return answered;
}

BOOL Post(MessageQueue& queue, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG posted{};
    posted.hwnd = window;
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    posted.time = GetTickCount();
    queue.posted.push_back(posted);
    WindowManager::Instance().NotifyChanged();
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax) {
    WindowManager& manager = WindowManager::Instance();
    std::unique_lock<std::mutex> lock(manager.mutex);
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (IsBadFilter(manager, hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    std::shared_ptr<MessageQueue> queue = manager.QueueOfThisThread();
    for (;;) {
        platform::ProcessSentMessages(lock, *queue);
        platform::TakeThreadMail(*queue);
        if (NextPosted(manager, *queue, *lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
            return lpMsg->message == WM_QUIT ? FALSE : TRUE;
        }
        // With nothing posted, a window of the thread that needs painting gets WM_PAINT.
        if (platform::NextPaintMessage(manager, queue->threadId, hWnd, wMsgFilterMin, wMsgFilterMax, *lpMsg)) return TRUE;
        // The user's turn at a modeless dialog: while an answer for one still counts down, each look
        // counts, so the loop looks again instead of waiting for what no one else would send.
        if (AnswerModelessDialogsUnlocked(lock) != platform::ModelessAnswer::None) continue;
        // What was sent or posted while the lock was released woke no one: look before waiting.
        MSG arrived;
        if (!queue->sent.empty() || NextPosted(manager, *queue, arrived, hWnd, wMsgFilterMin, wMsgFilterMax, false)) {
            continue;
        }
        // The next message usually comes within microseconds; only a thread that is to sleep marks
        // itself as waiting, which takes the machine's lock.
        std::uint64_t seen = manager.Changes();
        lock.unlock();
        bool changed = manager.WatchForChange(seen);
        WindowManager::Relock(lock);
        if (changed || manager.Changes() != seen) continue;
        // Mail that comes while the thread waits wakes it, and holds the clock back until it is taken.
        platform::MailWait mailWait;
        if (!mailWait.begun()) continue;
        // Waiting for a message, the thread no longer holds the machine's virtual time back.
        platform::VirtualTimeIdle idle;
        manager.SleepUntilChange(lock, seen);
    }
}

extern "C" BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax,
                                    UINT wRemoveMsg) {
    WindowManager& manager = WindowManager::Instance();
    std::unique_lock<std::mutex> lock(manager.mutex);
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (IsBadFilter(manager, hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    std::shared_ptr<MessageQueue> queue = manager.QueueOfThisThread();
    bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    platform::ProcessSentMessages(lock, *queue);
    platform::TakeThreadMail(*queue);
    if (NextPosted(manager, *queue, *lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove)) return TRUE;
    if (platform::NextPaintMessage(manager, queue->threadId, hWnd, wMsgFilterMin, wMsgFilterMax, *lpMsg)) return TRUE;
    if (AnswerModelessDialogsUnlocked(lock) != platform::ModelessAnswer::Posted) return FALSE;
    return NextPosted(manager, *queue, *lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove) ? TRUE : FALSE;
}

// The machine has no keyboard, so no character messages are ever made; key messages still count as
// translated, as Windows reports them.
extern "C" BOOL WINAPI TranslateMessage(const MSG* lpMsg) {
    if (!lpMsg) return FALSE;
    switch (lpMsg->message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
            return TRUE;
        default:
            return FALSE;
    }
}

extern "C" LRESULT WINAPI DispatchMessageA(const MSG* lpMsg) {
    if (!lpMsg || !lpMsg->hwnd) return 0;
    WNDPROC procedure = nullptr;
    {
        WindowManager& manager = WindowManager::Instance();
        std::lock_guard<std::mutex> lock(manager.mutex);
        std::shared_ptr<Window> window = manager.Find(lpMsg->hwnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        procedure = window->procedure;
    }
    LRESULT result = procedure ? procedure(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam) : 0;
    if (lpMsg->message == WM_PAINT) platform::ValidateUnpainted(lpMsg->hwnd);
    return result;
}

// A null window posts to the calling thread.
extern "C" BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        if (!hWnd) return Post(*manager.QueueOfThisThread(), nullptr, Msg, wParam, lParam);
        if (std::shared_ptr<Window> window = manager.Find(hWnd)) {
            std::shared_ptr<MessageQueue> queue = manager.QueueOf(window->threadId);
            if (queue) return Post(*queue, hWnd, Msg, wParam, lParam);
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
    }
    // A window of another process of the machine.
    if (std::optional<BOOL> posted = platform::PostToMachineWindow(hWnd, 0, Msg, wParam, lParam)) return *posted;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

// The thread must have a message queue: it has one once it has called a message function or made a window.
// A thread of another process of the machine gets the message through its mailbox; a thread outside the
// machine is never reached.
extern "C" BOOL WINAPI PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    {
        std::lock_guard<std::mutex> lock(manager.mutex);
        if (std::shared_ptr<MessageQueue> queue = manager.QueueOf(idThread))
            return Post(*queue, nullptr, Msg, wParam, lParam);
    }
    if (std::optional<BOOL> posted = platform::PostToMachineWindow(nullptr, idThread, Msg, wParam, lParam))
        return *posted;
    if (idThread >= platform::kFirstMachineId) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    if (DWORD error = platform::PostToMachineThread(idThread, nullptr, Msg, wParam, lParam)) {
        SetLastError(error);
        return FALSE;
    }
    return TRUE;
}

extern "C" void WINAPI PostQuitMessage(int nExitCode) {
    WindowManager& manager = WindowManager::Instance();
    std::lock_guard<std::mutex> lock(manager.mutex);
    std::shared_ptr<MessageQueue> queue = manager.QueueOfThisThread();
    queue->quitPosted = true;
    queue->quitCode = nExitCode;
    manager.NotifyChanged();
}

// A window of the calling thread gets the message at once; a window of another thread gets it when that
// thread next retrieves messages, while the caller waits (still processing what others send to it). A
// window that goes away before answering answers 0.
extern "C" LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    WindowManager& manager = WindowManager::Instance();
    std::unique_lock<std::mutex> lock(manager.mutex);
    std::shared_ptr<Window> window = manager.Find(hWnd);
    if (!window) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->threadId == GetCurrentThreadId()) {
        WNDPROC procedure = window->procedure;
        lock.unlock();
        return procedure ? procedure(hWnd, Msg, wParam, lParam) : 0;
    }
    std::shared_ptr<MessageQueue> target = manager.QueueOf(window->threadId);
    if (!target) return 0;
    std::shared_ptr<MessageQueue> own = manager.QueueOfThisThread();
    auto sent = std::make_shared<platform::SentMessage>();
    sent->message.hwnd = hWnd;
    sent->message.message = Msg;
    sent->message.wParam = wParam;
    sent->message.lParam = lParam;
    sent->message.time = GetTickCount();
    target->sent.push_back(sent);
    manager.NotifyChanged();
    while (!sent->done) {
        if (!own->sent.empty()) {
            platform::ProcessSentMessages(lock, *own);
            continue;
        }
        // The answer usually comes within microseconds, and is read without taking the lock again.
        std::uint64_t seen = manager.Changes();
        lock.unlock();
        bool changed = manager.WatchForChange(seen);
        if (sent->done) return sent->result;
        WindowManager::Relock(lock);
        if (changed || manager.Changes() != seen) continue;
        platform::VirtualTimeIdle idle;
        manager.SleepUntilChange(lock, seen);
    }
    return sent->result;
}
