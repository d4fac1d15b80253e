// Attributes, deleting, copying and moving files, and creating and removing folders.
#include "platform/kernel32/file_system.h"
#include "platform/machine/file_attributes.h"
#include "platform/machine/machine.h"

using platform::HostPath;
using platform::Machine;

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    std::optional<HostPath> path = platform::ResolvePathArgument(lpFileName);
    if (!path) return INVALID_FILE_ATTRIBUTES;
    if (platform::FileFaultInjected(*path, "attributes")) return INVALID_FILE_ATTRIBUTES;
    if (!path->exists) {
        SetLastError(platform::MissingPathError(*path));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = platform::ReadFileAttributes(Machine::Current(), path->host);
    if (attributes == INVALID_FILE_ATTRIBUTES) SetLastError(ERROR_FILE_NOT_FOUND);
    return attributes;
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    std::optional<HostPath> path = platform::ResolvePathArgument(lpFileName);
    if (!path) return FALSE;
    if (platform::FileFaultInjected(*path, "setattributes")) return FALSE;
    if (!path->exists) {
        SetLastError(platform::MissingPathError(*path));
        return FALSE;
    }
    if (!platform::WriteFileAttributes(Machine::Current(), path->host, dwFileAttributes)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}
