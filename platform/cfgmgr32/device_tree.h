// The machine's Plug and Play devices as its registry records them, shared by cfgmgr32 and setupapi.
//
// Windows NT: device instances are the keys SYSTEM\CurrentControlSet\Enum\<enumerator>\<device>\<instance>
// of HKEY_LOCAL_MACHINE, with the values HardwareID, CompatibleIDs, Class, ClassGUID, Driver
// ("{class guid}\NNNN", the driver key under Control\Class), DeviceDesc, Mfg, FriendlyName, Service,
// LocationInformation, ConfigFlags, Capabilities, UINumber, UpperFilters, LowerFilters. A device is
// present while its instance key has a "Control" subkey (Windows keeps that key volatile, so it exists
// only for devices found since the start); what only a running device has, its physical device object
// name ("PhysicalDeviceObjectName", "\Device\HarddiskVolume2"), is a value of that Control key.
//
// Windows 9x: device instances are the keys Enum\<enumerator>\<device>\<instance> of HKEY_LOCAL_MACHINE,
// with Class (the class name), ClassGUID, HardwareID, Driver ("<class name>\NNNN", the driver key under
// System\CurrentControlSet\Services\Class) and the other values by the same names. A device is present
// while the configuration manager lists it: a key HKEY_DYN_DATA\Config Manager\Enum\<devnode> whose
// value "HardWareKey" is the device instance id.
//
// On both, the parent of a device is the device instance id in its value "Parent"; a present device
// without one hangs from the root of the tree, "HTREE\ROOT\0", which every machine has.
//
// Device interfaces (both systems) are the keys
// SYSTEM\CurrentControlSet\Control\DeviceClasses\{interface guid}\<symbolic link> of HKEY_LOCAL_MACHINE,
// the link being the device path with '\' written '#' ("##?#USB#VID_04B8&PID_0005#1#{guid}"), its value
// "DeviceInstance" naming the device, and one subkey per reference string ("#", "#Ref") holding the
// interface's own key "Device Parameters" ("Base Name", "Port Number"). An interface is active while
// its device is present.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cfgmgr32.h"
#include "platform/machine/guid_text.h"
#include "platform/machine/registry/registry_store.h"

namespace platform::devices {

inline constexpr std::string_view kRootDevice = "HTREE\\ROOT\\0";

// Full key paths, as the running system keeps them.
std::string EnumPath();
std::string ClassRootPath();
std::string InterfaceClassesPath();

// Class GUIDs as text: platform::GuidText and platform::ParseGuid (guid_text.h).

// Every device instance id in the machine, in the registry's order, as spelt there.
std::vector<std::string> ListDevices();
// Those of them whose class is this one (ClassGuidOf), found in the same walk.
std::vector<std::string> ListDevicesOfClass(const GUID& classGuid);
// The device's id as spelt in the registry when it exists (the root always does).
std::optional<std::string> FindDevice(std::string_view instanceId);
bool IsPresent(std::string_view instanceId);
// A value of the device: of its instance key, else of its Control key (the live values).
std::optional<RegistryValue> DeviceValue(std::string_view instanceId, std::string_view valueName);
std::optional<GUID> ClassGuidOf(std::string_view instanceId);
// The parent of a present device (the root for a device without a recorded parent); none for the root
// and for devices not present.
std::optional<std::string> ParentOf(std::string_view instanceId);
// The present devices whose parent is this one, in the registry's order.
std::vector<std::string> ChildrenOf(std::string_view instanceId);
// Deletes the device's instance key, its driver key, its interfaces and its presence, so that every
// view of the machine loses it. ERROR_SUCCESS or the Windows error (an injected "device" fault on the
// operation "remove", ERROR_ACCESS_DENIED for a user who is not an administrator on Windows NT).
DWORD RemoveDevice(std::string_view instanceId);

// Device setup classes: the key of a class, its name ("Class" value on NT, the key's name on 9x), and
// every class the machine has keys for.
std::optional<std::string> ClassKeyPath(const GUID& classGuid);
std::optional<std::string> ClassName(const GUID& classGuid);
std::vector<GUID> ListClasses();
// The GUID of a class known by name on Windows 9x, whose class keys are named by class name.
std::optional<GUID> StandardClassGuid(std::string_view className);

struct DeviceInterface {
    GUID classGuid{};
    std::string linkKey;       // full key path of the symbolic link's key
    std::string referenceKey;  // full key path of the reference string's key ("...\#")
    std::string devicePath;    // "\\?\USB#VID_04B8&PID_0005#1#{guid}"
    std::string instanceId;
};
// The interfaces of the class whose devices exist, in the registry's order.
std::vector<DeviceInterface> ListInterfaces(const GUID& interfaceClass);

// Device node handles of this process: one per device instance id, for the life of the process.
DEVINST NodeOf(std::string_view instanceId);
std::optional<std::string> IdOfNode(DEVINST node);

}  // namespace platform::devices
