// Windows paths and where they live on the host: each drive letter is a folder under drives/, network
// shares are folders under network/<server>/<share>, every component is matched without regard to case,
// and every long name has a stable 8.3 short name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "windef.h"

namespace platform {

class Machine;

struct WindowsPath {
    char drive = 0;  // upper case; 0 for a network path
    std::string server;
    std::string share;
    std::vector<std::string> components;

    bool IsNetwork() const { return drive == 0; }
    bool IsRoot() const { return components.empty(); }
    // "C:\", "C:\a\b", "\\server\share\a".
    std::string ToString() const;
    WindowsPath Parent() const;
    WindowsPath Child(std::string_view name) const;
};

// Makes a full path of `path` as Windows does: relative to the current folder (or, for "\x", its drive;
// for "D:x", the root of D:), '/' taken as '\', "." and ".." removed, trailing dots and blanks of each
// component dropped. Fails (with the Windows error in `error`) for an empty path or a name that holds
// a character Windows refuses. Wildcards are allowed in the last component when `allowWildcards`.
std::optional<WindowsPath> ParseWindowsPath(std::string_view path, std::string_view currentDirectory,
                                            DWORD* error = nullptr, bool allowWildcards = false);
// The same, relative to this process's current folder.
std::optional<WindowsPath> FullWindowsPath(std::string_view path, DWORD* error = nullptr, bool allowWildcards = false);

struct HostPath {
    std::filesystem::path host;  // the folders that exist as they are named on the host, the rest as asked
    bool exists = false;         // the whole path exists
    bool parentExists = false;   // every folder above it exists
    bool isDirectory = false;
    bool reparsePoint = false;   // the last name is a host link (see below); never a directory then
    WindowsPath longPath;        // with the names as stored (long names for short ones)
};

// Host links. A path never leaves its drive folder (<machine>/drives/<letter>) or share folder
// (<machine>/network/<server>/<share>): names are matched entry by entry without following links, "."
// and ".." never reach the host, and the host path made is checked to lie inside that folder. An entry
// that is a host symbolic link, or anything else that is neither a plain file nor a folder, is what
// Windows calls a reparse point it cannot follow: it is listed with FILE_ATTRIBUTE_REPARSE_POINT (and
// without FILE_ATTRIBUTE_DIRECTORY, since where it leads is never looked at), it can be deleted, renamed
// or moved as an entry of its own, and nothing is ever opened, read, listed or created through it. Such
// paths fail with ERROR_CANT_ACCESS_FILE.

// Where a Windows path lives. Fails with ERROR_PATH_NOT_FOUND for a drive the machine lacks,
// ERROR_BAD_NETPATH for an unknown server or share, ERROR_INVALID_NAME for a name that is no single
// entry, and ERROR_CANT_ACCESS_FILE when any name on it, the last included, is a host link.
std::optional<HostPath> ResolveHostPath(Machine& machine, const WindowsPath& path, DWORD* error = nullptr);
// Parses and resolves in one step.
std::optional<HostPath> ResolveHostPath(std::string_view path, DWORD* error = nullptr);
// The same for the calls that act on an entry itself (attributes, delete, rename): the last name may be
// a host link, which comes back with `reparsePoint` set; a link before it still fails.
std::optional<HostPath> ResolveHostEntry(Machine& machine, const WindowsPath& path, DWORD* error = nullptr);
// Whether a host entry is a link or another entry that is neither a plain file nor a folder (lstat).
bool IsHostReparsePoint(const std::filesystem::path& host);
// Whether `host` lies inside `folder` once both are normalised (`folder` itself counts).
bool LiesInside(const std::filesystem::path& folder, const std::filesystem::path& host);

// The 8.3 name of an entry of a host folder: the name itself when it is a valid 8.3 name, else one
// given once and kept ("PROGRA~1"), so it stays the same while the entry lives.
std::string ShortNameOf(Machine& machine, const std::filesystem::path& hostFolder, const std::string& longName);
bool IsValidShortName(std::string_view name);

// A host folder's entries as listed once. This process keeps a folder's listing while the folder's
// signature (host_signature.h) shows it unchanged, so entries added, removed or renamed by this
// process, by another process of the machine or directly on the host are seen at the next look. Only
// names are kept: what an entry is, is always asked of the host.
class FolderListing {
  public:
    FolderListing(std::filesystem::path hostFolder, std::vector<std::string> names);

    // In byte order, the order in which short names are given; upperNames() and ShortNames() by the
    // same index.
    const std::vector<std::string>& names() const { return names_; }
    const std::vector<std::string>& upperNames() const;
    // The indexes of the entries in the order Windows lists them: by name without regard to case.
    const std::vector<std::size_t>& listingOrder() const;
    // The first entry that `name` names without regard to case.
    std::optional<std::size_t> Find(std::string_view name) const;
    // Every entry's 8.3 name (the name itself when it is one), given once for the listing.
    const std::vector<std::string>& ShortNames(Machine& machine) const;

  private:
    // What only some uses need (the upper-case names, the order, the index) is made on first need, under
    // indexMutex_: a listing looked into once, as a folder just changed is, costs no more than its reading.
    const std::vector<std::string>& UpperNamesLocked() const;

    std::filesystem::path hostFolder_;
    std::vector<std::string> names_;
    mutable std::mutex indexMutex_;
    mutable std::optional<std::vector<std::string>> upperNames_;
    mutable std::optional<std::vector<std::size_t>> listingOrder_;
    mutable std::optional<std::unordered_map<std::string, std::size_t>> byUpperName_;
    mutable bool foundBefore_ = false;
    mutable std::mutex shortNamesMutex_;
    mutable std::optional<std::vector<std::string>> shortNames_;
};

// The entries of a host folder, from this process's listings when the folder is as it was listed.
// A folder that cannot be listed has no entries.
std::shared_ptr<const FolderListing> ListHostFolder(const std::filesystem::path& hostFolder);
// Keeping given 8.3 names right when an entry goes away or moves: the entry's own name in its folder
// is dropped (its new folder gives it one), and the names given inside a folder follow the folder.
void ForgetShortNames(Machine& machine, const std::filesystem::path& host);
void MoveShortNames(Machine& machine, const std::filesystem::path& from, const std::filesystem::path& to);

// A host path inside the machine folder as the machine's tables key it ("drives/c/WINDOWS").
std::string MachineRelativePath(Machine& machine, const std::filesystem::path& host);

// The machine's files change only through the platform (the file calls, the profile writers, the
// restart, TestMachine and winmachine). Each change moves a counter shared by the machine's processes
// on, and what was found out about paths and files is kept while the counter stands still: a data file
// read thousands of times is then looked for without touching the host at all. Code that changes a
// machine's files on the host directly must call this afterwards.
void NoteFilesChanged(Machine& machine);
std::uint64_t FilesGeneration(Machine& machine);

// Creates a Windows folder and its parents in the machine (machine set-up and tools).
void CreateMachineFolder(Machine& machine, std::string_view windowsPath);

}  // namespace platform
