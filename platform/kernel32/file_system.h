// What the file-system calls share: resolving a path argument to the host, the last error of a path
// that does not exist, and injected faults.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/machine/files/host_path.h"
#include "windows.h"

struct statx_timestamp;

namespace platform {

// Parses and resolves a path argument. On failure sets the last error (ERROR_INVALID_PARAMETER for
// NULL, ERROR_INVALID_NAME, ERROR_PATH_NOT_FOUND, ERROR_BAD_NETPATH) and returns nothing.
// A path on which any name, the last included, is a host link fails with ERROR_CANT_ACCESS_FILE: what
// it leads to is never opened, read or written (host_path.h).
std::optional<HostPath> ResolvePathArgument(LPCSTR path);
// The same for the calls that act on the entry itself (attributes, delete, remove, move): the last
// name may be a host link, which is given with `reparsePoint` set.
std::optional<HostPath> ResolveEntryArgument(LPCSTR path);

// ERROR_FILE_NOT_FOUND when only the last name is missing, ERROR_PATH_NOT_FOUND when a folder on the
// way is.
DWORD MissingPathError(const HostPath& path);

// Checks the fault rules for the operation on the path (its long form, "C:\WINDOWS\x.ini"); when one
// applies, sets its error as the last error and returns true.
bool FileFaultInjected(const HostPath& path, std::string_view operation);
bool FileFaultInjected(const std::string& longPath, std::string_view operation);

// Whether a path as written ends in '\' or '/'.
bool EndsWithSeparator(std::string_view text);
// A name written with a separator at its end ("C:\dir\file.txt\") names a folder: ERROR_INVALID_NAME
// when it resolves to an existing file, else 0.
DWORD FolderNameError(std::string_view name, const HostPath& path);

// The time of a host file in Windows' form: 100-nanosecond steps since 1601-01-01.
FILETIME ToFileTime(const struct timespec& time);
FILETIME ToFileTime(const struct statx_timestamp& time);

// Windows' name for the failure of a host file operation.
DWORD ErrorFromErrno(int error);

}  // namespace platform
