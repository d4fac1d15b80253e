// BSTR lengths and contents, variant dates and error information per thread.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "oleauto.h"

namespace {

TEST(Bstr, LengthsPrefixAndTerminator) {
    struct Row {
        const char* name;
        BSTR text;
        UINT length;
        UINT byteLength;
    };
    const Row rows[] = {
        {"string", SysAllocString(u"Stampante"), 9, 18},
        {"empty string", SysAllocString(u""), 0, 0},
        {"length within", SysAllocStringLen(u"Stampante", 5), 5, 10},
        {"length without source", SysAllocStringLen(nullptr, 3), 3, 6},
        {"odd byte length", SysAllocStringByteLen("abc", 3), 1, 3},
        {"byte length without source", SysAllocStringByteLen(nullptr, 5), 2, 5},
        {"null", nullptr, 0, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.length, SysStringLen(row.text)) << row.name;
        EXPECT_EQ(row.byteLength, SysStringByteLen(row.text)) << row.name;
        if (row.text) {
            DWORD prefix = 0;
            std::memcpy(&prefix, reinterpret_cast<char*>(row.text) - 4, 4);
            EXPECT_EQ(row.byteLength, prefix) << row.name;
            const char* bytes = reinterpret_cast<const char*>(row.text);
            EXPECT_EQ(0, bytes[row.byteLength]) << row.name;
            EXPECT_EQ(0, bytes[row.byteLength + 1]) << row.name;
        }
        SysFreeString(row.text);
    }
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    BSTR bytes = SysAllocStringByteLen("abcd", 4);
    EXPECT_EQ(std::u16string(u"\u6261\u6463"), std::u16string(bytes));
    SysFreeString(bytes);
    SysFreeString(nullptr);
}

TEST(Bstr, ReallocationFromItsOwnCharacters) {
    BSTR text = SysAllocString(u"Corvanta Serie 500");
    ASSERT_TRUE(SysReAllocString(&text, text + 9));
    EXPECT_EQ(std::u16string(u"Serie 500"), std::u16string(text));
    ASSERT_TRUE(SysReAllocStringLen(&text, text, 5));
    EXPECT_EQ(std::u16string(u"Serie"), std::u16string(text));
    EXPECT_EQ(5u, SysStringLen(text));
    ASSERT_TRUE(SysReAllocStringLen(&text, nullptr, 7));
    EXPECT_EQ(7u, SysStringLen(text));
    EXPECT_EQ(0, std::memcmp(text, u"Serie", 10));
    SysFreeString(text);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

TEST(VariantTime, DatesAndTimesBothWays) {
    struct Row {
        SYSTEMTIME time;  // year, month, day of week, day, hour, minute, second, milliseconds
        double date;
    };
    const Row rows[] = {
        {{1899, 12, 6, 30, 0, 0, 0, 0}, 0.0},
        {{1899, 12, 0, 31, 0, 0, 0, 0}, 1.0},
        {{1900, 1, 1, 1, 12, 0, 0, 0}, 2.5},
        {{1899, 12, 5, 29, 6, 0, 0, 0}, -1.25},
        {{1899, 12, 4, 28, 18, 0, 0, 0}, -2.75},
        {{2004, 2, 0, 29, 0, 0, 0, 0}, 38046.0},
        {{2000, 1, 6, 1, 0, 0, 0, 0}, 36526.0},
        {{100, 1, 5, 1, 0, 0, 0, 0}, -657434.0},
        {{9999, 12, 5, 31, 0, 0, 0, 0}, 2958465.0},
    };
    for (const Row& row : rows) {
        SYSTEMTIME input = row.time;
        input.wDayOfWeek = 3;  // ignored
        input.wMilliseconds = 999;  // ignored
        double date = 123;
        ASSERT_TRUE(SystemTimeToVariantTime(&input, &date)) << row.date;
        EXPECT_DOUBLE_EQ(row.date, date);
        SYSTEMTIME output{};
        ASSERT_TRUE(VariantTimeToSystemTime(row.date, &output)) << row.date;
        EXPECT_EQ(0, std::memcmp(&row.time, &output, sizeof output))
            << row.date << ": " << output.wYear << "-" << output.wMonth << "-" << output.wDay << " "
            << output.wDayOfWeek << " " << output.wHour;
    }
}

TEST(VariantTime, RoundsToTheSecondAndRefusesInvalidDates) {
    SYSTEMTIME output{};
    ASSERT_TRUE(VariantTimeToSystemTime(1.0 + (3600.0 + 2.6) / 86400.0, &output));
    EXPECT_EQ(1, output.wHour);
    EXPECT_EQ(3, output.wSecond);
    ASSERT_TRUE(VariantTimeToSystemTime(1.0 + 86399.7 / 86400.0, &output));
    EXPECT_EQ(1900, output.wYear);
    EXPECT_EQ(1, output.wDay);
    EXPECT_EQ(0, output.wHour);
    EXPECT_FALSE(VariantTimeToSystemTime(2958466.0, &output));
    EXPECT_FALSE(VariantTimeToSystemTime(-657435.0, &output));
    const SYSTEMTIME invalid[] = {
        {2003, 2, 0, 29, 0, 0, 0, 0}, {2004, 13, 0, 1, 0, 0, 0, 0}, {2004, 1, 0, 0, 0, 0, 0, 0},
        {2004, 1, 0, 1, 24, 0, 0, 0}, {2004, 1, 0, 1, 0, 60, 0, 0}, {2004, 1, 0, 1, 0, 0, 60, 0},
        {10000, 1, 0, 1, 0, 0, 0, 0}, {1900, 4, 0, 31, 0, 0, 0, 0},
    };
    for (SYSTEMTIME time : invalid) {
        double date = 0;
        EXPECT_FALSE(SystemTimeToVariantTime(&time, &date)) << time.wYear << "-" << time.wMonth << "-" << time.wDay;
    }
}

std::u16string Take(BSTR text) {
    std::u16string copy = text ? std::u16string(text, SysStringLen(text)) : u"(null)";
    SysFreeString(text);
    return copy;
}

TEST(ErrorInfo, HandedOverOnceAndKeptPerThread) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(S_OK, CreateErrorInfo(&create));
    create->SetGUID(IID_IDispatch);
    create->SetSource(const_cast<LPOLESTR>(u"Diagnostica.Stampante"));
    create->SetDescription(const_cast<LPOLESTR>(u"Stampante non trovata"));
    create->SetHelpContext(42);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(S_OK, create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)));
    create->Release();
    EXPECT_EQ(S_OK, SetErrorInfo(0, info));
    info->Release();

    HRESULT otherThread = E_FAIL;
    std::thread([&] {
        IErrorInfo* none = reinterpret_cast<IErrorInfo*>(1);
        otherThread = GetErrorInfo(0, &none);
        EXPECT_EQ(nullptr, none);
    }).join();
    EXPECT_EQ(S_FALSE, otherThread);

    IErrorInfo* taken = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &taken));
    ASSERT_NE(nullptr, taken);
    GUID guid{};
    taken->GetGUID(&guid);
    EXPECT_EQ(IID_IDispatch, guid);
    BSTR text = nullptr;
    taken->GetSource(&text);
    EXPECT_EQ(u"Diagnostica.Stampante", Take(text));
    taken->GetDescription(&text);
    EXPECT_EQ(u"Stampante non trovata", Take(text));
    taken->GetHelpFile(&text);
    EXPECT_EQ(u"(null)", Take(text));
    DWORD context = 0;
    taken->GetHelpContext(&context);
    EXPECT_EQ(42u, context);
    EXPECT_EQ(0u, taken->Release());

    IErrorInfo* again = reinterpret_cast<IErrorInfo*>(1);
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, &again));
    EXPECT_EQ(nullptr, again);
    EXPECT_EQ(E_INVALIDARG, SetErrorInfo(1, nullptr));
}

TEST(ErrorInfo, SettingNoneClearsTheThreadsObject) {
    ICreateErrorInfo* create = nullptr;
    ASSERT_EQ(S_OK, CreateErrorInfo(&create));
    IErrorInfo* info = nullptr;
    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info));
    create->Release();
    SetErrorInfo(0, info);
    EXPECT_EQ(S_OK, SetErrorInfo(0, nullptr));
    EXPECT_EQ(0u, info->Release());  // the thread let go of its reference
    IErrorInfo* none = nullptr;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, &none));
}

}  // namespace
