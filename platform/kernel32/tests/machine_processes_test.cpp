// The machine's other processes through kernel32: OpenProcess and its rights, TerminateProcess by the
// declared reactions, the tool help snapshots per system, the ids of the machine against host ids, and
// the program files a declared process holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/machine/processes/program_stub.h"
#include "platform/testing/test_machine.h"
#include "tlhelp32.h"
#include "windows.h"

namespace {

using platform::DeclaredProcess;
using platform::ProcessReaction;
using platform::TestMachine;

constexpr char kHub[] = "C:\\Programmi\\Corvanta\\hub.exe";

DeclaredProcess Hub() {
    DeclaredProcess process;
    process.path = kHub;
    process.modules = {"C:\\Programmi\\Corvanta\\hubui.dll"};
    return process;
}

struct Snapshot {
    DWORD id;
    DWORD parent;
    std::string exe;
};

std::vector<Snapshot> TakeSnapshot() {
    std::vector<Snapshot> entries;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    EXPECT_NE(INVALID_HANDLE_VALUE, snapshot);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        entries.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_TRUE(CloseHandle(snapshot));
    return entries;
}

const Snapshot* FindEntry(const std::vector<Snapshot>& entries, DWORD id) {
    for (const Snapshot& entry : entries) {
        if (entry.id == id) return &entry;
    }
    return nullptr;
}

TEST(MachineProcesses, OpenProcessOpensOnlyRunningProcessesOfTheMachine) {
    TestMachine machine;
    DeclaredProcess denied = Hub();
    denied.openDenied = true;
    DWORD hub = machine.DeclareProcess(Hub()).processId;
    DWORD refusing = machine.DeclareProcess(denied).processId;
    struct Row {
        const char* name;
        DWORD id;
        bool opens;
        DWORD error;
    };
    const Row rows[] = {
        {"declared", hub, true, 0},
        {"refusing", refusing, false, ERROR_ACCESS_DENIED},
        {"itself", GetCurrentProcessId(), true, 0},
        {"the host id of the test", static_cast<DWORD>(::getpid()), false, ERROR_INVALID_PARAMETER},
        {"the host's first process", 1, false, ERROR_INVALID_PARAMETER},
        {"no process", 0, false, ERROR_INVALID_PARAMETER},
        {"an id never given", hub + 4000, false, ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        SetLastError(0);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, row.id);
        EXPECT_EQ(row.opens, process != nullptr) << row.name;
        if (process) {
            DWORD code = 0;
            EXPECT_TRUE(GetExitCodeProcess(process, &code)) << row.name;
            EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code) << row.name;
            EXPECT_TRUE(CloseHandle(process));
        } else {
            EXPECT_EQ(row.error, GetLastError()) << row.name;
        }
    }
    EXPECT_EQ((std::vector<std::string>{"OpenProcess"}), machine.ProcessRequests(refusing));
}

TEST(MachineProcesses, TerminateProcessFollowsTheDeclaredReaction) {
    struct Row {
        const char* name;
        ProcessReaction onTerminate;
        bool denied;
        BOOL terminated;
        DWORD error;
        bool runningAfter;       // right after the call
        bool runningAfterWait;   // after 5 s of machine time
    };
    const Row rows[] = {
        {"at once", ProcessReaction::AtOnce(), false, TRUE, 0, false, false},
        {"after 3 s", ProcessReaction::After(3000), false, TRUE, 0, true, false},
        {"never", ProcessReaction::Never(), false, TRUE, 0, true, true},
        {"refused", ProcessReaction::AtOnce(), true, FALSE, ERROR_ACCESS_DENIED, true, true},
    };
    for (const Row& row : rows) {
        TestMachine machine;
        machine.UseVirtualClock(1000000000);
        DeclaredProcess declared = Hub();
        declared.onTerminate = row.onTerminate;
        declared.terminateDenied = row.denied;
        DWORD id = machine.DeclareProcess(declared).processId;
        HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, id);
        ASSERT_NE(nullptr, process) << row.name;
        SetLastError(0);
        EXPECT_EQ(row.terminated, TerminateProcess(process, 7)) << row.name;
        if (!row.terminated) {
            EXPECT_EQ(row.error, GetLastError()) << row.name;
        }
        EXPECT_EQ(row.runningAfter, machine.ProcessRunning(id)) << row.name;
        Sleep(5000);
        EXPECT_EQ(row.runningAfterWait, machine.ProcessRunning(id)) << row.name;
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(process, &code));
        EXPECT_EQ(row.runningAfterWait ? static_cast<DWORD>(STILL_ACTIVE) : 7u, code) << row.name;
        EXPECT_EQ(row.runningAfterWait ? static_cast<DWORD>(WAIT_TIMEOUT) : WAIT_OBJECT_0,
                  WaitForSingleObject(process, 0))
            << row.name;
        EXPECT_TRUE(CloseHandle(process));
    }
}

TEST(MachineProcesses, TerminateProcessNeedsTheRightAndARunningProcess) {
    TestMachine machine;
    DWORD id = machine.DeclareProcess(Hub()).processId;
    HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
    EXPECT_FALSE(TerminateProcess(query, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    HANDLE all = OpenProcess(PROCESS_ALL_ACCESS, FALSE, id);
    EXPECT_TRUE(TerminateProcess(all, 0));
    // A process that has ended cannot be terminated again, nor opened.
    EXPECT_FALSE(TerminateProcess(all, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(nullptr, OpenProcess(PROCESS_ALL_ACCESS, FALSE, id));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ((std::vector<std::string>{"OpenProcess", "OpenProcess", "TerminateProcess"}),
              machine.ProcessRequests(id));
    CloseHandle(query);
    CloseHandle(all);
}

TEST(MachineProcesses, SnapshotNamesTheProgramAsEachSystemDoes) {
    struct Row {
        platform::OsKind os;
        const char* exe;
    };
    const Row rows[] = {
        {platform::OsKind::Windows95, kHub},
        {platform::OsKind::Windows98, kHub},
        {platform::OsKind::Windows2000, "hub.exe"},
        {platform::OsKind::WindowsXP, "hub.exe"},
    };
    for (const Row& row : rows) {
        TestMachine machine(row.os);
        DWORD id = machine.DeclareProcess(Hub()).processId;
        std::vector<Snapshot> entries = TakeSnapshot();
        const Snapshot* hub = FindEntry(entries, id);
        ASSERT_NE(nullptr, hub);
        EXPECT_EQ(row.exe, hub->exe);
        EXPECT_NE(nullptr, FindEntry(entries, GetCurrentProcessId()));
    }
}

TEST(MachineProcesses, WindowsNt4HasNoToolHelp) {
    struct Row {
        platform::OsKind os;
        bool present;
    };
    const Row rows[] = {{platform::OsKind::WindowsNT4, false},
                        {platform::OsKind::Windows95, true},
                        {platform::OsKind::Windows2000, true}};
    for (const Row& row : rows) {
        TestMachine machine(row.os);
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        for (const char* name : {"CreateToolhelp32Snapshot", "Process32First", "Process32Next"}) {
            EXPECT_EQ(row.present, GetProcAddress(kernel, name) != nullptr) << name;
            if (!row.present) {
                EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
            }
        }
    }
}

TEST(MachineProcesses, StartedProgramsHaveIdsOfTheMachineNeverHostIds) {
    TestMachine machine;
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\worker.exe", PROCESS_WORKER, {}));
    EXPECT_GE(GetCurrentProcessId(), platform::kFirstMachineId);
    EXPECT_NE(static_cast<DWORD>(::getpid()), GetCurrentProcessId());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information = {};
    char commandLine[] = "C:\\worker.exe sleep 20000";
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &information));
    EXPECT_GE(information.dwProcessId, platform::kFirstMachineId);
    const Snapshot* child = nullptr;
    std::vector<Snapshot> entries = TakeSnapshot();
    child = FindEntry(entries, information.dwProcessId);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ("worker.exe", child->exe);
    EXPECT_EQ(GetCurrentProcessId(), child->parent);
    // Opened by its id and ended through that handle, the program ends for its parent too.
    HANDLE opened = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, information.dwProcessId);
    ASSERT_NE(nullptr, opened);
    EXPECT_TRUE(TerminateProcess(opened, 5));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(information.hProcess, 10000));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(opened, 10000));
    EXPECT_EQ(nullptr, FindEntry(TakeSnapshot(), information.dwProcessId));
    CloseHandle(opened);
    CloseHandle(information.hThread);
    CloseHandle(information.hProcess);
}

TEST(MachineProcesses, ADeclaredProcessHoldsItsProgramFilesUntilItEnds) {
    TestMachine machine;
    machine.File(kHub, "program").File("C:\\Programmi\\Corvanta\\hubui.dll", "library");
    machine.File("C:\\Programmi\\Corvanta\\readme.txt", "text");
    DWORD id = machine.DeclareProcess(Hub()).processId;
    EXPECT_FALSE(DeleteFileA(kHub));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_FALSE(DeleteFileA("C:\\Programmi\\Corvanta\\hubui.dll"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    EXPECT_TRUE(DeleteFileA("C:\\Programmi\\Corvanta\\readme.txt"));
    // Reading the program's file is allowed while it runs.
    HANDLE file = CreateFileA(kHub, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
    ASSERT_TRUE(TerminateProcess(process, 0));
    CloseHandle(process);
    EXPECT_TRUE(DeleteFileA(kHub));
    EXPECT_TRUE(DeleteFileA("C:\\Programmi\\Corvanta\\hubui.dll"));
}

}  // namespace
