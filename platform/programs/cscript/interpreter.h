// Runs a parsed script. Every object is reached late-bound, through IDispatch: names through
// GetIDsOfNames, calls and properties through Invoke with the arguments last to first (a variable written
// alone by reference, as VT_BYREF | VT_VARIANT), collections through _NewEnum and IEnumVARIANT. Values are
// VARIANTs, converted with VariantChangeType.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "script_errors.h"
#include "syntax_tree.h"
#include "variant_value.h"

namespace vbscript {

struct RunResult {
    bool quit = false;                  // the script called WScript.Quit
    int exitCode = 0;                   // Quit's code
    std::optional<RuntimeError> error;  // the error that ended the script
};

// What Err reports: the last error met under On Error Resume Next.
struct ErrorState {
    long code = 0;
    std::u16string description;
    std::u16string source;
    void Clear() { *this = ErrorState(); }
};

class Interpreter {
  public:
    Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // An object the script reaches by name (the host's WScript).
    void AddNamedObject(std::u16string_view name, IDispatch* object);
    RunResult Run(const Program& program);
    // The script ends when the call that asked for it returns.
    void RequestQuit(int exitCode);

    // A value as text, as & and WScript.Echo write it: Empty as "", booleans as True and False,
    // numbers as VariantChangeType writes them, an object through its default property. Throws
    // RuntimeError.
    std::u16string TextOf(const VARIANT& value);

  private:
    struct QuitRequested {};

    void ExecuteBlock(const StatementList& statements);
    void Execute(const Statement& statement);
    void ExecuteCall(const CallStatement& statement);
    void ExecuteAssignment(const AssignStatement& statement);
    void ExecuteIf(const IfStatement& statement);
    void ExecuteForEach(const ForEachStatement& statement);

    Value Evaluate(const Expression& expression);
    // A value for an operator or a Let assignment: an object stands for its default property.
    Value EvaluateValue(const Expression& expression);
    Value DefaultValueOf(Value value);
    // The arguments of a call; a variable written alone is passed by reference, so the callee can
    // change it.
    std::vector<Value> EvaluateArguments(const std::vector<ExpressionPointer>& arguments);
    VARIANT* VariableOfArgument(const Expression& argument);
    Value EvaluateLiteral(const Literal& literal);
    Value EvaluateUnary(const Unary& unary);
    Value EvaluateBinary(const Binary& binary);
    // A call of a name: a variable's object through its default member, or a function of the language.
    Value CallName(const std::u16string& name, std::vector<Value>& arguments, WORD flags);
    Value CreateObject(std::vector<Value>& arguments);

    // The object a value holds; Object required for a value that holds none, Object variable not set
    // for Nothing.
    IDispatch* ObjectOf(Value& value);
    void RecordError(const RuntimeError& error);
    DISPID MemberId(IDispatch* object, std::u16string_view name);
    Value Invoke(IDispatch* object, DISPID member, WORD flags, std::vector<Value>& arguments,
                 const Value* assigned = nullptr);
    RuntimeError FailureOfCall(IDispatch* object, HRESULT result, EXCEPINFO& exception);

    const Value* FindVariable(const std::u16string& name) const;
    void AssignVariable(const std::u16string& name, Value value);
    IDispatch* FindNamedObject(const std::u16string& name) const;

    std::unordered_map<std::u16string, Value> variables_;  // by folded name
    std::unordered_set<std::u16string> declared_;
    std::unordered_map<std::u16string, ComPointer<IDispatch>> namedObjects_;
    bool optionExplicit_ = false;
    bool resumeNext_ = false;
    ErrorState error_;
    ComPointer<IDispatch> errObject_;
    bool quitRequested_ = false;
    int quitCode_ = 0;
};

// A failure of the language itself: 0x800A0000 | number with the language's text.
RuntimeError LanguageError(RuntimeErrorNumber number);

}  // namespace vbscript
