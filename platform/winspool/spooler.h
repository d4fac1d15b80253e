// What the spooler's calls share: registry access under the print keys, the records of printers,
// drivers, monitors and ports as the registry holds them, the packing of records into a caller's buffer,
// and the injected faults.
//
// Layout, as Windows keeps it (all below HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print):
//   Printers\<name>                        "Name", "Share Name", "Port", "Printer Driver", "Description",
//                                          "Location", "Separator File", "Print Processor", "Datatype",
//                                          "Parameters", "Attributes", "Priority", "Default Priority",
//                                          "StartTime", "UntilTime", "Status", "dnsTimeout", "txTimeout"
//   Printers\<name>\PrinterDriverData      the printer data (GetPrinterDataA, SetPrinterDataA)
//   Printers\<name>\Jobs\<nnnn>            the documents sent: "Document", "Output File", "Datatype",
//                                          "Pages", "Status" (JOB_STATUS_PRINTING, then JOB_STATUS_PRINTED),
//                                          "Page <n>": the picture of each page printed through a device
//                                          context (a PNG file in the spool folder)
//   Environments\<env>\Drivers\Version-<n>\<driver>   on Windows NT ("Windows NT x86"; Version-2 and -3)
//   Environments\Windows 4.0\Drivers\<driver>         on Windows 9x
//                                          "Driver", "Data File", "Configuration File", "Help File",
//                                          "Dependent Files" (REG_MULTI_SZ), "Monitor", "Datatype",
//                                          "Version"; file names without their folder
//   Monitors\<monitor>                     "Driver": the monitor's DLL
//   Monitors\<monitor>\Ports\<port>        on Windows NT: a port belongs to the monitor it is filed under;
//                                          "Description" (the monitor's name when missing, none when
//                                          empty) and "Port Type" (DWORD, PORT_TYPE_WRITE when missing)
//   Ports\<port>                           on Windows 9x, every port in one list: "Monitor" ("Local Port"
//                                          when missing), "Description" and "Port Type" as on Windows NT
//   Providers\LanMan Print Services\Servers\<server>\Printers\<share>   a network printer as its server
//                                          describes it (same values as a local printer); on Windows 9x
//                                          the key is named "<server>,<share>"
// and a connection of the user to a network printer at HKEY_CURRENT_USER\Printers\Connections\,,server,share.
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/advapi32/registry_key.h"
#include "platform/machine/machine.h"
#include "windows.h"
#include "winspool.h"

namespace platform::spooler {

inline constexpr const char* kPrintKey = "SYSTEM\\CurrentControlSet\\Control\\Print";
inline constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr const char* kMonitorsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors";
inline constexpr const char* kPortsKey9x = "SYSTEM\\CurrentControlSet\\Control\\Print\\Ports";
inline constexpr const char* kLocalPortMonitor = "Local Port";
inline constexpr const char* kServersKey =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Providers\\LanMan Print Services\\Servers";
inline constexpr const char* kConnectionsKey = "Printers\\Connections";
inline constexpr const char* kEnvironmentNT = "Windows NT x86";
inline constexpr const char* kEnvironment9x = "Windows 4.0";

bool IsNT();
// A user of Windows NT without administrator rights: may use printers but not administer them.
bool Restricted();
const char* SystemEnvironment();

// The error an injected fault gives the call ("EnumPrintersA"), or 0.
DWORD CallFault(std::string_view call);
// Whether the list the call reads grows between the caller's size query and this read.
bool ListGrows(std::string_view call);
// The error an injected fault gives OpenPrinterA of the printer, or 0.
DWORD OpenFault(std::string_view printerName);
// Fails the call with the error: sets the last error and gives FALSE.
BOOL Fail(DWORD error);

// The spooler's calls read and write the print keys through the platform's key guard.
using platform::RegistryKey;

// A printer as a printer key describes it.
struct PrinterRecord {
    std::string name;
    std::optional<std::string> server;  // "\\server" for a network printer
    std::string keyPath;                // below HKEY_LOCAL_MACHINE
    std::string share, port, driver, comment, location, separatorFile, printProcessor, datatype, parameters;
    DWORD attributes = 0, priority = 1, defaultPriority = 0, startTime = 0, untilTime = 0, status = 0;
    DWORD jobs = 0;
    DWORD deviceNotSelectedTimeout = 15000, transmissionRetryTimeout = 45000;
};

// The key below HKEY_LOCAL_MACHINE that describes the printer, for a local name or "\\server\share".
std::string PrinterKeyPath(std::string_view printerName);
// Reads the printer's key; a missing key gives ERROR_INVALID_PRINTER_NAME.
DWORD ReadPrinter(std::string_view printerName, PrinterRecord& record);
// Names of the local printers, and of the network printers the user is connected to ("\\srv\p").
std::vector<std::string> LocalPrinterNames();
std::vector<std::string> ConnectionNames();

// An open printer: its name, the access it was opened for and the document being sent through it.
struct PrinterHandle {
    std::string name;
    ACCESS_MASK access = 0;
    DWORD job = 0;  // the job of the document started, 0 for none
    bool pageOpen = false;
};
// The printer the handle stands for, or null.
std::shared_ptr<PrinterHandle> FindPrinterHandle(HANDLE handle);
// Deletes the printer's queued jobs (the printed ones stay recorded): 0 or the error.
DWORD PurgeJobs(const std::string& printerName);

// Jobs with pictures of their pages: a document printed through a printer's device context keeps each
// page as a PNG file in the spool folder, recorded in its job's key as "Page <n>" (the Windows path).
struct JobRecord {
    DWORD id = 0;
    std::string document;
    DWORD pages = 0;
    DWORD status = 0;
    std::vector<std::string> pageFiles;
};
// The spool folder of the machine's system (C:\WINDOWS\SYSTEM32\spool\PRINTERS on Windows NT,
// C:\WINDOWS\SPOOL\PRINTERS on Windows 9x).
std::string SpoolFolder();
// Records the picture of the page being ended on the printer's current job: 0 or the error.
DWORD RecordJobPage(HANDLE printer, std::string_view windowsPath);
// The printer's recorded jobs, in the order of their numbers.
std::vector<JobRecord> JobsOf(std::string_view printerName);

// A port as its key describes it.
struct PortRecord {
    std::string name;
    std::string monitor;
    std::optional<std::string> description;  // none: the monitor gives its port no description
    DWORD type = PORT_TYPE_WRITE;
    std::string keyPath;  // below HKEY_LOCAL_MACHINE
};
// The ports of the system: on Windows NT in the order of their monitors, each monitor's ports in their
// own order; on Windows 9x in the order of the one list.
std::vector<PortRecord> AllPorts();
// Whether a port of this name exists.
bool PortExists(std::string_view portName);
// Whether a driver of this name exists for the environment.
bool DriverExists(std::string_view driverName, const char* environment);

// Places the strings of records behind the records in a caller's buffer. In the first pass it only
// counts their bytes.
class StringArea {
  public:
    StringArea(char* start, bool writing) : next_(start), writing_(writing) {}
    // A null text stays a null pointer.
    LPSTR Place(const std::string* text) { return text ? Place(text->c_str(), text->size() + 1) : nullptr; }
    LPSTR Place(const std::string& text) { return Place(text.c_str(), text.size() + 1); }
    LPSTR Place(const char* bytes, std::size_t size) {
        bytes_ += size;
        if (!writing_) return nullptr;
        char* at = next_;
        std::memcpy(at, bytes, size);
        next_ += size;
        return at;
    }
    std::size_t bytes() const { return bytes_; }

  private:
    char* next_;
    bool writing_;
    std::size_t bytes_ = 0;
};

// Fills the caller's buffer with one record per item, their strings after the records, as the
// enumeration calls do. A buffer that is too small fails with ERROR_INSUFFICIENT_BUFFER, the size
// needed in *needed and 0 in *returned. `call` names the call for the growth fault.
template <typename Record, typename Item, typename Fill>
BOOL PackRecords(std::string_view call, const std::vector<Item>& items, Fill fill, LPBYTE buffer, DWORD size,
                 LPDWORD needed, LPDWORD returned) {
    if (!needed || !returned) return Fail(ERROR_INVALID_PARAMETER);
    *returned = 0;
    std::size_t total = items.size() * sizeof(Record);
    for (const Item& item : items) {
        Record scratch{};
        StringArea measure(nullptr, false);
        fill(scratch, item, measure);
        total += measure.bytes();
    }
    *needed = static_cast<DWORD>(total);
    if (size < total || (!buffer && total > 0)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (!items.empty() && ListGrows(call)) {
        // Another record arrived since the caller asked for the size.
        *needed = static_cast<DWORD>(total + total / items.size());
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    auto* records = reinterpret_cast<Record*>(buffer);
    StringArea strings(reinterpret_cast<char*>(buffer) + items.size() * sizeof(Record), true);
    for (std::size_t index = 0; index < items.size(); ++index) {
        Record record{};
        fill(record, items[index], strings);
        std::memcpy(&records[index], &record, sizeof record);
    }
    *returned = static_cast<DWORD>(items.size());
    return TRUE;
}

// One record, as GetPrinterA and GetPrinterDriverA give it.
template <typename Record, typename Item, typename Fill>
BOOL PackRecord(std::string_view call, const Item& item, Fill fill, LPBYTE buffer, DWORD size,
                LPDWORD needed) {
    DWORD returned = 0;
    std::vector<Item> items{item};
    return PackRecords<Record>(call, items, fill, buffer, size, needed, &returned);
}

// The file name of a path ("C:\X\a.dll" gives "a.dll").
std::string FileNameOf(std::string_view path);

}  // namespace platform::spooler
