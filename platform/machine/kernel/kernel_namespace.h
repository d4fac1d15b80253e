// The machine's kernel objects: mutexes and events, named or not, kept in a memory-mapped file
// (<machine>/kernel/objects) that every process of the machine maps, under one robust process-shared
// lock. A change to any object moves a shared sequence number on and wakes every waiting thread of
// every process, which then looks again at what it waits for.
//
// A mutex's ownership is a robust pthread mutex held by the owning thread: when that thread or its
// whole process ends, the next thread that tries it gets EOWNERDEAD, which is Windows' abandoned mutex.
#pragma once

#include <pthread.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace platform {

enum class KernelObjectType : std::uint32_t { None = 0, Mutex = 1, Event = 2 };

struct SharedMutexState {
    pthread_mutex_t ownership;
    std::uint32_t ownerThread;
    std::uint32_t recursion;
    // Set when an acquirer that found the mutex abandoned gave it back at once (a wait for all objects
    // that could not complete); the next acquirer is told instead.
    std::uint32_t abandoned;
};

struct SharedEventState {
    std::uint32_t signalled;
    std::uint32_t manualReset;
    // PulseEvent count: a waiter that began before the latest pulse has seen it.
    std::uint32_t pulses;
    // Auto-reset events: whether the latest pulse may still release one of those waiters.
    std::uint32_t pulseToken;
};

enum class MutexAcquisition { Busy, Acquired, Abandoned };

class KernelNamespace {
  public:
    // The namespace of the machine in the folder, shared with its other processes.
    static std::shared_ptr<KernelNamespace> ForMachine(const std::filesystem::path& machineFolder);
    // The namespace of the machine this process runs in; a process outside any machine gets one of its own.
    static std::shared_ptr<KernelNamespace> Current();

    ~KernelNamespace();
    KernelNamespace(const KernelNamespace&) = delete;
    KernelNamespace& operator=(const KernelNamespace&) = delete;

    // Holds the namespace lock. Every call below that takes a Lock needs it held.
    class Lock {
      public:
        explicit Lock(KernelNamespace& space);
        ~Lock();
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        KernelNamespace& space_;
    };

    enum class Outcome { Created, Opened, NotFound, WrongType, NoRoom };
    struct Lookup {
        Outcome outcome;
        std::uint32_t slot;
    };
    // A new object, or the existing one of that name (which gains a reference). An empty name makes
    // an unnamed object.
    Lookup Create(const Lock&, KernelObjectType type, std::string_view name);
    Lookup Open(const Lock&, KernelObjectType type, std::string_view name);
    // Drops one reference; the object ends with its last one, unless a living thread owns it.
    void Release(const Lock&, std::uint32_t slot);

    SharedMutexState& Mutex(const Lock&, std::uint32_t slot);
    SharedEventState& Event(const Lock&, std::uint32_t slot);
    // Identifies the object in this process, whichever handle reaches it.
    const void* Identity(std::uint32_t slot) const;

    // The part of the shared page that holds how the machine's processes share virtual time
    // (virtual_time.h); zeroed in a new namespace.
    static constexpr std::size_t kVirtualTimeAreaSize = 3072;
    void* VirtualTimeArea(const Lock&);
    // The part after the objects that holds the mailboxes of the machine's threads (thread_mailbox.h);
    // zeroed in a new namespace, and in one a process made before it had them.
    static constexpr std::size_t kMailboxAreaSize = 512 * 1024;
    void* MailboxArea(const Lock&);

    std::uint32_t Sequence(const Lock&) const;
    // Tells every waiter that something changed.
    void Notify();
    // Returns when the sequence has moved on from `seen`, or after the time given.
    void WaitForChange(std::uint32_t seen, std::chrono::milliseconds limit);

    // Mutex ownership by the thread (its Windows thread id), recursive for the owner.
    MutexAcquisition TryAcquireMutex(const Lock&, std::uint32_t slot, std::uint32_t thread);
    // Gives back one acquisition made by TryAcquireMutex; `abandoned` is what it returned.
    void UndoAcquireMutex(const Lock&, std::uint32_t slot, bool abandoned);
    // False when the thread does not own the mutex.
    bool ReleaseMutex(const Lock&, std::uint32_t slot, std::uint32_t thread);

  private:
    struct Header;
    struct Slot;
    KernelNamespace(void* mapping, std::size_t size);
    // The process's namespace of the machine, kept (and never removed) in the cache of the namespaces.
    static const std::shared_ptr<KernelNamespace>& Cached(const std::filesystem::path& machineFolder);
    static std::shared_ptr<KernelNamespace> Private();
    Slot* FindNamed(std::string_view name);
    void FreeSlot(Slot& slot);
    bool LivingOwner(Slot& slot);

    void* mapping_ = nullptr;
    std::size_t size_ = 0;
    Header* header_ = nullptr;
    Slot* slots_ = nullptr;
};

}  // namespace platform
