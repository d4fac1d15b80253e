#include "CRegistryDeviceInstanceFilter.h"

#include "DeviceApis.h"

namespace {

constexpr unsigned int DEVICE_INSTANCE_SIZE = 260;

}  // namespace

CRegistryDeviceInstanceFilter::~CRegistryDeviceInstanceFilter() = default;

unsigned int CRegistryDeviceInstanceFilter::TestKey(HKEY hKey, const char* pSubkeyName) {
    if (CRegistryFilter::TestKey(hKey, pSubkeyName)) return 1;
    CRegKeyGuard subkey;
    if (RegOpenKeyExA(hKey, pSubkeyName, 0, KEY_READ, subkey.Receive()) != ERROR_SUCCESS) return 0;
    CaseInsensitiveString deviceInstance;
    return ReadUpperValue(subkey.Get(), "DeviceInstance", DEVICE_INSTANCE_SIZE, deviceInstance) &&
                   Match(deviceInstance)
               ? 1
               : 0;
}
