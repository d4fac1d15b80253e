// The registration of type libraries in the machine's HKEY_CLASSES_ROOT: the keys RegisterTypeLib writes
// and UnRegisterTypeLib removes, LoadTypeLibEx's registration kinds, and the version and locale rules by
// which LoadRegTypeLib and QueryPathOfRegTypeLib find a registered library.
#include <gtest/gtest.h>

#include <optional>

#include "dispatch_widget_object.h"
#include "platform/machine/text.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using widget_test::Held;
using widget_test::Text;

constexpr char kLibraryKey[] = "TypeLib\\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}";
constexpr char kWidgetKey[] = "Interface\\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E002}";
constexpr char kPartKey[] = "Interface\\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E003}";
constexpr char kEventsKey[] = "Interface\\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E005}";

// A string value below HKEY_CLASSES_ROOT (the default value for a null name), or nothing.
std::optional<std::string> ClassesValue(const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char data[512] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

bool ClassesKeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

class TypeLibraryRegistryTest : public ::testing::Test {
  protected:
    TypeLibraryRegistryTest() {
        machine_.File(widget_test::kWidgetLibraryPath, widget_test::WidgetLibraryBytes());
        EXPECT_EQ(S_OK, LoadTypeLibEx(widget_test::kWidgetLibraryPathWide, REGKIND_NONE, library_.out()));
    }

    platform::TestMachine machine_;
    Held<ITypeLib> library_;
};

TEST_F(TypeLibraryRegistryTest, RegisterWritesTheLibraryAndItsAutomationInterfaces) {
    ASSERT_EQ(S_OK, RegisterTypeLib(library_.get(), widget_test::kWidgetLibraryPathWide,
                                    u"C:\\Program Files\\Widget"));
    const std::string version = std::string(kLibraryKey) + "\\1.2";
    struct Row {
        std::string key;
        const char* name;
        std::string value;
    };
    const Row rows[] = {
        {version, nullptr, "Widget 1.2 Type Library"},
        {version + "\\FLAGS", nullptr, "0"},
        {version + "\\HELPDIR", nullptr, "C:\\Program Files\\Widget"},
        {version + "\\0\\win32", nullptr, widget_test::kWidgetLibraryPath},
        {kWidgetKey, nullptr, "IWidget"},
        {std::string(kWidgetKey) + "\\ProxyStubClsid", nullptr, "{00020424-0000-0000-C000-000000000046}"},
        {std::string(kWidgetKey) + "\\ProxyStubClsid32", nullptr, "{00020424-0000-0000-C000-000000000046}"},
        {std::string(kWidgetKey) + "\\TypeLib", nullptr, "{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}"},
        {std::string(kWidgetKey) + "\\TypeLib", "Version", "1.2"},
        {kPartKey, nullptr, "IWidgetPart"},
        // A dispatch interface is marshalled through IDispatch alone.
        {kEventsKey, nullptr, "_IWidgetEvents"},
        {std::string(kEventsKey) + "\\ProxyStubClsid32", nullptr, "{00020420-0000-0000-C000-000000000046}"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.value, ClassesValue(row.key, row.name).value_or("<missing>"))
            << row.key << " " << (row.name ? row.name : "@");
    }
    // Coclasses are not registered.
    EXPECT_FALSE(ClassesKeyExists("CLSID\\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E004}"));
    EXPECT_EQ(E_INVALIDARG, RegisterTypeLib(nullptr, widget_test::kWidgetLibraryPathWide, nullptr));
    EXPECT_EQ(E_INVALIDARG, RegisterTypeLib(library_.get(), nullptr, nullptr));
}

TEST_F(TypeLibraryRegistryTest, UnregisterRemovesWhatRegisterWrote) {
    machine_.Registry(R"([HKEY_CLASSES_ROOT\Interface\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E003}\TypeLib]
@="{11111111-2222-3333-4444-555555555555}"
)");
    ASSERT_EQ(S_OK, RegisterTypeLib(library_.get(), widget_test::kWidgetLibraryPathWide, nullptr));
    // Registered again since by another library: it keeps the key.
    machine_.Registry(R"([HKEY_CLASSES_ROOT\Interface\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E003}\TypeLib]
@="{11111111-2222-3333-4444-555555555555}"
)");
    EXPECT_EQ(S_OK, UnRegisterTypeLib(LIBID_WidgetLib, 1, 2, 0, SYS_WIN32));
    EXPECT_FALSE(ClassesKeyExists(kLibraryKey));
    EXPECT_FALSE(ClassesKeyExists(kWidgetKey));
    EXPECT_FALSE(ClassesKeyExists(kEventsKey));
    EXPECT_TRUE(ClassesKeyExists(kPartKey));
    EXPECT_TRUE(ClassesKeyExists("Interface"));
    EXPECT_EQ(TYPE_E_REGISTRYACCESS, UnRegisterTypeLib(LIBID_WidgetLib, 1, 2, 0, SYS_WIN32));
}

TEST_F(TypeLibraryRegistryTest, UnregisterKeepsOtherVersionsAndLocales) {
    machine_.Registry(R"([HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.0\0\win32]
@="C:\\Old\\widget.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.2\410\win32]
@="C:\\Italiano\\widget.tlb"
)");
    ASSERT_EQ(S_OK, RegisterTypeLib(library_.get(), widget_test::kWidgetLibraryPathWide, nullptr));
    EXPECT_EQ(S_OK, UnRegisterTypeLib(LIBID_WidgetLib, 1, 2, 0, SYS_WIN32));
    const std::string version = std::string(kLibraryKey) + "\\1.2";
    EXPECT_FALSE(ClassesKeyExists(version + "\\0"));
    EXPECT_TRUE(ClassesKeyExists(version + "\\410\\win32"));
    EXPECT_TRUE(ClassesKeyExists(version + "\\FLAGS"));
    EXPECT_EQ(S_OK, UnRegisterTypeLib(LIBID_WidgetLib, 1, 2, 0x410, SYS_WIN32));
    EXPECT_FALSE(ClassesKeyExists(version));
    EXPECT_EQ("C:\\Old\\widget.tlb", ClassesValue(std::string(kLibraryKey) + "\\1.0\\0\\win32").value_or(""));
}

TEST_F(TypeLibraryRegistryTest, LoadTypeLibRegistersAsItsKindSays) {
    struct Row {
        const char* name;
        const char16_t* path;
        REGKIND kind;
        bool registers;
    };
    machine_.File("C:\\WINDOWS\\system32\\widget.tlb", widget_test::WidgetLibraryBytes());
    const Row rows[] = {
        {"a full path, no kind", widget_test::kWidgetLibraryPathWide, REGKIND_DEFAULT, false},
        {"a full path, not registered", widget_test::kWidgetLibraryPathWide, REGKIND_NONE, false},
        {"a full path, registered", widget_test::kWidgetLibraryPathWide, REGKIND_REGISTER, true},
        {"a bare name found in the system folder", u"widget.tlb", REGKIND_DEFAULT, true},
        {"a bare name, not registered", u"widget.tlb", REGKIND_NONE, false},
    };
    for (const Row& row : rows) {
        UnRegisterTypeLib(LIBID_WidgetLib, 1, 2, 0, SYS_WIN32);
        Held<ITypeLib> library;
        ASSERT_EQ(S_OK, LoadTypeLibEx(row.path, row.kind, library.out())) << row.name;
        std::optional<std::string> registered = ClassesValue(std::string(kLibraryKey) + "\\1.2\\0\\win32");
        EXPECT_EQ(row.registers, registered.has_value()) << row.name;
        if (registered && row.path[0] != u'C') {
            char system[MAX_PATH];
            GetSystemDirectoryA(system, MAX_PATH);
            EXPECT_TRUE(platform::EqualsNoCase(std::string(system) + "\\widget.tlb", *registered))
                << *registered;
        }
    }
    Held<ITypeLib> library;
    EXPECT_EQ(S_OK, LoadTypeLib(u"widget.tlb", library.out()));
}

TEST(TypeLibraryLookup, VersionAndLocaleRules) {
    platform::TestMachine machine;
    machine.Registry(R"([HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.0\0\win32]
@="C:\\Lib\\one-zero.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.2\0\win32]
@="C:\\Lib\\one-two.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.2\409\win32]
@="C:\\Lib\\one-two-english.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.2\7\win32]
@="C:\\Lib\\one-two-german.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.a\0\win32]
@="C:\\Lib\\one-ten.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\1.5\0\win32]
@="C:\\Lib\\one-five.tlb"
[HKEY_CLASSES_ROOT\TypeLib\{5E0D7A10-3C41-4B7E-9D2A-61C0A4B8E000}\2.0\409]
)");
    struct Row {
        const char* name;
        WORD major;
        WORD minor;
        LCID lcid;
        const char* path;  // null: not registered
    };
    const Row rows[] = {
        {"exact version", 1, 0, 0, "C:\\Lib\\one-zero.tlb"},
        {"exact version over greater ones", 1, 2, 0, "C:\\Lib\\one-two.tlb"},
        {"the greatest minor version above", 1, 1, 0, "C:\\Lib\\one-ten.tlb"},
        {"versions are hexadecimal", 1, 10, 0, "C:\\Lib\\one-ten.tlb"},
        {"no minor version high enough", 1, 11, 0, nullptr},
        {"another major version", 3, 0, 0, nullptr},
        {"a version without a file for the locale", 2, 0, 0x409, nullptr},
        {"the exact locale", 1, 2, 0x409, "C:\\Lib\\one-two-english.tlb"},
        {"the language's neutral locale", 1, 2, 0x807, "C:\\Lib\\one-two-german.tlb"},
        {"locale 0 last", 1, 2, 0x410, "C:\\Lib\\one-two.tlb"},
    };
    for (const Row& row : rows) {
        Text path;
        HRESULT result = QueryPathOfRegTypeLib(LIBID_WidgetLib, row.major, row.minor, row.lcid, path.out());
        EXPECT_EQ(row.path ? S_OK : TYPE_E_LIBNOTREGISTERED, result) << row.name;
        EXPECT_EQ(row.path ? platform::WideFromAnsi(row.path) : std::u16string(), path.str()) << row.name;
    }
    Text path;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, QueryPathOfRegTypeLib(IID_IWidget, 1, 0, 0, path.out()));
    EXPECT_EQ(E_INVALIDARG, QueryPathOfRegTypeLib(LIBID_WidgetLib, 1, 0, 0, nullptr));

    // LoadRegTypeLib loads the file found; a missing one fails as LoadTypeLib does.
    machine.File("C:\\Lib\\one-two.tlb", widget_test::WidgetLibraryBytes());
    Held<ITypeLib> library;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_WidgetLib, 1, 2, 0, library.out()));
    Held<ITypeInfo> info;
    EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(IID_IWidget, info.out()));
    EXPECT_EQ(TYPE_E_CANTLOADLIBRARY, LoadRegTypeLib(LIBID_WidgetLib, 1, 0, 0, library.out()));
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, LoadRegTypeLib(LIBID_WidgetLib, 4, 0, 0, library.out()));
}

}  // namespace
