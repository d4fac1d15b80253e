// The task allocator: memory that one module allocates and another frees (strings COM hands out).
#include <cstdlib>
#include <cstring>

#include "platform/ole32/ole32_internal.h"

STDAPI_(LPVOID) CoTaskMemAlloc(SIZE_T cb) {
    return std::malloc(cb == 0 ? 1 : cb);
}

STDAPI_(LPVOID) CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
    if (pv && cb == 0) {
        std::free(pv);
        return nullptr;
    }
    return std::realloc(pv, cb == 0 ? 1 : cb);
}

STDAPI_(void) CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}

namespace platform::com {

LPOLESTR TaskMemoryString(std::u16string_view text) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (!copy) return nullptr;
    std::memcpy(copy, text.data(), text.size() * sizeof(OLECHAR));
    copy[text.size()] = 0;
    return copy;
}

}  // namespace platform::com
