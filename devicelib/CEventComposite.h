// An event that fires when any of its member events is set or pulsed, and tells which member it was.
// A guard mutex serialises the members' notifications and the registration of members.
#pragma once

#include <list>

#include "CIPCEvent.h"
#include "CMutex.h"

class CEventComposite : public CIPCEvent {
  public:
    CEventComposite();
    // Unregisters from every member event; the members must still exist.
    ~CEventComposite() override;
    // Members know the composite by its address.
    CEventComposite(const CEventComposite&) = delete;
    CEventComposite& operator=(const CEventComposite&) = delete;

    using CIPCEvent::Pulse;
    using CIPCEvent::Set;

    // Adds `member`: the composite hears of its sets and pulses.
    CEventComposite& operator+=(CIPCEvent& member);
    // A member was set (or pulsed): records it and sets (or pulses) the composite's own event. 0 when the
    // guard stays busy for a second, so that the notifying thread is not held up.
    unsigned int Set(const CIPCEvent& member);
    unsigned int Pulse(const CIPCEvent& member);
    // Forgets the members last set and pulsed and resets the composite's own event.
    unsigned int Reset();
    // Waits for a member to fire and returns its position among the members, counted from 0.
    // WAIT_TIMEOUT (258) on time-out; WAIT_ABANDONED (128) when the member that fired is not known;
    // WAIT_FAILED as a long (-1) when the wait itself fails.
    long Wait(unsigned long milliseconds);

  protected:
    // Creates the guard, then the composite's own event.
    HANDLE CreateObj(unsigned int initialState, const char* name, unsigned int manualReset) override;

  private:
    bool TakeGuard(unsigned long milliseconds);
    // The position of `member` among the members, or -1.
    long PositionOf(const CIPCEvent* member) const;

    std::list<CIPCEvent*> m_members;
    CMutex m_guard;
    const CIPCEvent* m_pLastSet;
    const CIPCEvent* m_pLastPulsed;
    // Which of the two records is the newer: a record already reported must not hide a later one.
    bool m_pulsedLast;
};
