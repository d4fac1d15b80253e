// CreateProcessA and the handles of the processes it starts.
//
// A program inside the machine is a program stub naming a host program, found as FindBuiltFile says
// (program_files.h). It runs as a host process with the machine, the stub's Windows path, the Windows command
// line and the current folder in its environment, and its arguments split as Windows' C runtime
// splits the command line.
//
// A host process reports only eight bits of its exit status; Windows' exit codes have 32 (995, 3010).
// So each started program also gets the write end of a pipe, named by WINMACHINE_EXIT_PIPE, on which
// ExitProcess writes its whole code; the parent reads it when the process has ended, and falls back to
// the host status for a program that ended otherwise.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel32/file_system.h"
#include "platform/kernel32/process_handles.h"
#include "platform/kernel32/program_files.h"
#include "platform/kernel32/synch_objects.h"
#include "platform/machine/kernel/virtual_time.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/processes/process_table.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/machine/text.h"
#include "windows.h"

extern char** environ;

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr char kExitPipeVariable[] = "WINMACHINE_EXIT_PIPE";

// One started process, shared by its process handle, its thread handle and the thread that waits for
// its end. The end is kept under the namespace lock, so that waits see it with their other objects.
struct ChildProcess {
    explicit ChildProcess(std::shared_ptr<KernelNamespace> space) : space(std::move(space)) {}
    std::shared_ptr<KernelNamespace> space;
    pid_t pid = -1;
    DWORD machineId = 0;  // its id in the machine's process table
    bool finished = false;
    DWORD exitCode = 0;
    // The read end of the pipe on which the program writes its exit code, -1 when there is none.
    int exitPipe = -1;
    // The code TerminateProcess asked for, reported instead of the signal that ended the process.
    std::optional<DWORD> terminatedWith;
    // The process's entry in the machine's schedule of virtual time, until it has ended.
    std::optional<std::uint32_t> virtualTimeSlot;
};

// A process handle and the handle of its first thread both become signalled when the process ends.
class ProcessObject final : public WaitableObject, public ProcessReference {
  public:
    explicit ProcessObject(std::shared_ptr<ChildProcess> child)
        : WaitableObject(child->space), child_(std::move(child)) {}
    bool TryAcquire(const KernelNamespace::Lock&, WaitEntry&, std::uint32_t) override { return child_->finished; }
    ChildProcess& child() { return *child_; }
    DWORD ProcessId() const override { return child_->machineId; }
    DWORD Access() const override { return PROCESS_ALL_ACCESS; }

  private:
    std::shared_ptr<ChildProcess> child_;
};

class ProcessThreadObject final : public WaitableObject {
  public:
    explicit ProcessThreadObject(std::shared_ptr<ChildProcess> child)
        : WaitableObject(child->space), child_(std::move(child)) {}
    bool TryAcquire(const KernelNamespace::Lock&, WaitEntry&, std::uint32_t) override { return child_->finished; }

  private:
    std::shared_ptr<ChildProcess> child_;
};

// Reaps the process when it ends and wakes those waiting for it.
void WatchChild(std::shared_ptr<ChildProcess> child) {
    int status = 0;
    while (::waitpid(child->pid, &status, 0) < 0 && errno == EINTR) {
    }
    std::optional<DWORD> reported;
    if (child->exitPipe >= 0) {
        DWORD code = 0;
        if (::read(child->exitPipe, &code, sizeof code) == static_cast<ssize_t>(sizeof code)) reported = code;
        ::close(child->exitPipe);
        child->exitPipe = -1;
    }
    {
        KernelNamespace::Lock lock(*child->space);
        child->finished = true;
        if (child->virtualTimeSlot)
            RemoveVirtualTimeParticipant(lock, *child->space, *child->virtualTimeSlot, child->pid);
        if (child->terminatedWith)
            child->exitCode = *child->terminatedWith;
        else if (reported)
            child->exitCode = *reported;
        else if (WIFEXITED(status))
            child->exitCode = static_cast<DWORD>(WEXITSTATUS(status));
        else
            child->exitCode = static_cast<DWORD>(-1);
    }
    child->space->Notify();
}

bool IsBlank(char character) {
    return character == ' ' || character == '\t';
}

// The arguments of a command line after the program's name, as the C runtime splits them: blanks
// separate, quotes group, 2n backslashes before a quote give n backslashes, 2n+1 give a quote.
std::vector<std::string> SplitArguments(std::string_view text) {
    std::vector<std::string> words;
    size_t at = 0;
    for (;;) {
        while (at < text.size() && IsBlank(text[at])) ++at;
        if (at >= text.size()) return words;
        std::string word;
        bool quoted = false;
        while (at < text.size() && (quoted || !IsBlank(text[at]))) {
            size_t slashes = 0;
            while (at < text.size() && text[at] == '\\') ++slashes, ++at;
            if (at < text.size() && text[at] == '"') {
                word.append(slashes / 2, '\\');
                if (slashes % 2) {
                    word += '"';
                } else if (quoted && at + 1 < text.size() && text[at + 1] == '"') {
                    word += '"';
                    ++at;
                } else {
                    quoted = !quoted;
                }
                ++at;
                continue;
            }
            word.append(slashes, '\\');
            if (at < text.size() && (quoted || !IsBlank(text[at]))) word += text[at++];
        }
        words.push_back(std::move(word));
    }
}

bool HasExtension(std::string_view name) {
    size_t slash = name.find_last_of("\\/:");
    size_t dot = name.rfind('.');
    return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
}

bool HasFolder(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

// A program name as CreateProcessA looks for it: a name with a folder where it says, a bare name in
// the application's folder, the current folder, the system folder, the Windows folder and PATH.
std::optional<HostPath> FindProgram(std::string name, bool addExtension, const std::string& currentDirectory,
                                    DWORD& error) {
    if (addExtension && !HasExtension(name)) name += ".exe";
    if (HasFolder(name)) return FileAt(name, currentDirectory, error);
    const MachineSettings& settings = Machine::Current().settings();
    std::vector<std::string> folders = {FolderOf(CurrentProcess().modulePath()), currentDirectory,
                                        settings.systemFolder, settings.windowsFolder};
    for (std::string& folder : PathFolders()) folders.push_back(std::move(folder));
    error = ERROR_FILE_NOT_FOUND;
    return FindInFolders(folders, name, currentDirectory);
}

struct ProgramOnCommandLine {
    HostPath file;
    std::string arguments;  // what follows the program's name
};

// The program a command line starts: a quoted name, or the shortest run of blank-separated words that
// names a program ("C:\Program Files\a b.exe" tries C:\Program.exe, C:\Program Files\a.exe, then the
// whole name).
std::optional<ProgramOnCommandLine> ProgramOf(std::string_view commandLine, const std::string& currentDirectory,
                                              DWORD& error) {
    size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
    if (start < commandLine.size() && commandLine[start] == '"') {
        size_t close = commandLine.find('"', start + 1);
        size_t end = close == std::string_view::npos ? commandLine.size() : close;
        std::string name(commandLine.substr(start + 1, end - start - 1));
        std::optional<HostPath> file = FindProgram(name, true, currentDirectory, error);
        if (!file) return std::nullopt;
        size_t rest = close == std::string_view::npos ? commandLine.size() : close + 1;
        return ProgramOnCommandLine{*file, std::string(commandLine.substr(rest))};
    }
    error = ERROR_FILE_NOT_FOUND;
    size_t end = start;
    while (end < commandLine.size()) {
        while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
        std::string name(commandLine.substr(start, end - start));
        if (std::optional<HostPath> file = FindProgram(name, true, currentDirectory, error))
            return ProgramOnCommandLine{*file, std::string(commandLine.substr(end))};
        while (end < commandLine.size() && IsBlank(commandLine[end])) ++end;
    }
    if (start == commandLine.size()) error = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
}

// Starts the host program; the process id, or -1.
pid_t Spawn(const fs::path& program, const std::vector<std::string>& arguments,
            const std::vector<std::string>& variables) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        std::string_view text = *entry;
        bool replaced = false;
        for (const std::string& variable : variables)
            replaced = replaced || text.substr(0, variable.find('=') + 1) == variable.substr(0, variable.find('=') + 1);
        if (!replaced) environment.emplace_back(text);
    }
    environment.insert(environment.end(), variables.begin(), variables.end());
    std::vector<std::string> words = arguments;
    words.insert(words.begin(), program.string());
    std::vector<char*> argv, envp;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

}  // namespace

}  // namespace platform

extern "C" BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID, LPCSTR lpCurrentDirectory,
                                      LPSTARTUPINFOA lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
    using namespace platform;
    if ((!lpApplicationName && !lpCommandLine) || !lpStartupInfo || !lpProcessInformation) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Machine& machine = Machine::Current();
    std::string currentDirectory = CurrentProcess().currentDirectory();
    if (lpCurrentDirectory) {
        DWORD error = 0;
        std::optional<WindowsPath> folder = ParseWindowsPath(lpCurrentDirectory, currentDirectory, &error);
        std::optional<HostPath> host = folder ? ResolveHostPath(machine, *folder, &error) : std::nullopt;
        if (!host || !host->exists || !host->isDirectory) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
        currentDirectory = host->longPath.ToString();
    }
    DWORD error = 0;
    std::optional<HostPath> file;
    std::string commandLine;
    std::string arguments;
    if (lpApplicationName) {
        // The application's name is taken as given: no search and no extension added.
        file = FileAt(lpApplicationName, CurrentProcess().currentDirectory(), error);
        commandLine = lpCommandLine ? lpCommandLine : lpApplicationName;
        if (file && lpCommandLine) {
            // The first word of the command line is the program's own name, as the program sees it.
            size_t at = 0;
            while (at < commandLine.size() && IsBlank(commandLine[at])) ++at;
            if (at < commandLine.size() && commandLine[at] == '"') {
                size_t close = commandLine.find('"', at + 1);
                at = close == std::string::npos ? commandLine.size() : close + 1;
            } else {
                while (at < commandLine.size() && !IsBlank(commandLine[at])) ++at;
            }
            arguments = commandLine.substr(at);
        }
    } else {
        commandLine = lpCommandLine;
        if (std::optional<ProgramOnCommandLine> found = ProgramOf(commandLine, currentDirectory, error)) {
            file = found->file;
            arguments = found->arguments;
        }
    }
    if (!file) {
        SetLastError(error ? error : ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    std::optional<std::string> contents = ReadWholeFile(file->host);
    std::optional<ProgramStub> stub = contents ? ParseProgramStub(*contents) : std::nullopt;
    if (!stub) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return FALSE;
    }
    std::optional<fs::path> program = FindBuiltFile(stub->program, BuiltFileKind::Program);
    if (!program) {
        std::fprintf(stderr, "CreateProcessA: no built program \"%s\" for %s\n", stub->program.c_str(),
                     file->longPath.ToString().c_str());
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    auto child = std::make_shared<ChildProcess>(KernelNamespace::Current());
    // Both ends stay out of other programs; the program gets a duplicate of the write end.
    int exitPipe[2] = {-1, -1};
    int programEnd = -1;
    if (::pipe2(exitPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        child->exitPipe = exitPipe[0];
        programEnd = ::dup(exitPipe[1]);
        ::close(exitPipe[1]);
    }
    // The program counts as running on the machine's virtual time from before it starts.
    {
        KernelNamespace::Lock lock(*child->space);
        child->virtualTimeSlot = AddVirtualTimeParticipant(lock, *child->space);
    }
    std::string virtualTimeSlot = child->virtualTimeSlot ? std::to_string(*child->virtualTimeSlot) : "";
    // The program's id in the machine, which it learns from its environment.
    child->machineId = NewMachineId(machine);
    child->pid = Spawn(*program, SplitArguments(arguments),
                       {"WINMACHINE=" + machine.folder().string(), "WINMACHINE_MODULE=" + file->longPath.ToString(),
                        "WINMACHINE_COMMAND_LINE=" + commandLine, "WINMACHINE_CURRENT_DIRECTORY=" + currentDirectory,
                        std::string(kExitPipeVariable) + "=" + std::to_string(programEnd),
                        std::string(kProcessIdVariable) + "=" + std::to_string(child->machineId),
                        std::string(kVirtualTimeSlotVariable) + "=" + virtualTimeSlot});
    if (programEnd >= 0) ::close(programEnd);
    if (child->virtualTimeSlot) {
        KernelNamespace::Lock lock(*child->space);
        if (child->pid < 0)
            RemoveVirtualTimeParticipant(lock, *child->space, *child->virtualTimeSlot, 0);
        else
            SetVirtualTimeParticipantProcess(lock, *child->space, *child->virtualTimeSlot, child->pid);
    }
    if (child->pid < 0) {
        if (child->exitPipe >= 0) ::close(child->exitPipe);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    RecordStartedProcess(machine, child->machineId, CurrentProcessId(machine), child->pid, file->longPath.ToString(),
                         commandLine);
    std::thread(WatchChild, child).detach();
    lpProcessInformation->hProcess = ProcessHandles().Insert(std::make_shared<ProcessObject>(child));
    lpProcessInformation->hThread = ProcessHandles().Insert(std::make_shared<ProcessThreadObject>(child));
    lpProcessInformation->dwProcessId = child->machineId;
    lpProcessInformation->dwThreadId = static_cast<DWORD>(child->pid);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

extern "C" void WINAPI ExitProcess(UINT uExitCode) {
    std::fflush(nullptr);
    // Only a pipe is written to: a number that no longer names the parent's pipe is left alone. A parent
    // that has ended (a program that handed over to another and left) reads nothing: the write fails
    // quietly instead of raising SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    if (const char* variable = std::getenv(platform::kExitPipeVariable)) {
        int descriptor = std::atoi(variable);
        struct stat status {};
        if (descriptor > 2 && ::fstat(descriptor, &status) == 0 && S_ISFIFO(status.st_mode)) {
            DWORD code = uExitCode;
            [[maybe_unused]] ssize_t written = ::write(descriptor, &code, sizeof code);
        }
    }
    std::exit(static_cast<int>(uExitCode));
}

extern "C" BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
    if (std::optional<BOOL> opened = platform::ExitCodeOfOpenedProcess(hProcess, lpExitCode)) return *opened;
    auto process = platform::ProcessHandles().Lookup<platform::ProcessObject>(hProcess);
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpExitCode) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    platform::KernelNamespace::Lock lock(process->space());
    *lpExitCode = process->child().finished ? process->child().exitCode : STILL_ACTIVE;
    return TRUE;
}

extern "C" BOOL WINAPI TerminateProcess(HANDLE hProcess, UINT uExitCode) {
    if (std::optional<BOOL> opened = platform::TerminateOpenedProcess(hProcess, uExitCode)) return *opened;
    auto process = platform::ProcessHandles().Lookup<platform::ProcessObject>(hProcess);
    if (!process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    platform::KernelNamespace::Lock lock(process->space());
    if (process->child().finished) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    process->child().terminatedWith = uExitCode;
    ::kill(process->child().pid, SIGKILL);
    return TRUE;
}
