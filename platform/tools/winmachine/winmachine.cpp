// winmachine: create and inspect simulated Windows machines.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cfgmgr32.h"
#include "installer_product.h"
#include "platform/kernel32/program_files.h"
#include "platform/machine/boot.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/host_file.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process_table.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/services/service_store.h"
#include "platform/machine/storage/removable_storage.h"
#include "platform/machine/guid_text.h"
#include "ntmsapi.h"
#include "print_jobs.h"
#include "platform/machine/text.h"
#include "platform/machine/ui/user_interface.h"
#include "setupapi.h"
#include "shellapi.h"
#include "windows.h"
#include "winspool.h"

namespace {

namespace fs = std::filesystem;
using platform::Machine;

constexpr const char* kUsage =
    "usage: winmachine <command> <machine folder> [arguments]\n"
    "commands:\n"
    "  create <machine> [--os 95|98|98se|me|nt4|2000|xp] [--sp N] [--language 0x410] [--user NAME]\n"
    "         [--computer NAME] [--no-admin] [--absent LIBRARY.dll]... [--time-zone \"ZONE\"]\n"
    "                                  make a new machine (Windows XP, Italian, administrator by default); ZONE\n"
    "                                  is a Windows zone name (\"W. Europe Standard Time\" by default, \"GMT\n"
    "                                  Standard Time\", \"Greenwich Standard Time\", \"Eastern Standard Time\",\n"
    "                                  \"Tokyo Standard Time\", \"AUS Eastern Standard Time\")\n"
    "         [--display WIDTHxHEIGHTxBITS[@HZ]]\n"
    "                                  the display mode (1024x768x32@60 by default; 800x600x8 is a 256-colour\n"
    "                                  display with a palette)\n"
    "  import <machine> <file.reg>     read REGEDIT4 text into the machine's registry\n"
    "  export <machine> [KEY]          print the registry (or one key and its subkeys) as REGEDIT4 text\n"
    "  put <machine> <host file> <Windows path>\n"
    "                                  copy a file into the machine, creating its folders\n"
    "  cat <machine> <Windows path>    print a file of the machine\n"
    "  ls <machine> [Windows path]     list a folder of the machine (C:\\ by default)\n"
    "  transcript <machine>            print what the machine's user was shown\n"
    "  answer <machine> <answer>...    script answers for message boxes and dialogs (IDOK, IDCANCEL, ...);\n"
    "                                  \"File: <path>\" chooses the file of a file dialog;\n"
    "                                  \"Dialog <id>: <answer> [after <count>]\" presses a modeless dialog's button\n"
    "  info <machine>                  print the machine's profile\n"
    "  printers <machine>              list the printers (and on Windows NT the connections to network printers)\n"
    "  drivers <machine>               list the printer drivers of the machine's environment\n"
    "  monitors <machine>              list the print monitors and their DLLs\n"
    "  ports <machine>                 list the ports with their monitor and description\n"
    "  devices <machine>               list the Plug and Play devices, present or not, with class and parent\n"
    "  services <machine>              list the Windows NT services: type, start, state, display name, and\n"
    "                                  whether they are marked for deletion\n"
    "  rsm <machine>                   list the removable-storage manager's drives: id, state, description\n"
    "  rsm <machine> add \"<description>\" [--not-present] [--id {GUID}]\n"
    "                                  put a drive into the manager's database (ready, or no longer present\n"
    "                                  with --not-present) and print its id\n"
    "  run <machine> \"<Windows command line>\" [--folder <Windows folder>]\n"
    "                                  start a program in the machine as its user would (from C:\\, or from the\n"
    "                                  folder given), or a shortcut's (.lnk) target with its arguments in its\n"
    "                                  working folder, wait for it,\n"
    "                                  write \"exit code <n>\" to standard error and end with that code (the\n"
    "                                  host keeps its low eight bits: 3010 arrives as 194)\n"
    "  install <machine> <host program or library> <Windows path> [--version 1.2.3.4] [--field NAME=VALUE]...\n"
    "                                  put a stub there naming the built program (devpurge) or, for a .dll,\n"
    "                                  the shared library (libkenrim07.so, or its target name kenrim07), with\n"
    "                                  its version (FileVersion and ProductVersion) and other version fields\n"
    "  processes <machine>             list the running processes: id, program, whether declared, parent, command\n"
    "                                  line\n"
    "  windows <machine>               list the windows of the declared processes, children indented\n"
    "  declare <machine> <Windows path> [--command-line TEXT] [--module PATH]... [--window \"TITLE|CLASS[|MODULE]\"]\n"
    "         [--child \"TITLE|CLASS[|MODULE]\"]... [--on-close WHEN] [--on-quit WHEN] [--on-terminate WHEN]\n"
    "         [--deny-open] [--deny-terminate]\n"
    "                                  put a running process of other software into the machine, with windows\n"
    "                                  (--child belongs to the --window before it) and how it reacts: WHEN is\n"
    "                                  now (the default), never, or a time on the machine's clock (500ms, 3s);\n"
    "                                  its program and modules are in use until it ends; prints its ids\n"
    "  product <machine> <product code> \"<name>\" [--file <Windows path>]... [--key <HKLM key>]...\n"
    "                                  register a Windows Installer product as msiexec /x removes it: its\n"
    "                                  entry in the installed programs, its Installer keys, and the files and\n"
    "                                  keys (under HKEY_LOCAL_MACHINE, \"SOFTWARE\\X\") it installed; files not\n"
    "                                  there yet are made, keys made when missing\n"
    "  jobs <machine> [printer]        list the print jobs (of every local printer, or of one): number, document,\n"
    "                                  pages and state\n"
    "  job-pages <machine> <printer> <job> <host folder>\n"
    "                                  write the pictures of a printed job's pages there as page1.png, page2.png...\n"
    "  reboot <machine>                restart the machine: carry out the file operations pending for the\n"
    "                                  next start (and WININIT.INI on Windows 9x), one line each, and on\n"
    "                                  Windows NT delete the services marked for deletion\n"
    "  screenshot <machine> [title] [--out file]\n"
    "                                  write the newest picture of the window with that caption (of the\n"
    "                                  newest window shown) as a PNG file (screenshot.png by default); the\n"
    "                                  pictures of every window shown are in the machine's ui folder\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The whole of a host file named on the command line; one that is missing, a folder or unreadable ends the
// command with the reason.
std::string ReadInputFile(const fs::path& file) {
    int error = 0;
    std::optional<std::string> contents = platform::ReadHostFile(file, error);
    if (!contents) throw std::runtime_error("cannot read " + file.string() + ": " + platform::HostFileErrorText(error));
    return *contents;
}

// A value given on the command line that the command cannot take: the message, and exit code 1.
int Refuse(const std::string& message) {
    std::fprintf(stderr, "winmachine: %s\n", message.c_str());
    return 1;
}

// A whole number written in decimal, or in hexadecimal after 0x, up to `highest`.
std::optional<unsigned long> ParseNumber(const std::string& text, unsigned long highest) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    unsigned long value = std::strtoul(text.c_str(), &end, text.size() > 2 && (text[1] == 'x' || text[1] == 'X') ? 16 : 10);
    if (errno != 0 || *end != '\0' || value > highest) return std::nullopt;
    return value;
}

// A file version as the version resource holds it: four numbers from 0 to 65535, "3.0.0.8".
bool IsFileVersion(const std::string& text) {
    std::stringstream parts(text);
    std::string part;
    int count = 0;
    while (std::getline(parts, part, '.')) {
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos || part.size() > 5 ||
            std::stoul(part) > 0xFFFF)
            return false;
        ++count;
    }
    return count == 4 && text.back() != '.';
}

platform::HostPath Resolve(Machine& machine, const std::string& windowsPath) {
    DWORD error = 0;
    std::optional<platform::WindowsPath> path = platform::ParseWindowsPath(windowsPath, "C:\\", &error);
    if (!path) throw std::runtime_error("not a Windows path: " + windowsPath);
    std::optional<platform::HostPath> host = platform::ResolveHostPath(machine, *path, &error);
    if (!host && error == ERROR_CANT_ACCESS_FILE)
        throw std::runtime_error("a host link is on the way, and is never followed: " + windowsPath);
    if (!host) throw std::runtime_error("the machine has no such drive or share: " + windowsPath);
    return *host;
}

// "800x600x8@75": the display's width, height, bits per pixel and refresh rate (60 Hz when left out).
std::optional<platform::DisplayMode> ParseDisplayMode(const std::string& text) {
    platform::DisplayMode mode;
    char after = 0;
    int fields = std::sscanf(text.c_str(), "%dx%dx%d@%d%c", &mode.width, &mode.height, &mode.bitsPerPixel,
                             &mode.refresh, &after);
    if (fields != 3 && fields != 4) return std::nullopt;
    if (fields == 3 && text.find('@') != std::string::npos) return std::nullopt;
    bool sizes = mode.width >= 640 && mode.width <= 4096 && mode.height >= 480 && mode.height <= 4096;
    int bits = mode.bitsPerPixel;
    bool depth = bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    if (!sizes || !depth || mode.refresh < 1 || mode.refresh > 240) return std::nullopt;
    return mode;
}

int Create(const fs::path& folder, const std::vector<std::string>& options) {
    platform::OsKind kind = platform::OsKind::WindowsXP;
    int servicePack = -1;
    std::vector<std::pair<std::string, std::string>> rest;
    for (std::size_t index = 0; index < options.size(); ++index) {
        const std::string& option = options[index];
        bool hasValue = index + 1 < options.size();
        if (option == "--no-admin") {
            rest.emplace_back(option, "");
        } else if (!hasValue) {
            std::fprintf(stderr, "winmachine: %s needs a value\n", option.c_str());
            return 2;
        } else if (option == "--os") {
            std::optional<platform::OsKind> parsed = platform::ParseOsKind(options[++index]);
            if (!parsed) return Refuse("unknown system '" + options[index] + "' (95, 98, 98se, me, nt4, 2000, xp)");
            kind = *parsed;
        } else if (option == "--sp") {
            std::optional<unsigned long> pack = ParseNumber(options[++index], 255);
            if (!pack) return Refuse("--sp " + options[index] + ": a service pack is a number");
            servicePack = static_cast<int>(*pack);
        } else {
            rest.emplace_back(option, options[++index]);
        }
    }
    if (servicePack > platform::HighestServicePack(kind))
        return Refuse("--sp " + std::to_string(servicePack) + ": " + platform::ServicePackProblem(kind));
    platform::MachineSettings settings = platform::MachineSettings::Defaults(kind, servicePack);
    for (const auto& [option, value] : rest) {
        if (option == "--no-admin") {
            settings.administrator = false;
        } else if (option == "--language") {
            std::optional<unsigned long> language = ParseNumber(value, 0xFFFF);
            if (!language || !platform::IsKnownLanguage(static_cast<LANGID>(*language)))
                return Refuse("--language " + value + ": not a known language identifier (0x409, 0x410, ...)");
            settings.systemLanguage = settings.userLanguage = static_cast<LANGID>(*language);
        } else if (option == "--user") {
            if (std::optional<std::string> problem = platform::UserNameProblem(value))
                return Refuse("--user \"" + value + "\": " + *problem);
            settings.userName = value;
            platform::DefaultFolders folders = platform::DefaultFoldersFor(kind, value);
            settings.tempFolder = folders.temp;
        } else if (option == "--computer") {
            if (std::optional<std::string> problem = platform::ComputerNameProblem(value))
                return Refuse("--computer \"" + value + "\": " + *problem);
            settings.computerName = value;
        } else if (option == "--absent") {
            settings.absentLibraries.insert(platform::UpperCopy(value));
        } else if (option == "--time-zone") {
            std::optional<platform::TimeZone> zone = platform::KnownTimeZone(value);
            if (!zone) return Refuse("unknown time zone '" + value + "'");
            settings.timeZone = *zone;
        } else if (option == "--display") {
            std::optional<platform::DisplayMode> display = ParseDisplayMode(value);
            if (!display)
                return Refuse("--display " + value +
                              ": a mode is WIDTHxHEIGHTxBITS[@HZ], 640 to 4096 pixels, 4, 8, 16, 24 or 32 bits");
            settings.display = *display;
        } else {
            std::fprintf(stderr, "winmachine: unknown option %s\n", option.c_str());
            return 2;
        }
    }
    platform::CreateMachine(folder, settings);
    std::printf("created a Windows %s machine in %s\n", platform::OsKindName(kind).c_str(), folder.string().c_str());
    return 0;
}

int List(Machine& machine, const std::string& windowsPath) {
    platform::HostPath host = Resolve(machine, windowsPath);
    if (!host.exists || !host.isDirectory) {
        std::fprintf(stderr, "winmachine: no folder %s\n", windowsPath.c_str());
        return 1;
    }
    std::vector<fs::directory_entry> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(host.host)) entries.push_back(entry);
    std::sort(entries.begin(), entries.end(), [](const fs::directory_entry& left, const fs::directory_entry& right) {
        return platform::CompareNoCase(left.path().filename().string(), right.path().filename().string()) < 0;
    });
    std::printf(" Folder of %s\n\n", host.longPath.ToString().c_str());
    for (const fs::directory_entry& entry : entries) {
        std::string name = entry.path().filename().string();
        std::string shortName = platform::ShortNameOf(machine, host.host, name);
        if (platform::IsHostReparsePoint(entry.path())) {
            // Listed, never followed.
            std::printf("%-12s %14s  %s\n", shortName.c_str(), "<SYMLINK>", name.c_str());
        } else if (entry.is_directory()) {
            std::printf("%-12s %14s  %s\n", shortName.c_str(), "<DIR>", name.c_str());
        } else {
            std::printf("%-12s %14ju  %s\n", shortName.c_str(), static_cast<std::uintmax_t>(entry.file_size()),
                        name.c_str());
        }
    }
    return 0;
}

int Info(Machine& machine) {
    const platform::MachineSettings& settings = machine.settings();
    const platform::OsProfile& os = settings.os;
    std::printf("system: Windows %s (platform %u, version %u.%u, build %u, \"%s\")\n", platform::OsKindName(os.kind).c_str(),
                os.platformId, os.majorVersion, os.minorVersion, os.buildNumber & 0xFFFF, os.csdVersion.c_str());
    std::printf("language: system 0x%X, user 0x%X; code page %u\n", settings.systemLanguage, settings.userLanguage,
                settings.codePage);
    std::printf("computer: %s; user: %s%s\n", settings.computerName.c_str(), settings.userName.c_str(),
                settings.administrator ? " (administrator)" : "");
    std::printf("folders: Windows %s, system %s, temporary %s, programs %s\n", settings.windowsFolder.c_str(),
                settings.systemFolder.c_str(), settings.tempFolder.c_str(), settings.programFilesFolder.c_str());
    for (const platform::DriveInfo& drive : settings.drives) {
        std::printf("drive %c: %s\n", drive.letter, platform::DriveTypeName(drive.type).c_str());
    }
    const platform::TimeZone& zone = settings.timeZone;
    std::printf("time zone: %s (bias %d minutes%s)\n", zone.standardName.c_str(), static_cast<int>(zone.bias),
                zone.HasDaylightSaving() ? ", daylight saving time" : "");
    const platform::DisplayMode& display = settings.display;
    std::printf("display: %d x %d, %d bits per pixel, %d Hz\n", display.width, display.height, display.bitsPerPixel,
                display.refresh);
    return 0;
}

// A spooler list read the way programs read it: the size first, then the records, whose strings live in
// the same buffer.
template <typename Record>
class SpoolerList {
  public:
    template <typename Call>
    explicit SpoolerList(Call call) {
        DWORD needed = 0;
        call(nullptr, 0, &needed, &count_);
        buffer_.resize(needed);
        if (!call(buffer_.data(), needed, &needed, &count_)) {
            throw std::runtime_error("the spooler could not list (error " + std::to_string(GetLastError()) + ")");
        }
    }
    const Record* begin() const { return reinterpret_cast<const Record*>(buffer_.data()); }
    const Record* end() const { return begin() + count_; }

  private:
    std::vector<BYTE> buffer_;
    DWORD count_ = 0;
};

const char* Text(const char* text) { return text ? text : ""; }

int Spooler(Machine& machine, const std::string& command) {
    if (command == "printers") {
        DWORD flags = PRINTER_ENUM_LOCAL | (machine.IsNT() ? PRINTER_ENUM_CONNECTIONS : 0);
        for (const PRINTER_INFO_2A& printer : SpoolerList<PRINTER_INFO_2A>([&](LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
                 return EnumPrintersA(flags, nullptr, 2, b, s, n, c);
             })) {
            std::printf("%s: port %s, driver %s, attributes 0x%X, status 0x%X, jobs %u\n", printer.pPrinterName,
                        Text(printer.pPortName), Text(printer.pDriverName), printer.Attributes, printer.Status,
                        printer.cJobs);
        }
    } else if (command == "drivers") {
        for (const DRIVER_INFO_3A& driver : SpoolerList<DRIVER_INFO_3A>([](LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
                 return EnumPrinterDriversA(nullptr, nullptr, 3, b, s, n, c);
             })) {
            std::printf("%s (%s, version %u): %s, monitor %s\n", driver.pName, Text(driver.pEnvironment),
                        driver.cVersion, Text(driver.pDriverPath), Text(driver.pMonitorName));
        }
    } else if (command == "monitors") {
        for (const MONITOR_INFO_2A& monitor : SpoolerList<MONITOR_INFO_2A>([](LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
                 return EnumMonitorsA(nullptr, 2, b, s, n, c);
             })) {
            std::printf("%s: %s\n", monitor.pName, Text(monitor.pDLLName));
        }
    } else {
        for (const PORT_INFO_2A& port : SpoolerList<PORT_INFO_2A>([](LPBYTE b, DWORD s, LPDWORD n, LPDWORD c) {
                 return EnumPortsA(nullptr, 2, b, s, n, c);
             })) {
            std::printf("%-12s monitor %s, description %s\n", port.pPortName, Text(port.pMonitorName), Text(port.pDescription));
        }
    }
    return 0;
}

// A text property of a device, or "" when it has none.
std::string DeviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char text[1024];
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(text), sizeof text,
                                           nullptr)) {
        return "";
    }
    return text;
}

// Every device of the machine; a present device has a parent in the tree (the root at least).
int Devices() {
    HDEVINFO all = SetupDiGetClassDevsA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES);
    if (all == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("the devices could not be listed (error " + std::to_string(GetLastError()) + ")");
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(all, index, &device); ++index) {
        char id[MAX_DEVICE_ID_LEN] = "";
        SetupDiGetDeviceInstanceIdA(all, &device, id, sizeof id, nullptr);
        std::string description = DeviceText(all, device, SPDRP_FRIENDLYNAME);
        if (description.empty()) description = DeviceText(all, device, SPDRP_DEVICEDESC);
        DEVINST parent = 0;
        char parentId[MAX_DEVICE_ID_LEN] = "";
        bool present = CM_Get_Parent(&parent, device.DevInst, 0) == CR_SUCCESS &&
                       CM_Get_Device_IDA(parent, parentId, sizeof parentId, 0) == CR_SUCCESS;
        std::printf("%s: class %s%s%s, %s%s\n", id, DeviceText(all, device, SPDRP_CLASS).c_str(),
                    description.empty() ? "" : ", ", description.c_str(), present ? "parent " : "not present",
                    parentId);
    }
    SetupDiDestroyDeviceInfoList(all);
    return 0;
}

std::string ServiceTypeName(DWORD type) {
    if (type & SERVICE_KERNEL_DRIVER) return "kernel driver";
    if (type & SERVICE_FILE_SYSTEM_DRIVER) return "file system driver";
    if (type & SERVICE_WIN32_SHARE_PROCESS) return "shared process";
    if (type & SERVICE_WIN32_OWN_PROCESS) return "own process";
    return "type " + std::to_string(type);
}

std::string StartTypeName(DWORD start) {
    static constexpr const char* kNames[] = {"boot start", "system start", "automatic", "manual", "disabled"};
    return start < std::size(kNames) ? kNames[start] : "start " + std::to_string(start);
}

// One line per service:
//   QnDot4: kernel driver, manual, stopped, "QN DOT4 transport", marked for deletion
int Services(Machine& machine) {
    if (!machine.IsNT()) {
        std::printf("Windows %s has no service control manager\n", platform::OsKindName(machine.os().kind).c_str());
        return 0;
    }
    namespace services = platform::services;
    for (const std::string& name : services::ListServices(machine)) {
        std::optional<services::ServiceConfig> config = services::FindService(machine, name);
        if (!config) continue;
        DWORD state = services::CurrentState(machine, name);
        std::printf("%s: %s, %s, %s, \"%s\"%s\n", config->name.c_str(), ServiceTypeName(config->type).c_str(),
                    StartTypeName(config->start).c_str(), state == SERVICE_RUNNING ? "running" : "stopped",
                    config->displayName.c_str(),
                    services::IsMarkedForDeletion(machine, name) ? ", marked for deletion" : "");
    }
    return 0;
}

std::string OperationalStateName(DWORD state) {
    if (state == NTMS_READY) return "ready";
    if (state == NTMS_NOT_PRESENT) return "not present";
    return "state " + std::to_string(state);
}

// One line per drive of the removable-storage manager:
//   {6B29FC40-CA47-1067-B31D-00DD010662DA}: not present, "QN Card Reader 05"
int RemovableStorage(Machine& machine, const std::vector<std::string>& arguments) {
    namespace storage = platform::removable_storage;
    if (arguments.empty()) {
        if (!machine.LibraryPresent("NTMSAPI.DLL") || !machine.LibraryPresent("NTMSAPI"))
            std::printf("the machine has no removable-storage manager (ntmsapi.dll)\n");
        for (const storage::StorageDrive& drive : storage::ListDrives(machine)) {
            std::printf("%s: %s, \"%s\"\n", platform::GuidText(drive.id).c_str(),
                        OperationalStateName(drive.operationalState).c_str(), drive.description.c_str());
        }
        return 0;
    }
    if (arguments[0] != "add" || arguments.size() < 2) return Usage();
    storage::StorageDrive drive;
    drive.description = arguments[1];
    drive.operationalState = NTMS_READY;
    std::optional<GUID> id;
    for (std::size_t index = 2; index < arguments.size(); ++index) {
        if (arguments[index] == "--not-present") {
            drive.operationalState = NTMS_NOT_PRESENT;
        } else if (arguments[index] == "--id" && index + 1 < arguments.size()) {
            id = platform::ParseGuid(arguments[++index]);
            if (!id) return Refuse("--id " + arguments[index] + ": an id is a GUID, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}");
        } else {
            return Usage();
        }
    }
    if (drive.description.empty()) return Refuse("a drive needs a description");
    if (drive.description.size() >= NTMS_DESCRIPTION_LENGTH)
        return Refuse("\"" + drive.description + "\": a description has at most " +
                      std::to_string(NTMS_DESCRIPTION_LENGTH - 1) + " characters");
    drive.id = id ? *id : storage::NewDriveId(machine);
    storage::AddDrive(machine, drive);
    std::printf("%s\n", platform::GuidText(drive.id).c_str());
    return 0;
}

// One line per running process:
//   8388608: C:\Programmi\Corvanta\hub.exe, declared, parent 0, "C:\Programmi\Corvanta\hub.exe" /tray
int Processes(Machine& machine) {
    for (const platform::ProcessRecord& process : platform::RunningProcesses(machine)) {
        std::printf("%u: %s%s, parent %u, %s\n", process.id, process.path.c_str(), process.declared ? ", declared" : "",
                    process.parentId, process.commandLine.c_str());
    }
    return 0;
}

void PrintWindows(Machine& machine, HWND parent, int depth) {
    for (const platform::WindowRecord& window : platform::DeclaredWindows(machine, parent)) {
        std::printf("%*s0x%X: \"%s\", class %s, process %u, module %s\n", depth * 2, "",
                    static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window.handle)), window.title.c_str(),
                    window.className.c_str(), window.processId, window.moduleFile.c_str());
        PrintWindows(machine, window.handle, depth + 1);
    }
}

// "TITLE|CLASS[|MODULE]"
std::optional<platform::DeclaredWindow> ParseWindow(const std::string& text) {
    size_t bar = text.find('|');
    if (bar == std::string::npos) return std::nullopt;
    size_t second = text.find('|', bar + 1);
    platform::DeclaredWindow window;
    window.title = text.substr(0, bar);
    window.className = text.substr(bar + 1, second == std::string::npos ? std::string::npos : second - bar - 1);
    if (second != std::string::npos) window.moduleFile = text.substr(second + 1);
    return window;
}

int Declare(Machine& machine, const std::vector<std::string>& arguments) {
    platform::DeclaredProcess process;
    process.path = arguments[0];
    for (size_t index = 1; index < arguments.size(); ++index) {
        const std::string& option = arguments[index];
        if (option == "--deny-open") {
            process.openDenied = true;
            continue;
        }
        if (option == "--deny-terminate") {
            process.terminateDenied = true;
            continue;
        }
        if (index + 1 >= arguments.size()) return Usage();
        const std::string& value = arguments[++index];
        if (option == "--command-line") {
            process.commandLine = value;
        } else if (option == "--module") {
            process.modules.push_back(value);
        } else if (option == "--window" || option == "--child") {
            std::optional<platform::DeclaredWindow> window = ParseWindow(value);
            if (!window) return Refuse(option + " " + value + ": a window is \"TITLE|CLASS\" or \"TITLE|CLASS|MODULE\"");
            if (option == "--window") {
                process.windows.push_back(*window);
            } else if (process.windows.empty()) {
                return Refuse("--child " + value + ": a child belongs to a --window before it");
            } else {
                process.windows.back().children.push_back(*window);
            }
        } else if (option == "--on-close" || option == "--on-quit" || option == "--on-terminate") {
            std::optional<platform::ProcessReaction> reaction = platform::ParseProcessReaction(value);
            if (!reaction) return Refuse(option + " " + value + ": now, never, or a time such as 500ms or 3s");
            (option == "--on-close" ? process.onClose : option == "--on-quit" ? process.onQuit : process.onTerminate) =
                *reaction;
        } else {
            return Usage();
        }
    }
    platform::DeclaredIds ids = platform::DeclareProcess(machine, process);
    std::printf("process %u, thread %u", ids.processId, ids.threadId);
    for (HWND window : ids.windows)
        std::printf(", window 0x%X", static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window)));
    std::printf("\n");
    return 0;
}

int Product(Machine& machine, const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    std::vector<std::string> keys;
    for (size_t index = 2; index < arguments.size(); index += 2) {
        if (index + 1 >= arguments.size()) return Usage();
        const std::string& value = arguments[index + 1];
        if (arguments[index] == "--file") {
            files.push_back(value);
        } else if (arguments[index] == "--key") {
            if (value.empty() || value.front() == '\\' || value.back() == '\\' ||
                platform::UpperCopy(value).rfind("HKEY_", 0) == 0)
                return Refuse("--key " + value + ": a key is a path under HKEY_LOCAL_MACHINE, SOFTWARE\\X");
            keys.push_back(value);
        } else {
            return Usage();
        }
    }
    if (arguments[1].empty()) return Refuse("a product needs a name");
    platform::programs::RegisterInstallerProduct(machine, arguments[0], arguments[1], files, keys);
    return 0;
}

// Starts a Windows command line in the machine and waits for the program; its exit code.
// folder is the program's current folder; null for C:\\.
// A command line that names a shortcut (.lnk), quoted or not, with nothing after it: its path.
std::optional<std::string> ShortcutOf(const std::string& commandLine) {
    std::string_view text = platform::TrimBlanks(commandLine);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    if (text.find('"') != std::string_view::npos || text.size() < 4 ||
        !platform::EqualsNoCase(text.substr(text.size() - 4), ".lnk"))
        return std::nullopt;
    return std::string(text);
}

// Opens a shortcut as the shell does when the user opens it: its target starts with its arguments in its
// working folder; nullopt when it cannot start, with the error written.
std::optional<HANDLE> OpenShortcut(const std::string& path, const char* folder) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = path.c_str();
    info.lpDirectory = folder;
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExA(&info) || !info.hProcess) {
        std::fprintf(stderr, "winmachine: cannot open %s (error %u)\n", path.c_str(), GetLastError());
        return std::nullopt;
    }
    return info.hProcess;
}

// Waits for a started program, writes its exit code to standard error and gives it.
int WaitForExitCode(HANDLE process) {
    DWORD exitCode = 1;
    WaitForSingleObject(process, INFINITE);
    GetExitCodeProcess(process, &exitCode);
    std::fprintf(stderr, "exit code %u\n", exitCode);
    CloseHandle(process);
    return static_cast<int>(exitCode);
}

int RunProgram(const std::string& commandLine, const char* folder) {
    if (std::optional<std::string> shortcut = ShortcutOf(commandLine)) {
        std::optional<HANDLE> process = OpenShortcut(*shortcut, folder);
        return process ? WaitForExitCode(*process) : 1;
    }
    std::string text = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &information)) {
        std::fprintf(stderr, "winmachine: cannot start %s (error %u)\n", commandLine.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(information.hThread);
    return WaitForExitCode(information.hProcess);
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && platform::EqualsNoCase(text.substr(text.size() - end.size()), end);
}

int Install(Machine& machine, const std::vector<std::string>& arguments) {
    platform::VersionFields fields;
    for (size_t index = 2; index < arguments.size(); ++index) {
        if (index + 1 >= arguments.size()) return Usage();
        const std::string& value = arguments[++index];
        if (arguments[index - 1] == "--version") {
            if (!IsFileVersion(value)) return Refuse("--version " + value + ": a version is four numbers from 0 to 65535, 1.2.3.4");
            fields.emplace_back("FileVersion", value);
            fields.emplace_back("ProductVersion", value);
        } else if (arguments[index - 1] == "--field" && value.find('=') != std::string::npos) {
            std::string name = value.substr(0, value.find('='));
            std::string text = value.substr(value.find('=') + 1);
            if (platform::TrimBlanks(name).empty()) return Refuse("--field " + value + ": a field needs a name");
            if ((platform::EqualsNoCase(name, "FileVersion") || platform::EqualsNoCase(name, "ProductVersion")) &&
                !IsFileVersion(text))
                return Refuse("--field " + value + ": a version is four numbers from 0 to 65535, 1.2.3.4");
            fields.emplace_back(name, text);
        } else {
            return Usage();
        }
    }
    // A library's stub names the host shared library; its target name ("kenrim07") stands for it.
    std::string host = arguments[0];
    bool library = EndsWithNoCase(arguments[1], ".dll");
    if (library && host.find('/') == std::string::npos && !EndsWithNoCase(host, ".so"))
        host = "lib" + host + ".so";
    if (!platform::FindBuiltFile(host, library ? platform::BuiltFileKind::Library : platform::BuiltFileKind::Program))
        return Refuse(std::string("no built ") + (library ? "library " : "program ") + host +
                      (host.find('/') == std::string::npos ? " (in WINMACHINE_PROGRAMS or the build tree)" : ""));
    if (!platform::WriteProgramStub(machine, arguments[1], host, fields)) {
        std::fprintf(stderr, "winmachine: cannot write %s\n", arguments[1].c_str());
        return 1;
    }
    return 0;
}

// The newest picture of a window, copied to the file asked for.
int Screenshot(Machine& machine, const std::vector<std::string>& arguments) {
    std::string title;
    fs::path out = "screenshot.png";
    for (size_t index = 0; index < arguments.size(); ++index) {
        if (arguments[index] == "--out") {
            if (index + 1 >= arguments.size()) return Usage();
            out = arguments[++index];
        } else if (title.empty()) {
            title = arguments[index];
        } else {
            return Usage();
        }
    }
    std::optional<fs::path> picture = platform::NewestPicture(machine, title);
    if (!picture) return Refuse(title.empty() ? "no window has been shown" : "no window \"" + title + "\" has been shown");
    std::error_code error;
    fs::copy_file(*picture, out, fs::copy_options::overwrite_existing, error);
    if (error) return Refuse("cannot write " + out.string() + ": " + error.message());
    std::printf("%s\n", out.string().c_str());
    return 0;
}

int Run(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string command = argv[1];
    fs::path folder = argv[2];
    std::vector<std::string> arguments(argv + 3, argv + argc);
    if (command == "create") return Create(folder, arguments);
    if (!fs::exists(folder / "machine.ini")) {
        std::fprintf(stderr, "winmachine: %s is not a machine folder\n", folder.string().c_str());
        return 1;
    }
    Machine& machine = Machine::Attach(folder);
    if (command == "import" && arguments.size() == 1) {
        std::string text = ReadInputFile(arguments[0]);
        try {
            platform::ImportRegistryText(machine, text);
        } catch (const std::runtime_error& error) {
            return Refuse(arguments[0] + ": " + error.what());
        }
        return 0;
    }
    if (command == "export" && arguments.size() <= 1) {
        std::string text = platform::ExportRegistryText(machine, arguments.empty() ? "" : arguments[0]);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == "put" && arguments.size() == 2) {
        std::optional<platform::WindowsPath> path = platform::ParseWindowsPath(arguments[1], "C:\\");
        if (!path || path->components.empty()) throw std::runtime_error("not a file path: " + arguments[1]);
        ReadInputFile(arguments[0]);  // a folder or an unreadable file is refused before anything is made
        platform::CreateMachineFolder(machine, path->Parent().ToString());
        fs::copy_file(arguments[0], Resolve(machine, arguments[1]).host, fs::copy_options::overwrite_existing);
        platform::NoteFilesChanged(machine);
        return 0;
    }
    if (command == "cat" && arguments.size() == 1) {
        platform::HostPath host = Resolve(machine, arguments[0]);
        if (!host.exists || host.isDirectory) {
            std::fprintf(stderr, "winmachine: no file %s\n", arguments[0].c_str());
            return 1;
        }
        std::string text = ReadInputFile(host.host);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == "ls" && arguments.size() <= 1) return List(machine, arguments.empty() ? "C:\\" : arguments[0]);
    if (command == "transcript" && arguments.empty()) {
        std::string text = platform::ReadTranscript(machine);
        std::fwrite(text.data(), 1, text.size(), stdout);
        return 0;
    }
    if (command == "answer" && !arguments.empty()) {
        for (const std::string& answer : arguments) {
            if (std::optional<std::string> problem = platform::AnswerProblem(answer)) return Refuse(*problem);
        }
        for (const std::string& answer : arguments) platform::AddAnswer(machine, answer);
        return 0;
    }
    if (command == "info" && arguments.empty()) return Info(machine);
    if ((command == "printers" || command == "drivers" || command == "monitors" || command == "ports") &&
        arguments.empty())
        return Spooler(machine, command);
    if (command == "devices" && arguments.empty()) return Devices();
    if (command == "services" && arguments.empty()) return Services(machine);
    if (command == "rsm") return RemovableStorage(machine, arguments);
    if (command == "run" && arguments.size() == 1) return RunProgram(arguments[0], nullptr);
    if (command == "run" && arguments.size() == 3 && arguments[1] == "--folder")
        return RunProgram(arguments[0], arguments[2].c_str());
    if (command == "install" && arguments.size() >= 2) return Install(machine, arguments);
    if (command == "processes" && arguments.empty()) return Processes(machine);
    if (command == "windows" && arguments.empty()) {
        PrintWindows(machine, nullptr, 0);
        return 0;
    }
    if (command == "declare" && !arguments.empty()) return Declare(machine, arguments);
    if (command == "product" && arguments.size() >= 2) return Product(machine, arguments);
    if (command == "screenshot") return Screenshot(machine, arguments);
    // Print jobs and the pictures of their pages.
    if (command == "jobs" && arguments.size() <= 1) return winmachine::ListJobs(arguments.empty() ? "" : arguments[0]);
    if (command == "job-pages" && arguments.size() == 3)
        return winmachine::WriteJobPages(arguments[0], arguments[1], arguments[2]);
    if (command == "reboot" && arguments.empty()) {
        for (const std::string& line : platform::RestartMachine(machine)) std::printf("%s\n", line.c_str());
        return 0;
    }
    return Usage();
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "winmachine: %s\n", error.what());
        return 1;
    }
}
