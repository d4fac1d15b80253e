#include "platform/tools/rc/script_reader.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/machine/text.h"

namespace rc {

CompileError::CompileError(const SourceLocation& location, const std::string& message)
    : std::runtime_error((location.file ? *location.file : std::string("<command line>")) + "(" +
                         std::to_string(location.line) + "): " + message) {}

namespace {

// Headers of the Windows declarations a script includes for the constants the compiler knows itself.
const std::set<std::string> kBuiltInHeaders = {"WINDOWS.H",  "WINRES.H",  "WINRESRC.H", "AFXRES.H",
                                               "COMMCTRL.H", "WINUSER.H", "WINVER.H",   "WINNT.H"};

bool IsIdentifierStart(char character) {
    return std::isalpha(static_cast<unsigned char>(character)) || character == '_';
}
bool IsIdentifierPart(char character) {
    return std::isalnum(static_cast<unsigned char>(character)) || character == '_';
}

struct Macro {
    std::vector<Token> body;
};

class Reader {
  public:
    explicit Reader(const ReaderOptions& options) : options_(options) {
        for (const auto& [name, value] : options.definitions) {
            SourceLocation location;
            macros_[name].body = Tokenize(value, location);
        }
    }

    void ReadFile(const std::filesystem::path& path, const std::string& shownName,
                  const SourceLocation& from) {
        if (++depth_ > 32) throw CompileError(from, "#include nested too deeply");
        std::ifstream stream(path, std::ios::binary);
        if (!stream) throw CompileError(from, "cannot open file '" + shownName + "'");
        std::stringstream contents;
        contents << stream.rdbuf();
        auto name = std::make_shared<const std::string>(shownName);
        std::vector<std::string> lines = SplitLines(StripComments(contents.str()));
        size_t conditionDepth = conditions_.size();
        std::string extension = platform::UpperCopy(path.extension().string());
        bool headerOnly = extension == ".H" || extension == ".C" || extension == ".HPP";
        for (size_t index = 0; index < lines.size(); ++index) {
            SourceLocation location{name, static_cast<int>(index + 1)};
            std::string line = lines[index];
            // A backslash at the end of a line continues it.
            while (!line.empty() && line.back() == '\\' && index + 1 < lines.size()) {
                line.pop_back();
                line += lines[++index];
            }
            size_t first = line.find_first_not_of(" \t");
            if (first != std::string::npos && line[first] == '#') {
                Directive(line.substr(first + 1), location, path);
                continue;
            }
            // Of C headers (resource.h) only the directives count, as for the Windows compiler.
            if (!Active() || headerOnly) continue;
            for (Token& token : Tokenize(line, location)) Expand(token, tokens_, 0);
        }
        if (conditions_.size() != conditionDepth) {
            throw CompileError({name, static_cast<int>(lines.size())}, "missing #endif");
        }
        --depth_;
    }

    std::vector<Token> Finish(const std::string& file) {
        Token end;
        end.kind = TokenKind::End;
        end.location = tokens_.empty() ? SourceLocation{std::make_shared<const std::string>(file), 1}
                                       : tokens_.back().location;
        tokens_.push_back(end);
        return std::move(tokens_);
    }

  private:
    struct Condition {
        bool active;  // this branch is taken
        bool taken;   // some branch of this #if has been taken
        bool parentActive;
        bool sawElse;
    };

    bool Active() const { return conditions_.empty() || conditions_.back().active; }

    // Removes comments, keeping line breaks and the text of strings.
    static std::string StripComments(const std::string& text) {
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

    static std::vector<std::string> SplitLines(const std::string& text) {
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

    static std::vector<Token> Tokenize(const std::string& line, const SourceLocation& location) {
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
            if (character == '"' || wide) {
                if (wide) ++index;
                token.kind = TokenKind::String;
                token.text = ReadString(line, index, location);
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
                if (character == '\0' || !std::strchr(",|&+-*/~!(){}<>=", character)) {
                    throw CompileError(location, std::string("unexpected character '") + character + "'");
                }
                index += token.text.size();
            }
            tokens.push_back(std::move(token));
        }
        return tokens;
    }

    // A quoted string from `index` (at the opening quote), with "" standing for a quote and the C escapes.
    static std::string ReadString(const std::string& line, size_t& index, const SourceLocation& location) {
        std::string text;
        ++index;
        while (true) {
            if (index >= line.size()) throw CompileError(location, "unterminated string");
            char character = line[index++];
            if (character == '"') {
                if (index < line.size() && line[index] == '"') {
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
                    while (digits < 2 && index < line.size() &&
                           std::isxdigit(static_cast<unsigned char>(line[index]))) {
                        value = value * 16 + std::stoi(std::string(1, line[index++]), nullptr, 16);
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
                        // An unknown escape keeps its backslash, as the Windows compiler does.
                        text += '\\';
                        text += escape;
                    }
            }
        }
    }

    void Expand(const Token& token, std::vector<Token>& out, int depth) {
        if (token.kind == TokenKind::Identifier) {
            auto found = macros_.find(token.text);
            if (found != macros_.end() && !expanding_.count(token.text)) {
                if (depth > 64) throw CompileError(token.location, "macro expansion too deep");
                expanding_.insert(token.text);
                for (Token replacement : found->second.body) {
                    replacement.location = token.location;
                    Expand(replacement, out, depth + 1);
                }
                expanding_.erase(token.text);
                return;
            }
        }
        out.push_back(token);
    }

    void Directive(const std::string& text, const SourceLocation& location,
                   const std::filesystem::path& file) {
        size_t start = text.find_first_not_of(" \t");
        if (start == std::string::npos) return;  // a lone '#'
        size_t end = start;
        while (end < text.size() && IsIdentifierPart(text[end])) ++end;
        std::string name = text.substr(start, end - start);
        std::string rest = text.substr(end);

        if (name == "if" || name == "ifdef" || name == "ifndef") {
            bool parentActive = Active();
            bool value = false;
            if (parentActive) {
                if (name == "if") {
                    value = Evaluate(rest, location) != 0;
                } else {
                    std::vector<Token> tokens = Tokenize(rest, location);
                    if (tokens.size() != 1 || tokens[0].kind != TokenKind::Identifier)
                        throw CompileError(location, "#" + name + " needs one name");
                    value = macros_.count(tokens[0].text) == (name == "ifdef" ? 1u : 0u);
                }
            }
            conditions_.push_back({parentActive && value, value, parentActive, false});
            return;
        }
        if (name == "elif" || name == "else" || name == "endif") {
            if (conditions_.empty()) throw CompileError(location, "#" + name + " without #if");
            Condition& condition = conditions_.back();
            if (name == "endif") {
                conditions_.pop_back();
                return;
            }
            if (condition.sawElse) throw CompileError(location, "#" + name + " after #else");
            bool value = false;
            if (name == "else") {
                condition.sawElse = true;
                value = !condition.taken;
            } else if (condition.parentActive && !condition.taken) {
                value = Evaluate(rest, location) != 0;
            }
            condition.active = condition.parentActive && value;
            condition.taken = condition.taken || value;
            return;
        }
        if (!Active()) return;
        if (name == "define") {
            std::vector<Token> tokens = Tokenize(rest, location);
            if (tokens.empty() || tokens[0].kind != TokenKind::Identifier)
                throw CompileError(location, "#define needs a name");
            size_t nameEnd = rest.find(tokens[0].text) + tokens[0].text.size();
            if (nameEnd < rest.size() && rest[nameEnd] == '(')
                throw CompileError(location, "macros with parameters are not supported");
            macros_[tokens[0].text].body.assign(tokens.begin() + 1, tokens.end());
            return;
        }
        if (name == "undef") {
            std::vector<Token> tokens = Tokenize(rest, location);
            if (tokens.size() != 1 || tokens[0].kind != TokenKind::Identifier)
                throw CompileError(location, "#undef needs one name");
            macros_.erase(tokens[0].text);
            return;
        }
        if (name == "include") {
            Include(rest, location, file);
            return;
        }
        if (name == "pragma") {
            std::vector<Token> tokens = Tokenize(rest, location);
            if (!tokens.empty() && tokens[0].text == "code_page") {
                bool ok = tokens.size() == 4 && tokens[1].text == "(" && tokens[3].text == ")" &&
                          ((tokens[2].kind == TokenKind::Number && tokens[2].value == 1252) ||
                           tokens[2].text == "DEFAULT");
                if (!ok) throw CompileError(location, "only code page 1252 is supported");
            }
            return;
        }
        if (name == "error") throw CompileError(location, "#error" + rest);
        throw CompileError(location, "unknown directive #" + name);
    }

    void Include(const std::string& rest, const SourceLocation& location, const std::filesystem::path& file) {
        std::string trimmed(platform::TrimBlanks(rest));
        if (trimmed.size() < 2 || !((trimmed.front() == '"' && trimmed.back() == '"') ||
                                    (trimmed.front() == '<' && trimmed.back() == '>')))
            throw CompileError(location, "#include needs \"file\" or <file>");
        bool angled = trimmed.front() == '<';
        std::string name = trimmed.substr(1, trimmed.size() - 2);
        std::string hostName = name;
        for (char& character : hostName) {
            if (character == '\\') character = '/';
        }
        std::vector<std::filesystem::path> folders;
        if (!angled) folders.push_back(file.parent_path());
        folders.insert(folders.end(), options_.includeFolders.begin(), options_.includeFolders.end());
        for (const std::filesystem::path& folder : folders) {
            std::filesystem::path candidate = folder / hostName;
            if (std::filesystem::is_regular_file(candidate)) {
                ReadFile(candidate, name, location);
                return;
            }
        }
        if (kBuiltInHeaders.count(platform::UpperCopy(std::filesystem::path(hostName).filename().string())))
            return;
        throw CompileError(location, "cannot open include file '" + name + "'");
    }

    // #if expressions: numbers, names (a macro's value, else 0), defined, ! ~ - unary, * / + - << >>
    // comparisons, & | && ||, parentheses.
    long Evaluate(const std::string& text, const SourceLocation& location) {
        std::vector<Token> raw = Tokenize(text, location);
        std::vector<Token> tokens;
        for (size_t index = 0; index < raw.size(); ++index) {
            if (raw[index].text == "defined" && raw[index].kind == TokenKind::Identifier) {
                bool parenthesised = index + 1 < raw.size() && raw[index + 1].text == "(";
                size_t nameIndex = index + (parenthesised ? 2 : 1);
                if (nameIndex >= raw.size() || raw[nameIndex].kind != TokenKind::Identifier)
                    throw CompileError(location, "defined needs a name");
                Token value;
                value.kind = TokenKind::Number;
                value.value = macros_.count(raw[nameIndex].text) ? 1 : 0;
                value.location = location;
                tokens.push_back(value);
                index = nameIndex + (parenthesised ? 1 : 0);
                if (parenthesised && (index >= raw.size() || raw[index].text != ")"))
                    throw CompileError(location, "defined( needs )");
                continue;
            }
            Expand(raw[index], tokens, 0);
        }
        size_t position = 0;
        long value = ConditionalOr(tokens, position, location);
        if (position != tokens.size())
            throw CompileError(location, "unexpected '" + tokens[position].text + "' in #if");
        return value;
    }

    using Level = long (Reader::*)(const std::vector<Token>&, size_t&, const SourceLocation&);

    long Binary(const std::vector<Token>& tokens, size_t& position, const SourceLocation& location,
                std::initializer_list<const char*> operators, Level next) {
        long value = (this->*next)(tokens, position, location);
        while (position < tokens.size() && tokens[position].kind == TokenKind::Punctuation) {
            const std::string& op = tokens[position].text;
            bool known = false;
            for (const char* candidate : operators) known = known || op == candidate;
            if (!known) break;
            ++position;
            long right = (this->*next)(tokens, position, location);
            if ((op == "/") && right == 0) throw CompileError(location, "division by zero in #if");
            if (op == "||")
                value = value || right;
            else if (op == "&&")
                value = value && right;
            else if (op == "|")
                value |= right;
            else if (op == "&")
                value &= right;
            else if (op == "==")
                value = value == right;
            else if (op == "!=")
                value = value != right;
            else if (op == "<")
                value = value < right;
            else if (op == ">")
                value = value > right;
            else if (op == "<=")
                value = value <= right;
            else if (op == ">=")
                value = value >= right;
            else if (op == "<<")
                value <<= right;
            else if (op == ">>")
                value >>= right;
            else if (op == "+")
                value += right;
            else if (op == "-")
                value -= right;
            else if (op == "*")
                value *= right;
            else if (op == "/")
                value /= right;
        }
        return value;
    }
    long ConditionalOr(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"||"}, &Reader::ConditionalAnd);
    }
    long ConditionalAnd(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"&&"}, &Reader::BitOr);
    }
    long BitOr(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"|"}, &Reader::BitAnd);
    }
    long BitAnd(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"&"}, &Reader::Equality);
    }
    long Equality(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"==", "!=", "<", ">", "<=", ">="}, &Reader::Shift);
    }
    long Shift(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"<<", ">>"}, &Reader::Additive);
    }
    long Additive(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"+", "-"}, &Reader::Multiplicative);
    }
    long Multiplicative(const std::vector<Token>& t, size_t& p, const SourceLocation& l) {
        return Binary(t, p, l, {"*", "/"}, &Reader::Unary);
    }

    long Unary(const std::vector<Token>& tokens, size_t& position, const SourceLocation& location) {
        if (position >= tokens.size()) throw CompileError(location, "#if expression ends too early");
        const Token& token = tokens[position++];
        if (token.kind == TokenKind::Number) return static_cast<long>(token.value);
        if (token.kind == TokenKind::Identifier) return 0;  // an undefined name counts as 0
        if (token.text == "!") return !Unary(tokens, position, location);
        if (token.text == "~") return ~Unary(tokens, position, location);
        if (token.text == "-") return -Unary(tokens, position, location);
        if (token.text == "(") {
            long value = ConditionalOr(tokens, position, location);
            if (position >= tokens.size() || tokens[position].text != ")")
                throw CompileError(location, "missing ) in #if");
            ++position;
            return value;
        }
        throw CompileError(location, "unexpected '" + token.text + "' in #if");
    }

    const ReaderOptions& options_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> expanding_;
    std::vector<Condition> conditions_;
    std::vector<Token> tokens_;
    int depth_ = 0;
};

}  // namespace

std::vector<Token> ReadScript(const std::filesystem::path& file, const ReaderOptions& options) {
    Reader reader(options);
    reader.ReadFile(file, file.string(), SourceLocation{});
    return reader.Finish(file.string());
}

}  // namespace rc
