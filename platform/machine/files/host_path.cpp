#include "platform/machine/files/host_path.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "platform/machine/files/host_signature.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/sqlite_database.h"
#include "platform/machine/text.h"
#include "winerror.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char character) { return character == '\\' || character == '/'; }

bool IsInvalidNameCharacter(char character, bool allowWildcards) {
    auto byte = static_cast<unsigned char>(character);
    if (byte < 32) return true;
    switch (character) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '|':
            return true;
        case '*':
        case '?':
            return !allowWildcards;
        default:
            return false;
    }
}

std::vector<std::string> SplitComponents(std::string_view text) {
    std::vector<std::string> parts;
    std::string current;
    for (char character : text) {
        if (IsSeparator(character)) {
            parts.push_back(current);
            current.clear();
        } else {
            current += character;
        }
    }
    parts.push_back(current);
    return parts;
}

void Fail(DWORD* error, DWORD code) {
    if (error) *error = code;
}

}  // namespace

std::string WindowsPath::ToString() const {
    std::string text;
    if (IsNetwork()) {
        text = "\\\\" + server + "\\" + share;
        for (const std::string& component : components) text += "\\" + component;
        return text;
    }
    text = std::string(1, drive) + ":";
    if (components.empty()) return text + "\\";
    for (const std::string& component : components) text += "\\" + component;
    return text;
}

WindowsPath WindowsPath::Parent() const {
    WindowsPath parent = *this;
    if (!parent.components.empty()) parent.components.pop_back();
    return parent;
}

WindowsPath WindowsPath::Child(std::string_view name) const {
    WindowsPath child = *this;
    child.components.emplace_back(name);
    return child;
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path, std::string_view currentDirectory, DWORD* error,
                                            bool allowWildcards) {
    if (path.empty()) {
        Fail(error, ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '?' && IsSeparator(path[3])) {
        path.remove_prefix(4);
    }
    WindowsPath result;
    std::string_view rest;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::vector<std::string> parts = SplitComponents(path.substr(2));
        if (parts.size() < 2 || parts[0].empty() || parts[1].empty() || parts[0] == "." || parts[0] == "?") {
            Fail(error, ERROR_BAD_PATHNAME);
            return std::nullopt;
        }
        result.server = parts[0];
        result.share = parts[1];
        std::size_t skip = 2 + parts[0].size() + 1 + parts[1].size();
        rest = skip < path.size() ? path.substr(skip) : std::string_view();
    } else if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        result.drive = UpperAnsi(path[0]);
        rest = path.substr(2);
        if (rest.empty() || !IsSeparator(rest.front())) {
            // "D:x" is relative to the current folder when it is on D:, else to the root of D:.
            std::optional<WindowsPath> current = ParseWindowsPath(currentDirectory, "C:\\", nullptr);
            if (current && current->drive == result.drive) result.components = current->components;
        }
    } else {
        std::optional<WindowsPath> current = ParseWindowsPath(currentDirectory, "C:\\", nullptr);
        if (!current) {
            Fail(error, ERROR_PATH_NOT_FOUND);
            return std::nullopt;
        }
        result = *current;
        if (IsSeparator(path.front())) result.components.clear();
        rest = path;
    }
    std::vector<std::string> parts = SplitComponents(rest);
    for (std::size_t index = 0; index < parts.size(); ++index) {
        std::string& part = parts[index];
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!result.components.empty()) result.components.pop_back();
            continue;
        }
        bool last = index + 1 == parts.size();
        for (char character : part) {
            if (IsInvalidNameCharacter(character, allowWildcards && last)) {
                Fail(error, ERROR_INVALID_NAME);
                return std::nullopt;
            }
        }
        while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
        if (part.empty()) continue;
        result.components.push_back(part);
    }
    return result;
}

std::optional<WindowsPath> FullWindowsPath(std::string_view path, DWORD* error, bool allowWildcards) {
    // The process's current folder is known once the process has met its machine.
    Machine::CurrentOrNull();
    return ParseWindowsPath(path, CurrentProcess().currentDirectory(), error, allowWildcards);
}

std::string MachineRelativePath(Machine& machine, const fs::path& host) {
    return host.lexically_normal().lexically_relative(machine.folder().lexically_normal()).generic_string();
}

bool IsValidShortName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    std::size_t dot = name.find('.');
    std::string_view base = name.substr(0, dot);
    std::string_view extension = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3) return false;
    if (extension.find('.') != std::string_view::npos) return false;
    for (char character : name) {
        if (character == '.') continue;
        if (character == ' ' || character == '+' || character == ',' || character == ';' || character == '=' ||
            character == '[' || character == ']') {
            return false;
        }
    }
    return true;
}

namespace {

std::string FolderKey(Machine& machine, const fs::path& hostFolder) { return MachineRelativePath(machine, hostFolder); }

// Rows of a folder and of every folder below it.
constexpr std::string_view kFolderSubtree = "(folder = ?1 OR substr(folder, 1, length(?1) + 1) = ?1 || '/')";

void ForgetOwnShortName(SqliteDatabase& database, const std::string& folderKey, const std::string& name) {
    SqliteStatement remove(database, "DELETE FROM short_names WHERE folder = ? AND long_upper = ?");
    remove.Bind(1, folderKey).Bind(2, UpperCopy(name));
    remove.Step();
}

std::string CleanShortPart(std::string_view text) {
    std::string clean;
    for (char character : text) {
        if (character == ' ' || character == '.') continue;
        if (character == '+' || character == ',' || character == ';' || character == '=' || character == '[' ||
            character == ']') {
            clean += '_';
            continue;
        }
        clean += UpperAnsi(character);
    }
    return clean;
}

std::string GenerateShortName(const std::string& longName, int attempt) {
    std::size_t dot = longName.rfind('.');
    std::string base = CleanShortPart(dot == std::string::npos || dot == 0 ? longName : longName.substr(0, dot));
    std::string extension =
        dot == std::string::npos || dot == 0 ? std::string() : CleanShortPart(longName.substr(dot + 1)).substr(0, 3);
    if (base.empty()) base = "_";
    std::string stem;
    if (attempt <= 4) {
        stem = base.substr(0, 6) + "~" + std::to_string(attempt);
    } else {
        // After four collisions Windows mixes a hash of the long name into the name.
        unsigned hash = 0;
        for (char character : longName) hash = hash * 31 + static_cast<unsigned char>(UpperAnsi(character));
        char hex[8];
        std::snprintf(hex, sizeof hex, "%04X", (hash + static_cast<unsigned>(attempt)) & 0xFFFF);
        stem = base.substr(0, 2) + hex + "~" + std::to_string(1 + (attempt - 5) % 9);
    }
    return extension.empty() ? stem : stem + "." + extension;
}

// The names of a host folder's entries in byte order.
std::vector<std::string> ReadFolderNames(const fs::path& hostFolder) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(hostFolder, error), end; !error && entry != end; entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A folder's short names as they are being given: its entries and the short names recorded for it, read
// once for every name looked up meanwhile (a listing of a folder of thousands of files asks for all of
// them). A name without one is given the first free short name, which is recorded.
class FolderShortNames {
  public:
    FolderShortNames(SqliteDatabase& database, std::string folderKey, const FolderListing& siblings)
        : database_(database), key_(std::move(folderKey)), siblings_(siblings) {
        SqliteStatement rows(database_, "SELECT long_upper, short_upper FROM short_names WHERE folder = ?");
        rows.Bind(1, key_);
        while (rows.Step()) {
            std::string shortUpper = rows.Text(1);
            taken_.insert(shortUpper);
            byLong_.emplace(rows.Text(0), std::move(shortUpper));
        }
    }

    std::string Of(const std::string& longName) {
        std::string longUpper = UpperCopy(longName);
        if (auto found = byLong_.find(longUpper); found != byLong_.end()) return found->second;
        // Taken by another entry's own name or by a short name given before.
        auto taken = [&](const std::string& candidate) {
            return (candidate != longUpper && siblings_.Find(candidate)) || taken_.count(candidate);
        };
        std::string chosen;
        for (int attempt = 1; attempt < 1000; ++attempt) {
            std::string candidate = GenerateShortName(longName, attempt);
            if (!taken(candidate)) {
                chosen = candidate;
                break;
            }
        }
        SqliteStatement insert(database_,
                               "INSERT OR REPLACE INTO short_names(folder, long_upper, long_name, short_upper)"
                               " VALUES(?,?,?,?)");
        insert.Bind(1, key_).Bind(2, longUpper).Bind(3, longName).Bind(4, chosen);
        insert.Step();
        taken_.insert(chosen);
        byLong_.emplace(longUpper, chosen);
        return chosen;
    }

  private:
    SqliteDatabase& database_;
    std::string key_;
    const FolderListing& siblings_;
    std::unordered_map<std::string, std::string> byLong_;  // upper case, both
    std::unordered_set<std::string> taken_;
};

// The entry of a host folder that a Windows name means: the same name in any case, else the entry whose
// short name it is.
std::optional<std::string> MatchEntry(Machine& machine, const fs::path& hostFolder, const std::string& name) {
    struct stat info;
    if (::lstat((hostFolder / name).c_str(), &info) == 0) return name;
    std::shared_ptr<const FolderListing> listing = ListHostFolder(hostFolder);
    if (std::optional<std::size_t> index = listing->Find(name)) return listing->names()[*index];
    if (!IsValidShortName(name) || name.find('~') == std::string::npos) return std::nullopt;
    std::string wanted = UpperCopy(name);
    const std::vector<std::string>& shortNames = listing->ShortNames(machine);
    for (std::size_t index = 0; index < shortNames.size(); ++index) {
        if (shortNames[index] == wanted && !IsValidShortName(listing->names()[index])) return listing->names()[index];
    }
    return std::nullopt;
}

// The listings kept, by host folder.
struct FolderListings {
    std::mutex mutex;
    struct Entry {
        FileSignature signature;
        std::shared_ptr<const FolderListing> listing;
    };
    std::unordered_map<std::string, Entry> folders;
};

FolderListings& Listings() {
    static FolderListings* listings = new FolderListings;
    return *listings;
}

constexpr std::size_t kMostFolderListings = 256;

// Short names rewritten in the state database for an entry and what lies below it: the listings that
// gave them (the entry's folder's, its own and those below it) may hold names gone.
void ForgetFolderListings(const fs::path& host) {
    FolderListings& listings = Listings();
    std::lock_guard<std::mutex> lock(listings.mutex);
    const std::string& entryPath = host.native();
    std::string parent = host.parent_path().native();
    for (auto entry = listings.folders.begin(); entry != listings.folders.end();) {
        const std::string& folder = entry->first;
        bool below = folder.compare(0, entryPath.size(), entryPath) == 0 &&
                     (folder.size() == entryPath.size() || folder[entryPath.size()] == '/');
        if (folder == parent || below) {
            entry = listings.folders.erase(entry);
        } else {
            ++entry;
        }
    }
}

}  // namespace

FolderListing::FolderListing(fs::path hostFolder, std::vector<std::string> names)
    : hostFolder_(std::move(hostFolder)), names_(std::move(names)) {}

const std::vector<std::string>& FolderListing::UpperNamesLocked() const {
    if (!upperNames_) {
        std::vector<std::string> upper;
        upper.reserve(names_.size());
        for (const std::string& name : names_) upper.push_back(UpperCopy(name));
        upperNames_ = std::move(upper);
    }
    return *upperNames_;
}

const std::vector<std::string>& FolderListing::upperNames() const {
    std::lock_guard<std::mutex> lock(indexMutex_);
    return UpperNamesLocked();
}

const std::vector<std::size_t>& FolderListing::listingOrder() const {
    std::lock_guard<std::mutex> lock(indexMutex_);
    if (listingOrder_) return *listingOrder_;
    const std::vector<std::string>& upper = UpperNamesLocked();
    std::vector<std::size_t> order(names_.size());
    for (std::size_t index = 0; index < names_.size(); ++index) order[index] = index;
    // Upper-case names compared byte by byte are CompareNoCase's order; names alike but for case
    // follow byte order.
    std::sort(order.begin(), order.end(), [&upper](std::size_t left, std::size_t right) {
        int compared = upper[left].compare(upper[right]);
        return compared != 0 ? compared < 0 : left < right;
    });
    listingOrder_ = std::move(order);
    return *listingOrder_;
}

std::optional<std::size_t> FolderListing::Find(std::string_view name) const {
    std::lock_guard<std::mutex> lock(indexMutex_);
    if (!byUpperName_ && !foundBefore_) {
        // The first look goes through the names; a listing looked into again gets an index.
        foundBefore_ = true;
        for (std::size_t index = 0; index < names_.size(); ++index) {
            if (EqualsNoCase(names_[index], name)) return index;
        }
        return std::nullopt;
    }
    if (!byUpperName_) {
        const std::vector<std::string>& upper = UpperNamesLocked();
        std::unordered_map<std::string, std::size_t> index;
        index.reserve(names_.size());
        for (std::size_t position = 0; position < names_.size(); ++position) index.emplace(upper[position], position);
        byUpperName_ = std::move(index);
    }
    auto found = byUpperName_->find(UpperCopy(name));
    if (found == byUpperName_->end()) return std::nullopt;
    return found->second;
}

const std::vector<std::string>& FolderListing::ShortNames(Machine& machine) const {
    std::lock_guard<std::mutex> lock(shortNamesMutex_);
    if (shortNames_) return *shortNames_;
    std::vector<std::string> shortNames(names_);
    std::vector<std::size_t> wanting;
    for (std::size_t index = 0; index < names_.size(); ++index) {
        if (!IsValidShortName(names_[index])) wanting.push_back(index);
    }
    if (!wanting.empty()) {
        // Names still to be given are given in name order, as a fresh listing would give them.
        machine.WithState([&](SqliteDatabase& database) {
            SqliteTransaction transaction(database);
            FolderShortNames given(database, FolderKey(machine, hostFolder_), *this);
            for (std::size_t index : wanting) shortNames[index] = given.Of(names_[index]);
            transaction.Commit();
        });
    }
    shortNames_ = std::move(shortNames);
    return *shortNames_;
}

std::shared_ptr<const FolderListing> ListHostFolder(const fs::path& hostFolder) {
    FolderListings& listings = Listings();
    std::optional<FileSignature> signature = ReadEntrySignature(hostFolder);
    if (signature) {
        std::lock_guard<std::mutex> lock(listings.mutex);
        auto found = listings.folders.find(hostFolder.native());
        if (found != listings.folders.end() && found->second.signature == *signature) return found->second.listing;
    }
    std::int64_t readTime = HostClockNanoseconds();
    auto listing = std::make_shared<const FolderListing>(hostFolder, ReadFolderNames(hostFolder));
    if (!signature || !signature->folder) return listing;
    // A folder that changed while it was listed, or so recently that a change to come could leave its
    // stamps as they are, is listed afresh the next time.
    std::optional<FileSignature> after = ReadEntrySignature(hostFolder);
    bool trusted = after == signature && IsSignatureTrustworthy(*signature, readTime);
    std::lock_guard<std::mutex> lock(listings.mutex);
    if (!trusted) {
        listings.folders.erase(hostFolder.native());
        return listing;
    }
    if (listings.folders.size() >= kMostFolderListings) listings.folders.clear();
    listings.folders[hostFolder.native()] = {*signature, listing};
    return listing;
}

std::string ShortNameOf(Machine& machine, const fs::path& hostFolder, const std::string& longName) {
    if (IsValidShortName(longName)) return longName;
    std::shared_ptr<const FolderListing> listing = ListHostFolder(hostFolder);
    std::string result;
    machine.WithState([&](SqliteDatabase& database) {
        result = FolderShortNames(database, FolderKey(machine, hostFolder), *listing).Of(longName);
    });
    return result;
}

void ForgetShortNames(Machine& machine, const fs::path& host) {
    std::string key = FolderKey(machine, host);
    machine.WithState([&](SqliteDatabase& database) {
        ForgetOwnShortName(database, FolderKey(machine, host.parent_path()), host.filename().string());
        SqliteStatement remove(database, "DELETE FROM short_names WHERE " + std::string(kFolderSubtree));
        remove.Bind(1, key);
        remove.Step();
    });
    ForgetFolderListings(host);
}

void MoveShortNames(Machine& machine, const fs::path& from, const fs::path& to) {
    std::string fromKey = FolderKey(machine, from);
    std::string toKey = FolderKey(machine, to);
    machine.WithState([&](SqliteDatabase& database) {
        SqliteTransaction transaction(database);
        ForgetOwnShortName(database, FolderKey(machine, from.parent_path()), from.filename().string());
        SqliteStatement remove(database, "DELETE FROM short_names WHERE " + std::string(kFolderSubtree));
        remove.Bind(1, toKey);
        remove.Step();
        SqliteStatement rename(database, "UPDATE short_names SET folder = ?2 || substr(folder, length(?1) + 1) WHERE " +
                                             std::string(kFolderSubtree));
        rename.Bind(1, fromKey).Bind(2, toKey);
        rename.Step();
        transaction.Commit();
    });
    ForgetFolderListings(from);
    ForgetFolderListings(to);
}

namespace {

enum class EntryKind { Missing, File, Folder, ReparsePoint };

EntryKind KindOf(const fs::path& host) {
    struct stat info;
    if (::lstat(host.c_str(), &info) != 0) return EntryKind::Missing;
    if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
    if (S_ISREG(info.st_mode)) return EntryKind::File;
    return EntryKind::ReparsePoint;
}

// A name that stands for exactly one entry of its folder: "." and ".." (which Windows names never hold
// once parsed, but a path put together name by name might) and names holding a host separator would
// lead somewhere else.
bool IsSingleEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

// Resolves with the last name allowed to be a host link (`reparsePoint`); links before it fail.
std::optional<HostPath> ResolveUncached(Machine& machine, const WindowsPath& path, DWORD* error) {
    HostPath result;
    result.longPath = path;
    result.longPath.components.clear();
    fs::path root;
    if (path.IsNetwork()) {
        fs::path serverFolder = machine.NetworkFolder();
        std::optional<std::string> server =
            IsSingleEntryName(path.server) ? MatchEntry(machine, serverFolder, path.server) : std::nullopt;
        std::optional<std::string> share = server && IsSingleEntryName(path.share) &&
                                                   KindOf(serverFolder / *server) == EntryKind::Folder
                                               ? MatchEntry(machine, serverFolder / *server, path.share)
                                               : std::nullopt;
        if (!share) {
            Fail(error, ERROR_BAD_NETPATH);
            return std::nullopt;
        }
        root = serverFolder / *server / *share;
        result.longPath.server = *server;
        result.longPath.share = *share;
    } else {
        if (!machine.Drive(path.drive)) {
            Fail(error, ERROR_PATH_NOT_FOUND);
            return std::nullopt;
        }
        root = machine.DriveFolder(path.drive);
    }
    for (const std::string& component : path.components) {
        if (!IsSingleEntryName(component)) {
            Fail(error, ERROR_INVALID_NAME);
            return std::nullopt;
        }
    }
    EntryKind rootKind = KindOf(root);
    if (rootKind == EntryKind::ReparsePoint) {
        Fail(error, ERROR_CANT_ACCESS_FILE);
        return std::nullopt;
    }
    result.host = root;
    bool allExist = rootKind == EntryKind::Folder;
    result.parentExists = allExist;
    for (std::size_t index = 0; index < path.components.size(); ++index) {
        const std::string& component = path.components[index];
        std::optional<std::string> entry;
        if (allExist) entry = MatchEntry(machine, result.host, component);
        bool last = index + 1 == path.components.size();
        if (entry) {
            result.host /= *entry;
            result.longPath.components.push_back(*entry);
            EntryKind kind = KindOf(result.host);
            if (kind == EntryKind::ReparsePoint) {
                if (!last) {
                    Fail(error, ERROR_CANT_ACCESS_FILE);
                    return std::nullopt;
                }
                result.reparsePoint = true;
            } else if (kind == EntryKind::Missing || (!last && kind != EntryKind::Folder)) {
                allExist = false;
                if (!last) result.parentExists = false;
            }
        } else {
            result.host /= component;
            result.longPath.components.push_back(component);
            if (!last) result.parentExists = false;
            allExist = false;
        }
    }
    if (!LiesInside(root, result.host)) {
        Fail(error, ERROR_ACCESS_DENIED);
        return std::nullopt;
    }
    result.exists = allExist;
    if (path.components.empty()) result.parentExists = true;
    result.isDirectory = result.exists && !result.reparsePoint && KindOf(result.host) == EntryKind::Folder;
    return result;
}

// Paths found before, by machine and upper-case Windows path, with the file generation they were found
// in. While no file of the machine changed since, the answer stands, whether the path existed or not.
struct ResolvedPaths {
    std::mutex mutex;
    struct Entry {
        std::uint64_t generation;
        std::optional<HostPath> path;
        DWORD error;
    };
    std::unordered_map<std::string, Entry> paths;
};

ResolvedPaths& Resolved() {
    static ResolvedPaths* cache = new ResolvedPaths;
    return *cache;
}

constexpr std::size_t kMostResolvedPaths = 20000;

}  // namespace

void NoteFilesChanged(Machine& machine) { machine.counters().Advance(SharedCounter::Files); }

std::uint64_t FilesGeneration(Machine& machine) { return machine.counters().Read(SharedCounter::Files); }

bool IsHostReparsePoint(const fs::path& host) { return KindOf(host) == EntryKind::ReparsePoint; }

bool LiesInside(const fs::path& folder, const fs::path& host) {
    fs::path outer = folder.lexically_normal();
    fs::path inner = host.lexically_normal();
    // "a/b/" is the folder "a/b".
    if (!outer.has_filename()) outer = outer.parent_path();
    if (!inner.has_filename()) inner = inner.parent_path();
    return std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end()).first == outer.end();
}

std::optional<HostPath> ResolveHostEntry(Machine& machine, const WindowsPath& path, DWORD* error) {
    std::string key = machine.folder().string() + '|' + UpperCopy(path.ToString());
    ResolvedPaths& cache = Resolved();
    std::uint64_t generation = FilesGeneration(machine);
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        auto found = cache.paths.find(key);
        if (found != cache.paths.end()) {
            if (found->second.generation == generation) {
                if (!found->second.path && error) *error = found->second.error;
                return found->second.path;
            }
            cache.paths.erase(found);
        }
    }
    DWORD resolveError = 0;
    std::optional<HostPath> result = ResolveUncached(machine, path, &resolveError);
    if (!result && error) *error = resolveError;
    std::lock_guard<std::mutex> lock(cache.mutex);
    if (cache.paths.size() >= kMostResolvedPaths) cache.paths.clear();
    cache.paths[std::move(key)] = {generation, result, resolveError};
    return result;
}

std::optional<HostPath> ResolveHostPath(Machine& machine, const WindowsPath& path, DWORD* error) {
    std::optional<HostPath> result = ResolveHostEntry(machine, path, error);
    if (result && result->reparsePoint) {
        Fail(error, ERROR_CANT_ACCESS_FILE);
        return std::nullopt;
    }
    return result;
}

std::optional<HostPath> ResolveHostPath(std::string_view path, DWORD* error) {
    std::optional<WindowsPath> full = FullWindowsPath(path, error);
    if (!full) return std::nullopt;
    return ResolveHostPath(Machine::Current(), *full, error);
}

void CreateMachineFolder(Machine& machine, std::string_view windowsPath) {
    std::optional<WindowsPath> path = ParseWindowsPath(windowsPath, "C:\\");
    if (!path) return;
    WindowsPath partial = *path;
    partial.components.clear();
    for (const std::string& component : path->components) {
        partial.components.push_back(component);
        std::optional<HostPath> host = ResolveHostPath(machine, partial);
        if (!host) return;
        if (!host->exists) {
            fs::create_directory(host->host);
            NoteFilesChanged(machine);
        }
        ShortNameOf(machine, host->host.parent_path(), host->host.filename().string());
    }
}

}  // namespace platform
