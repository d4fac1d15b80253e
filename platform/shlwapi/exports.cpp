// The entry points of shlwapi.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in shlwapi.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "shlwapi.h"

#define SHLWAPI_ENTRY_POINTS(X) \
    X(SHDeleteKeyA)             \
    X(SHDeleteValueA)

namespace {

const platform::PlatformLibraryRegistrar registrar("shlwapi.dll", platform::LibraryLoad::OnDemand,
                                                   {SHLWAPI_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
