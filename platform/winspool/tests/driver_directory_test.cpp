// GetPrinterDriverDirectoryA: the folder of each environment's driver files, the size protocol and the
// refused arguments.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/test_machine.h"
#include "winspool.h"

namespace {

using platform::OsKind;

TEST(PrinterDriverDirectory, FolderOfEachEnvironmentAndRefusedArguments) {
    struct Row {
        const char* name;
        OsKind os;
        const char* server;
        const char* environment;
        DWORD level;
        BOOL result;
        DWORD error;
        const char* folder;
    } rows[] = {
        {"XP, local", OsKind::WindowsXP, nullptr, nullptr, 1, TRUE, 0,
         "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86"},
        {"XP, empty names", OsKind::WindowsXP, "", "", 1, TRUE, 0,
         "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86"},
        {"XP, 9x clients", OsKind::WindowsXP, nullptr, "windows 4.0", 1, TRUE, 0,
         "C:\\WINDOWS\\system32\\spool\\DRIVERS\\WIN40"},
        {"2000, local", OsKind::Windows2000, nullptr, nullptr, 1, TRUE, 0,
         "C:\\WINNT\\system32\\spool\\DRIVERS\\W32X86"},
        {"98, the system folder", OsKind::Windows98, nullptr, nullptr, 1, TRUE, 0, "C:\\WINDOWS\\SYSTEM"},
        {"98, its own environment", OsKind::Windows98, nullptr, "Windows 4.0", 1, TRUE, 0,
         "C:\\WINDOWS\\SYSTEM"},
        {"98, NT environment", OsKind::Windows98, nullptr, "Windows NT x86", 1, FALSE,
         ERROR_INVALID_ENVIRONMENT, nullptr},
        {"XP, unknown environment", OsKind::WindowsXP, nullptr, "Windows IA64", 1, FALSE,
         ERROR_INVALID_ENVIRONMENT, nullptr},
        {"XP, level 2", OsKind::WindowsXP, nullptr, nullptr, 2, FALSE, ERROR_INVALID_LEVEL, nullptr},
        {"98, level 0", OsKind::Windows98, nullptr, nullptr, 0, FALSE, ERROR_INVALID_LEVEL, nullptr},
        {"XP, a server", OsKind::WindowsXP, "\\\\srv", nullptr, 1, FALSE, ERROR_INVALID_NAME, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine(row.os);
        LPSTR server = const_cast<LPSTR>(row.server);
        LPSTR environment = const_cast<LPSTR>(row.environment);
        char folder[MAX_PATH];
        DWORD needed = 0;
        SetLastError(0);
        // The size query: too small, the size with its zero in needed.
        BOOL sized = GetPrinterDriverDirectoryA(server, environment, row.level, nullptr, 0, &needed);
        EXPECT_FALSE(sized);
        EXPECT_EQ(GetLastError(), row.result ? static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER) : row.error);
        if (!row.result) continue;
        const std::string expected = row.folder;
        EXPECT_EQ(needed, expected.size() + 1);
        std::string untouched(MAX_PATH, 'x');
        std::copy(untouched.begin(), untouched.end(), folder);
        EXPECT_FALSE(GetPrinterDriverDirectoryA(server, environment, 1, reinterpret_cast<LPBYTE>(folder),
                                                needed - 1, &needed));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(std::string(folder, MAX_PATH), untouched);
        ASSERT_TRUE(GetPrinterDriverDirectoryA(server, environment, 1, reinterpret_cast<LPBYTE>(folder),
                                               needed, &needed));
        EXPECT_EQ(std::string(folder), expected);
        EXPECT_EQ(needed, expected.size() + 1);
    }
}

TEST(PrinterDriverDirectory, InjectedFailure) {
    platform::TestMachine machine;
    machine.Fault("spooler", "GetPrinterDriverDirectoryA", "call", RPC_S_SERVER_UNAVAILABLE);
    char folder[MAX_PATH];
    DWORD needed = 0;
    EXPECT_FALSE(
        GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(folder), MAX_PATH, &needed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(RPC_S_SERVER_UNAVAILABLE));
}

}  // namespace
