// REGEDIT4 import of whole files: the header, root keys, the registry's limits, long hex data and trees
// deeper than any call stack.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <string>

#include "platform/machine/registry/registry_store.h"
#include "platform/testing/test_machine.h"
#include "winnt.h"

namespace {

using platform::ExportRegistryText;
using platform::ImportRegistryText;
using platform::OsKind;
using platform::RegistryStore;
using platform::TestMachine;

// The message of the import's failure, or "" when it succeeded.
std::string ImportError(TestMachine& machine, const std::string& text) {
    try {
        ImportRegistryText(machine.machine(), text);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

bool KeyExists(TestMachine& machine, const std::string& path) {
    return RegistryStore::For(machine.machine()).FindKey(path).has_value();
}

// "HKEY_LOCAL_MACHINE\SOFTWARE\Deep\k\k..." with `levels` levels in all below HKEY_LOCAL_MACHINE.
std::string DeepPath(std::size_t levels) {
    std::string path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep";
    for (std::size_t level = 2; level < levels; ++level) path += "\\k";
    return path;
}

TEST(RegistryImport, TextWithoutItsHeaderIsRefused) {
    struct Row {
        const char* text;
        const char* error;  // "" when the text is imported
    } rows[] = {
        {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Headed]\r\n", ""},
        {"  REGEDIT4  \n\n[HKEY_CURRENT_USER\\Software\\Headed]\n", ""},
        {"[HKEY_CURRENT_USER\\Software\\Headed]\r\n", "line 1: not registry text"},
        {"\r\nREGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Headed]\r\n", "line 1: not registry text"},
        {"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Headed]\r\n",
         "line 1: not registry text: the first line must be REGEDIT4, not 'Windows Registry Editor"},
        {"REGEDIT\r\n[HKEY_CURRENT_USER\\Software\\Headed]\r\n", "line 1:"},
        {"", "line"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        TestMachine machine;
        std::string error = ImportError(machine, row.text);
        if (*row.error == '\0') {
            EXPECT_EQ("", error);
        } else {
            EXPECT_NE(std::string::npos, error.find(row.error)) << error;
        }
        EXPECT_EQ(*row.error == '\0', KeyExists(machine, "HKEY_CURRENT_USER\\Software\\Headed"));
    }
    // Fragments written by tests may leave the header out.
    TestMachine machine;
    machine.Registry("[HKEY_CURRENT_USER\\Software\\Fragment]\n");
    EXPECT_TRUE(KeyExists(machine, "HKEY_CURRENT_USER\\Software\\Fragment"));
}

TEST(RegistryImport, DeletingARootKeyIsRefused) {
    struct Row {
        OsKind os;
        const char* line;
        const char* error;
    } rows[] = {
        {OsKind::WindowsXP, "[-HKEY_CURRENT_USER]", "line 3: cannot delete the root key HKEY_CURRENT_USER"},
        {OsKind::WindowsXP, "[-HKEY_CLASSES_ROOT]", "line 3: cannot delete the root key HKEY_CLASSES_ROOT"},
        {OsKind::WindowsXP, "[-HKEY_CURRENT_CONFIG]", "line 3: cannot delete the root key"},
        {OsKind::WindowsXP, "[-HKEY_LOCAL_MACHINE]", "line 3: cannot delete the root key"},
        {OsKind::WindowsXP, "[-HKEY_USERS]", "line 3: cannot delete the root key"},
        {OsKind::WindowsXP, "[-hkey_current_user\\]", "line 3: cannot delete the root key"},
        {OsKind::Windows98, "[-HKEY_CURRENT_USER]", "line 3: cannot delete the root key"},
        {OsKind::Windows98, "[-HKEY_DYN_DATA]", "line 3: cannot delete the root key"},
        // Abbreviations are no root names of REGEDIT4 text.
        {OsKind::WindowsXP, "[-HKCU]", "line 3: unknown root 'HKCU'"},
        {OsKind::WindowsXP, "[-HKLM\\SOFTWARE]", "line 3: unknown root 'HKLM'"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        TestMachine machine(row.os);
        std::string error = ImportError(machine, std::string("REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Before]\r\n") +
                                                     row.line + "\r\n[HKEY_CURRENT_USER\\Software\\After]\r\n");
        EXPECT_NE(std::string::npos, error.find(row.error)) << error;
        // Nothing of the file is imported, and nothing of the roots is gone.
        EXPECT_FALSE(KeyExists(machine, "HKEY_CURRENT_USER\\Software\\Before"));
        EXPECT_FALSE(KeyExists(machine, "HKEY_CURRENT_USER\\Software\\After"));
        for (const char* key : {"HKEY_CURRENT_USER\\Software\\Microsoft", "HKEY_CLASSES_ROOT",
                                "HKEY_CURRENT_CONFIG", "HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_USERS\\.DEFAULT"}) {
            EXPECT_TRUE(KeyExists(machine, key)) << key;
        }
    }
}

TEST(RegistryImport, KeysAndNamesBeyondTheLimitsAreRefused) {
    std::string longest(255, 'n');
    struct Row {
        OsKind os;
        std::string text;  // after the header
        std::string error;  // "" when the text is imported
    } rows[] = {
        {OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Software\\" + longest + "]\n", ""},
        {OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Software\\" + longest + "x\\Below]\n",
         "line 2: key name longer than 255 characters"},
        {OsKind::Windows98, "[HKEY_CLASSES_ROOT\\" + longest + "x]\n", "line 2: key name longer than 255"},
        {OsKind::WindowsXP, "[" + DeepPath(512) + "]\n", ""},
        {OsKind::WindowsXP, "[" + DeepPath(513) + "]\n", "line 2: key more than 512 levels deep"},
        {OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Software\\V]\n\"" + std::string(16383, 'v') + "\"=\"x\"\n", ""},
        {OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Software\\V]\n\"" + std::string(16384, 'v') + "\"=\"x\"\n",
         "line 3: value name longer than 16383 characters"},
        {OsKind::Windows2000, "[HKEY_CURRENT_USER\\Software\\V]\n\"" + std::string(260, 'v') + "\"=\"x\"\n", ""},
        {OsKind::Windows2000, "[HKEY_CURRENT_USER\\Software\\V]\n\"" + std::string(261, 'v') + "\"=dword:1\n",
         "line 3: value name longer than 260"},
        {OsKind::WindowsMe, "[HKEY_CURRENT_USER\\Software\\V]\n\"" + std::string(255, 'v') + "\"=hex:01\n", ""},
        {OsKind::WindowsMe, "[HKEY_CURRENT_USER\\Software\\V]\n\"" + std::string(256, 'v') + "\"=-\n",
         "line 3: value name longer than 255"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 60));
        TestMachine machine(row.os);
        std::string error = ImportError(machine, "REGEDIT4\n" + row.text);
        if (row.error.empty()) {
            EXPECT_EQ("", error);
        } else {
            EXPECT_NE(std::string::npos, error.find(row.error)) << error;
        }
    }
}

// A value of a megabyte goes out over some 40,000 lines of hex and comes back byte for byte.
TEST(RegistryImport, MegabyteOfHexRoundTrips) {
    std::string data(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& byte : data) byte = static_cast<char>(random() & 0xFF);
    std::string exported;
    {
        TestMachine source;
        RegistryStore& store = RegistryStore::For(source.machine());
        std::int64_t key = store.CreateKey(*store.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE"), {"Big"}, "").id;
        store.SetValue(key, "Blob", REG_BINARY, data);
        exported = source.ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Big");
    }
    ASSERT_GT(exported.size(), 3u << 20);
    TestMachine target;
    ImportRegistryText(target.machine(), exported);
    RegistryStore& store = RegistryStore::For(target.machine());
    std::optional<platform::RegistryValue> value =
        store.Value(*store.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Big"), "Blob");
    ASSERT_TRUE(value);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), value->type);
    EXPECT_TRUE(value->data == data);
    EXPECT_EQ(exported, target.ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Big"));
}

TEST(RegistryImport, TreeAsDeepAsTheLimitRoundTrips) {
    std::string exported;
    {
        TestMachine source;
        source.Registry("[" + DeepPath(512) + "]\n\"Bottom\"=\"here\"\n");
        exported = source.ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep");
    }
    TestMachine target;
    ImportRegistryText(target.machine(), exported);
    EXPECT_TRUE(KeyExists(target, DeepPath(512)));
    EXPECT_EQ(exported, target.ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep"));
    ImportRegistryText(target.machine(), "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep]\n");
    EXPECT_FALSE(KeyExists(target, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Deep"));
}

// Runs the action on a thread with a small stack: a walk that recursed once per level would overflow it.
void OnSmallStack(const std::function<void()>& action) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 512 * 1024);
    pthread_t thread;
    auto run = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(0, pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&action)));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// Trees built in the store beyond what the calls allow: exporting and deleting them uses no stack per
// level. (Export writes each key's full path, so its text grows with the square of the depth; the
// exported tree is kept to some thousands of levels.)
TEST(RegistryImport, TreesDeeperThanTheLimitAreExportedAndDeleted) {
    TestMachine machine;
    RegistryStore& store = RegistryStore::For(machine.machine());
    std::int64_t software = *store.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE");
    constexpr std::size_t kExportedLevels = 6000;
    std::string exported;
    {
        std::vector<std::string_view> components(kExportedLevels, "k");
        std::int64_t bottom = store.CreateKey(software, components, "").id;
        store.SetValue(bottom, "Bottom", REG_DWORD, std::string("\x01\0\0\0", 4));
        OnSmallStack([&] { exported = ExportRegistryText(machine.machine(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\k"); });
    }
    std::size_t keys = 0;
    for (std::size_t at = exported.find("\r\n[HKEY"); at != std::string::npos; at = exported.find("\r\n[HKEY", at + 1))
        ++keys;
    EXPECT_EQ(kExportedLevels, keys);
    EXPECT_NE(std::string::npos, exported.find("\\k]\r\n\"Bottom\"=dword:00000001\r\n"));
    store.DeleteKeyTree(*store.FindSubkey(software, "k"));
    EXPECT_FALSE(store.FindSubkey(software, "k"));

    constexpr std::size_t kDeletedLevels = 100000;
    {
        RegistryStore::Batch batch(store);
        std::vector<std::string_view> components(kDeletedLevels, "d");
        store.CreateKey(software, components, "");
        batch.Commit();
    }
    OnSmallStack([&] { store.DeleteKeyTree(*store.FindSubkey(software, "d")); });
    EXPECT_FALSE(store.FindSubkey(software, "d"));
}

}  // namespace
