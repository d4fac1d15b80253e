// Device interfaces of the devices of a set: enumeration, the device path, the interface's own key.
#include <cstddef>
#include <cstring>

#include "platform/machine/text.h"
#include "platform/setupapi/device_sets.h"

using platform::setup::DeviceElement;
using platform::setup::DeviceSet;
using platform::setup::FindElement;
using platform::setup::FindSet;
using platform::setup::SetError;
namespace devices = platform::devices;

namespace {

bool InSet(const DeviceSet& set, const std::string& instanceId) {
    for (const DeviceElement& element : set.devices) {
        if (platform::EqualsNoCase(element.instanceId, instanceId)) return true;
    }
    return false;
}

// The interface a caller's SP_DEVICE_INTERFACE_DATA names, or null with ERROR_INVALID_PARAMETER.
const devices::DeviceInterface* FindInterface(const DeviceSet& set, const SP_DEVICE_INTERFACE_DATA* data) {
    if (!data || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) || data->Reserved == 0 ||
        data->Reserved > set.interfaces.size()) {
        SetLastError(data && data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA) ? ERROR_INVALID_USER_BUFFER
                                                                            : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return &set.interfaces[data->Reserved - 1];
}

// "HKEY_LOCAL_MACHINE\X" as the subkey of HKEY_LOCAL_MACHINE.
const char* BelowLocalMachine(const std::string& fullPath) {
    return fullPath.c_str() + std::strlen("HKEY_LOCAL_MACHINE\\");
}

}  // namespace

extern "C" BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                   const GUID* InterfaceClassGuid, DWORD MemberIndex,
                                                   PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    if (!InterfaceClassGuid || !DeviceInterfaceData) return SetError(ERROR_INVALID_PARAMETER);
    if (DeviceInterfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) return SetError(ERROR_INVALID_USER_BUFFER);
    const DeviceElement* only = nullptr;
    if (DeviceInfoData) {
        only = FindElement(*set, DeviceInfoData);
        if (!only) return FALSE;
    }
    DWORD index = 0;
    for (const devices::DeviceInterface& candidate : devices::ListInterfaces(*InterfaceClassGuid)) {
        bool wanted = only ? platform::EqualsNoCase(candidate.instanceId, only->instanceId)
                           : InSet(*set, candidate.instanceId);
        if (!wanted || index++ != MemberIndex) continue;
        size_t position = 0;
        while (position < set->interfaces.size() &&
               !platform::EqualsNoCase(set->interfaces[position].referenceKey, candidate.referenceKey)) {
            ++position;
        }
        if (position == set->interfaces.size()) set->interfaces.push_back(candidate);
        DeviceInterfaceData->InterfaceClassGuid = candidate.classGuid;
        DeviceInterfaceData->Flags = devices::IsPresent(candidate.instanceId) ? SPINT_ACTIVE : 0;
        DeviceInterfaceData->Reserved = position + 1;
        return TRUE;
    }
    return SetError(ERROR_NO_MORE_ITEMS);
}

extern "C" BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO DeviceInfoSet,
                                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData,
                                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_A DeviceInterfaceDetailData,
                                                        DWORD DeviceInterfaceDetailDataSize, PDWORD RequiredSize,
                                                        PSP_DEVINFO_DATA DeviceInfoData) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    const devices::DeviceInterface* deviceInterface = FindInterface(*set, DeviceInterfaceData);
    if (!deviceInterface) return FALSE;
    if (DeviceInterfaceDetailData && DeviceInterfaceDetailData->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return SetError(ERROR_INVALID_USER_BUFFER);
    }
    if (!DeviceInterfaceDetailData && DeviceInterfaceDetailDataSize != 0) return SetError(ERROR_INVALID_USER_BUFFER);
    if (DeviceInfoData) {
        if (DeviceInfoData->cbSize != sizeof(SP_DEVINFO_DATA)) return SetError(ERROR_INVALID_USER_BUFFER);
        DeviceInfoData->ClassGuid = devices::ClassGuidOf(deviceInterface->instanceId).value_or(GUID{});
        DeviceInfoData->DevInst = devices::NodeOf(deviceInterface->instanceId);
        DeviceInfoData->Reserved = 0;
    }
    DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                      deviceInterface->devicePath.size() + 1);
    if (RequiredSize) *RequiredSize = needed;
    if (DeviceInterfaceDetailDataSize < needed) return SetError(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(DeviceInterfaceDetailData->DevicePath, deviceInterface->devicePath.c_str(),
                deviceInterface->devicePath.size() + 1);
    return TRUE;
}

extern "C" HKEY WINAPI SetupDiOpenDeviceInterfaceRegKey(HDEVINFO DeviceInfoSet,
                                                        PSP_DEVICE_INTERFACE_DATA DeviceInterfaceData, DWORD,
                                                        REGSAM samDesired) {
    HKEY failed = reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE);
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return failed;
    const devices::DeviceInterface* deviceInterface = FindInterface(*set, DeviceInterfaceData);
    if (!deviceInterface) return failed;
    std::string path = deviceInterface->referenceKey + "\\Device Parameters";
    HKEY key = nullptr;
    LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, BelowLocalMachine(path), 0, samDesired, &key);
    if (error != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(error));
        return failed;
    }
    return key;
}
