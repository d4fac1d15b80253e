#include "SpoolerAccess.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <utility>

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
    for (int retry = 0;
         !result && retry < MORE_TRIES_ON_9X && Is9X() && GetLastError() == ERROR_INVALID_PARAMETER;
         ++retry) {
        Sleep(RETRY_DELAY);
        result = call();
    }
    return result;
}

typedef std::function<BOOL(LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned)> EnumerateCall;

struct SpoolerList {
    const char* failureLine;     // the size query or the read failed
    const char* growthLine;      // the list grew between the size query and the read
    const char* namelessLine;    // a record without a name
    const char* allocationLine;  // the buffer could not be allocated
    bool invalidParameterAsked;  // ERROR_INVALID_PARAMETER may answer the size query
    bool retryOn9x;
    EnumerateCall enumerate;
};

// Reads a whole spooler list under the spooler mutex, which is let go on every way out. `records` is
// null when the list is empty.
bool ReadSpoolerList(const SpoolerList& list, SpoolerBlock& records, DWORD& count) {
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
        SpoolerBlock block(NewSpoolerBlock(needed));
        if (!block) {
            std::printf("%s", list.allocationLine);
            return false;
        }
        DWORD allocated = needed;
        if (call(block.get(), allocated, &needed, &count)) {
            records = std::move(block);
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

// Reads the list and hands each record to the filter, by its name, and to `handle` (with u2, or the
// number of records where u2 is null), which passes it on to the item callback. Stops at the first 0.
template <typename Record, typename Handle>
unsigned int WalkSpoolerList(const SpoolerList& list, LPSTR Record::*name, SpoolerFilterCallback filter,
                             void* u1, void* u2, void* u3, Handle handle) {
    SpoolerBlock records;
    DWORD count = 0;
    if (!ReadSpoolerList(list, records, count)) return 0;
    void* countOrU2 = u2 ? u2 : reinterpret_cast<void*>(static_cast<ULONG_PTR>(count));
    Record* record = reinterpret_cast<Record*>(records.get());
    for (DWORD index = 0; index < count; ++index) {
        Record& current = record[index];
        if (!(current.*name)) {
            std::printf(list.namelessLine, static_cast<unsigned int>(GetLastError()));
            continue;
        }
        unsigned int goOn = filter ? filter(current.*name, u1, countOrU2, u3) : 1;
        if (goOn) goOn = handle(current, countOrU2);
        if (!goOn) break;
    }
    return 1;
}

// The record handler that passes each record to the item callback, when there is one.
template <typename Record, typename ItemCallback>
auto PassToItem(ItemCallback item, void* u1, void* u3) {
    return [item, u1, u3](Record& record, void* countOrU2) -> unsigned int {
        return item ? item(record, u1, countOrU2, u3) : 1;
    };
}

}  // namespace

const char* DriverEnvironment() {
    return IsNT() ? "Windows NT x86" : "Windows 4.0";
}

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

BYTE* NewSpoolerBlock(DWORD size) {
    std::size_t slots = (size + sizeof(void*) - 1) / sizeof(void*) + 1;
    return reinterpret_cast<BYTE*>(new (std::nothrow) void*[slots]());
}

void DeleteSpoolerBlock(BYTE* block) {
    delete[] reinterpret_cast<void**>(block);
}

BOOL GetPrinterDriverWithRetry(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed) {
    return CallWithRetryOn9x(
        [&] { return GetPrinterDriverA(printer, environment, level, buffer, size, needed); });
}

unsigned int ForAllPrinters(PrinterItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2,
                            void* u3) {
    DWORD flags = IsNT() ? (PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS) : PRINTER_ENUM_LOCAL;
    DWORD level = IsNT() ? 4 : 5;
    SpoolerList list = {"EnumPrinters failed err=%u!\n",
                        "EnumPrinters failed err=%u!\n",
                        "EnumPrinters failed err=%u!\n",
                        "Cannot alloc printer info\n",
                        true,
                        true,
                        [flags, level](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumPrintersA(flags, NULL, level, buffer, size, needed, returned);
                        }};
    // Levels 4 and 5 both begin with pPrinterName, the only field read here.
    auto handle = [&](auto& record, void* countOrU2) -> unsigned int {
        if (!item) return 1;
        CPrinter printer;
        if (!printer.Init(record.pPrinterName, CPrinter::DEFAULT_OLD_DRIVER_THRESHOLD)) {
            std::printf(PRINTER_INIT_FAILURE, record.pPrinterName);
            return 1;
        }
        return item(printer, u1, countOrU2, u3);
    };
    if (level == 4) {
        return WalkSpoolerList<PRINTER_INFO_4A>(list, &PRINTER_INFO_4A::pPrinterName, filter, u1, u2, u3,
                                                handle);
    }
    return WalkSpoolerList<PRINTER_INFO_5A>(list, &PRINTER_INFO_5A::pPrinterName, filter, u1, u2, u3, handle);
}

unsigned int ForAllPorts(PortItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2, void* u3) {
    SpoolerList list = {"EnumPorts failed err=%u!\n",
                        "EnumPorts failed err=%u!\n",
                        "EnumPorts failed err=%u!\n",
                        "Cannot alloc monitor info\n",
                        false,
                        false,
                        [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumPortsA(NULL, 2, buffer, size, needed, returned);
                        }};
    return WalkSpoolerList<PORT_INFO_2A>(list, &PORT_INFO_2A::pPortName, filter, u1, u2, u3,
                                         PassToItem<PORT_INFO_2A>(item, u1, u3));
}

unsigned int ForAllMonitors(MonitorItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2,
                            void* u3) {
    SpoolerList list = {"EnumMonitors failed err=%u!\n",
                        "EnumMonitors failed err=%u!\n",
                        "EnumMonitors failed err=%u!\n",
                        "Cannot alloc monitor info\n",
                        false,
                        false,
                        [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumMonitorsA(NULL, 1, buffer, size, needed, returned);
                        }};
    return WalkSpoolerList<MONITOR_INFO_1A>(list, &MONITOR_INFO_1A::pName, filter, u1, u2, u3,
                                            PassToItem<MONITOR_INFO_1A>(item, u1, u3));
}

unsigned int ForAllDrivers(DriverItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2,
                           void* u3) {
    SpoolerList list = {"EnumPrinterDrivers failed err=%u!\n",
                        "EnumDrivers failed err=%u!\n",
                        "EnumDrivers failed err=%u!\n",
                        "Cannot alloc driver info\n",
                        false,
                        false,
                        [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
                            return EnumPrinterDriversA(NULL, const_cast<LPSTR>(DriverEnvironment()), 2,
                                                       buffer, size, needed, returned);
                        }};
    return WalkSpoolerList<DRIVER_INFO_2A>(list, &DRIVER_INFO_2A::pName, filter, u1, u2, u3,
                                           PassToItem<DRIVER_INFO_2A>(item, u1, u3));
}
