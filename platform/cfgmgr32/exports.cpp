// The entry points of cfgmgr32.dll that LoadLibraryA and GetProcAddress hand out. Every function
// declared in cfgmgr32.h belongs in this list.
#include "cfgmgr32.h"
#include "platform/kernel32/platform_libraries.h"

#define CFGMGR32_ENTRY_POINTS(X) \
    X(CM_Locate_DevNodeA)        \
    X(CM_Get_Parent)             \
    X(CM_Get_Child)              \
    X(CM_Get_Sibling)            \
    X(CM_Get_Device_IDA)         \
    X(CM_Get_Device_ID_Size)     \
    X(CM_Get_DevNode_Status)     \
    X(CMP_WaitNoPendingInstallEvents)

namespace {

const platform::PlatformLibraryRegistrar registrar("cfgmgr32.dll", platform::LibraryLoad::OnDemand,
                                                   {CFGMGR32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
