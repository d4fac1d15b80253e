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
//   HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<product code>   its Add/Remove Programs entry
//   HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData\S-1-5-18\Components\<packed component>
//       "<packed product>" = what the component installed: a file's path ("C:\...\file.dll"), or a
//       registry key as "<root>:\<key>" with the roots 00 (HKEY_CLASSES_ROOT), 01 (HKEY_CURRENT_USER)
//       and 02 (HKEY_LOCAL_MACHINE)
//
// The removal deletes each file and key of the product's components (a file in use is deleted at the
// next start), the component entries left with no product, and the product's keys. Exit codes are
// Windows Installer's: 0 done, 3010 done but a restart is needed to finish, 1605 for a product that is
// not installed, 1639 for a command line it cannot use.
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "program_text.h"
#include "windows.h"

namespace {

constexpr char kProductsKey[] = "Software\\Classes\\Installer\\Products\\";
constexpr char kUserDataKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";
constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Upper(std::string text) {
    for (char& character : text) character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    return text;
}

bool IsOption(const std::string& word, const char* name) {
    return (word[0] == '/' || word[0] == '-') && Upper(word.substr(1)) == name;
}

// Deletes the key with everything below it; true when it is gone.
bool DeleteKeyTree(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return true;
    std::vector<std::string> children;
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        children.emplace_back(name, size);
    }
    RegCloseKey(key);
    for (const std::string& child : children) DeleteKeyTree(root, path + "\\" + child);
    return RegDeleteKeyA(root, path.c_str()) == ERROR_SUCCESS;
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
        DeleteKeyTree(root, key);
        return;
    }
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND)
        return;
    // Held by a program: the Installer has it deleted when the machine starts again.
    if (MoveFileExA(target.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) removal.restartNeeded = true;
}

// Every component that names the product: what it installed goes, then the product's entry in it, then
// the component when no product is left in it. The components are looked through first, each opened below
// the list just read: a machine holds thousands of them, and each change to the registry would make the
// next look read that list again.
void RemoveComponents(const std::string& packedProduct, Removal& removal) {
    std::string componentsPath = std::string(kUserDataKey) + "Components";
    HKEY components = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, componentsPath.c_str(), 0, KEY_READ, &components) != ERROR_SUCCESS) return;
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
    for (const std::string& component : named) {
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
        DWORD values = 0;
        bool empty = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                      nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                     values == 0;
        RegCloseKey(key);
        if (empty) DeleteKeyTree(HKEY_LOCAL_MACHINE, path);
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
    DeleteKeyTree(HKEY_LOCAL_MACHINE, std::string(kUserDataKey) + "Products\\" + packed);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kProductsKey + packed);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey + Upper(*productCode));
    return removal.restartNeeded ? ERROR_SUCCESS_REBOOT_REQUIRED : ERROR_SUCCESS;
}

}  // namespace

// The Installer's exit codes need more than the eight bits a host process's status keeps.
int main(int argc, char** argv) {
    ExitProcess(static_cast<UINT>(Run(argc, argv)));
}
