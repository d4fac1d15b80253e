// The Reg* calls: return codes per Windows version, size protocols, names, roots, security, deletion,
// handles and injected faults.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

HKEY Create(HKEY parent, const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr))
        << path;
    return key;
}

LONG SetString(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1));
}

LONG OpenResult(HKEY parent, const char* path, REGSAM access = KEY_READ) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(parent, path, 0, access, &key);
    if (result == ERROR_SUCCESS) RegCloseKey(key);
    return result;
}

platform::MachineSettings Settings(OsKind os, bool administrator) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(os);
    settings.administrator = administrator;
    return settings;
}

TEST(RegistryRoots, PredefinedHandlesMapToStoredKeys) {
    struct Row {
        OsKind os;
        HKEY root;
        const char* stored;  // below HKEY_LOCAL_MACHINE or HKEY_USERS
        HKEY storedRoot;
    } rows[] = {
        {OsKind::WindowsXP, HKEY_CLASSES_ROOT, "SOFTWARE\\Classes", HKEY_LOCAL_MACHINE},
        {OsKind::WindowsXP, HKEY_CURRENT_USER, "S-1-5-21-1004336348-1177238915-682003330-1003", HKEY_USERS},
        {OsKind::WindowsXP, HKEY_CURRENT_CONFIG, "SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current",
         HKEY_LOCAL_MACHINE},
        {OsKind::Windows98, HKEY_CLASSES_ROOT, "SOFTWARE\\Classes", HKEY_LOCAL_MACHINE},
        {OsKind::Windows98, HKEY_CURRENT_USER, ".DEFAULT", HKEY_USERS},
        {OsKind::Windows98, HKEY_CURRENT_CONFIG, "Config\\0001", HKEY_LOCAL_MACHINE},
        {OsKind::Windows98, HKEY_DYN_DATA, nullptr, nullptr},
    };
    for (const Row& row : rows) {
        TestMachine machine(row.os);
        HKEY key = Create(row.root, "Mapped");
        ASSERT_EQ(ERROR_SUCCESS, SetString(key, "Where", "here"));
        RegCloseKey(key);
        if (!row.stored) continue;
        std::string path = std::string(row.stored) + "\\mApPeD";
        HKEY stored = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(row.storedRoot, path.c_str(), 0, KEY_READ, &stored)) << path;
        char text[16];
        DWORD size = sizeof text;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegQueryValueExA(stored, "where", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
        EXPECT_STREQ("here", text);
        RegCloseKey(stored);
    }
}

TEST(RegistryRoots, DynDataExistsOnlyOnWindows9x) {
    for (auto [os, expected] :
         {std::pair{OsKind::WindowsNT4, ERROR_INVALID_HANDLE},
          std::pair{OsKind::WindowsXP, ERROR_INVALID_HANDLE}, std::pair{OsKind::Windows95, ERROR_SUCCESS},
          std::pair{OsKind::WindowsMe, ERROR_SUCCESS}}) {
        TestMachine machine(os);
        HKEY key = nullptr;
        EXPECT_EQ(expected,
                  RegCreateKeyExA(HKEY_DYN_DATA, "X", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
        EXPECT_EQ(expected, RegCloseKey(HKEY_DYN_DATA));
        if (key) RegCloseKey(key);
    }
}

TEST(RegistryValues, QueryFollowsTheSizeProtocol) {
    TestMachine machine;
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Sizes");
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "Text", "abc"));
    DWORD reserved = 0;
    struct Row {
        const char* name;
        bool giveBuffer;
        bool giveSize;
        DWORD sizeIn;
        LPDWORD reserved;
        LONG expected;
        DWORD sizeOut;
    } rows[] = {
        {"Text", false, true, 0, nullptr, ERROR_SUCCESS, 4},
        {"TEXT", true, true, 2, nullptr, ERROR_MORE_DATA, 4},
        {"text", true, true, 3, nullptr, ERROR_MORE_DATA, 4},
        {"Text", true, true, 4, nullptr, ERROR_SUCCESS, 4},
        {"Text", true, true, 100, nullptr, ERROR_SUCCESS, 4},
        {"Text", false, false, 0, nullptr, ERROR_SUCCESS, 0},
        {"Text", true, false, 0, nullptr, ERROR_INVALID_PARAMETER, 0},
        {"Text", true, true, 100, &reserved, ERROR_INVALID_PARAMETER, 100},
        {"Missing", true, true, 100, nullptr, ERROR_FILE_NOT_FOUND, 100},
        {"", true, true, 100, nullptr, ERROR_FILE_NOT_FOUND, 100},
        {nullptr, true, true, 100, nullptr, ERROR_FILE_NOT_FOUND, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name ? row.name : "(null)") + " size " + std::to_string(row.sizeIn));
        char buffer[128];
        std::memset(buffer, 'x', sizeof buffer);
        DWORD size = row.sizeIn;
        DWORD type = 99;
        LONG result = RegQueryValueExA(key, row.name, row.reserved, &type,
                                       row.giveBuffer ? reinterpret_cast<BYTE*>(buffer) : nullptr,
                                       row.giveSize ? &size : nullptr);
        EXPECT_EQ(row.expected, result);
        if (row.giveSize) {
            EXPECT_EQ(row.sizeOut, size);
        }
        if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
            EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        }
        if (result == ERROR_SUCCESS && row.giveBuffer) {
            EXPECT_EQ(0, std::memcmp(buffer, "abc", 4));
        }
    }
    // The default value exists once it is set.
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, nullptr, "default"));
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &size));
    EXPECT_EQ(8u, size);
    RegCloseKey(key);
}

TEST(RegistryValues, DataIsKeptExactlyAsSetForEveryType) {
    TestMachine machine(OsKind::Windows98);
    HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\Types");
    struct Row {
        DWORD type;
        std::string data;
    } rows[] = {
        {REG_SZ, std::string("no terminator")},
        {REG_SZ, std::string("two\0\0", 5)},
        {REG_EXPAND_SZ, std::string("%windir%\\x\0", 11)},
        {REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        {REG_DWORD, std::string("\x1f\0\0\0", 4)},
        {REG_DWORD, std::string("\x1f\0", 2)},
        {REG_DWORD_BIG_ENDIAN, std::string("\0\0\0\x1f", 4)},
        {REG_BINARY, std::string("\0\xff\x80", 3)},
        {REG_NONE, std::string()},
        {REG_LINK, std::string("l\0i\0", 4)},
        {REG_RESOURCE_LIST, std::string("\x01\x02", 2)},
        {REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8)},
        {0x12345, std::string("odd type")},
    };
    for (std::size_t index = 0; index < std::size(rows); ++index) {
        std::string name = "V" + std::to_string(index);
        const Row& row = rows[index];
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name.c_str(), 0, row.type,
                                                reinterpret_cast<const BYTE*>(row.data.data()),
                                                static_cast<DWORD>(row.data.size())));
        char buffer[64];
        DWORD size = sizeof buffer;
        DWORD type = 0;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                                  reinterpret_cast<BYTE*>(buffer), &size));
        EXPECT_EQ(row.type, type) << name;
        EXPECT_EQ(row.data, std::string(buffer, size)) << name;
    }
    EXPECT_EQ(ERROR_NOACCESS, RegSetValueExA(key, "Null", 0, REG_BINARY, nullptr, 4));
    RegCloseKey(key);
}

TEST(RegistryNames, AreComparedWithoutCaseAndKeepTheirSpelling) {
    TestMachine machine;
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\\xC9t\xE9 Caf\xE9");  // "Été Café"
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "N\xE4me", "v"));             // "Näme"
    RegCloseKey(key);
    struct Row {
        const char* path;
        LONG expected;
    } rows[] = {
        {"software\\\xE9T\xC9 CAF\xC9", ERROR_SUCCESS},  // "éTÉ CAFÉ"
        {"SOFTWARE\\\xC9T\xC9 caf\xE9", ERROR_SUCCESS},
        {"Software\\Ete Cafe", ERROR_FILE_NOT_FOUND},
        {"Software\\\xC9t\xE9 Caf\xE9\\", ERROR_SUCCESS},
    };
    for (const Row& row : rows) EXPECT_EQ(row.expected, OpenResult(HKEY_CURRENT_USER, row.path)) << row.path;

    HKEY software = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE", 0, KEY_READ, &software));
    bool found = false;
    char name[64];
    for (DWORD index = 0; RegEnumKeyA(software, index, name, sizeof name) == ERROR_SUCCESS; ++index) {
        found = found || std::string(name) == "\xC9t\xE9 Caf\xE9";
    }
    EXPECT_TRUE(found);
    RegCloseKey(software);

    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\\xE9T\xC9 caf\xC9", 0, KEY_READ, &key));
    DWORD size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "N\xC4ME", nullptr, nullptr, nullptr, &size));
    DWORD nameSize = sizeof name;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ("N\xE4me", name);
    RegCloseKey(key);
}

TEST(RegistryEnumeration, SubkeysSortedWithTheNameBufferRules) {
    TestMachine machine;
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Enum");
    for (const char* name : {"gamma", "Alpha", "Beta"}) RegCloseKey(Create(key, name));
    struct Row {
        DWORD index;
        DWORD size;
        LONG expected;
        DWORD sizeOut;
        const char* name;
    } rows[] = {
        {0, 6, ERROR_SUCCESS, 5, "Alpha"},      {0, 5, ERROR_MORE_DATA, 5, ""},
        {1, 100, ERROR_SUCCESS, 4, "Beta"},     {2, 6, ERROR_SUCCESS, 5, "gamma"},
        {3, 100, ERROR_NO_MORE_ITEMS, 100, ""}, {1000, 100, ERROR_NO_MORE_ITEMS, 100, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.index);
        char name[100] = "";
        DWORD size = row.size;
        FILETIME written{};
        EXPECT_EQ(row.expected,
                  RegEnumKeyExA(key, row.index, name, &size, nullptr, nullptr, nullptr, &written));
        EXPECT_EQ(row.sizeOut, size);
        EXPECT_STREQ(row.name, name);
        if (row.expected == ERROR_SUCCESS) {
            EXPECT_NE(0u, written.dwHighDateTime);
        }
        char shortName[100] = "";
        EXPECT_EQ(row.expected, RegEnumKeyA(key, row.index, shortName, row.size));
        EXPECT_STREQ(row.name, shortName);
    }
    DWORD size = 10;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegEnumKeyExA(key, 0, nullptr, &size, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

TEST(RegistryEnumeration, ValuesInCreationOrderWithBothBufferRules) {
    TestMachine machine;
    HKEY key = Create(HKEY_CURRENT_USER, "Software\\Values");
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "Zeta", "last letter"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "alpha", "a"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "", "default"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "ZETA", "rewritten"));  // keeps its place
    struct Row {
        DWORD index;
        DWORD nameSize;
        bool giveData;
        DWORD dataSize;
        LONG expected;
        const char* name;
        DWORD dataSizeOut;
    } rows[] = {
        {0, 5, true, 100, ERROR_SUCCESS, "Zeta", 10},     {0, 4, true, 100, ERROR_MORE_DATA, "", 100},
        {0, 5, true, 9, ERROR_MORE_DATA, "Zeta", 10},     {0, 5, false, 0, ERROR_SUCCESS, "Zeta", 10},
        {1, 10, true, 2, ERROR_SUCCESS, "alpha", 2},      {2, 1, true, 100, ERROR_SUCCESS, "", 8},
        {3, 10, true, 100, ERROR_NO_MORE_ITEMS, "", 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.index) + "/" + std::to_string(row.nameSize) + "/" +
                     std::to_string(row.dataSize));
        char name[32] = "";
        BYTE data[128];
        DWORD nameSize = row.nameSize;
        DWORD dataSize = row.dataSize;
        EXPECT_EQ(row.expected, RegEnumValueA(key, row.index, name, &nameSize, nullptr, nullptr,
                                              row.giveData ? data : nullptr, &dataSize));
        EXPECT_STREQ(row.name, name);
        EXPECT_EQ(row.dataSizeOut, dataSize);
        if (row.expected == ERROR_SUCCESS) {
            EXPECT_EQ(std::strlen(row.name), nameSize);
        }
    }
    RegCloseKey(key);
}

TEST(RegistryInfo, ReportsCountsMaximaAndClass) {
    TestMachine machine;
    HKEY key = nullptr;
    char className[] = "MyClass";
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Info", 0, className, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(Create(key, "Short"));
    RegCloseKey(Create(key, "A Longer Name"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "Name", "a long piece of text"));
    ASSERT_EQ(ERROR_SUCCESS, SetString(key, "LongestValueName", "x"));
    char buffer[32];
    DWORD classSize = sizeof buffer;
    DWORD subkeys = 0, maxSubkey = 0, maxClass = 0, values = 0, maxValueName = 0, maxValue = 0, security = 0;
    FILETIME written{};
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyA(key, buffer, &classSize, nullptr, &subkeys, &maxSubkey, &maxClass, &values,
                               &maxValueName, &maxValue, &security, &written));
    EXPECT_STREQ("MyClass", buffer);
    EXPECT_EQ(7u, classSize);
    EXPECT_EQ(2u, subkeys);
    EXPECT_EQ(13u, maxSubkey);
    EXPECT_EQ(2u, values);
    EXPECT_EQ(16u, maxValueName);
    EXPECT_EQ(21u, maxValue);
    EXPECT_NE(0u, written.dwHighDateTime);
    classSize = 7;
    EXPECT_EQ(ERROR_MORE_DATA, RegQueryInfoKeyA(key, buffer, &classSize, nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(7u, classSize);
    RegCloseKey(key);
}

// What each call gives on a key opened for reading, and to a user without administrator rights, per system.
TEST(RegistrySecurity, AccessRightsPerWindowsVersion) {
    struct Row {
        OsKind os;
        bool administrator;
        LONG readHandleWrite;  // RegSetValueExA, RegDeleteValueA, RegCreateKeyExA through a KEY_READ handle
        LONG machineWrite;     // opening below HKLM for writing, creating and deleting there
    } rows[] = {
        {OsKind::WindowsXP, true, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
        {OsKind::WindowsXP, false, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {OsKind::Windows2000, false, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {OsKind::WindowsNT4, false, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
        {OsKind::Windows98, false, ERROR_SUCCESS, ERROR_SUCCESS},
        {OsKind::Windows95, true, ERROR_SUCCESS, ERROR_SUCCESS},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + (row.administrator ? " admin" : " user"));
        TestMachine machine(Settings(row.os, row.administrator));
        machine.Registry(
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Leaf]\n\"V\"=\"1\"\n"
            "[HKEY_CURRENT_USER\\Software\\Mine]\n\"V\"=\"1\"\n");

        HKEY readOnly = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Mine", 0, KEY_READ, &readOnly));
        EXPECT_EQ(row.readHandleWrite, SetString(readOnly, "W", "x"));
        EXPECT_EQ(row.readHandleWrite, RegDeleteValueA(readOnly, "V"));
        HKEY sub = nullptr;
        EXPECT_EQ(row.readHandleWrite,
                  RegCreateKeyExA(readOnly, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
        if (sub) RegCloseKey(sub);
        RegCloseKey(readOnly);

        EXPECT_EQ(ERROR_SUCCESS, OpenResult(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", KEY_READ));
        for (REGSAM access : {REGSAM(KEY_SET_VALUE), REGSAM(KEY_CREATE_SUB_KEY), REGSAM(DELETE),
                              REGSAM(KEY_ALL_ACCESS), REGSAM(KEY_WRITE)}) {
            EXPECT_EQ(row.machineWrite, OpenResult(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor", access)) << access;
        }
        // HKEY_CLASSES_ROOT lives below HKEY_LOCAL_MACHINE too.
        EXPECT_EQ(row.machineWrite, OpenResult(HKEY_CLASSES_ROOT, "", KEY_SET_VALUE));
        EXPECT_EQ(row.machineWrite, SetString(HKEY_LOCAL_MACHINE, "Direct", "x"));
        // The old call opens with what the user may have: reading works, writing through it does not.
        HKEY old = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Leaf", &old));
        EXPECT_EQ(row.machineWrite, SetString(old, "W", "x"));
        RegCloseKey(old);
        HKEY created = nullptr;
        EXPECT_EQ(row.machineWrite, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New", 0, nullptr, 0,
                                                    KEY_READ, nullptr, &created, nullptr));
        if (created) RegCloseKey(created);
        EXPECT_EQ(row.machineWrite, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vendor\\Leaf"));
        // The user's own keys are writable for everyone.
        EXPECT_EQ(ERROR_SUCCESS, OpenResult(HKEY_CURRENT_USER, "Software\\Mine", KEY_ALL_ACCESS));
    }
}

TEST(RegistryDeletion, SubtreesPerWindowsVersionAndDeletedHandles) {
    struct Row {
        OsKind os;
        LONG withSubkeys;
    } rows[] = {{OsKind::WindowsXP, ERROR_ACCESS_DENIED},
                {OsKind::WindowsNT4, ERROR_ACCESS_DENIED},
                {OsKind::Windows98, ERROR_SUCCESS},
                {OsKind::WindowsMe, ERROR_SUCCESS}};
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os));
        TestMachine machine(row.os);
        machine.Registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Product\\Child\\Grandchild]\n\"V\"=\"1\"\n");
        EXPECT_EQ(row.withSubkeys, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Product"));
        LONG gone = row.withSubkeys == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
        EXPECT_EQ(gone, OpenResult(HKEY_LOCAL_MACHINE, "SOFTWARE\\Product\\Child\\Grandchild"));
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Nothing"));
        EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""));

        // A key deleted while open elsewhere: every later call on that handle fails, closing works.
        HKEY open = Create(HKEY_CURRENT_USER, "Software\\Doomed");
        ASSERT_EQ(ERROR_SUCCESS, SetString(open, "V", "1"));
        ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Doomed"));
        char name[16];
        DWORD size = sizeof name;
        EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExA(open, "V", nullptr, nullptr, nullptr, &size));
        EXPECT_EQ(ERROR_KEY_DELETED, SetString(open, "V", "2"));
        EXPECT_EQ(ERROR_KEY_DELETED, RegEnumValueA(open, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyA(open, 0, name, sizeof name));
        EXPECT_EQ(ERROR_KEY_DELETED, RegQueryInfoKeyA(open, nullptr, nullptr, nullptr, nullptr, nullptr,
                                                      nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(ERROR_KEY_DELETED, OpenResult(open, "Sub"));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(open));
        // A new key of the same name is another key.
        HKEY again = Create(HKEY_CURRENT_USER, "Software\\Doomed");
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExA(again, "V", nullptr, nullptr, nullptr, &size));
        RegCloseKey(again);
    }
}

TEST(RegistryHandles, ClosedBogusAndPredefined) {
    TestMachine machine;
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\H", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    HKEY second = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "software\\h", 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &second, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    EXPECT_NE(key, second);
    HKEY same = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyA(key, "", &same));
    EXPECT_EQ(key, same);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(second));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));

    HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
    DWORD size = 0;
    char name[8];
    for (HKEY handle : {key, bogus}) {
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(handle));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(handle, "V", nullptr, nullptr, nullptr, &size));
        EXPECT_EQ(ERROR_INVALID_HANDLE, SetString(handle, "V", "x"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegEnumKeyA(handle, 0, name, sizeof name));
        EXPECT_EQ(ERROR_INVALID_HANDLE, OpenResult(handle, "X"));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegFlushKey(handle));
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ERROR_SUCCESS, RegFlushKey(HKEY_CURRENT_USER));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, nullptr));
    EXPECT_EQ(ERROR_BAD_PATHNAME, OpenResult(HKEY_LOCAL_MACHINE, "\\SOFTWARE"));
}

TEST(RegistryHandles, ListsReadOnceSeeLaterWrites) {
    TestMachine machine;
    HKEY reader = Create(HKEY_CURRENT_USER, "Software\\Seen");
    HKEY writer = Create(HKEY_CURRENT_USER, "Software\\Seen");
    DWORD values = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(reader, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              &values, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0u, values);
    ASSERT_EQ(ERROR_SUCCESS, SetString(writer, "New", "1"));
    RegCloseKey(Create(writer, "Sub"));
    char name[16];
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_SUCCESS, RegEnumValueA(reader, 0, name, &size, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegEnumKeyA(reader, 0, name, sizeof name));
    EXPECT_STREQ("Sub", name);
    RegCloseKey(reader);
    RegCloseKey(writer);
}

// Faults are found under the stored path of a key and under the name the program used for it.
TEST(RegistryFaults, EveryOperationUnderEitherName) {
    struct Row {
        const char* object;
        const char* operation;
        DWORD error;
    } rows[] = {
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.prn", "open", ERROR_ACCESS_DENIED},
        {"HKEY_CLASSES_ROOT\\.prn", "open", ERROR_SHARING_VIOLATION},
        {"HKEY_CLASSES_ROOT\\*", "*", ERROR_INVALID_DATA},
        {"hkey_classes_root\\.PRN", "query", ERROR_ACCESS_DENIED},
        {"HKEY_CLASSES_ROOT\\.prn", "set", ERROR_ACCESS_DENIED},
        {"HKEY_CLASSES_ROOT\\.prn", "enum", ERROR_ACCESS_DENIED},
        {"HKEY_CLASSES_ROOT\\.prn", "info", ERROR_ACCESS_DENIED},
        {"HKEY_CLASSES_ROOT\\.prn", "deletevalue", ERROR_ACCESS_DENIED},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.prn\\Sub", "create", ERROR_CANTWRITE},
        {"HKEY_CLASSES_ROOT\\.prn\\Sub", "deletekey", ERROR_ACCESS_DENIED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.object) + " " + row.operation);
        TestMachine machine;
        machine.Registry("[HKEY_CLASSES_ROOT\\.prn\\Sub]\n[HKEY_CLASSES_ROOT\\.prn]\n\"V\"=\"1\"\n");
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, ".prn", 0, KEY_ALL_ACCESS, &key));
        machine.Fault(platform::fault_target::kRegistry, row.object, row.operation, row.error);
        std::string op = row.operation;
        auto expect = [&](const char* operation, LONG result) {
            if (op == "*" || op == operation) {
                EXPECT_EQ(static_cast<LONG>(row.error), result) << operation;
            } else {
                EXPECT_NE(static_cast<LONG>(row.error), result) << operation;
            }
        };
        expect("open", OpenResult(HKEY_CLASSES_ROOT, ".prn"));
        DWORD size = 0;
        expect("query", RegQueryValueExA(key, "V", nullptr, nullptr, nullptr, &size));
        char name[16];
        expect("enum", RegEnumKeyA(key, 0, name, sizeof name));
        expect("info", RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        nullptr, nullptr, nullptr, nullptr));
        expect("set", SetString(key, "W", "x"));
        expect("deletevalue", RegDeleteValueA(key, "V"));
        HKEY sub = nullptr;
        if (op != "*") {
            expect("create",
                   RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr));
            if (sub) RegCloseKey(sub);
            expect("deletekey", RegDeleteKeyA(key, "Sub"));
        }
        RegCloseKey(key);
    }
}

TEST(RegistryFaults, CountedFaultIsUsedUp) {
    TestMachine machine;
    machine.Fault(platform::fault_target::kRegistry, "HKEY_LOCAL_MACHINE\\SOFTWARE", "open",
                  ERROR_ACCESS_DENIED, 1);
    EXPECT_EQ(ERROR_ACCESS_DENIED, OpenResult(HKEY_LOCAL_MACHINE, "SOFTWARE"));
    EXPECT_EQ(ERROR_SUCCESS, OpenResult(HKEY_LOCAL_MACHINE, "SOFTWARE"));
}

}  // namespace
