#include "CEventComposite.h"

#include "Trace.h"

namespace {

constexpr unsigned long kNotifyTimeout = 1000;
constexpr long kUnknownMember = WAIT_ABANDONED;
constexpr long kWaitFailed = -1;

}  // namespace

CEventComposite::CEventComposite() : m_pLastSet(NULL), m_pLastPulsed(NULL), m_pulsedLast(false) {}

CEventComposite::~CEventComposite() {
    bool guarded = TakeGuard(INFINITE);
    for (CIPCEvent* member : m_members) member->UnRegister(this);
    if (guarded) m_guard.Release();
}

HANDLE CEventComposite::CreateObj(unsigned int initialState, const char* name, unsigned int manualReset) {
    if (!m_guard.CreateOpen(NULL)) {
        TraceFailedReturning("mutex.CreateOpen()", "NULL");
        return NULL;
    }
    return CIPCEvent::CreateObj(initialState, name, manualReset);
}

bool CEventComposite::TakeGuard(unsigned long milliseconds) {
    // A guard left by a thread that ended is taken over; its records are still whole.
    unsigned long result = m_guard.Wait(milliseconds);
    return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

CEventComposite& CEventComposite::operator+=(CIPCEvent& member) {
    if (!GetHandle()) std::printf("CEventComposite not initialized\n");
    bool guarded = TakeGuard(INFINITE);
    m_members.push_back(&member);
    member.Register(this);
    if (guarded) m_guard.Release();
    return *this;
}

unsigned int CEventComposite::Set(const CIPCEvent& member) {
    if (!TakeGuard(kNotifyTimeout)) {
        TraceFailed("CEventComposite is busy ins Set()\n");
        return 0;
    }
    m_pLastSet = &member;
    m_pulsedLast = false;
    unsigned int result = CIPCEvent::Set(1);
    m_guard.Release();
    return result;
}

unsigned int CEventComposite::Pulse(const CIPCEvent& member) {
    if (!TakeGuard(kNotifyTimeout)) {
        TraceFailed("CEventComposite is busy in Pulse()\n");
        return 0;
    }
    m_pLastPulsed = &member;
    m_pulsedLast = true;
    unsigned int result = CIPCEvent::Pulse();
    m_guard.Release();
    return result;
}

unsigned int CEventComposite::Reset() {
    bool guarded = TakeGuard(INFINITE);
    m_pLastSet = NULL;
    m_pLastPulsed = NULL;
    m_pulsedLast = false;
    unsigned int result = CIPCEvent::Reset();
    if (guarded) m_guard.Release();
    return result;
}

long CEventComposite::Wait(unsigned long milliseconds) {
    unsigned long result = CIPCEvent::Wait(milliseconds);
    if (result == WAIT_TIMEOUT) return WAIT_TIMEOUT;
    if (result != WAIT_OBJECT_0) {
        DWORD error = GetLastError();
        TraceFailed("CIPCEvent::Wait(timeout)");
        SetLastError(error);
        return kWaitFailed;
    }
    bool guarded = TakeGuard(INFINITE);
    const CIPCEvent* newer = m_pulsedLast ? m_pLastPulsed : m_pLastSet;
    const CIPCEvent* older = m_pulsedLast ? m_pLastSet : m_pLastPulsed;
    long position = PositionOf(newer);
    if (position < 0) position = PositionOf(older);
    m_pLastPulsed = NULL;
    m_pulsedLast = false;
    if (guarded) m_guard.Release();
    if (position < 0) {
        TraceFailedWith("Can not find the last event", ERR_UNKNOWN);
        return kUnknownMember;
    }
    return position;
}

long CEventComposite::PositionOf(const CIPCEvent* member) const {
    if (!member) return -1;
    long position = 0;
    for (const CIPCEvent* candidate : m_members) {
        if (candidate == member) return position;
        ++position;
    }
    return -1;
}
