// What one process of the machine knows about itself: its module path, command line and current folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/machine/files/file_sharing.h"

namespace platform {

class Machine;
class SqliteDatabase;
class SqliteStatement;

class ProcessState {
public:
    // Reads WINMACHINE_MODULE, WINMACHINE_COMMAND_LINE and WINMACHINE_CURRENT_DIRECTORY; a process started
    // without them (a test, a tool) is a program in the Windows folder started from C:\.
    void InitializeFromEnvironment(const Machine& machine);
    // Holds the current folder the environment named, as setCurrentDirectory does; once the machine is
    // attached, since the sharing checks consult it.
    void HoldCurrentFolder(Machine& machine);
    // Forgets all of it and lets go of the current folder; before the machine object goes.
    void Clear();

    std::string modulePath() const;
    void setModulePath(const std::string& path);
    // The command line GetCommandLineA hands out; the buffer stays valid until the next change.
    char* commandLineBuffer();
    void setCommandLine(const std::string& commandLine);
    std::string currentDirectory() const;
    // Moves to the folder (its full Windows path and host path). Windows NT holds a process's current
    // folder open, letting others read and write in it but not delete or rename it; the hold is
    // registered with the machine's open files, so the machine's other processes see it too. A
    // drive's root, which nothing removes or renames, is not registered. 0, or the error of a folder
    // that cannot be held (ERROR_SHARING_VIOLATION), leaving the current folder as it was.
    DWORD setCurrentDirectory(Machine& machine, const std::string& path, const std::filesystem::path& host);

private:
    mutable std::mutex mutex_;
    std::string modulePath_;
    std::string commandLine_;
    std::string currentDirectory_ = "C:\\";
    std::unique_ptr<FileShareRegistration> currentFolderHold_;
};

ProcessState& CurrentProcess();

// Whether the host process has ended (or has ended and waits to be reaped): what a machine-wide record
// of a process's holds checks before it counts them.
bool ProcessEnded(std::int64_t process);
// Counts the rows `select` steps through (column 0: the row's id, column 1: the host process holding it)
// whose process still runs, and deletes from `table` the rows of processes that have ended: Windows
// closes a process's handles when it ends.
int CountRowsOfRunningProcesses(SqliteDatabase& database, SqliteStatement& select, const std::string& table);
// When the host process started (clock ticks since the host's boot), which tells it apart from a later
// process that the host gave the same id; nullopt for a process that is gone.
std::optional<std::uint64_t> HostProcessStart(std::int64_t process);

}  // namespace platform
