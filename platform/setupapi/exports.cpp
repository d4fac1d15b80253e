// The entry points of setupapi.dll that LoadLibraryA and GetProcAddress hand out. Every function
// declared in setupapi.h belongs in this list (CMP_WaitNoPendingInstallEvents is cfgmgr32's, which
// setupapi.dll exports as well).
#include "platform/kernel32/platform_libraries.h"
#include "setupapi.h"

#define SETUPAPI_ENTRY_POINTS(X)          \
    X(SetupDiGetClassDevsA)               \
    X(SetupDiEnumDeviceInfo)              \
    X(SetupDiDestroyDeviceInfoList)       \
    X(SetupDiGetDeviceRegistryPropertyA)  \
    X(SetupDiGetDeviceInstanceIdA)        \
    X(SetupDiEnumDeviceInterfaces)        \
    X(SetupDiGetDeviceInterfaceDetailA)   \
    X(SetupDiOpenDeviceInterfaceRegKey)   \
    X(SetupDiBuildClassInfoList)          \
    X(SetupDiClassNameFromGuidA)          \
    X(SetupDiClassGuidsFromNameA)         \
    X(SetupDiOpenClassRegKey)             \
    X(SetupDiOpenClassRegKeyExA)          \
    X(SetupDiInstallClassExA)             \
    X(SetupDiGetDeviceInstallParamsA)     \
    X(SetupDiSetClassInstallParamsA)      \
    X(SetupDiGetClassInstallParamsA)      \
    X(SetupDiCallClassInstaller)          \
    X(SetupDiRemoveDevice)                \
    X(SetupDiGetSelectedDriverA)          \
    X(SetupDiDestroyDriverInfoList)       \
    X(SetupOpenFileQueue)                 \
    X(SetupCloseFileQueue)                \
    X(SetupCopyOEMInfA)                   \
    X(SetupQuerySourceListA)              \
    X(SetupFreeSourceListA)               \
    X(CMP_WaitNoPendingInstallEvents)

namespace {

const platform::PlatformLibraryRegistrar registrar("setupapi.dll", platform::LibraryLoad::OnDemand,
                                                   {SETUPAPI_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
