// The registry at scale: importing a tree of about 100,000 keys holding 300,000 values from .reg text,
// walking it depth first through the Reg* calls, and deleting it with its subkeys. Run in this order;
// the walk and the delete use the tree the import made. Peak resident size is that of the whole run.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <memory>
#include <string>

#include "platform/machine/registry/registry_store.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

// 50 groups of 40 sections of 50 keys: 100,000 leaves with three values each, 102,051 keys in all.
constexpr int kGroups = 50;
constexpr int kSections = 40;
constexpr int kLeaves = 50;

platform::TestMachine& Machine() {
    // Windows 98 deletes a key with its subkeys in one RegDeleteKeyA.
    static auto machine = std::make_unique<platform::TestMachine>(platform::OsKind::Windows98);
    return *machine;
}

std::string TreeText() {
    std::string text = "REGEDIT4\r\n\r\n";
    text.reserve(16 << 20);
    for (int group = 0; group < kGroups; ++group) {
        for (int section = 0; section < kSections; ++section) {
            for (int leaf = 0; leaf < kLeaves; ++leaf) {
                text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\\Group" + std::to_string(group) + "\\Section" +
                        std::to_string(section) + "\\Key" + std::to_string(leaf) + "]\r\n";
                text += "\"Name\"=\"Device " + std::to_string(leaf) + "\"\r\n";
                text += "\"Flags\"=dword:0000001f\r\n";
                text += "\"Data\"=hex:01,02,03,04,05,06,07,08\r\n\r\n";
            }
        }
    }
    return text;
}

double PeakResidentMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in kilobytes on Linux
}

struct WalkCount {
    long keys = 0;
    long values = 0;
};

void Walk(HKEY key, WalkCount& count) {
    ++count.keys;
    char name[256];
    BYTE data[256];
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof name;
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        dataSize = sizeof data;
        if (RegQueryValueExA(key, name, nullptr, &type, data, &dataSize) == ERROR_SUCCESS) ++count.values;
    }
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        HKEY child = nullptr;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        Walk(child, count);
        RegCloseKey(child);
    }
}

void BM_RegistryImport(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::string text = TreeText();
        state.ResumeTiming();
        platform::ImportRegistryText(Machine().machine(), text);
    }
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void BM_RegistryWalk(benchmark::State& state) {
    WalkCount count;
    for (auto _ : state) {
        count = WalkCount{};
        HKEY root = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bench", 0, KEY_READ, &root) != ERROR_SUCCESS) {
            state.SkipWithError("no tree to walk");
            return;
        }
        Walk(root, count);
        RegCloseKey(root);
    }
    state.counters["keys"] = static_cast<double>(count.keys);
    state.counters["values"] = static_cast<double>(count.values);
    state.counters["keys_per_second"] =
        benchmark::Counter(static_cast<double>(count.keys) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

void BM_RegistryDeleteTree(benchmark::State& state) {
    for (auto _ : state) {
        if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bench") != ERROR_SUCCESS)
            state.SkipWithError("delete failed");
    }
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

BENCHMARK(BM_RegistryImport)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegistryWalk)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegistryDeleteTree)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
