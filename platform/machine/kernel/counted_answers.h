// Answers a library worked out from what the machine keeps (its files, its registry, its faults), kept
// while the shared counters they depend on stay where they were: another process that changes any of
// them moves its counter on, and every answer is then worked out again.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/machine/kernel/shared_counters.h"
#include "platform/machine/machine.h"

namespace platform {

template <typename Answer, std::size_t CounterCount>
class CountedAnswers {
  public:
    using Generations = std::array<std::uint64_t, CounterCount>;

    explicit CountedAnswers(std::array<SharedCounter, CounterCount> counters) : counters_(counters) {}

    // Read before an answer is worked out, and given to Keep with it.
    Generations Read(Machine& machine) const {
        Generations generations{};
        for (std::size_t index = 0; index < CounterCount; ++index)
            generations[index] = machine.counters().Read(counters_[index]);
        return generations;
    }

    std::optional<Answer> Find(Machine& machine, const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        Refresh(machine);
        auto found = answers_.find(key);
        if (found == answers_.end()) return std::nullopt;
        return found->second;
    }

    // Keeps an answer worked out in the generations read before it was; one worked out while a counter
    // moved on is not kept.
    void Keep(Machine& machine, const Generations& before, const std::string& key, Answer answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        Refresh(machine);
        if (generations_ != before) return;
        if (answers_.size() >= kMostAnswers) answers_.clear();
        answers_[key] = std::move(answer);
    }

  private:
    // Forgets every answer when the machine or a generation moved on.
    void Refresh(Machine& machine) {
        Generations now = Read(machine);
        if (&machine == machine_ && machine.folder() == folder_ && now == generations_) return;
        answers_.clear();
        machine_ = &machine;
        folder_ = machine.folder();
        generations_ = now;
    }

    static constexpr std::size_t kMostAnswers = 4096;
    const std::array<SharedCounter, CounterCount> counters_;
    std::mutex mutex_;
    const Machine* machine_ = nullptr;
    std::filesystem::path folder_;
    Generations generations_{};
    std::unordered_map<std::string, Answer> answers_;
};

}  // namespace platform
