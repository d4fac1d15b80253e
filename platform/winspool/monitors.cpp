// Print monitors: enumeration, adding and deleting. A monitor is a key under Print\Monitors with its DLL
// in the "Driver" value; its ports are filed below it.
//
// Adding a monitor that exists fails with ERROR_PRINT_MONITOR_ALREADY_INSTALLED on Windows NT and with
// ERROR_ALREADY_EXISTS on Windows 9x.
#include "platform/machine/text.h"
#include "platform/winspool/spooler.h"

namespace platform::spooler {

namespace {

struct MonitorRecord {
    std::string name;
    std::string dll;
};

std::vector<MonitorRecord> AllMonitors() {
    RegistryKey monitors;
    if (monitors.Open(HKEY_LOCAL_MACHINE, kMonitorsKey) != ERROR_SUCCESS) return {};
    std::vector<MonitorRecord> records;
    for (const std::string& name : monitors.Subkeys()) {
        RegistryKey monitor;
        if (monitor.Open(monitors.handle(), name) != ERROR_SUCCESS) continue;
        records.push_back({name, monitor.String("Driver").value_or("")});
    }
    return records;
}

bool MonitorExists(const std::string& name) {
    RegistryKey monitor;
    return monitor.Open(HKEY_LOCAL_MACHINE, std::string(kMonitorsKey) + "\\" + name) == ERROR_SUCCESS;
}

// Whether a printer prints to a port of the monitor.
bool MonitorInUse(const std::string& name) {
    std::vector<std::string> portNames;
    for (const PortRecord& port : AllPorts()) {
        if (EqualsNoCase(port.monitor, name)) portNames.push_back(port.name);
    }
    for (const std::string& printerName : LocalPrinterNames()) {
        PrinterRecord printer;
        if (ReadPrinter(printerName, printer) != ERROR_SUCCESS) continue;
        for (const std::string& port : portNames) {
            if (EqualsNoCase(printer.port, port)) return true;
        }
    }
    return false;
}

bool EnvironmentMatches(LPCSTR environment) {
    return !environment || !*environment || EqualsNoCase(environment, SystemEnvironment());
}

}  // namespace

}  // namespace platform::spooler

using namespace platform::spooler;

extern "C" BOOL WINAPI EnumMonitorsA(LPSTR pName, DWORD Level, LPBYTE pMonitor, DWORD cbBuf,
                                     LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (pcbNeeded) *pcbNeeded = 0;
    if (pcReturned) *pcReturned = 0;
    if (DWORD error = CallFault("EnumMonitorsA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    std::vector<MonitorRecord> monitors = AllMonitors();
    if (Level == 1) {
        return PackRecords<MONITOR_INFO_1A>(
            "EnumMonitorsA", monitors,
            [](MONITOR_INFO_1A& record, const MonitorRecord& monitor, StringArea& strings) {
                record.pName = strings.Place(monitor.name);
            },
            pMonitor, cbBuf, pcbNeeded, pcReturned);
    }
    if (Level == 2) {
        std::string environment = SystemEnvironment();
        return PackRecords<MONITOR_INFO_2A>(
            "EnumMonitorsA", monitors,
            [&](MONITOR_INFO_2A& record, const MonitorRecord& monitor, StringArea& strings) {
                record.pName = strings.Place(monitor.name);
                record.pEnvironment = strings.Place(environment);
                record.pDLLName = strings.Place(monitor.dll);
            },
            pMonitor, cbBuf, pcbNeeded, pcReturned);
    }
    return Fail(ERROR_INVALID_LEVEL);
}

extern "C" BOOL WINAPI AddMonitorA(LPSTR pName, DWORD Level, LPBYTE pMonitors) {
    if (DWORD error = CallFault("AddMonitorA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
    const auto* info = reinterpret_cast<const MONITOR_INFO_2A*>(pMonitors);
    if (!info || !info->pName || !*info->pName || !info->pDLLName || !*info->pDLLName)
        return Fail(ERROR_INVALID_PARAMETER);
    if (!EnvironmentMatches(info->pEnvironment)) return Fail(ERROR_INVALID_ENVIRONMENT);
    if (Restricted()) return Fail(ERROR_ACCESS_DENIED);
    if (MonitorExists(info->pName))
        return Fail(IsNT() ? ERROR_PRINT_MONITOR_ALREADY_INSTALLED : ERROR_ALREADY_EXISTS);
    RegistryKey monitor;
    if (LONG error = monitor.Create(HKEY_LOCAL_MACHINE, std::string(kMonitorsKey) + "\\" + info->pName))
        return Fail(error);
    if (LONG error = monitor.SetString("Driver", info->pDLLName)) return Fail(error);
    return TRUE;
}

extern "C" BOOL WINAPI DeleteMonitorA(LPSTR pName, LPSTR pEnvironment, LPSTR pMonitorName) {
    if (DWORD error = CallFault("DeleteMonitorA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (!pMonitorName || !*pMonitorName) return Fail(ERROR_INVALID_PARAMETER);
    if (!EnvironmentMatches(pEnvironment)) return Fail(ERROR_INVALID_ENVIRONMENT);
    if (Restricted()) return Fail(ERROR_ACCESS_DENIED);
    if (!MonitorExists(pMonitorName)) return Fail(ERROR_UNKNOWN_PRINT_MONITOR);
    if (MonitorInUse(pMonitorName)) return Fail(ERROR_PRINT_MONITOR_IN_USE);
    std::string path = std::string(kMonitorsKey) + "\\" + pMonitorName;
    if (LONG error = RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, path)) return Fail(error);
    return TRUE;
}
