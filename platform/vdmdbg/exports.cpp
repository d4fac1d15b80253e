// The entry points of vdmdbg.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in vdmdbg.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "vdmdbg.h"

#define VDMDBG_ENTRY_POINTS(X) X(VDMEnumTaskWOWEx)

namespace {

const platform::PlatformLibraryRegistrar registrar("vdmdbg.dll", platform::LibraryLoad::OnDemand,
                                                   {VDMDBG_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
