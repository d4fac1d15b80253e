// _spawnl and _spawnv with P_WAIT: the command line the program gets (arguments joined unquoted, as the C
// runtime joins them), its exit code, and a program that cannot be started.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/machine/processes/program_stub.h"
#include "platform/testing/test_machine.h"
#include "process.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr char kWorker[] = "C:\\Program Files\\Maker\\worker.exe";

TEST(Spawn, WaitsAndGivesTheExitCode) {
    TestMachine machine;
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), kWorker, PROCESS_WORKER, {}));
    EXPECT_EQ(_spawnl(P_WAIT, kWorker, "worker", "exitprocess", "3010", nullptr), 3010);
    const char* arguments[] = {"worker", "exit", "7", nullptr};
    EXPECT_EQ(_spawnv(P_WAIT, kWorker, arguments), 7);
}

TEST(Spawn, CommandLineIsTheArgumentsJoinedByBlanks) {
    TestMachine machine;
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), kWorker, PROCESS_WORKER, {}));
    platform::StdoutCapture capture;
    EXPECT_EQ(_spawnl(P_WAIT, kWorker, "C:\\PROGRA~1\\Maker\\worker.exe", "-a=b c", "\"-d=e f\"", nullptr),
              0);
    std::string output = capture.Take();
    std::string second = output.substr(output.find('\n') + 1);
    EXPECT_EQ(second.substr(0, second.find('\n')), "C:\\PROGRA~1\\Maker\\worker.exe -a=b c \"-d=e f\"");
}

TEST(Spawn, FailuresGiveMinusOneWithErrnoAndTheLastError) {
    TestMachine machine;
    ASSERT_TRUE(platform::WriteProgramStub(machine.machine(), kWorker, PROCESS_WORKER, {}));
    machine.File("C:\\text.exe", "not a program");
    const struct {
        const char* name;
        int mode;
        const char* program;
        int error;
        DWORD lastError;  // 0: not checked
    } rows[] = {
        {"missing program", P_WAIT, "C:\\none.exe", ENOENT, ERROR_FILE_NOT_FOUND},
        {"missing folder", P_WAIT, "C:\\none\\none.exe", ENOENT, ERROR_PATH_NOT_FOUND},
        {"not a program", P_WAIT, "C:\\text.exe", ENOEXEC, ERROR_BAD_EXE_FORMAT},
        {"mode other than P_WAIT", P_NOWAIT, kWorker, EINVAL, 0},
    };
    for (const auto& row : rows) {
        errno = 0;
        SetLastError(0);
        EXPECT_EQ(_spawnl(row.mode, row.program, "x", nullptr), -1) << row.name;
        EXPECT_EQ(errno, row.error) << row.name;
        if (row.lastError) {
            EXPECT_EQ(GetLastError(), row.lastError) << row.name;
        }
    }
    errno = 0;
    const char* none[] = {nullptr};
    EXPECT_EQ(_spawnv(P_WAIT, kWorker, none), -1);
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
