// The service uninstaller: items that name programs (".exe" in any case, with arguments) are lower-cased
// and run, each outcome of the wait logged or reported; the other items, and the revision lists, are
// services stopped and deleted; nothing at all on Windows 9x.
#include "CServiceUninstaller.h"

#include "ProgramUninstallerTesting.h"

namespace {

using namespace program_uninstaller_test;

using ServiceUninstallerTest = UninstallerTest;

constexpr char kProgram[] = "C:\\Programmi\\Corvanta\\QNSVC.EXE";
constexpr char kCommand[] = "c:\\programmi\\corvanta\\qnsvc.exe /remove /all";

std::string Service(const char* name) {
    return std::string("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\") + name +
           "]\n\"Type\"=dword:00000010\n\"Start\"=dword:00000003\n\n";
}

bool HasService(ProgramMachine& machine, const char* name) {
    return machine.machine()
               .ExportRegistry("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services")
               .find(std::string("Services\\") + name + "]") != std::string::npos;
}

TEST_F(ServiceUninstallerTest, AProgramItemIsLowerCasedAndRunAsAProgram) {
    const struct Row {
        const char* name;
        const char* script;
        std::vector<std::string> log, errors;
        std::string output;
        DWORD elapsed;
    } rows[] = {
        {"ends", "Seconds=5\r\n", {std::string("Successfully = ") + kCommand + "\r\n"}, {}, "", 5000},
        {"runs past 30 s",
         "Seconds=45\r\n",
         {},
         {std::string("Launched= ") + kCommand + " and timed out and failed to finish\r\n"},
         std::string("Timed out waiting to finish for ") + kCommand + ".\n",
         30000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramMachine machine("[Scrubber.ServiceUninstaller]\r\nenabled=1\r\n1=  C:\\Programmi\\Corvanta\\QNSVC.EXE "
                               "/REMOVE /ALL  \r\n");
        machine.Program(kProgram, row.script);
        Collected run = RunUninstaller<CServiceUninstaller>();
        EXPECT_EQ(run.log, row.log);
        EXPECT_EQ(run.errors, row.errors);
        EXPECT_EQ(run.output, row.output);
        EXPECT_EQ(machine.Elapsed(), row.elapsed);
        EXPECT_EQ(machine.CommandLines(kProgram), std::string(kCommand) + "\r\n");
    }
}

TEST_F(ServiceUninstallerTest, ServicesOfTheListAndOfTheRevisionsAreRemoved) {
    ProgramMachine machine(
        "[Scrubber.ServiceUninstaller]\r\nenabled=1\r\n1=QNVPmSvc07\r\n2=C:\\Nessuno\\qnsvc.exe\r\n"
        "REVISION3=QNScan03, QNMissing\r\n");
    machine.machine().Registry(Service("QNVPmSvc07") + Service("QNScan03") + Service("Other"));
    FIRST_IO_REVISION = 2;
    LAST_IO_REVISION = 3;
    Collected run = RunUninstaller<CServiceUninstaller>();
    EXPECT_EQ(run.log, (std::vector<std::string>{"Removed service= qnvpmsvc07\r\n", "Removed service= qnscan03\r\n"}));
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not launch c:\\nessuno\\qnsvc.exe\r\n"});
    // REVISION2 is missing and said so; a service that does not exist is skipped without a word.
    EXPECT_EQ(run.output, "LoadStringListFromValue(Scrubber.ServiceUninstaller,REVISION2) failed\n"
                          "Could not launch c:\\nessuno\\qnsvc.exe.\n");
    EXPECT_FALSE(HasService(machine, "QNVPmSvc07"));
    EXPECT_FALSE(HasService(machine, "QNScan03"));
    EXPECT_TRUE(HasService(machine, "Other"));
}

TEST_F(ServiceUninstallerTest, NothingOnWindows9x) {
    ProgramMachine machine("[Scrubber.ServiceUninstaller]\r\nenabled=1\r\n1=C:\\Programmi\\Corvanta\\QNSVC.EXE\r\n",
                           platform::OsKind::Windows98);
    machine.Program(kProgram);
    Collected run = RunUninstaller<CServiceUninstaller>();
    EXPECT_EQ(run.log, std::vector<std::string>{});
    EXPECT_EQ(run.errors, std::vector<std::string>{});
    EXPECT_EQ(machine.CommandLines(kProgram), "");
}

}  // namespace
