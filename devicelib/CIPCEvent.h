// An event, named or not, created with the library's security attributes. Composites registered with
// the event hear of every set and pulse, so that one thread can wait for a group of events.
#pragma once

#include <list>

#include "CIPCObj.h"

class CEventComposite;

class CIPCEvent : public virtual CIPCObj {
  public:
    CIPCEvent();
    // A copy holds a duplicate of the handle, without the registrations: composites know the original.
    CIPCEvent(const CIPCEvent& other);
    CIPCEvent& operator=(const CIPCEvent& other);

    // SetEvent when `flag` is non-zero, else ResetEvent; a set is passed on to the registered composites.
    // 1 on success; 0 on failure, with the last error as Windows left it.
    virtual unsigned int Set(unsigned int flag);
    // PulseEvent, passed on to the registered composites. The result of PulseEvent.
    virtual unsigned int Pulse();
    unsigned int Reset();
    unsigned long Wait(unsigned long milliseconds);

    void Register(CEventComposite* composite);
    void UnRegister(CEventComposite* composite);

  protected:
    // CreateEventA; the event starts signalled with `initialState` and stays so with `manualReset`.
    HANDLE CreateObj(unsigned int initialState, const char* name, unsigned int manualReset) override;
    HANDLE OpenObj(unsigned int, const char* name, unsigned int) override;

  private:
    std::list<CEventComposite*> m_composites;
};

unsigned long WaitForSingleObject(CIPCEvent& event, unsigned long milliseconds);
unsigned int SetEvent(CIPCEvent& event);
unsigned int ResetEvent(CIPCEvent& event);
