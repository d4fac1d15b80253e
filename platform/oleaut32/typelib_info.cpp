// ITypeInfo over one type of a loaded library: the type's attributes, its members' descriptions in the
// form of the face shown (a dual interface's dispatch face or its function table), names and dispatch
// ids, references to other types, and Invoke.
#include <cstring>

#include "platform/machine/text.h"
#include "platform/oleaut32/dispatch_invoke.h"
#include "platform/oleaut32/typelib_objects.h"

namespace platform::automation {

namespace {

using typelib::parameter_flags::kHasDefault;
using typelib::parameter_flags::kLcid;
using typelib::parameter_flags::kOptional;
using typelib::parameter_flags::kRetval;

// An enumeration's constants have the member ids the IDL compiler gives unnumbered variables.
constexpr MEMBERID kFirstConstantId = 0x40000000;
// Inheritance deeper than this is taken for a loop in a malformed library.
constexpr int kDeepestBase = 32;

void ConstantToVariant(const typelib::ConstantValue& value, VARIANT* variant) {
    VariantInit(variant);
    switch (value.type) {
        case typelib::VarType::R4:
            variant->fltVal = static_cast<float>(value.real);
            break;
        case typelib::VarType::R8:
        case typelib::VarType::Date:
            variant->dblVal = value.real;
            break;
        case typelib::VarType::Bstr: {
            std::u16string text = WideFromAnsi(value.text);
            variant->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            break;
        }
        case typelib::VarType::Bool:
            variant->boolVal = value.integer ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        default:
            variant->llVal = value.integer;
            break;
    }
    variant->vt = static_cast<VARTYPE>(value.type);
}

bool IsPut(INVOKEKIND kind) {
    return (kind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
}

}  // namespace

void StoreText(BSTR* destination, std::u16string_view text) {
    if (destination) *destination = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

TypeInfoObject::TypeInfoObject(TypeLibraryObject& library, UINT index, TypeView view)
    : library_(library), index_(index), view_(view), definition_(library.model().types[index]) {
    name_ = WideFromAnsi(definition_.name);
    helpString_ = WideFromAnsi(definition_.helpString);
    attributes_.guid = definition_.guid;
    attributes_.lcid = library.model().lcid;
    attributes_.memidConstructor = MEMBERID_NIL;
    attributes_.memidDestructor = MEMBERID_NIL;
    attributes_.wMajorVerNum = definition_.majorVersion;
    attributes_.wMinorVerNum = definition_.minorVersion;
    attributes_.wTypeFlags = definition_.flags;
    attributes_.cbSizeInstance = sizeof(void*);
    attributes_.cbAlignment = alignof(void*);
    const bool dual =
        definition_.kind == typelib::TypeKind::Interface && (definition_.flags & TYPEFLAG_FDUAL);

    switch (definition_.kind) {
        case typelib::TypeKind::Enum:
            attributes_.typekind = TKIND_ENUM;
            attributes_.cbSizeInstance = sizeof(LONG);
            attributes_.cbAlignment = alignof(LONG);
            for (size_t constant = 0; constant < definition_.constants.size(); ++constant) {
                const typelib::EnumConstant& source = definition_.constants[constant];
                TYPEDESC type{};
                type.vt = VT_I4;
                AddVariable(WideFromAnsi(source.name), kFirstConstantId + static_cast<MEMBERID>(constant),
                            WideFromAnsi(source.helpString), type, VAR_CONST, 0);
                MemberEntry& added = members_.back();
                added.constant.vt = VT_I4;
                added.constant.lVal = source.value;
                added.variable.lpvarValue = &added.constant;
            }
            break;
        case typelib::TypeKind::Interface:
            if (dual && view == TypeView::Primary) {
                // The dispatch face lists every member a client can reach through IDispatch, IUnknown's
                // and IDispatch's first.
                attributes_.typekind = TKIND_DISPATCH;
                attributes_.wTypeFlags |= TYPEFLAG_FDISPATCHABLE;
                attributes_.cbSizeVft = 7 * sizeof(void*);
                attributes_.cImplTypes = 1;
                AddFunctions(definition_, library_, true, true, 0);
            } else {
                attributes_.typekind = TKIND_INTERFACE;
                if (dual) attributes_.wTypeFlags |= TYPEFLAG_FDISPATCHABLE;
                attributes_.cbSizeVft = static_cast<WORD>(definition_.vtableSlots * sizeof(void*));
                attributes_.cImplTypes = definition_.base ? 1 : 0;
                AddFunctions(definition_, library_, false, false, 0);
            }
            break;
        case typelib::TypeKind::Dispatch:
            attributes_.typekind = TKIND_DISPATCH;
            attributes_.cbSizeVft = 7 * sizeof(void*);
            attributes_.cImplTypes = 1;
            for (const typelib::Function& function : definition_.functions)
                AddFunction(function, library_, true, true);
            for (const typelib::Property& property : definition_.properties) {
                AddVariable(WideFromAnsi(property.name), property.memberId, WideFromAnsi(property.helpString),
                            Describe(property.type, library_), VAR_DISPATCH, property.flags);
            }
            break;
        case typelib::TypeKind::CoClass:
            attributes_.typekind = TKIND_COCLASS;
            attributes_.cImplTypes = static_cast<WORD>(definition_.implemented.size());
            break;
        case typelib::TypeKind::Record:
            attributes_.typekind = TKIND_RECORD;
            break;
        case typelib::TypeKind::Module:
            attributes_.typekind = TKIND_MODULE;
            break;
    }
    attributes_.cFuncs = static_cast<WORD>(functions_.size());
    attributes_.cVars = static_cast<WORD>(variables_.size());
    IndexMembers();
}

TypeInfoObject::~TypeInfoObject() {
    for (MemberEntry& member : members_) {
        for (auto& value : member.defaults) VariantClear(&value->varDefaultValue);
    }
}

void TypeInfoObject::AddFunctions(const typelib::TypeDefinition& type, TypeLibraryObject& owner,
                                  bool exposeInherited, bool dispatchForm, int depth) {
    if (type.base && depth < kDeepestBase) {
        TypeLibraryObject* baseOwner = nullptr;
        if (const typelib::TypeDefinition* base = owner.LocalDefinition(*type.base, &baseOwner))
            AddFunctions(*base, *baseOwner, exposeInherited, dispatchForm, depth + 1);
    }
    for (const typelib::Function& function : type.functions)
        AddFunction(function, owner, dispatchForm, depth == 0 || exposeInherited);
}

void TypeInfoObject::AddFunction(const typelib::Function& function, TypeLibraryObject& owner,
                                 bool dispatchForm, bool exposed) {
    MemberEntry& member = members_.emplace_back();
    member.source = &function;
    member.owner = &owner;
    member.name = WideFromAnsi(function.name);
    member.helpString = WideFromAnsi(function.helpString);
    FUNCDESC& description = member.function;
    description.memid = function.memberId;
    description.funckind = dispatchForm ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
    description.invkind = static_cast<INVOKEKIND>(function.invokeKind);
    description.callconv = CC_STDCALL;
    description.oVft = static_cast<SHORT>(function.vtableSlot >= 0 ? function.vtableSlot * sizeof(void*) : 0);
    description.wFuncFlags = function.flags;

    const typelib::Parameter* retval = nullptr;
    SHORT optional = 0;
    for (const typelib::Parameter& parameter : function.parameters) {
        const bool hidden = (parameter.flags & (kRetval | kLcid)) != 0;
        member.declaredNames.push_back(WideFromAnsi(parameter.name));
        if (!hidden) member.parameterNames.push_back(member.declaredNames.back());
        if (parameter.flags & kRetval) retval = &parameter;
        // Through the dispatch face the [retval] parameter is the result and the locale is implied.
        if (dispatchForm && hidden) continue;
        ELEMDESC element{};
        element.tdesc = Describe(parameter.type, owner);
        element.paramdesc.wParamFlags = parameter.flags;
        if ((parameter.flags & kHasDefault) && parameter.defaultValue) {
            auto value = std::make_unique<PARAMDESCEX>();
            value->cBytes = sizeof(PARAMDESCEX);
            ConstantToVariant(*parameter.defaultValue, &value->varDefaultValue);
            element.paramdesc.pparamdescex = value.get();
            member.defaults.push_back(std::move(value));
        }
        if ((parameter.flags & kOptional) && !(parameter.flags & kHasDefault)) ++optional;
        member.parameters.push_back(element);
    }
    description.cParams = static_cast<SHORT>(member.parameters.size());
    description.cParamsOpt = optional;
    description.lprgelemdescParam = member.parameters.empty() ? nullptr : member.parameters.data();
    if (dispatchForm && function.returnType.type == typelib::VarType::HResult) {
        if (retval && retval->type.type == typelib::VarType::Pointer && !retval->type.element.empty()) {
            description.elemdescFunc.tdesc = Describe(retval->type.element.front(), owner);
        } else {
            description.elemdescFunc.tdesc.vt = VT_VOID;
        }
    } else {
        description.elemdescFunc.tdesc = Describe(function.returnType, owner);
    }
    if (exposed) functions_.push_back(&member);
}

void TypeInfoObject::AddVariable(std::u16string name, MEMBERID memberId, std::u16string helpString,
                                 TYPEDESC type, VARKIND kind, WORD flags) {
    MemberEntry& member = members_.emplace_back();
    member.isFunction = false;
    member.owner = &library_;
    member.name = std::move(name);
    member.helpString = std::move(helpString);
    member.variable.memid = memberId;
    member.variable.varkind = kind;
    member.variable.wVarFlags = flags;
    member.variable.elemdescVar.tdesc = type;
    variables_.push_back(&member);
}

TYPEDESC TypeInfoObject::Describe(const typelib::TypeDescription& type, TypeLibraryObject& owner) {
    TYPEDESC description{};
    switch (type.type) {
        case typelib::VarType::Pointer:
        case typelib::VarType::SafeArray: {
            TYPEDESC target{};
            target.vt = VT_VOID;
            if (!type.element.empty()) target = Describe(type.element.front(), owner);
            description.lptdesc = &typeNodes_.emplace_back(target);
            description.vt = type.type == typelib::VarType::Pointer ? VT_PTR : VT_SAFEARRAY;
            return description;
        }
        case typelib::VarType::UserDefined:
            // A base interface's members come from this library or the standard one, whose types name
            // no user-defined type.
            if (type.reference && &owner == &library_) {
                description.vt = VT_USERDEFINED;
                description.hreftype = library_.HandleOf(*type.reference, TypeView::Primary);
            } else {
                description.vt = VT_UNKNOWN;
            }
            return description;
        default:
            description.vt = static_cast<VARTYPE>(type.type);
            return description;
    }
}

void TypeInfoObject::IndexMembers() {
    for (MemberEntry& member : members_) {
        MEMBERID memberId = member.isFunction ? member.function.memid : member.variable.memid;
        auto [found, inserted] = byMemberId_.emplace(memberId, &member);
        if (!inserted) {
            MemberEntry* last = found->second;
            while (last->nextWithSameId) last = last->nextWithSameId;
            last->nextWithSameId = &member;
        }
        byName_.emplace(member.name, memberId);
    }
}

const MemberEntry* TypeInfoObject::FindMember(MEMBERID memberId) const {
    auto found = byMemberId_.find(memberId);
    return found == byMemberId_.end() ? nullptr : found->second;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeInfo || riid == IID_TypeInfoObject) {
        *ppvObject = static_cast<ITypeInfo*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

// A type information object keeps its library alive while anyone holds it.
ULONG STDMETHODCALLTYPE TypeInfoObject::AddRef() {
    ULONG before = references_.fetch_add(1);
    if (before == 0) library_.AddRef();
    return before + 1;
}

ULONG STDMETHODCALLTYPE TypeInfoObject::Release() {
    ULONG after = references_.fetch_sub(1) - 1;
    if (after == 0) library_.Release();
    return after;
}

// The descriptions live as long as the type information object; releasing them frees nothing.
HRESULT STDMETHODCALLTYPE TypeInfoObject::GetTypeAttr(TYPEATTR** ppTypeAttr) {
    if (!ppTypeAttr) return E_INVALIDARG;
    *ppTypeAttr = &attributes_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetTypeComp(ITypeComp** ppTComp) {
    if (ppTComp) *ppTComp = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetFuncDesc(UINT index, FUNCDESC** ppFuncDesc) {
    if (!ppFuncDesc) return E_INVALIDARG;
    if (index >= functions_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *ppFuncDesc = &functions_[index]->function;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetVarDesc(UINT index, VARDESC** ppVarDesc) {
    if (!ppVarDesc) return E_INVALIDARG;
    if (index >= variables_.size()) return TYPE_E_ELEMENTNOTFOUND;
    *ppVarDesc = &variables_[index]->variable;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetNames(MEMBERID memid, BSTR* rgBstrNames, UINT cMaxNames,
                                                   UINT* pcNames) {
    if (!pcNames || (cMaxNames > 0 && !rgBstrNames)) return E_INVALIDARG;
    *pcNames = 0;
    const MemberEntry* member = FindMember(memid);
    if (!member) return TYPE_E_ELEMENTNOTFOUND;
    std::vector<std::u16string_view> names{member->name};
    if (member->isFunction) {
        // The parameters' names in the face's form; the value a property put assigns has no name.
        const bool dispatchForm = member->function.funckind == FUNC_DISPATCH;
        for (size_t position = 0; position < member->source->parameters.size(); ++position) {
            if (dispatchForm && (member->source->parameters[position].flags & (kRetval | kLcid))) continue;
            names.push_back(member->declaredNames[position]);
        }
        if (IsPut(member->function.invkind) && names.size() > 1) names.pop_back();
    }
    UINT count = 0;
    for (std::u16string_view name : names) {
        if (count == cMaxNames) break;
        rgBstrNames[count++] = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    }
    *pcNames = count;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetRefTypeOfImplType(UINT index, HREFTYPE* pRefType) {
    if (!pRefType) return E_INVALIDARG;
    const bool dual =
        definition_.kind == typelib::TypeKind::Interface && (definition_.flags & TYPEFLAG_FDUAL);
    if (index == static_cast<UINT>(-1)) {
        if (!dual || view_ != TypeView::Primary) return TYPE_E_ELEMENTNOTFOUND;
        *pRefType = library_.HandleOf(typelib::TypeReference::Local(index_), TypeView::DualInterface);
        return S_OK;
    }
    switch (attributes_.typekind) {
        case TKIND_DISPATCH:
            if (index != 0) return TYPE_E_ELEMENTNOTFOUND;
            *pRefType = library_.StandardDispatchHandle();
            return S_OK;
        case TKIND_INTERFACE:
            if (index != 0 || !definition_.base) return TYPE_E_ELEMENTNOTFOUND;
            *pRefType = library_.HandleOf(*definition_.base, TypeView::DualInterface);
            return S_OK;
        case TKIND_COCLASS:
            if (index >= definition_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
            *pRefType = library_.HandleOf(definition_.implemented[index].interface, TypeView::Primary);
            return S_OK;
        default:
            return TYPE_E_ELEMENTNOTFOUND;
    }
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetImplTypeFlags(UINT index, INT* pImplTypeFlags) {
    if (!pImplTypeFlags) return E_INVALIDARG;
    if (attributes_.typekind == TKIND_COCLASS) {
        if (index >= definition_.implemented.size()) return TYPE_E_ELEMENTNOTFOUND;
        *pImplTypeFlags = definition_.implemented[index].flags;
        return S_OK;
    }
    if (index >= attributes_.cImplTypes && index != static_cast<UINT>(-1)) return TYPE_E_ELEMENTNOTFOUND;
    *pImplTypeFlags = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetIDsOfNames(LPOLESTR* rgszNames, UINT cNames, MEMBERID* pMemId) {
    if (!rgszNames || !pMemId) return E_INVALIDARG;
    if (cNames == 0) return S_OK;
    auto found = rgszNames[0] ? byName_.find(std::u16string_view(rgszNames[0])) : byName_.end();
    if (found == byName_.end()) {
        for (UINT index = 0; index < cNames; ++index) pMemId[index] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    pMemId[0] = found->second;
    HRESULT result = S_OK;
    for (UINT index = 1; index < cNames; ++index) {
        pMemId[index] = DISPID_UNKNOWN;
        if (rgszNames[index]) {
            std::u16string_view wanted(rgszNames[index]);
            FoldedNameEqual equal;
            for (const MemberEntry* member = FindMember(found->second);
                 member && pMemId[index] == DISPID_UNKNOWN; member = member->nextWithSameId) {
                for (size_t position = 0; position < member->parameterNames.size(); ++position) {
                    if (equal(member->parameterNames[position], wanted)) {
                        pMemId[index] = static_cast<MEMBERID>(position);
                        break;
                    }
                }
            }
        }
        if (pMemId[index] == DISPID_UNKNOWN) result = DISP_E_UNKNOWNNAME;
    }
    return result;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::Invoke(PVOID pvInstance, MEMBERID memid, WORD wFlags,
                                                 DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                                 EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (!pvInstance) return E_INVALIDARG;
    UINT ignoredArgumentError = 0;
    if (!puArgErr) puArgErr = &ignoredArgumentError;
    const MemberEntry* member = FindMember(memid);
    while (member && !(member->isFunction && (member->function.invkind & wFlags)))
        member = member->nextWithSameId;
    if (!member) {
        // A dispatch interface's property has no function to call: the object's own IDispatch answers it.
        const MemberEntry* property = FindMember(memid);
        if (property && !property->isFunction && property->variable.varkind == VAR_DISPATCH) {
            return static_cast<IDispatch*>(pvInstance)
                ->Invoke(memid, IID_NULL, attributes_.lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                         puArgErr);
        }
        return DISP_E_MEMBERNOTFOUND;
    }
    if (member->source->vtableSlot < 0) {
        return static_cast<IDispatch*>(pvInstance)
            ->Invoke(memid, IID_NULL, attributes_.lcid, wFlags, pDispParams, pVarResult, pExcepInfo,
                     puArgErr);
    }
    const InvokePlan* plan = member->plan.load(std::memory_order_acquire);
    if (!plan) {
        std::lock_guard<std::mutex> lock(member->planning);
        plan = member->plan.load(std::memory_order_acquire);
        if (!plan) {
            auto prepared = std::make_unique<InvokePlan>();
            HRESULT result = PrepareInvokePlan(*member, prepared.get());
            if (FAILED(result)) return result;
            member->planStorage = std::move(prepared);
            plan = member->planStorage.get();
            member->plan.store(plan, std::memory_order_release);
        }
    }
    if (IsPut(member->function.invkind)) pVarResult = nullptr;
    return InvokeWithPlan(*plan, pvInstance, attributes_.guid, attributes_.lcid, pDispParams, pVarResult,
                          pExcepInfo, puArgErr);
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetDocumentation(MEMBERID memid, BSTR* pBstrName,
                                                           BSTR* pBstrDocString, DWORD* pdwHelpContext,
                                                           BSTR* pBstrHelpFile) {
    std::u16string_view name = name_;
    std::u16string_view help = helpString_;
    if (memid != MEMBERID_NIL) {
        const MemberEntry* member = FindMember(memid);
        if (!member) return TYPE_E_ELEMENTNOTFOUND;
        name = member->name;
        help = member->helpString;
    }
    StoreText(pBstrName, name);
    if (pBstrDocString)
        *pBstrDocString = help.empty() ? nullptr : SysAllocStringLen(help.data(), help.size());
    if (pdwHelpContext) *pdwHelpContext = 0;
    if (pBstrHelpFile) *pBstrHelpFile = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetDllEntry(MEMBERID, INVOKEKIND, BSTR* pBstrDllName,
                                                      BSTR* pBstrName, WORD* pwOrdinal) {
    if (pBstrDllName) *pBstrDllName = nullptr;
    if (pBstrName) *pBstrName = nullptr;
    if (pwOrdinal) *pwOrdinal = 0;
    return TYPE_E_BADMODULEKIND;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetRefTypeInfo(HREFTYPE hRefType, ITypeInfo** ppTInfo) {
    if (!ppTInfo) return E_INVALIDARG;
    *ppTInfo = nullptr;
    return library_.InfoOfHandle(hRefType, ppTInfo);
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::AddressOfMember(MEMBERID, INVOKEKIND, PVOID* ppv) {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::CreateInstance(IUnknown*, REFIID, PVOID* ppvObj) {
    if (ppvObj) *ppvObj = nullptr;
    return attributes_.typekind == TKIND_COCLASS ? E_NOTIMPL : TYPE_E_WRONGTYPEKIND;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetMops(MEMBERID, BSTR* pBstrMops) {
    if (pBstrMops) *pBstrMops = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TypeInfoObject::GetContainingTypeLib(ITypeLib** ppTLib, UINT* pIndex) {
    if (ppTLib) {
        library_.AddRef();
        *ppTLib = &library_;
    }
    if (pIndex) *pIndex = index_;
    return S_OK;
}

void STDMETHODCALLTYPE TypeInfoObject::ReleaseTypeAttr(TYPEATTR*) {}
void STDMETHODCALLTYPE TypeInfoObject::ReleaseFuncDesc(FUNCDESC*) {}
void STDMETHODCALLTYPE TypeInfoObject::ReleaseVarDesc(VARDESC*) {}

}  // namespace platform::automation
