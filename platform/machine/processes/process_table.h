// The machine's processes, the windows of its declared processes and the top-level windows its programs
// made, in state.db.
//
// Every process of the machine has a row: a program CreateProcessA started (its host process), a process
// that attached to the machine and asked for its id (a test, a tool), and the declared processes of other
// software that tests and `winmachine declare` put into the machine. A declared process has no host
// process: it is its path, command line, modules, main thread and windows, and a script of how it reacts
// when it is asked to close, to quit, or is opened or terminated.
//
// Ids are Windows process and thread ids (multiples of 4) and window handles, handed out from one
// counter that starts above every host process id (Linux's pid_max is at most 2^22), so an id of the
// machine never names a host process, and a host process id names nothing in the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace platform {

class Machine;
class SqliteDatabase;

inline constexpr DWORD kFirstMachineId = 0x00800000;

// How a declared process answers a request: it ends at once, after that long on the machine's clock,
// or never.
struct ProcessReaction {
    bool ends = true;
    std::int64_t afterMilliseconds = 0;

    static ProcessReaction AtOnce() { return {true, 0}; }
    static ProcessReaction After(std::int64_t milliseconds) { return {true, milliseconds}; }
    static ProcessReaction Never() { return {false, 0}; }
};
// "now", "never" or "<n>ms" / "<n>s" for the tools; nullopt for anything else.
std::optional<ProcessReaction> ParseProcessReaction(std::string_view text);
std::string ProcessReactionText(const ProcessReaction& reaction);

struct DeclaredWindow {
    std::string title;
    std::string className;
    std::string moduleFile;  // what GetWindowModuleFileNameA answers; the process's path when empty
    std::vector<DeclaredWindow> children;
};

struct DeclaredProcess {
    std::string path;         // the Windows path of its program file
    std::string commandLine;  // the quoted path when empty
    std::vector<std::string> modules;  // further modules (libraries) after the program itself
    std::vector<DeclaredWindow> windows;
    ProcessReaction onClose = ProcessReaction::AtOnce();  // WM_CLOSE posted to one of its windows
    ProcessReaction onQuit = ProcessReaction::AtOnce();   // WM_QUIT posted to a window or its main thread
    ProcessReaction onTerminate = ProcessReaction::AtOnce();
    bool openDenied = false;       // OpenProcess fails with ERROR_ACCESS_DENIED
    bool terminateDenied = false;  // TerminateProcess fails with ERROR_ACCESS_DENIED
};

struct DeclaredIds {
    DWORD processId = 0;
    DWORD threadId = 0;
    std::vector<HWND> windows;  // in the order declared, each window before its children
};

// Puts a running declared process into the machine. Its program file and modules that exist in the
// machine are held in use (readable, not deletable) until it ends.
DeclaredIds DeclareProcess(Machine& machine, const DeclaredProcess& process);

struct ProcessRecord {
    DWORD id = 0;
    DWORD parentId = 0;
    DWORD threadId = 0;
    bool declared = false;
    std::string path;
    std::string commandLine;
    std::vector<std::string> modules;  // the program first
    bool openDenied = false;
    bool terminateDenied = false;
};

// The running processes in the order they came; the current process among them once it has an id
// (CurrentProcessId).
std::vector<ProcessRecord> RunningProcesses(Machine& machine);
// A running process, or nullopt for an id that names none (ended, never there, or a host id).
std::optional<ProcessRecord> FindRunningProcess(Machine& machine, DWORD id);
// Whether the process is running; for callers that hold state.db already.
bool ProcessRunning(SqliteDatabase& database, DWORD id);
// The exit code of a process that has ended, nullopt while it runs or for an unknown id.
std::optional<DWORD> ProcessExitCode(Machine& machine, DWORD id);

// The id of this process in the machine, given when the process was started in it, else handed out on
// first use.
DWORD CurrentProcessId(Machine& machine);
// Records a host process CreateProcessA started: it has the id `id` (from NewMachineId) and runs while
// its host process does.
void RecordStartedProcess(Machine& machine, DWORD id, DWORD parentId, std::int64_t hostProcess,
                          const std::string& path, const std::string& commandLine);
DWORD NewMachineId(Machine& machine);
// `count` consecutive ids (4 apart); the first of them.
DWORD NewMachineIds(Machine& machine, DWORD count);
// The environment variable that gives a started program its id.
inline constexpr char kProcessIdVariable[] = "WINMACHINE_PROCESS_ID";

// Ends a process as TerminateProcess does; its reaction decides whether and when a declared process
// ends. 0, ERROR_ACCESS_DENIED (refused, or the process has ended) or ERROR_INVALID_PARAMETER.
DWORD TerminateMachineProcess(Machine& machine, DWORD id, DWORD exitCode);

struct WindowRecord {
    HWND handle = nullptr;
    HWND parent = nullptr;
    DWORD processId = 0;
    DWORD threadId = 0;
    std::string title;
    std::string className;
    std::string moduleFile;
    bool declared = false;  // a declared process's window, else a window a program of the machine made
};
// The windows of running declared processes: the top-level ones (parent null), or the children of one.
std::vector<WindowRecord> DeclaredWindows(Machine& machine, HWND parent);
std::optional<WindowRecord> FindDeclaredWindow(Machine& machine, HWND handle);

// The top-level windows the machine's programs made, each published by its own process while it lives,
// under a handle from the machine's ids (so unique across its processes).
void PublishProgramWindow(Machine& machine, const WindowRecord& window);
void SetProgramWindowTitle(Machine& machine, HWND handle, const std::string& title);
void WithdrawProgramWindow(Machine& machine, HWND handle);
// The windows of every running process of the machine, declared or not, in the order they were made:
// the top-level ones (parent null), or the children of a declared window.
std::vector<WindowRecord> MachineWindows(Machine& machine, HWND parent);
std::optional<WindowRecord> FindMachineWindow(Machine& machine, HWND handle);
// A window handle is one of the machine's when it lies in the machine's range.
bool IsMachineHandle(HWND handle);

// A message posted to a declared window (or, with a null window, to its process's main thread): WM_CLOSE
// and WM_QUIT start the process's reaction, others are taken and ignored. False when the window or
// thread names nothing running.
bool PostToDeclared(Machine& machine, HWND window, DWORD threadId, UINT message);

// What the declared processes were asked, in order: "WM_CLOSE <window title>", "WM_QUIT <window title>",
// "WM_QUIT thread", "OpenProcess", "TerminateProcess".
std::vector<std::string> DeclaredProcessRequests(Machine& machine, DWORD processId);
void RecordDeclaredRequest(Machine& machine, DWORD processId, const std::string& request);

}  // namespace platform
