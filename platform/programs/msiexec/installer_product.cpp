#include "installer_product.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "platform/machine/files/host_path.h"
#include "platform/machine/registry/registry_store.h"
#include "program_text.h"

namespace platform::programs {

namespace {

// A value or key name inside REGEDIT4 quotes.
std::string Escaped(std::string_view text) {
    std::string result;
    for (char character : text) {
        if (character == '\\' || character == '"') result += '\\';
        result += character;
    }
    return result;
}

void MakeFileIfMissing(Machine& machine, const std::string& windowsPath) {
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\");
    if (!path || path->components.empty()) throw std::runtime_error("not a file path: " + windowsPath);
    CreateMachineFolder(machine, path->Parent().ToString());
    std::optional<HostPath> host = ResolveHostPath(machine, *path);
    if (!host) throw std::runtime_error("the machine has no such drive: " + windowsPath);
    if (host->exists) return;
    std::ofstream stream(host->host, std::ios::binary);
    stream << "installed\r\n";
    if (!stream) throw std::runtime_error("cannot write " + windowsPath);
    stream.close();
    NoteFilesChanged(machine);
}

}  // namespace

void RegisterInstallerProduct(Machine& machine, std::string_view productCode, std::string_view name,
                              const std::vector<std::string>& files, const std::vector<std::string>& keys) {
    std::string packed = PackedInstallerCode(productCode);
    if (packed.empty()) throw std::runtime_error("not a product code: " + std::string(productCode));
    const std::string userData =
        "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\";
    std::string text = "[HKEY_LOCAL_MACHINE\\Software\\Classes\\Installer\\Products\\" + packed +
                       "]\n\"ProductName\"=\"" + Escaped(name) + "\"\n\n[" + userData + "Products\\" + packed +
                       "\\InstallProperties]\n\"DisplayName\"=\"" + Escaped(name) + "\"\n\n" +
                       "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                       std::string(productCode) + "]\n\"DisplayName\"=\"" + Escaped(name) +
                       "\"\n\"UninstallString\"=\"MsiExec.exe /X" + std::string(productCode) +
                       "\"\n\"WindowsInstaller\"=dword:00000001\n\n";
    // Component codes only have to differ: the product's own code with a running number in its last digits.
    // The product's one feature lists them all.
    int component = 0;
    std::string featureComponents;
    auto addComponent = [&](const std::string& target) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%04X", ++component);
        std::string packedComponent =
            PackedInstallerCode(std::string(productCode.substr(0, 33)) + suffix + "}");
        featureComponents += packedComponent;
        text += "[" + userData + "Components\\" + packedComponent + "]\n\"" + packed + "\"=\"" +
                Escaped(target) + "\"\n\n";
    };
    for (const std::string& file : files) {
        MakeFileIfMissing(machine, file);
        addComponent(file);
    }
    for (const std::string& key : keys) {
        text += "[HKEY_LOCAL_MACHINE\\" + key + "]\n\n";
        addComponent("02:\\" + key + "\\");
    }
    text += "[" + userData + "Products\\" + packed + "\\Features]\n\"Complete\"=\"" + featureComponents +
            "\"\n\n";
    ImportRegistryText(machine, text, RegistryTextHeader::Optional);
}

}  // namespace platform::programs
