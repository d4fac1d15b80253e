#include "OsVersion.h"

#include <gtest/gtest.h>

#include "OsVersionTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::OsKind;

// Which of the eleven tests pass, in the order IsNT, IsNT4, IsW2K, IsXP, Is9X, Is95, Is98, IsMe,
// Is98Gold, Is98SE, IsBlackComb.
struct VersionRow {
    const char* name;
    OsKind kind;
    const char* expected;
};

std::string Answers() {
    unsigned int (*const tests[])() = {IsNT, IsNT4, IsW2K,    IsXP,   Is9X,       Is95,
                                       Is98, IsMe,  Is98Gold, Is98SE, IsBlackComb};
    std::string answers;
    for (auto test : tests) answers += test() == 1 ? '1' : (test() == 0 ? '0' : '?');
    return answers;
}

// The version record is kept for the life of the process; each machine here needs it read afresh.
class VersionTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetOsVersionRecordForTesting(); }
    void TearDown() override { ResetOsVersionRecordForTesting(); }
};

TEST_F(VersionTest, EachWindowsVersionPassesItsTests) {
    const VersionRow rows[] = {
        //                                  NT NT4 2K XP 9X 95 98 Me 98G 98SE BC
        {"95", OsKind::Windows95, /*      */ "00001100000"},
        {"98", OsKind::Windows98, /*      */ "00001010100"},
        {"98 SE", OsKind::Windows98SE, /* */ "00001010010"},
        {"Me", OsKind::WindowsMe, /*      */ "00001001000"},
        {"NT 4", OsKind::WindowsNT4, /*   */ "11000000000"},
        {"2000", OsKind::Windows2000, /*  */ "10100000000"},
        {"XP", OsKind::WindowsXP, /*      */ "10010000000"},
    };
    for (const VersionRow& row : rows) {
        platform::TestMachine machine(row.kind);
        ResetOsVersionRecordForTesting();
        EXPECT_EQ(Answers(), row.expected) << row.name;
    }
}

TEST_F(VersionTest, ProfilesOutsideTheUsualOnes) {
    struct ProfileRow {
        const char* name;
        DWORD platformId, major, minor, build;
        const char* expected;
    };
    const ProfileRow rows[] = {
        {"NT 3.51", 2, 3, 51, 1057, "00000000000"},
        {"Server 2003 (5.2)", 2, 5, 2, 3790, "10000000000"},
        {"Win32s", 0, 3, 10, 0, "00000000000"},
        // The 9x build is the low word; the high word repeating 4.10 does not matter.
        {"98 build word only", 1, 4, 10, 1998, "00001010100"},
        {"98 other build", 1, 4, 10, 0x040A0000 | 2000, "00001010000"},
        {"4.89 is still 98", 1, 4, 89, 0x04590000, "00001010000"},
        {"4.1", 1, 4, 1, 0x04010000, "00001010000"},
        {"9x major 5", 1, 5, 0, 0x05000000, "00000000000"},
    };
    for (const ProfileRow& row : rows) {
        platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::Windows98);
        settings.os.platformId = row.platformId;
        settings.os.majorVersion = row.major;
        settings.os.minorVersion = row.minor;
        settings.os.buildNumber = row.build;
        platform::TestMachine machine(settings);
        ResetOsVersionRecordForTesting();
        EXPECT_EQ(Answers(), row.expected) << row.name;
    }
}

TEST_F(VersionTest, RecordIsReadOnceAndKept) {
    {
        platform::TestMachine machine(OsKind::Windows98SE);
        EXPECT_EQ(Is98SE(), 1u);
        EXPECT_EQ(OsVersionRecord().dwOSVersionInfoSize, 148u);
    }
    // Another machine: the process still answers from the record it read first.
    platform::TestMachine machine(OsKind::WindowsXP);
    EXPECT_EQ(Is98SE(), 1u);
    EXPECT_EQ(IsXP(), 0u);
}

}  // namespace
