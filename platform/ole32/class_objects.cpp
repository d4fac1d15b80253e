// CoGetClassObject, CoCreateInstance and CoFreeUnusedLibraries over in-process servers: the class's
// InprocServer32 key names the server's library, which is loaded once per process and asked for the
// class object through its DllGetClassObject.
#include <mutex>
#include <vector>

#include "platform/machine/guid_text.h"
#include "platform/machine/text.h"
#include "platform/ole32/ole32_internal.h"
#include "windows.h"

namespace {

struct LoadedServer {
    std::string key;  // the library's path, upper case
    HMODULE module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

class ServerTable {
  public:
    std::mutex mutex;
    std::vector<LoadedServer> servers;

    const LoadedServer* Find(std::string_view key) const {
        for (const LoadedServer& server : servers)
            if (server.key == key) return &server;
        return nullptr;
    }
};

// Never destroyed: servers may be released by static destructors of other libraries.
ServerTable& Servers() {
    static ServerTable* table = new ServerTable;
    return *table;
}

template <typename Function>
Function EntryPoint(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The DllGetClassObject of the library, loaded now when the process has not loaded it yet.
HRESULT ServerEntryPoint(const std::string& libraryPath, LPFNGETCLASSOBJECT& getClassObject) {
    std::string key = platform::UpperCopy(libraryPath);
    ServerTable& table = Servers();
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        if (const LoadedServer* server = table.Find(key)) {
            getClassObject = server->getClassObject;
            return S_OK;
        }
    }
    HMODULE module = LoadLibraryA(libraryPath.c_str());
    if (!module) return CO_E_DLLNOTFOUND;
    LoadedServer loaded{key, module, EntryPoint<LPFNGETCLASSOBJECT>(module, "DllGetClassObject"),
                        EntryPoint<LPFNCANUNLOADNOW>(module, "DllCanUnloadNow")};
    if (!loaded.getClassObject) {
        FreeLibrary(module);
        return CO_E_ERRORINDLL;
    }
    std::lock_guard<std::mutex> lock(table.mutex);
    if (const LoadedServer* server = table.Find(key)) {
        // Another thread loaded it meanwhile: keep one reference in the table.
        FreeLibrary(module);
        getClassObject = server->getClassObject;
        return S_OK;
    }
    table.servers.push_back(loaded);
    getClassObject = loaded.getClassObject;
    return S_OK;
}

// The in-process server registered for the class in one of the contexts asked for.
std::optional<std::string> InprocLibrary(REFCLSID rclsid, DWORD context) {
    struct ContextKey {
        DWORD context;
        const char* name;
    };
    static const ContextKey keys[] = {
        {CLSCTX_INPROC_SERVER, "InprocServer32"},
        {CLSCTX_INPROC_HANDLER, "InprocHandler32"},
    };
    std::string classKey = "CLSID\\" + platform::GuidText(rclsid) + "\\";
    for (const ContextKey& key : keys) {
        if (!(context & key.context)) continue;
        std::optional<std::string> library = platform::com::ClassesRootString(classKey + key.name);
        if (library && !library->empty()) return library;
    }
    return std::nullopt;
}

}  // namespace

STDAPI CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo, REFIID riid, LPVOID* ppv) {
    (void)pServerInfo;
    if (!ppv) return E_INVALIDARG;
    *ppv = nullptr;
    if (!platform::com::ThreadInitialized()) return CO_E_NOTINITIALIZED;
    std::optional<std::string> library = InprocLibrary(rclsid, dwClsContext);
    if (!library) return REGDB_E_CLASSNOTREG;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    HRESULT result = ServerEntryPoint(*library, getClassObject);
    if (FAILED(result)) return result;
    return getClassObject(rclsid, riid, ppv);
}

STDAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    IClassFactory* factory = nullptr;
    HRESULT result = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                      reinterpret_cast<LPVOID*>(&factory));
    if (FAILED(result)) return result;
    if (!factory) return E_NOINTERFACE;
    result = factory->CreateInstance(pUnkOuter, riid, ppv);
    factory->Release();
    return result;
}

// Unloads each server whose DllCanUnloadNow answers S_OK; a server without it stays loaded.
STDAPI_(void) CoFreeUnusedLibraries(void) {
    ServerTable& table = Servers();
    std::vector<LoadedServer> servers;
    {
        std::lock_guard<std::mutex> lock(table.mutex);
        servers = table.servers;
    }
    for (const LoadedServer& server : servers) {
        if (!server.canUnloadNow || server.canUnloadNow() != S_OK) continue;
        {
            std::lock_guard<std::mutex> lock(table.mutex);
            std::erase_if(table.servers, [&](const LoadedServer& kept) { return kept.key == server.key; });
        }
        FreeLibrary(server.module);
    }
}
