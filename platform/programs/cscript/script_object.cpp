#include "script_object.h"

#include "lexer.h"

namespace vbscript {

HRESULT STDMETHODCALLTYPE ScriptObject::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ScriptObject::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE ScriptObject::Release() {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT STDMETHODCALLTYPE ScriptObject::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ScriptObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE ScriptObject::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID,
                                                      DISPID* rgDispId) {
    if (!rgszNames || !rgDispId || cNames == 0) return E_INVALIDARG;
    HRESULT result = S_OK;
    for (UINT index = 0; index < cNames; ++index) rgDispId[index] = DISPID_UNKNOWN;
    // Only member names are known; the names of parameters are not.
    for (const Member& member : Members())
        if (SameName(member.name, rgszNames[0])) rgDispId[0] = member.id;
    if (rgDispId[0] == DISPID_UNKNOWN || cNames > 1) result = DISP_E_UNKNOWNNAME;
    return result;
}

HRESULT STDMETHODCALLTYPE ScriptObject::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                                               DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                               EXCEPINFO* pExcepInfo, UINT*) {
    if (!pDispParams) return E_INVALIDARG;
    bool known = false;
    for (const Member& member : Members()) known = known || member.id == dispIdMember;
    if (!known) return DISP_E_MEMBERNOTFOUND;
    Call call{dispIdMember, wFlags, {}};
    UINT positional = pDispParams->cArgs;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        if (pDispParams->cNamedArgs != 1 || pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
            pDispParams->cArgs == 0)
            return DISP_E_PARAMNOTFOUND;
        call.assigned = &pDispParams->rgvarg[0];
        --positional;
    } else if (pDispParams->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    // The arguments come last to first, after the named ones.
    UINT named = pDispParams->cNamedArgs;
    for (UINT index = 0; index < positional; ++index) {
        const VARIANT* argument = &pDispParams->rgvarg[named + positional - 1 - index];
        if (argument->vt == (VT_BYREF | VT_VARIANT)) argument = argument->pvarVal;
        call.arguments.push_back(argument);
    }
    if (call.assigned && call.assigned->vt == (VT_BYREF | VT_VARIANT)) call.assigned = call.assigned->pvarVal;
    if (pVarResult) VariantInit(pVarResult);
    return Answer(call, pVarResult, pExcepInfo);
}

}  // namespace vbscript
