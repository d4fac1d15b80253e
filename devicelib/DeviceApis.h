// The Plug and Play interfaces of Windows, bound at run time with LoadLibraryA and GetProcAddress so that
// the program starts on systems where setupapi.dll or cfgmgr32.dll is missing. Each pointer is null until
// bound and stays null when its library or entry point is missing; callers treat a null pointer as a
// failed call.
#pragma once

#include "cfgmgr32.h"
#include "setupapi.h"
#include "windows.h"

extern decltype(&GetLongPathNameA) pfnGetLongPathNameA;

extern decltype(&SetupDiGetDeviceInstallParamsA) pfnSetupDiGetDeviceInstallParamsA;
extern decltype(&SetupDiGetDeviceRegistryPropertyA) pfnSetupDiGetDeviceRegistryPropertyA;
extern decltype(&SetupDiGetSelectedDriverA) pfnSetupDiGetSelectedDriverA;
extern decltype(&SetupCopyOEMInfA) pfnSetupCopyOEMInfA;
extern decltype(&SetupFreeSourceListA) pfnSetupFreeSourceListA;
extern decltype(&SetupQuerySourceListA) pfnSetupQuerySourceListA;
extern decltype(&SetupDiOpenClassRegKeyExA) pfnSetupDiOpenClassRegKeyExA;
extern decltype(&SetupDiGetClassDevsA) pfnSetupDiGetClassDevsA;
extern decltype(&SetupDiGetDeviceInterfaceDetailA) pfnSetupDiGetDeviceInterfaceDetailA;
extern decltype(&SetupDiClassNameFromGuidA) pfnSetupDiClassNameFromGuidA;
extern decltype(&SetupDiGetDeviceInstanceIdA) pfnSetupDiGetDeviceInstanceIdA;
extern decltype(&SetupDiGetClassInstallParamsA) pfnSetupDiGetClassInstallParamsA;
extern decltype(&SetupDiInstallClassExA) pfnSetupDiInstallClassExA;
extern decltype(&CMP_WaitNoPendingInstallEvents) pfnCMP_WaitNoPendingInstallEvents;
extern decltype(&SetupDiEnumDeviceInterfaces) pfnSetupDiEnumDeviceInterfaces;
extern decltype(&SetupDiOpenDeviceInterfaceRegKey) pfnSetupDiOpenDeviceInterfaceRegKey;
extern decltype(&SetupDiDestroyDeviceInfoList) pfnSetupDiDestroyDeviceInfoList;
extern decltype(&SetupDiBuildClassInfoList) pfnSetupDiBuildClassInfoList;
extern decltype(&SetupDiEnumDeviceInfo) pfnSetupDiEnumDeviceInfo;
extern decltype(&SetupDiDestroyDriverInfoList) pfnSetupDiDestroyDriverInfoList;
extern decltype(&SetupOpenFileQueue) pfnSetupOpenFileQueue;
extern decltype(&SetupCloseFileQueue) pfnSetupCloseFileQueue;
extern decltype(&SetupDiOpenClassRegKey) pfnSetupDiOpenClassRegKey;
extern decltype(&SetupDiRemoveDevice) pfnSetupDiRemoveDevice;

extern decltype(&CM_Get_Device_IDA) pfnCM_Get_Device_IDA;
extern decltype(&CM_Get_Device_ID_Size) pfnCM_Get_Device_ID_Size;
extern decltype(&CM_Get_Parent) pfnCM_Get_Parent;
extern decltype(&CM_Get_Child) pfnCM_Get_Child;
extern decltype(&CM_Locate_DevNodeA) pfnCM_Locate_DevNodeA;

// Loads kernel32.dll, setupapi.dll and cfgmgr32.dll once per process and looks up every entry point,
// writing a line for each library or entry point that is missing. Returns 1.
int BindDeviceApis();

// Closes a registry key when it goes out of scope.
class CRegKeyGuard {
  public:
    CRegKeyGuard() = default;
    explicit CRegKeyGuard(HKEY key) : key_(key) {}
    ~CRegKeyGuard() { Close(); }
    CRegKeyGuard(const CRegKeyGuard&) = delete;
    CRegKeyGuard& operator=(const CRegKeyGuard&) = delete;

    HKEY* Receive() {
        Close();
        return &key_;
    }
    HKEY Get() const { return key_; }
    void Close() {
        if (key_ != nullptr && key_ != INVALID_HANDLE_VALUE) RegCloseKey(key_);
        key_ = nullptr;
    }

  private:
    HKEY key_ = nullptr;
};
