// GUIDs as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", 38 characters, upper-case hexadecimal.
#include <array>

#include "platform/ole32/ole32_internal.h"

namespace {

constexpr std::size_t guidTextLength = 38;

// Writes the 38 characters: Data1, Data2 and Data3 as numbers, then the bytes of Data4 in a group of two
// and a group of six.
template <typename Character>
void WriteGuid(REFGUID guid, Character* text) {
    static const char digits[] = "0123456789ABCDEF";
    std::size_t position = 0;
    auto put = [&](char character) { text[position++] = static_cast<Character>(character); };
    auto putHex = [&](unsigned long long value, int digitCount) {
        for (int shift = (digitCount - 1) * 4; shift >= 0; shift -= 4) put(digits[(value >> shift) & 0xF]);
    };
    put('{');
    putHex(guid.Data1, 8);
    put('-');
    putHex(guid.Data2, 4);
    put('-');
    putHex(guid.Data3, 4);
    put('-');
    putHex(guid.Data4[0], 2);
    putHex(guid.Data4[1], 2);
    put('-');
    for (int index = 2; index < 8; ++index) putHex(guid.Data4[index], 2);
    put('}');
}

int HexDigit(char16_t character) {
    if (character >= u'0' && character <= u'9') return character - u'0';
    if (character >= u'a' && character <= u'f') return character - u'a' + 10;
    if (character >= u'A' && character <= u'F') return character - u'A' + 10;
    return -1;
}

std::u16string_view TextOf(LPCOLESTR text) {
    return text ? std::u16string_view(text) : std::u16string_view();
}

}  // namespace

namespace platform::com {

std::string GuidText(REFGUID guid) {
    std::string text(guidTextLength, ' ');
    WriteGuid(guid, text.data());
    return text;
}

std::optional<GUID> ParseGuid(std::u16string_view text) {
    if (text.size() != guidTextLength || text.front() != u'{' || text.back() != u'}') return std::nullopt;
    std::size_t position = 1;
    bool valid = true;
    auto readHex = [&](int digitCount) {
        unsigned long long value = 0;
        for (int index = 0; index < digitCount; ++index) {
            int digit = HexDigit(text[position++]);
            if (digit < 0) valid = false;
            value = value << 4 | static_cast<unsigned>(digit < 0 ? 0 : digit);
        }
        return value;
    };
    auto expectDash = [&] {
        if (text[position++] != u'-') valid = false;
    };
    GUID guid{};
    guid.Data1 = static_cast<DWORD>(readHex(8));
    expectDash();
    guid.Data2 = static_cast<WORD>(readHex(4));
    expectDash();
    guid.Data3 = static_cast<WORD>(readHex(4));
    expectDash();
    guid.Data4[0] = static_cast<BYTE>(readHex(2));
    guid.Data4[1] = static_cast<BYTE>(readHex(2));
    expectDash();
    for (int index = 2; index < 8; ++index) guid.Data4[index] = static_cast<BYTE>(readHex(2));
    if (!valid) return std::nullopt;
    return guid;
}

}  // namespace platform::com

STDAPI_(int) StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    if (!lpsz || cchMax < static_cast<int>(guidTextLength + 1)) return 0;
    WriteGuid(rguid, lpsz);
    lpsz[guidTextLength] = 0;
    return static_cast<int>(guidTextLength + 1);
}

STDAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz) {
    if (!lplpsz) return E_INVALIDARG;
    std::array<OLECHAR, guidTextLength + 1> text{};
    StringFromGUID2(rclsid, text.data(), static_cast<int>(text.size()));
    *lplpsz = platform::com::TaskMemoryString(std::u16string_view(text.data(), guidTextLength));
    return *lplpsz ? S_OK : E_OUTOFMEMORY;
}

STDAPI StringFromIID(REFIID rclsid, LPOLESTR* lplpsz) {
    return StringFromCLSID(rclsid, lplpsz);
}

// Text that is not in braces names a class by its ProgID.
STDAPI CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid) {
    if (!pclsid) return E_INVALIDARG;
    *pclsid = CLSID_NULL;
    if (!lpsz) return S_OK;
    std::u16string_view text = TextOf(lpsz);
    if (!text.empty() && text.front() == u'{') {
        std::optional<GUID> guid = platform::com::ParseGuid(text);
        if (!guid) return CO_E_CLASSSTRING;
        *pclsid = *guid;
        return S_OK;
    }
    return CLSIDFromProgID(lpsz, pclsid);
}

STDAPI IIDFromString(LPCOLESTR lpsz, LPIID lpiid) {
    if (!lpiid) return E_INVALIDARG;
    *lpiid = IID_NULL;
    if (!lpsz) return S_OK;
    std::optional<GUID> guid = platform::com::ParseGuid(TextOf(lpsz));
    if (!guid) return E_INVALIDARG;
    *lpiid = *guid;
    return S_OK;
}
