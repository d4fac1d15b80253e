// One device information set of the set-up interfaces, and the walk over its devices.
#pragma once

#include "guiddef.h"
#include "setupapi.h"
#include "windows.h"

class CDeviceObject;

class CDevInfoSet {
  public:
    CDevInfoSet();
    virtual ~CDevInfoSet();
    CDevInfoSet(const CDevInfoSet&) = delete;
    CDevInfoSet& operator=(const CDevInfoSet&) = delete;

    // Opens a new set (after clearing the one held). With DIGCF_DEVICEINTERFACE the class is an interface
    // class, kept for GetDeviceInterface.
    long EnumDevices(const GUID* classGuid, const char* enumerator, HWND window, DWORD flags);
    // The present devices of a setup class.
    long EnumSetupDevices(const GUID* classGuid, const char* enumerator = nullptr, HWND window = nullptr);
    // The present devices with an interface of the class.
    long EnumInterfaceDevices(const GUID* interfaceGuid, const char* enumerator = nullptr,
                              HWND window = nullptr);

    // The next device of the set; ERROR_NO_MORE_DEVICES at the end.
    long NextDevice(CDeviceObject& device);
    // The next device whose physical device object name is `name`; ERROR_NOT_FOUND when none is.
    long FindDevice(CDeviceObject& device, const char* name);
    long FindSetupDevice(const GUID* classGuid, CDeviceObject& device, const char* name);
    long FindDeviceInterface(const GUID* interfaceGuid, CDeviceObject& device, const char* name);

    void Rewind();
    long Clear();
    // Writes every device from the current position.
    void Dump();

    HDEVINFO GetHandle() const { return m_hDevInfo; }
    const GUID& GetInterfaceGuid() const { return m_interfaceGuid; }

  private:
    typedef long (CDevInfoSet::*OpenSet)(const GUID*, const char*, HWND);
    // Opens the set with `open` (traced as `openStep`) and finds the device named `name` in it.
    long OpenAndFind(OpenSet open, const char* openStep, const GUID* guid, CDeviceObject& device,
                     const char* name);

    HDEVINFO m_hDevInfo;
    DWORD m_index;
    GUID m_interfaceGuid;
};

// Open a set of the class (present devices, or present devices with an interface of the class) and
// write every device of it.
void DumpSetupDevices(const GUID* classGuid);
void DumpInterfaceDevices(const GUID* interfaceGuid);
