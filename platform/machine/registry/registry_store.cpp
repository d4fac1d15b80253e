#include "platform/machine/registry/registry_store.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <tuple>

#include "platform/machine/shell_folders.h"
#include "platform/machine/text.h"
#include "winnt.h"

namespace platform {

namespace {

constexpr std::string_view kLocalMachine = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kUsers = "HKEY_USERS";
constexpr std::string_view kDynData = "HKEY_DYN_DATA";

constexpr std::string_view kSchema =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL, upper TEXT NOT NULL, class TEXT NOT NULL DEFAULT '', write_time INTEGER NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_parent ON keys(parent, upper);"
    "CREATE TABLE IF NOT EXISTS key_values(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,"
    " upper TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);"
    "CREATE UNIQUE INDEX IF NOT EXISTS values_by_key ON key_values(key, upper);";

// Resets a statement when a read or write is done with it, so that no connection keeps an old snapshot
// of the database open between calls.
class Run {
  public:
    explicit Run(SqliteStatement& statement) : statement_(statement) {}
    ~Run() { statement_.Reset(); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    SqliteStatement* operator->() { return &statement_; }

  private:
    SqliteStatement& statement_;
};

struct ThreadConnection {
    std::string folder;
    std::unique_ptr<RegistryStore> store;
};

}  // namespace

struct RegistryStore::Statements {
    explicit Statements(SqliteDatabase& database)
        : root(database, "SELECT id FROM keys WHERE parent = 0 AND upper = ?"),
          child(database, "SELECT id, name FROM keys WHERE parent = ? AND upper = ?"),
          key(database, "SELECT class, write_time FROM keys WHERE id = ?"),
          keyName(database, "SELECT parent, name FROM keys WHERE id = ?"),
          subkeys(database, "SELECT id, name, class, write_time FROM keys WHERE parent = ? ORDER BY upper"),
          hasSubkeys(database, "SELECT 1 FROM keys WHERE parent = ? LIMIT 1"),
          values(database, "SELECT name, type, data FROM key_values WHERE key = ? ORDER BY id"),
          value(database, "SELECT name, type, data FROM key_values WHERE key = ? AND upper = ?"),
          contents(database,
                   "SELECT 0, id, name, class, write_time, NULL FROM keys WHERE parent = ?1 UNION ALL"
                   " SELECT 1, id, name, '', type, data FROM key_values WHERE key = ?1"),
          insertKey(database,
                    "INSERT INTO keys(parent, name, upper, class, write_time) VALUES(?, ?, ?, ?, ?)"),
          touch(database, "UPDATE keys SET write_time = ? WHERE id = ?"),
          setValue(database,
                   "INSERT INTO key_values(key, name, upper, type, data) VALUES(?, ?, ?, ?, ?)"
                   " ON CONFLICT(key, upper) DO UPDATE SET type = excluded.type, data = excluded.data"),
          deleteValue(database, "DELETE FROM key_values WHERE key = ? AND upper = ?"),
          collectTree(database,
                      "INSERT INTO temp.doomed(id) WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL"
                      " SELECT keys.id FROM keys JOIN tree ON keys.parent = tree.id) SELECT id FROM tree"),
          deleteTreeValues(database, "DELETE FROM key_values WHERE key IN (SELECT id FROM temp.doomed)"),
          deleteTreeKeys(database, "DELETE FROM keys WHERE id IN (SELECT id FROM temp.doomed)"),
          clearTree(database, "DELETE FROM temp.doomed"),
          begin(database, "BEGIN"),
          commit(database, "COMMIT") {}

    SqliteStatement root, child, key, keyName, subkeys, hasSubkeys, values, value, contents, insertKey, touch,
        setValue, deleteValue, collectTree, deleteTreeValues, deleteTreeKeys, clearTree, begin, commit;
    // KeysBelow's statements, made when first asked for: by depth, number of values, whether a subkey's
    // values stand in for missing ones and whether names are read.
    std::map<std::tuple<std::size_t, std::size_t, bool, bool>, std::unique_ptr<SqliteStatement>> keysBelow;
};

namespace {

// The keys `depth` levels below ?1 through the index of keys by parent and name, which hands each level
// over in upper-case order so that the ORDER BY costs no sorting; without names the walk reads that index
// alone. Each value (named ?2, ?3, ...) of the deepest key is found through the unique index of values by
// key and name; a missing one is looked for in the key's subkey named by the parameter after the values',
// which COALESCE reads only then.
std::string KeysBelowQuery(std::size_t depth, std::size_t valueCount, bool withFallback, bool withNames) {
    auto level = [](std::size_t index) { return "k" + std::to_string(index); };
    const std::string deepest = level(depth);
    const std::string fallback = "?" + std::to_string(valueCount + 2);
    std::string columns = deepest + ".id";
    std::string from = "keys k1";
    std::string order;
    for (std::size_t index = 1; index <= depth; ++index) {
        if (withNames) columns += ", " + level(index) + ".name";
        if (index > 1) {
            from += " JOIN keys " + level(index) + " ON " + level(index) + ".parent = " + level(index - 1) + ".id";
            order += ", ";
        }
        order += level(index) + ".upper";
    }
    for (std::size_t index = 0; index < valueCount; ++index) {
        std::string alias = "v" + std::to_string(index);
        std::string name = "?" + std::to_string(index + 2);
        from += " LEFT JOIN key_values " + alias + " ON " + alias + ".key = " + deepest + ".id AND " + alias +
                ".upper = " + name;
        if (withFallback) {
            columns += ", COALESCE(" + alias + ".data, (SELECT w.data FROM keys s JOIN key_values w ON w.key = s.id" +
                       " AND w.upper = " + name + " WHERE s.parent = " + deepest + ".id AND s.upper = " + fallback + "))";
        } else {
            columns += ", " + alias + ".data";
        }
    }
    return "SELECT " + columns + " FROM " + from + " WHERE k1.parent = ?1 ORDER BY " + order;
}

}  // namespace

std::optional<std::string> RealRootPath(const MachineSettings& settings, std::string_view rootName) {
    bool nt = settings.os.IsNT();
    if (EqualsNoCase(rootName, kLocalMachine)) return std::string(kLocalMachine);
    if (EqualsNoCase(rootName, kUsers)) return std::string(kUsers);
    if (EqualsNoCase(rootName, "HKEY_CLASSES_ROOT"))
        return std::string(kLocalMachine) + "\\SOFTWARE\\Classes";
    if (EqualsNoCase(rootName, "HKEY_CURRENT_USER")) {
        return std::string(kUsers) + "\\" + (nt ? std::string(kCurrentUserKeyNT) : std::string(".DEFAULT"));
    }
    if (EqualsNoCase(rootName, "HKEY_CURRENT_CONFIG")) {
        return std::string(kLocalMachine) +
               (nt ? "\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current" : "\\Config\\0001");
    }
    if (EqualsNoCase(rootName, kDynData) && !nt) return std::string(kDynData);
    return std::nullopt;
}

std::optional<std::string> UserClassesPath(const MachineSettings& settings) {
    OsKind kind = settings.os.kind;
    if (kind != OsKind::Windows2000 && kind != OsKind::WindowsXP) return std::nullopt;
    return *RealRootPath(settings, "HKEY_CURRENT_USER") + "\\Software\\Classes";
}

std::size_t MaxValueNameLength(const MachineSettings& settings) {
    // Windows 9x keeps every name to 255 characters; the ANSI calls of Windows 2000 take 260.
    if (!settings.os.IsNT()) return 255;
    if (settings.os.kind == OsKind::Windows2000) return 260;
    return 16383;
}

std::optional<std::string> KeyPathBeyondLimits(std::string_view storedPath) {
    std::vector<std::string_view> parts = SplitKeyPath(storedPath);
    for (std::string_view part : parts) {
        if (part.size() > kMaxKeyNameLength) {
            return "key name longer than " + std::to_string(kMaxKeyNameLength) + " characters: " +
                   std::string(part.substr(0, 32)) + "...";
        }
    }
    if (parts.size() > kMaxKeyDepth + 1)
        return "key more than " + std::to_string(kMaxKeyDepth) + " levels deep";
    return std::nullopt;
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('\\', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::int64_t CurrentFileTime() {
    constexpr std::int64_t kTicksFrom1601To1970 = 116444736000000000LL;
    auto now = std::chrono::system_clock::now().time_since_epoch();
    return kTicksFrom1601To1970 + std::chrono::duration_cast<std::chrono::microseconds>(now).count() * 10;
}

RegistryStore& RegistryStore::For(Machine& machine) {
    thread_local ThreadConnection connection;
    if (!connection.store || connection.folder != machine.folder().native()) {
        connection.store.reset();
        connection.store =
            std::make_unique<RegistryStore>(machine.folder() / "registry.db", machine.settings());
        connection.folder = machine.folder().native();
    }
    connection.store->counters_ = &machine.counters();
    return *connection.store;
}

RegistryStore::RegistryStore(const std::filesystem::path& databaseFile, const MachineSettings& settings)
    : database_(databaseFile), settings_(settings) {
    database_.Execute("CREATE TEMP TABLE IF NOT EXISTS doomed(id INTEGER PRIMARY KEY)");
    bool ready = false;
    {
        SqliteStatement check(database_, "SELECT 1 FROM sqlite_master WHERE name = 'key_values'");
        ready = check.Step();
    }
    if (!ready) {
        SqliteTransaction transaction(database_);
        database_.Execute(kSchema);
        std::vector<std::string_view> roots{kLocalMachine, kUsers};
        if (!settings.os.IsNT()) roots.push_back(kDynData);
        for (std::string_view root : roots) {
            SqliteStatement insert(database_,
                                   "INSERT INTO keys(parent, name, upper, write_time) SELECT 0, ?1, ?1, ?2"
                                   " WHERE NOT EXISTS (SELECT 1 FROM keys WHERE parent = 0 AND upper = ?1)");
            insert.Bind(1, root).Bind(2, CurrentFileTime());
            insert.Step();
        }
        transaction.Commit();
    }
    statements_ = std::make_unique<Statements>(database_);
}

RegistryStore::~RegistryStore() = default;

void RegistryStore::EnterRead() {
    // Inside a write the write transaction is the snapshot; without counters nothing could tell when
    // a held snapshot went stale.
    if (batchDepth_ > 0 || writing_ || !counters_) return;
    constexpr auto kLongestHold = std::chrono::milliseconds(20);
    std::uint64_t generation = counters_->Read(SharedCounter::Registry);
    auto now = std::chrono::steady_clock::now();
    if (reading_ && (generation != readGeneration_ || now - readStart_ > kLongestHold)) LeaveRead();
    if (reading_) return;
    Run run(statements_->begin);
    run->Step();
    reading_ = true;
    readGeneration_ = generation;
    readStart_ = now;
}

void RegistryStore::LeaveRead() {
    if (!reading_) return;
    reading_ = false;
    Run run(statements_->commit);
    run->Step();
}

template <typename Action>
auto RegistryStore::Write(Action&& action) {
    if (batchDepth_ > 0) return action();
    LeaveRead();
    SqliteTransaction transaction(database_);
    struct Writing {
        bool& flag;
        ~Writing() { flag = false; }
    } writing{writing_ = true};
    auto result = action();
    transaction.Commit();
    if (counters_) counters_->Advance(SharedCounter::Registry);
    return result;
}

RegistryStore::Batch::Batch(RegistryStore& store)
    : store_(store), transaction_((store.LeaveRead(), store.database_)) {
    ++store_.batchDepth_;
}

RegistryStore::Batch::~Batch() {
    --store_.batchDepth_;
}

void RegistryStore::Batch::Commit() {
    transaction_.Commit();
    if (store_.counters_) store_.counters_->Advance(SharedCounter::Registry);
}

std::optional<std::int64_t> RegistryStore::RootId(std::string_view storedRootName) {
    EnterRead();
    Run run(statements_->root);
    run->Bind(1, UpperCopy(storedRootName));
    if (!run->Step()) return std::nullopt;
    return run->Int(0);
}

std::optional<std::int64_t> RegistryStore::FindSubkey(std::int64_t parent, std::string_view name) {
    EnterRead();
    Run run(statements_->child);
    run->Bind(1, parent).Bind(2, UpperCopy(name));
    if (!run->Step()) return std::nullopt;
    return run->Int(0);
}

std::optional<std::int64_t> RegistryStore::FindPath(std::int64_t root,
                                                    const std::vector<std::string_view>& components,
                                                    std::vector<std::string>* spelling) {
    EnterRead();
    std::int64_t current = root;
    for (std::string_view component : components) {
        Run run(statements_->child);
        run->Bind(1, current).Bind(2, UpperCopy(component));
        if (!run->Step()) return std::nullopt;
        current = run->Int(0);
        if (spelling) spelling->push_back(run->Text(1));
    }
    return current;
}

std::optional<std::int64_t> RegistryStore::FindKey(std::string_view fullPath,
                                                   std::vector<std::string>* spelling) {
    std::vector<std::string_view> parts = SplitKeyPath(fullPath);
    if (parts.empty()) return std::nullopt;
    std::optional<std::string> real = RealRootPath(settings_, parts.front());
    if (!real) return std::nullopt;
    std::vector<std::string_view> realParts = SplitKeyPath(*real);
    std::optional<std::int64_t> root = RootId(realParts.front());
    if (!root) return std::nullopt;
    std::optional<std::int64_t> base =
        FindPath(*root, std::vector<std::string_view>(realParts.begin() + 1, realParts.end()), nullptr);
    if (!base) return std::nullopt;
    return FindPath(*base, std::vector<std::string_view>(parts.begin() + 1, parts.end()), spelling);
}

std::optional<RegistryKeyRecord> RegistryStore::Key(std::int64_t id) {
    EnterRead();
    Run run(statements_->key);
    run->Bind(1, id);
    if (!run->Step()) return std::nullopt;
    return RegistryKeyRecord{id, run->Text(0), run->Int(1)};
}

std::vector<RegistrySubkey> RegistryStore::Subkeys(std::int64_t id) {
    EnterRead();
    std::vector<RegistrySubkey> subkeys;
    Run run(statements_->subkeys);
    run->Bind(1, id);
    while (run->Step()) subkeys.push_back({run->Int(0), run->Text(1), run->Text(2), run->Int(3)});
    return subkeys;
}

bool RegistryStore::HasSubkeys(std::int64_t id) {
    EnterRead();
    Run run(statements_->hasSubkeys);
    run->Bind(1, id);
    return run->Step();
}

std::vector<RegistryValue> RegistryStore::Values(std::int64_t id) {
    EnterRead();
    std::vector<RegistryValue> values;
    Run run(statements_->values);
    run->Bind(1, id);
    while (run->Step()) values.push_back({run->Text(0), static_cast<DWORD>(run->Int(1)), run->Blob(2)});
    return values;
}

std::optional<RegistryValue> RegistryStore::Value(std::int64_t id, std::string_view name) {
    EnterRead();
    Run run(statements_->value);
    run->Bind(1, id).Bind(2, UpperCopy(name));
    if (!run->Step()) return std::nullopt;
    return RegistryValue{run->Text(0), static_cast<DWORD>(run->Int(1)), run->Blob(2)};
}

RegistryKeyContents RegistryStore::Contents(std::int64_t id) {
    EnterRead();
    RegistryKeyContents contents;
    std::vector<std::int64_t> valueIds;
    {
        Run run(statements_->contents);
        run->Bind(1, id);
        while (run->Step()) {
            if (run->Int(0) == 0) {
                contents.subkeys.push_back({run->Int(1), run->Text(2), run->Text(3), run->Int(4)});
            } else {
                valueIds.push_back(run->Int(1));
                contents.values.push_back({run->Text(2), static_cast<DWORD>(run->Int(4)), run->Blob(5)});
            }
        }
    }
    std::sort(contents.subkeys.begin(), contents.subkeys.end(),
              [](const RegistrySubkey& left, const RegistrySubkey& right) {
                  return CompareNoCase(left.name, right.name) < 0;
              });
    // Values go back to the order they were created in (their row ids).
    std::vector<std::size_t> order(valueIds.size());
    for (std::size_t index = 0; index < order.size(); ++index) order[index] = index;
    std::sort(order.begin(), order.end(),
              [&](std::size_t left, std::size_t right) { return valueIds[left] < valueIds[right]; });
    std::vector<RegistryValue> values;
    values.reserve(order.size());
    for (std::size_t index : order) values.push_back(std::move(contents.values[index]));
    contents.values = std::move(values);
    return contents;
}

std::vector<RegistryKeyBelow> RegistryStore::KeysBelow(std::int64_t id, std::size_t depth,
                                                       const std::vector<std::string_view>& valueNames,
                                                       std::string_view fallbackSubkey, RegistryKeyNames names) {
    std::vector<RegistryKeyBelow> keys;
    if (depth == 0) return keys;
    EnterRead();
    bool withFallback = !fallbackSubkey.empty();
    bool withNames = names == RegistryKeyNames::Read;
    std::unique_ptr<SqliteStatement>& statement =
        statements_->keysBelow[std::make_tuple(depth, valueNames.size(), withFallback, withNames)];
    if (!statement) {
        statement = std::make_unique<SqliteStatement>(
            database_, KeysBelowQuery(depth, valueNames.size(), withFallback, withNames));
    }
    Run run(*statement);
    run->Bind(1, id);
    int parameter = 2;
    for (std::string_view name : valueNames) run->Bind(parameter++, UpperCopy(name));
    if (withFallback) run->Bind(parameter, UpperCopy(fallbackSubkey));
    while (run->Step()) {
        RegistryKeyBelow& key = keys.emplace_back();
        key.id = run->Int(0);
        int column = 1;
        if (withNames) {
            key.names.reserve(depth);
            for (std::size_t level = 0; level < depth; ++level) key.names.push_back(run->Text(column++));
        }
        key.values.reserve(valueNames.size());
        for (std::size_t index = 0; index < valueNames.size(); ++index, ++column) {
            key.values.push_back(run->IsNull(column) ? std::nullopt : std::optional<std::string>(run->Blob(column)));
        }
    }
    return keys;
}

std::optional<std::vector<std::string>> RegistryStore::KeyNames(std::int64_t id, std::size_t levels) {
    EnterRead();
    std::vector<std::string> names(levels);
    for (std::size_t level = levels; level > 0; --level) {
        Run run(statements_->keyName);
        run->Bind(1, id);
        if (!run->Step()) return std::nullopt;
        names[level - 1] = run->Text(1);
        id = run->Int(0);
    }
    return names;
}

void RegistryStore::Touch(std::int64_t key, std::int64_t time) {
    Run run(statements_->touch);
    run->Bind(1, time).Bind(2, key);
    run->Step();
}

RegistryStore::Created RegistryStore::CreateKey(std::int64_t parent,
                                                const std::vector<std::string_view>& components,
                                                std::string_view className) {
    return Write([&] {
        Created result{parent, false};
        std::int64_t now = CurrentFileTime();
        for (std::string_view component : components) {
            std::string upper = UpperCopy(component);
            {
                Run find(statements_->child);
                find->Bind(1, result.id).Bind(2, upper);
                if (find->Step()) {
                    result.id = find->Int(0);
                    continue;
                }
            }
            Run insert(statements_->insertKey);
            insert->Bind(1, result.id).Bind(2, component).Bind(3, upper).Bind(4, className).Bind(5, now);
            insert->Step();
            // The parent's subkey list changed, so it counts as written.
            if (batchDepth_ == 0) Touch(result.id, now);
            result.id = database_.LastInsertRowId();
            result.created = true;
        }
        return result;
    });
}

void RegistryStore::SetValue(std::int64_t key, std::string_view name, DWORD type, std::string_view data) {
    Write([&] {
        Run run(statements_->setValue);
        run->Bind(1, key).Bind(2, name).Bind(3, UpperCopy(name)).Bind(4, static_cast<std::int64_t>(type));
        run->BindBlob(5, data.data(), data.size());
        run->Step();
        if (batchDepth_ == 0) Touch(key, CurrentFileTime());
        return 0;
    });
}

bool RegistryStore::DeleteValue(std::int64_t key, std::string_view name) {
    return Write([&] {
        Run run(statements_->deleteValue);
        run->Bind(1, key).Bind(2, UpperCopy(name));
        run->Step();
        bool deleted = database_.Changes() > 0;
        if (deleted && batchDepth_ == 0) Touch(key, CurrentFileTime());
        return deleted;
    });
}

void RegistryStore::DeleteKeyTree(std::int64_t id) {
    Write([&] {
        std::optional<std::int64_t> parent;
        {
            SqliteStatement select(database_, "SELECT parent FROM keys WHERE id = ?");
            select.Bind(1, id);
            if (select.Step()) parent = select.Int(0);
        }
        {
            Run run(statements_->clearTree);
            run->Step();
        }
        {
            Run run(statements_->collectTree);
            run->Bind(1, id);
            run->Step();
        }
        {
            Run run(statements_->deleteTreeValues);
            run->Step();
        }
        {
            Run run(statements_->deleteTreeKeys);
            run->Step();
        }
        {
            Run run(statements_->clearTree);
            run->Step();
        }
        if (parent && *parent != 0 && batchDepth_ == 0) Touch(*parent, CurrentFileTime());
        return 0;
    });
}

namespace {

// The keys and values a fresh installation has. Paths are full, with the stored roots.
struct BaseKey {
    std::string path;
    std::vector<std::pair<std::string, std::string>> strings;
};

// CLSID_ShellLink.
constexpr std::string_view kShellLinkClass = "{00021401-0000-0000-C000-000000000046}";

// The "Shell Folders" values of the named folders, as a fresh installation has them.
std::vector<std::pair<std::string, std::string>> ShellFolderValues(const MachineSettings& settings,
                                                                   std::initializer_list<const char*> names) {
    std::vector<std::pair<std::string, std::string>> values;
    for (const char* name : names) {
        if (std::optional<std::string> folder = DefaultShellFolder(settings, name)) values.emplace_back(name, *folder);
    }
    return values;
}

std::vector<BaseKey> BaseKeys(const MachineSettings& settings) {
    bool nt = settings.os.IsNT();
    const std::string lm = std::string(kLocalMachine);
    const std::string control = lm + "\\SYSTEM\\CurrentControlSet\\Control";
    const std::string print = control + "\\Print";
    const std::string userKey = *RealRootPath(settings, "HKEY_CURRENT_USER");
    const std::string programFiles = settings.programFilesFolder;

    std::vector<BaseKey> keys = {
        {lm + "\\SOFTWARE\\Classes", {}},
        {lm + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
         {{"ProgramFilesDir", programFiles}, {"CommonFilesDir", programFiles + "\\Common Files"}}},
        {lm + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", {}},
        {lm + "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", {}},
        {print + "\\Printers", {}},
        {print + "\\Monitors", {}},
        // Every installation prints to the parallel and serial ports and to files through Local Port.
        {print + "\\Monitors\\Local Port", {{"Driver", nt ? "localspl.dll" : "spoolss.dll"}}},
        // Windows NT files a port below its monitor, Windows 9x keeps one list of ports.
        {print + (nt ? "\\Monitors\\Local Port\\Ports\\LPT1:" : "\\Ports\\LPT1:"),
         {{"Description", "Local Port"}}},
        {print + (nt ? "\\Monitors\\Local Port\\Ports\\COM1:" : "\\Ports\\COM1:"),
         {{"Description", "Local Port"}}},
        {print + (nt ? "\\Monitors\\Local Port\\Ports\\FILE:" : "\\Ports\\FILE:"),
         {{"Description", "Local Port"}}},
        {print + (nt ? "\\Environments\\Windows NT x86\\Drivers" : "\\Environments\\Windows 4.0\\Drivers"),
         {}},
        {print + "\\Providers\\LanMan Print Services\\Servers", {}},
        {lm + "\\SYSTEM\\CurrentControlSet\\Services", {}},
        {lm + "\\SYSTEM\\CurrentControlSet\\Enum", {}},
        {control + "\\Class", {}},
        {control + "\\Session Manager", {}},
        {lm + (nt ? "\\SYSTEM\\CurrentControlSet\\Hardware Profiles\\Current" : "\\Config\\0001"), {}},
        {std::string(kUsers) + "\\.DEFAULT", {}},
        {userKey + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         ShellFolderValues(settings, {"Desktop", "Programs", "Start Menu", "Startup", "Personal"})},
        // The shell's link object, an in-process server of shell32.
        {lm + "\\SOFTWARE\\Classes\\CLSID\\" + std::string(kShellLinkClass), {{"", "Shortcut"}}},
        {lm + "\\SOFTWARE\\Classes\\CLSID\\" + std::string(kShellLinkClass) + "\\InprocServer32",
         {{"", "shell32.dll"}, {"ThreadingModel", "Apartment"}}},
        {lm + "\\SOFTWARE\\Classes\\.lnk", {{"", "lnkfile"}}},
        {lm + "\\SOFTWARE\\Classes\\lnkfile", {{"", "Shortcut"}, {"IsShortcut", ""}}},
        {lm + "\\SOFTWARE\\Classes\\lnkfile\\CLSID", {{"", std::string(kShellLinkClass)}}},
    };
    // The web browser control of the system folder's shdocvw.dll (its stub is among the system's own
    // programs), with its type library, as every installation registers it.
    const std::string classes = lm + "\\SOFTWARE\\Classes";
    const std::string browserClass = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
    const std::string browserLibrary = "{EAB22AC0-30C1-11CF-A7EB-0000C05BAE0B}";
    const std::string browserFile = settings.systemFolder + "\\shdocvw.dll";
    keys.push_back({classes + "\\CLSID\\" + browserClass, {{"", "Web Browser"}}});
    keys.push_back({classes + "\\CLSID\\" + browserClass + "\\InprocServer32",
                    {{"", browserFile}, {"ThreadingModel", "Apartment"}}});
    keys.push_back({classes + "\\CLSID\\" + browserClass + "\\ProgID", {{"", "Shell.Explorer.2"}}});
    keys.push_back({classes + "\\CLSID\\" + browserClass + "\\TypeLib", {{"", browserLibrary}}});
    keys.push_back({classes + "\\Shell.Explorer.2", {{"", "Web Browser"}}});
    keys.push_back({classes + "\\Shell.Explorer.2\\CLSID", {{"", browserClass}}});
    keys.push_back({classes + "\\TypeLib\\" + browserLibrary + "\\1.1", {{"", "Internet controls"}}});
    keys.push_back({classes + "\\TypeLib\\" + browserLibrary + "\\1.1\\FLAGS", {{"", "0"}}});
    keys.push_back({classes + "\\TypeLib\\" + browserLibrary + "\\1.1\\0\\win32", {{"", browserFile}}});
    if (nt) {
        const OsProfile& os = settings.os;
        BaseKey version{
            lm + "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
            {{"CurrentVersion", std::to_string(os.majorVersion) + "." + std::to_string(os.minorVersion)},
             {"CurrentBuildNumber", std::to_string(os.buildNumber & 0xFFFF)},
             {"SystemRoot", settings.windowsFolder}}};
        if (!os.csdVersion.empty()) version.strings.push_back({"CSDVersion", os.csdVersion});
        keys.push_back(version);
    }
    return keys;
}

}  // namespace

void InitializeMachineRegistry(const std::filesystem::path& folder, const MachineSettings& settings) {
    RegistryStore store(folder / "registry.db", settings);
    RegistryStore::Batch batch(store);
    for (const BaseKey& key : BaseKeys(settings)) {
        std::vector<std::string_view> parts = SplitKeyPath(key.path);
        std::int64_t root = *store.RootId(parts.front());
        std::int64_t id =
            store.CreateKey(root, std::vector<std::string_view>(parts.begin() + 1, parts.end()), "").id;
        for (const auto& [name, text] : key.strings) {
            std::string data = text;
            data.push_back('\0');
            store.SetValue(id, name, REG_SZ, data);
        }
    }
    batch.Commit();
}

}  // namespace platform
