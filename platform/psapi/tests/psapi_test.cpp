// psapi.dll and vdmdbg.dll: present on Windows NT only unless a machine says otherwise, the process ids
// with the buffer-size protocol, and the modules of a process opened with the rights they need.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "psapi.h"
#include "vdmdbg.h"
#include "windows.h"

namespace {

using platform::DeclaredProcess;
using platform::OsKind;
using platform::TestMachine;

DeclaredProcess Hub() {
    DeclaredProcess process;
    process.path = "C:\\Programmi\\Corvanta\\hub.exe";
    process.modules = {"C:\\Programmi\\Corvanta\\hubui.dll"};
    return process;
}

TEST(ProcessLibraries, PresentOnWindowsNtAndWhereTheMachineSays) {
    struct Row {
        const char* name;
        OsKind os;
        bool installed;  // the machine says the libraries are present
        bool present;
    };
    const Row rows[] = {
        {"95", OsKind::Windows95, false, false},   {"98", OsKind::Windows98, false, false},
        {"Me", OsKind::WindowsMe, false, false},   {"NT 4", OsKind::WindowsNT4, false, true},
        {"2000", OsKind::Windows2000, false, true}, {"XP", OsKind::WindowsXP, false, true},
        {"98 with them", OsKind::Windows98, true, true},
    };
    for (const Row& row : rows) {
        platform::MachineSettings settings = platform::MachineSettings::Defaults(row.os);
        if (row.installed) settings.absentLibraries.clear();
        TestMachine machine(settings);
        for (const char* library : {"PSAPI.DLL", "VDMDBG.DLL"}) {
            SetLastError(0);
            HMODULE module = LoadLibraryA(library);
            EXPECT_EQ(row.present, module != nullptr) << row.name << " " << library;
            if (module) {
                EXPECT_TRUE(FreeLibrary(module));
            } else {
                EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError()) << row.name;
            }
        }
    }
}

TEST(ProcessLibraries, EnumProcessesFillsWhatFitsAndSaysWhatItWrote) {
    TestMachine machine;
    std::vector<DWORD> declared;
    for (int count = 0; count < 3; ++count) declared.push_back(machine.DeclareProcess(Hub()).processId);
    DWORD small[2] = {};
    DWORD needed = 0;
    ASSERT_TRUE(EnumProcesses(small, sizeof small, &needed));
    // A full buffer: the caller cannot tell whether more were left out, and asks again with more room.
    EXPECT_EQ(sizeof small, needed);
    std::vector<DWORD> ids(64);
    ASSERT_TRUE(EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &needed));
    ids.resize(needed / sizeof(DWORD));
    EXPECT_EQ(4u, ids.size());
    for (DWORD id : declared) EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), id));
    EXPECT_NE(ids.end(), std::find(ids.begin(), ids.end(), GetCurrentProcessId()));
}

TEST(ProcessLibraries, ModulesOfAnOpenedProcess) {
    TestMachine machine;
    DWORD id = machine.DeclareProcess(Hub()).processId;
    HANDLE query = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
    HMODULE modules[4] = {};
    DWORD needed = 0;
    EXPECT_FALSE(EnumProcessModules(query, modules, sizeof modules, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());

    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE, id);
    ASSERT_TRUE(EnumProcessModules(process, modules, sizeof(HMODULE), &needed));
    EXPECT_EQ(2 * sizeof(HMODULE), needed);
    ASSERT_TRUE(EnumProcessModules(process, modules, sizeof modules, &needed));
    struct Row {
        HMODULE module;
        DWORD size;
        const char* path;
    };
    const Row rows[] = {
        {modules[0], MAX_PATH, "C:\\Programmi\\Corvanta\\hub.exe"},
        {nullptr, MAX_PATH, "C:\\Programmi\\Corvanta\\hub.exe"},
        {modules[1], MAX_PATH, "C:\\Programmi\\Corvanta\\hubui.dll"},
        {modules[0], 8, "C:\\Prog"},
    };
    for (const Row& row : rows) {
        char path[MAX_PATH] = "";
        EXPECT_EQ(std::string(row.path).size(), GetModuleFileNameExA(process, row.module, path, row.size));
        EXPECT_STREQ(row.path, path);
    }
    char path[MAX_PATH] = "";
    EXPECT_EQ(0u, GetModuleFileNameExA(process, reinterpret_cast<HMODULE>(0x1234), path, MAX_PATH));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    // Once the process has ended its modules cannot be read.
    ASSERT_TRUE(TerminateProcess(process, 0));
    EXPECT_EQ(0u, GetModuleFileNameExA(process, nullptr, path, MAX_PATH));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PARTIAL_COPY), GetLastError());
    CloseHandle(query);
    CloseHandle(process);
}

TEST(ProcessLibraries, NoProcessRunsSixteenBitTasks) {
    TestMachine machine;
    DWORD id = machine.DeclareProcess(Hub()).processId;
    HMODULE library = LoadLibraryA("VDMDBG.DLL");
    ASSERT_NE(nullptr, library);
    auto enumerate = reinterpret_cast<INT(WINAPI*)(DWORD, TASKENUMPROCEX, LPARAM)>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "VDMEnumTaskWOWEx")));
    ASSERT_NE(nullptr, enumerate);
    EXPECT_EQ(0, enumerate(id, nullptr, 0));
    FreeLibrary(library);
}

}  // namespace
