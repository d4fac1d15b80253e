#include "CComBSTR.h"

#include <cstring>
#include <memory>

#include "AnsiText.h"

namespace {

BSTR AllocateAnsi(LPCSTR text) {
    if (!text) return nullptr;
    std::u16string wide = framework::WideFromAnsi(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace

CComBSTR::CComBSTR(LPCSTR pSrc) : m_str(AllocateAnsi(pSrc)) {}

CComBSTR& CComBSTR::operator=(const CComBSTR& src) {
    if (this != std::addressof(src)) {
        BSTR copy = src.Copy();
        SysFreeString(m_str);
        m_str = copy;
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(CComBSTR&& src) noexcept {
    if (this != std::addressof(src)) {
        SysFreeString(m_str);
        m_str = src.m_str;
        src.m_str = nullptr;
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(LPCOLESTR pSrc) {
    if (pSrc != m_str) {
        BSTR copy = pSrc ? SysAllocString(pSrc) : nullptr;
        SysFreeString(m_str);
        m_str = copy;
    }
    return *this;
}

CComBSTR& CComBSTR::operator=(LPCSTR pSrc) {
    BSTR copy = AllocateAnsi(pSrc);
    SysFreeString(m_str);
    m_str = copy;
    return *this;
}

// Two strings are equal when their lengths and characters are; a null BSTR is the empty string.
bool CComBSTR::operator==(const CComBSTR& other) const {
    UINT length = Length();
    return length == other.Length() && (length == 0 || std::memcmp(m_str, other.m_str, length * sizeof(OLECHAR)) == 0);
}

bool CComBSTR::operator==(LPCOLESTR other) const {
    std::u16string_view mine(m_str ? m_str : u"", Length());
    return mine == std::u16string_view(other ? other : u"");
}

BSTR CComBSTR::Copy() const {
    return m_str ? SysAllocStringLen(m_str, Length()) : nullptr;
}

HRESULT CComBSTR::CopyTo(BSTR* pbstr) const {
    if (!pbstr) return E_POINTER;
    *pbstr = Copy();
    return (m_str && !*pbstr) ? E_OUTOFMEMORY : S_OK;
}

void CComBSTR::Attach(BSTR src) {
    if (src == m_str) return;
    SysFreeString(m_str);
    m_str = src;
}

BSTR CComBSTR::Detach() {
    BSTR old = m_str;
    m_str = nullptr;
    return old;
}

void CComBSTR::Empty() {
    SysFreeString(m_str);
    m_str = nullptr;
}

HRESULT CComBSTR::Append(LPCOLESTR lpsz, int nLen) {
    if (nLen <= 0) return S_OK;
    if (!lpsz) return E_POINTER;
    UINT length = Length();
    BSTR joined = SysAllocStringLen(nullptr, length + static_cast<UINT>(nLen));
    if (!joined) return E_OUTOFMEMORY;
    if (length) std::memcpy(joined, m_str, length * sizeof(OLECHAR));
    std::memcpy(joined + length, lpsz, static_cast<size_t>(nLen) * sizeof(OLECHAR));
    SysFreeString(m_str);
    m_str = joined;
    return S_OK;
}

HRESULT CComBSTR::Append(LPCOLESTR lpsz) {
    return lpsz ? Append(lpsz, static_cast<int>(std::u16string_view(lpsz).size())) : S_OK;
}

HRESULT CComBSTR::Append(const CComBSTR& bstrSrc) {
    return Append(bstrSrc.m_str, static_cast<int>(bstrSrc.Length()));
}

HRESULT CComBSTR::Append(LPCSTR lpsz) {
    if (!lpsz) return S_OK;
    std::u16string wide = framework::WideFromAnsi(lpsz);
    return Append(wide.data(), static_cast<int>(wide.size()));
}

CComBSTR& CComBSTR::operator+=(const CComBSTR& bstrSrc) {
    Append(bstrSrc);
    return *this;
}

CComBSTR& CComBSTR::operator+=(LPCOLESTR lpsz) {
    Append(lpsz);
    return *this;
}
