// Locks for the COM classes: CComCriticalSection over a Windows critical section (Init and Term by hand),
// CComAutoCriticalSection (for its lifetime), CComFakeCriticalSection (for objects of one thread), and
// CComCritSecLock, which holds any of them for a scope.
#pragma once

#include "windows.h"

class CComCriticalSection {
  public:
    CComCriticalSection() = default;
    CComCriticalSection(const CComCriticalSection&) = delete;
    CComCriticalSection& operator=(const CComCriticalSection&) = delete;

    HRESULT Init() {
        InitializeCriticalSection(&m_sec);
        return S_OK;
    }
    HRESULT Term() {
        DeleteCriticalSection(&m_sec);
        return S_OK;
    }
    HRESULT Lock() {
        EnterCriticalSection(&m_sec);
        return S_OK;
    }
    HRESULT Unlock() {
        LeaveCriticalSection(&m_sec);
        return S_OK;
    }

    CRITICAL_SECTION m_sec{};
};

class CComAutoCriticalSection : public CComCriticalSection {
  public:
    CComAutoCriticalSection() { Init(); }
    ~CComAutoCriticalSection() { Term(); }
};

class CComFakeCriticalSection {
  public:
    HRESULT Init() { return S_OK; }
    HRESULT Term() { return S_OK; }
    HRESULT Lock() { return S_OK; }
    HRESULT Unlock() { return S_OK; }
};

template <class Section>
class CComCritSecLock {
  public:
    explicit CComCritSecLock(Section& section) : m_section(section) { m_section.Lock(); }
    ~CComCritSecLock() { m_section.Unlock(); }
    CComCritSecLock(const CComCritSecLock&) = delete;
    CComCritSecLock& operator=(const CComCritSecLock&) = delete;

  private:
    Section& m_section;
};
