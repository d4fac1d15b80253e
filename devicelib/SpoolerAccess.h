// Access to the print spooler: the lock that serialises spooler calls across every process that uses the
// library, and the walks over the printers, ports, print monitors and printer drivers of the computer.
//
// A walk hands each item's name to a filter and the item to an item callback; either may be null. Both
// get the three caller pointers the walk was given (where u2 is null the walk passes the number of
// records instead) and stop the walk by returning 0. The spooler lock is never held while a callback
// runs, so callbacks may take it again.
#pragma once

#include <memory>

#include "CMutex.h"
#include "windows.h"
#include "winspool.h"

class CPrinter;

typedef unsigned int (*SpoolerFilterCallback)(const char* name, void* u1, void* u2, void* u3);
typedef unsigned int (*PrinterItemCallback)(CPrinter& printer, void* u1, void* u2, void* u3);
typedef unsigned int (*PortItemCallback)(PORT_INFO_2A& port, void* u1, void* u2, void* u3);
typedef unsigned int (*MonitorItemCallback)(MONITOR_INFO_1A& monitor, void* u1, void* u2, void* u3);
typedef unsigned int (*DriverItemCallback)(DRIVER_INFO_2A& driver, void* u1, void* u2, void* u3);

// The environment of the system's printer drivers and print monitors: "Windows NT x86" on Windows NT,
// "Windows 4.0" on Windows 9x.
const char* DriverEnvironment();

// The monitor the maker's DOT4 ports run on.
inline constexpr char DOT4_MONITOR_NAME[] = "qnhDot4 Monitor V08";

// The named mutex "SpoolerMutex" (recursive, like every Windows mutex). It is created on first use: a
// process enters its machine only when it first reaches a kernel object.
CMutex& SpoolerMutex();

// Waits without time limit for the spooler mutex; a failed wait is traced and the caller goes on.
void LockSpooler();
// Lets the spooler mutex go; a failure is traced.
void UnlockSpooler();

// Holds the spooler mutex from construction until Unlock() or the end of the scope, whichever is first.
class SpoolerLock {
  public:
    SpoolerLock();
    ~SpoolerLock();
    SpoolerLock(const SpoolerLock&) = delete;
    SpoolerLock& operator=(const SpoolerLock&) = delete;
    void Unlock();

  private:
    bool m_held;
};

// Each returns 1 when the walk ran (also when a callback stopped it) and 0 when the list could not be read.
// Every printer that can be initialised is handed to `item` as a CPrinter; one that cannot is traced and
// skipped.
unsigned int ForAllPrinters(PrinterItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2,
                            void* u3);
unsigned int ForAllPorts(PortItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2, void* u3);
unsigned int ForAllMonitors(MonitorItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2,
                            void* u3);
unsigned int ForAllDrivers(DriverItemCallback item, SpoolerFilterCallback filter, void* u1, void* u2,
                           void* u3);

// A block for the records a spooler call writes: at least `size` bytes, zeroed and aligned for the
// pointers the records hold. Null when it cannot be allocated; DeleteSpoolerBlock frees it.
BYTE* NewSpoolerBlock(DWORD size);
void DeleteSpoolerBlock(BYTE* block);
struct SpoolerBlockDeleter {
    void operator()(BYTE* block) const { DeleteSpoolerBlock(block); }
};
typedef std::unique_ptr<BYTE[], SpoolerBlockDeleter> SpoolerBlock;

// GetPrinterDriverA under the rule of Windows 9x, whose spooler sometimes refuses a valid call with
// ERROR_INVALID_PARAMETER: the call is made again after a second, up to five more times.
BOOL GetPrinterDriverWithRetry(HANDLE printer, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                               LPDWORD needed);
