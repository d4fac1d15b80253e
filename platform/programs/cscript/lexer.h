// Splits a script's text into tokens: names, numbers, strings, operators and statement ends. Comments
// (' and Rem) and line continuations (a blank and _ at the end of a line) leave no token.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "script_errors.h"

namespace vbscript {

enum class TokenKind {
    Name,
    Integer,
    Real,
    String,
    Symbol,     // ( ) , . = <> < > <= >= & + - * /
    Separator,  // : between statements on one line
    EndOfLine,
    EndOfScript,
};

struct Token {
    TokenKind kind = TokenKind::EndOfScript;
    std::u16string text;  // the name, the string's value or the symbol
    std::int64_t integer = 0;
    // An integer written in hexadecimal keeps the bits it was written with (&HFFFF is -1).
    bool hexadecimal = false;
    double real = 0;
    int line = 1;
    int column = 1;
};

// Throws CompileError for an invalid character, an unterminated string or an invalid number.
std::vector<Token> Tokenize(std::u16string_view script);

// Names and keywords compare without regard to case.
bool SameName(std::u16string_view left, std::u16string_view right);
std::u16string FoldedName(std::u16string_view name);

}  // namespace vbscript
