// Critical sections across threads, with Windows' fields, and the interlocked operations.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "windows.h"

namespace {

TEST(CriticalSection, OwnerEntersAgainOthersWait) {
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    EXPECT_EQ(section.LockCount, -1);
    EnterCriticalSection(&section);
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    EXPECT_EQ(section.RecursionCount, 2);
    EXPECT_EQ(section.OwningThread, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId())));
    BOOL enteredElsewhere = TRUE;
    std::thread([&] { enteredElsewhere = TryEnterCriticalSection(&section); }).join();
    EXPECT_FALSE(enteredElsewhere);
    LeaveCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_EQ(section.RecursionCount, 0);
    EXPECT_EQ(section.OwningThread, nullptr);
    EXPECT_EQ(section.LockCount, -1);
    std::thread([&] {
        enteredElsewhere = TryEnterCriticalSection(&section);
        if (enteredElsewhere) LeaveCriticalSection(&section);
    }).join();
    EXPECT_TRUE(enteredElsewhere);
    DeleteCriticalSection(&section);
}

// Threads that add under the section, entering it twice each time, lose no update.
TEST(CriticalSection, GuardsAnUpdateAcrossThreads) {
    CRITICAL_SECTION section;
    ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&section, 4000));
    EXPECT_EQ(section.SpinCount, 4000u);
    long total = 0;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int step = 0; step < 20000; ++step) {
                EnterCriticalSection(&section);
                EnterCriticalSection(&section);
                long seen = total;
                total = seen + 1;
                LeaveCriticalSection(&section);
                LeaveCriticalSection(&section);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(total, 80000);
    EXPECT_EQ(section.LockCount, -1);
    DeleteCriticalSection(&section);
}

TEST(Interlocked, ReturnValuesAsWindowsGivesThem) {
    LONG volatile value = 5;
    EXPECT_EQ(InterlockedIncrement(&value), 6);
    EXPECT_EQ(InterlockedDecrement(&value), 5);
    EXPECT_EQ(InterlockedExchange(&value, 9), 5);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 8), 9);  // not equal: unchanged
    EXPECT_EQ(value, 9);
    EXPECT_EQ(InterlockedCompareExchange(&value, 1, 9), 9);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(InterlockedExchangeAdd(&value, -3), 1);
    EXPECT_EQ(value, -2);

    LONG volatile counter = 0;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread) {
        threads.emplace_back([&] {
            for (int step = 0; step < 10000; ++step) {
                InterlockedIncrement(&counter);
                InterlockedExchangeAdd(&counter, 2);
                InterlockedDecrement(&counter);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, 80000);
}

}  // namespace
