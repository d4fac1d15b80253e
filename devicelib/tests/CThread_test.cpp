// Threads started through CThread: exit codes, suspended starts, resuming, and a thread Windows refuses.
#include "CThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "platform/testing/test_machine.h"

namespace {

using platform::StdoutCapture;
using platform::TestMachine;

std::atomic<DWORD> seenThreadId{0};

DWORD WINAPI ReturnParameter(LPVOID parameter) {
    seenThreadId = GetCurrentThreadId();
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(parameter));
}

// Resumes its own CThread, which Windows would count as a no-op and the library refuses.
DWORD WINAPI ResumeItself(LPVOID parameter) {
    return static_cast<DWORD>(static_cast<CThread*>(parameter)->Resume());
}

std::string Hex(HANDLE handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(handle)));
    return text;
}

TEST(CThreadTest, RunsToItsExitCode) {
    TestMachine machine;
    CThread thread;
    ASSERT_EQ(1u, thread.Init(ReturnParameter, reinterpret_cast<LPVOID>(7)));
    EXPECT_NE(nullptr, static_cast<void*>(thread));
    EXPECT_EQ(WAIT_OBJECT_0, thread.Wait(INFINITE));
    EXPECT_EQ(seenThreadId.load(), thread.GeThisThreadID());
    EXPECT_EQ(7u, thread.GetExitCode());

    CThread copy;
    copy = thread;
    EXPECT_EQ(static_cast<void*>(thread), static_cast<void*>(copy));
    EXPECT_EQ(thread.GeThisThreadID(), copy.GeThisThreadID());
    CloseHandle(thread);
}

TEST(CThreadTest, SuspendedStartAndResume) {
    TestMachine machine;
    // Bit 0x4 of the flags and CREATE_SUSPENDED in the creation flags both hold the thread back.
    struct Row {
        unsigned int flags;
        unsigned long creationFlags;
    };
    for (Row row : {Row{CThread::START_SUSPENDED, 0}, Row{0, CREATE_SUSPENDED}}) {
        CThread thread;
        ASSERT_EQ(1u,
                  thread.Init(ReturnParameter, reinterpret_cast<LPVOID>(3), row.flags, row.creationFlags));
        thread.Yield();
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), thread.Wait(0));
        EXPECT_EQ(static_cast<unsigned long>(STILL_ACTIVE), thread.GetExitCode());
        EXPECT_EQ(1, thread.Resume());
        EXPECT_EQ(WAIT_OBJECT_0, thread.Wait(INFINITE));
        EXPECT_EQ(3u, thread.GetExitCode());
        // A thread that runs (or ran) is not suspended: the previous count is 0.
        EXPECT_EQ(0, thread.Resume());
        CloseHandle(thread);
    }
}

TEST(CThreadTest, ResumingItselfIsRefused) {
    TestMachine machine;
    CThread thread;
    StdoutCapture capture;
    ASSERT_EQ(1u, thread.Init(ResumeItself, &thread, CThread::START_SUSPENDED));
    EXPECT_EQ(1, thread.Resume());
    EXPECT_EQ(WAIT_OBJECT_0, thread.Wait(INFINITE));
    EXPECT_EQ(0u, thread.GetExitCode());
    EXPECT_EQ("Thread attemting to resurect\n", capture.Take());
    CloseHandle(thread);
}

TEST(CThreadTest, ThreadWindowsCannotCreate) {
    TestMachine machine;
    CThread thread;
    ASSERT_EQ(1u, thread.Init(ReturnParameter, nullptr));
    thread.Wait(INFINITE);
    HANDLE earlier = thread;
    machine.Fault(platform::fault_target::kThread, "*", "create", ERROR_NOT_ENOUGH_MEMORY, 1);
    // The caller must not wait on the earlier thread's handle as if it were the new one.
    EXPECT_EQ(0u, thread.Init(ReturnParameter, nullptr));
    EXPECT_EQ(nullptr, static_cast<void*>(thread));
    EXPECT_EQ(0u, thread.GeThisThreadID());
    EXPECT_EQ(WAIT_FAILED, thread.Wait(INFINITE));
    CloseHandle(earlier);
}

TEST(CThreadTest, FailuresAreTraced) {
    TestMachine machine;
    CThread none;
    {
        StdoutCapture capture;
        EXPECT_EQ(static_cast<long>(ERROR_INVALID_HANDLE), none.Resume());
        EXPECT_EQ(0u, none.GetExitCode());
        EXPECT_EQ(
            "Resume thread handle=0 id=0 failed! errorCode 6\n"
            "GetExitCodeThread() failed for thread ID 0\n",
            capture.Take());
    }
    // A closed handle is written in hexadecimal as Windows hands it out.
    CThread closed;
    ASSERT_EQ(1u, closed.Init(ReturnParameter, nullptr));
    closed.Wait(INFINITE);
    HANDLE handle = closed;
    CloseHandle(handle);
    StdoutCapture capture;
    EXPECT_EQ(static_cast<long>(ERROR_INVALID_HANDLE), closed.Resume());
    EXPECT_EQ("Resume thread handle=" + Hex(handle) + " id=" + std::to_string(closed.GeThisThreadID()) +
                  " failed! errorCode 6\n",
              capture.Take());
}

}  // namespace
