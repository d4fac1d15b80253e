// The entry points of ntmsapi.dll that LoadLibraryA and GetProcAddress hand out. Every function
// declared in ntmsapi.h belongs in this list.
#include "ntmsapi.h"
#include "platform/kernel32/platform_libraries.h"

#define NTMSAPI_ENTRY_POINTS(X)  \
    X(OpenNtmsSessionA)          \
    X(CloseNtmsSession)          \
    X(EnumerateNtmsObject)       \
    X(GetNtmsObjectInformationA) \
    X(DeleteNtmsDrive)

namespace {

const platform::PlatformLibraryRegistrar registrar("ntmsapi.dll", platform::LibraryLoad::OnDemand,
                                                   {NTMSAPI_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
