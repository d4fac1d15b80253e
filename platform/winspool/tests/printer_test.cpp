// Printer handles and what is done through them, drivers and monitors added, and documents sent.
#include <gtest/gtest.h>

#include <cstring>

#include "spooler_machine.h"

namespace {

using namespace spooler_test;
using platform::TestMachine;

HANDLE Open(const char* name, ACCESS_MASK access) {
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, access};
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<LPSTR>(name), &printer, &defaults)) return nullptr;
    return printer;
}

std::vector<BYTE> Read(std::function<BOOL(LPBYTE, DWORD, LPDWORD)> call) {
    DWORD needed = 0;
    EXPECT_FALSE(call(nullptr, 0, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    std::vector<BYTE> buffer(needed);
    EXPECT_TRUE(call(buffer.data(), needed, &needed));
    return buffer;
}

std::vector<BYTE> PrinterInfo(HANDLE printer, DWORD level) {
    return Read([&](LPBYTE buffer, DWORD size, LPDWORD needed) {
        return GetPrinterA(printer, level, buffer, size, needed);
    });
}

std::vector<BYTE> DriverInfo(HANDLE printer) {
    return Read([&](LPBYTE buffer, DWORD size, LPDWORD needed) {
        return GetPrinterDriverA(printer, nullptr, 3, buffer, size, needed);
    });
}

TEST(SpoolerPrinters, OpenWithAccessRights) {
    struct Row {
        OsKind os;
        bool administrator;
        const char* name;
        ACCESS_MASK access;
        bool denied;  // fault on OpenPrinter for the printer
        DWORD error;  // 0: opens
    } rows[] = {
        {OsKind::WindowsXP, true, "Laser USB", PRINTER_ALL_ACCESS, false, 0},
        {OsKind::WindowsXP, false, "Laser USB", PRINTER_ALL_ACCESS, false, ERROR_ACCESS_DENIED},
        {OsKind::WindowsXP, false, "Laser USB", PRINTER_ACCESS_USE, false, 0},
        {OsKind::Windows2000, false, "\\\\srv\\p1", PRINTER_ACCESS_USE, false, 0},
        {OsKind::WindowsNT4, false, "Laser LPT", PRINTER_ACCESS_ADMINISTER, false, ERROR_ACCESS_DENIED},
        {OsKind::WindowsNT4, true, "Nobody", PRINTER_ACCESS_USE, false, ERROR_INVALID_PRINTER_NAME},
        {OsKind::WindowsXP, true, "\\\\srv\\p9", PRINTER_ACCESS_USE, false, ERROR_INVALID_PRINTER_NAME},
        {OsKind::WindowsXP, true, "Laser DOT4", PRINTER_ACCESS_USE, true, ERROR_ACCESS_DENIED},
        {OsKind::Windows98, false, "Laser DOT4", PRINTER_ALL_ACCESS, false, 0},
        {OsKind::WindowsMe, true, "Laser DOT4", PRINTER_ALL_ACCESS, true, ERROR_ACCESS_DENIED},
        {OsKind::WindowsMe, true, "Nobody", PRINTER_ALL_ACCESS, false, ERROR_INVALID_PRINTER_NAME},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + row.name + " access " + std::to_string(row.access));
        TestMachine machine(Settings(row.os, row.administrator));
        machine.Registry(MachineText(row.os));
        if (row.denied) platform::spooler_testing::DenyPrinter(machine, row.name);
        SetLastError(0);
        HANDLE printer = Open(row.name, row.access);
        if (row.error) {
            EXPECT_EQ(nullptr, printer);
            EXPECT_EQ(row.error, GetLastError());
            continue;
        }
        ASSERT_NE(nullptr, printer);
        EXPECT_TRUE(ClosePrinter(printer));
        EXPECT_FALSE(ClosePrinter(printer));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    }
}

TEST(SpoolerPrinters, SetPrinterWritesBackOrIsDenied) {
    struct Row {
        OsKind os;
        ACCESS_MASK access;
        const char* port;
        DWORD error;
    } rows[] = {
        {OsKind::WindowsXP, PRINTER_ALL_ACCESS, "USB001", 0},
        {OsKind::WindowsXP, PRINTER_ACCESS_USE, "USB001", ERROR_ACCESS_DENIED},
        {OsKind::WindowsNT4, PRINTER_ALL_ACCESS, "LPT9:", ERROR_UNKNOWN_PORT},
        {OsKind::Windows98, PRINTER_ACCESS_USE, "FILE:", 0},
        {OsKind::Windows98, PRINTER_ALL_ACCESS, "\\\\srv\\p1", 0},
        {OsKind::WindowsMe, PRINTER_ALL_ACCESS, "DOT4_001", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + row.port);
        TestMachine machine(row.os);
        machine.Registry(MachineText(row.os));
        HANDLE printer = Open("Laser LPT", row.access);
        ASSERT_NE(nullptr, printer);
        std::vector<BYTE> buffer = PrinterInfo(printer, 2);
        auto* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
        EXPECT_STREQ("LPT1:", info->pPortName);
        info->Attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;
        info->pPortName = const_cast<LPSTR>(row.port);
        SetLastError(0);
        EXPECT_EQ(row.error == 0, SetPrinterA(printer, 2, buffer.data(), 0) != FALSE);
        EXPECT_EQ(row.error, GetLastError());
        buffer = PrinterInfo(printer, 2);
        info = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
        EXPECT_STREQ(row.error ? "LPT1:" : row.port, info->pPortName);
        EXPECT_EQ(row.error == 0, (info->Attributes & PRINTER_ATTRIBUTE_ENABLE_BIDI) != 0);
        EXPECT_STREQ("QN Laser 1204", info->pDriverName);
        ClosePrinter(printer);
    }
}

TEST(SpoolerPrinters, PrinterData) {
    TestMachine machine(OsKind::Windows2000);
    machine.Registry(MachineText(OsKind::Windows2000));
    HANDLE user = Open("Laser USB", PRINTER_ACCESS_USE);
    HANDLE administrator = Open("Laser USB", PRINTER_ALL_ACCESS);
    DWORD value = 7, type = 0, needed = 0;
    EXPECT_EQ(
        static_cast<DWORD>(ERROR_ACCESS_DENIED),
        SetPrinterDataA(user, const_cast<LPSTR>("Mode"), REG_DWORD, reinterpret_cast<LPBYTE>(&value), 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND),
              GetPrinterDataA(user, const_cast<LPSTR>("Mode"), &type, nullptr, 0, &needed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS),
              SetPrinterDataA(administrator, const_cast<LPSTR>("Mode"), REG_DWORD,
                              reinterpret_cast<LPBYTE>(&value), 4));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MORE_DATA),
              GetPrinterDataA(user, const_cast<LPSTR>("Mode"), &type, nullptr, 0, &needed));
    EXPECT_EQ(4u, needed);
    DWORD read = 0;
    EXPECT_EQ(
        static_cast<DWORD>(ERROR_SUCCESS),
        GetPrinterDataA(user, const_cast<LPSTR>("Mode"), &type, reinterpret_cast<LPBYTE>(&read), 4, &needed));
    EXPECT_EQ(7u, read);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    ClosePrinter(user);
    ClosePrinter(administrator);
}

TEST(SpoolerDrivers, ReaddedDriverKeepsTheMonitorAsGiven) {
    struct Row {
        OsKind os;
        const char* monitor;
    } rows[] = {
        {OsKind::WindowsXP, "qnhDot4 Monitor V08"},
        {OsKind::WindowsXP, nullptr},
        {OsKind::WindowsNT4, "qnhDot4 Monitor V08"},
        {OsKind::Windows98, "qnhDot4 Monitor V08"},
        {OsKind::WindowsMe, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + (row.monitor ? row.monitor : "(none)"));
        TestMachine machine(row.os);
        machine.Registry(MachineText(row.os));
        machine.Registry(platform::spooler_testing::DriverText(
            {"QN Laser 1204", "qnlas1204.dll", "Old Monitor", IsNT(row.os) ? 3u : 0u}, IsNT(row.os)));
        HANDLE printer = Open("Laser DOT4", PRINTER_ACCESS_USE);
        std::vector<BYTE> buffer = DriverInfo(printer);
        auto* driver = reinterpret_cast<DRIVER_INFO_3A*>(buffer.data());
        EXPECT_STREQ("Old Monitor", driver->pMonitorName);
        driver->pMonitorName = const_cast<LPSTR>(row.monitor);
        ASSERT_TRUE(AddPrinterDriverA(nullptr, 3, buffer.data()));
        buffer = DriverInfo(printer);
        driver = reinterpret_cast<DRIVER_INFO_3A*>(buffer.data());
        if (row.monitor) {
            EXPECT_STREQ(row.monitor, driver->pMonitorName);
        } else {
            EXPECT_EQ(nullptr, driver->pMonitorName);
        }
        EXPECT_NE(nullptr, std::strstr(driver->pDriverPath, "qnlas1204.dll"));
        EXPECT_NE(nullptr, std::strstr(driver->pHelpFile, "help.hlp"));
        ClosePrinter(printer);
    }
}

TEST(SpoolerDrivers, AddPrinterDriverErrors) {
    struct Row {
        OsKind os;
        bool administrator;
        const char* environment;
        DWORD level;
        DWORD error;
    } rows[] = {
        {OsKind::WindowsXP, true, nullptr, 3, 0},
        {OsKind::WindowsXP, false, nullptr, 3, ERROR_ACCESS_DENIED},
        {OsKind::Windows2000, true, "Windows NT x86", 1, ERROR_INVALID_LEVEL},
        {OsKind::WindowsNT4, true, "Windows 3.1", 3, ERROR_INVALID_ENVIRONMENT},
        {OsKind::Windows98, false, nullptr, 3, 0},
        {OsKind::WindowsMe, true, "Windows NT x86", 3, ERROR_INVALID_ENVIRONMENT},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os));
        TestMachine machine(Settings(row.os, row.administrator));
        DRIVER_INFO_3A info{};
        info.cVersion = 3;
        info.pName = const_cast<LPSTR>("New Driver");
        info.pEnvironment = const_cast<LPSTR>(row.environment);
        info.pDriverPath = const_cast<LPSTR>("C:\\TEMP\\new.dll");
        info.pDataFile = const_cast<LPSTR>("new.ini");
        info.pConfigFile = const_cast<LPSTR>("newui.dll");
        info.pDependentFiles = const_cast<LPSTR>("a.dll\0b.hlp\0");
        SetLastError(0);
        EXPECT_EQ(row.error == 0,
                  AddPrinterDriverA(nullptr, row.level, reinterpret_cast<LPBYTE>(&info)) != FALSE);
        EXPECT_EQ(row.error, GetLastError());
        if (row.error) continue;
        DWORD count = 0;
        std::vector<BYTE> buffer = ReadList(
            [](LPBYTE data, DWORD size, LPDWORD needed, LPDWORD returned) {
                return EnumPrinterDriversA(nullptr, nullptr, 3, data, size, needed, returned);
            },
            count);
        ASSERT_EQ(1u, count);
        auto* driver = reinterpret_cast<DRIVER_INFO_3A*>(buffer.data());
        std::string folder = machine.machine().settings().systemFolder +
                             (IsNT(row.os) ? "\\spool\\DRIVERS\\W32X86\\3\\" : "\\");
        EXPECT_EQ(folder + "new.dll", driver->pDriverPath);
        EXPECT_EQ(folder + "a.dll", driver->pDependentFiles);
        EXPECT_EQ(folder + "b.hlp", driver->pDependentFiles + std::strlen(driver->pDependentFiles) + 1);
    }
}

TEST(SpoolerMonitors, AddMonitorOnEverySystem) {
    struct Row {
        OsKind os;
        const char* name;
        DWORD error;
    } rows[] = {
        {OsKind::WindowsXP, "qnhDot4 Monitor V08", 0},
        {OsKind::WindowsXP, "qnhDot4", ERROR_PRINT_MONITOR_ALREADY_INSTALLED},
        {OsKind::Windows2000, "QNHDOT4", ERROR_PRINT_MONITOR_ALREADY_INSTALLED},
        {OsKind::WindowsNT4, "Local Port", ERROR_PRINT_MONITOR_ALREADY_INSTALLED},
        {OsKind::Windows98, "qnhDot4", ERROR_ALREADY_EXISTS},
        {OsKind::WindowsMe, "qnhDot4 Monitor V08", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(platform::OsKindName(row.os) + " " + row.name);
        TestMachine machine(row.os);
        machine.Registry(MachineText(row.os));
        MONITOR_INFO_2A info{const_cast<LPSTR>(row.name),
                             const_cast<LPSTR>(IsNT(row.os) ? "Windows NT x86" : "Windows 4.0"),
                             const_cast<LPSTR>("QNHiTbxD.DLL")};
        SetLastError(0);
        EXPECT_EQ(row.error == 0, AddMonitorA(nullptr, 2, reinterpret_cast<LPBYTE>(&info)) != FALSE);
        EXPECT_EQ(row.error, GetLastError());
        DWORD count = 0;
        std::vector<BYTE> buffer =
            ReadList([](LPBYTE data, DWORD size, LPDWORD needed,
                        LPDWORD returned) { return EnumMonitorsA(nullptr, 2, data, size, needed, returned); },
                     count);
        EXPECT_EQ(row.error ? 3u : 4u, count);
    }
}

TEST(SpoolerDocuments, NullJobIsRecorded) {
    for (OsKind os : {OsKind::Windows98, OsKind::WindowsMe, OsKind::WindowsXP}) {
        SCOPED_TRACE(platform::OsKindName(os));
        TestMachine machine(Settings(os, false));
        machine.Registry(MachineText(os));
        HANDLE printer = Open("Laser DOT4", PRINTER_ACCESS_USE);
        ASSERT_NE(nullptr, printer);
        EXPECT_FALSE(StartPagePrinter(printer));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SPL_NO_STARTDOC), GetLastError());
        DOC_INFO_1A document{const_cast<LPSTR>(""), nullptr, const_cast<LPSTR>("RAW")};
        DWORD job = StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&document));
        EXPECT_EQ(1u, job);
        EXPECT_TRUE(StartPagePrinter(printer));
        EXPECT_TRUE(EndPagePrinter(printer));
        std::vector<BYTE> buffer = PrinterInfo(printer, 2);
        EXPECT_EQ(1u, reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->cJobs);
        EXPECT_TRUE(EndDocPrinter(printer));
        buffer = PrinterInfo(printer, 2);
        EXPECT_EQ(0u, reinterpret_cast<PRINTER_INFO_2A*>(buffer.data())->cJobs);
        std::string jobs = machine.ExportRegistry(
            "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Laser DOT4\\Jobs");
        EXPECT_NE(std::string::npos, jobs.find("\\Jobs\\0001]"));
        EXPECT_NE(std::string::npos, jobs.find("\"Document\"=\"\""));
        EXPECT_NE(std::string::npos, jobs.find("\"Datatype\"=\"RAW\""));
        EXPECT_NE(std::string::npos, jobs.find("\"Pages\"=dword:00000001"));
        EXPECT_NE(std::string::npos, jobs.find("\"Status\"=dword:00000080"));
        EXPECT_EQ(2u, StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&document)));
        ClosePrinter(printer);
    }
}

TEST(SpoolerDeletion, DriversMonitorsAndPortsInUseStay) {
    TestMachine machine(OsKind::WindowsXP);
    machine.Registry(MachineText(OsKind::WindowsXP));
    EXPECT_FALSE(DeletePrinterDriverA(nullptr, nullptr, const_cast<LPSTR>("QN Laser 1204")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PRINTER_DRIVER_IN_USE), GetLastError());
    EXPECT_FALSE(DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>("USB Monitor")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PRINT_MONITOR_IN_USE), GetLastError());
    EXPECT_FALSE(DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>("No Monitor")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_UNKNOWN_PRINT_MONITOR), GetLastError());
    for (const char* name : {"Laser DOT4", "Laser USB", "Laser LPT", "To file"}) {
        HANDLE printer = Open(name, PRINTER_ALL_ACCESS);
        EXPECT_TRUE(DeletePrinter(printer)) << name;
        ClosePrinter(printer);
    }
    EXPECT_TRUE(DeleteMonitorA(nullptr, nullptr, const_cast<LPSTR>("USB Monitor")));
    EXPECT_TRUE(DeletePortA(nullptr, nullptr, const_cast<LPSTR>("dot4_001")));
    EXPECT_FALSE(DeletePortA(nullptr, nullptr, const_cast<LPSTR>("DOT4_001")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_UNKNOWN_PORT), GetLastError());
    EXPECT_TRUE(DeletePrinterDriverA(nullptr, nullptr, const_cast<LPSTR>("QN Laser 1204")));
    DWORD needed = 0, count = 0;
    EXPECT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 1, nullptr, 0, &needed, &count));
    EXPECT_EQ(0u, count);
    DWORD ports = 0;
    ReadList([](LPBYTE data, DWORD size, LPDWORD need,
                LPDWORD returned) { return EnumPortsA(nullptr, 1, data, size, need, returned); },
             ports);
    EXPECT_EQ(3u, ports);
}

TEST(SpoolerDocuments, PurgeDeletesTheQueuedJobs) {
    for (OsKind os : {OsKind::Windows98, OsKind::WindowsXP}) {
        SCOPED_TRACE(platform::OsKindName(os));
        TestMachine machine(Settings(os, true));
        machine.Registry(MachineText(os));
        HANDLE printer = Open("Laser DOT4", PRINTER_ALL_ACCESS);
        ASSERT_NE(nullptr, printer);
        DOC_INFO_1A document{const_cast<LPSTR>("done"), nullptr, const_cast<LPSTR>("RAW")};
        ASSERT_EQ(1u, StartDocPrinterA(printer, 1, reinterpret_cast<LPBYTE>(&document)));
        ASSERT_TRUE(EndDocPrinter(printer));
        HANDLE other = Open("Laser DOT4", PRINTER_ACCESS_USE);
        document.pDocName = const_cast<LPSTR>("queued");
        ASSERT_EQ(2u, StartDocPrinterA(other, 1, reinterpret_cast<LPBYTE>(&document)));
        EXPECT_EQ(1u, reinterpret_cast<PRINTER_INFO_2A*>(PrinterInfo(printer, 2).data())->cJobs);
        // Windows NT asks for the right to administer the printer; Windows 9x has no printer security.
        EXPECT_EQ(os == OsKind::Windows98, SetPrinterA(other, 0, nullptr, PRINTER_CONTROL_PURGE) != FALSE);
        if (os != OsKind::Windows98) {
            EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
            EXPECT_TRUE(SetPrinterA(printer, 0, nullptr, PRINTER_CONTROL_PURGE));
        }
        EXPECT_EQ(0u, reinterpret_cast<PRINTER_INFO_2A*>(PrinterInfo(printer, 2).data())->cJobs);
        std::string jobs = machine.ExportRegistry(
            "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\Laser DOT4\\Jobs");
        EXPECT_NE(std::string::npos, jobs.find("\"Document\"=\"done\"")) << "the printed job stays recorded";
        EXPECT_EQ(std::string::npos, jobs.find("queued"));
        EXPECT_FALSE(SetPrinterA(printer, 0, nullptr, PRINTER_CONTROL_PAUSE));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PRINTER_COMMAND), GetLastError());
        ClosePrinter(other);
        ClosePrinter(printer);
    }
}

TEST(SpoolerPorts, Windows9xKeepsOneListOfPorts) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        bool nt = IsNT(os);
        TestMachine machine(os);
        machine.Registry(MachineText(os) + testing_text::MonitorText("Other", "other.dll") +
                         testing_text::PortText("Other", "OTH1", "", nt));
        // A port whose monitor describes it with nothing has no description.
        const std::string print = "SYSTEM\\CurrentControlSet\\Control\\Print";
        std::string key = print + (nt ? "\\Monitors\\qnhDot4\\Ports\\DOT4_001" : "\\Ports\\DOT4_001");
        machine.Registry("[HKEY_LOCAL_MACHINE\\" + key + "]\n\"Description\"=\"\"\n");
        EXPECT_NE(std::string::npos,
                  machine.ExportRegistry("HKEY_LOCAL_MACHINE\\" + print + (nt ? "\\Monitors" : "\\Ports"))
                      .find("DOT4_001]"));
        DWORD count = 0;
        std::vector<BYTE> buffer =
            ReadList([](LPBYTE data, DWORD size, LPDWORD need,
                        LPDWORD returned) { return EnumPortsA(nullptr, 2, data, size, need, returned); },
                     count);
        ASSERT_EQ(6u, count);
        auto* ports = reinterpret_cast<PORT_INFO_2A*>(buffer.data());
        for (DWORD index = 0; index < count; ++index) {
            std::string name = ports[index].pPortName;
            if (name == "DOT4_001") {
                EXPECT_EQ(nullptr, ports[index].pDescription);
            }
            if (name == "OTH1") {
                EXPECT_STREQ("Other", ports[index].pMonitorName);
                EXPECT_STREQ("Other", ports[index].pDescription);
            }
        }
        // Deleting the port's key is deleting the port, and the spooler deletes the same key.
        EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str()));
        EXPECT_FALSE(DeletePortA(nullptr, nullptr, const_cast<LPSTR>("DOT4_001")));
        EXPECT_EQ(static_cast<DWORD>(ERROR_UNKNOWN_PORT), GetLastError());
        EXPECT_TRUE(DeletePortA(nullptr, nullptr, const_cast<LPSTR>("oth1")));
        ReadList([](LPBYTE data, DWORD size, LPDWORD need,
                    LPDWORD returned) { return EnumPortsA(nullptr, 1, data, size, need, returned); },
                 count);
        EXPECT_EQ(4u, count);
    }
}

}  // namespace
