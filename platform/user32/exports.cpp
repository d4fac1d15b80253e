// The entry points of user32.dll that LoadLibraryA and GetProcAddress hand out: message boxes, string
// resources and characters. Every function declared in winuser.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "windows.h"

#define USER32_ENTRY_POINTS(X) \
    X(MessageBoxA)             \
    X(ExitWindowsEx)           \
    X(LoadStringA)             \
    X(CharNextA)               \
    X(CharPrevA)               \
    X(CharUpperA)              \
    X(CharLowerA)              \
    X(wsprintfA)

USER32_ENTRY_POINTS(PLATFORM_WEAK_ENTRY_POINT)

namespace {

const platform::PlatformLibraryRegistrar registrar("user32.dll", platform::LibraryLoad::AtStart,
                                                   {USER32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
