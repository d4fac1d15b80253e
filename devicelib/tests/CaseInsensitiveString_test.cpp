#include "CaseInsensitiveString.h"

#include <gtest/gtest.h>

namespace {

using Traits = case_insensitive_char_traits;

TEST(CaseInsensitiveString, ComparesAndOrdersWithoutCase) {
    const struct {
        const char* left;
        const char* right;
        int order;  // sign of left.compare(right)
    } rows[] = {
        {"QnPrinter", "QNPRINTER", 0},
        {"abc", "ABD", -1},
        {"ABD", "abc", 1},
        {"ab", "ABC", -1},
        {"", "", 0},
        {"Z", "a", 1},
        // '_' lies between the upper- and lower-case letters: both sides are upper-cased first.
        {"_", "a", 1},
        // Bytes at or above 0x80 order after every ASCII letter.
        {"\xE8", "z", 1},
        {"Citt\xE0", "CITT\xE0", 0},
    };
    for (const auto& row : rows) {
        CaseInsensitiveString left(row.left);
        CaseInsensitiveString right(row.right);
        int order = left.compare(right);
        EXPECT_EQ((order > 0) - (order < 0), row.order) << row.left << " / " << row.right;
        EXPECT_EQ(left == right, row.order == 0) << row.left << " / " << row.right;
        EXPECT_EQ(left < right, row.order < 0) << row.left << " / " << row.right;
    }
}

TEST(CaseInsensitiveString, MapKeysIgnoreCase) {
    CaseInsensitiveStringMap<int> map;
    map["Printers"] = 1;
    map["PRINTERS"] = 2;
    map["Ports"] = 3;
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map["printers"], 2);
    EXPECT_EQ(map.begin()->first, "Ports");
}

TEST(CaseInsensitiveString, FindWalksTheGivenLength) {
    const char text[] = "ABCabc\xC8";
    const struct {
        const char* data;
        std::size_t length;
        char wanted;
        const char* expected;
    } rows[] = {
        {text, 3, 'b', text + 1},    {text, 3, 'B', text + 1}, {text + 3, 3, 'C', text + 5},
        {text, 2, 'c', nullptr},     {text, 0, 'a', nullptr},  {nullptr, 3, 'a', nullptr},
        {text, 7, '\xC8', text + 6},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Traits::find(row.data, row.length, row.wanted), row.expected)
            << (row.data ? row.data : "(null)") << " " << row.length << " " << row.wanted;
    }
    EXPECT_EQ(CaseInsensitiveString("Driver.INF").find(".inf"), 6u);
    EXPECT_EQ(CaseInsensitiveString("Driver.INF").rfind('D'), 0u);
}

}  // namespace
