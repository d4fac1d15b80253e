#include "platform/testing/worker_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "platform/testing/test_machine.h"

extern char** environ;

namespace platform {

WorkerProcess::WorkerProcess(const TestMachine& machine, const std::string& program,
                             std::vector<std::string> arguments) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "WINMACHINE=", 11) != 0) environment.push_back(*entry);
    }
    environment.push_back("WINMACHINE=" + machine.folder().string());
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv, envp;
    for (std::string& word : arguments) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    int pipeEnds[2] = {-1, -1};
    if (::pipe(pipeEnds) != 0) throw std::runtime_error("cannot make a pipe for " + program);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (pid_ < 0) throw std::runtime_error("cannot start " + program);
}

WorkerProcess::WorkerProcess(WorkerProcess&& other) noexcept
    : pid_(other.pid_), output_(other.output_), reaped_(other.reaped_) {
    other.pid_ = -1;
    other.output_ = -1;
    other.reaped_ = true;
}

WorkerProcess::~WorkerProcess() {
    if (pid_ > 0 && !reaped_) {
        ::kill(pid_, SIGKILL);
        Wait();
    }
    if (output_ >= 0) ::close(output_);
}

std::string WorkerProcess::ReadLine() {
    std::string line;
    char character = 0;
    while (::read(output_, &character, 1) == 1 && character != '\n') line += character;
    return line;
}

void WorkerProcess::Kill(int signal) {
    if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
}

int WorkerProcess::Wait() {
    int status = 0;
    if (pid_ <= 0) return -1;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    return WIFSIGNALED(status) ? -WTERMSIG(status) : WEXITSTATUS(status);
}

}  // namespace platform
