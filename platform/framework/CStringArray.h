// An array of strings that grows as it is filled: Add at the end, SetAtGrow and SetSize to extend it,
// indices from 0 to GetUpperBound().
#pragma once

#include <vector>

#include "CString.h"

class CStringArray {
  public:
    INT_PTR GetSize() const { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const { return GetSize(); }
    INT_PTR GetUpperBound() const { return GetSize() - 1; }
    BOOL IsEmpty() const { return m_items.empty(); }
    // New elements are empty strings; nGrowBy is how many the array would make room for at once, which
    // changes nothing here.
    void SetSize(INT_PTR nNewSize, INT_PTR nGrowBy = -1);
    void RemoveAll() { m_items.clear(); }
    void FreeExtra() { m_items.shrink_to_fit(); }

    // An index outside the array is the caller's fault, as in the framework it stands for: it is checked
    // and ends the program.
    const CString& GetAt(INT_PTR nIndex) const;
    CString& ElementAt(INT_PTR nIndex);
    void SetAt(INT_PTR nIndex, LPCSTR newElement);
    void SetAtGrow(INT_PTR nIndex, LPCSTR newElement);
    const CString& operator[](INT_PTR nIndex) const { return GetAt(nIndex); }
    CString& operator[](INT_PTR nIndex) { return ElementAt(nIndex); }

    // The index of the element added.
    INT_PTR Add(LPCSTR newElement);
    INT_PTR Add(const CString& newElement);
    INT_PTR Append(const CStringArray& src);
    void Copy(const CStringArray& src) { m_items = src.m_items; }
    void InsertAt(INT_PTR nIndex, LPCSTR newElement, INT_PTR nCount = 1);
    void RemoveAt(INT_PTR nIndex, INT_PTR nCount = 1);

  private:
    std::size_t Checked(INT_PTR nIndex) const;

    std::vector<CString> m_items;
};
