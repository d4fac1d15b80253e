#include "platform/machine/file_sharing.h"

#include <sys/stat.h>

#include <map>
#include <mutex>
#include <string>

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

class Registration : public FileShareRegistration {
  public:
    explicit Registration(std::uint64_t id) : id_(id) {}
    ~Registration() override {
        SharingTable& table = Table();
        std::lock_guard<std::mutex> lock(table.mutex);
        table.opens.erase(id_);
    }

  private:
    std::uint64_t id_;
};

std::string HostKey(const fs::path& host) {
    return host.lexically_normal().string();
}

}  // namespace

std::unique_ptr<FileShareRegistration> RegisterFileUse(const fs::path& host, const FileUse& use,
                                                       DWORD* error) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) {
        if (error) *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    std::string key = HostKey(host);
    SharingTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (ConflictsWithOpen(table, info, key, use)) {
        if (error) *error = ERROR_SHARING_VIOLATION;
        return nullptr;
    }
    std::uint64_t id = table.nextId++;
    table.opens.emplace(id, OpenFile{info.st_dev, info.st_ino, key, use});
    return std::make_unique<Registration>(id);
}

DWORD CheckFileUse(const fs::path& host, const FileUse& use) {
    struct stat info;
    if (::stat(host.c_str(), &info) != 0) return 0;
    SharingTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    return ConflictsWithOpen(table, info, HostKey(host), use) ? ERROR_SHARING_VIOLATION : 0;
}

}  // namespace platform
