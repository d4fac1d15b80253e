#include "ServiceRemoval.h"

#include <cstdio>
#include <memory>
#include <new>

#include "ErrorCodes.h"
#include "Trace.h"
#include "UninstallerGlobals.h"

namespace {

// What the removal needs of each service: to delete it, stop it, and read its status and configuration.
constexpr DWORD SERVICE_REMOVAL_ACCESS = DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG;

constexpr char OPEN_MANAGER_STEP[] = "OpenSCManager";
constexpr char QUERY_CONFIG_FAILED[] = "QueryServiceConfig(%s) failed: %s\n";
constexpr char NOT_ENOUGH_MEMORY[] = "Not enough memory\n";
constexpr char CANNOT_QUERY_STATUS[] = "Cannot query status for %s service. %s\n";
constexpr char CANNOT_STOP[] = "Cannot stop %s service. %s\n";
constexpr char CANNOT_REMOVE[] = "Cannot remove %s service. %s\n";
constexpr char REMOVED_SERVICE[] = "Removed service= ";
constexpr char REMOVE_ON_REBOOT[] = "Remove service on next reboot= ";
constexpr char LINE_END[] = "\r\n";

const char* LastErrorText() {
    return GetErrorString(static_cast<long>(GetLastError()));
}

// Reads the configuration by the size protocol; false after printing the failure.
bool QueryConfiguration(SC_HANDLE service, const char* pName) {
    DWORD needed = 0;
    if (!QueryServiceConfigA(service, nullptr, 0, &needed) && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        std::printf(QUERY_CONFIG_FAILED, pName, LastErrorText());
        return false;
    }
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[needed]);
    if (!buffer) {
        std::printf(NOT_ENOUGH_MEMORY);
        return false;
    }
    if (!QueryServiceConfigA(service, reinterpret_cast<LPQUERY_SERVICE_CONFIGA>(buffer.get()), needed, &needed)) {
        std::printf(QUERY_CONFIG_FAILED, pName, LastErrorText());
        return false;
    }
    return true;
}

void Log(CaseInsensitiveStringList& logList, const char* pText, const char* pName) {
    CaseInsensitiveString line = pText;
    line += pName;
    line += LINE_END;
    logList.push_back(line);
}

}  // namespace

SC_HANDLE OpenServiceManager() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) TraceFailedWith(OPEN_MANAGER_STEP, static_cast<long>(GetLastError()));
    return manager;
}

void RemoveService(SC_HANDLE manager, const char* pName, CaseInsensitiveStringList& logList) {
    CServiceHandle service(OpenServiceA(manager, pName, SERVICE_REMOVAL_ACCESS));
    if (!service.Get()) return;
    if (!QueryConfiguration(service.Get(), pName)) return;

    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.Get(), &status)) {
        std::printf(CANNOT_QUERY_STATUS, pName, LastErrorText());
    } else if (status.dwCurrentState != SERVICE_STOPPED &&
               !ControlService(service.Get(), SERVICE_CONTROL_STOP, &status)) {
        std::printf(CANNOT_STOP, pName, LastErrorText());
    }

    if (!DeleteService(service.Get())) {
        if (GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE) {
            gRestartNeeded = 1;
            Log(logList, REMOVE_ON_REBOOT, pName);
        } else {
            std::printf(CANNOT_REMOVE, pName, LastErrorText());
        }
        return;
    }
    // Deleting only marks the service: it goes with the last handle once stopped. One that can still be
    // opened after this handle is closed stays until the next start.
    service.Close();
    CServiceHandle remaining(OpenServiceA(manager, pName, SERVICE_QUERY_STATUS));
    if (remaining.Get()) {
        gRestartNeeded = 1;
        Log(logList, REMOVE_ON_REBOOT, pName);
    } else {
        Log(logList, REMOVED_SERVICE, pName);
    }
}

void RemoveServices(const CaseInsensitiveStringList& names, CaseInsensitiveStringList& logList) {
    CServiceHandle manager(OpenServiceManager());
    if (!manager.Get()) return;
    for (const CaseInsensitiveString& name : names) RemoveService(manager.Get(), name.c_str(), logList);
}
