// The simulated Windows computer a process runs in: its folder, OS profile, languages, folders,
// drives and libraries, as machine.ini describes them.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/kernel/shared_counters.h"
#include "platform/machine/kernel/time_zone.h"
#include "platform/machine/os_profile.h"
#include "windef.h"

namespace platform {

class SqliteDatabase;

struct DriveInfo {
    char letter = 'C';  // upper case
    UINT type = 3;      // DRIVE_FIXED
};

// The display's mode: what GetDeviceCaps reports of the screen.
struct DisplayMode {
    int width = 1024;
    int height = 768;
    int bitsPerPixel = 32;
    int refresh = 60;
};

// Everything machine.ini holds. Written by CreateMachine, read when a process attaches.
struct MachineSettings {
    OsProfile os;
    LANGID systemLanguage = 0x410;
    LANGID userLanguage = 0x410;
    UINT codePage = 1252;
    std::string computerName = "UFFICIO";
    std::string userName = "Utente";
    bool administrator = true;
    std::string windowsFolder;
    std::string systemFolder;
    std::string tempFolder;
    std::string programFilesFolder;
    std::vector<DriveInfo> drives;
    // Platform libraries marked absent, and single entry points missing from present ones (both upper case).
    std::set<std::string> absentLibraries;
    std::map<std::string, std::set<std::string>> missingEntryPoints;
    // The machine's local time; Italian by default, as the languages are.
    TimeZone timeZone = DefaultTimeZone();
    DisplayMode display;

    // A fresh installation of the given system with the usual folders and drives A:, C: and D:.
    static MachineSettings Defaults(OsKind kind, int servicePack = -1);
};

// The platform libraries a fresh installation of the system lacks (upper case, with ".dll").
std::set<std::string> DefaultAbsentLibraries(OsKind kind);

std::string DriveTypeName(UINT type);
std::optional<UINT> ParseDriveType(std::string_view name);

class Machine {
public:
    // The machine of this process: the one attached, else the one named by WINMACHINE in the environment.
    // A process outside any machine is told how to start it in one and ends.
    static Machine& Current();
    static Machine* CurrentOrNull();
    // Attaches this process to the machine in the folder (tests, tools); the previous one is released.
    static Machine& Attach(const std::filesystem::path& folder);
    static void Detach();

    explicit Machine(const std::filesystem::path& folder);
    ~Machine();

    const std::filesystem::path& folder() const { return folder_; }
    // Different for every Machine object of the process, so that a cache of what belongs to the
    // machine's folder can tell, without comparing folders, that it still holds the same machine.
    std::uint64_t serial() const { return serial_; }
    const MachineSettings& settings() const { return settings_; }
    const OsProfile& os() const { return settings_.os; }
    bool IsNT() const { return settings_.os.IsNT(); }

    std::optional<DriveInfo> Drive(char letter) const;
    std::filesystem::path DriveFolder(char letter) const;
    std::filesystem::path NetworkFolder() const { return folder_ / "network"; }

    bool LibraryPresent(std::string_view libraryName) const;
    bool EntryPointPresent(std::string_view libraryName, std::string_view entryPoint) const;

    // state.db (faults, short names, pending boot operations), used under one lock per process.
    void WithState(const std::function<void(SqliteDatabase&)>& action);

    // Counters through which processes of this machine see each other's changes.
    SharedCounters& counters() { return *counters_; }

    // Rereads machine.ini (after a tool changed it).
    void Reload();

private:
    std::filesystem::path folder_;
    std::uint64_t serial_;
    MachineSettings settings_;
    std::mutex stateMutex_;
    std::unique_ptr<SqliteDatabase> state_;
    std::unique_ptr<SharedCounters> counters_;
};

// machine.ini as text and back.
MachineSettings ReadMachineSettings(const std::filesystem::path& iniFile);
void WriteMachineSettings(const std::filesystem::path& iniFile, const MachineSettings& settings);

// What a new machine's settings may hold, as Windows' setup allows it. Each gives the reason a value is
// refused, or nullopt. A computer name (NetBIOS) has 1 to 15 characters, letters, digits and
// - _ ! @ # $ % ^ & ' ( ) { } ~ . only, does not start with '.' and is not only digits. A user name has 1
// to 20 characters, none of " / \ [ ] : ; | = , + * ? < > nor control characters, and is not only periods
// and blanks.
inline constexpr std::size_t kMaximumComputerNameLength = 15;
inline constexpr std::size_t kMaximumUserNameLength = 20;
bool IsKnownLanguage(LANGID language);
std::optional<std::string> ComputerNameProblem(std::string_view name);
std::optional<std::string> UserNameProblem(std::string_view name);
// "Windows xp has service packs 0 to 3": why a service pack beyond HighestServicePack is refused.
std::string ServicePackProblem(OsKind kind);
// The first value of the settings that a new machine cannot have: languages, names, service pack.
std::optional<std::string> MachineSettingsProblem(const MachineSettings& settings);

// Makes a machine folder: machine.ini, the drive folders, the system's usual folders, state.db and the
// registry with the keys every Windows has. Throws std::invalid_argument for settings that
// MachineSettingsProblem refuses, and std::runtime_error if the folder holds a machine already or cannot
// be made. The machine is built beside the folder and moved into place whole: a creation that fails
// leaves nothing of the machine behind and never removes what was there before.
void CreateMachine(const std::filesystem::path& folder, const MachineSettings& settings);

}  // namespace platform
