// The lexer and the parser: scripts and the statements they parse to, written out as text, and the
// compilation errors with their places.
#include <gtest/gtest.h>

#include <string>

#include "parser.h"
#include "platform/machine/text.h"

namespace vbscript {
namespace {

std::string Narrow(std::u16string_view text) {
    return platform::AnsiFromWide(text);
}

std::string Describe(const Expression& expression);

std::string DescribeArguments(const std::vector<ExpressionPointer>& arguments) {
    std::string text;
    for (const ExpressionPointer& argument : arguments)
        text += (text.empty() ? "" : ", ") + Describe(*argument);
    return text;
}

std::string Describe(const Expression& expression) {
    if (auto* literal = std::get_if<Literal>(&expression.node)) {
        switch (literal->kind) {
            case Literal::Kind::Empty:
                return "Empty";
            case Literal::Kind::Nothing:
                return "Nothing";
            case Literal::Kind::Boolean:
                return literal->boolean ? "True" : "False";
            case Literal::Kind::Integer:
                return std::to_string(literal->integer);
            case Literal::Kind::Real:
                return std::to_string(literal->real);
            case Literal::Kind::String:
                return "\"" + Narrow(literal->string) + "\"";
            case Literal::Kind::Missing:
                return "_";
        }
    }
    // A name in parentheses of its own is passed by value.
    if (auto* name = std::get_if<NameReference>(&expression.node))
        return expression.parenthesised ? "(" + Narrow(name->name) + ")" : Narrow(name->name);
    if (auto* member = std::get_if<MemberReference>(&expression.node))
        return Describe(*member->object) + "." + Narrow(member->name);
    if (auto* call = std::get_if<CallReference>(&expression.node))
        return Describe(*call->callee) + "(" + DescribeArguments(call->arguments) + ")";
    if (auto* unary = std::get_if<Unary>(&expression.node)) {
        const char* names[] = {"-", "+", "Not"};
        return std::string("(") + names[static_cast<int>(unary->operation)] + " " +
               Describe(*unary->operand) + ")";
    }
    const Binary& binary = std::get<Binary>(expression.node);
    const char* names[] = {"Or", "And", "=", "<>", "<", ">", "<=", ">=", "Is", "&", "+", "-", "*", "/"};
    return std::string("(") + names[static_cast<int>(binary.operation)] + " " + Describe(*binary.left) + " " +
           Describe(*binary.right) + ")";
}

std::string Describe(const StatementList& statements);

std::string Describe(const Statement& statement) {
    std::string place =
        std::to_string(statement.position.line) + ":" + std::to_string(statement.position.column) + " ";
    if (auto* dim = std::get_if<DimStatement>(&statement.node)) {
        std::string text = place + "Dim";
        for (const std::u16string& name : dim->names) text += " " + Narrow(name);
        return text;
    }
    if (auto* assign = std::get_if<AssignStatement>(&statement.node))
        return place + (assign->isSet ? "Set " : "Let ") + Describe(*assign->target) + " = " +
               Describe(*assign->value);
    if (auto* call = std::get_if<CallStatement>(&statement.node))
        return place + "Call " + Describe(*call->callee) + " [" + DescribeArguments(call->arguments) + "]";
    if (auto* onError = std::get_if<OnErrorStatement>(&statement.node))
        return place + (onError->resumeNext ? "OnError ResumeNext" : "OnError GoTo0");
    if (auto* forEach = std::get_if<ForEachStatement>(&statement.node))
        return place + "ForEach " + Narrow(forEach->variable) + " In " + Describe(*forEach->collection) +
               " {" + Describe(forEach->body) + "}";
    const IfStatement& ifStatement = std::get<IfStatement>(statement.node);
    std::string text = place;
    for (const IfBranch& branch : ifStatement.branches)
        text += (text == place ? "If " : " ElseIf ") + Describe(*branch.condition) + " {" +
                Describe(branch.body) + "}";
    if (!ifStatement.otherwise.empty()) text += " Else {" + Describe(ifStatement.otherwise) + "}";
    return text;
}

std::string Describe(const StatementList& statements) {
    std::string text;
    for (const Statement& statement : statements) text += (text.empty() ? "" : "; ") + Describe(statement);
    return text;
}

struct ParseCase {
    const char* script;
    const char* parsed;
};

TEST(VBScriptParser, ParsesStatementsAndExpressions) {
    const ParseCase cases[] = {
        {"Dim a, b", "1:1 Dim a b"},
        {"x = 1 + 2 * 3 - -4", "1:1 Let x = (- (+ 1 (* 2 3)) (- 4))"},
        {"x = a & \"b\" & 1.5", "1:1 Let x = (& (& a \"b\") 1.500000)"},
        {"x = \"say \"\"hi\"\"\"", "1:1 Let x = \"say \"hi\"\""},
        {"x = Not a = b And c <> d Or e", "1:1 Let x = (Or (And (Not (= a b)) (<> c d)) e)"},
        {"x = a <= b", "1:1 Let x = (<= a b)"},
        {"x = a >= b : y = a < b : z = a > b",
         "1:1 Let x = (>= a b); 1:14 Let y = (< a b); 1:26 Let z = (> a b)"},
        {"x = o Is Nothing", "1:1 Let x = (Is o Nothing)"},
        {"x = True: y = False: z = Empty", "1:1 Let x = True; 1:11 Let y = False; 1:22 Let z = Empty"},
        {"x = &HFF + &H8007000E + &HFFFF", "1:1 Let x = (+ (+ 255 -2147024882) -1)"},
        {"x = 3000000000", "1:1 Let x = 3000000000.000000"},
        {"x = .5 + 1E2", "1:1 Let x = (+ 0.500000 100.000000)"},
        {"Set x = CreateObject(\"A.B\")", "1:1 Set x = CreateObject(\"A.B\")"},
        {"Set o.Child = Nothing", "1:1 Set o.Child = Nothing"},
        {"o.Name = \"x\"", "1:1 Let o.Name = \"x\""},
        {"o(2) = 5", "1:1 Let o(2) = 5"},
        {"o.Item(1).Name = 5", "1:1 Let o.Item(1).Name = 5"},
        {"x = o.Items(1)(2).Value", "1:1 Let x = o.Items(1)(2).Value"},
        {"o.Run 1, \"a\"", "1:1 Call o.Run [1, \"a\"]"},
        {"o.Run(1)", "1:1 Call o.Run [1]"},
        {"o.Run (1), 2", "1:1 Call o.Run [1, 2]"},
        {"o.Item(1).Run 2", "1:1 Call o.Item(1).Run [2]"},
        {"o.Run", "1:1 Call o.Run []"},
        {"o.Run()", "1:1 Call o.Run []"},
        {"o.Run 1, , 3", "1:1 Call o.Run [1, _, 3]"},
        {"Call o.Run(1, 2)", "1:1 Call o.Run [1, 2]"},
        {"Call o.Run", "1:1 Call o.Run []"},
        {"x = o.F(1, , 3)", "1:1 Let x = o.F(1, _, 3)"},
        {"o.Run a, (b)", "1:1 Call o.Run [a, (b)]"},
        {"o.Run(a)", "1:1 Call o.Run [(a)]"},
        {"o.Run (a), b", "1:1 Call o.Run [(a), b]"},
        {"Call o.Run(a)", "1:1 Call o.Run [a]"},
        {"x = o.F(a, ((b)), a + b)", "1:1 Let x = o.F(a, (b), (+ a b))"},
        {"o.End = o.Next", "1:1 Let o.End = o.Next"},
        {"On Error Resume Next\nOn Error GoTo 0", "1:1 OnError ResumeNext; 2:1 OnError GoTo0"},
        {"WScript.Echo a, _\n    b", "1:1 Call WScript.Echo [a, b]"},
        {"' note\nREM note\nrem\n  x = 1 ' tail", "4:3 Let x = 1"},
        {"x = o.Rem", "1:1 Let x = o.Rem"},
        {"If a Then\n  b = 1\nElseIf c Then\n  b = 2\nElse\n  b = 3\nEnd If",
         "1:1 If a {2:3 Let b = 1} ElseIf c {4:3 Let b = 2} Else {6:3 Let b = 3}"},
        {"if a then\nend if", "1:1 If a {}"},
        {"If a Then b = 1 : c = 2 Else d = 3",
         "1:1 If a {1:11 Let b = 1; 1:19 Let c = 2} Else {1:30 Let d = 3}"},
        {"If a Then o.Run 1 Else o.Run 2", "1:1 If a {1:11 Call o.Run [1]} Else {1:24 Call o.Run [2]}"},
        {"If a Then\nIf b Then c = 1\nEnd If", "1:1 If a {2:1 If b {2:11 Let c = 1}}"},
        {"For Each item In o.Items\n  WScript.Echo item\nNext",
         "1:1 ForEach item In o.Items {2:3 Call WScript.Echo [item]}"},
        {"Option Explicit\nDim a\r\na = 1\r\n", "2:1 Dim a; 3:1 Let a = 1"},
    };
    for (const ParseCase& row : cases) {
        ParseResult result = Parse(platform::WideFromAnsi(row.script));
        ASSERT_FALSE(result.error) << row.script << ": error " << static_cast<int>(result.error->number)
                                   << " at " << result.error->line << "," << result.error->column;
        EXPECT_EQ(Describe(result.program.statements), row.parsed) << row.script;
    }
}

TEST(VBScriptParser, OptionExplicitIsRecorded) {
    EXPECT_TRUE(Parse(u"Option Explicit\nDim a").program.optionExplicit);
    EXPECT_FALSE(Parse(u"Dim a").program.optionExplicit);
}

struct ErrorCase {
    const char* script;
    CompileErrorNumber number;
    int line;
    int column;
};

TEST(VBScriptParser, ReportsCompilationErrorsWhereTheyAre) {
    const ErrorCase cases[] = {
        {"x = \"abc", CompileErrorNumber::UnterminatedString, 1, 5},
        {"x = 1 $ 2", CompileErrorNumber::InvalidCharacter, 1, 7},
        {"x = 1E", CompileErrorNumber::InvalidNumber, 1, 5},
        {"x = &H123456789", CompileErrorNumber::InvalidNumber, 1, 5},
        {"x = 1 2", CompileErrorNumber::ExpectedEndOfStatement, 1, 7},
        {"x = (1 + 2", CompileErrorNumber::ExpectedCloseParenthesis, 1, 11},
        {"x = o.F(1", CompileErrorNumber::ExpectedCloseParenthesis, 1, 10},
        {"x = ", CompileErrorNumber::ExpectedExpression, 1, 5},
        {"x = 1 +\ny = 2", CompileErrorNumber::ExpectedExpression, 1, 8},
        {"Dim 1", CompileErrorNumber::ExpectedIdentifier, 1, 5},
        {"Dim If", CompileErrorNumber::ExpectedIdentifier, 1, 5},
        {"Set x 1", CompileErrorNumber::ExpectedEquals, 1, 7},
        {"If a b = 1", CompileErrorNumber::ExpectedThen, 1, 6},
        {"If a Then\nb = 1\n", CompileErrorNumber::ExpectedEnd, 3, 1},
        {"If a Then\nb = 1\nEnd", CompileErrorNumber::ExpectedIf, 3, 4},
        {"For Each x o\nNext", CompileErrorNumber::ExpectedIn, 1, 12},
        {"For Each x In o\nx.Run\n", CompileErrorNumber::ExpectedNext, 3, 1},
        {"Next", CompileErrorNumber::UnexpectedNext, 1, 1},
        {"End If", CompileErrorNumber::ExpectedStatement, 1, 1},
        {"1 = 2", CompileErrorNumber::ExpectedStatement, 1, 1},
        {"o.Run(1, 2)", CompileErrorNumber::ParenthesesCallingSub, 1, 6},
        {"On Error Resume", CompileErrorNumber::SyntaxError, 1, 16},
        {"On Error GoTo 1", CompileErrorNumber::SyntaxError, 1, 15},
        {"o. = 1", CompileErrorNumber::ExpectedIdentifier, 1, 4},
        {"x = 1 _\n+ 2 _ 3", CompileErrorNumber::InvalidCharacter, 2, 5},
    };
    for (const ErrorCase& row : cases) {
        ParseResult result = Parse(platform::WideFromAnsi(row.script));
        ASSERT_TRUE(result.error) << row.script;
        EXPECT_EQ(result.error->number, row.number) << row.script;
        EXPECT_EQ(result.error->line, row.line) << row.script;
        EXPECT_EQ(result.error->column, row.column) << row.script;
    }
}

TEST(VBScriptParser, CompilationErrorLineNamesScriptPlaceAndMessage) {
    CompileError error{CompileErrorNumber::ExpectedEndOfStatement, 3, 7};
    EXPECT_EQ(Narrow(CompileErrorLine(u"C:\\scripts\\a.vbs", error)),
              "C:\\scripts\\a.vbs(3, 7) VBScript compilation error: Expected end of statement");
}

}  // namespace
}  // namespace vbscript
