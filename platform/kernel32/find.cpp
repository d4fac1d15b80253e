// Searching folders: FindFirstFileA, FindNextFileA and FindClose with Windows' wildcard rules.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/kernel32/file_system.h"
#include "platform/machine/files/file_attributes.h"
#include "platform/machine/kernel/handle_table.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

// A pattern in the form Windows matches names against. '?' becomes a character that matches one
// character or, before a dot or at the end of the name, none; '*' followed by a dot stops at the
// name's last dot; a dot followed by '?' or '*', or ending the pattern, also matches the end of a
// name that has no dot. "*.*" is plain '*'.
enum class PatternKind { Literal, Star, DosStar, DosQuestion, DosDot };

struct PatternItem {
    PatternKind kind;
    char character = 0;
};

bool IsStar(PatternKind kind) {
    return kind == PatternKind::Star || kind == PatternKind::DosStar;
}

std::vector<PatternItem> CompilePattern(std::string_view pattern) {
    if (pattern == "*.*") return {{PatternKind::Star}};
    std::vector<PatternItem> items;
    for (std::size_t index = 0; index < pattern.size(); ++index) {
        char character = pattern[index];
        char next = index + 1 < pattern.size() ? pattern[index + 1] : '\0';
        PatternItem item{PatternKind::Literal, UpperAnsi(character)};
        switch (character) {
            case '?':
                item = {PatternKind::DosQuestion};
                break;
            case '*':
                item = {next == '.' ? PatternKind::DosStar : PatternKind::Star};
                break;
            case '.':
                if (next == '?' || next == '*' || next == '\0') item = {PatternKind::DosDot};
                break;
        }
        // A run of stars matches what its widest star matches: one item stands for the run, so that
        // the time taken does not grow with the number of stars.
        if (IsStar(item.kind) && !items.empty() && IsStar(items.back().kind)) {
            if (item.kind == PatternKind::Star) items.back().kind = PatternKind::Star;
            continue;
        }
        items.push_back(item);
    }
    return items;
}

// Runs the pattern over the upper-case name as a set of the name positions each step can end at:
// every item moves the whole set on in one pass over the name, so the time is the pattern's length
// times the name's, whatever the pattern holds.
bool MatchesUpperName(const std::vector<PatternItem>& pattern, std::string_view upper) {
    // The literal characters that begin the pattern must begin the name: most names of a folder
    // fail there.
    std::size_t literals = 0;
    while (literals < pattern.size() && pattern[literals].kind == PatternKind::Literal) {
        if (literals >= upper.size() || upper[literals] != pattern[literals].character) return false;
        ++literals;
    }
    if (literals == pattern.size()) return literals == upper.size();
    if (pattern.size() == literals + 1 && pattern[literals].kind == PatternKind::Star) return true;
    std::size_t length = upper.size();
    std::size_t lastDot = upper.rfind('.');
    // reachable[j]: the pattern so far can end just before name position j.
    std::vector<char> reachable(length + 1, 0);
    std::vector<char> next(length + 1, 0);
    reachable[0] = 1;
    for (const PatternItem& item : pattern) {
        std::fill(next.begin(), next.end(), 0);
        // For the stars: whether some position before this one was reachable, and so fills this one.
        bool filling = false;
        for (std::size_t position = 0; position <= length; ++position) {
            bool here = reachable[position] != 0;
            bool atEnd = position == length;
            switch (item.kind) {
                case PatternKind::Literal:
                    if (here && !atEnd && upper[position] == item.character) next[position + 1] = 1;
                    break;
                case PatternKind::Star:
                    filling = filling || here;
                    if (filling) next[position] = 1;
                    break;
                case PatternKind::DosStar:
                    // Never past the last dot from before it: what follows must match that dot.
                    filling = filling || here;
                    if (filling) next[position] = 1;
                    if (lastDot != std::string::npos && position == lastDot) filling = false;
                    break;
                case PatternKind::DosQuestion:
                    if (!here) break;
                    if (atEnd || upper[position] == '.') {
                        next[position] = 1;
                    } else {
                        next[position + 1] = 1;
                    }
                    break;
                case PatternKind::DosDot:
                    if (here && atEnd) next[position] = 1;
                    if (here && !atEnd && upper[position] == '.') next[position + 1] = 1;
                    break;
            }
        }
        // Nothing reachable: no later item can bring a match back.
        if (std::find(next.begin(), next.end(), 1) == next.end()) return false;
        reachable.swap(next);
    }
    return reachable[length] != 0;
}

bool MatchesPattern(const std::vector<PatternItem>& pattern, std::string_view name) {
    return MatchesUpperName(pattern, UpperCopy(name));
}

void CopyName(char* target, std::size_t capacity, std::string_view name) {
    std::size_t length = std::min(name.size(), capacity - 1);
    std::memcpy(target, name.data(), length);
    target[length] = '\0';
}

// The find data of one entry; false when the host cannot tell about it. A host link is described
// itself, never what it leads to: a reparse point without size.
bool DescribeEntry(Machine& machine, const fs::path& host, std::string_view name, std::string_view shortName,
                   WIN32_FIND_DATAA& data) {
    struct statx info;
    if (::statx(AT_FDCWD, host.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
        return false;
    std::memset(&data, 0, sizeof data);
    bool reparsePoint = !S_ISDIR(info.stx_mode) && !S_ISREG(info.stx_mode);
    if (reparsePoint) info.stx_size = 0;
    data.dwFileAttributes = reparsePoint ? FILE_ATTRIBUTE_REPARSE_POINT : ReadFileAttributes(machine, host);
    auto toTimespec = [](const struct statx_timestamp& stamp) {
        struct timespec time;
        time.tv_sec = stamp.tv_sec;
        time.tv_nsec = stamp.tv_nsec;
        return time;
    };
    bool hasBirth = (info.stx_mask & STATX_BTIME) != 0;
    data.ftCreationTime = ToFileTime(toTimespec(hasBirth ? info.stx_btime : info.stx_mtime));
    data.ftLastAccessTime = ToFileTime(toTimespec(info.stx_atime));
    data.ftLastWriteTime = ToFileTime(toTimespec(info.stx_mtime));
    if (!S_ISDIR(info.stx_mode)) {
        data.nFileSizeHigh = static_cast<DWORD>(info.stx_size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(info.stx_size & 0xFFFFFFFFu);
    }
    CopyName(data.cFileName, sizeof data.cFileName, name);
    if (!shortName.empty() && shortName != name) {
        CopyName(data.cAlternateFileName, sizeof data.cAlternateFileName, shortName);
    }
    return true;
}

class FindObject : public KernelObject {
  public:
    explicit FindObject(std::vector<WIN32_FIND_DATAA> entries) : entries_(std::move(entries)) {}

    // The next entry, or false at the end.
    bool Next(WIN32_FIND_DATAA& data) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (next_ >= entries_.size()) return false;
        data = entries_[next_++];
        return true;
    }

  private:
    std::mutex mutex_;
    std::vector<WIN32_FIND_DATAA> entries_;
    std::size_t next_ = 0;
};

struct SearchSpec {
    std::string folder;
    std::string pattern;
};

// "C:\WINDOWS\*.ini" is the folder "C:\WINDOWS\" and the pattern "*.ini"; the pattern keeps its dots,
// which the path rules would drop.
SearchSpec SplitSearch(std::string_view text) {
    std::size_t separator = text.find_last_of("\\/");
    if (separator != std::string_view::npos) {
        return {std::string(text.substr(0, separator + 1)), std::string(text.substr(separator + 1))};
    }
    if (text.size() >= 2 && text[1] == ':')
        return {std::string(text.substr(0, 2)), std::string(text.substr(2))};
    return {".", std::string(text)};
}

bool IsValidPattern(std::string_view pattern) {
    for (char character : pattern) {
        auto byte = static_cast<unsigned char>(character);
        if (byte < 32 || character == '<' || character == '>' || character == ':' || character == '"' ||
            character == '|') {
            return false;
        }
    }
    return true;
}

std::vector<WIN32_FIND_DATAA> MatchingEntries(Machine& machine, const HostPath& folder,
                                              std::string_view pattern) {
    std::vector<PatternItem> compiled = CompilePattern(pattern);
    std::vector<WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data;
    if (!folder.longPath.IsRoot()) {
        // Every folder but a root lists itself and its parent.
        if (MatchesPattern(compiled, ".") && DescribeEntry(machine, folder.host, ".", "", data))
            found.push_back(data);
        if (MatchesPattern(compiled, "..") &&
            DescribeEntry(machine, folder.host.parent_path(), "..", "", data)) {
            found.push_back(data);
        }
    }
    std::shared_ptr<const FolderListing> listing = ListHostFolder(folder.host);
    const std::vector<std::string>& shortNames = listing->ShortNames(machine);
    for (std::size_t index : listing->listingOrder()) {
        const std::string& name = listing->names()[index];
        const std::string& shortName = shortNames[index];
        if (!MatchesUpperName(compiled, listing->upperNames()[index]) &&
            (shortName == name || !MatchesPattern(compiled, shortName))) {
            continue;
        }
        if (DescribeEntry(machine, folder.host / name, name, shortName, data)) found.push_back(data);
    }
    return found;
}

}  // namespace

}  // namespace platform

extern "C" HANDLE WINAPI FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData) {
    using namespace platform;
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    SearchSpec search = SplitSearch(lpFileName);
    if (!IsValidPattern(search.pattern)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    std::optional<HostPath> folder = ResolvePathArgument(search.folder.c_str());
    if (!folder) return INVALID_HANDLE_VALUE;
    if (FileFaultInjected(folder->longPath.Child(search.pattern).ToString(), "find"))
        return INVALID_HANDLE_VALUE;
    if (!folder->exists || !folder->isDirectory) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<WIN32_FIND_DATAA> entries =
        search.pattern.empty() ? std::vector<WIN32_FIND_DATAA>{}
                               : MatchingEntries(Machine::Current(), *folder, search.pattern);
    if (entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_shared<FindObject>(std::move(entries));
    find->Next(*lpFindFileData);
    SetLastError(ERROR_SUCCESS);
    return ProcessHandles().Insert(std::move(find));
}

extern "C" BOOL WINAPI FindNextFileA(HANDLE hFindFile, LPWIN32_FIND_DATAA lpFindFileData) {
    std::shared_ptr<platform::FindObject> find =
        platform::ProcessHandles().Lookup<platform::FindObject>(hFindFile);
    if (!find) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!find->Next(*lpFindFileData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

extern "C" BOOL WINAPI FindClose(HANDLE hFindFile) {
    using platform::ProcessHandles;
    if (!ProcessHandles().Lookup<platform::FindObject>(hFindFile) || !ProcessHandles().Close(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
