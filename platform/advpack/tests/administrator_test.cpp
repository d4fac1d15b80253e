// IsNTAdmin as a program reaches it, through LoadLibraryA and GetProcAddress: the machine's administrator
// flag on Windows NT, TRUE on Windows 9x, and no library where the machine has none.
#include <gtest/gtest.h>

#include "advpack.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::MachineSettings;
using platform::OsKind;
using IsNTAdminFunction = BOOL(WINAPI*)(DWORD, DWORD*);

TEST(Advpack, IsNTAdminAnswersFromTheMachine) {
    struct Row {
        OsKind os;
        bool administrator;
        BOOL expected;
    };
    const Row rows[] = {
        {OsKind::WindowsXP, true, TRUE},
        {OsKind::WindowsXP, false, FALSE},
        {OsKind::Windows2000, false, FALSE},
        {OsKind::Windows98, false, TRUE},
    };
    for (const Row& row : rows) {
        MachineSettings settings = MachineSettings::Defaults(row.os);
        settings.administrator = row.administrator;
        platform::TestMachine machine(settings);
        HMODULE library = LoadLibraryA("ADVPACK.DLL");
        ASSERT_NE(nullptr, library);
        auto isNTAdmin =
            reinterpret_cast<IsNTAdminFunction>(reinterpret_cast<void (*)()>(GetProcAddress(library, "IsNTAdmin")));
        ASSERT_NE(nullptr, isNTAdmin);
        EXPECT_EQ(row.expected, isNTAdmin(0, nullptr)) << static_cast<int>(row.os) << " " << row.administrator;
        EXPECT_TRUE(FreeLibrary(library));
    }
}

TEST(Advpack, AbsentWhereTheMachineHasNone) {
    MachineSettings settings = MachineSettings::Defaults(OsKind::WindowsXP);
    settings.absentLibraries.insert("ADVPACK.DLL");
    platform::TestMachine machine(settings);
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadLibraryA("advpack.dll"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

}  // namespace
