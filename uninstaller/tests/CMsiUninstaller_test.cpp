// The installer-product uninstaller: each product code read in lower case, its entry looked for in the
// list of installed programs, msiexec started on it and waited for as "timeout" says, without a limit
// for 0; the product removed from the machine, or left to msiexec's own answer when it is not installed.
#include "CMsiUninstaller.h"

#include "ProgramUninstallerTesting.h"

namespace {

using namespace program_uninstaller_test;

using MsiUninstallerTest = UninstallerTest;

constexpr char kCode[] = "{5A2E1F3C-7B4D-4E8A-9C61-0D2B3F4A5E67}";
constexpr char kLowerCode[] = "{5a2e1f3c-7b4d-4e8a-9c61-0d2b3f4a5e67}";
constexpr char kFile[] = "C:\\Program Files\\Corvanta\\QN\\qnhub.exe";
constexpr char kMsiexec[] = "C:\\WINDOWS\\system32\\msiexec.exe";
constexpr char kUninstall[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Section(const char* timeout) {
    std::string section = std::string("[Scrubber.MsiUninstaller]\r\nenabled=1\r\n1=") + kCode + "\r\n";
    if (timeout) section += std::string("timeout=") + timeout + "\r\n";
    return section;
}

std::string Command() {
    return std::string("msiexec /x") + kLowerCode + " /qb! REBOOT=ReallySuppress";
}

TEST_F(MsiUninstallerTest, RemovesTheProductThroughMsiexec) {
    ProgramMachine machine(Section("0"));
    machine.machine().InstallerProduct(kCode, "QN Pro", {kFile}, {"SOFTWARE\\Corvanta\\QN"});
    Collected run = RunUninstaller<CMsiUninstaller>();
    EXPECT_EQ(run.log, std::vector<std::string>{std::string("CMsiUninstaller looking for") + kUninstall + kLowerCode +
                                                "\r\n"});
    EXPECT_EQ(run.errors, std::vector<std::string>{});
    EXPECT_EQ(run.output, "");
    EXPECT_FALSE(machine.machine().Exists(kFile));
    EXPECT_EQ(machine.machine().ExportRegistry("HKEY_LOCAL_MACHINE").find("QN Pro"), std::string::npos);
}

TEST_F(MsiUninstallerTest, WaitsForMsiexecAsTheTimeoutSays) {
    const struct Row {
        const char* name;
        const char* timeout;
        DWORD elapsed;
        bool finished;
    } rows[] = {
        {"0: without a limit", "0", 600000, true},
        {"below 0: without a limit", "-1", 600000, true},
        {"missing: without a limit", nullptr, 600000, true},
        {"a minute", "60000", 60000, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramMachine machine(Section(row.timeout));
        machine.machine().InstallerProduct(kCode, "QN Pro", {}, {});
        // An msiexec that takes ten minutes of the machine's clock.
        machine.Program(kMsiexec, "Seconds=600\r\n");
        Collected run = RunUninstaller<CMsiUninstaller>();
        EXPECT_EQ(machine.CommandLines(kMsiexec), Command() + "\r\n");
        EXPECT_EQ(machine.Elapsed(), row.elapsed);
        if (row.finished) {
            EXPECT_EQ(run.errors, std::vector<std::string>{});
            EXPECT_EQ(run.output, "");
        } else {
            EXPECT_EQ(run.errors, std::vector<std::string>{"Launched= " + Command() + " and failed to finish\r\n"});
            EXPECT_EQ(run.output, "Unclear finish of " + Command() + ".\n");
        }
    }
}

TEST_F(MsiUninstallerTest, AProductThatIsNotInstalled) {
    // Without an entry msiexec is not started; with an entry but no product it answers 1605, which the
    // uninstaller does not look at.
    ProgramMachine machine(std::string("[Scrubber.MsiUninstaller]\r\nenabled=1\r\n1={00000000-0000-0000-0000-000000000001}\r\n"
                                       "2=") +
                           kCode + "\r\n");
    machine.machine().Registry(std::string("[HKEY_LOCAL_MACHINE\\") + kUninstall + kCode +
                               "]\n\"DisplayName\"=\"QN Pro\"\n");
    Collected run = RunUninstaller<CMsiUninstaller>();
    EXPECT_EQ(run.log, (std::vector<std::string>{
                           std::string("CMsiUninstaller looking for") + kUninstall + "{00000000-0000-0000-0000-000000000001}\r\n",
                           std::string("CMsiUninstaller looking for") + kUninstall + kLowerCode + "\r\n"}));
    EXPECT_EQ(run.errors, std::vector<std::string>{});
    EXPECT_EQ(run.output, std::string("CMsiUninstaller::Delete() ") + kUninstall +
                              "{00000000-0000-0000-0000-000000000001} doesn't exist\n");
    // msiexec left the entry it does not know as it was.
    EXPECT_NE(machine.machine().ExportRegistry("HKEY_LOCAL_MACHINE").find("QN Pro"), std::string::npos);
}

}  // namespace
