// A Windows thread: its handle, its id and its last exit code. The object does not close the handle; the
// thread is left to run on its own when the object goes away.
#pragma once

#include "windows.h"

class CThread {
  public:
    CThread();
    CThread& operator=(const CThread& other);

    // Bit of `flags` that starts the thread suspended (CREATE_SUSPENDED is added to `creationFlags`).
    static const unsigned int START_SUSPENDED = 0x4;

    // Starts `start(parameter)` on a new thread. 1 when the thread runs; 0, keeping no handle, when
    // Windows cannot create it.
    unsigned int Init(LPTHREAD_START_ROUTINE start, void* parameter, unsigned int flags = 0,
                      unsigned long creationFlags = 0, unsigned long stackSize = 0,
                      LPSECURITY_ATTRIBUTES security = NULL);
    // The previous suspend count; 0 when called from the thread itself or when the thread already ran;
    // the Windows error when resuming failed.
    long Resume();
    // The thread's exit code (STILL_ACTIVE while it runs), kept in the object; 0 when it cannot be read.
    unsigned long GetExitCode();
    unsigned long Wait(unsigned long milliseconds);
    void Yield();
    operator void*() const { return m_hThread; }
    unsigned long GeThisThreadID() const { return m_threadId; }

  private:
    HANDLE m_hThread;
    unsigned long m_threadId;
    unsigned long m_exitCode;
};
