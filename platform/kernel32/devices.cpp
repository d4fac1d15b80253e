// MS-DOS device names: QueryDosDeviceA.
//
// The links Windows NT makes at start from the registry are read from the values of
// HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\DOS Devices ("E:" =
// "\Device\HarddiskVolume2"); a drive of the machine without such a value has the device Windows gives
// a drive of its type: "\Device\Floppy<n>" for A: and B:, "\Device\CdRom<n>" for CD-ROM drives,
// "\Device\HarddiskVolume<n>" for the other local drives, counted from the first of each kind.
// Windows 9x has no such call.
#include <cstring>
#include <map>
#include <string>

#include "platform/machine/machine.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace {

constexpr std::string_view kDosDevicesKey =
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\DOS Devices";

// Every MS-DOS name with its target, by upper-case name.
std::map<std::string, std::pair<std::string, std::string>> DosDevices(platform::Machine& machine) {
    std::map<std::string, std::pair<std::string, std::string>> names;
    int floppies = 0, cdroms = 0, volumes = 0;
    for (const platform::DriveInfo& drive : machine.settings().drives) {
        std::string name = std::string(1, drive.letter) + ":";
        std::string target;
        if (drive.type == DRIVE_REMOVABLE && (drive.letter == 'A' || drive.letter == 'B')) {
            target = "\\Device\\Floppy" + std::to_string(floppies++);
        } else if (drive.type == DRIVE_CDROM) {
            target = "\\Device\\CdRom" + std::to_string(cdroms++);
        } else if (drive.type == DRIVE_REMOTE) {
            target = "\\Device\\LanmanRedirector";
        } else {
            target = "\\Device\\HarddiskVolume" + std::to_string(++volumes);
        }
        names[platform::UpperCopy(name)] = {name, target};
    }
    platform::RegistryStore& store = platform::RegistryStore::For(machine);
    if (std::optional<std::int64_t> key = store.FindKey(kDosDevicesKey)) {
        for (const platform::RegistryValue& value : store.Values(*key)) {
            if (value.name.empty() || (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) continue;
            std::string target = value.data.substr(0, value.data.find('\0'));
            names[platform::UpperCopy(value.name)] = {value.name, target};
        }
    }
    return names;
}

}  // namespace

// Each name gives its target followed by two terminators; no name gives all the names, each with its
// terminator, and a final one. The result counts the characters stored.
extern "C" DWORD WINAPI QueryDosDeviceA(LPCSTR lpDeviceName, LPSTR lpTargetPath, DWORD ucchMax) {
    platform::Machine& machine = platform::Machine::Current();
    if (!machine.IsNT()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return 0;
    }
    auto names = DosDevices(machine);
    std::string result;
    if (!lpDeviceName) {
        for (const auto& entry : names) result += entry.second.first + '\0';
    } else {
        auto found = names.find(platform::UpperCopy(lpDeviceName));
        if (found == names.end()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        result = found->second.second + '\0';
    }
    result += '\0';
    if (!lpTargetPath || ucchMax < result.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpTargetPath, result.data(), result.size());
    return static_cast<DWORD>(result.size());
}
