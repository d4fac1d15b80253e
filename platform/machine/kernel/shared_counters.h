// Counters shared by every process of one machine, kept in a small memory-mapped file
// (<machine>/kernel/counters). A process caches what it read from a database together with the
// counter's value, and knows its cache is stale when another process has moved the counter on.
#pragma once

#include <cstdint>
#include <filesystem>

namespace platform {

enum class SharedCounter : int { Faults = 0, Registry = 1, Spooler = 2, Devices = 3, Services = 4, FileAttributes = 5,
                                  // Moved on by every change to the machine's files and folders.
                                  Files = 6,
                                  // Moved on by every answer scripted for the machine's dialogs.
                                  Answers = 7 };

class SharedCounters {
public:
    explicit SharedCounters(const std::filesystem::path& machineFolder);
    ~SharedCounters();
    SharedCounters(const SharedCounters&) = delete;
    SharedCounters& operator=(const SharedCounters&) = delete;

    std::uint64_t Read(SharedCounter counter) const;
    // Moves the counter on; call after the change is committed.
    void Advance(SharedCounter counter);

private:
    std::uint64_t* slots_ = nullptr;
};

}  // namespace platform
