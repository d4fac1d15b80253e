// The kernel objects a process holds by handle: open files, searches, and later threads, mutexes,
// events and processes. One table per process; handles are never reused while the process lives, so
// a stale handle is reported as invalid rather than reaching another object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "windef.h"

namespace platform {

class KernelObject {
  public:
    virtual ~KernelObject() = default;
};

class HandleTable {
  public:
    HANDLE Insert(std::shared_ptr<KernelObject> object);
    std::shared_ptr<KernelObject> Find(HANDLE handle) const;
    // The object behind the handle when it is of type T, else null. The object stays alive while the
    // caller holds it, even if another thread closes the handle meanwhile.
    template <typename T>
    std::shared_ptr<T> Lookup(HANDLE handle) const {
        return std::dynamic_pointer_cast<T>(Find(handle));
    }
    // Removes the handle; false when it names nothing. The object ends when its last user lets it go.
    bool Close(HANDLE handle);
    std::size_t Count() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects_;
    std::uintptr_t next_ = 0x100;
};

HandleTable& ProcessHandles();

}  // namespace platform
