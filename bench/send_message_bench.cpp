// SendMessageA to a window of another thread: a worker asks a progress bar owned by the thread that runs
// the message loop for its position, as a program's worker reports progress to its dialog. Each
// iteration is one round trip: the message queued, the owner thread woken to answer it, the answer read.
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

#include "commctrl.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

platform::TestMachine& Machine() {
    static std::unique_ptr<platform::TestMachine> machine = std::make_unique<platform::TestMachine>();
    return *machine;
}

// The thread that owns the progress bar and runs its message loop until WM_QUIT.
class OwnerThread {
  public:
    OwnerThread() {
        thread_ = std::thread([this] {
            HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", 0, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
            threadId_ = GetCurrentThreadId();
            window_.store(bar);
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
            DestroyWindow(bar);
        });
        while (!window_.load()) std::this_thread::yield();
    }
    ~OwnerThread() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    OwnerThread(const OwnerThread&) = delete;
    OwnerThread& operator=(const OwnerThread&) = delete;
    HWND window() const { return window_.load(); }

  private:
    std::thread thread_;
    std::atomic<HWND> window_{nullptr};
    DWORD threadId_ = 0;
};

void SendToAnotherThread(benchmark::State& state) {
    Machine();
    OwnerThread owner;
    HWND bar = owner.window();
    SendMessageA(bar, PBM_SETPOS, 42, 0);
    for (auto _ : state) {
        if (SendMessageA(bar, PBM_GETPOS, 0, 0) != 42) {
            state.SkipWithError("the progress bar answered wrongly");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(SendToAnotherThread)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
