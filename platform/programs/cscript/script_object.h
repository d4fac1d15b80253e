// The base of the objects the script host and the language give a script (WScript, Err): IDispatch over
// a table of member names, with the arguments handed over in the order the script wrote them.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "variant_value.h"

namespace vbscript {

class ScriptObject : public IDispatch {
  public:
    struct Member {
        std::u16string_view name;
        DISPID id;
    };

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

  protected:
    // What one call asks: the member, DISPATCH_* flags, the arguments in the script's order and, for a
    // property put, the value assigned.
    struct Call {
        DISPID member;
        WORD flags;
        std::vector<const VARIANT*> arguments;
        const VARIANT* assigned = nullptr;
        bool IsGet() const { return flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET); }
        bool IsPut() const { return assigned != nullptr; }
    };

    ScriptObject() = default;
    virtual ~ScriptObject() = default;
    virtual std::span<const Member> Members() const = 0;
    // Answers a call; `result` is null when the caller wants no result.
    virtual HRESULT Answer(const Call& call, VARIANT* result, EXCEPINFO* exception) = 0;

  private:
    ULONG references_ = 1;
};

// Creates an object of a ScriptObject class with its one reference held by the pointer returned.
template <typename Object, typename... Arguments>
ComPointer<IDispatch> MakeScriptObject(Arguments&&... arguments) {
    return ComPointer<IDispatch>::Adopt(new Object(std::forward<Arguments>(arguments)...));
}

}  // namespace vbscript
