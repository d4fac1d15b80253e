#include "platform/machine/state.h"

#include <mutex>

#include "platform/machine/machine.h"
#include "platform/machine/sqlite_database.h"
#include "platform/machine/text.h"

namespace platform {

void CreateStateTables(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS faults(id INTEGER PRIMARY KEY, target TEXT NOT NULL, object TEXT NOT NULL,"
        " operation TEXT NOT NULL, error INTEGER NOT NULL, remaining INTEGER NOT NULL);"
        "CREATE TABLE IF NOT EXISTS short_names(folder TEXT NOT NULL, long_upper TEXT NOT NULL,"
        " long_name TEXT NOT NULL, short_upper TEXT NOT NULL, PRIMARY KEY(folder, long_upper));"
        "CREATE INDEX IF NOT EXISTS short_names_by_short ON short_names(folder, short_upper);"
        "CREATE TABLE IF NOT EXISTS boot_operations(id INTEGER PRIMARY KEY, source TEXT NOT NULL,"
        " destination TEXT NOT NULL, flags INTEGER NOT NULL);");
}

namespace {

struct FaultCache {
    std::mutex mutex;
    const Machine* machine = nullptr;
    // A later machine may take the address of a detached one; its folder tells them apart.
    std::string folder;
    std::uint64_t generation = ~0ull;
    std::vector<FaultRule> rules;
    std::vector<std::int64_t> ids;
};

FaultCache& Cache() {
    static FaultCache cache;
    return cache;
}

bool ObjectMatches(const std::string& rule, std::string_view object) {
    if (rule == "*") return true;
    if (rule.size() >= 2 && rule.compare(rule.size() - 2, 2, "\\*") == 0) {
        std::string_view prefix(rule.data(), rule.size() - 1);
        return object.size() >= prefix.size() && EqualsNoCase(object.substr(0, prefix.size()), prefix);
    }
    return EqualsNoCase(rule, object);
}

}  // namespace

void AddFault(Machine& machine, std::string_view target, std::string_view object, std::string_view operation,
              DWORD error, int times) {
    machine.WithState([&](SqliteDatabase& database) {
        SqliteStatement insert(database,
                               "INSERT INTO faults(target, object, operation, error, remaining) VALUES(?,?,?,?,?)");
        insert.Bind(1, target).Bind(2, object).Bind(3, LowerCopy(operation)).Bind(4, error).Bind(5, times < 0 ? -1 : times);
        insert.Step();
    });
    machine.counters().Advance(SharedCounter::Faults);
}

void ClearFaults(Machine& machine) {
    machine.WithState([](SqliteDatabase& database) { database.Execute("DELETE FROM faults"); });
    machine.counters().Advance(SharedCounter::Faults);
}

std::vector<FaultRule> ListFaults(Machine& machine) {
    std::vector<FaultRule> rules;
    machine.WithState([&](SqliteDatabase& database) {
        SqliteStatement select(database, "SELECT target, object, operation, error, remaining FROM faults ORDER BY id");
        while (select.Step()) {
            rules.push_back({select.Text(0), select.Text(1), select.Text(2), static_cast<DWORD>(select.Int(3)),
                             static_cast<int>(select.Int(4))});
        }
    });
    return rules;
}

DWORD InjectedFault(std::string_view target, std::string_view object, std::string_view operation) {
    Machine* machine = Machine::CurrentOrNull();
    if (!machine) return 0;
    FaultCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    std::uint64_t generation = machine->counters().Read(SharedCounter::Faults);
    if (cache.machine != machine || cache.folder != machine->folder().native() || cache.generation != generation) {
        cache.rules.clear();
        cache.ids.clear();
        machine->WithState([&](SqliteDatabase& database) {
            SqliteStatement select(database,
                                   "SELECT id, target, object, operation, error, remaining FROM faults"
                                   " WHERE remaining <> 0 ORDER BY id");
            while (select.Step()) {
                cache.ids.push_back(select.Int(0));
                cache.rules.push_back({select.Text(1), select.Text(2), select.Text(3),
                                       static_cast<DWORD>(select.Int(4)), static_cast<int>(select.Int(5))});
            }
        });
        cache.machine = machine;
        cache.folder = machine->folder().native();
        cache.generation = generation;
    }
    for (std::size_t index = 0; index < cache.rules.size(); ++index) {
        const FaultRule& rule = cache.rules[index];
        if (rule.target != target || !ObjectMatches(rule.object, object)) continue;
        if (rule.operation != "*" && !EqualsNoCase(rule.operation, operation)) continue;
        if (rule.remaining < 0) return rule.error;
        // A counted fault: use one up, unless another process took the last one first.
        bool taken = false;
        machine->WithState([&](SqliteDatabase& database) {
            SqliteStatement update(database, "UPDATE faults SET remaining = remaining - 1 WHERE id = ? AND remaining > 0");
            update.Bind(1, cache.ids[index]);
            update.Step();
            taken = database.Changes() > 0;
        });
        machine->counters().Advance(SharedCounter::Faults);
        cache.generation = ~0ull;
        if (taken) return rule.error;
    }
    return 0;
}

namespace {

void CreateDeviceRestartTable(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS device_removal_restart(instance_upper TEXT PRIMARY KEY, flags INTEGER NOT "
        "NULL)");
}

}  // namespace

void SetDeviceRemovalRestart(Machine& machine, std::string_view instanceId, DWORD flags) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateDeviceRestartTable(database);
        SqliteStatement insert(database,
                               "INSERT OR REPLACE INTO device_removal_restart(instance_upper, flags) VALUES(?, ?)");
        insert.Bind(1, UpperCopy(instanceId)).Bind(2, flags);
        insert.Step();
    });
}

DWORD DeviceRemovalRestart(Machine& machine, std::string_view instanceId) {
    DWORD flags = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateDeviceRestartTable(database);
        SqliteStatement select(database, "SELECT flags FROM device_removal_restart WHERE instance_upper = ?");
        select.Bind(1, UpperCopy(instanceId));
        if (select.Step()) flags = static_cast<DWORD>(select.Int(0));
    });
    return flags;
}

void AddBootOperation(Machine& machine, const BootOperation& operation) {
    machine.WithState([&](SqliteDatabase& database) {
        SqliteStatement insert(database, "INSERT INTO boot_operations(source, destination, flags) VALUES(?,?,?)");
        insert.Bind(1, operation.source).Bind(2, operation.destination).Bind(3, operation.flags);
        insert.Step();
    });
}

std::vector<BootOperation> ListBootOperations(Machine& machine) {
    std::vector<BootOperation> operations;
    machine.WithState([&](SqliteDatabase& database) {
        SqliteStatement select(database, "SELECT source, destination, flags FROM boot_operations ORDER BY id");
        while (select.Step()) {
            operations.push_back({select.Text(0), select.Text(1), static_cast<DWORD>(select.Int(2))});
        }
    });
    return operations;
}

void ClearBootOperations(Machine& machine) {
    machine.WithState([](SqliteDatabase& database) { database.Execute("DELETE FROM boot_operations"); });
}

}  // namespace platform
