#include <string>

#include "AnsiText.h"
#include "AtlReportError.h"
#include "CComPtr.h"

HRESULT WINAPI AtlReportError(const CLSID& clsid, LPCOLESTR lpszDesc, const IID& iid, HRESULT hRes) {
    CComPtr<ICreateErrorInfo> creator;
    if (SUCCEEDED(CreateErrorInfo(&creator))) {
        creator->SetGUID(iid);
        LPOLESTR progId = nullptr;
        if (SUCCEEDED(ProgIDFromCLSID(clsid, &progId)) && progId) creator->SetSource(progId);
        CoTaskMemFree(progId);
        std::u16string description = lpszDesc ? lpszDesc : u"";
        creator->SetDescription(description.data());
        CComPtr<IErrorInfo> errorInfo;
        if (SUCCEEDED(creator->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&errorInfo))))
            SetErrorInfo(0, errorInfo);
    }
    return hRes == 0 ? DISP_E_EXCEPTION : hRes;
}

HRESULT WINAPI AtlReportError(const CLSID& clsid, LPCSTR lpszDesc, const IID& iid, HRESULT hRes) {
    std::u16string description = framework::WideFromAnsi(lpszDesc ? lpszDesc : "");
    return AtlReportError(clsid, description.c_str(), iid, hRes);
}
