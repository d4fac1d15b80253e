// Waiting for a program of the machine on virtual time: the program takes machine time, so whether it
// ends within a wait's limit is decided by the clock, at once and the same way on every run.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/machine/processes/program_stub.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr std::time_t kStart = 1100000000;

struct Started {
    HANDLE process = nullptr;
    HANDLE thread = nullptr;
};

Started Start(const std::string& arguments) {
    std::string commandLine = "C:\\w.exe " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    EXPECT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &information));
    return {information.hProcess, information.hThread};
}

void Close(Started& started) {
    TerminateProcess(started.process, 1);
    WaitForSingleObject(started.process, INFINITE);
    CloseHandle(started.thread);
    CloseHandle(started.process);
}

TEST(ProcessVirtualTime, AWaitEndsWithTheProgramOrAtItsLimitOnTheMachineClock) {
    const struct Row {
        const char* program;  // the worker's arguments
        DWORD limit;
        DWORD result;
        DWORD moved;  // milliseconds on the machine's clock
    } rows[] = {
        {"sleep 60000", 30000, WAIT_TIMEOUT, 30000},
        {"sleep 10000", 30000, WAIT_OBJECT_0, 10000},
        // A program whose time comes with the wait's limit does what it does then before the wait ends.
        {"sleep 30000", 30000, WAIT_OBJECT_0, 30000},
        {"sleep 60000", INFINITE, WAIT_OBJECT_0, 60000},
        {"sleep 4294967295", 30000, WAIT_TIMEOUT, 30000},
        {"exit 0", 30000, WAIT_OBJECT_0, 0},
        // The program's own thread holds the clock back as its first thread does.
        {"thread 60000", 30000, WAIT_TIMEOUT, 30000},
        {"thread 20000", 30000, WAIT_OBJECT_0, 20000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.program) + " waited for " + std::to_string(row.limit));
        TestMachine machine;
        machine.UseVirtualClock(kStart);
        ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\w.exe", PROCESS_WORKER, {}));
        auto realStart = std::chrono::steady_clock::now();
        DWORD ticks = GetTickCount();
        Started started = Start(row.program);
        EXPECT_EQ(row.result, WaitForSingleObject(started.process, row.limit));
        EXPECT_EQ(row.moved, GetTickCount() - ticks);
        EXPECT_EQ(row.result == WAIT_TIMEOUT, WaitForSingleObject(started.thread, 0) == WAIT_TIMEOUT);
        Close(started);
        // The machine's seconds are not real ones: far less real time passes than the wait's limit, even
        // on a loaded computer.
        EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(15));
    }
}

TEST(ProcessVirtualTime, AProgramGoesOnRunningAfterAWaitRanOut) {
    TestMachine machine;
    machine.UseVirtualClock(kStart);
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\w.exe", PROCESS_WORKER, {}));
    DWORD ticks = GetTickCount();
    Started started = Start("sleep 60000");
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(started.process, 30000));
    // A sleep of the waiter's own lets the program's time come.
    Sleep(20000);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(started.process, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(started.process, 40000));
    EXPECT_EQ(60000u, GetTickCount() - ticks);
    Close(started);
}

}  // namespace
