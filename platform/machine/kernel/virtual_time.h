// How the machine's processes share virtual time. On virtual time the clock moves only when the
// machine's programs can do nothing else: every thread of every program started in the machine waits,
// and each waiter has looked at the latest change of the kernel objects. Then the clock jumps to the
// earliest time any waiter waits for, so a program that sleeps 60 machine seconds ends after a parent's
// wait of 30 seconds has run out, and before one of 90 seconds has.
//
// The state lives in the kernel namespace's shared page, under its lock:
// - participants: the processes CreateProcessA started in the machine, each with the number of its
//   threads that run (its first thread from the start, one more for each thread it creates, one fewer
//   while a thread waits). The parent enters a process before it starts it and removes it when it has
//   ended; the process finds its entry through WINMACHINE_VIRTUAL_TIME_SLOT. The parent's thread that
//   started it holds the clock back too while it runs, so that a parent outside the machine's programs
//   (a test) gets to its wait, and to what it checks after it, before the program's time runs on.
// - waiters: every thread of any process that waits with virtual time on, with the time it waits for,
//   if any, and the change of the kernel objects it last looked at.
// A process outside the machine's programs (a test, a tool) takes part only through its waits: its own
// running threads never hold the clock back. When such a wait's time comes together with a program's,
// the program does what it does then before the wait returns.
// A message posted to a thread that waits for one holds the clock back until the thread has taken it
// (thread_mailbox.h).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/machine/kernel/kernel_namespace.h"

namespace platform {

using VirtualLock = KernelNamespace::Lock;

// The parent's side of a started program.
std::optional<std::uint32_t> AddVirtualTimeParticipant(const VirtualLock&, KernelNamespace& space);
void SetVirtualTimeParticipantProcess(const VirtualLock&, KernelNamespace& space, std::uint32_t slot,
                                      std::int64_t process);
// Only while the entry is still the process's (0: one that never started): an entry of an ended process
// may have been taken back and given to another.
void RemoveVirtualTimeParticipant(const VirtualLock&, KernelNamespace& space, std::uint32_t slot,
                                  std::int64_t process);
// The environment variable that hands the entry to the program.
inline constexpr char kVirtualTimeSlotVariable[] = "WINMACHINE_VIRTUAL_TIME_SLOT";

// Ends every program the machine's processes started that still runs, as switching the machine off
// would: what a test leaves running must not outlive its machine.
void EndVirtualTimeParticipants(KernelNamespace& space);

// A thread of this process begins or ends running (CreateThread's threads). The end is counted under
// the lock together with what marks the thread ended, so that no one sees the thread gone but not ended.
void CountThreadStarted(KernelNamespace& space);
void CountThreadEnded(const VirtualLock&, KernelNamespace& space);

// One wait of one thread, as the scheduler sees it. Entered when the wait cannot be satisfied at once,
// left when it returns.
class VirtualTimeWaiter {
  public:
    explicit VirtualTimeWaiter(KernelNamespace& space) : space_(space) {}
    ~VirtualTimeWaiter();
    VirtualTimeWaiter(const VirtualTimeWaiter&) = delete;
    VirtualTimeWaiter& operator=(const VirtualTimeWaiter&) = delete;

    bool entered() const { return entered_; }
    // `deadline` in milliseconds since 1970 on the machine's clock; none for a wait without limit.
    // `looksAgain` says the waiter looks again at every change of the kernel objects; one that does not
    // (a wait for a window message) never holds the clock back.
    void Enter(const VirtualLock&, std::optional<std::int64_t> deadline, bool looksAgain);
    void Leave(const VirtualLock&);
    // The clock has reached the deadline.
    bool TimedOut(const VirtualLock&) const;
    // For a wait outside the machine's programs that has timed out: some program of the machine still
    // runs, or has a wait whose time has come and has not woken from it yet. Such a wait returns after
    // the programs have done what they do at that time.
    bool ProgramsDue(const VirtualLock&);
    // The waiter has looked at its objects at this change.
    void Looked(const VirtualLock&, std::uint32_t sequence);
    // Moves the clock on to the earliest deadline of all waiters when nothing else can happen first;
    // true when it moved. `ignoreRunning` lets the clock move although some program seems to run: the
    // way out when a program waits in a way the scheduler cannot see.
    bool TryAdvance(const VirtualLock&, bool ignoreRunning);

  private:
    KernelNamespace& space_;
    std::optional<std::uint32_t> slot_;
    std::optional<std::int64_t> deadline_;
    bool countedIdle_ = false;
    bool entered_ = false;
};

// Marks the calling thread as waiting without a time limit while it blocks outside the kernel objects
// (a message queue): its program then no longer holds the machine's clock back.
class VirtualTimeIdle {
  public:
    VirtualTimeIdle();
    ~VirtualTimeIdle();
    VirtualTimeIdle(const VirtualTimeIdle&) = delete;
    VirtualTimeIdle& operator=(const VirtualTimeIdle&) = delete;

  private:
    KernelNamespace* space_ = nullptr;
};

}  // namespace platform
