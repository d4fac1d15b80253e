// Ports: on Windows NT each is a key below the monitor that drives it
// (Print\Monitors\<monitor>\Ports\<port>), on Windows 9x a key of the one list Print\Ports (spooler.h). The
// standard ports LPT1:, COM1: and FILE: belong to the "Local Port" monitor.
#include "platform/machine/text.h"
#include "platform/winspool/spooler.h"

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
                record.pDescription = strings.Place(port.description ? &*port.description : nullptr);
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
        if (LONG error = RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, port.keyPath)) return Fail(error);
        return TRUE;
    }
    return Fail(ERROR_UNKNOWN_PORT);
}
