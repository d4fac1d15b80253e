#include "DeviceApis.h"

#include <cstdio>
#include <string>

#include "DeviceApisTesting.h"

#define DEVICE_KERNEL_APIS(X) X(GetLongPathNameA)

#define DEVICE_SETUP_APIS(X)             \
    X(SetupDiGetDeviceInstallParamsA)    \
    X(SetupDiGetDeviceRegistryPropertyA) \
    X(SetupDiGetSelectedDriverA)         \
    X(SetupCopyOEMInfA)                  \
    X(SetupFreeSourceListA)              \
    X(SetupQuerySourceListA)             \
    X(SetupDiOpenClassRegKeyExA)         \
    X(SetupDiGetClassDevsA)              \
    X(SetupDiGetDeviceInterfaceDetailA)  \
    X(SetupDiClassNameFromGuidA)         \
    X(SetupDiGetDeviceInstanceIdA)       \
    X(SetupDiGetClassInstallParamsA)     \
    X(SetupDiInstallClassExA)            \
    X(CMP_WaitNoPendingInstallEvents)    \
    X(SetupDiEnumDeviceInterfaces)       \
    X(SetupDiOpenDeviceInterfaceRegKey)  \
    X(SetupDiDestroyDeviceInfoList)      \
    X(SetupDiBuildClassInfoList)         \
    X(SetupDiEnumDeviceInfo)             \
    X(SetupDiDestroyDriverInfoList)      \
    X(SetupOpenFileQueue)                \
    X(SetupCloseFileQueue)               \
    X(SetupDiOpenClassRegKey)            \
    X(SetupDiRemoveDevice)

#define DEVICE_CONFIG_APIS(X) \
    X(CM_Get_Device_IDA)      \
    X(CM_Get_Device_ID_Size)  \
    X(CM_Get_Parent)          \
    X(CM_Get_Child)           \
    X(CM_Locate_DevNodeA)

#define DEFINE_POINTER(name) decltype(&name) pfn##name = nullptr;
DEVICE_KERNEL_APIS(DEFINE_POINTER)
DEVICE_SETUP_APIS(DEFINE_POINTER)
DEVICE_CONFIG_APIS(DEFINE_POINTER)
#undef DEFINE_POINTER

namespace {

HMODULE ghKernelLib = nullptr;
HMODULE ghSetupLib = nullptr;
HMODULE ghConfigLib = nullptr;
bool gBound = false;

HMODULE LoadDeviceLibrary(const char* name) {
    HMODULE module = LoadLibraryA(name);
    if (module == nullptr) std::printf("Unable to load %s\n", name);
    return module;
}

// The line names the entry point without the ANSI suffix, as the function is known in the code.
template <typename Pointer>
void BindEntryPoint(HMODULE module, const char* name, const char* libraryVariable, Pointer& pointer) {
    pointer = nullptr;
    if (module == nullptr) return;
    pointer = reinterpret_cast<Pointer>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    if (pointer != nullptr) return;
    std::string shown(name);
    if (shown.size() > 1 && shown.back() == 'A') shown.pop_back();
    std::printf("Unable to load %s from %s\n", shown.c_str(), libraryVariable);
}

}  // namespace

int BindDeviceApis() {
    if (gBound) return 1;
    gBound = true;
    ghKernelLib = LoadDeviceLibrary("kernel32.dll");
    ghSetupLib = LoadDeviceLibrary("setupapi.dll");
    ghConfigLib = LoadDeviceLibrary("cfgmgr32.dll");
#define BIND_KERNEL(name) BindEntryPoint(ghKernelLib, #name, "ghKernelLib", pfn##name);
#define BIND_SETUP(name) BindEntryPoint(ghSetupLib, #name, "ghSetupLib", pfn##name);
#define BIND_CONFIG(name) BindEntryPoint(ghConfigLib, #name, "ghConfigLib", pfn##name);
    DEVICE_KERNEL_APIS(BIND_KERNEL)
    DEVICE_SETUP_APIS(BIND_SETUP)
    DEVICE_CONFIG_APIS(BIND_CONFIG)
#undef BIND_KERNEL
#undef BIND_SETUP
#undef BIND_CONFIG
    return 1;
}

void ResetDeviceApisForTesting() {
#define CLEAR_POINTER(name) pfn##name = nullptr;
    DEVICE_KERNEL_APIS(CLEAR_POINTER)
    DEVICE_SETUP_APIS(CLEAR_POINTER)
    DEVICE_CONFIG_APIS(CLEAR_POINTER)
#undef CLEAR_POINTER
    for (HMODULE* module : {&ghKernelLib, &ghSetupLib, &ghConfigLib}) {
        if (*module != nullptr) FreeLibrary(*module);
        *module = nullptr;
    }
    gBound = false;
}
