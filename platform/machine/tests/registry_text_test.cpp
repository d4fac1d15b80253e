// REGEDIT4 import and export, and the keys a new machine's registry starts with.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/machine/registry/registry_store.h"
#include "platform/testing/test_machine.h"
#include "winnt.h"

namespace {

using platform::OsKind;
using platform::RegistryStore;
using platform::TestMachine;

std::optional<platform::RegistryValue> StoredValue(TestMachine& machine, const char* keyPath,
                                                   const char* name) {
    RegistryStore& store = RegistryStore::For(machine.machine());
    std::optional<std::int64_t> key = store.FindKey(keyPath);
    if (!key) return std::nullopt;
    return store.Value(*key, name);
}

TEST(RegistryText, ImportReadsEveryForm) {
    TestMachine machine;
    machine.Registry(
        "REGEDIT4\r\n"
        "; a comment\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms]\r\n"
        "@=\"default\"\r\n"
        "\"Quoted \\\"name\\\"\"=\"C:\\\\Program Files\\\\x \\\"y\\\"\"\r\n"
        "\"Number\"=dword:0000001f\r\n"
        "\"Short\"=dword:1F\r\n"
        "\"Blob\"=hex:00,01,\\\r\n"
        "  fe,ff\r\n"
        "\"Expand\"=hex(2):25,00\n"
        "\"Multi\"=hex(7):61,00,62,00,00\n"
        "\"None\"=hex(0):\n"
        "\"Quad\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"Odd\"=hex(12345):aa\n"
        "\"Gone\"=\"soon\"\n"
        "\"Gone\"=-\n"
        "[HKEY_CURRENT_USER\\Software\\Deleted\\Below]\n"
        "[-HKEY_CURRENT_USER\\Software\\Deleted]\n");
    struct Row {
        const char* name;
        DWORD type;
        std::string data;
    } rows[] = {
        {"", REG_SZ, std::string("default\0", 8)},
        {"quoted \"NAME\"", REG_SZ, std::string("C:\\Program Files\\x \"y\"\0", 23)},
        {"Number", REG_DWORD, std::string("\x1f\0\0\0", 4)},
        {"Short", REG_DWORD, std::string("\x1f\0\0\0", 4)},
        {"Blob", REG_BINARY, std::string("\x00\x01\xfe\xff", 4)},
        {"Expand", REG_EXPAND_SZ, std::string("%\0", 2)},
        {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {"None", REG_NONE, std::string()},
        {"Quad", REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8)},
        {"Odd", 0x12345, std::string("\xaa")},
    };
    for (const Row& row : rows) {
        std::optional<platform::RegistryValue> value =
            StoredValue(machine, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms", row.name);
        ASSERT_TRUE(value) << row.name;
        EXPECT_EQ(row.type, value->type) << row.name;
        EXPECT_EQ(row.data, value->data) << row.name;
    }
    EXPECT_FALSE(StoredValue(machine, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Forms", "Gone"));
    EXPECT_FALSE(RegistryStore::For(machine.machine()).FindKey("HKEY_CURRENT_USER\\Software\\Deleted"));
}

TEST(RegistryText, ExportWritesRegeditText) {
    TestMachine machine;
    machine.Registry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Out\\beta]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Out\\Alpha]\n"
        "\"Zulu\"=\"last \\\"quoted\\\" \\\\ text\"\n"
        "@=dword:00000010\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,"
        "1d,1e,1f,"
        "20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,30\n"
        "\"Text\"=hex(1):41,00,42\n");
    EXPECT_EQ(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Out]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Out\\Alpha]\r\n"
        "\"Zulu\"=\"last \\\"quoted\\\" \\\\ text\"\r\n"
        "@=dword:00000010\r\n"
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
        "  2f,30\r\n"
        "\"Text\"=hex(1):41,00,42\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Out\\beta]\r\n\r\n",
        machine.ExportRegistry("hkey_local_machine\\software\\OUT"));
    EXPECT_THROW(machine.ExportRegistry("HKEY_LOCAL_MACHINE\\SOFTWARE\\Missing"), std::runtime_error);
}

// Values only the hex form can carry go out as hex and come back byte for byte.
TEST(RegistryText, EveryValueRoundTrips) {
    struct Row {
        DWORD type;
        std::string data;
    } rows[] = {
        {REG_SZ, std::string("plain\0", 6)},
        {REG_SZ, std::string("")},
        {REG_SZ, std::string("no terminator")},
        {REG_SZ, std::string("inner\0zero\0", 11)},
        {REG_SZ, std::string("line\r\nbreak\0", 12)},
        {REG_SZ, std::string("\xe9t\xe9 \x80\x01\0", 8)},
        {REG_EXPAND_SZ, std::string("%SystemRoot%\0", 13)},
        {REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
        {REG_DWORD, std::string("\x78\x56", 2)},
        {REG_DWORD_BIG_ENDIAN, std::string("\x12\x34\x56\x78", 4)},
        {REG_BINARY, std::string(200, '\xab')},
        {REG_NONE, std::string()},
        {REG_LINK, std::string("x\0", 2)},
        {REG_RESOURCE_LIST, std::string("\x01", 1)},
        {REG_FULL_RESOURCE_DESCRIPTOR, std::string("\x02", 1)},
        {REG_RESOURCE_REQUIREMENTS_LIST, std::string("\x03", 1)},
        {REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
        {0xFFFFFFFF, std::string("max")},
    };
    std::string exported;
    {
        TestMachine source;
        RegistryStore& store = RegistryStore::For(source.machine());
        std::int64_t key = *store.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE");
        key = store.CreateKey(key, {"Round \"Trip\" Key"}, "").id;
        for (std::size_t index = 0; index < std::size(rows); ++index) {
            store.SetValue(key, index == 0 ? "" : "Value \"" + std::to_string(index) + "\"\\",
                           rows[index].type, rows[index].data);
        }
        exported = source.ExportRegistry();
    }
    TestMachine target(OsKind::WindowsXP);
    target.Registry(exported);
    for (std::size_t index = 0; index < std::size(rows); ++index) {
        std::string name = index == 0 ? "" : "Value \"" + std::to_string(index) + "\"\\";
        auto value = StoredValue(target, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Round \"Trip\" Key", name.c_str());
        ASSERT_TRUE(value) << index;
        EXPECT_EQ(rows[index].type, value->type) << index;
        EXPECT_EQ(rows[index].data, value->data) << index;
    }
    EXPECT_EQ(exported, target.ExportRegistry());
}

TEST(RegistryText, MalformedLinesAreNamedAndNothingIsImported) {
    struct Row {
        const char* text;
        const char* line;
    } rows[] = {
        {"REGEDIT4\n\"Orphan\"=\"x\"\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad\n", "line 1:"},
        {"[HKEY_NOWHERE\\X]\n", "line 1:"},
        {"[HKEY_DYN_DATA\\X]\n", "line 1:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=\"x\"\n\"B\"=\"unterminated\n", "line 3:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=\"bad \\n escape\"\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=dword:123456789\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=hex:0g\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=hex:01,,02\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\n\"A\"=hex(x):01\n", "line 3:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=text\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"\"x\"\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\nA=\"x\"\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=\"x\" trailing\n", "line 2:"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad]\n\"A\"=hex:01,\\\n", "line 2:"},
    };
    TestMachine machine(OsKind::WindowsXP);
    for (const Row& row : rows) {
        try {
            machine.Registry(row.text);
            ADD_FAILURE() << "accepted: " << row.text;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find(row.line)) << error.what();
        }
        EXPECT_FALSE(RegistryStore::For(machine.machine()).FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Bad"))
            << row.text;
    }
}

TEST(RegistryInitialization, KeysEveryInstallationHas) {
    struct Row {
        OsKind os;
        const char* key;
        const char* value;  // nullptr: only the key
        const char* data;   // nullptr: the value must be missing
    } rows[] = {
        {OsKind::WindowsXP, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
         "ProgramFilesDir", "C:\\Program Files"},
        {OsKind::WindowsXP, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
         "CommonFilesDir", "C:\\Program Files\\Common Files"},
        {OsKind::WindowsXP, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         "CurrentVersion", "5.1"},
        {OsKind::WindowsXP, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         "CurrentBuildNumber", "2600"},
        {OsKind::WindowsXP, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         "CSDVersion", "Service Pack 2"},
        {OsKind::WindowsNT4, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
         "CurrentVersion", "4.0"},
        {OsKind::WindowsXP,
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT "
         "x86\\Drivers",
         nullptr, nullptr},
        {OsKind::Windows98,
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows 4.0\\Drivers",
         nullptr, nullptr},
        {OsKind::Windows98, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
         nullptr, nullptr},
        {OsKind::Windows2000,
         "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\LanMan Print "
         "Services\\Servers",
         nullptr, nullptr},
        {OsKind::WindowsXP,
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         "Desktop", "C:\\Documents and Settings\\Utente\\Desktop"},
        {OsKind::Windows95,
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         "Desktop", "C:\\WINDOWS\\Desktop"},
        {OsKind::WindowsXP, "HKEY_CURRENT_CONFIG", nullptr, nullptr},
        {OsKind::WindowsMe, "HKEY_CURRENT_CONFIG", nullptr, nullptr},
        {OsKind::WindowsXP, "HKEY_USERS\\.DEFAULT", nullptr, nullptr},
        {OsKind::Windows98, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", nullptr,
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + row.key);
        TestMachine machine(row.os);
        bool ntOnly = std::string(row.key).find("Windows NT\\CurrentVersion") != std::string::npos &&
                      row.os == OsKind::Windows98;
        EXPECT_EQ(!ntOnly, RegistryStore::For(machine.machine()).FindKey(row.key).has_value());
        if (!row.value) continue;
        auto value = StoredValue(machine, row.key, row.value);
        ASSERT_TRUE(value);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
        EXPECT_EQ(std::string(row.data) + '\0', value->data);
    }
}

}  // namespace
