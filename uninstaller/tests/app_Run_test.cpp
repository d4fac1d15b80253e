#include <gtest/gtest.h>

#include <string>

#include "CUninstallerApp.h"
#include "UninstallerTesting.h"
#include "platform/machine/program_stub.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr char kProgram[] = "C:\\Programmi\\Corvanta\\devpurge.exe";
constexpr char kTemp[] = "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\";
constexpr char kDataFile[] = "[Version]\r\nDIVISION=Qnv\r\nICE_REV=8\r\n";

class AppRunTest : public UninstallerTest {
  protected:
    void SetUp() override {
        UninstallerTest::SetUp();
        gDatFileMode = gLegacy = gNoCopyToTemp = 0;
        gSharedCleanup = gShowRestart = 1;
    }
    static int Start(platform::TestMachine& machine, const std::string& arguments, std::string* output) {
        machine.CommandLine(std::string(kProgram) + " " + arguments);
        CUninstallerApp app;
        platform::StdoutCapture capture;
        int code = AfxWinMain(GetModuleHandleA(nullptr), nullptr,
                              const_cast<LPSTR>(framework::ArgumentsOf(GetCommandLineA())), SW_SHOWDEFAULT);
        *output = capture.Take();
        return code;
    }
};

// The relaunch copies the program and the data file the lookups read, wherever it was named from; a
// copy that cannot start ends the program with the error.
TEST_F(AppRunTest, RelaunchCopiesTheDataFileItRead) {
    struct Row {
        const char* name;
        const char* where;
    };
    const Row rows[] = {
        {"C:\\Dati\\u.dat", "C:\\Dati\\u.dat"},
        {"Dati\\u.dat", "C:\\Dati\\u.dat"},
        {"u.dat", "C:\\Programmi\\Corvanta\\u.dat"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        platform::TestMachine machine;
        platform::WriteProgramStub(machine.machine(), kProgram, "no_such_program", {{"FileVersion", "3.0.0.8"}});
        machine.Module(kProgram);
        machine.File(row.where, kDataFile);
        std::string output;
        int code = Start(machine, std::string("/datfile /unattended ") + row.name, &output);
        EXPECT_NE(code, 0);
        EXPECT_EQ(output, "Could not run uninstaller from the temp directory.\n");
        EXPECT_TRUE(machine.Exists(std::string(kTemp) + "devpurge.exe"));
        EXPECT_EQ(machine.ReadFile(std::string(kTemp) + "u.dat"), kDataFile);
        EXPECT_EQ(machine.ReadFile(std::string(kTemp) + "qnvins08.dat"), kDataFile);
    }
}

TEST_F(AppRunTest, RunOutcomes) {
    struct Row {
        const char* arguments;
        const char* answer;
        bool errors;
        int exitCode;
        bool restartDialog;
    };
    const Row rows[] = {
        {"/datfile /nocopytotemp C:\\Dati\\u.dat", "IDCANCEL", false, 995, false},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat", nullptr, false, 0, false},
        {"/datfile /nocopytotemp /silent /all C:\\Dati\\u.dat", nullptr, false, 3010, true},
        {"/datfile /nocopytotemp /silent /all /noreboot C:\\Dati\\u.dat", nullptr, false, 3010, false},
        {"/datfile /nocopytotemp /unattended C:\\Dati\\u.dat", nullptr, true, 0, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        SetUp();
        platform::TestMachine machine;
        platform::WriteProgramStub(machine.machine(), kProgram, "devpurge", {{"FileVersion", "3.0.0.8"}});
        machine.Module(kProgram);
        machine.File("C:\\Dati\\u.dat", kDataFile);
        if (row.answer) machine.Answer(row.answer);
        if (row.errors) gErrorList.push_back("Error=C:\\x\r\n");
        std::string output;
        EXPECT_EQ(Start(machine, row.arguments, &output), row.exitCode);
        EXPECT_EQ(output.find("Could not complete uninstall successfully.\n") != std::string::npos, row.errors);
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find("Dialog 104") != std::string::npos, row.restartDialog) << transcript;
    }
}

}  // namespace
