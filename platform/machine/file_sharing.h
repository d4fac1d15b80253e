// Windows' share modes for the files this process has open. Every open registers what it does with
// the file (read, write, delete) and what it lets others do (FILE_SHARE_*); a later open, delete,
// rename or copy that conflicts fails with ERROR_SHARING_VIOLATION. Files are known by host identity
// (device and inode), so a file renamed while open is still the same file. This is the one place
// that decides a conflict, so that sharing can later reach across the processes of a machine.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "windef.h"

namespace platform {

struct FileUse {
    bool read = false;
    bool write = false;
    bool remove = false;  // DELETE access: deleting or renaming
    DWORD shareMode = 0;  // FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
};

// An open registered with the sharing table; the registration ends with the object.
class FileShareRegistration {
  public:
    virtual ~FileShareRegistration() = default;
};

// Registers the use of an existing file; ERROR_SHARING_VIOLATION in `error` and nothing returned when
// it conflicts with an open one.
std::unique_ptr<FileShareRegistration> RegisterFileUse(const std::filesystem::path& host, const FileUse& use,
                                                       DWORD* error);
// ERROR_SHARING_VIOLATION when the use conflicts with an open of the file (or, for a folder, of any
// file below it), else 0. For operations that open nothing lasting: delete, rename, copy.
DWORD CheckFileUse(const std::filesystem::path& host, const FileUse& use);

}  // namespace platform
