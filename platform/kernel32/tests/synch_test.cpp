// Mutexes and events in one process: ownership and recursion, abandonment, names and their clashes,
// manual and auto reset, pulses, and waits for several objects.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

// Runs the action on a thread of its own and gives what it returned.
template <typename Action>
DWORD OnOtherThread(Action action) {
    DWORD result = 0;
    std::thread thread([&] { result = action(); });
    thread.join();
    return result;
}

TEST(Mutexes, RecursiveForTheOwner) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    ASSERT_NE(nullptr, mutex);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, INFINITE));
    // Owned three times: two releases leave it owned, the third frees it.
    for (int release = 0; release < 2; ++release) {
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT),
                  OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }));
    }
    EXPECT_TRUE(ReleaseMutex(mutex));
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());
    EXPECT_EQ(WAIT_OBJECT_0, OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }));
    CloseHandle(mutex);
}

TEST(Mutexes, OnlyTheOwnerReleases) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "Owned");
    DWORD error = OnOtherThread([&] {
        SetLastError(0);
        return ReleaseMutex(mutex) ? 0u : GetLastError();
    });
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), error);
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(Mutexes, WaiterGetsItWhenReleased) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    std::atomic<DWORD> result{0xDEAD};
    std::thread waiter([&] {
        result = WaitForSingleObject(mutex, 5000);
        ReleaseMutex(mutex);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0xDEADu, result.load());
    ReleaseMutex(mutex);
    waiter.join();
    EXPECT_EQ(WAIT_OBJECT_0, result.load());
    CloseHandle(mutex);
}

TEST(Mutexes, AbandonedWhenTheOwnerThreadEnds) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }));
    EXPECT_EQ(WAIT_ABANDONED, WaitForSingleObject(mutex, 5000));
    // The thread that got it abandoned owns it; only that first wait is told.
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0));
    EXPECT_TRUE(ReleaseMutex(mutex));
    CloseHandle(mutex);
}

TEST(Mutexes, AbandonedInAWaitForAll) {
    TestMachine machine;
    HANDLE objects[2] = {CreateEventA(nullptr, TRUE, TRUE, nullptr), CreateMutexA(nullptr, FALSE, nullptr)};
    OnOtherThread([&] { return WaitForSingleObject(objects[1], 0); });
    EXPECT_EQ(WAIT_ABANDONED_0 + 1, WaitForMultipleObjects(2, objects, TRUE, 5000));
    EXPECT_TRUE(ReleaseMutex(objects[1]));
    for (HANDLE object : objects) CloseHandle(object);
}

enum class Kind { Mutex, Event };

HANDLE Create(Kind kind, const char* name) {
    return kind == Kind::Mutex ? CreateMutexA(nullptr, FALSE, name)
                               : CreateEventA(nullptr, TRUE, FALSE, name);
}

HANDLE Open(Kind kind, const char* name) {
    return kind == Kind::Mutex ? OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name)
                               : OpenEventA(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name);
}

TEST(KernelNames, CreateAndOpen) {
    struct Row {
        const char* existing;  // made first as a mutex, or nothing
        bool open;             // Open rather than Create
        Kind kind;
        const char* name;
        bool succeeds;
        DWORD error;
    } rows[] = {
        {nullptr, false, Kind::Mutex, "SpoolerMutex", true, ERROR_SUCCESS},
        {nullptr, false, Kind::Event, "Ready", true, ERROR_SUCCESS},
        {"SpoolerMutex", false, Kind::Mutex, "SpoolerMutex", true, ERROR_ALREADY_EXISTS},
        {"SpoolerMutex", true, Kind::Mutex, "SpoolerMutex", true, 0xAAAA},
        {nullptr, true, Kind::Mutex, "SpoolerMutex", false, ERROR_FILE_NOT_FOUND},
        {nullptr, true, Kind::Event, "Ready", false, ERROR_FILE_NOT_FOUND},
        // Names are case-sensitive.
        {"SpoolerMutex", true, Kind::Mutex, "spoolermutex", false, ERROR_FILE_NOT_FOUND},
        // One namespace for all types.
        {"Shared", false, Kind::Event, "Shared", false, ERROR_INVALID_HANDLE},
        {"Shared", true, Kind::Event, "Shared", false, ERROR_INVALID_HANDLE},
        {"p/s/a/b", true, Kind::Mutex, "p/s/a/b", true, 0xAAAA},
        {nullptr, true, Kind::Mutex, nullptr, false, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        TestMachine machine;
        HANDLE existing = row.existing ? CreateMutexA(nullptr, FALSE, row.existing) : nullptr;
        SetLastError(0xAAAA);
        HANDLE handle = row.open ? Open(row.kind, row.name) : Create(row.kind, row.name);
        std::string label =
            std::string(row.existing ? row.existing : "-") + " " + (row.name ? row.name : "null");
        EXPECT_EQ(row.succeeds, handle != nullptr) << label;
        EXPECT_EQ(row.error, GetLastError()) << label;
        if (handle) CloseHandle(handle);
        if (existing) CloseHandle(existing);
    }
}

TEST(KernelNames, ObjectEndsWithItsLastHandle) {
    TestMachine machine;
    HANDLE first = CreateEventA(nullptr, TRUE, TRUE, "Ready");
    HANDLE second = OpenEventA(SYNCHRONIZE, FALSE, "Ready");
    CloseHandle(first);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(second, 0));
    CloseHandle(second);
    EXPECT_EQ(nullptr, OpenEventA(SYNCHRONIZE, FALSE, "Ready"));
    // A new object of that name starts afresh.
    HANDLE again = CreateEventA(nullptr, TRUE, FALSE, "Ready");
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(again, 0));
    CloseHandle(again);
}

TEST(KernelNames, ExistingMutexIgnoresInitialOwner) {
    TestMachine machine;
    HANDLE first = CreateMutexA(nullptr, FALSE, "SpoolerMutex");
    HANDLE second = CreateMutexA(nullptr, TRUE, "SpoolerMutex");
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_FALSE(ReleaseMutex(second));
    EXPECT_EQ(WAIT_OBJECT_0, OnOtherThread([&] { return WaitForSingleObject(first, 0); }));
    CloseHandle(first);
    CloseHandle(second);
}

TEST(KernelNames, WrongTypeOfHandle) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, TRUE, nullptr);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    SetLastError(0);
    EXPECT_FALSE(SetEvent(mutex));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    SetLastError(0);
    EXPECT_FALSE(ReleaseMutex(event));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    CloseHandle(mutex);
    CloseHandle(event);
}

TEST(Events, StatesAndResets) {
    enum Step { Set, Reset, Pulse, Wait };
    struct Row {
        BOOL manualReset;
        BOOL initialState;
        std::vector<Step> steps;
        std::vector<DWORD> waits;  // the result of each Wait step, with no time to wait
    } rows[] = {
        {FALSE, FALSE, {Wait}, {WAIT_TIMEOUT}},
        {FALSE, TRUE, {Wait, Wait}, {WAIT_OBJECT_0, WAIT_TIMEOUT}},
        {TRUE, TRUE, {Wait, Wait, Reset, Wait}, {WAIT_OBJECT_0, WAIT_OBJECT_0, WAIT_TIMEOUT}},
        {FALSE, FALSE, {Set, Set, Wait, Wait}, {WAIT_OBJECT_0, WAIT_TIMEOUT}},
        {TRUE, FALSE, {Set, Wait, Wait}, {WAIT_OBJECT_0, WAIT_OBJECT_0}},
        {FALSE, TRUE, {Reset, Wait}, {WAIT_TIMEOUT}},
        // A pulse with nobody waiting leaves the event unsignalled.
        {TRUE, FALSE, {Pulse, Wait}, {WAIT_TIMEOUT}},
        {FALSE, FALSE, {Pulse, Wait}, {WAIT_TIMEOUT}},
        {TRUE, TRUE, {Pulse, Wait}, {WAIT_TIMEOUT}},
    };
    int number = 0;
    for (const Row& row : rows) {
        TestMachine machine;
        HANDLE event = CreateEventA(nullptr, row.manualReset, row.initialState, nullptr);
        std::vector<DWORD> waits;
        for (Step step : row.steps) {
            switch (step) {
                case Set:
                    EXPECT_TRUE(SetEvent(event));
                    break;
                case Reset:
                    EXPECT_TRUE(ResetEvent(event));
                    break;
                case Pulse:
                    EXPECT_TRUE(PulseEvent(event));
                    break;
                case Wait:
                    waits.push_back(WaitForSingleObject(event, 0));
                    break;
            }
        }
        EXPECT_EQ(row.waits, waits) << "row " << number++;
        CloseHandle(event);
    }
}

// Starts `count` threads waiting up to a second on the event, pulses it once they wait, and gives how
// many were released.
int ReleasedByPulse(BOOL manualReset, int count) {
    HANDLE event = CreateEventA(nullptr, manualReset, FALSE, nullptr);
    std::atomic<int> waiting{0};
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int index = 0; index < count; ++index) {
        waiters.emplace_back([&] {
            ++waiting;
            if (WaitForSingleObject(event, 1000) == WAIT_OBJECT_0) ++released;
        });
    }
    while (waiting < count) std::this_thread::yield();
    // Time for the last of them to get from the count into the wait.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    PulseEvent(event);
    for (std::thread& waiter : waiters) waiter.join();
    CloseHandle(event);
    return released;
}

TEST(Events, PulseReleasesWaiters) {
    TestMachine machine;
    EXPECT_EQ(3, ReleasedByPulse(TRUE, 3));
    EXPECT_EQ(1, ReleasedByPulse(FALSE, 3));
}

TEST(Waits, SeveralObjects) {
    TestMachine machine;
    HANDLE objects[3] = {CreateEventA(nullptr, FALSE, FALSE, nullptr),
                         CreateEventA(nullptr, FALSE, TRUE, nullptr),
                         CreateEventA(nullptr, FALSE, TRUE, nullptr)};
    // Any: the lowest index signalled, and only that one taken.
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(3, objects, FALSE, 0));
    EXPECT_EQ(WAIT_OBJECT_0 + 2, WaitForMultipleObjects(3, objects, FALSE, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForMultipleObjects(3, objects, FALSE, 0));
    // All: nothing is taken until every object is signalled.
    SetEvent(objects[1]);
    SetEvent(objects[2]);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForMultipleObjects(3, objects, TRUE, 20));
    SetEvent(objects[0]);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(3, objects, TRUE, 0));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForMultipleObjects(3, objects, FALSE, 0));
    for (HANDLE object : objects) CloseHandle(object);
}

TEST(Waits, BadArguments) {
    TestMachine machine;
    HANDLE event = CreateEventA(nullptr, TRUE, TRUE, "Twice");
    HANDLE same = OpenEventA(SYNCHRONIZE, FALSE, "Twice");
    HANDLE handles[MAXIMUM_WAIT_OBJECTS + 1];
    for (HANDLE& handle : handles) handle = event;
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    CloseHandle(closed);
    HANDLE withClosed[2] = {event, closed};
    HANDLE pair[2] = {event, same};
    struct Row {
        DWORD count;
        const HANDLE* handles;
        BOOL all;
        DWORD result;
        DWORD error;
    } rows[] = {
        {0, handles, FALSE, WAIT_FAILED, ERROR_INVALID_PARAMETER},
        {MAXIMUM_WAIT_OBJECTS + 1, handles, FALSE, WAIT_FAILED, ERROR_INVALID_PARAMETER},
        {1, nullptr, FALSE, WAIT_FAILED, ERROR_INVALID_PARAMETER},
        {2, withClosed, FALSE, WAIT_FAILED, ERROR_INVALID_HANDLE},
        // One object twice: allowed when any will do, refused when all are needed.
        {MAXIMUM_WAIT_OBJECTS, handles, FALSE, WAIT_OBJECT_0, 0xAAAA},
        {2, pair, TRUE, WAIT_FAILED, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        SetLastError(0xAAAA);
        EXPECT_EQ(row.result, WaitForMultipleObjects(row.count, row.handles, row.all, 0)) << row.count;
        EXPECT_EQ(row.error, GetLastError()) << row.count;
    }
    CloseHandle(event);
    CloseHandle(same);
}

}  // namespace
