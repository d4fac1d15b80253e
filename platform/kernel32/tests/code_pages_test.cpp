// WideCharToMultiByte into Windows-1252 and MultiByteToWideChar from it: lengths, the size query,
// replaced characters and refused arguments.
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

TEST(CodePages, MultiByteToWideChar) {
    platform::TestMachine machine;
    struct Row {
        const char* name;
        UINT codePage;
        DWORD flags;
        std::string text;
        int length;      // bytes given; -1 up to the zero
        int outputSize;  // characters offered
        int result;
        DWORD error;
        std::u16string converted;
    } rows[] = {
        {"size query", CP_ACP, MB_PRECOMPOSED, "Perch\xE9", -1, 0, 7, 0, u""},
        {"with its zero", CP_ACP, MB_PRECOMPOSED, "Perch\xE9", -1, 16, 7, 0,
         std::u16string(u"Perch\u00E9", 6) + u'\0'},
        {"counted, no zero", 1252, 0, "Perch\xE9", 6, 16, 6, 0, u"Perch\u00E9"},
        {"counted size query", CP_ACP, 0, "abc", 2, 0, 2, 0, u""},
        {"euro sign and quotes", CP_ACP, MB_ERR_INVALID_CHARS, "\x80\x93x\x94", 4, 16, 4, 0,
         u"\u20AC\u201Cx\u201D"},
        {"undefined byte kept", CP_ACP, MB_ERR_INVALID_CHARS, "\x81", 1, 16, 1, 0, u"\u0081"},
        {"one character short", CP_ACP, 0, "abc", 3, 2, 0, ERROR_INSUFFICIENT_BUFFER, u""},
        {"zero does not fit", CP_ACP, 0, "abc", -1, 3, 0, ERROR_INSUFFICIENT_BUFFER, u""},
        {"no bytes", CP_ACP, 0, "abc", 0, 16, 0, ERROR_INVALID_PARAMETER, u""},
        {"other code page", 1251, 0, "abc", 3, 16, 0, ERROR_INVALID_PARAMETER, u""},
        {"composed and precomposed", CP_ACP, MB_PRECOMPOSED | MB_COMPOSITE, "abc", 3, 16, 0,
         ERROR_INVALID_FLAGS, u""},
        {"unknown flag", CP_ACP, 0x100, "abc", 3, 16, 0, ERROR_INVALID_FLAGS, u""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        WCHAR output[16] = {};
        SetLastError(0);
        int result = MultiByteToWideChar(row.codePage, row.flags, row.text.c_str(), row.length,
                                         row.outputSize ? output : nullptr, row.outputSize);
        EXPECT_EQ(result, row.result);
        if (result == 0) {
            EXPECT_EQ(GetLastError(), row.error);
            continue;
        }
        if (row.outputSize) {
            EXPECT_EQ(std::u16string(output, static_cast<size_t>(result)), row.converted);
        }
    }
    WCHAR output[4];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, output, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
