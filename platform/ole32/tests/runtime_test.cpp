// COM initialisation per thread, the task allocator and GUIDs as text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "objbase.h"
#include "platform/testing/test_machine.h"

namespace {

// Runs the action on a new thread, which starts with COM uninitialised.
template <typename Action>
void OnNewThread(Action action) {
    std::thread thread(action);
    thread.join();
}

TEST(CoInitialize, CountsPerThreadAndKeepsTheFirstModel) {
    enum Call { Apartment, Multithreaded, Uninitialize };
    struct Row {
        const char* name;
        std::vector<Call> calls;
        std::vector<HRESULT> results;  // of each initialisation, in order
    };
    const Row rows[] = {
        {"first then repeated", {Apartment, Apartment}, {S_OK, S_FALSE}},
        {"multithreaded repeated", {Multithreaded, Multithreaded}, {S_OK, S_FALSE}},
        {"apartment then multithreaded", {Apartment, Multithreaded}, {S_OK, RPC_E_CHANGED_MODE}},
        {"multithreaded then apartment", {Multithreaded, Apartment}, {S_OK, RPC_E_CHANGED_MODE}},
        {"again after uninitialising", {Apartment, Uninitialize, Multithreaded}, {S_OK, S_OK}},
        {"still initialised after one of two", {Apartment, Apartment, Uninitialize, Multithreaded},
         {S_OK, S_FALSE, RPC_E_CHANGED_MODE}},
        {"an uninitialise too many is ignored", {Uninitialize, Apartment}, {S_OK}},
    };
    for (const Row& row : rows) {
        std::vector<HRESULT> results;
        OnNewThread([&] {
            for (Call call : row.calls) {
                if (call == Apartment) results.push_back(CoInitialize(nullptr));
                if (call == Multithreaded) results.push_back(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
                if (call == Uninitialize) CoUninitialize();
            }
        });
        EXPECT_EQ(row.results, results) << row.name;
    }
}

TEST(CoInitialize, EachThreadHasItsOwnState) {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    HRESULT other = E_FAIL;
    OnNewThread([&] { other = CoInitializeEx(nullptr, COINIT_MULTITHREADED); });
    EXPECT_EQ(S_OK, other);
    EXPECT_EQ(E_INVALIDARG, CoInitializeEx(reinterpret_cast<LPVOID>(1), COINIT_APARTMENTTHREADED));
    CoUninitialize();
}

TEST(CoTaskMem, AllocatesReallocatesAndFrees) {
    auto* block = static_cast<char*>(CoTaskMemAlloc(8));
    ASSERT_NE(nullptr, block);
    std::memcpy(block, "abcdefg", 8);
    block = static_cast<char*>(CoTaskMemRealloc(block, 4096));
    ASSERT_NE(nullptr, block);
    EXPECT_STREQ("abcdefg", block);
    EXPECT_EQ(nullptr, CoTaskMemRealloc(block, 0));
    void* fresh = CoTaskMemRealloc(nullptr, 16);
    EXPECT_NE(nullptr, fresh);
    CoTaskMemFree(fresh);
    CoTaskMemFree(nullptr);
}

DEFINE_GUID(sampleGuid, 0x0123ABCD, 0x4567, 0x89EF, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF);

TEST(GuidStrings, WrittenUpperCaseInBraces) {
    struct Row {
        GUID guid;
        const char16_t* text;
    };
    const Row rows[] = {
        {sampleGuid, u"{0123ABCD-4567-89EF-0123-456789ABCDEF}"},
        {IID_IDispatch, u"{00020400-0000-0000-C000-000000000046}"},
        {IID_IErrorInfo, u"{1CF2B120-547D-101B-8E65-08002B2BD119}"},
        {GUID_NULL, u"{00000000-0000-0000-0000-000000000000}"},
    };
    for (const Row& row : rows) {
        OLECHAR buffer[39];
        EXPECT_EQ(39, StringFromGUID2(row.guid, buffer, 39));
        EXPECT_EQ(std::u16string(row.text), std::u16string(buffer));
        LPOLESTR text = nullptr;
        ASSERT_EQ(S_OK, StringFromCLSID(row.guid, &text));
        EXPECT_EQ(std::u16string(row.text), std::u16string(text));
        CoTaskMemFree(text);
        ASSERT_EQ(S_OK, StringFromIID(row.guid, &text));
        CLSID back{};
        EXPECT_EQ(S_OK, CLSIDFromString(text, &back));
        EXPECT_EQ(row.guid, back);
        IID backIid{};
        EXPECT_EQ(S_OK, IIDFromString(text, &backIid));
        EXPECT_EQ(row.guid, backIid);
        CoTaskMemFree(text);
    }
    OLECHAR small[38];
    EXPECT_EQ(0, StringFromGUID2(sampleGuid, small, 38));
}

TEST(GuidStrings, BadTextIsRefused) {
    platform::TestMachine machine;
    const char16_t* texts[] = {
        u"{0123ABCD-4567-89EF-0123-456789ABCDE}",    // a digit short
        u"{0123ABCD-4567-89EF-0123-456789ABCDEF0}",  // a digit over
        u"{0123ABCD-4567-89EF-0123-456789ABCDEF",    // no closing brace
        u"{0123ABCD 4567-89EF-0123-456789ABCDEF}",   // a blank for a dash
        u"{0123ABCG-4567-89EF-0123-456789ABCDEF}",   // not hexadecimal
        u"{0123ABCD-4567-89EF-0123456789ABCDEF}",    // a group run together
        u"{}",
        u"",
        u"0123ABCD-4567-89EF-0123-456789ABCDEF",  // no braces: a ProgID, and none is registered
    };
    for (const char16_t* text : texts) {
        CLSID clsid = sampleGuid;
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(text, &clsid));
        EXPECT_EQ(CLSID_NULL, clsid);
        IID iid = sampleGuid;
        EXPECT_EQ(E_INVALIDARG, IIDFromString(text, &iid));
        EXPECT_EQ(IID_NULL, iid);
    }
    CLSID lower{};
    EXPECT_EQ(S_OK, CLSIDFromString(u"{0123abcd-4567-89ef-0123-456789abcdef}", &lower));
    EXPECT_EQ(sampleGuid, lower);
    CLSID none = sampleGuid;
    EXPECT_EQ(S_OK, CLSIDFromString(nullptr, &none));
    EXPECT_EQ(CLSID_NULL, none);
}

}  // namespace
