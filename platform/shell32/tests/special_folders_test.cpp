// The special folders on each system: the user's from the profile, those common to all users absent on
// Windows 9x, the values of the Shell Folders keys before the defaults, and folders made when asked.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/test_machine.h"
#include "shlobj.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

TEST(SpecialFolders, EachSystemsFolders) {
    struct Row {
        OsKind os;
        int csidl;
        const char* path;  // null: the system has no such folder
    };
    const Row rows[] = {
        {OsKind::Windows98, CSIDL_PROGRAMS, "C:\\WINDOWS\\Start Menu\\Programs"},
        {OsKind::Windows98, CSIDL_STARTUP, "C:\\WINDOWS\\Start Menu\\Programs\\Startup"},
        {OsKind::Windows98, CSIDL_DESKTOPDIRECTORY, "C:\\WINDOWS\\Desktop"},
        {OsKind::Windows98, CSIDL_PERSONAL, "C:\\My Documents"},
        {OsKind::Windows98, CSIDL_APPDATA, "C:\\WINDOWS\\Application Data"},
        {OsKind::Windows98, CSIDL_COMMON_PROGRAMS, nullptr},
        {OsKind::Windows98, CSIDL_COMMON_STARTUP, nullptr},
        {OsKind::Windows98, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr},
        {OsKind::Windows95, CSIDL_COMMON_PROGRAMS, nullptr},
        {OsKind::WindowsMe, CSIDL_COMMON_STARTUP, nullptr},
        {OsKind::Windows98, CSIDL_WINDOWS, "C:\\WINDOWS"},
        {OsKind::Windows98, CSIDL_SYSTEM, "C:\\WINDOWS\\SYSTEM"},
        {OsKind::Windows98, CSIDL_FONTS, "C:\\WINDOWS\\Fonts"},
        {OsKind::WindowsNT4, CSIDL_PROGRAMS, "C:\\WINNT\\Profiles\\Utente\\Start Menu\\Programs"},
        {OsKind::WindowsNT4, CSIDL_COMMON_PROGRAMS, "C:\\WINNT\\Profiles\\All Users\\Start Menu\\Programs"},
        {OsKind::WindowsNT4, CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\WINNT\\Profiles\\All Users\\Desktop"},
        {OsKind::WindowsNT4, CSIDL_COMMON_APPDATA, nullptr},
        {OsKind::WindowsNT4, CSIDL_SYSTEM, "C:\\WINNT\\system32"},
        {OsKind::Windows2000, CSIDL_STARTUP,
         "C:\\Documents and Settings\\Utente\\Start Menu\\Programs\\Startup"},
        {OsKind::Windows2000, CSIDL_COMMON_STARTUP,
         "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup"},
        {OsKind::Windows2000, CSIDL_WINDOWS, "C:\\WINNT"},
        {OsKind::WindowsXP, CSIDL_DESKTOPDIRECTORY, "C:\\Documents and Settings\\Utente\\Desktop"},
        {OsKind::WindowsXP, CSIDL_COMMON_DESKTOPDIRECTORY, "C:\\Documents and Settings\\All Users\\Desktop"},
        {OsKind::WindowsXP, CSIDL_COMMON_PROGRAMS,
         "C:\\Documents and Settings\\All Users\\Start Menu\\Programs"},
        {OsKind::WindowsXP, CSIDL_APPDATA, "C:\\Documents and Settings\\Utente\\Application Data"},
        {OsKind::WindowsXP, CSIDL_COMMON_APPDATA, "C:\\Documents and Settings\\All Users\\Application Data"},
        {OsKind::WindowsXP, CSIDL_PERSONAL, "C:\\Documents and Settings\\Utente\\My Documents"},
        {OsKind::WindowsXP, CSIDL_PROGRAM_FILES, "C:\\Program Files"},
        {OsKind::WindowsXP, CSIDL_SYSTEM, "C:\\WINDOWS\\system32"},
        {OsKind::WindowsXP, CSIDL_FONTS, "C:\\WINDOWS\\Fonts"},
        {OsKind::WindowsXP, 0x0077, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + std::to_string(row.csidl));
        TestMachine machine(row.os);
        char path[MAX_PATH] = "x";
        EXPECT_EQ(row.path != nullptr, SHGetSpecialFolderPathA(nullptr, path, row.csidl, FALSE) != FALSE);
        EXPECT_STREQ(row.path ? row.path : "", path);
        char folder[MAX_PATH] = "x";
        HRESULT result = SHGetFolderPathA(nullptr, row.csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
        EXPECT_EQ(row.path != nullptr, SUCCEEDED(result));
        EXPECT_STREQ(row.path ? row.path : "", folder);
    }
}

TEST(SpecialFolders, TheShellFoldersKeysComeFirst) {
    TestMachine machine(OsKind::WindowsXP);
    machine.Registry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
        "\"Common Programs\"=\"D:\\\\Comune\\\\Programmi\"\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
        "\"Desktop\"=\"D:\\\\Scrivania\"\r\n");
    char path[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE));
    EXPECT_STREQ("D:\\Comune\\Programmi", path);
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_STREQ("D:\\Scrivania", path);
    // The Windows 9x machine has no common folders even when a key names one.
    TestMachine old(OsKind::Windows98);
    old.Registry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
        "\"Common Programs\"=\"C:\\\\WINDOWS\\\\All Users\\\\Programs\"\r\n");
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_PROGRAMS, FALSE));
}

TEST(SpecialFolders, CreateMakesTheFolderAndItsParents) {
    TestMachine machine(OsKind::WindowsXP);
    const char* startup = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup";
    char path[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_STARTUP, FALSE));
    EXPECT_FALSE(machine.Exists(startup));
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_COMMON_STARTUP, TRUE));
    EXPECT_TRUE(machine.Exists(startup));
    const char* appData = "C:\\Documents and Settings\\Utente\\Application Data";
    EXPECT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path));
    EXPECT_TRUE(machine.Exists(appData));
    // A folder that cannot be made fails with the file call's error.
    machine.File("C:\\Documents and Settings\\Utente\\Desktop", "a file where the folder belongs");
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOPDIRECTORY, TRUE));
}

}  // namespace
