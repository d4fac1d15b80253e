// The resources of the modules of a process, which FindResourceA and LoadResource read. A program
// registers its own at start: the resource compiler generates that registration from the program's .rc
// script.
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

// Adds resources to a module; a null module is the program's own (GetModuleHandleA(NULL)). The bytes are
// copied. A resource registered again under the same type, name and language replaces the earlier one;
// pointers LoadResource gave out for the earlier one stay valid.
void RegisterModuleResources(HMODULE module, std::span<const ModuleResource> resources);

// A static object of this type registers a module's resources when its library or program is loaded.
class ModuleResourcesRegistrar {
  public:
    ModuleResourcesRegistrar(HMODULE module, std::initializer_list<ModuleResource> resources) {
        RegisterModuleResources(module, std::span<const ModuleResource>(resources.begin(), resources.size()));
    }
};

}  // namespace platform
