// GetValueByQualifier on an installer data file of 5,000 keys that does not change: the file sits in
// the program folder, half the keys have a value in the language section and the rest fall back to
// the plain section, so a lookup makes one or two profile reads after looking for the file in the
// Windows, current and program folders.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "IniLookup.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr int kKeys = 5000;

platform::TestMachine& Machine() {
    static std::unique_ptr<platform::TestMachine> machine = [] {
        auto created = std::make_unique<platform::TestMachine>(platform::OsKind::WindowsXP);
        created->Module("C:\\Program Files\\Acme\\setup.exe");
        std::string text = "; installer data\r\n[Models.0x10]\r\n";
        for (int key = 0; key < kKeys; key += 2) {
            text += "Model" + std::to_string(key) + "=modello " + std::to_string(key) + "\r\n";
        }
        text += "\r\n[Models]\r\n";
        for (int key = 0; key < kKeys; ++key) {
            text += "Model" + std::to_string(key) + "=model " + std::to_string(key) + "\r\n";
        }
        created->File("C:\\Program Files\\Acme\\setup.dat", text);
        // Let the file's time stamp age past the moment the cache starts to trust it.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return created;
    }();
    return *machine;
}

// The file named by a drive path is the only candidate: no folder is searched, and what remains is the
// profile read itself (one look at the file's size and time stamps, then hashed lookups).
void Lookups(benchmark::State& state, const char* file) {
    Machine();
    std::vector<std::string> keys;
    for (int key = 0; key < kKeys; ++key) keys.push_back("model" + std::to_string(key));
    char value[MAX_PATH];
    std::size_t next = 0;
    for (auto _ : state) {
        unsigned int found =
            GetValueByQualifier(file, "Models", "0x10", keys[next].c_str(), value, sizeof value);
        benchmark::DoNotOptimize(found);
        if (!found) state.SkipWithError("a key was not found");
        next = (next + 1) % keys.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GetValueByQualifier(benchmark::State& state) {
    Lookups(state, "setup.dat");
}
BENCHMARK(BM_GetValueByQualifier)->MinTime(2.0);

void BM_GetValueByQualifierDrivePath(benchmark::State& state) {
    Lookups(state, "C:\\Program Files\\Acme\\setup.dat");
}
BENCHMARK(BM_GetValueByQualifierDrivePath)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
