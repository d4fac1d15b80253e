// LoadLibraryA, GetProcAddress, FreeLibrary and GetModuleHandleA over the platform's libraries, which
// register their entry points themselves (platform_libraries.h) and are present or absent as the machine
// says, and over the libraries of the machine's programs (library_modules.h).
#include <dlfcn.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/kernel32/library_modules.h"
#include "platform/kernel32/platform_libraries.h"
#include "platform/machine/machine.h"
#include "platform/machine/process.h"
#include "platform/machine/text.h"
#include "windows.h"

namespace platform {

namespace {

struct PlatformLibrary {
    LibraryLoad load = LibraryLoad::OnDemand;
    // By name as Windows exports it: GetProcAddress matches names with their case.
    std::map<std::string, FARPROC, std::less<>> entryPoints;
    int references = 0;

    bool loaded() const { return load == LibraryLoad::AtStart || references > 0; }
};

// The libraries by upper-case file name ("KERNEL32.DLL"). A module handle is the address of its entry,
// which stays put for the life of the process.
class LibraryTable {
  public:
    std::mutex mutex;
    std::map<std::string, PlatformLibrary, std::less<>> libraries;

    PlatformLibrary* Find(std::string_view key) {
        auto found = libraries.find(key);
        return found == libraries.end() ? nullptr : &found->second;
    }
    // The library a handle names, with its name, or null for a handle that names none.
    std::pair<const std::string*, PlatformLibrary*> FromHandle(HMODULE module) {
        for (auto& [name, library] : libraries) {
            if (reinterpret_cast<HMODULE>(&library) == module) return {&name, &library};
        }
        return {nullptr, nullptr};
    }
};

// Never destroyed, and built on first use: libraries register from their own static initialisers.
LibraryTable& Libraries() {
    static LibraryTable* table = new LibraryTable;
    return *table;
}

// The handle of the program itself (GetModuleHandleA(NULL)).
char programModule;
HMODULE ProgramHandle() {
    return reinterpret_cast<HMODULE>(&programModule);
}

std::string_view FileNameOf(std::string_view path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The table key of a module name: its file name, upper case, ".DLL" added when it has no extension (a
// trailing '.' says it has none). A name with a folder names a platform library only in the system folder.
std::optional<std::string> LibraryKey(std::string_view name, const Machine& machine) {
    std::string_view fileName = FileNameOf(name);
    if (fileName.size() != name.size()) {
        std::string_view folder = name.substr(0, name.size() - fileName.size() - 1);
        if (!EqualsNoCase(folder, machine.settings().systemFolder)) return std::nullopt;
    }
    if (fileName.empty()) return std::nullopt;
    std::string key = UpperCopy(fileName);
    if (key.back() == '.') {
        key.pop_back();
    } else if (key.find('.') == std::string::npos) {
        key += ".DLL";
    }
    return key;
}

// The machine's list of absent libraries and missing entry points may name a library with or without ".dll".
std::string_view WithoutDll(std::string_view key) {
    return key.size() > 4 && key.substr(key.size() - 4) == ".DLL" ? key.substr(0, key.size() - 4) : key;
}

bool PresentOnMachine(const Machine& machine, std::string_view key) {
    return machine.LibraryPresent(key) && machine.LibraryPresent(WithoutDll(key));
}

bool EntryPointOnMachine(const Machine& machine, std::string_view key, std::string_view entryPoint) {
    return machine.EntryPointPresent(key, entryPoint) &&
           machine.EntryPointPresent(WithoutDll(key), entryPoint);
}

// Brings in the host library of a platform library the program was not linked with (its registrar then
// adds its table). Every platform library is built into the folder of kernel32's own host library, as
// lib<name>.so. A library loaded so stays loaded for the life of the process.
void LoadHostLibrary(std::string_view key) {
    if (key.size() <= 4 || key.substr(key.size() - 4) != ".DLL") return;
    Dl_info self{};
    if (!dladdr(reinterpret_cast<void*>(&RegisterPlatformLibrary), &self) || !self.dli_fname) return;
    std::filesystem::path file =
        std::filesystem::path(self.dli_fname).parent_path() / ("lib" + LowerCopy(WithoutDll(key)) + ".so");
    dlopen(file.c_str(), RTLD_NOW | RTLD_GLOBAL);
}

}  // namespace

std::optional<std::string> ModulePath(HMODULE module) {
    if (!module || module == ProgramHandle()) return CurrentProcess().modulePath();
    if (std::optional<std::string> path = StubLibraryPath(module)) return path;
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto [key, library] = table.FromHandle(module);
    if (!library || !library->loaded()) return std::nullopt;
    return Machine::Current().settings().systemFolder + "\\" + LowerCopy(*key);
}

void RegisterPlatformLibrary(std::string_view name, LibraryLoad load,
                             std::initializer_list<EntryPoint> entryPoints) {
    std::string key = UpperCopy(name);
    if (key.find('.') == std::string::npos) key += ".DLL";
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    PlatformLibrary& library = table.libraries[key];
    library.load = load;
    for (const EntryPoint& entryPoint : entryPoints)
        library.entryPoints[entryPoint.name] = entryPoint.address;
}

}  // namespace platform

using platform::Libraries;
using platform::LibraryTable;
using platform::Machine;

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    return LoadLibraryExA(lpLibFileName, nullptr, 0);
}

// The flags change nothing for a platform library. The file handle is reserved and must be null.
extern "C" HMODULE WINAPI LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    if (!lpLibFileName || hFile) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const Machine& machine = Machine::Current();
    std::optional<std::string> key = platform::LibraryKey(lpLibFileName, machine);
    LibraryTable& table = Libraries();
    std::unique_lock<std::mutex> lock(table.mutex);
    platform::PlatformLibrary* library = key ? table.Find(*key) : nullptr;
    if (!library && key) {
        lock.unlock();
        platform::LoadHostLibrary(*key);
        lock.lock();
        library = table.Find(*key);
    }
    if (!library) {
        lock.unlock();
        return platform::LoadStubLibrary(lpLibFileName, dwFlags);
    }
    if (!platform::PresentOnMachine(machine, *key)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++library->references;
    return reinterpret_cast<HMODULE>(library);
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    if (hLibModule == platform::ProgramHandle()) return TRUE;
    if (std::optional<BOOL> freed = platform::FreeStubLibrary(hLibModule)) return *freed;
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    platform::PlatformLibrary* library = table.FromHandle(hLibModule).second;
    if (!library || !library->loaded()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    if (library->references > 0) --library->references;
    return TRUE;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    if (!hModule) hModule = platform::ProgramHandle();
    if (std::optional<FARPROC> found = platform::StubLibraryProcedure(hModule, lpProcName)) return *found;
    const Machine& machine = Machine::Current();
    LibraryTable& table = Libraries();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto [key, library] = table.FromHandle(hModule);
    if (hModule != platform::ProgramHandle() && (!library || !library->loaded())) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Entry points are found by name only: a value below 0x10000 would be an ordinal, which no platform
    // library exports; the program itself exports nothing to GetProcAddress.
    if (!library || reinterpret_cast<ULONG_PTR>(lpProcName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    auto found = library->entryPoints.find(std::string_view(lpProcName));
    if (found == library->entryPoints.end() || !found->second ||
        !platform::EntryPointOnMachine(machine, *key, lpProcName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return found->second;
}

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName) return platform::ProgramHandle();
    const Machine& machine = Machine::Current();
    std::string programFile(platform::FileNameOf(platform::CurrentProcess().modulePath()));
    if (!programFile.empty() && platform::EqualsNoCase(platform::FileNameOf(lpModuleName), programFile)) {
        return platform::ProgramHandle();
    }
    std::optional<std::string> key = platform::LibraryKey(lpModuleName, machine);
    {
        LibraryTable& table = Libraries();
        std::lock_guard<std::mutex> lock(table.mutex);
        platform::PlatformLibrary* library = key ? table.Find(*key) : nullptr;
        if (library && library->loaded() && platform::PresentOnMachine(machine, *key))
            return reinterpret_cast<HMODULE>(library);
    }
    if (HMODULE loaded = platform::FindStubLibrary(lpModuleName)) return loaded;
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}
