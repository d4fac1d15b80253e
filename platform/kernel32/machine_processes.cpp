// The machine's processes as kernel32 shows them to a program: OpenProcess, termination and exit codes
// through the handles it gives, and the tool help snapshots.
//
// Only processes of the machine's process table can be opened: a host process id, or the id of a process
// that has ended, is an invalid parameter, as an id that names nothing is on Windows.
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/kernel32/process_handles.h"
#include "platform/kernel32/synch_objects.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process_table.h"
#include "tlhelp32.h"

namespace platform {

namespace {

// A handle OpenProcess gave: signalled when the process has ended.
class OpenedProcessObject final : public WaitableObject, public ProcessReference {
  public:
    OpenedProcessObject(DWORD id, DWORD access) : WaitableObject(KernelNamespace::Current()), id_(id), access_(access) {}
    bool TryAcquire(const KernelNamespace::Lock&, WaitEntry&, std::uint32_t) override {
        return !FindRunningProcess(Machine::Current(), id_);
    }
    DWORD ProcessId() const override { return id_; }
    DWORD Access() const override { return access_; }

  private:
    DWORD id_;
    DWORD access_;
};

class SnapshotObject final : public KernelObject {
  public:
    std::mutex mutex;
    std::vector<PROCESSENTRY32> processes;
    std::size_t next = 0;
};

std::string_view FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Process32First and Process32Next: the entry at the cursor, which moves on.
BOOL CopyEntry(HANDLE snapshot, LPPROCESSENTRY32 entry, bool first) {
    auto object = ProcessHandles().Lookup<SnapshotObject>(snapshot);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!entry || entry->dwSize < sizeof(PROCESSENTRY32)) {
        SetLastError(ERROR_BAD_LENGTH);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(object->mutex);
    if (first) object->next = 0;
    if (object->next >= object->processes.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *entry = object->processes[object->next++];
    return TRUE;
}

}  // namespace

std::optional<OpenedProcess> ProcessOfHandle(HANDLE handle) {
    if (handle == GetCurrentProcess()) return OpenedProcess{CurrentProcessId(Machine::Current()), PROCESS_ALL_ACCESS};
    std::shared_ptr<KernelObject> object = ProcessHandles().Find(handle);
    if (auto* process = dynamic_cast<ProcessReference*>(object.get())) {
        return OpenedProcess{process->ProcessId(), process->Access()};
    }
    SetLastError(ERROR_INVALID_HANDLE);
    return std::nullopt;
}

std::optional<BOOL> TerminateOpenedProcess(HANDLE handle, UINT exitCode) {
    auto process = ProcessHandles().Lookup<OpenedProcessObject>(handle);
    if (!process) return std::nullopt;
    if (!(process->Access() & PROCESS_TERMINATE)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (DWORD error = TerminateMachineProcess(Machine::Current(), process->ProcessId(), exitCode)) {
        SetLastError(error == ERROR_INVALID_PARAMETER ? ERROR_ACCESS_DENIED : error);
        return FALSE;
    }
    return TRUE;
}

std::optional<BOOL> ExitCodeOfOpenedProcess(HANDLE handle, LPDWORD exitCode) {
    auto process = ProcessHandles().Lookup<OpenedProcessObject>(handle);
    if (!process) return std::nullopt;
    if (!(process->Access() & PROCESS_QUERY_INFORMATION)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!exitCode) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    Machine& machine = Machine::Current();
    if (FindRunningProcess(machine, process->ProcessId())) {
        *exitCode = STILL_ACTIVE;
    } else {
        *exitCode = ProcessExitCode(machine, process->ProcessId()).value_or(0);
    }
    return TRUE;
}

}  // namespace platform

using platform::Machine;

extern "C" HANDLE WINAPI OpenProcess(DWORD dwDesiredAccess, BOOL, DWORD dwProcessId) {
    Machine& machine = Machine::Current();
    std::optional<platform::ProcessRecord> process = platform::FindRunningProcess(machine, dwProcessId);
    if (!process) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (process->declared) platform::RecordDeclaredRequest(machine, process->id, "OpenProcess");
    if (process->openDenied) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return platform::ProcessHandles().Insert(
        std::make_shared<platform::OpenedProcessObject>(process->id, dwDesiredAccess));
}

// Only process snapshots are taken; a snapshot of other kinds lists nothing. On Windows 95, 98 and Me
// an entry names the program by its full path, on Windows NT by its file name.
extern "C" HANDLE WINAPI CreateToolhelp32Snapshot(DWORD dwFlags, DWORD) {
    Machine& machine = Machine::Current();
    auto snapshot = std::make_shared<platform::SnapshotObject>();
    if (dwFlags & TH32CS_SNAPPROCESS) {
        // The caller is always among the processes it finds.
        platform::CurrentProcessId(machine);
        for (const platform::ProcessRecord& process : platform::RunningProcesses(machine)) {
            PROCESSENTRY32 entry{};
            entry.dwSize = sizeof entry;
            entry.th32ProcessID = process.id;
            entry.cntThreads = 1;
            entry.th32ParentProcessID = process.parentId;
            entry.pcPriClassBase = 8;  // normal priority
            std::string_view name = machine.IsNT() ? platform::FileNameOf(process.path) : process.path;
            std::size_t length = std::min(name.size(), sizeof entry.szExeFile - 1);
            std::memcpy(entry.szExeFile, name.data(), length);
            snapshot->processes.push_back(entry);
        }
    }
    return platform::ProcessHandles().Insert(std::move(snapshot));
}

extern "C" BOOL WINAPI Process32First(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
    return platform::CopyEntry(hSnapshot, lppe, true);
}

extern "C" BOOL WINAPI Process32Next(HANDLE hSnapshot, LPPROCESSENTRY32 lppe) {
    return platform::CopyEntry(hSnapshot, lppe, false);
}
