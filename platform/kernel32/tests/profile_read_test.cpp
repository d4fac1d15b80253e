// GetPrivateProfileStringA, GetPrivateProfileIntA, GetPrivateProfileSectionA and
// GetPrivateProfileSectionNamesA against Windows' rules for reading INI files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr DWORD kUntouched = 0xDEADBEEF;

// A string literal with its embedded NULs, without the final one the compiler adds.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

const char kReadFile[] =
    "; a comment before any section\r\n"
    "Outside=ignored\r\n"
    "[Main]\r\n"
    "  Name  =  Value  \r\n"
    "Quoted=\"  spaced  \"\r\n"
    "Single=' x '\r\n"
    "Mixed=\"abc'\r\n"
    "Doubled=\"\"q\"\"\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    ";Comment=hidden\r\n"
    "  ;Indented=hidden\r\n"
    "Semi=a ;b\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "Equals=a=b\r\n"
    "Tabs=\tx\t\r\n"
    "\r\n"
    "  [ Spaced Section ] trailing text\r\n"
    "k=v\r\n"
    "[main]\r\n"
    "Name=shadowed\r\n"
    "Extra=hidden\r\n"
    "[\xC0gua]\r\n"
    "\xE9t\xE9=accented\r\n"
    "[]\r\n"
    "=empty key\r\n"
    "[Unclosed\r\n"
    "u=1\r\n"
    "[LF]\n"
    "k=lf\n"
    "[Last]\r\n"
    "k=no line end";

struct StringRow {
    const char* section;
    const char* key;
    const char* fallback;
    DWORD size;
    DWORD expectedReturn;
    std::string expected;  // the buffer's first expectedReturn + 1 bytes
    DWORD expectedError;
};

TEST(ProfileRead, ValueLookups) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\read.ini", kReadFile);
    const std::vector<StringRow> rows = {
        {"Main", "Name", "d", 64, 5, "Value", kUntouched},
        {"MAIN", "name", "d", 64, 5, "Value", kUntouched},
        {"  Main ", " Name  ", "d", 64, 5, "Value", kUntouched},
        {"Main", "Quoted", "d", 64, 10, "  spaced  ", kUntouched},
        {"Main", "Single", "d", 64, 3, " x ", kUntouched},
        {"Main", "Mixed", "d", 64, 5, "\"abc'", kUntouched},
        {"Main", "Doubled", "d", 64, 3, "\"q\"", kUntouched},
        {"Main", "Lone", "d", 64, 1, "\"", kUntouched},
        {"Main", "Empty", "d", 64, 0, "", kUntouched},
        {"Main", "NoEquals", "d", 64, 1, "d", kUntouched},
        {"Main", ";Comment", "d", 64, 1, "d", kUntouched},
        {"Main", ";Indented", "d", 64, 1, "d", kUntouched},
        {"Main", "Semi", "d", 64, 4, "a ;b", kUntouched},
        {"Main", "Dup", "d", 64, 5, "first", kUntouched},
        {"Main", "Equals", "d", 64, 3, "a=b", kUntouched},
        {"Main", "Tabs", "d", 64, 1, "x", kUntouched},
        {"Main", "Extra", "d", 64, 1, "d", kUntouched},
        {"Main", "Outside", "d", 64, 1, "d", kUntouched},
        {"Spaced Section", "k", "d", 64, 1, "v", kUntouched},
        {"\xE0GUA", "\xC9T\xC9", "d", 64, 8, "accented", kUntouched},
        {"", "", "d", 64, 9, "empty key", kUntouched},
        {"Unclosed", "u", "d", 64, 1, "1", kUntouched},
        {"LF", "k", "d", 64, 2, "lf", kUntouched},
        {"Last", "k", "d", 64, 11, "no line end", kUntouched},
        {"Main", "Missing", "  fallback   ", 64, 10, "  fallback", kUntouched},
        {"Missing", "Name", "fallback", 64, 8, "fallback", kUntouched},
        {"Main", "Missing", nullptr, 64, 0, "", kUntouched},
        // Buffer sizes: a value that does not fit is cut to size - 1 characters.
        {"Main", "Name", "d", 6, 5, "Value", kUntouched},
        {"Main", "Name", "d", 5, 4, "Valu", ERROR_MORE_DATA},
        {"Main", "Name", "d", 1, 0, "", ERROR_MORE_DATA},
        {"Main", "Missing", "fallback", 4, 3, "fal", ERROR_MORE_DATA},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const StringRow& row = rows[index];
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        SetLastError(kUntouched);
        DWORD result =
            GetPrivateProfileStringA(row.section, row.key, row.fallback, buffer, row.size, "read.ini");
        EXPECT_EQ(result, row.expectedReturn) << "row " << index;
        EXPECT_EQ(std::string(buffer, row.expectedReturn + 1), row.expected + std::string(1, '\0'))
            << "row " << index;
        EXPECT_EQ(GetLastError(), row.expectedError) << "row " << index;
    }
}

TEST(ProfileRead, SizeZeroWritesNothing) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\read.ini", kReadFile);
    char buffer[4] = {'#', '#', '#', '#'};
    SetLastError(kUntouched);
    EXPECT_EQ(GetPrivateProfileStringA("Main", "Name", "d", buffer, 0, "read.ini"), 0u);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
}

const char kListFile[] =
    "[one]\r\n"
    "a=1\r\n"
    "b = \"2\"\r\n"
    "NoEquals\r\n"
    ";c=3\r\n"
    "\r\n"
    "[two]\r\n"
    "[one]\r\n"
    "d=4\r\n";

struct ListRow {
    const char* section;  // nullptr: the section names
    DWORD size;
    DWORD expectedReturn;
    std::string expected;  // the buffer's first bytes
    DWORD expectedError;
};

TEST(ProfileRead, NameLists) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\list.ini", kListFile);
    const std::vector<ListRow> rows = {
        {nullptr, 64, 12, Bytes("one\0two\0one\0\0"), kUntouched},
        {nullptr, 13, 12, Bytes("one\0two\0one\0\0"), kUntouched},
        {nullptr, 12, 10, Bytes("one\0two\0on\0\0"), ERROR_MORE_DATA},
        {nullptr, 8, 6, Bytes("one\0tw\0\0"), ERROR_MORE_DATA},
        {nullptr, 2, 0, Bytes("\0\0"), ERROR_MORE_DATA},
        {"one", 64, 4, Bytes("a\0b\0\0"), kUntouched},
        {" ONE ", 64, 4, Bytes("a\0b\0\0"), kUntouched},
        {"one", 4, 2, Bytes("a\0\0\0"), ERROR_MORE_DATA},
        {"two", 64, 0, Bytes("\0\0"), kUntouched},
        {"missing", 64, 0, Bytes("\0\0"), kUntouched},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const ListRow& row = rows[index];
        char buffer[64];
        std::memset(buffer, '#', sizeof buffer);
        SetLastError(kUntouched);
        DWORD result =
            GetPrivateProfileStringA(row.section, nullptr, "default", buffer, row.size, "list.ini");
        EXPECT_EQ(result, row.expectedReturn) << "row " << index;
        EXPECT_EQ(std::string(buffer, row.expected.size()), row.expected) << "row " << index;
        EXPECT_EQ(GetLastError(), row.expectedError) << "row " << index;
    }
    char buffer[64];
    EXPECT_EQ(GetPrivateProfileSectionNamesA(buffer, sizeof buffer, "list.ini"), 12u);
    EXPECT_EQ(std::string(buffer, 13), Bytes("one\0two\0one\0\0"));
    buffer[0] = '#';
    EXPECT_EQ(GetPrivateProfileStringA(nullptr, nullptr, nullptr, buffer, 1, "list.ini"), 0u);
    EXPECT_EQ(buffer[0], '\0');
}

TEST(ProfileRead, SectionContents) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\list.ini", kListFile);
    char buffer[64];
    // Keys and values trimmed, quotes kept, a line without '=' as it is, comments left out.
    EXPECT_EQ(GetPrivateProfileSectionA("ONE", buffer, sizeof buffer, "list.ini"), 19u);
    EXPECT_EQ(std::string(buffer, 20), Bytes("a=1\0b=\"2\"\0NoEquals\0\0"));
    EXPECT_EQ(GetPrivateProfileSectionA("one", buffer, 8, "list.ini"), 6u);
    EXPECT_EQ(std::string(buffer, 8), Bytes("a=1\0b=\0\0"));
    EXPECT_EQ(GetPrivateProfileSectionA("two", buffer, sizeof buffer, "list.ini"), 0u);
    EXPECT_EQ(std::string(buffer, 2), Bytes("\0\0"));
}

struct IntRow {
    const char* line;  // the key's line in section [n]; nullptr: no such key
    const char* key;
    INT fallback;
    UINT expected;
};

TEST(ProfileRead, Integers) {
    const std::vector<IntRow> rows = {
        {"n=1", "n", 7, 1},
        {"n=  42  ", "n", 7, 42},
        {"n=102abc", "n", 7, 102},
        {"n=-1", "n", 7, 0xFFFFFFFFu},
        {"n=+5", "n", 7, 5},
        {"n=abc", "n", 7, 0},
        {"n=0x10", "n", 7, 0},
        {"n=\"12\"", "n", 7, 12},
        {"n=4294967297", "n", 7, 1},
        {"n=", "n", 7, 7},
        {"n", "n", 7, 7},
        {nullptr, "n", -3, 0xFFFFFFFDu},
        {"n=1", nullptr, 9, 9},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const IntRow& row = rows[index];
        platform::TestMachine machine;
        machine.File("C:\\WINDOWS\\int.ini", std::string("[s]\r\n") + (row.line ? row.line : "") + "\r\n");
        EXPECT_EQ(GetPrivateProfileIntA("s", row.key, row.fallback, "int.ini"), row.expected)
            << "row " << index;
    }
    platform::TestMachine machine;
    EXPECT_EQ(GetPrivateProfileIntA(nullptr, "n", 4, "int.ini"), 4u);
}

TEST(ProfileRead, WhereTheFileIs) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\where.ini", "[s]\r\nk=windows\r\n");
    machine.File("C:\\where.ini", "[s]\r\nk=root\r\n");
    machine.File("C:\\data\\where.ini", "[s]\r\nk=data\r\n");
    machine.File("C:\\WINDOWS\\WIN.INI", "[windows]\r\nload=x\r\nrun=7\r\n");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
    char buffer[32];
    // A bare name is looked for in the Windows folder, never in the current one.
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, "where.ini"), 7u);
    EXPECT_STREQ(buffer, "windows");
    // A relative path with a folder part is relative to the current folder.
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, "data\\where.ini"), 4u);
    EXPECT_STREQ(buffer, "data");
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, ".\\where.ini"), 4u);
    EXPECT_STREQ(buffer, "root");
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "", buffer, sizeof buffer, "c:/DATA/WHERE.INI"), 4u);
    EXPECT_STREQ(buffer, "data");
    // The WIN.INI functions.
    EXPECT_EQ(GetProfileStringA("Windows", "Load", "", buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, "x");
    EXPECT_EQ(GetProfileIntA("windows", "run", 0), 7u);
}

struct MissingRow {
    const char* file;
    DWORD expectedError;
};

TEST(ProfileRead, MissingFiles) {
    platform::TestMachine machine;
    const std::vector<MissingRow> rows = {
        {"absent.ini", ERROR_FILE_NOT_FOUND},
        {"C:\\absent.ini", ERROR_FILE_NOT_FOUND},
        {"C:\\no folder\\absent.ini", ERROR_PATH_NOT_FOUND},
        {"C:\\WINDOWS", ERROR_ACCESS_DENIED},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        char buffer[32];
        SetLastError(kUntouched);
        EXPECT_EQ(GetPrivateProfileStringA("s", "k", "default ", buffer, sizeof buffer, rows[index].file),
                  7u);
        EXPECT_STREQ(buffer, "default");
        EXPECT_EQ(GetLastError(), rows[index].expectedError) << "row " << index;
        SetLastError(kUntouched);
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(
            GetPrivateProfileStringA(nullptr, nullptr, "default", buffer, sizeof buffer, rows[index].file),
            0u);
        EXPECT_EQ(std::string(buffer, 2), Bytes("\0\0"));
        EXPECT_EQ(GetLastError(), rows[index].expectedError) << "row " << index;
        EXPECT_EQ(GetPrivateProfileIntA("s", "k", 5, rows[index].file), 5u);
    }
}

TEST(ProfileRead, InjectedReadFault) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\fault.ini", "[s]\r\nk=v\r\n");
    machine.Fault("file", "C:\\WINDOWS\\fault.ini", "read", ERROR_SHARING_VIOLATION, 1);
    char buffer[8];
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buffer, sizeof buffer, "fault.ini"), 1u);
    EXPECT_STREQ(buffer, "d");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(GetPrivateProfileStringA("s", "k", "d", buffer, sizeof buffer, "fault.ini"), 1u);
    EXPECT_STREQ(buffer, "v");
}

}  // namespace
