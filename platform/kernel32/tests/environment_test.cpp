// Environment variables: the ones each system starts a program with, changes, and expansion.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
