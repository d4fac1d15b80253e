// Named kernel objects and the clock shared by separate processes of one machine: a mutex held by one
// process blocks another, a mutex whose owner process died is handed over abandoned, events cross, and
// virtual time is the machine's.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"
#include "tchar.h"
#include "windows.h"

namespace {

using platform::TestMachine;

using Worker = platform::WorkerProcess;

// The worker as a process of the machine, its standard output piped back.
Worker StartWorker(const TestMachine& machine, std::vector<std::string> words) {
    return Worker(machine, KERNEL_WORKER, std::move(words));
}

TEST(KernelProcesses, HeldMutexBlocksTheOtherProcess) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "SpoolerMutex");
    Worker worker = StartWorker(machine, {"hold", "SpoolerMutex", "300"});
    ASSERT_EQ("held", worker.ReadLine());
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(mutex, 50));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 10000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(0, worker.Wait());
    // Now the other way round: the worker waits until this process lets go.
    Worker waiter = StartWorker(machine, {"wait", "SpoolerMutex"});
    ::usleep(100 * 1000);
    EXPECT_EQ(0, ::waitpid(waiter.pid(), nullptr, WNOHANG));
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(static_cast<int>(WAIT_OBJECT_0), waiter.Wait());
    CloseHandle(mutex);
}

TEST(KernelProcesses, MutexOfADeadProcessIsAbandoned) {
    for (const char* ending : {"exit", "hang"}) {
        TestMachine machine;
        Worker worker = StartWorker(machine, {ending, "SpoolerMutex"});
        ASSERT_EQ("held", worker.ReadLine()) << ending;
        HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "SpoolerMutex");
        ASSERT_NE(nullptr, mutex) << ending;
        if (std::string(ending) == "hang") {
            EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(mutex, 50));
            worker.Kill(SIGKILL);
        }
        EXPECT_EQ(WAIT_ABANDONED, WaitForSingleObject(mutex, 10000)) << ending;
        EXPECT_TRUE(ReleaseMutex(mutex)) << ending;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 0)) << ending;
        EXPECT_TRUE(ReleaseMutex(mutex));
        worker.Wait();
        CloseHandle(mutex);
    }
}

TEST(KernelProcesses, NamesAndEventsCross) {
    TestMachine machine;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, "SpoolerMutex");
    Worker creator = StartWorker(machine, {"create", "SpoolerMutex"});
    EXPECT_EQ(std::to_string(ERROR_ALREADY_EXISTS), creator.ReadLine());
    EXPECT_EQ(0, creator.Wait());
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, "Ready");
    Worker setter = StartWorker(machine, {"set", "Ready"});
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(event, 10000));
    EXPECT_EQ(0, setter.Wait());
    CloseHandle(event);
    CloseHandle(mutex);
}

TEST(KernelProcesses, VirtualTimeIsTheMachines) {
    TestMachine machine;
    machine.UseVirtualClock(1078482030);
    DWORD ticks = GetTickCount();
    auto start = std::chrono::steady_clock::now();
    Worker sleeper = StartWorker(machine, {"sleep", "60000"});
    EXPECT_EQ("1078482030", sleeper.ReadLine());
    EXPECT_EQ(0, sleeper.Wait());
    EXPECT_EQ(60000u, GetTickCount() - ticks);
    EXPECT_EQ(1078482090, time(nullptr));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
