#include "fake_objects.h"

#include <cstdio>

#include "platform/machine/text.h"

namespace vbscript::testing {

namespace {

enum : DISPID {
    kName = 1,
    kItem = 2,
    kRun = 3,
    kCompute = 4,
    kChild = 5,
    kItems = 6,
    kFail = 7,
    kRaise = 8,
    kCount = 9,
    kBusy = 10,
    kBump = 11,
};

struct NamedMember {
    const char16_t* name;
    DISPID id;
};

constexpr NamedMember kMembers[] = {
    {u"Name", kName},   {u"Item", kItem},   {u"Run", kRun},   {u"Compute", kCompute},
    {u"Child", kChild}, {u"Items", kItems}, {u"Fail", kFail}, {u"Raise", kRaise},
    {u"Count", kCount}, {u"Busy", kBusy},   {u"Bump", kBump},
};

std::string NameOf(DISPID id) {
    if (id == DISPID_VALUE) return "(default)";
    if (id == DISPID_NEWENUM) return "_NewEnum";
    for (const NamedMember& member : kMembers)
        if (member.id == id) return platform::AnsiFromWide(member.name);
    return "?";
}

std::string FlagsText(WORD flags) {
    std::string text;
    if (flags & DISPATCH_METHOD) text += "method";
    if (flags & DISPATCH_PROPERTYGET) text += text.empty() ? "get" : "|get";
    if (flags & DISPATCH_PROPERTYPUT) text += "put";
    if (flags & DISPATCH_PROPERTYPUTREF) text += "putref";
    return text;
}

// The enumerator of a device's Items: 1, "two", then the device itself.
class FakeEnumerator final : public IEnumVARIANT {
  public:
    explicit FakeEnumerator(IDispatch* owner) : owner_(owner) { owner_->AddRef(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IEnumVARIANT) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) {
            owner_->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override {
        CallLog().push_back("Next " + std::to_string(celt));
        ULONG fetched = 0;
        for (; fetched < celt && position_ < 3; ++fetched, ++position_) {
            VariantInit(&rgVar[fetched]);
            if (position_ == 0) {
                rgVar[fetched].vt = VT_I4;
                rgVar[fetched].lVal = 1;
            } else if (position_ == 1) {
                rgVar[fetched].vt = VT_BSTR;
                rgVar[fetched].bstrVal = SysAllocString(u"two");
            } else {
                rgVar[fetched].vt = VT_DISPATCH;
                rgVar[fetched].pdispVal = owner_;
                owner_->AddRef();
            }
        }
        if (pCeltFetched) *pCeltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() override {
        position_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

  private:
    ULONG references_ = 1;
    IDispatch* owner_;
    int position_ = 0;
};

class FakeItems final : public IDispatch {
  public:
    explicit FakeItems(IDispatch* owner) : owner_(owner) { owner_->AddRef(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid != IID_IUnknown && riid != IID_IDispatch) {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) {
            owner_->Release();
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* rgDispId) override {
        rgDispId[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*,
                                     VARIANT* pVarResult, EXCEPINFO*, UINT*) override {
        CallLog().push_back(NameOf(dispIdMember) + " " + FlagsText(wFlags));
        if (dispIdMember != DISPID_NEWENUM || !(wFlags & DISPATCH_PROPERTYGET) || !pVarResult)
            return DISP_E_MEMBERNOTFOUND;
        pVarResult->vt = VT_UNKNOWN;
        pVarResult->punkVal = new FakeEnumerator(owner_);
        return S_OK;
    }

  private:
    ULONG references_ = 1;
    IDispatch* owner_;
};

class FakeDevice final : public IDispatch, public ISupportErrorInfo {
  public:
    FakeDevice() { VariantInit(&name_); }
    ~FakeDevice() {
        VariantClear(&name_);
        if (child_) child_->Release();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppvObject = static_cast<IDispatch*>(this);
        } else if (riid == IID_ISupportErrorInfo) {
            *ppvObject = static_cast<ISupportErrorInfo*>(this);
        } else {
            *ppvObject = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override {
        return riid == IID_IDispatch ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT, LCID,
                                            DISPID* rgDispId) override {
        std::u16string_view name = rgszNames[0];
        for (const NamedMember& member : kMembers) {
            if (platform::EqualsNoCase(platform::AnsiFromWide(member.name), platform::AnsiFromWide(name))) {
                rgDispId[0] = member.id;
                return S_OK;
            }
        }
        rgDispId[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                     VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT*) override {
        std::string line = NameOf(dispIdMember) + " " + FlagsText(wFlags);
        for (UINT index = 0; index < pDispParams->cArgs; ++index)
            line += (index ? "," : " ") + Describe(pDispParams->rgvarg[index]);
        for (UINT index = 0; index < pDispParams->cNamedArgs; ++index)
            line += " named " + std::to_string(pDispParams->rgdispidNamedArgs[index]);
        CallLog().push_back(line);
        bool put = wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
        if (put && (pDispParams->cNamedArgs != 1 || pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_PARAMNOTFOUND;
        if (!put && pDispParams->cNamedArgs) return DISP_E_NONAMEDARGS;
        VARIANT* arguments = pDispParams->rgvarg + (put ? 1 : 0);
        UINT count = pDispParams->cArgs - (put ? 1 : 0);
        bool get = wFlags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET);
        switch (dispIdMember) {
            case DISPID_VALUE:
                if (put) return Store(kItem, pDispParams->rgvarg[0]);
                if (count == 0) return Give(name_, pVarResult);
                [[fallthrough]];
            case kItem: {
                if (count != 1) return DISP_E_BADPARAMCOUNT;
                if (put) return Store(kItem, pDispParams->rgvarg[0]);
                VARIANT index;
                VariantInit(&index);
                if (FAILED(VariantChangeType(&index, &arguments[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
                if (index.lVal < 0 || index.lVal > 9) return DISP_E_BADINDEX;
                return GiveText(u"item" + std::u16string(1, static_cast<char16_t>(u'0' + index.lVal)),
                                pVarResult);
            }
            case kName:
                if (put && (wFlags & DISPATCH_PROPERTYPUT)) return Store(kName, pDispParams->rgvarg[0]);
                if (put || count) return DISP_E_BADPARAMCOUNT;
                return Give(name_, pVarResult);
            case kRun:
                if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
                if (pVarResult) {
                    pVarResult->vt = VT_I4;
                    pVarResult->lVal = static_cast<LONG>(count);
                }
                return S_OK;
            case kCompute: {
                // Compute(a, b) = a * 10 + b shows whether the arguments came in the script's order.
                if (count != 2) return DISP_E_BADPARAMCOUNT;
                VARIANT a, b;
                VariantInit(&a);
                VariantInit(&b);
                if (FAILED(VariantChangeType(&a, &arguments[1], 0, VT_I4)) ||
                    FAILED(VariantChangeType(&b, &arguments[0], 0, VT_I4)))
                    return DISP_E_TYPEMISMATCH;
                if (pVarResult) {
                    pVarResult->vt = VT_I4;
                    pVarResult->lVal = a.lVal * 10 + b.lVal;
                }
                return S_OK;
            }
            case kChild:
                if (wFlags & DISPATCH_PROPERTYPUTREF) {
                    if (pDispParams->rgvarg[0].vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
                    if (child_) child_->Release();
                    child_ = pDispParams->rgvarg[0].pdispVal;
                    if (child_) child_->AddRef();
                    return S_OK;
                }
                if (put) return DISP_E_MEMBERNOTFOUND;
                if (!child_) child_ = new FakeDevice;
                if (pVarResult) {
                    pVarResult->vt = VT_DISPATCH;
                    pVarResult->pdispVal = child_;
                    child_->AddRef();
                }
                return S_OK;
            case kItems:
                if (!get || put) return DISP_E_MEMBERNOTFOUND;
                if (pVarResult) {
                    pVarResult->vt = VT_DISPATCH;
                    pVarResult->pdispVal = new FakeItems(this);
                }
                return S_OK;
            case kFail: {
                // Fails with E_FAIL and error information of its own, as an object with ISupportErrorInfo.
                ICreateErrorInfo* create = nullptr;
                if (SUCCEEDED(CreateErrorInfo(&create))) {
                    create->SetDescription(const_cast<LPOLESTR>(u"Device is offline"));
                    create->SetSource(const_cast<LPOLESTR>(u"Fake.Device"));
                    IErrorInfo* information = nullptr;
                    create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&information));
                    SetErrorInfo(0, information);
                    information->Release();
                    create->Release();
                }
                return E_FAIL;
            }
            case kRaise:
                *pExcepInfo = EXCEPINFO{};
                pExcepInfo->scode = static_cast<SCODE>(0x80040201);
                pExcepInfo->bstrSource = SysAllocString(u"Fake.Printer");
                pExcepInfo->bstrDescription = SysAllocString(u"Paper jam");
                return DISP_E_EXCEPTION;
            case kCount:
                if (!(wFlags & DISPATCH_PROPERTYGET) || put) return DISP_E_MEMBERNOTFOUND;
                if (pVarResult) {
                    pVarResult->vt = VT_I2;
                    pVarResult->iVal = 3;
                }
                return S_OK;
            case kBusy:
                // A failure with no error information: the caller falls back on the system's text.
                return E_ACCESSDENIED;
            case kBump:
                // Adds one to each argument passed by reference; the others it cannot change.
                for (UINT index = 0; index < count; ++index) {
                    if (arguments[index].vt != (VT_BYREF | VT_VARIANT)) continue;
                    VARIANT* variable = arguments[index].pvarVal;
                    if (FAILED(VariantChangeType(variable, variable, 0, VT_I4))) return DISP_E_TYPEMISMATCH;
                    ++variable->lVal;
                }
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    HRESULT Store(DISPID, const VARIANT& value) {
        VariantClear(&name_);
        return VariantCopy(&name_, &value);
    }
    static HRESULT Give(const VARIANT& value, VARIANT* result) {
        if (!result) return S_OK;
        return VariantCopy(result, &value);
    }
    static HRESULT GiveText(const std::u16string& text, VARIANT* result) {
        if (!result) return S_OK;
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }

    ULONG references_ = 1;
    VARIANT name_;
    IDispatch* child_ = nullptr;
};

}  // namespace

std::vector<std::string>& CallLog() {
    static std::vector<std::string> log;
    return log;
}

IDispatch* NewFakeDevice() {
    return new FakeDevice;
}

std::string Describe(const VARIANT& value) {
    switch (value.vt) {
        case VT_EMPTY:
            return "Empty";
        case VT_I2:
            return "I2:" + std::to_string(value.iVal);
        case VT_I4:
            return "I4:" + std::to_string(value.lVal);
        case VT_R8: {
            char text[32];
            std::snprintf(text, sizeof text, "R8:%g", value.dblVal);
            return text;
        }
        case VT_BOOL:
            return value.boolVal ? "True" : "False";
        case VT_BSTR:
            return "\"" + platform::AnsiFromWide(value.bstrVal ? value.bstrVal : u"") + "\"";
        case VT_DISPATCH:
            return value.pdispVal ? "Object" : "Nothing";
        case VT_ERROR:
            return "Error:" + std::to_string(value.scode);
        case VT_BYREF | VT_VARIANT:
            return "ByRef " + Describe(*value.pvarVal);
        default:
            return "vt" + std::to_string(value.vt);
    }
}

}  // namespace vbscript::testing
