#include "CString.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "AFX_MODULE_STATE.h"

namespace {

constexpr char kBlanks[] = " \t\r\n\v\f";

}  // namespace

CString::CString(LPCSTR lpsz) {
    if (lpsz && IS_INTRESOURCE(lpsz)) {
        LoadString(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(lpsz)));
    } else if (lpsz) {
        m_text = lpsz;
    }
}

CString::CString(LPCSTR lpch, int nLength) {
    if (lpch && nLength > 0) m_text.assign(lpch, static_cast<std::size_t>(nLength));
}

CString::CString(char ch, int nRepeat) {
    if (nRepeat > 0) m_text.assign(static_cast<std::size_t>(nRepeat), ch);
}

CString& CString::operator=(LPCSTR lpsz) {
    *this = CString(lpsz);
    return *this;
}

CString& CString::operator=(char ch) {
    m_text.assign(1, ch);
    return *this;
}

char CString::GetAt(int nIndex) const {
    if (nIndex < 0 || nIndex >= GetLength()) return '\0';
    return m_text[static_cast<std::size_t>(nIndex)];
}

void CString::SetAt(int nIndex, char ch) {
    if (nIndex >= 0 && nIndex < GetLength()) m_text[static_cast<std::size_t>(nIndex)] = ch;
}

CString& CString::operator+=(const CString& string) {
    m_text += string.m_text;
    return *this;
}

CString& CString::operator+=(LPCSTR lpsz) {
    if (lpsz) m_text += lpsz;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_text += ch;
    return *this;
}

CString operator+(const CString& string1, const CString& string2) {
    CString result(string1);
    result += string2;
    return result;
}

CString operator+(const CString& string, LPCSTR lpsz) {
    CString result(string);
    result += lpsz;
    return result;
}

CString operator+(LPCSTR lpsz, const CString& string) {
    CString result(lpsz);
    result += string;
    return result;
}

CString operator+(const CString& string, char ch) {
    CString result(string);
    result += ch;
    return result;
}

CString operator+(char ch, const CString& string) {
    CString result(ch);
    result += string;
    return result;
}

int CString::Compare(LPCSTR lpsz) const {
    return std::strcmp(m_text.c_str(), lpsz ? lpsz : "");
}

int CString::CompareNoCase(LPCSTR lpsz) const {
    return lstrcmpiA(m_text.c_str(), lpsz ? lpsz : "");
}

CString CString::Mid(int nFirst) const {
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const {
    nFirst = std::max(nFirst, 0);
    nCount = std::max(nCount, 0);
    if (nFirst >= GetLength()) return CString();
    nCount = std::min(nCount, GetLength() - nFirst);
    return CString(m_text.c_str() + nFirst, nCount);
}

CString CString::Left(int nCount) const {
    return Mid(0, nCount);
}

CString CString::Right(int nCount) const {
    nCount = std::clamp(nCount, 0, GetLength());
    return Mid(GetLength() - nCount, nCount);
}

int CString::Find(char ch, int nStart) const {
    if (nStart < 0 || nStart >= GetLength()) return -1;
    std::size_t found = m_text.find(ch, static_cast<std::size_t>(nStart));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::Find(LPCSTR lpszSub, int nStart) const {
    if (!lpszSub || nStart < 0 || nStart > GetLength()) return -1;
    std::size_t found = m_text.find(lpszSub, static_cast<std::size_t>(nStart));
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::ReverseFind(char ch) const {
    std::size_t found = m_text.rfind(ch);
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::FindOneOf(LPCSTR lpszCharSet) const {
    if (!lpszCharSet || !*lpszCharSet) return -1;
    std::size_t found = m_text.find_first_of(lpszCharSet);
    return found == std::string::npos ? -1 : static_cast<int>(found);
}

int CString::Replace(char chOld, char chNew) {
    int count = 0;
    for (char& character : m_text) {
        if (character != chOld) continue;
        character = chNew;
        ++count;
    }
    return count;
}

int CString::Replace(LPCSTR lpszOld, LPCSTR lpszNew) {
    if (!lpszOld || !*lpszOld) return 0;
    std::string_view old(lpszOld);
    std::string_view replacement(lpszNew ? lpszNew : "");
    std::string result;
    int count = 0;
    std::size_t at = 0;
    for (std::size_t found; (found = m_text.find(old, at)) != std::string::npos; at = found + old.size()) {
        result.append(m_text, at, found - at);
        result.append(replacement);
        ++count;
    }
    result.append(m_text, at, std::string::npos);
    m_text = std::move(result);
    return count;
}

int CString::Remove(char chRemove) {
    std::size_t before = m_text.size();
    std::erase(m_text, chRemove);
    return static_cast<int>(before - m_text.size());
}

int CString::Insert(int nIndex, char ch) {
    char text[2] = {ch, '\0'};
    return Insert(nIndex, text);
}

// A position past the end appends.
int CString::Insert(int nIndex, LPCSTR pstr) {
    nIndex = std::clamp(nIndex, 0, GetLength());
    if (pstr) m_text.insert(static_cast<std::size_t>(nIndex), pstr);
    return GetLength();
}

int CString::Delete(int nIndex, int nCount) {
    nIndex = std::max(nIndex, 0);
    if (nCount > 0 && nIndex < GetLength())
        m_text.erase(static_cast<std::size_t>(nIndex), static_cast<std::size_t>(nCount));
    return GetLength();
}

CString& CString::MakeUpper() {
    CharUpperA(m_text.data());
    return *this;
}

CString& CString::MakeLower() {
    CharLowerA(m_text.data());
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_text.begin(), m_text.end());
    return *this;
}

CString& CString::TrimLeft() {
    return TrimLeft(kBlanks);
}

CString& CString::TrimLeft(char chTarget) {
    char targets[2] = {chTarget, '\0'};
    return TrimLeft(targets);
}

CString& CString::TrimLeft(LPCSTR lpszTargets) {
    std::size_t first = m_text.find_first_not_of(lpszTargets ? lpszTargets : "");
    m_text.erase(0, first == std::string::npos ? m_text.size() : first);
    return *this;
}

CString& CString::TrimRight() {
    return TrimRight(kBlanks);
}

CString& CString::TrimRight(char chTarget) {
    char targets[2] = {chTarget, '\0'};
    return TrimRight(targets);
}

CString& CString::TrimRight(LPCSTR lpszTargets) {
    std::size_t last = m_text.find_last_not_of(lpszTargets ? lpszTargets : "");
    m_text.erase(last == std::string::npos ? 0 : last + 1);
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

void CString::FormatV(LPCSTR lpszFormat, va_list argList) {
    if (!lpszFormat) {
        m_text.clear();
        return;
    }
    va_list measure;
    va_copy(measure, argList);
    int length = std::vsnprintf(nullptr, 0, lpszFormat, measure);
    va_end(measure);
    if (length < 0) {
        m_text.clear();
        return;
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), lpszFormat, argList);
    m_text.assign(buffer.data(), static_cast<std::size_t>(length));
}

void CString::Format(LPCSTR lpszFormat, ...) {
    va_list arguments;
    va_start(arguments, lpszFormat);
    FormatV(lpszFormat, arguments);
    va_end(arguments);
}

void CString::Format(UINT nFormatID, ...) {
    CString format;
    format.LoadString(nFormatID);
    va_list arguments;
    va_start(arguments, nFormatID);
    FormatV(format, arguments);
    va_end(arguments);
}

void CString::AppendFormat(LPCSTR lpszFormat, ...) {
    CString appended;
    va_list arguments;
    va_start(arguments, lpszFormat);
    appended.FormatV(lpszFormat, arguments);
    va_end(arguments);
    *this += appended;
}

// LoadStringA cuts a string to its buffer; a string that filled the buffer is read again with more room.
BOOL CString::LoadString(UINT nID) {
    for (int size = 256;; size *= 2) {
        std::vector<char> buffer(static_cast<std::size_t>(size));
        int length = ::LoadStringA(AfxGetResourceHandle(), nID, buffer.data(), size);
        if (length < size - 1 || size >= 65536) {
            m_text.assign(buffer.data(), static_cast<std::size_t>(std::max(length, 0)));
            return length > 0;
        }
    }
}

LPSTR CString::GetBuffer(int nMinBufLength) {
    if (nMinBufLength > GetLength()) m_text.resize(static_cast<std::size_t>(nMinBufLength));
    return m_text.data();
}

LPSTR CString::GetBufferSetLength(int nNewLength) {
    m_text.resize(static_cast<std::size_t>(std::max(nNewLength, 0)));
    return m_text.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0) {
        m_text.resize(std::strlen(m_text.c_str()));
    } else {
        m_text.resize(static_cast<std::size_t>(nNewLength));
    }
}

bool operator==(const CString& s1, const CString& s2) {
    return s1.Compare(s2) == 0;
}
bool operator==(const CString& s1, LPCSTR s2) {
    return s1.Compare(s2) == 0;
}
bool operator==(LPCSTR s1, const CString& s2) {
    return s2.Compare(s1) == 0;
}
bool operator!=(const CString& s1, const CString& s2) {
    return s1.Compare(s2) != 0;
}
bool operator!=(const CString& s1, LPCSTR s2) {
    return s1.Compare(s2) != 0;
}
bool operator!=(LPCSTR s1, const CString& s2) {
    return s2.Compare(s1) != 0;
}
bool operator<(const CString& s1, const CString& s2) {
    return s1.Compare(s2) < 0;
}
bool operator<(const CString& s1, LPCSTR s2) {
    return s1.Compare(s2) < 0;
}
bool operator<(LPCSTR s1, const CString& s2) {
    return s2.Compare(s1) > 0;
}
bool operator>(const CString& s1, const CString& s2) {
    return s1.Compare(s2) > 0;
}
bool operator<=(const CString& s1, const CString& s2) {
    return s1.Compare(s2) <= 0;
}
bool operator>=(const CString& s1, const CString& s2) {
    return s1.Compare(s2) >= 0;
}
