// The cache of parsed INI files: a file that does not change is parsed once, a file that changes is
// read again however quickly the change follows.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include "platform/machine/files/ini_document.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

std::string Read(const char* key, const char* file = "cache.ini") {
    char buffer[64];
    GetPrivateProfileStringA("s", key, "", buffer, sizeof buffer, file);
    return buffer;
}

// Gives the host file an old modification time, as a data file installed long ago has.
void MakeOld(const std::filesystem::path& host, std::time_t seconds = 1000000000) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, host.c_str(), times, 0), 0);
}

TEST(ProfileCache, UnchangedFileIsParsedOnce) {
    platform::TestMachine machine;
    std::string text = "[s]\r\n";
    for (int index = 0; index < 2000; ++index)
        text += "k" + std::to_string(index) + "=v" + std::to_string(index) + "\r\n";
    machine.File("C:\\WINDOWS\\cache.ini", text);
    MakeOld(machine.HostPath("C:\\WINDOWS\\cache.ini"));
    std::uint64_t before = platform::IniFileCache::Instance().parses();
    for (int index = 0; index < 2000; ++index) {
        ASSERT_EQ(Read(("K" + std::to_string(index)).c_str()), "v" + std::to_string(index));
    }
    EXPECT_EQ(platform::IniFileCache::Instance().parses() - before, 1u);
}

TEST(ProfileCache, FileWrittenJustNowIsComparedNotReparsed) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\cache.ini", "[s]\r\nk=1\r\n");
    std::uint64_t before = platform::IniFileCache::Instance().parses();
    for (int index = 0; index < 50; ++index) ASSERT_EQ(Read("k"), "1");
    EXPECT_EQ(platform::IniFileCache::Instance().parses() - before, 1u);
}

TEST(ProfileCache, ChangeWithinTheSameClockTickIsSeen) {
    platform::TestMachine machine;
    for (int round = 0; round < 20; ++round) {
        std::string value = std::to_string(round % 10);
        machine.File("C:\\WINDOWS\\cache.ini", "[s]\r\nk=" + value + "\r\n");
        ASSERT_EQ(Read("k"), value) << "round " << round;
    }
}

TEST(ProfileCache, SameSizeAndTimeStampStillReread) {
    platform::TestMachine machine;
    std::filesystem::path host = machine.HostPath("C:\\WINDOWS\\cache.ini");
    machine.File("C:\\WINDOWS\\cache.ini", "[s]\r\nk=1\r\n");
    MakeOld(host);
    // Read once the time stamps are old enough for the cache to trust them.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_EQ(Read("k"), "1");
    // Same size, same modification time: only the change time tells.
    machine.File("C:\\WINDOWS\\cache.ini", "[s]\r\nk=2\r\n");
    MakeOld(host);
    EXPECT_EQ(Read("k"), "2");
}

TEST(ProfileCache, WritesOfOtherCallsAreSeen) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\cache.ini", "[s]\r\nk=1\r\n");
    ASSERT_EQ(Read("k"), "1");
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "2", "cache.ini"));
    EXPECT_EQ(Read("k"), "2");
    ASSERT_TRUE(DeleteFileA("C:\\WINDOWS\\cache.ini"));
    EXPECT_EQ(Read("k"), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(ProfileCache, FileFoundAgainAfterItMoves) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\Moving.ini", "[s]\r\nk=first\r\n");
    machine.File("C:\\one\\rel.ini", "[s]\r\nk=one\r\n");
    machine.File("C:\\two\\rel.ini", "[s]\r\nk=two\r\n");
    ASSERT_EQ(Read("k", "moving.ini"), "first");
    // Replaced by a file spelled differently: the name is resolved afresh.
    ASSERT_TRUE(DeleteFileA("C:\\WINDOWS\\Moving.ini"));
    machine.File("C:\\WINDOWS\\MOVING.INI", "[s]\r\nk=second\r\n");
    EXPECT_EQ(Read("k", "moving.ini"), "second");
    // A relative name follows the current folder.
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\one"));
    EXPECT_EQ(Read("k", ".\\rel.ini"), "one");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\two"));
    EXPECT_EQ(Read("k", ".\\rel.ini"), "two");
}

}  // namespace
