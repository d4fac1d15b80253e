// The entry points of advapi32.dll that LoadLibraryA and GetProcAddress hand out: the registry functions,
// security descriptors, access tokens, the user's name and the service control manager. Every function
// declared in winreg.h and winsvc.h, and every advapi32 function of winbase.h, belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "windows.h"
#include "winsvc.h"

#define ADVAPI32_ENTRY_POINTS(X) \
    X(RegOpenKeyExA)             \
    X(RegOpenKeyA)               \
    X(RegCreateKeyExA)           \
    X(RegCreateKeyA)             \
    X(RegQueryValueExA)          \
    X(RegSetValueExA)            \
    X(RegEnumKeyExA)             \
    X(RegEnumKeyA)               \
    X(RegEnumValueA)             \
    X(RegQueryInfoKeyA)          \
    X(RegDeleteKeyA)             \
    X(RegDeleteValueA)           \
    X(RegCloseKey)               \
    X(RegFlushKey)                  \
    X(InitializeSecurityDescriptor) \
    X(SetSecurityDescriptorDacl)    \
    X(GetSecurityDescriptorDacl)    \
    X(IsValidSecurityDescriptor)    \
    X(OpenProcessToken)             \
    X(LookupPrivilegeValueA)        \
    X(AdjustTokenPrivileges)        \
    X(GetUserNameA)                 \
    X(OpenSCManagerA)               \
    X(OpenServiceA)                 \
    X(QueryServiceConfigA)          \
    X(QueryServiceStatus)           \
    X(ControlService)               \
    X(DeleteService)                \
    X(CloseServiceHandle)


namespace {

const platform::PlatformLibraryRegistrar registrar("advapi32.dll", platform::LibraryLoad::AtStart,
                                                   {ADVAPI32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
