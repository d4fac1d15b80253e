// Printers on "DOT4_001", "USB001", "LPT1:", "FILE:" and a network connection: what Init finds, support,
// old drivers, registry paths, attributes, and switching Bi-Di and the language monitor, refusals included.
#include "CPrinter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "CDriver.h"
#include "ErrorCodes.h"
#include "PrinterMachine.h"

namespace {

using namespace printer_test;
namespace testing_text = platform::spooler_testing;

constexpr char kNetworkPrinter[] = "\\\\srv\\p1";
constexpr char kPrinters[] = "System\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr char kServers[] =
    "System\\CurrentControlSet\\Control\\Print\\Providers\\LanMan Print Services\\Servers";

DWORD AttributesOf(const char* name) {
    CPrinter printer;
    EXPECT_EQ(1u, printer.Init(name, 99));
    return printer.GetAttributes();
}

std::string MonitorOf(const char* name) {
    CPrinter printer;
    printer.Init(name, 99);
    CDriver driver;
    EXPECT_EQ(1u, driver.Init(printer.GetWindowsHandle(eTypeUserUser)));
    return driver.GetMonitorName();
}

TEST(CPrinterTest, LocalPrintersOnEverySystem) {
    struct Row {
        const char* name;
        const char* port;
        unsigned int deviceSupported, portSupported, direct, file;
    } rows[] = {
        {"Laser DOT4", "DOT4_001", 1, 1, 1, 0},
        {"Laser USB", "USB001", 1, 0, 0, 0},
        {"Laser LPT", "LPT1:", 1, 0, 1, 0},
        {"To file", "FILE:", 1, 0, 0, 1},
    };
    for (OsKind os : kAllSystems) {
        PrinterMachine test(os);
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + " on " + platform::OsKindName(os));
            CPrinter printer;
            StdoutCapture output;
            ASSERT_EQ(1u, printer.Init(row.name, 99));
            EXPECT_STREQ(row.port, printer.GetATemporalPortNamePtr());
            EXPECT_STREQ(row.port, printer.GetATemporalPortRef().GetName());
            EXPECT_EQ(row.deviceSupported, printer.IsDeviceSupported());
            EXPECT_EQ(row.portSupported, printer.IsPortSupported());
            EXPECT_EQ(row.deviceSupported && row.portSupported ? 1u : 0u, printer.IsSupported());
            EXPECT_EQ(row.portSupported, printer.MustBeMonitored());
            EXPECT_EQ(row.direct, printer.IsDirectConnect());
            EXPECT_EQ(row.file, printer.IsFILEConnected());
            EXPECT_EQ(1u, printer.HasCard());
            EXPECT_STREQ(kDriver, printer.GetModelName());
            EXPECT_EQ(0u, printer.IsUNC());
            EXPECT_EQ("", output.Take());
        }
    }
}

TEST(CPrinterTest, NetworkPrinterIsSplitIntoServerAndShare) {
    for (OsKind os : {OsKind::WindowsXP, OsKind::Windows98}) {
        SCOPED_TRACE(platform::OsKindName(os));
        PrinterMachine test(os);
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init(kNetworkPrinter, 99));
        EXPECT_STREQ(",,srv,p1", printer.GetATemporalPortNamePtr());
        EXPECT_EQ(1u, printer.IsUNC());
        StdoutCapture output;
        EXPECT_EQ(0u, printer.IsSupported());
        EXPECT_EQ(0u, printer.IsPortSupported());
        EXPECT_EQ("UNC printers not supported \\\\srv\\p1\n", output.Take());
        char path[MAX_PATH];
        ASSERT_EQ(1u, printer.BuildPathToPrinters(path, sizeof path));
        EXPECT_EQ(std::string(kServers) + "\\srv\\Printers\\", path);
        ASSERT_EQ(1u, printer.BuildPathToQN(path, sizeof path));
        EXPECT_EQ(std::string(kServers) + "\\srv\\Printers\\" + (os == OsKind::WindowsXP ? "p1" : "srv,p1"),
                  path);
        if (os == OsKind::WindowsXP) {
            EXPECT_EQ(static_cast<DWORD>(PRINTER_ATTRIBUTE_SHARED), printer.GetAttributes());
        }
    }
}

TEST(CPrinterTest, PathsNeverOverrunTheirOutput) {
    PrinterMachine test(OsKind::WindowsXP);
    CPrinter printer;
    ASSERT_EQ(1u, printer.Init("Laser DOT4", 99));
    char path[MAX_PATH];
    ASSERT_EQ(1u, printer.BuildPathToQN(path, sizeof path));
    EXPECT_EQ(std::string(kPrinters) + "Laser DOT4", path);
    std::size_t exact = std::strlen(path) + 1;
    struct Row {
        std::size_t size;
        unsigned int printers, qn;
    } rows[] = {{exact, 1, 1},
                {exact - 1, 1, 0},
                {std::strlen(kPrinters) + 1, 1, 0},
                {std::strlen(kPrinters), 0, 0},
                {1, 0, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        // Exactly the size given, so that a write past it is caught.
        std::unique_ptr<char[]> out(new char[row.size]);
        EXPECT_EQ(row.printers, printer.BuildPathToPrinters(out.get(), row.size));
        EXPECT_EQ(row.qn, printer.BuildPathToQN(out.get(), row.size));
        if (!row.qn) {
            EXPECT_STREQ("", out.get());
        }
    }
}

TEST(CPrinterTest, InitFailsCleanlyWhenThePrinterCannotBeRead) {
    struct Row {
        const char* what;
        std::function<void(TestMachine&)> fault;
        const char* lines;
    } rows[] = {
        {"refused", [](TestMachine& m) { testing_text::DenyPrinter(m, "Laser DOT4"); },
         "OpenPrinter fails 'cause =5\n"},
        {"no info", [](TestMachine& m) { testing_text::FailCall(m, "GetPrinterA", ERROR_NOT_ENOUGH_MEMORY); },
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PrinterMachine test(OsKind::Windows2000);
        row.fault(test.machine());
        CPrinter printer;
        StdoutCapture output;
        EXPECT_EQ(0u, printer.Init("Laser DOT4", 99));
        std::string lines = output.Take();
        if (row.lines) {
            EXPECT_EQ(row.lines, lines);
        }
        EXPECT_EQ(0u, printer.Init(nullptr, 99));
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(CPrinterTest, OldDriverIsTheNumberBeforeTheExtensionBelowTheThreshold) {
    // The machine's driver file is qnlas1204.dll: number 04.
    struct Row {
        DWORD threshold;
        DWORD old;
    } rows[] = {{99, 1}, {5, 1}, {4, 0}, {3, 0}};
    PrinterMachine test(OsKind::WindowsXP);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.threshold);
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init("Laser USB", row.threshold));
        EXPECT_EQ(0u, printer.HasOldDriver());  // not known before the model is
        ASSERT_EQ(1u, printer.DeviceModelInit());
        EXPECT_EQ(row.old, printer.HasOldDriver());
    }
}

TEST(CPrinterTest, AttributesAndStatusFromThePrintersKey) {
    PrinterMachine test(OsKind::WindowsXP);
    test.machine().Registry(testing_text::PrinterText(
        {"Paused", "LPT1:", kDriver, PRINTER_ATTRIBUTE_DIRECT | PRINTER_ATTRIBUTE_ENABLE_BIDI,
         PRINTER_STATUS_PAUSED}));
    CPrinter paused, plain;
    ASSERT_EQ(1u, paused.Init("Paused", 99));
    ASSERT_EQ(1u, plain.Init("Laser LPT", 99));
    EXPECT_EQ(1u, paused.IsPaused());
    EXPECT_EQ(1u, paused.IsDirect2Printer());
    EXPECT_EQ(0u, paused.IsDisabled());
    EXPECT_EQ(0u, plain.IsPaused());
    EXPECT_EQ(0u, plain.IsDirect2Printer());
    EXPECT_EQ(1u, plain.IsDisabled());
}

TEST(CPrinterTest, EnableSwitchesBiDiAndTells9xThroughAnEmptyJob) {
    struct Row {
        OsKind os;
        const char* name;
        unsigned int on;
        bool bidiAfter;
        const char* lines;
    } rows[] = {
        {OsKind::WindowsXP, "Laser DOT4", 1, true, ""},
        {OsKind::WindowsNT4, "Laser DOT4", 0, false, ""},
        {OsKind::Windows2000, "Laser USB", 1, false, ""},  // not a supported port: the bit is cleared
        {OsKind::Windows98, "Laser DOT4", 1, true, "Sending nul job to Laser DOT4\n"},
        {OsKind::WindowsMe, "Laser USB", 1, false, "Sending nul job to Laser USB\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + " on " + platform::OsKindName(row.os));
        PrinterMachine test(row.os);
        // Both printers start with Bi-Di on.
        test.machine().Registry(testing_text::PrinterText(
            {"Laser USB", "USB001", kDriver, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI}));
        test.machine().Registry(testing_text::PrinterText(
            {"Laser DOT4", "DOT4_001", kDriver, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI}));
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init(row.name, 99));
        StdoutCapture output;
        EXPECT_EQ(1u, printer.Enable(row.on));
        EXPECT_EQ(row.lines, output.Take());
        EXPECT_EQ(row.bidiAfter, (AttributesOf(row.name) & PRINTER_ATTRIBUTE_ENABLE_BIDI) != 0);
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(CPrinterTest, RefusedSettingsGiveZeroAndTheWarning) {
    for (OsKind os : {OsKind::WindowsXP, OsKind::Windows98}) {
        SCOPED_TRACE(platform::OsKindName(os));
        PrinterMachine test(os);
        testing_text::FailCall(test.machine(), "SetPrinterA", ERROR_ACCESS_DENIED);
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init("Laser DOT4", 99));
        StdoutCapture output;
        EXPECT_EQ(0u, printer.Enable(1));
        EXPECT_EQ(0u, printer.Disable());
        EXPECT_EQ(0u, printer.DisableLM());
        EXPECT_EQ("EnableLM(0)\n", output.Take());
        // One warning for each refused write: Enable, Disable, and the Disable that ends DisableLM.
        std::string warning =
            "MessageBox \"Warning\"\n  text: No rights for Bi-Di\n  buttons: OK; icon: warning\n  answer: "
            "IDOK (default)\n";
        EXPECT_EQ(warning + warning + warning, test.machine().Transcript());
        EXPECT_EQ(0u, AttributesOf("Laser DOT4") & PRINTER_ATTRIBUTE_ENABLE_BIDI);
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(CPrinterTest, LanguageMonitorOnAndOff) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        PrinterMachine test(os);
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init("Laser DOT4", 99));
        StdoutCapture output;
        EXPECT_EQ(1u, printer.EnableLM(1, DOT4_MONITOR_NAME));
        EXPECT_EQ(DOT4_MONITOR_NAME, MonitorOf("Laser DOT4"));
        EXPECT_NE(0u, AttributesOf("Laser DOT4") & PRINTER_ATTRIBUTE_ENABLE_BIDI);
        // Already on: only Bi-Di is switched.
        EXPECT_EQ(1u, printer.EnableLM(1, DOT4_MONITOR_NAME));
        EXPECT_EQ(1u, printer.DisableLM());
        EXPECT_EQ("", MonitorOf("Laser DOT4"));
        EXPECT_EQ(0u, AttributesOf("Laser DOT4") & PRINTER_ATTRIBUTE_ENABLE_BIDI);
        std::string nulJobs = spooler_test::IsNT(os) ? "" : "Sending nul job to Laser DOT4\n";
        EXPECT_EQ("EnableLM(1)\n" + nulJobs + "EnableLM(1)\n" + nulJobs + "EnableLM(0)\n" + nulJobs,
                  output.Take());
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(CPrinterTest, LanguageMonitorRefusalsAndUnsupportedPrinters) {
    PrinterMachine test(OsKind::WindowsXP);
    testing_text::FailCall(test.machine(), "AddPrinterDriverA", ERROR_ACCESS_DENIED, 1);
    CPrinter printer, network;
    ASSERT_EQ(1u, printer.Init("Laser DOT4", 99));
    ASSERT_EQ(1u, network.Init(kNetworkPrinter, 99));
    {
        StdoutCapture output;
        EXPECT_EQ(0u, printer.EnableLM(1, DOT4_MONITOR_NAME));
        EXPECT_EQ("EnableLM(1)\nCannot AddPrinterDriver() error = 5\n", output.Take());
    }
    EXPECT_EQ("", MonitorOf("Laser DOT4"));
    StdoutCapture output;
    EXPECT_EQ(1u, network.EnableLM(1, DOT4_MONITOR_NAME));  // not a supported device: left alone
    EXPECT_EQ("EnableLM(1)\n", output.Take());
    EXPECT_TRUE(SpoolerMutexFree());
}

TEST(CPrinterTest, RefusedDriverAndKeyReadsAreTraced) {
    const std::string warning =
        "MessageBox \"Warning\"\n  text: No rights for Bi-Di\n  buttons: OK; icon: warning\n  answer: IDOK "
        "(default)\n";
    auto refuseDriver = [](TestMachine& m) {
        testing_text::FailCall(m, "GetPrinterDriverA", ERROR_ACCESS_DENIED, 1);
    };
    struct Row {
        const char* what;
        bool modelKnown;  // the model is read before the fault
        std::function<void(TestMachine&)> fault;
        std::function<unsigned int(CPrinter&)> call;
        std::string lines;  // "%s": the text of ERROR_ACCESS_DENIED
        std::string transcript;
    } rows[] = {
        {"model", false, refuseDriver, [](CPrinter& p) { return p.DeviceModelInit(); },
         "GetPrinterDriver size failed with %s\n", ""},
        {"language monitor", true, refuseDriver, [](CPrinter& p) { return p.EnableLM(1, DOT4_MONITOR_NAME); },
         "EnableLM(1)\nCannot GetPrinterDriver() size\nCannot init CDriver\n failed\n", ""},
        {"attributes", false,
         [](TestMachine& m) {
             m.Fault(platform::fault_target::kRegistry,
                     std::string("HKEY_LOCAL_MACHINE\\") + kPrinters + "Laser DOT4", "open",
                     ERROR_ACCESS_DENIED);
         },
         [](CPrinter& p) { return p.GetAttributes(); }, "Cannot open key to attributes\n", warning},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PrinterMachine test(OsKind::WindowsXP);
        CPrinter printer;
        ASSERT_EQ(1u, printer.Init("Laser DOT4", 99));
        if (row.modelKnown) {
            ASSERT_EQ(1u, printer.DeviceModelInit());
        }
        row.fault(test.machine());
        StdoutCapture output;
        EXPECT_EQ(0u, row.call(printer));
        std::string lines = row.lines;
        std::size_t code = lines.find("%s");
        if (code != std::string::npos) lines.replace(code, 2, GetErrorString(ERROR_ACCESS_DENIED));
        EXPECT_EQ(lines, output.Take());
        EXPECT_EQ(row.transcript, test.machine().Transcript());
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(CDriverTest, MonitorNameCopyIsBounded) {
    PrinterMachine test(OsKind::WindowsXP);
    CPrinter printer;
    ASSERT_EQ(1u, printer.Init("Laser DOT4", 99));
    CDriver driver;
    StdoutCapture output;
    EXPECT_EQ(0u, driver.Init(nullptr));
    EXPECT_STREQ("", driver.GetMonitorName());
    ASSERT_EQ(1u, driver.Init(printer.GetWindowsHandle(eTypeUserAdmin)));
    EXPECT_STREQ("", driver.GetMonitorName());
    EXPECT_STREQ(kDriver, driver.GetInfo()->pName);
    std::string longest(259, 'm');
    EXPECT_EQ(1u, driver.SetMonitorName(longest.c_str()));
    EXPECT_EQ(longest, driver.GetMonitorName());
    EXPECT_EQ(0u, driver.SetMonitorName((longest + "m").c_str()));
    EXPECT_EQ(longest, driver.GetMonitorName());
    EXPECT_EQ(1u, driver.SetMonitorName(nullptr));
    EXPECT_EQ(nullptr, driver.GetInfo()->pMonitorName);
    EXPECT_EQ(
        "Invalid handle failed\n"
        "CDriver::SetMonitorName() checking strlen(pMonitorName)<spare size failed returning "
        "ERR_BUFFEROVERFLOW\n",
        output.Take());
}

}  // namespace
