// The filter of the device keys: a key goes when its name, or the device instance it names in its value
// "DeviceInstance", matches the filter's patterns.
#pragma once

#include "CRegistryFilter.h"

class CRegistryDeviceInstanceFilter : public CRegistryFilter {
  public:
    CRegistryDeviceInstanceFilter() = default;
    ~CRegistryDeviceInstanceFilter() override;
    unsigned int TestKey(HKEY hKey, const char* pSubkeyName) override;
};
