// Stopping and deleting services as the IO and service uninstallers share it: what is logged, printed and
// asked of the restart for each outcome, and that no handle is left open.
#include "ServiceRemoval.h"

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using ServiceRemovalTest = UninstallerTest;

constexpr char kService[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QNVPmSvc07]\n"
    "\"Type\"=dword:00000010\n\"Start\"=dword:00000002\n";

TEST_F(ServiceRemovalTest, EachOutcome) {
    struct Row {
        const char* name;
        const char* faultOperation;
        DWORD error;
        std::vector<std::string> log;
        std::string output;
        unsigned int restart;
        bool gone;
    } rows[] = {
        {"stopped and deleted", nullptr, 0, {"Removed service= QNVPmSvc07\r\n"}, "", 0, true},
        {"refuses to stop", "stop", ERROR_SERVICE_CANNOT_ACCEPT_CTRL,
         {"Remove service on next reboot= QNVPmSvc07\r\n"}, "Cannot stop QNVPmSvc07 service. ", 1, false},
        {"deletion refused", "delete", ERROR_ACCESS_DENIED, {}, "Cannot remove QNVPmSvc07 service. ", 0, false},
        {"cannot be opened", "open", ERROR_ACCESS_DENIED, {}, "", 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        gRestartNeeded = 0;
        platform::TestMachine machine;
        machine.Registry(kService);
        if (row.faultOperation) machine.Fault(platform::fault_target::kService, "QNVPmSvc07", row.faultOperation, row.error);
        CaseInsensitiveStringList log;
        platform::StdoutCapture capture;
        RemoveServices({"QNVPmSvc07", "Missing"}, log);
        std::string output = capture.Take();
        EXPECT_EQ(Strings(log), row.log);
        if (row.output.empty()) {
            EXPECT_EQ(output, "");
        } else {
            EXPECT_EQ(output, row.output + ErrorText(row.error) + "\n");
        }
        EXPECT_EQ(gRestartNeeded, row.restart);
        EXPECT_EQ(machine.ServiceHandleCount("QNVPmSvc07"), 0);
        std::string services = machine.ExportRegistry("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services");
        EXPECT_EQ(services.find("QNVPmSvc07") == std::string::npos, row.gone);
    }
}

TEST_F(ServiceRemovalTest, AManagerThatCannotBeOpenedIsTraced) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::WindowsXP);
    settings.administrator = false;
    platform::TestMachine machine(settings);
    machine.Registry(kService);
    CaseInsensitiveStringList log;
    platform::StdoutCapture capture;
    RemoveServices({"QNVPmSvc07"}, log);
    EXPECT_EQ(capture.Take(), "OpenSCManager failed with " + ErrorText(ERROR_ACCESS_DENIED) + "\n");
    EXPECT_TRUE(log.empty());
}

}  // namespace
