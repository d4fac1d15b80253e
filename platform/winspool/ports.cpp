// Ports: each is a key below the monitor that drives it (Print\Monitors\<monitor>\Ports\<port>), with an
// optional "Description" (the monitor's name when missing) and "Port Type" (PORT_TYPE_WRITE when
// missing). The standard ports LPT1:, COM1: and FILE: belong to the "Local Port" monitor.
#include "platform/machine/text.h"
#include "platform/winspool/spooler.h"

namespace platform::spooler {

namespace {

struct PortRecord {
    std::string name;
    std::string monitor;
    std::string description;
    DWORD type = PORT_TYPE_WRITE;
};

// The ports in the order of their monitors, each monitor's ports in their own order.
std::vector<PortRecord> AllPorts() {
    RegistryKey monitors;
    if (monitors.Open(HKEY_LOCAL_MACHINE, kMonitorsKey) != ERROR_SUCCESS) return {};
    std::vector<PortRecord> records;
    for (const std::string& monitor : monitors.Subkeys()) {
        RegistryKey ports;
        if (ports.Open(monitors.handle(), monitor + "\\Ports") != ERROR_SUCCESS) continue;
        for (const std::string& name : ports.Subkeys()) {
            RegistryKey port;
            if (port.Open(ports.handle(), name) != ERROR_SUCCESS) continue;
            records.push_back({name, monitor, port.String("Description").value_or(monitor),
                               port.Dword("Port Type").value_or(PORT_TYPE_WRITE)});
        }
    }
    return records;
}

}  // namespace

}  // namespace platform::spooler

using namespace platform::spooler;

extern "C" BOOL WINAPI EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded,
                                  LPDWORD pcReturned) {
    if (pcbNeeded) *pcbNeeded = 0;
    if (pcReturned) *pcReturned = 0;
    if (DWORD error = CallFault("EnumPortsA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    std::vector<PortRecord> ports = AllPorts();
    if (Level == 1) {
        return PackRecords<PORT_INFO_1A>(
            "EnumPortsA", ports,
            [](PORT_INFO_1A& record, const PortRecord& port, StringArea& strings) {
                record.pName = strings.Place(port.name);
            },
            pPort, cbBuf, pcbNeeded, pcReturned);
    }
    if (Level == 2) {
        return PackRecords<PORT_INFO_2A>(
            "EnumPortsA", ports,
            [](PORT_INFO_2A& record, const PortRecord& port, StringArea& strings) {
                record.pPortName = strings.Place(port.name);
                record.pMonitorName = strings.Place(port.monitor);
                record.pDescription = strings.Place(port.description);
                record.fPortType = port.type;
            },
            pPort, cbBuf, pcbNeeded, pcReturned);
    }
    return Fail(ERROR_INVALID_LEVEL);
}

extern "C" BOOL WINAPI DeletePortA(LPSTR pName, HWND, LPSTR pPortName) {
    if (DWORD error = CallFault("DeletePortA")) return Fail(error);
    if (pName && *pName) return Fail(ERROR_INVALID_NAME);
    if (!pPortName || !*pPortName) return Fail(ERROR_INVALID_PARAMETER);
    if (Restricted()) return Fail(ERROR_ACCESS_DENIED);
    for (const PortRecord& port : AllPorts()) {
        if (!platform::EqualsNoCase(port.name, pPortName)) continue;
        std::string path = std::string(kMonitorsKey) + "\\" + port.monitor + "\\Ports\\" + port.name;
        if (LONG error = RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, path)) return Fail(error);
        return TRUE;
    }
    return Fail(ERROR_UNKNOWN_PORT);
}
