// Open files: CreateFileA and the calls on its handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/kernel32/file_system.h"
#include "platform/machine/files/file_attributes.h"
#include "platform/machine/files/file_sharing.h"
#include "platform/machine/kernel/handle_table.h"
#include "platform/machine/machine.h"

using platform::HostPath;
using platform::Machine;

namespace platform {

namespace {

constexpr DWORD kReadRights = GENERIC_READ | GENERIC_ALL | FILE_READ_DATA;
constexpr DWORD kWriteRights = GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr DWORD kDeleteRights = GENERIC_ALL | DELETE;
// What CreateFileA gives a new file, or an existing one it replaces.
constexpr DWORD kCreationAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

class OpenFileObject : public KernelObject {
  public:
    OpenFileObject(int descriptor, bool canRead, bool canWrite, bool isFolder, std::string longPath,
                   std::unique_ptr<FileShareRegistration> sharing)
        : descriptor_(descriptor),
          canRead_(canRead),
          canWrite_(canWrite),
          isFolder_(isFolder),
          longPath_(std::move(longPath)),
          sharing_(std::move(sharing)) {}
    ~OpenFileObject() override { ::close(descriptor_); }

    int descriptor() const { return descriptor_; }
    bool canRead() const { return canRead_; }
    bool canWrite() const { return canWrite_; }
    // A folder opened with FILE_FLAG_BACKUP_SEMANTICS: its times can be read, its data cannot.
    bool isFolder() const { return isFolder_; }
    const std::string& longPath() const { return longPath_; }

  private:
    int descriptor_;
    bool canRead_;
    bool canWrite_;
    bool isFolder_;
    std::string longPath_;
    std::unique_ptr<FileShareRegistration> sharing_;
};

std::shared_ptr<OpenFileObject> FileFromHandle(HANDLE handle) {
    std::shared_ptr<OpenFileObject> file = ProcessHandles().Lookup<OpenFileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

// The open file of a handle that was opened for writing; null (last error set) otherwise.
std::shared_ptr<OpenFileObject> WritableFileFromHandle(HANDLE handle) {
    std::shared_ptr<OpenFileObject> file = FileFromHandle(handle);
    if (file && !file->canWrite()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return file;
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

bool IsValidDisposition(DWORD disposition) {
    return disposition >= CREATE_NEW && disposition <= TRUNCATE_EXISTING;
}

// The checks Windows makes before it opens or replaces an existing file; 0 when the open may go on.
DWORD CheckExistingFile(Machine& machine, const HostPath& path, DWORD disposition, bool write,
                        DWORD flagsAndAttributes) {
    if (disposition == CREATE_NEW) return ERROR_FILE_EXISTS;
    if (path.isDirectory) {
        // Only NT hands out folder handles, and only to callers that ask with backup semantics.
        bool opens = machine.IsNT() && (flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) &&
                     (disposition == OPEN_EXISTING || disposition == OPEN_ALWAYS);
        return opens ? 0 : ERROR_ACCESS_DENIED;
    }
    bool replaces = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if ((write || replaces) && IsReadOnlyOnHost(path.host)) return ERROR_ACCESS_DENIED;
    if (disposition == CREATE_ALWAYS) {
        // Replacing a hidden or system file needs the caller to ask for those attributes again.
        DWORD attributes = ReadFileAttributes(machine, path.host);
        DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if ((kept & flagsAndAttributes) != kept) return ERROR_ACCESS_DENIED;
    }
    return 0;
}

// The attributes of a file CreateFileA has just created or replaced: the ones asked for, and ARCHIVE,
// which Windows sets on every file whose contents are new.
DWORD NewFileAttributes(DWORD flagsAndAttributes) {
    return (flagsAndAttributes & kCreationAttributes) | FILE_ATTRIBUTE_ARCHIVE;
}

bool CreatesMissingFile(DWORD disposition) {
    return disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
}

}  // namespace

}  // namespace platform

extern "C" HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    (void)lpSecurityAttributes;
    (void)hTemplateFile;
    using namespace platform;
    bool read = (dwDesiredAccess & kReadRights) != 0;
    bool write = (dwDesiredAccess & kWriteRights) != 0;
    bool remove = (dwDesiredAccess & kDeleteRights) != 0;
    if (!IsValidDisposition(dwCreationDisposition)) return Fail(ERROR_INVALID_PARAMETER);
    if (dwCreationDisposition == TRUNCATE_EXISTING && !write) return Fail(ERROR_INVALID_PARAMETER);
    std::optional<HostPath> path = ResolvePathArgument(lpFileName);
    if (!path) return INVALID_HANDLE_VALUE;
    if (FileFaultInjected(*path, "open")) return INVALID_HANDLE_VALUE;
    Machine& machine = Machine::Current();
    // A name ending in a separator must name a folder: it neither opens nor creates a file.
    if (DWORD error = FolderNameError(lpFileName, *path)) return Fail(error);
    if (!path->exists && path->parentExists && EndsWithSeparator(lpFileName) &&
        CreatesMissingFile(dwCreationDisposition)) {
        return Fail(ERROR_INVALID_NAME);
    }
    FileUse use{read, write, remove, dwShareMode};
    bool existed = path->exists;
    bool folder = existed && path->isDirectory;
    // A host link is refused when the path is resolved; O_NOFOLLOW keeps one made since then unfollowed.
    int flags = O_CLOEXEC | O_NOFOLLOW | (folder ? O_RDONLY | O_DIRECTORY : write ? O_RDWR : O_RDONLY);
    std::unique_ptr<FileShareRegistration> sharing;
    int descriptor = -1;
    bool replaces = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
    if (existed) {
        if (DWORD error =
                CheckExistingFile(machine, *path, dwCreationDisposition, write, dwFlagsAndAttributes)) {
            return Fail(error);
        }
        DWORD error = 0;
        sharing = RegisterFileUse(path->host, use, &error);
        if (!sharing) return Fail(error);
        descriptor = ::open(path->host.c_str(), flags | (replaces ? O_TRUNC : 0));
        if (descriptor < 0) return Fail(ErrorFromErrno(errno));
        if (dwCreationDisposition == CREATE_ALWAYS) {
            // Windows replaces the old attributes with the ones asked for.
            WriteFileAttributes(machine, path->host, NewFileAttributes(dwFlagsAndAttributes));
        } else if (dwCreationDisposition == TRUNCATE_EXISTING) {
            // Emptying a file keeps its attributes; its contents changed, so it is due for backup.
            WriteFileAttributes(machine, path->host,
                                ReadFileAttributes(machine, path->host) | FILE_ATTRIBUTE_ARCHIVE);
        }
    } else {
        if (!path->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
        if (!CreatesMissingFile(dwCreationDisposition)) return Fail(ERROR_FILE_NOT_FOUND);
        descriptor = ::open(path->host.c_str(), flags | O_CREAT | O_EXCL, 0666);
        if (descriptor < 0) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno));
        ShortNameOf(machine, path->host.parent_path(), path->host.filename().string());
        WriteFileAttributes(machine, path->host, NewFileAttributes(dwFlagsAndAttributes));
        DWORD error = 0;
        sharing = RegisterFileUse(path->host, use, &error);
    }
    if (!existed || replaces) NoteFilesChanged(machine);
    auto file = std::make_shared<OpenFileObject>(descriptor, read, write, folder, path->longPath.ToString(),
                                                 std::move(sharing));
    HANDLE handle = ProcessHandles().Insert(std::move(file));
    bool reportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(existed && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

namespace platform {
namespace {

// The open file of a ReadFile or WriteFile, once the arguments, the handle's access and the faults allow
// the transfer; null with the last error set otherwise. The count of bytes done starts at 0.
std::shared_ptr<OpenFileObject> FileForTransfer(HANDLE hFile, LPCVOID buffer, DWORD size, LPDWORD done,
                                                LPOVERLAPPED overlapped, bool writing) {
    std::shared_ptr<OpenFileObject> file = FileFromHandle(hFile);
    if (!file) return nullptr;
    if (done) *done = 0;
    if ((!done && !overlapped) || (!buffer && size > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!(writing ? file->canWrite() : file->canRead())) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (file->isFolder()) {
        // A folder has no data of its own to read or write.
        SetLastError(ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    if (FileFaultInjected(file->longPath(), writing ? "write" : "read")) return nullptr;
    return file;
}

}  // namespace
}  // namespace platform

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file =
        FileForTransfer(hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped, false);
    if (!file) return FALSE;
    auto* bytes = static_cast<char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToRead) {
        ssize_t count = ::read(file->descriptor(), bytes + done, nNumberOfBytesToRead - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            SetLastError(ErrorFromErrno(errno));
            return FALSE;
        }
        if (count == 0) break;
        done += static_cast<DWORD>(count);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return TRUE;
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file =
        FileForTransfer(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten, lpOverlapped, true);
    if (!file) return FALSE;
    const auto* bytes = static_cast<const char*>(lpBuffer);
    DWORD done = 0;
    while (done < nNumberOfBytesToWrite) {
        ssize_t count = ::write(file->descriptor(), bytes + done, nNumberOfBytesToWrite - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) {
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
            SetLastError(count < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL);
            return FALSE;
        }
        done += static_cast<DWORD>(count);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = done;
    if (done > 0) NoteFilesChanged(Machine::Current());
    return TRUE;
}

extern "C" DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file = FileFromHandle(hFile);
    if (!file) return INVALID_FILE_SIZE;
    struct stat info;
    if (::fstat(file->descriptor(), &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    auto size = file->isFolder() ? 0 : static_cast<std::uint64_t>(info.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    auto low = static_cast<DWORD>(size & 0xFFFFFFFFu);
    // A size whose low part looks like the failure value is told apart by a cleared last error.
    if (low == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return low;
}

extern "C" DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                       DWORD dwMoveMethod) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file = FileFromHandle(hFile);
    if (!file) return INVALID_SET_FILE_POINTER;
    int whence = dwMoveMethod == FILE_BEGIN     ? SEEK_SET
                 : dwMoveMethod == FILE_CURRENT ? SEEK_CUR
                 : dwMoveMethod == FILE_END     ? SEEK_END
                                                : -1;
    if (whence < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit number.
    std::int64_t distance =
        lpDistanceToMoveHigh
            ? static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(static_cast<DWORD>(*lpDistanceToMoveHigh)) << 32) |
                  static_cast<DWORD>(lDistanceToMove))
            : static_cast<std::int64_t>(lDistanceToMove);
    std::int64_t base = 0;
    if (whence == SEEK_CUR) base = ::lseek(file->descriptor(), 0, SEEK_CUR);
    if (whence == SEEK_END) {
        struct stat info;
        if (::fstat(file->descriptor(), &info) == 0) base = info.st_size;
    }
    std::int64_t target = base + distance;
    if (target < 0) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    if (!lpDistanceToMoveHigh && target > 0xFFFFFFFELL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (::lseek(file->descriptor(), static_cast<off_t>(target), SEEK_SET) < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(target) >> 32);
    auto low = static_cast<DWORD>(static_cast<std::uint64_t>(target) & 0xFFFFFFFFu);
    if (low == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
    return low;
}

extern "C" BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file = WritableFileFromHandle(hFile);
    if (!file) return FALSE;
    if (FileFaultInjected(file->longPath(), "write")) return FALSE;
    off_t position = ::lseek(file->descriptor(), 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(file->descriptor(), position) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    NoteFilesChanged(Machine::Current());
    return TRUE;
}

extern "C" BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file = WritableFileFromHandle(hFile);
    if (!file) return FALSE;
    if (::fsync(file->descriptor()) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

namespace platform {

FILETIME ToFileTime(const struct timespec& time) {
    // FILETIME counts 100-nanosecond steps from 1601-01-01; the host counts from 1970-01-01.
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
    std::int64_t ticks = (static_cast<std::int64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000LL +
                         static_cast<std::int64_t>(time.tv_nsec) / 100;
    if (ticks < 0) ticks = 0;
    FILETIME result;
    result.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(ticks) >> 32);
    return result;
}

FILETIME ToFileTime(const struct statx_timestamp& time) {
    struct timespec converted;
    converted.tv_sec = time.tv_sec;
    converted.tv_nsec = time.tv_nsec;
    return ToFileTime(converted);
}

}  // namespace platform

extern "C" BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                                   LPFILETIME lpLastWriteTime) {
    using namespace platform;
    std::shared_ptr<OpenFileObject> file = FileFromHandle(hFile);
    if (!file) return FALSE;
    struct statx info;
    if (::statx(file->descriptor(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    // A host that does not keep a birth time gives the last change of the contents instead.
    bool hasBirth = (info.stx_mask & STATX_BTIME) != 0;
    if (lpCreationTime) *lpCreationTime = ToFileTime(hasBirth ? info.stx_btime : info.stx_mtime);
    if (lpLastAccessTime) *lpLastAccessTime = ToFileTime(info.stx_atime);
    if (lpLastWriteTime) *lpLastWriteTime = ToFileTime(info.stx_mtime);
    return TRUE;
}
