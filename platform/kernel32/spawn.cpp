// The C runtime's _spawnl and _spawnv over CreateProcessA.
#include <cerrno>
#include <cstdarg>
#include <string>
#include <vector>

#include "process.h"
#include "windows.h"

namespace {

// The errno the C runtime gives for the Windows error of a failed start.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_BAD_EXE_FORMAT:
            return ENOEXEC;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        default:
            return EINVAL;
    }
}

}  // namespace

extern "C" intptr_t _spawnv(int mode, const char* cmdname, const char* const* argv) {
    if (mode != P_WAIT || !cmdname || !*cmdname || !argv || !argv[0]) {
        errno = EINVAL;
        return -1;
    }
    std::string commandLine = argv[0];
    for (const char* const* argument = argv + 1; *argument; ++argument) {
        commandLine += ' ';
        commandLine += *argument;
    }
    STARTUPINFOA startupInfo = {};
    startupInfo.cb = sizeof startupInfo;
    PROCESS_INFORMATION processInfo = {};
    // The C runtime lets the program inherit the caller's inheritable handles and environment.
    if (!CreateProcessA(cmdname, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startupInfo, &processInfo)) {
        errno = ErrnoOf(GetLastError());
        return -1;
    }
    CloseHandle(processInfo.hThread);
    WaitForSingleObject(processInfo.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(processInfo.hProcess, &exitCode);
    CloseHandle(processInfo.hProcess);
    return static_cast<intptr_t>(static_cast<int>(exitCode));
}

extern "C" intptr_t _spawnl(int mode, const char* cmdname, const char* arg0, ...) {
    std::vector<const char*> arguments;
    va_list list;
    va_start(list, arg0);
    for (const char* argument = arg0; argument; argument = va_arg(list, const char*))
        arguments.push_back(argument);
    va_end(list);
    arguments.push_back(nullptr);
    return _spawnv(mode, cmdname, arguments.data());
}
