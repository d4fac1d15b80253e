// The spooler's shared parts: registry access, printer records, faults.
#include "platform/winspool/spooler.h"

#include "platform/machine/state.h"
#include "platform/machine/text.h"
#include "platform/winspool/spooler_faults.h"

namespace platform::spooler {

namespace {

// "\\server\share" split into its two names; nothing for a local name.
std::optional<std::pair<std::string, std::string>> SplitNetworkName(std::string_view name) {
    if (name.size() < 3 || name[0] != '\\' || name[1] != '\\') return std::nullopt;
    std::size_t slash = name.find('\\', 2);
    if (slash == std::string_view::npos || slash == 2 || slash + 1 >= name.size()) return std::nullopt;
    return std::pair{std::string(name.substr(2, slash - 2)), std::string(name.substr(slash + 1))};
}

}  // namespace

bool IsNT() {
    return Machine::Current().IsNT();
}

bool Restricted() {
    return IsNT() && !Machine::Current().settings().administrator;
}

const char* SystemEnvironment() {
    return IsNT() ? kEnvironmentNT : kEnvironment9x;
}

DWORD CallFault(std::string_view call) {
    return InjectedFault(fault_target::kSpooler, call, kCallOperation);
}

bool ListGrows(std::string_view call) {
    return InjectedFault(fault_target::kSpooler, call, kGrowOperation) != 0;
}

DWORD OpenFault(std::string_view printerName) {
    return InjectedFault(fault_target::kSpooler, printerName, kOpenPrinterOperation);
}

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

std::string PrinterKeyPath(std::string_view printerName) {
    if (auto network = SplitNetworkName(printerName)) {
        const auto& [server, share] = *network;
        std::string key = std::string(kServersKey) + "\\" + server + "\\Printers\\";
        return key + (IsNT() ? share : server + "," + share);
    }
    return std::string(kPrintersKey) + "\\" + std::string(printerName);
}

DWORD ReadPrinter(std::string_view printerName, PrinterRecord& record) {
    if (printerName.empty() || printerName.find_first_of(",") != std::string_view::npos)
        return ERROR_INVALID_PRINTER_NAME;
    auto network = SplitNetworkName(printerName);
    if (!network && printerName.find('\\') != std::string_view::npos) return ERROR_INVALID_PRINTER_NAME;
    record = PrinterRecord{};
    record.name = std::string(printerName);
    record.keyPath = PrinterKeyPath(printerName);
    if (network) {
        record.server = "\\\\" + network->first;
        record.share = network->second;
        record.attributes = PRINTER_ATTRIBUTE_NETWORK;
    }
    RegistryKey key;
    LONG error = key.Open(HKEY_LOCAL_MACHINE, record.keyPath);
    if (error == ERROR_FILE_NOT_FOUND) return ERROR_INVALID_PRINTER_NAME;
    if (error) return static_cast<DWORD>(error);
    auto text = [&](const char* name) { return key.String(name).value_or(""); };
    auto number = [&](const char* name, DWORD fallback) { return key.Dword(name).value_or(fallback); };
    record.share = text("Share Name");
    record.port = text("Port");
    record.driver = text("Printer Driver");
    record.comment = text("Description");
    record.location = text("Location");
    record.separatorFile = text("Separator File");
    record.printProcessor = text("Print Processor");
    record.datatype = text("Datatype");
    record.parameters = text("Parameters");
    record.attributes = number("Attributes", PRINTER_ATTRIBUTE_LOCAL);
    record.priority = number("Priority", 1);
    record.defaultPriority = number("Default Priority", 0);
    record.startTime = number("StartTime", 0);
    record.untilTime = number("UntilTime", 0);
    record.status = number("Status", 0);
    record.deviceNotSelectedTimeout = number("dnsTimeout", 15000);
    record.transmissionRetryTimeout = number("txTimeout", 45000);
    if (network) {
        if (record.share.empty()) record.share = network->second;
        record.attributes = (record.attributes & ~PRINTER_ATTRIBUTE_LOCAL) | PRINTER_ATTRIBUTE_NETWORK;
    }
    RegistryKey jobs;
    if (jobs.Open(key.handle(), "Jobs") == ERROR_SUCCESS) {
        for (const std::string& job : jobs.Subkeys()) {
            RegistryKey entry;
            if (entry.Open(jobs.handle(), job) != ERROR_SUCCESS) continue;
            if (!(entry.Dword("Status").value_or(0) & JOB_STATUS_PRINTED)) ++record.jobs;
        }
    }
    return ERROR_SUCCESS;
}

std::vector<std::string> LocalPrinterNames() {
    RegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kPrintersKey) != ERROR_SUCCESS) return {};
    return key.Subkeys();
}

std::vector<std::string> ConnectionNames() {
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, kConnectionsKey) != ERROR_SUCCESS) return {};
    std::vector<std::string> names;
    for (std::string name : key.Subkeys()) {
        // ",,server,share" stands for "\\server\share".
        for (char& character : name) {
            if (character == ',') character = '\\';
        }
        if (SplitNetworkName(name)) names.push_back(name);
    }
    return names;
}

namespace {

PortRecord ReadPort(const RegistryKey& port, const std::string& name, const std::string& monitor,
                    const std::string& keyPath) {
    PortRecord record{name, monitor, std::nullopt, port.Dword("Port Type").value_or(PORT_TYPE_WRITE),
                      keyPath};
    std::optional<std::string> description = port.String("Description");
    if (!description)
        record.description = monitor;
    else if (!description->empty())
        record.description = *description;
    return record;
}

std::vector<PortRecord> PortsOf9x() {
    RegistryKey ports;
    if (ports.Open(HKEY_LOCAL_MACHINE, kPortsKey9x) != ERROR_SUCCESS) return {};
    std::vector<PortRecord> records;
    for (const std::string& name : ports.Subkeys()) {
        RegistryKey port;
        if (port.Open(ports.handle(), name) != ERROR_SUCCESS) continue;
        std::string monitor = port.String("Monitor").value_or(kLocalPortMonitor);
        records.push_back(ReadPort(port, name, monitor, std::string(kPortsKey9x) + "\\" + name));
    }
    return records;
}

std::vector<PortRecord> PortsOfNT() {
    RegistryKey monitors;
    if (monitors.Open(HKEY_LOCAL_MACHINE, kMonitorsKey) != ERROR_SUCCESS) return {};
    std::vector<PortRecord> records;
    for (const std::string& monitor : monitors.Subkeys()) {
        RegistryKey ports;
        if (ports.Open(monitors.handle(), monitor + "\\Ports") != ERROR_SUCCESS) continue;
        for (const std::string& name : ports.Subkeys()) {
            RegistryKey port;
            if (port.Open(ports.handle(), name) != ERROR_SUCCESS) continue;
            std::string keyPath = std::string(kMonitorsKey) + "\\" + monitor + "\\Ports\\" + name;
            records.push_back(ReadPort(port, name, monitor, keyPath));
        }
    }
    return records;
}

}  // namespace

std::vector<PortRecord> AllPorts() {
    return IsNT() ? PortsOfNT() : PortsOf9x();
}

bool PortExists(std::string_view portName) {
    for (const PortRecord& port : AllPorts()) {
        if (EqualsNoCase(port.name, portName)) return true;
    }
    return false;
}

std::string FileNameOf(std::string_view path) {
    std::size_t slash = path.find_last_of("\\/:");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace platform::spooler
