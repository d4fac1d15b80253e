// Drives: GetLogicalDrives and GetDriveTypeA.
#include "platform/kernel32/file_system.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/text.h"

extern "C" DWORD WINAPI GetLogicalDrives(void) {
    DWORD mask = 0;
    for (const platform::DriveInfo& drive : platform::Machine::Current().settings().drives) {
        if (drive.letter >= 'A' && drive.letter <= 'Z') mask |= 1u << (drive.letter - 'A');
    }
    return mask;
}

extern "C" UINT WINAPI GetDriveTypeA(LPCSTR lpRootPathName) {
    using namespace platform;
    Machine& machine = Machine::Current();
    std::string root = lpRootPathName ? lpRootPathName : "";
    if (!lpRootPathName) {
        // The drive of the current folder.
        std::optional<WindowsPath> current = ParseWindowsPath(CurrentProcess().currentDirectory(), "C:\\");
        if (!current) return DRIVE_NO_ROOT_DIR;
        WindowsPath currentRoot = *current;
        currentRoot.components.clear();
        root = currentRoot.ToString();
    }
    bool driveRoot = (root.size() == 2 || (root.size() == 3 && (root[2] == '\\' || root[2] == '/'))) &&
                     root[1] == ':' && std::isalpha(static_cast<unsigned char>(root[0]));
    if (driveRoot) {
        std::optional<DriveInfo> drive = machine.Drive(root[0]);
        return drive ? drive->type : DRIVE_NO_ROOT_DIR;
    }
    // A network share: "\\server\share\".
    std::optional<WindowsPath> path = ParseWindowsPath(root, "C:\\");
    if (!path || !path->IsNetwork() || !path->IsRoot()) return DRIVE_NO_ROOT_DIR;
    std::optional<HostPath> share = ResolveHostPath(machine, *path);
    return share && share->exists ? DRIVE_REMOTE : DRIVE_NO_ROOT_DIR;
}
