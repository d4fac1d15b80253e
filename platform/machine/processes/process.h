// What one process of the machine knows about itself: its module path, command line and current folder.
#pragma once

#include <mutex>
#include <string>

namespace platform {

class Machine;

class ProcessState {
public:
    // Reads WINMACHINE_MODULE, WINMACHINE_COMMAND_LINE and WINMACHINE_CURRENT_DIRECTORY; a process started
    // without them (a test, a tool) is a program in the Windows folder started from C:\.
    void InitializeFromEnvironment(const Machine& machine);
    void Clear();

    std::string modulePath() const;
    void setModulePath(const std::string& path);
    // The command line GetCommandLineA hands out; the buffer stays valid until the next change.
    char* commandLineBuffer();
    void setCommandLine(const std::string& commandLine);
    std::string currentDirectory() const;
    void setCurrentDirectory(const std::string& path);

private:
    mutable std::mutex mutex_;
    std::string modulePath_;
    std::string commandLine_;
    std::string currentDirectory_ = "C:\\";
};

ProcessState& CurrentProcess();

}  // namespace platform
