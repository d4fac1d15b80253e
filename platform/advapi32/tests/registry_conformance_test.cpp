// The registry calls against Windows' documented behaviour, one row per rule: the size protocols, the
// end of enumerations, deletion per system, the limits of names and depth, and the merged view of
// HKEY_CLASSES_ROOT on Windows 2000 and XP.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::OsKind;
using platform::TestMachine;

HKEY Open(HKEY root, const std::string& path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

LONG OpenResult(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
    if (key) RegCloseKey(key);
    return result;
}

LONG CreateResult(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (key) RegCloseKey(key);
    return result;
}

LONG SetString(HKEY root, const std::string& path, const std::string& name, const char* text) {
    HKEY key = nullptr;
    if (LONG error = RegOpenKeyExA(root, path.c_str(), 0, KEY_SET_VALUE, &key)) return error;
    LONG result = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
    return result;
}

// The REG_SZ value's text, "<missing>" when it cannot be read.
std::string Text(HKEY root, const std::string& path, const char* name) {
    HKEY key = Open(root, path, KEY_READ);
    if (!key) return "<missing>";
    char buffer[256];
    DWORD size = sizeof buffer;
    LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(buffer) : "<missing>";
}

// The subkey names and then, after "|", the value names of a key, as enumeration gives them.
std::string Listing(HKEY root, const std::string& path) {
    HKEY key = Open(root, path, KEY_READ);
    if (!key) return "<missing>";
    std::string listing;
    char name[300];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        listing += std::string(name) + " ";
    }
    listing += "|";
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        listing += std::string(" ") + (*name ? name : "@");
    }
    RegCloseKey(key);
    return listing;
}

std::string Deep(std::size_t levels) {
    std::string path = "Software";  // below HKEY_CURRENT_USER: HKEY_USERS\<user> is one level more
    for (std::size_t level = 3; level <= levels; ++level) path += "\\d";
    return path;
}

struct Row {
    const char* rule;
    OsKind os;
    const char* registry;  // imported first
    std::function<std::string()> action;
    std::string expected;
};

std::string Code(LONG result) { return std::to_string(result); }

// The outcomes of steps run in order (the elements of a braced list are evaluated left to right), each
// after a blank.
std::string Steps(std::initializer_list<std::string> outcomes) {
    std::string joined;
    for (const std::string& outcome : outcomes) joined += (joined.empty() ? "" : " ") + outcome;
    return joined;
}

std::vector<Row> Rows() {
    const std::string name255(255, 'n');
    const std::string name256(256, 'n');
    return {
        // RegQueryValueExA
        {"query: no buffer gives the size", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Q]\n\"S\"=\"abc\"\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "Q");
             DWORD size = 0;
             LONG result = RegQueryValueExA(key, "S", nullptr, nullptr, nullptr, &size);
             RegCloseKey(key);
             return Code(result) + " " + std::to_string(size);
         },
         Code(ERROR_SUCCESS) + " 4"},
        {"query: a short buffer gives ERROR_MORE_DATA and the size", OsKind::Windows98,
         "[HKEY_CURRENT_USER\\Q]\n\"S\"=\"abc\"\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "Q");
             BYTE buffer[3];
             DWORD size = sizeof buffer;
             LONG result = RegQueryValueExA(key, "S", nullptr, nullptr, buffer, &size);
             RegCloseKey(key);
             return Code(result) + " " + std::to_string(size);
         },
         Code(ERROR_MORE_DATA) + " 4"},
        {"query: REG_SZ stored without its terminator comes back without it", OsKind::WindowsXP,
         "[HKEY_CURRENT_USER\\Q]\n\"S\"=hex(1):61,62\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "Q");
             char buffer[8];
             std::memset(buffer, 'x', sizeof buffer);
             DWORD size = sizeof buffer;
             DWORD type = 0;
             LONG result = RegQueryValueExA(key, "S", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
             RegCloseKey(key);
             return Code(result) + " " + std::to_string(type) + " " + std::string(buffer, 3);
         },
         Code(ERROR_SUCCESS) + " 1 abx"},
        {"query: a buffer without a size is refused", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Q]\n\"S\"=\"a\"\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "Q");
             BYTE buffer[8];
             LONG result = RegQueryValueExA(key, "S", nullptr, nullptr, buffer, nullptr);
             RegCloseKey(key);
             return Code(result);
         },
         Code(ERROR_INVALID_PARAMETER)},
        {"query: a missing value", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\Q]\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "Q");
             DWORD size = 0;
             LONG result = RegQueryValueExA(key, "Nothing", nullptr, nullptr, nullptr, &size);
             RegCloseKey(key);
             return Code(result);
         },
         Code(ERROR_FILE_NOT_FOUND)},
        // RegOpenKeyExA, RegCreateKeyExA
        {"open: a missing key", OsKind::WindowsXP, "",
         [] { return Code(OpenResult(HKEY_CURRENT_USER, "Missing")); },
         Code(ERROR_FILE_NOT_FOUND)},
        {"create: a null subkey is refused", OsKind::WindowsXP, "",
         [] {
             HKEY key = nullptr;
             return Code(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                         nullptr));
         },
         Code(ERROR_INVALID_PARAMETER)},
        {"create: the disposition tells new from existing", OsKind::Windows2000, "[HKEY_CURRENT_USER\\Old]\n",
         [] {
             std::string dispositions;
             for (const char* path : {"Old", "New"}) {
                 HKEY key = nullptr;
                 DWORD disposition = 0;
                 RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, &disposition);
                 RegCloseKey(key);
                 dispositions += std::to_string(disposition);
             }
             return dispositions;
         },
         std::to_string(REG_OPENED_EXISTING_KEY) + std::to_string(REG_CREATED_NEW_KEY)},
        // Limits
        {"limits: a key name of 255 characters", OsKind::WindowsXP, "",
         [=] { return Code(CreateResult(HKEY_CURRENT_USER, "Software\\" + name255)); }, Code(ERROR_SUCCESS)},
        {"limits: a key name of 256 characters is refused", OsKind::WindowsXP, "",
         [=] { return Code(CreateResult(HKEY_CURRENT_USER, "Software\\" + name256 + "\\Below")); },
         Code(ERROR_INVALID_PARAMETER)},
        {"limits: a key name of 256 characters on Windows 9x", OsKind::Windows95, "",
         [=] { return Code(CreateResult(HKEY_CLASSES_ROOT, name256)); }, Code(ERROR_INVALID_PARAMETER)},
        {"limits: opening a key name of 256 characters finds nothing", OsKind::WindowsXP, "",
         [=] { return Code(OpenResult(HKEY_CURRENT_USER, name256)); },
         Code(ERROR_FILE_NOT_FOUND)},
        {"limits: a tree 512 levels deep", OsKind::WindowsXP, "",
         [] { return Code(CreateResult(HKEY_CURRENT_USER, Deep(512))); }, Code(ERROR_SUCCESS)},
        {"limits: a key 513 levels deep is refused", OsKind::WindowsXP, "",
         [] {
             return Steps({Code(CreateResult(HKEY_CURRENT_USER, Deep(512))),
                           Code(CreateResult(HKEY_CURRENT_USER, Deep(513)))});
         },
         Code(ERROR_SUCCESS) + " " + Code(ERROR_INVALID_PARAMETER)},
        {"limits: value names of 16,383 and 16,384 characters", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\V]\n",
         [] {
             return Steps({Code(SetString(HKEY_CURRENT_USER, "V", std::string(16383, 'v'), "x")),
                           Code(SetString(HKEY_CURRENT_USER, "V", std::string(16384, 'v'), "x"))});
         },
         Code(ERROR_SUCCESS) + " " + Code(ERROR_INVALID_PARAMETER)},
        {"limits: value names of 260 and 261 characters through the ANSI call of Windows 2000",
         OsKind::Windows2000, "[HKEY_CURRENT_USER\\V]\n",
         [] {
             return Steps({Code(SetString(HKEY_CURRENT_USER, "V", std::string(260, 'v'), "x")),
                           Code(SetString(HKEY_CURRENT_USER, "V", std::string(261, 'v'), "x"))});
         },
         Code(ERROR_SUCCESS) + " " + Code(ERROR_INVALID_PARAMETER)},
        {"limits: value names of 255 and 256 characters on Windows 9x", OsKind::Windows98,
         "[HKEY_CURRENT_USER\\V]\n",
         [] {
             return Steps({Code(SetString(HKEY_CURRENT_USER, "V", std::string(255, 'v'), "x")),
                           Code(SetString(HKEY_CURRENT_USER, "V", std::string(256, 'v'), "x"))});
         },
         Code(ERROR_SUCCESS) + " " + Code(ERROR_INVALID_PARAMETER)},
        // RegEnumKeyExA, RegEnumValueA
        {"enum: past the last subkey and value", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\E\\Sub]\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "E");
             char name[16];
             DWORD size = sizeof name;
             LONG keys = RegEnumKeyExA(key, 1, name, &size, nullptr, nullptr, nullptr, nullptr);
             size = sizeof name;
             LONG values = RegEnumValueA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr);
             RegCloseKey(key);
             return Code(keys) + " " + Code(values);
         },
         Code(ERROR_NO_MORE_ITEMS) + " " + Code(ERROR_NO_MORE_ITEMS)},
        {"enum: the name's size counts its terminator going in, not coming out", OsKind::WindowsXP,
         "[HKEY_CURRENT_USER\\E\\Four]\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "E");
             char name[16];
             DWORD small = 4, exact = 5;
             LONG tooSmall = RegEnumKeyExA(key, 0, name, &small, nullptr, nullptr, nullptr, nullptr);
             LONG fits = RegEnumKeyExA(key, 0, name, &exact, nullptr, nullptr, nullptr, nullptr);
             RegCloseKey(key);
             return Code(tooSmall) + " " + Code(fits) + " " + std::to_string(exact);
         },
         Code(ERROR_MORE_DATA) + " " + Code(ERROR_SUCCESS) + " 4"},
        {"enum: value data too long for its buffer", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\E]\n\"V\"=\"abcdef\"\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "E");
             char name[16];
             BYTE data[4];
             DWORD nameSize = sizeof name, dataSize = sizeof data;
             LONG result = RegEnumValueA(key, 0, name, &nameSize, nullptr, nullptr, data, &dataSize);
             RegCloseKey(key);
             return Code(result) + " " + std::to_string(dataSize);
         },
         Code(ERROR_MORE_DATA) + " 7"},
        // RegDeleteKeyA, RegDeleteValueA
        {"delete key: Windows NT refuses a key with subkeys", OsKind::WindowsNT4, "[HKEY_CURRENT_USER\\D\\Sub]\n",
         [] { return Steps({Code(RegDeleteKeyA(HKEY_CURRENT_USER, "D")), Listing(HKEY_CURRENT_USER, "D")}); },
         Code(ERROR_ACCESS_DENIED) + " Sub |"},
        {"delete key: Windows 9x deletes the whole tree", OsKind::WindowsMe, "[HKEY_CURRENT_USER\\D\\Sub]\n",
         [] { return Steps({Code(RegDeleteKeyA(HKEY_CURRENT_USER, "D")), Listing(HKEY_CURRENT_USER, "D")}); },
         Code(ERROR_SUCCESS) + " <missing>"},
        {"delete key: Windows 9x deletes a tree 512 levels deep", OsKind::Windows98, "",
         [] {
             return Steps({Code(CreateResult(HKEY_CURRENT_USER, Deep(512))),
                           Code(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\d")),
                           Listing(HKEY_CURRENT_USER, "Software\\d")});
         },
         Code(ERROR_SUCCESS) + " " + Code(ERROR_SUCCESS) + " <missing>"},
        {"delete value: a missing value", OsKind::WindowsXP, "[HKEY_CURRENT_USER\\D]\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "D");
             LONG result = RegDeleteValueA(key, "Nothing");
             RegCloseKey(key);
             return Code(result);
         },
         Code(ERROR_FILE_NOT_FOUND)},
        // RegQueryInfoKeyA
        {"info: lengths leave out the terminator, the class size too", OsKind::WindowsXP,
         "[HKEY_CURRENT_USER\\I\\Sub]\n[HKEY_CURRENT_USER\\I]\n\"Name\"=\"abc\"\n",
         [] {
             HKEY key = Open(HKEY_CURRENT_USER, "I");
             DWORD classSize = 0, subkeys = 0, maxSubkey = 0, values = 0, maxName = 0, maxValue = 0;
             LONG result = RegQueryInfoKeyA(key, nullptr, &classSize, nullptr, &subkeys, &maxSubkey, nullptr,
                                            &values, &maxName, &maxValue, nullptr, nullptr);
             RegCloseKey(key);
             return Code(result) + " " + std::to_string(classSize) + " " + std::to_string(subkeys) + " " +
                    std::to_string(maxSubkey) + " " + std::to_string(values) + " " + std::to_string(maxName) +
                    " " + std::to_string(maxValue);
         },
         Code(ERROR_SUCCESS) + " 0 1 3 1 4 4"},
        // The merged HKEY_CLASSES_ROOT
        {"classes: the user's value hides the machine's", OsKind::WindowsXP,
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.ext]\n@=\"machine\"\n\"Only\"=\"machine only\"\n"
         "[HKEY_CURRENT_USER\\Software\\Classes\\.ext]\n@=\"user\"\n",
         [] { return Text(HKEY_CLASSES_ROOT, ".ext", "") + ", " + Text(HKEY_CLASSES_ROOT, ".ext", "Only"); },
         "user, machine only"},
        {"classes: enumeration lists both without duplicates", OsKind::WindowsXP,
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\M\\Both]\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\M\\Alpha]\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\M]\n\"V\"=\"1\"\n\"Machine\"=\"1\"\n"
         "[HKEY_CURRENT_USER\\Software\\Classes\\M\\both]\n[HKEY_CURRENT_USER\\Software\\Classes\\M\\User]\n"
         "[HKEY_CURRENT_USER\\Software\\Classes\\M]\n\"v\"=\"2\"\n",
         [] {
             HKEY key = Open(HKEY_CLASSES_ROOT, "M", KEY_READ);
             DWORD subkeys = 0, values = 0;
             RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                              nullptr, nullptr);
             RegCloseKey(key);
             return Listing(HKEY_CLASSES_ROOT, "M") + " " + std::to_string(subkeys) + std::to_string(values);
         },
         "Alpha both User | v Machine 32"},
        {"classes: a key only the user has is seen", OsKind::Windows2000,
         "[HKEY_CURRENT_USER\\Software\\Classes\\CLSID\\{1}\\InprocServer32]\n@=\"mine.dll\"\n",
         [] { return Text(HKEY_CLASSES_ROOT, "CLSID\\{1}\\InprocServer32", ""); }, "mine.dll"},
        {"classes: a value goes to the user's key when there is one", OsKind::WindowsXP,
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\W]\n[HKEY_CURRENT_USER\\Software\\Classes\\W]\n",
         [] {
             return Steps({Code(SetString(HKEY_CLASSES_ROOT, "W", "New", "x")),
                           Text(HKEY_CURRENT_USER, "Software\\Classes\\W", "New"),
                           Text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\W", "New")});
         },
         Code(ERROR_SUCCESS) + " x <missing>"},
        {"classes: else to the machine's", OsKind::WindowsXP, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\W]\n",
         [] {
             return Steps({Code(SetString(HKEY_CLASSES_ROOT, "W", "New", "x")),
                           Text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\W", "New")});
         },
         Code(ERROR_SUCCESS) + " x"},
        {"classes: a new key goes to the machine's classes", OsKind::WindowsXP,
         "[HKEY_CURRENT_USER\\Software\\Classes\\UserOnly]\n",
         [] {
             return Steps({Code(CreateResult(HKEY_CLASSES_ROOT, "UserOnly\\Sub")),
                           Listing(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\UserOnly"),
                           Listing(HKEY_CURRENT_USER, "Software\\Classes\\UserOnly")});
         },
         Code(ERROR_SUCCESS) + " Sub | |"},
        {"classes: deleting a key deletes both parts", OsKind::WindowsXP,
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Gone]\n[HKEY_CURRENT_USER\\Software\\Classes\\Gone]\n",
         [] {
             return Steps({Code(RegDeleteKeyA(HKEY_CLASSES_ROOT, "Gone")), Listing(HKEY_CLASSES_ROOT, "Gone"),
                           Listing(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Gone")});
         },
         Code(ERROR_SUCCESS) + " <missing> <missing>"},
        {"classes: deleting a value deletes the one seen", OsKind::WindowsXP,
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\V]\n@=\"machine\"\n[HKEY_CURRENT_USER\\Software\\Classes\\V]\n"
         "@=\"user\"\n",
         [] {
             HKEY key = Open(HKEY_CLASSES_ROOT, "V");
             LONG result = RegDeleteValueA(key, nullptr);
             RegCloseKey(key);
             return Code(result) + " " + Text(HKEY_CLASSES_ROOT, "V", "");
         },
         Code(ERROR_SUCCESS) + " machine"},
        {"classes: Windows 9x has no user's classes in HKEY_CLASSES_ROOT", OsKind::Windows98,
         "[HKEY_CURRENT_USER\\Software\\Classes\\.ext]\n@=\"user\"\n",
         [] { return Text(HKEY_CLASSES_ROOT, ".ext", ""); }, "<missing>"},
        {"classes: nor has Windows NT 4.0", OsKind::WindowsNT4,
         "[HKEY_CURRENT_USER\\Software\\Classes\\.ext]\n@=\"user\"\n",
         [] { return Text(HKEY_CLASSES_ROOT, ".ext", ""); }, "<missing>"},
    };
}

TEST(RegistryConformance, EveryDocumentedRule) {
    for (const Row& row : Rows()) {
        SCOPED_TRACE(row.rule);
        TestMachine machine(row.os);
        if (*row.registry) machine.Registry(row.registry);
        EXPECT_EQ(row.expected, row.action());
    }
}

// A user without administrator rights on Windows XP writes the user's part of a class, not the machine's.
TEST(RegistryConformance, UserClassesAreTheUsersToWrite) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsXP);
    settings.administrator = false;
    TestMachine machine(settings);
    machine.Registry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Shared]\n@=\"machine\"\n"
        "[HKEY_CURRENT_USER\\Software\\Classes\\Shared]\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\MachineOnly]\n");
    EXPECT_EQ(ERROR_SUCCESS, SetString(HKEY_CLASSES_ROOT, "Shared", "", "mine"));
    EXPECT_EQ("mine", Text(HKEY_CLASSES_ROOT, "Shared", ""));
    EXPECT_EQ("machine", Text(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Shared", ""));
    EXPECT_EQ(ERROR_ACCESS_DENIED, SetString(HKEY_CLASSES_ROOT, "MachineOnly", "", "mine"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, CreateResult(HKEY_CLASSES_ROOT, "Shared\\Sub"));
    EXPECT_EQ(ERROR_ACCESS_DENIED, CreateResult(HKEY_CLASSES_ROOT, "NewClass"));
}

}  // namespace
