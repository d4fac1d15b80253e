// The process status calls over the machine's process table: the ids of the running processes, and
// the modules of one opened with PROCESS_QUERY_INFORMATION and PROCESS_VM_READ.
//
// Another process's modules are known by their paths only. Their handles are the addresses Windows
// loads at: the program at 0x00400000, each further module 0x10000 above the one before it.
#include <algorithm>
#include <cstring>

#include "platform/kernel32/process_handles.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process_table.h"
#include "psapi.h"

namespace {

constexpr std::uintptr_t kProgramBase = 0x00400000;
constexpr std::uintptr_t kModuleSpacing = 0x10000;

HMODULE ModuleHandle(std::size_t index) {
    return reinterpret_cast<HMODULE>(kProgramBase + index * kModuleSpacing);
}

// The modules of the process a handle names, in load order; nullopt with the error set.
std::optional<std::vector<std::string>> ModulesOf(HANDLE process) {
    std::optional<platform::OpenedProcess> opened = platform::ProcessOfHandle(process);
    if (!opened) return std::nullopt;
    constexpr DWORD kNeeded = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;
    if ((opened->access & kNeeded) != kNeeded) {
        SetLastError(ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    std::optional<platform::ProcessRecord> record =
        platform::FindRunningProcess(platform::Machine::Current(), opened->id);
    if (!record) {
        // The process has ended: its memory can no longer be read.
        SetLastError(ERROR_PARTIAL_COPY);
        return std::nullopt;
    }
    return record->modules;
}

}  // namespace

// As many ids as the buffer holds; the bytes written are the bytes needed, so a caller whose buffer came
// back full asks again with a larger one.
extern "C" BOOL WINAPI EnumProcesses(DWORD* lpidProcess, DWORD cb, LPDWORD lpcbNeeded) {
    if (!lpcbNeeded || (!lpidProcess && cb)) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    platform::Machine& machine = platform::Machine::Current();
    // The caller is always among the processes it finds.
    platform::CurrentProcessId(machine);
    std::vector<platform::ProcessRecord> processes = platform::RunningProcesses(machine);
    std::size_t count = std::min<std::size_t>(processes.size(), cb / sizeof(DWORD));
    for (std::size_t index = 0; index < count; ++index) lpidProcess[index] = processes[index].id;
    *lpcbNeeded = static_cast<DWORD>(count * sizeof(DWORD));
    return TRUE;
}

// The handles of as many modules as the buffer holds; the bytes needed for all of them.
extern "C" BOOL WINAPI EnumProcessModules(HANDLE hProcess, HMODULE* lphModule, DWORD cb, LPDWORD lpcbNeeded) {
    std::optional<std::vector<std::string>> modules = ModulesOf(hProcess);
    if (!modules) return FALSE;
    if (!lpcbNeeded || (!lphModule && cb)) {
        SetLastError(ERROR_NOACCESS);
        return FALSE;
    }
    std::size_t count = std::min<std::size_t>(modules->size(), cb / sizeof(HMODULE));
    for (std::size_t index = 0; index < count; ++index) lphModule[index] = ModuleHandle(index);
    *lpcbNeeded = static_cast<DWORD>(modules->size() * sizeof(HMODULE));
    return TRUE;
}

// A null module names the program. A path longer than the buffer is cut to fit with its terminator.
extern "C" DWORD WINAPI GetModuleFileNameExA(HANDLE hProcess, HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::optional<std::vector<std::string>> modules = ModulesOf(hProcess);
    if (!modules) return 0;
    std::uintptr_t address = hModule ? reinterpret_cast<std::uintptr_t>(hModule) : kProgramBase;
    std::size_t index = (address - kProgramBase) / kModuleSpacing;
    if (address < kProgramBase || (address - kProgramBase) % kModuleSpacing || index >= modules->size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const std::string& path = (*modules)[index];
    std::size_t length = std::min<std::size_t>(path.size(), nSize - 1);
    std::memcpy(lpFilename, path.data(), length);
    lpFilename[length] = '\0';
    return static_cast<DWORD>(length);
}
