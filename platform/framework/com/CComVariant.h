// A VARIANT that owns what it holds: VariantClear when it is replaced and when it goes away.
#pragma once

#include "oleauto.h"

class CComVariant : public VARIANT {
  public:
    CComVariant() { VariantInit(this); }
    CComVariant(const VARIANT& varSrc);
    CComVariant(const CComVariant& varSrc) : CComVariant(static_cast<const VARIANT&>(varSrc)) {}
    CComVariant(LPCOLESTR lpszSrc);
    CComVariant(LPCSTR lpszSrc);
    CComVariant(bool bSrc);
    // VT_I4 (LONG is an int).
    CComVariant(int nSrc);
    CComVariant(short nSrc);
    CComVariant(double dblSrc);
    // Holds a reference of its own on the object.
    CComVariant(IDispatch* pSrc);
    CComVariant(IUnknown* pSrc);
    ~CComVariant() { Clear(); }

    CComVariant& operator=(const CComVariant& varSrc);
    CComVariant& operator=(const VARIANT& varSrc);
    CComVariant& operator=(LPCOLESTR lpszSrc);
    CComVariant& operator=(LONG nSrc);
    CComVariant& operator=(IDispatch* pSrc);

    HRESULT Clear() { return VariantClear(this); }
    HRESULT Copy(const VARIANT* pSrc);
    // Copies into a VARIANT the caller owns, which is cleared first.
    HRESULT CopyTo(VARIANT* pDest) const;
    // Takes over what a VARIANT holds; the source is left empty.
    HRESULT Attach(VARIANT* pSrc);
    HRESULT Detach(VARIANT* pDest);
    // Converts in place, or from pSrc when given.
    HRESULT ChangeType(VARTYPE vtNew, const VARIANT* pSrc = nullptr);
};
