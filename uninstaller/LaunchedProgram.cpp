#include "LaunchedProgram.h"

#include <string>

CLaunchedProgram::~CLaunchedProgram() {
    if (m_processInfo.hThread) CloseHandle(m_processInfo.hThread);
    if (m_processInfo.hProcess) CloseHandle(m_processInfo.hProcess);
}

BOOL CLaunchedProgram::Launch(const char* pCommandLine) {
    // CreateProcessA may write into its command line.
    std::string commandLine = pCommandLine;
    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION processInfo = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                        &processInfo))
        return FALSE;
    m_processInfo = processInfo;
    return TRUE;
}

DWORD CLaunchedProgram::Wait(DWORD milliseconds) {
    if (!m_processInfo.hProcess) return WAIT_FAILED;
    return WaitForSingleObject(m_processInfo.hProcess, milliseconds);
}
