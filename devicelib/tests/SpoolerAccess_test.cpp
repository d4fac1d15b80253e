// The spooler walks on every system: what each hands to its callbacks, the list growing between the size
// query and the read, calls that fail, the 9x retry, callbacks that stop the walk, and the spooler mutex
// free during callbacks, after every way out, and shared with another process.
#include "SpoolerAccess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "PrinterLists.h"
#include "PrinterMachine.h"
#include "platform/testing/worker_process.h"

namespace {

using namespace printer_test;
namespace testing_text = platform::spooler_testing;

constexpr std::time_t kStart = 1000000000;
constexpr DWORD kSecond = 1000;

struct Seen {
    std::vector<std::string> names;
    std::vector<bool> mutexFree;
    int stopAfter = -1;  // the item callback returns 0 on this call
    void* u2 = nullptr;
    unsigned int Record(const char* name, void* u2Given) {
        names.push_back(name);
        mutexFree.push_back(SpoolerMutexFree());
        u2 = u2Given;
        return static_cast<int>(names.size()) == stopAfter ? 0 : 1;
    }
};

unsigned int SeePrinter(CPrinter& printer, void* u1, void* u2, void*) {
    return static_cast<Seen*>(u1)->Record(printer.GetATemporalFriendlyNamePtr(), u2);
}
unsigned int SeePort(PORT_INFO_2A& port, void* u1, void* u2, void*) {
    return static_cast<Seen*>(u1)->Record(port.pPortName, u2);
}
unsigned int SeeMonitor(MONITOR_INFO_1A& monitor, void* u1, void* u2, void*) {
    return static_cast<Seen*>(u1)->Record(monitor.pName, u2);
}
unsigned int SeeDriver(DRIVER_INFO_2A& driver, void* u1, void* u2, void*) {
    return static_cast<Seen*>(u1)->Record(driver.pName, u2);
}
unsigned int StopAtOnce(const char*, void*, void*, void*) {
    return 0;
}
unsigned int PassAll(const char*, void*, void*, void*) {
    return 1;
}

struct Walk {
    const char* call;  // the spooler call the faults aim at
    const char* failureLine;
    const char* growthLine;
    std::function<unsigned int(Seen*, SpoolerFilterCallback, void* u2)> run;
};

const Walk kWalks[] = {
    {"EnumPrintersA", "EnumPrinters failed err=%u!\n", "EnumPrinters failed err=%u!\n",
     [](Seen* seen, SpoolerFilterCallback filter, void* u2) {
         return ForAllPrinters(SeePrinter, filter, seen, u2, nullptr);
     }},
    {"EnumPortsA", "EnumPorts failed err=%u!\n", "EnumPorts failed err=%u!\n",
     [](Seen* seen, SpoolerFilterCallback filter, void* u2) {
         return ForAllPorts(SeePort, filter, seen, u2, nullptr);
     }},
    {"EnumMonitorsA", "EnumMonitors failed err=%u!\n", "EnumMonitors failed err=%u!\n",
     [](Seen* seen, SpoolerFilterCallback filter, void* u2) {
         return ForAllMonitors(SeeMonitor, filter, seen, u2, nullptr);
     }},
    {"EnumPrinterDriversA", "EnumPrinterDrivers failed err=%u!\n", "EnumDrivers failed err=%u!\n",
     [](Seen* seen, SpoolerFilterCallback filter, void* u2) {
         return ForAllDrivers(SeeDriver, filter, seen, u2, nullptr);
     }},
};

std::string Line(const char* format, DWORD error) {
    char text[100];
    std::snprintf(text, sizeof text, format, static_cast<unsigned int>(error));
    return text;
}

std::vector<std::string> ExpectedNames(const char* call, OsKind os) {
    std::string which = call;
    if (which == "EnumPrintersA") {
        std::vector<std::string> names = {"Laser DOT4", "Laser LPT", "Laser USB", "To file"};
        if (spooler_test::IsNT(os)) names.push_back("\\\\srv\\p1");
        return names;
    }
    if (which == "EnumPortsA") return {"COM1:", "FILE:", "LPT1:", "DOT4_001", "USB001"};
    if (which == "EnumMonitorsA") return {"Local Port", "qnhDot4", "USB Monitor"};
    return {kDriver};
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(SpoolerWalks, EveryItemWithTheMutexFreeAndTheCountForANullU2) {
    for (OsKind os : kAllSystems) {
        PrinterMachine test(os);
        for (const Walk& walk : kWalks) {
            SCOPED_TRACE(std::string(walk.call) + " on " + platform::OsKindName(os));
            Seen seen;
            StdoutCapture output;
            EXPECT_EQ(1u, walk.run(&seen, PassAll, nullptr));
            EXPECT_EQ("", output.Take());
            EXPECT_EQ(Sorted(ExpectedNames(walk.call, os)), Sorted(seen.names));
            EXPECT_EQ(std::vector<bool>(seen.names.size(), true), seen.mutexFree);
            EXPECT_EQ(reinterpret_cast<void*>(static_cast<ULONG_PTR>(seen.names.size())), seen.u2);
            int mine = 0;
            seen = Seen();
            walk.run(&seen, nullptr, &mine);
            EXPECT_EQ(&mine, seen.u2);
            EXPECT_TRUE(SpoolerMutexFree());
        }
    }
}

TEST(SpoolerWalks, CallbacksThatStopTheWalk) {
    PrinterMachine test(OsKind::WindowsXP);
    for (const Walk& walk : kWalks) {
        SCOPED_TRACE(walk.call);
        Seen seen;
        EXPECT_EQ(1u, walk.run(&seen, StopAtOnce, nullptr));
        EXPECT_TRUE(seen.names.empty());
        seen = Seen();
        seen.stopAfter = 1;
        EXPECT_EQ(1u, walk.run(&seen, nullptr, nullptr));
        EXPECT_EQ(1u, seen.names.size());
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(SpoolerWalks, ListGrowingOnceIsReadAgainTwiceFails) {
    struct Row {
        int growths;
        unsigned int result;
        int lines;
        DWORD slept;
    } rows[] = {{1, 1, 1, 1}, {2, 0, 2, 2}};
    for (OsKind os : {OsKind::WindowsXP, OsKind::Windows98}) {
        for (const Walk& walk : kWalks) {
            for (const Row& row : rows) {
                SCOPED_TRACE(std::string(walk.call) + " growing " + std::to_string(row.growths) + " on " +
                             platform::OsKindName(os));
                PrinterMachine test(os);
                test.machine().UseVirtualClock(kStart);
                testing_text::GrowList(test.machine(), walk.call, row.growths);
                Seen seen;
                StdoutCapture output;
                DWORD start = GetTickCount();
                EXPECT_EQ(row.result, walk.run(&seen, nullptr, nullptr));
                std::string expected;
                for (int line = 0; line < row.lines; ++line)
                    expected += Line(walk.growthLine, ERROR_INSUFFICIENT_BUFFER);
                EXPECT_EQ(expected, output.Take());
                EXPECT_EQ(row.result ? ExpectedNames(walk.call, os).size() : 0u, seen.names.size());
                EXPECT_EQ(row.slept * kSecond, GetTickCount() - start);
                EXPECT_TRUE(SpoolerMutexFree());
            }
        }
    }
}

TEST(SpoolerWalks, FailingCallsEndTheWalkWithTheMutexFree) {
    PrinterMachine test(OsKind::Windows2000);
    for (const Walk& walk : kWalks) {
        SCOPED_TRACE(walk.call);
        testing_text::FailCall(test.machine(), walk.call, ERROR_ACCESS_DENIED, 1);
        Seen seen;
        StdoutCapture output;
        EXPECT_EQ(0u, walk.run(&seen, nullptr, nullptr));
        EXPECT_EQ(Line(walk.failureLine, ERROR_ACCESS_DENIED), output.Take());
        EXPECT_TRUE(seen.names.empty());
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(SpoolerWalks, NinetyEightRetriesInvalidParameterEverySecond) {
    struct Row {
        OsKind os;
        int failures;  // -1: always
        unsigned int result;
        DWORD slept;
    } rows[] = {
        {OsKind::Windows98, 5, 1, 5},  {OsKind::WindowsMe, 5, 1, 5},   {OsKind::Windows98, -1, 0, 10},
        {OsKind::WindowsXP, -1, 0, 0}, {OsKind::WindowsNT4, -1, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(platform::OsKindName(row.os)) + " failing " + std::to_string(row.failures));
        PrinterMachine test(row.os);
        test.machine().UseVirtualClock(kStart);
        testing_text::FailCall(test.machine(), "EnumPrintersA", ERROR_INVALID_PARAMETER, row.failures);
        // The spooler mutex is made before the capture: on 9x its security attributes cannot be built, which
        // the first named object of the process reports.
        LockSpooler();
        UnlockSpooler();
        Seen seen;
        StdoutCapture output;
        DWORD start = GetTickCount();
        EXPECT_EQ(row.result, ForAllPrinters(SeePrinter, nullptr, &seen, nullptr, nullptr));
        EXPECT_EQ(row.result ? "" : Line("EnumPrinters failed err=%u!\n", ERROR_INVALID_PARAMETER),
                  output.Take());
        EXPECT_EQ(row.slept * kSecond, GetTickCount() - start);
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(SpoolerWalks, PrinterThatCannotBeInitialisedIsSkipped) {
    for (OsKind os : {OsKind::WindowsXP, OsKind::WindowsMe}) {
        SCOPED_TRACE(platform::OsKindName(os));
        PrinterMachine test(os);
        testing_text::DenyPrinter(test.machine(), "Laser USB");
        CaseInsensitiveStringList printers;
        StdoutCapture output;
        EXPECT_EQ(0u, GetPrinterList(printers));
        EXPECT_EQ("OpenPrinter fails 'cause =5\nForAllPrinters: Cannot Init Laser USB\n", output.Take());
        std::vector<std::string> expected = ExpectedNames("EnumPrintersA", os);
        expected.erase(std::find(expected.begin(), expected.end(), "Laser USB"));
        EXPECT_EQ(Sorted(expected), Sorted(Items(printers)));
        // A walk with a filter only builds no printer, so the refused printer is not even opened.
        Seen seen;
        StdoutCapture filterOutput;
        EXPECT_EQ(1u, ForAllPrinters(nullptr, PassAll, &seen, nullptr, nullptr));
        EXPECT_EQ("", filterOutput.Take());
    }
}

TEST(SpoolerWalks, AnotherProcessHoldingTheMutexDelaysTheWalk) {
    PrinterMachine test(OsKind::WindowsXP);
    SpoolerMutex();
    platform::WorkerProcess holder(test.machine(), IPC_WORKER, {"hold", "SpoolerMutex", "300"});
    ASSERT_EQ("held", holder.ReadLine());
    auto start = std::chrono::steady_clock::now();
    Seen seen;
    EXPECT_EQ(1u, ForAllPorts(SeePort, nullptr, &seen, nullptr, nullptr));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(5u, seen.names.size());
    EXPECT_EQ(0, holder.Wait());
}

TEST(SpoolerWalks, SpoolerMutexFailuresAreTracedAndTheCallerGoesOn) {
    struct Row {
        const char* what;
        bool nameTaken;  // an event holds the mutex's name, so the mutex cannot be created
        bool lock;
        const char* lines;
    } rows[] = {
        {"release without a wait", false, false, "Failure on releasing the spooler mutex\n"},
        {"name taken", true, true,
         "Cannot create spooler mutex\nFailure on waiting for the spooler mutex\n"
         "Cannot create spooler mutex\nFailure on releasing the spooler mutex\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PrinterMachine test(OsKind::WindowsXP);
        HANDLE event = row.nameTaken ? CreateEventA(nullptr, TRUE, FALSE, "SpoolerMutex") : nullptr;
        if (!row.nameTaken) SpoolerMutex();
        StdoutCapture output;
        if (row.lock) LockSpooler();
        UnlockSpooler();
        EXPECT_EQ(row.lines, output.Take());
        Seen seen;
        StdoutCapture walkOutput;
        EXPECT_EQ(1u, ForAllPorts(SeePort, nullptr, &seen, nullptr, nullptr));
        EXPECT_EQ(5u, seen.names.size());
        if (event) CloseHandle(event);
    }
}

TEST(SpoolerLists, BuildersAppendEveryOrEverySupportedName) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        PrinterMachine test(os);
        CaseInsensitiveStringList printers = {"kept"}, supported, ports, supportedPorts;
        StdoutCapture output;
        EXPECT_EQ(0u, GetPrinterList(printers));
        EXPECT_EQ(0u, GetSupportedPrinterList(supported));
        EXPECT_EQ(0u, GetPortList(ports));
        EXPECT_EQ(0u, GetSupportedPortList(supportedPorts));
        output.Take();
        EXPECT_EQ(ExpectedNames("EnumPrintersA", os).size() + 1, printers.size());
        EXPECT_EQ("kept", Items(printers).front());
        EXPECT_EQ(std::vector<std::string>{"Laser DOT4"}, Items(supported));
        EXPECT_EQ(5u, ports.size());
        EXPECT_EQ(std::vector<std::string>{"DOT4_001"}, Items(supportedPorts));
    }
}

TEST(SpoolerLists, OldPrinterDriverFromPrintersOrDriverFiles) {
    struct Row {
        const char* prefix;
        DWORD threshold, bound;
        bool driverFile;
        unsigned int result;
    } rows[] = {
        {"abc", 99, 7, false, 1},  // the driver qnlas1204.dll is number 04
        {"abc", 3, 7, true, 0},    // no number from 7 below 7
        {"abc", 3, 9, true, 1},    // abcxyz08.SYS
        {"abc", 3, 8, true, 0},   {"xyz", 3, 20, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.prefix) + " " + std::to_string(row.threshold) + " " +
                     std::to_string(row.bound));
        PrinterMachine test(OsKind::WindowsXP);
        if (row.driverFile) test.machine().File("C:\\WINDOWS\\system32\\drivers\\abcxyz08.SYS", "driver");
        StdoutCapture output;
        EXPECT_EQ(row.result, HasOldPrinterDriver(row.prefix, row.threshold, row.bound));
        EXPECT_TRUE(SpoolerMutexFree());
    }
}

TEST(SpoolerLists, InstallDot4MonitorOnceAndAgain) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        PrinterMachine test(os);
        StdoutCapture output;
        EXPECT_EQ(1u, InstallDot4Monitor());
        EXPECT_EQ("AddMonitor() returns =1 error=0\n", output.Take());
        StdoutCapture secondOutput;
        Seen seen;
        ForAllMonitors(SeeMonitor, nullptr, &seen, nullptr, nullptr);
        EXPECT_NE(seen.names.end(), std::find(seen.names.begin(), seen.names.end(), DOT4_MONITOR_NAME));
        EXPECT_EQ(1u, InstallDot4Monitor());
        std::string again = secondOutput.Take();
        StdoutCapture deniedOutput;
        EXPECT_TRUE(again == "AddMonitor() returns =0 error=3006\n" ||
                    again == "AddMonitor() returns =0 error=183\n")
            << again;
        testing_text::FailCall(test.machine(), "AddMonitorA", ERROR_ACCESS_DENIED, 1);
        EXPECT_EQ(0u, InstallDot4Monitor());
        EXPECT_EQ("AddMonitor() returns =0 error=5\n", deniedOutput.Take());
    }
}

}  // namespace
