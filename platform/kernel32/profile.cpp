// The profile (INI file) functions. Files are parsed once and kept while they do not change
// (IniFileCache); writes edit the lines of the file and keep every line they do not touch, and replace
// the file at once, so that a write cut short leaves the old file or the new one and never a part.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/kernel32/file_system.h"
#include "platform/machine/host_file.h"
#include "platform/machine/files/file_attributes.h"
#include "platform/machine/files/ini_document.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "windows.h"

using platform::FileDescriptor;
using platform::IniDocument;
using platform::IniFileCache;
using platform::IniReading;

namespace {

constexpr char kWinIni[] = "WIN.INI";

// A file named without any folder lives in the Windows folder; any other name is a path, relative to
// the current folder unless it is full. A missing name means WIN.INI.
std::string ProfilePathOf(LPCSTR lpFileName) {
    std::string name = lpFileName ? lpFileName : kWinIni;
    if (name.find_first_of("\\/:") != std::string::npos) return name;
    std::string windowsFolder = platform::Machine::Current().settings().windowsFolder;
    if (!windowsFolder.empty() && windowsFolder.back() != '\\') windowsFolder += '\\';
    return windowsFolder + name;
}

std::optional<platform::HostPath> ResolveProfileFile(LPCSTR lpFileName) {
    return platform::ResolvePathArgument(ProfilePathOf(lpFileName).c_str());
}

IniReading MachineReading() {
    return platform::IniReadingOf(platform::Machine::Current());
}

// Where the files read last were found. A data file is read thousands of times; finding it again
// through the drives each time would cost more than the lookup. An entry is good while its host
// file can be read; when it cannot, the name is resolved afresh.
class ResolvedFiles {
  public:
    static ResolvedFiles& Instance() {
        static ResolvedFiles* files = new ResolvedFiles();
        return *files;
    }

    // The key: the machine, the path and, for a relative path, the current folder it is relative to.
    static std::string KeyOf(LPCSTR lpFileName) {
        std::string path = ProfilePathOf(lpFileName);
        bool full =
            (path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
            (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/'));
        std::string key = platform::Machine::Current().folder().native() + '|' + path;
        if (!full) key += '|' + platform::CurrentProcess().currentDirectory();
        return key;
    }

    std::optional<platform::HostPath> Find(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = paths_.find(key);
        if (found == paths_.end()) return std::nullopt;
        return found->second;
    }
    void Remember(const std::string& key, const platform::HostPath& path) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (paths_.size() >= kMaximumEntries) paths_.clear();
        paths_[key] = path;
    }
    void Forget(const std::string& key) {
        std::lock_guard<std::mutex> lock(mutex_);
        paths_.erase(key);
    }

  private:
    static constexpr std::size_t kMaximumEntries = 256;
    std::mutex mutex_;
    std::unordered_map<std::string, platform::HostPath> paths_;
};

// The parsed file for a read, or null with the last error set (ERROR_FILE_NOT_FOUND for a missing
// file); the callers then answer as for an empty file.
std::shared_ptr<const IniDocument> OpenForRead(LPCSTR lpFileName) {
    ResolvedFiles& resolved = ResolvedFiles::Instance();
    std::string key = ResolvedFiles::KeyOf(lpFileName);
    IniReading reading = MachineReading();
    if (std::optional<platform::HostPath> known = resolved.Find(key)) {
        if (platform::FileFaultInjected(*known, "read")) return nullptr;
        std::shared_ptr<const IniDocument> document = IniFileCache::Instance().Load(known->host, reading);
        if (document) return document;
        resolved.Forget(key);
    }
    std::optional<platform::HostPath> path = ResolveProfileFile(lpFileName);
    if (!path) return nullptr;
    if (path->isDirectory) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (platform::FileFaultInjected(*path, "read")) return nullptr;
    if (!path->exists) {
        SetLastError(platform::MissingPathError(*path));
        return nullptr;
    }
    int hostError = 0;
    std::shared_ptr<const IniDocument> document =
        IniFileCache::Instance().Load(path->host, reading, &hostError);
    if (!document) {
        SetLastError(platform::ErrorFromErrno(hostError));
        return nullptr;
    }
    resolved.Remember(key, *path);
    return document;
}

// One string into the caller's buffer: truncated to size - 1 characters and terminated when it does
// not fit, and then the length copied is returned with ERROR_MORE_DATA.
DWORD CopyString(std::string_view text, LPSTR buffer, DWORD size) {
    if (size == 0) {
        SetLastError(ERROR_MORE_DATA);
        return 0;
    }
    if (text.size() < size) {
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = '\0';
        return static_cast<DWORD>(text.size());
    }
    std::memcpy(buffer, text.data(), size - 1);
    buffer[size - 1] = '\0';
    SetLastError(ERROR_MORE_DATA);
    return size - 1;
}

// A list of strings, each ended by a NUL and the list by a second one. When it does not fit, the list is
// cut at size - 2 characters, ended by two NULs, and size - 2 is returned; a buffer of fewer than two
// characters receives nothing but a NUL.
DWORD CopyList(const std::vector<std::string_view>& items, LPSTR buffer, DWORD size) {
    std::string list;
    for (std::string_view item : items) {
        list.append(item);
        list.push_back('\0');
    }
    if (list.size() + 1 <= size && (!list.empty() || size >= 2)) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty()) buffer[1] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        if (size == 1) buffer[0] = '\0';
        if (!list.empty()) SetLastError(ERROR_MORE_DATA);
        return 0;
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    SetLastError(ERROR_MORE_DATA);
    return size - 2;
}

std::vector<std::string_view> SectionNames(const IniDocument* document) {
    std::vector<std::string_view> names;
    if (!document) return names;
    for (const IniDocument::Section& section : document->sections()) names.push_back(section.name);
    return names;
}

// The keys of the section's first occurrence; lines without '=' are not keys to list.
std::vector<std::string_view> KeyNames(const IniDocument* document, std::string_view section) {
    std::vector<std::string_view> names;
    const IniDocument::Section* found = document ? document->FindSection(section) : nullptr;
    if (!found) return names;
    for (const IniDocument::Entry& entry : found->entries) {
        if (entry.hasEquals) names.push_back(entry.name);
    }
    return names;
}

// The value a lookup gives: the first key of the first section of that name, quotes removed. A line
// without '=' names no value.
std::optional<std::string_view> LookUp(const IniDocument* document, LPCSTR lpAppName, LPCSTR lpKeyName) {
    if (!document) return std::nullopt;
    const IniDocument::Entry* entry =
        document->FindEntry(platform::TrimSpaces(lpAppName), platform::TrimSpaces(lpKeyName));
    if (!entry || !entry->hasEquals) return std::nullopt;
    return platform::StripQuotes(entry->value);
}

// Windows' reading of a number: an optional sign and the decimal digits that follow it, in 32 bits.
UINT ParseProfileInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    UINT value = 0;
    for (char character : text) {
        if (character < '0' || character > '9') break;
        value = value * 10 + static_cast<UINT>(character - '0');
    }
    return negative ? 0u - value : value;
}

bool ReadDescriptor(int descriptor, std::string& text) {
    char block[65536];
    for (;;) {
        ssize_t count = ::read(descriptor, block, sizeof block);
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (count == 0) return true;
        text.append(block, static_cast<std::size_t>(count));
    }
}

bool WriteDescriptor(int descriptor, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t count = ::write(descriptor, text.data() + written, text.size() - written);
        if (count < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    return true;
}

// Writes the bytes to a new file in the target's folder and returns its path, or nothing with the
// host's error in `hostError`. Its name is a valid 8.3 name, so a folder listing that sees it meanwhile
// records no short name for it; `mode`, when given, is the permission of the file it replaces.
std::optional<std::filesystem::path> WriteFileBeside(const std::filesystem::path& target, const std::string& bytes,
                                                     std::optional<mode_t> mode, int& hostError) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 64; ++attempt) {
        unsigned number = (static_cast<unsigned>(::getpid()) * 40503u + counter++) & 0xFFFFFu;
        char name[16];
        std::snprintf(name, sizeof name, "~PF%05X.TMP", number);
        std::filesystem::path temporary = target.parent_path() / name;
        FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file.get() < 0) {
            if (errno == EEXIST) continue;
            hostError = errno;
            return std::nullopt;
        }
        bool written = (!mode || ::fchmod(file.get(), *mode) == 0) && WriteDescriptor(file.get(), bytes) &&
                       ::fdatasync(file.get()) == 0;
        if (!written) {
            hostError = errno;
            ::unlink(temporary.c_str());
            return std::nullopt;
        }
        return temporary;
    }
    hostError = EEXIST;
    return std::nullopt;
}

BOOL FailWithHostError(int hostError) {
    SetLastError(platform::ErrorFromErrno(hostError));
    return FALSE;
}

enum class EditKind { Adds, Removes };
using Edit = std::function<std::optional<std::string>(const IniDocument&)>;

// Applies an edit to the file under an exclusive lock, so that writers in several processes lose no
// update. The edited file is written beside the old one and renamed over it: the path keeps what the
// machine records for it (attributes, 8.3 name) and its permission, and readers see the old file or
// the new one. A removal from a file that does not exist leaves it missing.
BOOL EditProfileFile(LPCSTR lpFileName, EditKind kind, const Edit& edit) {
    std::optional<platform::HostPath> path = ResolveProfileFile(lpFileName);
    if (!path) return FALSE;
    if (path->isDirectory) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (!path->parentExists) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (platform::FileFaultInjected(*path, "write")) return FALSE;
    if (!path->exists && kind == EditKind::Removes) return TRUE;
    if (path->exists && platform::IsReadOnlyOnHost(path->host)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::filesystem::path& host = path->host;
    IniReading reading = MachineReading();
    platform::Machine& machine = platform::Machine::Current();
    for (;;) {
        FileDescriptor file(::open(host.c_str(), O_RDONLY | O_CLOEXEC));
        if (file.get() < 0) {
            if (errno != ENOENT) return FailWithHostError(errno);
            if (kind == EditKind::Removes) return TRUE;
            // A new file appears whole or not at all: linked to its name only once written, and only
            // when no other writer has made the file meanwhile.
            std::optional<std::string> created = edit(IniDocument("", reading));
            if (!created) return TRUE;
            int hostError = 0;
            std::optional<std::filesystem::path> temporary = WriteFileBeside(host, *created, std::nullopt, hostError);
            if (!temporary) return FailWithHostError(hostError);
            bool linked = ::link(temporary->c_str(), host.c_str()) == 0;
            hostError = errno;
            ::unlink(temporary->c_str());
            if (!linked && hostError == EEXIST) continue;
            platform::NoteFilesChanged(machine);
            if (!linked) return FailWithHostError(hostError);
            IniFileCache::Instance().Store(host, reading, *created);
            // Windows first tries the file as an existing one, and a file it had to create leaves
            // that trace.
            SetLastError(ERROR_FILE_NOT_FOUND);
            return TRUE;
        }
        if (::flock(file.get(), LOCK_EX) != 0) return FailWithHostError(errno);
        // Another writer may have replaced the file while this one waited for the lock: the lock
        // then belongs to a file that is no longer the one named.
        struct stat opened, named;
        if (::fstat(file.get(), &opened) != 0) return FailWithHostError(errno);
        if (::stat(host.c_str(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev)
            continue;
        std::string text;
        if (!ReadDescriptor(file.get(), text)) return FailWithHostError(errno);
        std::optional<std::string> edited = edit(IniDocument(text, reading));
        if (!edited) return TRUE;
        int hostError = 0;
        std::optional<std::filesystem::path> temporary =
            WriteFileBeside(host, *edited, opened.st_mode & 07777, hostError);
        if (!temporary) return FailWithHostError(hostError);
        if (::rename(temporary->c_str(), host.c_str()) != 0) {
            hostError = errno;
            ::unlink(temporary->c_str());
            return FailWithHostError(hostError);
        }
        IniFileCache::Instance().Store(host, reading, *edited);
        platform::NoteFilesChanged(machine);
        return TRUE;
    }
}

// The strings of a list ended by an empty string.
std::vector<std::string> SplitDoubleNulList(LPCSTR list) {
    std::vector<std::string> items;
    for (const char* item = list; *item; item += std::strlen(item) + 1) items.emplace_back(item);
    return items;
}

}  // namespace

extern "C" DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                                 LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
    if (!lpReturnedString) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::shared_ptr<const IniDocument> document = OpenForRead(lpFileName);
    if (!lpAppName) return CopyList(SectionNames(document.get()), lpReturnedString, nSize);
    if (!lpKeyName) {
        return CopyList(KeyNames(document.get(), platform::TrimSpaces(lpAppName)), lpReturnedString, nSize);
    }
    std::optional<std::string_view> value = LookUp(document.get(), lpAppName, lpKeyName);
    if (value) return CopyString(*value, lpReturnedString, nSize);
    // The default loses its trailing blanks (spaces only), never its leading ones.
    std::string_view fallback = lpDefault ? lpDefault : "";
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    return CopyString(fallback, lpReturnedString, nSize);
}

extern "C" UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                             LPCSTR lpFileName) {
    if (!lpAppName || !lpKeyName) return static_cast<UINT>(nDefault);
    std::shared_ptr<const IniDocument> document = OpenForRead(lpFileName);
    std::optional<std::string_view> value = LookUp(document.get(), lpAppName, lpKeyName);
    if (!value || value->empty()) return static_cast<UINT>(nDefault);
    return ParseProfileInt(*value);
}

extern "C" DWORD WINAPI GetPrivateProfileSectionA(LPCSTR lpAppName, LPSTR lpReturnedString, DWORD nSize,
                                                  LPCSTR lpFileName) {
    if (!lpReturnedString || !lpAppName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::shared_ptr<const IniDocument> document = OpenForRead(lpFileName);
    const IniDocument::Section* section =
        document ? document->FindSection(platform::TrimSpaces(lpAppName)) : nullptr;
    // Each line as "key=value" (names and values trimmed, quotes kept); a line without '=' as it is.
    std::vector<std::string> lines;
    if (section) {
        for (const IniDocument::Entry& entry : section->entries) {
            lines.push_back(entry.hasEquals ? std::string(entry.name) + "=" + std::string(entry.value)
                                            : std::string(entry.name));
        }
    }
    std::vector<std::string_view> items(lines.begin(), lines.end());
    return CopyList(items, lpReturnedString, nSize);
}

extern "C" DWORD WINAPI GetPrivateProfileSectionNamesA(LPSTR lpszReturnBuffer, DWORD nSize,
                                                       LPCSTR lpFileName) {
    if (!lpszReturnBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::shared_ptr<const IniDocument> document = OpenForRead(lpFileName);
    return CopyList(SectionNames(document.get()), lpszReturnBuffer, nSize);
}

extern "C" BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                                  LPCSTR lpFileName) {
    if (!lpAppName) {
        // All three missing asks to flush the cached file: nothing waits to be written here, and
        // Windows answers FALSE all the same.
        if (lpKeyName || lpString) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string section(platform::TrimSpaces(lpAppName));
    if (!lpKeyName) {
        return EditProfileFile(lpFileName, EditKind::Removes, [&](const IniDocument& document) {
            return document.TextWithoutSection(section);
        });
    }
    std::string key(platform::TrimSpaces(lpKeyName));
    if (!lpString) {
        return EditProfileFile(lpFileName, EditKind::Removes, [&](const IniDocument& document) {
            return document.TextWithoutKey(section, key);
        });
    }
    std::string value(lpString);
    return EditProfileFile(lpFileName, EditKind::Adds, [&](const IniDocument& document) {
        return document.TextWithValue(section, key, value);
    });
}

extern "C" BOOL WINAPI WritePrivateProfileSectionA(LPCSTR lpAppName, LPCSTR lpString, LPCSTR lpFileName) {
    if (!lpAppName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string section(platform::TrimSpaces(lpAppName));
    if (!lpString) {
        return EditProfileFile(lpFileName, EditKind::Removes, [&](const IniDocument& document) {
            return document.TextWithoutSection(section);
        });
    }
    std::vector<std::string> contents = SplitDoubleNulList(lpString);
    return EditProfileFile(lpFileName, EditKind::Adds, [&](const IniDocument& document) {
        return document.TextWithSection(section, contents);
    });
}

extern "C" DWORD WINAPI GetProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                          LPSTR lpReturnedString, DWORD nSize) {
    return GetPrivateProfileStringA(lpAppName, lpKeyName, lpDefault, lpReturnedString, nSize, kWinIni);
}

extern "C" UINT WINAPI GetProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault) {
    return GetPrivateProfileIntA(lpAppName, lpKeyName, nDefault, kWinIni);
}

extern "C" BOOL WINAPI WriteProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString) {
    return WritePrivateProfileStringA(lpAppName, lpKeyName, lpString, kWinIni);
}
