// The entry points of comctl32.dll that LoadLibraryA and GetProcAddress hand out: the library's start,
// image lists and property sheets. Every function declared in commctrl.h belongs in this list.
#include "commctrl.h"
#include "platform/kernel32/platform_libraries.h"

#define COMCTL32_ENTRY_POINTS(X)   \
    X(InitCommonControls)          \
    X(InitCommonControlsEx)        \
    X(ImageList_Create)            \
    X(ImageList_Destroy)           \
    X(ImageList_Add)               \
    X(ImageList_ReplaceIcon)       \
    X(ImageList_Remove)            \
    X(ImageList_GetImageCount)     \
    X(ImageList_GetIconSize)       \
    X(ImageList_Draw)              \
    X(CreatePropertySheetPageA)    \
    X(DestroyPropertySheetPage)    \
    X(PropertySheetA)

namespace {

// Linked by the programs that use the common controls, so in their process from the start.
const platform::PlatformLibraryRegistrar registrar("comctl32.dll", platform::LibraryLoad::AtStart,
                                                   {COMCTL32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
