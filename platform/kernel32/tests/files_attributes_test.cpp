// GetFileAttributesA and SetFileAttributesA: where each attribute is kept and the errors of bad paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

struct AttributeRow {
    const char* path;
    DWORD attributes;
    DWORD error;
};

TEST(FileAttributes, ReportsWhatEachPathIs) {
    TestMachine test;
    test.File("C:\\WINDOWS\\win.ini", "[windows]\r\n").Folder("C:\\Program Files\\Corvanta");
    const std::vector<AttributeRow> rows = {
        {"C:\\WINDOWS\\WIN.INI", FILE_ATTRIBUTE_NORMAL, 0},
        {"c:/windows/win.ini", FILE_ATTRIBUTE_NORMAL, 0},
        {"C:\\WINDOWS", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\PROGRA~1\\corvanta", FILE_ATTRIBUTE_DIRECTORY, 0},
        {"C:\\WINDOWS\\missing.ini", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"C:\\NOFOLDER\\missing.ini", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\win.ini\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"Q:\\x.ini", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS\\*.ini", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
        {"C:\\WINDOWS\\a|b", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
    };
    for (const AttributeRow& row : rows) {
        SetLastError(0xDEAD);
        EXPECT_EQ(GetFileAttributesA(row.path), row.attributes) << row.path;
        if (row.error != 0) {
            EXPECT_EQ(GetLastError(), row.error) << row.path;
        }
    }
}

struct SetAttributesRow {
    const char* path;
    DWORD set;
    DWORD reported;
};

TEST(FileAttributes, SetAttributesAreReportedBack) {
    const std::vector<SetAttributesRow> rows = {
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE,
         FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE},
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
        {"C:\\D\\file.txt", 0, FILE_ATTRIBUTE_NORMAL},
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_SYSTEM},
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_HIDDEN},
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED,
         FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
        {"C:\\D\\file.txt", FILE_ATTRIBUTE_COMPRESSED, FILE_ATTRIBUTE_NORMAL},
        {"C:\\D\\Folder", FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY},
        {"C:\\D\\Folder", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
         FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"C:\\D\\Folder", FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_DIRECTORY},
    };
    for (const SetAttributesRow& row : rows) {
        TestMachine test;
        test.File("C:\\D\\file.txt", "x").Folder("C:\\D\\Folder");
        // Start from something set, so that clearing is seen too.
        ASSERT_TRUE(SetFileAttributesA(row.path, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(SetFileAttributesA(row.path, row.set)) << row.path << " " << row.set;
        EXPECT_EQ(GetFileAttributesA(row.path), row.reported) << row.path << " " << row.set;
    }
}

TEST(FileAttributes, ReadOnlyIsTheHostWritePermissionOfFilesOnly) {
    TestMachine test;
    test.File("C:\\D\\file.txt", "x").Folder("C:\\D\\Folder");
    namespace fs = std::filesystem;
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\file.txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(fs::status(test.HostPath("C:\\D\\file.txt")).permissions() & fs::perms::owner_write,
              fs::perms::none);
    fs::permissions(test.HostPath("C:\\D\\file.txt"), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(GetFileAttributesA("C:\\D\\file.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    // A read-only folder still takes new files, as on Windows.
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\Folder", FILE_ATTRIBUTE_READONLY));
    HANDLE file = CreateFileA("C:\\D\\Folder\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    EXPECT_FALSE(SetFileAttributesA("C:\\D\\missing.txt", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(SetFileAttributesA("C:\\NOPE\\missing.txt", FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// Answers are remembered between calls; every change to the machine's files must still be seen.
TEST(FileAttributes, RememberedAnswersFollowChanges) {
    TestMachine test;
    test.Folder("C:\\Data").Folder("C:\\Other");
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\x.dat"), INVALID_FILE_ATTRIBUTES);
    HANDLE file = CreateFileA("C:\\Data\\x.dat", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(file));
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\x.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SetFileAttributesA("C:\\Data\\x.dat", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesA("C:\\Data\\x.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA("C:\\Data\\x.dat", FILE_ATTRIBUTE_NORMAL));
    // The same relative name means another file in another current folder.
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Data"));
    EXPECT_EQ(GetFileAttributesA("x.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\Other"));
    EXPECT_EQ(GetFileAttributesA("x.dat"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(MoveFileA("C:\\Data\\x.dat", "C:\\Other\\x.dat"));
    EXPECT_EQ(GetFileAttributesA("x.dat"), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    // A fault set after the answer was remembered still applies.
    test.Fault("file", "C:\\Other\\x.dat", "attributes", ERROR_ACCESS_DENIED, 1);
    EXPECT_EQ(GetFileAttributesA("x.dat"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    ASSERT_TRUE(DeleteFileA("C:\\Other\\x.dat"));
    EXPECT_EQ(GetFileAttributesA("x.dat"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
