#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTesting.h"
#include "GetFileVersionNumber.h"

namespace {

constexpr char kDataFile[] =
    "[Version]\r\nDIVISION=Qnv\r\nVCD_FILEVER=30\r\nICE_REV=8\r\n"
    "FIRST_IO_REVISION=5\r\nLAST_IO_REVISION=9\r\nFIRST_CA_REVISION=2\r\nLAST_CA_REVISION=4\r\n"
    "[Version.0x10]\r\nProductSeries=Corvanta QN serie 300\r\n"
    "[Scrubber]\r\nVersionedFile=qnvsys.dll\r\n";

struct Revisions {
    int firstIo, lastIo, firstCa, lastCa;
    unsigned int shared, restart;
    bool operator==(const Revisions&) const = default;
};

Revisions Current() {
    return {FIRST_IO_REVISION, LAST_IO_REVISION, FIRST_CA_REVISION,
            LAST_CA_REVISION,  gSharedCleanup,   gRestartNeeded};
}

// latest and legacy read the file named before them; placed before the name they read nothing, and
// start-up then reads the revisions itself only when all four are still 0.
TEST_F(AppTest, OptionsSetRevisionsFromTheFileParsedSoFar) {
    struct Row {
        const char* arguments;
        const char* systemFile;  // the versioned file in the system folder, with its version ("": none)
        const char* oldDriver;   // a driver file of an earlier revision
        BOOL result;
        int exitCode;
        Revisions revisions;
    };
    const Row rows[] = {
        {"/datfile /nocopytotemp C:\\Dati\\u.dat", nullptr, nullptr, TRUE, 0, {5, 9, 2, 4, 1, 0}},
        {"/DATFILE -NoCopyToTemp C:\\Dati\\u.dat /all", nullptr, nullptr, TRUE, 0, {5, 9, 2, 4, 1, 1}},
        {"/datfile /nocopytotemp C:\\Dati\\u.dat /latest", nullptr, nullptr, TRUE, 0, {9, 9, 4, 4, 0, 0}},
        {"/datfile /nocopytotemp /Latest C:\\Dati\\u.dat", nullptr, nullptr, TRUE, 0, {5, 9, 2, 4, 0, 0}},
        // No driver of an earlier revision: nothing to remove.
        {"/datfile /nocopytotemp C:\\Dati\\u.dat /legacy", nullptr, nullptr, FALSE, 0, {5, 8, 2, 3, 0, 1}},
        {"/datfile /nocopytotemp C:\\Dati\\u.dat /legacy",
         nullptr,
         "QnvABC08.SYS",
         TRUE,
         0,
         {5, 8, 2, 3, 0, 1}},
        {"/datfile /nocopytotemp C:\\Dati\\u.dat /legacy",
         "2.0.0.0",
         "QnvABC08.SYS",
         TRUE,
         0,
         {5, 9, 2, 4, 1, 1}},
        {"/datfile /nocopytotemp C:\\Dati\\u.dat /legacy",
         "3.0.0.8",
         "QnvABC08.SYS",
         TRUE,
         0,
         {5, 8, 2, 3, 0, 1}},
        // A versioned file without version information counts as older.
        {"/datfile /nocopytotemp C:\\Dati\\u.dat /legacy", "", "QnvABC08.SYS", TRUE, 0, {5, 9, 2, 4, 1, 1}},
        // Read from no file: -1 as last revisions, which start-up keeps.
        {"/datfile /nocopytotemp /legacy C:\\Dati\\u.dat",
         nullptr,
         "QnvABC07.SYS",
         FALSE,
         0,
         {0, -1, 0, -1, 0, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        SetUp();
        platform::TestMachine machine;
        Program(machine);
        machine.File("C:\\Dati\\u.dat", kDataFile);
        if (row.systemFile && *row.systemFile)
            machine.Program("C:\\WINDOWS\\system32\\qnvsys.dll", "qnvsys", {{"FileVersion", row.systemFile}});
        else if (row.systemFile)
            machine.File("C:\\WINDOWS\\system32\\qnvsys.dll", "no version");
        if (row.oldDriver)
            machine.File(std::string("C:\\WINDOWS\\system32\\drivers\\") + row.oldDriver, "driver");
        int exitCode = -1;
        EXPECT_EQ(Init(machine, row.arguments, &exitCode), row.result);
        if (!row.result) {
            EXPECT_EQ(exitCode, row.exitCode);
        }
        EXPECT_EQ(Current(), row.revisions);
    }
}

TEST_F(AppTest, GetFileVersionNumber) {
    platform::TestMachine machine;
    machine.Program("C:\\Dati\\new.dll", "new", {{"FileVersion", "3.1.2.8"}});
    machine.File("C:\\Dati\\plain.dll", "no version");
    struct Row {
        const char* path;
        ULONGLONG version;
        DWORD error;  // the error the trace line names
    };
    const Row rows[] = {
        {"C:\\Dati\\new.dll", 0x0003000100020008ull, 0},
        {"C:\\Dati\\plain.dll", 0, ERROR_RESOURCE_DATA_NOT_FOUND},
        {"C:\\Dati\\missing.dll", 0, ERROR_FILE_NOT_FOUND},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const std::string trace =
            row.error ? "GetFileVersionInfoSize failed with " + ErrorText(row.error) + "\n" : "";
        platform::StdoutCapture output;
        EXPECT_EQ(GetFileVersionNumber(row.path), row.version);
        EXPECT_EQ(output.Take(), trace);
    }
}

TEST_F(AppTest, DataFileVersionValues) {
    struct Row {
        const char* version;
        BOOL result;
        const char* division;
        const char* output;
    };
    const Row rows[] = {
        {"DIVISION=Qnv\r\nVCD_FILEVER=30\r\nICE_REV=8\r\n", TRUE, "Qnv", ""},
        {"DIVISION=Qnvx\r\nVCD_FILEVER=30\r\nICE_REV=8\r\n", TRUE, "Qnv", ""},
        {"VCD_FILEVER=30\r\nICE_REV=8\r\n", FALSE, "Pelor",
         "GetValueByQualifier(gDATFileName.c_str(), VERSION_SECTION, DIVISION failed\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version);
        SetUp();
        platform::TestMachine machine;
        Program(machine);
        machine.File("C:\\Dati\\u.dat", std::string("[Version]\r\n") + row.version);
        std::string output;
        EXPECT_EQ(Init(machine, "/datfile /nocopytotemp C:\\Dati\\u.dat", nullptr, &output), row.result);
        EXPECT_EQ(std::string(DIVISION.c_str()), row.division);
        EXPECT_EQ(output, row.output);
        if (row.result) {
            EXPECT_EQ(VCD_FILEVER, 30);
            EXPECT_EQ(ICE_REV, 8);
            EXPECT_EQ(std::string(gDATFileName.c_str()), "C:\\Dati\\u.dat");
        }
    }
}

// Delete-file mode on the machine's virtual clock: retries every 2 s while the file is in use, for 30 s.
TEST_F(AppTest, DeleteFileMode) {
    struct Row {
        const char* arguments;
        bool exists;
        std::vector<DWORD> failures;  // the errors of the first deletions
        int exitCode;
        bool deleted;
        bool messageBox;
        std::uint32_t elapsed;  // virtual milliseconds
    };
    const std::vector<DWORD> inUse20(20, ERROR_SHARING_VIOLATION);
    const Row rows[] = {
        {"C:\\Vecchio\\a.dll", true, {}, 0, true, false, 0},
        {"", false, {}, 0, false, false, 0},
        {"C:\\Vecchio\\nessuno.dll", false, {}, 0, false, false, 0},
        {"C:\\Vecchio\\a.dll", true, {ERROR_PATH_NOT_FOUND}, ERROR_PATH_NOT_FOUND, false, false, 0},
        // In use for 5 s.
        {"C:\\Vecchio\\a.dll", true, {32, 32, 32}, 0, true, false, 6000},
        // Gone while in use: deleted.
        {"C:\\Vecchio\\a.dll", true, {32, 32, ERROR_FILE_NOT_FOUND}, 0, false, false, 4000},
        {"C:\\Vecchio\\a.dll", true, {ERROR_FILE_NOT_FOUND}, 0, false, false, 0},
        // In use for more than 30 s.
        {"C:\\Vecchio\\a.dll", true, inUse20, ERROR_SHARING_VIOLATION, false, true, 30000},
        {"/silent C:\\Vecchio\\a.dll", true, inUse20, ERROR_SHARING_VIOLATION, false, false, 30000},
        {"/unattended C:\\Vecchio\\a.dll", true, inUse20, ERROR_SHARING_VIOLATION, false, false, 30000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.arguments << " " << row.failures.size());
        SetUp();
        platform::TestMachine machine;
        machine.UseVirtualClock(1100000000);
        Program(machine);
        if (row.exists) machine.File("C:\\Vecchio\\a.dll", "old");
        for (DWORD error : row.failures) machine.Fault("file", "C:\\Vecchio\\a.dll", "delete", error, 1);
        DWORD start = GetTickCount();
        std::string output;
        EXPECT_EQ(Start(machine, row.arguments, &output), row.exitCode);
        EXPECT_EQ(GetTickCount() - start, row.elapsed);
        EXPECT_EQ(output, "");
        if (row.exists) {
            EXPECT_EQ(machine.Exists("C:\\Vecchio\\a.dll"), !row.deleted);
        }
        std::string transcript = machine.Transcript();
        EXPECT_EQ(transcript.find("Impossibile eliminare questo file") != std::string::npos, row.messageBox)
            << transcript;
        if (row.messageBox) {
            EXPECT_NE(transcript.find("\"C:\\Vecchio\\a.dll\""), std::string::npos) << transcript;
        }
        // No uninstall ran: no log was written.
        EXPECT_TRUE(machine.Transcript().find("Dialog") == std::string::npos) << transcript;
    }
}

}  // namespace
