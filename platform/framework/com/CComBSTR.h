// An owned BSTR: freed with SysFreeString when replaced and when the owner goes away.
#pragma once

#include "oleauto.h"

class CComBSTR {
  public:
    CComBSTR() = default;
    CComBSTR(LPCOLESTR pSrc) : m_str(pSrc ? SysAllocString(pSrc) : nullptr) {}
    CComBSTR(int nSize, LPCOLESTR pSrc) : m_str(SysAllocStringLen(pSrc, static_cast<UINT>(nSize))) {}
    // ANSI text, converted with the ANSI code page.
    CComBSTR(LPCSTR pSrc);
    CComBSTR(const CComBSTR& src) : m_str(src.Copy()) {}
    CComBSTR(CComBSTR&& src) noexcept : m_str(src.m_str) { src.m_str = nullptr; }
    ~CComBSTR() { SysFreeString(m_str); }

    CComBSTR& operator=(const CComBSTR& src);
    CComBSTR& operator=(CComBSTR&& src) noexcept;
    CComBSTR& operator=(LPCOLESTR pSrc);
    CComBSTR& operator=(LPCSTR pSrc);

    operator BSTR() const { return m_str; }
    // For out-arguments: the string must be empty, so that nothing is overwritten without being freed.
    BSTR* operator&() { return &m_str; }
    bool operator!() const { return m_str == nullptr; }
    bool operator==(const CComBSTR& other) const;
    bool operator==(LPCOLESTR other) const;

    unsigned int Length() const { return SysStringLen(m_str); }
    // A new BSTR with the same text (null for an empty owner), which the caller frees.
    BSTR Copy() const;
    HRESULT CopyTo(BSTR* pbstr) const;
    void Attach(BSTR src);
    BSTR Detach();
    void Empty();
    HRESULT Append(LPCOLESTR lpsz);
    HRESULT Append(LPCOLESTR lpsz, int nLen);
    HRESULT Append(const CComBSTR& bstrSrc);
    HRESULT Append(LPCSTR lpsz);
    CComBSTR& operator+=(const CComBSTR& bstrSrc);
    CComBSTR& operator+=(LPCOLESTR lpsz);

    BSTR m_str = nullptr;
};
