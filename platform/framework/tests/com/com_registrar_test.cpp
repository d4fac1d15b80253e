// Registry scripts applied to the machine's registry: what registration creates, what unregistration
// removes and keeps, replacements, and bad text that writes nothing.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "CComRegistrar.h"
#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"

namespace {

bool KeyExists(const char* path, HKEY root = HKEY_CLASSES_ROOT) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A value's type and bytes; nullopt when the key or value is missing.
std::optional<std::pair<DWORD, std::string>> Value(const char* path, const char* name, HKEY root = HKEY_CLASSES_ROOT) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[512];
    DWORD size = sizeof data, type = 0;
    LONG error = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS) return std::nullopt;
    return std::make_pair(type, std::string(data, size));
}

std::optional<std::string> Text(const char* path, const char* name = nullptr, HKEY root = HKEY_CLASSES_ROOT) {
    auto value = Value(path, name, root);
    if (!value || value->first != REG_SZ) return std::nullopt;
    return std::string(value->second.c_str());
}

constexpr char kServerScript[] = R"(
HKCR
{
	Sample.Thing.1 = s 'Thing Class'
	{
		CLSID = s '{11111111-2222-3333-4444-555555555555}'
	}
	Sample.Thing = s 'Thing Class'
	{
		CLSID = s '{11111111-2222-3333-4444-555555555555}'
		CurVer = s 'Sample.Thing.1'
	}
	NoRemove CLSID
	{
		ForceRemove {11111111-2222-3333-4444-555555555555} = s 'Thing Class'
		{
			ProgID = s 'Sample.Thing.1'
			ForceRemove 'Programmable'
			InprocServer32 = s '%MODULE%'
			{
				val ThreadingModel = s 'Apartment'
			}
			'TypeLib' = s '{99999999-2222-3333-4444-555555555555}'
		}
	}
}
)";

constexpr char kClassKey[] = "CLSID\\{11111111-2222-3333-4444-555555555555}";

class Registrar : public ::testing::Test {
  protected:
    platform::TestMachine machine;
    CComRegistrar registrar;

    void SetUp() override { registrar.AddReplacement("MODULE", "C:\\Program Files\\Sample\\thing.dll"); }
};

TEST_F(Registrar, RegistrationCreatesTheKeysValuesAndDefaults) {
    ASSERT_EQ(S_OK, registrar.ApplyScript(kServerScript, true));
    EXPECT_EQ("Thing Class", Text("Sample.Thing.1"));
    EXPECT_EQ("{11111111-2222-3333-4444-555555555555}", Text("Sample.Thing.1\\CLSID"));
    EXPECT_EQ("Sample.Thing.1", Text("Sample.Thing\\CurVer"));
    EXPECT_EQ("Thing Class", Text(kClassKey));
    EXPECT_EQ("C:\\Program Files\\Sample\\thing.dll", Text((std::string(kClassKey) + "\\InprocServer32").c_str()));
    EXPECT_EQ("Apartment", Text((std::string(kClassKey) + "\\InprocServer32").c_str(), "ThreadingModel"));
    EXPECT_TRUE(KeyExists((std::string(kClassKey) + "\\Programmable").c_str()));
    EXPECT_FALSE(Text((std::string(kClassKey) + "\\Programmable").c_str()));
    EXPECT_EQ("{99999999-2222-3333-4444-555555555555}", Text((std::string(kClassKey) + "\\TypeLib").c_str()));
}

TEST_F(Registrar, ForceRemoveReplacesAKeyWhole) {
    machine.Registry(R"([HKEY_CLASSES_ROOT\CLSID\{11111111-2222-3333-4444-555555555555}\Stale]
@="old"
[HKEY_CLASSES_ROOT\CLSID\{11111111-2222-3333-4444-555555555555}]
"Leftover"="1"
)");
    ASSERT_EQ(S_OK, registrar.ApplyScript(kServerScript, true));
    EXPECT_FALSE(KeyExists((std::string(kClassKey) + "\\Stale").c_str()));
    EXPECT_FALSE(Value(kClassKey, "Leftover"));
    EXPECT_EQ("Sample.Thing.1", Text((std::string(kClassKey) + "\\ProgID").c_str()));
}

TEST_F(Registrar, UnregistrationKeepsNoRemoveKeysAndWhatOthersAdded) {
    machine.Registry(R"([HKEY_CLASSES_ROOT\CLSID\{00000000-AAAA-BBBB-CCCC-000000000000}]
@="Another class"
[HKEY_CLASSES_ROOT\Sample.Thing\Extra]
@="someone else's"
)");
    ASSERT_EQ(S_OK, registrar.ApplyScript(kServerScript, true));
    ASSERT_EQ(S_OK, registrar.ApplyScript(kServerScript, false));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists("Sample.Thing.1"));
    EXPECT_TRUE(KeyExists("CLSID"));
    EXPECT_EQ("Another class", Text("CLSID\\{00000000-AAAA-BBBB-CCCC-000000000000}"));
    // A key of the script that holds a subkey the script did not make stays, without the script's own.
    EXPECT_TRUE(KeyExists("Sample.Thing\\Extra"));
    EXPECT_FALSE(KeyExists("Sample.Thing\\CurVer"));
    // Unregistering again finds nothing to remove and is no failure.
    EXPECT_EQ(S_OK, registrar.ApplyScript(kServerScript, false));
}

TEST_F(Registrar, ValueTypesDeleteKeysAndValuesOfKeptKeys) {
    machine.Registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Sample\\Obsolete\\Deep]\n");
    constexpr char script[] = R"(HKLM {
  NoRemove SOFTWARE { NoRemove Sample {
    val Count = d '42'
    val Mask = d '0x8000000F'
    val Bytes = b '00FFa5'
    val 'Two Words' = s 'it''s 100%% done'
    Delete Obsolete
  } }
})";
    ASSERT_EQ(S_OK, registrar.ApplyScript(script, true));
    const char* key = "SOFTWARE\\Sample";
    EXPECT_FALSE(KeyExists("SOFTWARE\\Sample\\Obsolete", HKEY_LOCAL_MACHINE));
    auto count = Value(key, "Count", HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(count);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), count->first);
    EXPECT_EQ(std::string("\x2A\0\0\0", 4), count->second);
    EXPECT_EQ(std::string("\x0F\0\0\x80", 4), Value(key, "Mask", HKEY_LOCAL_MACHINE)->second);
    auto bytes = Value(key, "Bytes", HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), bytes->first);
    EXPECT_EQ(std::string("\x00\xFF\xA5", 3), bytes->second);
    EXPECT_EQ("it's 100% done", Text(key, "Two Words", HKEY_LOCAL_MACHINE));

    ASSERT_EQ(S_OK, registrar.ApplyScript(script, false));
    EXPECT_TRUE(KeyExists(key, HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Value(key, "Count", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(Value(key, "Two Words", HKEY_LOCAL_MACHINE));
}

TEST_F(Registrar, BadTextFailsAndWritesNothing) {
    const char* scripts[] = {
        "HKCR { Good = s 'x' } HKXX { Other = s 'y' }",  // an unknown root
        "HKCR { Good = s 'x' ",                           // a block never closed
        "HKCR { Good = s 'unclosed }",                    // a quote never closed
        "HKCR { Good = q 'x' }",                          // an unknown value type
        "HKCR { Good = s x }",                            // data not quoted
        "HKCR { Good = d '12a' }",                        // not a number
        "HKCR { Good = d '4294967296' }",                 // too large for a DWORD
        "HKCR { Good = b 'ABC' }",                        // half a byte
        "HKCR { Good = s '%UNKNOWN%' }",                  // an unknown replacement
        "HKCR { Good = s '%MODULE' }",                    // a replacement never closed
        "HKCR { val = s 'x' }",                           // a value without a name
        "HKCR { ForceRemove }",                           // a key without a name
        "HKCR Good",                                      // a root without a block
    };
    for (const char* script : scripts) {
        SCOPED_TRACE(script);
        EXPECT_EQ(E_FAIL, registrar.ApplyScript(script, true));
        EXPECT_FALSE(KeyExists("Good"));
    }
}

TEST_F(Registrar, AFailedRegistrationIsUndone) {
    machine.Fault(platform::fault_target::kRegistry,
                  "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32",
                  "create", ERROR_ACCESS_DENIED);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), registrar.ApplyScript(kServerScript, true));
    EXPECT_FALSE(KeyExists("Sample.Thing.1"));
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_TRUE(KeyExists("CLSID"));
}

TEST_F(Registrar, ReplacementsAreCaseInsensitiveAndReplaceable) {
    registrar.AddReplacement(u"Name", u"first");
    registrar.AddReplacement(u"NAME", u"second");
    ASSERT_EQ(S_OK, registrar.StringRegister(u"HKCR { 'Key %name%' = s '%Module%' }"));
    EXPECT_EQ("C:\\Program Files\\Sample\\thing.dll", Text("Key second"));
    registrar.ClearReplacements();
    EXPECT_EQ(E_FAIL, registrar.StringUnregister(u"HKCR { 'Key %name%' }"));
    EXPECT_TRUE(KeyExists("Key second"));
}

}  // namespace
