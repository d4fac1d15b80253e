// The profile functions over files in other encodings and line ends: UTF-16 files with a byte-order
// mark (Unicode to Windows 2000 and XP, ANSI bytes to Windows 9x and NT 4), a UTF-8 mark (ANSI text to
// every version) and lines ended by a CR alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;

enum class Mark { None, LittleEndian, BigEndian };

// The UTF-16 bytes of a text, with the byte-order mark of its byte order.
std::string Utf16(std::u16string_view text, Mark mark = Mark::LittleEndian) {
    std::string bytes;
    bool big = mark == Mark::BigEndian;
    if (mark == Mark::LittleEndian) bytes = "\xFF\xFE";
    if (mark == Mark::BigEndian) bytes = "\xFE\xFF";
    for (char16_t character : text) {
        char low = static_cast<char>(character & 0xFF);
        char high = static_cast<char>(character >> 8);
        bytes.push_back(big ? high : low);
        bytes.push_back(big ? low : high);
    }
    return bytes;
}

const char16_t kUnicodeInf[] =
    u"; \u4E2D\u6587\r\n"
    u"[Version]\r\n"
    u"Signature=\"$Windows NT$\"\r\n"
    u"Class=Printer\r\n"
    u"Provider=Caf\u00E9 \u20AC \u4E2D\r\n"
    u"\r\n"
    u"[Manufacturer]\r\n"
    u"Count=12\r\n";

std::string Read(const char* file, const char* section, const char* key) {
    char buffer[64];
    GetPrivateProfileStringA(section, key, "<default>", buffer, sizeof buffer, file);
    return buffer;
}

struct ReadRow {
    OsKind os;
    std::string bytes;
    const char* section;
    const char* key;
    std::string expected;
};

TEST(ProfileEncoding, LookupsByEncodingAndSystem) {
    const std::string little = Utf16(kUnicodeInf);
    const std::string big = Utf16(kUnicodeInf, Mark::BigEndian);
    const std::vector<ReadRow> rows = {
        // Windows 2000 and XP read the text in the ANSI code page; a character it lacks becomes '?'.
        {OsKind::WindowsXP, little, "Version", "Class", "Printer"},
        {OsKind::WindowsXP, little, "version", "CLASS", "Printer"},
        {OsKind::WindowsXP, little, "Version", "Signature", "$Windows NT$"},
        {OsKind::WindowsXP, little, "Version", "Provider", "Caf\xE9 \x80 ?"},
        {OsKind::WindowsXP, little, "Manufacturer", "Count", "12"},
        {OsKind::Windows2000, little, "Version", "Class", "Printer"},
        {OsKind::WindowsXP, big, "Version", "Class", "Printer"},
        {OsKind::Windows2000, big, "Manufacturer", "Count", "12"},
        // Without a mark the zero bytes are ANSI text to every system.
        {OsKind::WindowsXP, Utf16(kUnicodeInf, Mark::None), "Version", "Class", "<default>"},
        // Windows 9x and NT 4 read the bytes as ANSI: the mark and the zero bytes hide every name.
        {OsKind::WindowsNT4, little, "Version", "Class", "<default>"},
        {OsKind::Windows98, little, "Version", "Class", "<default>"},
        {OsKind::Windows95, little, "Manufacturer", "Count", "<default>"},
        {OsKind::WindowsMe, big, "Version", "Class", "<default>"},
        // A UTF-8 mark is ANSI text: on the first line it hides that line's section, later ones stay.
        {OsKind::WindowsXP, "\xEF\xBB\xBF[Version]\r\nClass=Printer\r\n[B]\r\nk=v\r\n", "Version", "Class",
         "<default>"},
        {OsKind::WindowsXP, "\xEF\xBB\xBF[Version]\r\nClass=Printer\r\n[B]\r\nk=v\r\n", "B", "k", "v"},
        {OsKind::Windows98, "\xEF\xBB\xBF\r\n[Version]\r\nClass=Printer\r\n", "Version", "Class", "Printer"},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const ReadRow& row = rows[index];
        platform::TestMachine machine(row.os);
        machine.File("C:\\WINDOWS\\INF\\oem3.inf", row.bytes);
        EXPECT_EQ(Read("C:\\WINDOWS\\INF\\oem3.inf", row.section, row.key), row.expected) << "row " << index;
    }
}

TEST(ProfileEncoding, ListsIntegersAndWinIniOfUnicodeFiles) {
    platform::TestMachine machine(OsKind::WindowsXP);
    machine.File("C:\\WINDOWS\\INF\\oem3.inf", Utf16(kUnicodeInf));
    machine.File("C:\\WINDOWS\\WIN.INI", Utf16(u"[windows]\r\ndevice=Printer\r\n", Mark::BigEndian));
    char buffer[128];
    EXPECT_EQ(GetPrivateProfileSectionNamesA(buffer, sizeof buffer, "C:\\WINDOWS\\INF\\oem3.inf"), 21u);
    EXPECT_EQ(std::string(buffer, 22), std::string("Version\0Manufacturer\0\0", 22));
    EXPECT_EQ(GetPrivateProfileStringA("Manufacturer", nullptr, "", buffer, sizeof buffer,
                                       "C:\\WINDOWS\\INF\\oem3.inf"),
              6u);
    EXPECT_EQ(std::string(buffer, 7), std::string("Count\0\0", 7));
    EXPECT_EQ(GetPrivateProfileSectionA("Manufacturer", buffer, sizeof buffer, "C:\\WINDOWS\\INF\\oem3.inf"), 9u);
    EXPECT_EQ(std::string(buffer, 10), std::string("Count=12\0\0", 10));
    EXPECT_EQ(GetPrivateProfileIntA("Manufacturer", "Count", 0, "C:\\WINDOWS\\INF\\oem3.inf"), 12u);
    EXPECT_EQ(GetProfileStringA("windows", "device", "", buffer, sizeof buffer), 7u);
    EXPECT_STREQ(buffer, "Printer");
}

struct WriteRow {
    OsKind os;
    std::string before;
    const char* section;
    const char* key;
    const char* value;  // nullptr: removes the key, or the section when the key is nullptr too
    std::string after;
};

TEST(ProfileEncoding, WritesKeepTheFileUnicode) {
    // Untouched lines keep characters the ANSI code page lacks; new lines are written in the file's
    // encoding with CR LF.
    const std::u16string file = u"[A]\r\nname=\u4E2D\u6587\r\nx=1\r\n\r\n[B]\r\ny=2";
    const std::vector<WriteRow> rows = {
        {OsKind::WindowsXP, Utf16(file), "A", "x", "caf\xE9",
         Utf16(u"[A]\r\nname=\u4E2D\u6587\r\nx=caf\u00E9\r\n\r\n[B]\r\ny=2")},
        {OsKind::WindowsXP, Utf16(file), "a", "z", "\x80",
         Utf16(u"[A]\r\nname=\u4E2D\u6587\r\nx=1\r\nz=\u20AC\r\n\r\n[B]\r\ny=2")},
        {OsKind::Windows2000, Utf16(file, Mark::BigEndian), "C", "k", "v",
         Utf16(u"[A]\r\nname=\u4E2D\u6587\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[C]\r\nk=v\r\n", Mark::BigEndian)},
        {OsKind::WindowsXP, Utf16(file), "A", "x", nullptr,
         Utf16(u"[A]\r\nname=\u4E2D\u6587\r\n\r\n[B]\r\ny=2")},
        {OsKind::WindowsXP, Utf16(file), "B", nullptr, nullptr, Utf16(u"[A]\r\nname=\u4E2D\u6587\r\nx=1\r\n\r\n")},
        // A file of nothing but the mark is a Unicode file.
        {OsKind::WindowsXP, "\xFF\xFE", "S", "k", "v", Utf16(u"[S]\r\nk=v\r\n")},
        // A last odd byte is no character: the key before it is read, and the rewritten file holds whole
        // characters only.
        {OsKind::WindowsXP, Utf16(u"[S]\r\nk=old\r\n") + "A", "S", "k", "new", Utf16(u"[S]\r\nk=new\r\n")},
        // Windows 9x sees no section in the bytes and adds one in ANSI after them.
        {OsKind::Windows98, Utf16(u"[S]\r\nk=old\r\n"), "S", "k", "new",
         Utf16(u"[S]\r\nk=old\r\n") + std::string("\r\n[S]\r\nk=new\r\n")},
    };
    for (std::size_t index = 0; index < rows.size(); ++index) {
        const WriteRow& row = rows[index];
        platform::TestMachine machine(row.os);
        machine.File("C:\\WINDOWS\\unicode.ini", row.before);
        EXPECT_TRUE(WritePrivateProfileStringA(row.section, row.key, row.value, "C:\\WINDOWS\\unicode.ini"))
            << "row " << index;
        EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\unicode.ini"), row.after) << "row " << index;
    }
    platform::TestMachine machine(OsKind::WindowsXP);
    machine.File("C:\\WINDOWS\\unicode.ini", Utf16(file));
    EXPECT_TRUE(WritePrivateProfileSectionA("A", "p=1\0q=\xE9\0", "unicode.ini"));
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\unicode.ini"), Utf16(u"[A]\r\np=1\r\nq=\u00E9\r\n\r\n[B]\r\ny=2"));
    EXPECT_EQ(Read("unicode.ini", "A", "q"), "\xE9");
}

TEST(ProfileEncoding, LinesEndedByCarriageReturnAlone) {
    platform::TestMachine machine;
    machine.File("C:\\WINDOWS\\cr.ini", "; old editor\r[A]\rk=v\r  other = two \r\r[B]\rx=1\r\r\nlast=end");
    EXPECT_EQ(Read("cr.ini", "A", "k"), "v");
    EXPECT_EQ(Read("cr.ini", "A", "other"), "two");
    EXPECT_EQ(Read("cr.ini", "B", "x"), "1");
    EXPECT_EQ(Read("cr.ini", "B", "last"), "end");
    char buffer[32];
    EXPECT_EQ(GetPrivateProfileSectionNamesA(buffer, sizeof buffer, "cr.ini"), 4u);
    EXPECT_EQ(std::string(buffer, 5), std::string("A\0B\0\0", 5));
    EXPECT_EQ(GetPrivateProfileSectionA("A", buffer, sizeof buffer, "cr.ini"), 14u);
    EXPECT_EQ(std::string(buffer, 15), std::string("k=v\0other=two\0\0", 15));
    // Writes keep each untouched line and its end; a new line ends with CR LF.
    ASSERT_TRUE(WritePrivateProfileStringA("A", "k", "new", "cr.ini"));
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\cr.ini"),
              "; old editor\r[A]\rk=new\r  other = two \r\r[B]\rx=1\r\r\nlast=end");
    ASSERT_TRUE(WritePrivateProfileStringA("A", "added", "1", "cr.ini"));
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\cr.ini"),
              "; old editor\r[A]\rk=new\r  other = two \radded=1\r\n\r[B]\rx=1\r\r\nlast=end");
    ASSERT_TRUE(WritePrivateProfileStringA("B", "last", nullptr, "cr.ini"));
    EXPECT_EQ(machine.ReadFile("C:\\WINDOWS\\cr.ini"),
              "; old editor\r[A]\rk=new\r  other = two \radded=1\r\n\r[B]\rx=1\r\r\n");
    machine.File("C:\\WINDOWS\\cr16.ini", Utf16(u"[A]\rk=v\r[B]\rx=1"));
    EXPECT_EQ(Read("cr16.ini", "B", "x"), "1");
}

}  // namespace
