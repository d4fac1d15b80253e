// devpurge /datfile /unattended on a large Windows XP machine: the old software of the demonstration
// machine (examples/old-software-xp) running beside other software's 150,000 registry keys, 20,000
// files, 30 printers with their drivers and 40 services. The machine is built once; every iteration runs
// in a fresh copy of it (the copy is not timed) and measures the wall time until devpurge and its copy in
// the temporary folder have ended.
//
// Beside it, the floor: the same registry walk (the areas devpurge enumerates, every key and value) and
// the same deletions (what a run of devpurge removed, found by comparing the machine before and after)
// done directly through the platform's calls in this process. devpurge should take under 5 seconds and
// less than twice the floor; the last line printed says whether it does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ntmsapi.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/text.h"
#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler_testing.h"
#include "windows.h"
#include "winspool.h"

namespace {

namespace fs = std::filesystem;
namespace text = platform::spooler_testing;

constexpr char kExample[] = WIN_SOURCE_DIR "/examples/old-software-xp";
constexpr char kProgramFolder[] = "C:\\Program Files\\Corvanta\\AiO\\Serie 500";
constexpr char kSharedFolder[] = "C:\\Program Files\\Corvanta\\AiO\\Shared";
constexpr char kCommandLine[] =
    "\"C:\\Program Files\\Corvanta\\AiO\\Serie 500\\devpurge.exe\" /datfile /unattended qnvuni07.dat";
constexpr char kControl[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control";
constexpr char kEnum[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum";
constexpr char kServices[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services";
constexpr char kMicrosoft[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft";
constexpr char kEnvironment[] = "Windows NT x86";

constexpr int kOtherKeys = 150000;
constexpr int kOtherFiles = 20000;
constexpr int kOtherPrinters = 30;
constexpr int kOtherServices = 40;
constexpr double kLimitSeconds = 5.0;
constexpr double kLimitRatio = 2.0;

// Other software's makers; none of their names holds what the old software's data file looks for.
const char* const kVendors[] = {
    "Acme",       "Borealis",  "Cobalt",    "Dunmore",     "Elbrook",    "Fenwick",   "Garnet",
    "Halvard",    "Ibex",      "Juniper",   "Kestrel",     "Larkspur",   "Meridian",  "Norwood",
    "Osprey",     "Pinecrest", "Redfern",   "Sablewood",   "Tamarack",   "Umber",     "Vantor",
    "Westmark",   "Xylo",      "Yarrow",    "Zephyr",      "Alder",      "Brightwater", "Coldspring",
    "Driftwood",  "Emberline", "Foxglove",  "Greystone",   "Hollis",     "Ironbark",  "Jasper",
    "Kingsley",   "Lindqvist", "Mistral",   "Northgate",   "Larchmont"};
constexpr int kVendorCount = static_cast<int>(sizeof kVendors / sizeof kVendors[0]);

std::string Vendor(int index) { return kVendors[index % kVendorCount]; }

std::string Format(const char* format, long long first, long long second = 0, long long third = 0) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, first, second, third);
    return buffer;
}

// A different, stable GUID for every number.
std::string Guid(std::uint64_t number) {
    std::uint64_t mixed = number * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    mixed ^= mixed >> 29;
    mixed *= 0xBF58476D1CE4E5B9ull;
    std::uint64_t second = mixed * 0x94D049BB133111EBull + number;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(mixed >> 32),
                  static_cast<unsigned>(mixed >> 16) & 0xFFFF, static_cast<unsigned>(mixed) & 0xFFFF,
                  static_cast<unsigned>(second >> 48),
                  static_cast<unsigned long long>(second & 0xFFFFFFFFFFFFull));
    return buffer;
}

// A packed GUID as Windows Installer names its keys: 32 hex digits.
std::string PackedGuid(std::uint64_t number) {
    std::string guid = Guid(number);
    std::string packed;
    for (char character : guid)
        if (std::isxdigit(static_cast<unsigned char>(character))) packed.push_back(character);
    return packed;
}

// REG_MULTI_SZ as regedit writes it.
std::string MultiStringText(const std::vector<std::string>& strings) {
    std::string hex = "hex(7):";
    auto add = [&hex](unsigned char byte) { hex += Format("%02llx,", byte); };
    for (const std::string& string : strings) {
        for (char character : string) add(static_cast<unsigned char>(character));
        add(0);
    }
    add(0);
    hex.pop_back();
    return hex;
}

// REGEDIT4 text of other software, counting its keys.
class RegistryText {
  public:
    using Values = std::vector<std::pair<std::string, std::string>>;  // name ("" default), text as written

    void Key(const std::string& path, const Values& values = {}) {
        text_ += "[" + path + "]\n";
        for (const auto& [name, value] : values)
            text_ += (name.empty() ? std::string("@") : text::Quoted(name)) + "=" + value + "\n";
        text_ += "\n";
        ++keys_;
    }
    // Text already written as REGEDIT4 (the spooler's records), with the number of keys it holds.
    void Append(const std::string& regText) {
        text_ += regText;
        for (std::size_t at = regText.find("\n["); at != std::string::npos; at = regText.find("\n[", at + 1))
            ++keys_;
        if (!regText.empty() && regText.front() == '[') ++keys_;
    }
    int keys() const { return keys_; }
    const std::string& str() const { return text_; }

  private:
    std::string text_;
    int keys_ = 0;
};

std::string S(const std::string& value) { return text::Quoted(value); }
std::string D(DWORD value) { return text::DwordText(value); }

// The 30 printers of other makers with their drivers, monitors and ports.
void AddPrinting(RegistryText& registry) {
    for (int monitor = 0; monitor < 5; ++monitor) {
        std::string name = Vendor(monitor) + " Port Monitor";
        registry.Append(text::MonitorText(name, Vendor(monitor) + "mon.dll"));
        for (int port = 0; port < 4; ++port)
            registry.Append(text::PortText(name, Vendor(monitor) + Format("_%lld", port), name, true));
    }
    for (int printer = 0; printer < kOtherPrinters; ++printer) {
        std::string vendor = Vendor(printer);
        std::string driver = vendor + Format(" Printer %lld", 100 + printer);
        registry.Append(text::DriverText({driver, vendor + Format("%lld.dll", printer), "", 3}, true));
        std::string port = printer < 20 ? Vendor(printer % 5) + Format("_%lld", printer / 5)
                                        : (printer % 2 ? "LPT1:" : "FILE:");
        registry.Append(text::PrinterText({vendor + Format(" Office %lld", printer), port, driver}, true));
        registry.Key(std::string(text::kPrintKey) + "\\Printers\\" + vendor + Format(" Office %lld", printer) +
                         "\\PrinterDriverData",
                     {{"Resolution", D(600)}, {"Duplex", D(printer % 2)}});
    }
}

// The registry of the other software, kOtherKeys keys in all.
std::string OtherSoftwareRegistry() {
    RegistryText registry;
    AddPrinting(registry);

    // COM classes and their program ids.
    for (int index = 0; index < 10000; ++index) {
        std::string vendor = Vendor(index);
        std::string clsid = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\" + Guid(index);
        std::string progId = vendor + Format(".Component%lld.1", index);
        registry.Key(clsid, {{"", S(vendor + Format(" Component %lld", index))}});
        registry.Key(clsid + "\\InprocServer32",
                     {{"", S("C:\\Program Files\\" + vendor + "\\Common\\" + vendor + Format("%lld.dll", index % 300))},
                      {"ThreadingModel", S("Apartment")}});
        registry.Key(clsid + "\\ProgID", {{"", S(progId)}});
        if (index < 3000) {
            registry.Key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\" + progId,
                         {{"", S(vendor + Format(" Component %lld", index))}});
            registry.Key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\" + progId + "\\CLSID", {{"", S(Guid(index))}});
        }
    }

    // Windows' own keys and the installed programs.
    std::string current = std::string(kMicrosoft) + "\\Windows\\CurrentVersion";
    for (int index = 0; index < 800; ++index) {
        std::string vendor = Vendor(index);
        std::string name = index % 2 ? Guid(100000 + index) : vendor + Format(" Tool %lld", index);
        registry.Key(current + "\\Uninstall\\" + name,
                     {{"DisplayName", S(vendor + Format(" Tool %lld", index))},
                      {"DisplayVersion", S(Format("%lld.%lld", index % 9 + 1, index % 13))},
                      {"Publisher", S(vendor)},
                      {"InstallLocation", S("C:\\Program Files\\" + vendor + Format("\\Tool %lld\\", index))},
                      {"UninstallString", S("C:\\Program Files\\" + vendor + Format("\\Tool %lld\\remove.exe", index))}});
        std::string product = current + "\\Installer\\UserData\\S-1-5-18\\Products\\" + PackedGuid(100000 + index);
        registry.Key(product);
        registry.Key(product + "\\InstallProperties",
                     {{"DisplayName", S(vendor + Format(" Tool %lld", index))}, {"Publisher", S(vendor)}});
        registry.Key(product + "\\Features", {{"Main", S("")}});
        registry.Key(product + "\\Patches");
    }
    for (int index = 0; index < 20000; ++index) {
        registry.Key(current + "\\Installer\\UserData\\S-1-5-18\\Components\\" + PackedGuid(200000 + index),
                     {{PackedGuid(100000 + index % 800),
                       S("C:\\Program Files\\" + Vendor(index) + Format("\\Tool %lld\\file%lld.dll", index % 800, index))}});
    }
    for (int index = 0; index < 600; ++index) {
        registry.Key(current + "\\App Paths\\" + Vendor(index) + Format("%lld.exe", index),
                     {{"", S("C:\\Program Files\\" + Vendor(index) + Format("\\Tool %lld\\run.exe", index))}});
    }
    RegistryText::Values shared;
    for (int index = 0; index < 4000; ++index)
        shared.push_back({"C:\\WINDOWS\\system32\\" + Vendor(index) + Format("%lld.dll", index), D(1 + index % 3)});
    registry.Key(current + "\\SharedDLLs", shared);
    for (int index = 0; index < 300; ++index) {
        registry.Key(std::string(kMicrosoft) + "\\Active Setup\\Installed Components\\" + Guid(300000 + index),
                     {{"", S(Vendor(index) + " Setup")}, {"IsInstalled", D(1)}});
    }
    for (int component = 0; component < 30; ++component) {
        std::string base = std::string(kMicrosoft) + Format("\\Windows Component %lld", component);
        registry.Key(base, {{"Version", S("5.1")}});
        for (int index = 0; index < 300; ++index) {
            registry.Key(base + Format("\\Settings\\Group %lld\\Entry %lld", index / 20, index),
                         {{"Enabled", D(index % 2)}, {"Name", S(Format("Entry %lld", index))}});
        }
    }

    // Device setup classes with their driver instances, and the 30 printers' drivers in the printer class.
    constexpr int kClasses = 60;
    constexpr int kClassInstances = 30;
    for (int device = 0; device < kClasses; ++device) {
        std::string key = std::string(kControl) + "\\Class\\" + Guid(400000 + device);
        registry.Key(key, {{"Class", S(Format("DeviceClass%lld", device))}, {"", S(Format("Device class %lld", device))}});
        for (int instance = 0; instance < kClassInstances; ++instance) {
            std::string instanceKey = key + Format("\\%04lld", instance);
            registry.Key(instanceKey, {{"DriverDesc", S(Vendor(instance) + Format(" Device %lld", device * 100 + instance))},
                                       {"InfPath", S(Format("oem%lld.inf", (device * kClassInstances + instance) % 400))},
                                       {"ProviderName", S(Vendor(instance))},
                                       {"DriverVersion", S("1.0.0.0")}});
            registry.Key(instanceKey + "\\Settings", {{"Mode", D(instance % 4)}});
        }
    }
    for (int printer = 0; printer < kOtherPrinters; ++printer) {
        registry.Key(std::string(kControl) + "\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}" +
                         Format("\\%04lld", 2 + printer),
                     {{"DriverDesc", S(Vendor(printer) + Format(" Printer %lld", 100 + printer))},
                      {"InfPath", S(Format("oem%lld.inf", printer))},
                      {"ProviderName", S(Vendor(printer))}});
    }

    // Plug and Play devices, their interfaces and the critical device database.
    const char* const buses[] = {"PCI", "USB", "HID", "ACPI", "STORAGE", "SCSI"};
    constexpr int kDevices = 2500;
    for (int device = 0; device < kDevices; ++device) {
        const char* bus = buses[device % 6];
        std::string id = Format("VEN_%04llX&DEV_%04llX", 0x1000 + device % 97, device);
        std::string deviceKey = std::string(kEnum) + "\\" + bus + "\\" + id;
        registry.Key(deviceKey);
        for (int instance = 0; instance < 2; ++instance) {
            std::string name = Format("%lld&%08llX&0", instance + 3, device * 7919);
            std::string instanceKey = deviceKey + "\\" + name;
            RegistryText::Values values = {
                {"DeviceDesc", S(Vendor(device) + Format(" Device %lld", device))},
                {"Mfg", S(Vendor(device))},
                {"HardwareID", MultiStringText({std::string(bus) + "\\" + id})},
                {"ClassGUID", S(Guid(400000 + device % kClasses))}};
            int driverIndex = device * 2 + instance;
            if (driverIndex < kClasses * kClassInstances) {
                values.push_back({"Driver", S(Guid(400000 + driverIndex / kClassInstances) +
                                              Format("\\%04lld", driverIndex % kClassInstances))});
            }
            registry.Key(instanceKey, values);
            registry.Key(instanceKey + "\\Device Parameters", {{"Flags", D(device % 8)}});
            registry.Key(instanceKey + "\\Control");
        }
    }
    for (int printer = 0; printer < kOtherPrinters; ++printer) {
        std::string id = Vendor(printer) + Format("PRINTER_%lld", 100 + printer);
        std::string instance = std::string(kEnum) + "\\USBPRINT\\" + id + Format("\\7&%lld&0&USB%03lld", printer, printer);
        registry.Key(instance, {{"Class", S("Printer")},
                                {"ClassGUID", S("{4D36E979-E325-11CE-BFC1-08002BE10318}")},
                                {"DeviceDesc", S(Vendor(printer) + Format(" Printer %lld", 100 + printer))},
                                {"Mfg", S(Vendor(printer))},
                                {"Driver", S(Format("{4D36E979-E325-11CE-BFC1-08002BE10318}\\%04lld", 2 + printer))},
                                {"HardwareID", MultiStringText({"USBPRINT\\" + id})}});
        registry.Key(instance + "\\Control");
    }
    for (int klass = 0; klass < 20; ++klass) {
        std::string classKey = std::string(kControl) + "\\DeviceClasses\\" + Guid(500000 + klass);
        registry.Key(classKey);
        for (int index = 0; index < 300; ++index) {
            int device = (klass * 300 + index) % kDevices;
            std::string instance = std::string(buses[device % 6]) + "#" +
                                   Format("VEN_%04llX&DEV_%04llX", 0x1000 + device % 97, device) + "#" +
                                   Format("3&%08llX&0", device * 7919);
            std::string key = classKey + "\\##?#" + instance + "#" + Guid(500000 + klass);
            registry.Key(key, {{"DeviceInstance", S(instance)}});
            registry.Key(key + "\\#", {{"SymbolicLink", S("\\\\?\\" + instance)}});
            registry.Key(key + "\\#\\Device Parameters", {{"Port", D(index)}});
        }
    }
    for (int index = 0; index < 2000; ++index) {
        registry.Key(std::string(kControl) + "\\CriticalDeviceDatabase\\" +
                         Format("pci#ven_%04llx&dev_%04llx", 0x1000 + index % 97, index),
                     {{"Service", S(Format("drv%lld", index % 40))}, {"ClassGUID", S(Guid(400000 + index % kClasses))}});
    }

    // The services of other software.
    for (int service = 0; service < kOtherServices; ++service) {
        std::string vendor = Vendor(service);
        std::string key = std::string(kServices) + "\\" + vendor + "Svc";
        bool driver = service % 4 == 0;
        registry.Key(key, {{"Type", D(driver ? 1 : 0x10)},
                           {"Start", D(service % 3 + 2)},
                           {"ErrorControl", D(1)},
                           {"ImagePath", S(driver ? "system32\\DRIVERS\\" + vendor + ".sys"
                                                  : "\"C:\\Program Files\\" + vendor + "\\Service\\" + vendor + "svc.exe\"")},
                           {"DisplayName", S(vendor + " Service")},
                           {"ObjectName", S("LocalSystem")}});
        registry.Key(key + "\\Security", {{"Security", "hex:01,00,14,80"}});
        registry.Key(key + "\\Enum", {{"Count", D(0)}});
        registry.Key(key + "\\Parameters", {{"LogLevel", D(service % 5)}});
        for (int index = 0; index < 20; ++index)
            registry.Key(key + Format("\\Parameters\\Channel %lld", index), {{"Enabled", D(1)}});
    }

    // The user's settings of the other software.
    for (int index = 0; index < 8000; ++index) {
        registry.Key("HKEY_CURRENT_USER\\Software\\" + Vendor(index) + Format("\\Tool %lld\\Recent %lld", index % 200, index),
                     {{"File", S(Format("C:\\Documents and Settings\\Utente\\Documenti\\file%lld.txt", index))}});
    }

    // What is left goes to the makers' own keys under SOFTWARE.
    int remaining = kOtherKeys - registry.keys();
    for (int index = 0; index < remaining; ++index) {
        int vendor = index % kVendorCount;
        registry.Key("HKEY_LOCAL_MACHINE\\SOFTWARE\\" + Vendor(vendor) +
                         Format("\\Product %lld\\Components\\C%06lld", index / kVendorCount % 5, index),
                     {{"Path", S("C:\\Program Files\\" + Vendor(vendor) + Format("\\file%lld.dll", index))},
                      {"Version", S("2.0")}});
    }
    return registry.str();
}

// Where the other software's files go: Windows' folders, the program folders, the user's profile.
std::vector<std::pair<std::string, std::string>> OtherSoftwareFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    auto add = [&files](std::string path, std::string contents) {
        files.emplace_back(std::move(path), std::move(contents));
    };
    for (int index = 0; index < 400; ++index) {
        add(Format("C:\\WINDOWS\\inf\\oem%lld.inf", index),
            "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=" + Format("DeviceClass%lld", index % 60) +
                "\r\nProvider=%V%\r\n[Strings]\r\nV=\"" + Vendor(index) + "\"\r\n");
        add(Format("C:\\WINDOWS\\inf\\oem%lld.PNF", index), "precompiled");
    }
    for (int index = 0; index < 300; ++index) add(Format("C:\\WINDOWS\\inf\\machine%lld.inf", index), "[Version]\r\n");
    for (int index = 0; index < 3000; ++index)
        add("C:\\WINDOWS\\system32\\" + Vendor(index) + Format("%lld.dll", index), "library");
    for (int index = 0; index < 400; ++index)
        add("C:\\WINDOWS\\system32\\drivers\\" + Vendor(index) + Format("%lld.sys", index), "driver");
    for (int printer = 0; printer < kOtherPrinters; ++printer) {
        for (const char* suffix : {".dll", "ui.dll", ".gpd", ".ini", "res.dll", ".hlp", ".ntf", ".cab"})
            add("C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\" + Vendor(printer) + Format("%lld", printer) + suffix,
                "driver file");
    }
    for (const char* name : {"data.ini", "config.dll", "help.hlp"})
        add(std::string("C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\") + name, "shared driver file");
    for (int index = 0; index < 300; ++index) add(Format("C:\\WINDOWS\\setup%lld.log", index), "log");
    for (int index = 0; index < 400; ++index) add(Format("C:\\WINDOWS\\Fonts\\font%lld.ttf", index), "font");
    for (int index = 0; index < 500; ++index)
        add(Format("C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\~tmp%lld.tmp", index), "temporary");
    for (int index = 0; index < 2000; ++index)
        add(Format("C:\\Documents and Settings\\Utente\\Documenti\\Cartella %lld\\file%lld.txt", index / 100, index),
            "document");
    for (int index = 0; index < 200; ++index) {
        add("C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\" + Vendor(index) + Format("\\Tool %lld.lnk", index),
            "shortcut");
    }
    for (int index = 0; index < 1000; ++index) {
        add("C:\\Documents and Settings\\Utente\\Application Data\\" + Vendor(index) + Format("\\settings%lld.dat", index),
            "settings");
    }
    int remaining = kOtherFiles - static_cast<int>(files.size());
    for (int index = 0; index < remaining; ++index) {
        int vendor = index % kVendorCount;
        add("C:\\Program Files\\" + Vendor(vendor) + Format("\\Product %lld\\bin\\file%lld.dll", index / kVendorCount % 5, index),
            "program file");
    }
    return files;
}

std::string ReadHostFile(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream contents;
    contents << stream.rdbuf();
    return contents.str();
}

// The machine's registry: every key (by its upper-case path) with the names of its values.
struct RegistryKeyEntry {
    std::string path;
    std::map<std::string, std::string> values;  // upper-case name: name as spelt
};
using RegistrySnapshot = std::map<std::string, RegistryKeyEntry>;

RegistrySnapshot SnapshotRegistry(platform::Machine& machine) {
    std::string exported = platform::ExportRegistryText(machine, "");
    RegistrySnapshot snapshot;
    RegistryKeyEntry* current = nullptr;
    std::istringstream lines(exported);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            std::string path = line.substr(1, line.size() - 2);
            current = &snapshot[platform::UpperCopy(path)];
            current->path = path;
            continue;
        }
        if (!current || line.empty()) continue;
        std::string name;
        if (line.rfind("@=", 0) == 0) {
            name = "";
        } else if (line.front() == '"') {
            std::size_t at = 1;
            for (; at < line.size() && line[at] != '"'; ++at) {
                if (line[at] == '\\' && at + 1 < line.size()) ++at;
                name.push_back(line[at]);
            }
            if (at + 1 >= line.size() || line[at + 1] != '=') continue;
        } else {
            continue;  // a value's continued data
        }
        current->values[platform::UpperCopy(name)] = name;
    }
    return snapshot;
}

// Every file and folder below the machine's drives, as Windows paths; folders end with a backslash.
std::set<std::string> SnapshotFiles(platform::Machine& machine) {
    std::set<std::string> entries;
    fs::path drives = machine.folder() / "drives";
    for (const fs::directory_entry& letter : fs::directory_iterator(drives)) {
        std::string root = letter.path().filename().string();
        if (root.size() != 1) continue;
        root = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])))) + ":";
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(letter.path())) {
            std::string relative = fs::relative(entry.path(), letter.path()).string();
            std::replace(relative.begin(), relative.end(), '/', '\\');
            entries.insert(root + "\\" + relative + (entry.is_directory() ? "\\" : ""));
        }
    }
    return entries;
}

std::string Parent(const std::string& path) {
    std::size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string Leaf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && platform::EqualsNoCase(std::string_view(text).substr(0, prefix.size()), prefix);
}

// What a run of devpurge removed from the machine, sorted into what the platform's calls delete.
struct Deletions {
    std::vector<std::string> printers, drivers, monitors, services;
    std::vector<std::pair<std::string, std::string>> ports;  // monitor, port
    std::vector<std::string> keys;                           // the topmost keys removed
    std::vector<std::pair<std::string, std::string>> values;  // key, value name
    std::vector<std::string> files, folders;                  // folders deepest first
};

Deletions Compare(const RegistrySnapshot& before, const RegistrySnapshot& after, const std::set<std::string>& filesBefore,
                  const std::set<std::string>& filesAfter) {
    Deletions deletions;
    const std::string print = std::string(text::kPrintKey);
    const std::string printers = print + "\\Printers\\";
    const std::string drivers = print + "\\Environments\\" + kEnvironment + "\\Drivers\\Version-3\\";
    const std::string monitors = print + "\\Monitors\\";
    const std::string services = std::string(kServices) + "\\";
    for (const auto& [upper, entry] : before) {
        auto kept = after.find(upper);
        if (kept != after.end()) {
            for (const auto& [upperName, name] : entry.values)
                if (!kept->second.values.count(upperName)) deletions.values.emplace_back(entry.path, name);
            continue;
        }
        // Only the topmost key of a removed tree.
        if (!after.count(platform::UpperCopy(Parent(entry.path)))) continue;
        const std::string& path = entry.path;
        std::string parent = Parent(path);
        if (platform::EqualsNoCase(parent + "\\", printers)) {
            deletions.printers.push_back(Leaf(path));
        } else if (platform::EqualsNoCase(parent + "\\", drivers)) {
            deletions.drivers.push_back(Leaf(path));
        } else if (platform::EqualsNoCase(parent + "\\", monitors)) {
            deletions.monitors.push_back(Leaf(path));
        } else if (StartsWithNoCase(path, monitors) && platform::EqualsNoCase(Leaf(parent), "Ports")) {
            deletions.ports.emplace_back(Leaf(Parent(parent)), Leaf(path));
        } else if (platform::EqualsNoCase(parent + "\\", services)) {
            deletions.services.push_back(Leaf(path));
        } else {
            deletions.keys.push_back(path);
        }
    }
    for (const std::string& entry : filesBefore) {
        if (filesAfter.count(entry)) continue;
        if (entry.back() == '\\')
            deletions.folders.push_back(entry.substr(0, entry.size() - 1));
        else
            deletions.files.push_back(entry);
    }
    std::sort(deletions.folders.begin(), deletions.folders.end(),
              [](const std::string& left, const std::string& right) { return left.size() > right.size(); });
    return deletions;
}

// What the floor left of what devpurge removed: the keys, values, files and folders of the floor's machine
// that devpurge's machine no longer has (what devpurge added, its copy and logs, does not count).
std::size_t LeftBehind(const RegistrySnapshot& floor, const RegistrySnapshot& devpurge,
                       const std::set<std::string>& floorFiles, const std::set<std::string>& devpurgeFiles) {
    std::size_t count = 0;
    for (const auto& [upper, entry] : floor) {
        auto other = devpurge.find(upper);
        if (other == devpurge.end()) {
            ++count;
            continue;
        }
        for (const auto& value : entry.values) count += other->second.values.count(value.first) ? 0 : 1;
    }
    for (const std::string& file : floorFiles) count += devpurgeFiles.count(file) ? 0 : 1;
    return count;
}

// The large machine, built once, and what devpurge removes from it.
class LargeMachine {
  public:
    LargeMachine() {
        auto start = std::chrono::steady_clock::now();
        {
            platform::TestMachine machine(platform::OsKind::WindowsXP);
            Build(machine);
            platform::RegistryStore::For(machine.machine()).ReleaseSnapshot();
            template_ = fs::temp_directory_path() / ("devpurge-bench-" + std::to_string(::getpid()));
            fs::remove_all(template_);
            fs::copy(machine.folder(), template_, fs::copy_options::recursive);
        }
        std::fprintf(stderr, "built the large machine in %.1f s\n", Seconds(start));

        // One run outside the timing shows what devpurge removes.
        start = std::chrono::steady_clock::now();
        platform::Machine& machine = Attach();
        RegistrySnapshot registryBefore = SnapshotRegistry(machine);
        std::set<std::string> filesBefore = SnapshotFiles(machine);
        keyCount_ = registryBefore.size();
        fileCount_ = std::count_if(filesBefore.begin(), filesBefore.end(),
                                   [](const std::string& entry) { return entry.back() != '\\'; });
        platform::ProgramRun run = RunDevpurge();
        registryAfter_ = SnapshotRegistry(machine);
        filesAfter_ = SnapshotFiles(machine);
        deletions_ = Compare(registryBefore, registryAfter_, filesBefore, filesAfter_);
        Release();
        std::fprintf(stderr,
                     "devpurge's first run (%.1f s, exit code %u) removed %zu printers, %zu drivers, %zu monitors, "
                     "%zu ports, %zu services, %zu key trees, %zu values, %zu files and %zu folders\n",
                     Seconds(start), static_cast<unsigned>(run.exitCode), deletions_.printers.size(),
                     deletions_.drivers.size(), deletions_.monitors.size(), deletions_.ports.size(),
                     deletions_.services.size(), deletions_.keys.size(), deletions_.values.size(),
                     deletions_.files.size(), deletions_.folders.size());
    }
    ~LargeMachine() {
        Release();
        std::error_code error;
        fs::remove_all(template_, error);
    }
    LargeMachine(const LargeMachine&) = delete;
    LargeMachine& operator=(const LargeMachine&) = delete;

    // A fresh copy of the machine, attached to this process. Each copy has a folder of its own: what the
    // process keeps open of a machine (its registry connection) goes by the machine's folder.
    platform::Machine& Attach() {
        Release();
        copy_ = template_.string() + "-run" + std::to_string(++copies_);
        fs::copy(template_, copy_, fs::copy_options::recursive);
        return platform::Machine::Attach(copy_);
    }
    void Release() {
        if (copy_.empty()) return;
        platform::Machine::Detach();
        std::error_code error;
        fs::remove_all(copy_, error);
        copy_.clear();
    }

    static platform::ProgramRun RunDevpurge() {
        platform::ProgramRun run = platform::RunProgram(kCommandLine, nullptr, 300);
        if (!run.started) throw std::runtime_error("devpurge did not start: error " + std::to_string(run.error));
        if (run.timedOut) throw std::runtime_error("devpurge still ran after 300 s");
        return run;
    }

    const Deletions& deletions() const { return deletions_; }
    const RegistrySnapshot& registryAfter() const { return registryAfter_; }
    const std::set<std::string>& filesAfter() const { return filesAfter_; }
    std::size_t keyCount() const { return keyCount_; }
    std::size_t fileCount() const { return fileCount_; }

  private:
    static double Seconds(std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }

    // The demonstration machine's old software, then the other software beside it.
    static void Build(platform::TestMachine& machine) {
        machine.Registry(ReadHostFile(fs::path(kExample) / "registry.reg"));
        fs::path files = fs::path(kExample) / "files";
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(files)) {
            if (!entry.is_regular_file()) continue;
            std::string relative = fs::relative(entry.path(), files).string();
            std::replace(relative.begin(), relative.end(), '/', '\\');
            machine.File(relative.substr(0, 1) + ":" + relative.substr(1), ReadHostFile(entry.path()));
        }
        std::string folder = kProgramFolder;
        machine.Program(folder + "\\devpurge.exe", "devpurge",
                        {{"FileVersion", "3.0.0.8"}, {"CompanyName", "Corvanta"}, {"InternalName", "devpurge"},
                         {"OriginalFilename", "devpurge.exe"}});
        machine.File(folder + "\\qnvuni07.dat", ReadHostFile(fs::path(kExample) / "qnvuni07.dat"));
        AddRunningSoftware(machine);
        machine.RemovableStorageDrive(Guid(900000), "Corvanta Card Reader 05", NTMS_NOT_PRESENT);
        machine.RemovableStorageDrive(Guid(900001), "Acme ZIP 100", NTMS_READY);

        machine.Registry(OtherSoftwareRegistry());
        for (const auto& [path, contents] : OtherSoftwareFiles()) machine.File(path, contents);
    }

    // As on the demonstration machine: the old software's programs that devpurge starts, its Windows
    // Installer product, and its programs running with their windows beside another maker's monitor.
    static void AddRunningSoftware(platform::TestMachine& machine) {
        const std::string folder = kProgramFolder;
        const std::string shared = kSharedFolder;
        const std::string programs = "C:\\Documents and Settings\\All Users\\Start Menu\\Programs";
        machine.Program(shared + "\\QNVuns07.exe", "removal_program",
                        {{"FileVersion", "7.0.215.0"}, {"CompanyName", "Corvanta"},
                         {"FileDescription", "Corvanta scanning utility removal"}});
        machine.Program(shared + "\\QNVpms07.exe", "removal_program",
                        {{"FileVersion", "7.0.215.0"}, {"CompanyName", "Corvanta"},
                         {"FileDescription", "Corvanta device status service"}});
        machine.InstallerProduct("{7C1A5E20-3B4D-4F60-8A71-92B3C4D5E607}", "Corvanta Serie 500",
                                 {folder + "\\QNVhub07.hlp", folder + "\\qnv500.ini",
                                  programs + "\\Corvanta\\Serie 500\\Casella strumenti.lnk",
                                  programs + "\\Corvanta\\Serie 500\\Centro soluzioni Corvanta.lnk",
                                  "C:\\Documents and Settings\\All Users\\Desktop\\Corvanta Serie 500.lnk"},
                                 {"SOFTWARE\\Corvanta\\Serie 500\\Install"});

        using platform::DeclaredWindow;
        platform::DeclaredProcess hub;
        hub.path = folder + "\\QNVhub07.exe";
        hub.commandLine = hub.path + " -tray";
        hub.modules = {shared + "\\QNVscn07.dll"};
        hub.windows = {DeclaredWindow{"Corvanta Serie 500", "QNVhub07TrayWnd", "", {}},
                       DeclaredWindow{"Centro soluzioni Corvanta", "QNVhub07MainWnd", "",
                                      {DeclaredWindow{"Scansione", "Button", "", {}},
                                       DeclaredWindow{"Copia", "Button", "", {}},
                                       DeclaredWindow{"Casella strumenti", "Button", "", {}}}}};
        hub.onClose = platform::ProcessReaction::After(300);
        machine.DeclareProcess(hub);

        platform::DeclaredProcess toolbox;
        toolbox.path = folder + "\\QNVtbx07.exe";
        toolbox.commandLine = "\"" + toolbox.path + "\"";
        toolbox.modules = {shared + "\\QNVscn07.dll", shared + "\\QNVtwn07.dll"};
        toolbox.windows = {DeclaredWindow{"Casella strumenti - Corvanta Serie 500", "QNVtbx07Frame", "",
                                          {DeclaredWindow{"Livelli d'inchiostro", "Static", "", {}},
                                           DeclaredWindow{"Pulizia testine", "Button", "", {}},
                                           DeclaredWindow{"Allineamento testine", "Button", "", {}}}}};
        toolbox.onClose = platform::ProcessReaction::After(1000);
        machine.DeclareProcess(toolbox);

        platform::DeclaredProcess status;
        status.path = shared + "\\QNVpms07.exe";
        status.commandLine = "\"" + status.path + "\"";
        machine.DeclareProcess(status);

        platform::DeclaredProcess monitor;
        monitor.path = "C:\\Program Files\\Acme\\ZIP Tools\\zipmon.exe";
        monitor.windows = {DeclaredWindow{"Acme ZIP Monitor", "AcmeZipMonitor", "", {}}};
        machine.DeclareProcess(monitor);
    }

    fs::path template_;
    std::string copy_;
    int copies_ = 0;
    Deletions deletions_;
    RegistrySnapshot registryAfter_;
    std::set<std::string> filesAfter_;
    std::size_t keyCount_ = 0;
    std::size_t fileCount_ = 0;
};

LargeMachine& Large() {
    static LargeMachine machine;
    return machine;
}

// The registry calls take a root and a path below it.
std::pair<HKEY, std::string> SplitRoot(const std::string& path) {
    std::size_t slash = path.find('\\');
    std::string root = path.substr(0, slash);
    std::string rest = slash == std::string::npos ? std::string() : path.substr(slash + 1);
    if (root == "HKEY_LOCAL_MACHINE") return {HKEY_LOCAL_MACHINE, rest};
    if (root == "HKEY_USERS") return {HKEY_USERS, rest};
    throw std::runtime_error("no root for " + path);
}

// Every key and value below the key, as a walk through the registry lists them.
std::size_t WalkKey(HKEY key) {
    std::size_t visited = 1;
    char name[MAX_PATH];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY subkey = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &subkey) != ERROR_SUCCESS) continue;
        visited += WalkKey(subkey);
        RegCloseKey(subkey);
    }
    char valueName[MAX_PATH];
    BYTE data[1024];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = sizeof valueName;
        DWORD dataLength = sizeof data;
        DWORD type = 0;
        LONG result = RegEnumValueA(key, index, valueName, &nameLength, nullptr, &type, data, &dataLength);
        if (result != ERROR_SUCCESS && result != ERROR_MORE_DATA) break;
    }
    return visited;
}

std::size_t WalkArea(const std::string& path) {
    auto [root, rest] = SplitRoot(path);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    std::size_t visited = WalkKey(key);
    RegCloseKey(key);
    return visited;
}

// Deletes the key and all below it, deepest first.
bool DeleteTree(HKEY parent, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    char child[MAX_PATH];
    bool deleted = true;
    while (deleted && RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS) deleted = DeleteTree(key, child);
    RegCloseKey(key);
    return deleted && RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

bool DeleteKeyPath(const std::string& path) {
    auto [root, rest] = SplitRoot(path);
    std::string parentPath = Parent(rest);
    HKEY parent = nullptr;
    if (RegOpenKeyExA(root, parentPath.c_str(), 0, KEY_ALL_ACCESS, &parent) != ERROR_SUCCESS) return false;
    bool deleted = DeleteTree(parent, Leaf(rest));
    RegCloseKey(parent);
    return deleted;
}

bool KeyExists(const std::string& path) {
    auto [root, rest] = SplitRoot(path);
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, rest.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// The folders devpurge's file searches look into, each listed once.
std::size_t ListFolders() {
    const char* const folders[] = {
        "C:\\WINDOWS", "C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32\\drivers", "C:\\WINDOWS\\inf",
        "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86", "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3",
        "C:\\Program Files", "C:\\Program Files\\Corvanta", "C:\\Documents and Settings\\Utente\\Local Settings\\Temp",
        "C:\\Documents and Settings\\All Users\\Start Menu\\Programs",
        "C:\\Documents and Settings\\All Users\\Start Menu\\Programs\\Startup",
        "C:\\Documents and Settings\\All Users\\Desktop"};
    std::size_t entries = 0;
    for (const char* folder : folders) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((std::string(folder) + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            ++entries;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return entries;
}

// The floor: the registry walk and the deletions through the platform's calls; the calls that failed.
int Floor(const Deletions& deletions) {
    int failures = 0;
    auto check = [&failures](bool done, const std::string& what) {
        if (done) return;
        ++failures;
        std::fprintf(stderr, "floor: %s failed with error %u\n", what.c_str(), static_cast<unsigned>(GetLastError()));
    };

    std::size_t visited = 0;
    for (const std::string& area :
         {std::string("HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta"), std::string(kMicrosoft),
          std::string(kControl) + "\\Class", std::string(kControl) + "\\CriticalDeviceDatabase",
          std::string(kControl) + "\\DeviceClasses", std::string(kControl) + "\\Print", std::string(kEnum)})
        visited += WalkArea(area);
    benchmark::DoNotOptimize(visited);
    {
        char user[MAX_PATH];
        for (DWORD index = 0; RegEnumKeyA(HKEY_USERS, index, user, sizeof user) == ERROR_SUCCESS; ++index) {
        }
    }
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    check(manager != nullptr, "OpenSCManagerA");
    benchmark::DoNotOptimize(ListFolders());

    for (const std::string& name : deletions.printers) {
        HANDLE printer = nullptr;
        PRINTER_DEFAULTSA defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        std::string printerName = name;
        bool opened = OpenPrinterA(printerName.data(), &printer, &defaults) != FALSE;
        check(opened && DeletePrinter(printer) != FALSE, "DeletePrinter " + name);
        if (opened) ClosePrinter(printer);
    }
    std::string environment = kEnvironment;
    for (const std::string& name : deletions.drivers) {
        std::string driver = name;
        check(DeletePrinterDriverA(nullptr, environment.data(), driver.data()) != FALSE, "DeletePrinterDriverA " + name);
    }
    for (const auto& [monitor, port] : deletions.ports) {
        std::string portName = port;
        check(DeletePortA(nullptr, nullptr, portName.data()) != FALSE, "DeletePortA " + port);
    }
    for (const std::string& name : deletions.monitors) {
        std::string monitor = name;
        check(DeleteMonitorA(nullptr, environment.data(), monitor.data()) != FALSE, "DeleteMonitorA " + name);
    }
    for (const std::string& name : deletions.services) {
        SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
        check(service != nullptr, "OpenServiceA " + name);
        if (!service) continue;
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        check(DeleteService(service) != FALSE, "DeleteService " + name);
        CloseServiceHandle(service);
    }
    if (manager) CloseServiceHandle(manager);
    // A service deleted while it ran keeps its key until it is gone; the devices' keys go as keys.
    for (const std::string& name : deletions.services) {
        std::string path = std::string(kServices) + "\\" + name;
        if (KeyExists(path)) check(DeleteKeyPath(path), "deleting " + path);
    }
    for (const std::string& path : deletions.keys)
        if (KeyExists(path)) check(DeleteKeyPath(path), "deleting " + path);
    for (const auto& [path, name] : deletions.values) {
        auto [root, rest] = SplitRoot(path);
        HKEY key = nullptr;
        check(RegOpenKeyExA(root, rest.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS &&
                  RegDeleteValueA(key, name.c_str()) == ERROR_SUCCESS,
              "RegDeleteValueA " + path + "," + name);
        if (key) RegCloseKey(key);
    }
    for (const std::string& file : deletions.files) {
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) continue;  // went with its printer
        check(DeleteFileA(file.c_str()) != FALSE, "DeleteFileA " + file);
    }
    for (const std::string& folder : deletions.folders) check(RemoveDirectoryA(folder.c_str()) != FALSE, "RemoveDirectoryA " + folder);
    return failures;
}

std::vector<double> gDevpurgeSeconds;
std::vector<double> gFloorSeconds;

void DevpurgeOnLargeMachine(benchmark::State& state) {
    LargeMachine& large = Large();
    for (auto _ : state) {
        large.Attach();
        auto start = std::chrono::steady_clock::now();
        platform::ProgramRun run = LargeMachine::RunDevpurge();
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        gDevpurgeSeconds.push_back(seconds);
        benchmark::DoNotOptimize(run.exitCode);
        large.Release();
    }
    state.counters["keys"] = static_cast<double>(large.keyCount());
    state.counters["files"] = static_cast<double>(large.fileCount());
}

void FloorOnLargeMachine(benchmark::State& state) {
    LargeMachine& large = Large();
    int failures = 0;
    std::size_t leftBehind = 0;
    bool first = true;
    for (auto _ : state) {
        platform::Machine& machine = large.Attach();
        auto start = std::chrono::steady_clock::now();
        failures += Floor(large.deletions());
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        gFloorSeconds.push_back(seconds);
        if (first) {
            // The floor leaves the machine as devpurge does (apart from devpurge's copy and logs).
            state.PauseTiming();
            leftBehind = LeftBehind(SnapshotRegistry(machine), large.registryAfter(), SnapshotFiles(machine),
                                      large.filesAfter());
            state.ResumeTiming();
            first = false;
        }
        large.Release();
    }
    state.counters["failed_calls"] = failures;
    state.counters["left_behind"] = static_cast<double>(leftBehind);
}

BENCHMARK(DevpurgeOnLargeMachine)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(FloorOnLargeMachine)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gDevpurgeSeconds.empty() || gFloorSeconds.empty()) return 0;
    double devpurge = Median(gDevpurgeSeconds);
    double floor = Median(gFloorSeconds);
    bool fast = devpurge < kLimitSeconds && devpurge < kLimitRatio * floor;
    std::printf("devpurge %.2f s, floor %.2f s (%.1f times the floor): %s (under %.0f s and %.0f times the floor)\n",
                devpurge, floor, devpurge / floor, fast ? "fast enough" : "TOO SLOW", kLimitSeconds, kLimitRatio);
    return 0;
}
