// Printers: enumeration, printer handles, printer information and printer data.
//
// Access follows Windows NT: a user without administrator rights opens printers for use only
// (PRINTER_ACCESS_USE); asking for PRINTER_ACCESS_ADMINISTER, DELETE or the security rights gives
// ERROR_ACCESS_DENIED, and a handle opened for use cannot change the printer. Windows 9x has no printer
// security: every handle may do everything.
#include <mutex>
#include <unordered_map>

#include "platform/machine/text.h"
#include "platform/winspool/spooler.h"

namespace platform::spooler {

namespace {

constexpr ACCESS_MASK kAdministrationRights = PRINTER_ACCESS_ADMINISTER | DELETE | WRITE_DAC | WRITE_OWNER;

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<ULONG_PTR, std::shared_ptr<PrinterHandle>> open;
    ULONG_PTR next = 0x3000;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

bool LevelExists(DWORD level) {
    return level == 1 || level == 2 || level == 5 || (level == 4 && IsNT());
}

bool MayAdminister(const PrinterHandle& printer) {
    return !IsNT() || (printer.access & PRINTER_ACCESS_ADMINISTER);
}

// The printer's description at level 1: "name,driver,location".
std::string Description(const PrinterRecord& printer) {
    return printer.name + "," + printer.driver + "," + printer.location;
}

BOOL PackPrinters(std::string_view call, DWORD level, const std::vector<PrinterRecord>& printers,
                  LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
    switch (level) {
        case 1:
            return PackRecords<PRINTER_INFO_1A>(
                call, printers,
                [](PRINTER_INFO_1A& record, const PrinterRecord& printer, StringArea& strings) {
                    record.Flags = PRINTER_ENUM_ICON8;
                    record.pDescription = strings.Place(Description(printer));
                    record.pName = strings.Place(printer.name);
                    record.pComment = strings.Place(printer.comment);
                },
                buffer, size, needed, returned);
        case 2:
            return PackRecords<PRINTER_INFO_2A>(
                call, printers,
                [](PRINTER_INFO_2A& record, const PrinterRecord& printer, StringArea& strings) {
                    record.pServerName = strings.Place(printer.server ? &*printer.server : nullptr);
                    record.pPrinterName = strings.Place(printer.name);
                    record.pShareName = strings.Place(printer.share);
                    record.pPortName = strings.Place(printer.port);
                    record.pDriverName = strings.Place(printer.driver);
                    record.pComment = strings.Place(printer.comment);
                    record.pLocation = strings.Place(printer.location);
                    record.pSepFile = strings.Place(printer.separatorFile);
                    record.pPrintProcessor = strings.Place(printer.printProcessor);
                    record.pDatatype = strings.Place(printer.datatype);
                    record.pParameters = strings.Place(printer.parameters);
                    record.Attributes = printer.attributes;
                    record.Priority = printer.priority;
                    record.DefaultPriority = printer.defaultPriority;
                    record.StartTime = printer.startTime;
                    record.UntilTime = printer.untilTime;
                    record.Status = printer.status;
                    record.cJobs = printer.jobs;
                },
                buffer, size, needed, returned);
        case 4:
            return PackRecords<PRINTER_INFO_4A>(
                call, printers,
                [](PRINTER_INFO_4A& record, const PrinterRecord& printer, StringArea& strings) {
                    record.pPrinterName = strings.Place(printer.name);
                    record.pServerName = strings.Place(printer.server ? &*printer.server : nullptr);
                    record.Attributes = printer.attributes;
                },
                buffer, size, needed, returned);
        default:
            return PackRecords<PRINTER_INFO_5A>(
                call, printers,
                [](PRINTER_INFO_5A& record, const PrinterRecord& printer, StringArea& strings) {
                    record.pPrinterName = strings.Place(printer.name);
                    record.pPortName = strings.Place(printer.port);
                    record.Attributes = printer.attributes;
                    record.DeviceNotSelectedTimeout = printer.deviceNotSelectedTimeout;
                    record.TransmissionRetryTimeout = printer.transmissionRetryTimeout;
                },
                buffer, size, needed, returned);
    }
}

// The ports of a printer ("LPT1:" or a pool "LPT1:,LPT2:") all exist; on Windows 9x a port may also be a
// network path.
bool PortsExist(std::string_view ports) {
    while (!ports.empty()) {
        std::size_t comma = ports.find(',');
        std::string_view port = ports.substr(0, comma);
        bool network = !IsNT() && port.size() > 2 && port[0] == '\\' && port[1] == '\\';
        if (!port.empty() && !network && !PortExists(port)) return false;
        if (comma == std::string_view::npos) break;
        ports.remove_prefix(comma + 1);
    }
    return true;
}

// SetPrinterA at level 0: a command to the printer's queue. Only the purge is known here.
BOOL ControlPrinter(const PrinterHandle& handle, DWORD command) {
    if (command != PRINTER_CONTROL_PURGE) return Fail(ERROR_INVALID_PRINTER_COMMAND);
    if (!MayAdminister(handle)) return Fail(ERROR_ACCESS_DENIED);
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(handle.name, printer)) return Fail(error);
    if (DWORD error = PurgeJobs(handle.name)) return Fail(error);
    return TRUE;
}

}  // namespace

std::shared_ptr<PrinterHandle> FindPrinterHandle(HANDLE handle) {
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto found = table.open.find(reinterpret_cast<ULONG_PTR>(handle));
    return found == table.open.end() ? nullptr : found->second;
}

}  // namespace platform::spooler

using namespace platform::spooler;

extern "C" BOOL WINAPI EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE pPrinterEnum, DWORD cbBuf,
                                     LPDWORD pcbNeeded, LPDWORD pcReturned) {
    if (pcbNeeded) *pcbNeeded = 0;
    if (pcReturned) *pcReturned = 0;
    if (DWORD error = CallFault("EnumPrintersA")) return Fail(error);
    if (!LevelExists(Level)) return Fail(ERROR_INVALID_LEVEL);
    if (Name && *Name) {
        std::string local = "\\\\" + platform::Machine::Current().settings().computerName;
        if (!platform::EqualsNoCase(Name, local)) return Fail(ERROR_INVALID_NAME);
    }
    std::vector<std::string> names;
    if (Flags & (PRINTER_ENUM_LOCAL | PRINTER_ENUM_NAME)) names = LocalPrinterNames();
    // Windows 9x keeps no connections: its network printers are local printers on network ports.
    if ((Flags & PRINTER_ENUM_CONNECTIONS) && IsNT()) {
        for (std::string& name : ConnectionNames()) names.push_back(std::move(name));
    }
    std::vector<PrinterRecord> printers;
    for (const std::string& name : names) {
        PrinterRecord printer;
        if (ReadPrinter(name, printer) == ERROR_SUCCESS || printer.server) printers.push_back(printer);
    }
    return PackPrinters("EnumPrintersA", Level, printers, pPrinterEnum, cbBuf, pcbNeeded, pcReturned);
}

extern "C" BOOL WINAPI OpenPrinterA(LPSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefault) {
    if (!phPrinter) return Fail(ERROR_INVALID_PARAMETER);
    *phPrinter = nullptr;
    if (DWORD error = CallFault("OpenPrinterA")) return Fail(error);
    if (!pPrinterName) return Fail(ERROR_INVALID_PRINTER_NAME);
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(pPrinterName, printer)) return Fail(error);
    if (DWORD error = OpenFault(pPrinterName)) return Fail(error);
    ACCESS_MASK access = pDefault && pDefault->DesiredAccess ? pDefault->DesiredAccess : PRINTER_ACCESS_USE;
    if (Restricted() && (access & kAdministrationRights)) return Fail(ERROR_ACCESS_DENIED);
    auto handle = std::make_shared<PrinterHandle>();
    handle->name = pPrinterName;
    handle->access = access;
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    ULONG_PTR value = table.next;
    table.next += 4;
    table.open[value] = handle;
    *phPrinter = reinterpret_cast<HANDLE>(value);
    return TRUE;
}

extern "C" BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> lock(table.mutex);
    if (!table.open.erase(reinterpret_cast<ULONG_PTR>(hPrinter))) return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

extern "C" BOOL WINAPI GetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf,
                                   LPDWORD pcbNeeded) {
    if (pcbNeeded) *pcbNeeded = 0;
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("GetPrinterA")) return Fail(error);
    if (!LevelExists(Level)) return Fail(ERROR_INVALID_LEVEL);
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(handle->name, printer)) return Fail(error);
    DWORD returned = 0;
    return PackPrinters("GetPrinterA", Level, {printer}, pPrinter, cbBuf, pcbNeeded, &returned);
}

extern "C" BOOL WINAPI SetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("SetPrinterA")) return Fail(error);
    if (Level == 0) return ControlPrinter(*handle, Command);
    if (Level != 2 || Command != 0) return Fail(ERROR_INVALID_LEVEL);
    if (!pPrinter) return Fail(ERROR_INVALID_PARAMETER);
    if (!MayAdminister(*handle)) return Fail(ERROR_ACCESS_DENIED);
    const auto& info = *reinterpret_cast<const PRINTER_INFO_2A*>(pPrinter);
    if (info.pPortName && !PortsExist(info.pPortName)) return Fail(ERROR_UNKNOWN_PORT);
    if (info.pDriverName && !DriverExists(info.pDriverName, SystemEnvironment()))
        return Fail(ERROR_UNKNOWN_PRINTER_DRIVER);
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(handle->name, printer)) return Fail(error);
    RegistryKey key;
    if (LONG error = key.Open(HKEY_LOCAL_MACHINE, printer.keyPath, KEY_ALL_ACCESS)) return Fail(error);
    // A null text leaves the value as it is.
    const std::pair<const char*, LPSTR> texts[] = {
        {"Share Name", info.pShareName},
        {"Port", info.pPortName},
        {"Printer Driver", info.pDriverName},
        {"Description", info.pComment},
        {"Location", info.pLocation},
        {"Separator File", info.pSepFile},
        {"Print Processor", info.pPrintProcessor},
        {"Datatype", info.pDatatype},
        {"Parameters", info.pParameters},
    };
    for (const auto& [name, text] : texts) {
        if (!text) continue;
        if (LONG error = key.SetString(name, text)) return Fail(error);
    }
    const std::pair<const char*, DWORD> numbers[] = {
        {"Attributes", info.Attributes},
        {"Priority", info.Priority},
        {"Default Priority", info.DefaultPriority},
        {"StartTime", info.StartTime},
        {"UntilTime", info.UntilTime},
    };
    for (const auto& [name, value] : numbers) {
        if (LONG error = key.SetDword(name, value)) return Fail(error);
    }
    return TRUE;
}

extern "C" BOOL WINAPI DeletePrinter(HANDLE hPrinter) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return Fail(ERROR_INVALID_HANDLE);
    if (DWORD error = CallFault("DeletePrinter")) return Fail(error);
    if (IsNT() && !(handle->access & DELETE)) return Fail(ERROR_ACCESS_DENIED);
    if (LONG error = RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, PrinterKeyPath(handle->name))) {
        return Fail(error == ERROR_FILE_NOT_FOUND ? ERROR_INVALID_PRINTER_NAME : static_cast<DWORD>(error));
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetPrinterDataA(HANDLE hPrinter, LPSTR pValueName, LPDWORD pType, LPBYTE pData,
                                        DWORD nSize, LPDWORD pcbNeeded) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return ERROR_INVALID_HANDLE;
    if (!pcbNeeded) return ERROR_INVALID_PARAMETER;
    if (DWORD error = CallFault("GetPrinterDataA")) return error;
    RegistryKey key;
    if (LONG error = key.Open(HKEY_LOCAL_MACHINE, PrinterKeyPath(handle->name) + "\\PrinterDriverData"))
        return static_cast<DWORD>(error);
    *pcbNeeded = nSize;
    LONG error = RegQueryValueExA(key.handle(), pValueName, nullptr, pType, pData, pcbNeeded);
    if (error == ERROR_SUCCESS && !pData && nSize == 0 && *pcbNeeded > 0) return ERROR_MORE_DATA;
    return static_cast<DWORD>(error);
}

extern "C" DWORD WINAPI SetPrinterDataA(HANDLE hPrinter, LPSTR pValueName, DWORD Type, LPBYTE pData,
                                        DWORD cbData) {
    std::shared_ptr<PrinterHandle> handle = FindPrinterHandle(hPrinter);
    if (!handle) return ERROR_INVALID_HANDLE;
    if (DWORD error = CallFault("SetPrinterDataA")) return error;
    if (!MayAdminister(*handle)) return ERROR_ACCESS_DENIED;
    PrinterRecord printer;
    if (DWORD error = ReadPrinter(handle->name, printer)) return error;
    RegistryKey key;
    if (LONG error = key.Create(HKEY_LOCAL_MACHINE, printer.keyPath + "\\PrinterDriverData"))
        return static_cast<DWORD>(error);
    return static_cast<DWORD>(RegSetValueExA(key.handle(), pValueName, 0, Type, pData, cbData));
}
