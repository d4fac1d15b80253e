// Mutexes and events, named or not, and the waits for threads, mutexes and events.
//
// A wait looks at its objects under the namespace lock and, when it cannot be satisfied, sleeps until
// some object of the machine changes. A mutex whose owner ended wakes nobody, so waiters also look
// again every poll slice. On virtual time a timed wait waits for real only a short grace (threads that
// run for real may still signal in it); when that runs out the clock moves on by the whole time-out and
// the wait returns WAIT_TIMEOUT.
#include <algorithm>
#include <chrono>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "platform/kernel32/synch_objects.h"
#include "platform/machine/kernel/clock.h"
#include "platform/machine/kernel/virtual_time.h"
#include "windows.h"

namespace platform {

namespace {

constexpr std::chrono::milliseconds kPollSlice{50};
constexpr std::chrono::milliseconds kVirtualGrace{20};
// A program that seems to run this long for real while nothing changes waits in a way the schedule does
// not see (a pipe, a host sleep); the clock then moves on without it rather than never.
constexpr std::chrono::milliseconds kVirtualStall{3000};
// How long a wait outside the machine's programs that has come to its time gives the programs to do
// what they do at that time, at most.
constexpr std::chrono::milliseconds kVirtualDue{1000};

using Lock = KernelNamespace::Lock;

// A mutex or an event, kept in a slot of the namespace; the handle holds one reference to it.
class SlotObject : public WaitableObject {
  public:
    SlotObject(std::shared_ptr<KernelNamespace> space, std::uint32_t slot)
        : WaitableObject(std::move(space)), slot_(slot) {}
    ~SlotObject() override {
        Lock lock(space());
        space().Release(lock, slot_);
    }
    const void* Identity() const override { return space().Identity(slot_); }
    std::uint32_t slot() const { return slot_; }

  private:
    std::uint32_t slot_;
};

class MutexObject final : public SlotObject {
  public:
    using SlotObject::SlotObject;
    bool TryAcquire(const Lock& lock, WaitEntry& entry, std::uint32_t thread) override {
        MutexAcquisition result = space().TryAcquireMutex(lock, slot(), thread);
        entry.abandoned = result == MutexAcquisition::Abandoned;
        return result != MutexAcquisition::Busy;
    }
    void Undo(const Lock& lock, const WaitEntry& entry) override {
        space().UndoAcquireMutex(lock, slot(), entry.abandoned);
    }
};

class EventObject final : public SlotObject {
  public:
    using SlotObject::SlotObject;
    void BeginWait(const Lock& lock, WaitEntry& entry) override {
        entry.pulsesAtStart = space().Event(lock, slot()).pulses;
    }
    bool TryAcquire(const Lock& lock, WaitEntry& entry, std::uint32_t) override {
        SharedEventState& event = space().Event(lock, slot());
        if (event.signalled) {
            if (!event.manualReset) {
                event.signalled = 0;
                entry.tookSignal = true;
            }
            return true;
        }
        // A pulse releases the waiters that were waiting when it came: all of them for a manual-reset
        // event, one for an auto-reset event.
        if (event.pulses == entry.pulsesAtStart) return false;
        if (event.manualReset) return true;
        if (!event.pulseToken) return false;
        event.pulseToken = 0;
        entry.tookPulse = true;
        return true;
    }
    void Undo(const Lock& lock, const WaitEntry& entry) override {
        SharedEventState& event = space().Event(lock, slot());
        if (entry.tookSignal) event.signalled = 1;
        if (entry.tookPulse) event.pulseToken = 1;
    }
};

// The wait's result when it can be satisfied now, having taken what it waited for.
std::optional<DWORD> TryWait(const Lock& lock, const Objects& objects, std::vector<WaitEntry>& entries,
                             bool all, std::uint32_t thread) {
    if (!all) {
        for (std::size_t index = 0; index < objects.size(); ++index) {
            if (!objects[index]->TryAcquire(lock, entries[index], thread)) continue;
            DWORD base = entries[index].abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0;
            return base + static_cast<DWORD>(index);
        }
        return std::nullopt;
    }
    for (std::size_t index = 0; index < objects.size(); ++index) {
        if (objects[index]->TryAcquire(lock, entries[index], thread)) continue;
        while (index-- > 0) objects[index]->Undo(lock, entries[index]);
        for (WaitEntry& entry : entries) entry = WaitEntry{entry.pulsesAtStart};
        return std::nullopt;
    }
    for (std::size_t index = 0; index < objects.size(); ++index) {
        if (entries[index].abandoned) return WAIT_ABANDONED_0 + static_cast<DWORD>(index);
    }
    return WAIT_OBJECT_0;
}

}  // namespace

// On virtual time the wait takes part in the machine's schedule (virtual_time.h): it moves the clock
// on to the earliest deadline of all waiters once every program of the machine waits. A wait for
// objects first waits a short grace for real, so that threads outside the machine's programs (which
// run for real and are never waited for) may still signal in it; a sleep has no objects and moves the
// clock at once.
DWORD Wait(KernelNamespace& space, const Objects& objects, bool all, DWORD milliseconds) {
    std::uint32_t thread = GetCurrentThreadId();
    std::vector<WaitEntry> entries(objects.size());
    {
        Lock lock(space);
        for (std::size_t index = 0; index < objects.size(); ++index)
            objects[index]->BeginWait(lock, entries[index]);
    }
    bool forever = milliseconds == INFINITE;
    auto started = std::chrono::steady_clock::now();
    auto deadline = started + std::chrono::milliseconds(forever ? 0 : milliseconds);
    std::chrono::milliseconds grace = objects.empty() ? std::chrono::milliseconds(0) : kVirtualGrace;
    VirtualTimeWaiter waiter(space);
    std::uint32_t lastSequence = 0;
    auto lastChange = started;
    std::optional<std::chrono::steady_clock::time_point> dueSince;
    for (;;) {
        std::uint32_t seen = 0;
        bool advanced = false;
        auto realNow = std::chrono::steady_clock::now();
        {
            Lock lock(space);
            if (std::optional<DWORD> result = TryWait(lock, objects, entries, all, thread)) {
                waiter.Leave(lock);
                return *result;
            }
            seen = space.Sequence(lock);
            if (seen != lastSequence) {
                lastSequence = seen;
                lastChange = realNow;
            }
            if (milliseconds > 0 && ClockIsVirtual()) {
                if (!waiter.entered()) {
                    std::optional<std::int64_t> wakeAt;
                    if (!forever) wakeAt = ClockNow() + static_cast<std::int64_t>(milliseconds);
                    waiter.Enter(lock, wakeAt, true);
                    // A program's thread that stops running may be what other waiters wait for.
                    space.Notify();
                    seen = space.Sequence(lock);
                    lastSequence = seen;
                }
                waiter.Looked(lock, seen);
                if (waiter.TimedOut(lock)) {
                    // The machine's programs first do what they do at this time: a tie between a program's
                    // time and a test's limit goes the same way on every run.
                    if (!dueSince) dueSince = realNow;
                    if (!waiter.ProgramsDue(lock) || realNow - *dueSince >= kVirtualDue) {
                        waiter.Leave(lock);
                        return WAIT_TIMEOUT;
                    }
                } else if (realNow - started >= grace)
                    advanced = waiter.TryAdvance(lock, realNow - lastChange >= kVirtualStall);
            } else if (!forever && realNow >= deadline) {
                waiter.Leave(lock);
                return WAIT_TIMEOUT;
            }
        }
        if (advanced) {
            space.Notify();
            continue;
        }
        auto slice = kPollSlice;
        if (!forever && !waiter.entered()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - realNow);
            slice = std::min(slice, std::max(left, std::chrono::milliseconds(0)) + std::chrono::milliseconds(1));
        }
        space.WaitForChange(seen, slice);
    }
}

namespace {

template <typename T>
std::shared_ptr<T> ObjectOf(HANDLE handle) {
    std::shared_ptr<T> object = ProcessHandles().Lookup<T>(handle);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// CreateMutexA and CreateEventA: a new object or the existing one of that name. `initialise` runs,
// under the lock, only on a new object.
template <typename T, typename Initialise>
HANDLE CreateObject(KernelObjectType type, LPCSTR name, Initialise initialise) {
    std::string_view text = name ? name : "";
    if (text.size() > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    std::shared_ptr<KernelNamespace> space = KernelNamespace::Current();
    std::shared_ptr<T> object;
    bool created = false;
    {
        Lock lock(*space);
        KernelNamespace::Lookup lookup = space->Create(lock, type, text);
        if (lookup.outcome == KernelNamespace::Outcome::WrongType) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (lookup.outcome == KernelNamespace::Outcome::NoRoom) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        created = lookup.outcome == KernelNamespace::Outcome::Created;
        if (created) initialise(*space, lock, lookup.slot);
        object = std::make_shared<T>(space, lookup.slot);
    }
    HANDLE handle = ProcessHandles().Insert(std::move(object));
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}

template <typename T>
HANDLE OpenObject(KernelObjectType type, LPCSTR name) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<KernelNamespace> space = KernelNamespace::Current();
    std::shared_ptr<T> object;
    {
        Lock lock(*space);
        KernelNamespace::Lookup lookup = space->Open(lock, type, name);
        if (lookup.outcome != KernelNamespace::Outcome::Opened) {
            SetLastError(lookup.outcome == KernelNamespace::Outcome::WrongType ? ERROR_INVALID_HANDLE
                                                                               : ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        object = std::make_shared<T>(space, lookup.slot);
    }
    return ProcessHandles().Insert(std::move(object));
}

// SetEvent, ResetEvent and PulseEvent: the change, then every waiter looks again.
template <typename Change>
BOOL ChangeEvent(HANDLE handle, Change change) {
    std::shared_ptr<EventObject> event = ObjectOf<EventObject>(handle);
    if (!event) return FALSE;
    {
        Lock lock(event->space());
        change(event->space().Event(lock, event->slot()));
    }
    event->space().Notify();
    return TRUE;
}

}  // namespace

}  // namespace platform

using platform::KernelNamespace;
using platform::KernelObjectType;

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    std::shared_ptr<platform::WaitableObject> object = platform::ObjectOf<platform::WaitableObject>(hHandle);
    if (!object) return WAIT_FAILED;
    return platform::Wait(object->space(), {object}, false, dwMilliseconds);
}

extern "C" DWORD WINAPI WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                               DWORD dwMilliseconds) {
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    platform::Objects objects;
    std::set<const void*> identities;
    for (DWORD index = 0; index < nCount; ++index) {
        std::shared_ptr<platform::WaitableObject> object =
            platform::ObjectOf<platform::WaitableObject>(lpHandles[index]);
        if (!object) return WAIT_FAILED;
        // Waiting for all of one object twice has no meaning; Windows refuses it.
        if (bWaitAll && !identities.insert(object->Identity()).second) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
        objects.push_back(std::move(object));
    }
    return platform::Wait(objects.front()->space(), objects, bWaitAll != FALSE, dwMilliseconds);
}

extern "C" HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL bInitialOwner, LPCSTR lpName) {
    return platform::CreateObject<platform::MutexObject>(
        KernelObjectType::Mutex, lpName,
        [&](KernelNamespace& space, const KernelNamespace::Lock& lock, std::uint32_t slot) {
            if (bInitialOwner) space.TryAcquireMutex(lock, slot, GetCurrentThreadId());
        });
}

extern "C" HANDLE WINAPI OpenMutexA(DWORD, BOOL, LPCSTR lpName) {
    return platform::OpenObject<platform::MutexObject>(KernelObjectType::Mutex, lpName);
}

extern "C" BOOL WINAPI ReleaseMutex(HANDLE hMutex) {
    std::shared_ptr<platform::MutexObject> mutex = platform::ObjectOf<platform::MutexObject>(hMutex);
    if (!mutex) return FALSE;
    {
        KernelNamespace::Lock lock(mutex->space());
        if (!mutex->space().ReleaseMutex(lock, mutex->slot(), GetCurrentThreadId())) {
            SetLastError(ERROR_NOT_OWNER);
            return FALSE;
        }
    }
    mutex->space().Notify();
    return TRUE;
}

extern "C" HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                                      LPCSTR lpName) {
    return platform::CreateObject<platform::EventObject>(
        KernelObjectType::Event, lpName,
        [&](KernelNamespace& space, const KernelNamespace::Lock& lock, std::uint32_t slot) {
            platform::SharedEventState& event = space.Event(lock, slot);
            event.manualReset = bManualReset ? 1 : 0;
            event.signalled = bInitialState ? 1 : 0;
        });
}

extern "C" HANDLE WINAPI OpenEventA(DWORD, BOOL, LPCSTR lpName) {
    return platform::OpenObject<platform::EventObject>(KernelObjectType::Event, lpName);
}

extern "C" BOOL WINAPI SetEvent(HANDLE hEvent) {
    return platform::ChangeEvent(hEvent, [](platform::SharedEventState& event) { event.signalled = 1; });
}

extern "C" BOOL WINAPI ResetEvent(HANDLE hEvent) {
    return platform::ChangeEvent(hEvent, [](platform::SharedEventState& event) { event.signalled = 0; });
}

extern "C" BOOL WINAPI PulseEvent(HANDLE hEvent) {
    return platform::ChangeEvent(hEvent, [](platform::SharedEventState& event) {
        ++event.pulses;
        event.pulseToken = event.manualReset ? 0 : 1;
        event.signalled = 0;
    });
}
