#include "host_object.h"

#include "script_object.h"

namespace vbscript {

namespace {

HRESULT ReturnValue(Value value, VARIANT* result) {
    if (result) {
        *result = value.variant();
        VariantInit(&value.variant());
    }
    return S_OK;
}

// A failure of the language handed back to the caller as an exception of the call.
HRESULT Raise(const RuntimeError& error, EXCEPINFO* exception) {
    if (!exception) return error.code;
    *exception = EXCEPINFO{};
    exception->scode = error.code;
    exception->bstrDescription =
        SysAllocStringLen(error.description.data(), static_cast<UINT>(error.description.size()));
    return DISP_E_EXCEPTION;
}

// WScript.Arguments: Item(index) (the default), Count and Length.
class ArgumentsObject final : public ScriptObject {
  public:
    explicit ArgumentsObject(std::vector<std::u16string> arguments) : arguments_(std::move(arguments)) {}

  private:
    enum : DISPID { kItem = DISPID_VALUE, kCount = 1, kLength = 2 };
    static constexpr Member kMembers[] = {{u"Item", kItem}, {u"Count", kCount}, {u"Length", kLength}};

    std::span<const Member> Members() const override { return kMembers; }

    HRESULT Answer(const Call& call, VARIANT* result, EXCEPINFO*) override {
        if (call.IsPut() || !call.IsGet()) return DISP_E_MEMBERNOTFOUND;
        if (call.member != kItem) {
            if (!call.arguments.empty()) return DISP_E_BADPARAMCOUNT;
            return ReturnValue(Value::Integer(static_cast<long>(arguments_.size())), result);
        }
        if (call.arguments.size() != 1) return DISP_E_BADPARAMCOUNT;
        Value index;
        HRESULT converted = VariantChangeType(index.Receive(), call.arguments[0], 0, VT_I4);
        if (FAILED(converted)) return converted;
        long at = index.variant().lVal;
        if (at < 0 || static_cast<size_t>(at) >= arguments_.size()) return DISP_E_BADINDEX;
        return ReturnValue(Value::String(arguments_[static_cast<size_t>(at)]), result);
    }

    std::vector<std::u16string> arguments_;
};

class HostObject final : public ScriptObject {
  public:
    HostObject(Interpreter& interpreter, LineWriter writeLine, std::vector<std::u16string> arguments)
        : interpreter_(interpreter),
          writeLine_(std::move(writeLine)),
          arguments_(MakeScriptObject<ArgumentsObject>(std::move(arguments))) {}

  private:
    enum : DISPID { kEcho = 1, kQuit = 2, kArguments = 3 };
    static constexpr Member kMembers[] = {{u"Echo", kEcho}, {u"Quit", kQuit}, {u"Arguments", kArguments}};

    std::span<const Member> Members() const override { return kMembers; }

    HRESULT Answer(const Call& call, VARIANT* result, EXCEPINFO* exception) override {
        if (call.IsPut()) return DISP_E_MEMBERNOTFOUND;
        switch (call.member) {
            case kEcho:
                return Echo(call, exception);
            case kQuit:
                return Quit(call);
            default:
                // Arguments(index) asks the collection for its item, as dispatch through type information
                // answers a property without parameters given arguments.
                if (!call.arguments.empty()) return ForwardToArguments(call, result, exception);
                return ReturnValue(Value::Object(arguments_.get()), result);
        }
    }

    HRESULT ForwardToArguments(const Call& call, VARIANT* result, EXCEPINFO* exception) {
        std::vector<VARIANTARG> passed;
        for (auto argument = call.arguments.rbegin(); argument != call.arguments.rend(); ++argument)
            passed.push_back(**argument);
        DISPPARAMS parameters{passed.data(), nullptr, static_cast<UINT>(passed.size()), 0};
        UINT argumentError = 0;
        return arguments_->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, call.flags, &parameters,
                                  result, exception, &argumentError);
    }

    HRESULT Echo(const Call& call, EXCEPINFO* exception) {
        if (!(call.flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        std::u16string line;
        try {
            for (size_t index = 0; index < call.arguments.size(); ++index) {
                if (index) line += u' ';
                line += interpreter_.TextOf(*call.arguments[index]);
            }
        } catch (const RuntimeError& error) {
            return Raise(error, exception);
        }
        writeLine_(line);
        return S_OK;
    }

    HRESULT Quit(const Call& call) {
        if (!(call.flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (call.arguments.size() > 1) return DISP_E_BADPARAMCOUNT;
        long code = 0;
        if (!call.arguments.empty()) {
            Value converted;
            HRESULT result = VariantChangeType(converted.Receive(), call.arguments[0], 0, VT_I4);
            if (FAILED(result)) return result;
            code = converted.variant().lVal;
        }
        interpreter_.RequestQuit(static_cast<int>(code));
        return S_OK;
    }

    Interpreter& interpreter_;
    LineWriter writeLine_;
    ComPointer<IDispatch> arguments_;
};

}  // namespace

ComPointer<IDispatch> MakeHostObject(Interpreter& interpreter, LineWriter writeLine,
                                     std::vector<std::u16string> arguments) {
    return MakeScriptObject<HostObject>(interpreter, std::move(writeLine), std::move(arguments));
}

}  // namespace vbscript
