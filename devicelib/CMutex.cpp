#include "CMutex.h"

#include "CSecurity.h"

unsigned long CMutex::Wait(unsigned long milliseconds) {
    return WaitForSingleObject(GetHandle(), milliseconds);
}

unsigned int CMutex::Release() {
    return ReleaseMutex(GetHandle());
}

HANDLE CMutex::CreateObj(unsigned int initialOwner, const char* name, unsigned int) {
    return CreateMutexA(GetGlobalSecurity(), initialOwner, name);
}

HANDLE CMutex::OpenObj(unsigned int, const char* name, unsigned int) {
    return OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
}
