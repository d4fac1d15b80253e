// The tokens of a source file as the resource and IDL compilers read it, where each came from, and the
// error both compilers report: "file(line): message".
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace platform::source {

struct SourceLocation {
    std::shared_ptr<const std::string> file;  // as named on the command line or in #include
    int line = 0;
};

// An error in a source file; what() is "file(line): message".
class CompileError : public std::runtime_error {
  public:
    CompileError(const SourceLocation& location, const std::string& message);
};

// Uuid: a GUID written bare, 8-4-4-4-12 hexadecimal digits (IDL's uuid attribute).
enum class TokenKind { Identifier, Number, String, Punctuation, Uuid, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;         // identifier, punctuation, uuid, or the string's bytes after escapes
    unsigned long value = 0;  // numbers
    bool longNumber = false;  // a number written with an L suffix
    SourceLocation location;
};

// A token as an error message quotes it: 'name', "text" or end of file.
std::string DescribeToken(const Token& token);

}  // namespace platform::source
