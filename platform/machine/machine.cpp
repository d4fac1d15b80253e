#include "platform/machine/machine.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/machine/process.h"
#include "platform/machine/program_stub.h"
#include "platform/machine/registry_store.h"
#include "platform/machine/host_path.h"
#include "platform/machine/state.h"
#include "platform/machine/sqlite_database.h"
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

}  // namespace

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
    return settings;
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
    }
    ReadTimeZone(ini, settings.timeZone);
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
    out << "\n[Libraries]\n";
    for (const std::string& library : settings.absentLibraries) out << LowerCopy(library) << "=absent\n";
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
    std::lock_guard<std::mutex> lock(AttachMutex());
    std::unique_ptr<Machine>& machine = AttachedMachine();
    if (!machine) {
        const char* folder = std::getenv("WINMACHINE");
        if (!folder || !*folder) return nullptr;
        machine = std::make_unique<Machine>(folder);
        CurrentProcess().InitializeFromEnvironment(*machine);
    }
    return machine.get();
}

Machine& Machine::Attach(const std::filesystem::path& folder) {
    std::lock_guard<std::mutex> lock(AttachMutex());
    std::unique_ptr<Machine>& machine = AttachedMachine();
    machine.reset();
    machine = std::make_unique<Machine>(folder);
    CurrentProcess().InitializeFromEnvironment(*machine);
    return *machine;
}

void Machine::Detach() {
    std::lock_guard<std::mutex> lock(AttachMutex());
    CurrentProcess().Clear();
    AttachedMachine().reset();
}

Machine::Machine(const std::filesystem::path& folder) : folder_(std::filesystem::absolute(folder)) {
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

void CreateMachine(const std::filesystem::path& folder, const MachineSettings& settings) {
    namespace fs = std::filesystem;
    if (fs::exists(folder / "machine.ini")) throw std::runtime_error(folder.string() + " holds a machine already");
    fs::create_directories(folder);
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

}  // namespace platform
