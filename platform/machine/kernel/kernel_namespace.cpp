#include "platform/machine/kernel/kernel_namespace.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

#include "platform/machine/machine.h"

namespace platform {

namespace {

constexpr std::uint32_t kMagic = 0x4B4F424A;
constexpr std::uint32_t kSlotCount = 512;
// MAX_PATH characters and the terminator, rounded up.
constexpr std::size_t kNameCapacity = 264;

void InitializeRobustMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

}  // namespace

struct KernelNamespace::Header {
    std::uint32_t magic;
    std::uint32_t slotCount;
    pthread_mutex_t lock;
    // The futex word every waiter sleeps on.
    alignas(8) std::uint32_t sequence;
};

struct KernelNamespace::Slot {
    KernelObjectType type;
    std::uint32_t references;
    char name[kNameCapacity];
    SharedMutexState mutex;
    SharedEventState event;
};

namespace {

std::size_t MappedSize() {
    std::size_t bytes = 4096 + kSlotCount * 512 + KernelNamespace::kMailboxAreaSize;
    static_assert(sizeof(std::uint32_t) * 2 + sizeof(pthread_mutex_t) + 8 <= 4096);
    return bytes;
}

}  // namespace

KernelNamespace::KernelNamespace(void* mapping, std::size_t size) : mapping_(mapping), size_(size) {
    static_assert(sizeof(Slot) <= 512);
    header_ = static_cast<Header*>(mapping);
    slots_ = reinterpret_cast<Slot*>(static_cast<char*>(mapping) + 4096);
    if (header_->magic == kMagic) return;
    InitializeRobustMutex(&header_->lock);
    header_->slotCount = kSlotCount;
    header_->sequence = 0;
    header_->magic = kMagic;
}

KernelNamespace::~KernelNamespace() {
    if (mapping_) ::munmap(mapping_, size_);
}

std::shared_ptr<KernelNamespace> KernelNamespace::ForMachine(const std::filesystem::path& machineFolder) {
    return Cached(machineFolder);
}

const std::shared_ptr<KernelNamespace>& KernelNamespace::Cached(const std::filesystem::path& machineFolder) {
    static std::mutex cacheMutex;
    // Kept for the life of the process: threads and handles may outlive the machine's attachment.
    static auto* cache = new std::map<std::string, std::shared_ptr<KernelNamespace>>;
    std::lock_guard<std::mutex> guard(cacheMutex);
    std::string key = machineFolder.string();
    auto found = cache->find(key);
    if (found != cache->end()) return found->second;

    std::filesystem::create_directories(machineFolder / "kernel");
    std::filesystem::path file = machineFolder / "kernel" / "objects";
    int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (descriptor < 0) throw std::runtime_error("cannot open " + file.string());
    // The first process to map the file initialises it, under an exclusive file lock.
    ::flock(descriptor, LOCK_EX);
    struct stat status {};
    std::size_t size = MappedSize();
    if (::fstat(descriptor, &status) != 0 || (static_cast<std::size_t>(status.st_size) < size &&
                                              ::ftruncate(descriptor, static_cast<off_t>(size)) != 0)) {
        ::close(descriptor);
        throw std::runtime_error("cannot size " + file.string());
    }
    void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0);
    if (mapping == MAP_FAILED) {
        ::close(descriptor);
        throw std::runtime_error("cannot map " + file.string());
    }
    std::shared_ptr<KernelNamespace> space(new KernelNamespace(mapping, size));
    ::flock(descriptor, LOCK_UN);
    ::close(descriptor);
    return cache->emplace(key, space).first->second;
}

std::shared_ptr<KernelNamespace> KernelNamespace::Private() {
    static std::shared_ptr<KernelNamespace>* space = [] {
        std::size_t size = MappedSize();
        void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (mapping == MAP_FAILED) throw std::runtime_error("cannot map the process's kernel objects");
        return new std::shared_ptr<KernelNamespace>(new KernelNamespace(mapping, size));
    }();
    return *space;
}

std::shared_ptr<KernelNamespace> KernelNamespace::Current() {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) return Private();
    // Every wait and message look asks; the thread keeps its last answer, which the cache keeps alive,
    // rather than look the folder up again under the cache's lock.
    thread_local std::uint64_t lastMachine = 0;
    thread_local const std::shared_ptr<KernelNamespace>* last = nullptr;
    if (!last || lastMachine != machine->serial()) {
        last = &Cached(machine->folder());
        lastMachine = machine->serial();
    }
    return *last;
}

KernelNamespace::Lock::Lock(KernelNamespace& space) : space_(space) {
    // A process that died holding the lock leaves the objects as its last complete change left them.
    if (pthread_mutex_lock(&space_.header_->lock) == EOWNERDEAD)
        pthread_mutex_consistent(&space_.header_->lock);
}

KernelNamespace::Lock::~Lock() {
    pthread_mutex_unlock(&space_.header_->lock);
}

KernelNamespace::Slot* KernelNamespace::FindNamed(std::string_view name) {
    for (std::uint32_t index = 0; index < kSlotCount; ++index) {
        Slot& slot = slots_[index];
        // Object names are case-sensitive, as in Windows.
        if (slot.type != KernelObjectType::None && slot.name[0] && name == slot.name) return &slot;
    }
    return nullptr;
}

KernelNamespace::Lookup KernelNamespace::Create(const Lock& lock, KernelObjectType type,
                                                std::string_view name) {
    if (!name.empty()) {
        Lookup existing = Open(lock, type, name);
        if (existing.outcome != Outcome::NotFound) return existing;
    }
    if (name.size() >= kNameCapacity) return {Outcome::NoRoom, 0};
    for (std::uint32_t index = 0; index < kSlotCount; ++index) {
        Slot& slot = slots_[index];
        if (slot.type != KernelObjectType::None) continue;
        std::memset(static_cast<void*>(&slot), 0, sizeof slot);
        slot.type = type;
        slot.references = 1;
        name.copy(slot.name, name.size());
        if (type == KernelObjectType::Mutex) InitializeRobustMutex(&slot.mutex.ownership);
        return {Outcome::Created, index};
    }
    return {Outcome::NoRoom, 0};
}

KernelNamespace::Lookup KernelNamespace::Open(const Lock&, KernelObjectType type, std::string_view name) {
    Slot* slot = name.empty() ? nullptr : FindNamed(name);
    if (!slot) return {Outcome::NotFound, 0};
    if (slot->type != type) return {Outcome::WrongType, 0};
    ++slot->references;
    return {Outcome::Opened, static_cast<std::uint32_t>(slot - slots_)};
}

bool KernelNamespace::LivingOwner(Slot& slot) {
    if (slot.type != KernelObjectType::Mutex || slot.mutex.recursion == 0) return false;
    int result = pthread_mutex_trylock(&slot.mutex.ownership);
    if (result == EOWNERDEAD) pthread_mutex_consistent(&slot.mutex.ownership);
    if (result == 0 || result == EOWNERDEAD) {
        pthread_mutex_unlock(&slot.mutex.ownership);
        return false;
    }
    return true;
}

void KernelNamespace::FreeSlot(Slot& slot) {
    if (slot.type == KernelObjectType::Mutex) pthread_mutex_destroy(&slot.mutex.ownership);
    std::memset(static_cast<void*>(&slot), 0, sizeof slot);
}

void KernelNamespace::Release(const Lock&, std::uint32_t index) {
    Slot& slot = slots_[index];
    if (slot.references > 0) --slot.references;
    if (slot.references > 0) return;
    // The ownership of a mutex lives in its slot: the slot stays while a living thread holds it.
    if (LivingOwner(slot)) return;
    FreeSlot(slot);
}

SharedMutexState& KernelNamespace::Mutex(const Lock&, std::uint32_t slot) {
    return slots_[slot].mutex;
}

SharedEventState& KernelNamespace::Event(const Lock&, std::uint32_t slot) {
    return slots_[slot].event;
}

const void* KernelNamespace::Identity(std::uint32_t slot) const {
    return &slots_[slot];
}

void* KernelNamespace::VirtualTimeArea(const Lock&) {
    // The header takes the start of the first page; the rest of it is this area.
    static_assert(sizeof(Header) <= 4096 - kVirtualTimeAreaSize);
    return static_cast<char*>(mapping_) + 4096 - kVirtualTimeAreaSize;
}

void* KernelNamespace::MailboxArea(const Lock&) {
    return static_cast<char*>(mapping_) + 4096 + kSlotCount * 512;
}

std::uint32_t KernelNamespace::Sequence(const Lock&) const {
    return std::atomic_ref<std::uint32_t>(header_->sequence).load(std::memory_order_acquire);
}

void KernelNamespace::Notify() {
    std::atomic_ref<std::uint32_t>(header_->sequence).fetch_add(1, std::memory_order_acq_rel);
    ::syscall(SYS_futex, &header_->sequence, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void KernelNamespace::WaitForChange(std::uint32_t seen, std::chrono::milliseconds limit) {
    struct timespec timeout {};
    timeout.tv_sec = static_cast<time_t>(limit.count() / 1000);
    timeout.tv_nsec = static_cast<long>((limit.count() % 1000) * 1000000);
    ::syscall(SYS_futex, &header_->sequence, FUTEX_WAIT, seen, &timeout, nullptr, 0);
}

MutexAcquisition KernelNamespace::TryAcquireMutex(const Lock&, std::uint32_t index, std::uint32_t thread) {
    SharedMutexState& mutex = slots_[index].mutex;
    if (mutex.recursion > 0 && mutex.ownerThread == thread) {
        ++mutex.recursion;
        return MutexAcquisition::Acquired;
    }
    int result = pthread_mutex_trylock(&mutex.ownership);
    bool abandoned = result == EOWNERDEAD || mutex.abandoned != 0;
    if (result == EOWNERDEAD)
        pthread_mutex_consistent(&mutex.ownership);
    else if (result != 0)
        return MutexAcquisition::Busy;
    mutex.abandoned = 0;
    mutex.ownerThread = thread;
    mutex.recursion = 1;
    return abandoned ? MutexAcquisition::Abandoned : MutexAcquisition::Acquired;
}

void KernelNamespace::UndoAcquireMutex(const Lock&, std::uint32_t index, bool abandoned) {
    SharedMutexState& mutex = slots_[index].mutex;
    if (mutex.recursion > 1) {
        --mutex.recursion;
        return;
    }
    mutex.ownerThread = 0;
    mutex.recursion = 0;
    mutex.abandoned = abandoned ? 1 : 0;
    pthread_mutex_unlock(&mutex.ownership);
}

bool KernelNamespace::ReleaseMutex(const Lock&, std::uint32_t index, std::uint32_t thread) {
    Slot& slot = slots_[index];
    SharedMutexState& mutex = slot.mutex;
    if (mutex.recursion == 0 || mutex.ownerThread != thread) return false;
    if (--mutex.recursion > 0) return true;
    mutex.ownerThread = 0;
    pthread_mutex_unlock(&mutex.ownership);
    if (slot.references == 0) FreeSlot(slot);
    return true;
}

}  // namespace platform
