// The diagnostics objects' shared conventions: the error reporter and the error information it sets, the
// ANSI to BSTR conversion and the registry roots.
#include <gtest/gtest.h>

#include <string>

#include "AnsiText.h"
#include "AnsiToBstr.h"
#include "AtlReportError.h"
#include "BstrHolder.h"
#include "CComPtr.h"
#include "RegRoot.h"
#include "ReportComError.h"
#include "SetComErrorInfo.h"
#include "platform/testing/test_machine.h"

namespace {

using diagnostics::BstrHolder;

const CLSID kClassId = {0x469DDD07, 0xC791, 0x11D3, {0xA4, 0xBC, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86}};
const IID kInterfaceId = {0x469DDD06, 0xC791, 0x11D3, {0xA4, 0xBC, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86}};
constexpr const char* kTimeStamp = "Thu Feb  3 18:33:29 2000";

// What the thread's error information holds, taken (and so cleared) from it.
struct TakenError {
    bool present = false;
    std::string description, source, helpFile;
    DWORD helpContext = 0;
    GUID guid{};
};

TakenError TakeError() {
    TakenError taken;
    CComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, &info) != S_OK || !info) return taken;
    taken.present = true;
    BstrHolder description, source, helpFile;
    info->GetDescription(&description);
    info->GetSource(&source);
    info->GetHelpFile(&helpFile);
    info->GetHelpContext(&taken.helpContext);
    info->GetGUID(&taken.guid);
    taken.description = framework::AnsiFromWide(description.m_str);
    taken.source = framework::AnsiFromWide(source.m_str);
    taken.helpFile = framework::AnsiFromWide(helpFile.m_str);
    return taken;
}

class ErrorReporter : public ::testing::Test {
  protected:
    void SetUp() override {
        machine.Registry(R"([HKEY_CLASSES_ROOT\CLSID\{469DDD07-C791-11D3-A4BC-0060B0F8AA86}\ProgID]
@="QNAiO.Sample.1"
)");
        TakeError();
    }
    // Error information set before the reporter runs, to see whether it is left alone.
    void SetEarlierError() { AtlReportError(GUID_NULL, u"earlier", GUID_NULL, E_FAIL); }

    platform::TestMachine machine;
};

TEST_F(ErrorReporter, ComposesTheDescriptionWithTheCodeAndThePlaceInTheSource) {
    struct Case {
        const char* description;
        HRESULT hr;
        const char* file;
        int line;
        const char* timeStamp;
        const char* expected;
    } cases[] = {
        {"Bad", E_INVALIDARG, "Drive.cpp", 42, kTimeStamp, "Bad [0x80070057] Drive.cpp:42 Thu Feb  3 18:33:29 2000"},
        {"Bad", E_POINTER, nullptr, 42, kTimeStamp, "Bad [0x80004003] :42 Thu Feb  3 18:33:29 2000"},
        {"Bad", E_FAIL, "Drive.cpp", 0, kTimeStamp, "Bad [0x80004005] Drive.cpp"},
        {"Bad", E_FAIL, "Drive.cpp", 7, nullptr, "Bad [0x80004005] Drive.cpp:7 "},
        {"Bad", E_FAIL, nullptr, 0, nullptr, "Bad [0x80004005] "},
        {"Bad", 0x0004000A, "x.cpp", 1, nullptr, "Bad [0x0004000A] x.cpp:1 "},
        // No description: the system's text for the code in the user's language (the test machine's is
        // Italian), line break included.
        {nullptr, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), "Drive.cpp", 3, kTimeStamp,
         "Accesso negato.\r\n [0x80070005] Drive.cpp:3 Thu Feb  3 18:33:29 2000"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.expected);
        diagnostics::ReportComError(test.description, test.hr, kClassId, kInterfaceId, test.file, test.line,
                                    test.timeStamp);
        TakenError taken = TakeError();
        ASSERT_TRUE(taken.present);
        EXPECT_EQ(test.expected, taken.description);
        EXPECT_EQ("QNAiO.Sample.1", taken.source);
        EXPECT_EQ(kInterfaceId, taken.guid);
        EXPECT_EQ(0u, taken.helpContext);
        EXPECT_EQ("", taken.helpFile);
    }
}

TEST_F(ErrorReporter, SetsNothingWithoutADescription) {
    struct Case {
        const char* name;
        const char* description;
        HRESULT hr;
    } cases[] = {
        {"empty description", "", E_POINTER},
        {"null description, interface facility", nullptr, static_cast<HRESULT>(0x80040200)},
        {"null description, no system text", nullptr, static_cast<HRESULT>(0x800A0001)},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        SetEarlierError();
        diagnostics::ReportComError(test.description, test.hr, kClassId, kInterfaceId, "Drive.cpp", 10, kTimeStamp);
        TakenError taken = TakeError();
        ASSERT_TRUE(taken.present);
        EXPECT_EQ("earlier", taken.description);
    }
}

TEST_F(ErrorReporter, UnregisteredClassLeavesTheSourceEmpty) {
    const CLSID unregistered = {0x469DDD99, 0xC791, 0x11D3, {0xA4, 0xBC, 0x00, 0x60, 0xB0, 0xF8, 0xAA, 0x86}};
    diagnostics::ReportComError("Bad", E_FAIL, unregistered, kInterfaceId, nullptr, 0, nullptr);
    TakenError taken = TakeError();
    ASSERT_TRUE(taken.present);
    EXPECT_EQ("", taken.source);
    EXPECT_EQ("Bad [0x80004005] ", taken.description);
}

TEST_F(ErrorReporter, SetComErrorInfoResults) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    struct Case {
        const char* name;
        LPCOLESTR description;
        HRESULT hr;
        HRESULT expected;
        const char* expectedDescription;
    } cases[] = {
        {"text, no code", u"Text", 0, DISP_E_EXCEPTION, "Text"},
        {"text and code", u"Text", E_OUTOFMEMORY, E_OUTOFMEMORY, "Text"},
        {"missing string, no code", reinterpret_cast<LPCOLESTR>(0x1234), 0, static_cast<HRESULT>(0x80041234),
         "Unknown Error"},
        {"string of the module", reinterpret_cast<LPCOLESTR>(200), 0, static_cast<HRESULT>(0x800400C8),
         "Memoria insufficiente"},
        {"missing string and code", reinterpret_cast<LPCOLESTR>(0x1234), E_FAIL, E_FAIL, "Unknown Error"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        EXPECT_EQ(test.expected, diagnostics::SetComErrorInfo(kClassId, test.description, 0, nullptr, kInterfaceId,
                                                              test.hr, module));
        TakenError taken = TakeError();
        ASSERT_TRUE(taken.present);
        EXPECT_EQ(test.expectedDescription, taken.description);
        EXPECT_EQ("QNAiO.Sample.1", taken.source);
    }
}

TEST_F(ErrorReporter, HelpIsSetOnlyWithBothContextAndFile) {
    struct Case {
        DWORD context;
        LPCOLESTR file;
        DWORD expectedContext;
        const char* expectedFile;
    } cases[] = {
        {17, u"kenro.hlp", 17, "kenro.hlp"},
        {0, u"kenro.hlp", 0, ""},
        {17, nullptr, 0, ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.context);
        diagnostics::SetComErrorInfo(kClassId, u"Text", test.context, test.file, kInterfaceId, E_FAIL, nullptr);
        TakenError taken = TakeError();
        EXPECT_EQ(test.expectedContext, taken.helpContext);
        EXPECT_EQ(test.expectedFile, taken.helpFile);
    }
}

TEST(AnsiToBstr, ConvertsTheCountGivenOrUpToTheZero) {
    platform::TestMachine machine;
    struct Case {
        const char* text;
        int count;
        std::u16string expected;
    } cases[] = {
        {"Memoria", -1, u"Memoria"},
        {"Memoria", 3, u"Mem"},
        {"", -1, u""},
        {"Perch\xE9", -1, u"Perch\u00E9"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.text);
        BstrHolder converted;
        converted.Attach(diagnostics::AnsiToBstr(test.text, test.count));
        ASSERT_TRUE(converted.m_str);
        EXPECT_EQ(test.expected, std::u16string(converted.m_str, converted.Length()));
    }
    EXPECT_EQ(nullptr, diagnostics::AnsiToBstr(nullptr, -1));
}

TEST(RegRoot, MapsTheSixRootsBothWays) {
    struct Case {
        long root;
        HKEY key;
    } cases[] = {
        {QNAiO_RegRootHKCR, HKEY_CLASSES_ROOT},   {QNAiO_RegRootHKCU, HKEY_CURRENT_USER},
        {QNAiO_RegRootHKLM, HKEY_LOCAL_MACHINE},  {QNAiO_RegRootHKU, HKEY_USERS},
        {QNAiO_RegRootHKCC, HKEY_CURRENT_CONFIG}, {QNAiO_RegRootHKDD, HKEY_DYN_DATA},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.root);
        EXPECT_EQ(test.key, diagnostics::HKeyFromRegRoot(test.root));
        EXPECT_EQ(test.root, diagnostics::RegRootFromHKey(test.key));
    }
    for (long outside : {0L, 7L, -1L, 8L}) EXPECT_EQ(nullptr, diagnostics::HKeyFromRegRoot(outside)) << outside;
    for (HKEY outside : {HKEY_PERFORMANCE_DATA, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(0x80000007)})
        EXPECT_EQ(QNAiO_RegRootUndefined, diagnostics::RegRootFromHKey(outside));
}

}  // namespace
