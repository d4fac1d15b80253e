#include <gtest/gtest.h>

#include <string>

#include "AppTesting.h"

namespace {

constexpr char kTemp[] = "C:\\Documents and Settings\\Utente\\Local Settings\\Temp\\";
constexpr char kDataFile[] = "[Version]\r\nDIVISION=Qnv\r\nICE_REV=8\r\n";

using AppRunTest = AppTest;

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
        Program(machine, "no_such_program");
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

// A copy into the temporary folder that fails ends the program with its error, before any hand-over.
TEST_F(AppRunTest, RelaunchCopyFailures) {
    struct Row {
        const char* file;       // in the temporary folder
        const char* operation;  // refused on it
        const char* output;
    };
    const Row rows[] = {
        {"devpurge.exe", "copy", "Cannot copy uninstaller to temp failed\n"},
        {"devpurge.exe", "setattributes", "Cannot set attributes uninstaller to temp failed\n"},
        {"u.dat", "copy", "Cannot copy infstructure to temp failed\n"},
        {"qnvins08.dat", "setattributes", "Cannot set attributes infstructure to temp failed\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.file << " " << row.operation);
        SetUp();
        platform::TestMachine machine;
        Program(machine);
        machine.File("C:\\Dati\\u.dat", kDataFile);
        machine.Fault("file", std::string(kTemp) + row.file, row.operation, ERROR_ACCESS_DENIED);
        std::string output;
        EXPECT_EQ(Start(machine, "/datfile /unattended C:\\Dati\\u.dat", &output), ERROR_ACCESS_DENIED);
        EXPECT_EQ(output, row.output);
        EXPECT_EQ(machine.Transcript(), "");
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
        Program(machine);
        machine.File("C:\\Dati\\u.dat", kDataFile);
        if (row.answer) machine.Answer(row.answer);
        if (row.errors) gErrorList.push_back("Error=C:\\x\r\n");
        std::string output;
        EXPECT_EQ(Start(machine, row.arguments, &output), row.exitCode);
        EXPECT_EQ(output.find("Could not complete uninstall successfully.\n") != std::string::npos,
                  row.errors);
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find("Dialog 104") != std::string::npos, row.restartDialog) << transcript;
    }
}

}  // namespace
