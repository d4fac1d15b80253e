#include "lexer.h"

#include <cmath>
#include <limits>

namespace vbscript {

namespace {

// Case folding of the ASCII and Latin-1 letters, the letters names are written with.
char16_t Folded(char16_t character) {
    if (character >= u'A' && character <= u'Z') return static_cast<char16_t>(character + 32);
    if (character >= 0xC0 && character <= 0xDE && character != 0xD7)
        return static_cast<char16_t>(character + 32);
    return character;
}

bool IsLetter(char16_t character) {
    return (character >= u'A' && character <= u'Z') || (character >= u'a' && character <= u'z') ||
           (character >= 0xC0 && character != 0xD7 && character != 0xF7);
}

bool IsDigit(char16_t character) {
    return character >= u'0' && character <= u'9';
}

bool IsNameCharacter(char16_t character) {
    return IsLetter(character) || IsDigit(character) || character == u'_';
}

bool IsBlank(char16_t character) {
    return character == u' ' || character == u'\t';
}

int HexadecimalDigit(char16_t character) {
    if (IsDigit(character)) return character - u'0';
    if (character >= u'A' && character <= u'F') return character - u'A' + 10;
    if (character >= u'a' && character <= u'f') return character - u'a' + 10;
    return -1;
}

class Lexer {
  public:
    explicit Lexer(std::u16string_view script) : script_(script) {}

    std::vector<Token> Run() {
        while (position_ < script_.size()) {
            char16_t character = script_[position_];
            if (IsBlank(character) || character == u'\r') {
                ++position_;
            } else if (character == u'\n') {
                Add(TokenKind::EndOfLine, u"", column());
                NewLine();
            } else if (character == u'\'') {
                SkipToEndOfLine();
            } else if (character == u'_' && IsContinuation()) {
                continue;
            } else if (IsLetter(character)) {
                ReadName();
            } else if (IsDigit(character) || (character == u'.' && NextIsDigit() && !FollowsReference())) {
                ReadNumber();
            } else if (character == u'&' && position_ + 1 < script_.size() &&
                       (script_[position_ + 1] == u'H' || script_[position_ + 1] == u'h')) {
                ReadHexadecimal();
            } else if (character == u'"') {
                ReadString();
            } else if (character == u':') {
                Add(TokenKind::Separator, u":", column());
                ++position_;
            } else {
                ReadSymbol();
            }
        }
        Add(TokenKind::EndOfScript, u"", column());
        return std::move(tokens_);
    }

  private:
    int column() const { return static_cast<int>(position_ - lineStart_) + 1; }

    [[noreturn]] void Fail(CompileErrorNumber number, int column) const {
        throw CompileError{number, line_, column};
    }

    Token& Add(TokenKind kind, std::u16string text, int column) {
        Token token;
        token.kind = kind;
        token.text = std::move(text);
        token.line = line_;
        token.column = column;
        tokens_.push_back(std::move(token));
        return tokens_.back();
    }

    void NewLine() {
        ++position_;
        ++line_;
        lineStart_ = position_;
    }

    void SkipToEndOfLine() {
        while (position_ < script_.size() && script_[position_] != u'\n') ++position_;
    }

    bool NextIsDigit() const { return position_ + 1 < script_.size() && IsDigit(script_[position_ + 1]); }

    // A dot after a name or a closing parenthesis reaches a member, as in a.b, never starts a number.
    bool FollowsReference() const {
        return position_ > lineStart_ &&
               (IsNameCharacter(script_[position_ - 1]) || script_[position_ - 1] == u')');
    }

    // A _ after a blank (or at the start of a line) with nothing but blanks after it joins the next line.
    bool IsContinuation() {
        if (position_ > lineStart_ && !IsBlank(script_[position_ - 1])) return false;
        size_t after = position_ + 1;
        while (after < script_.size() && (IsBlank(script_[after]) || script_[after] == u'\r')) ++after;
        if (after < script_.size() && script_[after] != u'\n') return false;
        position_ = after;
        if (position_ < script_.size()) NewLine();
        return true;
    }

    void ReadName() {
        int start = column();
        size_t begin = position_;
        while (position_ < script_.size() && IsNameCharacter(script_[position_])) ++position_;
        std::u16string_view name = script_.substr(begin, position_ - begin);
        bool afterDot =
            !tokens_.empty() && tokens_.back().kind == TokenKind::Symbol && tokens_.back().text == u".";
        if (!afterDot && SameName(name, u"Rem") &&
            (position_ >= script_.size() || IsBlank(script_[position_]) || script_[position_] == u'\r' ||
             script_[position_] == u'\n')) {
            SkipToEndOfLine();
            return;
        }
        Add(TokenKind::Name, std::u16string(name), start);
    }

    void ReadNumber() {
        int start = column();
        size_t begin = position_;
        bool real = false;
        while (position_ < script_.size() && IsDigit(script_[position_])) ++position_;
        if (position_ < script_.size() && script_[position_] == u'.') {
            real = true;
            ++position_;
            while (position_ < script_.size() && IsDigit(script_[position_])) ++position_;
        }
        if (position_ < script_.size() && (script_[position_] == u'E' || script_[position_] == u'e')) {
            size_t exponent = position_ + 1;
            if (exponent < script_.size() && (script_[exponent] == u'+' || script_[exponent] == u'-'))
                ++exponent;
            if (exponent >= script_.size() || !IsDigit(script_[exponent]))
                Fail(CompileErrorNumber::InvalidNumber, start);
            real = true;
            position_ = exponent;
            while (position_ < script_.size() && IsDigit(script_[position_])) ++position_;
        }
        std::string digits;
        for (size_t at = begin; at < position_; ++at) digits += static_cast<char>(script_[at]);
        double value = std::strtod(digits.c_str(), nullptr);
        if (!std::isfinite(value)) Fail(CompileErrorNumber::InvalidNumber, start);
        // Whole numbers too large for a 32-bit integer are kept as reals, as the language keeps them.
        if (!real && value <= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
            Token& token = Add(TokenKind::Integer, u"", start);
            token.integer = std::stoll(digits);
            return;
        }
        Token& token = Add(TokenKind::Real, u"", start);
        token.real = value;
    }

    void ReadHexadecimal() {
        int start = column();
        position_ += 2;
        std::uint64_t value = 0;
        int count = 0;
        while (position_ < script_.size() && HexadecimalDigit(script_[position_]) >= 0) {
            value = value * 16 + static_cast<std::uint64_t>(HexadecimalDigit(script_[position_]));
            ++position_;
            ++count;
        }
        if (position_ < script_.size() && script_[position_] == u'&') ++position_;
        if (count == 0 || count > 8) Fail(CompileErrorNumber::InvalidNumber, start);
        Token& token = Add(TokenKind::Integer, u"", start);
        token.hexadecimal = true;
        // Four digits or fewer make a 16-bit integer, more a 32-bit one, each with its sign bit.
        if (count <= 4)
            token.integer = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
        else
            token.integer = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }

    void ReadString() {
        int start = column();
        ++position_;
        std::u16string value;
        for (;;) {
            if (position_ >= script_.size() || script_[position_] == u'\n' || script_[position_] == u'\r')
                Fail(CompileErrorNumber::UnterminatedString, start);
            char16_t character = script_[position_++];
            if (character == u'"') {
                if (position_ < script_.size() && script_[position_] == u'"') {
                    value += u'"';
                    ++position_;
                    continue;
                }
                break;
            }
            value += character;
        }
        Add(TokenKind::String, std::move(value), start);
    }

    void ReadSymbol() {
        int start = column();
        char16_t character = script_[position_];
        char16_t next = position_ + 1 < script_.size() ? script_[position_ + 1] : u'\0';
        if (character == u'<' && (next == u'>' || next == u'=')) {
            Add(TokenKind::Symbol, std::u16string{character, next}, start);
            position_ += 2;
            return;
        }
        if (character == u'>' && next == u'=') {
            Add(TokenKind::Symbol, u">=", start);
            position_ += 2;
            return;
        }
        constexpr std::u16string_view singles = u"(),.=<>&+-*/";
        if (singles.find(character) == std::u16string_view::npos)
            Fail(CompileErrorNumber::InvalidCharacter, start);
        Add(TokenKind::Symbol, std::u16string(1, character), start);
        ++position_;
    }

    std::u16string_view script_;
    size_t position_ = 0;
    size_t lineStart_ = 0;
    int line_ = 1;
    std::vector<Token> tokens_;
};

}  // namespace

std::vector<Token> Tokenize(std::u16string_view script) {
    return Lexer(script).Run();
}

bool SameName(std::u16string_view left, std::u16string_view right) {
    if (left.size() != right.size()) return false;
    for (size_t at = 0; at < left.size(); ++at)
        if (Folded(left[at]) != Folded(right[at])) return false;
    return true;
}

std::u16string FoldedName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& character : folded) character = Folded(character);
    return folded;
}

}  // namespace vbscript
