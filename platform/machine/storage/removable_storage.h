// The removable-storage manager's database of the machine: its drives, each with an id, a description
// and an operational state (NTMS_READY, NTMS_NOT_PRESENT for a drive whose device is gone), and the
// sessions the machine's processes hold open. Kept in state.db, so that every process, the tests and
// winmachine see the same drives.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "guiddef.h"
#include "windef.h"

namespace platform {

class Machine;

namespace removable_storage {

struct StorageDrive {
    GUID id{};
    std::string description;
    DWORD operationalState = 0;
};

// Adds the drive, or replaces the one with its id. The description keeps what the database's field
// holds: 126 characters.
void AddDrive(Machine& machine, const StorageDrive& drive);
// Every drive, in the order added.
std::vector<StorageDrive> ListDrives(Machine& machine);
std::optional<StorageDrive> FindDrive(Machine& machine, const GUID& id);
// False when there is no drive of that id.
bool DeleteDrive(Machine& machine, const GUID& id);
// An id no drive has yet.
GUID NewDriveId(Machine& machine);

// A session of this process; the record that lets others count it.
std::int64_t RecordSession(Machine& machine);
// False when the record is not one of this process's open sessions.
bool ForgetSession(Machine& machine, std::int64_t record);
bool IsOpenSession(Machine& machine, std::int64_t record);
// The sessions the machine's processes hold open (those of ended processes are dropped).
int OpenSessions(Machine& machine);

}  // namespace removable_storage
}  // namespace platform
