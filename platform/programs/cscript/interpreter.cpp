#include "interpreter.h"

#include <limits>

#include "lexer.h"
#include "objbase.h"
#include "script_object.h"
#include "windows.h"

namespace vbscript {

namespace {

// The results of IDispatch and oleaut32 that the language reports as its own errors.
constexpr std::pair<HRESULT, RuntimeErrorNumber> kLanguageErrorsOfResults[] = {
    {DISP_E_MEMBERNOTFOUND, RuntimeErrorNumber::MemberNotSupported},
    {DISP_E_UNKNOWNNAME, RuntimeErrorNumber::MemberNotSupported},
    {DISP_E_BADPARAMCOUNT, RuntimeErrorNumber::WrongArgumentCount},
    {DISP_E_TYPEMISMATCH, RuntimeErrorNumber::TypeMismatch},
    {DISP_E_PARAMNOTOPTIONAL, RuntimeErrorNumber::ArgumentNotOptional},
    {DISP_E_PARAMNOTFOUND, RuntimeErrorNumber::NamedArgumentNotFound},
    {DISP_E_BADINDEX, RuntimeErrorNumber::SubscriptOutOfRange},
    {DISP_E_OVERFLOW, RuntimeErrorNumber::Overflow},
    {DISP_E_DIVBYZERO, RuntimeErrorNumber::DivisionByZero},
    {DISP_E_NOTACOLLECTION, RuntimeErrorNumber::NotACollection},
    {E_OUTOFMEMORY, RuntimeErrorNumber::OutOfMemory},
    {E_INVALIDARG, RuntimeErrorNumber::InvalidProcedureCall},
};

RuntimeError ErrorOfResult(HRESULT result) {
    for (const auto& [known, number] : kLanguageErrorsOfResults)
        if (known == result) return LanguageError(number);
    RuntimeError error;
    error.code = result;
    return error;
}

// The system's text for a result, without the line end Windows' messages carry. A result the system has
// no text for is an unknown error.
std::u16string SystemText(HRESULT result) {
    std::string message = platform::programs::SystemMessage(static_cast<DWORD>(result));
    if (message.empty()) return std::u16string(kUnknownRuntimeError);
    return WideFromAnsi(message);
}

void Check(HRESULT result) {
    if (FAILED(result)) throw ErrorOfResult(result);
}

bool IsNumericType(VARTYPE type) {
    switch (type) {
        case VT_EMPTY:
        case VT_BOOL:
        case VT_UI1:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_CY:
        case VT_DECIMAL:
        case VT_I1:
        case VT_UI2:
        case VT_UI4:
        case VT_I8:
        case VT_UI8:
        case VT_INT:
        case VT_UINT:
            return true;
        default:
            return false;
    }
}

// A number for arithmetic: a whole number while both sides are whole, else a real. `narrow` marks the
// 16-bit kinds (Empty, Boolean, Byte, Integer), whose sums stay 16-bit while they fit.
struct Number {
    bool whole = true;
    bool narrow = true;
    std::int64_t integer = 0;
    double real = 0;
    double AsReal() const { return whole ? static_cast<double>(integer) : real; }
};

Number NumberOf(const Value& value) {
    const VARIANT& variant = value.variant();
    Number number;
    switch (variant.vt) {
        case VT_EMPTY:
            return number;
        case VT_BOOL:
            number.integer = variant.boolVal ? -1 : 0;
            return number;
        case VT_UI1:
            number.integer = variant.bVal;
            return number;
        case VT_I2:
            number.integer = variant.iVal;
            return number;
        case VT_I4:
            number.narrow = false;
            number.integer = variant.lVal;
            return number;
        default:
            break;
    }
    if (variant.vt != VT_BSTR && !IsNumericType(variant.vt))
        throw LanguageError(RuntimeErrorNumber::TypeMismatch);
    Value converted;
    Check(VariantChangeType(converted.Receive(), &variant, 0, VT_R8));
    number.whole = false;
    number.narrow = false;
    number.real = converted.variant().dblVal;
    return number;
}

// A whole result as the smallest of Integer and Long that holds it, else as a Double.
Value WholeValue(std::int64_t number, bool narrow) {
    if (narrow && number >= std::numeric_limits<std::int16_t>::min() &&
        number <= std::numeric_limits<std::int16_t>::max())
        return Value::Short(static_cast<short>(number));
    if (number >= std::numeric_limits<std::int32_t>::min() &&
        number <= std::numeric_limits<std::int32_t>::max())
        return Value::Integer(static_cast<long>(number));
    return Value::Real(static_cast<double>(number));
}

// A whole number for And, Or and Not; reals are rounded as conversion to Long rounds them.
std::int64_t BitsOf(const Value& value) {
    Number number = NumberOf(value);
    if (number.whole) return number.integer;
    Value converted;
    Check(VariantChangeType(converted.Receive(), &value.variant(), 0, VT_I4));
    return converted.variant().lVal;
}

bool Truth(const Value& value) {
    const VARIANT& variant = value.variant();
    if (variant.vt == VT_BOOL) return variant.boolVal != VARIANT_FALSE;
    if (variant.vt == VT_EMPTY) return false;
    if (variant.vt != VT_BSTR && !IsNumericType(variant.vt))
        throw LanguageError(RuntimeErrorNumber::TypeMismatch);
    Value converted;
    Check(VariantChangeType(converted.Receive(), &variant, 0, VT_BOOL));
    return converted.variant().boolVal != VARIANT_FALSE;
}

int Ordering(double left, double right) {
    return left < right ? -1 : (left > right ? 1 : 0);
}

// Compares as the language does: numbers as numbers, strings character by character, Empty as 0 beside
// a number and as "" beside a string, and any number below any string.
int Compare(const Value& left, const Value& right) {
    VARTYPE leftType = left.type(), rightType = right.type();
    bool leftString = leftType == VT_BSTR, rightString = rightType == VT_BSTR;
    if (!leftString && !IsNumericType(leftType)) throw LanguageError(RuntimeErrorNumber::TypeMismatch);
    if (!rightString && !IsNumericType(rightType)) throw LanguageError(RuntimeErrorNumber::TypeMismatch);
    if (leftString || rightString) {
        if (leftString && rightString) {
            int ordering = left.text().compare(right.text());
            return ordering < 0 ? -1 : (ordering > 0 ? 1 : 0);
        }
        if (leftType == VT_EMPTY) return right.text().empty() ? 0 : -1;
        if (rightType == VT_EMPTY) return left.text().empty() ? 0 : 1;
        return leftString ? 1 : -1;
    }
    Number leftNumber = NumberOf(left), rightNumber = NumberOf(right);
    if (leftNumber.whole && rightNumber.whole)
        return leftNumber.integer < rightNumber.integer ? -1
                                                        : (leftNumber.integer > rightNumber.integer ? 1 : 0);
    return Ordering(leftNumber.AsReal(), rightNumber.AsReal());
}

bool ComparisonHolds(BinaryOperator operation, int ordering) {
    switch (operation) {
        case BinaryOperator::Equal:
            return ordering == 0;
        case BinaryOperator::NotEqual:
            return ordering != 0;
        case BinaryOperator::Less:
            return ordering < 0;
        case BinaryOperator::Greater:
            return ordering > 0;
        case BinaryOperator::LessOrEqual:
            return ordering <= 0;
        default:
            return ordering >= 0;
    }
}

void CollectDeclarations(const StatementList& statements, std::unordered_set<std::u16string>& declared) {
    for (const Statement& statement : statements) {
        if (auto* dim = std::get_if<DimStatement>(&statement.node))
            for (const std::u16string& name : dim->names) declared.insert(FoldedName(name));
        if (auto* ifStatement = std::get_if<IfStatement>(&statement.node)) {
            for (const IfBranch& branch : ifStatement->branches) CollectDeclarations(branch.body, declared);
            CollectDeclarations(ifStatement->otherwise, declared);
        }
        if (auto* forEach = std::get_if<ForEachStatement>(&statement.node))
            CollectDeclarations(forEach->body, declared);
    }
}

// Err: Number (its default), Description, Source and Clear over the interpreter's error state.
class ErrObject final : public ScriptObject {
  public:
    explicit ErrObject(ErrorState& state) : state_(state) {}

  private:
    enum : DISPID { kNumber = DISPID_VALUE, kDescription = 1, kSource = 2, kClear = 3 };
    static constexpr Member kMembers[] = {
        {u"Number", kNumber}, {u"Description", kDescription}, {u"Source", kSource}, {u"Clear", kClear}};

    std::span<const Member> Members() const override { return kMembers; }

    HRESULT Answer(const Call& call, VARIANT* result, EXCEPINFO*) override {
        if (!call.arguments.empty()) return DISP_E_BADPARAMCOUNT;
        if (call.member == kClear) {
            if (!(call.flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            state_.Clear();
            return S_OK;
        }
        if (call.IsPut()) return Put(call.member, *call.assigned);
        if (!result) return S_OK;
        Value value;
        if (call.member == kNumber)
            value = Value::Integer(ErrNumberOf(state_.code));
        else
            value = Value::String(call.member == kDescription ? state_.description : state_.source);
        *result = value.variant();
        VariantInit(&value.variant());
        return S_OK;
    }

    HRESULT Put(DISPID member, const VARIANT& assigned) {
        Value converted;
        HRESULT result =
            VariantChangeType(converted.Receive(), &assigned, 0, member == kNumber ? VT_I4 : VT_BSTR);
        if (FAILED(result)) return result;
        if (member == kNumber) {
            long number = converted.variant().lVal;
            // A number of the language's range stands for the language's error of that number.
            state_.code = number > 0 && number <= 0xFFFF
                              ? RuntimeErrorCode(static_cast<RuntimeErrorNumber>(number))
                              : number;
        } else {
            (member == kDescription ? state_.description : state_.source) = std::u16string(converted.text());
        }
        return S_OK;
    }

    ErrorState& state_;
};

}  // namespace

RuntimeError LanguageError(RuntimeErrorNumber number) {
    RuntimeError error;
    error.code = RuntimeErrorCode(number);
    error.description = std::u16string(RuntimeErrorText(number));
    return error;
}

Interpreter::Interpreter() : errObject_(MakeScriptObject<ErrObject>(error_)) {}

void Interpreter::AddNamedObject(std::u16string_view name, IDispatch* object) {
    namedObjects_[FoldedName(name)] = ComPointer<IDispatch>::Share(object);
}

void Interpreter::RequestQuit(int exitCode) {
    quitRequested_ = true;
    quitCode_ = exitCode;
}

RunResult Interpreter::Run(const Program& program) {
    optionExplicit_ = program.optionExplicit;
    CollectDeclarations(program.statements, declared_);
    RunResult result;
    try {
        ExecuteBlock(program.statements);
    } catch (const QuitRequested&) {
        result.quit = true;
        result.exitCode = quitCode_;
    } catch (const RuntimeError& error) {
        result.error = error;
    }
    return result;
}

void Interpreter::ExecuteBlock(const StatementList& statements) {
    for (const Statement& statement : statements) {
        try {
            Execute(statement);
        } catch (RuntimeError& error) {
            if (error.line == 0) {
                error.line = statement.position.line;
                error.column = statement.position.column;
            }
            if (!resumeNext_) throw;
            RecordError(error);
        }
        if (quitRequested_) throw QuitRequested{};
    }
}

void Interpreter::RecordError(const RuntimeError& error) {
    error_.code = error.code;
    error_.description = error.description;
    error_.source = error.source;
}

void Interpreter::Execute(const Statement& statement) {
    if (std::holds_alternative<DimStatement>(statement.node)) {
        for (const std::u16string& name : std::get<DimStatement>(statement.node).names)
            variables_.try_emplace(FoldedName(name));
    } else if (auto* call = std::get_if<CallStatement>(&statement.node)) {
        ExecuteCall(*call);
    } else if (auto* assign = std::get_if<AssignStatement>(&statement.node)) {
        ExecuteAssignment(*assign);
    } else if (auto* ifStatement = std::get_if<IfStatement>(&statement.node)) {
        ExecuteIf(*ifStatement);
    } else if (auto* forEach = std::get_if<ForEachStatement>(&statement.node)) {
        ExecuteForEach(*forEach);
    } else if (auto* onError = std::get_if<OnErrorStatement>(&statement.node)) {
        resumeNext_ = onError->resumeNext;
        error_.Clear();
    }
}

void Interpreter::ExecuteCall(const CallStatement& statement) {
    const Expression& callee = *statement.callee;
    std::vector<Value> arguments = EvaluateArguments(statement.arguments);
    if (auto* name = std::get_if<NameReference>(&callee.node)) {
        CallName(name->name, arguments, DISPATCH_METHOD);
    } else if (auto* member = std::get_if<MemberReference>(&callee.node)) {
        Value object = Evaluate(*member->object);
        IDispatch* target = ObjectOf(object);
        Invoke(target, MemberId(target, member->name), DISPATCH_METHOD, arguments);
    } else {
        Value object = Evaluate(callee);
        Invoke(ObjectOf(object), DISPID_VALUE, DISPATCH_METHOD, arguments);
    }
}

void Interpreter::ExecuteAssignment(const AssignStatement& statement) {
    Value value;
    if (statement.isSet) {
        value = Evaluate(*statement.value);
        if (!value.IsObject()) throw LanguageError(RuntimeErrorNumber::ObjectRequired);
    } else {
        value = EvaluateValue(*statement.value);
    }
    WORD put = statement.isSet ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
    const Expression& target = *statement.target;
    std::vector<Value> noArguments;
    if (auto* name = std::get_if<NameReference>(&target.node)) {
        AssignVariable(name->name, std::move(value));
    } else if (auto* member = std::get_if<MemberReference>(&target.node)) {
        Value object = Evaluate(*member->object);
        IDispatch* dispatch = ObjectOf(object);
        Invoke(dispatch, MemberId(dispatch, member->name), put, noArguments, &value);
    } else {
        const CallReference& call = std::get<CallReference>(target.node);
        std::vector<Value> arguments = EvaluateArguments(call.arguments);
        if (auto* callee = std::get_if<MemberReference>(&call.callee->node)) {
            Value object = Evaluate(*callee->object);
            IDispatch* dispatch = ObjectOf(object);
            Invoke(dispatch, MemberId(dispatch, callee->name), put, arguments, &value);
        } else {
            // name(index) = value and value(index) = value assign to the object's default property.
            Value object = Evaluate(*call.callee);
            if (!object.IsObject()) throw LanguageError(RuntimeErrorNumber::TypeMismatch);
            Invoke(ObjectOf(object), DISPID_VALUE, put, arguments, &value);
        }
    }
}

void Interpreter::ExecuteIf(const IfStatement& statement) {
    for (const IfBranch& branch : statement.branches) {
        bool holds = true;
        try {
            holds = Truth(EvaluateValue(*branch.condition));
        } catch (RuntimeError& error) {
            // Under On Error Resume Next a condition that fails goes on into its branch, as the
            // language's next statement is the branch's first.
            if (!resumeNext_) throw;
            RecordError(error);
        }
        if (holds) {
            ExecuteBlock(branch.body);
            return;
        }
    }
    ExecuteBlock(statement.otherwise);
}

void Interpreter::ExecuteForEach(const ForEachStatement& statement) {
    Value collection = Evaluate(*statement.collection);
    IDispatch* object = ObjectOf(collection);
    std::vector<Value> noArguments;
    Value enumeratorValue;
    try {
        enumeratorValue = Invoke(object, DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, noArguments);
    } catch (const RuntimeError& error) {
        if (error.code != RuntimeErrorCode(RuntimeErrorNumber::MemberNotSupported)) throw;
        throw LanguageError(RuntimeErrorNumber::NotACollection);
    }
    ComPointer<IEnumVARIANT> enumerator;
    IUnknown* unknown = enumeratorValue.IsObject() ? enumeratorValue.variant().punkVal : nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, enumerator.ReceiveVoid())))
        throw LanguageError(RuntimeErrorNumber::NotACollection);
    for (;;) {
        VARIANT item;
        VariantInit(&item);
        ULONG fetched = 0;
        HRESULT result = enumerator->Next(1, &item, &fetched);
        Value element = Value::Adopt(item);
        if (FAILED(result)) Check(result);
        if (result != S_OK || fetched == 0) return;
        if (element.type() & VT_BYREF) element = Value::CopyOf(element.variant());
        AssignVariable(statement.variable, std::move(element));
        ExecuteBlock(statement.body);
    }
}

Value Interpreter::Evaluate(const Expression& expression) {
    if (auto* literal = std::get_if<Literal>(&expression.node)) return EvaluateLiteral(*literal);
    if (auto* name = std::get_if<NameReference>(&expression.node)) {
        std::vector<Value> noArguments;
        return CallName(name->name, noArguments, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    }
    if (auto* member = std::get_if<MemberReference>(&expression.node)) {
        Value object = Evaluate(*member->object);
        IDispatch* dispatch = ObjectOf(object);
        std::vector<Value> noArguments;
        return Invoke(dispatch, MemberId(dispatch, member->name), DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                      noArguments);
    }
    if (auto* call = std::get_if<CallReference>(&expression.node)) {
        std::vector<Value> arguments = EvaluateArguments(call->arguments);
        WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
        if (auto* name = std::get_if<NameReference>(&call->callee->node))
            return CallName(name->name, arguments, flags);
        if (auto* member = std::get_if<MemberReference>(&call->callee->node)) {
            Value object = Evaluate(*member->object);
            IDispatch* dispatch = ObjectOf(object);
            return Invoke(dispatch, MemberId(dispatch, member->name), flags, arguments);
        }
        Value object = Evaluate(*call->callee);
        return Invoke(ObjectOf(object), DISPID_VALUE, flags, arguments);
    }
    if (auto* unary = std::get_if<Unary>(&expression.node)) return EvaluateUnary(*unary);
    return EvaluateBinary(std::get<Binary>(expression.node));
}

Value Interpreter::EvaluateValue(const Expression& expression) {
    return DefaultValueOf(Evaluate(expression));
}

Value Interpreter::DefaultValueOf(Value value) {
    if (value.type() & VT_BYREF) value = Value::CopyOf(value.variant());
    if (!value.IsObject()) return value;
    IDispatch* object = ObjectOf(value);
    std::vector<Value> noArguments;
    Value result = Invoke(object, DISPID_VALUE, DISPATCH_METHOD | DISPATCH_PROPERTYGET, noArguments);
    if (result.IsObject()) throw LanguageError(RuntimeErrorNumber::MemberNotSupported);
    return result;
}

std::vector<Value> Interpreter::EvaluateArguments(const std::vector<ExpressionPointer>& arguments) {
    std::vector<Value> values;
    values.reserve(arguments.size());
    for (const ExpressionPointer& argument : arguments) {
        if (VARIANT* variable = VariableOfArgument(*argument))
            values.push_back(Value::Reference(variable));
        else
            values.push_back(Evaluate(*argument));
    }
    return values;
}

// The variable an argument written as a bare name stands for, made Empty when the script has not
// assigned it yet; null for an expression, a name in parentheses of its own and the names of objects and
// functions. The variables' storage keeps its place while variables are added, so the reference stays
// good through the call.
VARIANT* Interpreter::VariableOfArgument(const Expression& argument) {
    auto* name = std::get_if<NameReference>(&argument.node);
    if (!name || argument.parenthesised) return nullptr;
    std::u16string folded = FoldedName(name->name);
    auto found = variables_.find(folded);
    if (found != variables_.end()) return &found->second.variant();
    if (FindNamedObject(folded) || SameName(name->name, u"CreateObject")) return nullptr;
    // An undeclared name under Option Explicit is evaluated, which reports it.
    if (optionExplicit_ && !declared_.count(folded)) return nullptr;
    return &variables_[folded].variant();
}

Value Interpreter::EvaluateLiteral(const Literal& literal) {
    switch (literal.kind) {
        case Literal::Kind::Empty:
            return Value();
        case Literal::Kind::Nothing:
            return Value::Object(nullptr);
        case Literal::Kind::Boolean:
            return Value::Boolean(literal.boolean);
        case Literal::Kind::Integer:
            return WholeValue(literal.integer, true);
        case Literal::Kind::Real:
            return Value::Real(literal.real);
        case Literal::Kind::String:
            return Value::String(literal.string);
        case Literal::Kind::Missing:
            return Value::Error(DISP_E_PARAMNOTFOUND);
    }
    return Value();
}

Value Interpreter::EvaluateUnary(const Unary& unary) {
    Value operand = EvaluateValue(*unary.operand);
    if (unary.operation == UnaryOperator::Not) {
        if (operand.type() == VT_BOOL) return Value::Boolean(operand.variant().boolVal == VARIANT_FALSE);
        bool narrow = NumberOf(operand).narrow;
        return WholeValue(~BitsOf(operand), narrow);
    }
    Number number = NumberOf(operand);
    if (unary.operation == UnaryOperator::Plus)
        return number.whole ? WholeValue(number.integer, number.narrow) : Value::Real(number.real);
    return number.whole ? WholeValue(-number.integer, number.narrow) : Value::Real(-number.real);
}

Value Interpreter::EvaluateBinary(const Binary& binary) {
    if (binary.operation == BinaryOperator::Is) {
        Value left = Evaluate(*binary.left), right = Evaluate(*binary.right);
        if (!left.IsObject() || !right.IsObject()) throw LanguageError(RuntimeErrorNumber::ObjectRequired);
        // Objects are the same when their IUnknown interfaces are.
        auto identity = [](const Value& value) {
            ComPointer<IUnknown> unknown;
            if (IUnknown* pointer = value.variant().punkVal)
                pointer->QueryInterface(IID_IUnknown, unknown.ReceiveVoid());
            return unknown;
        };
        return Value::Boolean(identity(left).get() == identity(right).get());
    }
    Value left = EvaluateValue(*binary.left);
    Value right = EvaluateValue(*binary.right);
    switch (binary.operation) {
        case BinaryOperator::Or:
        case BinaryOperator::And: {
            bool isOr = binary.operation == BinaryOperator::Or;
            if (left.type() == VT_BOOL && right.type() == VT_BOOL) {
                bool leftTruth = left.variant().boolVal != VARIANT_FALSE,
                     rightTruth = right.variant().boolVal != VARIANT_FALSE;
                return Value::Boolean(isOr ? leftTruth || rightTruth : leftTruth && rightTruth);
            }
            bool narrow = NumberOf(left).narrow && NumberOf(right).narrow;
            std::int64_t leftBits = BitsOf(left), rightBits = BitsOf(right);
            return WholeValue(isOr ? leftBits | rightBits : leftBits & rightBits, narrow);
        }
        case BinaryOperator::Concatenate:
            return Value::String(TextOf(left.variant()) + TextOf(right.variant()));
        case BinaryOperator::Add:
            if ((left.type() == VT_BSTR || right.type() == VT_BSTR) &&
                (left.type() == VT_BSTR || left.type() == VT_EMPTY) &&
                (right.type() == VT_BSTR || right.type() == VT_EMPTY))
                return Value::String(std::u16string(left.text()) + std::u16string(right.text()));
            [[fallthrough]];
        case BinaryOperator::Subtract:
        case BinaryOperator::Multiply: {
            Number a = NumberOf(left), b = NumberOf(right);
            bool narrow = a.narrow && b.narrow;
            if (a.whole && b.whole) {
                std::int64_t result = binary.operation == BinaryOperator::Add        ? a.integer + b.integer
                                      : binary.operation == BinaryOperator::Subtract ? a.integer - b.integer
                                                                                     : a.integer * b.integer;
                return WholeValue(result, narrow);
            }
            double result = binary.operation == BinaryOperator::Add        ? a.AsReal() + b.AsReal()
                            : binary.operation == BinaryOperator::Subtract ? a.AsReal() - b.AsReal()
                                                                           : a.AsReal() * b.AsReal();
            return Value::Real(result);
        }
        case BinaryOperator::Divide: {
            double dividend = NumberOf(left).AsReal(), divisor = NumberOf(right).AsReal();
            if (divisor == 0)
                throw LanguageError(dividend == 0 ? RuntimeErrorNumber::Overflow
                                                  : RuntimeErrorNumber::DivisionByZero);
            return Value::Real(dividend / divisor);
        }
        default:
            return Value::Boolean(ComparisonHolds(binary.operation, Compare(left, right)));
    }
}

Value Interpreter::CallName(const std::u16string& name, std::vector<Value>& arguments, WORD flags) {
    std::u16string folded = FoldedName(name);
    IDispatch* object = nullptr;
    Value held;  // keeps the variable's object while it is called, whatever the call assigns
    if (const Value* variable = FindVariable(folded)) {
        if (arguments.empty() && !(flags == DISPATCH_METHOD && variable->IsObject())) return *variable;
        if (!variable->IsObject()) throw LanguageError(RuntimeErrorNumber::TypeMismatch);
        held = *variable;
        object = ObjectOf(held);
    } else if (IDispatch* named = FindNamedObject(folded)) {
        if (arguments.empty() && flags != DISPATCH_METHOD) return Value::Object(named);
        object = named;
    } else if (SameName(name, u"CreateObject")) {
        return CreateObject(arguments);
    } else if (optionExplicit_ && !declared_.count(folded)) {
        throw LanguageError(RuntimeErrorNumber::VariableUndefined);
    } else if (arguments.empty() && flags != DISPATCH_METHOD) {
        return Value();
    } else {
        throw LanguageError(RuntimeErrorNumber::TypeMismatch);
    }
    return Invoke(object, DISPID_VALUE, flags, arguments);
}

Value Interpreter::CreateObject(std::vector<Value>& arguments) {
    if (arguments.empty() || arguments.size() > 2)
        throw LanguageError(RuntimeErrorNumber::WrongArgumentCount);
    std::u16string progId = TextOf(DefaultValueOf(arguments[0]).variant());
    CLSID classId;
    ComPointer<IDispatch> object;
    if (FAILED(CLSIDFromProgID(progId.c_str(), &classId)) ||
        FAILED(CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                object.ReceiveVoid())) ||
        !object)
        throw LanguageError(RuntimeErrorNumber::CannotCreateObject);
    return Value::Object(object.get());
}

std::u16string Interpreter::TextOf(const VARIANT& variant) {
    if (variant.vt & VT_BYREF) return TextOf(Value::CopyOf(variant).variant());
    switch (variant.vt) {
        case VT_EMPTY:
            return u"";
        case VT_BSTR:
            return variant.bstrVal ? std::u16string(variant.bstrVal, SysStringLen(variant.bstrVal)) : u"";
        case VT_DISPATCH:
        case VT_UNKNOWN:
            return TextOf(DefaultValueOf(Value::CopyOf(variant)).variant());
        default:
            break;
    }
    if (!IsNumericType(variant.vt)) throw LanguageError(RuntimeErrorNumber::TypeMismatch);
    Value text;
    Check(VariantChangeType(text.Receive(), &variant, VARIANT_ALPHABOOL, VT_BSTR));
    return std::u16string(text.text());
}

IDispatch* Interpreter::ObjectOf(Value& value) {
    if (!value.IsObject()) throw LanguageError(RuntimeErrorNumber::ObjectRequired);
    IUnknown* unknown = value.variant().punkVal;
    if (!unknown) throw LanguageError(RuntimeErrorNumber::ObjectVariableNotSet);
    if (value.type() == VT_UNKNOWN) {
        // An object handed over as IUnknown is reached through its IDispatch, which the value then holds.
        ComPointer<IDispatch> dispatch;
        if (FAILED(unknown->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())) || !dispatch)
            throw LanguageError(RuntimeErrorNumber::ObjectRequired);
        value = Value::Object(dispatch.get());
    }
    return value.variant().pdispVal;
}

DISPID Interpreter::MemberId(IDispatch* object, std::u16string_view name) {
    std::u16string copy(name);
    LPOLESTR names[] = {copy.data()};
    DISPID member = DISPID_UNKNOWN;
    HRESULT result = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
    if (FAILED(result)) throw ErrorOfResult(result == DISP_E_UNKNOWNNAME ? DISP_E_MEMBERNOTFOUND : result);
    return member;
}

Value Interpreter::Invoke(IDispatch* object, DISPID member, WORD flags, std::vector<Value>& arguments,
                          const Value* assigned) {
    // The value assigned comes first, named DISPID_PROPERTYPUT; the arguments follow last to first.
    std::vector<VARIANTARG> passed;
    passed.reserve(arguments.size() + 1);
    if (assigned) passed.push_back(assigned->variant());
    for (auto argument = arguments.rbegin(); argument != arguments.rend(); ++argument)
        passed.push_back(argument->variant());
    DISPID putName = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{passed.data(), assigned ? &putName : nullptr, static_cast<UINT>(passed.size()),
                          assigned ? 1u : 0u};
    Value result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    HRESULT outcome = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                     assigned ? nullptr : result.Receive(), &exception, &argumentError);
    if (FAILED(outcome)) throw FailureOfCall(object, outcome, exception);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    if (quitRequested_) throw QuitRequested{};
    if (result.type() & VT_BYREF) result = Value::CopyOf(result.variant());
    return result;
}

RuntimeError Interpreter::FailureOfCall(IDispatch* object, HRESULT result, EXCEPINFO& exception) {
    RuntimeError error;
    if (result == DISP_E_EXCEPTION) {
        if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
        HRESULT code = exception.scode;
        if (!FAILED(code))
            code =
                exception.wCode ? RuntimeErrorCode(static_cast<RuntimeErrorNumber>(exception.wCode)) : E_FAIL;
        error = ErrorOfResult(code);
        if (exception.bstrDescription && SysStringLen(exception.bstrDescription))
            error.description.assign(exception.bstrDescription, SysStringLen(exception.bstrDescription));
        if (exception.bstrSource)
            error.source.assign(exception.bstrSource, SysStringLen(exception.bstrSource));
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    } else {
        error = ErrorOfResult(result);
        // The object's error information counts when it says its IDispatch sets it.
        ComPointer<ISupportErrorInfo> support;
        ComPointer<IErrorInfo> information;
        bool supported = SUCCEEDED(object->QueryInterface(IID_ISupportErrorInfo, support.ReceiveVoid())) &&
                         support && support->InterfaceSupportsErrorInfo(IID_IDispatch) == S_OK;
        if (supported && GetErrorInfo(0, information.Receive()) == S_OK && information) {
            BString description, source;
            if (SUCCEEDED(information->GetDescription(description.Receive())) && !description.view().empty())
                error.description = std::u16string(description.view());
            if (SUCCEEDED(information->GetSource(source.Receive())))
                error.source = std::u16string(source.view());
        }
    }
    if (error.description.empty()) {
        std::u16string_view language = RuntimeErrorText(error.code);
        error.description = language.empty() ? SystemText(error.code) : std::u16string(language);
    }
    return error;
}

const Value* Interpreter::FindVariable(const std::u16string& name) const {
    auto found = variables_.find(name);
    return found == variables_.end() ? nullptr : &found->second;
}

void Interpreter::AssignVariable(const std::u16string& name, Value value) {
    std::u16string folded = FoldedName(name);
    if (optionExplicit_ && !declared_.count(folded))
        throw LanguageError(RuntimeErrorNumber::VariableUndefined);
    variables_[folded] = std::move(value);
}

IDispatch* Interpreter::FindNamedObject(const std::u16string& name) const {
    if (name == u"err") return errObject_.get();
    auto found = namedObjects_.find(name);
    return found == namedObjects_.end() ? nullptr : found->second.get();
}

}  // namespace vbscript
