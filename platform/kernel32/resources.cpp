// FindResourceA, FindResourceExA, LoadResource, LockResource, SizeofResource and FreeResource over the
// resources the modules of the process registered (module_resources.h).
#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel32/module_resources.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

// A resource type or name: an integer id, or an upper-case name.
struct ResourceKey {
    WORD ordinal = 0;
    std::string name;

    bool operator==(const ResourceKey&) const = default;
};

ResourceKey KeyOf(LPCSTR value) {
    if (IS_INTRESOURCE(value)) return {static_cast<WORD>(reinterpret_cast<ULONG_PTR>(value)), {}};
    // "#123" names the integer id 123, as Windows reads it.
    if (value[0] == '#') {
        char* end = nullptr;
        unsigned long number = std::strtoul(value + 1, &end, 10);
        if (end != value + 1 && *end == '\0' && number <= 0xFFFF) return {static_cast<WORD>(number), {}};
    }
    return {0, UpperCopy(value)};
}

struct Resource {
    ResourceKey type;
    ResourceKey name;
    WORD language = 0;
    std::vector<BYTE> data;
    bool replaced = false;
};

class ResourceTable {
  public:
    std::mutex mutex;
    // Per module; list elements never move, so a HRSRC (the element's address) and the data pointer
    // LoadResource hands out stay valid for the life of their module.
    std::map<HMODULE, std::list<Resource>> modules;
    // Those of libraries unloaded while their host library stays in the process.
    std::map<HMODULE, std::list<Resource>> hidden;

    bool Contains(const Resource* resource) {
        for (auto& [module, resources] : modules) {
            for (Resource& candidate : resources) {
                if (&candidate == resource) return true;
            }
        }
        return false;
    }
};

// Never destroyed, and built on first use: programs register from their static initialisers.
ResourceTable& Resources() {
    static ResourceTable* table = new ResourceTable;
    return *table;
}

HMODULE ModuleKey(HMODULE module) {
    return module ? module : GetModuleHandleA(nullptr);
}

// The address the program's own file is mapped at.
const void* ProgramBase() {
    static const void* base = [] {
        link_map* map = nullptr;
        Dl_info info{};
        void* program = dlopen(nullptr, RTLD_NOW);
        if (!program || dlinfo(program, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(map->l_ld, &info))
            return static_cast<const void*>(nullptr);
        return static_cast<const void*>(info.dli_fbase);
    }();
    return base;
}

// The module resources registered without one belong to: that of the file holding their data.
HMODULE OwnerOf(std::span<const ModuleResource> resources) {
    Dl_info info{};
    if (resources.empty() || !dladdr(resources.front().data, &info) || !info.dli_fbase ||
        info.dli_fbase == ProgramBase())
        return GetModuleHandleA(nullptr);
    return static_cast<HMODULE>(info.dli_fbase);
}

// The languages FindResourceA tries, in order, when more than one is present: neutral, the user's, the
// user's primary language, the system's, its primary language, the default neutral form, US English.
std::vector<WORD> LanguageSearchOrder() {
    const Machine& machine = Machine::Current();
    WORD user = machine.settings().userLanguage;
    WORD system = machine.settings().systemLanguage;
    return {0,
            user,
            static_cast<WORD>(PRIMARYLANGID(user)),
            system,
            static_cast<WORD>(PRIMARYLANGID(system)),
            MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
            MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)};
}

// A language of 0 lets the search order choose; any other must be present exactly.
HRSRC Find(HMODULE module, LPCSTR type, LPCSTR name, WORD language, bool anyLanguage) {
    if (!type || !name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ResourceTable& table = Resources();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.modules.find(ModuleKey(module));
    if (found == table.modules.end()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    ResourceKey typeKey = KeyOf(type);
    ResourceKey nameKey = KeyOf(name);
    bool typeSeen = false;
    std::vector<Resource*> candidates;
    for (Resource& resource : found->second) {
        if (resource.replaced || !(resource.type == typeKey)) continue;
        typeSeen = true;
        if (resource.name == nameKey) candidates.push_back(&resource);
    }
    if (candidates.empty()) {
        SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (!anyLanguage) {
        for (Resource* resource : candidates) {
            if (resource->language == language) return reinterpret_cast<HRSRC>(resource);
        }
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    if (candidates.size() == 1) return reinterpret_cast<HRSRC>(candidates.front());
    for (WORD wanted : LanguageSearchOrder()) {
        for (Resource* resource : candidates) {
            if (resource->language == wanted) return reinterpret_cast<HRSRC>(resource);
        }
    }
    return reinterpret_cast<HRSRC>(candidates.front());
}

Resource* ValidResource(HRSRC handle) {
    auto* resource = reinterpret_cast<Resource*>(handle);
    if (!resource || !Resources().Contains(resource)) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    return resource;
}

}  // namespace

void RegisterModuleResources(HMODULE module, std::span<const ModuleResource> resources) {
    ResourceTable& table = Resources();
    std::lock_guard<std::mutex> lock(table.mutex);
    std::list<Resource>& list = table.modules[module ? module : OwnerOf(resources)];
    for (const ModuleResource& added : resources) {
        Resource resource;
        resource.type = KeyOf(added.type);
        resource.name = KeyOf(added.name);
        resource.language = added.language;
        const auto* bytes = static_cast<const BYTE*>(added.data);
        resource.data.assign(bytes, bytes + added.size);
        // Never an empty buffer: LoadResource returns its address, which must not be null.
        resource.data.reserve(1);
        for (Resource& existing : list) {
            if (existing.type == resource.type && existing.name == resource.name &&
                existing.language == resource.language)
                existing.replaced = true;
        }
        list.push_back(std::move(resource));
    }
}

void ForgetModuleResources(HMODULE module) {
    ResourceTable& table = Resources();
    std::lock_guard<std::mutex> lock(table.mutex);
    table.modules.erase(module);
    table.hidden.erase(module);
}

void HideModuleResources(HMODULE module) {
    ResourceTable& table = Resources();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.modules.find(module);
    if (found == table.modules.end()) return;
    table.hidden[module] = std::move(found->second);
    table.modules.erase(found);
}

// A library whose host library was loaded afresh has registered its resources again: the hidden ones are
// those of an earlier library at the same address.
void ShowModuleResources(HMODULE module) {
    ResourceTable& table = Resources();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.hidden.find(module);
    if (found == table.hidden.end()) return;
    if (!table.modules.count(module)) table.modules[module] = std::move(found->second);
    table.hidden.erase(found);
}

}  // namespace platform

extern "C" HRSRC WINAPI FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    return platform::Find(hModule, lpType, lpName, 0, true);
}

extern "C" HRSRC WINAPI FindResourceExA(HMODULE hModule, LPCSTR lpType, LPCSTR lpName, WORD wLanguage) {
    return platform::Find(hModule, lpType, lpName, wLanguage, wLanguage == 0);
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo) {
    (void)hModule;
    std::lock_guard<std::mutex> lock(platform::Resources().mutex);
    platform::Resource* resource = platform::ValidResource(hResInfo);
    return resource ? static_cast<HGLOBAL>(resource->data.data()) : nullptr;
}

// Loaded resources stay at one address for the life of their module: locking is the identity.
extern "C" LPVOID WINAPI LockResource(HGLOBAL hResData) {
    return hResData;
}

extern "C" DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    (void)hModule;
    std::lock_guard<std::mutex> lock(platform::Resources().mutex);
    platform::Resource* resource = platform::ValidResource(hResInfo);
    return resource ? static_cast<DWORD>(resource->data.size()) : 0;
}

// Resources are never unloaded; Win32 has FreeResource return FALSE.
extern "C" BOOL WINAPI FreeResource(HGLOBAL hResData) {
    (void)hResData;
    return FALSE;
}
