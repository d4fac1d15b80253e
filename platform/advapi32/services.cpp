// The service control manager: OpenSCManagerA, OpenServiceA, QueryServiceConfigA, QueryServiceStatus,
// ControlService, DeleteService and CloseServiceHandle, over the machine's services (service_store.h).
// Windows 95, 98 and Me have no service control manager: the calls fail there as not implemented.
//
// Handles are this process's own, but every handle to a service is also recorded with the machine, so a
// service marked for deletion stays until the last handle of any process is closed.
#include <cstring>
#include <memory>
#include <string>

#include "platform/advapi32/token.h"
#include "platform/machine/kernel/handle_table.h"
#include "platform/machine/machine.h"
#include "platform/machine/services/service_store.h"
#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "windows.h"
#include "winsvc.h"

namespace platform {

namespace {

// What a user who is not an administrator may ask of the manager and of a service.
constexpr DWORD kUserManagerAccess =
    STANDARD_RIGHTS_READ | SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
constexpr DWORD kUserServiceAccess = STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS |
                                     SERVICE_ENUMERATE_DEPENDENTS | SERVICE_INTERROGATE |
                                     SERVICE_USER_DEFINED_CONTROL;

// Windows' longest service name.
constexpr std::size_t kMaximumServiceNameLength = 256;

class ServiceManagerObject final : public KernelObject {
  public:
    explicit ServiceManagerObject(DWORD access) : access_(access) {}
    bool Allows(DWORD access) const { return (access_ & access) == access; }

  private:
    DWORD access_;
};

class ServiceObject final : public KernelObject {
  public:
    ServiceObject(std::string name, DWORD access, std::int64_t record)
        : name_(std::move(name)), access_(access), record_(record) {}
    const std::string& name() const { return name_; }
    std::int64_t record() const { return record_; }
    bool Allows(DWORD access) const { return (access_ & access) == access; }

  private:
    std::string name_;
    DWORD access_;
    std::int64_t record_;
};

// The manager's and the services' handles, apart from the kernel's: CloseHandle does not close them.
HandleTable& ServiceHandles() {
    static HandleTable* table = new HandleTable;
    return *table;
}

template <typename Object>
std::shared_ptr<Object> Lookup(SC_HANDLE handle) {
    return ServiceHandles().Lookup<Object>(reinterpret_cast<HANDLE>(handle));
}

DWORD MapManagerAccess(DWORD desired) {
    DWORD granted = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) granted |= SC_MANAGER_ALL_ACCESS;
    if (desired & GENERIC_READ)
        granted |= STANDARD_RIGHTS_READ | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS;
    if (desired & GENERIC_WRITE) granted |= STANDARD_RIGHTS_WRITE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_MODIFY_BOOT_CONFIG;
    if (desired & GENERIC_EXECUTE) granted |= STANDARD_RIGHTS_EXECUTE | SC_MANAGER_CONNECT | SC_MANAGER_LOCK;
    // Every handle to the manager may connect to it.
    return granted | SC_MANAGER_CONNECT;
}

DWORD MapServiceAccess(DWORD desired) {
    DWORD granted = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) granted |= SERVICE_ALL_ACCESS;
    if (desired & GENERIC_READ)
        granted |= STANDARD_RIGHTS_READ | SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_INTERROGATE |
                   SERVICE_ENUMERATE_DEPENDENTS;
    if (desired & GENERIC_WRITE) granted |= STANDARD_RIGHTS_WRITE | SERVICE_CHANGE_CONFIG;
    if (desired & GENERIC_EXECUTE)
        granted |= STANDARD_RIGHTS_EXECUTE | SERVICE_START | SERVICE_STOP | SERVICE_PAUSE_CONTINUE |
                   SERVICE_USER_DEFINED_CONTROL;
    return granted;
}

SC_HANDLE FailHandle(DWORD error) {
    SetLastError(error);
    return nullptr;
}

BOOL FailCall(DWORD error) {
    SetLastError(error);
    return FALSE;
}

SERVICE_STATUS StatusOf(Machine& machine, const services::ServiceConfig& config) {
    SERVICE_STATUS status{};
    status.dwServiceType = config.type;
    status.dwCurrentState = services::CurrentState(machine, config.name);
    status.dwControlsAccepted = status.dwCurrentState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    return status;
}

// The service behind a handle with the access the call needs, its configuration in `config`; 0 or the
// error of the call.
DWORD ReachService(SC_HANDLE handle, DWORD access, std::shared_ptr<ServiceObject>& service,
                   services::ServiceConfig& config) {
    if (!Machine::Current().IsNT()) return ERROR_CALL_NOT_IMPLEMENTED;
    service = Lookup<ServiceObject>(handle);
    if (!service) return ERROR_INVALID_HANDLE;
    if (!service->Allows(access)) return ERROR_ACCESS_DENIED;
    std::optional<services::ServiceConfig> found = services::FindService(Machine::Current(), service->name());
    if (!found) return ERROR_SERVICE_DOES_NOT_EXIST;
    config = *found;
    return 0;
}

// Copies a text into the strings area of a configuration; the pointer to its copy.
LPSTR PlaceText(char*& cursor, const std::string& text, std::size_t terminators) {
    LPSTR placed = cursor;
    std::memcpy(cursor, text.data(), text.size());
    std::memset(cursor + text.size(), 0, terminators);
    cursor += text.size() + terminators;
    return placed;
}

}  // namespace

}  // namespace platform

using platform::FailCall;
using platform::FailHandle;
using platform::Machine;
using platform::ServiceObject;
namespace services = platform::services;

extern "C" SC_HANDLE WINAPI OpenSCManagerA(LPCSTR lpMachineName, LPCSTR lpDatabaseName, DWORD dwDesiredAccess) {
    Machine& machine = Machine::Current();
    if (!machine.IsNT()) return FailHandle(ERROR_CALL_NOT_IMPLEMENTED);
    if (!platform::IsThisComputer(lpMachineName)) return FailHandle(RPC_S_SERVER_UNAVAILABLE);
    if (lpDatabaseName && *lpDatabaseName && !platform::EqualsNoCase(lpDatabaseName, SERVICES_ACTIVE_DATABASEA))
        return FailHandle(ERROR_DATABASE_DOES_NOT_EXIST);
    DWORD access = platform::MapManagerAccess(dwDesiredAccess);
    if (!machine.settings().administrator && (access & ~platform::kUserManagerAccess))
        return FailHandle(ERROR_ACCESS_DENIED);
    // Handles of processes that have ended are closed by now: what they kept may go.
    services::DeleteUnusedMarkedServices(machine);
    HANDLE handle = platform::ServiceHandles().Insert(std::make_shared<platform::ServiceManagerObject>(access));
    return reinterpret_cast<SC_HANDLE>(handle);
}

extern "C" SC_HANDLE WINAPI OpenServiceA(SC_HANDLE hSCManager, LPCSTR lpServiceName, DWORD dwDesiredAccess) {
    Machine& machine = Machine::Current();
    if (!machine.IsNT()) return FailHandle(ERROR_CALL_NOT_IMPLEMENTED);
    std::shared_ptr<platform::ServiceManagerObject> manager =
        platform::Lookup<platform::ServiceManagerObject>(hSCManager);
    if (!manager) return FailHandle(ERROR_INVALID_HANDLE);
    if (!lpServiceName) return FailHandle(ERROR_INVALID_ADDRESS);
    std::string_view name(lpServiceName);
    if (name.empty() || name.size() > platform::kMaximumServiceNameLength || name.find('\\') != name.npos ||
        name.find('/') != name.npos)
        return FailHandle(ERROR_INVALID_NAME);
    std::optional<services::ServiceConfig> config = services::FindService(machine, name);
    if (!config) return FailHandle(ERROR_SERVICE_DOES_NOT_EXIST);
    DWORD access = platform::MapServiceAccess(dwDesiredAccess);
    if (!machine.settings().administrator && (access & ~platform::kUserServiceAccess))
        return FailHandle(ERROR_ACCESS_DENIED);
    if (DWORD error = platform::InjectedFault(platform::fault_target::kService, config->name, "open"))
        return FailHandle(error);
    std::int64_t record = services::RecordHandle(machine, config->name);
    HANDLE handle = platform::ServiceHandles().Insert(std::make_shared<ServiceObject>(config->name, access, record));
    return reinterpret_cast<SC_HANDLE>(handle);
}

extern "C" BOOL WINAPI QueryServiceConfigA(SC_HANDLE hService, LPQUERY_SERVICE_CONFIGA lpServiceConfig,
                                           DWORD cbBufSize, LPDWORD pcbBytesNeeded) {
    std::shared_ptr<ServiceObject> service;
    services::ServiceConfig config;
    if (DWORD error = platform::ReachService(hService, SERVICE_QUERY_CONFIG, service, config)) return FailCall(error);
    if (!pcbBytesNeeded) return FailCall(ERROR_INVALID_ADDRESS);
    // The structure, then its strings; the dependencies end with a second zero byte.
    std::size_t needed = sizeof(QUERY_SERVICE_CONFIGA) + config.imagePath.size() + 1 + config.group.size() + 1 +
                         config.dependencies.size() + 2 + config.objectName.size() + 1 +
                         config.displayName.size() + 1;
    *pcbBytesNeeded = static_cast<DWORD>(needed);
    if (!lpServiceConfig || cbBufSize < needed) return FailCall(ERROR_INSUFFICIENT_BUFFER);
    lpServiceConfig->dwServiceType = config.type;
    lpServiceConfig->dwStartType = config.start;
    lpServiceConfig->dwErrorControl = config.errorControl;
    lpServiceConfig->dwTagId = config.tag;
    char* cursor = reinterpret_cast<char*>(lpServiceConfig + 1);
    lpServiceConfig->lpBinaryPathName = platform::PlaceText(cursor, config.imagePath, 1);
    lpServiceConfig->lpLoadOrderGroup = platform::PlaceText(cursor, config.group, 1);
    lpServiceConfig->lpDependencies = platform::PlaceText(cursor, config.dependencies, 2);
    lpServiceConfig->lpServiceStartName = platform::PlaceText(cursor, config.objectName, 1);
    lpServiceConfig->lpDisplayName = platform::PlaceText(cursor, config.displayName, 1);
    return TRUE;
}

extern "C" BOOL WINAPI QueryServiceStatus(SC_HANDLE hService, LPSERVICE_STATUS lpServiceStatus) {
    std::shared_ptr<ServiceObject> service;
    services::ServiceConfig config;
    if (DWORD error = platform::ReachService(hService, SERVICE_QUERY_STATUS, service, config)) return FailCall(error);
    if (!lpServiceStatus) return FailCall(ERROR_INVALID_ADDRESS);
    *lpServiceStatus = platform::StatusOf(Machine::Current(), config);
    return TRUE;
}

extern "C" BOOL WINAPI ControlService(SC_HANDLE hService, DWORD dwControl, LPSERVICE_STATUS lpServiceStatus) {
    DWORD access = 0;
    switch (dwControl) {
        case SERVICE_CONTROL_STOP: access = SERVICE_STOP; break;
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE: access = SERVICE_PAUSE_CONTINUE; break;
        case SERVICE_CONTROL_INTERROGATE: access = SERVICE_INTERROGATE; break;
        default:
            // Controls 128 to 255 are the service's own; the others are the system's to send.
            if (dwControl < 128 || dwControl > 255) return FailCall(ERROR_INVALID_PARAMETER);
            access = SERVICE_USER_DEFINED_CONTROL;
    }
    std::shared_ptr<ServiceObject> service;
    services::ServiceConfig config;
    if (DWORD error = platform::ReachService(hService, access, service, config)) return FailCall(error);
    if (!lpServiceStatus) return FailCall(ERROR_INVALID_ADDRESS);
    Machine& machine = Machine::Current();
    *lpServiceStatus = platform::StatusOf(machine, config);
    if (lpServiceStatus->dwCurrentState == SERVICE_STOPPED) return FailCall(ERROR_SERVICE_NOT_ACTIVE);
    if (dwControl == SERVICE_CONTROL_INTERROGATE) return TRUE;
    // A running service of the machine accepts only the request to stop.
    if (dwControl != SERVICE_CONTROL_STOP) return FailCall(ERROR_INVALID_SERVICE_CONTROL);
    if (DWORD error = platform::InjectedFault(platform::fault_target::kService, config.name, "stop"))
        return FailCall(error);
    services::SetState(machine, config.name, SERVICE_STOPPED);
    *lpServiceStatus = platform::StatusOf(machine, config);
    return TRUE;
}

extern "C" BOOL WINAPI DeleteService(SC_HANDLE hService) {
    std::shared_ptr<ServiceObject> service;
    services::ServiceConfig config;
    if (DWORD error = platform::ReachService(hService, DELETE, service, config)) return FailCall(error);
    Machine& machine = Machine::Current();
    if (services::IsMarkedForDeletion(machine, config.name)) return FailCall(ERROR_SERVICE_MARKED_FOR_DELETE);
    if (DWORD error = platform::InjectedFault(platform::fault_target::kService, config.name, "delete"))
        return FailCall(error);
    services::MarkForDeletion(machine, config.name);
    return TRUE;
}

extern "C" BOOL WINAPI CloseServiceHandle(SC_HANDLE hSCObject) {
    Machine& machine = Machine::Current();
    if (!machine.IsNT()) return FailCall(ERROR_CALL_NOT_IMPLEMENTED);
    HANDLE handle = reinterpret_cast<HANDLE>(hSCObject);
    std::shared_ptr<ServiceObject> service = platform::ServiceHandles().Lookup<ServiceObject>(handle);
    if (!platform::ServiceHandles().Close(handle)) return FailCall(ERROR_INVALID_HANDLE);
    if (service) {
        services::ForgetHandle(machine, service->record());
        // The last handle to a stopped service marked for deletion takes the service with it.
        services::DeleteUnusedMarkedServices(machine);
    }
    return TRUE;
}
