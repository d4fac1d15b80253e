// The errors a script can meet: the compilation errors the parser reports and the runtime errors of the
// language, with their numbers and texts as the script engine gives them, and the lines the host prints.
#pragma once

#include <string>
#include <string_view>

namespace vbscript {

// Numbers of the compilation errors (they are reported as HRESULTs 0x800A0000 | number).
enum class CompileErrorNumber {
    SyntaxError = 1002,
    ExpectedCloseParenthesis = 1006,
    ExpectedIdentifier = 1010,
    ExpectedEquals = 1011,
    ExpectedIf = 1012,
    ExpectedEnd = 1014,
    ExpectedThen = 1017,
    ExpectedNext = 1020,
    ExpectedExpression = 1023,
    ExpectedStatement = 1024,
    ExpectedEndOfStatement = 1025,
    InvalidNumber = 1031,
    InvalidCharacter = 1032,
    UnterminatedString = 1033,
    ParenthesesCallingSub = 1044,
    ExpectedIn = 1046,
    UnexpectedNext = 1055,
};

// Numbers of the runtime errors of the language itself.
enum class RuntimeErrorNumber {
    InvalidProcedureCall = 5,
    Overflow = 6,
    OutOfMemory = 7,
    SubscriptOutOfRange = 9,
    DivisionByZero = 11,
    TypeMismatch = 13,
    ObjectVariableNotSet = 91,
    ObjectRequired = 424,
    CannotCreateObject = 429,
    MemberNotSupported = 438,
    NamedArgumentNotFound = 448,
    ArgumentNotOptional = 449,
    WrongArgumentCount = 450,
    NotACollection = 451,
    VariableUndefined = 500,
};

// A compilation error at a place in the script (line and column count from 1).
struct CompileError {
    CompileErrorNumber number = CompileErrorNumber::SyntaxError;
    int line = 0;
    int column = 0;
};

// A runtime error: the HRESULT, the description and the source reported with it, and the place of the
// statement that failed.
struct RuntimeError {
    long code = 0;
    std::u16string description;
    std::u16string source;
    int line = 0;
    int column = 0;
};

// The description of a failure that neither the object nor the system describes.
inline constexpr std::u16string_view kUnknownRuntimeError = u"Unknown runtime error";

std::u16string_view CompileErrorText(CompileErrorNumber number);
// The text of a runtime error of the language; empty for a number the language does not define.
std::u16string_view RuntimeErrorText(RuntimeErrorNumber number);
std::u16string_view RuntimeErrorText(long code);
// The HRESULT of a runtime error of the language: 0x800A0000 | number.
long RuntimeErrorCode(RuntimeErrorNumber number);
bool IsLanguageErrorCode(long code);
// Err.Number: the number alone for the language's own errors, else the HRESULT as a signed number.
long ErrNumberOf(long code);

// "<script>(<line>, <column>) VBScript compilation error: <message>"
std::u16string CompileErrorLine(std::u16string_view scriptPath, const CompileError& error);
// "<script>(<line>, <column>) <source>: <description> (Code: 800A01B6)"; the source is "VBScript runtime
// error" when the error did not name one.
std::u16string RuntimeErrorLine(std::u16string_view scriptPath, const RuntimeError& error);

}  // namespace vbscript
