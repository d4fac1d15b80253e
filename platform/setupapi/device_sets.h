// Device information sets: what SetupDiGetClassDevsA gathered, kept by handle for the calls that walk it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/cfgmgr32/device_tree.h"
#include "setupapi.h"

namespace platform::setup {

struct DeviceElement {
    std::string instanceId;
    GUID classGuid{};
    DEVINST node = 0;
    SP_DEVINSTALL_PARAMS_A installParams{};
    std::vector<BYTE> classInstallParams;
};

struct DeviceSet {
    // The devices of the set, in the order SetupDiEnumDeviceInfo gives them.
    std::vector<DeviceElement> devices;
    // Devices a caller reached through the tree (a parent's node) rather than through the set: they
    // answer like members but are not enumerated.
    std::vector<DeviceElement> reached;
    SP_DEVINSTALL_PARAMS_A installParams{};
    std::vector<BYTE> classInstallParams;
    // The interfaces handed out by SetupDiEnumDeviceInterfaces; SP_DEVICE_INTERFACE_DATA.Reserved is
    // the position here plus one.
    std::vector<devices::DeviceInterface> interfaces;
};

// The set a handle names, or null with ERROR_INVALID_HANDLE.
std::shared_ptr<DeviceSet> FindSet(HDEVINFO handle);
// The device a caller's SP_DEVINFO_DATA names in the set, or null with the last error set
// (ERROR_INVALID_USER_BUFFER for a wrong cbSize, ERROR_INVALID_PARAMETER for a device of no set,
// ERROR_NO_SUCH_DEVINST for a device that no longer exists).
DeviceElement* FindElement(DeviceSet& set, const SP_DEVINFO_DATA* data);
// The same, for a device that may have been removed since: its element stays in the set, with its
// install parameters (what removal asks of the caller).
DeviceElement* FindMember(DeviceSet& set, const SP_DEVINFO_DATA* data);
void FillInfoData(const DeviceElement& element, SP_DEVINFO_DATA& data);
bool SetError(DWORD error);

}  // namespace platform::setup
