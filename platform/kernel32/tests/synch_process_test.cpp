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
#include "tchar.h"
#include "windows.h"

extern char** environ;

namespace {

using platform::TestMachine;

struct Worker {
    pid_t pid = -1;
    int output = -1;

    // The next line the worker wrote, without its line break.
    std::string ReadLine() const {
        std::string line;
        char character = 0;
        while (::read(output, &character, 1) == 1 && character != '\n') line += character;
        return line;
    }
    // The exit code, or minus the signal that ended the process.
    int Wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(output);
        return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
    }
};

// The worker as a process of the machine, attached through WINMACHINE, its standard output piped back.
Worker StartWorker(const TestMachine& machine, std::vector<std::string> words) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "WINMACHINE=", 11) != 0) environment.push_back(*entry);
    }
    environment.push_back("WINMACHINE=" + machine.folder().string());
    words.insert(words.begin(), KERNEL_WORKER);
    std::vector<char*> argv, envp;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    int pipeEnds[2] = {-1, -1};
    if (::pipe(pipeEnds) != 0) return {};
    Worker worker;
    worker.pid = ::fork();
    if (worker.pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    worker.output = pipeEnds[0];
    return worker;
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
    EXPECT_EQ(0, ::waitpid(waiter.pid, nullptr, WNOHANG));
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
            ::kill(worker.pid, SIGKILL);
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
