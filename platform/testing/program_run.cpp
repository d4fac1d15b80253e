#include "platform/testing/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "platform/machine/kernel/virtual_time.h"

namespace platform {

namespace {

// Points this process's standard output at `descriptor` while it lives (programs started meanwhile
// inherit it), then back.
class RedirectedStdout {
  public:
    explicit RedirectedStdout(int descriptor) {
        std::fflush(stdout);
        saved_ = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
        if (saved_ < 0 || ::dup2(descriptor, STDOUT_FILENO) < 0)
            throw std::runtime_error("cannot redirect output");
    }
    ~RedirectedStdout() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    RedirectedStdout(const RedirectedStdout&) = delete;
    RedirectedStdout& operator=(const RedirectedStdout&) = delete;

  private:
    int saved_ = -1;
};

}  // namespace

ProgramRun RunProgram(const std::string& commandLine, const char* currentFolder, int timeLimitSeconds) {
    ProgramRun run;
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information = {};
    std::string text = commandLine;
    {
        RedirectedStdout redirect(ends[1]);
        ::close(ends[1]);
        run.started = CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder,
                                     &startup, &information) != FALSE;
        run.error = run.started ? 0 : GetLastError();
    }
    // The pipe ends when the last program holding it has ended.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeLimitSeconds);
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        pollfd poll = {ends[0], POLLIN, 0};
        int ready = 0;
        if (left.count() > 0) {
            // Waiting for the program's output, this thread lets the program's machine time run.
            VirtualTimeIdle idle;
            ready = ::poll(&poll, 1, static_cast<int>(left.count()));
        }
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) {
            run.timedOut = true;
            break;
        }
        ssize_t count = ::read(ends[0], buffer, sizeof buffer);
        if (count <= 0) break;
        run.output.append(buffer, static_cast<size_t>(count));
    }
    ::close(ends[0]);
    if (run.started) {
        WaitForSingleObject(information.hProcess, run.timedOut ? 0 : INFINITE);
        GetExitCodeProcess(information.hProcess, &run.exitCode);
        CloseHandle(information.hThread);
        CloseHandle(information.hProcess);
    }
    return run;
}

}  // namespace platform
