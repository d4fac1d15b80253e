// ITypeInfo::Invoke for a member with a function-table slot: the arguments are taken from DISPPARAMS
// (positional ones in reverse order, named ones by parameter position, the value of a property put by
// DISPID_PROPERTYPUT), coerced to the declared types, passed through the slot, and the [retval] or the
// returned value becomes the result; a failing HRESULT becomes DISP_E_EXCEPTION with the object's error
// information. A VARIANT passed by reference (VT_BYREF | VT_VARIANT, as scripts pass their variables) is
// read for a parameter taken by value, and for a pointer parameter receives what the member leaves.
#include "platform/oleaut32/dispatch_invoke.h"

#include <array>
#include <memory>

namespace platform::automation {

namespace {

using typelib::TypeDescription;
using typelib::VarType;

constexpr USHORT kRetval = PARAMFLAG_FRETVAL;
constexpr USHORT kLcid = PARAMFLAG_FLCID;

// What a declared type is when it travels in a VARIANT: its VARTYPE, and for an interface the IID.
struct ValueShape {
    VARTYPE type = VT_EMPTY;
    bool isInterface = false;  // a user-defined interface: `type` is VT_DISPATCH or VT_UNKNOWN
    GUID interfaceId{};
};

HRESULT ShapeOf(const TypeDescription& type, TypeLibraryObject& owner, ValueShape* shape) {
    switch (type.type) {
        case VarType::UserDefined: {
            if (!type.reference) return DISP_E_BADVARTYPE;
            ReferencedType referenced;
            HRESULT described = owner.Describe(*type.reference, &referenced);
            if (FAILED(described)) return described;
            if (referenced.kind == TKIND_ENUM) {
                shape->type = VT_I4;
                return S_OK;
            }
            if (referenced.kind == TKIND_INTERFACE || referenced.kind == TKIND_DISPATCH) {
                shape->type = referenced.dispatchable ? VT_DISPATCH : VT_UNKNOWN;
                shape->isInterface = true;
                shape->interfaceId = referenced.guid;
                return S_OK;
            }
            return DISP_E_BADVARTYPE;
        }
        case VarType::SafeArray: {
            if (type.element.empty()) return DISP_E_BADVARTYPE;
            ValueShape element;
            HRESULT shaped = ShapeOf(type.element.front(), owner, &element);
            if (FAILED(shaped)) return shaped;
            shape->type = static_cast<VARTYPE>(VT_ARRAY | element.type);
            return S_OK;
        }
        case VarType::Pointer:
        case VarType::Empty:
        case VarType::Void:
            return DISP_E_BADVARTYPE;
        default:
            shape->type = static_cast<VARTYPE>(type.type);
            return S_OK;
    }
}

HRESULT PlanArgument(const typelib::Parameter& parameter, TypeLibraryObject& owner, ArgumentPlan* argument) {
    argument->flags = parameter.flags;
    if (parameter.flags & kLcid) {
        argument->kind = ArgumentKind::Lcid;
        argument->type = VT_I4;
        return S_OK;
    }
    const TypeDescription& declared = parameter.type;
    if (declared.type == VarType::Variant) {
        argument->kind = ArgumentKind::Variant;
        argument->type = VT_VARIANT;
        return S_OK;
    }
    if (declared.type != VarType::Pointer) {
        ValueShape shape;
        HRESULT shaped = ShapeOf(declared, owner, &shape);
        if (FAILED(shaped)) return shaped;
        argument->kind = shape.isInterface ? ArgumentKind::Interface : ArgumentKind::Value;
        argument->type = shape.type;
        argument->interfaceId = shape.interfaceId;
        return S_OK;
    }
    if (declared.element.empty()) return DISP_E_BADVARTYPE;
    const TypeDescription& target = declared.element.front();
    const bool retval = (parameter.flags & kRetval) != 0;
    if (target.type == VarType::Variant) {
        argument->kind = retval ? ArgumentKind::Retval : ArgumentKind::VariantPointer;
        argument->type = VT_VARIANT;
        return S_OK;
    }
    ValueShape shape;
    // A pointer to a pointer to an interface: the caller's interface pointer variable.
    const bool pointerToInterfacePointer = target.type == VarType::Pointer && !target.element.empty() &&
                                           target.element.front().type == VarType::UserDefined;
    HRESULT shaped = ShapeOf(pointerToInterfacePointer ? target.element.front() : target, owner, &shape);
    if (FAILED(shaped)) return shaped;
    if (shape.isInterface && !pointerToInterfacePointer) {
        // IFoo* declared as a pointer to the interface: an [in] interface argument.
        if (retval) return DISP_E_BADVARTYPE;
        argument->kind = ArgumentKind::Interface;
        argument->type = shape.type;
        argument->interfaceId = shape.interfaceId;
        return S_OK;
    }
    if (pointerToInterfacePointer && !shape.isInterface) return DISP_E_BADVARTYPE;
    argument->kind = retval ? ArgumentKind::Retval : ArgumentKind::Reference;
    argument->type = shape.type;
    argument->interfacePointer = shape.isInterface;
    argument->interfaceId = shape.interfaceId;
    return S_OK;
}

// How the argument travels through the call.
VARTYPE CallTypeOfArgument(const ArgumentPlan& argument) {
    switch (argument.kind) {
        case ArgumentKind::Value:
            return argument.type;
        case ArgumentKind::Variant:
            return VT_VARIANT;
        case ArgumentKind::Lcid:
            return VT_I4;
        default:
            return VT_PTR;
    }
}

// The per-call storage: converted values, pointers to pass, and which values must be cleared. Calls
// with few arguments (all of them, in practice) use the fixed space and allocate nothing.
class CallScratch {
  public:
    explicit CallScratch(size_t count) {
        if (count > kFixed) {
            manyTemporaries_.resize(count);
            manyPointers_.resize(count);
            manyValues_.resize(count + 1);
            manyOwned_ = std::make_unique<bool[]>(count);
            manyWriteBacks_.resize(count);
            temporaries_ = manyTemporaries_.data();
            pointers_ = manyPointers_.data();
            values_ = manyValues_.data();
            owned_ = manyOwned_.get();
            writeBacks_ = manyWriteBacks_.data();
        }
        for (size_t index = 0; index < count; ++index) {
            temporaries_[index].vt = VT_EMPTY;
            owned_[index] = false;
            writeBacks_[index] = nullptr;
        }
        count_ = count;
    }
    ~CallScratch() {
        for (size_t index = 0; index < count_; ++index) {
            if (owned_[index]) VariantClear(&temporaries_[index]);
        }
    }
    CallScratch(const CallScratch&) = delete;
    CallScratch& operator=(const CallScratch&) = delete;

    VARIANT& temporary(size_t index) { return temporaries_[index]; }
    void*& pointer(size_t index) { return pointers_[index]; }
    void** values() { return values_; }
    void own(size_t index) { owned_[index] = true; }
    // The value now belongs to the caller.
    void release(size_t index) { owned_[index] = false; }
    // The temporary stands in for the caller's VARIANT, which receives it once the call succeeds.
    void writeBackTo(size_t index, VARIANT* target) { writeBacks_[index] = target; }
    // Moves each stand-in into its caller's VARIANT, whose old value is cleared; `type` gives the
    // type each holds (a DECIMAL the callee wrote covers the vt field).
    template <typename TypeOf>
    void WriteBack(TypeOf type) {
        for (size_t index = 0; index < count_; ++index) {
            VARIANT* target = writeBacks_[index];
            if (!target) continue;
            VariantClear(target);
            VARIANT& held = temporaries_[index];
            held.vt = type(index);
            *target = held;
            owned_[index] = false;
            writeBacks_[index] = nullptr;
        }
    }

  private:
    static constexpr size_t kFixed = 16;
    std::array<VARIANT, kFixed> fixedTemporaries_;
    std::array<void*, kFixed> fixedPointers_;
    std::array<void*, kFixed + 1> fixedValues_;
    std::array<bool, kFixed> fixedOwned_;
    std::array<VARIANT*, kFixed> fixedWriteBacks_;
    std::vector<VARIANT> manyTemporaries_;
    std::vector<void*> manyPointers_;
    std::vector<void*> manyValues_;
    std::unique_ptr<bool[]> manyOwned_;
    std::vector<VARIANT*> manyWriteBacks_;
    VARIANT* temporaries_ = fixedTemporaries_.data();
    void** pointers_ = fixedPointers_.data();
    void** values_ = fixedValues_.data();
    bool* owned_ = fixedOwned_.data();
    VARIANT** writeBacks_ = fixedWriteBacks_.data();
    size_t count_ = 0;
};

bool IsOutOnly(USHORT flags) {
    return (flags & PARAMFLAG_FOUT) && !(flags & PARAMFLAG_FIN);
}

}  // namespace

HRESULT PrepareInvokePlan(const MemberEntry& member, InvokePlan* plan) {
    const typelib::Function& function = *member.source;
    plan->invokeKind = member.function.invkind;
    plan->offset = static_cast<ULONG_PTR>(function.vtableSlot) * sizeof(void*);
    plan->arguments.resize(function.parameters.size());
    std::vector<VARTYPE> callTypes;
    UINT visible = 0;
    size_t defaults = 0;
    for (size_t index = 0; index < function.parameters.size(); ++index) {
        const typelib::Parameter& parameter = function.parameters[index];
        ArgumentPlan& argument = plan->arguments[index];
        HRESULT planned = PlanArgument(parameter, *member.owner, &argument);
        if (FAILED(planned)) return planned;
        if (argument.kind == ArgumentKind::Retval) {
            plan->retval = static_cast<int>(index);
        } else if (argument.kind != ArgumentKind::Lcid) {
            if (!IsOutOnly(parameter.flags)) plan->putValue = static_cast<int>(visible);
            argument.visibleIndex = static_cast<int>(visible++);
        }
        // The default values live in the member's descriptions, in the same order as the parameters
        // that declare one.
        if ((parameter.flags & PARAMFLAG_FHASDEFAULT) && parameter.defaultValue &&
            defaults < member.defaults.size())
            argument.defaultValue = &member.defaults[defaults++]->varDefaultValue;
        callTypes.push_back(CallTypeOfArgument(argument));
    }
    plan->visibleCount = visible;
    switch (function.returnType.type) {
        case VarType::HResult:
            plan->returnType = VT_HRESULT;
            break;
        case VarType::Void:
        case VarType::Empty:
            plan->returnType = VT_VOID;
            break;
        default: {
            ValueShape shape;
            HRESULT shaped = ShapeOf(function.returnType, *member.owner, &shape);
            if (FAILED(shaped)) return shaped;
            plan->returnType = shape.type;
            break;
        }
    }
    if (!plan->signature.Prepare(true, plan->returnType, callTypes.data(),
                                 static_cast<UINT>(callTypes.size())))
        return DISP_E_BADVARTYPE;
    return S_OK;
}

namespace {

bool IsMissing(const VARIANTARG& argument) {
    return argument.vt == VT_ERROR && argument.scode == DISP_E_PARAMNOTFOUND;
}

// Converts an argument to the declared type, or points at the caller's value when it already has it.
HRESULT CoerceValue(VARIANTARG& argument, VARTYPE type, CallScratch& scratch, size_t index, LCID lcid,
                    void** value) {
    if (argument.vt == type) {
        *value = CallValueOf(&argument, type);
        return S_OK;
    }
    if (argument.vt == (VT_BYREF | type)) {
        *value = argument.byref;
        return S_OK;
    }
    VARIANT& converted = scratch.temporary(index);
    HRESULT result = VariantChangeTypeEx(&converted, &argument, lcid, 0, type);
    if (FAILED(result)) return result == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    scratch.own(index);
    *value = CallValueOf(&converted, type);
    return S_OK;
}

bool IsVariantReference(const VARIANTARG& argument) {
    return argument.vt == (VT_BYREF | VT_VARIANT) && argument.pvarVal;
}

// A T* parameter given the caller's VARIANT by reference: the callee gets a pointer to a stand-in
// holding the VARIANT's value coerced to T (nothing for an [out]-only parameter), and the stand-in's value
// replaces the VARIANT's once the call succeeds. The stand-in owns a copy of the value, so what an
// [in, out] callee frees or releases of it is the copy's, and what it leaves belongs to the caller.
HRESULT PassThroughVariant(const ArgumentPlan& plan, VARIANT& referenced, CallScratch& scratch, size_t index,
                           LCID lcid, void** value) {
    if (referenced.vt == (VT_BYREF | plan.type)) {
        // The VARIANT itself refers to a value of the type: the callee gets that reference.
        *value = &referenced.byref;
        return S_OK;
    }
    VARIANT& held = scratch.temporary(index);
    if (IsOutOnly(plan.flags) ||
        ((plan.type == VT_DISPATCH || plan.type == VT_UNKNOWN) && referenced.vt == VT_EMPTY)) {
        // Nothing goes in: an [out]-only parameter, or a variable that holds no object yet.
        held = VARIANT{};
        held.vt = plan.type;
    } else {
        HRESULT result = VariantChangeTypeEx(&held, &referenced, lcid, 0, plan.type);
        if (FAILED(result)) return result == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
        if (plan.interfacePointer && held.punkVal) {
            void* asked = nullptr;
            result = held.punkVal->QueryInterface(plan.interfaceId, &asked);
            VariantClear(&held);
            if (FAILED(result) || !asked) return DISP_E_TYPEMISMATCH;
            held.vt = plan.type;
            held.punkVal = static_cast<IUnknown*>(asked);
        }
    }
    scratch.own(index);
    scratch.writeBackTo(index, &referenced);
    scratch.pointer(index) = CallValueOf(&held, plan.type);
    *value = &scratch.pointer(index);
    return S_OK;
}

HRESULT PassArgument(const ArgumentPlan& plan, VARIANTARG& given, CallScratch& scratch, size_t index,
                     LCID lcid, void** value) {
    // A parameter taken by value reads the VARIANT a by-reference VARIANT points at.
    VARIANTARG& argument = IsVariantReference(given) ? *given.pvarVal : given;
    switch (plan.kind) {
        case ArgumentKind::Value:
            return CoerceValue(argument, plan.type, scratch, index, lcid, value);
        case ArgumentKind::Variant:
            *value = &argument;
            return S_OK;
        case ArgumentKind::VariantPointer:
            // An [out]-only VARIANT is written without being cleared first: what it held is cleared now.
            if (IsOutOnly(plan.flags) && IsVariantReference(given)) VariantClear(&argument);
            scratch.pointer(index) = &argument;
            *value = &scratch.pointer(index);
            return S_OK;
        case ArgumentKind::Reference: {
            if (IsVariantReference(given))
                return PassThroughVariant(plan, argument, scratch, index, lcid, value);
            const bool matches = argument.vt == (VT_BYREF | plan.type) ||
                                 (plan.interfacePointer && (argument.vt == (VT_BYREF | VT_DISPATCH) ||
                                                            argument.vt == (VT_BYREF | VT_UNKNOWN)));
            if (matches) {
                *value = &argument.byref;
                return S_OK;
            }
            // An [in]-only pointer can point at a value the caller passed directly.
            if ((plan.flags & PARAMFLAG_FOUT) || plan.interfacePointer) return DISP_E_TYPEMISMATCH;
            void* converted = nullptr;
            HRESULT result = CoerceValue(argument, plan.type, scratch, index, lcid, &converted);
            if (FAILED(result)) return result;
            scratch.pointer(index) = converted;
            *value = &scratch.pointer(index);
            return S_OK;
        }
        case ArgumentKind::Interface: {
            IUnknown* object = nullptr;
            switch (argument.vt) {
                case VT_DISPATCH:
                case VT_UNKNOWN:
                    object = argument.punkVal;
                    break;
                case VT_BYREF | VT_DISPATCH:
                case VT_BYREF | VT_UNKNOWN:
                    object = argument.ppunkVal ? *argument.ppunkVal : nullptr;
                    break;
                default:
                    return DISP_E_TYPEMISMATCH;
            }
            VARIANT& held = scratch.temporary(index);
            held.punkVal = nullptr;
            if (object) {
                void* asked = nullptr;
                if (FAILED(object->QueryInterface(plan.interfaceId, &asked))) return DISP_E_TYPEMISMATCH;
                held.vt = VT_UNKNOWN;
                held.punkVal = static_cast<IUnknown*>(asked);
                scratch.own(index);
            }
            *value = &held.punkVal;
            return S_OK;
        }
        default:
            return E_UNEXPECTED;
    }
}

// A parameter the caller left out: its default value, the "missing" marker for an optional VARIANT, a
// zero of its type for another optional one.
HRESULT PassMissing(const ArgumentPlan& plan, CallScratch& scratch, size_t index, LCID lcid, void** value) {
    if (!(plan.flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT))) return DISP_E_PARAMNOTOPTIONAL;
    VARIANT& missing = scratch.temporary(index);
    if (plan.defaultValue) {
        if (plan.kind == ArgumentKind::Value || plan.kind == ArgumentKind::Reference) {
            HRESULT result = VariantChangeTypeEx(&missing, plan.defaultValue, lcid, 0, plan.type);
            if (FAILED(result)) return DISP_E_TYPEMISMATCH;
        } else {
            HRESULT result = VariantCopy(&missing, plan.defaultValue);
            if (FAILED(result)) return result;
        }
        scratch.own(index);
    } else if (plan.kind == ArgumentKind::Variant || plan.kind == ArgumentKind::VariantPointer) {
        missing.vt = VT_ERROR;
        missing.scode = DISP_E_PARAMNOTFOUND;
    } else {
        missing.llVal = 0;
        missing.vt = plan.kind == ArgumentKind::Interface ? VARTYPE{VT_EMPTY} : plan.type;
    }
    switch (plan.kind) {
        case ArgumentKind::Value:
            *value = CallValueOf(&missing, plan.type);
            return S_OK;
        case ArgumentKind::Variant:
            *value = &missing;
            return S_OK;
        case ArgumentKind::VariantPointer:
            scratch.pointer(index) = &missing;
            *value = &scratch.pointer(index);
            return S_OK;
        case ArgumentKind::Reference:
            scratch.pointer(index) = CallValueOf(&missing, plan.type);
            *value = &scratch.pointer(index);
            return S_OK;
        case ArgumentKind::Interface:
            missing.punkVal = nullptr;
            *value = &missing.punkVal;
            return S_OK;
        default:
            return E_UNEXPECTED;
    }
}

// A failing HRESULT from the member: DISP_E_EXCEPTION with the exception record filled, from the
// thread's error information when the object says it reports errors through it for this interface.
HRESULT RaiseException(void* instance, REFIID interfaceId, HRESULT failure, EXCEPINFO* exception) {
    if (!exception) return failure;
    *exception = EXCEPINFO{};
    exception->scode = failure;
    auto* object = static_cast<IUnknown*>(instance);
    ISupportErrorInfo* support = nullptr;
    if (FAILED(object->QueryInterface(IID_ISupportErrorInfo, reinterpret_cast<void**>(&support))) || !support)
        return DISP_E_EXCEPTION;
    const bool reports = support->InterfaceSupportsErrorInfo(interfaceId) == S_OK;
    support->Release();
    IErrorInfo* information = nullptr;
    if (reports && GetErrorInfo(0, &information) == S_OK && information) {
        information->GetSource(&exception->bstrSource);
        information->GetDescription(&exception->bstrDescription);
        information->GetHelpFile(&exception->bstrHelpFile);
        information->GetHelpContext(&exception->dwHelpContext);
        information->Release();
    }
    return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT InvokeWithPlan(const InvokePlan& plan, void* instance, REFIID interfaceId, LCID lcid,
                       DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
    if (!parameters) return E_INVALIDARG;
    const UINT count = parameters->cArgs;
    const UINT named = parameters->cNamedArgs;
    if (named > count || (count > 0 && !parameters->rgvarg) || (named > 0 && !parameters->rgdispidNamedArgs))
        return E_INVALIDARG;
    const bool put = (plan.invokeKind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
    const UINT visible = plan.visibleCount;
    if (put && plan.putValue < 0) return DISP_E_BADPARAMCOUNT;
    // A property put's value comes only as the argument named DISPID_PROPERTYPUT; positional arguments
    // fill the parameters before it. [out]-only parameters declared after the value, which a put has no
    // way to pass, receive a null pointer unless they are named.
    const UINT putValue = put ? static_cast<UINT>(plan.putValue) : 0;
    const UINT positionalLimit = put ? putValue : visible;
    const UINT positional = count - named;
    if (positional > positionalLimit) return DISP_E_BADPARAMCOUNT;

    // Which entry of rgvarg each parameter the caller passes comes from, or -1.
    std::array<int, 32> fixedSources;
    std::vector<int> manySources;
    int* sources = fixedSources.data();
    if (visible > fixedSources.size()) {
        manySources.resize(visible);
        sources = manySources.data();
    }
    for (UINT index = 0; index < visible; ++index) sources[index] = -1;
    for (UINT index = 0; index < positional; ++index) sources[index] = static_cast<int>(count - 1 - index);
    for (UINT index = 0; index < named; ++index) {
        DISPID name = parameters->rgdispidNamedArgs[index];
        UINT position = 0;
        if (name == DISPID_PROPERTYPUT && put) {
            position = putValue;
        } else if (name >= 0 && static_cast<UINT>(name) < visible) {
            position = static_cast<UINT>(name);
        } else {
            *argumentError = index;
            return DISP_E_PARAMNOTFOUND;
        }
        if (sources[position] >= 0) {
            *argumentError = index;
            return DISP_E_PARAMNOTFOUND;
        }
        sources[position] = static_cast<int>(index);
    }
    if (put && sources[putValue] < 0) return DISP_E_PARAMNOTOPTIONAL;

    const size_t arguments = plan.arguments.size();
    CallScratch scratch(arguments);
    void** values = scratch.values();
    values[0] = &instance;
    for (size_t index = 0; index < arguments; ++index) {
        const ArgumentPlan& argument = plan.arguments[index];
        void** value = &values[index + 1];
        if (argument.kind == ArgumentKind::Lcid) {
            scratch.temporary(index).lVal = static_cast<LONG>(lcid);
            *value = &scratch.temporary(index).lVal;
            continue;
        }
        if (argument.kind == ArgumentKind::Retval) {
            VARIANT& returned = scratch.temporary(index);
            returned.llVal = 0;
            returned.wReserved1 = returned.wReserved2 = returned.wReserved3 = 0;
            returned.vt = argument.type == VT_VARIANT ? VARTYPE{VT_EMPTY} : argument.type;
            scratch.pointer(index) = argument.type == VT_VARIANT ? static_cast<void*>(&returned)
                                                                 : CallValueOf(&returned, argument.type);
            *value = &scratch.pointer(index);
            continue;
        }
        const int source = sources[argument.visibleIndex];
        if (put && source < 0 && static_cast<UINT>(argument.visibleIndex) > putValue) {
            scratch.pointer(index) = nullptr;
            *value = &scratch.pointer(index);
            continue;
        }
        HRESULT passed;
        if (source < 0 || ((argument.flags & (PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT)) &&
                           IsMissing(parameters->rgvarg[source]))) {
            passed = PassMissing(argument, scratch, index, lcid, value);
            if (FAILED(passed)) return passed;
            continue;
        }
        passed = PassArgument(argument, parameters->rgvarg[source], scratch, index, lcid, value);
        if (FAILED(passed)) {
            *argumentError = static_cast<UINT>(source);
            return passed;
        }
    }

    VARIANT returned;
    VariantInit(&returned);
    plan.signature.Call(CallSignature::SlotOf(instance, plan.offset), values, &returned);
    if (plan.returnType == VT_HRESULT && FAILED(returned.scode))
        return RaiseException(instance, interfaceId, returned.scode, exception);
    scratch.WriteBack([&plan](size_t index) { return plan.arguments[index].type; });

    if (plan.retval >= 0) {
        // The [retval] value now belongs to the caller, or is cleared with the scratch space.
        scratch.own(static_cast<size_t>(plan.retval));
        if (result) {
            *result = scratch.temporary(static_cast<size_t>(plan.retval));
            scratch.release(static_cast<size_t>(plan.retval));
        }
    } else if (result) {
        if (plan.returnType == VT_HRESULT || plan.returnType == VT_VOID) {
            VariantInit(result);
        } else {
            *result = returned;
        }
    }
    return S_OK;
}

}  // namespace platform::automation
