// ExitWindowsEx's restart request and the restart that carries out the pending file operations.
#include "platform/machine/boot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

void EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token));
    TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
    ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
    ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
    ASSERT_TRUE(CloseHandle(token));
}

TEST(Restart, ExitWindowsExRecordsTheRequest) {
    const struct {
        OsKind os;
        UINT flags;
        bool recorded;
        const char* transcript;
    } rows[] = {
        {OsKind::WindowsXP, EWX_REBOOT, true, "ExitWindowsEx EWX_REBOOT: restart requested\n"},
        {OsKind::Windows2000, EWX_SHUTDOWN | EWX_FORCE, true,
         "ExitWindowsEx EWX_SHUTDOWN|EWX_FORCE: shutdown requested\n"},
        {OsKind::WindowsNT4, EWX_LOGOFF, false, "ExitWindowsEx EWX_LOGOFF: log-off requested\n"},
        {OsKind::Windows98, EWX_REBOOT | EWX_POWEROFF, true,
         "ExitWindowsEx EWX_REBOOT|EWX_POWEROFF: restart requested\n"},
    };
    for (const auto& row : rows) {
        TestMachine test(row.os);
        std::string where = platform::OsKindName(row.os) + " " + row.transcript;
        if (test.machine().IsNT()) EnableShutdownPrivilege();
        ASSERT_TRUE(ExitWindowsEx(row.flags, 0)) << where;
        std::optional<DWORD> request = platform::PendingRestartRequest(test.machine());
        EXPECT_EQ(request.has_value(), row.recorded) << where;
        if (request) {
            EXPECT_EQ(*request, row.flags) << where;
        }
        EXPECT_EQ(test.Transcript(), row.transcript) << where;
    }
}

TEST(Restart, RefusedWithoutThePrivilegeOnNT) {
    TestMachine test(OsKind::WindowsXP);
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD));
    EXPECT_FALSE(platform::PendingRestartRequest(test.machine()));
    EXPECT_EQ(test.Transcript(), "");
}

// On Windows NT the operations MoveFileExA recorded run in order; a failing one is reported and the
// rest still run; none is left for the next start.
TEST(Restart, CarriesOutDelayedOperationsOnNT) {
    TestMachine test(OsKind::WindowsXP);
    test.File("C:\\Program Files\\Old\\old.dll", "old")
        .File("C:\\Program Files\\Old\\locked.dll", "locked")
        .File("C:\\Program Files\\Old\\Sub\\inner.txt", "in")
        .Folder("C:\\Program Files\\Old\\Empty")
        .File("C:\\WINDOWS\\SYSTEM32\\driver.dll", "version 1")
        .File("C:\\WINDOWS\\TEMP\\driver.new", "version 2")
        .File("C:\\WINDOWS\\TEMP\\kept.new", "not moved")
        .File("C:\\WINDOWS\\kept.dll", "kept");
    test.Fault(platform::fault_target::kFile, "C:\\Program Files\\Old\\locked.dll", "delete",
               ERROR_ACCESS_DENIED);
    const char* deletions[] = {"C:\\PROGRA~1\\Old\\old.dll", "C:\\Program Files\\Old\\locked.dll",
                               "C:\\Program Files\\Old\\Sub", "C:\\Program Files\\Old\\Empty",
                               "C:\\Program Files\\Old\\missing.dll"};
    for (const char* path : deletions) {
        ASSERT_TRUE(MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) << path;
    }
    ASSERT_TRUE(MoveFileExA("C:\\WINDOWS\\TEMP\\driver.new", "C:\\WINDOWS\\SYSTEM32\\driver.dll",
                            MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(
        MoveFileExA("C:\\WINDOWS\\TEMP\\kept.new", "C:\\WINDOWS\\kept.dll", MOVEFILE_DELAY_UNTIL_REBOOT));
    EnableShutdownPrivilege();
    ASSERT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));

    std::vector<std::string> report = platform::RestartMachine(test.machine());
    const std::vector<std::string> expected = {
        "restart requested with EWX_REBOOT",
        "delete C:\\Program Files\\Old\\old.dll: done",
        "delete C:\\Program Files\\Old\\locked.dll: failed with error 5",
        "delete C:\\Program Files\\Old\\Sub: failed with error 145",
        "delete C:\\Program Files\\Old\\Empty: done",
        "delete C:\\Program Files\\Old\\missing.dll: failed with error 2",
        "move C:\\WINDOWS\\TEMP\\driver.new to C:\\WINDOWS\\system32\\driver.dll: done",
        "move C:\\WINDOWS\\TEMP\\kept.new to C:\\WINDOWS\\kept.dll: failed with error 183",
    };
    EXPECT_EQ(report, expected);
    EXPECT_FALSE(test.Exists("C:\\Program Files\\Old\\old.dll"));
    EXPECT_FALSE(test.Exists("C:\\Program Files\\Old\\Empty"));
    EXPECT_TRUE(test.Exists("C:\\Program Files\\Old\\locked.dll"));
    EXPECT_TRUE(test.Exists("C:\\Program Files\\Old\\Sub\\inner.txt"));
    EXPECT_FALSE(test.Exists("C:\\WINDOWS\\TEMP\\driver.new"));
    EXPECT_EQ(test.ReadFile("C:\\WINDOWS\\SYSTEM32\\driver.dll"), "version 2");
    EXPECT_EQ(test.ReadFile("C:\\WINDOWS\\kept.dll"), "kept");
    EXPECT_TRUE(test.Exists("C:\\WINDOWS\\TEMP\\kept.new"));
    EXPECT_TRUE(platform::ListBootOperations(test.machine()).empty());
    EXPECT_FALSE(platform::PendingRestartRequest(test.machine()));

    // A second restart finds nothing left to do.
    EXPECT_EQ(platform::RestartMachine(test.machine()),
              std::vector<std::string>{"restart not requested by any program"});
}

// On Windows 9x the program writes WININIT.INI itself, with short paths; the restart runs its [rename]
// section and keeps the file as WININIT.BAK.
TEST(Restart, RunsWininitOnWindows9x) {
    TestMachine test(OsKind::Windows98);
    test.File("C:\\Program Files\\Old Product\\old driver.dll", "old")
        .File("C:\\Program Files\\Old Product\\Data\\keep.dat", "keep")
        .File("C:\\WINDOWS\\SYSTEM\\shared.dll", "version 1")
        .File("C:\\WINDOWS\\TEMP\\shared.new", "version 2")
        .File("C:\\WINDOWS\\WININIT.BAK", "an older one");
    char shortPath[MAX_PATH];
    ASSERT_GT(GetShortPathNameA("C:\\Program Files\\Old Product\\old driver.dll", shortPath, MAX_PATH), 0u);
    char shortFolder[MAX_PATH];
    ASSERT_GT(GetShortPathNameA("C:\\Program Files\\Old Product\\Data", shortFolder, MAX_PATH), 0u);
    std::string wininit =
        std::string("[Other]\r\nNUL=C:\\WINDOWS\\SYSTEM\\shared.dll\r\n[rename]\r\nNUL=") + shortPath +
        "\r\nC:\\WINDOWS\\SYSTEM\\SHARED.DLL=C:\\WINDOWS\\TEMP\\SHARED.NEW\r\nNUL=" + shortFolder +
        "\r\nNUL=C:\\WINDOWS\\GONE.DLL\r\n";
    test.File("C:\\WINDOWS\\WININIT.INI", wininit);

    std::vector<std::string> report = platform::RestartMachine(test.machine());
    const std::vector<std::string> expected = {
        "restart not requested by any program",
        std::string("WININIT.INI NUL=") + shortPath + ": done",
        "WININIT.INI C:\\WINDOWS\\SYSTEM\\SHARED.DLL=C:\\WINDOWS\\TEMP\\SHARED.NEW: done",
        std::string("WININIT.INI NUL=") + shortFolder + ": failed with error 145",
        "WININIT.INI NUL=C:\\WINDOWS\\GONE.DLL: failed with error 2",
        "WININIT.INI renamed to WININIT.BAK",
    };
    EXPECT_EQ(report, expected);
    EXPECT_FALSE(test.Exists("C:\\Program Files\\Old Product\\old driver.dll"));
    EXPECT_TRUE(test.Exists("C:\\Program Files\\Old Product\\Data\\keep.dat"));
    EXPECT_EQ(test.ReadFile("C:\\WINDOWS\\SYSTEM\\shared.dll"), "version 2");
    EXPECT_FALSE(test.Exists("C:\\WINDOWS\\TEMP\\shared.new"));
    EXPECT_FALSE(test.Exists("C:\\WINDOWS\\WININIT.INI"));
    EXPECT_EQ(test.ReadFile("C:\\WINDOWS\\WININIT.BAK"), wininit);
}

// Windows NT does not read WININIT.INI.
TEST(Restart, LeavesWininitAloneOnNT) {
    TestMachine test(OsKind::Windows2000);
    test.File("C:\\WINNT\\WININIT.INI", "[rename]\r\nNUL=C:\\WINNT\\x.dll\r\n").File("C:\\WINNT\\x.dll", "x");
    EXPECT_EQ(platform::RestartMachine(test.machine()),
              std::vector<std::string>{"restart not requested by any program"});
    EXPECT_TRUE(test.Exists("C:\\WINNT\\x.dll"));
    EXPECT_TRUE(test.Exists("C:\\WINNT\\WININIT.INI"));
}

}  // namespace
