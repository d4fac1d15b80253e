#include "platform/machine/kernel/clock.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/machine/machine.h"

namespace platform {

namespace {

// The file starts zeroed, which is the host's time.
struct ClockState {
    std::uint32_t virtualTime;
    std::uint32_t reserved;
    std::int64_t now;
    std::int64_t ticks;
};

ClockState* MapClock(const std::filesystem::path& machineFolder) {
    static std::mutex cacheMutex;
    // Kept for the life of the process, like the machine's other shared mappings.
    static auto* cache = new std::map<std::string, ClockState*>;
    std::lock_guard<std::mutex> guard(cacheMutex);
    auto found = cache->find(machineFolder.string());
    if (found != cache->end()) return found->second;
    std::filesystem::create_directories(machineFolder / "kernel");
    std::filesystem::path file = machineFolder / "kernel" / "clock";
    int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) throw std::runtime_error("cannot open " + file.string());
    if (::ftruncate(descriptor, 4096) != 0) {
        ::close(descriptor);
        throw std::runtime_error("cannot size " + file.string());
    }
    void* mapping = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    ::close(descriptor);
    if (mapping == MAP_FAILED) throw std::runtime_error("cannot map " + file.string());
    auto* state = static_cast<ClockState*>(mapping);
    cache->emplace(machineFolder.string(), state);
    return state;
}

ClockState* CurrentClock() {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) return nullptr;
    // Every clock reading asks; the thread keeps its last answer rather than look the folder up again
    // under the cache's lock.
    thread_local std::uint64_t lastMachine = 0;
    thread_local ClockState* last = nullptr;
    if (!last || lastMachine != machine->serial()) {
        last = MapClock(machine->folder());
        lastMachine = machine->serial();
    }
    return last;
}

bool IsVirtual(ClockState* state) {
    return state && std::atomic_ref<std::uint32_t>(state->virtualTime).load(std::memory_order_acquire) != 0;
}

std::int64_t HostNow() {
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

std::uint64_t HostTicks() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

std::int64_t ClockNow() {
    ClockState* state = CurrentClock();
    if (!IsVirtual(state)) return HostNow();
    return std::atomic_ref<std::int64_t>(state->now).load(std::memory_order_acquire);
}

std::uint64_t ClockTicks() {
    ClockState* state = CurrentClock();
    if (!IsVirtual(state)) return HostTicks();
    return static_cast<std::uint64_t>(
        std::atomic_ref<std::int64_t>(state->ticks).load(std::memory_order_acquire));
}

bool ClockIsVirtual() {
    return IsVirtual(CurrentClock());
}

void ClockAdvance(std::uint64_t milliseconds) {
    ClockState* state = CurrentClock();
    if (!IsVirtual(state)) return;
    auto step = static_cast<std::int64_t>(milliseconds);
    std::atomic_ref<std::int64_t>(state->now).fetch_add(step, std::memory_order_acq_rel);
    std::atomic_ref<std::int64_t>(state->ticks).fetch_add(step, std::memory_order_acq_rel);
}

void ClockSleep(std::uint32_t milliseconds) {
    if (!ClockIsVirtual()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
        return;
    }
    ClockAdvance(milliseconds);
    // Other threads still run for real; a loop of sleeps must leave them room.
    std::this_thread::yield();
}

void UseVirtualClock(const Machine& machine, std::int64_t startMilliseconds) {
    ClockState* state = MapClock(machine.folder());
    std::int64_t ticks = IsVirtual(state) ? state->ticks : static_cast<std::int64_t>(HostTicks());
    std::atomic_ref<std::int64_t>(state->now).store(startMilliseconds, std::memory_order_release);
    std::atomic_ref<std::int64_t>(state->ticks).store(ticks, std::memory_order_release);
    std::atomic_ref<std::uint32_t>(state->virtualTime).store(1, std::memory_order_release);
}

void UseHostClock(const Machine& machine) {
    ClockState* state = MapClock(machine.folder());
    std::atomic_ref<std::uint32_t>(state->virtualTime).store(0, std::memory_order_release);
}

}  // namespace platform
