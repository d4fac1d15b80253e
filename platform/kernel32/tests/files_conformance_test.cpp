// The documented behaviour of the file calls, one row per rule: each row makes its call on the same
// set of files and states what Windows returns, the last error and, where the rule is about an effect,
// what the files look like afterwards.
#include <gtest/gtest.h>

#include <cstring>
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

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The outcome of a call that succeeded but left the files other than the rule says.
constexpr DWORD kWrongEffect = 0xEFFEC7;

// Every row starts from: C:\D\file.txt holding "data", C:\D\readonly.txt read-only, C:\D\archived.txt
// hidden and marked for archiving, the empty folder C:\D\Empty, C:\D\Full holding inner.txt, and a
// fixed drive E:.
void MakeFiles(TestMachine& test) {
    test.File("C:\\D\\file.txt", "data")
        .File("C:\\D\\readonly.txt", "ro")
        .File("C:\\D\\archived.txt", "a")
        .Folder("C:\\D\\Empty")
        .File("C:\\D\\Full\\inner.txt", "in");
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\readonly.txt", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(SetFileAttributesA("C:\\D\\archived.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
}

// 0 when the call succeeded, else its last error.
DWORD Outcome(bool succeeded) {
    return succeeded ? 0 : GetLastError();
}

// Opens, closes and tells the outcome; an open that succeeds must also leave the last error as asked.
DWORD Open(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags = 0,
           DWORD lastErrorOnSuccess = 0) {
    HANDLE file = CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD error = GetLastError();
    CloseHandle(file);
    return error == lastErrorOnSuccess ? 0 : kWrongEffect;
}

// Opens with no sharing, then tries a second open while the first is held.
DWORD OpenTwice(DWORD firstShare, DWORD secondAccess) {
    HANDLE first = CreateFileA("C:\\D\\file.txt", kRead, firstShare, nullptr, OPEN_EXISTING, 0, nullptr);
    if (first == INVALID_HANDLE_VALUE) return kWrongEffect;
    DWORD outcome = Open("C:\\D\\file.txt", secondAccess, kShareAll, OPEN_EXISTING);
    CloseHandle(first);
    return outcome;
}

DWORD Attributes(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
}

DWORD Find(const char* pattern) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return GetLastError();
    FindClose(find);
    return 0;
}

// Succeeds, with kWrongEffect otherwise, when the call's text and the size rule are right: the text
// and its length when it fits, else the size needed with the terminator, and the buffer untouched.
DWORD TextWithSizeRule(const std::function<DWORD(DWORD, LPSTR)>& call, const std::string& expected) {
    char buffer[MAX_PATH];
    DWORD length = call(sizeof buffer, buffer);
    if (length == 0) return GetLastError();
    if (length != expected.size() || expected != buffer) return kWrongEffect;
    std::memset(buffer, '#', sizeof buffer);
    if (call(length, buffer) != length + 1 || buffer[0] != '#') return kWrongEffect;
    return 0;
}

struct ConformanceRow {
    const char* rule;
    std::function<DWORD(TestMachine&)> call;
    DWORD outcome;  // 0: the call succeeds (and has its effect); else the last error it fails with
};

TEST(FilesConformance, EachDocumentedRuleHolds) {
    const std::vector<ConformanceRow> rows = {
        // CreateFileA: each disposition on an existing and on a missing file.
        {"CREATE_NEW, existing: ERROR_FILE_EXISTS",
         [](TestMachine&) { return Open("C:\\D\\file.txt", kWrite, 0, CREATE_NEW); }, ERROR_FILE_EXISTS},
        {"CREATE_NEW, missing: creates",
         [](TestMachine& test) {
             DWORD outcome = Open("C:\\D\\new.txt", kWrite, 0, CREATE_NEW);
             return outcome == 0 && !test.Exists("C:\\D\\new.txt") ? kWrongEffect : outcome;
         },
         0},
        {"CREATE_ALWAYS, existing: truncates, ERROR_ALREADY_EXISTS",
         [](TestMachine& test) {
             DWORD outcome = Open("C:\\D\\file.txt", kWrite, 0, CREATE_ALWAYS, 0, ERROR_ALREADY_EXISTS);
             return outcome == 0 && !test.ReadFile("C:\\D\\file.txt").empty() ? kWrongEffect : outcome;
         },
         0},
        {"CREATE_ALWAYS, missing: creates, last error 0",
         [](TestMachine&) { return Open("C:\\D\\new.txt", kWrite, 0, CREATE_ALWAYS); }, 0},
        {"OPEN_EXISTING, missing: ERROR_FILE_NOT_FOUND",
         [](TestMachine&) { return Open("C:\\D\\new.txt", kRead, 0, OPEN_EXISTING); }, ERROR_FILE_NOT_FOUND},
        {"OPEN_EXISTING, missing folder on the way: ERROR_PATH_NOT_FOUND",
         [](TestMachine&) { return Open("C:\\Nope\\new.txt", kRead, 0, OPEN_EXISTING); },
         ERROR_PATH_NOT_FOUND},
        {"OPEN_ALWAYS, existing: keeps the contents, ERROR_ALREADY_EXISTS",
         [](TestMachine& test) {
             DWORD outcome = Open("C:\\D\\file.txt", kRead, 0, OPEN_ALWAYS, 0, ERROR_ALREADY_EXISTS);
             return outcome == 0 && test.ReadFile("C:\\D\\file.txt") != "data" ? kWrongEffect : outcome;
         },
         0},
        {"OPEN_ALWAYS, missing: creates, last error 0",
         [](TestMachine&) { return Open("C:\\D\\new.txt", kRead, 0, OPEN_ALWAYS); }, 0},
        {"TRUNCATE_EXISTING, missing: ERROR_FILE_NOT_FOUND",
         [](TestMachine&) { return Open("C:\\D\\new.txt", kWrite, 0, TRUNCATE_EXISTING); }, ERROR_FILE_NOT_FOUND},
        {"TRUNCATE_EXISTING without GENERIC_WRITE: ERROR_INVALID_PARAMETER",
         [](TestMachine&) { return Open("C:\\D\\file.txt", kRead, 0, TRUNCATE_EXISTING); },
         ERROR_INVALID_PARAMETER},
        {"CREATE_ALWAYS over a hidden file without FILE_ATTRIBUTE_HIDDEN: ERROR_ACCESS_DENIED",
         [](TestMachine&) { return Open("C:\\D\\archived.txt", kWrite, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL); },
         ERROR_ACCESS_DENIED},
        {"a created file is marked for archiving",
         [](TestMachine&) {
             DWORD outcome = Open("C:\\D\\new.txt", kWrite, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL);
             return outcome == 0 && GetFileAttributesA("C:\\D\\new.txt") != FILE_ATTRIBUTE_ARCHIVE ? kWrongEffect
                                                                                                  : outcome;
         },
         0},
        {"writing a read-only file: ERROR_ACCESS_DENIED",
         [](TestMachine&) { return Open("C:\\D\\readonly.txt", kWrite, 0, OPEN_EXISTING); }, ERROR_ACCESS_DENIED},
        // Sharing.
        {"a second reader where the first shares reading",
         [](TestMachine&) { return OpenTwice(FILE_SHARE_READ, kRead); }, 0},
        {"a writer where the first shares only reading: ERROR_SHARING_VIOLATION",
         [](TestMachine&) { return OpenTwice(FILE_SHARE_READ, kWrite); }, ERROR_SHARING_VIOLATION},
        // Folders.
        {"a folder without FILE_FLAG_BACKUP_SEMANTICS: ERROR_ACCESS_DENIED",
         [](TestMachine&) { return Open("C:\\D\\Empty", kRead, kShareAll, OPEN_EXISTING); }, ERROR_ACCESS_DENIED},
        {"a folder with FILE_FLAG_BACKUP_SEMANTICS opens",
         [](TestMachine&) {
             return Open("C:\\D\\Empty", kRead, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
         },
         0},
        {"a file name ending in a backslash: ERROR_INVALID_NAME",
         [](TestMachine&) { return Open("C:\\D\\file.txt\\", kRead, kShareAll, OPEN_EXISTING); }, ERROR_INVALID_NAME},
        // DeleteFileA.
        {"DeleteFileA of a read-only file: ERROR_ACCESS_DENIED",
         [](TestMachine&) { return Outcome(DeleteFileA("C:\\D\\readonly.txt")); }, ERROR_ACCESS_DENIED},
        {"DeleteFileA of a folder: ERROR_ACCESS_DENIED",
         [](TestMachine&) { return Outcome(DeleteFileA("C:\\D\\Empty")); }, ERROR_ACCESS_DENIED},
        {"DeleteFileA of a missing file: ERROR_FILE_NOT_FOUND",
         [](TestMachine&) { return Outcome(DeleteFileA("C:\\D\\new.txt")); }, ERROR_FILE_NOT_FOUND},
        {"DeleteFileA in a missing folder: ERROR_PATH_NOT_FOUND",
         [](TestMachine&) { return Outcome(DeleteFileA("C:\\Nope\\new.txt")); }, ERROR_PATH_NOT_FOUND},
        // RemoveDirectoryA.
        {"RemoveDirectoryA of a folder that is not empty: ERROR_DIR_NOT_EMPTY",
         [](TestMachine&) { return Outcome(RemoveDirectoryA("C:\\D\\Full")); }, ERROR_DIR_NOT_EMPTY},
        {"RemoveDirectoryA of the current folder: ERROR_SHARING_VIOLATION",
         [](TestMachine&) {
             SetCurrentDirectoryA("C:\\D\\Empty");
             DWORD outcome = Outcome(RemoveDirectoryA("C:\\D\\Empty"));
             SetCurrentDirectoryA("C:\\");
             return outcome;
         },
         ERROR_SHARING_VIOLATION},
        // CopyFileA.
        {"CopyFileA failing if the target exists: ERROR_FILE_EXISTS",
         [](TestMachine&) { return Outcome(CopyFileA("C:\\D\\file.txt", "C:\\D\\readonly.txt", TRUE)); },
         ERROR_FILE_EXISTS},
        {"CopyFileA copies the attributes, ARCHIVE among them",
         [](TestMachine&) {
             DWORD outcome = Outcome(CopyFileA("C:\\D\\archived.txt", "E:\\copy.txt", TRUE));
             DWORD wanted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
             return outcome == 0 && GetFileAttributesA("E:\\copy.txt") != wanted ? kWrongEffect : outcome;
         },
         0},
        // MoveFileA and MoveFileExA.
        {"MoveFileA onto an existing file: ERROR_ALREADY_EXISTS",
         [](TestMachine&) { return Outcome(MoveFileA("C:\\D\\file.txt", "C:\\D\\archived.txt")); },
         ERROR_ALREADY_EXISTS},
        {"MoveFileExA with MOVEFILE_REPLACE_EXISTING replaces",
         [](TestMachine& test) {
             DWORD outcome =
                 Outcome(MoveFileExA("C:\\D\\file.txt", "C:\\D\\archived.txt", MOVEFILE_REPLACE_EXISTING));
             return outcome == 0 && test.ReadFile("C:\\D\\archived.txt") != "data" ? kWrongEffect : outcome;
         },
         0},
        {"MoveFileExA to another drive without MOVEFILE_COPY_ALLOWED: ERROR_NOT_SAME_DEVICE",
         [](TestMachine&) { return Outcome(MoveFileExA("C:\\D\\file.txt", "E:\\file.txt", 0)); },
         ERROR_NOT_SAME_DEVICE},
        {"MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT waits for the restart",
         [](TestMachine& test) {
             DWORD outcome = Outcome(MoveFileExA("C:\\D\\file.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
             bool waits = test.Exists("C:\\D\\file.txt") && platform::ListBootOperations(test.machine()).size() == 1;
             return outcome == 0 && !waits ? kWrongEffect : outcome;
         },
         0},
        // GetFileAttributesA.
        {"GetFileAttributesA of a missing file: ERROR_FILE_NOT_FOUND",
         [](TestMachine&) { return Attributes("C:\\D\\new.txt"); }, ERROR_FILE_NOT_FOUND},
        {"GetFileAttributesA in a missing folder: ERROR_PATH_NOT_FOUND",
         [](TestMachine&) { return Attributes("C:\\Nope\\new.txt"); }, ERROR_PATH_NOT_FOUND},
        // FindFirstFileA.
        {"FindFirstFileA that matches nothing: ERROR_FILE_NOT_FOUND",
         [](TestMachine&) { return Find("C:\\D\\*.zzz"); }, ERROR_FILE_NOT_FOUND},
        {"FindFirstFileA in a missing folder: ERROR_PATH_NOT_FOUND",
         [](TestMachine&) { return Find("C:\\Nope\\*"); }, ERROR_PATH_NOT_FOUND},
        // GetFullPathNameA and GetTempPathA, with the size rule.
        {"GetFullPathNameA makes a relative name full",
         [](TestMachine&) {
             SetCurrentDirectoryA("C:\\D");
             DWORD outcome = TextWithSizeRule(
                 [](DWORD size, LPSTR buffer) { return GetFullPathNameA("..\\x\\.\\y.txt", size, buffer, nullptr); },
                 "C:\\x\\y.txt");
             SetCurrentDirectoryA("C:\\");
             return outcome;
         },
         0},
        {"GetTempPathA follows TMP and ends with a backslash",
         [](TestMachine&) {
             SetEnvironmentVariableA("TMP", "C:\\Not There");
             return TextWithSizeRule(GetTempPathA, "C:\\Not There\\");
         },
         0},
    };
    MachineSettings settings = MachineSettings::Defaults(OsKind::WindowsXP);
    settings.drives.push_back({'E', DRIVE_FIXED});
    for (const ConformanceRow& row : rows) {
        TestMachine test(settings);
        MakeFiles(test);
        SetLastError(0xDEAD);
        EXPECT_EQ(row.call(test), row.outcome) << row.rule;
    }
}

}  // namespace
