// GetFullPathNameA, GetShortPathNameA, GetLongPathNameA and the drive calls, with the buffer rules.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

void MakeFiles(TestMachine& test) {
    test.File("C:\\Program Files\\Corvanta Suite\\Data File.ini", "x").File("C:\\WINDOWS\\win.ini", "x");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\WINDOWS"));
}

struct PathRow {
    const char* input;
    const char* expected;  // null: the call fails
    DWORD error;
};

using PathCall = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

// Runs each row, and checks the buffer rule on each result: one byte short gives the size needed,
// terminator included, and leaves the buffer alone.
void RunPathRows(PathCall call, const std::vector<PathRow>& rows) {
    for (const PathRow& row : rows) {
        char buffer[MAX_PATH];
        std::memset(buffer, '#', sizeof buffer);
        SetLastError(0xDEAD);
        DWORD result = call(row.input, buffer, sizeof buffer);
        if (!row.expected) {
            EXPECT_EQ(result, 0u) << row.input;
            EXPECT_EQ(GetLastError(), row.error) << row.input;
            continue;
        }
        DWORD length = static_cast<DWORD>(std::strlen(row.expected));
        ASSERT_EQ(result, length) << row.input;
        EXPECT_STREQ(buffer, row.expected) << row.input;
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(call(row.input, buffer, length), length + 1) << row.input;
        EXPECT_EQ(buffer[0], '#') << row.input;
        EXPECT_EQ(call(row.input, nullptr, 0), length + 1) << row.input;
        EXPECT_EQ(call(row.input, buffer, length + 1), length) << row.input;
    }
}

TEST(Paths, ShortPathNames) {
    TestMachine test;
    MakeFiles(test);
    RunPathRows(GetShortPathNameA, {
                                       {"C:\\Program Files\\Corvanta Suite\\Data File.ini",
                                        "C:\\PROGRA~1\\CORVAN~1\\DATAFI~1.INI", 0},
                                       {"c:\\program files", "c:\\PROGRA~1", 0},
                                       // Names that are 8.3 names already stay as written.
                                       {"c:\\windows\\WIN.INI", "c:\\windows\\WIN.INI", 0},
                                       {"win.ini", "win.ini", 0},
                                       {"..\\Program Files\\", "..\\PROGRA~1\\", 0},
                                       {"C:\\", "C:\\", 0},
                                       {"C:/Program Files/Corvanta Suite", "C:\\PROGRA~1\\CORVAN~1", 0},
                                       {"C:\\Program Files\\missing.txt", nullptr, ERROR_FILE_NOT_FOUND},
                                       {"C:\\Missing Folder\\x.txt", nullptr, ERROR_PATH_NOT_FOUND},
                                       {"C:\\Program Files\\*.ini", nullptr, ERROR_INVALID_NAME},
                                   });
}

TEST(Paths, LongPathNames) {
    TestMachine test;
    MakeFiles(test);
    RunPathRows(GetLongPathNameA, {
                                      {"C:\\PROGRA~1\\CORVAN~1\\DATAFI~1.INI",
                                       "C:\\Program Files\\Corvanta Suite\\Data File.ini", 0},
                                      {"c:\\progra~1", "c:\\Program Files", 0},
                                      {"c:\\windows\\win.ini", "c:\\windows\\win.ini", 0},
                                      {"..\\PROGRA~1", "..\\Program Files", 0},
                                      {"C:\\PROGRA~1\\missing", nullptr, ERROR_FILE_NOT_FOUND},
                                      {"C:\\NOPE~1\\x", nullptr, ERROR_PATH_NOT_FOUND},
                                  });
}

TEST(Paths, LongPathNamesDoNotExistOnWindows95AndNT4) {
    for (OsKind os : {OsKind::Windows95, OsKind::WindowsNT4, OsKind::Windows98, OsKind::Windows2000}) {
        TestMachine test(os);
        MakeFiles(test);
        char buffer[MAX_PATH];
        DWORD result = GetLongPathNameA("C:\\PROGRA~1", buffer, sizeof buffer);
        if (os == OsKind::Windows95 || os == OsKind::WindowsNT4) {
            EXPECT_EQ(result, 0u) << platform::OsKindName(os);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED))
                << platform::OsKindName(os);
        } else {
            EXPECT_STREQ(buffer, "C:\\Program Files") << platform::OsKindName(os);
        }
    }
}

struct FullPathRow {
    const char* input;
    const char* expected;
    const char* filePart;  // null: no file part
};

TEST(Paths, FullPathNames) {
    TestMachine test;
    MakeFiles(test);
    const std::vector<FullPathRow> rows = {
        {"win.ini", "C:\\WINDOWS\\win.ini", "win.ini"},
        {"..\\x\\y.txt", "C:\\x\\y.txt", "y.txt"},
        {"\\TEMP\\a", "C:\\TEMP\\a", "a"},
        {"D:x", "D:\\x", "x"},
        {"C:x", "C:\\WINDOWS\\x", "x"},
        {"C:\\a\\b\\", "C:\\a\\b\\", nullptr},
        {"c:/a/./b/../c", "C:\\a\\c", "c"},
        {"C:\\a\\name. .", "C:\\a\\name", "name"},
        {"\\\\server\\share\\dir\\f.txt", "\\\\server\\share\\dir\\f.txt", "f.txt"},
        {"*.txt", "C:\\WINDOWS\\*.txt", "*.txt"},
        {"C:\\", "C:\\", nullptr},
        {"C:\\Does\\Not\\Exist.txt", "C:\\Does\\Not\\Exist.txt", "Exist.txt"},
    };
    for (const FullPathRow& row : rows) {
        char buffer[MAX_PATH];
        LPSTR filePart = buffer;
        DWORD length = static_cast<DWORD>(std::strlen(row.expected));
        ASSERT_EQ(GetFullPathNameA(row.input, sizeof buffer, buffer, &filePart), length) << row.input;
        EXPECT_STREQ(buffer, row.expected) << row.input;
        if (row.filePart) {
            ASSERT_NE(filePart, nullptr) << row.input;
            EXPECT_STREQ(filePart, row.filePart) << row.input;
        } else {
            EXPECT_EQ(filePart, nullptr) << row.input;
        }
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(GetFullPathNameA(row.input, length, buffer, &filePart), length + 1) << row.input;
        EXPECT_EQ(buffer[0], '#') << row.input;
    }
    EXPECT_EQ(GetFullPathNameA("C:\\a|b", MAX_PATH, nullptr, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

struct DriveRow {
    const char* root;
    UINT type;
};

TEST(Drives, LogicalDrivesAndTheirTypes) {
    TestMachine test;
    EXPECT_EQ(GetLogicalDrives(), (1u << 0) | (1u << 2) | (1u << 3));
    std::filesystem::create_directories(test.folder() / "network" / "server" / "share");
    const std::vector<DriveRow> rows = {
        {"C:\\", DRIVE_FIXED},
        {"C:", DRIVE_FIXED},
        {"c:/", DRIVE_FIXED},
        {"A:\\", DRIVE_REMOVABLE},
        {"D:\\", DRIVE_CDROM},
        {"Q:\\", DRIVE_NO_ROOT_DIR},
        {"C:\\WINDOWS", DRIVE_NO_ROOT_DIR},
        {"", DRIVE_NO_ROOT_DIR},
        {nullptr, DRIVE_FIXED},
        {"\\\\SERVER\\Share\\", DRIVE_REMOTE},
        {"\\\\nobody\\share\\", DRIVE_NO_ROOT_DIR},
    };
    for (const DriveRow& row : rows)
        EXPECT_EQ(GetDriveTypeA(row.root), row.type) << (row.root ? row.root : "NULL");

    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::Windows98);
    settings.drives = {{'C', DRIVE_FIXED}, {'F', DRIVE_REMOTE}, {'Z', DRIVE_RAMDISK}};
    TestMachine other(settings);
    EXPECT_EQ(GetLogicalDrives(), (1u << 2) | (1u << 5) | (1u << 25));
    EXPECT_EQ(GetDriveTypeA("F:\\"), static_cast<UINT>(DRIVE_REMOTE));
    EXPECT_EQ(GetDriveTypeA("z:"), static_cast<UINT>(DRIVE_RAMDISK));
    EXPECT_EQ(GetDriveTypeA("A:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
}

}  // namespace
