// CreateProcessA over program stubs: which file a command line starts, what the started program sees,
// its exit code through the process handle, and the errors for what is not a program.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/machine/processes/program_stub.h"
#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"
#include "windows.h"

namespace {

using platform::TestMachine;

void Install(TestMachine& machine, const std::string& windowsPath) {
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), windowsPath, PROCESS_WORKER, {}));
}

struct Started {
    BOOL created = FALSE;
    DWORD error = 0;
    DWORD exitCode = 0;
    std::string output;
};

// Starts the command line, waits for the program and collects what it wrote.
Started StartAndWait(const char* commandLine, const char* application = nullptr, const char* folder = nullptr) {
    Started started;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    std::string text = commandLine ? commandLine : "";
    platform::StdoutCapture capture;
    SetLastError(0);
    started.created = CreateProcessA(application, commandLine ? text.data() : nullptr, nullptr, nullptr, FALSE,
                                     0, nullptr, folder, &startup, &information);
    started.error = GetLastError();
    if (started.created) {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(information.hProcess, 10000));
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(information.hThread, 0));
        EXPECT_TRUE(GetExitCodeProcess(information.hProcess, &started.exitCode));
        EXPECT_TRUE(CloseHandle(information.hThread));
        EXPECT_TRUE(CloseHandle(information.hProcess));
    }
    started.output = capture.Take();
    return started;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

TEST(ProcessLaunch, CommandLineFindsTheProgramAsWindowsDoes) {
    struct Row {
        std::vector<std::string> programs;
        const char* commandLine;
        const char* started;
    };
    const Row rows[] = {
        {{"C:\\Program.exe", "C:\\Program Files\\a b.exe"}, "\"C:\\Program Files\\a b.exe\" x", "C:\\Program Files\\a b.exe"},
        {{"C:\\Program.exe", "C:\\Program Files\\a b.exe"}, "C:\\Program Files\\a b.exe x", "C:\\Program.exe"},
        {{"C:\\Program Files\\a.exe", "C:\\Program Files\\a b.exe"}, "C:\\Program Files\\a b.exe", "C:\\Program Files\\a.exe"},
        {{"C:\\Program Files\\a b.exe"}, "C:\\Program Files\\a b.exe x", "C:\\Program Files\\a b.exe"},
        {{"C:\\Program Files\\a b.exe"}, "C:\\Program Files\\a b x", "C:\\Program Files\\a b.exe"},
        {{"C:\\App\\tool.exe", "C:\\Work\\tool.exe"}, "tool x", "C:\\App\\tool.exe"},
        {{"C:\\Work\\tool.exe", "C:\\WINDOWS\\system32\\tool.exe"}, "tool.exe", "C:\\Work\\tool.exe"},
        {{"C:\\WINDOWS\\system32\\tool.exe", "C:\\WINDOWS\\tool.exe"}, "TOOL", "C:\\WINDOWS\\system32\\tool.exe"},
        {{"C:\\WINDOWS\\tool.exe", "C:\\Tools\\tool.exe"}, "tool", "C:\\WINDOWS\\tool.exe"},
        {{"C:\\Tools\\tool.exe"}, "tool", "C:\\Tools\\tool.exe"},
        {{"C:\\Work\\sub\\tool.exe"}, "sub\\tool", "C:\\Work\\sub\\tool.exe"},
        {{"C:\\Work\\tool.com"}, "tool.com", "C:\\Work\\tool.com"},
    };
    for (const Row& row : rows) {
        TestMachine machine;
        machine.Folder("C:\\Work").Module("C:\\App\\main.exe");
        for (const std::string& program : row.programs) Install(machine, program);
        ASSERT_TRUE(SetCurrentDirectoryA("C:\\Work"));
        ASSERT_TRUE(SetEnvironmentVariableA("PATH", "C:\\Nowhere;C:\\Tools"));
        Started started = StartAndWait(row.commandLine);
        ASSERT_TRUE(started.created) << row.commandLine << " " << started.error;
        EXPECT_EQ(0u, started.exitCode) << row.commandLine;
        EXPECT_EQ(row.started, FirstLine(started.output)) << row.commandLine;
    }
}

TEST(ProcessLaunch, StartedProgramSeesItsStubCommandLineAndFolder) {
    TestMachine machine;
    Install(machine, "C:\\Program Files\\Maker\\worker.exe");
    machine.Folder("C:\\Data");
    Started started = StartAndWait("\"C:\\Program Files\\Maker\\worker.exe\" /a \"b c\"", nullptr, "C:\\DATA");
    ASSERT_TRUE(started.created);
    EXPECT_EQ("C:\\Program Files\\Maker\\worker.exe\n"
              "\"C:\\Program Files\\Maker\\worker.exe\" /a \"b c\"\n"
              "C:\\Data\n",
              started.output);
    // The application's name is the program; the command line is handed over as it is.
    started = StartAndWait("anything at all", "C:\\Program Files\\Maker\\worker.exe");
    ASSERT_TRUE(started.created);
    EXPECT_EQ("C:\\Program Files\\Maker\\worker.exe\nanything at all\nC:\\\n", started.output);
}

TEST(ProcessLaunch, StubNamesAProgramFromTheProgramsFolders) {
    TestMachine machine;
    std::string worker = PROCESS_WORKER;
    std::string folder = worker.substr(0, worker.rfind('/'));
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\w.exe", "process_worker", {}));
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\none.exe", "no_such_program", {}));
    ::setenv("WINMACHINE_PROGRAMS", ("/nonexistent:" + folder).c_str(), 1);
    EXPECT_EQ(42u, StartAndWait("C:\\w.exe exit 42").exitCode);
    Started missing = StartAndWait("C:\\none.exe");
    EXPECT_FALSE(missing.created);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), missing.error);
    ::unsetenv("WINMACHINE_PROGRAMS");
    // Without the variable the build tree is searched.
    EXPECT_EQ(7u, StartAndWait("C:\\w.exe exit 7").exitCode);
}

// Exit codes keep their 32 bits when the program ends through ExitProcess.
TEST(ProcessLaunch, ExitProcessReportsTheWholeCode) {
    TestMachine machine;
    Install(machine, "C:\\w.exe");
    EXPECT_EQ(3010u, StartAndWait("C:\\w.exe exitprocess 3010").exitCode);
    EXPECT_EQ(995u, StartAndWait("C:\\w.exe exitprocess 995").exitCode);
    EXPECT_EQ(0xC0000005u, StartAndWait("C:\\w.exe exitprocess 3221225477").exitCode);
    EXPECT_EQ(0u, StartAndWait("C:\\w.exe exitprocess 0").exitCode);
}

TEST(ProcessLaunch, ExitCodeAndWaitWhileRunning) {
    TestMachine machine;
    Install(machine, "C:\\w.exe");
    char commandLine[] = "C:\\w.exe sleep 300";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &information));
    EXPECT_NE(0u, information.dwProcessId);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(information.hProcess, &code));
    EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(information.hProcess, 20));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(information.hProcess, 10000));
    EXPECT_TRUE(GetExitCodeProcess(information.hProcess, &code));
    EXPECT_EQ(0u, code);
    CloseHandle(information.hThread);
    CloseHandle(information.hProcess);
    EXPECT_FALSE(GetExitCodeProcess(information.hProcess, &code));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

    char hanging[] = "C:\\w.exe sleep 60000";
    ASSERT_TRUE(CreateProcessA(nullptr, hanging, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &information));
    EXPECT_TRUE(TerminateProcess(information.hProcess, 5));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(information.hProcess, 10000));
    EXPECT_TRUE(GetExitCodeProcess(information.hProcess, &code));
    EXPECT_EQ(5u, code);
    CloseHandle(information.hThread);
    CloseHandle(information.hProcess);

    for (DWORD exitCode : {0u, 3u, 995u % 256u}) {
        std::string line = "C:\\w.exe exit " + std::to_string(exitCode);
        EXPECT_EQ(exitCode, StartAndWait(line.c_str()).exitCode);
    }
}

TEST(ProcessLaunch, WhatIsNotAProgramFails) {
    struct Row {
        const char* commandLine;
        const char* application;
        const char* folder;
        DWORD error;
    };
    const Row rows[] = {
        {"C:\\nothing.exe", nullptr, nullptr, ERROR_FILE_NOT_FOUND},
        {"\"C:\\Program Files\\nothing.exe\" x", nullptr, nullptr, ERROR_FILE_NOT_FOUND},
        {"C:\\Missing\\x.exe", nullptr, nullptr, ERROR_PATH_NOT_FOUND},
        {"nothing", nullptr, nullptr, ERROR_FILE_NOT_FOUND},
        {"C:\\readme.txt", nullptr, nullptr, ERROR_BAD_EXE_FORMAT},
        {"C:\\empty.exe", nullptr, nullptr, ERROR_BAD_EXE_FORMAT},
        {"C:\\w x", "C:\\w", nullptr, ERROR_FILE_NOT_FOUND},
        {"C:\\w.exe", nullptr, "C:\\Nowhere", ERROR_DIRECTORY},
        {nullptr, nullptr, nullptr, ERROR_INVALID_PARAMETER},
    };
    TestMachine machine;
    Install(machine, "C:\\w.exe");
    machine.File("C:\\readme.txt", "not a program\r\n").File("C:\\empty.exe", "");
    for (const Row& row : rows) {
        Started started = StartAndWait(row.commandLine, row.application, row.folder);
        EXPECT_FALSE(started.created) << (row.commandLine ? row.commandLine : "(null)");
        EXPECT_EQ(row.error, started.error) << (row.commandLine ? row.commandLine : "(null)");
    }
}

}  // namespace

namespace {

constexpr const char kHeld[] = "C:\\Program Files\\Maker\\held.dat";

DWORD DeleteError(const char* path) {
    SetLastError(0);
    return DeleteFileA(path) ? 0 : GetLastError();
}

TEST(FilesInUse, MarkedByTheTestUntilATimeOnTheMachineClock) {
    TestMachine machine;
    machine.UseVirtualClock(1000000000).File(kHeld, "data").FileInUse(kHeld, 5000);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), DeleteError(kHeld));
    SetLastError(0);
    EXPECT_FALSE(MoveFileExA(kHeld, "C:\\moved.dat", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    // Others may read what a program holds, not write it.
    HANDLE reading = CreateFileA(kHeld, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, reading);
    CloseHandle(reading);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(kHeld, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    Sleep(4999);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), DeleteError(kHeld));
    Sleep(1);
    EXPECT_EQ(0u, DeleteError(kHeld));
    EXPECT_FALSE(machine.Exists(kHeld));
}

TEST(FilesInUse, HeldOpenByAnotherProcessOfTheMachine) {
    for (bool killed : {false, true}) {
        TestMachine machine;
        machine.File(kHeld, "data");
        platform::WorkerProcess worker(machine, PROCESS_WORKER, {"hold", kHeld, killed ? "60000" : "300"});
        ASSERT_EQ("held", worker.ReadLine());
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), DeleteError(kHeld)) << killed;
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), DeleteError("C:\\Program Files\\Maker\\..\\Maker\\HELD.DAT"));
        // A process that ends, closing its files or killed with them open, lets go of them.
        if (killed) worker.Kill(SIGKILL);
        worker.Wait();
        EXPECT_EQ(0u, DeleteError(kHeld)) << killed;
    }
}

}  // namespace
