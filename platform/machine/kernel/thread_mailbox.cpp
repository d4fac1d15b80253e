#include "platform/machine/kernel/thread_mailbox.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/machine/processes/process.h"

namespace platform {

namespace {

constexpr std::uint32_t kMailboxCount = 96;
// Windows refuses a post to a full queue; a mailbox fills only while its thread does not look.
constexpr std::uint32_t kMailCapacity = 128;

struct Mailbox {
    std::uint32_t inUse;
    std::int32_t process;
    std::uint32_t thread;
    std::uint32_t waiting;
    std::uint32_t first;
    std::uint32_t count;
    PostedMail mail[kMailCapacity];
};

struct Mailboxes {
    alignas(8) std::uint32_t doorbell;
    std::uint32_t reserved;
    Mailbox boxes[kMailboxCount];
};
static_assert(sizeof(Mailboxes) <= KernelNamespace::kMailboxAreaSize);

Mailboxes& MailboxesOf(const KernelNamespace::Lock& lock, KernelNamespace& space) {
    return *static_cast<Mailboxes*>(space.MailboxArea(lock));
}

// The thread still runs in the process the mailbox was opened in: a host thread id may come again in
// another process once the first has ended.
bool ThreadLives(const Mailbox& box) {
    if (box.process != ::getpid() && ProcessEnded(box.process)) return false;
    std::error_code error;
    return std::filesystem::exists(
        "/proc/" + std::to_string(box.process) + "/task/" + std::to_string(box.thread), error);
}

void RingDoorbell(Mailboxes& mailboxes) {
    std::atomic_ref<std::uint32_t>(mailboxes.doorbell).fetch_add(1, std::memory_order_acq_rel);
    ::syscall(SYS_futex, &mailboxes.doorbell, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

}  // namespace

std::unique_ptr<ThreadMailbox> ThreadMailbox::Open(std::shared_ptr<KernelNamespace> space, std::uint32_t thread) {
    KernelNamespace::Lock lock(*space);
    Mailboxes& mailboxes = MailboxesOf(lock, *space);
    std::int32_t process = static_cast<std::int32_t>(::getpid());
    std::optional<std::uint32_t> free;
    for (std::uint32_t slot = 0; slot < kMailboxCount; ++slot) {
        Mailbox& box = mailboxes.boxes[slot];
        // A mailbox left by a thread or process that ended without closing it.
        if (box.inUse && !ThreadLives(box)) box.inUse = 0;
        if (!box.inUse && !free) free = slot;
    }
    if (!free) return nullptr;
    Mailbox& box = mailboxes.boxes[*free];
    box.inUse = 1;
    box.process = process;
    box.thread = thread;
    box.waiting = 0;
    box.first = 0;
    std::atomic_ref<std::uint32_t>(box.count).store(0, std::memory_order_release);
    return std::unique_ptr<ThreadMailbox>(new ThreadMailbox(std::move(space), *free, &box.count));
}

ThreadMailbox::~ThreadMailbox() {
    KernelNamespace::Lock lock(*space_);
    MailboxesOf(lock, *space_).boxes[slot_].inUse = 0;
}

std::vector<PostedMail> ThreadMailbox::Take() {
    std::vector<PostedMail> taken;
    // A look without the namespace's lock, which every message look would otherwise take: mail that
    // comes after it is seen by BeginWaiting, under the lock, before the thread waits.
    if (std::atomic_ref<std::uint32_t>(*count_).load(std::memory_order_acquire) == 0) return taken;
    {
        KernelNamespace::Lock lock(*space_);
        Mailbox& box = MailboxesOf(lock, *space_).boxes[slot_];
        if (box.count == 0) return taken;
        taken.reserve(box.count);
        for (std::uint32_t index = 0; index < box.count; ++index)
            taken.push_back(box.mail[(box.first + index) % kMailCapacity]);
        box.first = 0;
        std::atomic_ref<std::uint32_t>(box.count).store(0, std::memory_order_release);
    }
    // A wait the mail held back may move the clock now.
    space_->Notify();
    return taken;
}

bool ThreadMailbox::BeginWaiting() {
    KernelNamespace::Lock lock(*space_);
    Mailbox& box = MailboxesOf(lock, *space_).boxes[slot_];
    if (box.count > 0) return false;
    box.waiting = 1;
    return true;
}

void ThreadMailbox::EndWaiting() {
    KernelNamespace::Lock lock(*space_);
    MailboxesOf(lock, *space_).boxes[slot_].waiting = 0;
}

MailDelivery PostMail(KernelNamespace& space, std::uint32_t thread, const PostedMail& mail) {
    KernelNamespace::Lock lock(space);
    Mailboxes& mailboxes = MailboxesOf(lock, space);
    for (Mailbox& box : mailboxes.boxes) {
        if (!box.inUse || box.thread != thread) continue;
        if (!ThreadLives(box)) {
            box.inUse = 0;
            continue;
        }
        if (box.count == kMailCapacity) return MailDelivery::Full;
        box.mail[(box.first + box.count) % kMailCapacity] = mail;
        std::atomic_ref<std::uint32_t>(box.count).store(box.count + 1, std::memory_order_release);
        RingDoorbell(mailboxes);
        return MailDelivery::Delivered;
    }
    return MailDelivery::NoThread;
}

std::uint32_t MailDoorbell(KernelNamespace& space) {
    KernelNamespace::Lock lock(space);
    return std::atomic_ref<std::uint32_t>(MailboxesOf(lock, space).doorbell).load(std::memory_order_acquire);
}

void WaitForMail(KernelNamespace& space, std::uint32_t seen, std::chrono::milliseconds limit) {
    std::uint32_t* doorbell = nullptr;
    {
        KernelNamespace::Lock lock(space);
        doorbell = &MailboxesOf(lock, space).doorbell;
    }
    struct timespec timeout {};
    timeout.tv_sec = static_cast<time_t>(limit.count() / 1000);
    timeout.tv_nsec = static_cast<long>((limit.count() % 1000) * 1000000);
    ::syscall(SYS_futex, doorbell, FUTEX_WAIT, seen, &timeout, nullptr, 0);
}

bool MailWaitsForWaitingThread(const KernelNamespace::Lock& lock, KernelNamespace& space) {
    for (Mailbox& box : MailboxesOf(lock, space).boxes) {
        if (!box.inUse || !box.waiting || box.count == 0) continue;
        if (ThreadLives(box)) return true;
        box.inUse = 0;
    }
    return false;
}

}  // namespace platform
