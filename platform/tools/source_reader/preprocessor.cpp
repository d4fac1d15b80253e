#include "platform/tools/source_reader/preprocessor.h"

#include <fstream>
#include <set>
#include <sstream>

#include "platform/machine/text.h"
#include "platform/tools/source_reader/expression.h"

namespace platform::source {

namespace {

constexpr int kMaximumIncludeDepth = 32;
constexpr int kMaximumExpansionDepth = 64;

struct Macro {
    bool function = false;
    std::vector<std::string> parameters;
    std::vector<Token> body;
};

bool IsIdentifierPart(char character) {
    return std::isalnum(static_cast<unsigned char>(character)) || character == '_';
}

bool IsPunctuation(const Token& token, const char* text) {
    return token.kind == TokenKind::Punctuation && token.text == text;
}

class Reader {
  public:
    Reader(const ReaderOptions& options, const SourceDialect& dialect)
        : options_(options), dialect_(dialect) {
        for (const auto& [name, value] : options.definitions) {
            SourceLocation location;
            macros_[name].body = Tokenize(value, location, dialect_);
        }
    }

    void ReadFile(const std::filesystem::path& path, const std::string& shownName,
                  const SourceLocation& from) {
        if (++depth_ > kMaximumIncludeDepth) throw CompileError(from, "#include nested too deeply");
        std::ifstream stream(path, std::ios::binary);
        if (!stream) throw CompileError(from, "cannot open file '" + shownName + "'");
        std::stringstream contents;
        contents << stream.rdbuf();
        auto name = std::make_shared<const std::string>(shownName);
        std::vector<std::string> lines = SplitLines(StripComments(contents.str()));
        size_t conditionDepth = conditions_.size();
        bool directivesOnly =
            dialect_.directivesOnlyExtensions.count(UpperCopy(path.extension().string())) != 0;
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
            if (!Active() || directivesOnly) continue;
            Expand(Tokenize(line, location, dialect_), tokens_, 0);
        }
        if (conditions_.size() != conditionDepth)
            throw CompileError({name, static_cast<int>(lines.size())}, "missing #endif");
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

    // Replaces each macro name in `input` by its body (a function-like macro's parameters by the
    // expanded arguments of its call), and again in the result, a macro never inside its own expansion.
    // A call's arguments are on the same line as its name.
    void Expand(const std::vector<Token>& input, std::vector<Token>& out, int depth) {
        for (size_t index = 0; index < input.size(); ++index) {
            const Token& token = input[index];
            auto found = token.kind == TokenKind::Identifier ? macros_.find(token.text) : macros_.end();
            if (found == macros_.end() || expanding_.count(token.text)) {
                out.push_back(token);
                continue;
            }
            if (depth > kMaximumExpansionDepth)
                throw CompileError(token.location, "macro expansion too deep");
            const Macro& macro = found->second;
            std::vector<Token> replacement;
            if (macro.function) {
                if (index + 1 >= input.size() || !IsPunctuation(input[index + 1], "(")) {
                    out.push_back(token);
                    continue;
                }
                std::vector<std::vector<Token>> arguments = CallArguments(input, index, token);
                if (arguments.size() != macro.parameters.size())
                    throw CompileError(token.location, "macro '" + token.text + "' takes " +
                                                           std::to_string(macro.parameters.size()) +
                                                           " arguments");
                for (const Token& part : macro.body) {
                    size_t parameter = 0;
                    while (parameter < macro.parameters.size() &&
                           !(part.kind == TokenKind::Identifier && part.text == macro.parameters[parameter]))
                        ++parameter;
                    if (parameter == macro.parameters.size()) {
                        replacement.push_back(part);
                    } else {
                        Expand(arguments[parameter], replacement, depth + 1);
                    }
                }
            } else {
                replacement = macro.body;
            }
            for (Token& part : replacement) part.location = token.location;
            std::string name = token.text;
            expanding_.insert(name);
            Expand(replacement, out, depth + 1);
            expanding_.erase(name);
        }
    }

    // The arguments of a call whose name is at input[index]; leaves index at the closing parenthesis.
    static std::vector<std::vector<Token>> CallArguments(const std::vector<Token>& input, size_t& index,
                                                         const Token& name) {
        std::vector<std::vector<Token>> arguments(1);
        int nesting = 0;
        for (index += 2; index < input.size(); ++index) {
            const Token& part = input[index];
            if (IsPunctuation(part, "(")) ++nesting;
            if (IsPunctuation(part, ")") && nesting-- == 0) {
                if (arguments.size() == 1 && arguments[0].empty()) arguments.clear();
                return arguments;
            }
            if (IsPunctuation(part, ",") && nesting == 0) {
                arguments.emplace_back();
                continue;
            }
            arguments.back().push_back(part);
        }
        throw CompileError(name.location, "missing ) in the call of macro '" + name.text + "'");
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
                    value = macros_.count(OneName(rest, location, name)) == (name == "ifdef" ? 1u : 0u);
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
        if (name == "define") return Define(rest, location);
        if (name == "undef") {
            macros_.erase(OneName(rest, location, name));
            return;
        }
        if (name == "include") return Include(rest, location, file);
        if (name == "pragma") {
            std::vector<Token> tokens = Tokenize(rest, location, dialect_);
            if (!tokens.empty() && tokens[0].text == "code_page") {
                bool ok = tokens.size() == 4 && tokens[1].text == "(" && tokens[3].text == ")" &&
                          ((tokens[2].kind == TokenKind::Number && tokens[2].value == 1252) ||
                           tokens[2].text == "DEFAULT");
                if (!ok) throw CompileError(location, "only code page 1252 is supported");
            }
            return;  // other pragmas concern other tools
        }
        if (name == "error") throw CompileError(location, "#error" + rest);
        throw CompileError(location, "unknown directive #" + name);
    }

    std::string OneName(const std::string& rest, const SourceLocation& location,
                        const std::string& directive) {
        std::vector<Token> tokens = Tokenize(rest, location, dialect_);
        if (tokens.size() != 1 || tokens[0].kind != TokenKind::Identifier)
            throw CompileError(location, "#" + directive + " needs one name");
        return tokens[0].text;
    }

    void Define(const std::string& rest, const SourceLocation& location) {
        std::vector<Token> tokens = Tokenize(rest, location, dialect_);
        if (tokens.empty() || tokens[0].kind != TokenKind::Identifier)
            throw CompileError(location, "#define needs a name");
        size_t nameEnd = rest.find(tokens[0].text) + tokens[0].text.size();
        Macro macro;
        size_t bodyStart = 1;
        // A parenthesis right after the name, without a blank, opens the parameter list.
        if (nameEnd < rest.size() && rest[nameEnd] == '(') {
            if (!dialect_.functionMacros)
                throw CompileError(location, "macros with parameters are not supported");
            macro.function = true;
            size_t index = 2;
            while (index < tokens.size() && !IsPunctuation(tokens[index], ")")) {
                if (tokens[index].kind != TokenKind::Identifier)
                    throw CompileError(location,
                                       "expected a parameter name but found " + DescribeToken(tokens[index]));
                macro.parameters.push_back(tokens[index++].text);
                if (index < tokens.size() && IsPunctuation(tokens[index], ",")) ++index;
            }
            if (index >= tokens.size()) throw CompileError(location, "missing ) in #define");
            bodyStart = index + 1;
        }
        macro.body.assign(tokens.begin() + static_cast<std::ptrdiff_t>(bodyStart), tokens.end());
        macros_[tokens[0].text] = std::move(macro);
    }

    void Include(const std::string& rest, const SourceLocation& location, const std::filesystem::path& file) {
        std::string trimmed(TrimBlanks(rest));
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
            std::error_code error;  // a name the host cannot look up (too long) names no file
            if (std::filesystem::is_regular_file(candidate, error)) {
                ReadFile(candidate, name, location);
                return;
            }
        }
        if (dialect_.builtInHeaders.count(UpperCopy(std::filesystem::path(hostName).filename().string())))
            return;
        throw CompileError(location, "cannot open include file '" + name + "'");
    }

    // An #if expression: `defined NAME` and `defined(NAME)` are 1 or 0, the macros are expanded, and a
    // name left over counts 0.
    long Evaluate(const std::string& text, const SourceLocation& location) {
        std::vector<Token> raw = Tokenize(text, location, dialect_);
        std::vector<Token> resolved;
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
                resolved.push_back(value);
                index = nameIndex + (parenthesised ? 1 : 0);
                if (parenthesised && (index >= raw.size() || raw[index].text != ")"))
                    throw CompileError(location, "defined( needs )");
                continue;
            }
            resolved.push_back(raw[index]);
        }
        std::vector<Token> tokens;
        Expand(resolved, tokens, 0);
        Token end;
        end.location = location;
        tokens.push_back(end);
        size_t position = 0;
        ExpressionRules rules{[](const Token&) { return 0L; }, false, " in #if"};
        long value = EvaluateExpression(tokens, position, rules);
        if (tokens[position].kind != TokenKind::End)
            throw CompileError(location, "unexpected " + DescribeToken(tokens[position]) + " in #if");
        return value;
    }

    const ReaderOptions& options_;
    const SourceDialect& dialect_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> expanding_;
    std::vector<Condition> conditions_;
    std::vector<Token> tokens_;
    int depth_ = 0;
};

}  // namespace

std::vector<Token> ReadSource(const std::filesystem::path& file, const ReaderOptions& options,
                              const SourceDialect& dialect) {
    Reader reader(options, dialect);
    reader.ReadFile(file, file.string(), SourceLocation{});
    return reader.Finish(file.string());
}

}  // namespace platform::source
