// The process's module path, command line and current folder.
#include <cstring>

#include "platform/kernel32/kernel32_internal.h"
#include "platform/kernel32/library_modules.h"
#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "windows.h"

using platform::CurrentProcess;
using platform::Machine;

extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    Machine::Current();
    std::optional<std::string> module = platform::ModulePath(hModule);
    if (!module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const std::string& path = *module;
    if (!lpFilename || nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() + 1 > nSize) {
        // As on Windows XP: truncated to the buffer, not terminated, and the size returned.
        std::memcpy(lpFilename, path.data(), nSize);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

extern "C" LPSTR WINAPI GetCommandLineA(void) {
    Machine::Current();
    return CurrentProcess().commandLineBuffer();
}

extern "C" DWORD WINAPI GetCurrentDirectoryA(DWORD nBufferLength, LPSTR lpBuffer) {
    Machine::Current();
    return platform::CopyOutOrNeeded(CurrentProcess().currentDirectory(), lpBuffer, nBufferLength);
}

extern "C" BOOL WINAPI SetCurrentDirectoryA(LPCSTR lpPathName) {
    if (!lpPathName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DWORD error = 0;
    std::optional<platform::WindowsPath> path = platform::FullWindowsPath(lpPathName, &error);
    if (!path) {
        SetLastError(error);
        return FALSE;
    }
    std::optional<platform::HostPath> host = platform::ResolveHostPath(Machine::Current(), *path, &error);
    if (!host) {
        SetLastError(error);
        return FALSE;
    }
    if (!host->exists) {
        SetLastError(host->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!host->isDirectory) {
        SetLastError(ERROR_DIRECTORY);
        return FALSE;
    }
    if (DWORD held = CurrentProcess().setCurrentDirectory(Machine::Current(), host->longPath.ToString(), host->host)) {
        SetLastError(held);
        return FALSE;
    }
    return TRUE;
}
