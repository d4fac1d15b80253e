// Device information sets and their devices: SetupDiGetClassDevsA, SetupDiEnumDeviceInfo, the devices'
// registry properties and ids, and the end of a set.
//
// A set is what was in the machine when it was made; a device removed afterwards stays in the set but
// answers ERROR_NO_SUCH_DEVINST, as a removed device's element does on Windows.
#include "platform/setupapi/device_sets.h"

#include <cstring>
#include <map>
#include <mutex>
#include <set>

#include "platform/machine/text.h"

namespace platform::setup {

namespace {

struct SetTable {
    std::mutex mutex;
    std::map<ULONG_PTR, std::shared_ptr<DeviceSet>> sets;
    ULONG_PTR next = 0x5E700000;
};

SetTable& Sets() {
    static SetTable* table = new SetTable;
    return *table;
}

HDEVINFO AddSet(std::shared_ptr<DeviceSet> set) {
    SetTable& table = Sets();
    std::lock_guard<std::mutex> lock(table.mutex);
    ULONG_PTR handle = table.next;
    table.next += 0x10;
    table.sets.emplace(handle, std::move(set));
    return reinterpret_cast<HDEVINFO>(handle);
}

// An element of the device, of the class given when the caller has just read it.
DeviceElement MakeElement(const std::string& instanceId, std::optional<GUID> classGuid = std::nullopt) {
    DeviceElement element;
    element.instanceId = instanceId;
    element.classGuid = classGuid ? *classGuid : devices::ClassGuidOf(instanceId).value_or(GUID{});
    element.node = devices::NodeOf(instanceId);
    element.installParams.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
    return element;
}

// "USB" keeps the devices of that enumerator; a device instance id keeps that device only.
bool MatchesEnumerator(std::string_view instanceId, PCSTR enumerator) {
    if (!enumerator || !*enumerator) return true;
    std::string_view wanted(enumerator);
    if (EqualsNoCase(instanceId, wanted)) return true;
    return instanceId.size() > wanted.size() && instanceId[wanted.size()] == '\\' &&
           EqualsNoCase(instanceId.substr(0, wanted.size()), wanted);
}

// The registry value behind each property code; null for codes Windows defines but the machine does not
// keep, and for codes Windows does not define (told apart by the caller).
const char* PropertyValueName(DWORD property) {
    static constexpr const char* kNames[] = {
        "DeviceDesc", "HardwareID", "CompatibleIDs", nullptr, "Service", nullptr, nullptr, "Class",
        "ClassGUID", "Driver", "ConfigFlags", "Mfg", "FriendlyName", "LocationInformation",
        "PhysicalDeviceObjectName", "Capabilities", "UINumber", "UpperFilters", "LowerFilters"};
    return property < std::size(kNames) ? kNames[property] : nullptr;
}

bool IsUndefinedProperty(DWORD property) {
    return property == 3 || property == 5 || property == 6 || property >= SPDRP_MAXIMUM_PROPERTY;
}

}  // namespace

bool SetError(DWORD error) {
    SetLastError(error);
    return false;
}

std::shared_ptr<DeviceSet> FindSet(HDEVINFO handle) {
    SetTable& table = Sets();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.sets.find(reinterpret_cast<ULONG_PTR>(handle));
    if (found == table.sets.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return found->second;
}

DeviceElement* FindElement(DeviceSet& set, const SP_DEVINFO_DATA* data) {
    DeviceElement* element = FindMember(set, data);
    if (element && !devices::FindDevice(element->instanceId)) {
        SetLastError(ERROR_NO_SUCH_DEVINST);
        return nullptr;
    }
    return element;
}

DeviceElement* FindMember(DeviceSet& set, const SP_DEVINFO_DATA* data) {
    if (!data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (data->cbSize != sizeof(SP_DEVINFO_DATA)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return nullptr;
    }
    DeviceElement* element = nullptr;
    for (std::vector<DeviceElement>* list : {&set.devices, &set.reached}) {
        for (DeviceElement& candidate : *list) {
            if (candidate.node == data->DevInst) element = &candidate;
        }
    }
    if (!element) {
        std::optional<std::string> id = devices::IdOfNode(data->DevInst);
        std::optional<std::string> existing = id ? devices::FindDevice(*id) : std::nullopt;
        if (!existing) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        set.reached.push_back(MakeElement(*existing));
        element = &set.reached.back();
    }
    return element;
}

void FillInfoData(const DeviceElement& element, SP_DEVINFO_DATA& data) {
    data.ClassGuid = element.classGuid;
    data.DevInst = element.node;
    data.Reserved = 0;
}

}  // namespace platform::setup

using platform::setup::DeviceElement;
using platform::setup::DeviceSet;
using platform::setup::FindElement;
using platform::setup::FindSet;
using platform::setup::SetError;
namespace devices = platform::devices;

extern "C" HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* ClassGuid, PCSTR Enumerator, HWND, DWORD Flags) {
    bool allClasses = Flags & DIGCF_ALLCLASSES;
    bool presentOnly = Flags & DIGCF_PRESENT;
    if (!ClassGuid && !allClasses) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto set = std::make_shared<DeviceSet>();
    set->installParams.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
    std::set<std::string> added;  // upper case: a device that exposes several interfaces is there once
    auto add = [&](const std::string& instanceId, std::optional<GUID> classGuid) {
        if (presentOnly && !devices::IsPresent(instanceId)) return;
        if (!platform::setup::MatchesEnumerator(instanceId, Enumerator)) return;
        if (!added.insert(platform::UpperCopy(instanceId)).second) return;
        set->devices.push_back(platform::setup::MakeElement(instanceId, classGuid));
    };
    if (Flags & DIGCF_DEVICEINTERFACE) {
        // The devices that expose an interface of the class (of any class with DIGCF_ALLCLASSES).
        std::vector<GUID> interfaceClasses;
        if (allClasses || !ClassGuid) {
            std::optional<std::int64_t> root = platform::RegistryStore::For(platform::Machine::Current())
                                                   .FindKey(devices::InterfaceClassesPath());
            if (root) {
                for (const auto& subkey : platform::RegistryStore::For(platform::Machine::Current()).Subkeys(*root)) {
                    if (std::optional<GUID> guid = platform::ParseGuid(subkey.name))
                        interfaceClasses.push_back(*guid);
                }
            }
        } else {
            interfaceClasses.push_back(*ClassGuid);
        }
        for (const GUID& interfaceClass : interfaceClasses) {
            for (const devices::DeviceInterface& deviceInterface : devices::ListInterfaces(interfaceClass)) {
                add(deviceInterface.instanceId, std::nullopt);
            }
        }
    } else if (allClasses) {
        for (const std::string& instanceId : devices::ListDevices()) add(instanceId, std::nullopt);
    } else {
        // The listing has read each device's class already.
        for (const std::string& instanceId : devices::ListDevicesOfClass(*ClassGuid)) add(instanceId, *ClassGuid);
    }
    return platform::setup::AddSet(std::move(set));
}

extern "C" BOOL WINAPI SetupDiEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                             PSP_DEVINFO_DATA DeviceInfoData) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    if (!DeviceInfoData) return SetError(ERROR_INVALID_PARAMETER);
    if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return SetError(ERROR_INVALID_USER_BUFFER);
    if (MemberIndex >= set->devices.size()) return SetError(ERROR_NO_MORE_ITEMS);
    platform::setup::FillInfoData(set->devices[MemberIndex], *DeviceInfoData);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO DeviceInfoSet) {
    platform::setup::SetTable& table = platform::setup::Sets();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (table.sets.erase(reinterpret_cast<ULONG_PTR>(DeviceInfoSet)) == 0) return SetError(ERROR_INVALID_HANDLE);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                         DWORD Property, PDWORD PropertyRegDataType,
                                                         PBYTE PropertyBuffer, DWORD PropertyBufferSize,
                                                         PDWORD RequiredSize) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    DeviceElement* element = FindElement(*set, DeviceInfoData);
    if (!element) return FALSE;
    if (platform::setup::IsUndefinedProperty(Property)) return SetError(ERROR_INVALID_REG_PROPERTY);
    const char* valueName = platform::setup::PropertyValueName(Property);
    std::optional<platform::RegistryValue> value =
        valueName ? devices::DeviceValue(element->instanceId, valueName) : std::nullopt;
    if (!value) return SetError(ERROR_INVALID_DATA);
    DWORD size = static_cast<DWORD>(value->data.size());
    if (PropertyRegDataType) *PropertyRegDataType = value->type;
    if (RequiredSize) *RequiredSize = size;
    if (!PropertyBuffer && PropertyBufferSize != 0) return SetError(ERROR_INVALID_USER_BUFFER);
    if (PropertyBufferSize < size) return SetError(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(PropertyBuffer, value->data.data(), size);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                   PSTR DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                                   PDWORD RequiredSize) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    DeviceElement* element = FindElement(*set, DeviceInfoData);
    if (!element) return FALSE;
    DWORD needed = static_cast<DWORD>(element->instanceId.size() + 1);
    if (RequiredSize) *RequiredSize = needed;
    if (!DeviceInstanceId && DeviceInstanceIdSize != 0) return SetError(ERROR_INVALID_USER_BUFFER);
    if (DeviceInstanceIdSize < needed) return SetError(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(DeviceInstanceId, element->instanceId.c_str(), needed);
    return TRUE;
}
