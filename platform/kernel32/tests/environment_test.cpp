// Environment variables: the ones each system starts a program with, changes, and expansion.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

std::string Variable(const char* name) {
    char buffer[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length ? std::string(buffer, length) : "<none>";
}

std::string Expanded(const char* text) {
    char buffer[512];
    DWORD needed = ExpandEnvironmentStringsA(text, buffer, sizeof buffer);
    EXPECT_GT(needed, 0u);
    return std::string(buffer);
}

TEST(Environment, EachSystemStartsProgramsWithItsVariables) {
    struct Row {
        platform::OsKind kind;
        const char* name;
        const char* value;
    } rows[] = {
        {platform::OsKind::Windows98, "TEMP", "C:\\WINDOWS\\TEMP"},
        {platform::OsKind::Windows98, "windir", "C:\\WINDOWS"},
        {platform::OsKind::Windows98, "OS", "<none>"},
        {platform::OsKind::WindowsNT4, "SystemRoot", "C:\\WINNT"},
        {platform::OsKind::WindowsNT4, "ProgramFiles", "<none>"},
        {platform::OsKind::WindowsXP, "os", "Windows_NT"},
        {platform::OsKind::WindowsXP, "ProgramFiles", "C:\\Program Files"},
        {platform::OsKind::WindowsXP, "USERPROFILE", "C:\\Documents and Settings\\Utente"},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine(row.kind);
        EXPECT_EQ(Variable(row.name), row.value) << platform::OsKindName(row.kind) << " " << row.name;
    }
}

TEST(Environment, BufferRulesAndChanges) {
    platform::TestMachine machine;
    char buffer[8];
    EXPECT_EQ(GetEnvironmentVariableA("windir", buffer, 5), 11u);  // C:\WINDOWS and its terminator
    EXPECT_EQ(GetEnvironmentVariableA("Missing", buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
    ASSERT_TRUE(SetEnvironmentVariableA("Corvanta", "1"));
    EXPECT_EQ(Variable("CORVANTA"), "1");
    ASSERT_TRUE(SetEnvironmentVariableA("corvanta", nullptr));
    EXPECT_EQ(Variable("Corvanta"), "<none>");
    EXPECT_FALSE(SetEnvironmentVariableA("a=b", "1"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(Environment, ExpansionKeepsWhatIsNotAVariable) {
    platform::TestMachine machine;
    EXPECT_EQ(Expanded("%SystemRoot%\\TEMP"), "C:\\WINDOWS\\TEMP");
    EXPECT_EQ(Expanded("100% sure %windir%"), "100% sure C:\\WINDOWS");
    EXPECT_EQ(Expanded("%Undefined%x"), "%Undefined%x");
    EXPECT_EQ(Expanded("50%%windir%"), "50%C:\\WINDOWS");
    char small[4];
    EXPECT_EQ(ExpandEnvironmentStringsA("%windir%", small, sizeof small), 11u);
}

struct TempPathRow {
    platform::OsKind os;
    // The variables as the program sets them; null removes one.
    const char* tmp;
    const char* temp;
    const char* userProfile;
    const char* expected;
};

TEST(Environment, TheTemporaryFolderFollowsTheVariables) {
    using platform::OsKind;
    const char* profile = "C:\\Documents and Settings\\Utente";
    const std::vector<TempPathRow> rows = {
        {OsKind::WindowsXP, "C:\\Nowhere", "C:\\TEMP", profile, "C:\\Nowhere\\"},
        {OsKind::WindowsXP, "D:\\T\\", "C:\\TEMP", profile, "D:\\T\\"},
        {OsKind::WindowsXP, nullptr, "c:/temp", profile, "C:\\temp\\"},
        {OsKind::WindowsXP, "", "C:\\TEMP", profile, "C:\\TEMP\\"},
        {OsKind::WindowsXP, nullptr, nullptr, profile, "C:\\Documents and Settings\\Utente\\"},
        {OsKind::WindowsXP, nullptr, nullptr, nullptr, "C:\\WINDOWS\\"},
        {OsKind::WindowsXP, "relative", nullptr, nullptr, "C:\\relative\\"},
        {OsKind::WindowsNT4, nullptr, nullptr, nullptr, "C:\\WINNT\\"},
        // Windows 95, 98 and Me skip a variable whose folder does not exist and end at the current folder.
        {OsKind::Windows98, "C:\\Nowhere", "C:\\WINDOWS\\TEMP", nullptr, "C:\\WINDOWS\\TEMP\\"},
        {OsKind::Windows98, "C:\\WINDOWS", "C:\\WINDOWS\\TEMP", nullptr, "C:\\WINDOWS\\"},
        {OsKind::Windows95, "C:\\Nowhere", "C:\\Neither", profile, "C:\\"},
        {OsKind::WindowsMe, nullptr, nullptr, nullptr, "C:\\"},
    };
    for (const TempPathRow& row : rows) {
        platform::TestMachine machine(row.os);
        std::string label = platform::OsKindName(row.os) + " " + (row.tmp ? row.tmp : "-") + " " +
                            (row.temp ? row.temp : "-") + " " + (row.userProfile ? row.userProfile : "-");
        SetEnvironmentVariableA("TMP", row.tmp);
        SetEnvironmentVariableA("TEMP", row.temp);
        SetEnvironmentVariableA("USERPROFILE", row.userProfile);
        char buffer[MAX_PATH];
        DWORD length = static_cast<DWORD>(std::strlen(row.expected));
        EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), length) << label;
        EXPECT_STREQ(buffer, row.expected) << label;
        // Too small a buffer is left alone and told the size needed, terminator included.
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(GetTempPathA(length, buffer), length + 1) << label;
        EXPECT_EQ(buffer[0], '#') << label;
        EXPECT_EQ(GetTempPathA(0, nullptr), length + 1) << label;
        EXPECT_EQ(GetTempPathA(length + 1, buffer), length) << label;
    }
}

}  // namespace
