// The entry points of comdlg32.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in commdlg.h belongs in this list.
#include "commdlg.h"
#include "platform/kernel32/platform_libraries.h"

#define COMDLG32_ENTRY_POINTS(X) \
    X(GetOpenFileNameA)          \
    X(GetSaveFileNameA)          \
    X(CommDlgExtendedError)      \
    X(PrintDlgA)

namespace {

const platform::PlatformLibraryRegistrar registrar("comdlg32.dll", platform::LibraryLoad::OnDemand,
                                                   {COMDLG32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
