// The library's named mutex and events seen by two processes of one machine: "SpoolerMutex" created
// through CMutex::CreateOpen in both serialises them, and an event set by one releases the other's wait.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "CIPCEvent.h"
#include "CMutex.h"
#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"

namespace {

using platform::TestMachine;

using Worker = platform::WorkerProcess;

// The worker as a process of the machine, its standard output piped back.
Worker StartWorker(const TestMachine& machine, std::vector<std::string> words) {
    return Worker(machine, IPC_WORKER, std::move(words));
}

TEST(IPCProcesses, SpoolerMutexSerialisesProcesses) {
    TestMachine machine;
    CMutex spooler;
    ASSERT_NE(nullptr, spooler.CreateOpen("SpoolerMutex", nullptr, nullptr, 0, 0, 1));
    Worker holder = StartWorker(machine, {"hold", "SpoolerMutex", "300"});
    ASSERT_EQ("held", holder.ReadLine());
    EXPECT_EQ(static_cast<unsigned long>(WAIT_TIMEOUT), spooler.Wait(50));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WAIT_OBJECT_0, spooler.Wait(10000));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(0, holder.Wait());
    // While this process holds the mutex, the other one cannot create it anew.
    Worker creator = StartWorker(machine, {"create", "SpoolerMutex"});
    EXPECT_EQ("pureCreate=1, GetLastError()=183", creator.ReadLine());
    EXPECT_EQ("null", creator.ReadLine());
    EXPECT_EQ(std::to_string(ERROR_ALREADY_EXISTS), creator.ReadLine());
    EXPECT_EQ(0, creator.Wait());
    EXPECT_NE(0u, spooler.Release());
    // Once every handle is closed the name is free again.
    EXPECT_EQ(1u, spooler.Close());
    Worker fresh = StartWorker(machine, {"create", "SpoolerMutex"});
    EXPECT_EQ("handle", fresh.ReadLine());
    EXPECT_EQ("0", fresh.ReadLine());
    EXPECT_EQ(0, fresh.Wait());
}

TEST(IPCProcesses, EventsCrossProcesses) {
    TestMachine machine;
    CIPCEvent ready;
    ASSERT_NE(nullptr, ready.CreateOpen("Ready", "Spooler", "Jobs"));
    Worker setter = StartWorker(machine, {"set", "Spooler/Jobs/Ready"});
    EXPECT_EQ(WAIT_OBJECT_0, ready.Wait(10000));
    EXPECT_EQ(0, setter.Wait());
    // The other way round: the worker waits until this process sets the event.
    Worker waiter = StartWorker(machine, {"wait", "Spooler/Jobs/Ready", "10000"});
    ASSERT_EQ("waiting", waiter.ReadLine());
    EXPECT_EQ(1u, SetEvent(ready));
    EXPECT_EQ("0", waiter.ReadLine());
    EXPECT_EQ(0, waiter.Wait());
}

}  // namespace
