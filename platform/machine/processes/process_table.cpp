#include "platform/machine/processes/process_table.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <sstream>

#include "platform/machine/files/file_sharing.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/kernel/clock.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/sqlite_database.h"
#include "platform/machine/text.h"

#include "winerror.h"

namespace platform {

namespace {

// A reaction in one column: -1 for never, else the milliseconds it takes.
constexpr std::int64_t kNever = -1;

std::int64_t ReactionColumn(const ProcessReaction& reaction) {
    return reaction.ends ? std::max<std::int64_t>(0, reaction.afterMilliseconds) : kNever;
}

void CreateProcessTables(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS machine_ids(next INTEGER NOT NULL);"
        "CREATE TABLE IF NOT EXISTS processes(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
        " thread INTEGER NOT NULL, host_pid INTEGER NOT NULL, host_start INTEGER NOT NULL, path TEXT NOT NULL,"
        " command_line TEXT NOT NULL, modules TEXT NOT NULL, on_close INTEGER NOT NULL, on_quit INTEGER NOT NULL,"
        " on_terminate INTEGER NOT NULL, open_denied INTEGER NOT NULL, terminate_denied INTEGER NOT NULL,"
        " ends_at INTEGER, exit_code INTEGER NOT NULL DEFAULT 0);"
        "CREATE TABLE IF NOT EXISTS machine_windows(handle INTEGER PRIMARY KEY, process INTEGER NOT NULL,"
        " parent INTEGER NOT NULL, title TEXT NOT NULL, class TEXT NOT NULL, module TEXT NOT NULL);"
        "CREATE TABLE IF NOT EXISTS program_windows(handle INTEGER PRIMARY KEY, process INTEGER NOT NULL,"
        " thread INTEGER NOT NULL, title TEXT NOT NULL, class TEXT NOT NULL, module TEXT NOT NULL);"
        "CREATE TABLE IF NOT EXISTS process_requests(id INTEGER PRIMARY KEY, process INTEGER NOT NULL,"
        " request TEXT NOT NULL);");
}

// Takes `count` consecutive ids (4 apart) from the machine's counter.
DWORD TakeIds(SqliteDatabase& database, DWORD count) {
    SqliteTransaction transaction(database);
    std::int64_t next = kFirstMachineId;
    {
        SqliteStatement select(database, "SELECT next FROM machine_ids");
        if (select.Step()) {
            next = select.Int(0);
        } else {
            database.Execute("INSERT INTO machine_ids(next) VALUES(" + std::to_string(kFirstMachineId) + ")");
        }
    }
    SqliteStatement update(database, "UPDATE machine_ids SET next = ?");
    update.Bind(1, next + 4 * static_cast<std::int64_t>(count)).Step();
    transaction.Commit();
    return static_cast<DWORD>(next);
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) joined += line + "\n";
    return joined;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// A host process runs while it lives and is the one recorded: a process id the host gave again to
// another program is not the machine's.
bool HostProcessRuns(std::int64_t pid, std::int64_t start) {
    if (pid <= 0 || ProcessEnded(pid)) return false;
    std::optional<std::uint64_t> now = HostProcessStart(pid);
    return now && static_cast<std::int64_t>(*now) == start;
}

constexpr char kProcessColumns[] =
    "SELECT id, parent, thread, host_pid, host_start, path, command_line, modules, open_denied,"
    " terminate_denied, ends_at FROM processes";

bool RowRuns(const SqliteStatement& row, std::int64_t now) {
    if (!row.IsNull(10) && row.Int(10) <= now) return false;
    return row.Int(3) == 0 || HostProcessRuns(row.Int(3), row.Int(4));
}

ProcessRecord RecordOf(const SqliteStatement& row) {
    ProcessRecord record;
    record.id = static_cast<DWORD>(row.Int(0));
    record.parentId = static_cast<DWORD>(row.Int(1));
    record.threadId = static_cast<DWORD>(row.Int(2));
    record.declared = row.Int(3) == 0;
    record.path = row.Text(5);
    record.commandLine = row.Text(6);
    record.modules = SplitLines(row.Text(7));
    record.openDenied = row.Int(8) != 0;
    record.terminateDenied = row.Int(9) != 0;
    // The current process reports where it says it is now (a test may move it).
    if (row.Int(3) == ::getpid()) {
        record.path = CurrentProcess().modulePath();
        record.modules = {record.path};
    }
    return record;
}

// Starts a reaction: the process ends when it runs its course, unless it was to end earlier already.
void StartEnding(SqliteDatabase& database, DWORD id, std::int64_t after, DWORD exitCode) {
    if (after == kNever) return;
    SqliteStatement update(database,
                           "UPDATE processes SET ends_at = ?, exit_code = ? WHERE id = ?"
                           " AND (ends_at IS NULL OR ends_at > ?)");
    std::int64_t at = ClockNow() + after;
    update.Bind(1, at).Bind(2, exitCode).Bind(3, id).Bind(4, at).Step();
}

void InsertWindows(SqliteDatabase& database, DWORD process, HWND parent, const std::vector<DeclaredWindow>& windows,
                   DWORD& nextHandle, std::vector<HWND>& handles) {
    for (const DeclaredWindow& window : windows) {
        HWND handle = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(nextHandle));
        nextHandle += 4;
        handles.push_back(handle);
        SqliteStatement insert(database,
                               "INSERT INTO machine_windows(handle, process, parent, title, class, module)"
                               " VALUES(?,?,?,?,?,?)");
        insert.Bind(1, static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(handle)))
            .Bind(2, process)
            .Bind(3, static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(parent)))
            .Bind(4, window.title)
            .Bind(5, window.className)
            .Bind(6, window.moduleFile)
            .Step();
        InsertWindows(database, process, handle, window.children, nextHandle, handles);
    }
}

std::size_t CountWindows(const std::vector<DeclaredWindow>& windows) {
    std::size_t count = windows.size();
    for (const DeclaredWindow& window : windows) count += CountWindows(window.children);
    return count;
}

std::int64_t HandleValue(HWND handle) {
    return static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(handle));
}

HWND HandleOf(std::int64_t value) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value));
}

}  // namespace

std::optional<ProcessReaction> ParseProcessReaction(std::string_view text) {
    std::string lower = LowerCopy(text);
    if (lower == "now") return ProcessReaction::AtOnce();
    if (lower == "never") return ProcessReaction::Never();
    std::int64_t scale = 0;
    std::string number;
    if (lower.size() > 2 && lower.ends_with("ms")) {
        scale = 1;
        number = lower.substr(0, lower.size() - 2);
    } else if (lower.size() > 1 && lower.ends_with("s")) {
        scale = 1000;
        number = lower.substr(0, lower.size() - 1);
    }
    if (!scale || number.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return ProcessReaction::After(std::strtoll(number.c_str(), nullptr, 10) * scale);
}

std::string ProcessReactionText(const ProcessReaction& reaction) {
    if (!reaction.ends) return "never";
    if (reaction.afterMilliseconds <= 0) return "now";
    return std::to_string(reaction.afterMilliseconds) + "ms";
}

DWORD NewMachineId(Machine& machine) {
    return NewMachineIds(machine, 1);
}

DWORD NewMachineIds(Machine& machine, DWORD count) {
    DWORD id = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        id = TakeIds(database, count);
    });
    return id;
}

DeclaredIds DeclareProcess(Machine& machine, const DeclaredProcess& process) {
    DeclaredIds ids;
    std::vector<std::string> modules = {process.path};
    modules.insert(modules.end(), process.modules.begin(), process.modules.end());
    std::string commandLine = process.commandLine.empty() ? "\"" + process.path + "\"" : process.commandLine;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        DWORD first = TakeIds(database, static_cast<DWORD>(2 + CountWindows(process.windows)));
        ids.processId = first;
        ids.threadId = first + 4;
        SqliteStatement insert(database,
                               "INSERT INTO processes(id, parent, thread, host_pid, host_start, path, command_line,"
                               " modules, on_close, on_quit, on_terminate, open_denied, terminate_denied)"
                               " VALUES(?,0,?,0,0,?,?,?,?,?,?,?,?)");
        insert.Bind(1, ids.processId)
            .Bind(2, ids.threadId)
            .Bind(3, process.path)
            .Bind(4, commandLine)
            .Bind(5, JoinLines(modules))
            .Bind(6, ReactionColumn(process.onClose))
            .Bind(7, ReactionColumn(process.onQuit))
            .Bind(8, ReactionColumn(process.onTerminate))
            .Bind(9, process.openDenied ? 1 : 0)
            .Bind(10, process.terminateDenied ? 1 : 0)
            .Step();
        DWORD nextHandle = first + 8;
        InsertWindows(database, ids.processId, nullptr, process.windows, nextHandle, ids.windows);
    });
    // A running program holds its own files, as Windows maps them.
    for (const std::string& module : modules) {
        std::optional<WindowsPath> path = ParseWindowsPath(module, "C:\\", nullptr);
        std::optional<HostPath> host = path ? ResolveHostPath(machine, *path) : std::nullopt;
        if (host && host->exists && !host->isDirectory) MarkFileInUseByProcess(machine, host->host, ids.processId);
    }
    return ids;
}

bool ProcessRunning(SqliteDatabase& database, DWORD id) {
    CreateProcessTables(database);
    SqliteStatement select(database, std::string(kProcessColumns) + " WHERE id = ?");
    select.Bind(1, id);
    return select.Step() && RowRuns(select, ClockNow());
}

std::vector<ProcessRecord> RunningProcesses(Machine& machine) {
    std::vector<ProcessRecord> records;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        std::int64_t now = ClockNow();
        std::vector<std::int64_t> gone;
        SqliteStatement select(database, std::string(kProcessColumns) + " ORDER BY id");
        while (select.Step()) {
            if (RowRuns(select, now)) {
                records.push_back(RecordOf(select));
            } else if (select.Int(3) != 0 && select.IsNull(10)) {
                // A host process that ended on its own: nobody asks for its exit code through the table.
                gone.push_back(select.Int(0));
            }
        }
        for (std::int64_t id : gone) {
            SqliteStatement remove(database, "DELETE FROM processes WHERE id = ?");
            remove.Bind(1, id).Step();
            SqliteStatement windows(database, "DELETE FROM program_windows WHERE process = ?");
            windows.Bind(1, id).Step();
        }
    });
    return records;
}

std::optional<ProcessRecord> FindRunningProcess(Machine& machine, DWORD id) {
    if (id < kFirstMachineId) return std::nullopt;
    std::optional<ProcessRecord> record;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement select(database, std::string(kProcessColumns) + " WHERE id = ?");
        select.Bind(1, id);
        if (select.Step() && RowRuns(select, ClockNow())) record = RecordOf(select);
    });
    return record;
}

std::optional<DWORD> ProcessExitCode(Machine& machine, DWORD id) {
    std::optional<DWORD> code;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement select(database, std::string(kProcessColumns) + " WHERE id = ?");
        select.Bind(1, id);
        if (!select.Step() || RowRuns(select, ClockNow())) return;
        SqliteStatement exit(database, "SELECT exit_code FROM processes WHERE id = ?");
        exit.Bind(1, id);
        code = exit.Step() ? static_cast<DWORD>(exit.Int(0)) : 0;
    });
    return code;
}

DWORD CurrentProcessId(Machine& machine) {
    static std::mutex mutex;
    static std::string* folder = new std::string;
    static DWORD id = 0;
    std::lock_guard<std::mutex> lock(mutex);
    if (id && *folder == machine.folder().string()) return id;
    const char* given = std::getenv(kProcessIdVariable);
    const char* machineVariable = std::getenv("WINMACHINE");
    if (given && machineVariable && std::filesystem::absolute(machineVariable) == machine.folder()) {
        id = static_cast<DWORD>(std::strtoul(given, nullptr, 10));
    } else {
        std::int64_t pid = ::getpid();
        std::optional<std::uint64_t> start = HostProcessStart(pid);
        std::string path = CurrentProcess().modulePath();
        std::string commandLine = CurrentProcess().commandLineBuffer();
        machine.WithState([&](SqliteDatabase& database) {
            CreateProcessTables(database);
            id = TakeIds(database, 1);
            SqliteStatement insert(database,
                                   "INSERT INTO processes(id, parent, thread, host_pid, host_start, path,"
                                   " command_line, modules, on_close, on_quit, on_terminate, open_denied,"
                                   " terminate_denied) VALUES(?,0,0,?,?,?,?,?,0,0,0,0,0)");
            insert.Bind(1, id)
                .Bind(2, pid)
                .Bind(3, static_cast<std::int64_t>(start.value_or(0)))
                .Bind(4, path)
                .Bind(5, commandLine)
                .Bind(6, path + "\n")
                .Step();
        });
    }
    *folder = machine.folder().string();
    return id;
}

void RecordStartedProcess(Machine& machine, DWORD id, DWORD parentId, std::int64_t hostProcess,
                          const std::string& path, const std::string& commandLine) {
    std::optional<std::uint64_t> start = HostProcessStart(hostProcess);
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement insert(database,
                               "INSERT INTO processes(id, parent, thread, host_pid, host_start, path, command_line,"
                               " modules, on_close, on_quit, on_terminate, open_denied, terminate_denied)"
                               " VALUES(?,?,0,?,?,?,?,?,0,0,0,0,0)");
        insert.Bind(1, id)
            .Bind(2, parentId)
            .Bind(3, hostProcess)
            .Bind(4, static_cast<std::int64_t>(start.value_or(0)))
            .Bind(5, path)
            .Bind(6, commandLine)
            .Bind(7, path + "\n")
            .Step();
    });
}

DWORD TerminateMachineProcess(Machine& machine, DWORD id, DWORD exitCode) {
    DWORD error = 0;
    std::int64_t hostProcess = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement row(database,
                            "SELECT id, parent, thread, host_pid, host_start, path, command_line, modules,"
                            " open_denied, terminate_denied, ends_at, on_terminate FROM processes WHERE id = ?");
        row.Bind(1, id);
        if (!row.Step()) {
            error = ERROR_INVALID_PARAMETER;
            return;
        }
        // Windows refuses to terminate a process that has ended already.
        if (!RowRuns(row, ClockNow())) {
            error = ERROR_ACCESS_DENIED;
            return;
        }
        hostProcess = row.Int(3);
        if (!hostProcess) {
            SqliteStatement insert(database, "INSERT INTO process_requests(process, request) VALUES(?, ?)");
            insert.Bind(1, id).Bind(2, "TerminateProcess").Step();
        }
        if (row.Int(9) != 0) {
            error = ERROR_ACCESS_DENIED;
            return;
        }
        std::int64_t after = hostProcess ? 0 : row.Int(11);
        StartEnding(database, id, after, exitCode);
    });
    if (!error && hostProcess) ::kill(static_cast<pid_t>(hostProcess), SIGKILL);
    return error;
}

std::vector<WindowRecord> DeclaredWindows(Machine& machine, HWND parent) {
    std::vector<WindowRecord> windows;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        std::int64_t now = ClockNow();
        SqliteStatement select(database,
                               "SELECT w.handle, w.parent, w.process, p.thread, w.title, w.class, w.module, p.path,"
                               " p.ends_at FROM machine_windows w JOIN processes p ON p.id = w.process"
                               " WHERE w.parent = ? ORDER BY w.handle");
        select.Bind(1, HandleValue(parent));
        while (select.Step()) {
            if (!select.IsNull(8) && select.Int(8) <= now) continue;
            std::string module = select.Text(6);
            windows.push_back({HandleOf(select.Int(0)), HandleOf(select.Int(1)), static_cast<DWORD>(select.Int(2)),
                               static_cast<DWORD>(select.Int(3)), select.Text(4), select.Text(5),
                               module.empty() ? select.Text(7) : module, true});
        }
    });
    return windows;
}

std::optional<WindowRecord> FindDeclaredWindow(Machine& machine, HWND handle) {
    if (!IsMachineHandle(handle)) return std::nullopt;
    std::optional<WindowRecord> window;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement select(database,
                               "SELECT w.handle, w.parent, w.process, p.thread, w.title, w.class, w.module, p.path,"
                               " p.ends_at FROM machine_windows w JOIN processes p ON p.id = w.process"
                               " WHERE w.handle = ?");
        select.Bind(1, HandleValue(handle));
        if (!select.Step() || (!select.IsNull(8) && select.Int(8) <= ClockNow())) return;
        std::string module = select.Text(6);
        window = WindowRecord{HandleOf(select.Int(0)), HandleOf(select.Int(1)), static_cast<DWORD>(select.Int(2)),
                              static_cast<DWORD>(select.Int(3)), select.Text(4), select.Text(5),
                              module.empty() ? select.Text(7) : module, true};
    });
    return window;
}

namespace {

constexpr char kProgramWindowColumns[] =
    "SELECT w.handle, w.process, w.thread, w.title, w.class, w.module, p.host_pid, p.host_start, p.ends_at"
    " FROM program_windows w JOIN processes p ON p.id = w.process";

// The window's process still runs (a window outlives no process, however its process ended).
bool ProgramWindowRuns(const SqliteStatement& row, std::int64_t now) {
    if (!row.IsNull(8) && row.Int(8) <= now) return false;
    return HostProcessRuns(row.Int(6), row.Int(7));
}

WindowRecord ProgramWindowOf(const SqliteStatement& row) {
    return {HandleOf(row.Int(0)), nullptr,      static_cast<DWORD>(row.Int(1)), static_cast<DWORD>(row.Int(2)),
            row.Text(3),         row.Text(4), row.Text(5),                     false};
}

std::vector<WindowRecord> ProgramWindows(Machine& machine) {
    std::vector<WindowRecord> windows;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        std::int64_t now = ClockNow();
        SqliteStatement select(database, std::string(kProgramWindowColumns) + " ORDER BY w.handle");
        while (select.Step()) {
            if (ProgramWindowRuns(select, now)) windows.push_back(ProgramWindowOf(select));
        }
    });
    return windows;
}

}  // namespace

void PublishProgramWindow(Machine& machine, const WindowRecord& window) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement insert(database,
                               "INSERT OR REPLACE INTO program_windows(handle, process, thread, title, class, module)"
                               " VALUES(?,?,?,?,?,?)");
        insert.Bind(1, HandleValue(window.handle))
            .Bind(2, window.processId)
            .Bind(3, window.threadId)
            .Bind(4, window.title)
            .Bind(5, window.className)
            .Bind(6, window.moduleFile)
            .Step();
    });
}

void SetProgramWindowTitle(Machine& machine, HWND handle, const std::string& title) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement update(database, "UPDATE program_windows SET title = ? WHERE handle = ?");
        update.Bind(1, title).Bind(2, HandleValue(handle)).Step();
    });
}

void WithdrawProgramWindow(Machine& machine, HWND handle) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement remove(database, "DELETE FROM program_windows WHERE handle = ?");
        remove.Bind(1, HandleValue(handle)).Step();
    });
}

std::vector<WindowRecord> MachineWindows(Machine& machine, HWND parent) {
    std::vector<WindowRecord> windows = DeclaredWindows(machine, parent);
    if (parent) return windows;
    std::vector<WindowRecord> programs = ProgramWindows(machine);
    windows.insert(windows.end(), programs.begin(), programs.end());
    // Handles come from one counter: their order is the order the windows were made in.
    std::stable_sort(windows.begin(), windows.end(), [](const WindowRecord& left, const WindowRecord& right) {
        return HandleValue(left.handle) < HandleValue(right.handle);
    });
    return windows;
}

std::optional<WindowRecord> FindMachineWindow(Machine& machine, HWND handle) {
    if (!IsMachineHandle(handle)) return std::nullopt;
    if (std::optional<WindowRecord> declared = FindDeclaredWindow(machine, handle)) return declared;
    std::optional<WindowRecord> window;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement select(database, std::string(kProgramWindowColumns) + " WHERE w.handle = ?");
        select.Bind(1, HandleValue(handle));
        if (select.Step() && ProgramWindowRuns(select, ClockNow())) window = ProgramWindowOf(select);
    });
    return window;
}

bool IsMachineHandle(HWND handle) {
    return reinterpret_cast<std::uintptr_t>(handle) >= kFirstMachineId &&
           reinterpret_cast<std::uintptr_t>(handle) <= 0xFFFFFFFFu;
}

bool PostToDeclared(Machine& machine, HWND window, DWORD threadId, UINT message) {
    constexpr UINT kClose = 0x0010, kQuit = 0x0012;
    DWORD process = 0;
    std::string request;
    if (window) {
        std::optional<WindowRecord> found = FindDeclaredWindow(machine, window);
        if (!found) return false;
        process = found->processId;
        request = found->title;
    } else {
        machine.WithState([&](SqliteDatabase& database) {
            CreateProcessTables(database);
            SqliteStatement select(database, "SELECT id FROM processes WHERE thread = ? AND host_pid = 0");
            select.Bind(1, threadId);
            if (select.Step() && ProcessRunning(database, static_cast<DWORD>(select.Int(0)))) {
                process = static_cast<DWORD>(select.Int(0));
            }
        });
        if (!process) return false;
        request = "thread";
    }
    if (message != kClose && message != kQuit) return true;
    RecordDeclaredRequest(machine, process, (message == kClose ? "WM_CLOSE " : "WM_QUIT ") + request);
    machine.WithState([&](SqliteDatabase& database) {
        SqliteStatement select(database, "SELECT on_close, on_quit FROM processes WHERE id = ?");
        select.Bind(1, process);
        if (!select.Step()) return;
        // A thread message WM_CLOSE reaches no window procedure: only WM_QUIT ends the message loop.
        if (!window && message == kClose) return;
        StartEnding(database, process, select.Int(message == kClose ? 0 : 1), 0);
    });
    return true;
}

std::vector<std::string> DeclaredProcessRequests(Machine& machine, DWORD processId) {
    std::vector<std::string> requests;
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement select(database, "SELECT request FROM process_requests WHERE process = ? ORDER BY id");
        select.Bind(1, processId);
        while (select.Step()) requests.push_back(select.Text(0));
    });
    return requests;
}

void RecordDeclaredRequest(Machine& machine, DWORD processId, const std::string& request) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateProcessTables(database);
        SqliteStatement insert(database, "INSERT INTO process_requests(process, request) VALUES(?, ?)");
        insert.Bind(1, processId).Bind(2, request).Step();
    });
}

}  // namespace platform
