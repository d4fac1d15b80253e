// FindFirstFileA, FindNextFileA and FindClose: the wildcard rules, the find data and the errors.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/testing/worker_process.h"
#include "windows.h"

namespace {

using platform::TestMachine;

// The names a search lists, or the error when it finds nothing.
std::vector<std::string> FindAll(const std::string& pattern, DWORD* error) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    *error = find == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES)) << pattern;
    EXPECT_TRUE(FindClose(find));
    return names;
}

void MakeSearchFolder(TestMachine& test) {
    for (const char* name :
         {"abc", "ab", "a.txt", "ab.txt", "abc.txt", "a.b.txt", "b.txt.bak", "index.html", "Long Name.doc"}) {
        test.File(std::string("C:\\W\\") + name, "x");
    }
}

struct WildcardRow {
    const char* pattern;
    std::vector<std::string> names;  // in listing order; empty: ERROR_FILE_NOT_FOUND
};

TEST(Find, WildcardsMatchAsWindowsDoes) {
    TestMachine test;
    MakeSearchFolder(test);
    const std::vector<std::string> all = {".",         "..",         "a.b.txt",      "a.txt",
                                          "ab",        "ab.txt",     "abc",          "abc.txt",
                                          "b.txt.bak", "index.html", "Long Name.doc"};
    const std::vector<WildcardRow> rows = {
        {"*", all},
        {"*.*", all},
        // Names without an extension, and the two dot entries.
        {"*.", {".", "..", "ab", "abc"}},
        {"*.txt", {"a.b.txt", "a.txt", "ab.txt", "abc.txt"}},
        {"*.TXT", {"a.b.txt", "a.txt", "ab.txt", "abc.txt"}},
        // '?' matches one character, or none before a dot or at the end.
        {"a?.txt", {"a.txt", "ab.txt"}},
        {"??", {"ab"}},
        {"???", {"ab", "abc"}},
        {"?", {}},
        {"a?c", {"abc"}},
        {"?bc", {"abc"}},
        // "a.b.txt" is AB~1.TXT in 8.3 form, so it matches too, as on Windows.
        {"ab*", {"a.b.txt", "ab", "ab.txt", "abc", "abc.txt"}},
        // '*' before a dot stops at the last dot of the name.
        {"*.b*", {"a.b.txt", "b.txt.bak"}},
        {"*.txt.bak", {"b.txt.bak"}},
        {"*.tx?", {"a.b.txt", "a.txt", "ab.txt", "abc.txt"}},
        {"*t", {"a.b.txt", "a.txt", "ab.txt", "abc.txt"}},
        {"*name*", {"Long Name.doc"}},
        // Matching is also tried against the 8.3 name: INDEX~1.HTM.
        {"*.htm", {"index.html"}},
        {"LONGNA~1.DOC", {"Long Name.doc"}},
        {"long name.DOC", {"Long Name.doc"}},
        {"abc.txt", {"abc.txt"}},
        {"abc.", {"abc"}},
        {"zzz*", {}},
    };
    for (const WildcardRow& row : rows) {
        DWORD error = 0;
        std::vector<std::string> names = FindAll(std::string("C:\\W\\") + row.pattern, &error);
        EXPECT_EQ(names, row.names) << row.pattern;
        EXPECT_EQ(error, row.names.empty() ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND) : 0u) << row.pattern;
    }
}

// Long runs of wildcards match what their short forms match, and at once: the work follows the
// name's length, not the number of ways the stars could split it.
TEST(Find, LongRunsOfWildcardsMatchAsShortOnes) {
    TestMachine test;
    const std::string name = std::string(246, 'a') + ".txt";
    test.File("C:\\L\\" + name, "x");
    const std::string stars(100000, '*');
    std::string starsBetweenLetters;
    std::string questionsAndStars;
    for (int index = 0; index < 50000; ++index) {
        starsBetweenLetters += "*a";
        questionsAndStars += "?*";
    }
    struct LongRow {
        std::string pattern;
        std::vector<std::string> names;
    };
    const std::vector<LongRow> rows = {
        {stars, {".", "..", name}},
        {stars + ".txt", {name}},
        // Only a lone star stops at the last dot: with two or more, "*." matches every name.
        {stars + ".", {".", "..", name}},
        {stars + "b", {}},
        {starsBetweenLetters + "*", {}},
        {questionsAndStars + ".txt", {name}},
    };
    for (const LongRow& row : rows) {
        DWORD error = 0;
        std::vector<std::string> names = FindAll("C:\\L\\" + row.pattern, &error);
        std::string label = "..." + row.pattern.substr(row.pattern.size() - 8);
        EXPECT_EQ(names, row.names) << label;
        EXPECT_EQ(error, row.names.empty() ? static_cast<DWORD>(ERROR_FILE_NOT_FOUND) : 0u) << label;
    }
}

TEST(Find, RootListsNoDotEntriesAndRelativeSearchesUseTheCurrentFolder) {
    TestMachine test;
    MakeSearchFolder(test);
    DWORD error = 0;
    std::vector<std::string> root = FindAll("C:\\*", &error);
    ASSERT_FALSE(root.empty());
    EXPECT_NE(root.front(), ".");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\W"));
    EXPECT_EQ(FindAll("*.htm", &error), std::vector<std::string>{"index.html"});
    EXPECT_EQ(FindAll("c:abc", &error), std::vector<std::string>{"abc"});
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
}

struct FindErrorRow {
    const char* path;
    DWORD error;
};

TEST(Find, ErrorsOfFailedSearches) {
    TestMachine test;
    MakeSearchFolder(test);
    const std::vector<FindErrorRow> rows = {
        {"C:\\W\\zzz", ERROR_FILE_NOT_FOUND},        {"C:\\W\\", ERROR_FILE_NOT_FOUND},
        {"C:\\NOWHERE\\*", ERROR_PATH_NOT_FOUND},    {"C:\\NOWHERE\\DEEPER\\*.*", ERROR_PATH_NOT_FOUND},
        {"C:\\W\\abc.txt\\*", ERROR_PATH_NOT_FOUND}, {"Q:\\*", ERROR_PATH_NOT_FOUND},
        {"C:\\W\\a|b", ERROR_INVALID_NAME},          {"C:\\W*\\x", ERROR_INVALID_NAME},
    };
    for (const FindErrorRow& row : rows) {
        WIN32_FIND_DATAA data;
        SetLastError(0);
        EXPECT_EQ(FindFirstFileA(row.path, &data), INVALID_HANDLE_VALUE) << row.path;
        EXPECT_EQ(GetLastError(), row.error) << row.path;
    }
    WIN32_FIND_DATAA data;
    EXPECT_FALSE(FindNextFileA(reinterpret_cast<HANDLE>(0x5678), &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    HANDLE find = FindFirstFileA("C:\\W\\*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(find));
    EXPECT_FALSE(FindClose(find));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

std::int64_t ToUnixSeconds(const FILETIME& time) {
    std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

TEST(Find, FillsTheFindData) {
    TestMachine test;
    test.File("C:\\W\\index.html", "hello").File("C:\\W\\abc.txt", "").Folder("C:\\W\\Sub Folder");
    ASSERT_TRUE(SetFileAttributesA("C:\\W\\abc.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    WIN32_FIND_DATAA data;
    std::memset(&data, 0x55, sizeof data);
    HANDLE find = FindFirstFileA("C:\\W\\index.html", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "index.html");
    EXPECT_STREQ(data.cAlternateFileName, "INDEX~1.HTM");
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwReserved0, 0u);
    std::int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    EXPECT_LE(std::llabs(ToUnixSeconds(data.ftLastWriteTime) - now), 60);
    EXPECT_LE(std::llabs(ToUnixSeconds(data.ftCreationTime) - now), 60);
    EXPECT_FALSE(FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    FindClose(find);

    find = FindFirstFileA("C:\\W\\abc.txt", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cAlternateFileName, "");
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    FindClose(find);

    find = FindFirstFileA("C:\\W\\sub*", &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(data.cFileName, "Sub Folder");
    EXPECT_STREQ(data.cAlternateFileName, "SUBFOL~1");
    EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(data.nFileSizeLow, 0u);
    FindClose(find);
}

TEST(Find, FaultsFailTheSearchOfTheirPattern) {
    TestMachine test;
    MakeSearchFolder(test);
    test.Fault("file", "C:\\W\\*.txt", "find", ERROR_NOT_READY, 1);
    DWORD error = 0;
    EXPECT_TRUE(FindAll("c:\\w\\*.txt", &error).empty());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_READY));
    EXPECT_EQ(FindAll("C:\\W\\*.txt", &error).size(), 4u);
}

// Folders searched again and again are listed once while they stay as they were: changes made by this
// process, by another process of the machine and directly on the host must all be seen at once.
struct FolderChangeRow {
    const char* what;
    std::function<void(TestMachine&)> change;
    std::vector<std::string> listed;  // what "*" then lists, the dot entries left out
    std::vector<std::string> present;  // spellings never looked up before that now exist
    std::vector<std::string> absent;   // and that do not
};

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RunWorker(TestMachine& test, std::vector<std::string> arguments) {
    platform::WorkerProcess worker(test, PROCESS_WORKER, std::move(arguments));
    EXPECT_EQ(worker.Wait(), 0);
}

TEST(Find, ChangesToAFolderSearchedBeforeAreSeenAtOnce) {
    namespace fs = std::filesystem;
    const std::vector<std::string> created = {"created.txt", "gone.txt", "kept.txt", "Old Name.txt"};
    const std::vector<std::string> deleted = {"kept.txt", "Old Name.txt"};
    const std::vector<std::string> renamed = {"gone.txt", "kept.txt", "New Name.txt"};
    const std::vector<FolderChangeRow> rows = {
        {"created by this process",
         [](TestMachine&) { CloseHandle(CreateFileA("C:\\Cached\\created.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr)); },
         created, {"C:\\CACHED\\CREATED.TXT"}, {}},
        {"deleted by this process", [](TestMachine&) { EXPECT_TRUE(DeleteFileA("C:\\Cached\\gone.txt")); }, deleted, {},
         {"C:\\CACHED\\GONE.TXT"}},
        {"renamed by this process",
         [](TestMachine&) { EXPECT_TRUE(MoveFileA("C:\\Cached\\Old Name.txt", "C:\\Cached\\New Name.txt")); }, renamed,
         {"C:\\CACHED\\NEW NAME.TXT", "C:\\CACHED\\NEWNAM~1.TXT"}, {"C:\\CACHED\\OLD NAME.TXT"}},
        {"created by another process", [](TestMachine& test) { RunWorker(test, {"create", "C:\\Cached\\created.txt"}); },
         created, {"C:\\CACHED\\CREATED.TXT"}, {}},
        {"deleted by another process", [](TestMachine& test) { RunWorker(test, {"delete", "C:\\Cached\\gone.txt"}); },
         deleted, {}, {"C:\\CACHED\\GONE.TXT"}},
        {"renamed by another process",
         [](TestMachine& test) { RunWorker(test, {"move", "C:\\Cached\\Old Name.txt", "C:\\Cached\\New Name.txt"}); },
         renamed, {"C:\\CACHED\\NEW NAME.TXT", "C:\\CACHED\\NEWNAM~1.TXT"}, {"C:\\CACHED\\OLD NAME.TXT"}},
        {"created on the host", [](TestMachine& test) { std::ofstream(test.HostPath("C:\\Cached") / "created.txt"); },
         created, {"C:\\CACHED\\CREATED.TXT"}, {}},
        {"deleted on the host", [](TestMachine& test) { fs::remove(test.HostPath("C:\\Cached\\gone.txt")); }, deleted, {},
         {"C:\\CACHED\\GONE.TXT"}},
        {"renamed on the host",
         [](TestMachine& test) {
             fs::path folder = test.HostPath("C:\\Cached");
             fs::rename(folder / "Old Name.txt", folder / "New Name.txt");
         },
         renamed, {"C:\\CACHED\\NEW NAME.TXT", "C:\\CACHED\\NEWNAM~1.TXT"}, {"C:\\CACHED\\OLD NAME.TXT"}},
    };
    for (const FolderChangeRow& row : rows) {
        TestMachine test;
        for (const char* name : {"kept.txt", "gone.txt", "Old Name.txt"}) test.File(std::string("C:\\Cached\\") + name, "x");
        // Stamps this old are trusted: the folder's listing is kept from here on.
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        DWORD error = 0;
        for (int search = 0; search < 2; ++search) {
            EXPECT_EQ(FindAll("C:\\Cached\\*.txt", &error),
                      (std::vector<std::string>{"gone.txt", "kept.txt", "Old Name.txt"}))
                << row.what;
        }
        EXPECT_TRUE(Exists("C:\\CACHED\\KEPT.TXT")) << row.what;
        EXPECT_TRUE(Exists("C:\\CACHED\\OLDNAM~1.TXT")) << row.what;
        row.change(test);
        std::vector<std::string> listed = FindAll("C:\\Cached\\*", &error);
        listed.erase(listed.begin(), listed.begin() + 2);
        EXPECT_EQ(listed, row.listed) << row.what;
        for (const std::string& path : row.present) EXPECT_TRUE(Exists(path)) << row.what << ": " << path;
        for (const std::string& path : row.absent) EXPECT_FALSE(Exists(path)) << row.what << ": " << path;
    }
}

TEST(Find, FilesMadeOnTheHostInQuickSuccessionAreSeen) {
    TestMachine test;
    test.Folder("C:\\Busy");
    std::filesystem::path folder = test.HostPath("C:\\Busy");
    std::vector<std::string> expected = {".", ".."};
    for (int index = 0; index < 40; ++index) {
        // Changes within one tick of the file system's clock leave the folder's stamps as they were.
        std::string name = "file" + std::to_string(100 + index) + ".txt";
        std::ofstream(folder / name);
        expected.push_back(name);
        DWORD error = 0;
        ASSERT_EQ(FindAll("C:\\Busy\\*", &error), expected) << index;
        ASSERT_TRUE(Exists("C:\\BUSY\\" + name)) << index;
    }
}

}  // namespace
