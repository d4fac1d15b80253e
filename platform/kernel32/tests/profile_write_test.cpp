// WritePrivateProfileStringA and WritePrivateProfileSectionA: the edits they make to the file's lines,
// what they keep, and how they fail.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <csignal>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine/files/host_path.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr char kPath[] = "C:\\WINDOWS\\write.ini";

struct EditRow {
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
};

TEST(ProfileWrite, StringEdits) {
    const std::vector<EditRow> rows = {
        // A changed key keeps its place, its spelling in the file and its line end.
        {"[S]\nKey = old\n; note\n", "s", "KEY", "new", "[S]\nKey=new\n; note\n"},
        // A new key follows the section's last line, before the blank lines that end it.
        {"[A]\r\nx=1\r\n;c\r\n\r\n[B]\r\ny=2\r\n", "A", "z", "3",
         "[A]\r\nx=1\r\n;c\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        {"[A]\r\n\r\n[B]\r\n", "A", "z", "3", "[A]\r\nz=3\r\n\r\n[B]\r\n"},
        // A new section goes at the end; a last line without a line end gets one.
        {"[A]\r\nx=1", "B", "k", "v", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"", "B", "k", "v", "[B]\r\nk=v\r\n"},
        // Names lose their outer spaces; the value is written as given.
        {"[A]\r\n", "  A  ", "  k  ", " v ", "[A]\r\nk= v \r\n"},
        // Only the first of duplicate keys and sections changes.
        {"[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n", "A", "k", "9", "[A]\r\nk=9\r\nk=2\r\n[A]\r\nk=3\r\n"},
        // A line without '=' is the key it names.
        {"[A]\r\nflag\r\n", "A", "flag", "on", "[A]\r\nflag=on\r\n"},
        // A NULL value removes the key's first line.
        {"[A]\r\nx=1\r\ny=2\r\n", "A", "x", nullptr, "[A]\r\ny=2\r\n"},
        {"[A]\r\nx=1\r\ny=2", "A", "y", nullptr, "[A]\r\nx=1\r\n"},
        {"[A]\r\nx=1\r\n", "A", "missing", nullptr, "[A]\r\nx=1\r\n"},
        // A NULL key removes the section: header, keys and blank lines; comment lines stay.
        {";c0\r\n[A]\r\n;c1\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "a", nullptr, nullptr,
         ";c0\r\n;c1\r\n[B]\r\ny=2\r\n"},
        {"[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "B", nullptr, nullptr, "[A]\r\nx=1\r\n"},
        {"[A]\r\nx=1\r\n", "Missing", nullptr, nullptr, "[A]\r\nx=1\r\n"},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const EditRow& row = rows[index];
        platform::TestMachine machine;
        machine.File(kPath, row.before);
        EXPECT_TRUE(WritePrivateProfileStringA(row.section, row.key, row.value, "write.ini"))
            << "row " << index;
        EXPECT_EQ(machine.ReadFile(kPath), row.after) << "row " << index;
    }
}

TEST(ProfileWrite, SectionEdits) {
    const std::vector<EditRow> rows = {
        // The old contents go, comments with them; the blank lines before the next section stay.
        {"[A]\r\nx=1\r\n;c\r\ny=2\r\n\r\n[B]\r\n", "a", nullptr, "p=1\0q = 2\0",
         "[A]\r\np=1\r\nq = 2\r\n\r\n[B]\r\n"},
        {"[A]\r\nx=1\r\n", "B", nullptr, "k=v\0", "[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        {"[A]\r\nx=1\r\n[B]\r\n", "A", nullptr, "", "[A]\r\n[B]\r\n"},
        {"[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "A", nullptr, nullptr, "[B]\r\ny=2\r\n"},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const EditRow& row = rows[index];
        platform::TestMachine machine;
        machine.File(kPath, row.before);
        EXPECT_TRUE(WritePrivateProfileSectionA(row.section, row.value, "write.ini")) << "row " << index;
        EXPECT_EQ(machine.ReadFile(kPath), row.after) << "row " << index;
    }
}

TEST(ProfileWrite, NewFileAndImmediateRead) {
    platform::TestMachine machine;
    SetLastError(0);
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "v", "C:\\new.ini"));
    // Windows first looks for an existing file; the file it had to create leaves that error behind.
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(machine.ReadFile("C:\\new.ini"), "[S]\r\nk=v\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("S", "k", "longer value", "C:\\new.ini"));
    char buffer[32];
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buffer, sizeof buffer, "C:\\new.ini"), 12u);
    EXPECT_STREQ(buffer, "longer value");
    // Removing from a file that does not exist leaves it missing.
    EXPECT_TRUE(WritePrivateProfileStringA("S", nullptr, nullptr, "C:\\other.ini"));
    EXPECT_TRUE(WritePrivateProfileStringA("S", "k", nullptr, "C:\\other.ini"));
    EXPECT_FALSE(machine.Exists("C:\\other.ini"));
    // WIN.INI is the Windows folder's.
    ASSERT_TRUE(WriteProfileStringA("windows", "device", "printer"));
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\win.ini"), "[windows]\r\ndevice=printer\r\n");
}

struct FailureRow {
    const char* section;
    const char* key;
    const char* file;
    DWORD expectedError;
};

TEST(ProfileWrite, Failures) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\locked.ini", "[A]\r\nx=1\r\n");
    ASSERT_TRUE(SetFileAttributesA("C:\\WINDOWS\\locked.ini", FILE_ATTRIBUTE_READONLY));
    machine.File("C:\\WINDOWS\\busy.ini", "[A]\r\nx=1\r\n");
    machine.Fault("file", "C:\\WINDOWS\\busy.ini", "write", ERROR_SHARING_VIOLATION);
    const std::vector<FailureRow> rows = {
        {"A", "x", "locked.ini", ERROR_ACCESS_DENIED},
        {"A", nullptr, "locked.ini", ERROR_ACCESS_DENIED},
        {"A", "x", "busy.ini", ERROR_SHARING_VIOLATION},
        {"A", "x", "C:\\no folder\\x.ini", ERROR_PATH_NOT_FOUND},
        {"A", "x", "C:\\WINDOWS", ERROR_ACCESS_DENIED},
        {nullptr, "x", "busy.ini", ERROR_INVALID_PARAMETER},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const FailureRow& row = rows[index];
        SetLastError(0);
        EXPECT_FALSE(WritePrivateProfileStringA(row.section, row.key, "2", row.file)) << "row " << index;
        EXPECT_EQ(GetLastError(), row.expectedError) << "row " << index;
    }
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\locked.ini"), "[A]\r\nx=1\r\n");
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\busy.ini"), "[A]\r\nx=1\r\n");
    EXPECT_FALSE(WritePrivateProfileSectionA("A", "y=1\0", "locked.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    // All three names missing asks for a flush, which Windows answers with FALSE.
    EXPECT_FALSE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, "busy.ini"));
}

// The names a listing of the folder gives.
std::vector<std::string> FolderNames(const char* pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

std::string HostText(const std::filesystem::path& host) {
    std::ifstream stream(host, std::ios::binary);
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

TEST(ProfileWrite, ReplacedFileKeepsWhatTheMachineRecords) {
    platform::TestMachine machine;
    const char* path = "C:\\data\\Printer Settings.ini";
    machine.File(path, "[A]\r\nx=1\r\n").File("C:\\data\\Printer Setup.ini", "");
    ASSERT_TRUE(SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    char shortBefore[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(path, shortBefore, MAX_PATH), 0u);
    std::filesystem::path host = machine.HostPath(path);
    ASSERT_EQ(::chmod(host.c_str(), 0640), 0);
    std::uint64_t generation = platform::FilesGeneration(machine.machine());

    ASSERT_TRUE(WritePrivateProfileStringA("A", "x", "2", path));
    ASSERT_TRUE(WritePrivateProfileSectionA("B", "y=1\0", shortBefore));
    EXPECT_EQ(machine.ReadFile(path), "[A]\r\nx=2\r\n[B]\r\ny=1\r\n");
    EXPECT_EQ(GetFileAttributesA(path),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    char shortAfter[MAX_PATH];
    ASSERT_GT(GetShortPathNameA(path, shortAfter, MAX_PATH), 0u);
    EXPECT_STREQ(shortAfter, shortBefore);
    struct stat information;
    ASSERT_EQ(::stat(host.c_str(), &information), 0);
    EXPECT_EQ(information.st_mode & 07777, 0640u);
    EXPECT_GT(platform::FilesGeneration(machine.machine()), generation);
    // Nothing is left beside the file.
    EXPECT_EQ(FolderNames("C:\\data\\*"),
              (std::vector<std::string>{".", "..", "Printer Settings.ini", "Printer Setup.ini"}));
}

TEST(ProfileWrite, ReadersSeeTheOldFileOrTheNewOne) {
    platform::TestMachine machine;
    std::string text = "[s]\r\n";
    for (int index = 0; index < 3000; ++index) text += "key" + std::to_string(index) + "=value\r\n";
    text += "last=end\r\n";
    machine.File("C:\\WINDOWS\\big.ini", text);
    std::filesystem::path host = machine.HostPath("C:\\WINDOWS\\big.ini");
    std::atomic<bool> writing{true};
    std::atomic<int> partial{0};
    // Another process reads the host file while this one writes it.
    std::thread reader([&] {
        while (writing) {
            std::string seen = HostText(host);
            bool whole = seen.size() > text.size() - 10 && seen.compare(0, 5, "[s]\r\n") == 0 &&
                         seen.compare(seen.size() - 10, 10, "last=end\r\n") == 0;
            if (!whole) ++partial;
        }
    });
    for (int round = 0; round < 60; ++round) {
        ASSERT_TRUE(WritePrivateProfileStringA("s", "key1", round % 2 ? "odd" : "even", "big.ini"));
    }
    writing = false;
    reader.join();
    EXPECT_EQ(partial.load(), 0);
}

// Makes writes past `bytes` fail in this process, as a full disk would, while it lives.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    struct rlimit saved_;
    void (*previousHandler_)(int);
};

TEST(ProfileWrite, WriteCutShortLeavesTheOldFile) {
    platform::TestMachine machine;
    std::string text = "[s]\r\n";
    for (int index = 0; index < 20000; ++index) text += "key" + std::to_string(index) + "=value\r\n";
    machine.File("C:\\WINDOWS\\full.ini", text);
    // The limit leaves room for the machine's own state.
    std::string large(text.size(), 'x');
    BOOL written;
    {
        FileSizeLimit limit(text.size() * 3 / 2);
        written = WritePrivateProfileStringA("s", "key0", large.c_str(), "full.ini");
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\full.ini"), text);
    EXPECT_EQ(FolderNames("C:\\WINDOWS\\~*"), std::vector<std::string>());
    char buffer[16];
    EXPECT_EQ(GetPrivateProfileStringA("s", "key19999", "", buffer, sizeof buffer, "full.ini"), 5u);
}

}  // namespace
