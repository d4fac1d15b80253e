#include "CProcessShutdown.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "BoundLibrary.h"
#include "OsVersion.h"
#include "psapi.h"
#include "tlhelp32.h"
#include "vdmdbg.h"

namespace {

constexpr char SECTION_NAME[] = "ProcessShutdown";
constexpr char PSAPI_LIBRARY[] = "PSAPI.DLL";
constexpr char VDMDBG_LIBRARY[] = "VDMDBG.DLL";
constexpr char KERNEL32_LIBRARY[] = "Kernel32.DLL";
constexpr char PROGRAM_EXTENSION[] = ".exe";
constexpr char LOG_TERMINATING[] = "Terminating ";
constexpr char TRACE_COULD_OPEN[] = "Could open %s.\n";
constexpr char ERROR_COULD_OPEN[] = "Could open ";
constexpr char TRACE_COULD_TERMINATE[] = "Could terminate %s.\n";
constexpr char ERROR_COULD_TERMINATE[] = "Could terminate ";
constexpr char LINE_END[] = "\r\n";
constexpr DWORD FIRST_ID_BUFFER_SIZE = 1024;

// The libraries are bound at run time: only the signatures of their entry points are taken from their
// headers.
using EnumProcessesFunction = decltype(&EnumProcesses);
using EnumProcessModulesFunction = decltype(&EnumProcessModules);
using GetModuleFileNameExFunction = decltype(&GetModuleFileNameExA);
using VDMEnumTaskWOWExFunction = decltype(&VDMEnumTaskWOWEx);
using CreateSnapshotFunction = decltype(&CreateToolhelp32Snapshot);
using ProcessEntryFunction = decltype(&Process32First);

}  // namespace

CProcessShutdown::CProcessShutdown(CUninstallerProgress* pProgress) : CUninstaller(pProgress) {}

unsigned int CProcessShutdown::IsEnabled() {
    return ReadSettings(SECTION_NAME);
}

unsigned int CProcessShutdown::Delete() {
    COwnProcesses ownProcesses;
    m_pOwnProcesses = &ownProcesses;
    if (IsNT()) {
        EnumerateProcessesNT();
    } else {
        EnumerateProcesses9x();
    }
    m_pOwnProcesses = nullptr;
    return 1;
}

void CProcessShutdown::EnumerateProcessesNT() {
    CBoundLibrary psapi(PSAPI_LIBRARY);
    CBoundLibrary vdmdbg(VDMDBG_LIBRARY);
    auto enumProcesses = BoundEntryPoint<EnumProcessesFunction>(psapi.get(), "EnumProcesses");
    auto enumProcessModules = BoundEntryPoint<EnumProcessModulesFunction>(psapi.get(), "EnumProcessModules");
    auto getModuleFileNameEx = BoundEntryPoint<GetModuleFileNameExFunction>(psapi.get(), "GetModuleFileNameExA");
    auto enumTasks = BoundEntryPoint<VDMEnumTaskWOWExFunction>(vdmdbg.get(), "VDMEnumTaskWOWEx");
    if (!enumProcesses || !enumProcessModules || !getModuleFileNameEx || !enumTasks) return;

    // A buffer that came back full may have left ids out: it is doubled until some room is left.
    std::vector<DWORD> ids;
    DWORD size = FIRST_ID_BUFFER_SIZE;
    DWORD returned = 0;
    for (;;) {
        ids.assign(size / sizeof(DWORD), 0);
        if (!enumProcesses(ids.data(), size, &returned)) return;
        if (returned != size) break;
        size *= 2;
    }
    ids.resize(returned / sizeof(DWORD));
    for (DWORD processId : ids) {
        char path[MAX_PATH] = "";
        {
            CKernelHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
            HMODULE module = nullptr;
            DWORD needed = 0;
            if (process.get() && enumProcessModules(process.get(), &module, sizeof module, &needed) &&
                !getModuleFileNameEx(process.get(), module, path, MAX_PATH)) {
                path[0] = '\0';
            }
        }
        ShutDownProcess(processId, path);
    }
}

void CProcessShutdown::EnumerateProcesses9x() {
    HMODULE kernel = GetModuleHandleA(KERNEL32_LIBRARY);
    auto createSnapshot = BoundEntryPoint<CreateSnapshotFunction>(kernel, "CreateToolhelp32Snapshot");
    auto first = BoundEntryPoint<ProcessEntryFunction>(kernel, "Process32First");
    auto next = BoundEntryPoint<ProcessEntryFunction>(kernel, "Process32Next");
    if (!createSnapshot || !first || !next) return;
    CKernelHandle snapshot(createSnapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.get() == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = first(snapshot.get(), &entry); more; more = next(snapshot.get(), &entry))
        ShutDownProcess(entry.th32ProcessID, entry.szExeFile);
}

void CProcessShutdown::ShutDownProcess(DWORD processId, const char* pPath) {
    // The uninstaller never ends itself, nor the instance that started it.
    if (m_pOwnProcesses && m_pOwnProcesses->Contains(processId)) return;
    std::string path = pPath;
    CharLowerA(path.data());
    if (path.find(PROGRAM_EXTENSION) == std::string::npos) return;
    bool terminatedBefore = false;
    for (const CaseInsensitiveString& item : m_itemList) {
        // Compared with the item as written: the items were lower-cased when they were read.
        if (path.find(std::string_view(item.data(), item.size())) == std::string::npos) continue;
        m_logList.push_back(LOG_TERMINATING + item + LINE_END);
        CKernelHandle process(OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId));
        if (!process.get()) {
            // A process an earlier item ended is gone, which is no failure of this item.
            if (terminatedBefore && GetLastError() == ERROR_INVALID_PARAMETER) return;
            std::printf(TRACE_COULD_OPEN, item.c_str());
            m_errorList.push_back(ERROR_COULD_OPEN + item + LINE_END);
        }
        if (!TerminateProcess(process.get(), 0)) {
            std::printf(TRACE_COULD_TERMINATE, item.c_str());
            m_errorList.push_back(ERROR_COULD_TERMINATE + item + LINE_END);
            continue;
        }
        terminatedBefore = true;
        // Ended at once: the items after this one have nothing left to end.
        if (WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0) return;
    }
}
