// The machine's Windows NT services as the service control manager keeps them.
//
// A service is a key SYSTEM\CurrentControlSet\Services\<name> of HKEY_LOCAL_MACHINE with a "Type" value,
// its configuration in the values Windows uses (Type, Start, ErrorControl, ImagePath, Group, Tag,
// DependOnService, ObjectName, DisplayName). What only the running manager knows lives in state.db, so
// that every process of the machine sees the same: whether a service runs (until a process stops it, a
// service runs when it starts with the system, Start 0 to 2, and is stopped otherwise) and which
// processes hold handles to it.
//
// A deleted service is only marked, with the value "DeleteFlag" = 1 in its key as Windows marks it; the
// key goes when the service is stopped and no process holds a handle to it any more, or at the next
// start of the machine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windef.h"

namespace platform {

class Machine;

namespace services {

inline constexpr std::string_view kServicesKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services";

struct ServiceConfig {
    std::string name;  // as spelt in the registry
    DWORD type = 0;
    DWORD start = 0;
    DWORD errorControl = 0;
    std::string imagePath;
    std::string group;
    DWORD tag = 0;
    std::string dependencies;  // DependOnService: strings each ending in a zero byte, without the last one
    std::string objectName;
    std::string displayName;
};

// Every service of the machine, in the registry's order.
std::vector<std::string> ListServices(Machine& machine);
std::optional<ServiceConfig> FindService(Machine& machine, std::string_view name);

// SERVICE_RUNNING or SERVICE_STOPPED.
DWORD CurrentState(Machine& machine, std::string_view name);
void SetState(Machine& machine, std::string_view name, DWORD state);

bool IsMarkedForDeletion(Machine& machine, std::string_view name);
void MarkForDeletion(Machine& machine, std::string_view name);

// A handle of this process to the service; the record that lets the other processes count it.
std::int64_t RecordHandle(Machine& machine, std::string_view name);
void ForgetHandle(Machine& machine, std::int64_t record);
// The handles the machine's processes hold to the service (the records of ended processes are dropped).
int OpenHandles(Machine& machine, std::string_view name);

// Deletes every service marked for deletion that is stopped and that no process holds a handle to; the
// names deleted.
std::vector<std::string> DeleteUnusedMarkedServices(Machine& machine);

// What the manager does at the start of the machine: the marked services go, every handle is gone and
// each service runs or not as its start type says. One line per service deleted:
//   service OldDot4 deleted (marked for deletion)
std::vector<std::string> RestartServices(Machine& machine);

}  // namespace services
}  // namespace platform
