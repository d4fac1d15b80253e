// Threads: exit codes, suspended start, waits on threads, invalid and closed handles, refused creation.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

DWORD WINAPI ReturnParameter(LPVOID parameter) {
    return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter));
}

DWORD WINAPI ExitWithParameter(LPVOID parameter) {
    ExitThread(static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(parameter)));
    return 1;
}

DWORD WINAPI WaitForEventParameter(LPVOID parameter) {
    return WaitForSingleObject(static_cast<HANDLE>(parameter), INFINITE) == WAIT_OBJECT_0 ? 7 : 8;
}

struct RunningThreadId {
    std::atomic<DWORD> id{0};
};

DWORD WINAPI RecordThreadId(LPVOID parameter) {
    static_cast<RunningThreadId*>(parameter)->id = GetCurrentThreadId();
    return 0;
}

LPVOID AsParameter(DWORD value) {
    return reinterpret_cast<LPVOID>(static_cast<std::uintptr_t>(value));
}

TEST(Threads, ExitCodes) {
    TestMachine machine;
    struct Row {
        LPTHREAD_START_ROUTINE start;
        DWORD code;
    } rows[] = {{ReturnParameter, 0},
                {ReturnParameter, 42},
                {ReturnParameter, 0xFFFFFFFE},
                {ExitWithParameter, 0},
                {ExitWithParameter, 1234}};
    for (const Row& row : rows) {
        HANDLE thread = CreateThread(nullptr, 0, row.start, AsParameter(row.code), 0, nullptr);
        ASSERT_NE(nullptr, thread) << row.code;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000)) << row.code;
        DWORD code = 99;
        EXPECT_TRUE(GetExitCodeThread(thread, &code));
        EXPECT_EQ(row.code, code);
        // An ended thread stays signalled.
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 0));
        EXPECT_TRUE(CloseHandle(thread));
    }
}

TEST(Threads, StillActiveUntilItEnds) {
    TestMachine machine;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, WaitForEventParameter, event, 0, nullptr);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 30));
    SetEvent(event);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(7u, code);
    CloseHandle(thread);
    CloseHandle(event);
}

TEST(Threads, SuspendedStartRunsOnResume) {
    TestMachine machine;
    RunningThreadId running;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, RecordThreadId, &running, CREATE_SUSPENDED, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(0u, id);
    EXPECT_NE(GetCurrentThreadId(), id);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(thread, 50));
    EXPECT_EQ(0u, running.id.load());
    EXPECT_EQ(1u, ResumeThread(thread));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    EXPECT_EQ(id, running.id.load());
    // Resuming a thread that is not suspended gives the previous count, 0.
    EXPECT_EQ(0u, ResumeThread(thread));
    CloseHandle(thread);
}

TEST(Threads, WaitForSeveralThreads) {
    TestMachine machine;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE threads[2] = {CreateThread(nullptr, 0, WaitForEventParameter, event, 0, nullptr),
                         CreateThread(nullptr, 0, ReturnParameter, AsParameter(3), 0, nullptr)};
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, threads, FALSE, 5000));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForMultipleObjects(2, threads, TRUE, 30));
    SetEvent(event);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 5000));
    for (HANDLE thread : threads) CloseHandle(thread);
    CloseHandle(event);
}

TEST(Threads, BadHandles) {
    TestMachine machine;
    HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, nullptr);
    WaitForSingleObject(thread, 5000);
    ASSERT_TRUE(CloseHandle(thread));
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE never = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0x7FFFFF0));
    for (HANDLE handle : {thread, never, static_cast<HANDLE>(nullptr), event}) {
        DWORD code = 0;
        SetLastError(0);
        EXPECT_FALSE(GetExitCodeThread(handle, &code));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
        SetLastError(0);
        EXPECT_EQ(static_cast<DWORD>(-1), ResumeThread(handle));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
        if (handle == event) continue;
        SetLastError(0);
        EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(handle, 0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    }
    CloseHandle(event);
}

TEST(Threads, CreationRefusedByFault) {
    TestMachine machine;
    machine.Fault(platform::fault_target::kThread, "*", "create", ERROR_NOT_ENOUGH_MEMORY, 1);
    DWORD id = 5;
    EXPECT_EQ(nullptr, CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, &id));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
    EXPECT_EQ(5u, id);
    HANDLE thread = CreateThread(nullptr, 0, ReturnParameter, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
    CloseHandle(thread);
}

}  // namespace
