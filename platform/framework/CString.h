// A string object of the ANSI build: the text and its length, converted to LPCTSTR where a C string is
// wanted, formatted printf-style, cut, searched and changed in place, loaded from the module's string
// table, and written through GetBuffer/ReleaseBuffer by the calls that fill a buffer.
#pragma once

#include <string>

#include "windows.h"

class CString {
  public:
    CString() = default;
    CString(const CString& stringSrc) = default;
    CString(CString&& stringSrc) noexcept = default;
    // A resource id given as MAKEINTRESOURCE(id) loads that string.
    CString(LPCSTR lpsz);
    CString(LPCSTR lpch, int nLength);
    CString(char ch, int nRepeat = 1);
    ~CString() = default;

    CString& operator=(const CString& stringSrc) = default;
    CString& operator=(CString&& stringSrc) noexcept = default;
    CString& operator=(LPCSTR lpsz);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    BOOL IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }
    // A position past the end reads the terminating zero.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, char ch);
    operator LPCSTR() const { return m_text.c_str(); }

    CString& operator+=(const CString& string);
    CString& operator+=(LPCSTR lpsz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& string1, const CString& string2);
    friend CString operator+(const CString& string, LPCSTR lpsz);
    friend CString operator+(LPCSTR lpsz, const CString& string);
    friend CString operator+(const CString& string, char ch);
    friend CString operator+(char ch, const CString& string);

    // Like strcmp: negative, zero or positive; CompareNoCase as lstrcmpiA compares.
    int Compare(LPCSTR lpsz) const;
    int CompareNoCase(LPCSTR lpsz) const;

    // Parts: a first position before 0 counts as 0, counts are cut to what the string holds.
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    // Positions from 0, -1 when not found.
    int Find(char ch, int nStart = 0) const;
    int Find(LPCSTR lpszSub, int nStart = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(LPCSTR lpszCharSet) const;

    // The number of replacements made; an empty old text replaces nothing.
    int Replace(char chOld, char chNew);
    int Replace(LPCSTR lpszOld, LPCSTR lpszNew);
    int Remove(char chRemove);
    int Insert(int nIndex, char ch);
    int Insert(int nIndex, LPCSTR pstr);
    int Delete(int nIndex, int nCount = 1);

    // In the machine's code page, as CharUpperA and CharLowerA change it.
    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    // Without an argument blanks (spaces, tabs, line breaks) are trimmed.
    CString& TrimLeft();
    CString& TrimLeft(char chTarget);
    CString& TrimLeft(LPCSTR lpszTargets);
    CString& TrimRight();
    CString& TrimRight(char chTarget);
    CString& TrimRight(LPCSTR lpszTargets);
    CString& Trim();

    // printf-style, with room for a text of any length; a format given as a resource id is loaded first.
    void Format(LPCSTR lpszFormat, ...);
    void Format(UINT nFormatID, ...);
    void FormatV(LPCSTR lpszFormat, va_list argList);
    void AppendFormat(LPCSTR lpszFormat, ...);

    // The string nID of the resource module (AfxGetResourceHandle); FALSE, leaving the string empty, when
    // there is none.
    BOOL LoadString(UINT nID);

    // A buffer of at least nMinBufLength characters and the terminator, holding the text; ReleaseBuffer
    // takes the text up to its first zero, or nNewLength characters.
    LPSTR GetBuffer(int nMinBufLength = 0);
    LPSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

  private:
    std::string m_text;
};

bool operator==(const CString& s1, const CString& s2);
bool operator==(const CString& s1, LPCSTR s2);
bool operator==(LPCSTR s1, const CString& s2);
bool operator!=(const CString& s1, const CString& s2);
bool operator!=(const CString& s1, LPCSTR s2);
bool operator!=(LPCSTR s1, const CString& s2);
bool operator<(const CString& s1, const CString& s2);
bool operator<(const CString& s1, LPCSTR s2);
bool operator<(LPCSTR s1, const CString& s2);
bool operator>(const CString& s1, const CString& s2);
bool operator<=(const CString& s1, const CString& s2);
bool operator>=(const CString& s1, const CString& s2);
