#include "platform/machine/machine.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

#include "platform/machine/files/host_path.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/sqlite_database.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

std::unique_ptr<Machine>& AttachedMachine() {
    static std::unique_ptr<Machine> machine;
    return machine;
}

std::mutex& AttachMutex() {
    static std::mutex mutex;
    return mutex;
}

// The attached machine once it is ready, for CurrentOrNull to find without the lock (every clock
// reading and message look asks for it); set and cleared under the lock, cleared before the machine goes.
std::atomic<Machine*>& ReadyMachine() {
    static std::atomic<Machine*> machine{nullptr};
    return machine;
}

using IniSections = std::map<std::string, std::map<std::string, std::string>>;

// machine.ini is written only by our tools: plain "[Section]" and "Key=Value" lines, names upper-cased.
IniSections ParseSimpleIni(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) throw std::runtime_error("cannot read " + file.string());
    IniSections sections;
    std::string current;
    std::string line;
    while (std::getline(stream, line)) {
        std::string_view text = TrimBlanks(line);
        if (text.empty() || text.front() == ';') continue;
        if (text.front() == '[') {
            std::size_t end = text.find(']');
            current = UpperCopy(TrimBlanks(text.substr(1, end == std::string_view::npos ? text.size() - 1 : end - 1)));
            sections[current];
            continue;
        }
        std::size_t equals = text.find('=');
        if (equals == std::string_view::npos) continue;
        sections[current][UpperCopy(TrimBlanks(text.substr(0, equals)))] = std::string(TrimBlanks(text.substr(equals + 1)));
    }
    return sections;
}

std::string Get(const IniSections& sections, const char* section, const char* key, const std::string& fallback) {
    auto found = sections.find(section);
    if (found == sections.end()) return fallback;
    auto value = found->second.find(key);
    return value == found->second.end() ? fallback : value->second;
}

unsigned long GetNumber(const IniSections& sections, const char* section, const char* key, unsigned long fallback) {
    std::string text = Get(sections, section, key, "");
    if (text.empty()) return fallback;
    return std::strtoul(text.c_str(), nullptr, 0);
}

std::string Hex(unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%X", value);
    return buffer;
}

// A machine written before machines had a zone keeps the default one; each field read replaces its default.
void ReadTimeZone(const IniSections& ini, TimeZone& zone) {
    auto number = [&](const char* key, LONG fallback) {
        std::string text = Get(ini, "TIMEZONE", key, "");
        return text.empty() ? fallback : static_cast<LONG>(std::strtol(text.c_str(), nullptr, 10));
    };
    auto date = [&](const char* key, const SYSTEMTIME& fallback) {
        std::string text = Get(ini, "TIMEZONE", key, "");
        if (text.empty()) return fallback;
        std::optional<SYSTEMTIME> parsed = ParseTransitionDate(text);
        if (!parsed) throw std::runtime_error("bad time zone date '" + text + "' in machine.ini");
        return *parsed;
    };
    zone.bias = number("BIAS", zone.bias);
    zone.standardName = Get(ini, "TIMEZONE", "STANDARDNAME", zone.standardName);
    zone.standardDate = date("STANDARDDATE", zone.standardDate);
    zone.standardBias = number("STANDARDBIAS", zone.standardBias);
    zone.daylightName = Get(ini, "TIMEZONE", "DAYLIGHTNAME", zone.daylightName);
    zone.daylightDate = date("DAYLIGHTDATE", zone.daylightDate);
    zone.daylightBias = number("DAYLIGHTBIAS", zone.daylightBias);
}

constexpr struct {
    UINT type;
    const char* name;
} kDriveTypes[] = {{0, "unknown"}, {1, "noroot"}, {2, "removable"}, {3, "fixed"},
                   {4, "remote"},  {5, "cdrom"},  {6, "ramdisk"}};

// The language identifiers Windows 95 to XP (service pack 2) know as locales: each primary language
// with the highest of its sublanguages, which run from 1 (SUBLANG_DEFAULT) without gaps.
constexpr struct {
    BYTE primary;
    BYTE highestSublanguage;
} kLanguages[] = {
    {0x01, 16}, {0x02, 1},  {0x03, 1},  {0x04, 5}, {0x05, 1}, {0x06, 1}, {0x07, 5}, {0x08, 1}, {0x09, 13},
    {0x0A, 20}, {0x0B, 1},  {0x0C, 6},  {0x0D, 1}, {0x0E, 1}, {0x0F, 1}, {0x10, 2}, {0x11, 1}, {0x12, 1},
    {0x13, 2},  {0x14, 2},  {0x15, 1},  {0x16, 2}, {0x18, 1}, {0x19, 1}, {0x1A, 5}, {0x1B, 1}, {0x1C, 1},
    {0x1D, 2},  {0x1E, 1},  {0x1F, 1},  {0x20, 1}, {0x21, 1}, {0x22, 1}, {0x23, 1}, {0x24, 1}, {0x25, 1},
    {0x26, 1},  {0x27, 1},  {0x29, 1},  {0x2A, 1}, {0x2B, 1}, {0x2C, 2}, {0x2D, 1}, {0x2F, 1}, {0x32, 1},
    {0x34, 1},  {0x35, 1},  {0x36, 1},  {0x37, 1}, {0x38, 1}, {0x39, 1}, {0x3A, 1}, {0x3B, 9}, {0x3E, 2},
    {0x3F, 1},  {0x40, 1},  {0x41, 1},  {0x43, 2}, {0x44, 1}, {0x45, 1}, {0x46, 1}, {0x47, 1}, {0x48, 1},
    {0x49, 1},  {0x4A, 1},  {0x4B, 1},  {0x4C, 1}, {0x4D, 1}, {0x4E, 1}, {0x4F, 1}, {0x50, 1}, {0x52, 1},
    {0x56, 1},  {0x57, 1},  {0x5A, 1},  {0x65, 1}, {0x6B, 3}, {0x6C, 1}, {0x81, 1},
};

bool IsAsciiAlphanumeric(char character) {
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z') ||
           (character >= '0' && character <= '9');
}

}  // namespace

bool IsKnownLanguage(LANGID language) {
    BYTE primary = static_cast<BYTE>(language & 0x3FF);
    int sublanguage = language >> 10;
    if ((language & 0x3FF) > 0xFF) return false;
    for (const auto& entry : kLanguages) {
        if (entry.primary == primary) return sublanguage >= 1 && sublanguage <= entry.highestSublanguage;
    }
    return false;
}

std::optional<std::string> ComputerNameProblem(std::string_view name) {
    if (name.empty()) return "a computer name cannot be empty";
    if (name.size() > kMaximumComputerNameLength)
        return "a computer name has at most " + std::to_string(kMaximumComputerNameLength) + " characters";
    for (char character : name) {
        if (!IsAsciiAlphanumeric(character) && std::string_view("-_!@#$%^&'(){}~.").find(character) == std::string_view::npos)
            return std::string("a computer name cannot hold '") + character + "'";
    }
    if (name.front() == '.') return "a computer name cannot start with '.'";
    if (name.find_first_not_of("0123456789") == std::string_view::npos)
        return "a computer name cannot be only digits";
    return std::nullopt;
}

std::optional<std::string> UserNameProblem(std::string_view name) {
    if (name.empty()) return "a user name cannot be empty";
    if (name.size() > kMaximumUserNameLength)
        return "a user name has at most " + std::to_string(kMaximumUserNameLength) + " characters";
    for (char character : name) {
        if (static_cast<unsigned char>(character) < 0x20 || character == 0x7F)
            return "a user name cannot hold control characters";
        if (std::string_view("\"/\\[]:;|=,+*?<>").find(character) != std::string_view::npos)
            return std::string("a user name cannot hold '") + character + "'";
    }
    if (name.find_first_not_of(". ") == std::string_view::npos)
        return "a user name cannot be only periods and blanks";
    return std::nullopt;
}

std::optional<std::string> MachineSettingsProblem(const MachineSettings& settings) {
    for (LANGID language : {settings.systemLanguage, settings.userLanguage}) {
        if (!IsKnownLanguage(language)) return Hex(language) + " is not a known language identifier";
    }
    if (std::optional<std::string> problem = ComputerNameProblem(settings.computerName)) return problem;
    if (std::optional<std::string> problem = UserNameProblem(settings.userName)) return problem;
    if (settings.os.servicePackMajor > HighestServicePack(settings.os.kind)) return ServicePackProblem(settings.os.kind);
    return std::nullopt;
}

std::string ServicePackProblem(OsKind kind) {
    int highest = HighestServicePack(kind);
    if (highest == 0) return "Windows " + OsKindName(kind) + " has no service packs";
    return "Windows " + OsKindName(kind) + " has service packs 0 to " + std::to_string(highest);
}

std::string DriveTypeName(UINT type) {
    for (const auto& entry : kDriveTypes) {
        if (entry.type == type) return entry.name;
    }
    return "unknown";
}

std::optional<UINT> ParseDriveType(std::string_view name) {
    for (const auto& entry : kDriveTypes) {
        if (EqualsNoCase(name, entry.name)) return entry.type;
    }
    return std::nullopt;
}

MachineSettings MachineSettings::Defaults(OsKind kind, int servicePack) {
    MachineSettings settings;
    settings.os = DefaultOsProfile(kind, servicePack);
    DefaultFolders folders = DefaultFoldersFor(kind, settings.userName);
    settings.windowsFolder = folders.windows;
    settings.systemFolder = folders.system;
    settings.tempFolder = folders.temp;
    settings.programFilesFolder = folders.programFiles;
    settings.drives = {{'A', 2}, {'C', 3}, {'D', 5}};
    settings.absentLibraries = DefaultAbsentLibraries(kind);
    // The tool help calls of kernel32 came with Windows 95 and Windows 2000, not with Windows NT 4.
    if (kind == OsKind::WindowsNT4) {
        settings.missingEntryPoints["KERNEL32.DLL"].insert(
            {"CREATETOOLHELP32SNAPSHOT", "PROCESS32FIRST", "PROCESS32NEXT"});
    }
    return settings;
}

std::set<std::string> DefaultAbsentLibraries(OsKind kind) {
    std::set<std::string> absent;
    // The removable-storage manager came with Windows 2000.
    if (kind != OsKind::Windows2000 && kind != OsKind::WindowsXP) absent.insert("NTMSAPI.DLL");
    // The process libraries, psapi.dll and vdmdbg.dll, come with Windows NT only.
    if (kind == OsKind::Windows95 || kind == OsKind::Windows98 || kind == OsKind::Windows98SE ||
        kind == OsKind::WindowsMe) {
        absent.insert("PSAPI.DLL");
        absent.insert("VDMDBG.DLL");
    }
    return absent;
}

MachineSettings ReadMachineSettings(const std::filesystem::path& iniFile) {
    IniSections ini = ParseSimpleIni(iniFile);
    std::string osName = Get(ini, "SYSTEM", "OS", "xp");
    std::optional<OsKind> kind = ParseOsKind(osName);
    if (!kind) throw std::runtime_error("unknown OS '" + osName + "' in " + iniFile.string());
    MachineSettings settings = MachineSettings::Defaults(*kind);
    OsProfile& os = settings.os;
    os.platformId = static_cast<DWORD>(GetNumber(ini, "SYSTEM", "PLATFORMID", os.platformId));
    os.majorVersion = static_cast<DWORD>(GetNumber(ini, "SYSTEM", "MAJORVERSION", os.majorVersion));
    os.minorVersion = static_cast<DWORD>(GetNumber(ini, "SYSTEM", "MINORVERSION", os.minorVersion));
    os.buildNumber = static_cast<DWORD>(GetNumber(ini, "SYSTEM", "BUILDNUMBER", os.buildNumber));
    os.csdVersion = Get(ini, "SYSTEM", "CSDVERSION", os.csdVersion);
    // Blanks that matter (" A ") are kept between quotes.
    if (os.csdVersion.size() >= 2 && os.csdVersion.front() == '"' && os.csdVersion.back() == '"') {
        os.csdVersion = os.csdVersion.substr(1, os.csdVersion.size() - 2);
    }
    os.servicePackMajor = static_cast<WORD>(GetNumber(ini, "SYSTEM", "SERVICEPACKMAJOR", os.servicePackMajor));
    os.servicePackMinor = static_cast<WORD>(GetNumber(ini, "SYSTEM", "SERVICEPACKMINOR", os.servicePackMinor));
    os.suiteMask = static_cast<WORD>(GetNumber(ini, "SYSTEM", "SUITEMASK", os.suiteMask));
    os.productType = static_cast<BYTE>(GetNumber(ini, "SYSTEM", "PRODUCTTYPE", os.productType));
    settings.systemLanguage = static_cast<LANGID>(GetNumber(ini, "SYSTEM", "SYSTEMLANGUAGE", settings.systemLanguage));
    settings.userLanguage = static_cast<LANGID>(GetNumber(ini, "SYSTEM", "USERLANGUAGE", settings.userLanguage));
    settings.codePage = static_cast<UINT>(GetNumber(ini, "SYSTEM", "CODEPAGE", settings.codePage));
    settings.computerName = Get(ini, "SYSTEM", "COMPUTERNAME", settings.computerName);
    settings.userName = Get(ini, "SYSTEM", "USERNAME", settings.userName);
    settings.administrator = GetNumber(ini, "SYSTEM", "ADMINISTRATOR", settings.administrator ? 1 : 0) != 0;
    DefaultFolders folders = DefaultFoldersFor(*kind, settings.userName);
    settings.windowsFolder = Get(ini, "FOLDERS", "WINDOWS", folders.windows);
    settings.systemFolder = Get(ini, "FOLDERS", "SYSTEM", folders.system);
    settings.tempFolder = Get(ini, "FOLDERS", "TEMP", folders.temp);
    settings.programFilesFolder = Get(ini, "FOLDERS", "PROGRAMFILES", folders.programFiles);
    if (ini.count("DRIVES")) {
        settings.drives.clear();
        for (const auto& [letter, type] : ini["DRIVES"]) {
            if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') continue;
            settings.drives.push_back({letter[0], ParseDriveType(type).value_or(3)});
        }
    }
    for (const auto& [library, state] : ini["LIBRARIES"]) {
        if (EqualsNoCase(state, "absent")) settings.absentLibraries.insert(library);
        // A library the system lacks by default, put in all the same.
        if (EqualsNoCase(state, "present")) {
            settings.absentLibraries.erase(library);
            settings.absentLibraries.erase(library + ".DLL");
        }
    }
    ReadTimeZone(ini, settings.timeZone);
    DisplayMode& display = settings.display;
    display.width = static_cast<int>(GetNumber(ini, "DISPLAY", "WIDTH", display.width));
    display.height = static_cast<int>(GetNumber(ini, "DISPLAY", "HEIGHT", display.height));
    display.bitsPerPixel = static_cast<int>(GetNumber(ini, "DISPLAY", "BITSPERPIXEL", display.bitsPerPixel));
    display.refresh = static_cast<int>(GetNumber(ini, "DISPLAY", "REFRESH", display.refresh));
    for (const auto& [library, names] : ini["MISSINGENTRYPOINTS"]) {
        std::stringstream list(names);
        std::string name;
        while (std::getline(list, name, ',')) {
            std::string trimmed(TrimBlanks(name));
            if (!trimmed.empty()) settings.missingEntryPoints[library].insert(UpperCopy(trimmed));
        }
    }
    return settings;
}

void WriteMachineSettings(const std::filesystem::path& iniFile, const MachineSettings& settings) {
    const OsProfile& os = settings.os;
    std::ostringstream out;
    out << "[System]\n"
        << "OS=" << OsKindName(os.kind) << "\n"
        << "PlatformId=" << os.platformId << "\n"
        << "MajorVersion=" << os.majorVersion << "\n"
        << "MinorVersion=" << os.minorVersion << "\n"
        << "BuildNumber=" << Hex(os.buildNumber) << "\n"
        << "CSDVersion=\"" << os.csdVersion << "\"\n"
        << "ServicePackMajor=" << os.servicePackMajor << "\n"
        << "ServicePackMinor=" << os.servicePackMinor << "\n"
        << "SuiteMask=" << Hex(os.suiteMask) << "\n"
        << "ProductType=" << static_cast<unsigned>(os.productType) << "\n"
        << "SystemLanguage=" << Hex(settings.systemLanguage) << "\n"
        << "UserLanguage=" << Hex(settings.userLanguage) << "\n"
        << "CodePage=" << settings.codePage << "\n"
        << "ComputerName=" << settings.computerName << "\n"
        << "UserName=" << settings.userName << "\n"
        << "Administrator=" << (settings.administrator ? 1 : 0) << "\n"
        << "\n[Folders]\n"
        << "Windows=" << settings.windowsFolder << "\n"
        << "System=" << settings.systemFolder << "\n"
        << "Temp=" << settings.tempFolder << "\n"
        << "ProgramFiles=" << settings.programFilesFolder << "\n"
        << "\n[Drives]\n";
    for (const DriveInfo& drive : settings.drives) out << drive.letter << "=" << DriveTypeName(drive.type) << "\n";
    const TimeZone& zone = settings.timeZone;
    out << "\n[TimeZone]\n"
        << "; UTC = local time + Bias (+ StandardBias or DaylightBias), in minutes. Dates: year, month, day of the\n"
        << "; week (0 Sunday), day (with year 0: week of the month, 5 the last), hour, minute, second, milliseconds;\n"
        << "; month 0 in both for a zone without daylight saving time.\n"
        << "Bias=" << zone.bias << "\n"
        << "StandardName=" << zone.standardName << "\n"
        << "StandardDate=" << FormatTransitionDate(zone.standardDate) << "\n"
        << "StandardBias=" << zone.standardBias << "\n"
        << "DaylightName=" << zone.daylightName << "\n"
        << "DaylightDate=" << FormatTransitionDate(zone.daylightDate) << "\n"
        << "DaylightBias=" << zone.daylightBias << "\n";
    out << "\n[Display]\n"
        << "Width=" << settings.display.width << "\n"
        << "Height=" << settings.display.height << "\n"
        << "BitsPerPixel=" << settings.display.bitsPerPixel << "\n"
        << "Refresh=" << settings.display.refresh << "\n";
    out << "\n[Libraries]\n";
    for (const std::string& library : settings.absentLibraries) out << LowerCopy(library) << "=absent\n";
    for (const std::string& library : DefaultAbsentLibraries(os.kind)) {
        if (!settings.absentLibraries.count(library)) out << LowerCopy(library) << "=present\n";
    }
    out << "\n[MissingEntryPoints]\n";
    for (const auto& [library, names] : settings.missingEntryPoints) {
        out << LowerCopy(library) << "=";
        bool first = true;
        for (const std::string& name : names) {
            out << (first ? "" : ",") << name;
            first = false;
        }
        out << "\n";
    }
    std::ofstream stream(iniFile, std::ios::binary | std::ios::trunc);
    stream << out.str();
    if (!stream) throw std::runtime_error("cannot write " + iniFile.string());
}

Machine& Machine::Current() {
    Machine* machine = CurrentOrNull();
    if (machine) return *machine;
    std::fprintf(stderr,
                 "This program runs inside a simulated Windows machine.\n"
                 "Start it with: winmachine run <machine folder> \"<Windows command line>\"\n");
    std::exit(1);
}

Machine* Machine::CurrentOrNull() {
    if (Machine* ready = ReadyMachine().load(std::memory_order_acquire)) return ready;
    Machine* met = nullptr;
    {
        std::lock_guard<std::mutex> lock(AttachMutex());
        std::unique_ptr<Machine>& machine = AttachedMachine();
        if (machine) return machine.get();
        const char* folder = std::getenv("WINMACHINE");
        if (!folder || !*folder) return nullptr;
        machine = std::make_unique<Machine>(folder);
        CurrentProcess().InitializeFromEnvironment(*machine);
        met = machine.get();
        ReadyMachine().store(met, std::memory_order_release);
    }
    CurrentProcess().HoldCurrentFolder(*met);
    return met;
}

Machine& Machine::Attach(const std::filesystem::path& folder) {
    Machine* attached = nullptr;
    {
        std::lock_guard<std::mutex> lock(AttachMutex());
        std::unique_ptr<Machine>& machine = AttachedMachine();
        // The process's hold on its current folder belongs to the machine it leaves.
        ReadyMachine().store(nullptr, std::memory_order_release);
        CurrentProcess().Clear();
        machine.reset();
        machine = std::make_unique<Machine>(folder);
        CurrentProcess().InitializeFromEnvironment(*machine);
        attached = machine.get();
        ReadyMachine().store(attached, std::memory_order_release);
    }
    CurrentProcess().HoldCurrentFolder(*attached);
    return *attached;
}

void Machine::Detach() {
    std::lock_guard<std::mutex> lock(AttachMutex());
    ReadyMachine().store(nullptr, std::memory_order_release);
    CurrentProcess().Clear();
    AttachedMachine().reset();
}

Machine::Machine(const std::filesystem::path& folder) : folder_(std::filesystem::absolute(folder)) {
    static std::atomic<std::uint64_t> serials{0};
    serial_ = ++serials;
    settings_ = ReadMachineSettings(folder_ / "machine.ini");
    counters_ = std::make_unique<SharedCounters>(folder_);
}

Machine::~Machine() = default;

void Machine::Reload() { settings_ = ReadMachineSettings(folder_ / "machine.ini"); }

std::optional<DriveInfo> Machine::Drive(char letter) const {
    char upper = UpperAnsi(letter);
    for (const DriveInfo& drive : settings_.drives) {
        if (drive.letter == upper) return drive;
    }
    return std::nullopt;
}

std::filesystem::path Machine::DriveFolder(char letter) const {
    return folder_ / "drives" / std::string(1, LowerAnsi(letter));
}

bool Machine::LibraryPresent(std::string_view libraryName) const {
    return settings_.absentLibraries.count(UpperCopy(libraryName)) == 0;
}

bool Machine::EntryPointPresent(std::string_view libraryName, std::string_view entryPoint) const {
    if (!LibraryPresent(libraryName)) return false;
    auto found = settings_.missingEntryPoints.find(UpperCopy(libraryName));
    return found == settings_.missingEntryPoints.end() || found->second.count(UpperCopy(entryPoint)) == 0;
}

void Machine::WithState(const std::function<void(SqliteDatabase&)>& action) {
    std::lock_guard<std::mutex> lock(stateMutex_);
    if (!state_) {
        state_ = std::make_unique<SqliteDatabase>(folder_ / "state.db");
        CreateStateTables(*state_);
    }
    action(*state_);
}

namespace {

namespace fs = std::filesystem;

// Fills an empty folder with a machine.
void BuildMachine(const fs::path& folder, const MachineSettings& settings) {
    WriteMachineSettings(folder / "machine.ini", settings);
    for (const DriveInfo& drive : settings.drives) {
        fs::create_directories(folder / "drives" / std::string(1, LowerAnsi(drive.letter)));
    }
    fs::create_directories(folder / "ui");
    fs::create_directories(folder / "kernel");
    fs::create_directories(folder / "network");
    {
        std::ofstream transcript(folder / "ui" / "transcript.log", std::ios::app);
        std::ofstream answers(folder / "ui" / "answers", std::ios::app);
    }
    Machine machine(folder);
    machine.WithState([](SqliteDatabase&) {});
    for (const std::string& windowsFolder :
         {settings.windowsFolder, settings.systemFolder, settings.tempFolder, settings.programFilesFolder}) {
        CreateMachineFolder(machine, windowsFolder);
    }
    WriteSystemPrograms(machine);
    InitializeMachineRegistry(folder, settings);
}

// Removes what it was given unless dismissed: the parts of a creation that did not finish.
class RemoveUnlessKept {
  public:
    void Add(const fs::path& path) { paths_.push_back(path); }
    void Keep() { paths_.clear(); }
    ~RemoveUnlessKept() {
        for (auto path = paths_.rbegin(); path != paths_.rend(); ++path) {
            std::error_code error;
            fs::remove_all(*path, error);
        }
    }

  private:
    std::vector<fs::path> paths_;
};

}  // namespace

void CreateMachine(const std::filesystem::path& folder, const MachineSettings& settings) {
    if (std::optional<std::string> problem = MachineSettingsProblem(settings)) throw std::invalid_argument(*problem);
    fs::path target = fs::absolute(folder).lexically_normal();
    if (target.filename().empty()) target = target.parent_path();  // "machine/" names "machine"
    std::error_code error;
    fs::file_status status = fs::status(target, error);
    bool existed = fs::exists(status);
    if (existed && !fs::is_directory(status)) throw std::runtime_error(folder.string() + " is a file, not a folder");
    if (fs::exists(target / "machine.ini", error)) throw std::runtime_error(folder.string() + " holds a machine already");

    RemoveUnlessKept cleanup;
    // The folders above that did not exist are made, and removed again if the machine is not made.
    fs::path firstMade;
    for (fs::path above = target.parent_path(); !above.empty() && !fs::exists(above, error); above = above.parent_path()) {
        firstMade = above;
        if (above == above.parent_path()) break;
    }
    if (!firstMade.empty()) cleanup.Add(firstMade);
    fs::create_directories(target.parent_path());

    // Built beside the folder under a name of its own, then moved into place.
    fs::path building;
    for (int attempt = 0;; ++attempt) {
        building = target.parent_path() / ("." + target.filename().string() + ".creating-" +
                                           std::to_string(::getpid()) + "-" + std::to_string(attempt));
        if (fs::create_directory(building)) break;
    }
    cleanup.Add(building);
    BuildMachine(building, settings);

    if (!existed) {
        fs::rename(building, target);
    } else {
        // An existing folder keeps what it holds: the machine's parts are moved in beside it, and none
        // may take the name of something there.
        std::vector<fs::path> parts;
        for (const fs::directory_entry& entry : fs::directory_iterator(building)) parts.push_back(entry.path());
        for (const fs::path& part : parts) {
            if (fs::exists(fs::symlink_status(target / part.filename(), error)))
                throw std::runtime_error(folder.string() + " holds " + part.filename().string() +
                                         " already: no machine was made");
        }
        for (const fs::path& part : parts) {
            fs::rename(part, target / part.filename());
            cleanup.Add(target / part.filename());
        }
        fs::remove(building);
    }
    cleanup.Keep();
}

}  // namespace platform
