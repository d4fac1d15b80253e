// The printer uninstaller on every system: which queues go with and without latest and legacy, queued
// jobs purged unattended or left when the question is answered No, and the maker's removal program run
// once per model, or its failure to start.
#include "CPrinterUninstaller.h"

#include <string>
#include <vector>

#include "SpoolerUninstallerTesting.h"

namespace {

using namespace spooler_uninstaller_test;

constexpr char kEnabled[] = "[Scrubber.PrinterUninstaller]\r\nenabled=1\r\n";
constexpr char kProgram[] = "C:\\Program Files\\Corvanta\\Util\\qnzglu30.exe";
constexpr char kCompanion[] = "C:\\Program Files\\Corvanta\\Util\\QNghl04.exe";

class PrinterUninstallerTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> log, errors;
        std::string output;
    };
    static Run Remove() {
        CPrinterUninstaller uninstaller(nullptr);
        EXPECT_EQ(uninstaller.IsEnabled(), 1u);
        platform::StdoutCapture output;
        uninstaller.Delete();
        return {Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
    }
    static std::string Short(const char* path) {
        char shortPath[MAX_PATH] = "";
        GetShortPathNameA(path, shortPath, MAX_PATH);
        return shortPath;
    }
};

TEST_F(PrinterUninstallerTest, WhichQueuesGoWithAndWithoutLatestAndLegacy) {
    const struct {
        const char* name;
        int firstCA, lastCA;
        unsigned int legacy, shared;
        std::vector<std::string> removed;
    } rows[] = {
        {"every revision", 2, 4, 0, 1, {"Jet", "Jet 2", "Laser"}},
        {"latest", 4, 4, 0, 0, {"Jet", "Jet 2"}},
        {"legacy", 2, 3, 1, 0, {"Laser"}},
        {"legacy with the shared cleanup", 2, 4, 1, 1, {"Laser"}},
    };
    for (OsKind os : kAllSystems) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(platform::OsKindName(os)) + ", " + row.name);
            SpoolerMachine machine(os, kEnabled);
            FIRST_CA_REVISION = row.firstCA;
            LAST_CA_REVISION = row.lastCA;
            gLegacy = row.legacy;
            gSharedCleanup = row.shared;
            gRestartNeeded = 0;
            Run run = Remove();
            std::vector<std::string> log, left = {"Acme", "Jet", "Jet 2", "Laser"};
            for (const std::string& name : row.removed) {
                log.push_back("Removed printer= " + name + "\r\n");
                std::erase(left, name);
            }
            EXPECT_EQ(run.log, log);
            EXPECT_EQ(run.errors, std::vector<std::string>{});
            EXPECT_EQ(PrinterNames(), left);
            EXPECT_EQ(gRestartNeeded, 0u);
            // Searched once, for the first new printer only.
            std::string missing = "Failed to find path to 'qnzglu30.exe'!\n";
            EXPECT_EQ(run.output, row.legacy ? "" : missing);
        }
    }
}

TEST_F(PrinterUninstallerTest, QueuedJobsArePurgedUnattendedOrLeftWhenTheAnswerIsNo) {
    const struct {
        const char* name;
        unsigned int unattended, silent;
        const char* answer;  // null: no question
        bool removed;
    } rows[] = {
        {"unattended", 1, 0, nullptr, true},
        {"silent", 0, 1, nullptr, true},
        {"answered Yes", 0, 0, "IDYES", true},
        {"answered No", 0, 0, "IDNO", false},
    };
    for (OsKind os : {OsKind::WindowsXP, OsKind::Windows98}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(std::string(platform::OsKindName(os)) + ", " + row.name);
            SpoolerMachine machine(os, kEnabled);
            machine.machine().Registry(JobText("Laser", 1) + JobText("Laser", 2));
            gUnattended = row.unattended;
            gSilent = row.silent;
            if (row.answer) machine.machine().Answer(row.answer);
            machine.machine().ClearTranscript();
            Run run = Remove();
            std::string transcript = machine.machine().Transcript();
            EXPECT_EQ(transcript.find("\"Laser\"") != std::string::npos, row.answer != nullptr) << transcript;
            if (row.answer) {
                EXPECT_NE(transcript.find("Annullare tutti i lavori di stampa?"), std::string::npos)
                    << transcript;
            }
            std::vector<std::string> left = {"Acme"};
            if (!row.removed) left.push_back("Laser");
            EXPECT_EQ(PrinterNames(), left);
            std::vector<std::string> log = {"Removed printer= Jet\r\n", "Removed printer= Jet 2\r\n"};
            if (row.removed) log.push_back("Removed printer= Laser\r\n");
            EXPECT_EQ(run.log, log);
            if (!row.removed) {
                EXPECT_NE(machine.machine()
                              .ExportRegistry(std::string(text::kPrintKey) + "\\Printers\\Laser\\Jobs")
                              .find("Jobs\\0002]"),
                          std::string::npos);
            }
        }
    }
}

TEST_F(PrinterUninstallerTest, PurgeThatFailsLeavesThePrinter) {
    SpoolerMachine machine(OsKind::WindowsXP, kEnabled);
    machine.machine().Registry(JobText("Laser", 1));
    gUnattended = 1;
    text::FailCall(machine.machine(), "SetPrinterA", ERROR_ACCESS_DENIED);
    Run run = Remove();
    EXPECT_EQ(run.errors, std::vector<std::string>{"Can not cancel all jobs : " + ErrorText(5) + "\r\n"});
    EXPECT_NE(run.output.find("Can not cancel all jobs failed\n"), std::string::npos);
    EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Acme", "Laser"}));
}

TEST_F(PrinterUninstallerTest, RemovalProgramRunsOncePerModelWithTheWholeDriverName) {
    for (OsKind os : kAllSystems) {
        SCOPED_TRACE(platform::OsKindName(os));
        SpoolerMachine machine(os, kEnabled);
        machine.machine().Program(kProgram, "removal_program").Program(kCompanion, "removal_program");
        machine.machine().File("C:\\Program Files\\Corvanta\\Util\\qnzglu30.ini",
                               "[Run]\r\nExitCode=3010\r\n");
        Run run = Remove();
        EXPECT_EQ(run.errors, std::vector<std::string>{});
        EXPECT_EQ(run.log, (std::vector<std::string>{"Removed printer driver= QN Jet 5031\r\n",
                                                     "Removed printer= Laser\r\n"}));
        // Both queues of the model are left to the removal program; the old printer's is deleted.
        EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Acme", "Jet", "Jet 2"}));
        EXPECT_EQ(
            machine.machine().ReadFile("C:\\Program Files\\Corvanta\\Util\\qnzglu30.log"),
            Short(kProgram) + " \"-uninstall=QN Jet 5031\" -ghoulpathname=" + Short(kCompanion) + "\r\n");
        EXPECT_EQ(Strings(gRemovedDriverList), std::vector<std::string>{kNewDriver});
        EXPECT_EQ(gRestartNeeded, 1u);
        gRemovedDriverList.clear();
        gRestartNeeded = 0;
    }
}

TEST_F(PrinterUninstallerTest, RemovalProgramFoundThroughTheGlueKey) {
    SpoolerMachine machine(OsKind::WindowsXP, kEnabled);
    // Outside the maker's folder: found through the model's key; the companion where its value says.
    machine.machine()
        .Program("C:\\Glue\\qnzglu30.exe", "removal_program")
        .Program("C:\\Other\\QNghl04.exe", "removal_program");
    machine.machine().Registry(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Corvanta\\QNZ\\Glue\\QN Jet 5031]\n\"GluePath\"=\"C:\\\\Glue\\\\\"\n"
        "\"ghoulpathname\"=\"C:\\\\Other\\\\QNghl04.exe\"\n");
    Run run = Remove();
    EXPECT_EQ(machine.machine().ReadFile("C:\\Glue\\qnzglu30.log"),
              "C:\\Glue\\qnzglu30.exe \"-uninstall=QN Jet 5031\" -ghoulpathname=C:\\Other\\QNghl04.exe\r\n");
    EXPECT_EQ(run.output, "");
}

TEST_F(PrinterUninstallerTest, RemovalProgramThatCannotStartIsAnErrorAndTheQueueGoes) {
    SpoolerMachine machine(OsKind::WindowsXP, kEnabled);
    machine.machine().Program(kProgram, "no_such_program").Program(kCompanion, "removal_program");
    Run run = Remove();
    const std::string entry = "Can not start removal program : " + ErrorText(ERROR_FILE_NOT_FOUND) + "\r\n";
    EXPECT_EQ(run.errors, std::vector<std::string>{entry});
    EXPECT_NE(run.output.find("Can not start removal program failed\n"), std::string::npos);
    // Not a success: no model marked removed, no restart, and both queues deleted as without a program.
    EXPECT_EQ(run.log, (std::vector<std::string>{"Removed printer= Jet\r\n", "Removed printer= Jet 2\r\n",
                                                 "Removed printer= Laser\r\n"}));
    EXPECT_EQ(PrinterNames(), std::vector<std::string>{"Acme"});
    EXPECT_EQ(Strings(gRemovedDriverList), std::vector<std::string>{});
    EXPECT_EQ(gRestartNeeded, 0u);
}

TEST_F(PrinterUninstallerTest, ModelAlreadyRemovedIsSkippedAndDeletionFailuresAreReported) {
    SpoolerMachine machine(OsKind::Windows2000, kEnabled);
    gRemovedDriverList.push_back("qn jet 5031");
    text::FailCall(machine.machine(), "DeletePrinter", ERROR_ACCESS_DENIED);
    Run run = Remove();
    EXPECT_EQ(run.log, std::vector<std::string>{});
    EXPECT_EQ(run.errors, std::vector<std::string>{"Can not delete printer : " + ErrorText(5) + "\r\n"});
    EXPECT_NE(run.output.find("Can not delete printer failed\n"), std::string::npos);
    EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Acme", "Jet", "Jet 2", "Laser"}));
}

TEST_F(PrinterUninstallerTest, UserWithoutAdministratorRightsGetsNoPrinterHandle) {
    SpoolerMachine machine(OsKind::WindowsXP, kEnabled, false);
    gLegacy = 1;
    Run run = Remove();
    EXPECT_EQ(run.errors, std::vector<std::string>{"Can not get printer handle : " + ErrorText(5) + "\r\n"});
    EXPECT_EQ(run.output, "OpenPrinter fails 'cause =5\nCan not get printer handle failed\n");
    EXPECT_EQ(PrinterNames(), (std::vector<std::string>{"Acme", "Jet", "Jet 2", "Laser"}));
}

}  // namespace
