// Windows' share modes for the files this process has open. Every open registers what it does with
// the file (read, write, delete) and what it lets others do (FILE_SHARE_*); a later open, delete,
// rename or copy that conflicts fails with ERROR_SHARING_VIOLATION. Files are known by host identity
// (device and inode), so a file renamed while open is still the same file. This is the one place
// that decides a conflict.
//
// The opens of a process inside a machine are also written to the machine's state.db (table
// files_in_use, one row per open with the process id), so that the other processes of the machine see
// them; the rows of a process that has ended are dropped by whoever finds them. A test can mark a file
// in use by no process in particular until a moment of the machine's clock.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "windef.h"

namespace platform {

class Machine;

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
// The same for a use the process holds for the machine given (its current folder), registered while
// the process meets its machine; the registration must end before that machine object goes.
std::unique_ptr<FileShareRegistration> RegisterFileUse(Machine& machine, const std::filesystem::path& host,
                                                       const FileUse& use, DWORD* error);
// ERROR_SHARING_VIOLATION when the use conflicts with an open of the file (or, for a folder, of any
// file below it), else 0. For operations that open nothing lasting: delete, rename, copy.
DWORD CheckFileUse(const std::filesystem::path& host, const FileUse& use);

// Marks a file of the machine in use until the machine's clock reaches `untilMilliseconds` (since 1970,
// UTC), as a running program holds its own file: others may read it, not write, delete or rename it.
// False when the file does not exist.
bool MarkFileInUse(Machine& machine, const std::filesystem::path& host, std::int64_t untilMilliseconds);
// Marks a file of the machine in use by a declared process of the machine (process_table.h) for as long
// as that process runs: others may read it, not write, delete or rename it.
bool MarkFileInUseByProcess(Machine& machine, const std::filesystem::path& host, DWORD processId);

}  // namespace platform
