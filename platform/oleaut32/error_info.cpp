// Error information per thread: CreateErrorInfo makes the object a server fills in, SetErrorInfo
// makes it the thread's, and GetErrorInfo hands it to the caller and leaves the thread without one.
#include <atomic>
#include <string>

#include "platform/oleaut32/oleaut32_internal.h"

namespace {

class ErrorInfo final : public ICreateErrorInfo, public IErrorInfo {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IErrorInfo) {
            *ppvObject = static_cast<IErrorInfo*>(this);
        } else if (riid == IID_ICreateErrorInfo) {
            *ppvObject = static_cast<ICreateErrorInfo*>(this);
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

    HRESULT STDMETHODCALLTYPE SetGUID(REFGUID rguid) override {
        guid_ = rguid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSource(LPOLESTR szSource) override { return Store(source_, szSource); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPOLESTR szDescription) override {
        return Store(description_, szDescription);
    }
    HRESULT STDMETHODCALLTYPE SetHelpFile(LPOLESTR szHelpFile) override { return Store(helpFile_, szHelpFile); }
    HRESULT STDMETHODCALLTYPE SetHelpContext(DWORD dwHelpContext) override {
        helpContext_ = dwHelpContext;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetGUID(GUID* pGUID) override {
        if (!pGUID) return E_INVALIDARG;
        *pGUID = guid_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSource(BSTR* pBstrSource) override { return Give(source_, pBstrSource); }
    HRESULT STDMETHODCALLTYPE GetDescription(BSTR* pBstrDescription) override {
        return Give(description_, pBstrDescription);
    }
    HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* pBstrHelpFile) override { return Give(helpFile_, pBstrHelpFile); }
    HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* pdwHelpContext) override {
        if (!pdwHelpContext) return E_INVALIDARG;
        *pdwHelpContext = helpContext_;
        return S_OK;
    }

  private:
    // A null text is kept as a null string.
    struct Text {
        bool present = false;
        std::u16string characters;
    };

    static HRESULT Store(Text& text, LPOLESTR value) {
        text.present = value != nullptr;
        text.characters = value ? std::u16string(value) : std::u16string();
        return S_OK;
    }
    static HRESULT Give(const Text& text, BSTR* result) {
        if (!result) return E_INVALIDARG;
        *result = text.present ? SysAllocStringLen(text.characters.data(), static_cast<UINT>(text.characters.size()))
                               : nullptr;
        return text.present && !*result ? E_OUTOFMEMORY : S_OK;
    }

    std::atomic<ULONG> references_{1};
    GUID guid_ = GUID_NULL;
    Text source_, description_, helpFile_;
    DWORD helpContext_ = 0;
};

// The thread's error object, released when the thread ends.
class ThreadErrorInfo {
  public:
    ~ThreadErrorInfo() { Replace(nullptr); }
    void Replace(IErrorInfo* info) {
        if (current_) current_->Release();
        current_ = info;
    }
    IErrorInfo* Take() {
        IErrorInfo* info = current_;
        current_ = nullptr;
        return info;
    }

  private:
    IErrorInfo* current_ = nullptr;
};

thread_local ThreadErrorInfo threadErrorInfo;

}  // namespace

STDAPI CreateErrorInfo(ICreateErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = new ErrorInfo;
    return S_OK;
}

STDAPI SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo) {
    if (dwReserved != 0) return E_INVALIDARG;
    if (perrinfo) perrinfo->AddRef();
    threadErrorInfo.Replace(perrinfo);
    return S_OK;
}

STDAPI GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo) {
    if (!pperrinfo) return E_INVALIDARG;
    *pperrinfo = nullptr;
    if (dwReserved != 0) return E_INVALIDARG;
    *pperrinfo = threadErrorInfo.Take();
    return *pperrinfo ? S_OK : S_FALSE;
}
