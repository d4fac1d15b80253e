// BSTR strings: a block holding the string's length in bytes (four bytes), then the characters, then a
// zero character. The BSTR points at the first character, so it reads as a zero-terminated string.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "oleauto.h"

namespace {

constexpr std::size_t prefixSize = sizeof(DWORD);

char* BlockOf(BSTR text) {
    return reinterpret_cast<char*>(text) - prefixSize;
}

// A string of that many bytes, copied from the source when there is one and zero-filled otherwise.
BSTR AllocateBytes(const void* source, std::size_t byteLength) {
    if (byteLength > std::numeric_limits<DWORD>::max() - prefixSize - sizeof(OLECHAR)) return nullptr;
    auto* block = static_cast<char*>(std::malloc(prefixSize + byteLength + sizeof(OLECHAR)));
    if (!block) return nullptr;
    DWORD length = static_cast<DWORD>(byteLength);
    std::memcpy(block, &length, prefixSize);
    char* characters = block + prefixSize;
    if (source) {
        std::memcpy(characters, source, byteLength);
    } else {
        std::memset(characters, 0, byteLength);
    }
    std::memset(characters + byteLength, 0, sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(characters);
}

std::size_t LengthOf(const OLECHAR* text) {
    std::size_t length = 0;
    while (text[length]) ++length;
    return length;
}

}  // namespace

STDAPI_(BSTR) SysAllocString(const OLECHAR* psz) {
    if (!psz) return nullptr;
    return AllocateBytes(psz, LengthOf(psz) * sizeof(OLECHAR));
}

STDAPI_(BSTR) SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
    return AllocateBytes(strIn, static_cast<std::size_t>(ui) * sizeof(OLECHAR));
}

STDAPI_(BSTR) SysAllocStringByteLen(LPCSTR psz, UINT len) {
    return AllocateBytes(psz, len);
}

STDAPI_(void) SysFreeString(BSTR bstrString) {
    if (bstrString) std::free(BlockOf(bstrString));
}

STDAPI_(UINT) SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    DWORD length = 0;
    std::memcpy(&length, BlockOf(bstr), prefixSize);
    return length;
}

STDAPI_(UINT) SysStringLen(BSTR pbstr) {
    return SysStringByteLen(pbstr) / sizeof(OLECHAR);
}

// The new string is made before the old one is freed, so the source may lie inside the old string.
STDAPI_(INT) SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
    if (!pbstr) return FALSE;
    BSTR replacement = SysAllocStringLen(psz, len);
    if (!replacement) return FALSE;
    if (!psz && *pbstr) {
        // Without a source the old characters are kept, as far as they reach.
        std::memcpy(replacement, *pbstr,
                    std::min<std::size_t>(SysStringByteLen(*pbstr), static_cast<std::size_t>(len) * sizeof(OLECHAR)));
    }
    SysFreeString(*pbstr);
    *pbstr = replacement;
    return TRUE;
}

STDAPI_(INT) SysReAllocString(BSTR* pbstr, const OLECHAR* psz) {
    if (!pbstr) return FALSE;
    if (!psz) {
        SysFreeString(*pbstr);
        *pbstr = nullptr;
        return TRUE;
    }
    return SysReAllocStringLen(pbstr, psz, static_cast<UINT>(LengthOf(psz)));
}
