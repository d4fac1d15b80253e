// Reads a resource script as the resource compiler sees it: Windows-1252 text, comments removed, the
// preprocessor directives carried out (#include, #define, #undef, #if, #ifdef, #ifndef, #elif, #else,
// #endif, #pragma code_page) and the remaining text cut into tokens with macros expanded.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace rc {

struct SourceLocation {
    std::shared_ptr<const std::string> file;  // as named on the command line or in #include
    int line = 0;
};

// An error in a script; what() is "file(line): message".
class CompileError : public std::runtime_error {
  public:
    CompileError(const SourceLocation& location, const std::string& message);
};

enum class TokenKind { Identifier, Number, String, Punctuation, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;         // identifier, punctuation, or the string's bytes after escapes (Windows-1252)
    unsigned long value = 0;  // numbers
    bool longNumber = false;  // a number written with an L suffix
    SourceLocation location;
};

struct ReaderOptions {
    std::vector<std::filesystem::path> includeFolders;
    std::map<std::string, std::string> definitions;  // -D NAME=value
};

// The tokens of a script, ending with one End token.
std::vector<Token> ReadScript(const std::filesystem::path& file, const ReaderOptions& options);

}  // namespace rc
