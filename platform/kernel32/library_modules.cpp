// Libraries of the machine's programs. A library's file in the machine is a stub naming a host shared
// library built for it; loading it opens that library (dlopen), and its module handle is the address the
// host library is mapped at, so that the handle the library's own code is given and the one its callers
// hold are the same. A library is loaded once per process: every name or path of the same file, and every
// stub naming the same host library, gives the one module, counted per load.
//
// Loads, unloads and the DllMain notifications run under one loader lock, which the thread holding it
// may take again (a DllMain that loads another library), as Windows' loader lock.
#include "platform/kernel32/library_modules.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel32/file_system.h"
#include "platform/kernel32/module_exports.h"
#include "platform/kernel32/module_resources.h"
#include "platform/kernel32/program_files.h"
#include "platform/machine/machine.h"
#include "platform/machine/process.h"
#include "platform/machine/program_stub.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

using DllEntry = BOOL (*)(HINSTANCE, DWORD, LPVOID);

struct LibraryModule {
    HMODULE handle = nullptr;
    void* host = nullptr;  // the dlopen handle, one per module
    fs::path hostFile;     // the host library
    fs::path stubFile;     // the stub's host path: the identity of the file
    std::string windowsPath;
    const ModuleExport* exports = nullptr;  // null for a library built without an export list
    DllEntry entry = nullptr;
    int references = 0;
    bool attached = false;  // DllMain has been told of the process attach
    bool dataOnly = true;   // loaded only as a data file so far: no entry point is handed out
};

class LoadedLibraries {
  public:
    std::recursive_mutex loaderLock;
    // In load order, so that the process end detaches the last loaded first.
    std::vector<std::unique_ptr<LibraryModule>> modules;
    bool detachAtExitRegistered = false;

    LibraryModule* FromHandle(HMODULE handle) {
        for (auto& module : modules) {
            if (module->handle == handle) return module.get();
        }
        return nullptr;
    }
    LibraryModule* FromStubFile(const fs::path& stubFile) {
        for (auto& module : modules) {
            if (module->stubFile == stubFile) return module.get();
        }
        return nullptr;
    }
    // A bare name matches a loaded module's file name, whatever folder it was loaded from.
    LibraryModule* FromFileName(std::string_view fileName) {
        for (auto& module : modules) {
            std::string_view path = module->windowsPath;
            size_t slash = path.rfind('\\');
            if (EqualsNoCase(slash == std::string_view::npos ? path : path.substr(slash + 1), fileName))
                return module.get();
        }
        return nullptr;
    }
    void Remove(LibraryModule* gone) {
        for (auto at = modules.begin(); at != modules.end(); ++at) {
            if (at->get() == gone) {
                modules.erase(at);
                return;
            }
        }
    }
};

// Never destroyed: the process end detaches the libraries after static objects may have gone.
LoadedLibraries& Libraries() {
    static LoadedLibraries* libraries = new LoadedLibraries;
    return *libraries;
}

bool HasFolder(std::string_view name) {
    return name.find_first_of("\\/:") != std::string_view::npos;
}

// A library's file name as LoadLibraryA completes it: ".dll" when it has no extension; a trailing '.'
// says it has none.
std::string CompletedFileName(std::string_view name) {
    std::string completed(name);
    size_t slash = completed.find_last_of("\\/:");
    size_t dot = completed.rfind('.');
    if (!completed.empty() && completed.back() == '.') {
        completed.pop_back();
    } else if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        completed += ".dll";
    }
    return completed;
}

// Windows XP from Service Pack 2 searches the current folder after the system's folders (safe search
// mode); earlier systems search it second.
bool SafeSearchMode(const OsProfile& os) {
    return os.kind == OsKind::WindowsXP && os.servicePackMajor >= 2;
}

// The folders a bare library name is looked for in: the program's folder, the current folder, the system
// folder, the 16-bit system folder of Windows NT, the Windows folder and PATH; in safe search mode the
// current folder comes after the Windows folder.
std::vector<std::string> SearchFolders(const std::string& currentDirectory) {
    const Machine& machine = Machine::Current();
    const MachineSettings& settings = machine.settings();
    std::vector<std::string> system = {settings.systemFolder};
    if (machine.IsNT()) system.push_back(settings.windowsFolder + "\\SYSTEM");
    system.push_back(settings.windowsFolder);
    std::vector<std::string> folders = {FolderOf(CurrentProcess().modulePath())};
    if (!SafeSearchMode(machine.os())) folders.push_back(currentDirectory);
    folders.insert(folders.end(), system.begin(), system.end());
    if (SafeSearchMode(machine.os())) folders.push_back(currentDirectory);
    for (std::string& folder : PathFolders()) folders.push_back(std::move(folder));
    return folders;
}

std::optional<HostPath> FindLibraryFile(std::string_view name, DWORD& error) {
    std::string currentDirectory = CurrentProcess().currentDirectory();
    std::optional<HostPath> file;
    if (HasFolder(name)) {
        file = FileAt(name, currentDirectory, error);
    } else {
        file = FindInFolders(SearchFolders(currentDirectory), name, currentDirectory);
    }
    // Windows reports every library file it cannot find the same way, whichever part of the path is missing.
    if (!file) error = ERROR_MOD_NOT_FOUND;
    return file;
}

// A host shared library, as opposed to a program or a file of another kind: an ELF shared object without
// a program interpreter.
bool IsHostSharedLibrary(const fs::path& file) {
    std::optional<std::string> contents = ReadWholeFile(file);
    if (!contents || contents->size() < sizeof(Elf64_Ehdr)) return false;
    Elf64_Ehdr header;
    std::memcpy(&header, contents->data(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
        header.e_type != ET_DYN)
        return false;
    for (unsigned index = 0; index < header.e_phnum; ++index) {
        size_t at = header.e_phoff + static_cast<size_t>(index) * header.e_phentsize;
        if (at + sizeof(Elf64_Phdr) > contents->size()) return false;
        Elf64_Phdr segment;
        std::memcpy(&segment, contents->data() + at, sizeof segment);
        if (segment.p_type == PT_INTERP) return false;
    }
    return true;
}

// The address the host library is mapped at.
HMODULE MappedBase(void* host) {
    link_map* map = nullptr;
    Dl_info info{};
    if (dlinfo(host, RTLD_DI_LINKMAP, &map) != 0 || !map || !dladdr(map->l_ld, &info)) return nullptr;
    return static_cast<HMODULE>(info.dli_fbase);
}

// A symbol the library defines itself, not one of a library it links.
void* OwnSymbol(const LibraryModule& module, const char* name) {
    void* symbol = dlsym(module.host, name);
    Dl_info info{};
    if (!symbol || !dladdr(symbol, &info) || info.dli_fbase != module.handle) return nullptr;
    return symbol;
}

// The host library is gone from the process when no one else (a program linked with it) holds it, and
// its resources with it; else they wait, out of sight, for the library to be loaded again.
void CloseHost(const LibraryModule& module) {
    dlclose(module.host);
    if (void* still = dlopen(module.hostFile.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        dlclose(still);
        HideModuleResources(module.handle);
        return;
    }
    ForgetModuleResources(module.handle);
}

void DetachAllAtExit() {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard<std::recursive_mutex> lock(libraries.loaderLock);
    for (auto at = libraries.modules.rbegin(); at != libraries.modules.rend(); ++at) {
        LibraryModule& module = **at;
        if (!module.attached) continue;
        module.attached = false;
        // A non-null reserved argument tells DllMain the process is ending.
        module.entry(module.handle, DLL_PROCESS_DETACH, reinterpret_cast<LPVOID>(1));
    }
}

// Opens the host library a stub file names; null with the last error set when it cannot be.
std::unique_ptr<LibraryModule> OpenLibrary(const HostPath& file) {
    std::optional<std::string> contents = ReadWholeFile(file.host);
    std::optional<ProgramStub> stub = contents ? ParseProgramStub(*contents) : std::nullopt;
    if (!stub) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    std::optional<fs::path> hostFile = FindBuiltFile(stub->program, BuiltFileKind::Library);
    if (!hostFile) {
        // As for a library one depends on that is missing.
        std::fprintf(stderr, "LoadLibraryA: no built library \"%s\" for %s\n", stub->program.c_str(),
                     file.longPath.ToString().c_str());
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (!IsHostSharedLibrary(*hostFile)) {
        SetLastError(ERROR_BAD_EXE_FORMAT);
        return nullptr;
    }
    void* host = dlopen(hostFile->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!host) {
        // A shared library that does not load lacks a library or a symbol it needs.
        std::fprintf(stderr, "LoadLibraryA: %s: %s\n", file.longPath.ToString().c_str(), dlerror());
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    auto module = std::make_unique<LibraryModule>();
    module->host = host;
    module->handle = MappedBase(host);
    module->hostFile = *hostFile;
    module->stubFile = file.host;
    module->windowsPath = file.longPath.ToString();
    return module;
}

// Tells a newly loaded library it is attached, unless the load asked for no initialisation. False when
// its DllMain refused.
bool Attach(LoadedLibraries& libraries, LibraryModule& module, DWORD flags) {
    if (flags & LOAD_LIBRARY_AS_DATAFILE) return true;
    module.dataOnly = false;
    if (flags & DONT_RESOLVE_DLL_REFERENCES) return true;
    if (module.attached || !module.entry) return true;
    if (!libraries.detachAtExitRegistered) {
        libraries.detachAtExitRegistered = true;
        std::atexit(DetachAllAtExit);
    }
    module.attached = true;
    if (module.entry(module.handle, DLL_PROCESS_ATTACH, nullptr)) return true;
    module.attached = false;
    return false;
}

}  // namespace

HMODULE LoadStubLibrary(std::string_view name, DWORD flags) {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard<std::recursive_mutex> lock(libraries.loaderLock);
    std::string fileName = CompletedFileName(name);
    if (!HasFolder(fileName)) {
        if (LibraryModule* loaded = libraries.FromFileName(fileName)) {
            ++loaded->references;
            if (!Attach(libraries, *loaded, flags)) {
                --loaded->references;
                SetLastError(ERROR_DLL_INIT_FAILED);
                return nullptr;
            }
            return loaded->handle;
        }
    }
    DWORD error = ERROR_MOD_NOT_FOUND;
    std::optional<HostPath> file = FindLibraryFile(fileName, error);
    if (!file) {
        SetLastError(error);
        return nullptr;
    }
    if (FileFaultInjected(*file, "LoadLibrary")) return nullptr;
    LibraryModule* module = libraries.FromStubFile(file->host);
    bool added = false;
    if (!module) {
        std::unique_ptr<LibraryModule> opened = OpenLibrary(*file);
        if (!opened) return nullptr;
        module = libraries.FromHandle(opened->handle);
        if (module) {
            // Another stub naming the same host library: the one module, opened once.
            dlclose(opened->host);
        } else {
            ShowModuleResources(opened->handle);
            opened->exports = static_cast<const ModuleExport*>(OwnSymbol(*opened, kModuleExportsSymbol));
            opened->entry = reinterpret_cast<DllEntry>(OwnSymbol(*opened, "DllMain"));
            module = opened.get();
            libraries.modules.push_back(std::move(opened));
            added = true;
        }
    }
    ++module->references;
    if (!Attach(libraries, *module, flags)) {
        --module->references;
        if (added) {
            CloseHost(*module);
            libraries.Remove(module);
        }
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return module->handle;
}

std::optional<BOOL> FreeStubLibrary(HMODULE handle) {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard<std::recursive_mutex> lock(libraries.loaderLock);
    LibraryModule* module = libraries.FromHandle(handle);
    if (!module) return std::nullopt;
    if (--module->references > 0) return TRUE;
    if (module->attached) {
        module->attached = false;
        module->entry(module->handle, DLL_PROCESS_DETACH, nullptr);
    }
    CloseHost(*module);
    libraries.Remove(module);
    return TRUE;
}

std::optional<FARPROC> StubLibraryProcedure(HMODULE handle, LPCSTR procedure) {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard<std::recursive_mutex> lock(libraries.loaderLock);
    LibraryModule* module = libraries.FromHandle(handle);
    if (!module) return std::nullopt;
    FARPROC found = nullptr;
    bool byOrdinal = reinterpret_cast<ULONG_PTR>(procedure) < 0x10000;
    if (procedure && !module->dataOnly) {
        if (module->exports) {
            for (const ModuleExport* entry = module->exports; entry->name; ++entry) {
                bool matches = byOrdinal ? entry->ordinal != 0 &&
                                               entry->ordinal == reinterpret_cast<ULONG_PTR>(procedure)
                                         : std::strcmp(entry->name, procedure) == 0;
                if (matches) {
                    found = reinterpret_cast<FARPROC>(entry->address);
                    break;
                }
            }
        } else if (!byOrdinal) {
            // A library built without an export list exports every C name it defines.
            found = reinterpret_cast<FARPROC>(OwnSymbol(*module, procedure));
        }
    }
    if (!found) SetLastError(ERROR_PROC_NOT_FOUND);
    return found;
}

std::optional<std::string> StubLibraryPath(HMODULE handle) {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard<std::recursive_mutex> lock(libraries.loaderLock);
    LibraryModule* module = libraries.FromHandle(handle);
    if (!module) return std::nullopt;
    return module->windowsPath;
}

HMODULE FindStubLibrary(std::string_view name) {
    LoadedLibraries& libraries = Libraries();
    std::lock_guard<std::recursive_mutex> lock(libraries.loaderLock);
    std::string fileName = CompletedFileName(name);
    if (!HasFolder(fileName)) {
        LibraryModule* module = libraries.FromFileName(fileName);
        return module ? module->handle : nullptr;
    }
    DWORD error = 0;
    std::optional<HostPath> file = FileAt(fileName, CurrentProcess().currentDirectory(), error);
    LibraryModule* module = file ? libraries.FromStubFile(file->host) : nullptr;
    return module ? module->handle : nullptr;
}

}  // namespace platform
