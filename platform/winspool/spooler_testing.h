// Test support for the spooler: faults that make lists grow, calls fail and printers refuse to open, and
// REGEDIT4 text for the printers, drivers, monitors, ports and connections of a TestMachine.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/state.h"
#include "platform/testing/test_machine.h"
#include "platform/winspool/spooler_faults.h"
#include "winspool.h"

namespace platform::spooler_testing {

// The list the call ("EnumPrintersA") reads grows between the size query and the read, `times` times.
inline void GrowList(TestMachine& machine, std::string_view call, int times) {
    machine.Fault(fault_target::kSpooler, call, spooler::kGrowOperation, ERROR_INSUFFICIENT_BUFFER, times);
}

// The call fails with the error, `times` times (always when negative).
inline void FailCall(TestMachine& machine, std::string_view call, DWORD error, int times = -1) {
    machine.Fault(fault_target::kSpooler, call, spooler::kCallOperation, error, times);
}

// OpenPrinterA of the printer fails with the error.
inline void DenyPrinter(TestMachine& machine, std::string_view printer, DWORD error = ERROR_ACCESS_DENIED,
                        int times = -1) {
    machine.Fault(fault_target::kSpooler, printer, spooler::kOpenPrinterOperation, error, times);
}

inline constexpr const char* kPrintKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print";

// A REGEDIT4 string: quoted, with backslashes and quotes escaped.
inline std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (char character : text) {
        if (character == '\\' || character == '"') quoted.push_back('\\');
        quoted.push_back(character);
    }
    return quoted + "\"";
}

inline std::string DwordText(DWORD value) {
    char text[20];
    std::snprintf(text, sizeof text, "dword:%08x", static_cast<unsigned>(value));
    return text;
}

struct Printer {
    std::string name;
    std::string port;
    std::string driver;
    DWORD attributes = PRINTER_ATTRIBUTE_LOCAL;
    DWORD status = 0;
    std::string comment = "";
    std::string location = "";
};

// A local printer, or with `server` ("srv") the printer a print server describes for its share `name`.
inline std::string PrinterText(const Printer& printer, bool nt = true, std::string_view server = "") {
    std::string key = std::string(kPrintKey) + "\\Printers\\" + printer.name;
    if (!server.empty()) {
        key = std::string(kPrintKey) + "\\Providers\\LanMan Print Services\\Servers\\" + std::string(server) +
              "\\Printers\\" + (nt ? printer.name : std::string(server) + "," + printer.name);
    }
    return "[" + key + "]\n\"Name\"=" + Quoted(printer.name) + "\n\"Port\"=" + Quoted(printer.port) +
           "\n\"Printer Driver\"=" + Quoted(printer.driver) + "\n\"Description\"=" + Quoted(printer.comment) +
           "\n\"Location\"=" + Quoted(printer.location) + "\n\"Print Processor\"=\"WinPrint\"\n" +
           "\"Datatype\"=\"RAW\"\n\"Attributes\"=" + DwordText(printer.attributes) +
           "\n\"Priority\"=dword:00000001\n\"Status\"=" + DwordText(printer.status) + "\n\n";
}

// The user's connection to "\\server\share" (the printer itself is described with PrinterText).
inline std::string ConnectionText(std::string_view server, std::string_view share) {
    return "[HKEY_CURRENT_USER\\Printers\\Connections\\,," + std::string(server) + "," + std::string(share) +
           "]\n\"Server\"=" + Quoted("\\\\" + std::string(server)) + "\n\n";
}

struct Driver {
    std::string name;
    std::string driverFile;
    std::string monitor = "";  // empty: none
    DWORD version = 3;         // Windows NT: the Version-<n> key
};

inline std::string DriverText(const Driver& driver, bool nt = true) {
    std::string key = std::string(kPrintKey) + "\\Environments\\" +
                      (nt ? "Windows NT x86\\Drivers\\Version-" + std::to_string(driver.version)
                          : std::string("Windows 4.0\\Drivers")) +
                      "\\" + driver.name;
    std::string text = "[" + key + "]\n\"Driver\"=" + Quoted(driver.driverFile) +
                       "\n\"Data File\"=\"data.ini\"\n\"Configuration File\"=\"config.dll\"\n"
                       "\"Help File\"=\"help.hlp\"\n\"Datatype\"=\"RAW\"\n\"Version\"=" +
                       DwordText(nt ? driver.version : 0) + "\n";
    if (!driver.monitor.empty()) text += "\"Monitor\"=" + Quoted(driver.monitor) + "\n";
    return text + "\n";
}

inline std::string MonitorText(std::string_view monitor, std::string_view dll) {
    return "[" + std::string(kPrintKey) + "\\Monitors\\" + std::string(monitor) +
           "]\n\"Driver\"=" + Quoted(dll) + "\n\n";
}

// A port of the monitor, where the system keeps it: below the monitor on Windows NT, in the one list of
// ports on Windows 9x. An empty description leaves the value out (the monitor's name is then used).
inline std::string PortText(std::string_view monitor, std::string_view port,
                            std::string_view description = "", bool nt = true) {
    std::string text = "[" + std::string(kPrintKey) +
                       (nt ? "\\Monitors\\" + std::string(monitor) + "\\Ports\\" : std::string("\\Ports\\")) +
                       std::string(port) + "]\n";
    if (!nt) text += "\"Monitor\"=" + Quoted(monitor) + "\n";
    if (!description.empty()) text += "\"Description\"=" + Quoted(description) + "\n";
    return text + "\n";
}

// The "Local Port" monitor with the standard ports LPT1:, COM1: and FILE:.
inline std::string LocalPortsText(bool nt = true) {
    return MonitorText("Local Port", nt ? "localspl.dll" : "spoolss.dll") +
           PortText("Local Port", "LPT1:", "Local Port", nt) +
           PortText("Local Port", "COM1:", "Local Port", nt) +
           PortText("Local Port", "FILE:", "Local Port", nt);
}

}  // namespace platform::spooler_testing
