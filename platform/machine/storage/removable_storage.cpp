#include "platform/machine/storage/removable_storage.h"

#include <unistd.h>

#include <random>

#include "platform/machine/guid_text.h"
#include "platform/machine/machine.h"
#include "platform/machine/processes/process.h"
#include "platform/machine/sqlite_database.h"

namespace platform::removable_storage {

namespace {

// szDescription holds 127 characters with its terminating zero.
constexpr std::size_t kDescriptionLength = 126;

void CreateStorageTables(SqliteDatabase& database) {
    database.Execute(
        "CREATE TABLE IF NOT EXISTS storage_drives(sequence INTEGER PRIMARY KEY, id TEXT NOT NULL UNIQUE,"
        " description TEXT NOT NULL, state INTEGER NOT NULL);"
        "CREATE TABLE IF NOT EXISTS storage_sessions(id INTEGER PRIMARY KEY, process INTEGER NOT NULL)");
}

StorageDrive DriveOf(const SqliteStatement& row) {
    StorageDrive drive;
    drive.id = ParseGuid(row.Text(0)).value_or(GUID{});
    drive.description = row.Text(1);
    drive.operationalState = static_cast<DWORD>(row.Int(2));
    return drive;
}

}  // namespace

void AddDrive(Machine& machine, const StorageDrive& drive) {
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement remove(database, "DELETE FROM storage_drives WHERE id = ?");
        remove.Bind(1, GuidText(drive.id));
        remove.Step();
        SqliteStatement insert(database,
                               "INSERT INTO storage_drives(id, description, state) VALUES(?, ?, ?)");
        insert.Bind(1, GuidText(drive.id))
            .Bind(2, drive.description.substr(0, kDescriptionLength))
            .Bind(3, drive.operationalState);
        insert.Step();
    });
}

std::vector<StorageDrive> ListDrives(Machine& machine) {
    std::vector<StorageDrive> drives;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement select(database,
                               "SELECT id, description, state FROM storage_drives ORDER BY sequence");
        while (select.Step()) drives.push_back(DriveOf(select));
    });
    return drives;
}

std::optional<StorageDrive> FindDrive(Machine& machine, const GUID& id) {
    std::optional<StorageDrive> found;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement select(database, "SELECT id, description, state FROM storage_drives WHERE id = ?");
        select.Bind(1, GuidText(id));
        if (select.Step()) found = DriveOf(select);
    });
    return found;
}

bool DeleteDrive(Machine& machine, const GUID& id) {
    bool deleted = false;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement remove(database, "DELETE FROM storage_drives WHERE id = ?");
        remove.Bind(1, GuidText(id));
        remove.Step();
        deleted = database.Changes() > 0;
    });
    return deleted;
}

GUID NewDriveId(Machine& machine) {
    std::random_device source;
    std::mt19937_64 generator(source());
    for (;;) {
        GUID id{};
        std::uint64_t high = generator(), low = generator();
        id.Data1 = static_cast<DWORD>(high >> 32);
        id.Data2 = static_cast<WORD>(high >> 16);
        // Version 4 (random), variant of RFC 4122, as CoCreateGuid makes them.
        id.Data3 = static_cast<WORD>((high & 0x0FFF) | 0x4000);
        for (int index = 0; index < 8; ++index) id.Data4[index] = static_cast<BYTE>(low >> (8 * index));
        id.Data4[0] = static_cast<BYTE>((id.Data4[0] & 0x3F) | 0x80);
        if (!FindDrive(machine, id)) return id;
    }
}

std::int64_t RecordSession(Machine& machine) {
    std::int64_t record = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement insert(database, "INSERT INTO storage_sessions(process) VALUES(?)");
        insert.Bind(1, static_cast<std::int64_t>(::getpid()));
        insert.Step();
        record = database.LastInsertRowId();
    });
    return record;
}

bool ForgetSession(Machine& machine, std::int64_t record) {
    bool forgotten = false;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement remove(database, "DELETE FROM storage_sessions WHERE id = ? AND process = ?");
        remove.Bind(1, record).Bind(2, static_cast<std::int64_t>(::getpid()));
        remove.Step();
        forgotten = database.Changes() > 0;
    });
    return forgotten;
}

bool IsOpenSession(Machine& machine, std::int64_t record) {
    bool open = false;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        SqliteStatement select(database, "SELECT 1 FROM storage_sessions WHERE id = ? AND process = ?");
        select.Bind(1, record).Bind(2, static_cast<std::int64_t>(::getpid()));
        open = select.Step();
    });
    return open;
}

int OpenSessions(Machine& machine) {
    int count = 0;
    machine.WithState([&](SqliteDatabase& database) {
        CreateStorageTables(database);
        // A session ends with its process.
        SqliteStatement select(database, "SELECT id, process FROM storage_sessions");
        count = CountRowsOfRunningProcesses(database, select, "storage_sessions");
    });
    return count;
}

}  // namespace platform::removable_storage
