// Deleting, copying and moving files, creating and removing folders, boot operations and faults.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::MachineSettings;
using platform::OsKind;
using platform::TestMachine;

MachineSettings WithDriveE(OsKind os) {
    MachineSettings settings = MachineSettings::Defaults(os);
    settings.drives.push_back({'E', DRIVE_FIXED});
    return settings;
}

// Every row starts from the same files on C: and a fixed drive E:.
void MakeFiles(TestMachine& test) {
    test.File("C:\\D\\file.txt", "data")
        .File("C:\\D\\readonly.txt", "ro")
        .Folder("C:\\D\\Empty")
        .File("C:\\D\\Full\\inner.txt", "in")
        .File("C:\\D\\E\\existing.txt", "other");
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\readonly.txt", FILE_ATTRIBUTE_READONLY));
}

struct OperationRow {
    const char* description;
    std::function<BOOL()> call;
    bool succeeds;
    DWORD error;
};

void RunRows(OsKind os, const std::vector<OperationRow>& rows) {
    for (const OperationRow& row : rows) {
        TestMachine test(WithDriveE(os));
        MakeFiles(test);
        SetLastError(0xDEAD);
        BOOL result = row.call();
        EXPECT_EQ(result != FALSE, row.succeeds) << platform::OsKindName(os) << ": " << row.description;
        if (!row.succeeds) {
            EXPECT_EQ(GetLastError(), row.error) << platform::OsKindName(os) << ": " << row.description;
        }
    }
}

TEST(FileOperations, DeleteCreateAndRemoveFolders) {
    const std::vector<OperationRow> rows = {
        {"delete a file", [] { return DeleteFileA("C:\\d\\FILE.TXT"); }, true, 0},
        {"delete a missing file", [] { return DeleteFileA("C:\\D\\missing.txt"); }, false,
         ERROR_FILE_NOT_FOUND},
        {"delete in a missing folder", [] { return DeleteFileA("C:\\NOPE\\x.txt"); }, false,
         ERROR_PATH_NOT_FOUND},
        {"delete a read-only file", [] { return DeleteFileA("C:\\D\\readonly.txt"); }, false,
         ERROR_ACCESS_DENIED},
        {"delete a folder", [] { return DeleteFileA("C:\\D\\Empty"); }, false, ERROR_ACCESS_DENIED},
        {"delete a bad name", [] { return DeleteFileA("C:\\D\\*.txt"); }, false, ERROR_INVALID_NAME},
        {"create a folder", [] { return CreateDirectoryA("C:\\D\\New", nullptr); }, true, 0},
        {"create an existing folder", [] { return CreateDirectoryA("C:\\D\\empty", nullptr); }, false,
         ERROR_ALREADY_EXISTS},
        {"create over a file", [] { return CreateDirectoryA("C:\\D\\file.txt", nullptr); }, false,
         ERROR_ALREADY_EXISTS},
        {"create without a parent", [] { return CreateDirectoryA("C:\\NOPE\\New", nullptr); }, false,
         ERROR_PATH_NOT_FOUND},
        {"remove an empty folder", [] { return RemoveDirectoryA("C:\\D\\Empty"); }, true, 0},
        {"remove a full folder", [] { return RemoveDirectoryA("C:\\D\\Full"); }, false, ERROR_DIR_NOT_EMPTY},
        {"remove a file", [] { return RemoveDirectoryA("C:\\D\\file.txt"); }, false, ERROR_DIRECTORY},
        {"remove a missing folder", [] { return RemoveDirectoryA("C:\\D\\Missing"); }, false,
         ERROR_FILE_NOT_FOUND},
        {"remove a root", [] { return RemoveDirectoryA("C:\\"); }, false, ERROR_ACCESS_DENIED},
        {"remove a read-only folder",
         [] {
             SetFileAttributesA("C:\\D\\Empty", FILE_ATTRIBUTE_READONLY);
             return RemoveDirectoryA("C:\\D\\Empty");
         },
         false, ERROR_ACCESS_DENIED},
    };
    RunRows(OsKind::WindowsXP, rows);
}

// Windows holds a process's current folder open without FILE_SHARE_DELETE, so it cannot be removed
// under any spelling until the process moves elsewhere.
TEST(FileOperations, TheCurrentFolderCannotBeRemoved) {
    TestMachine test;
    MakeFiles(test);
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\D\\Empty"));
    for (const char* spelling : {"C:\\D\\Empty", "c:\\d\\EMPTY\\", ".", "..\\Empty"}) {
        SetLastError(0);
        EXPECT_FALSE(RemoveDirectoryA(spelling)) << spelling;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << spelling;
    }
    // A full folder above it is still refused for being full.
    EXPECT_FALSE(RemoveDirectoryA("C:\\D"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\D"));
    EXPECT_TRUE(RemoveDirectoryA("Empty"));
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
}

TEST(FileOperations, CopyAndMove) {
    const std::vector<OperationRow> rows = {
        {"copy", [] { return CopyFileA("C:\\D\\file.txt", "C:\\D\\copy.txt", TRUE); }, true, 0},
        {"copy onto a file, failing if it exists",
         [] { return CopyFileA("C:\\D\\file.txt", "C:\\D\\E\\existing.txt", TRUE); }, false,
         ERROR_FILE_EXISTS},
        {"copy onto a file", [] { return CopyFileA("C:\\D\\file.txt", "C:\\D\\E\\existing.txt", FALSE); },
         true, 0},
        {"copy to another drive", [] { return CopyFileA("C:\\D\\file.txt", "E:\\file.txt", TRUE); }, true, 0},
        {"copy a missing file", [] { return CopyFileA("C:\\D\\missing.txt", "C:\\D\\x.txt", FALSE); }, false,
         ERROR_FILE_NOT_FOUND},
        {"copy into a missing folder", [] { return CopyFileA("C:\\D\\file.txt", "C:\\NOPE\\x.txt", FALSE); },
         false, ERROR_PATH_NOT_FOUND},
        {"copy onto a read-only file",
         [] { return CopyFileA("C:\\D\\file.txt", "C:\\D\\readonly.txt", FALSE); }, false,
         ERROR_ACCESS_DENIED},
        {"copy a folder", [] { return CopyFileA("C:\\D\\Empty", "C:\\D\\x", FALSE); }, false,
         ERROR_ACCESS_DENIED},
        {"copy onto a folder", [] { return CopyFileA("C:\\D\\file.txt", "C:\\D\\Empty", FALSE); }, false,
         ERROR_ACCESS_DENIED},
        {"move", [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\moved.txt", 0); }, true, 0},
        {"move a read-only file", [] { return MoveFileExA("C:\\D\\readonly.txt", "C:\\D\\ro.txt", 0); }, true,
         0},
        {"move onto a file", [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\E\\existing.txt", 0); },
         false, ERROR_ALREADY_EXISTS},
        {"move replacing a file",
         [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\E\\existing.txt", MOVEFILE_REPLACE_EXISTING); },
         true, 0},
        {"move replacing a folder",
         [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\Empty", MOVEFILE_REPLACE_EXISTING); }, false,
         ERROR_ACCESS_DENIED},
        {"move replacing a read-only file",
         [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\readonly.txt", MOVEFILE_REPLACE_EXISTING); },
         false, ERROR_ACCESS_DENIED},
        {"move to another drive", [] { return MoveFileExA("C:\\D\\file.txt", "E:\\file.txt", 0); }, false,
         ERROR_NOT_SAME_DEVICE},
        {"move to another drive by copying",
         [] { return MoveFileExA("C:\\D\\file.txt", "E:\\file.txt", MOVEFILE_COPY_ALLOWED); }, true, 0},
        {"move a folder to another drive",
         [] { return MoveFileExA("C:\\D\\Full", "E:\\Full", MOVEFILE_COPY_ALLOWED); }, false,
         ERROR_NOT_SAME_DEVICE},
        {"move a folder", [] { return MoveFileExA("C:\\D\\Full", "C:\\Moved", 0); }, true, 0},
        {"move a missing file", [] { return MoveFileExA("C:\\D\\missing.txt", "C:\\D\\x.txt", 0); }, false,
         ERROR_FILE_NOT_FOUND},
        {"move into a missing folder", [] { return MoveFileExA("C:\\D\\file.txt", "C:\\NOPE\\x.txt", 0); },
         false, ERROR_PATH_NOT_FOUND},
        {"move to nowhere", [] { return MoveFileExA("C:\\D\\file.txt", nullptr, 0); }, false,
         ERROR_INVALID_PARAMETER},
        {"MoveFileA copies across drives", [] { return MoveFileA("C:\\D\\file.txt", "E:\\file.txt"); }, true,
         0},
    };
    RunRows(OsKind::WindowsXP, rows);
}

TEST(FileOperations, Windows9xHasNoMoveFileEx) {
    const std::vector<OperationRow> rows = {
        {"move", [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\moved.txt", 0); }, false,
         ERROR_CALL_NOT_IMPLEMENTED},
        {"delete at restart",
         [] { return MoveFileExA("C:\\D\\file.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT); }, false,
         ERROR_CALL_NOT_IMPLEMENTED},
        {"move a missing file", [] { return MoveFileExA("C:\\D\\missing.txt", "C:\\x", 0); }, false,
         ERROR_CALL_NOT_IMPLEMENTED},
        {"MoveFileA", [] { return MoveFileA("C:\\D\\file.txt", "E:\\file.txt"); }, true, 0},
    };
    for (OsKind os : {OsKind::Windows95, OsKind::Windows98, OsKind::WindowsMe}) RunRows(os, rows);
}

TEST(FileOperations, ContentsAttributesAndShortNamesFollowTheFile) {
    TestMachine test(WithDriveE(OsKind::WindowsXP));
    test.File("C:\\D\\Long Folder Name\\inner.txt", "in").File("C:\\D\\file.txt", "data");
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\file.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\Long Folder Name\\inner.txt", FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\Long Folder Name", FILE_ATTRIBUTE_HIDDEN));
    const DWORD hiddenReadOnly = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY;

    ASSERT_TRUE(CopyFileA("C:\\D\\file.txt", "E:\\copy.txt", TRUE));
    EXPECT_EQ(test.ReadFile("E:\\copy.txt"), "data");
    EXPECT_EQ(GetFileAttributesA("E:\\copy.txt"), hiddenReadOnly);

    ASSERT_TRUE(MoveFileExA("C:\\D\\LONGFO~1", "C:\\Renamed Folder", 0));
    EXPECT_EQ(GetFileAttributesA("C:\\Renamed Folder"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(GetFileAttributesA("C:\\Renamed Folder\\inner.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(GetFileAttributesA("C:\\D\\Long Folder Name"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA("C:\\RENAME~1\\inner.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM));
    // A new folder of the old name starts with no attributes.
    ASSERT_TRUE(CreateDirectoryA("C:\\D\\Long Folder Name", nullptr));
    EXPECT_EQ(GetFileAttributesA("C:\\D\\Long Folder Name"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    ASSERT_TRUE(MoveFileExA("C:\\D\\file.txt", "E:\\moved.txt", MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(GetFileAttributesA("E:\\moved.txt"), hiddenReadOnly);
    EXPECT_EQ(GetFileAttributesA("C:\\D\\file.txt"), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(SetFileAttributesA("E:\\moved.txt", FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(DeleteFileA("E:\\moved.txt"));
    HANDLE again = CreateFileA("E:\\moved.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
    EXPECT_EQ(GetFileAttributesA("E:\\moved.txt"), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));

    // Only the case of a name changes when it is moved onto itself.
    ASSERT_TRUE(MoveFileA("E:\\copy.txt", "E:\\COPY.TXT"));
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("E:\\copy.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "COPY.TXT");
    FindClose(find);
}

struct BootRow {
    OsKind os;
    bool administrator;
    const char* source;
    const char* destination;
    DWORD flags;
    bool succeeds;
    DWORD error;
    platform::BootOperation recorded;
};

TEST(FileOperations, DelayedMovesAreRecordedAsBootOperations) {
    const DWORD delay = MOVEFILE_DELAY_UNTIL_REBOOT;
    const std::vector<BootRow> rows = {
        {OsKind::WindowsXP,
         true,
         "C:\\PROGRA~1\\corvanta\\old.dll",
         nullptr,
         delay,
         true,
         0,
         {"C:\\Program Files\\Corvanta\\old.dll", "", delay}},
        {OsKind::Windows2000,
         true,
         "C:\\Program Files\\Corvanta\\new.dll",
         "c:\\winnt\\SYSTEM32\\x.dll",
         delay | MOVEFILE_REPLACE_EXISTING,
         true,
         0,
         {"C:\\Program Files\\Corvanta\\new.dll", "C:\\WINNT\\system32\\x.dll",
          delay | MOVEFILE_REPLACE_EXISTING}},
        {OsKind::WindowsNT4,
         true,
         "C:\\Program Files\\Corvanta\\gone.dll",
         nullptr,
         delay,
         true,
         0,
         {"C:\\Program Files\\Corvanta\\gone.dll", "", delay}},
        {OsKind::WindowsXP,
         false,
         "C:\\Program Files\\Corvanta\\old.dll",
         nullptr,
         delay,
         false,
         ERROR_ACCESS_DENIED,
         {}},
        {OsKind::WindowsXP,
         true,
         "C:\\Program Files\\Corvanta\\old.dll",
         "C:\\x.dll",
         delay | MOVEFILE_COPY_ALLOWED,
         false,
         ERROR_INVALID_PARAMETER,
         {}},
        {OsKind::WindowsMe,
         true,
         "C:\\Program Files\\Corvanta\\old.dll",
         nullptr,
         delay,
         false,
         ERROR_CALL_NOT_IMPLEMENTED,
         {}},
    };
    for (const BootRow& row : rows) {
        MachineSettings settings = MachineSettings::Defaults(row.os);
        settings.administrator = row.administrator;
        TestMachine test(settings);
        test.File("C:\\Program Files\\Corvanta\\old.dll", "old")
            .File("C:\\Program Files\\Corvanta\\new.dll", "new");
        std::string label = platform::OsKindName(row.os) + " " + row.source;
        SetLastError(0xDEAD);
        EXPECT_EQ(MoveFileExA(row.source, row.destination, row.flags) != FALSE, row.succeeds) << label;
        std::vector<platform::BootOperation> recorded = platform::ListBootOperations(test.machine());
        if (!row.succeeds) {
            EXPECT_EQ(GetLastError(), row.error) << label;
            EXPECT_TRUE(recorded.empty()) << label;
            continue;
        }
        ASSERT_EQ(recorded.size(), 1u) << label;
        EXPECT_EQ(recorded[0].source, row.recorded.source) << label;
        EXPECT_EQ(recorded[0].destination, row.recorded.destination) << label;
        EXPECT_EQ(recorded[0].flags, row.recorded.flags) << label;
        // Nothing moves before the restart.
        EXPECT_TRUE(test.Exists("C:\\Program Files\\Corvanta\\old.dll")) << label;
    }
}

TEST(FileOperations, FaultsFailEachOperationOnItsLongPath) {
    const std::vector<OperationRow> rows = {
        {"delete", [] { return DeleteFileA("C:\\D\\FILE.TXT"); }, false, ERROR_SHARING_VIOLATION},
        {"createdirectory", [] { return CreateDirectoryA("c:\\d\\new", nullptr); }, false,
         ERROR_SHARING_VIOLATION},
        {"removedirectory", [] { return RemoveDirectoryA("C:\\D\\EMPTY"); }, false, ERROR_SHARING_VIOLATION},
        {"copy", [] { return CopyFileA("C:\\D\\file.txt", "C:\\D\\copy.txt", FALSE); }, false,
         ERROR_SHARING_VIOLATION},
        {"move", [] { return MoveFileExA("C:\\D\\file.txt", "C:\\D\\moved.txt", 0); }, false,
         ERROR_SHARING_VIOLATION},
        {"setattributes", [] { return SetFileAttributesA("C:\\D\\file.txt", FILE_ATTRIBUTE_HIDDEN); }, false,
         ERROR_SHARING_VIOLATION},
        {"attributes",
         [] { return static_cast<BOOL>(GetFileAttributesA("C:\\D\\file.txt") != INVALID_FILE_ATTRIBUTES); },
         false, ERROR_SHARING_VIOLATION},
    };
    const std::vector<std::string> objects = {"C:\\D\\file.txt", "C:\\D\\new",       "C:\\D\\Empty",
                                              "C:\\D\\copy.txt", "C:\\D\\moved.txt", "C:\\D\\*",
                                              "C:\\D\\file.txt"};
    for (std::size_t index = 0; index < rows.size(); ++index) {
        TestMachine test(WithDriveE(OsKind::WindowsXP));
        MakeFiles(test);
        test.Fault("file", objects[index], rows[index].description, ERROR_SHARING_VIOLATION, 1);
        SetLastError(0);
        EXPECT_FALSE(rows[index].call()) << rows[index].description;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << rows[index].description;
        // The fault was used up: the operation now does what it does.
        EXPECT_TRUE(rows[index].call()) << rows[index].description;
    }
}

}  // namespace
