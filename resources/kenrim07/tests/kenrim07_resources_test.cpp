// kenrim07's resources as the server's module holds them: the registry script applied through the
// framework's registrar, the Italian strings the reports and messages load, the dialogs and the icons.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "../resource.h"
#include "CComRegistrar.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr char kModule[] = "C:\\Program Files\\QNAiO\\Bin\\kenrim07.dll";
constexpr char kClassKey[] = "CLSID\\{7E7B9463-87EB-11D3-A499-0060B0F8AA86}";

bool KeyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A string value of a key under HKEY_CLASSES_ROOT (its default value for a null name).
std::optional<std::string> Text(const std::string& path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[512] = {};
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    LONG error = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (error != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    return std::string(data);
}

struct Expected {
    std::string key;
    const char* name;  // null: the key's default value
    const char* value;
};

const std::vector<Expected>& Registered() {
    static const std::vector<Expected> expected = {
        {"QNAiO.Kenro.1", nullptr, "QNAiOKenro Class"},
        {"QNAiO.Kenro.1\\CLSID", nullptr, "{7E7B9463-87EB-11D3-A499-0060B0F8AA86}"},
        {"QNAiO.Kenro", nullptr, "QNAiOKenro Class"},
        {"QNAiO.Kenro\\CLSID", nullptr, "{7E7B9463-87EB-11D3-A499-0060B0F8AA86}"},
        {"QNAiO.Kenro\\CurVer", nullptr, "QNAiO.Kenro.1"},
        {kClassKey, nullptr, "QNAiOKenro Class"},
        {std::string(kClassKey) + "\\ProgID", nullptr, "QNAiO.Kenro.1"},
        {std::string(kClassKey) + "\\VersionIndependentProgID", nullptr, "QNAiO.Kenro"},
        {std::string(kClassKey) + "\\InprocServer32", nullptr, kModule},
        {std::string(kClassKey) + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {std::string(kClassKey) + "\\TypeLib", nullptr, "{7E7B9452-87EB-11D3-A499-0060B0F8AA86}"},
    };
    return expected;
}

class Kenrim07Resources : public ::testing::Test {
  protected:
    HRESULT Apply(bool registering) {
        CComRegistrar registrar;
        registrar.AddReplacement("MODULE", kModule);
        HINSTANCE module = GetModuleHandleA(nullptr);
        return registering ? registrar.ResourceRegister(module, IDR_QNAIOKENRO)
                           : registrar.ResourceUnregister(module, IDR_QNAIOKENRO);
    }

    platform::TestMachine machine_;
};

TEST_F(Kenrim07Resources, RegistryScriptWritesTheRootObjectsKeys) {
    ASSERT_EQ(S_OK, Apply(true));
    for (const Expected& entry : Registered()) {
        SCOPED_TRACE(entry.key + " " + (entry.name ? entry.name : "@"));
        EXPECT_EQ(std::optional<std::string>(entry.value), Text(entry.key, entry.name));
    }
    EXPECT_TRUE(KeyExists(std::string(kClassKey) + "\\Programmable"));
    EXPECT_FALSE(Text(std::string(kClassKey) + "\\Programmable", nullptr));
}

TEST_F(Kenrim07Resources, UnregisteringRemovesTheClassWholeButKeepsTheClassesKey) {
    machine_.Registry(R"([HKEY_CLASSES_ROOT\CLSID\{7E7B9463-87EB-11D3-A499-0060B0F8AA86}\Stale]
@="left by an earlier version"
)");
    ASSERT_EQ(S_OK, Apply(true));
    EXPECT_FALSE(KeyExists(std::string(kClassKey) + "\\Stale"));  // replaced whole on registration
    ASSERT_EQ(S_OK, Apply(false));
    for (const char* key : {"QNAiO.Kenro.1", "QNAiO.Kenro", kClassKey}) EXPECT_FALSE(KeyExists(key)) << key;
    EXPECT_TRUE(KeyExists("CLSID"));
}

TEST_F(Kenrim07Resources, StringsInItalian) {
    struct String {
        UINT id;
        const char* text;  // Windows-1252
    };
    const String strings[] = {
        {IDS_REPORT_FILE, "File: %s"},
        {IDS_CPU_SPEED, "Velocit\xE0 CPU: %s"},
        {IDS_DRIVES, "Unit\xE0"},
        {IDS_CABLE_ADVICE,
         "Il cavo Tavrondel deve essere collegato direttamente alla porta parallela\ndel computer. Rimuovere i "
         "commutatori, le chiavi software e altri dispositivi\npassanti. Si consiglia di utilizzare un cavo "
         "conforme IEEE-1284.\n"},
        {IDS_TEMPORARY_FOLDER_VARIABLES, "Variabili d'ambiente delle directory temporanee"},
        {IDS_UNKNOWN, "Sconosciuto"},
        {IDS_NO_PROBLEMS_FOUND, "Nessun problema rilevato"},
        {IDS_CHECKING_REQUIREMENTS, "Controllo dei requisiti minimi in corso."},
        {IDS_SERVICE_PACK_VERSION, "Versione Service Pack:  %d.%d"},
        {IDS_PRODUCT_NAME, "QN Kenro"},
        {IDS_HELP_FILE_MISSING, "File %s della Guida mancante o non trovato"},
        {IDS_MEGAHERTZ, "Mhz"},
    };
    HINSTANCE module = GetModuleHandleA(nullptr);
    for (const String& string : strings) {
        char buffer[1024] = {};
        LoadStringA(module, string.id, buffer, sizeof(buffer));
        EXPECT_EQ(std::string(string.text), std::string(buffer)) << string.id;
    }
    char buffer[16] = {};
    EXPECT_EQ(0, LoadStringA(module, 121, buffer, sizeof(buffer)));
}

TEST_F(Kenrim07Resources, DialogsAndIcons) {
    HINSTANCE module = GetModuleHandleA(nullptr);
    for (int id : {IDD_TEST_RESULTS, IDD_PROGRESS})
        EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG)) << id;
    for (int id : {IDI_SEVERITY_WARNING, IDI_SEVERITY_ERROR, IDI_SEVERITY_INFORMATION})
        EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(id), RT_GROUP_ICON)) << id;
}

INT_PTR CALLBACK NoHandling(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(Kenrim07Resources, ProgressDialogStartsHiddenWithItsControls) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                     NoHandling, 0);
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(IsWindowVisible(dialog));
    for (int id : {IDC_PROGRESS_BAR, IDC_PROGRESS_MESSAGE, IDC_PROGRESS_PERCENT, IDCANCEL})
        EXPECT_TRUE(GetDlgItem(dialog, id)) << id;
    char text[32] = {};
    GetWindowTextA(GetDlgItem(dialog, IDCANCEL), text, sizeof(text));
    EXPECT_EQ(std::string("Annulla"), text);
    DestroyWindow(dialog);
}

}  // namespace
