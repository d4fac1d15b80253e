// CString and CStringArray where they could break: formatting past any first guess of a length, parts
// at and past the ends, replacing, trimming, searching, comparisons, buffers written by Windows calls,
// strings of the module's string table, and arrays that grow.
#include <gtest/gtest.h>

#include <string>

#include "CString.h"
#include "CStringArray.h"
#include "platform/kernel32/module_resources.h"
#include "platform/resource_formats/resource_formats.h"
#include "platform/testing/test_machine.h"

namespace {

TEST(CStringTest, FormatGrowsToAnyLength) {
    const struct {
        const char* format;
        int width;
        std::size_t length;
    } rows[] = {{"%*d", 5, 5}, {"%*d", 300, 300}, {"%*d", 5000, 5000}, {"%*d", 0, 1}};
    for (const auto& row : rows) {
        CString text;
        text.Format(row.format, row.width, 7);
        EXPECT_EQ(row.length, static_cast<std::size_t>(text.GetLength())) << row.width;
        EXPECT_EQ('7', text[text.GetLength() - 1]);
    }
    CString joined;
    joined.Format("%s - %ld", "Serie 500", 2L);
    EXPECT_EQ(joined, "Serie 500 - 2");
    // The text formatted may be the string's own.
    joined.Format("[%s]", static_cast<LPCSTR>(CString(joined)));
    EXPECT_EQ(joined, "[Serie 500 - 2]");
    joined.AppendFormat(" %d", 3);
    EXPECT_EQ(joined, "[Serie 500 - 2] 3");
}

TEST(CStringTest, PartsAtAndPastTheEnds) {
    const CString text("C:\\Tour\\tour.exe");
    const struct {
        CString part;
        const char* expected;
    } rows[] = {
        {text.Mid(8), "tour.exe"},
        {text.Mid(8, 4), "tour"},
        {text.Mid(-3, 2), "C:"},
        {text.Mid(8, 100), "tour.exe"},
        {text.Mid(16), ""},
        {text.Mid(99), ""},
        {text.Mid(3, -1), ""},
        {text.Left(2), "C:"},
        {text.Left(99), "C:\\Tour\\tour.exe"},
        {text.Left(-1), ""},
        {text.Right(3), "exe"},
        {text.Right(99), "C:\\Tour\\tour.exe"},
        {text.Right(0), ""},
        {text.Left(text.ReverseFind('\\')), "C:\\Tour"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.part, row.expected) << row.expected;
    EXPECT_EQ('\0', text.GetAt(16));
    EXPECT_EQ('\0', text.GetAt(-1));
}

TEST(CStringTest, FindReplaceAndTrim) {
    CString path("D:\\\\TOUR\\\\tour.exe");
    EXPECT_EQ(2, path.Replace("\\\\", "\\"));
    EXPECT_EQ(path, "D:\\TOUR\\tour.exe");
    EXPECT_EQ(0, path.Replace("", "x"));
    CString grow("aXa");
    EXPECT_EQ(2, grow.Replace("a", "aa"));
    EXPECT_EQ(grow, "aaXaa");
    EXPECT_EQ(1, grow.Replace("X", nullptr));
    EXPECT_EQ(grow, "aaaa");
    EXPECT_EQ(4, grow.Replace('a', 'b'));
    EXPECT_EQ(grow, "bbbb");
    EXPECT_EQ(3, path.Find('T'));
    EXPECT_EQ(8, path.Find("tour"));
    EXPECT_EQ(-1, path.Find("tour", 9));
    EXPECT_EQ(-1, path.Find('T', 99));
    EXPECT_EQ(7, path.ReverseFind('\\'));
    EXPECT_EQ(-1, path.ReverseFind('/'));
    EXPECT_EQ(1, path.FindOneOf(":."));

    CString padded("  \t testo \r\n");
    EXPECT_EQ(padded.TrimLeft(), "testo \r\n");
    EXPECT_EQ(padded.TrimRight(), "testo");
    CString dots("..a.b..");
    EXPECT_EQ(dots.TrimLeft('.').TrimRight("."), "a.b");
    CString blank("   ");
    EXPECT_TRUE(blank.Trim().IsEmpty());
    // Letters of the code page (Windows-1252) change case too.
    platform::TestMachine machine;
    CString mixed("Serie 500 \xE0\xE8");
    EXPECT_EQ(CString(mixed).MakeUpper(), "SERIE 500 \xC0\xC8");
    EXPECT_EQ(CString(mixed).MakeLower(), "serie 500 \xE0\xE8");
}

TEST(CStringTest, ConcatenationAndComparison) {
    CString text = CString("Serie") + ' ' + "500";
    text += " - ";
    text += CString('x', 2);
    EXPECT_EQ(text, "Serie 500 - xx");
    EXPECT_EQ("a" + CString("b"), "ab");
    EXPECT_TRUE(CString("abc") < "abd");
    EXPECT_TRUE("abc" < CString("abd"));
    EXPECT_TRUE(CString("b") > CString("a"));
    EXPECT_TRUE(CString("abc") != "ABC");
    EXPECT_EQ(0, CString("abc").CompareNoCase("ABC"));
    EXPECT_GT(0, CString("abc").CompareNoCase("ABD"));
    EXPECT_EQ(CString(nullptr), "");
    EXPECT_EQ(CString("abcdef", 3), "abc");
}

TEST(CStringTest, BuffersForWindowsCalls) {
    platform::TestMachine machine;
    CString folder;
    UINT length = GetWindowsDirectoryA(folder.GetBuffer(MAX_PATH), MAX_PATH);
    folder.ReleaseBuffer();
    EXPECT_EQ(static_cast<int>(length), folder.GetLength());
    EXPECT_EQ(folder, "C:\\WINDOWS");
    LPSTR buffer = folder.GetBuffer(0);
    buffer[2] = '\0';
    folder.ReleaseBuffer();
    EXPECT_EQ(folder, "C:");
    std::strcpy(folder.GetBufferSetLength(4), "abcd");
    folder.ReleaseBuffer(2);
    EXPECT_EQ(folder, "ab");
}

TEST(CStringTest, StringsOfTheStringTable) {
    platform::TestMachine machine;
    std::array<std::string, platform::resources::kStringsPerBlock> texts{};
    texts[15] = "Presentazione dispositivo (%s)";  // id 175: block 11, last string
    texts[14] = std::string(600, 'L');             // id 174: longer than a first buffer
    static const platform::resources::Bytes block = platform::resources::EncodeStringBlock(texts);
    platform::ModuleResource resources[] = {
        {RT_STRING, MAKEINTRESOURCEA(11), 0x0410, block.data(), static_cast<DWORD>(block.size())}};
    platform::RegisterModuleResources(nullptr, resources);

    EXPECT_EQ(CString(MAKEINTRESOURCEA(175)), "Presentazione dispositivo (%s)");
    CString text;
    EXPECT_TRUE(text.LoadString(174));
    EXPECT_EQ(600, text.GetLength());
    EXPECT_FALSE(text.LoadString(176));
    EXPECT_TRUE(text.IsEmpty());
    text.Format(175u, "tour.exe");
    EXPECT_EQ(text, "Presentazione dispositivo (tour.exe)");
}

TEST(CStringArrayTest, GrowsAndShrinks) {
    CStringArray array;
    EXPECT_TRUE(array.IsEmpty());
    EXPECT_EQ(0, array.Add("qnvvwr07.exe"));
    EXPECT_EQ(1, array.Add(CString("qnvdir07.exe")));
    EXPECT_EQ(2, array.GetSize());
    EXPECT_EQ(1, array.GetUpperBound());
    array.SetSize(5);
    EXPECT_EQ(5, array.GetSize());
    EXPECT_TRUE(array[4].IsEmpty());
    EXPECT_EQ(array.GetAt(1), "qnvdir07.exe");
    array.SetAt(4, "toolbox.exe");
    array[3] = "welcomer.exe";
    array.SetAtGrow(7, "ultimo");
    EXPECT_EQ(8, array.GetSize());
    EXPECT_TRUE(array[6].IsEmpty());
    array.InsertAt(0, "primo", 2);
    EXPECT_EQ(10, array.GetSize());
    EXPECT_EQ(array[1], "primo");
    EXPECT_EQ(array[2], "qnvvwr07.exe");
    array.RemoveAt(0, 2);
    EXPECT_EQ(array[0], "qnvvwr07.exe");
    EXPECT_EQ(8, array.Append(array));
    EXPECT_EQ(16, array.GetSize());
    EXPECT_EQ(array[8], "qnvvwr07.exe");
    array.SetSize(1);
    EXPECT_EQ(1, array.GetSize());
    EXPECT_EQ(array[0], "qnvvwr07.exe");
    array.RemoveAll();
    EXPECT_EQ(0, array.GetSize());
}

TEST(CStringArrayTest, AnIndexOutsideEndsTheProgram) {
    CStringArray array;
    array.Add("a");
    EXPECT_DEATH(array.GetAt(1), "index 1 outside 0..0");
    EXPECT_DEATH(array.SetAt(-1, "x"), "index -1 outside");
}

}  // namespace
