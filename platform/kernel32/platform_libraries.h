// The platform's libraries as LoadLibraryA and GetProcAddress see them: each library registers its
// table of entry points by name, from a static registrar in its own folder, when its host library is
// loaded into the process.
#pragma once

#include <initializer_list>
#include <string_view>

#include "windows.h"

namespace platform {

struct EntryPoint {
    const char* name;
    // Null for an entry point the library does not provide: GetProcAddress reports it missing.
    FARPROC address;
};

// Casts a function of any signature to the FARPROC that GetProcAddress returns (through void (*)(), the
// one function type a cast to any other is allowed from without a warning).
template <typename Function>
FARPROC AsEntryPoint(Function* function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

enum class LibraryLoad {
    // Linked by every program: in the process from the start, never unloaded.
    AtStart,
    // Loaded by LoadLibraryA and unloaded when FreeLibrary releases the last reference.
    OnDemand,
};

// Registers (or extends) the library "<name>.dll" with its entry points.
void RegisterPlatformLibrary(std::string_view name, LibraryLoad load,
                             std::initializer_list<EntryPoint> entryPoints);

// A static object of this type in a library's folder registers the library when it is loaded.
class PlatformLibraryRegistrar {
  public:
    PlatformLibraryRegistrar(std::string_view name, LibraryLoad load,
                             std::initializer_list<EntryPoint> entryPoints) {
        RegisterPlatformLibrary(name, load, entryPoints);
    }
};

}  // namespace platform

// A library's exports.cpp lists its entry points once, as an X-macro list of function names, and
// registers them with this macro.
#define PLATFORM_ENTRY_POINT(name) platform::EntryPoint{#name, platform::AsEntryPoint(&name)},
