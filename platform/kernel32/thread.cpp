// Threads: host threads with Windows' handles, ids, suspended start and exit codes.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/kernel32/synch_objects.h"
#include "platform/machine/kernel/virtual_time.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/state.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process_table.h"
#include "windows.h"

namespace platform {

namespace {

class ThreadObject final : public WaitableObject {
  public:
    ThreadObject(std::shared_ptr<KernelNamespace> space, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                 bool suspended)
        : WaitableObject(std::move(space)),
          start_(start),
          parameter_(parameter),
          suspendCount_(suspended ? 1 : 0) {}

    bool TryAcquire(const KernelNamespace::Lock&, WaitEntry&, std::uint32_t) override { return finished_; }

    // Runs on the new thread: tells its id, waits while suspended, runs the start routine.
    DWORD Start() {
        std::unique_lock<std::mutex> lock(startMutex_);
        threadId_ = GetCurrentThreadId();
        startChanged_.notify_all();
        startChanged_.wait(lock, [this] { return suspendCount_ == 0; });
        lock.unlock();
        return start_(parameter_);
    }

    DWORD WaitForId() {
        std::unique_lock<std::mutex> lock(startMutex_);
        startChanged_.wait(lock, [this] { return threadId_ != 0; });
        return threadId_;
    }

    DWORD Resume() {
        std::lock_guard<std::mutex> lock(startMutex_);
        DWORD previous = suspendCount_;
        if (suspendCount_ > 0 && --suspendCount_ == 0) {
            CountRunning();
            startChanged_.notify_all();
        }
        return previous;
    }

    // A thread of one of the machine's programs holds the machine's virtual time back while it runs:
    // from its creation, or from its resumption when it was created suspended, until it ends.
    void CountRunning() {
        counted_ = true;
        CountThreadStarted(space());
    }

    void Finish(DWORD exitCode) {
        {
            KernelNamespace::Lock lock(space());
            if (counted_) CountThreadEnded(lock, space());
            finished_ = true;
            exitCode_ = exitCode;
        }
        space().Notify();
    }

    DWORD ExitCode() {
        KernelNamespace::Lock lock(space());
        return finished_ ? exitCode_ : STILL_ACTIVE;
    }

  private:
    LPTHREAD_START_ROUTINE start_;
    LPVOID parameter_;
    std::mutex startMutex_;
    std::condition_variable startChanged_;
    DWORD suspendCount_;
    DWORD threadId_ = 0;
    std::atomic<bool> counted_ = false;
    // Under the namespace lock, so that waits see the end of the thread together with other objects.
    bool finished_ = false;
    DWORD exitCode_ = 0;
};

// Where ExitThread leaves its code for the thread's end to report.
thread_local DWORD* exitCodeOfThisThread = nullptr;

// Marks the thread ended however it ends: by returning, or by ExitThread unwinding it.
class FinishOnExit {
  public:
    explicit FinishOnExit(std::shared_ptr<ThreadObject> thread) : thread_(std::move(thread)) {
        exitCodeOfThisThread = &code_;
    }
    ~FinishOnExit() {
        exitCodeOfThisThread = nullptr;
        thread_->Finish(code_);
    }
    FinishOnExit(const FinishOnExit&) = delete;
    FinishOnExit& operator=(const FinishOnExit&) = delete;
    void set(DWORD code) { code_ = code; }

  private:
    std::shared_ptr<ThreadObject> thread_;
    DWORD code_ = 0;
};

void* RunThread(void* argument) {
    auto* owned = static_cast<std::shared_ptr<ThreadObject>*>(argument);
    std::shared_ptr<ThreadObject> thread = std::move(*owned);
    delete owned;
    FinishOnExit finish(thread);
    finish.set(thread->Start());
    return nullptr;
}

}  // namespace

}  // namespace platform

extern "C" HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE lpStartAddress,
                                      LPVOID lpParameter, DWORD dwCreationFlags, LPDWORD lpThreadId) {
    if (!lpStartAddress) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The object is the program's module, so that a test can refuse threads to one program.
    if (DWORD error = platform::InjectedFault(platform::fault_target::kThread,
                                              platform::CurrentProcess().modulePath(), "create")) {
        SetLastError(error);
        return nullptr;
    }
    // The stack size is left to the host, whose default is larger than any the system asks for.
    auto thread =
        std::make_shared<platform::ThreadObject>(platform::KernelNamespace::Current(), lpStartAddress,
                                                 lpParameter, (dwCreationFlags & CREATE_SUSPENDED) != 0);
    if (!(dwCreationFlags & CREATE_SUSPENDED)) thread->CountRunning();
    auto* argument = new std::shared_ptr<platform::ThreadObject>(thread);
    pthread_t host;
    if (pthread_create(&host, nullptr, platform::RunThread, argument) != 0) {
        thread->Finish(0);
        delete argument;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    pthread_detach(host);
    DWORD id = thread->WaitForId();
    if (lpThreadId) *lpThreadId = id;
    return platform::ProcessHandles().Insert(std::move(thread));
}

extern "C" DWORD WINAPI ResumeThread(HANDLE hThread) {
    std::shared_ptr<platform::ThreadObject> thread =
        platform::ProcessHandles().Lookup<platform::ThreadObject>(hThread);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return static_cast<DWORD>(-1);
    }
    return thread->Resume();
}

extern "C" BOOL WINAPI GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode) {
    std::shared_ptr<platform::ThreadObject> thread =
        platform::ProcessHandles().Lookup<platform::ThreadObject>(hThread);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpExitCode) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    *lpExitCode = thread->ExitCode();
    return TRUE;
}

extern "C" void WINAPI ExitThread(DWORD dwExitCode) {
    if (platform::exitCodeOfThisThread) *platform::exitCodeOfThisThread = dwExitCode;
    // Unwinds the thread, so that FinishOnExit reports the code to those waiting.
    pthread_exit(nullptr);
}

namespace {

// The calling thread's id, asked of the host once: message calls ask for it thousands of times a second,
// and each ask would be a system call. A child process made by fork starts with the forking thread's
// copy, so the child forgets it.
thread_local DWORD cachedThreadId = 0;

void ForgetThreadIdAfterFork() { cachedThreadId = 0; }

[[maybe_unused]] const int threadIdForkHandler = pthread_atfork(nullptr, nullptr, ForgetThreadIdAfterFork);

}  // namespace

extern "C" DWORD WINAPI GetCurrentThreadId(void) {
    if (cachedThreadId == 0) cachedThreadId = static_cast<DWORD>(::gettid());
    return cachedThreadId;
}

// The process's id in the machine's process table, which never is a host process id.
extern "C" DWORD WINAPI GetCurrentProcessId(void) {
    return platform::CurrentProcessId(platform::Machine::Current());
}
