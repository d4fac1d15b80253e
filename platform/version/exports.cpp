// The entry points of version.dll that LoadLibraryA and GetProcAddress hand out: the version information
// of files. Every function declared in winver.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "windows.h"

#define VERSION_ENTRY_POINTS(X) \
    X(GetFileVersionInfoSizeA)  \
    X(GetFileVersionInfoA)      \
    X(VerQueryValueA)

namespace {

const platform::PlatformLibraryRegistrar registrar("version.dll", platform::LibraryLoad::AtStart,
                                                   {VERSION_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
