#include "SpoolerAccess.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <new>

#include "CPrinter.h"
#include "OsVersion.h"
#include "SpoolerAccessTesting.h"

namespace {

constexpr char SPOOLER_MUTEX_NAME[] = "SpoolerMutex";
constexpr char CANNOT_CREATE_MUTEX[] = "Cannot create spooler mutex\n";
constexpr char WAIT_FAILURE[] = "Failure on waiting for the spooler mutex\n";
constexpr char RELEASE_FAILURE[] = "Failure on releasing the spooler mutex\n";
constexpr char PRINTER_INIT_FAILURE[] = "ForAllPrinters: Cannot Init %s\n";

constexpr DWORD RETRY_DELAY = 1000;
constexpr int MORE_TRIES_ON_9X = 5;
constexpr int READ_ATTEMPTS = 2;

// The mutex object outlives the process's handle table: it is never destroyed, so no handle is closed
// after the table has gone at exit.
CMutex& TheSpoolerMutexObject() {
    static CMutex& mutex = *new CMutex;
    return mutex;
}

// Makes a call again while Windows 9x refuses it with ERROR_INVALID_PARAMETER.
BOOL CallWithRetryOn9x(const std::function<BOOL()>& call) {
    BOOL result = call();
    for (int retry = 0; !result && retry < MORE_TRIES_ON_9X && Is9X() && GetLastError() == ERROR_INVALID_PARAMETER;
         ++retry) {
        Sleep(RETRY_DELAY);
        result = call();
    }
    return result;
}

typedef std::function<BOOL(LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)> EnumerateCall;

struct SpoolerList {
    const char* failureLine;     // size query or read failed, a nameless record
    const char* growthLine;      // the list grew between the size query and the read
    const char* allocationLine;  // the buffer could not be allocated
    bool invalidParameterAsked;  // ERROR_INVALID_PARAMETER may answer the size query
    bool retryOn9x;
    EnumerateCall enumerate;
};

// Reads a whole spooler list under the spooler mutex, which is let go on every way out. `records` is
// null when the list is empty.
bool ReadSpoolerList(const SpoolerList& list, std::unique_ptr<BYTE[]>& records, DWORD& count) {
    SetLastError(0);
    SpoolerLock lock;
    Sleep(0);
    auto call = [&list](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        if (!list.retryOn9x) return list.enumerate(buffer, size, needed, returned);
        return CallWithRetryOn9x([&] { return list.enumerate(buffer, size, needed, returned); });
    };
    for (int attempt = 0; attempt < READ_ATTEMPTS; ++attempt) {
        DWORD needed = 0;
        count = 0;
        if (call(nullptr, 0, &needed, &count) && needed == 0) {
            records.reset();
            count = 0;
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_SUCCESS && error != ERROR_INSUFFICIENT_BUFFER &&
            !(list.invalidParameterAsked && error == ERROR_INVALID_PARAMETER)) {
            std::printf(list.failureLine, static_cast<unsigned int>(error));
            return false;
        }
        // A pointer-aligned block, zeroed, of at least the size asked for.
        std::size_t slots = (needed + sizeof(void*) - 1) / sizeof(void*) + 1;
        std::unique_ptr<void*[]> block(new (std::nothrow) void*[slots]());
        if (!block) {
            std::printf("%s", list.allocationLine);
            return false;
        }
        DWORD allocated = needed;
        if (call(reinterpret_cast<LPBYTE>(block.get()), allocated, &needed, &count)) {
            records.reset(reinterpret_cast<BYTE*>(block.release()));
            return true;
        }
        error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER || needed <= allocated) {
            std::printf(list.failureLine, static_cast<unsigned int>(error));
            return false;
        }
        std::printf(list.growthLine, static_cast<unsigned int>(error));
        block.reset();
        Sleep(RETRY_DELAY);
    }
    return false;
}

// Hands each record of a list read by ReadSpoolerList to the filter and to `handle`, which passes it to
// the item callback. Stops at the first 0.
template <typename Record>
void WalkRecords(const SpoolerList& list, BYTE* records, DWORD count, LPSTR Record::*name,
                 SpoolerFilterCallback filter, void* u1, void* u2, void* u3,
                 const std::function<unsigned int(Record&, void*)>& handle) {
    void* countOrU2 = u2 ? u2 : reinterpret_cast<void*>(static_cast<ULONG_PTR>(count));
    Record* record = reinterpret_cast<Record*>(records);
    for (DWORD index = 0; index < count; ++index) {
        Record& current = record[index];
        if (!(current.*name)) {
            std::printf(list.failureLine, static_cast<unsigned int>(GetLastError()));
            continue;
        }
        unsigned int goOn = filter ? filter(current.*name, u1, countOrU2, u3) : 1;
        if (goOn) goOn = handle(current, countOrU2);
        if (!goOn) return;
    }
}

template <typename Record, typename ItemCallback>
unsigned int WalkSpoolerList(const SpoolerList& list, LPSTR Record::*name, ItemCallback item,
                             SpoolerFilterCallback filter, void* u1, void* u2, void* u3) {
    std::unique_ptr<BYTE[]> records;
    DWORD count = 0;
    if (!ReadSpoolerList(list, records, count)) return 0;
    WalkRecords<Record>(list, records.get(), count, name, filter, u1, u2, u3,
                        [&](Record& record, void* countOrU2) -> unsigned int {
                            return item ? item(record, u1, countOrU2, u3) : 1;
                        });
    return 1;
}

const char* DriverEnvironment() {
    return IsNT() ? "Windows NT x86" : "Windows 4.0";
}

}  // namespace

CMutex& SpoolerMutex() {
    CMutex& mutex = TheSpoolerMutexObject();
    if (!mutex.GetHandle() && !mutex.CreateOpen(SPOOLER_MUTEX_NAME, NULL, NULL)) {
        std::printf("%s", CANNOT_CREATE_MUTEX);
    }
    return mutex;
}

void ResetSpoolerMutexForTesting() {
    CMutex& mutex = TheSpoolerMutexObject();
    if (mutex.GetHandle()) mutex.Close();
}

void LockSpooler() {
    if (SpoolerMutex().Wait(INFINITE) != WAIT_OBJECT_0) std::printf("%s", WAIT_FAILURE);
}

void UnlockSpooler() {
    if (!SpoolerMutex().Release()) std::printf("%s", RELEASE_FAILURE);
}

SpoolerLock::SpoolerLock() : m_held(true) {
    LockSpooler();
}

SpoolerLock::~SpoolerLock() {
    Unlock();
}

void SpoolerLock::Unlock() {
    if (!m_held) return;
    m_held = false;
    UnlockSpooler();
}

BOOL GetPrinterDriverWithRetry(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
    return CallWithRetryOn9x(
        [&] { return GetPrinterDriverA(printer, environment, level, buffer, size, needed); });
}

unsigned int ForAllPrinters(PrinterItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2, void* u3) {
    DWORD flags = IsNT() ? (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS) : PRINTER_ENUM_LOCAL;
    DWORD level = IsNT() ? 4 : 5;
    SpoolerList list = {"EnumPrinters failed err=%u!\n", "EnumPrinters failed err=%u!\n",
                        "Cannot alloc printer info\n", true, true,
                        [flags, level](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumPrintersA(flags, NULL, level, buffer, size, needed, returned);
                        }};
    std::unique_ptr<BYTE[]> records;
    DWORD count = 0;
    if (!ReadSpoolerList(list, records, count)) return 0;
    // Levels 4 and 5 both begin with pPrinterName, the only field read here.
    auto handle = [&](LPSTR printerName, void* countOrU2) -> unsigned int {
        if (!item) return 1;
        CPrinter printer;
        if (!printer.Init(printerName, CPrinter::DEFAULT_OLD_DRIVER_THRESHOLD)) {
            std::printf(PRINTER_INIT_FAILURE, printerName);
            return 1;
        }
        return item(printer, u1, countOrU2, u3);
    };
    if (level == 4) {
        WalkRecords<PRINTER_INFO_4A>(list, records.get(), count, &PRINTER_INFO_4A::pPrinterName, filter, u1, u2, u3,
                                     [&](PRINTER_INFO_4A& record, void* countOrU2) {
                                         return handle(record.pPrinterName, countOrU2);
                                     });
    } else {
        WalkRecords<PRINTER_INFO_5A>(list, records.get(), count, &PRINTER_INFO_5A::pPrinterName, filter, u1, u2, u3,
                                     [&](PRINTER_INFO_5A& record, void* countOrU2) {
                                         return handle(record.pPrinterName, countOrU2);
                                     });
    }
    return 1;
}

unsigned int ForAllPorts(PortItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2, void* u3) {
    SpoolerList list = {"EnumPorts failed err=%u!\n", "EnumPorts failed err=%u!\n", "Cannot alloc monitor info\n",
                        false, false, [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumPortsA(NULL, 2, buffer, size, needed, returned);
                        }};
    return WalkSpoolerList<PORT_INFO_2A>(list, &PORT_INFO_2A::pPortName, item, filter, u1, u2, u3);
}

unsigned int ForAllMonitors(MonitorItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2, void* u3) {
    SpoolerList list = {"EnumMonitors failed err=%u!\n", "EnumMonitors failed err=%u!\n",
                        "Cannot alloc monitor info\n", false, false,
                        [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumMonitorsA(NULL, 1, buffer, size, needed, returned);
                        }};
    return WalkSpoolerList<MONITOR_INFO_1A>(list, &MONITOR_INFO_1A::pName, item, filter, u1, u2, u3);
}

unsigned int ForAllDrivers(DriverItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2, void* u3) {
    SpoolerList list = {"EnumPrinterDrivers failed err=%u!\n", "EnumDrivers failed err=%u!\n",
                        "Cannot alloc driver info\n", false, false,
                        [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumPrinterDriversA(NULL, const_cast<LPSTR>(DriverEnvironment()), 2, buffer, size,
                                                       needed, returned);
                        }};
    // A nameless driver record is traced with the line of the read, as a grown list is.
    SpoolerList walkList = list;
    walkList.failureLine = list.growthLine;
    std::unique_ptr<BYTE[]> records;
    DWORD count = 0;
    if (!ReadSpoolerList(list, records, count)) return 0;
    WalkRecords<DRIVER_INFO_2A>(walkList, records.get(), count, &DRIVER_INFO_2A::pName, filter, u1, u2, u3,
                                [&](DRIVER_INFO_2A& record, void* countOrU2) -> unsigned int {
                                    return item ? item(record, u1, countOrU2, u3) : 1;
                                });
    return 1;
}
