#include "platform/kernel32/file_system.h"

#include <cerrno>

#include "platform/machine/machine.h"
#include "platform/machine/state.h"

namespace platform {

namespace {

std::optional<HostPath> ResolveArgument(LPCSTR path, bool entryItself) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    DWORD error = 0;
    std::optional<WindowsPath> full = FullWindowsPath(path, &error);
    if (!full) {
        SetLastError(error);
        return std::nullopt;
    }
    std::optional<HostPath> host = entryItself ? ResolveHostEntry(Machine::Current(), *full, &error)
                                               : ResolveHostPath(Machine::Current(), *full, &error);
    if (!host) {
        SetLastError(error);
        return std::nullopt;
    }
    return host;
}

}  // namespace

std::optional<HostPath> ResolvePathArgument(LPCSTR path) { return ResolveArgument(path, false); }

std::optional<HostPath> ResolveEntryArgument(LPCSTR path) { return ResolveArgument(path, true); }

DWORD MissingPathError(const HostPath& path) {
    return path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

bool FileFaultInjected(const std::string& longPath, std::string_view operation) {
    DWORD error = InjectedFault(fault_target::kFile, longPath, operation);
    if (error == 0) return false;
    SetLastError(error);
    return true;
}

bool FileFaultInjected(const HostPath& path, std::string_view operation) {
    return FileFaultInjected(path.longPath.ToString(), operation);
}

DWORD ErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        case ENOTEMPTY:
            return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case EXDEV:
            return ERROR_NOT_SAME_DEVICE;
        case EBUSY:
            return ERROR_SHARING_VIOLATION;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

}  // namespace platform
