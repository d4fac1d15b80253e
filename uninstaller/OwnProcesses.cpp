#include "OwnProcesses.h"

#include "BoundLibrary.h"
#include "tlhelp32.h"

namespace {

constexpr char KERNEL32_LIBRARY[] = "Kernel32.DLL";

using CreateSnapshotFunction = decltype(&CreateToolhelp32Snapshot);
using ProcessEntryFunction = decltype(&Process32First);

// The parent of this process as the snapshot names it, 0 when it cannot be told.
DWORD StarterProcessId(DWORD self) {
    HMODULE kernel = GetModuleHandleA(KERNEL32_LIBRARY);
    auto createSnapshot = BoundEntryPoint<CreateSnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    auto first = BoundEntryPoint<ProcessEntryFunction>(kernel, "Process32First");
    auto next = BoundEntryPoint<ProcessEntryFunction>(kernel, "Process32Next");
    if (!createSnapshot || !first || !next) return 0;
    CKernelHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return 0;
    DWORD starter = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = first(snapshot.get(), &entry); more; more = next(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == self) {
            starter = entry.th32ParentProcessID;
            break;
        }
    }
    return starter;
}

}  // namespace

COwnProcesses::COwnProcesses() : m_self(GetCurrentProcessId()), m_starter(StarterProcessId(m_self)) {}

bool COwnProcesses::Contains(DWORD processId) const {
    return processId == m_self || (m_starter != 0 && processId == m_starter);
}
