#include "program_text.h"

#include <cctype>
#include <utility>

namespace platform::programs {

std::string SystemMessage(DWORD error) {
    char text[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message;
}

std::u16string WideFromAnsi(std::string_view text) {
    if (text.empty()) return u"";
    std::u16string wide(text.size(), u'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                     static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return wide;
}

std::string AnsiFromWide(std::u16string_view text) {
    if (text.empty()) return "";
    std::string ansi(text.size() * 2, '\0');
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(),
                                     static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return ansi;
}

}  // namespace platform::programs

namespace platform::programs {

std::string PackedInstallerCode(std::string_view code) {
    if (code.size() != 38 || code.front() != '{' || code.back() != '}') return "";
    std::string digits;
    for (std::size_t index = 1; index + 1 < code.size(); ++index) {
        char character = static_cast<char>(std::toupper(static_cast<unsigned char>(code[index])));
        bool dash = index == 9 || index == 14 || index == 19 || index == 24;
        if (dash != (character == '-')) return "";
        if (!dash && !std::isxdigit(static_cast<unsigned char>(character))) return "";
        if (!dash) digits += character;
    }
    std::string packed;
    for (auto [start, length] : {std::pair<std::size_t, std::size_t>{0, 8}, {8, 4}, {12, 4}})
        packed.append(digits.rbegin() + static_cast<std::ptrdiff_t>(digits.size() - start - length),
                      digits.rbegin() + static_cast<std::ptrdiff_t>(digits.size() - start));
    for (std::size_t index = 16; index < 32; index += 2) {
        packed += digits[index + 1];
        packed += digits[index];
    }
    return packed;
}

}  // namespace platform::programs
