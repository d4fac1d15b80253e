// Test support for the printer, driver, monitor and port uninstallers: a machine of any system with the
// old generation's printers (driver number 04, below the threshold 30), the new generation's (31), and
// another vendor's beside them, the model database that knows the maker's two drivers, and the data file.
#pragma once

#include <memory>
#include <string>

#include "CFactory.h"
#include "CPrinter.h"
#include "CSecurity.h"
#include "OsVersionTesting.h"
#include "SpoolerAccessTesting.h"
#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler_testing.h"

namespace spooler_uninstaller_test {

using platform::OsKind;
namespace text = platform::spooler_testing;

inline const OsKind kAllSystems[] = {OsKind::WindowsXP, OsKind::Windows2000, OsKind::WindowsNT4,
                                     OsKind::Windows98, OsKind::WindowsMe};

inline bool IsNT(OsKind os) {
    return os == OsKind::WindowsXP || os == OsKind::Windows2000 || os == OsKind::WindowsNT4;
}

constexpr char kOldDriver[] = "QN Laser 1204";    // qnlas1204.dll: number 04, old
constexpr char kNewDriver[] = "QN Jet 5031";      // qnjet5031.dll: number 31, new
constexpr char kOtherDriver[] = "Acme Writer 7";  // another vendor's
constexpr char kDataFile[] = "C:\\Dati\\devpurge.dat";

// The printers, drivers, monitors and ports of the machine: the maker's DOT4 monitor and ports, the USB
// monitor, another vendor's monitor and port, and the standard local ports.
inline std::string SpoolerText(OsKind os) {
    bool nt = IsNT(os);
    DWORD version = nt ? 3u : 0u;
    return text::LocalPortsText(nt) + text::MonitorText("qnhDot4 Monitor V08", "QNimn05.dll") +
           text::PortText("qnhDot4 Monitor V08", "DOT4_001", "qnhDot4 Monitor V08", nt) +
           text::PortText("qnhDot4 Monitor V08", "DOT4_002", "qnhDot4 Monitor V08", nt) +
           text::MonitorText("USB Monitor", "usbmon.dll") +
           text::PortText("USB Monitor", "USB001", "Virtual printer port for USB", nt) +
           text::MonitorText("Acme Port Monitor", "acmemon.dll") +
           text::PortText("Acme Port Monitor", "ACME_1", "Acme Port Monitor", nt) +
           text::DriverText({kOldDriver, "qnlas1204.dll", "", version}, nt) +
           text::DriverText({kNewDriver, "qnjet5031.dll", "", version}, nt) +
           text::DriverText({kOtherDriver, "acme07.dll", "", version}, nt) +
           text::PrinterText({"Laser", "DOT4_001", kOldDriver}) +
           text::PrinterText({"Jet", "DOT4_002", kNewDriver}) +
           text::PrinterText({"Jet 2", "USB001", kNewDriver}) +
           text::PrinterText({"Acme", "ACME_1", kOtherDriver});
}

// A queued job of the printer.
inline std::string JobText(const std::string& printer, int job) {
    char name[8];
    std::snprintf(name, sizeof name, "%04d", job);
    return "[" + std::string(text::kPrintKey) + "\\Printers\\" + printer + "\\Jobs\\" + name +
           "]\n\"Document\"=\"doc\"\n\"Status\"=dword:00000010\n\n";
}

// The machine, its model database and the program-wide state the uninstallers read.
class SpoolerMachine {
  public:
    explicit SpoolerMachine(OsKind os, const std::string& data = "", bool administrator = true)
        : machine_(Settings(os, administrator)) {
        ResetOsVersionRecordForTesting();
        ResetSpoolerMutexForTesting();
        platform::StdoutCapture startup;  // the security attributes, and the factory's notes on its files
        static_cast<SECURITY_ATTRIBUTES*>(GetGlobalSecurity());
        machine_.Registry(SpoolerText(os));
        machine_.File("C:\\qn\\models.dat",
                      std::string("[Models]\r\n1=Laser\r\n2=Jet\r\n[Laser]\r\ndrivername=") + kOldDriver +
                          "\r\n[Jet]\r\ndrivername=" + kNewDriver + "\r\n");
        machine_.File("C:\\qn\\qnvins08.dat", "[Version]\r\nInfrastructureDatabaseList=models.dat\r\n");
        factory_ = std::make_unique<CFactory>("C:\\qn\\qnvins08.dat");
        SetDeviceFactory(factory_.get());
        machine_.File(kDataFile, "[Version]\r\nManufacturer=Corvanta\r\n" + data);
        gDATFileName = kDataFile;
        gRemovedDriverList.clear();
        DIVISION = "QN";
        VCD_FILEVER = 30;
        FIRST_CA_REVISION = 2;
        LAST_CA_REVISION = 4;
        FIRST_IO_REVISION = 5;
        LAST_IO_REVISION = 7;
        startup.Take();
    }
    ~SpoolerMachine() {
        gRemovedDriverList.clear();
        SetDeviceFactory(nullptr);
        ResetSpoolerMutexForTesting();
        ResetOsVersionRecordForTesting();
    }
    platform::TestMachine& machine() { return machine_; }

  private:
    static platform::MachineSettings Settings(OsKind os, bool administrator) {
        platform::MachineSettings settings = platform::MachineSettings::Defaults(os);
        settings.administrator = administrator;
        return settings;
    }
    platform::TestMachine machine_;
    std::unique_ptr<CFactory> factory_;
};

// Deletes the machine's printers, so that no driver, monitor or port is in use.
inline void DeletePrinters() {
    for (const char* name : {"Laser", "Jet", "Jet 2", "Acme"}) {
        std::string key = std::string("SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\") + name;
        EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()), ERROR_SUCCESS) << name;
    }
}

// The names the spooler lists now.
inline std::vector<std::string> PrinterNames() {
    DWORD needed = 0, count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::string> names;
    if (!EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 1, buffer.data(), needed, &needed, &count)) return names;
    for (DWORD index = 0; index < count; ++index)
        names.emplace_back(reinterpret_cast<PRINTER_INFO_1A*>(buffer.data())[index].pName);
    return names;
}

inline std::vector<std::string> DriverNames() {
    DWORD needed = 0, count = 0;
    EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::vector<std::string> names;
    if (!EnumPrinterDriversA(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count)) return names;
    for (DWORD index = 0; index < count; ++index)
        names.emplace_back(reinterpret_cast<DRIVER_INFO_1A*>(buffer.data())[index].pName);
    return names;
}

}  // namespace spooler_uninstaller_test
