// Messages between the machine's processes: each thread with a message queue has a mailbox in the
// machine's kernel namespace (thread_mailbox.h), which its message functions empty into its queue; a
// listener thread per process wakes the threads waiting for a message when the machine's doorbell rings.
#include <map>
#include <set>
#include <thread>

#include "platform/machine/kernel/thread_mailbox.h"
#include "platform/user32/window_manager.h"

namespace platform {

namespace {

constexpr std::chrono::milliseconds kListenerLook{500};

// The listeners of this process, one per machine in which one of its threads has a mailbox; each ends
// once none has.
class MailListeners {
  public:
    static MailListeners& Instance() {
        static MailListeners* listeners = new MailListeners;
        return *listeners;
    }

    void Opened(const std::shared_ptr<KernelNamespace>& space) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++open_[space.get()];
        if (!listening_.insert(space.get()).second) return;
        std::thread(Listen, space).detach();
    }

    void Closed(KernelNamespace* space) {
        std::lock_guard<std::mutex> lock(mutex_);
        --open_[space];
    }

  private:
    bool StillWanted(KernelNamespace* space) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (open_[space] > 0) return true;
        listening_.erase(space);
        return false;
    }

    // Each ring wakes the threads waiting for a message, which look at their mailboxes; the first wakes
    // them for what came before the listener began.
    static void Listen(std::shared_ptr<KernelNamespace> space) {
        std::uint32_t seen = MailDoorbell(*space);
        for (;;) {
            {
                WindowManager& manager = WindowManager::Instance();
                std::lock_guard<std::mutex> lock(manager.mutex);
                manager.NotifyChanged();
            }
            std::uint32_t now = seen;
            while (now == seen) {
                WaitForMail(*space, seen, kListenerLook);
                if (!Instance().StillWanted(space.get())) return;
                now = MailDoorbell(*space);
            }
            seen = now;
        }
    }

    std::mutex mutex_;
    std::map<KernelNamespace*, int> open_;
    std::set<KernelNamespace*> listening_;
};

// The calling thread's mailbox, in the machine the process runs in now; closed when the thread ends.
class MailboxHolder {
  public:
    ~MailboxHolder() { Close(); }

    ThreadMailbox* Current() {
        std::shared_ptr<KernelNamespace> space = KernelNamespace::Current();
        if (box_ && box_->space() == space) return box_.get();
        Close();
        box_ = ThreadMailbox::Open(space, GetCurrentThreadId());
        if (box_) MailListeners::Instance().Opened(space);
        return box_.get();
    }

  private:
    void Close() {
        if (!box_) return;
        KernelNamespace* space = box_->space().get();
        box_.reset();
        MailListeners::Instance().Closed(space);
    }

    std::unique_ptr<ThreadMailbox> box_;
};

MailboxHolder& MailboxOfThisThread() {
    thread_local MailboxHolder holder;
    return holder;
}

}  // namespace

void OpenThreadMailbox() {
    MailboxOfThisThread().Current();
}

void TakeThreadMail(MessageQueue& queue) {
    ThreadMailbox* box = MailboxOfThisThread().Current();
    if (!box) return;
    for (const PostedMail& mail : box->Take()) {
        MSG posted{};
        posted.hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(mail.window));
        posted.message = mail.message;
        posted.wParam = static_cast<WPARAM>(mail.wParam);
        posted.lParam = static_cast<LPARAM>(mail.lParam);
        posted.time = mail.time;
        queue.posted.push_back(posted);
    }
}

MailWait::MailWait() : box_(MailboxOfThisThread().Current()) {
    begun_ = !box_ || box_->BeginWaiting();
}

MailWait::~MailWait() {
    if (box_ && begun_) box_->EndWaiting();
}

DWORD PostToMachineThread(DWORD threadId, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostedMail mail{static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window)), message, GetTickCount(),
                    static_cast<std::uint64_t>(wParam), static_cast<std::int64_t>(lParam)};
    switch (PostMail(*KernelNamespace::Current(), threadId, mail)) {
        case MailDelivery::Delivered:
            return 0;
        case MailDelivery::Full:
            return ERROR_NOT_ENOUGH_QUOTA;
        case MailDelivery::NoThread:
            break;
    }
    return ERROR_INVALID_THREAD_ID;
}

}  // namespace platform
