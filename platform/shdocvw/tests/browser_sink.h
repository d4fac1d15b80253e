// A sink of the browser control's events for the tests: it writes down each event with its address and
// cancels the navigations whose address starts with a prefix the test chooses.
#pragma once

#include <string>
#include <vector>

#include "exdisp.h"
#include "exdispid.h"
#include "oleauto.h"

class RecordingSink : public IDispatch {
  public:
    std::vector<std::string> events;
    std::string cancelPrefix;
    LONG references = 1;

    STDMETHOD_(ULONG, AddRef)() override { return static_cast<ULONG>(++references); }
    STDMETHOD_(ULONG, Release)() override { return static_cast<ULONG>(--references); }
    STDMETHOD(QueryInterface)(REFIID riid, void** ppvObject) override {
        *ppvObject = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDispatch) &&
            !IsEqualIID(riid, DIID_DWebBrowserEvents2)) {
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHOD(GetTypeInfoCount)(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    // Windows' argument types: the browser as VT_DISPATCH, the address and the other values as references
    // to VARIANTs, the cancel flag as a reference to a VARIANT_BOOL.
    STDMETHOD(Invoke)(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams, VARIANT*, EXCEPINFO*,
                      UINT*) override {
        VARIANTARG* arguments = pDispParams->rgvarg;
        UINT count = pDispParams->cArgs;
        bool methodCall = wFlags == DISPATCH_METHOD && pDispParams->cNamedArgs == 0;
        const char* name = dispIdMember == DISPID_BEFORENAVIGATE2     ? "BeforeNavigate2"
                           : dispIdMember == DISPID_NAVIGATECOMPLETE2 ? "NavigateComplete2"
                           : dispIdMember == DISPID_DOCUMENTCOMPLETE  ? "DocumentComplete"
                                                                      : "other";
        UINT expected = dispIdMember == DISPID_BEFORENAVIGATE2 ? 7 : 2;
        if (!methodCall || count != expected || arguments[count - 1].vt != VT_DISPATCH ||
            arguments[count - 2].vt != (VT_BYREF | VT_VARIANT) || arguments[count - 2].pvarVal->vt != VT_BSTR) {
            events.push_back(std::string(name) + " with unexpected arguments");
            return S_OK;
        }
        std::string url = Ansi(arguments[count - 2].pvarVal->bstrVal);
        events.push_back(std::string(name) + " " + url);
        if (dispIdMember == DISPID_BEFORENAVIGATE2) {
            if (arguments[0].vt != (VT_BYREF | VT_BOOL) || *arguments[0].pboolVal != VARIANT_FALSE) {
                events.push_back("cancel flag unexpected");
            } else if (!cancelPrefix.empty() && url.rfind(cancelPrefix, 0) == 0) {
                *arguments[0].pboolVal = VARIANT_TRUE;
            }
        }
        return S_OK;
    }

    static std::string Ansi(BSTR text) {
        std::string ansi;
        for (UINT index = 0; text && index < SysStringLen(text); ++index) ansi += static_cast<char>(text[index]);
        return ansi;
    }
};
