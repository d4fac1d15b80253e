#include "CThread.h"

#include <cstdio>

#include "Trace.h"

CThread::CThread() : m_hThread(NULL), m_threadId(0), m_exitCode(0) {}

CThread& CThread::operator=(const CThread& other) {
    m_hThread = other.m_hThread;
    m_threadId = other.m_threadId;
    m_exitCode = other.m_exitCode;
    return *this;
}

unsigned int CThread::Init(LPTHREAD_START_ROUTINE start, void* parameter, unsigned int flags,
                           unsigned long creationFlags, unsigned long stackSize,
                           LPSECURITY_ATTRIBUTES security) {
    if (flags & START_SUSPENDED) creationFlags |= CREATE_SUSPENDED;
    DWORD threadId = 0;
    HANDLE hThread = CreateThread(security, stackSize, start, parameter, creationFlags, &threadId);
    if (!hThread) {
        // Callers wait on the handle; a thread that never started must not leave an old one behind.
        m_hThread = NULL;
        m_threadId = 0;
        return 0;
    }
    m_hThread = hThread;
    m_threadId = threadId;
    return 1;
}

long CThread::Resume() {
    if (GetCurrentThreadId() == m_threadId) {
        std::printf("Thread attemting to resurect\n");
        return 0;
    }
    DWORD previous = ResumeThread(m_hThread);
    if (previous != static_cast<DWORD>(-1)) return static_cast<long>(previous);
    DWORD error = GetLastError();
    if (error) {
        std::printf("Resume thread handle=%X id=%d failed! errorCode %d\n", TraceHandle(m_hThread),
                    static_cast<int>(m_threadId), static_cast<int>(error));
        return static_cast<long>(error);
    }
    std::printf("Resume thread handle=%X id=%d thread was already running\n", TraceHandle(m_hThread),
                static_cast<int>(m_threadId));
    return 0;
}

unsigned long CThread::GetExitCode() {
    DWORD exitCode = 0;
    if (!GetExitCodeThread(m_hThread, &exitCode)) {
        std::printf("GetExitCodeThread() failed for thread ID %u\n", static_cast<unsigned int>(m_threadId));
        return 0;
    }
    m_exitCode = exitCode;
    return m_exitCode;
}

unsigned long CThread::Wait(unsigned long milliseconds) {
    return WaitForSingleObject(m_hThread, milliseconds);
}

void CThread::Yield() {
    Sleep(0);
}
