// LoadTypeLib and LoadTypeLibEx: a type library from a file of the machine, or from the TYPELIB
// resource of a module ("C:\...\server.dll" for resource 1, "C:\...\server.dll\3" for resource 3).
#include <optional>
#include <string>
#include <vector>

#include "platform/machine/text.h"
#include "platform/oleaut32/typelib_objects.h"
#include "windows.h"

namespace platform::automation {

namespace {

constexpr char kFileSignature[] = {'W', 'T', 'L', 'B'};

// A library read from bytes: the library, or the HRESULT of bytes that are not one.
struct Loaded {
    TypeLibraryObject* library = nullptr;
    HRESULT result = TYPE_E_CANTLOADLIBRARY;
};

Loaded FromBytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::optional<typelib::TypeLibrary> model =
        typelib::Deserialize(std::span<const std::uint8_t>(bytes, size));
    if (!model) return {nullptr, TYPE_E_INVDATAREAD};
    return {TypeLibraryObject::Create(std::move(*model)), S_OK};
}

bool HasSignature(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= sizeof(kFileSignature) &&
           std::equal(std::begin(kFileSignature), std::end(kFileSignature), bytes.begin());
}

// The whole file, or nullopt when it cannot be opened; `readFailed` says it opened but could not be read.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, bool* readFailed) {
    *readFailed = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    DWORD size = GetFileSize(file, nullptr);
    if (size != INVALID_FILE_SIZE) {
        bytes.resize(size);
        DWORD read = 0;
        if (size > 0 && (!ReadFile(file, bytes.data(), size, &read, nullptr) || read != size))
            *readFailed = true;
    } else {
        *readFailed = true;
    }
    CloseHandle(file);
    return bytes;
}

// The TYPELIB resource of a module: one already in the process, or one loaded for the purpose as a data
// file, so that its start-up code does not run.
Loaded FromModule(const std::string& path, WORD resource) {
    HMODULE module = GetModuleHandleA(path.c_str());
    bool loadedHere = false;
    if (!module) {
        module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        loadedHere = module != nullptr;
    }
    if (!module) return {};
    Loaded loaded;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resource), "TYPELIB");
    HGLOBAL data = found ? LoadResource(module, found) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (bytes) loaded = FromBytes(bytes, SizeofResource(module, found));
    if (loadedHere) FreeLibrary(module);
    return loaded;
}

Loaded FromPath(const std::string& path) {
    bool readFailed = false;
    std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path, &readFailed);
    if (bytes) {
        if (readFailed) return {nullptr, TYPE_E_INVDATAREAD};
        if (HasSignature(*bytes)) return FromBytes(bytes->data(), bytes->size());
        // Not a type library file: a module that carries one, or neither.
        return FromModule(path, 1);
    }
    // No such file: a module of the process (the program itself needs no file), or "module\n" for
    // resource n of the module.
    Loaded loaded = FromModule(path, 1);
    if (loaded.library || loaded.result != TYPE_E_CANTLOADLIBRARY) return loaded;
    size_t separator = path.find_last_of('\\');
    if (separator == std::string::npos || separator + 1 == path.size()) return loaded;
    std::string number = path.substr(separator + 1);
    if (number.size() > 5 || number.find_first_not_of("0123456789") != std::string::npos) return loaded;
    unsigned long resource = std::stoul(number);
    if (resource == 0 || resource > 0xFFFF) return loaded;
    return FromModule(path.substr(0, separator), static_cast<WORD>(resource));
}

bool HasFolder(const std::string& path) {
    return path.find_first_of("\\/:") != std::string::npos;
}

// A bare file name is looked for in the current folder, then in the system folder.
std::string Located(const std::string& name) {
    char buffer[MAX_PATH];
    DWORD length = GetFullPathNameA(name.c_str(), MAX_PATH, buffer, nullptr);
    if (length > 0 && length < MAX_PATH && GetFileAttributesA(buffer) != INVALID_FILE_ATTRIBUTES)
        return buffer;
    length = GetSystemDirectoryA(buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        std::string inSystem = std::string(buffer) + "\\" + name;
        if (GetFileAttributesA(inSystem.c_str()) != INVALID_FILE_ATTRIBUTES) return inSystem;
    }
    return name;
}

}  // namespace

}  // namespace platform::automation

STDAPI LoadTypeLibEx(LPCOLESTR szFile, REGKIND regkind, ITypeLib** pptlib) {
    if (!pptlib) return E_INVALIDARG;
    *pptlib = nullptr;
    if (!szFile || regkind > REGKIND_NONE) return E_INVALIDARG;
    std::string path = platform::AnsiFromWide(szFile);
    const bool bare = !platform::automation::HasFolder(path);
    if (bare) path = platform::automation::Located(path);
    platform::automation::Loaded loaded = platform::automation::FromPath(path);
    if (!loaded.library) return loaded.result;
    // LoadTypeLib registers a library it had to look for, as Windows always has.
    if (regkind == REGKIND_REGISTER || (regkind == REGKIND_DEFAULT && bare)) {
        std::u16string fullPath = platform::WideFromAnsi(path);
        HRESULT registered = RegisterTypeLib(loaded.library, fullPath.c_str(), nullptr);
        if (FAILED(registered)) {
            loaded.library->Release();
            return registered;
        }
    }
    *pptlib = loaded.library;
    return S_OK;
}

STDAPI LoadTypeLib(LPCOLESTR szFile, ITypeLib** pptlib) {
    return LoadTypeLibEx(szFile, REGKIND_DEFAULT, pptlib);
}
