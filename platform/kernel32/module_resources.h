// The resources of the modules of a process, which FindResourceA and LoadResource read. A program or a
// library registers its own when it is loaded: the resource compiler generates that registration from
// its .rc script.
#pragma once

#include <initializer_list>
#include <span>

#include "windows.h"

namespace platform {

struct ModuleResource {
    LPCSTR type;  // MAKEINTRESOURCE(id) or a name
    LPCSTR name;  // MAKEINTRESOURCE(id) or a name; names are matched without regard to case
    WORD language;
    const void* data;
    DWORD size;
};

// Adds resources to a module. A null module is the one whose file holds the resource data: a host
// library's resources belong to the library's module (its handle is the address the library is mapped
// at, library_modules.h), and those of the program's own file, or held in no file, to the program
// (GetModuleHandleA(NULL)). The bytes are copied. A resource registered again under the same type, name and language replaces the earlier one;
// pointers LoadResource gave out for the earlier one stay valid.
void RegisterModuleResources(HMODULE module, std::span<const ModuleResource> resources);

// The resources of a library while FreeLibrary has unloaded it: dropped when its host library has left
// the process (loaded again, it registers them afresh), else kept out of sight until the library is
// loaded again.
void ForgetModuleResources(HMODULE module);
void HideModuleResources(HMODULE module);
void ShowModuleResources(HMODULE module);

// A static object of this type registers a module's resources when its library or program is loaded.
class ModuleResourcesRegistrar {
  public:
    ModuleResourcesRegistrar(HMODULE module, std::initializer_list<ModuleResource> resources) {
        RegisterModuleResources(module, std::span<const ModuleResource>(resources.begin(), resources.size()));
    }
};

}  // namespace platform
