// CreateFileA and the calls on its handles: dispositions, access, file pointer, share modes, faults.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Every row starts from: C:\D\existing.txt holding "old", C:\D\readonly.txt read-only, C:\D\Folder.
void MakeFiles(TestMachine& test) {
    test.File("C:\\D\\existing.txt", "old").File("C:\\D\\readonly.txt", "ro").Folder("C:\\D\\Folder");
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\readonly.txt", FILE_ATTRIBUTE_READONLY));
}

struct OpenRow {
    const char* path;
    DWORD access;
    DWORD disposition;
    bool opens;
    DWORD error;
    long sizeAfter;  // of the opened file; -1 for a failed open
};

TEST(OpenFiles, DispositionsAndTheirErrors) {
    const std::vector<OpenRow> rows = {
        {"C:\\D\\existing.txt", kRead, OPEN_EXISTING, true, 0, 3},
        {"c:\\d\\EXISTING.TXT", kRead, OPEN_EXISTING, true, 0, 3},
        {"C:\\D\\existing.txt", kReadWrite, CREATE_NEW, false, ERROR_FILE_EXISTS, -1},
        {"C:\\D\\existing.txt", kWrite, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, 0},
        {"C:\\D\\existing.txt", kRead, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, 3},
        {"C:\\D\\existing.txt", kWrite, TRUNCATE_EXISTING, true, 0, 0},
        {"C:\\D\\existing.txt", kRead, TRUNCATE_EXISTING, false, ERROR_INVALID_PARAMETER, -1},
        {"C:\\D\\existing.txt", kRead, 0, false, ERROR_INVALID_PARAMETER, -1},
        {"C:\\D\\existing.txt", kRead, 6, false, ERROR_INVALID_PARAMETER, -1},
        {"C:\\D\\missing.txt", kRead, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, -1},
        {"C:\\D\\missing.txt", kWrite, TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, -1},
        {"C:\\D\\missing.txt", kWrite, CREATE_NEW, true, 0, 0},
        {"C:\\D\\missing.txt", kWrite, CREATE_ALWAYS, true, 0, 0},
        {"C:\\D\\missing.txt", kRead, OPEN_ALWAYS, true, 0, 0},
        {"C:\\NOPE\\x.txt", kWrite, CREATE_ALWAYS, false, ERROR_PATH_NOT_FOUND, -1},
        {"C:\\NOPE\\x.txt", kRead, OPEN_EXISTING, false, ERROR_PATH_NOT_FOUND, -1},
        {"C:\\D\\readonly.txt", kRead, OPEN_EXISTING, true, 0, 2},
        {"C:\\D\\readonly.txt", kWrite, OPEN_EXISTING, false, ERROR_ACCESS_DENIED, -1},
        {"C:\\D\\readonly.txt", kRead, CREATE_ALWAYS, false, ERROR_ACCESS_DENIED, -1},
        {"C:\\D\\Folder", kRead, OPEN_EXISTING, false, ERROR_ACCESS_DENIED, -1},
        {"C:\\D\\Folder", kWrite, CREATE_NEW, false, ERROR_FILE_EXISTS, -1},
        {"C:\\D\\a>b", kRead, OPEN_EXISTING, false, ERROR_INVALID_NAME, -1},
        {"Q:\\x.txt", kRead, OPEN_EXISTING, false, ERROR_PATH_NOT_FOUND, -1},
    };
    for (const OpenRow& row : rows) {
        TestMachine test;
        MakeFiles(test);
        SetLastError(0xDEAD);
        HANDLE file =
            CreateFileA(row.path, row.access, 0, nullptr, row.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        std::string label = std::string(row.path) + " disposition " + std::to_string(row.disposition);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, row.opens) << label;
        EXPECT_EQ(GetLastError(), row.error) << label;
        if (file == INVALID_HANDLE_VALUE) continue;
        EXPECT_EQ(GetFileSize(file, nullptr), static_cast<DWORD>(row.sizeAfter)) << label;
        EXPECT_TRUE(CloseHandle(file));
    }
}

TEST(OpenFiles, NewFilesTakeTheAttributesAskedForWithArchiveAndHiddenFilesAreKept) {
    TestMachine test;
    HANDLE file = CreateFileA("C:\\hidden.dat", kWrite, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(GetFileAttributesA("C:\\hidden.dat"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    // Replacing a hidden system file without asking for those attributes is refused.
    EXPECT_EQ(
        CreateFileA("C:\\hidden.dat", kWrite, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    file = CreateFileA("C:\\hidden.dat", kWrite, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(GetFileAttributesA("C:\\hidden.dat"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
}

struct CreatedAttributesRow {
    const char* path;
    DWORD disposition;
    DWORD asked;
    DWORD reported;
};

// Windows marks every file whose contents are new for archiving, beside the attributes asked for;
// opening an existing file leaves its attributes alone.
TEST(OpenFiles, CreatedAndReplacedFilesAreMarkedForArchiving) {
    const DWORD archive = FILE_ATTRIBUTE_ARCHIVE;
    const std::vector<CreatedAttributesRow> rows = {
        {"C:\\D\\new.txt", CREATE_NEW, FILE_ATTRIBUTE_NORMAL, archive},
        {"C:\\D\\new.txt", CREATE_NEW, 0, archive},
        {"C:\\D\\new.txt", CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, archive | FILE_ATTRIBUTE_HIDDEN},
        {"C:\\D\\new.txt", OPEN_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, archive | FILE_ATTRIBUTE_TEMPORARY},
        {"C:\\D\\new.txt", CREATE_NEW, FILE_ATTRIBUTE_READONLY, archive | FILE_ATTRIBUTE_READONLY},
        // Replacing takes the attributes asked for in place of the old ones.
        {"C:\\D\\existing.txt", CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, archive},
        {"C:\\D\\existing.txt", CREATE_ALWAYS, FILE_ATTRIBUTE_SYSTEM, archive | FILE_ATTRIBUTE_SYSTEM},
        // Emptying keeps the old attributes; opening changes nothing.
        {"C:\\D\\existing.txt", TRUNCATE_EXISTING, FILE_ATTRIBUTE_HIDDEN, archive | FILE_ATTRIBUTE_TEMPORARY},
        {"C:\\D\\existing.txt", OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_TEMPORARY},
        {"C:\\D\\existing.txt", OPEN_EXISTING, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_TEMPORARY},
    };
    for (const CreatedAttributesRow& row : rows) {
        TestMachine test;
        MakeFiles(test);
        ASSERT_TRUE(SetFileAttributesA("C:\\D\\existing.txt", FILE_ATTRIBUTE_TEMPORARY));
        std::string label = std::string(row.path) + " disposition " + std::to_string(row.disposition) +
                            " attributes " + std::to_string(row.asked);
        HANDLE file = CreateFileA(row.path, kWrite, 0, nullptr, row.disposition, row.asked, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << label;
        EXPECT_TRUE(CloseHandle(file));
        EXPECT_EQ(GetFileAttributesA(row.path), row.reported) << label;
    }
}

struct FolderOpenRow {
    OsKind os;
    const char* path;
    DWORD access;
    DWORD disposition;
    DWORD flags;
    bool opens;
    DWORD error;
};

TEST(OpenFiles, FoldersOpenOnlyWithBackupSemanticsOnNT) {
    const DWORD backup = FILE_FLAG_BACKUP_SEMANTICS;
    const std::vector<FolderOpenRow> rows = {
        {OsKind::WindowsXP, "C:\\D\\Folder", kRead, OPEN_EXISTING, backup, true, 0},
        {OsKind::WindowsXP, "c:\\d\\FOLDER\\", kRead, OPEN_EXISTING, backup, true, 0},
        {OsKind::Windows2000, "C:\\D\\Folder", kReadWrite, OPEN_EXISTING, backup, true, 0},
        {OsKind::WindowsNT4, "C:\\D\\Folder", 0, OPEN_EXISTING, backup, true, 0},
        {OsKind::WindowsXP, "C:\\D\\Folder", kRead, OPEN_ALWAYS, backup, true, ERROR_ALREADY_EXISTS},
        {OsKind::WindowsXP, "C:\\", kRead, OPEN_EXISTING, backup, true, 0},
        {OsKind::WindowsXP, "C:\\D\\Folder", kRead, OPEN_EXISTING, 0, false, ERROR_ACCESS_DENIED},
        {OsKind::WindowsXP, "C:\\D\\Folder", kWrite, CREATE_ALWAYS, backup, false, ERROR_ACCESS_DENIED},
        {OsKind::WindowsXP, "C:\\D\\Folder", kWrite, TRUNCATE_EXISTING, backup, false, ERROR_ACCESS_DENIED},
        {OsKind::WindowsXP, "C:\\D\\Folder", kWrite, CREATE_NEW, backup, false, ERROR_FILE_EXISTS},
        {OsKind::Windows98, "C:\\D\\Folder", kRead, OPEN_EXISTING, backup, false, ERROR_ACCESS_DENIED},
        {OsKind::WindowsXP, "C:\\D\\Missing", kRead, OPEN_EXISTING, backup, false, ERROR_FILE_NOT_FOUND},
    };
    for (const FolderOpenRow& row : rows) {
        TestMachine test(row.os);
        MakeFiles(test);
        std::string label = platform::OsKindName(row.os) + " " + row.path + " disposition " +
                            std::to_string(row.disposition) + " flags " + std::to_string(row.flags);
        SetLastError(0xDEAD);
        HANDLE folder = CreateFileA(row.path, row.access, kShareAll, nullptr, row.disposition, row.flags, nullptr);
        EXPECT_EQ(folder != INVALID_HANDLE_VALUE, row.opens) << label;
        EXPECT_EQ(GetLastError(), row.error) << label;
        if (folder == INVALID_HANDLE_VALUE) continue;
        FILETIME created{}, accessed{}, written{};
        EXPECT_TRUE(GetFileTime(folder, &created, &accessed, &written)) << label;
        EXPECT_NE(written.dwHighDateTime, 0u) << label;
        EXPECT_EQ(GetFileSize(folder, nullptr), 0u) << label;
        // A folder has no data: reading and writing it is no function of a folder.
        char buffer[4];
        DWORD done = 7;
        EXPECT_FALSE(ReadFile(folder, buffer, sizeof buffer, &done, nullptr)) << label;
        EXPECT_EQ(GetLastError(), row.access & kRead ? ERROR_INVALID_FUNCTION : ERROR_ACCESS_DENIED) << label;
        EXPECT_EQ(done, 0u) << label;
        EXPECT_FALSE(WriteFile(folder, "x", 1, &done, nullptr)) << label;
        EXPECT_EQ(GetLastError(), row.access & kWrite ? ERROR_INVALID_FUNCTION : ERROR_ACCESS_DENIED) << label;
        EXPECT_TRUE(CloseHandle(folder)) << label;
    }
}

TEST(OpenFiles, AnOpenFolderKeepsItsShareMode) {
    TestMachine test;
    MakeFiles(test);
    HANDLE folder = CreateFileA("C:\\D\\Folder", kRead, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(folder, INVALID_HANDLE_VALUE);
    // A second open that would not share reading with the first.
    EXPECT_EQ(CreateFileA("C:\\D\\Folder", kRead, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(RemoveDirectoryA("C:\\D\\Folder"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(MoveFileA("C:\\D\\Folder", "C:\\D\\Moved"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(CloseHandle(folder));
    EXPECT_TRUE(RemoveDirectoryA("C:\\D\\Folder"));
}

TEST(OpenFiles, FileTimesOfAnOpenFile) {
    TestMachine test;
    test.File("C:\\a.txt", "abc");
    HANDLE file = CreateFileA("C:\\a.txt", kRead, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written{};
    // Each time is optional.
    EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, nullptr));
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA("C:\\a.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_EQ(written.dwLowDateTime, data.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(written.dwHighDateTime, data.ftLastWriteTime.dwHighDateTime);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(GetFileTime(file, nullptr, nullptr, &written));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

struct SeparatorRow {
    const char* description;
    std::function<bool()> call;  // true when the call succeeded
    DWORD error;
};

// "C:\D\existing.txt\" names a folder called existing.txt: no call finds the file by that name.
TEST(OpenFiles, ANameEndingInASeparatorNamesAFolder) {
    auto opens = [](const char* path, DWORD disposition, DWORD flags) {
        HANDLE file = CreateFileA(path, kReadWrite, kShareAll, nullptr, disposition, flags, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        CloseHandle(file);
        return true;
    };
    const std::vector<SeparatorRow> rows = {
        {"open a file", [&] { return opens("C:\\D\\existing.txt\\", OPEN_EXISTING, 0); }, ERROR_INVALID_NAME},
        {"open a file with backup semantics",
         [&] { return opens("C:\\D\\existing.txt\\", OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS); },
         ERROR_INVALID_NAME},
        {"replace a file", [&] { return opens("C:\\D\\existing.txt/", CREATE_ALWAYS, 0); }, ERROR_INVALID_NAME},
        {"create a file", [&] { return opens("C:\\D\\new.txt\\", CREATE_NEW, 0); }, ERROR_INVALID_NAME},
        {"create or open a file", [&] { return opens("C:\\D\\new.txt\\", OPEN_ALWAYS, 0); }, ERROR_INVALID_NAME},
        {"open a missing entry", [&] { return opens("C:\\D\\new.txt\\", OPEN_EXISTING, 0); },
         ERROR_FILE_NOT_FOUND},
        {"attributes of a file",
         [] { return GetFileAttributesA("C:\\D\\existing.txt\\") != INVALID_FILE_ATTRIBUTES; },
         ERROR_INVALID_NAME},
        {"attributes of a missing entry",
         [] { return GetFileAttributesA("C:\\D\\new.txt\\") != INVALID_FILE_ATTRIBUTES; }, ERROR_FILE_NOT_FOUND},
        {"attributes of a folder",
         [] { return GetFileAttributesA("C:\\D\\Folder\\") == FILE_ATTRIBUTE_DIRECTORY; }, 0},
        {"set the attributes of a file",
         [] { return SetFileAttributesA("C:\\D\\existing.txt\\", FILE_ATTRIBUTE_HIDDEN) != FALSE; },
         ERROR_INVALID_NAME},
        {"delete a file", [] { return DeleteFileA("C:\\D\\existing.txt\\") != FALSE; }, ERROR_INVALID_NAME},
    };
    for (const SeparatorRow& row : rows) {
        TestMachine test;
        MakeFiles(test);
        SetLastError(0xDEAD);
        EXPECT_EQ(row.call(), row.error == 0) << row.description;
        if (row.error != 0) {
            EXPECT_EQ(GetLastError(), row.error) << row.description;
        }
        EXPECT_EQ(test.ReadFile("C:\\D\\existing.txt"), "old") << row.description;
        EXPECT_FALSE(test.Exists("C:\\D\\new.txt")) << row.description;
    }
}

TEST(OpenFiles, ReadsWritesAndMovesThePointer) {
    TestMachine test;
    HANDLE file = CreateFileA("C:\\data.bin", kReadWrite, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
    char buffer[32] = {};
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "world");
    // At the end a read succeeds with nothing read.
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_END), 6u);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 5u);
    ASSERT_TRUE(SetEndOfFile(file));
    DWORD high = 0xFFFF;
    EXPECT_EQ(GetFileSize(file, &high), 5u);
    EXPECT_EQ(high, 0u);
    EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    LONG distanceHigh = 1;
    EXPECT_EQ(SetFilePointer(file, 0, &distanceHigh, FILE_BEGIN), 0u);
    EXPECT_EQ(distanceHigh, 1);
    EXPECT_TRUE(FlushFileBuffers(file));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(test.ReadFile("C:\\DATA.BIN"), "hello");
}

TEST(OpenFiles, HandlesRefuseWhatTheirAccessDoesNotAllow) {
    TestMachine test;
    test.File("C:\\a.txt", "abc");
    HANDLE reader = CreateFileA("C:\\a.txt", kRead, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE writer = CreateFileA("C:\\a.txt", kWrite, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD done = 0;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(SetEndOfFile(reader));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(ReadFile(writer, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(CloseHandle(writer));
    // Closed and made-up handles.
    for (HANDLE bogus :
         {reader, reinterpret_cast<HANDLE>(0x1234), static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(CloseHandle(bogus));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(ReadFile(bogus, buffer, 1, &done, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_EQ(GetFileSize(bogus, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

struct SharingRow {
    DWORD firstAccess;
    DWORD firstShare;
    DWORD secondAccess;
    DWORD secondShare;
    bool secondOpens;
};

TEST(OpenFiles, ShareModesDecideWhetherASecondOpenSucceeds) {
    const std::vector<SharingRow> rows = {
        {kRead, FILE_SHARE_READ, kRead, FILE_SHARE_READ, true},
        {kRead, FILE_SHARE_READ, kWrite, kShareAll, false},
        {kRead, FILE_SHARE_READ, kRead, 0, false},
        {kWrite, FILE_SHARE_READ, kRead, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
        {kWrite, FILE_SHARE_READ, kRead, FILE_SHARE_READ, false},
        {kReadWrite, 0, kRead, kShareAll, false},
        {kReadWrite, 0, 0, 0, true},
        {kRead, kShareAll, DELETE, kShareAll, true},
        {kRead, FILE_SHARE_READ | FILE_SHARE_WRITE, DELETE, kShareAll, false},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const SharingRow& row = rows[index];
        TestMachine test;
        test.File("C:\\shared.txt", "x");
        HANDLE first = CreateFileA("C:\\shared.txt", row.firstAccess, row.firstShare, nullptr, OPEN_EXISTING,
                                   0, nullptr);
        ASSERT_NE(first, INVALID_HANDLE_VALUE) << "row " << index;
        HANDLE second = CreateFileA("C:\\SHARED.TXT", row.secondAccess, row.secondShare, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, row.secondOpens) << "row " << index;
        if (second == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << "row " << index;
        } else {
            CloseHandle(second);
        }
        CloseHandle(first);
        // Once the first handle is closed nothing holds the file.
        second = CreateFileA("C:\\shared.txt", row.secondAccess, row.secondShare, nullptr, OPEN_EXISTING, 0,
                             nullptr);
        EXPECT_NE(second, INVALID_HANDLE_VALUE) << "row " << index;
        CloseHandle(second);
    }
}

struct OpenFileOperationRow {
    OsKind os;
    DWORD share;
    bool deleteSucceeds;
    bool moveSucceeds;
};

TEST(OpenFiles, AnOpenFileWithoutShareDeleteCannotBeDeletedOrMoved) {
    const std::vector<OpenFileOperationRow> rows = {
        {OsKind::WindowsXP, FILE_SHARE_READ, false, false},
        {OsKind::WindowsXP, FILE_SHARE_READ | FILE_SHARE_DELETE, true, true},
        {OsKind::Windows2000, FILE_SHARE_READ | FILE_SHARE_WRITE, false, false},
        // Windows 9x deletes open files; renaming one is refused as on NT.
        {OsKind::Windows98, FILE_SHARE_READ, true, false},
    };
    for (const OpenFileOperationRow& row : rows) {
        TestMachine test(row.os);
        test.File("C:\\D\\open.txt", "x").File("C:\\D\\moved.txt", "y");
        HANDLE file = CreateFileA("C:\\D\\open.txt", kRead, row.share, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        std::string label = platform::OsKindName(row.os) + " share " + std::to_string(row.share);
        EXPECT_EQ(MoveFileA("C:\\D\\open.txt", "C:\\D\\other.txt") != FALSE, row.moveSucceeds) << label;
        if (!row.moveSucceeds) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << label;
            // Nor can the folder holding it be moved.
            EXPECT_FALSE(MoveFileA("C:\\D", "C:\\E")) << label;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << label;
        }
        const char* current = row.moveSucceeds ? "C:\\D\\other.txt" : "C:\\D\\open.txt";
        EXPECT_EQ(DeleteFileA(current) != FALSE, row.deleteSucceeds) << label;
        if (!row.deleteSucceeds) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << label;
        }
        CloseHandle(file);
    }
}

TEST(OpenFiles, FaultsFailOpenReadAndWriteOfTheLongPath) {
    TestMachine test;
    test.File("C:\\Program Files\\Corvanta\\data.ini", "abc");
    test.Fault("file", "C:\\Program Files\\Corvanta\\data.ini", "open", ERROR_ACCESS_DENIED, 1);
    EXPECT_EQ(CreateFileA("C:\\PROGRA~1\\corvanta\\DATA.INI", kRead, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // A fault on a file that does not exist yet fails its creation.
    test.Fault("file", "C:\\Program Files\\Corvanta\\new.ini", "open", ERROR_DISK_FULL);
    EXPECT_EQ(CreateFileA("C:\\Program Files\\Corvanta\\new.ini", kWrite, 0, nullptr, CREATE_NEW, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));

    test.Fault("file", "C:\\Program Files\\*", "read", ERROR_CANTREAD, 1);
    test.Fault("file", "C:\\Program Files\\Corvanta\\data.ini", "write", ERROR_CANTWRITE, 1);
    HANDLE file =
        CreateFileA("C:\\PROGRA~1\\corvanta\\DATA.INI", kReadWrite, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[8];
    DWORD done = 0;
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANTREAD));
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(done, 3u);
    EXPECT_FALSE(WriteFile(file, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANTWRITE));
    EXPECT_TRUE(WriteFile(file, "x", 1, &done, nullptr));
    CloseHandle(file);
}

}  // namespace
