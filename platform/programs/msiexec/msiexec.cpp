// msiexec: the Windows Installer program, for the removal of a product registered in the machine.
//
//     msiexec /x<product code> [/q{n|b|r|f}[!|+|-]] [PROPERTY=value]...
//
// The product code may follow /x at once or as the next word, in any case; options begin with '/' or
// '-' in any case (/x or /uninstall). The user interface levels and the properties (REBOOT=ReallySuppress
// among them) are accepted and change nothing: the removal shows no window and never restarts the
// machine itself.
//
// A product is registered as Windows Installer keeps it, with its codes in packed form (the GUID's
// first three groups written backwards, each byte of the last two with its two digits swapped):
//
//   HKLM\Software\Classes\Installer\Products\<packed product>           "ProductName"
//   HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Products\<packed product>
//       \Features   "<feature>" = the packed codes of the feature's components, one after another
//   HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<product code>   its Add/Remove Programs entry
//   HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Components\<packed component>
//       "<packed product>" = what the component installed: a file's path ("C:\...\file.dll"), or a
//       registry key as "<root>:\<key>" with the roots 00 (HKEY_CLASSES_ROOT), 01 (HKEY_CURRENT_USER)
//       and 02 (HKEY_LOCAL_MACHINE)
//
// The removal deletes each file and key of the product's components (a file in use is deleted at the
// next start), the component entries left with no product, and the product's keys. The components are
// the ones its features list; for a product registered without those lists every component of the
// machine is looked through for the ones that name it. Exit codes are Windows Installer's: 0 done, 3010
// done but a restart is needed to finish, 1605 for a product that is not installed, 1639 for a command
// line it cannot use.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "program_text.h"
#include "shlwapi.h"
#include "windows.h"

namespace {

constexpr char kProductsKey[] = "Software\\Classes\\Installer\\Products\\";
constexpr char kUserDataKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr std::size_t kPackedCodeLength = 32;

std::string Upper(std::string text) {
    for (char& character : text) character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    return text;
}

bool IsOption(const std::string& word, const char* name) {
    return (word[0] == '/' || word[0] == '-') && Upper(word.substr(1)) == name;
}

struct Removal {
    bool restartNeeded = false;
};

// Removes what one component installed: a file, or a key written "<root>:\<key>".
void RemoveInstalled(const std::string& target, Removal& removal) {
    if (target.size() > 4 && std::isdigit(static_cast<unsigned char>(target[0])) && target[2] == ':' &&
        target[3] == '\\') {
        int rootNumber = std::atoi(target.substr(0, 2).c_str());
        HKEY root = rootNumber == 0 ? HKEY_CLASSES_ROOT : rootNumber == 1 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        std::string key = target.substr(4);
        while (!key.empty() && key.back() == '\\') key.pop_back();
        SHDeleteKeyA(root, key.c_str());
        return;
    }
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
        return;
    // Held by a program: the Installer has it deleted when the machine starts again.
    if (MoveFileExA(target.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) removal.restartNeeded = true;
}

// The packed codes the product's features list, each once; nothing when the product has no lists or one
// of them is not a run of packed codes.
std::optional<std::vector<std::string>> ListedComponents(const std::string& packedProduct) {
    std::string featuresPath = std::string(kUserDataKey) + "Products\\" + packedProduct + "\\Features";
    HKEY features = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, featuresPath.c_str(), 0, KEY_READ, &features) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD longestData = 0;
    bool readable = RegQueryInfoKeyA(features, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, &longestData, nullptr, nullptr) == ERROR_SUCCESS;
    std::vector<char> data(longestData + 1);
    std::vector<std::string> components;
    for (DWORD index = 0; readable; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(data.size());
        LONG error = RegEnumValueA(features, index, name, &nameSize, nullptr, &type,
                                   reinterpret_cast<LPBYTE>(data.data()), &size);
        if (error == ERROR_NO_MORE_ITEMS) break;
        std::string_view list(data.data(), error == ERROR_SUCCESS ? size : 0);
        list = list.substr(0, list.find('\0'));
        readable = error == ERROR_SUCCESS && type == REG_SZ && list.size() % kPackedCodeLength == 0 &&
                   list.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
        for (std::size_t start = 0; readable && start < list.size(); start += kPackedCodeLength) {
            std::string code = Upper(std::string(list.substr(start, kPackedCodeLength)));
            if (std::find(components.begin(), components.end(), code) == components.end())
                components.push_back(code);
        }
    }
    RegCloseKey(features);
    if (!readable) return std::nullopt;
    return components;
}

// Every component of the machine that names the product. Each is opened below the list just read: a
// machine holds thousands of them, and a path from the root would look up every key on the way.
std::vector<std::string> ScannedComponents(const std::string& packedProduct) {
    HKEY components = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kUserDataKey) + "Components").c_str(), 0, KEY_READ,
                      &components) != ERROR_SUCCESS)
        return {};
    std::vector<std::string> names;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(components, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    std::vector<std::string> named;
    for (const std::string& component : names) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(components, component.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
        if (RegQueryValueExA(key, packedProduct.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
            named.push_back(component);
        RegCloseKey(key);
    }
    RegCloseKey(components);
    return named;
}

// The product's components: what each installed for the product goes, then the product's entry in it,
// then the component when no product is left in it. They are all found before the first change: each
// change to the registry makes the next look read again what an open key had read.
void RemoveComponents(const std::string& packedProduct, Removal& removal) {
    std::optional<std::vector<std::string>> listed = ListedComponents(packedProduct);
    std::vector<std::string> components = listed ? std::move(*listed) : ScannedComponents(packedProduct);
    std::string componentsPath = std::string(kUserDataKey) + "Components";
    for (const std::string& component : components) {
        std::string path = componentsPath + "\\" + component;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) continue;
        char target[1024];
        DWORD size = sizeof target;
        DWORD type = 0;
        if (RegQueryValueExA(key, packedProduct.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(target), &size) ==
            ERROR_SUCCESS) {
            RemoveInstalled(std::string(target, size && !target[size - 1] ? size - 1 : size), removal);
            RegDeleteValueA(key, packedProduct.c_str());
        }
        DWORD subkeys = 0;
        DWORD values = 0;
        bool empty = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                      nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                     values == 0;
        RegCloseKey(key);
        if (empty && subkeys == 0) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        } else if (empty) {
            SHDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
        }
    }
}

}  // namespace

namespace {

LONG Run(int argc, char** argv) {
    std::optional<std::string> productCode;
    for (int index = 1; index < argc; ++index) {
        std::string word = argv[index];
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-')) {
            // PROPERTY=value: accepted; anything else is not a command line the Installer can use.
            if (word.find('=') == std::string::npos) return ERROR_INVALID_COMMAND_LINE;
            continue;
        }
        std::string option = Upper(word.substr(1));
        if (option == "X" || option == "UNINSTALL") {
            if (index + 1 >= argc) return ERROR_INVALID_COMMAND_LINE;
            productCode = argv[++index];
        } else if (option[0] == 'X') {
            productCode = word.substr(2);
        } else if (option[0] != 'Q' && !IsOption(word, "NORESTART") && !IsOption(word, "PROMPTRESTART") &&
                   !IsOption(word, "FORCERESTART")) {
            return ERROR_INVALID_COMMAND_LINE;
        }
    }
    if (!productCode) return ERROR_INVALID_COMMAND_LINE;
    std::string packed = platform::programs::PackedInstallerCode(*productCode);
    if (packed.empty()) return ERROR_INVALID_COMMAND_LINE;

    HKEY product = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kProductsKey + packed).c_str(), 0, KEY_READ, &product) != ERROR_SUCCESS)
        return ERROR_UNKNOWN_PRODUCT;
    RegCloseKey(product);

    Removal removal;
    RemoveComponents(packed, removal);
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kUserDataKey) + "Products\\" + packed).c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, (kProductsKey + packed).c_str());
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, (kUninstallKey + Upper(*productCode)).c_str());
    return removal.restartNeeded ? ERROR_SUCCESS_REBOOT_REQUIRED : ERROR_SUCCESS;
}

}  // namespace

// The Installer's exit codes need more than the eight bits a host process's status keeps.
int main(int argc, char** argv) {
    ExitProcess(static_cast<UINT>(Run(argc, argv)));
}
