#include "CComVariant.h"

#include "CComBSTR.h"

CComVariant::CComVariant(const VARIANT& varSrc) {
    VariantInit(this);
    Copy(&varSrc);
}

CComVariant::CComVariant(LPCOLESTR lpszSrc) {
    VariantInit(this);
    *this = lpszSrc;
}

CComVariant::CComVariant(LPCSTR lpszSrc) {
    VariantInit(this);
    CComBSTR text(lpszSrc);
    vt = VT_BSTR;
    bstrVal = text.Detach();
}

CComVariant::CComVariant(bool bSrc) {
    VariantInit(this);
    vt = VT_BOOL;
    boolVal = bSrc ? VARIANT_TRUE : VARIANT_FALSE;
}

CComVariant::CComVariant(int nSrc) {
    VariantInit(this);
    vt = VT_I4;
    lVal = nSrc;
}

CComVariant::CComVariant(short nSrc) {
    VariantInit(this);
    vt = VT_I2;
    iVal = nSrc;
}

CComVariant::CComVariant(double dblSrc) {
    VariantInit(this);
    vt = VT_R8;
    dblVal = dblSrc;
}

CComVariant::CComVariant(IDispatch* pSrc) {
    VariantInit(this);
    *this = pSrc;
}

CComVariant::CComVariant(IUnknown* pSrc) {
    VariantInit(this);
    vt = VT_UNKNOWN;
    punkVal = pSrc;
    if (pSrc) pSrc->AddRef();
}

CComVariant& CComVariant::operator=(const CComVariant& varSrc) {
    Copy(&varSrc);
    return *this;
}

CComVariant& CComVariant::operator=(const VARIANT& varSrc) {
    Copy(&varSrc);
    return *this;
}

CComVariant& CComVariant::operator=(LPCOLESTR lpszSrc) {
    BSTR text = lpszSrc ? SysAllocString(lpszSrc) : nullptr;
    Clear();
    vt = VT_BSTR;
    bstrVal = text;
    // A text that cannot be allocated leaves an error, as a failed assignment must not look like "".
    if (lpszSrc && !text) {
        vt = VT_ERROR;
        scode = E_OUTOFMEMORY;
    }
    return *this;
}

CComVariant& CComVariant::operator=(LONG nSrc) {
    Clear();
    vt = VT_I4;
    lVal = nSrc;
    return *this;
}

CComVariant& CComVariant::operator=(IDispatch* pSrc) {
    if (pSrc) pSrc->AddRef();
    Clear();
    vt = VT_DISPATCH;
    pdispVal = pSrc;
    return *this;
}

HRESULT CComVariant::Copy(const VARIANT* pSrc) {
    if (pSrc == this) return S_OK;
    HRESULT hr = VariantCopy(this, pSrc);
    if (FAILED(hr)) {
        vt = VT_ERROR;
        scode = hr;
    }
    return hr;
}

HRESULT CComVariant::CopyTo(VARIANT* pDest) const {
    if (!pDest) return E_POINTER;
    VariantClear(pDest);
    return VariantCopy(pDest, this);
}

HRESULT CComVariant::Attach(VARIANT* pSrc) {
    if (!pSrc) return E_POINTER;
    HRESULT hr = Clear();
    if (FAILED(hr)) return hr;
    *static_cast<VARIANT*>(this) = *pSrc;
    pSrc->vt = VT_EMPTY;
    return S_OK;
}

HRESULT CComVariant::Detach(VARIANT* pDest) {
    if (!pDest) return E_POINTER;
    HRESULT hr = VariantClear(pDest);
    if (FAILED(hr)) return hr;
    *pDest = *static_cast<VARIANT*>(this);
    vt = VT_EMPTY;
    return S_OK;
}

HRESULT CComVariant::ChangeType(VARTYPE vtNew, const VARIANT* pSrc) {
    return VariantChangeType(this, pSrc ? pSrc : this, 0, vtNew);
}
