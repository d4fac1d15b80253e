#include "platform/machine/services/service_store.h"

#include <unistd.h>

#include <cstring>

#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/registry/registry_store.h"
#include "platform/machine/sqlite_database.h"
#include "platform/machine/text.h"
#include "winnt.h"
#include "winsvc.h"

namespace platform::services {

namespace {

constexpr char kDeleteFlag[] = "DeleteFlag";

void CreateServiceTables(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS service_states(name_upper TEXT PRIMARY KEY, state INTEGER NOT NULL);"
        "CREATE TABLE IF NOT EXISTS service_handles(id INTEGER PRIMARY KEY, process INTEGER NOT NULL,"
        " name_upper TEXT NOT NULL)");
}

std::optional<std::int64_t> ServiceKey(Machine& machine, std::string_view name) {
    if (name.empty() || name.find('\\') != std::string_view::npos) return std::nullopt;
    RegistryStore& store = RegistryStore::For(machine);
    std::optional<std::int64_t> root = store.FindKey(kServicesKey);
    if (!root) return std::nullopt;
    std::optional<std::int64_t> key = store.FindSubkey(*root, name);
    // A key without a type is a place other software keeps its settings, not a service.
    if (!key || !store.Value(*key, "Type")) return std::nullopt;
    return key;
}

DWORD NumberValue(RegistryStore& store, std::int64_t key, std::string_view name, DWORD fallback) {
    std::optional<RegistryValue> value = store.Value(key, name);
    if (!value || value->data.size() < sizeof(DWORD)) return fallback;
    DWORD number = 0;
    std::memcpy(&number, value->data.data(), sizeof number);
    return number;
}

// A string value without the zero bytes that end it.
std::string TextValue(RegistryStore& store, std::int64_t key, std::string_view name) {
    std::optional<RegistryValue> value = store.Value(key, name);
    if (!value) return {};
    std::string text = value->data;
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

DWORD StateAtStart(DWORD start) {
    return start <= SERVICE_AUTO_START ? SERVICE_RUNNING : SERVICE_STOPPED;
}

}  // namespace

std::vector<std::string> ListServices(Machine& machine) {
    std::vector<std::string> names;
    RegistryStore& store = RegistryStore::For(machine);
    std::optional<std::int64_t> root = store.FindKey(kServicesKey);
    if (!root) return names;
    for (const RegistrySubkey& subkey : store.Subkeys(*root)) {
        if (store.Value(subkey.id, "Type")) names.push_back(subkey.name);
    }
    return names;
}

std::optional<ServiceConfig> FindService(Machine& machine, std::string_view name) {
    std::optional<std::int64_t> key = ServiceKey(machine, name);
    if (!key) return std::nullopt;
    RegistryStore& store = RegistryStore::For(machine);
    ServiceConfig config;
    std::vector<std::string> spelling;
    store.FindKey(std::string(kServicesKey) + "\\" + std::string(name), &spelling);
    config.name = spelling.empty() ? std::string(name) : spelling.back();
    config.type = NumberValue(store, *key, "Type", 0);
    config.start = NumberValue(store, *key, "Start", SERVICE_DEMAND_START);
    config.errorControl = NumberValue(store, *key, "ErrorControl", SERVICE_ERROR_NORMAL);
    config.imagePath = TextValue(store, *key, "ImagePath");
    config.group = TextValue(store, *key, "Group");
    config.tag = NumberValue(store, *key, "Tag", 0);
    config.dependencies = TextValue(store, *key, "DependOnService");
    config.objectName = TextValue(store, *key, "ObjectName");
    // A program service without an account runs as the system; a driver has none.
    if (config.objectName.empty() && (config.type & SERVICE_WIN32)) config.objectName = "LocalSystem";
    config.displayName = TextValue(store, *key, "DisplayName");
    if (config.displayName.empty()) config.displayName = config.name;
    return config;
}

DWORD CurrentState(Machine& machine, std::string_view name) {
    std::optional<DWORD> state;
    machine.WithState([&](SqliteDatabase& database) {
        CreateServiceTables(database);
        SqliteStatement select(database, "SELECT state FROM service_states WHERE name_upper = ?");
        select.Bind(1, UpperCopy(name));
        if (select.Step()) state = static_cast<DWORD>(select.Int(0));
    });
    if (state) return *state;
    std::optional<ServiceConfig> config = FindService(machine, name);
    return config ? StateAtStart(config->start) : SERVICE_STOPPED;
}

void SetState(Machine& machine, std::string_view name, DWORD state) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateServiceTables(database);
        SqliteStatement insert(database, "INSERT OR REPLACE INTO service_states(name_upper, state) VALUES(?, ?)");
        insert.Bind(1, UpperCopy(name)).Bind(2, state);
        insert.Step();
    });
    machine.counters().Advance(SharedCounter::Services);
}

bool IsMarkedForDeletion(Machine& machine, std::string_view name) {
    std::optional<std::int64_t> key = ServiceKey(machine, name);
    return key && NumberValue(RegistryStore::For(machine), *key, kDeleteFlag, 0) != 0;
}

void MarkForDeletion(Machine& machine, std::string_view name) {
    std::optional<std::int64_t> key = ServiceKey(machine, name);
    if (!key) return;
    DWORD flag = 1;
    RegistryStore::For(machine).SetValue(*key, kDeleteFlag, REG_DWORD,
                                         std::string_view(reinterpret_cast<const char*>(&flag), sizeof flag));
    machine.counters().Advance(SharedCounter::Services);
}

std::int64_t RecordHandle(Machine& machine, std::string_view name) {
    std::int64_t record = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateServiceTables(database);
        SqliteStatement insert(database, "INSERT INTO service_handles(process, name_upper) VALUES(?, ?)");
        insert.Bind(1, static_cast<std::int64_t>(::getpid())).Bind(2, UpperCopy(name));
        insert.Step();
        record = database.LastInsertRowId();
    });
    return record;
}

void ForgetHandle(Machine& machine, std::int64_t record) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateServiceTables(database);
        SqliteStatement remove(database, "DELETE FROM service_handles WHERE id = ?");
        remove.Bind(1, record);
        remove.Step();
    });
}

int OpenHandles(Machine& machine, std::string_view name) {
    int count = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateServiceTables(database);
        SqliteStatement select(database, "SELECT id, process FROM service_handles WHERE name_upper = ?");
        select.Bind(1, UpperCopy(name));
        count = CountRowsOfRunningProcesses(database, select, "service_handles");
    });
    return count;
}

std::vector<std::string> DeleteUnusedMarkedServices(Machine& machine) {
    std::vector<std::string> deleted;
    for (const std::string& name : ListServices(machine)) {
        if (!IsMarkedForDeletion(machine, name)) continue;
        if (CurrentState(machine, name) != SERVICE_STOPPED || OpenHandles(machine, name) > 0) continue;
        if (std::optional<std::int64_t> key = ServiceKey(machine, name)) {
            RegistryStore::For(machine).DeleteKeyTree(*key);
        }
        machine.WithState([&](SqliteDatabase& database) {
            SqliteStatement remove(database, "DELETE FROM service_states WHERE name_upper = ?");
            remove.Bind(1, UpperCopy(name));
            remove.Step();
        });
        deleted.push_back(name);
    }
    if (!deleted.empty()) machine.counters().Advance(SharedCounter::Services);
    return deleted;
}

std::vector<std::string> RestartServices(Machine& machine) {
    machine.WithState([](SqliteDatabase& database) {
        CreateServiceTables(database);
        database.Execute("DELETE FROM service_handles; DELETE FROM service_states");
    });
    std::vector<std::string> report;
    for (const std::string& name : ListServices(machine)) {
        if (!IsMarkedForDeletion(machine, name)) continue;
        if (std::optional<std::int64_t> key = ServiceKey(machine, name)) {
            RegistryStore::For(machine).DeleteKeyTree(*key);
        }
        report.push_back("service " + name + " deleted (marked for deletion)");
    }
    machine.counters().Advance(SharedCounter::Services);
    return report;
}

}  // namespace platform::services
