// The port uninstaller on every system: ports selected through their description (the monitor key whose
// DLL is one of the maker's revisions, or the filter), a port without a description, the registry
// removal of Windows 9x with its restart, and a failure that ends the walk.
#include "CPortUninstaller.h"

#include <string>
#include <vector>

#include "SpoolerUninstallerTesting.h"

namespace {

using namespace spooler_uninstaller_test;

class PortUninstallerTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> log, errors;
        std::string output;
    };
    static Run Remove() {
        CPortUninstaller uninstaller(nullptr);
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        platform::StdoutCapture output;
        uninstaller.Delete();
        return {Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
    }
    static std::vector<std::string> PortNames() {
        DWORD needed = 0, count = 0;
        EnumPortsA(nullptr, 1, nullptr, 0, &needed, &count);
        std::vector<BYTE> buffer(needed + 1);
        std::vector<std::string> names;
        if (!EnumPortsA(nullptr, 1, buffer.data(), needed, &needed, &count)) return names;
        for (DWORD index = 0; index < count; ++index)
            names.emplace_back(reinterpret_cast<PORT_INFO_1A*>(buffer.data())[index].pName);
        return names;
    }
};

constexpr char kData[] = "[Scrubber.PortUninstaller]\r\nenabled=1\r\n1=Scanner,Port\r\n";

// Beside the machine's ports: one the filter selects by its description, one without a description.
std::string MorePorts(bool nt) {
    return text::MonitorText("QN Scan", "qnscan.dll") +
           text::PortText("QN Scan", "QNSCAN1", "Scanner network Port", nt) +
           text::PortText("QN Scan", "NODESC", "", nt) + "[" + std::string(text::kPrintKey) +
           (nt ? "\\Monitors\\QN Scan\\Ports\\NODESC" : "\\Ports\\NODESC") + "]\n\"Description\"=\"\"\n\n";
}

TEST_F(PortUninstallerTest, PortsSelectedByTheirDescriptionOnEverySystem) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        bool nt = IsNT(os);
        SpoolerMachine machine(os, kData);
        machine.machine().Registry(MorePorts(nt));
        DeletePrinters();
        gRestartNeeded = 0;
        std::vector<std::string> before = PortNames(), left = before, log;
        Run run = Remove();
        for (const std::string& name : before) {
            log.push_back("Checking " + name + "\r\n");
            if (name != "DOT4_001" && name != "DOT4_002" && name != "QNSCAN1") continue;
            log.push_back("Found port to delete " + name + "\r\n");
            log.push_back(nt ? "Removed port= " + name + "\r\n"
                             : "Remove port on next reboot= " + name + "\r\n");
            std::erase(left, name);
        }
        EXPECT_EQ(run.log, log);
        EXPECT_EQ(run.errors, std::vector<std::string>{});
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(PortNames(), left);
        EXPECT_EQ(gRestartNeeded, nt ? 0u : 1u);
        std::vector<std::string> kept = {"ACME_1", "NODESC", "USB001", "LPT1:", "COM1:", "FILE:"};
        for (const std::string& name : kept)
            EXPECT_NE(std::find(left.begin(), left.end(), name), left.end()) << name;
    }
}

TEST_F(PortUninstallerTest, FailedRemovalEndsTheWalk) {
    SpoolerMachine machine(OsKind::WindowsXP, kData);
    DeletePrinters();
    text::FailCall(machine.machine(), "DeletePortA", ERROR_ACCESS_DENIED);
    Run run = Remove();
    const std::string text = "Can not delete port \"DOT4_001\"";
    EXPECT_EQ(run.errors, std::vector<std::string>{text + " : " + ErrorText(5) + "\r\n"});
    EXPECT_EQ(run.output, text + " failed\n");
    EXPECT_EQ(run.log.back(), "Found port to delete DOT4_001\r\n");
    std::vector<std::string> names = PortNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "DOT4_002"), names.end());
}

}  // namespace
