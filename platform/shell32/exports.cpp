// The entry points of shell32.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in shellapi.h and shlobj.h belongs in this list. DllGetClassObject serves the shell link class to COM;
// it is handed out under its name but has one of its own here, so that it never stands for another
// server's in the process.
#include "platform/kernel32/platform_libraries.h"
#include "platform/shell32/shell_link.h"
#include "shlobj.h"

#define SHELL32_ENTRY_POINTS(X) \
    X(ShellExecuteA)            \
    X(ShellExecuteExA)          \
    X(SHFileOperationA)         \
    X(SHGetSpecialFolderPathA)  \
    X(SHGetFolderPathA)

namespace {

const platform::PlatformLibraryRegistrar registrar(
    "shell32.dll", platform::LibraryLoad::OnDemand,
    {SHELL32_ENTRY_POINTS(PLATFORM_ENTRY_POINT) platform::EntryPoint{
        "DllGetClassObject", platform::AsEntryPoint(&platform::shell::GetShellClassObject)}});

}  // namespace
