// DispGetIDsOfNames, DispInvoke and CreateStdDispatch: IDispatch answered from type information, for
// objects that implement their interface's function table and let the type information do the rest.
#include <atomic>

#include "oleauto.h"

STDAPI DispGetIDsOfNames(ITypeInfo* ptinfo, LPOLESTR* rgszNames, UINT cNames, DISPID* rgdispid) {
    if (!ptinfo) return E_INVALIDARG;
    return ptinfo->GetIDsOfNames(rgszNames, cNames, rgdispid);
}

STDAPI DispInvoke(void* _this, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                  VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) {
    if (!ptinfo) return E_INVALIDARG;
    return ptinfo->Invoke(_this, dispidMember, wFlags, pparams, pvarResult, pexcepinfo, puArgErr);
}

namespace platform::automation {

namespace {

// The object CreateStdDispatch makes: an inner IUnknown, which owns it, and an IDispatch whose IUnknown
// calls go to the controlling object (the caller's, or the inner one when there is none).
class StandardDispatch final : public IDispatch {
  public:
    StandardDispatch(IUnknown* outer, void* instance, ITypeInfo* typeInfo)
        : outer_(outer ? outer : &inner_), instance_(instance), typeInfo_(typeInfo), inner_(*this) {
        typeInfo_->AddRef();
    }
    ~StandardDispatch() { typeInfo_->Release(); }
    StandardDispatch(const StandardDispatch&) = delete;
    StandardDispatch& operator=(const StandardDispatch&) = delete;

    IUnknown* inner() { return &inner_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        return outer_->QueryInterface(riid, ppvObject);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return outer_->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return outer_->Release(); }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return E_INVALIDARG;
        *pctinfo = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) override {
        if (!ppTInfo) return E_INVALIDARG;
        *ppTInfo = nullptr;
        if (iTInfo != 0) return DISP_E_BADINDEX;
        typeInfo_->AddRef();
        *ppTInfo = typeInfo_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                            DISPID* rgDispId) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DispGetIDsOfNames(typeInfo_, rgszNames, cNames, rgDispId);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override {
        if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        return DispInvoke(instance_, typeInfo_, dispIdMember, wFlags, pDispParams, pVarResult, pExcepInfo,
                          puArgErr);
    }

  private:
    class Inner final : public IUnknown {
      public:
        explicit Inner(StandardDispatch& owner) : owner_(owner) {}
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
            if (!ppvObject) return E_POINTER;
            if (riid == IID_IUnknown) {
                *ppvObject = static_cast<IUnknown*>(this);
            } else if (riid == IID_IDispatch) {
                *ppvObject = static_cast<IDispatch*>(&owner_);
            } else {
                *ppvObject = nullptr;
                return E_NOINTERFACE;
            }
            static_cast<IUnknown*>(*ppvObject)->AddRef();
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return references_.fetch_add(1) + 1; }
        ULONG STDMETHODCALLTYPE Release() override {
            ULONG after = references_.fetch_sub(1) - 1;
            if (after == 0) delete &owner_;
            return after;
        }

      private:
        StandardDispatch& owner_;
        std::atomic<ULONG> references_{1};
    };

    IUnknown* outer_;
    void* instance_;
    ITypeInfo* typeInfo_;
    Inner inner_;
};

}  // namespace

}  // namespace platform::automation

STDAPI CreateStdDispatch(IUnknown* punkOuter, void* pvThis, ITypeInfo* ptinfo, IUnknown** ppunkStdDisp) {
    if (!ppunkStdDisp) return E_INVALIDARG;
    *ppunkStdDisp = nullptr;
    if (!pvThis || !ptinfo) return E_INVALIDARG;
    auto* dispatch = new platform::automation::StandardDispatch(punkOuter, pvThis, ptinfo);
    *ppunkStdDisp = dispatch->inner();
    return S_OK;
}
