#include "PrinterLists.h"

#include <cstdio>
#include <string>

#include "CPort.h"
#include "CPrinter.h"
#include "ErrorCodes.h"
#include "SpoolerAccess.h"

namespace {

constexpr char DOT4_MONITOR_DLL[] = "QNHiTbxD.DLL";
constexpr DWORD FIRST_DRIVER_NUMBER = 7;

CaseInsensitiveStringList& ListOf(void* u1) {
    return *static_cast<CaseInsensitiveStringList*>(u1);
}

unsigned int AppendPrinter(CPrinter& printer, void* u1, void*, void*) {
    ListOf(u1).push_back(printer.GetATemporalFriendlyNamePtr());
    return 1;
}

unsigned int AppendSupportedPrinter(CPrinter& printer, void* u1, void*, void*) {
    if (printer.IsSupported()) ListOf(u1).push_back(printer.GetATemporalFriendlyNamePtr());
    return 1;
}

unsigned int AppendPort(PORT_INFO_2A& port, void* u1, void*, void*) {
    ListOf(u1).push_back(port.pPortName);
    return 1;
}

unsigned int AppendSupportedPort(PORT_INFO_2A& port, void* u1, void*, void*) {
    CPort classified;
    if (classified.Init(port.pPortName) == ERR_NOERROR && classified.IsSupported()) {
        ListOf(u1).push_back(port.pPortName);
    }
    return 1;
}

struct OldDriverSearch {
    DWORD threshold;
    unsigned int found;
};

unsigned int FindOldDriver(const char* name, void* u1, void*, void*) {
    OldDriverSearch& search = *static_cast<OldDriverSearch*>(u1);
    CPrinter printer;
    if (printer.Init(name, search.threshold) && printer.IsDeviceSupported() && printer.HasOldDriver()) {
        search.found = 1;
        return 0;
    }
    return 1;
}

bool OldDriverFileExists(const char* prefix, DWORD bound) {
    char system[MAX_PATH] = {};
    if (!GetSystemDirectoryA(system, sizeof system)) return false;
    for (DWORD number = FIRST_DRIVER_NUMBER; number < bound; ++number) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%02d", static_cast<int>(number));
        std::string pattern = std::string(system) + "\\drivers\\" + prefix + "???" + digits + ".SYS";
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            FindClose(search);
            return true;
        }
    }
    return false;
}

}  // namespace

unsigned int GetPrinterList(CaseInsensitiveStringList& printers) {
    ForAllPrinters(AppendPrinter, NULL, &printers, NULL, NULL);
    return 0;
}

unsigned int GetSupportedPrinterList(CaseInsensitiveStringList& printers) {
    ForAllPrinters(AppendSupportedPrinter, NULL, &printers, NULL, NULL);
    return 0;
}

unsigned int GetPortList(CaseInsensitiveStringList& ports) {
    ForAllPorts(AppendPort, NULL, &ports, NULL, NULL);
    return 0;
}

unsigned int GetSupportedPortList(CaseInsensitiveStringList& ports) {
    ForAllPorts(AppendSupportedPort, NULL, &ports, NULL, NULL);
    return 0;
}

unsigned int HasOldPrinterDriver(const char* prefix, DWORD threshold, DWORD bound) {
    OldDriverSearch search = {threshold, 0};
    ForAllPrinters(NULL, FindOldDriver, &search, NULL, NULL);
    if (search.found) return 1;
    return prefix && OldDriverFileExists(prefix, bound) ? 1 : 0;
}

unsigned int InstallDot4Monitor() {
    // AddMonitorA only reads the record.
    MONITOR_INFO_2A monitor = {const_cast<LPSTR>(DOT4_MONITOR_NAME), const_cast<LPSTR>(DriverEnvironment()),
                               const_cast<LPSTR>(DOT4_MONITOR_DLL)};
    BOOL added;
    DWORD error;
    {
        SpoolerLock lock;
        added = AddMonitorA(NULL, 2, reinterpret_cast<LPBYTE>(&monitor));
        error = GetLastError();
    }
    std::printf("AddMonitor() returns =%u error=%d\n", static_cast<unsigned int>(added),
                static_cast<int>(error));
    if (added) return 1;
    return error == 0 || error == ERROR_ALREADY_EXISTS || error == ERROR_PRINT_MONITOR_ALREADY_INSTALLED ? 1
                                                                                                         : 0;
}
