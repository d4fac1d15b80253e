#include "script_errors.h"

#include <cstdint>
#include <utility>

namespace vbscript {

namespace {

// Runtime errors of the language have this facility in their HRESULTs.
constexpr std::uint32_t kControlFacility = 10;

constexpr std::pair<CompileErrorNumber, std::u16string_view> kCompileErrorTexts[] = {
    {CompileErrorNumber::SyntaxError, u"Syntax error"},
    {CompileErrorNumber::ExpectedCloseParenthesis, u"Expected ')'"},
    {CompileErrorNumber::ExpectedIdentifier, u"Expected identifier"},
    {CompileErrorNumber::ExpectedEquals, u"Expected '='"},
    {CompileErrorNumber::ExpectedIf, u"Expected 'If'"},
    {CompileErrorNumber::ExpectedEnd, u"Expected 'End'"},
    {CompileErrorNumber::ExpectedThen, u"Expected 'Then'"},
    {CompileErrorNumber::ExpectedNext, u"Expected 'Next'"},
    {CompileErrorNumber::ExpectedExpression, u"Expected expression"},
    {CompileErrorNumber::ExpectedStatement, u"Expected statement"},
    {CompileErrorNumber::ExpectedEndOfStatement, u"Expected end of statement"},
    {CompileErrorNumber::InvalidNumber, u"Invalid number"},
    {CompileErrorNumber::InvalidCharacter, u"Invalid character"},
    {CompileErrorNumber::UnterminatedString, u"Unterminated string constant"},
    {CompileErrorNumber::ParenthesesCallingSub, u"Cannot use parentheses when calling a Sub"},
    {CompileErrorNumber::ExpectedIn, u"Expected 'In'"},
    {CompileErrorNumber::UnexpectedNext, u"Unexpected 'Next'"},
};

constexpr std::pair<RuntimeErrorNumber, std::u16string_view> kRuntimeErrorTexts[] = {
    {RuntimeErrorNumber::InvalidProcedureCall, u"Invalid procedure call or argument"},
    {RuntimeErrorNumber::Overflow, u"Overflow"},
    {RuntimeErrorNumber::OutOfMemory, u"Out of memory"},
    {RuntimeErrorNumber::SubscriptOutOfRange, u"Subscript out of range"},
    {RuntimeErrorNumber::DivisionByZero, u"Division by zero"},
    {RuntimeErrorNumber::TypeMismatch, u"Type mismatch"},
    {RuntimeErrorNumber::ObjectVariableNotSet, u"Object variable not set"},
    {RuntimeErrorNumber::ObjectRequired, u"Object required"},
    {RuntimeErrorNumber::CannotCreateObject, u"ActiveX component can't create object"},
    {RuntimeErrorNumber::MemberNotSupported, u"Object doesn't support this property or method"},
    {RuntimeErrorNumber::NamedArgumentNotFound, u"Named argument not found"},
    {RuntimeErrorNumber::ArgumentNotOptional, u"Argument not optional"},
    {RuntimeErrorNumber::WrongArgumentCount, u"Wrong number of arguments or invalid property assignment"},
    {RuntimeErrorNumber::NotACollection, u"Object not a collection"},
    {RuntimeErrorNumber::VariableUndefined, u"Variable is undefined"},
};

constexpr std::u16string_view kCompilationErrorSource = u"VBScript compilation error";
constexpr std::u16string_view kRuntimeErrorSource = u"VBScript runtime error";

std::u16string Decimal(long number) {
    std::u16string text;
    bool negative = number < 0;
    unsigned long magnitude =
        negative ? 0ul - static_cast<unsigned long>(number) : static_cast<unsigned long>(number);
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude);
    if (negative) text.insert(text.begin(), u'-');
    return text;
}

std::u16string Hexadecimal(std::uint32_t value) {
    constexpr std::u16string_view digits = u"0123456789ABCDEF";
    std::u16string text(8, u'0');
    for (int place = 7; place >= 0; --place, value >>= 4) text[place] = digits[value & 0xF];
    return text;
}

std::u16string Location(std::u16string_view scriptPath, int line, int column) {
    return std::u16string(scriptPath) + u"(" + Decimal(line) + u", " + Decimal(column) + u") ";
}

}  // namespace

std::u16string_view CompileErrorText(CompileErrorNumber number) {
    for (const auto& [known, text] : kCompileErrorTexts)
        if (known == number) return text;
    return kCompileErrorTexts[0].second;
}

std::u16string_view RuntimeErrorText(RuntimeErrorNumber number) {
    for (const auto& [known, text] : kRuntimeErrorTexts)
        if (known == number) return text;
    return {};
}

std::u16string_view RuntimeErrorText(long code) {
    if (!IsLanguageErrorCode(code)) return {};
    return RuntimeErrorText(static_cast<RuntimeErrorNumber>(code & 0xFFFF));
}

long RuntimeErrorCode(RuntimeErrorNumber number) {
    return static_cast<long>(static_cast<std::int32_t>(0x80000000u | (kControlFacility << 16) |
                                                       static_cast<std::uint32_t>(number)));
}

bool IsLanguageErrorCode(long code) {
    std::uint32_t value = static_cast<std::uint32_t>(code);
    return (value & 0xFFFF0000u) == (0x80000000u | (kControlFacility << 16));
}

long ErrNumberOf(long code) {
    if (IsLanguageErrorCode(code)) return code & 0xFFFF;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(code));
}

std::u16string CompileErrorLine(std::u16string_view scriptPath, const CompileError& error) {
    return Location(scriptPath, error.line, error.column) + std::u16string(kCompilationErrorSource) + u": " +
           std::u16string(CompileErrorText(error.number));
}

std::u16string RuntimeErrorLine(std::u16string_view scriptPath, const RuntimeError& error) {
    std::u16string_view source =
        error.source.empty() ? kRuntimeErrorSource : std::u16string_view(error.source);
    return Location(scriptPath, error.line, error.column) + std::u16string(source) + u": " +
           error.description + u" (Code: " + Hexadecimal(static_cast<std::uint32_t>(error.code)) + u")";
}

}  // namespace vbscript
