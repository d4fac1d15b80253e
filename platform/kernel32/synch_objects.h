// What WaitForSingleObject and WaitForMultipleObjects can wait for: threads, mutexes and events. Every
// object belongs to the machine's kernel namespace, whose lock guards its state, so a wait for several
// objects looks at all of them at one moment.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/machine/kernel/handle_table.h"
#include "platform/machine/kernel/kernel_namespace.h"
#include "windows.h"

namespace platform {

// What one wait did to one object, so that a wait for all objects can give back what it took.
struct WaitEntry {
    std::uint32_t pulsesAtStart = 0;
    bool abandoned = false;
    bool tookSignal = false;
    bool tookPulse = false;
};

class WaitableObject : public KernelObject {
  public:
    explicit WaitableObject(std::shared_ptr<KernelNamespace> space) : space_(std::move(space)) {}
    KernelNamespace& space() const { return *space_; }

    // The rest run under the namespace lock.
    virtual void BeginWait(const KernelNamespace::Lock&, WaitEntry&) {}
    // Takes the object for the thread when it is signalled; sets entry.abandoned for an abandoned mutex.
    virtual bool TryAcquire(const KernelNamespace::Lock&, WaitEntry& entry, std::uint32_t thread) = 0;
    virtual void Undo(const KernelNamespace::Lock&, const WaitEntry&) {}
    // The same for every handle of one object.
    virtual const void* Identity() const { return this; }

  private:
    std::shared_ptr<KernelNamespace> space_;
};

using Objects = std::vector<std::shared_ptr<WaitableObject>>;

// WaitForSingleObject and WaitForMultipleObjects over objects of the namespace; with no objects, a
// sleep that only a time-out ends.
DWORD Wait(KernelNamespace& space, const Objects& objects, bool all, DWORD milliseconds);

}  // namespace platform
