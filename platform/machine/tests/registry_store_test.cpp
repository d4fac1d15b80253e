// The registry store's reads of many keys at once: the keys some levels below a key in the order nested
// walks of their subkeys meet them, with named values of each key and of one of its subkeys.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/machine/registry/registry_store.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::RegistryKeyBelow;
using platform::RegistryStore;
using platform::TestMachine;

constexpr const char* kTop = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree";

// Created out of order and in mixed case; "b" stops one level short of three, "Deep" goes one further.
constexpr const char* kTree = R"(REGEDIT4
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\zeta\Two\x]
"Kind"="zeta two x"
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\Alpha\one\B]
"kind"="in the key"
"Other"=hex:
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\Alpha\one\B\control]
"KIND"="in its subkey"
"Extra"="only in its subkey"
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\Alpha\one\a]
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\Alpha\one\a\Control]
"Kind"="subkey only"
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\Alpha\One2\c]
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\Alpha\One2\c\Deep\d]
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\b\Only]
[HKEY_LOCAL_MACHINE\SOFTWARE\Tree\_first\k\k]
)";

std::int64_t KeyId(TestMachine& machine, const std::string& path) {
    std::optional<std::int64_t> id = RegistryStore::For(machine.machine()).FindKey(path);
    EXPECT_TRUE(id) << path;
    return id.value_or(0);
}

std::string PathOf(const RegistryKeyBelow& key) {
    std::string path;
    for (const std::string& name : key.names) path += (path.empty() ? "" : "\\") + name;
    return path;
}

// The paths below the key that walks of Subkeys nested `depth` deep reach.
void WalkSubkeys(RegistryStore& store, std::int64_t id, std::size_t depth, const std::string& path,
                 std::vector<std::string>& paths) {
    for (const platform::RegistrySubkey& subkey : store.Subkeys(id)) {
        std::string below = path.empty() ? subkey.name : path + "\\" + subkey.name;
        if (depth == 1) {
            paths.push_back(below);
        } else {
            WalkSubkeys(store, subkey.id, depth - 1, below, paths);
        }
    }
}

TEST(RegistryKeysBelow, LevelsInTheOrderOfNestedWalks) {
    TestMachine machine;
    machine.Registry(kTree);
    RegistryStore& store = RegistryStore::For(machine.machine());
    std::int64_t top = KeyId(machine, kTop);
    struct Row {
        std::size_t depth;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        // By upper-case name: '_' comes after the letters.
        {1, {"Alpha", "b", "zeta", "_first"}},
        {2, {"Alpha\\one", "Alpha\\One2", "b\\Only", "zeta\\Two", "_first\\k"}},
        {3, {"Alpha\\one\\a", "Alpha\\one\\B", "Alpha\\One2\\c", "zeta\\Two\\x", "_first\\k\\k"}},
        {5, {"Alpha\\One2\\c\\Deep\\d"}},
        {6, {}},
        {0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "depth " << row.depth);
        std::vector<std::string> paths;
        for (const RegistryKeyBelow& key : store.KeysBelow(top, row.depth)) {
            EXPECT_EQ(key.names.size(), row.depth);
            EXPECT_TRUE(key.values.empty());
            EXPECT_EQ(key.id, KeyId(machine, std::string(kTop) + "\\" + PathOf(key)));
            paths.push_back(PathOf(key));
        }
        EXPECT_EQ(paths, row.expected);
        if (row.depth == 0) continue;
        std::vector<std::string> walked;
        WalkSubkeys(store, top, row.depth, "", walked);
        EXPECT_EQ(paths, walked);
    }
    EXPECT_TRUE(store.KeysBelow(KeyId(machine, std::string(kTop) + "\\zeta\\Two\\x"), 1).empty());
}

TEST(RegistryKeysBelow, NamedValuesOfEachKeyElseOfItsSubkey) {
    TestMachine machine;
    machine.Registry(kTree);
    RegistryStore& store = RegistryStore::For(machine.machine());
    std::int64_t top = KeyId(machine, kTop);
    using Data = std::optional<std::string>;
    struct Row {
        std::string path;
        std::vector<Data> values;
    };
    // Names are found whatever their case; a key's own value wins over its subkey's; data is returned as
    // stored (with its terminator), an empty binary value as empty data rather than none.
    const std::string nul(1, '\0');
    const Row rows[] = {
        {"Alpha\\one\\a", {"subkey only" + nul, std::nullopt, std::nullopt}},
        {"Alpha\\one\\B", {"in the key" + nul, std::string(), "only in its subkey" + nul}},
        {"Alpha\\One2\\c", {std::nullopt, std::nullopt, std::nullopt}},
        {"zeta\\Two\\x", {"zeta two x" + nul, std::nullopt, std::nullopt}},
        {"_first\\k\\k", {std::nullopt, std::nullopt, std::nullopt}},
    };
    std::vector<RegistryKeyBelow> keys = store.KeysBelow(top, 3, {"kInD", "OTHER", "extra"}, "CONTROL");
    ASSERT_EQ(keys.size(), std::size(rows));
    for (std::size_t index = 0; index < keys.size(); ++index) {
        SCOPED_TRACE(rows[index].path);
        EXPECT_EQ(PathOf(keys[index]), rows[index].path);
        EXPECT_EQ(keys[index].values, rows[index].values);
    }
    // Without a fallback only the keys' own values are read; without names the same keys come in the
    // same order, their names read afterwards.
    std::vector<RegistryKeyBelow> bare =
        store.KeysBelow(top, 3, {"Kind"}, {}, platform::RegistryKeyNames::Skip);
    ASSERT_EQ(bare.size(), std::size(rows));
    EXPECT_EQ(bare[0].values, std::vector<Data>{std::nullopt});
    EXPECT_EQ(bare[1].values, std::vector<Data>{"in the key" + nul});
    for (std::size_t index = 0; index < bare.size(); ++index) {
        EXPECT_TRUE(bare[index].names.empty());
        EXPECT_EQ(bare[index].id, keys[index].id);
        EXPECT_EQ(store.KeyNames(bare[index].id, 3), keys[index].names);
    }
}

TEST(RegistryKeyNames, TheKeyAndTheKeysAboveIt) {
    TestMachine machine;
    machine.Registry(kTree);
    RegistryStore& store = RegistryStore::For(machine.machine());
    std::int64_t key = KeyId(machine, std::string(kTop) + "\\Alpha\\one\\B");
    using Names = std::optional<std::vector<std::string>>;
    EXPECT_EQ(store.KeyNames(key, 0), Names(std::vector<std::string>{}));
    EXPECT_EQ(store.KeyNames(key, 1), Names({"B"}));
    EXPECT_EQ(store.KeyNames(key, 6), Names({"HKEY_LOCAL_MACHINE", "SOFTWARE", "Tree", "Alpha", "one", "B"}));
    EXPECT_EQ(store.KeyNames(key, 7), std::nullopt);
    machine.Registry("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha]\n");
    EXPECT_EQ(store.KeyNames(key, 1), std::nullopt);
}

TEST(RegistryKeysBelow, SeesWhatAnotherConnectionChanged) {
    TestMachine machine;
    machine.Registry(kTree);
    RegistryStore& store = RegistryStore::For(machine.machine());
    std::int64_t top = KeyId(machine, kTop);
    ASSERT_EQ(store.KeysBelow(top, 3, {"Kind"}).size(), 5u);
    // Another thread has a connection of its own.
    std::thread writer([&] {
        machine.Registry("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\Alpha\\one]\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Tree\\b\\Only\\Now]\n\"Kind\"=\"new\"\n");
    });
    writer.join();
    std::vector<std::string> paths;
    for (const RegistryKeyBelow& key : store.KeysBelow(top, 3, {"Kind"})) paths.push_back(PathOf(key));
    EXPECT_EQ(paths, (std::vector<std::string>{"Alpha\\One2\\c", "b\\Only\\Now", "zeta\\Two\\x", "_first\\k\\k"}));
}

}  // namespace
