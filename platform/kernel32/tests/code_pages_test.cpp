// WideCharToMultiByte into Windows-1252: lengths, the size query, replaced characters and refused
// arguments.
#include <gtest/gtest.h>

#include <string>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

TEST(CodePages, WideCharToMultiByte) {
    platform::TestMachine machine;
    struct Row {
        const char* name;
        UINT codePage;
        std::u16string text;
        int length;      // characters given; -1 up to the zero
        int outputSize;  // bytes offered
        int result;
        DWORD error;
        std::string converted;
        BOOL usedDefault;
    } rows[] = {
        {"size query", CP_ACP, u"Perché", -1, 0, 7, 0, "", FALSE},
        {"with its zero", CP_ACP, u"Perché", -1, 16, 7, 0, std::string("Perch\xE9", 6) + '\0', FALSE},
        {"counted, no zero", 1252, u"Perché", 3, 16, 3, 0, "Per", FALSE},
        {"euro sign", CP_ACP, u"\u20AC5", 2, 16, 2, 0,
         "\x80"
         "5",
         FALSE},
        {"not in 1252", CP_ACP, u"a\u0416b", 3, 16, 3, 0, "a#b", TRUE},
        {"one byte short", CP_ACP, u"abc", 3, 2, 0, ERROR_INSUFFICIENT_BUFFER, "", FALSE},
        {"no characters", CP_ACP, u"abc", 0, 16, 0, ERROR_INVALID_PARAMETER, "", FALSE},
        {"other code page", 1251, u"abc", 3, 16, 0, ERROR_INVALID_PARAMETER, "", FALSE},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char output[16] = {};
        BOOL usedDefault = 2;
        SetLastError(0);
        int result =
            WideCharToMultiByte(row.codePage, 0, row.text.c_str(), row.length,
                                row.outputSize ? output : nullptr, row.outputSize, "#", &usedDefault);
        EXPECT_EQ(result, row.result);
        if (result == 0) {
            EXPECT_EQ(GetLastError(), row.error);
            continue;
        }
        if (row.outputSize) {
            EXPECT_EQ(std::string(output, static_cast<size_t>(result)), row.converted);
        }
        EXPECT_EQ(usedDefault, row.usedDefault);
    }
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, nullptr, -1, nullptr, 0, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
