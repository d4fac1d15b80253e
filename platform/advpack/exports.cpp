// The entry points of advpack.dll that LoadLibraryA and GetProcAddress hand out. Every function
// declared in advpack.h belongs in this list.
#include "advpack.h"
#include "platform/kernel32/platform_libraries.h"

#define ADVPACK_ENTRY_POINTS(X) X(IsNTAdmin)

namespace {

const platform::PlatformLibraryRegistrar registrar("advpack.dll", platform::LibraryLoad::OnDemand,
                                                   {ADVPACK_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
