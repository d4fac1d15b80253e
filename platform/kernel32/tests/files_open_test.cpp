// CreateFileA and the calls on its handles: dispositions, access, file pointer, share modes, faults.
#include <gtest/gtest.h>

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

TEST(OpenFiles, NewFilesTakeTheAttributesAskedForAndHiddenFilesAreKept) {
    TestMachine test;
    HANDLE file = CreateFileA("C:\\hidden.dat", kWrite, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(GetFileAttributesA("C:\\hidden.dat"),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
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
