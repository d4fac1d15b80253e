// Messages posted from one process of the machine to a thread of another. Every thread of the machine
// that has a message queue has a mailbox in the kernel namespace's shared area; PostThreadMessageA and
// PostMessageA of another process put the message there, and the thread's message functions move what
// its mailbox holds into its queue before they look at it.
//
// A post rings the machine's mail doorbell, which each process listens to so that a thread waiting for a
// message wakes. On virtual time, mail that waits for a thread waiting for a message holds the clock
// back until that thread has taken it: the message is something for the thread to do at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/machine/kernel/kernel_namespace.h"

namespace platform {

struct PostedMail {
    std::uint64_t window;  // 0 for a message to the thread
    std::uint32_t message;
    std::uint32_t time;
    std::uint64_t wParam;
    std::int64_t lParam;
};

enum class MailDelivery { Delivered, NoThread, Full };

// A mailbox of the calling thread in one machine's kernel namespace.
class ThreadMailbox {
  public:
    // Nullptr when the namespace has room for no more mailboxes.
    static std::unique_ptr<ThreadMailbox> Open(std::shared_ptr<KernelNamespace> space, std::uint32_t thread);
    ~ThreadMailbox();
    ThreadMailbox(const ThreadMailbox&) = delete;
    ThreadMailbox& operator=(const ThreadMailbox&) = delete;

    const std::shared_ptr<KernelNamespace>& space() const { return space_; }
    // What was posted, in order, now taken out of the mailbox.
    std::vector<PostedMail> Take();
    // Marks the thread as waiting for a message, unless mail has come: false then.
    bool BeginWaiting();
    void EndWaiting();

  private:
    ThreadMailbox(std::shared_ptr<KernelNamespace> space, std::uint32_t slot, std::uint32_t* count)
        : space_(std::move(space)), slot_(slot), count_(count) {}

    std::shared_ptr<KernelNamespace> space_;
    std::uint32_t slot_;
    // The mailbox's count of mail in the namespace's mapping, which lasts as long as the process.
    std::uint32_t* count_;
};

// Puts the message into the mailbox of a living thread of the machine.
MailDelivery PostMail(KernelNamespace& space, std::uint32_t thread, const PostedMail& mail);

// The doorbell moves on with every post; a listener waits for it to move from what it saw.
std::uint32_t MailDoorbell(KernelNamespace& space);
void WaitForMail(KernelNamespace& space, std::uint32_t seen, std::chrono::milliseconds limit);

// Whether some thread waiting for a message has mail it has not taken yet (for the clock's scheduler).
bool MailWaitsForWaitingThread(const KernelNamespace::Lock& lock, KernelNamespace& space);

}  // namespace platform
