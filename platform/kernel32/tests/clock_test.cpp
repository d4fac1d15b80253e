// The machine's clock on virtual time: Sleep, timed waits, GetTickCount, GetSystemTime, GetLocalTime
// and time() move together, without waiting for real.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "platform/testing/test_machine.h"
#include "tchar.h"
#include "windows.h"

namespace {

using platform::TestMachine;

// 2004-03-05 10:20:30 UTC, a Friday.
constexpr std::time_t kStart = 1078482030;

auto RealMilliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since)
        .count();
}

TEST(Clock, VirtualRetryLoopTakesNoRealTime) {
    TestMachine machine;
    machine.UseVirtualClock(kStart);
    auto realStart = std::chrono::steady_clock::now();
    DWORD ticks = GetTickCount();
    // A retry loop of thirty seconds, as the system writes them.
    while (GetTickCount() - ticks < 30000) Sleep(2000);
    EXPECT_EQ(30000u, GetTickCount() - ticks);
    EXPECT_EQ(kStart + 30, time(nullptr));
    EXPECT_LT(RealMilliseconds(realStart), 1000);
}

TEST(Clock, SystemAndLocalTimeFollowTheClock) {
    TestMachine machine;
    machine.UseVirtualClock(kStart);
    Sleep(1250);
    SYSTEMTIME utc{};
    GetSystemTime(&utc);
    struct Field {
        WORD actual;
        WORD expected;
    } fields[] = {{utc.wYear, 2004}, {utc.wMonth, 3},   {utc.wDay, 5},     {utc.wDayOfWeek, 5},
                  {utc.wHour, 10},   {utc.wMinute, 20}, {utc.wSecond, 31}, {utc.wMilliseconds, 250}};
    for (const Field& field : fields) EXPECT_EQ(field.expected, field.actual);
    // The machine's own zone (Italian, standard time in early March), whatever the host's is.
    SYSTEMTIME localTime{};
    GetLocalTime(&localTime);
    EXPECT_EQ(11, localTime.wHour);
    EXPECT_EQ(5, localTime.wDay);
    EXPECT_EQ(31, localTime.wSecond);
    EXPECT_EQ(250, localTime.wMilliseconds);
    std::time_t stored = 0;
    EXPECT_EQ(kStart + 1, time(&stored));
    EXPECT_EQ(kStart + 1, stored);
}

TEST(Clock, VirtualTimedWaits) {
    TestMachine machine;
    machine.UseVirtualClock(kStart);
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    auto realStart = std::chrono::steady_clock::now();
    DWORD ticks = GetTickCount();
    struct Row {
        BOOL signalled;
        DWORD timeout;
        DWORD result;
        DWORD advance;  // how far the clock moves on
    } rows[] = {
        {FALSE, 10000, WAIT_TIMEOUT, 10000},
        {FALSE, 0, WAIT_TIMEOUT, 0},
        {TRUE, 10000, WAIT_OBJECT_0, 0},
        {FALSE, 1, WAIT_TIMEOUT, 1},
    };
    for (const Row& row : rows) {
        if (row.signalled) SetEvent(event);
        DWORD before = GetTickCount();
        EXPECT_EQ(row.result, WaitForSingleObject(event, row.timeout)) << row.timeout;
        EXPECT_EQ(row.advance, GetTickCount() - before) << row.timeout;
    }
    EXPECT_EQ(10001u, GetTickCount() - ticks);
    EXPECT_LT(RealMilliseconds(realStart), 1000);
    CloseHandle(event);
}

TEST(Clock, HostTimeUntilSwitched) {
    TestMachine machine;
    auto hostTime = [] { return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()); };
    std::time_t before = hostTime();
    std::time_t machineTime = time(nullptr);
    EXPECT_LE(before, machineTime);
    EXPECT_LE(machineTime, hostTime());
    auto realStart = std::chrono::steady_clock::now();
    Sleep(30);
    EXPECT_GE(RealMilliseconds(realStart), 30);
}

}  // namespace
