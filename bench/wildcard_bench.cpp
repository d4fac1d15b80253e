// FindFirstFileA with patterns that are long runs of wildcards against a folder of long names: the
// time must follow the name's length, not the number of stars or the ways they could split the name.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

constexpr std::size_t kNameLength = 250;

platform::TestMachine& Machine() {
    static std::unique_ptr<platform::TestMachine> machine = [] {
        auto created = std::make_unique<platform::TestMachine>(platform::OsKind::WindowsXP);
        for (char letter : std::string("abcdefgh")) {
            created->File("C:\\W\\" + std::string(kNameLength - 4, letter) + ".txt", "x");
        }
        return created;
    }();
    return *machine;
}

void Searches(benchmark::State& state, const std::string& pattern) {
    Machine();
    std::string search = "C:\\W\\" + pattern;
    for (auto _ : state) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(search.c_str(), &data);
        benchmark::DoNotOptimize(find);
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
    }
    state.SetItemsProcessed(state.iterations());
}

// Stars alone: the run is one star.
void BM_StarRun(benchmark::State& state) {
    Searches(state, std::string(static_cast<std::size_t>(state.range(0)), '*'));
}
BENCHMARK(BM_StarRun)->Arg(10)->Arg(1000)->Arg(100000);

// Stars each followed by a letter no name holds: every step is one pass over the name.
void BM_StarsBetweenLetters(benchmark::State& state) {
    std::string pattern;
    for (std::int64_t index = 0; index < state.range(0); ++index) pattern += "*a";
    Searches(state, pattern + "z");
}
BENCHMARK(BM_StarsBetweenLetters)->Arg(10)->Arg(1000)->Arg(10000);

// Question marks and stars taking turns, ending before the extension.
void BM_QuestionsAndStars(benchmark::State& state) {
    std::string pattern;
    for (std::int64_t index = 0; index < state.range(0); ++index) pattern += "?*";
    Searches(state, pattern + ".txt");
}
BENCHMARK(BM_QuestionsAndStars)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
