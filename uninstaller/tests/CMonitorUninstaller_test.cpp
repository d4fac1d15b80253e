// The monitor uninstaller on every system: the maker's revision-numbered monitor DLLs (LAST_IO_REVISION
// never tried, none with latest), the filter of its items, the registry removal of Windows 9x with its
// restart, and a monitor in use on Windows NT.
#include "CMonitorUninstaller.h"

#include <string>
#include <vector>

#include "SpoolerUninstallerTesting.h"

namespace {

using namespace spooler_uninstaller_test;

class MonitorUninstallerTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> log, errors;
        std::string output;
    };
    static Run Remove() {
        CMonitorUninstaller uninstaller(nullptr);
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        platform::StdoutCapture output;
        uninstaller.Delete();
        return {Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
    }
    static std::vector<std::string> MonitorNames() {
        DWORD needed = 0, count = 0;
        EnumMonitorsA(nullptr, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed + 1);
        std::vector<std::string> names;
        if (!EnumMonitorsA(nullptr, 1, buffer.data(), needed, &needed, &count)) return names;
        for (DWORD index = 0; index < count; ++index)
            names.emplace_back(reinterpret_cast<MONITOR_INFO_1A*>(buffer.data())[index].pName);
        return names;
    }
};

// Beside the machine's monitors: the maker's revisions 6 and 7, and two the filter tells apart.
const std::string kMoreMonitors = text::MonitorText("QN Six", "C:\\WINDOWS\\SYSTEM\\qnIMN06.DLL") +
                                  text::MonitorText("QN Seven", "QNimn07.dll") +
                                  text::MonitorText("xqnyscanz", "qnscan.dll") +
                                  text::MonitorText("scanqn", "qnscan.dll");
constexpr char kData[] = "[Scrubber.MonitorUninstaller]\r\nenabled=1\r\n1=qn,scan\r\n";

TEST_F(MonitorUninstallerTest, RevisionsAndFilterOnEverySystem) {
    const struct {
        const char* name;
        int firstIO, lastIO;
        std::vector<std::string> removed;  // in the walk's order
    } rows[] = {
        {"every revision", 5, 7, {"QN Six", "qnhDot4 Monitor V08", "xqnyscanz"}},
        {"latest", 7, 7, {"xqnyscanz"}},
    };
    for (OsKind os : kAllSystems) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(platform::OsKindName(os)) + ", " + row.name);
            SpoolerMachine machine(os, kData);
            machine.machine().Registry(kMoreMonitors);
            DeletePrinters();
            FIRST_IO_REVISION = row.firstIO;
            LAST_IO_REVISION = row.lastIO;
            gRestartNeeded = 0;
            std::vector<std::string> before = MonitorNames(), left = before, log;
            Run run = Remove();
            for (const std::string& name : before) {
                log.push_back("Checking " + name + "\r\n");
                if (std::find(row.removed.begin(), row.removed.end(), name) == row.removed.end()) continue;
                log.push_back("Found monitor to delete " + name + "\r\n");
                log.push_back(IsNT(os) ? "Removed monitor= " + name + "\r\n"
                                       : "Remove monitor on next reboot=" + name + "\r\n");
                std::erase(left, name);
            }
            EXPECT_EQ(run.log, log);
            EXPECT_EQ(run.errors, std::vector<std::string>{});
            EXPECT_EQ(MonitorNames(), left);
            EXPECT_EQ(gRestartNeeded, IsNT(os) ? 0u : 1u);
        }
    }
}

TEST_F(MonitorUninstallerTest, EmptyItemListSelectsByRevisionOnly) {
    SpoolerMachine machine(OsKind::WindowsXP, "[Scrubber.MonitorUninstaller]\r\nenabled=1\r\n");
    machine.machine().Registry(kMoreMonitors);
    DeletePrinters();
    Run run = Remove();
    EXPECT_EQ(MonitorNames(), (std::vector<std::string>{"Acme Port Monitor", "Local Port", "QN Seven",
                                                        "scanqn", "USB Monitor", "xqnyscanz"}));
}

TEST_F(MonitorUninstallerTest, MonitorInUseEndsTheWalk) {
    SpoolerMachine machine(OsKind::Windows2000, kData);
    machine.machine().Registry(kMoreMonitors);
    Run run = Remove();
    const std::string text = "Can not delete monitor \"qnhDot4 Monitor V08\"";
    EXPECT_EQ(run.errors,
              std::vector<std::string>{text + " : " + ErrorText(ERROR_PRINT_MONITOR_IN_USE) + "\r\n"});
    EXPECT_EQ(run.output, text + " failed\n");
    EXPECT_EQ(run.log.back(), "Found monitor to delete qnhDot4 Monitor V08\r\n");
    // The monitor after it is left for a later run.
    std::vector<std::string> names = MonitorNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "xqnyscanz"), names.end());
}

TEST_F(MonitorUninstallerTest, Windows9xRegistryRemovalFailureIsReportedWithItsOwnError) {
    SpoolerMachine machine(OsKind::Windows98, kData);
    machine.machine().Registry(kMoreMonitors + "[" + std::string(text::kPrintKey) +
                               "\\Monitors\\QN Six\\Ports\\QN6]\n\n");
    machine.machine().Fault(
        platform::fault_target::kRegistry,
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\QN Six\\Ports", "deletekey",
        ERROR_ACCESS_DENIED);
    SetLastError(ERROR_FILE_NOT_FOUND);
    Run run = Remove();
    EXPECT_EQ(run.errors,
              std::vector<std::string>{"Can not delete monitor \"QN Six\" : " + ErrorText(5) + "\r\n"});
    EXPECT_EQ(gRestartNeeded, 0u);
}

}  // namespace
