#include "parser.h"

#include <initializer_list>
#include <limits>
#include <utility>

#include "lexer.h"

namespace vbscript {

namespace {

constexpr size_t kNoToken = std::numeric_limits<size_t>::max();

// Words that cannot name a variable: they start statements or are operators and constants.
constexpr std::u16string_view kReservedWords[] = {
    u"And",   u"Call",   u"Dim", u"Each", u"Else", u"ElseIf", u"Empty", u"End",
    u"False", u"For",    u"If",  u"In",   u"Is",   u"Next",   u"Not",   u"Nothing",
    u"On",    u"Option", u"Or",  u"Rem",  u"Set",  u"Then",   u"True",
};

bool IsReserved(std::u16string_view name) {
    for (std::u16string_view word : kReservedWords)
        if (SameName(word, name)) return true;
    return false;
}

template <typename Node>
ExpressionPointer MakeExpression(Position position, Node node) {
    auto expression = std::make_unique<Expression>();
    expression->position = position;
    expression->node = std::move(node);
    return expression;
}

class Parser {
  public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    Program Run() {
        Program program;
        program.statements = ParseBlock({}, &program);
        return program;
    }

  private:
    const Token& Current() const { return tokens_[index_]; }
    Position PositionOf(const Token& token) const { return {token.line, token.column}; }
    Position Here() const { return PositionOf(Current()); }

    [[noreturn]] void Fail(CompileErrorNumber number) const { Fail(number, Current()); }
    [[noreturn]] void Fail(CompileErrorNumber number, const Token& token) const {
        throw CompileError{number, token.line, token.column};
    }

    bool IsWord(std::u16string_view word) const {
        return Current().kind == TokenKind::Name && SameName(Current().text, word);
    }
    bool IsWordIn(std::initializer_list<std::u16string_view> words) const {
        for (std::u16string_view word : words)
            if (IsWord(word)) return true;
        return false;
    }
    bool IsSymbol(std::u16string_view symbol) const {
        return Current().kind == TokenKind::Symbol && Current().text == symbol;
    }
    void Advance() {
        if (Current().kind != TokenKind::EndOfScript) ++index_;
    }
    void ExpectWord(std::u16string_view word, CompileErrorNumber number) {
        if (!IsWord(word)) Fail(number);
        Advance();
    }
    std::u16string ExpectName() {
        if (Current().kind != TokenKind::Name || IsReserved(Current().text))
            Fail(CompileErrorNumber::ExpectedIdentifier);
        std::u16string name = Current().text;
        Advance();
        return name;
    }

    bool AtLineEnd() const {
        return Current().kind == TokenKind::EndOfLine || Current().kind == TokenKind::EndOfScript;
    }
    // Where a statement ends: the end of its line, a ':' or, inside a one-line If, its Else.
    bool AtStatementEnd() const {
        return AtLineEnd() || Current().kind == TokenKind::Separator ||
               (singleLineIfDepth_ > 0 && IsWord(u"Else"));
    }
    void ExpectStatementEnd() {
        if (!AtStatementEnd()) Fail(CompileErrorNumber::ExpectedEndOfStatement);
    }
    void SkipSeparators() {
        while (Current().kind == TokenKind::EndOfLine || Current().kind == TokenKind::Separator) Advance();
    }

    // Statements up to the end of the script or a line starting with one of the words given.
    StatementList ParseBlock(std::initializer_list<std::u16string_view> terminators,
                             Program* program = nullptr) {
        StatementList statements;
        for (;;) {
            SkipSeparators();
            if (Current().kind == TokenKind::EndOfScript) return statements;
            if (IsWordIn(terminators)) return statements;
            if (program && IsWord(u"Option")) {
                ParseOptionExplicit();
                program->optionExplicit = true;
            } else {
                statements.push_back(ParseStatement());
            }
            ExpectStatementEnd();
        }
    }

    void ParseOptionExplicit() {
        Advance();
        ExpectWord(u"Explicit", CompileErrorNumber::SyntaxError);
    }

    template <typename Node>
    Statement MakeStatement(Position position, Node node) {
        Statement statement;
        statement.position = position;
        statement.node = std::move(node);
        return statement;
    }

    Statement ParseStatement() {
        Position position = Here();
        if (Current().kind != TokenKind::Name) Fail(CompileErrorNumber::ExpectedStatement);
        if (IsWord(u"Dim")) return MakeStatement(position, ParseDim());
        if (IsWord(u"On")) return MakeStatement(position, ParseOnError());
        if (IsWord(u"Set")) {
            Advance();
            ExpressionPointer target = ParseReference(kNoToken, nullptr);
            if (!IsSymbol(u"=")) Fail(CompileErrorNumber::ExpectedEquals);
            Advance();
            return MakeStatement(position, AssignStatement{true, std::move(target), ParseExpression()});
        }
        if (IsWord(u"Call")) {
            Advance();
            ExpressionPointer target = ParseReference(kNoToken, nullptr);
            return MakeStatement(position, CallOf(std::move(target)));
        }
        if (IsWord(u"If")) return MakeStatement(position, ParseIf());
        if (IsWord(u"For")) return MakeStatement(position, ParseForEach());
        if (IsWord(u"Next")) Fail(CompileErrorNumber::UnexpectedNext);
        if (IsReserved(Current().text)) Fail(CompileErrorNumber::ExpectedStatement);
        return ParseReferenceStatement(position);
    }

    DimStatement ParseDim() {
        Advance();
        DimStatement statement;
        statement.names.push_back(ExpectName());
        while (IsSymbol(u",")) {
            Advance();
            statement.names.push_back(ExpectName());
        }
        return statement;
    }

    OnErrorStatement ParseOnError() {
        Advance();
        ExpectWord(u"Error", CompileErrorNumber::SyntaxError);
        if (IsWord(u"Resume")) {
            Advance();
            ExpectWord(u"Next", CompileErrorNumber::SyntaxError);
            return OnErrorStatement{true};
        }
        ExpectWord(u"GoTo", CompileErrorNumber::SyntaxError);
        if (Current().kind != TokenKind::Integer || Current().integer != 0)
            Fail(CompileErrorNumber::SyntaxError);
        Advance();
        return OnErrorStatement{false};
    }

    ExpressionPointer MissingArgument() {
        Literal literal;
        literal.kind = Literal::Kind::Missing;
        return MakeExpression(Here(), std::move(literal));
    }

    // A call written as a reference: its last parenthesised arguments are the call's.
    static CallStatement CallOf(ExpressionPointer target) {
        if (auto* call = std::get_if<CallReference>(&target->node))
            return CallStatement{std::move(call->callee), std::move(call->arguments)};
        return CallStatement{std::move(target), {}};
    }

    // A statement that starts with a name: an assignment, or a call with or without its arguments in
    // parentheses.
    Statement ParseReferenceStatement(Position position) {
        size_t start = index_;
        size_t lastParenthesis = kNoToken;
        ExpressionPointer target = ParseReference(kNoToken, &lastParenthesis);
        if (IsSymbol(u"=")) {
            Advance();
            return MakeStatement(position, AssignStatement{false, std::move(target), ParseExpression()});
        }
        if (AtStatementEnd()) {
            auto* call = std::get_if<CallReference>(&target->node);
            // f(a) passes one parenthesised argument; f(a, b) as a statement needs Call.
            if (call && call->arguments.size() > 1)
                Fail(CompileErrorNumber::ParenthesesCallingSub, tokens_[lastParenthesis]);
            // Those parentheses are the argument's own: f(a) passes a by value.
            if (call && call->arguments.size() == 1) call->arguments.front()->parenthesised = true;
            return MakeStatement(position, CallOf(std::move(target)));
        }
        // Arguments without parentheses; a parenthesis that ended the reference starts the first of them.
        if (lastParenthesis != kNoToken) {
            index_ = start;
            target = ParseReference(lastParenthesis, nullptr);
        }
        CallStatement statement{std::move(target), {}};
        for (;;) {
            if (IsSymbol(u",") || AtStatementEnd())
                statement.arguments.push_back(MissingArgument());
            else
                statement.arguments.push_back(ParseExpression());
            if (!IsSymbol(u",")) break;
            Advance();
        }
        return MakeStatement(position, std::move(statement));
    }

    IfStatement ParseIf() {
        Advance();
        IfStatement statement;
        ExpressionPointer condition = ParseExpression();
        ExpectWord(u"Then", CompileErrorNumber::ExpectedThen);
        if (!AtLineEnd()) {
            statement.branches.push_back({std::move(condition), ParseSingleLineStatements()});
            if (IsWord(u"Else")) {
                Advance();
                statement.otherwise = ParseSingleLineStatements();
            }
            return statement;
        }
        statement.branches.push_back({std::move(condition), ParseBlock({u"ElseIf", u"Else", u"End"})});
        while (IsWord(u"ElseIf")) {
            Advance();
            ExpressionPointer branchCondition = ParseExpression();
            ExpectWord(u"Then", CompileErrorNumber::ExpectedThen);
            statement.branches.push_back(
                {std::move(branchCondition), ParseBlock({u"ElseIf", u"Else", u"End"})});
        }
        if (IsWord(u"Else")) {
            Advance();
            statement.otherwise = ParseBlock({u"End"});
        }
        ExpectWord(u"End", CompileErrorNumber::ExpectedEnd);
        ExpectWord(u"If", CompileErrorNumber::ExpectedIf);
        return statement;
    }

    // The statements of a one-line If: separated by ':', up to the end of the line or the Else.
    StatementList ParseSingleLineStatements() {
        ++singleLineIfDepth_;
        StatementList statements;
        for (;;) {
            statements.push_back(ParseStatement());
            ExpectStatementEnd();
            if (Current().kind != TokenKind::Separator) break;
            Advance();
            if (AtStatementEnd()) break;
        }
        --singleLineIfDepth_;
        return statements;
    }

    ForEachStatement ParseForEach() {
        Advance();
        ExpectWord(u"Each", CompileErrorNumber::SyntaxError);
        ForEachStatement statement;
        statement.variable = ExpectName();
        ExpectWord(u"In", CompileErrorNumber::ExpectedIn);
        statement.collection = ParseExpression();
        ExpectStatementEnd();
        int savedDepth = std::exchange(singleLineIfDepth_, 0);
        statement.body = ParseBlock({u"Next"});
        singleLineIfDepth_ = savedDepth;
        ExpectWord(u"Next", CompileErrorNumber::ExpectedNext);
        return statement;
    }

    // name, then .member and (arguments) in any order. Parsing stops at the parenthesis at `stopAt`;
    // `lastParenthesis` receives where the last element's parenthesis is, when the last element is one.
    ExpressionPointer ParseReference(size_t stopAt, size_t* lastParenthesis) {
        Position position = Here();
        ExpressionPointer reference = MakeExpression(position, NameReference{ExpectName()});
        for (;;) {
            if (IsSymbol(u".")) {
                Advance();
                if (Current().kind != TokenKind::Name) Fail(CompileErrorNumber::ExpectedIdentifier);
                reference = MakeExpression(position, MemberReference{std::move(reference), Current().text});
                Advance();
                if (lastParenthesis) *lastParenthesis = kNoToken;
            } else if (IsSymbol(u"(") && index_ != stopAt) {
                if (lastParenthesis) *lastParenthesis = index_;
                Advance();
                reference = MakeExpression(position, CallReference{std::move(reference), ParseArguments()});
            } else {
                return reference;
            }
        }
    }

    // The arguments after an opening parenthesis, to the closing one.
    std::vector<ExpressionPointer> ParseArguments() {
        std::vector<ExpressionPointer> arguments;
        if (IsSymbol(u")")) {
            Advance();
            return arguments;
        }
        for (;;) {
            if (IsSymbol(u",") || IsSymbol(u")"))
                arguments.push_back(MissingArgument());
            else
                arguments.push_back(ParseExpression());
            if (!IsSymbol(u",")) break;
            Advance();
        }
        if (!IsSymbol(u")")) Fail(CompileErrorNumber::ExpectedCloseParenthesis);
        Advance();
        return arguments;
    }

    ExpressionPointer ParseExpression() { return ParseOr(); }

    ExpressionPointer MakeBinary(Position position, BinaryOperator operation, ExpressionPointer left,
                                 ExpressionPointer right) {
        return MakeExpression(position, Binary{operation, std::move(left), std::move(right)});
    }

    ExpressionPointer ParseOr() {
        Position position = Here();
        ExpressionPointer left = ParseAnd();
        while (IsWord(u"Or")) {
            Advance();
            left = MakeBinary(position, BinaryOperator::Or, std::move(left), ParseAnd());
        }
        return left;
    }

    ExpressionPointer ParseAnd() {
        Position position = Here();
        ExpressionPointer left = ParseNot();
        while (IsWord(u"And")) {
            Advance();
            left = MakeBinary(position, BinaryOperator::And, std::move(left), ParseNot());
        }
        return left;
    }

    ExpressionPointer ParseNot() {
        Position position = Here();
        if (!IsWord(u"Not")) return ParseComparison();
        Advance();
        return MakeExpression(position, Unary{UnaryOperator::Not, ParseNot()});
    }

    std::optional<BinaryOperator> ComparisonHere() const {
        if (IsWord(u"Is")) return BinaryOperator::Is;
        if (Current().kind != TokenKind::Symbol) return std::nullopt;
        constexpr std::pair<std::u16string_view, BinaryOperator> comparisons[] = {
            {u"=", BinaryOperator::Equal},        {u"<>", BinaryOperator::NotEqual},
            {u"<", BinaryOperator::Less},         {u">", BinaryOperator::Greater},
            {u"<=", BinaryOperator::LessOrEqual}, {u">=", BinaryOperator::GreaterOrEqual},
        };
        for (const auto& [symbol, operation] : comparisons)
            if (Current().text == symbol) return operation;
        return std::nullopt;
    }

    ExpressionPointer ParseComparison() {
        Position position = Here();
        ExpressionPointer left = ParseConcatenation();
        while (std::optional<BinaryOperator> operation = ComparisonHere()) {
            Advance();
            left = MakeBinary(position, *operation, std::move(left), ParseConcatenation());
        }
        return left;
    }

    ExpressionPointer ParseConcatenation() {
        Position position = Here();
        ExpressionPointer left = ParseAdditive();
        while (IsSymbol(u"&")) {
            Advance();
            left = MakeBinary(position, BinaryOperator::Concatenate, std::move(left), ParseAdditive());
        }
        return left;
    }

    ExpressionPointer ParseAdditive() {
        Position position = Here();
        ExpressionPointer left = ParseMultiplicative();
        while (IsSymbol(u"+") || IsSymbol(u"-")) {
            BinaryOperator operation = IsSymbol(u"+") ? BinaryOperator::Add : BinaryOperator::Subtract;
            Advance();
            left = MakeBinary(position, operation, std::move(left), ParseMultiplicative());
        }
        return left;
    }

    ExpressionPointer ParseMultiplicative() {
        Position position = Here();
        ExpressionPointer left = ParseUnary();
        while (IsSymbol(u"*") || IsSymbol(u"/")) {
            BinaryOperator operation = IsSymbol(u"*") ? BinaryOperator::Multiply : BinaryOperator::Divide;
            Advance();
            left = MakeBinary(position, operation, std::move(left), ParseUnary());
        }
        return left;
    }

    ExpressionPointer ParseUnary() {
        Position position = Here();
        if (IsSymbol(u"-") || IsSymbol(u"+")) {
            UnaryOperator operation = IsSymbol(u"-") ? UnaryOperator::Negate : UnaryOperator::Plus;
            Advance();
            return MakeExpression(position, Unary{operation, ParseUnary()});
        }
        return ParsePrimary();
    }

    ExpressionPointer ParsePrimary() {
        Position position = Here();
        const Token& token = Current();
        Literal literal;
        switch (token.kind) {
            case TokenKind::Integer:
                literal.kind = Literal::Kind::Integer;
                literal.integer = token.integer;
                literal.hexadecimal = token.hexadecimal;
                Advance();
                return MakeExpression(position, std::move(literal));
            case TokenKind::Real:
                literal.kind = Literal::Kind::Real;
                literal.real = token.real;
                Advance();
                return MakeExpression(position, std::move(literal));
            case TokenKind::String:
                literal.kind = Literal::Kind::String;
                literal.string = token.text;
                Advance();
                return MakeExpression(position, std::move(literal));
            case TokenKind::Symbol:
                if (token.text == u"(") {
                    Advance();
                    ExpressionPointer inner = ParseExpression();
                    if (!IsSymbol(u")")) Fail(CompileErrorNumber::ExpectedCloseParenthesis);
                    Advance();
                    inner->parenthesised = true;
                    return inner;
                }
                break;
            case TokenKind::Name:
                if (IsWord(u"True") || IsWord(u"False")) {
                    literal.kind = Literal::Kind::Boolean;
                    literal.boolean = IsWord(u"True");
                    Advance();
                    return MakeExpression(position, std::move(literal));
                }
                if (IsWord(u"Empty") || IsWord(u"Nothing")) {
                    literal.kind = IsWord(u"Empty") ? Literal::Kind::Empty : Literal::Kind::Nothing;
                    Advance();
                    return MakeExpression(position, std::move(literal));
                }
                if (!IsReserved(token.text)) return ParseReference(kNoToken, nullptr);
                break;
            default:
                break;
        }
        Fail(CompileErrorNumber::ExpectedExpression);
    }

    std::vector<Token> tokens_;
    size_t index_ = 0;
    int singleLineIfDepth_ = 0;
};

}  // namespace

ParseResult Parse(std::u16string_view script) {
    ParseResult result;
    try {
        result.program = Parser(Tokenize(script)).Run();
    } catch (const CompileError& error) {
        result.error = error;
    }
    return result;
}

}  // namespace vbscript
