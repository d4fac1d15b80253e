// The entry points of psapi.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in psapi.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "psapi.h"

#define PSAPI_ENTRY_POINTS(X) \
    X(EnumProcesses)          \
    X(EnumProcessModules)     \
    X(GetModuleFileNameExA)

namespace {

const platform::PlatformLibraryRegistrar registrar("psapi.dll", platform::LibraryLoad::OnDemand,
                                                   {PSAPI_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
