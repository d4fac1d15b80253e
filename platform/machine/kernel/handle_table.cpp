#include "platform/machine/kernel/handle_table.h"

namespace platform {

HANDLE HandleTable::Insert(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::uintptr_t value = next_;
    // Windows hands out multiples of four; keeping to that makes a handle look like one in traces.
    next_ += 4;
    objects_.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> HandleTable::Find(HANDLE handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects_.end() ? nullptr : found->second;
}

bool HandleTable::Close(HANDLE handle) {
    std::shared_ptr<KernelObject> closing;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == objects_.end()) return false;
        closing = std::move(found->second);
        objects_.erase(found);
    }
    // The object's destructor runs here, outside the table's lock, so it may itself use the table.
    return true;
}

std::size_t HandleTable::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return objects_.size();
}

HandleTable& ProcessHandles() {
    // Never destroyed: objects may still be closed from other static destructors at exit.
    static HandleTable* table = new HandleTable;
    return *table;
}

}  // namespace platform
