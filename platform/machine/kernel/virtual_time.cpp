#include "platform/machine/kernel/virtual_time.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/machine/kernel/clock.h"
#include "platform/machine/kernel/thread_mailbox.h"
#include "platform/machine/processes/process.h"

namespace platform {

namespace {

constexpr std::uint32_t kParticipantCount = 32;
constexpr std::uint32_t kWaiterCount = 72;

struct Participant {
    std::uint32_t inUse;
    // 0 while the parent is still starting the process.
    std::int32_t process;
    std::int32_t running;
    // The process that started it, which removes the entry once it has seen the end.
    std::int32_t parent;
    // The parent's thread that started it, which holds the clock back with it until that thread next
    // waits: a parent outside the machine's programs must get to its wait before the program's time runs.
    std::int32_t holder;
    std::uint32_t holderWaiting;
};

struct Waiter {
    std::uint32_t inUse;
    std::int32_t process;
    std::uint32_t hasDeadline;
    std::uint32_t looksAgain;
    std::uint32_t looked;
    std::uint32_t reserved;
    std::int64_t deadline;
};

struct Schedule {
    Participant participants[kParticipantCount];
    Waiter waiters[kWaiterCount];
};
static_assert(sizeof(Schedule) <= KernelNamespace::kVirtualTimeAreaSize);

Schedule& ScheduleOf(const VirtualLock& lock, KernelNamespace& space) {
    return *static_cast<Schedule*>(space.VirtualTimeArea(lock));
}

std::int32_t ThisProcess() {
    return static_cast<std::int32_t>(::getpid());
}

std::int32_t ThisThread() {
    return static_cast<std::int32_t>(::gettid());
}

// How many running programs this process started; lets a wait skip the look at their holds when there
// are none.
std::atomic<int>& holdingThreads() {
    static std::atomic<int> count{0};
    return count;
}

// The calling thread begins or ends a wait: the programs it started may run on their own while it
// waits, and hold back with it while it runs.
void MarkHolderWaiting(Schedule& schedule, bool waiting) {
    if (holdingThreads().load() == 0) return;
    for (Participant& participant : schedule.participants) {
        if (!participant.inUse || participant.parent != ThisProcess() || participant.holder != ThisThread()) continue;
        participant.holderWaiting = waiting ? 1 : 0;
    }
}

// The slot of the entry the parent made for this process, if it is one of the machine's programs.
const std::optional<std::uint32_t>& ParticipantSlot() {
    static const std::optional<std::uint32_t> slot = []() -> std::optional<std::uint32_t> {
        const char* text = std::getenv(kVirtualTimeSlotVariable);
        if (!text || !*text) return std::nullopt;
        char* end = nullptr;
        unsigned long value = std::strtoul(text, &end, 10);
        if (*end || value >= kParticipantCount) return std::nullopt;
        return static_cast<std::uint32_t>(value);
    }();
    return slot;
}

Participant* ThisParticipant(Schedule& schedule) {
    const std::optional<std::uint32_t>& slot = ParticipantSlot();
    if (!slot) return nullptr;
    Participant& participant = schedule.participants[*slot];
    // The entry is this process's while the parent has not yet written the process id, or has written ours.
    if (!participant.inUse || (participant.process != 0 && participant.process != ThisProcess())) return nullptr;
    return &participant;
}

bool Ended(std::int32_t process) {
    return process != 0 && process != ThisProcess() && ProcessEnded(process);
}

// An entry nobody will remove: its program has ended (or never started) and its parent is gone.
bool Abandoned(const Participant& participant) {
    return Ended(participant.parent) && (participant.process == 0 || Ended(participant.process));
}

void ChangeRunning(KernelNamespace& space, int change) {
    bool changed = false;
    {
        VirtualLock lock(space);
        if (Participant* participant = ThisParticipant(ScheduleOf(lock, space))) {
            participant->running += change;
            changed = true;
        }
    }
    // Waiters that found the machine busy look again.
    if (changed) space.Notify();
}

}  // namespace

std::optional<std::uint32_t> AddVirtualTimeParticipant(const VirtualLock& lock, KernelNamespace& space) {
    Schedule& schedule = ScheduleOf(lock, space);
    for (std::uint32_t slot = 0; slot < kParticipantCount; ++slot) {
        Participant& participant = schedule.participants[slot];
        if (participant.inUse && Abandoned(participant)) participant = Participant{};
        if (participant.inUse) continue;
        participant = Participant{1, 0, 1, ThisProcess(), ThisThread(), 0};
        holdingThreads().fetch_add(1);
        return slot;
    }
    return std::nullopt;
}

void SetVirtualTimeParticipantProcess(const VirtualLock& lock, KernelNamespace& space, std::uint32_t slot,
                                      std::int64_t process) {
    ScheduleOf(lock, space).participants[slot].process = static_cast<std::int32_t>(process);
}

void RemoveVirtualTimeParticipant(const VirtualLock& lock, KernelNamespace& space, std::uint32_t slot,
                                  std::int64_t process) {
    Participant& participant = ScheduleOf(lock, space).participants[slot];
    if (!participant.inUse || participant.process != static_cast<std::int32_t>(process)) return;
    if (participant.holder != 0 && participant.parent == ThisProcess()) holdingThreads().fetch_sub(1);
    participant = Participant{};
}

void EndVirtualTimeParticipants(KernelNamespace& space) {
    VirtualLock lock(space);
    for (Participant& participant : ScheduleOf(lock, space).participants) {
        if (participant.inUse && participant.process > 0 && participant.process != ThisProcess())
            ::kill(participant.process, SIGKILL);
    }
}

void CountThreadStarted(KernelNamespace& space) {
    ChangeRunning(space, 1);
}

void CountThreadEnded(const VirtualLock& lock, KernelNamespace& space) {
    if (Participant* participant = ThisParticipant(ScheduleOf(lock, space))) --participant->running;
}

VirtualTimeWaiter::~VirtualTimeWaiter() {
    if (!entered_) return;
    VirtualLock lock(space_);
    Leave(lock);
}

void VirtualTimeWaiter::Enter(const VirtualLock& lock, std::optional<std::int64_t> deadline, bool looksAgain) {
    Schedule& schedule = ScheduleOf(lock, space_);
    MarkHolderWaiting(schedule, true);
    entered_ = true;
    deadline_ = deadline;
    if (Participant* participant = ThisParticipant(schedule)) {
        --participant->running;
        countedIdle_ = true;
    }
    for (std::uint32_t slot = 0; slot < kWaiterCount; ++slot) {
        Waiter& waiter = schedule.waiters[slot];
        if (waiter.inUse && Ended(waiter.process)) waiter = Waiter{};
        if (waiter.inUse) continue;
        waiter = Waiter{1, ThisProcess(), deadline ? 1u : 0u, looksAgain ? 1u : 0u, space_.Sequence(lock), 0,
                        deadline.value_or(0)};
        slot_ = slot;
        return;
    }
    // With no room the wait still counts as idle for its program; only its deadline is unknown.
}

void VirtualTimeWaiter::Leave(const VirtualLock& lock) {
    Schedule& schedule = ScheduleOf(lock, space_);
    if (entered_) MarkHolderWaiting(schedule, false);
    if (countedIdle_) {
        if (Participant* participant = ThisParticipant(schedule)) ++participant->running;
        countedIdle_ = false;
    }
    if (slot_) schedule.waiters[*slot_] = Waiter{};
    slot_.reset();
    entered_ = false;
}

bool VirtualTimeWaiter::TimedOut(const VirtualLock&) const {
    return deadline_ && ClockNow() >= *deadline_;
}

bool VirtualTimeWaiter::ProgramsDue(const VirtualLock& lock) {
    Schedule& schedule = ScheduleOf(lock, space_);
    if (ThisParticipant(schedule)) return false;
    std::int64_t now = ClockNow();
    for (const Participant& participant : schedule.participants) {
        if (!participant.inUse || participant.process <= 0 || Abandoned(participant)) continue;
        // A program that has ended counts until its parent has seen it end: the wait may be for it.
        if (Ended(participant.process) || participant.running > 0) return true;
        for (const Waiter& waiter : schedule.waiters) {
            if (waiter.inUse && waiter.process == participant.process && waiter.hasDeadline && waiter.deadline <= now)
                return true;
        }
    }
    return false;
}

void VirtualTimeWaiter::Looked(const VirtualLock& lock, std::uint32_t sequence) {
    if (slot_) ScheduleOf(lock, space_).waiters[*slot_].looked = sequence;
}

bool VirtualTimeWaiter::TryAdvance(const VirtualLock& lock, bool ignoreRunning) {
    Schedule& schedule = ScheduleOf(lock, space_);
    if (!ignoreRunning) {
        for (Participant& participant : schedule.participants) {
            if (!participant.inUse) continue;
            if (Abandoned(participant)) {
                participant = Participant{};
                continue;
            }
            // A program that has ended holds the clock back until its parent has seen the end, so
            // that the parent's wait ends with it rather than at its limit.
            if (participant.running > 0) return false;
            if (!Ended(participant.parent) &&
                ((participant.holder != 0 && !participant.holderWaiting && !Ended(participant.holder)) ||
                 Ended(participant.process)))
                return false;
        }
        // A thread woken by a message runs before the clock moves on.
        if (MailWaitsForWaitingThread(lock, space_)) return false;
    }
    std::int64_t now = ClockNow();
    std::uint32_t sequence = space_.Sequence(lock);
    std::int64_t earliest = std::numeric_limits<std::int64_t>::max();
    for (std::uint32_t slot = 0; slot < kWaiterCount; ++slot) {
        Waiter& waiter = schedule.waiters[slot];
        if (!waiter.inUse) continue;
        if (Ended(waiter.process)) {
            waiter = Waiter{};
            continue;
        }
        bool own = slot_ && *slot_ == slot;
        // Another waiter has not yet seen the latest change, which may be what it waits for; or its time
        // has come and it has not yet woken.
        if (!own && waiter.looksAgain && waiter.looked != sequence) return false;
        if (!waiter.hasDeadline) continue;
        if (!own && waiter.deadline <= now) return false;
        if (waiter.deadline < earliest) earliest = waiter.deadline;
    }
    if (earliest == std::numeric_limits<std::int64_t>::max() || earliest <= now) return false;
    ClockAdvance(static_cast<std::uint64_t>(earliest - now));
    return true;
}

VirtualTimeIdle::VirtualTimeIdle() {
    if (!ParticipantSlot() && holdingThreads().load() == 0) return;
    std::shared_ptr<KernelNamespace> space = KernelNamespace::Current();
    {
        VirtualLock lock(*space);
        MarkHolderWaiting(ScheduleOf(lock, *space), true);
        if (Participant* participant = ThisParticipant(ScheduleOf(lock, *space))) --participant->running;
    }
    // The namespaces of machines live as long as the process.
    space_ = space.get();
    space_->Notify();
}

VirtualTimeIdle::~VirtualTimeIdle() {
    if (!space_) return;
    VirtualLock lock(*space_);
    MarkHolderWaiting(ScheduleOf(lock, *space_), false);
    if (Participant* participant = ThisParticipant(ScheduleOf(lock, *space_))) ++participant->running;
}

}  // namespace platform
