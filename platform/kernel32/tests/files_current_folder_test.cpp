// The current folders of the machine's other processes: Windows holds each one open, sharing reading and
// writing but not deletion, so no process can remove or move it while files inside come and go freely.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>
#include <vector>

#include "platform/machine/processes/program_stub.h"
#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr const char kFolder[] = "C:\\work";

DWORD Error(BOOL result) {
    return result ? 0 : GetLastError();
}

// What the holder of the folder must keep and allow.
void ExpectHeld(const std::string& context) {
    SetLastError(0);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), Error(RemoveDirectoryA(kFolder))) << context;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), Error(RemoveDirectoryA("c:\\WORK\\"))) << context;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), Error(MoveFileA(kFolder, "C:\\elsewhere"))) << context;
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION),
              Error(MoveFileExA(kFolder, "C:\\elsewhere", MOVEFILE_REPLACE_EXISTING)))
        << context;
    // Inside it, files and folders are made and removed as ever.
    HANDLE file = CreateFileA("C:\\work\\inside.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << context;
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "data", 4, &written, nullptr)) << context;
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(MoveFileA("C:\\work\\inside.txt", "C:\\work\\renamed.txt")) << context;
    EXPECT_TRUE(DeleteFileA("C:\\work\\renamed.txt")) << context;
    EXPECT_TRUE(CreateDirectoryA("C:\\work\\Sub", nullptr)) << context;
    EXPECT_TRUE(RemoveDirectoryA("C:\\work\\Sub")) << context;
}

void ExpectReleased(TestMachine& machine, const std::string& context) {
    EXPECT_EQ(0u, Error(MoveFileA(kFolder, "C:\\done"))) << context;
    EXPECT_EQ(0u, Error(RemoveDirectoryA("C:\\done"))) << context;
    EXPECT_FALSE(machine.Exists("C:\\done")) << context;
}

TEST(CurrentFolder, HeldByAnotherProcessUntilItMovesOrEnds) {
    enum class Ending { Moves, Exits, Killed };
    struct Row {
        const char* name;
        Ending ending;
        std::vector<std::string> arguments;
    };
    const std::vector<Row> rows = {
        {"moves elsewhere", Ending::Moves, {"chdir", kFolder, "5000", "C:\\", "60000"}},
        {"ends", Ending::Exits, {"chdir", kFolder, "5000", kFolder, "0"}},
        {"is killed", Ending::Killed, {"chdir", kFolder, "60000", kFolder, "0"}},
    };
    for (const Row& row : rows) {
        TestMachine machine;
        machine.Folder(kFolder);
        platform::WorkerProcess worker(machine, PROCESS_WORKER, row.arguments);
        ASSERT_EQ("in", worker.ReadLine()) << row.name;
        ExpectHeld(row.name);
        switch (row.ending) {
        case Ending::Moves:
            ASSERT_EQ("moved", worker.ReadLine()) << row.name;
            break;
        case Ending::Exits:
            EXPECT_EQ(0, worker.Wait()) << row.name;
            break;
        case Ending::Killed:
            worker.Kill(SIGKILL);
            worker.Wait();
            break;
        }
        ExpectReleased(machine, row.name);
    }
}

// Windows 95, 98 and Me keep no handle to a process's current folder: another process may move or
// remove it.
TEST(CurrentFolder, NotHeldOnWindows98) {
    TestMachine machine(platform::OsKind::Windows98);
    machine.Folder(kFolder);
    platform::WorkerProcess worker(machine, PROCESS_WORKER, {"chdir", kFolder, "60000", kFolder, "0"});
    ASSERT_EQ("in", worker.ReadLine());
    ExpectReleased(machine, "Windows 98");
}

// A process started in a folder holds it from its start, as the parent's CreateProcessA names it.
TEST(CurrentFolder, HeldFromTheStartOfAProcessStartedInIt) {
    TestMachine machine;
    machine.Folder(kFolder).File("C:\\flag.txt", "");
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), "C:\\w.exe", PROCESS_WORKER, {}));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    std::string commandLine = "C:\\w.exe hold C:\\flag.txt 60000";
    platform::StdoutCapture capture;
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, kFolder, &startup,
                               &information));
    // The worker holds the flag once it runs inside the machine, which it meets holding its folder.
    bool running = false;
    for (int attempt = 0; attempt < 1000 && !running; ++attempt) {
        HANDLE flag = CreateFileA("C:\\flag.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (flag == INVALID_HANDLE_VALUE) {
            running = GetLastError() == ERROR_SHARING_VIOLATION;
        } else {
            CloseHandle(flag);
        }
        if (!running) Sleep(10);
    }
    ASSERT_TRUE(running);
    ExpectHeld("started in it");
    EXPECT_TRUE(TerminateProcess(information.hProcess, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(information.hProcess, 10000));
    CloseHandle(information.hThread);
    CloseHandle(information.hProcess);
    ExpectReleased(machine, "started in it");
}

}  // namespace
