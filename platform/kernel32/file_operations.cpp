// Attributes, deleting, copying and moving files, and creating and removing folders.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <optional>

#include "platform/kernel32/file_system.h"
#include "platform/machine/files/file_attributes.h"
#include "platform/machine/files/file_sharing.h"
#include "platform/machine/kernel/counted_answers.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"

using platform::HostPath;
using platform::Machine;

namespace {

// GetFileAttributesA's answers while neither the machine's files nor their stored attributes change:
// programs look for their data files in several folders at every lookup. Faults are still checked
// on every call.
struct AttributeAnswer {
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    DWORD error = 0;
    std::string longPath;  // empty when the path could not be resolved
};

using AttributeAnswers = platform::CountedAnswers<AttributeAnswer, 2>;

AttributeAnswers& Attributes() {
    static AttributeAnswers* answers =
        new AttributeAnswers({platform::SharedCounter::Files, platform::SharedCounter::FileAttributes});
    return *answers;
}

// The key: the name as given and, since it may be relative, the current folder.
std::string AttributeKey(LPCSTR name) {
    return std::string(name) + '|' + platform::CurrentProcess().currentDirectory();
}

DWORD AnswerAttributes(const AttributeAnswer& answer) {
    if (!answer.longPath.empty() && platform::FileFaultInjected(answer.longPath, "attributes")) {
        return INVALID_FILE_ATTRIBUTES;
    }
    if (answer.attributes == INVALID_FILE_ATTRIBUTES) SetLastError(answer.error);
    return answer.attributes;
}

}  // namespace

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
    if (!lpFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    Machine& machine = Machine::Current();
    AttributeAnswers& answers = Attributes();
    std::string key = AttributeKey(lpFileName);
    if (std::optional<AttributeAnswer> known = answers.Find(machine, key)) return AnswerAttributes(*known);

    AttributeAnswers::Generations before = answers.Read(machine);
    AttributeAnswer answer;
    std::optional<HostPath> path = platform::ResolveEntryArgument(lpFileName);
    if (!path) {
        answer.error = GetLastError();
    } else {
        answer.longPath = path->longPath.ToString();
        if (DWORD error = platform::FolderNameError(lpFileName, *path)) {
            answer.error = error;
        } else if (!path->exists) {
            answer.error = platform::MissingPathError(*path);
        } else if (path->reparsePoint) {
            answer.attributes = FILE_ATTRIBUTE_REPARSE_POINT;
        } else {
            answer.attributes = platform::ReadFileAttributes(machine, path->host);
            if (answer.attributes == INVALID_FILE_ATTRIBUTES) answer.error = ERROR_FILE_NOT_FOUND;
        }
    }
    answers.Keep(machine, before, key, answer);
    return AnswerAttributes(answer);
}

extern "C" BOOL WINAPI SetFileAttributesA(LPCSTR lpFileName, DWORD dwFileAttributes) {
    std::optional<HostPath> path = platform::ResolveEntryArgument(lpFileName);
    if (!path) return FALSE;
    if (platform::FileFaultInjected(*path, "setattributes")) return FALSE;
    if (DWORD error = platform::FolderNameError(lpFileName, *path)) {
        SetLastError(error);
        return FALSE;
    }
    if (!path->exists) {
        SetLastError(platform::MissingPathError(*path));
        return FALSE;
    }
    // A host link keeps no attributes but the one that makes it a reparse point; what it leads to is
    // left alone.
    if (path->reparsePoint) return TRUE;
    if (!platform::WriteFileAttributes(Machine::Current(), path->host, dwFileAttributes)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

namespace platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

bool SameVolume(const HostPath& left, const HostPath& right) {
    const WindowsPath& a = left.longPath;
    const WindowsPath& b = right.longPath;
    if (a.drive != b.drive) return false;
    if (!a.IsNetwork()) return true;
    return EqualsNoCase(a.server, b.server) && EqualsNoCase(a.share, b.share);
}

bool SameEntry(const HostPath& left, const HostPath& right) {
    std::error_code error;
    if (left.reparsePoint || right.reparsePoint) return left.host == right.host;
    return left.exists && right.exists && std::filesystem::equivalent(left.host, right.host, error);
}

// Whether the folder is this process's current folder. Windows holds every process's current folder
// open; the holds of the machine's other processes are among its open files (CheckFileUse).
bool IsCurrentFolder(const HostPath& folder) {
    std::optional<HostPath> current = ResolveHostPath(CurrentProcess().currentDirectory());
    return current && SameEntry(*current, folder);
}

bool FolderIsReadOnly(Machine& machine, const HostPath& path) {
    return (ReadFileAttributes(machine, path.host) & FILE_ATTRIBUTE_READONLY) != 0;
}

// Copies a file's contents, host permission and last-write time, as CopyFileA does.
DWORD CopyHostFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    NoteFilesChanged(Machine::Current());
    if (error) return ErrorFromErrno(error.value());
    fs::permissions(to, fs::status(from, error).permissions(), error);
    fs::file_time_type written = fs::last_write_time(from, error);
    if (!error) fs::last_write_time(to, written, error);
    return 0;
}

// The checks CopyFileA and MoveFileExA make on a destination that exists; 0 when it may be replaced.
DWORD CheckReplaceable(const HostPath& destination) {
    if (destination.isDirectory) return ERROR_ACCESS_DENIED;
    if (!destination.reparsePoint && IsReadOnlyOnHost(destination.host)) return ERROR_ACCESS_DENIED;
    return CheckFileUse(destination.host, FileUse{false, true, true, 0});
}

BOOL CopyFile(LPCSTR existingName, LPCSTR newName, bool failIfExists) {
    std::optional<HostPath> source = ResolvePathArgument(existingName);
    if (!source) return FALSE;
    std::optional<HostPath> destination = ResolvePathArgument(newName);
    if (!destination) return FALSE;
    if (FileFaultInjected(*source, "copy") || FileFaultInjected(*destination, "copy")) return FALSE;
    if (!source->exists) return Fail(MissingPathError(*source));
    if (source->isDirectory) return Fail(ERROR_ACCESS_DENIED);
    if (DWORD error =
            CheckFileUse(source->host, FileUse{true, false, false, FILE_SHARE_READ | FILE_SHARE_DELETE})) {
        return Fail(error);
    }
    if (!destination->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
    if (destination->exists) {
        if (failIfExists) return Fail(ERROR_FILE_EXISTS);
        if (SameEntry(*source, *destination)) return Fail(ERROR_SHARING_VIOLATION);
        if (DWORD error = CheckReplaceable(*destination)) return Fail(error);
    }
    Machine& machine = Machine::Current();
    if (DWORD error = CopyHostFile(source->host, destination->host)) return Fail(error);
    CopyEntryAttributes(machine, source->host, destination->host);
    if (!destination->exists) {
        ShortNameOf(machine, destination->host.parent_path(), destination->host.filename().string());
    }
    return TRUE;
}

// Records a move or delete for the next start; the paths are kept in their full long form.
BOOL DelayUntilReboot(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    Machine& machine = Machine::Current();
    if (flags & MOVEFILE_COPY_ALLOWED) return Fail(ERROR_INVALID_PARAMETER);
    if (!machine.settings().administrator) return Fail(ERROR_ACCESS_DENIED);
    std::optional<HostPath> source = ResolveEntryArgument(existingName);
    if (!source) return FALSE;
    std::string destination;
    if (newName) {
        std::optional<HostPath> target = ResolveEntryArgument(newName);
        if (!target) return FALSE;
        destination = target->longPath.ToString();
    }
    if (FileFaultInjected(*source, "move")) return FALSE;
    AddBootOperation(machine, BootOperation{source->longPath.ToString(), destination, flags});
    return TRUE;
}

BOOL MoveFile(LPCSTR existingName, LPCSTR newName, DWORD flags) {
    if (!existingName) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) return DelayUntilReboot(existingName, newName, flags);
    if (!newName) return Fail(ERROR_INVALID_PARAMETER);
    // A host link is moved, or replaced, as an entry of its own.
    std::optional<HostPath> source = ResolveEntryArgument(existingName);
    if (!source) return FALSE;
    std::optional<HostPath> destination = ResolveEntryArgument(newName);
    if (!destination) return FALSE;
    if (FileFaultInjected(*source, "move") || FileFaultInjected(*destination, "move")) return FALSE;
    if (!source->exists) return Fail(MissingPathError(*source));
    if (source->longPath.IsRoot()) return Fail(ERROR_ACCESS_DENIED);
    if (!destination->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
    Machine& machine = Machine::Current();
    namespace fs = std::filesystem;
    FileUse removing{false, false, true, kShareAll};
    if (SameEntry(*source, *destination)) {
        // The same entry under another spelling: only the case of its name changes.
        if (DWORD error = CheckFileUse(source->host, removing)) return Fail(error);
        std::optional<WindowsPath> asked = FullWindowsPath(newName);
        if (!asked || asked->components.empty()) return Fail(ERROR_ACCESS_DENIED);
        fs::path renamed = source->host.parent_path() / asked->components.back();
        if (renamed != source->host) {
            if (std::rename(source->host.c_str(), renamed.c_str()) != 0) return Fail(ErrorFromErrno(errno));
            NoteFilesChanged(machine);
            MoveEntry(machine, source->host, renamed);
        }
        return TRUE;
    }
    if (destination->exists) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
        if (source->isDirectory) return Fail(ERROR_ACCESS_DENIED);
        if (DWORD error = CheckReplaceable(*destination)) return Fail(error);
    }
    if (DWORD error = CheckFileUse(source->host, removing)) return Fail(error);
    if (!SameVolume(*source, *destination)) {
        if (source->isDirectory || !(flags & MOVEFILE_COPY_ALLOWED)) return Fail(ERROR_NOT_SAME_DEVICE);
        // A copy would read or write through the link.
        if (source->reparsePoint || destination->reparsePoint) return Fail(ERROR_CANT_ACCESS_FILE);
        if (DWORD error = CopyHostFile(source->host, destination->host)) return Fail(error);
        CopyEntryAttributes(machine, source->host, destination->host);
        std::error_code error;
        fs::remove(source->host, error);
        NoteFilesChanged(machine);
        ForgetEntry(machine, source->host);
    } else {
        if (std::rename(source->host.c_str(), destination->host.c_str()) != 0)
            return Fail(ErrorFromErrno(errno));
        NoteFilesChanged(machine);
        MoveEntry(machine, source->host, destination->host);
    }
    ShortNameOf(machine, destination->host.parent_path(), destination->host.filename().string());
    return TRUE;
}

}  // namespace

}  // namespace platform

extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
    using namespace platform;
    // Deleting a host link deletes the link, never what it leads to.
    std::optional<HostPath> path = ResolveEntryArgument(lpFileName);
    if (!path) return FALSE;
    if (FileFaultInjected(*path, "delete")) return FALSE;
    if (DWORD error = FolderNameError(lpFileName, *path)) return Fail(error);
    if (!path->exists) return Fail(MissingPathError(*path));
    if (path->isDirectory || (!path->reparsePoint && IsReadOnlyOnHost(path->host)))
        return Fail(ERROR_ACCESS_DENIED);
    Machine& machine = Machine::Current();
    // Windows 95, 98 and Me delete a file even while it is open.
    if (machine.IsNT()) {
        if (DWORD error = CheckFileUse(path->host, FileUse{false, false, true, kShareAll}))
            return Fail(error);
    }
    if (::unlink(path->host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
    NoteFilesChanged(machine);
    ForgetEntry(machine, path->host);
    return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    (void)lpSecurityAttributes;
    using namespace platform;
    std::optional<HostPath> path = ResolveEntryArgument(lpPathName);
    if (!path) return FALSE;
    if (FileFaultInjected(*path, "createdirectory")) return FALSE;
    if (path->exists) return Fail(ERROR_ALREADY_EXISTS);
    if (!path->parentExists) return Fail(ERROR_PATH_NOT_FOUND);
    if (::mkdir(path->host.c_str(), 0777) != 0) return Fail(ErrorFromErrno(errno));
    NoteFilesChanged(Machine::Current());
    ShortNameOf(Machine::Current(), path->host.parent_path(), path->host.filename().string());
    return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
    using namespace platform;
    std::optional<HostPath> path = ResolveEntryArgument(lpPathName);
    if (!path) return FALSE;
    if (FileFaultInjected(*path, "removedirectory")) return FALSE;
    if (!path->exists) return Fail(MissingPathError(*path));
    Machine& machine = Machine::Current();
    // A host link goes as Windows removes a junction: the link alone, whatever it leads to.
    if (path->reparsePoint) {
        if (::unlink(path->host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
        NoteFilesChanged(machine);
        ForgetEntry(machine, path->host);
        return TRUE;
    }
    if (!path->isDirectory) return Fail(ERROR_DIRECTORY);
    if (path->longPath.IsRoot() || FolderIsReadOnly(machine, *path)) return Fail(ERROR_ACCESS_DENIED);
    // Removing opens the folder for deletion, which a current folder (held open by its process, this
    // one or another of the machine) and a handle to the folder without FILE_SHARE_DELETE refuse.
    if (IsCurrentFolder(*path)) return Fail(ERROR_SHARING_VIOLATION);
    std::error_code error;
    if (!std::filesystem::is_empty(path->host, error)) return Fail(ERROR_DIR_NOT_EMPTY);
    if (DWORD sharing = CheckFileUse(path->host, FileUse{false, false, true, kShareAll})) return Fail(sharing);
    if (::rmdir(path->host.c_str()) != 0) return Fail(ErrorFromErrno(errno));
    NoteFilesChanged(machine);
    ForgetEntry(machine, path->host);
    return TRUE;
}

extern "C" BOOL WINAPI CopyFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    return platform::CopyFile(lpExistingFileName, lpNewFileName, bFailIfExists != FALSE);
}

extern "C" BOOL WINAPI MoveFileA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    return platform::MoveFile(lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

extern "C" BOOL WINAPI MoveFileExA(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, DWORD dwFlags) {
    // Windows 95, 98 and Me have the entry point but not the call: their programs write WININIT.INI.
    if (!platform::Machine::Current().IsNT()) return platform::Fail(ERROR_CALL_NOT_IMPLEMENTED);
    return platform::MoveFile(lpExistingFileName, lpNewFileName, dwFlags);
}
