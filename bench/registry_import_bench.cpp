// Importing one long binary value from .reg text: the hex goes on over some 42,000 continuation lines per
// megabyte, and the time should grow with the size of the value, not with its square.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/machine/registry/registry_store.h"
#include "platform/testing/test_machine.h"
#include "winnt.h"

namespace {

platform::TestMachine& Machine() {
    static auto machine = std::make_unique<platform::TestMachine>(platform::OsKind::WindowsXP);
    return *machine;
}

// The text regedit writes for a value of `size` bytes, wrapped as regedit wraps it.
std::string ValueText(std::size_t size) {
    platform::RegistryStore& store = platform::RegistryStore::For(Machine().machine());
    std::int64_t software = *store.FindKey("HKEY_LOCAL_MACHINE\\SOFTWARE");
    std::int64_t key = store.CreateKey(software, {"Bench"}, "").id;
    std::string data(size, '\0');
    for (std::size_t index = 0; index < size; ++index) data[index] = static_cast<char>(index * 7 + 3);
    store.SetValue(key, "Blob", REG_BINARY, data);
    std::string text = platform::ExportRegistryText(Machine().machine(), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench");
    store.DeleteKeyTree(key);
    return text;
}

void ImportLongHexValue(benchmark::State& state) {
    std::string text = ValueText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) platform::ImportRegistryText(Machine().machine(), text);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
    state.counters["text_bytes"] = static_cast<double>(text.size());
}

BENCHMARK(ImportLongHexValue)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
