#include "CIPCEvent.h"

#include "CEventComposite.h"
#include "CSecurity.h"
#include "Trace.h"

namespace {

// Synchronize and modify state: enough to wait for, set, reset and pulse the event.
constexpr DWORD kEventAccess = SYNCHRONIZE | EVENT_MODIFY_STATE;

}  // namespace

CIPCEvent::CIPCEvent() {}

CIPCEvent::CIPCEvent(const CIPCEvent& other) : CIPCObj(other) {}

CIPCEvent& CIPCEvent::operator=(const CIPCEvent& other) {
    CIPCObj::operator=(other);
    return *this;
}

unsigned int CIPCEvent::Set(unsigned int flag) {
    BOOL done = flag ? ::SetEvent(GetHandle()) : ::ResetEvent(GetHandle());
    if (!done) {
        DWORD error = GetLastError();
        TraceFailed("CIPCEvent::Set");
        SetLastError(error);
        return 0;
    }
    if (flag) {
        for (CEventComposite* composite : m_composites) composite->Set(*this);
    }
    return 1;
}

unsigned int CIPCEvent::Pulse() {
    BOOL pulsed = PulseEvent(GetHandle());
    for (CEventComposite* composite : m_composites) composite->Pulse(*this);
    return pulsed;
}

unsigned int CIPCEvent::Reset() {
    return Set(0);
}

unsigned long CIPCEvent::Wait(unsigned long milliseconds) {
    return ::WaitForSingleObject(GetHandle(), milliseconds);
}

void CIPCEvent::Register(CEventComposite* composite) {
    m_composites.push_back(composite);
}

void CIPCEvent::UnRegister(CEventComposite* composite) {
    m_composites.remove(composite);
}

HANDLE CIPCEvent::CreateObj(unsigned int initialState, const char* name, unsigned int manualReset) {
    return CreateEventA(GetGlobalSecurity(), manualReset, initialState, name);
}

HANDLE CIPCEvent::OpenObj(unsigned int, const char* name, unsigned int) {
    return OpenEventA(kEventAccess, FALSE, name);
}

unsigned long WaitForSingleObject(CIPCEvent& event, unsigned long milliseconds) {
    return event.Wait(milliseconds);
}

unsigned int SetEvent(CIPCEvent& event) {
    return event.Set(1);
}

unsigned int ResetEvent(CIPCEvent& event) {
    return event.Set(0);
}
