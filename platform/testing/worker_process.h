// A program started as a separate process of a test machine (it finds the machine through WINMACHINE),
// with its standard output piped back to the test: for tests of what crosses processes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

class TestMachine;

class WorkerProcess {
public:
    WorkerProcess(const TestMachine& machine, const std::string& program, std::vector<std::string> arguments);
    // A worker still running when the test lets go of it is killed.
    ~WorkerProcess();
    WorkerProcess(WorkerProcess&& other) noexcept;
    WorkerProcess& operator=(WorkerProcess&&) = delete;
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    pid_t pid() const { return pid_; }
    // The next line the worker wrote, without its line break ("" at the end of its output).
    std::string ReadLine();
    void Kill(int signal);
    // The exit code, or minus the signal that ended the process.
    int Wait();

private:
    pid_t pid_ = -1;
    int output_ = -1;
    bool reaped_ = false;
};

}  // namespace platform
