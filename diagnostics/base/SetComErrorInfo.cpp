#include "SetComErrorInfo.h"

#include <cstdint>
#include <string>

#include "AnsiText.h"
#include "CComPtr.h"

namespace diagnostics {

namespace {

constexpr int kStringBufferLength = 1024;

}  // namespace

HRESULT SetComErrorInfo(const CLSID& clsid, LPCOLESTR description, DWORD helpContext, LPCOLESTR helpFile,
                        const IID& iid, HRESULT hr, HINSTANCE module) {
    std::u16string loaded;
    auto value = reinterpret_cast<std::uintptr_t>(description);
    if (value < 0x10000) {
        auto id = static_cast<UINT>(value);
        char buffer[kStringBufferLength] = {};
        int length = LoadStringA(module, id, buffer, kStringBufferLength);
        loaded = framework::WideFromAnsi(length > 0 ? std::string_view(buffer, static_cast<size_t>(length))
                                                    : std::string_view("Unknown Error"));
        description = loaded.c_str();
        if (hr == 0) hr = static_cast<HRESULT>(0x80040000u | id);
    }

    CComPtr<ICreateErrorInfo> creator;
    if (SUCCEEDED(CreateErrorInfo(&creator))) {
        creator->SetGUID(iid);
        LPOLESTR progId = nullptr;
        if (SUCCEEDED(ProgIDFromCLSID(clsid, &progId)) && progId) creator->SetSource(progId);
        if (helpContext != 0 && helpFile) {
            creator->SetHelpContext(helpContext);
            creator->SetHelpFile(const_cast<LPOLESTR>(helpFile));
        }
        CoTaskMemFree(progId);
        creator->SetDescription(const_cast<LPOLESTR>(description));
        CComPtr<IErrorInfo> errorInfo;
        if (SUCCEEDED(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo))))
            SetErrorInfo(0, errorInfo);
    }
    return hr == 0 ? DISP_E_EXCEPTION : hr;
}

}  // namespace diagnostics
