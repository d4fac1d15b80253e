// Critical sections and the interlocked operations.
//
// A critical section keeps its host lock (a recursive mutex) behind LockSemaphore, made by
// InitializeCriticalSection and freed by DeleteCriticalSection, and keeps Windows' fields up to date for
// code that looks at them: LockCount is -1 when free and counts entries and waiters less one otherwise,
// RecursionCount the owner's entries, OwningThread the owner's thread id.
#include <atomic>
#include <mutex>

#include "windows.h"

namespace {

std::recursive_mutex& HostLock(LPCRITICAL_SECTION section) {
    return *static_cast<std::recursive_mutex*>(section->LockSemaphore);
}

std::atomic_ref<LONG> Counter(LONG volatile* value) {
    return std::atomic_ref<LONG>(*const_cast<LONG*>(value));
}

HANDLE CurrentThread() {
    return reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetCurrentThreadId()));
}

void Entered(LPCRITICAL_SECTION section) {
    section->OwningThread = CurrentThread();
    ++section->RecursionCount;
}

}  // namespace

extern "C" void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    InitializeCriticalSectionAndSpinCount(lpCriticalSection, 0);
}

// The spin count is kept; waiting threads sleep at once all the same.
extern "C" BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION lpCriticalSection,
                                                             DWORD dwSpinCount) {
    lpCriticalSection->DebugInfo = nullptr;
    lpCriticalSection->LockCount = -1;
    lpCriticalSection->RecursionCount = 0;
    lpCriticalSection->OwningThread = nullptr;
    lpCriticalSection->LockSemaphore = new std::recursive_mutex;
    lpCriticalSection->SpinCount = dwSpinCount;
    return TRUE;
}

extern "C" void WINAPI EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    Counter(&lpCriticalSection->LockCount).fetch_add(1);
    HostLock(lpCriticalSection).lock();
    Entered(lpCriticalSection);
}

extern "C" BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (!HostLock(lpCriticalSection).try_lock()) return FALSE;
    Counter(&lpCriticalSection->LockCount).fetch_add(1);
    Entered(lpCriticalSection);
    return TRUE;
}

extern "C" void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    if (--lpCriticalSection->RecursionCount == 0) lpCriticalSection->OwningThread = nullptr;
    HostLock(lpCriticalSection).unlock();
    Counter(&lpCriticalSection->LockCount).fetch_sub(1);
}

extern "C" void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection) {
    delete &HostLock(lpCriticalSection);
    lpCriticalSection->LockSemaphore = nullptr;
}

extern "C" LONG WINAPI InterlockedIncrement(LONG volatile* Addend) {
    return Counter(Addend).fetch_add(1) + 1;
}

extern "C" LONG WINAPI InterlockedDecrement(LONG volatile* Addend) {
    return Counter(Addend).fetch_sub(1) - 1;
}

extern "C" LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
    return Counter(Target).exchange(Value);
}

extern "C" LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comperand) {
    Counter(Destination).compare_exchange_strong(Comperand, Exchange);
    return Comperand;
}

extern "C" LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
    return Counter(Addend).fetch_add(Value);
}
