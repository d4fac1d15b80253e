#include "IniLookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "OsVersionTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::OsKind;

constexpr char kProgram[] = "C:\\Program Files\\Acme\\app.exe";

// The version record is kept for the life of the process; each machine here needs it read afresh.
class IniLookupTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetOsVersionRecordForTesting(); }
    void TearDown() override { ResetOsVersionRecordForTesting(); }
};

std::vector<std::string> Items(const CaseInsensitiveStringList& list) {
    std::vector<std::string> items;
    for (const CaseInsensitiveString& item : list) items.emplace_back(item.data(), item.size());
    return items;
}

std::string Lookup(const char* file, const char* section, const char* qualifier, const char* key) {
    char value[64];
    unsigned int found = GetValueByQualifier(file, section, qualifier, key, value, sizeof value);
    return found ? value : "<none:" + std::string(value) + ">";
}

TEST_F(IniLookupTest, QualifiersOfEachWindows) {
    struct Row {
        OsKind kind;
        int servicePack;
        const char* os;
        const char* servicePackText;
    };
    const Row rows[] = {
        {OsKind::Windows95, -1, ".400", ""},    {OsKind::Windows98, -1, ".410", ""},
        {OsKind::WindowsMe, -1, ".490", ""},    {OsKind::WindowsNT4, 6, ".400", ".6"},
        {OsKind::Windows2000, 2, ".500", ".2"}, {OsKind::WindowsXP, 0, ".501", ".0"},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine(row.kind, row.servicePack);
        ResetOsVersionRecordForTesting();
        char text[16];
        EXPECT_EQ(FormatOSQualifier(text, sizeof text), 1u);
        EXPECT_STREQ(text, row.os);
        EXPECT_EQ(FormatSPQualifier(text, sizeof text), 1u);
        EXPECT_STREQ(text, row.servicePackText) << row.os;
    }
}

TEST_F(IniLookupTest, LanguageQualifier) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.systemLanguage = 0x409;
    platform::TestMachine machine(settings);
    char text[16];
    EXPECT_EQ(FormatLanguageQualifier(text, sizeof text, 0x800), 1u);
    EXPECT_STREQ(text, ".0x9");
    EXPECT_EQ(FormatLanguageQualifier(text, sizeof text, 0x40c), 1u);
    EXPECT_STREQ(text, ".0x40C");
    // A buffer too small keeps what fits, terminated.
    EXPECT_EQ(FormatLanguageQualifier(text, 4, 0x40c), 0u);
    EXPECT_STREQ(text, ".0x");
}

TEST_F(IniLookupTest, LanguageSectionFirstThenPlainSection) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.systemLanguage = 0x409;
    platform::TestMachine machine(settings);
    machine.File("C:\\WINDOWS\\models.dat",
                 "[Models.0x9]\r\nBoth=english\r\nEmptyHere=\r\n"
                 "[Models]\r\nBoth=plain\r\nPlainOnly=plain\r\nEmptyHere=plain\r\nEmptyBoth=\r\n");
    struct Row {
        const char* key;
        unsigned int expected;
        const char* value;
    };
    const Row rows[] = {
        {"Both", 1, "english"},    {"PlainOnly", 1, "plain"},
        {"EmptyHere", 1, "plain"},  // an empty value counts as missing
        {"EmptyBoth", 0, ""},      {"Absent", 0, ""},
    };
    for (const Row& row : rows) {
        char value[32] = "junk";
        EXPECT_EQ(GetValueByLang("models.dat", "Models", row.key, value, sizeof value, 0x800), row.expected)
            << row.key;
        EXPECT_STREQ(value, row.value) << row.key;
    }
}

TEST_F(IniLookupTest, SearchOrders) {
    platform::TestMachine machine;
    machine.Module(kProgram);
    machine.File("C:\\Program Files\\Acme\\X.dat",
                 "[S]\r\nk=program\r\nonlyProgram=p\r\n[S.q]\r\nq=program\r\n");
    machine.File("C:\\work\\X.dat", "[S]\r\nk=current\r\n");
    machine.File("C:\\WINDOWS\\X.dat", "[S]\r\nk=windows\r\n");
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\work"));
    // The lookups try the Windows folder first, the search path the program folder first.
    EXPECT_EQ(Lookup("X.dat", "S", nullptr, "k"), "windows");
    char path[MAX_PATH];
    EXPECT_EQ(FindFileInSearchPath("X.dat", path, sizeof path), 1u);
    EXPECT_STREQ(path, "C:\\Program Files\\Acme\\X.dat");
    // Every file is tried for a section before the next section.
    EXPECT_EQ(Lookup("X.dat", "S", nullptr, "onlyProgram"), "p");
    EXPECT_EQ(Lookup("X.dat", "S", "q", "k"), "windows");
    EXPECT_EQ(Lookup("X.dat", "s", "Q", "q"), "program");
    // A drive path is the only candidate, even when it does not exist.
    EXPECT_EQ(Lookup("C:\\data\\X.dat", "S", nullptr, "k"), "<none:>");
    EXPECT_EQ(Lookup("C:\\work\\X.dat", "S", nullptr, "k"), "current");
    ASSERT_TRUE(DeleteFileA("C:\\WINDOWS\\X.dat"));
    EXPECT_EQ(Lookup("X.dat", "S", nullptr, "k"), "current");
    EXPECT_EQ(Lookup("Y.dat", "S", nullptr, "k"), "<none:>");
    EXPECT_EQ(FindFileInSearchPath("Y.dat", path, sizeof path), 0u);
    EXPECT_STREQ(path, "");
}

TEST_F(IniLookupTest, ValueIsBoundedByTheBuffer) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\X.dat", "[S]\r\nk=0123456789\r\n");
    char value[6];
    EXPECT_EQ(GetValueByQualifier("X.dat", "S", nullptr, "k", value, sizeof value), 1u);
    EXPECT_STREQ(value, "01234");
}

TEST_F(IniLookupTest, ServicePackAndVersionSections) {
    const char* file =
        "[S.500.2]\r\nall=500.2\r\n"
        "[S.500]\r\nall=500\r\nversion=500\r\n"
        "[S.410]\r\nall=410\r\nversion=410\r\n"
        "[S.410.0]\r\nall=410.0\r\n"
        "[S]\r\nall=plain\r\nversion=plain\r\nplain=plain\r\n";
    struct Row {
        OsKind kind;
        int servicePack;
        const char* all;
        const char* version;
        const char* writtenTo;
    };
    const Row rows[] = {
        {OsKind::Windows2000, 2, "500.2", "500", "S.500.2"},
        {OsKind::Windows2000, 4, "500", "500", "S.500.4"},
        {OsKind::Windows98, -1, "410", "410", "S.410"},
        {OsKind::WindowsXP, 2, "plain", "plain", "S.501.2"},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine(row.kind, row.servicePack);
        ResetOsVersionRecordForTesting();
        machine.File(machine.machine().settings().windowsFolder + "\\sp.dat", file);
        char value[32];
        EXPECT_EQ(GetValueBySPAndOS("sp.dat", "S", "all", value, sizeof value), 1u);
        EXPECT_STREQ(value, row.all) << row.writtenTo;
        EXPECT_EQ(GetValueBySPAndOS("sp.dat", "S", "version", value, sizeof value), 1u);
        EXPECT_STREQ(value, row.version) << row.writtenTo;
        EXPECT_EQ(GetValueBySPAndOS("sp.dat", "S", "plain", value, sizeof value), 1u);
        EXPECT_STREQ(value, "plain");
        EXPECT_EQ(SetValueBySPAndOS("sp.dat", "S", "new", "yes"), 1u);
        EXPECT_EQ(GetPrivateProfileStringA(row.writtenTo, "new", "", value, sizeof value, "sp.dat"), 3u)
            << row.writtenTo;
    }
}

TEST_F(IniLookupTest, NumberedLists) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\list.dat",
                 "[L]\r\n1=ABC\r\n2=\xC0"
                 "Bc\r\n4=skipped\r\n[L.x]\r\n1=First\r\n[None]\r\n2=two\r\n");
    CaseInsensitiveStringList list;
    EXPECT_EQ(ReadNumberedList("list.dat", "L", nullptr, list), 1u);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"abc",
                                                     "\xE0"
                                                     "bc"}));
    // Key "1" of the qualified section, key "2" of the plain one.
    list.clear();
    EXPECT_EQ(ReadNumberedList("list.dat", "L", "x", list), 1u);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"first",
                                                     "\xE0"
                                                     "bc"}));
    list.clear();
    EXPECT_EQ(ReadNumberedList("list.dat", "None", nullptr, list), 0u);
    EXPECT_EQ(ReadNumberedList(nullptr, "L", nullptr, list), 0u);
    EXPECT_EQ(ReadNumberedList("list.dat", nullptr, nullptr, list), 0u);
    EXPECT_TRUE(list.empty());
}

// A data file saved as UTF-16 with its byte-order mark: Windows 2000 and XP read it as Unicode, so
// the lookups and the numbered lists find its values; Windows 9x reads its bytes and finds nothing.
TEST_F(IniLookupTest, UnicodeDataFile) {
    const char16_t text[] = u"[Scrubber.FileUninstaller.Inf]\r\n1=OEM\u00C9.INF\r\n2=Other.inf\r\n"
                            u"[Version]\r\nClass=Printer\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t character : std::u16string_view(text)) {
        bytes.push_back(static_cast<char>(character & 0xFF));
        bytes.push_back(static_cast<char>(character >> 8));
    }
    struct Row {
        OsKind kind;
        std::string classValue;
        std::vector<std::string> items;
    };
    const Row rows[] = {
        {OsKind::WindowsXP, "Printer", {"oem\xE9.inf", "other.inf"}},
        {OsKind::Windows2000, "Printer", {"oem\xE9.inf", "other.inf"}},
        {OsKind::Windows98, "<none:>", {}},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine(row.kind);
        ResetOsVersionRecordForTesting();
        machine.File("C:\\data\\unicode.dat", bytes);
        EXPECT_EQ(Lookup("C:\\data\\unicode.dat", "Version", nullptr, "Class"), row.classValue);
        CaseInsensitiveStringList list;
        ReadNumberedList("C:\\data\\unicode.dat", "Scrubber.FileUninstaller", "Inf", list);
        EXPECT_EQ(Items(list), row.items);
    }
}

TEST_F(IniLookupTest, StringLists) {
    struct Row {
        const char* value;
        const char* separators;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"a, b,,c", " ,", {"a", "b", "c"}},
        {",, lead and trail ,,", ",", {" lead and trail "}},
        {"whole", ",", {"whole"}},
        {"", ",", {}},
        {",,,", ",", {}},
    };
    for (const Row& row : rows) {
        CaseInsensitiveStringList list;
        EXPECT_EQ(ConvertValueToStringList(row.value, list, row.separators), 1u) << row.value;
        EXPECT_EQ(Items(list), row.expected) << row.value;
    }
    CaseInsensitiveStringList list;
    platform::StdoutCapture capture;
    EXPECT_EQ(ConvertValueToStringList(nullptr, list, ","), 0u);
    EXPECT_EQ(capture.Take(), "ConvertValueToStringList with no value failed\n");
}

TEST_F(IniLookupTest, Writes) {
    platform::TestMachine machine;
    machine.Module(kProgram);
    machine.File("C:\\Program Files\\Acme\\Own.dat", "[S]\r\n");
    // The program folder's copy takes the value when there is one, else the Windows folder's file.
    EXPECT_EQ(SetValueBySuffix("Own.dat", "S", "", "k", "v"), 1u);
    EXPECT_EQ(machine.ReadFile("C:\\Program Files\\Acme\\Own.dat"), "[S]\r\nk=v\r\n");
    EXPECT_EQ(SetValueBySuffix("New.dat", "S", "0x10", "k", "v"), 1u);
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\New.dat"), "[S.0x10]\r\nk=v\r\n");
    EXPECT_EQ(SetValueByLang("Lang.dat", "S", "k", "v", 0x800), 1u);
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\Lang.dat"), "[S.0x10]\r\nk=v\r\n");
    // A read-only copy refuses the value and the next candidate takes it.
    ASSERT_TRUE(SetFileAttributesA("C:\\Program Files\\Acme\\Own.dat", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(SetValueBySuffix("Own.dat", "S", nullptr, "k", "w"), 1u);
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\Own.dat"), "[S]\r\nk=w\r\n");
    // A drive path is the only candidate.
    EXPECT_EQ(SetValueBySuffix("C:\\Program Files\\Acme\\Own.dat", "S", nullptr, "k", "x"), 0u);
    EXPECT_EQ(SetValueBySuffix("C:\\missing folder\\a.dat", "S", nullptr, "k", "x"), 0u);
}

TEST_F(IniLookupTest, FolderOfPath) {
    struct Row {
        const char* path;
        unsigned int size;
        unsigned int expected;
        const char* folder;
        const char* trace;
    };
    const Row rows[] = {
        {"C:\\a\\b.txt", 64, 1, "C:\\a", ""},
        {"C:/a/b", 64, 1, "C:/a", ""},
        {"C:\\a/b\\c", 64, 1, "C:\\a/b", ""},
        {"\\b", 64, 1, "", ""},
        {"name", 64, 0, "", ""},
        {"", 64, 0, "", ""},
        {nullptr, 64, 0, "", ""},
        {"C:\\abc\\d", 7, 1, "C:\\abc", ""},
        {"C:\\abc\\d", 6, 0, "", "Output buffer is too small\n"},
    };
    for (const Row& row : rows) {
        char folder[64] = "junk";
        platform::StdoutCapture capture;
        EXPECT_EQ(GetFolderOfPath(row.path, folder, row.size), row.expected)
            << (row.path ? row.path : "null");
        EXPECT_STREQ(folder, row.folder);
        EXPECT_EQ(capture.Take(), row.trace);
    }
    platform::TestMachine machine;
    machine.Module(kProgram);
    char folder[MAX_PATH];
    EXPECT_EQ(GetProgramFolder(nullptr, folder, sizeof folder), 1u);
    EXPECT_STREQ(folder, "C:\\Program Files\\Acme");
    EXPECT_EQ(GetWindowsFolder(folder, sizeof folder), 1u);
    EXPECT_STREQ(folder, "C:\\WINDOWS");
    EXPECT_EQ(GetWindowsFolder(folder, 5), 0u);
    EXPECT_STREQ(folder, "");
}

TEST_F(IniLookupTest, FileExistsCollapsesDoubledBackslashes) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\x.dat", "");
    machine.NetworkShare("server", "share").File("\\\\server\\share\\f.txt", "x");
    const std::pair<const char*, unsigned int> rows[] = {
        {"C:\\WINDOWS\\x.dat", 1},
        {"C:\\\\WINDOWS\\\\x.dat", 1},
        {"C:\\WINDOWS\\y.dat", 0},
        {"\\\\server\\share\\f.txt", 1},
        {"\\\\server\\share\\\\f.txt", 1},  // the network path keeps its leading pair
        {nullptr, 0},
    };
    for (const auto& [path, expected] : rows) EXPECT_EQ(FileExists(path), expected) << (path ? path : "null");
}

TEST_F(IniLookupTest, PathsLongerThanMaxPath) {
    platform::TestMachine machine;
    machine.Module(kProgram);
    std::string name = std::string(240, 'n') + ".dat";
    std::string full = std::string("C:\\Program Files\\Acme\\") + name;
    machine.File(full, "[S]\r\nk=long\r\n");
    EXPECT_EQ(Lookup(name.c_str(), "S", nullptr, "k"), "long");
    char path[512];
    EXPECT_EQ(FindFileInSearchPath(name.c_str(), path, sizeof path), 1u);
    EXPECT_EQ(std::string(path), full);
    // A buffer too small gets what fits, terminated.
    EXPECT_EQ(FindFileInSearchPath(name.c_str(), path, 10), 1u);
    EXPECT_STREQ(path, "C:\\Progra");
}

TEST_F(IniLookupTest, InstallerDataFileName) {
    struct Row {
        const char* autorun;
        unsigned int expected;
        const char* name;
        const char* trace;
    };
    const Row rows[] = {
        {"[version]\r\ndivision=qn\r\nice_rev=07\r\n", 1, "qnins07.dat", ""},
        {"[version.0x10]\r\ndivision=it\r\n[version]\r\ndivision=qn\r\nice_rev=07\r\n", 1, "itins07.dat", ""},
        {"[version]\r\nice_rev=07\r\n", 0, "", "Failed to get DIVISION from autorun.inf\n"},
        {"[version]\r\ndivision=qn\r\n", 0, "", "Failed to get ICE_REV from autorun.inf\n"},
    };
    for (const Row& row : rows) {
        platform::TestMachine machine;
        machine.Module(kProgram);
        machine.File("C:\\Program Files\\Acme\\autorun.inf", row.autorun);
        char name[32] = "junk";
        platform::StdoutCapture capture;
        EXPECT_EQ(GetInstallerDatName(name, sizeof name), row.expected);
        EXPECT_STREQ(name, row.name);
        EXPECT_EQ(capture.Take(), row.trace);
    }
}

}  // namespace
