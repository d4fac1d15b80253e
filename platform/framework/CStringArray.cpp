#include "CStringArray.h"

#include <cstdio>
#include <cstdlib>

std::size_t CStringArray::Checked(INT_PTR nIndex) const {
    if (nIndex < 0 || nIndex >= GetSize()) {
        std::fprintf(stderr, "CStringArray: index %ld outside 0..%ld\n", static_cast<long>(nIndex),
                     static_cast<long>(GetUpperBound()));
        std::abort();
    }
    return static_cast<std::size_t>(nIndex);
}

void CStringArray::SetSize(INT_PTR nNewSize, INT_PTR nGrowBy) {
    (void)nGrowBy;
    m_items.resize(static_cast<std::size_t>(nNewSize < 0 ? 0 : nNewSize));
}

const CString& CStringArray::GetAt(INT_PTR nIndex) const {
    return m_items[Checked(nIndex)];
}

CString& CStringArray::ElementAt(INT_PTR nIndex) {
    return m_items[Checked(nIndex)];
}

void CStringArray::SetAt(INT_PTR nIndex, LPCSTR newElement) {
    m_items[Checked(nIndex)] = newElement;
}

void CStringArray::SetAtGrow(INT_PTR nIndex, LPCSTR newElement) {
    if (nIndex < 0) Checked(nIndex);
    if (nIndex >= GetSize()) SetSize(nIndex + 1);
    m_items[static_cast<std::size_t>(nIndex)] = newElement;
}

INT_PTR CStringArray::Add(LPCSTR newElement) {
    return Add(CString(newElement));
}

INT_PTR CStringArray::Add(const CString& newElement) {
    m_items.push_back(newElement);
    return GetUpperBound();
}

// The index of the first element appended.
INT_PTR CStringArray::Append(const CStringArray& src) {
    INT_PTR first = GetSize();
    std::vector<CString> added = src.m_items;  // the array may be appended to itself
    m_items.insert(m_items.end(), added.begin(), added.end());
    return first;
}

// An index past the end grows the array to it first.
void CStringArray::InsertAt(INT_PTR nIndex, LPCSTR newElement, INT_PTR nCount) {
    if (nIndex < 0 || nCount <= 0) return;
    if (nIndex > GetSize()) SetSize(nIndex);
    m_items.insert(m_items.begin() + nIndex, static_cast<std::size_t>(nCount), CString(newElement));
}

void CStringArray::RemoveAt(INT_PTR nIndex, INT_PTR nCount) {
    Checked(nIndex);
    if (nCount <= 0) return;
    if (nIndex + nCount > GetSize()) Checked(nIndex + nCount - 1);
    m_items.erase(m_items.begin() + nIndex, m_items.begin() + nIndex + nCount);
}
