#include "platform/machine/guid_text.h"

namespace platform {

namespace {

template <typename Character>
int HexDigit(Character character) {
    if (character >= '0' && character <= '9') return static_cast<int>(character - '0');
    if (character >= 'a' && character <= 'f') return static_cast<int>(character - 'a' + 10);
    if (character >= 'A' && character <= 'F') return static_cast<int>(character - 'A' + 10);
    return -1;
}

template <typename Character>
std::optional<GUID> ParseGuidText(std::basic_string_view<Character> text) {
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}') return std::nullopt;
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
        if (text[position++] != '-') valid = false;
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

}  // namespace

std::string GuidText(const GUID& guid) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(kGuidTextLength);
    auto putHex = [&](unsigned long long value, int digitCount) {
        for (int shift = (digitCount - 1) * 4; shift >= 0; shift -= 4)
            text.push_back(digits[(value >> shift) & 0xF]);
    };
    text.push_back('{');
    putHex(guid.Data1, 8);
    text.push_back('-');
    putHex(guid.Data2, 4);
    text.push_back('-');
    putHex(guid.Data3, 4);
    text.push_back('-');
    putHex(guid.Data4[0], 2);
    putHex(guid.Data4[1], 2);
    text.push_back('-');
    for (int index = 2; index < 8; ++index) putHex(guid.Data4[index], 2);
    text.push_back('}');
    return text;
}

std::optional<GUID> ParseGuid(std::string_view text) { return ParseGuidText(text); }

std::optional<GUID> ParseGuid(std::u16string_view text) { return ParseGuidText(text); }

}  // namespace platform
