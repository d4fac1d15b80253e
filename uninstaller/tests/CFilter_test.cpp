// The match filter: how items become patterns and which texts the patterns select.
#include "CFilter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UninstallerTesting.h"

namespace {

CaseInsensitiveStringList List(const std::vector<std::string>& strings) {
    CaseInsensitiveStringList list;
    for (const std::string& text : strings) list.push_back(text.c_str());
    return list;
}

TEST(CFilterTest, ItemsSelectTexts) {
    struct Row {
        std::vector<std::string> items;
        std::string text;
        unsigned int selected;
    } rows[] = {
        // Several tokens: in order, each after the end of the one before.
        {{"abc,def"}, "xabcydefz", 1},
        {{"abc,def"}, "defabc", 0},
        {{"abc,def"}, "ABCDEF", 1},
        {{"abc,abc"}, "abc", 0},
        {{"abc,abc"}, "abcabc", 1},
        {{"a\tb\nc"}, "xaybzc", 1},
        {{"abc,def"}, "", 0},
        // One token: the whole text, in any letter case.
        {{"abc"}, "abc", 1},
        {{"abc"}, "ABC", 1},
        {{"abc"}, "xabc", 0},
        {{"abc"}, "ab", 0},
        // Blanks are part of a token.
        {{"Local Port"}, "local port", 1},
        {{" abc"}, "abc", 0},
        // Runs and edges of separators give no empty tokens.
        {{",abc,,"}, "abc", 1},
        {{",abc,,"}, "xabc", 0},
        // Items with only separators, or empty, add no pattern and select nothing.
        {{","}, "anything", 0},
        {{",\t\n,"}, "", 0},
        {{""}, "anything", 0},
        {{}, "anything", 0},
        {{",", "mon"}, "mon", 1},
        {{",", "mon"}, "other", 0},
        // Any pattern selects.
        {{"abc", "x,z"}, "xyz", 1},
        {{"abc", "x,z"}, "zyx", 0},
    };
    for (const Row& row : rows) {
        CFilter filter;
        filter.SetPatterns(List(row.items));
        EXPECT_EQ(filter.Match(row.text.c_str()), row.selected)
            << ::testing::PrintToString(row.items) << " " << row.text;
    }
}

TEST(CFilterTest, SetUpReplacesPatterns) {
    CFilter filter;
    filter.SetPatterns(List({"old"}));
    filter.SetPatterns(List({"new,er", ",,", "x"}));
    std::vector<std::vector<std::string>> patterns;
    for (const CFilter::Pattern& tokens : filter.GetPatterns()) patterns.push_back(Strings(tokens));
    EXPECT_EQ(patterns, (std::vector<std::vector<std::string>>{{"new", "er"}, {"x"}}));
    EXPECT_EQ(filter.Match("old"), 0u);
    EXPECT_EQ(filter.Match("newer"), 1u);
}

TEST(CFilterTest, PatternsWithEmptyTokens) {
    struct Row {
        CFilter::Pattern tokens;
        std::string text;
        unsigned int matched;
    } rows[] = {
        // A token and an empty one: the token anywhere in the text.
        {{"PELOR07", ""}, "XPELOR07Y", 1},
        {{"PELOR07", ""}, "PELOR7", 0},
        {{"", "PELOR"}, "APELORB", 1},
        {{"PELOR", "07."}, "PELORIMN07.DLL", 1},
        {{"PELOR", "07."}, "07.PELOR", 0},
        {{"DOT4", "PELOR", "07"}, "DOT4_PELOR_07", 1},
        {{"DOT4", "PELOR", "07"}, "PELOR_DOT4_07", 0},
        // One empty token: only the empty text, as with a port without a description.
        {{""}, "", 1},
        {{""}, "x", 0},
        {{"", ""}, "anything", 1},
        // No tokens: every text.
        {{}, "anything", 1},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CFilter::MatchPattern(row.text.c_str(), row.tokens), row.matched)
            << ::testing::PrintToString(Strings(row.tokens)) << " " << row.text;
    }
    CFilter filter;
    filter.AddPattern({});
    EXPECT_TRUE(filter.GetPatterns().empty());
    EXPECT_EQ(filter.Match("anything"), 0u);
}

}  // namespace
