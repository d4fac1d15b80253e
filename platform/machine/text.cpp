#include "platform/machine/text.h"

namespace platform {

char UpperAnsi(char character) {
    auto byte = static_cast<unsigned char>(character);
    if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
    // Windows-1252 accented lower-case letters, except the division sign.
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
    switch (byte) {
        case 0x9A: return static_cast<char>(0x8A);
        case 0x9C: return static_cast<char>(0x8C);
        case 0x9E: return static_cast<char>(0x8E);
        case 0xFF: return static_cast<char>(0x9F);
        default: return character;
    }
}

char LowerAnsi(char character) {
    auto byte = static_cast<unsigned char>(character);
    if (byte >= 'A' && byte <= 'Z') return static_cast<char>(byte + 0x20);
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) return static_cast<char>(byte + 0x20);
    switch (byte) {
        case 0x8A: return static_cast<char>(0x9A);
        case 0x8C: return static_cast<char>(0x9C);
        case 0x8E: return static_cast<char>(0x9E);
        case 0x9F: return static_cast<char>(0xFF);
        default: return character;
    }
}

std::string UpperCopy(std::string_view text) {
    std::string result(text);
    for (char& character : result) character = UpperAnsi(character);
    return result;
}

std::string LowerCopy(std::string_view text) {
    std::string result(text);
    for (char& character : result) character = LowerAnsi(character);
    return result;
}

bool EqualsNoCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) return false;
    for (std::size_t index = 0; index < left.size(); ++index) {
        if (UpperAnsi(left[index]) != UpperAnsi(right[index])) return false;
    }
    return true;
}

int CompareNoCase(std::string_view left, std::string_view right) {
    std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t index = 0; index < common; ++index) {
        auto a = static_cast<unsigned char>(UpperAnsi(left[index]));
        auto b = static_cast<unsigned char>(UpperAnsi(right[index]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

std::string_view TrimBlanks(std::string_view text) {
    auto blank = [](char character) { return character == ' ' || character == '\t' || character == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

namespace {

// The characters of bytes 0x80 to 0x9F in Windows-1252.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

std::u16string WideFromAnsi(std::string_view text) {
    std::u16string wide;
    wide.reserve(text.size());
    for (char character : text) {
        auto byte = static_cast<unsigned char>(character);
        wide.push_back(byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : char16_t(byte));
    }
    return wide;
}

std::string AnsiFromWide(std::u16string_view text, char replacement) {
    std::string ansi;
    ansi.reserve(text.size());
    for (char16_t character : text) {
        if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
            ansi.push_back(static_cast<char>(character));
            continue;
        }
        char converted = replacement;
        for (int index = 0; index < 32; ++index) {
            if (kHighControls[index] == character) converted = static_cast<char>(0x80 + index);
        }
        ansi.push_back(converted);
    }
    return ansi;
}

}  // namespace platform
