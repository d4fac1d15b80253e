#include "platform/tools/source_reader/tokenizer.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace platform::source {

namespace {

bool IsIdentifierStart(char character) {
    return std::isalpha(static_cast<unsigned char>(character)) || character == '_';
}
bool IsIdentifierPart(char character) {
    return std::isalnum(static_cast<unsigned char>(character)) || character == '_';
}
bool IsHexDigit(char character) {
    return std::isxdigit(static_cast<unsigned char>(character)) != 0;
}

// The length of a bare GUID at `index`, or 0: groups of 8, 4, 4, 4 and 12 hexadecimal digits joined by
// '-' and not followed by another identifier character.
size_t UuidLength(const std::string& line, size_t index) {
    static const size_t kGroups[] = {8, 4, 4, 4, 12};
    size_t at = index;
    for (size_t group = 0; group < 5; ++group) {
        if (group > 0) {
            if (at >= line.size() || line[at] != '-') return 0;
            ++at;
        }
        for (size_t digit = 0; digit < kGroups[group]; ++digit, ++at) {
            if (at >= line.size() || !IsHexDigit(line[at])) return 0;
        }
    }
    if (at < line.size() && IsIdentifierPart(line[at])) return 0;
    return at - index;
}

// A quoted string from `index` (at the opening quote), with the C escapes and, in resource scripts, ""
// standing for a quote.
std::string ReadString(const std::string& line, size_t& index, const SourceLocation& location,
                       const SourceDialect& dialect) {
    std::string text;
    ++index;
    while (true) {
        if (index >= line.size()) throw CompileError(location, "unterminated string");
        char character = line[index++];
        if (character == '"') {
            if (dialect.doubledQuotes && index < line.size() && line[index] == '"') {
                text += '"';
                ++index;
                continue;
            }
            return text;
        }
        if (character != '\\' || index >= line.size()) {
            text += character;
            continue;
        }
        char escape = line[index++];
        switch (escape) {
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            case 'a':
                text += '\a';
                break;
            case 'b':
                text += '\b';
                break;
            case 'f':
                text += '\f';
                break;
            case 'v':
                text += '\v';
                break;
            case '\\':
                text += '\\';
                break;
            case '"':
                text += '"';
                break;
            case '\'':
                text += '\'';
                break;
            case 'x':
            case 'X': {
                unsigned value = 0;
                int digits = 0;
                while (digits < 2 && index < line.size() && IsHexDigit(line[index])) {
                    value = value * 16 +
                            static_cast<unsigned>(std::stoi(std::string(1, line[index++]), nullptr, 16));
                    ++digits;
                }
                if (digits == 0) throw CompileError(location, "\\x without hexadecimal digits");
                text += static_cast<char>(value);
                break;
            }
            default:
                if (escape >= '0' && escape <= '7') {
                    unsigned value = static_cast<unsigned>(escape - '0');
                    for (int digits = 1;
                         digits < 3 && index < line.size() && line[index] >= '0' && line[index] <= '7';
                         ++digits)
                        value = value * 8 + static_cast<unsigned>(line[index++] - '0');
                    text += static_cast<char>(value);
                } else {
                    // An unknown escape keeps its backslash, as the Windows compilers do.
                    text += '\\';
                    text += escape;
                }
        }
    }
}

}  // namespace

std::string StripComments(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (size_t index = 0; index < text.size(); ++index) {
        char character = text[index];
        if (character == '"') {
            result += character;
            for (++index; index < text.size() && text[index] != '\n'; ++index) {
                result += text[index];
                if (text[index] == '"') {
                    if (index + 1 < text.size() && text[index + 1] == '"') {
                        result += text[++index];
                        continue;
                    }
                    break;
                }
                if (text[index] == '\\' && index + 1 < text.size() && text[index + 1] != '\n')
                    result += text[++index];
            }
            if (index < text.size() && text[index] == '\n') result += '\n';
            continue;
        }
        if (character == '/' && index + 1 < text.size() && text[index + 1] == '/') {
            while (index < text.size() && text[index] != '\n') ++index;
            if (index < text.size()) result += '\n';
            continue;
        }
        if (character == '/' && index + 1 < text.size() && text[index + 1] == '*') {
            index += 2;
            while (index + 1 < text.size() && !(text[index] == '*' && text[index + 1] == '/')) {
                if (text[index] == '\n') result += '\n';
                ++index;
            }
            ++index;
            result += ' ';
            continue;
        }
        result += character;
    }
    return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char character : text) {
        if (character == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (character != '\r') {
            line += character;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<Token> Tokenize(const std::string& line, const SourceLocation& location,
                            const SourceDialect& dialect) {
    std::vector<Token> tokens;
    size_t index = 0;
    while (index < line.size()) {
        char character = line[index];
        if (character == ' ' || character == '\t' || character == '\f' || character == '\v') {
            ++index;
            continue;
        }
        Token token;
        token.location = location;
        bool wide =
            (character == 'L' || character == 'l') && index + 1 < line.size() && line[index + 1] == '"';
        size_t uuidLength = dialect.uuidTokens ? UuidLength(line, index) : 0;
        if (uuidLength) {
            token.kind = TokenKind::Uuid;
            token.text = line.substr(index, uuidLength);
            index += uuidLength;
        } else if (character == '"' || wide) {
            if (wide) ++index;
            token.kind = TokenKind::String;
            token.text = ReadString(line, index, location, dialect);
        } else if (std::isdigit(static_cast<unsigned char>(character))) {
            size_t end = index;
            while (end < line.size() && IsIdentifierPart(line[end])) ++end;
            std::string number = line.substr(index, end - index);
            index = end;
            token.kind = TokenKind::Number;
            while (!number.empty() && std::strchr("lLuU", number.back())) {
                if (number.back() == 'l' || number.back() == 'L') token.longNumber = true;
                number.pop_back();
            }
            char* last = nullptr;
            token.value = std::strtoul(number.c_str(), &last, 0);
            if (number.empty() || *last != '\0')
                throw CompileError(location, "invalid number '" + number + "'");
            token.text = number;
        } else if (IsIdentifierStart(character)) {
            size_t end = index;
            while (end < line.size() && IsIdentifierPart(line[end])) ++end;
            token.kind = TokenKind::Identifier;
            token.text = line.substr(index, end - index);
            index = end;
        } else {
            static const char* const kDouble[] = {"&&", "||", "==", "!=", "<=", ">=", "<<", ">>"};
            token.kind = TokenKind::Punctuation;
            token.text = std::string(1, character);
            for (const char* pair : kDouble) {
                if (line.compare(index, 2, pair) == 0) token.text = pair;
            }
            if (character == '\0' || dialect.punctuation.find(character) == std::string::npos)
                throw CompileError(location, std::string("unexpected character '") + character + "'");
            index += token.text.size();
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace platform::source
