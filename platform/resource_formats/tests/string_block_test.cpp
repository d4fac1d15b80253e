#include <gtest/gtest.h>

#include "platform/resource_formats/resource_formats.h"

namespace {

using platform::resources::Bytes;
using platform::resources::DecodeStringBlock;
using platform::resources::EncodeStringBlock;
using platform::resources::StringBlock;

TEST(StringBlock, EncodesCountsAndCharactersAndReadsThemBack) {
    std::array<std::string, 16> texts;
    texts[0] = "A";
    texts[2] = "\xE8";  // Windows-1252 e grave
    Bytes bytes = EncodeStringBlock(texts);
    EXPECT_EQ(bytes, (Bytes{1, 0, 'A', 0, 0, 0, 1, 0, 0xE8, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                            0, 0, 0,   0, 0, 0, 0, 0, 0,    0, 0, 0, 0, 0, 0, 0, 0, 0}));
    StringBlock block = DecodeStringBlock(bytes);
    EXPECT_EQ(block[0], u"A");
    EXPECT_EQ(block[1], u"");
    EXPECT_EQ(block[2], u"\u00E8");
}

TEST(StringBlock, BlockCutShortLeavesTheRestEmpty) {
    StringBlock strings;
    strings[0] = u"first";
    strings[1] = u"second";
    Bytes bytes = EncodeStringBlock(strings);
    const struct {
        size_t size;
        const char16_t* first;
        const char16_t* second;
    } rows[] = {
        {0, u"", u""},   {1, u"", u""},       {2, u"", u""},
        {6, u"fi", u""}, {12, u"first", u""}, {16, u"first", u"s"},
    };
    for (const auto& row : rows) {
        StringBlock block = DecodeStringBlock({bytes.data(), row.size});
        EXPECT_EQ(block[0], row.first) << row.size;
        EXPECT_EQ(block[1], row.second) << row.size;
        EXPECT_EQ(block[15], u"") << row.size;
    }
}

}  // namespace
