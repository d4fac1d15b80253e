#include "platform/machine/processes/process.h"

#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/sqlite_database.h"

#include "winerror.h"
#include "winnt.h"

namespace platform {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// What Windows' handle to a current folder does: traverse it (counted as reading), sharing reading and
// writing, not deletion.
constexpr FileUse kCurrentFolderUse{true, false, false, FILE_SHARE_READ | FILE_SHARE_WRITE};

// The hold on a folder as a current folder; none for a drive's root, nor on Windows 95, 98 and Me,
// which keep no handle to it. Null with `error` set when the folder cannot be held.
std::unique_ptr<FileShareRegistration> HoldFolder(Machine& machine, const std::string& path,
                                                  const std::filesystem::path& host, DWORD* error) {
    *error = 0;
    if (!machine.IsNT()) return nullptr;
    std::optional<WindowsPath> folder = ParseWindowsPath(path, "C:\\", nullptr);
    if (!folder || folder->IsRoot()) return nullptr;
    return RegisterFileUse(machine, host, kCurrentFolderUse, error);
}

}  // namespace

void ProcessState::InitializeFromEnvironment(const Machine& machine) {
    std::lock_guard<std::mutex> lock(mutex_);
    currentFolderHold_.reset();
    modulePath_ = Environment("WINMACHINE_MODULE");
    if (modulePath_.empty()) modulePath_ = machine.settings().windowsFolder + "\\program.exe";
    commandLine_ = Environment("WINMACHINE_COMMAND_LINE");
    if (commandLine_.empty()) commandLine_ = "\"" + modulePath_ + "\"";
    currentDirectory_ = Environment("WINMACHINE_CURRENT_DIRECTORY");
    if (currentDirectory_.empty()) currentDirectory_ = "C:\\";
}

void ProcessState::HoldCurrentFolder(Machine& machine) {
    std::string path = currentDirectory();
    // The parent checked the folder when it started the process; one gone since is simply not held.
    std::optional<WindowsPath> folder = ParseWindowsPath(path, "C:\\", nullptr);
    std::optional<HostPath> host = folder ? ResolveHostPath(machine, *folder) : std::nullopt;
    if (!host || !host->exists) return;
    DWORD error = 0;
    std::unique_ptr<FileShareRegistration> hold = HoldFolder(machine, path, host->host, &error);
    std::lock_guard<std::mutex> lock(mutex_);
    if (currentDirectory_ == path) currentFolderHold_ = std::move(hold);
}

void ProcessState::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    modulePath_.clear();
    commandLine_.clear();
    currentDirectory_ = "C:\\";
    currentFolderHold_.reset();
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

DWORD ProcessState::setCurrentDirectory(Machine& machine, const std::string& path,
                                        const std::filesystem::path& host) {
    // The new folder is held before the old one is let go, as Windows opens one and then closes the other.
    DWORD error = 0;
    std::unique_ptr<FileShareRegistration> hold = HoldFolder(machine, path, host, &error);
    if (error) return error;
    std::lock_guard<std::mutex> lock(mutex_);
    currentFolderHold_.swap(hold);
    currentDirectory_ = path;
    return 0;
}

ProcessState& CurrentProcess() {
    // Never destroyed: at exit the machine may be gone before it, and the machine's other processes
    // drop the rows of a process that has ended.
    static ProcessState* state = new ProcessState;
    return *state;
}

bool ProcessEnded(std::int64_t process) {
    if (::kill(static_cast<pid_t>(process), 0) != 0) return errno == ESRCH;
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

int CountRowsOfRunningProcesses(SqliteDatabase& database, SqliteStatement& select, const std::string& table) {
    int count = 0;
    std::vector<std::int64_t> ended;
    while (select.Step()) {
        if (ProcessEnded(select.Int(1))) {
            ended.push_back(select.Int(0));
        } else {
            ++count;
        }
    }
    for (std::int64_t record : ended) {
        SqliteStatement remove(database, "DELETE FROM " + table + " WHERE id = ?");
        remove.Bind(1, record);
        remove.Step();
    }
    return count;
}

std::optional<std::uint64_t> HostProcessStart(std::int64_t process) {
    std::ifstream stat("/proc/" + std::to_string(process) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    // After the name: state is field 3, the start time field 22.
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int number = 3; number <= 22 && fields >> field; ++number) {
        if (number == 22) return std::strtoull(field.c_str(), nullptr, 10);
    }
    return std::nullopt;
}

}  // namespace platform
