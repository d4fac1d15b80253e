// The program uninstaller: each entry of the list of installed programs found or not, with or without its
// uninstall command, the command started and waited for as long as "timeout" says, and reported as
// failing to finish when it runs longer, with no "timeout" at all as soon as it does not end at once.
#include "CRemoveProgramUninstaller.h"

#include "ProgramUninstallerTesting.h"

namespace {

using namespace program_uninstaller_test;

using RemoveProgramUninstallerTest = UninstallerTest;

constexpr char kUninstall[] = "C:\\Programmi\\Corvanta\\Rimuovi.exe";
constexpr char kKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string Entry(const std::string& name, const std::string& values) {
    return "[HKEY_LOCAL_MACHINE\\" + std::string(kKey) + name + "]\n" + values + "\n";
}

TEST_F(RemoveProgramUninstallerTest, CommandsRunForAsLongAsTheTimeoutSays) {
    const std::string command = std::string(kUninstall) + " /u QNPro";
    const std::string escaped = "C:\\\\Programmi\\\\Corvanta\\\\Rimuovi.exe /u QNPro";
    const struct Row {
        const char* name;
        const char* timeout;  // null: no "timeout"
        const char* script;
        DWORD elapsed;
        bool finished;
    } rows[] = {
        {"ends within the time-out", "20000", "Seconds=10\r\n", 10000, true},
        {"runs past the time-out", "20000", "Seconds=60\r\n", 20000, false},
        // Not waited for: reported while it goes on running, even when it has nothing to do.
        {"does nothing without a time-out", nullptr, "", 0, false},
        {"runs on without a time-out", nullptr, "Seconds=10\r\n", 0, false},
        {"never ends", "5000", "Forever=1\r\n", 5000, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string timeout = row.timeout ? std::string("timeout=") + row.timeout + "\r\n" : "";
        ProgramMachine machine("[Scrubber.RemoveProgramUninstaller]\r\nenabled=1\r\n1=QNPro\r\n" + timeout);
        machine.Program(kUninstall, row.script);
        machine.machine().Registry(Entry("QNPro", "\"UninstallString\"=\"" + escaped +
                                                      "\"\n\"DisplayName\"=\"QN Pro\""));
        Collected run = RunUninstaller<CRemoveProgramUninstaller>();
        // Items are read in lower case.
        EXPECT_EQ(run.log, (std::vector<std::string>{"CRemoveProgramUninstaller looking for " + std::string(kKey) +
                                                         "qnpro\r\n",
                                                     "Removing program= qnpro" + command + "\r\n"}));
        EXPECT_EQ(machine.Elapsed(), row.elapsed);
        // The command runs on after the uninstaller has gone on.
        Sleep(100000);
        EXPECT_EQ(machine.CommandLines(kUninstall), command + "\r\n");
        if (row.finished) {
            EXPECT_EQ(run.errors, std::vector<std::string>{});
            EXPECT_EQ(run.output, "");
        } else {
            EXPECT_EQ(run.errors, std::vector<std::string>{"Launched= " + command + " and failed to finish\r\n"});
            EXPECT_EQ(run.output, "Unclear finish of " + command + ".\n");
        }
    }
}

TEST_F(RemoveProgramUninstallerTest, EntriesWithoutACommandOrAProgram) {
    ProgramMachine machine(
        "[Scrubber.RemoveProgramUninstaller]\r\nenabled=1\r\n1=missing\r\n2=nocommand\r\n3=noprogram\r\n");
    machine.machine().Registry(Entry("NoCommand", "\"DisplayName\"=\"QN\"") +
                               Entry("NoProgram", "\"UninstallString\"=\"C:\\\\Nessuno\\\\x.exe\""));
    Collected run = RunUninstaller<CRemoveProgramUninstaller>();
    const std::string key = kKey;
    EXPECT_EQ(run.log, (std::vector<std::string>{
                           "CRemoveProgramUninstaller looking for " + key + "missing\r\n",
                           "CRemoveProgramUninstaller looking for " + key + "nocommand\r\n",
                           "CRemoveProgramUninstaller looking for " + key + "noprogram\r\n",
                           "Removing program= noprogramC:\\Nessuno\\x.exe\r\n",
                       }));
    // A missing entry is printed only.
    EXPECT_EQ(run.errors, (std::vector<std::string>{
                              "CRemoveProgramUninstaller::Delete() " + key + "nocommand\\UninstallString doesn't exist\r\n",
                              "Could not launch C:\\Nessuno\\x.exe\r\n",
                          }));
    EXPECT_EQ(run.output, "CRemoveProgramUninstaller::Delete() " + key + "missing doesn't exist\n" +
                              "CRemoveProgramUninstaller::Delete() " + key +
                              "nocommand\\UninstallString doesn't exist\n" + "Could not launch C:\\Nessuno\\x.exe.\n");
    EXPECT_EQ(machine.Elapsed(), 0u);
}

}  // namespace
