// Named mutexes and events through CIPCObj, CMutex and CIPCEvent, composites of events, and the security
// attributes they are created with.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CEventComposite.h"
#include "CIPCEvent.h"
#include "CMutex.h"
#include "CSecurity.h"
#include "CThread.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::StdoutCapture;
using platform::TestMachine;

std::string Hex(HANDLE handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(handle)));
    return text;
}

// True when the handle no longer names anything in this process.
bool IsClosed(HANDLE handle) {
    return WaitForSingleObject(handle, 0) == WAIT_FAILED && GetLastError() == ERROR_INVALID_HANDLE;
}

TEST(CIPCObjTest, NamesAreBuiltFromTheirParts) {
    TestMachine machine;
    struct Row {
        const char *name, *prefix, *sub, *kernelName;
    };
    const Row rows[] = {
        {"a\\b", "p", "s", "p/s/a/b"},   {"SpoolerMutex", nullptr, nullptr, "SpoolerMutex"},
        {"n", "p", nullptr, "p/n"},      {"n", nullptr, "s", "s/n"},
        {"x\\y", "p\\q", "", "p/q/x/y"},
    };
    for (const Row& row : rows) {
        CMutex mutex;
        ASSERT_NE(nullptr, mutex.CreateOpen(row.name, row.prefix, row.sub)) << row.kernelName;
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError()) << row.kernelName;
        HANDLE opened = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, row.kernelName);
        EXPECT_NE(nullptr, opened) << row.kernelName;
        CloseHandle(opened);
    }
    // No name at all gives an unnamed object.
    CMutex unnamed;
    EXPECT_NE(nullptr, unnamed.CreateOpen(nullptr, "p", "s"));
}

TEST(CIPCObjTest, CreateOpenAndOpen) {
    TestMachine machine;
    CMutex first, second, refused, opened, missing;
    StdoutCapture capture;
    // CreateOpen("SpoolerMutex", none, none, 0, 0, 1): created, then opened.
    EXPECT_NE(nullptr, first.CreateOpen("SpoolerMutex", nullptr, nullptr, 0, 0, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    EXPECT_NE(nullptr, second.CreateOpen("SpoolerMutex", nullptr, nullptr, 0, 0, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    // With pureCreate an existing object is refused, and the handle made for it is closed.
    EXPECT_EQ(nullptr, refused.CreateOpen("SpoolerMutex", nullptr, nullptr, 1, 0, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_EQ(nullptr, refused.GetHandle());
    EXPECT_NE(nullptr, opened.Open("SpoolerMutex"));
    EXPECT_EQ(nullptr, missing.Open("Nobody"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(0u, missing.Close());
    EXPECT_EQ("pureCreate=1, GetLastError()=183\nClosing a NULL handle\n", capture.Take());
}

TEST(CIPCObjTest, CloseForgetsTheHandle) {
    TestMachine machine;
    CMutex mutex;
    HANDLE handle = mutex.CreateOpen("Once");
    ASSERT_NE(nullptr, handle);
    StdoutCapture capture;
    EXPECT_EQ(1u, mutex.Close());
    EXPECT_EQ(nullptr, mutex.GetHandle());
    EXPECT_TRUE(IsClosed(handle));
    EXPECT_EQ(0u, mutex.Close());
    EXPECT_EQ("Closing a NULL handle\n", capture.Take());
}

TEST(CIPCObjTest, ASecondCreateOpenClosesTheHandleHeld) {
    TestMachine machine;
    CMutex mutex;
    HANDLE first = mutex.CreateOpen("First");
    HANDLE second = mutex.CreateOpen("Second");
    ASSERT_NE(nullptr, second);
    EXPECT_TRUE(IsClosed(first));
    // The first mutex had no other handle, so it is gone with its name.
    EXPECT_EQ(nullptr, OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "First"));
    HANDLE third = mutex.Open("Second");
    EXPECT_TRUE(IsClosed(second));
    EXPECT_EQ(third, mutex.GetHandle());
    // The object's own earlier handle does not make the name seem taken.
    EXPECT_NE(nullptr, mutex.CreateOpen("Second", nullptr, nullptr, 1));
}

TEST(CIPCObjTest, CopiesOwnTheirHandles) {
    TestMachine machine;
    StdoutCapture capture;
    {
        CMutex original;
        original.CreateOpen("Shared");
        CMutex copy(original);
        ASSERT_NE(nullptr, copy.GetHandle());
        EXPECT_NE(original.GetHandle(), copy.GetHandle());
        CMutex assigned;
        HANDLE replaced = assigned.CreateOpen("Replaced");
        assigned = original;
        EXPECT_TRUE(IsClosed(replaced));
        assigned = assigned;
        EXPECT_EQ(1u, original.Close());
        // The copies still reach the same mutex.
        EXPECT_EQ(WAIT_OBJECT_0, copy.Wait(0));
        EXPECT_EQ(WAIT_OBJECT_0, assigned.Wait(0));
        EXPECT_NE(0u, assigned.Release());
        EXPECT_NE(0u, copy.Release());
        CIPCEvent event;
        event.CreateOpen("Event");
        CIPCEvent eventCopy(event);
        EXPECT_EQ(1u, eventCopy.Set(1));
        EXPECT_EQ(WAIT_OBJECT_0, event.Wait(0));
    }
    // Each destructor closed its own handle once: no close failed.
    EXPECT_EQ("", capture.Take());
}

TEST(CIPCObjTest, AFailedCloseIsTraced) {
    TestMachine machine;
    StdoutCapture capture;
    HANDLE mutexHandle = nullptr, eventHandle = nullptr;
    {
        CMutex mutex;
        mutexHandle = mutex.CreateOpen("Stolen");
        CloseHandle(mutexHandle);
        EXPECT_EQ(1u, mutex.Close());
        CIPCEvent event;
        eventHandle = event.CreateOpen("StolenEvent");
        CloseHandle(eventHandle);
    }
    // The destructor speaks for the base class, the derived part being gone by then.
    EXPECT_EQ("::CloseHandle(" + Hex(mutexHandle) + ") object CMutex returns error\n::CloseHandle(" +
                  Hex(eventHandle) + ") object CIPCObj returns error\n",
              capture.Take());
}

TEST(CMutexTest, WaitAndRelease) {
    TestMachine machine;
    CMutex mutex;
    mutex.CreateOpen("Owned", nullptr, nullptr, 0, 1, 0);
    // Created owned by this thread; ownership counts recursively.
    EXPECT_EQ(WAIT_OBJECT_0, mutex.Wait(0));
    EXPECT_NE(0u, mutex.Release());
    EXPECT_NE(0u, mutex.Release());
    EXPECT_EQ(0u, mutex.Release());
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_OWNER), GetLastError());
}

TEST(CIPCEventTest, SetResetPulseAndTheFreeOverloads) {
    TestMachine machine;
    CIPCEvent manual, opened;
    manual.CreateOpen("Manual", "p", nullptr, 0, 0, 1);
    ASSERT_NE(nullptr, opened.Open("Manual", "p"));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(manual, 0));
    EXPECT_EQ(1u, SetEvent(opened));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
    EXPECT_EQ(WAIT_OBJECT_0, manual.Wait(0));
    EXPECT_EQ(1u, ResetEvent(opened));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), manual.Wait(0));
    EXPECT_EQ(1u, manual.Set(1));
    EXPECT_EQ(1u, manual.Reset());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), manual.Wait(0));
    EXPECT_NE(0u, manual.Pulse());

    CIPCEvent none;
    StdoutCapture capture;
    SetLastError(0);
    EXPECT_EQ(0u, none.Set(1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(0u, none.Reset());
    EXPECT_EQ(0u, none.Pulse());
    EXPECT_EQ("CIPCEvent::Set failed\nCIPCEvent::Set failed\n", capture.Take());
}

// A composite with two members, each member and the composite auto-reset.
struct Group {
    CIPCEvent a, b;
    CEventComposite composite;
    Group() {
        a.CreateOpen("A");
        b.CreateOpen("B");
        composite.CreateOpen("Group");
        composite += a;
        composite += b;
    }
};

TEST(CEventCompositeTest, TellsWhichMemberFired) {
    TestMachine machine;
    Group group;
    StdoutCapture capture;
    EXPECT_EQ(WAIT_TIMEOUT, group.composite.Wait(0));
    EXPECT_EQ(1u, group.b.Set(1));
    EXPECT_EQ(1, group.composite.Wait(0));
    EXPECT_EQ(1u, group.a.Set(1));
    EXPECT_EQ(0, group.composite.Wait(0));
    // Resetting a member tells the composite nothing.
    EXPECT_EQ(1u, group.a.Reset());
    EXPECT_EQ(WAIT_TIMEOUT, group.composite.Wait(0));
    // Reset forgets the members: the composite set directly cannot say which member fired.
    group.b.Set(1);
    EXPECT_EQ(1u, group.composite.Reset());
    EXPECT_EQ(WAIT_TIMEOUT, group.composite.Wait(0));
    group.composite.Set(1);
    EXPECT_EQ(WAIT_ABANDONED, group.composite.Wait(0));
    EXPECT_EQ("Can not find the last event failed with ERR_UNKNOWN\n", capture.Take());
}

// Waits on the composite of the Group given, for the tests' waiting thread.
DWORD WINAPI WaitForGroup(LPVOID parameter) {
    return static_cast<DWORD>(static_cast<Group*>(parameter)->composite.Wait(10000));
}

// Pulses `member` until the thread waiting on the composite has been released by one pulse: a pulse
// releases only a thread that is waiting already.
void PulseUntilReleased(CIPCEvent& member, CThread& waiter) {
    for (int attempt = 0; attempt < 500; ++attempt) {
        member.Pulse();
        if (waiter.Wait(10) == WAIT_OBJECT_0) return;
    }
}

TEST(CEventCompositeTest, AStaleRecordDoesNotHideTheMemberThatFired) {
    TestMachine machine;
    Group group;
    // A was set and reported; then B pulses.
    group.a.Set(1);
    EXPECT_EQ(0, group.composite.Wait(0));
    CThread waiter;
    ASSERT_EQ(1u, waiter.Init(WaitForGroup, &group));
    PulseUntilReleased(group.b, waiter);
    EXPECT_EQ(1u, waiter.GetExitCode());
    CloseHandle(waiter);
    // A pulsed with nobody waiting; then B is set.
    group.a.Pulse();
    group.b.Set(1);
    EXPECT_EQ(1, group.composite.Wait(0));
}

// Sets member B of the Group given from another thread than the one that registered it.
DWORD WINAPI SetMemberB(LPVOID parameter) {
    return static_cast<Group*>(parameter)->b.Set(1);
}

TEST(CEventCompositeTest, RegistrationLetsGoOfTheGuard) {
    TestMachine machine;
    // Were the guard still held by this thread, the other thread's notification would wait a second for
    // it and give up.
    machine.UseVirtualClock(1078482030);
    Group group;
    StdoutCapture capture;
    CThread setter;
    ASSERT_EQ(1u, setter.Init(SetMemberB, &group));
    EXPECT_EQ(WAIT_OBJECT_0, setter.Wait(INFINITE));
    EXPECT_EQ(1, group.composite.Wait(0));
    EXPECT_EQ("", capture.Take());
    CloseHandle(setter);
}

TEST(CEventCompositeTest, FailuresAreDistinctFromMembers) {
    TestMachine machine;
    CIPCEvent a;
    a.CreateOpen("A");
    StdoutCapture capture;
    {
        CEventComposite uncreated;
        uncreated += a;
        // Without its guard the composite cannot take notifications.
        EXPECT_EQ(1u, a.Set(1));
        EXPECT_EQ(1u, a.Pulse());
        SetLastError(0);
        EXPECT_EQ(-1, uncreated.Wait(0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    }
    // The composite is gone and unregistered: setting the member reaches nobody.
    EXPECT_EQ(1u, a.Set(1));
    EXPECT_EQ(
        "CEventComposite not initialized\n"
        "CEventComposite is busy ins Set()\n failed\n"
        "CEventComposite is busy in Pulse()\n failed\n"
        "CIPCEvent::Wait(timeout) failed\n",
        capture.Take());
}

TEST(CSecurityTest, NullDaclForEveryone) {
    TestMachine machine;
    CSecurity security(20, 1);
    SECURITY_ATTRIBUTES* attributes = security;
    EXPECT_EQ(12u, attributes->nLength);
    EXPECT_EQ(TRUE, attributes->bInheritHandle);
    EXPECT_EQ(security.GetDescriptor(), attributes->lpSecurityDescriptor);
    BOOL present = FALSE, defaulted = TRUE;
    PACL dacl = reinterpret_cast<PACL>(&present);
    ASSERT_TRUE(GetSecurityDescriptorDacl(security.GetDescriptor(), &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    EXPECT_EQ(nullptr, dacl);
    EXPECT_FALSE(defaulted);
    // Without the flag the block is only allocated.
    EXPECT_EQ(1u, security.Init(20, 0));
    EXPECT_NE(nullptr, security.GetDescriptor());
    EXPECT_EQ(nullptr, static_cast<SECURITY_ATTRIBUTES*>(security)->lpSecurityDescriptor);
    EXPECT_EQ(&GetGlobalSecurity(), &GetGlobalSecurity());
}

TEST(CSecurityTest, Windows9xHasNoDescriptors) {
    TestMachine machine(platform::OsKind::Windows98);
    StdoutCapture capture;
    CSecurity security(20, 1);
    EXPECT_EQ(0u, security.Init(20, 1));
    EXPECT_EQ("Failed to Init the CSecurity\nFailed to Init the CSecurity\n", capture.Take());
    // Objects are still created: Windows 9x ignores the attributes.
    CMutex mutex;
    EXPECT_NE(nullptr, mutex.CreateOpen("SpoolerMutex"));
}

}  // namespace
