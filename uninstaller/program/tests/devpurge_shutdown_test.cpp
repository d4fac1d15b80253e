// devpurge closing the old software's windows and ending its processes in a machine: the declared
// programs go, while devpurge itself and the instance that started it are never ended, though their
// program's name holds an item.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/program_run.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::TestMachine;

constexpr char kProgram[] = "C:\\Programmi\\Corvanta\\devpurge.exe";
constexpr char kData[] =
    "[Version]\r\nDIVISION=Qnv\r\nVCD_FILEVER=30\r\nICE_REV=8\r\n"
    "FIRST_IO_REVISION=5\r\nLAST_IO_REVISION=5\r\nFIRST_CA_REVISION=2\r\nLAST_CA_REVISION=2\r\n"
    "[Scrubber]\r\nenabled=0\r\n"
    "[Scrubber.WindowShutdown]\r\nenabled=1\r\n1=Corvanta\r\n"
    "[Scrubber.ProcessShutdown]\r\nenabled=1\r\n1=devpurge\r\n2=QnHub\r\n";

// The operation log the run left in the temporary folder.
std::string OperationLog(TestMachine& machine) {
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(folder) + "*.LOG").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    std::string text = machine.ReadFile(std::string(folder) + found.cFileName);
    FindClose(search);
    return text;
}

TEST(DevpurgeShutdown, EndsTheOldSoftwareButNeverItselfNorItsStarter) {
    struct Row {
        const char* arguments;
        bool starterIsDevpurge;  // the test itself poses as the program that starts devpurge
    };
    // Handing over to its copy, the first instance is the copy's starter.
    const Row rows[] = {{"/datfile /unattended /nocopytotemp C:\\Dati\\u.dat", true},
                        {"/datfile /unattended C:\\Dati\\u.dat", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        TestMachine machine;
        machine.Program(kProgram, "devpurge", {{"FileVersion", "3.0.0.8"}});
        machine.File("C:\\Dati\\u.dat", kData);
        platform::DeclaredProcess hub;
        hub.path = "C:\\Programmi\\Corvanta\\QnHub.exe";
        DWORD hubId = machine.DeclareProcess(hub).processId;
        platform::DeclaredProcess viewer;
        viewer.path = "C:\\Programmi\\Corvanta\\viewer.exe";
        viewer.windows = {{"Corvanta Viewer", "ViewerMain", "", {}}};
        DWORD viewerId = machine.DeclareProcess(viewer).processId;
        // Posing as a program of that name, the test would be ended if devpurge ended its starter.
        if (row.starterIsDevpurge) machine.Module(kProgram);
        platform::ProgramRun run = platform::RunProgram(std::string(kProgram) + " " + row.arguments);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(0u, run.exitCode) << run.output;
        EXPECT_FALSE(machine.ProcessRunning(hubId));
        EXPECT_FALSE(machine.ProcessRunning(viewerId));
        EXPECT_EQ((std::vector<std::string>{"WM_CLOSE Corvanta Viewer"}), machine.ProcessRequests(viewerId));
        std::string log = OperationLog(machine);
        EXPECT_NE(std::string::npos, log.find("Terminating qnhub")) << log;
        EXPECT_EQ(std::string::npos, log.find("Terminating devpurge")) << log;
    }
}

}  // namespace
