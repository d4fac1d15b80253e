// CoCreateInstance of a class whose server is already loaded: the framework's test server registered in a
// machine, one object created and released per iteration; and the same through the server's class
// factory alone.
#include <benchmark/benchmark.h>

#include <memory>

#include "comserver.h"
#include "ole2.h"
#include "platform/machine/processes/program_stub.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr char kServerPath[] = "C:\\Program Files\\ComServer\\comserver.dll";

// The machine with the server registered through its own DllRegisterServer. The machine is made before
// the server is loaded, so the server's detach at exit runs while the machine is still there.
platform::TestMachine& Machine() {
    static std::unique_ptr<platform::TestMachine> machine = std::make_unique<platform::TestMachine>();
    static const bool registered = [] {
        platform::WriteProgramStub(machine->machine(), kServerPath, COM_SERVER_LIBRARY, {});
        HMODULE server = LoadLibraryA(kServerPath);
        auto registerServer = reinterpret_cast<HRESULT (*)()>(
            reinterpret_cast<void*>(GetProcAddress(server, "DllRegisterServer")));
        if (!registerServer || FAILED(registerServer())) std::abort();
        return true;
    }();
    (void)registered;
    return *machine;
}

void CreateLoadedClass(benchmark::State& state) {
    Machine();
    CoInitialize(nullptr);
    IThing* thing = nullptr;
    if (FAILED(CoCreateInstance(CLSID_Thing, nullptr, CLSCTX_INPROC_SERVER, IID_IThing,
                                reinterpret_cast<void**>(&thing))))
        std::abort();
    for (auto _ : state) {
        IThing* created = nullptr;
        HRESULT hr = CoCreateInstance(CLSID_Thing, nullptr, CLSCTX_INPROC_SERVER, IID_IThing,
                                      reinterpret_cast<void**>(&created));
        if (FAILED(hr)) {
            state.SkipWithError("CoCreateInstance failed");
            break;
        }
        created->Release();
    }
    state.SetItemsProcessed(state.iterations());
    thing->Release();
    CoUninitialize();
}
BENCHMARK(CreateLoadedClass);

// The server's own share of that: its cached class factory's CreateInstance, without the registry.
void CreateThroughTheFactory(benchmark::State& state) {
    Machine();
    CoInitialize(nullptr);
    IClassFactory* factory = nullptr;
    if (FAILED(CoGetClassObject(CLSID_Thing, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory))))
        std::abort();
    for (auto _ : state) {
        IThing* created = nullptr;
        if (FAILED(factory->CreateInstance(nullptr, IID_IThing, reinterpret_cast<void**>(&created)))) {
            state.SkipWithError("CreateInstance failed");
            break;
        }
        created->Release();
    }
    state.SetItemsProcessed(state.iterations());
    factory->Release();
    CoUninitialize();
}
BENCHMARK(CreateThroughTheFactory);

}  // namespace

BENCHMARK_MAIN();
