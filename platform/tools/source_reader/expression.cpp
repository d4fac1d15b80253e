#include "platform/tools/source_reader/expression.h"

namespace platform::source {

namespace {

struct BinaryOperator {
    const char* text;
    Precedence precedence;
};

constexpr BinaryOperator kOperators[] = {
    {"||", Precedence::LogicalOr},     {"&&", Precedence::LogicalAnd},    {"|", Precedence::BitOr},
    {"^", Precedence::BitXor},         {"&", Precedence::BitAnd},         {"==", Precedence::Equality},
    {"!=", Precedence::Equality},      {"<", Precedence::Relational},     {">", Precedence::Relational},
    {"<=", Precedence::Relational},    {">=", Precedence::Relational},    {"<<", Precedence::Shift},
    {">>", Precedence::Shift},         {"+", Precedence::Additive},       {"-", Precedence::Additive},
    {"*", Precedence::Multiplicative}, {"/", Precedence::Multiplicative}, {"%", Precedence::Multiplicative},
};

const BinaryOperator* FindOperator(const Token& token) {
    if (token.kind != TokenKind::Punctuation) return nullptr;
    for (const BinaryOperator& candidate : kOperators) {
        if (token.text == candidate.text) return &candidate;
    }
    return nullptr;
}

bool IsNotWord(const Token& token, const ExpressionRules& rules) {
    if (!rules.notWord || token.kind != TokenKind::Identifier || token.text.size() != 3) return false;
    return (token.text[0] | 0x20) == 'n' && (token.text[1] | 0x20) == 'o' && (token.text[2] | 0x20) == 't';
}

class Evaluator {
  public:
    Evaluator(const std::vector<Token>& tokens, size_t& position, const ExpressionRules& rules)
        : tokens_(tokens), position_(position), rules_(rules) {}

    // Precedence climbing: a unary operand, then every operator at least as tight as `lowest`, each
    // with a right side of tighter operators only (all are left-associative).
    long Expression(Precedence lowest) {
        long value = Unary();
        while (const BinaryOperator* op = FindOperator(Peek())) {
            if (op->precedence < lowest) break;
            const Token& token = Next();
            long right = Expression(static_cast<Precedence>(static_cast<int>(op->precedence) + 1));
            value = Apply(token, value, right);
        }
        return value;
    }

  private:
    const Token& Peek() const {
        static const Token kEnd;
        if (position_ < tokens_.size()) return tokens_[position_];
        return tokens_.empty() ? kEnd : tokens_.back();
    }
    const Token& Next() {
        const Token& token = Peek();
        if (position_ < tokens_.size() && token.kind != TokenKind::End) ++position_;
        return token;
    }
    [[noreturn]] void Fail(const Token& token, const std::string& message) const {
        throw CompileError(token.location, message + rules_.context);
    }

    // Arithmetic wraps as the compilers' 32- or 64-bit registers do, rather than overflowing.
    long Apply(const Token& op, long left, long right) const {
        auto unsignedLeft = static_cast<unsigned long>(left);
        auto unsignedRight = static_cast<unsigned long>(right);
        const std::string& text = op.text;
        if (text == "||") return left || right;
        if (text == "&&") return left && right;
        if (text == "|") return left | right;
        if (text == "^") return left ^ right;
        if (text == "&") return left & right;
        if (text == "==") return left == right;
        if (text == "!=") return left != right;
        if (text == "<") return left < right;
        if (text == ">") return left > right;
        if (text == "<=") return left <= right;
        if (text == ">=") return left >= right;
        if (text == "<<" || text == ">>") {
            if (right < 0 || right >= static_cast<long>(8 * sizeof(long)))
                Fail(op, "shift count out of range");
            return text == "<<" ? static_cast<long>(unsignedLeft << right) : left >> right;
        }
        if (text == "+") return static_cast<long>(unsignedLeft + unsignedRight);
        if (text == "-") return static_cast<long>(unsignedLeft - unsignedRight);
        if (text == "*") return static_cast<long>(unsignedLeft * unsignedRight);
        if (right == 0) Fail(op, "division by zero");
        if (right == -1) return text == "/" ? static_cast<long>(0 - unsignedLeft) : 0;
        return text == "/" ? left / right : left % right;
    }

    long Unary() {
        const Token& token = Next();
        if (token.kind == TokenKind::Number) return static_cast<long>(token.value);
        if (IsNotWord(token, rules_)) return ~Unary();
        if (token.kind == TokenKind::Identifier) return rules_.name ? rules_.name(token) : 0;
        if (token.kind == TokenKind::Punctuation) {
            if (token.text == "-") return static_cast<long>(0 - static_cast<unsigned long>(Unary()));
            if (token.text == "+") return Unary();
            if (token.text == "~") return ~Unary();
            if (token.text == "!") return !Unary();
            if (token.text == "(") {
                long value = Expression(Precedence::LogicalOr);
                const Token& close = Next();
                if (close.kind != TokenKind::Punctuation || close.text != ")")
                    Fail(close, "expected ')' but found " + DescribeToken(close));
                return value;
            }
        }
        Fail(token, "expected a number but found " + DescribeToken(token));
    }

    const std::vector<Token>& tokens_;
    size_t& position_;
    const ExpressionRules& rules_;
};

}  // namespace

long EvaluateExpression(const std::vector<Token>& tokens, size_t& position, const ExpressionRules& rules,
                        Precedence lowest) {
    return Evaluator(tokens, position, rules).Expression(lowest);
}

}  // namespace platform::source
