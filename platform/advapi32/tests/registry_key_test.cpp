// The platform's registry key guard: which values each read accepts, writes read back, the key
// closed with the guard, and whole trees deleted.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/advapi32/registry_key.h"
#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::MachineSettings;
using platform::OsKind;
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

constexpr const char* kTree = R"(REGEDIT4
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree]
"Top"="1"
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\A]
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\A\Deep]
"Value"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\A\Deep\Deeper]
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\B]
[HKEY_LOCAL_MACHINE\SOFTWARE\Treetop]
)";

bool KeyExists(const char* path) {
    RegistryKey key;
    return key.Open(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS;
}

TEST(RegistryKeyGuard, DeletesWholeTrees) {
    struct Row {
        const char* name;
        OsKind os;
        bool administrator;
        const char* path;
        const char* faultKey;  // a key whose deletion fails, or null
        LONG result;
        std::vector<const char*> left;  // the keys still there afterwards
    } rows[] = {
        {"tree on NT", OsKind::WindowsXP, true, "SOFTWARE\\Tree", nullptr, ERROR_SUCCESS, {}},
        {"tree on 9x", OsKind::Windows98, true, "SOFTWARE\\Tree", nullptr, ERROR_SUCCESS, {}},
        {"leaf", OsKind::WindowsXP, true, "software\\tree\\b", nullptr, ERROR_SUCCESS,
         {"SOFTWARE\\Tree", "SOFTWARE\\Tree\\A\\Deep\\Deeper"}},
        {"missing", OsKind::WindowsXP, true, "SOFTWARE\\Tree\\C", nullptr, ERROR_FILE_NOT_FOUND,
         {"SOFTWARE\\Tree\\B"}},
        {"without rights", OsKind::WindowsXP, false, "SOFTWARE\\Tree", nullptr, ERROR_ACCESS_DENIED,
         {"SOFTWARE\\Tree\\A\\Deep\\Deeper", "SOFTWARE\\Tree\\B"}},
        // The first failure ends the walk: what was deleted before it is gone, the rest stays.
        {"failing subkey", OsKind::WindowsXP, true, "SOFTWARE\\Tree",
         "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\A\\Deep", ERROR_SHARING_VIOLATION,
         {"SOFTWARE\\Tree\\A\\Deep", "SOFTWARE\\Tree\\B"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        MachineSettings settings = MachineSettings::Defaults(row.os);
        settings.administrator = row.administrator;
        TestMachine machine(settings);
        machine.Registry(kTree);
        if (row.faultKey)
            machine.Fault(platform::fault_target::kRegistry, row.faultKey, "deletekey",
                          ERROR_SHARING_VIOLATION);
        EXPECT_EQ(RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, row.path), row.result);
        for (const char* path : row.left) EXPECT_TRUE(KeyExists(path)) << path;
        if (row.result == ERROR_SUCCESS) {
            EXPECT_FALSE(KeyExists(row.path));
        }
        if (row.faultKey) {
            EXPECT_FALSE(KeyExists("SOFTWARE\\Tree\\A\\Deep\\Deeper"));
        }
        EXPECT_TRUE(KeyExists("SOFTWARE\\Treetop"));  // a sibling whose name starts the same
    }

    // Below a key the guard holds open.
    TestMachine machine;
    machine.Registry(kTree);
    RegistryKey software;
    ASSERT_EQ(software.Open(HKEY_LOCAL_MACHINE, "SOFTWARE"), ERROR_SUCCESS);
    EXPECT_EQ(RegistryKey::DeleteTree(software.handle(), "Tree\\A"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists("SOFTWARE\\Tree\\A"));
    EXPECT_TRUE(KeyExists("SOFTWARE\\Tree\\B"));
}

}  // namespace
