// GUIDs as text, in both character widths the platform's libraries read them in.
#include <gtest/gtest.h>

#include <string>

#include "platform/machine/guid_text.h"

namespace {

constexpr GUID kSample = {0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

TEST(GuidText, WrittenUpperCaseAndReadInEitherCase) {
    EXPECT_EQ(platform::GuidText(kSample), "{4D36E967-E325-11CE-BFC1-08002BE10318}");
    struct Row {
        const char* text;
        bool valid;
    } rows[] = {
        {"{4D36E967-E325-11CE-BFC1-08002BE10318}", true},
        {"{4d36e967-e325-11ce-bfc1-08002be10318}", true},
        {"4D36E967-E325-11CE-BFC1-08002BE10318", false},    // no braces
        {"{4D36E967-E325-11CE-BFC1-08002BE1031}", false},   // one digit short
        {"{4D36E967-E325-11CE-BFC1-08002BE103188}", false}, // one digit over
        {"{4D36E967-E325-11CE+BFC1-08002BE10318}", false},  // not a dash
        {"{4D36E967-E325-11CE-BFC1-08002BE1031G}", false},  // not a digit
    };
    for (const Row& row : rows) {
        std::string text = row.text;
        std::u16string wide(text.begin(), text.end());
        std::optional<GUID> narrow = platform::ParseGuid(text);
        std::optional<GUID> fromWide = platform::ParseGuid(wide);
        EXPECT_EQ(narrow.has_value(), row.valid) << row.text;
        EXPECT_EQ(fromWide.has_value(), row.valid) << row.text;
        if (row.valid && narrow && fromWide) {
            EXPECT_EQ(platform::GuidText(*narrow), platform::GuidText(kSample));
            EXPECT_EQ(platform::GuidText(*fromWide), platform::GuidText(kSample));
        }
    }
}

}  // namespace
