// The driver uninstaller on every system: the latest and legacy matrix for old and new drivers, a driver
// in use, and models whose software is already removed.
#include "CDriverUninstaller.h"

#include <string>
#include <vector>

#include "SpoolerUninstallerTesting.h"

namespace {

using namespace spooler_uninstaller_test;

constexpr char kEnabled[] = "[Scrubber.DriverUninstaller]\r\nenabled=1\r\n";

class DriverUninstallerTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> log, errors;
        std::string output;
    };
    static Run Remove() {
        CDriverUninstaller uninstaller(nullptr);
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        platform::StdoutCapture output;
        uninstaller.Delete();
        return {Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
    }
};

const std::vector<std::string> kChecked = {"Checking Acme Writer 7\r\n", "Checking QN Jet 5031\r\n",
                                           "Checking QN Laser 1204\r\n"};

TEST_F(DriverUninstallerTest, LatestAndLegacyForOldAndNewDrivers) {
    const struct {
        const char* name;
        int firstCA, lastCA;
        unsigned int legacy, shared;
        bool oldGoes, newGoes;
    } rows[] = {
        {"every revision", 2, 4, 0, 1, true, true},
        {"latest", 4, 4, 0, 0, false, true},
        {"legacy", 2, 3, 1, 0, true, false},
        {"legacy with the shared cleanup", 2, 4, 1, 1, true, true},
        {"legacy of one revision", 3, 3, 1, 0, false, false},
    };
    for (OsKind os : kAllSystems) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(platform::OsKindName(os)) + ", " + row.name);
            SpoolerMachine machine(os, kEnabled);
            DeletePrinters();
            FIRST_CA_REVISION = row.firstCA;
            LAST_CA_REVISION = row.lastCA;
            gLegacy = row.legacy;
            gSharedCleanup = row.shared;
            Run run = Remove();
            std::vector<std::string> log = kChecked, left = {kOtherDriver}, removed;
            if (row.newGoes) {
                log.insert(log.begin() + 2, "Removed printer driver= QN Jet 5031\r\n");
                removed.push_back(kNewDriver);
            } else {
                left.push_back(kNewDriver);
            }
            if (row.oldGoes) {
                log.push_back("Removed printer driver= QN Laser 1204\r\n");
                removed.push_back(kOldDriver);
            } else {
                left.push_back(kOldDriver);
            }
            EXPECT_EQ(run.log, log);
            EXPECT_EQ(run.errors, std::vector<std::string>{});
            EXPECT_EQ(DriverNames(), left);
            EXPECT_EQ(Strings(gRemovedDriverList), removed);
            EXPECT_EQ(gRestartNeeded, 0u);
        }
    }
}

TEST_F(DriverUninstallerTest, DriverInUseIsAnErrorAsksForARestartAndStopsTheWalk) {
    for (OsKind os : {OsKind::WindowsXP, OsKind::WindowsNT4, OsKind::WindowsMe}) {
        SCOPED_TRACE(platform::OsKindName(os));
        SpoolerMachine machine(os, kEnabled);
        gRestartNeeded = 0;
        Run run = Remove();
        // The printers still print with their drivers: the first of the maker's stops the walk.
        EXPECT_EQ(run.log, (std::vector<std::string>{kChecked[0], kChecked[1]}));
        EXPECT_EQ(run.errors, std::vector<std::string>{"Can not delete printer driver : " +
                                                       ErrorText(ERROR_PRINTER_DRIVER_IN_USE) + "\r\n"});
        EXPECT_EQ(run.output, "Can not delete printer driver failed\n");
        EXPECT_EQ(gRestartNeeded, 1u);
        EXPECT_EQ(DriverNames(), (std::vector<std::string>{kOtherDriver, kNewDriver, kOldDriver}));
    }
}

TEST_F(DriverUninstallerTest, ModelAlreadyRemovedIsSkipped) {
    SpoolerMachine machine(OsKind::Windows98, kEnabled);
    DeletePrinters();
    gRemovedDriverList.push_back("QN JET 5031");
    Run run = Remove();
    EXPECT_EQ(run.log, (std::vector<std::string>{kChecked[0], kChecked[1], kChecked[2],
                                                 "Removed printer driver= QN Laser 1204\r\n"}));
    EXPECT_EQ(DriverNames(), (std::vector<std::string>{kOtherDriver, kNewDriver}));
}

}  // namespace
