// Installation on a device information set: install parameters, class install parameters, the class
// installer's functions, device removal (with the restart a device may ask for) and the driver lists
// (which nothing on the machine builds).
#include <cstring>

#include "platform/machine/machine.h"
#include "platform/machine/state.h"
#include "platform/setupapi/device_sets.h"

using platform::setup::DeviceElement;
using platform::setup::DeviceSet;
using platform::setup::FindElement;
using platform::setup::FindSet;
using platform::setup::SetError;

namespace {

// The class install parameters of the device, or of the set when no device is named.
std::vector<BYTE>* ClassInstallParamsOf(DeviceSet& set, PSP_DEVINFO_DATA data) {
    if (!data) return &set.classInstallParams;
    DeviceElement* element = FindElement(set, data);
    return element ? &element->classInstallParams : nullptr;
}

}  // namespace

extern "C" BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                      PSP_DEVINSTALL_PARAMS_A DeviceInstallParams) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    if (!DeviceInstallParams) return SetError(ERROR_INVALID_PARAMETER);
    if (DeviceInstallParams->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) return SetError(ERROR_INVALID_USER_BUFFER);
    const SP_DEVINSTALL_PARAMS_A* params = &set->installParams;
    if (DeviceInfoData) {
        DeviceElement* element = platform::setup::FindMember(*set, DeviceInfoData);
        if (!element) return FALSE;
        params = &element->installParams;
    }
    *DeviceInstallParams = *params;
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiSetClassInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                     PSP_CLASSINSTALL_HEADER ClassInstallParams,
                                                     DWORD ClassInstallParamsSize) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    std::vector<BYTE>* stored = ClassInstallParamsOf(*set, DeviceInfoData);
    if (!stored) return FALSE;
    // No parameters clear them.
    if (!ClassInstallParams) {
        if (ClassInstallParamsSize != 0) return SetError(ERROR_INVALID_PARAMETER);
        stored->clear();
        return TRUE;
    }
    if (ClassInstallParams->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) return SetError(ERROR_INVALID_USER_BUFFER);
    if (ClassInstallParamsSize < sizeof(SP_CLASSINSTALL_HEADER)) return SetError(ERROR_INVALID_PARAMETER);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(ClassInstallParams);
    stored->assign(bytes, bytes + ClassInstallParamsSize);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiGetClassInstallParamsA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                     PSP_CLASSINSTALL_HEADER ClassInstallParams,
                                                     DWORD ClassInstallParamsSize, PDWORD RequiredSize) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    std::vector<BYTE>* stored = ClassInstallParamsOf(*set, DeviceInfoData);
    if (!stored) return FALSE;
    if (stored->empty()) return SetError(ERROR_NO_CLASSINSTALL_PARAMS);
    if (ClassInstallParams && ClassInstallParams->cbSize != sizeof(SP_CLASSINSTALL_HEADER)) {
        return SetError(ERROR_INVALID_USER_BUFFER);
    }
    DWORD size = static_cast<DWORD>(stored->size());
    if (RequiredSize) *RequiredSize = size;
    if (!ClassInstallParams || ClassInstallParamsSize < size) return SetError(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(ClassInstallParams, stored->data(), size);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiRemoveDevice(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    DeviceElement* element = FindElement(*set, DeviceInfoData);
    if (!element) return FALSE;
    DWORD error = platform::devices::RemoveDevice(element->instanceId);
    if (error != ERROR_SUCCESS) return SetError(error);
    // A device whose drivers cannot let go of it now is gone only after a restart, which the install
    // parameters then ask for.
    element->installParams.Flags |=
        platform::DeviceRemovalRestart(platform::Machine::Current(), element->instanceId) &
        (DI_NEEDRESTART | DI_NEEDREBOOT);
    return TRUE;
}

// The default handler of each function: removal removes the device; the machine has nothing to do for
// the others.
extern "C" BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION InstallFunction, HDEVINFO DeviceInfoSet,
                                                 PSP_DEVINFO_DATA DeviceInfoData) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    if (InstallFunction != DIF_REMOVE) return TRUE;
    if (!DeviceInfoData) return SetError(ERROR_INVALID_PARAMETER);
    return SetupDiRemoveDevice(DeviceInfoSet, DeviceInfoData);
}

extern "C" BOOL WINAPI SetupDiGetSelectedDriverA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                 PSP_DRVINFO_DATA_A DriverInfoData) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    if (DeviceInfoData && !FindElement(*set, DeviceInfoData)) return FALSE;
    if (!DriverInfoData) return SetError(ERROR_INVALID_PARAMETER);
    if (DriverInfoData->cbSize != sizeof(SP_DRVINFO_DATA_A)) return SetError(ERROR_INVALID_USER_BUFFER);
    return SetError(ERROR_NO_DRIVER_SELECTED);
}

extern "C" BOOL WINAPI SetupDiDestroyDriverInfoList(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD) {
    std::shared_ptr<DeviceSet> set = FindSet(DeviceInfoSet);
    if (!set) return FALSE;
    if (DeviceInfoData && !FindElement(*set, DeviceInfoData)) return FALSE;
    return TRUE;
}
