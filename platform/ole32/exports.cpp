// The entry points of ole32.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in objbase.h that ole32 provides belongs in this list.
#include "objbase.h"
#include "platform/kernel32/platform_libraries.h"

#define OLE32_ENTRY_POINTS(X)  \
    X(CoInitialize)            \
    X(CoInitializeEx)          \
    X(CoUninitialize)          \
    X(CoGetClassObject)        \
    X(CoCreateInstance)        \
    X(CoFreeUnusedLibraries)   \
    X(CLSIDFromProgID)         \
    X(ProgIDFromCLSID)         \
    X(CLSIDFromString)         \
    X(IIDFromString)           \
    X(StringFromGUID2)         \
    X(StringFromCLSID)         \
    X(StringFromIID)           \
    X(CoTaskMemAlloc)          \
    X(CoTaskMemRealloc)        \
    X(CoTaskMemFree)

namespace {

const platform::PlatformLibraryRegistrar registrar("ole32.dll", platform::LibraryLoad::AtStart,
                                                   {OLE32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
