// SHDeleteKeyA deletes a key with everything below it on every system (Windows NT's RegDeleteKeyA would
// refuse one with subkeys); SHDeleteValueA deletes one value of a subkey.
#include <gtest/gtest.h>

#include "platform/testing/test_machine.h"
#include "shlwapi.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

constexpr char kTree[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie "
    "500\\Install\\7]\r\n\"UninstallFiles\"=\"C:\\\\x.lnk\"\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 500\\Install\\7\\Data\\Deep]\r\n\"A\"=dword:00000001\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 500\\Install\\8]\r\n\"B\"=\"b\"\r\n";
constexpr char kDevice[] = "SOFTWARE\\Corvanta\\Serie 500\\Install\\7";

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

TEST(ShellRegistry, DeleteKeyTakesItsSubkeysOnEverySystem) {
    for (OsKind os : {OsKind::Windows98, OsKind::WindowsNT4, OsKind::WindowsXP}) {
        SCOPED_TRACE(platform::OsKindName(os));
        TestMachine machine(os);
        machine.Registry(kTree);
        EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), SHDeleteKeyA(HKEY_LOCAL_MACHINE, kDevice));
        EXPECT_FALSE(KeyExists(kDevice));
        EXPECT_TRUE(KeyExists("SOFTWARE\\Corvanta\\Serie 500\\Install\\8"));
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), SHDeleteKeyA(HKEY_LOCAL_MACHINE, kDevice));
    }
}

TEST(ShellRegistry, DeleteKeyBelowAnOpenKeyAndFailures) {
    TestMachine machine;
    machine.Registry(kTree);
    HKEY install = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Serie 500\\Install", 0,
                                           KEY_ALL_ACCESS, &install));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), SHDeleteKeyA(install, "8"));
    EXPECT_FALSE(KeyExists("SOFTWARE\\Corvanta\\Serie 500\\Install\\8"));
    RegCloseKey(install);
    machine.Fault("registry", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\Serie 500\\Install\\7\\Data\\Deep",
                  "deletekey", ERROR_ACCESS_DENIED);
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), SHDeleteKeyA(HKEY_LOCAL_MACHINE, kDevice));
}

TEST(ShellRegistry, DeleteValue) {
    TestMachine machine;
    machine.Registry(kTree);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SHDeleteValueA(HKEY_LOCAL_MACHINE, kDevice, "UninstallFiles"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              SHDeleteValueA(HKEY_LOCAL_MACHINE, kDevice, "UninstallFiles"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              SHDeleteValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Corvanta\\Manca", "UninstallFiles"));
}

}  // namespace
