#include "platform/machine/processes/process.h"

#include <cstdlib>

#include "platform/machine/machine.h"

namespace platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

void ProcessState::InitializeFromEnvironment(const Machine& machine) {
    std::lock_guard<std::mutex> lock(mutex_);
    modulePath_ = Environment("WINMACHINE_MODULE");
    if (modulePath_.empty()) modulePath_ = machine.settings().windowsFolder + "\\program.exe";
    commandLine_ = Environment("WINMACHINE_COMMAND_LINE");
    if (commandLine_.empty()) commandLine_ = "\"" + modulePath_ + "\"";
    currentDirectory_ = Environment("WINMACHINE_CURRENT_DIRECTORY");
    if (currentDirectory_.empty()) currentDirectory_ = "C:\\";
}

void ProcessState::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    modulePath_.clear();
    commandLine_.clear();
    currentDirectory_ = "C:\\";
}

std::string ProcessState::modulePath() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return modulePath_;
}

void ProcessState::setModulePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    modulePath_ = path;
}

char* ProcessState::commandLineBuffer() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commandLine_.data();
}

void ProcessState::setCommandLine(const std::string& commandLine) {
    std::lock_guard<std::mutex> lock(mutex_);
    commandLine_ = commandLine;
}

std::string ProcessState::currentDirectory() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return currentDirectory_;
}

void ProcessState::setCurrentDirectory(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    currentDirectory_ = path;
}

ProcessState& CurrentProcess() {
    static ProcessState state;
    return state;
}

}  // namespace platform
