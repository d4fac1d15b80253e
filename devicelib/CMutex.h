// A mutex, named or not, created with the library's security attributes so that every user may open it.
#pragma once

#include "CIPCObj.h"

class CMutex : public CIPCObj {
  public:
    // WAIT_OBJECT_0 (0) when the mutex is now owned by the calling thread.
    unsigned long Wait(unsigned long milliseconds);
    // Non-zero when the calling thread owned the mutex and has let it go.
    unsigned int Release();

  protected:
    // CreateMutexA; `initialOwner` makes the calling thread its owner when the mutex is new.
    HANDLE CreateObj(unsigned int initialOwner, const char* name, unsigned int) override;
    HANDLE OpenObj(unsigned int, const char* name, unsigned int) override;
};
