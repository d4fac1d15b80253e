#include "platform/machine/kernel/shared_counters.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>

namespace platform {

namespace {
constexpr std::size_t kMappedSize = 4096;
}

SharedCounters::SharedCounters(const std::filesystem::path& machineFolder) {
    std::filesystem::create_directories(machineFolder / "kernel");
    std::filesystem::path file = machineFolder / "kernel" / "counters";
    int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) throw std::runtime_error("cannot open " + file.string());
    if (::ftruncate(descriptor, kMappedSize) != 0) {
        ::close(descriptor);
        throw std::runtime_error("cannot size " + file.string());
    }
    void* mapping = ::mmap(nullptr, kMappedSize, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    ::close(descriptor);
    if (mapping == MAP_FAILED) throw std::runtime_error("cannot map " + file.string());
    slots_ = static_cast<std::uint64_t*>(mapping);
}

SharedCounters::~SharedCounters() {
    if (slots_) ::munmap(slots_, kMappedSize);
}

std::uint64_t SharedCounters::Read(SharedCounter counter) const {
    return std::atomic_ref<std::uint64_t>(slots_[static_cast<int>(counter)]).load(std::memory_order_acquire);
}

void SharedCounters::Advance(SharedCounter counter) {
    std::atomic_ref<std::uint64_t>(slots_[static_cast<int>(counter)]).fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace platform
