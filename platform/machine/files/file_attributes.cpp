#include "platform/machine/files/file_attributes.h"

#include <sys/stat.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/machine/files/host_path.h"
#include "platform/machine/machine.h"
#include "platform/machine/sqlite_database.h"
#include "winbase.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// What a program may set with SetFileAttributesA.
constexpr DWORD kSettableAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

constexpr std::string_view kCreateTable =
    "CREATE TABLE IF NOT EXISTS file_attributes(path TEXT PRIMARY KEY, attributes INTEGER NOT NULL)";

std::string EntryKey(Machine& machine, const fs::path& host) {
    return MachineRelativePath(machine, host);
}

// The stored attributes of every entry, read once and reread only when some process of the machine
// changed them: GetFileAttributesA is called at every profile lookup.
struct AttributeCache {
    std::mutex mutex;
    std::string machineFolder;
    std::uint64_t generation = ~0ull;
    std::map<std::string, DWORD> attributes;
};

AttributeCache& Cache() {
    static AttributeCache cache;
    return cache;
}

DWORD StoredAttributes(Machine& machine, const std::string& key) {
    AttributeCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    std::uint64_t generation = machine.counters().Read(SharedCounter::FileAttributes);
    if (cache.machineFolder != machine.folder().string() || cache.generation != generation) {
        cache.attributes.clear();
        machine.WithState([&](SqliteDatabase& database) {
            database.Execute(kCreateTable);
            SqliteStatement select(database, "SELECT path, attributes FROM file_attributes");
            while (select.Step()) cache.attributes[select.Text(0)] = static_cast<DWORD>(select.Int(1));
        });
        cache.machineFolder = machine.folder().string();
        cache.generation = generation;
    }
    auto found = cache.attributes.find(key);
    return found == cache.attributes.end() ? 0 : found->second;
}

bool AnyStoredAt(Machine& machine, const std::string& key) {
    StoredAttributes(machine, key);
    AttributeCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    for (auto found = cache.attributes.lower_bound(key); found != cache.attributes.end(); ++found) {
        const std::string& path = found->first;
        if (path.compare(0, key.size(), key) != 0) break;
        if (path.size() == key.size() || path[key.size()] == '/') return true;
    }
    return false;
}

// Runs a change of the stored attributes and tells every process of the machine.
void ChangeStored(Machine& machine, const std::function<void(SqliteDatabase&)>& change) {
    machine.WithState([&](SqliteDatabase& database) {
        database.Execute(kCreateTable);
        change(database);
    });
    machine.counters().Advance(SharedCounter::FileAttributes);
}

// Rows of the entry itself and of everything below it.
constexpr std::string_view kSubtreeCondition = "(path = ?1 OR substr(path, 1, length(?1) + 1) = ?1 || '/')";

}  // namespace

bool IsReadOnlyOnHost(const fs::path& host) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return false;
    return (info.st_mode & S_IWUSR) == 0;
}

DWORD ReadFileAttributes(Machine& machine, const fs::path& host) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return INVALID_FILE_ATTRIBUTES;
    DWORD stored = StoredAttributes(machine, EntryKey(machine, host));
    if (S_ISDIR(info.st_mode)) return FILE_ATTRIBUTE_DIRECTORY | stored;
    DWORD attributes = stored & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

bool WriteFileAttributes(Machine& machine, const fs::path& host, DWORD attributes) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return false;
    DWORD wanted = attributes & kSettableAttributes;
    bool directory = S_ISDIR(info.st_mode);
    if (!directory) {
        mode_t mode = info.st_mode & 07777;
        mode_t changed = (wanted & FILE_ATTRIBUTE_READONLY)
                             ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                             : (mode | S_IWUSR);
        if (changed != mode) {
            if (::chmod(host.c_str(), changed) != 0) return false;
            NoteFilesChanged(machine);
        }
        wanted &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    }
    std::string key = EntryKey(machine, host);
    if (StoredAttributes(machine, key) == wanted) return true;
    ChangeStored(machine, [&](SqliteDatabase& database) {
        if (wanted == 0) {
            SqliteStatement remove(database, "DELETE FROM file_attributes WHERE path = ?");
            remove.Bind(1, key);
            remove.Step();
            return;
        }
        SqliteStatement store(database,
                              "INSERT OR REPLACE INTO file_attributes(path, attributes) VALUES(?, ?)");
        store.Bind(1, key).Bind(2, static_cast<std::int64_t>(wanted));
        store.Step();
    });
    return true;
}

void ForgetEntry(Machine& machine, const fs::path& host) {
    ForgetShortNames(machine, host);
    std::string key = EntryKey(machine, host);
    if (!AnyStoredAt(machine, key)) return;
    ChangeStored(machine, [&](SqliteDatabase& database) {
        SqliteStatement remove(database,
                               "DELETE FROM file_attributes WHERE " + std::string(kSubtreeCondition));
        remove.Bind(1, key);
        remove.Step();
    });
}

void MoveEntry(Machine& machine, const fs::path& from, const fs::path& to) {
    MoveShortNames(machine, from, to);
    std::string fromKey = EntryKey(machine, from);
    std::string toKey = EntryKey(machine, to);
    if (!AnyStoredAt(machine, fromKey) && !AnyStoredAt(machine, toKey)) return;
    ChangeStored(machine, [&](SqliteDatabase& database) {
        SqliteStatement remove(database,
                               "DELETE FROM file_attributes WHERE " + std::string(kSubtreeCondition));
        remove.Bind(1, toKey);
        remove.Step();
        SqliteStatement rename(database,
                               "UPDATE file_attributes SET path = ?2 || substr(path, length(?1) + 1) WHERE " +
                                   std::string(kSubtreeCondition));
        rename.Bind(1, fromKey).Bind(2, toKey);
        rename.Step();
    });
}

void CopyEntryAttributes(Machine& machine, const fs::path& from, const fs::path& to) {
    std::string fromKey = EntryKey(machine, from);
    std::string toKey = EntryKey(machine, to);
    DWORD stored = StoredAttributes(machine, fromKey);
    if (StoredAttributes(machine, toKey) == stored) return;
    ChangeStored(machine, [&](SqliteDatabase& database) {
        SqliteStatement remove(database, "DELETE FROM file_attributes WHERE path = ?");
        remove.Bind(1, toKey);
        remove.Step();
        if (stored == 0) return;
        SqliteStatement store(database, "INSERT INTO file_attributes(path, attributes) VALUES(?, ?)");
        store.Bind(1, toKey).Bind(2, static_cast<std::int64_t>(stored));
        store.Step();
    });
}

}  // namespace platform
