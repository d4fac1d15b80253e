// The task uninstaller: each command line started and given 30 s of the machine's clock; one still
// running then is asked to close (WM_CLOSE, then WM_QUIT to its main thread) and given 30 s more; one
// that could not be started is neither waited for nor sent anything.
#include "CTaskUninstaller.h"

#include "ProgramUninstallerTesting.h"

namespace {

using namespace program_uninstaller_test;

using TaskUninstallerTest = UninstallerTest;

constexpr char kTask[] = "C:\\Programmi\\Corvanta\\QNHub.exe";
constexpr char kItem[] = "c:\\programmi\\corvanta\\qnhub.exe -stop";

TEST_F(TaskUninstallerTest, ATaskThatEndsOrCannotStart) {
    ProgramMachine machine("[Scrubber.TaskUninstaller]\r\nenabled=1\r\n1=C:\\Programmi\\Corvanta\\QNHub.exe -stop\r\n"
                           "2=C:\\Nessuno\\qnhub.exe\r\n");
    machine.Program(kTask, "Seconds=12\r\n");
    Collected run = RunUninstaller<CTaskUninstaller>();
    EXPECT_EQ(run.log, (std::vector<std::string>{std::string("Launched= ") + kItem + "\r\n",
                                                 "Launched= c:\\nessuno\\qnhub.exe\r\n"}));
    EXPECT_EQ(run.errors, std::vector<std::string>{"Could not launch c:\\nessuno\\qnhub.exe\r\n"});
    EXPECT_EQ(run.output, "Could not launch c:\\nessuno\\qnhub.exe.\n");
    // Only the task that ran took machine time.
    EXPECT_EQ(machine.Elapsed(), 12000u);
    EXPECT_EQ(machine.CommandLines(kTask), std::string(kItem) + "\r\n");
    EXPECT_EQ(machine.Messages(kTask), "");
}

TEST_F(TaskUninstallerTest, ATaskPast30SecondsIsAskedToClose) {
    const struct Row {
        const char* name;
        const char* script;
        bool listens;  // has a message queue to post to
        bool closes;
        DWORD elapsed;
    } rows[] = {
        {"leaves on WM_QUIT", "Seconds=100\r\n", true, true, 31000},
        {"ignores WM_QUIT", "Forever=1\r\nIgnoreQuit=1\r\n", true, false, 60000},
        {"has no message queue", "Seconds=100\r\nNoMessages=1\r\n", false, false, 60000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProgramMachine machine("[Scrubber.TaskUninstaller]\r\nenabled=1\r\n1=C:\\Programmi\\Corvanta\\QNHub.exe -stop\r\n");
        machine.Program(kTask, row.script);
        Collected run = RunUninstaller<CTaskUninstaller>();
        std::vector<std::string> errors = {std::string("Launched= ") + kItem + " and failed to finish\r\n"};
        std::string output = std::string("Unclear finsih of ") + kItem + ".\n";
        if (!row.listens) {
            // Both failed posts are listed alike; only the printed texts differ, by a blank.
            errors.push_back(std::string("Cannot post message to  ") + kItem + "\r\n");
            errors.push_back(std::string("Cannot post message to  ") + kItem + "\r\n");
            output += std::string("Cannot post message to ") + kItem + ".\n";
            output += std::string("Cannot post message to  ") + kItem + ".\n";
        }
        if (!row.closes) {
            errors.push_back(std::string("Cannot close the process ") + kItem + "\r\n");
            output += std::string("Cannot close the process ") + kItem + ".\n";
        }
        EXPECT_EQ(run.errors, errors);
        EXPECT_EQ(run.output, output);
        // The task looks at its queue once a second of the machine's clock; at the 30th second it looks
        // before the uninstaller posts.
        EXPECT_EQ(machine.Elapsed(), row.elapsed);
        EXPECT_EQ(machine.Messages(kTask), row.listens ? "WM_CLOSE\r\nWM_QUIT\r\n" : "");
    }
}

}  // namespace
