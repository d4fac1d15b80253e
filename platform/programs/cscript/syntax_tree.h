// The parsed form of a script: statements and the expressions in them, each with its place in the text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace vbscript {

struct Position {
    int line = 0;
    int column = 0;
};

struct Expression;
using ExpressionPointer = std::unique_ptr<Expression>;

// Empty, Nothing, True/False, numbers and strings written in the script; Missing stands for an argument
// left out of a call (f(1, , 3)).
struct Literal {
    enum class Kind { Empty, Nothing, Boolean, Integer, Real, String, Missing };
    Kind kind = Kind::Empty;
    bool boolean = false;
    std::int64_t integer = 0;
    bool hexadecimal = false;
    double real = 0;
    std::u16string string;
};

struct NameReference {
    std::u16string name;
};

struct MemberReference {
    ExpressionPointer object;
    std::u16string name;
};

// name(arguments), object.member(arguments) or value(arguments): a call, or the default member of an
// object with arguments.
struct CallReference {
    ExpressionPointer callee;
    std::vector<ExpressionPointer> arguments;
};

enum class UnaryOperator { Negate, Plus, Not };

struct Unary {
    UnaryOperator operation;
    ExpressionPointer operand;
};

enum class BinaryOperator {
    Or,
    And,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessOrEqual,
    GreaterOrEqual,
    Is,
    Concatenate,
    Add,
    Subtract,
    Multiply,
    Divide,
};

struct Binary {
    BinaryOperator operation;
    ExpressionPointer left;
    ExpressionPointer right;
};

struct Expression {
    Position position;
    std::variant<Literal, NameReference, MemberReference, CallReference, Unary, Binary> node;
    // Written in parentheses of its own, (x): a variable so written is passed by value.
    bool parenthesised = false;
};

struct Statement;
using StatementList = std::vector<Statement>;

struct DimStatement {
    std::vector<std::u16string> names;
};

// target = value, or Set target = value.
struct AssignStatement {
    bool isSet = false;
    ExpressionPointer target;
    ExpressionPointer value;
};

// callee arguments, callee(argument), or Call callee(arguments).
struct CallStatement {
    ExpressionPointer callee;
    std::vector<ExpressionPointer> arguments;
};

struct IfBranch {
    ExpressionPointer condition;
    StatementList body;
};

struct IfStatement {
    std::vector<IfBranch> branches;  // If, then each ElseIf
    StatementList otherwise;
};

struct ForEachStatement {
    std::u16string variable;
    ExpressionPointer collection;
    StatementList body;
};

// On Error Resume Next, or On Error GoTo 0.
struct OnErrorStatement {
    bool resumeNext = false;
};

struct Statement {
    Position position;
    std::variant<DimStatement, AssignStatement, CallStatement, IfStatement, ForEachStatement,
                 OnErrorStatement>
        node;
};

struct Program {
    bool optionExplicit = false;
    StatementList statements;
};

}  // namespace vbscript
