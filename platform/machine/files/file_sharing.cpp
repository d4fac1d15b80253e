#include "platform/machine/files/file_sharing.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/machine/kernel/clock.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/processes/process_table.h"
#include "platform/machine/sqlite_database.h"

#include "winerror.h"
#include "winnt.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

struct OpenFile {
    dev_t device = 0;
    ino_t inode = 0;
    std::string host;
    FileUse use;
};

struct SharingTable {
    std::mutex mutex;
    std::map<std::uint64_t, OpenFile> opens;
    std::uint64_t nextId = 1;
};

SharingTable& Table() {
    static SharingTable* table = new SharingTable;
    return *table;
}

bool HasAccess(const FileUse& use) {
    return use.read || use.write || use.remove;
}

// Windows' rule: each side must allow every kind of access the other one holds.
bool Conflicts(const FileUse& open, const FileUse& wanted) {
    if (!HasAccess(open) || !HasAccess(wanted)) return false;
    if (wanted.read && !(open.shareMode & FILE_SHARE_READ)) return true;
    if (wanted.write && !(open.shareMode & FILE_SHARE_WRITE)) return true;
    if (wanted.remove && !(open.shareMode & FILE_SHARE_DELETE)) return true;
    if (open.read && !(wanted.shareMode & FILE_SHARE_READ)) return true;
    if (open.write && !(wanted.shareMode & FILE_SHARE_WRITE)) return true;
    if (open.remove && !(wanted.shareMode & FILE_SHARE_DELETE)) return true;
    return false;
}

bool IsBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

// Under the table's lock.
bool ConflictsWithOpen(SharingTable& table, const struct stat& info, const std::string& host,
                       const FileUse& use) {
    bool folder = S_ISDIR(info.st_mode);
    for (const auto& [id, open] : table.opens) {
        if (open.device == info.st_dev && open.inode == info.st_ino) {
            if (Conflicts(open.use, use)) return true;
            continue;
        }
        // A folder cannot be renamed or removed while a file in it is open.
        if (folder && use.remove && HasAccess(open.use) && IsBelow(open.host, host)) return true;
    }
    return false;
}

std::string HostKey(const fs::path& host) {
    return host.lexically_normal().string();
}

// The uses of files by the processes of the machine (their host process ids), the marks of tests
// (process 0) and the holds of declared processes (minus their machine ids).
void CreateUseTable(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS files_in_use(id INTEGER PRIMARY KEY, process INTEGER NOT NULL,"
        " device INTEGER NOT NULL, inode INTEGER NOT NULL, host TEXT NOT NULL, access INTEGER NOT NULL,"
        " share INTEGER NOT NULL, until INTEGER NOT NULL)");
}

constexpr std::int64_t kRead = 1, kWrite = 2, kRemove = 4;

std::int64_t AccessBits(const FileUse& use) {
    return (use.read ? kRead : 0) | (use.write ? kWrite : 0) | (use.remove ? kRemove : 0);
}

// Whether the use conflicts with what the machine's other processes and the tests' marks hold; drops
// the rows of ended processes and of marks whose time is over.
bool ConflictsWithOtherProcesses(Machine& machine, const struct stat& info, const std::string& host,
                                 const FileUse& use) {
    bool folder = S_ISDIR(info.st_mode);
    bool conflict = false;
    machine.WithState([&](SqliteDatabase& database) {
        CreateUseTable(database);
        std::vector<std::int64_t> stale;
        SqliteStatement select(database,
                               "SELECT id, process, device, inode, host, access, share, until FROM files_in_use"
                               " WHERE process != ?");
        select.Bind(1, static_cast<std::int64_t>(::getpid()));
        std::int64_t now = -1;
        while (select.Step()) {
            std::int64_t process = select.Int(1);
            if (process == 0) {
                if (now < 0) now = ClockNow();
                if (select.Int(7) <= now) {
                    stale.push_back(select.Int(0));
                    continue;
                }
            } else if (process < 0) {
                if (!ProcessRunning(database, static_cast<DWORD>(-process))) {
                    stale.push_back(select.Int(0));
                    continue;
                }
            } else if (ProcessEnded(process)) {
                stale.push_back(select.Int(0));
                continue;
            }
            std::int64_t access = select.Int(5);
            FileUse open{(access & kRead) != 0, (access & kWrite) != 0, (access & kRemove) != 0,
                         static_cast<DWORD>(select.Int(6))};
            if (static_cast<dev_t>(select.Int(2)) == info.st_dev && static_cast<ino_t>(select.Int(3)) == info.st_ino) {
                conflict = conflict || Conflicts(open, use);
                continue;
            }
            if (folder && use.remove && HasAccess(open) && IsBelow(select.Text(4), host)) conflict = true;
        }
        for (std::int64_t id : stale) {
            SqliteStatement remove(database, "DELETE FROM files_in_use WHERE id = ?");
            remove.Bind(1, id).Step();
        }
    });
    return conflict;
}

std::int64_t RecordUse(Machine& machine, std::int64_t process, const struct stat& info, const std::string& host,
                       const FileUse& use, std::int64_t until) {
    std::int64_t id = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateUseTable(database);
        SqliteStatement insert(database,
                               "INSERT INTO files_in_use(process, device, inode, host, access, share, until)"
                               " VALUES(?,?,?,?,?,?,?)");
        insert.Bind(1, process)
            .Bind(2, static_cast<std::int64_t>(info.st_dev))
            .Bind(3, static_cast<std::int64_t>(info.st_ino))
            .Bind(4, host)
            .Bind(5, AccessBits(use))
            .Bind(6, static_cast<std::int64_t>(use.shareMode))
            .Bind(7, until)
            .Step();
        id = database.LastInsertRowId();
    });
    return id;
}

class Registration : public FileShareRegistration {
  public:
    // `bound` is the machine the row belongs to when the process holds the use for that machine object;
    // otherwise the row goes only while the process is still attached to the machine it was made in.
    Registration(std::uint64_t id, std::string machineFolder, Machine* bound, std::int64_t row)
        : id_(id), machineFolder_(std::move(machineFolder)), bound_(bound), row_(row) {}
    ~Registration() override {
        {
            SharingTable& table = Table();
            std::lock_guard<std::mutex> lock(table.mutex);
            table.opens.erase(id_);
        }
        if (row_ == 0) return;
        Machine* machine = bound_ ? bound_ : Machine::CurrentOrNull();
        if (!machine || machine->folder().string() != machineFolder_) return;
        machine->WithState([&](SqliteDatabase& database) {
            SqliteStatement remove(database, "DELETE FROM files_in_use WHERE id = ?");
            remove.Bind(1, row_).Step();
        });
    }

  private:
    std::uint64_t id_;
    std::string machineFolder_;
    Machine* bound_;
    std::int64_t row_;
};

std::unique_ptr<FileShareRegistration> Register(Machine* machine, bool bound, const fs::path& host,
                                                const FileUse& use, DWORD* error) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) {
        if (error) *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    std::string key = HostKey(host);
    SharingTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (ConflictsWithOpen(table, info, key, use) ||
        (machine && ConflictsWithOtherProcesses(*machine, info, key, use))) {
        if (error) *error = ERROR_SHARING_VIOLATION;
        return nullptr;
    }
    std::uint64_t id = table.nextId++;
    table.opens.emplace(id, OpenFile{info.st_dev, info.st_ino, key, use});
    std::int64_t row = 0;
    if (machine && HasAccess(use)) row = RecordUse(*machine, ::getpid(), info, key, use, 0);
    return std::make_unique<Registration>(id, machine ? machine->folder().string() : std::string(),
                                          bound ? machine : nullptr, row);
}

}  // namespace

std::unique_ptr<FileShareRegistration> RegisterFileUse(const fs::path& host, const FileUse& use,
                                                       DWORD* error) {
    return Register(Machine::CurrentOrNull(), false, host, use, error);
}

std::unique_ptr<FileShareRegistration> RegisterFileUse(Machine& machine, const fs::path& host, const FileUse& use,
                                                       DWORD* error) {
    return Register(&machine, true, host, use, error);
}

DWORD CheckFileUse(const fs::path& host, const FileUse& use) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return 0;
    std::string key = HostKey(host);
    SharingTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (ConflictsWithOpen(table, info, key, use)) return ERROR_SHARING_VIOLATION;
    Machine* machine = Machine::CurrentOrNull();
    if (machine && ConflictsWithOtherProcesses(*machine, info, key, use)) return ERROR_SHARING_VIOLATION;
    return 0;
}

bool MarkFileInUse(Machine& machine, const fs::path& host, std::int64_t untilMilliseconds) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return false;
    RecordUse(machine, 0, info, HostKey(host), FileUse{true, false, false, FILE_SHARE_READ}, untilMilliseconds);
    return true;
}

bool MarkFileInUseByProcess(Machine& machine, const fs::path& host, DWORD processId) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return false;
    RecordUse(machine, -static_cast<std::int64_t>(processId), info, HostKey(host),
              FileUse{true, false, false, FILE_SHARE_READ}, 0);
    return true;
}

}  // namespace platform
