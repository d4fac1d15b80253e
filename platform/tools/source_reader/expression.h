// C integer expressions over tokens: numbers, names, unary + - ~ !, * / % + - << >> comparisons & ^ |
// && || and parentheses, with C's precedence. The preprocessor's #if and the resource compiler's
// statements evaluate their expressions here.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/tools/source_reader/token.h"

namespace platform::source {

// From the loosest binding to the tightest.
enum class Precedence {
    LogicalOr,
    LogicalAnd,
    BitOr,
    BitXor,
    BitAnd,
    Equality,
    Relational,
    Shift,
    Additive,
    Multiplicative
};

struct ExpressionRules {
    // The value of a name; may throw CompileError for a name that has none.
    std::function<long(const Token&)> name;
    bool notWord = false;  // NOT x means ~x (resource scripts)
    std::string context;   // added to error messages, as " in #if"
};

// Evaluates the expression starting at tokens[position] and leaves position after it. Only operators
// binding at least as tightly as `lowest` are part of it. The tokens end with an End token.
long EvaluateExpression(const std::vector<Token>& tokens, size_t& position, const ExpressionRules& rules,
                        Precedence lowest = Precedence::LogicalOr);

}  // namespace platform::source
