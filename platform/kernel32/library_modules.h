// The libraries of the machine's programs (library stubs, program_stub.h) loaded into this process, as
// LoadLibraryExA, FreeLibrary, GetProcAddress, GetModuleHandleA and GetModuleFileNameA see them beside
// the platform's own libraries (platform_libraries.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "windows.h"

namespace platform {

// Loads the library a name or path gives, searching as Windows does for a bare name, or takes another
// reference to it when it is loaded. Sets the last error and returns null on failure.
HMODULE LoadStubLibrary(std::string_view name, DWORD flags);

// The following answer nullopt for a handle that names no loaded library stub.
std::optional<BOOL> FreeStubLibrary(HMODULE module);
std::optional<FARPROC> StubLibraryProcedure(HMODULE module, LPCSTR procedure);
std::optional<std::string> StubLibraryPath(HMODULE module);

// A loaded library stub by file name or path, without loading; null when none.
HMODULE FindStubLibrary(std::string_view name);

// The Windows path of any module of the process (null for the program); nullopt for a handle that names
// no loaded module.
std::optional<std::string> ModulePath(HMODULE module);

}  // namespace platform
