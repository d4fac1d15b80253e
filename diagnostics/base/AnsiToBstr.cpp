#include "AnsiToBstr.h"

#include <cstring>
#include <string>

#include "AnsiText.h"

namespace diagnostics {

BSTR AnsiToBstr(LPCSTR text, int count) {
    if (!text) return nullptr;
    size_t length = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
    std::u16string wide = framework::WideFromAnsi(std::string_view(text, length));
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace diagnostics
