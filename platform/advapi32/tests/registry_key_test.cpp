// The platform's registry key guard: which values each read accepts, writes read back, and the key
// closed with the guard.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/advapi32/registry_key.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::RegistryKey;
using platform::TestMachine;

constexpr const char* kValues = R"(REGEDIT4
[HKEY_LOCAL_MACHINE\SOFTWARE\Guard]
@="default text"
"Text"="plain"
"Expand"=hex(2):25,54,45,4d,50,25,00
"Cut"=hex(1):61,00,62,00
"Number"=dword:0000002a
"Short"=hex(4):2a,00
"List"=hex(7):61,00,62,63,00,00
"Empty list"=hex(7):00
"Bytes"=hex:01,02
[HKEY_LOCAL_MACHINE\SOFTWARE\Guard\First]
[HKEY_LOCAL_MACHINE\SOFTWARE\Guard\Second]
)";

TEST(RegistryKeyGuard, ReadsOnlyValuesOfItsType) {
    TestMachine machine;
    machine.Registry(kValues);
    RegistryKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "software\\guard"), ERROR_SUCCESS);
    using Strings = std::vector<std::string>;
    struct Row {
        const char* name;
        std::optional<std::string> text;
        std::optional<DWORD> number;
        std::optional<Strings> strings;
    } rows[] = {
        {nullptr, "default text", std::nullopt, std::nullopt},
        {"Text", "plain", std::nullopt, std::nullopt},
        {"Expand", "%TEMP%", std::nullopt, std::nullopt},  // not expanded
        {"Cut", "a", std::nullopt, std::nullopt},          // up to the first zero
        {"Number", std::nullopt, 42u, std::nullopt},
        {"Short", std::nullopt, std::nullopt, std::nullopt},
        {"List", std::nullopt, std::nullopt, Strings{"a", "bc"}},
        {"Empty list", std::nullopt, std::nullopt, Strings{}},
        {"Bytes", std::nullopt, std::nullopt, std::nullopt},
        {"Missing", std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        const char* name = row.name ? row.name : "(default)";
        EXPECT_EQ(key.String(row.name), row.text) << name;
        EXPECT_EQ(key.Dword(row.name), row.number) << name;
        EXPECT_EQ(key.Strings(row.name), row.strings) << name;
    }
    EXPECT_EQ(key.Subkeys(), (Strings{"First", "Second"}));
}

TEST(RegistryKeyGuard, WritesReadBack) {
    TestMachine machine;
    RegistryKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, "Software\\Guard\\New"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetString("Text", "written"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetDword("Number", 7), ERROR_SUCCESS);
    EXPECT_EQ(key.SetStrings("List", {"x", "yz"}), ERROR_SUCCESS);
    EXPECT_EQ(key.SetStrings("Empty list", {}), ERROR_SUCCESS);

    RegistryKey reopened;
    ASSERT_EQ(reopened.Open(HKEY_CURRENT_USER, "Software\\Guard\\New"), ERROR_SUCCESS);
    EXPECT_EQ(reopened.String("Text"), "written");
    EXPECT_EQ(reopened.Dword("Number"), 7u);
    EXPECT_EQ(reopened.Strings("List"), (std::vector<std::string>{"x", "yz"}));
    EXPECT_EQ(reopened.Strings("Empty list"), std::vector<std::string>{});

    // A null text deletes the value; deleting one that is not there is no error.
    EXPECT_EQ(key.SetString("Text", nullptr), ERROR_SUCCESS);
    EXPECT_EQ(reopened.String("Text"), std::nullopt);
    EXPECT_EQ(key.SetString("Text", nullptr), ERROR_SUCCESS);
}

TEST(RegistryKeyGuard, ClosesItsKey) {
    TestMachine machine;
    machine.Registry(kValues);
    HKEY handle = nullptr;
    {
        RegistryKey key;
        ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Guard"), ERROR_SUCCESS);
        handle = key.handle();
        // Opening again closes the key held before.
        ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Guard\\First"), ERROR_SUCCESS);
        EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);
        handle = key.handle();
    }
    EXPECT_EQ(RegCloseKey(handle), ERROR_INVALID_HANDLE);

    RegistryKey missing;
    EXPECT_EQ(missing.Open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Guard\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing.String("Text"), std::nullopt);
}

}  // namespace
