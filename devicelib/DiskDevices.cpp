#include "DiskDevices.h"

#include <cstdio>
#include <cwchar>

#include "CDevInfoSet.h"
#include "CDeviceObject.h"
#include "DeviceApis.h"
#include "OsVersion.h"
#include "Trace.h"
#include "devguid.h"

namespace {

DEFINE_GUID(kVolumeInterface, 0x53f5630d, 0xb6bf, 0x11d0, 0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b);
DEFINE_GUID(kDiskInterface, 0x53f56307, 0xb6bf, 0x11d0, 0x94, 0xf2, 0x00, 0xa0, 0xc9, 0x1e, 0xfb, 0x8b);

char UpperLetter(char letter) {
    return (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
}

// Windows NT names the volume of a drive in its DOS device; the device with that physical device
// object name is a volume, or on older systems the disk itself.
long GetDiskDeviceNT(char letter, CDevInfoSet& infoSet, CDeviceObject& disk) {
    const char drive[] = {letter, ':', '\0'};
    char deviceName[MAX_PATH] = {};
    if (QueryDosDeviceA(drive, deviceName, MAX_PATH) == 0) {
        const long result = static_cast<long>(GetLastError());
        TraceFailedWith("QueryDosDevice", result);
        return result;
    }
    long result = ERROR_NOT_FOUND;
    for (const GUID* interfaceClass : {&kVolumeInterface, &kDiskInterface}) {
        result = infoSet.FindDeviceInterface(interfaceClass, disk, deviceName);
        if (result == ERR_NOERROR) return ERR_NOERROR;
        if (result != ERROR_NOT_FOUND) TraceFailedWith("infoSet.FindDeviceInterface", result);
    }
    return result;
}

// Windows 9x records the letter it gave a disk drive with the drive's device.
long GetDiskDevice9x(char letter, CDevInfoSet& infoSet, CDeviceObject& disk) {
    long result = infoSet.EnumSetupDevices(&GUID_DEVCLASS_DISKDRIVE);
    if (result != ERR_NOERROR) return result;
    while ((result = infoSet.NextDevice(disk)) == ERR_NOERROR) {
        char assigned = '\0';
        if (disk.GetDriveLetter(assigned) != ERR_NOERROR || assigned == '\0') continue;
        if (UpperLetter(assigned) == UpperLetter(letter)) return ERR_NOERROR;
    }
    if (result != ERROR_NO_MORE_DEVICES) return result;
    std::printf("GetDeviceInstanceID can not find the instance for %lc:\n", static_cast<wint_t>(letter));
    return ERROR_NOT_FOUND;
}

}  // namespace

long GetDiskDevice(char letter, CDevInfoSet& infoSet, CDeviceObject& disk) {
    return IsNT() ? GetDiskDeviceNT(letter, infoSet, disk) : GetDiskDevice9x(letter, infoSet, disk);
}

long GetDiskDeviceInstanceID(char letter, CaseInsensitiveString& id) {
    id.clear();
    BindDeviceApis();
    if (pfnSetupDiGetClassDevsA == nullptr || pfnCM_Get_Device_IDA == nullptr) {
        TraceFailed("GetDeviceInstanceID uninitilaized object");
        return ERROR_PROC_NOT_FOUND;
    }
    CDevInfoSet infoSet;
    CDeviceObject disk;
    long result = GetDiskDevice(letter, infoSet, disk);
    if (result != ERR_NOERROR) {
        if (result != ERROR_NOT_FOUND) TraceFailedWith("GetDevice", result);
        return result;
    }
    result = disk.GetDeviceID(id);
    if (result != ERR_NOERROR) TraceFailedWith("disk.GetDeviceID", result);
    return result;
}

bool SameDeviceID(const CaseInsensitiveString& left, const CaseInsensitiveString& right) {
    return !left.empty() && left == right;
}

char FindRemovableDrive(const std::function<bool(char letter)>& matches) {
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0) continue;
        const char root[] = {letter, ':', '\\', '\0'};
        if (GetDriveTypeA(root) != DRIVE_REMOVABLE) continue;
        if (matches(letter)) return letter;
    }
    return '\0';
}
