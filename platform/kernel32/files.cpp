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
    OpenFileObject(int descriptor, bool canRead, bool canWrite, std::string longPath,
                   std::unique_ptr<FileShareRegistration> sharing)
        : descriptor_(descriptor),
          canRead_(canRead),
          canWrite_(canWrite),
          longPath_(std::move(longPath)),
          sharing_(std::move(sharing)) {}
    ~OpenFileObject() override { ::close(descriptor_); }

    int descriptor() const { return descriptor_; }
    bool canRead() const { return canRead_; }
    bool canWrite() const { return canWrite_; }
    const std::string& longPath() const { return longPath_; }

  private:
    int descriptor_;
    bool canRead_;
    bool canWrite_;
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
    if (path.isDirectory) return ERROR_ACCESS_DENIED;
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
    FileUse use{read, write, remove, dwShareMode};
    bool existed = path->exists;
    // A host link is refused when the path is resolved; O_NOFOLLOW keeps one made since then unfollowed.
    int flags = O_CLOEXEC | O_NOFOLLOW | (write ? O_RDWR : O_RDONLY);
    std::unique_ptr<FileShareRegistration> sharing;
    int descriptor = -1;
    if (existed) {
        if (DWORD error =
                CheckExistingFile(machine, *path, dwCreationDisposition, write, dwFlagsAndAttributes)) {
            return Fail(error);
        }
        DWORD error = 0;
        sharing = RegisterFileUse(path->host, use, &error);
        if (!sharing) return Fail(error);
        bool replaces = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING;
        descriptor = ::open(path->host.c_str(), flags | (replaces ? O_TRUNC : 0));
        if (descriptor < 0) return Fail(ErrorFromErrno(errno));
        if (dwCreationDisposition == CREATE_ALWAYS) {
            // Windows replaces the old attributes with the ones asked for.
            WriteFileAttributes(machine, path->host, dwFlagsAndAttributes & kCreationAttributes);
        }
    } else {
        if (!path->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
        if (dwCreationDisposition == OPEN_EXISTING || dwCreationDisposition == TRUNCATE_EXISTING) {
            return Fail(ERROR_FILE_NOT_FOUND);
        }
        descriptor = ::open(path->host.c_str(), flags | O_CREAT | O_EXCL, 0666);
        if (descriptor < 0) return Fail(errno == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(errno));
        ShortNameOf(machine, path->host.parent_path(), path->host.filename().string());
        if (DWORD attributes = dwFlagsAndAttributes & kCreationAttributes) {
            WriteFileAttributes(machine, path->host, attributes);
        }
        DWORD error = 0;
        sharing = RegisterFileUse(path->host, use, &error);
    }
    if (!existed || dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
        NoteFilesChanged(machine);
    }
    auto file = std::make_shared<OpenFileObject>(descriptor, read, write, path->longPath.ToString(),
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
    auto size = static_cast<std::uint64_t>(info.st_size);
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
