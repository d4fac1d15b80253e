// Messages and windows across the machine's programs: a thread of another program started in the machine
// gets what is posted to it, its top-level windows are seen and closed from here, and no thread outside
// the machine is ever reached.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine/processes/program_stub.h"
#include "platform/machine/processes/process_table.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr char kWorker[] = "C:\\Lavoro\\worker.exe";
constexpr char kMessages[] = "C:\\Lavoro\\worker.msg";

struct Started {
    PROCESS_INFORMATION information{};

    ~Started() {
        if (!information.hProcess) return;
        TerminateProcess(information.hProcess, 1);
        WaitForSingleObject(information.hProcess, INFINITE);
        CloseHandle(information.hThread);
        CloseHandle(information.hProcess);
    }
    DWORD ExitCode() const {
        DWORD code = 0;
        GetExitCodeProcess(information.hProcess, &code);
        return code;
    }
};

void Start(TestMachine& machine, const std::string& arguments, Started& started) {
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), kWorker, WINDOW_WORKER, {}));
    std::string commandLine = std::string(kWorker) + " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &started.information));
}

// Retries until the condition holds; real time, since the program starts for real.
template <typename Condition>
bool Eventually(Condition condition) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A program's thread can be posted to once it has made its message queue.
bool PostOnceItListens(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam) {
    return Eventually([&] { return PostThreadMessageA(thread, message, wParam, lParam) != FALSE; });
}

std::string Title(HWND window) {
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    return title;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

HWND FindTopLevel(const std::string& title) {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (Title(window) == title) return window;
    }
    return nullptr;
}

TEST(MachinePrograms, AThreadOfAnotherProgramGetsWhatIsPostedAndEndsOnQuit) {
    TestMachine machine;
    Started receiver;
    Start(machine, "receive", receiver);
    DWORD thread = receiver.information.dwThreadId;
    ASSERT_TRUE(PostOnceItListens(thread, WM_USER + 1, 7, -3));
    EXPECT_TRUE(PostThreadMessageA(thread, WM_USER + 2, 0, 0));
    EXPECT_TRUE(PostThreadMessageA(thread, WM_QUIT, 42, 0));
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(receiver.information.hProcess, 20000));
    EXPECT_EQ(42u, receiver.ExitCode());
    EXPECT_EQ("1025 7 -3\r\n1026 0 0\r\n", machine.ReadFile(kMessages));
    // Its thread has ended with it.
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(thread, WM_USER, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_THREAD_ID), GetLastError());
}

// On virtual time the message wakes the program before the clock moves on: the wait sees it end at once
// instead of running to its limit.
TEST(MachinePrograms, APostWakesAProgramWaitingOnVirtualTimeBeforeTheClockMoves) {
    TestMachine machine;
    machine.UseVirtualClock(1100000000);
    Started receiver;
    Start(machine, "receive", receiver);
    ASSERT_TRUE(PostOnceItListens(receiver.information.dwThreadId, WM_USER, 0, 0));
    // The program is back in its wait for the next message before this one is posted.
    ASSERT_TRUE(Eventually([&] { return machine.Exists(kMessages); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    DWORD ticks = GetTickCount();
    EXPECT_TRUE(PostThreadMessageA(receiver.information.dwThreadId, WM_QUIT, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(receiver.information.hProcess, 30000));
    EXPECT_EQ(0u, GetTickCount() - ticks);
}

TEST(MachinePrograms, AWindowOfAnotherProgramIsSeenAndClosedFromHere) {
    TestMachine machine;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "OwnWindow";
    RegisterClassA(&windowClass);
    HWND own = CreateWindowExA(0, "OwnWindow", "Own", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Started program;
    Start(machine, "window \"Worker Window\"", program);
    HWND window = nullptr;
    ASSERT_TRUE(Eventually([&] { return (window = FindTopLevel("Worker Window")) != nullptr; }));

    // Handles of the machine's windows never collide across its processes.
    EXPECT_NE(own, window);
    EXPECT_TRUE(platform::IsMachineHandle(window));
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(13, GetWindowTextLengthA(window));
    DWORD process = 0;
    EXPECT_EQ(program.information.dwThreadId, GetWindowThreadProcessId(window, &process));
    EXPECT_EQ(program.information.dwProcessId, process);
    char module[MAX_PATH] = "";
    EXPECT_EQ(std::string(kWorker).size(), GetWindowModuleFileNameA(window, module, sizeof module));
    EXPECT_EQ(std::string(kWorker), module);
    // Its own windows are listed once, as its own.
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(1, std::count(windows.begin(), windows.end(), own));

    // WM_CLOSE reaches the window's procedure in its own process, which destroys it and ends its loop.
    EXPECT_TRUE(PostMessageA(window, WM_CLOSE, 0, 0));
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(program.information.hProcess, 20000));
    EXPECT_EQ(5u, program.ExitCode());
    EXPECT_EQ("WM_CLOSE\r\n", machine.ReadFile(kMessages));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, FindTopLevel("Worker Window"));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(window, WM_CLOSE, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    DestroyWindow(own);
}

TEST(MachinePrograms, AWindowGoesWithItsProcess) {
    TestMachine machine;
    Started program;
    Start(machine, "window Ended", program);
    HWND window = nullptr;
    ASSERT_TRUE(Eventually([&] { return (window = FindTopLevel("Ended")) != nullptr; }));
    ASSERT_TRUE(TerminateProcess(program.information.hProcess, 3));
    ASSERT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(program.information.hProcess, 20000));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(nullptr, FindTopLevel("Ended"));
    EXPECT_EQ(0, GetWindowTextLengthA(window));
}

TEST(MachinePrograms, AThreadThatIsNoListeningThreadOfTheMachineIsRefused) {
    TestMachine machine;
    Started sleeper;
    Start(machine, "sleep 20000", sleeper);
    // The sleeper's thread lives in the machine but never makes a message queue.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const struct Row {
        const char* name;
        DWORD thread;
    } rows[] = {
        {"a program of the machine without a message queue", sleeper.information.dwThreadId},
        {"a host process outside the machine", static_cast<DWORD>(::getppid())},
        {"an id of the machine that names no thread", platform::kFirstMachineId + 0x4000},
        {"no thread", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetLastError(0);
        EXPECT_FALSE(PostThreadMessageA(row.thread, WM_QUIT, 0, 0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_THREAD_ID), GetLastError());
    }
}

}  // namespace
