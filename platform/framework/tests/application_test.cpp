// The application object: command-line splitting and parsing, and the exit code of a run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CCommandLineInfo.h"
#include "CWinApp.h"
#include "platform/testing/test_machine.h"

namespace {

// Records each ParseParam call as "<text>|flag|last".
class RecordingCommandLineInfo : public CCommandLineInfo {
  public:
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override {
        calls.push_back(std::string(pszParam) + (bFlag ? "|flag" : "") + (bLast ? "|last" : ""));
        CCommandLineInfo::ParseParam(pszParam, bFlag, bLast);
    }
    std::vector<std::string> calls;
};

TEST(FrameworkApplicationTest, CommandLineIsSplitAsTheRuntimeDoes) {
    struct Row {
        const char* commandLine;
        std::vector<std::string> calls;
        const char* fileName;
    } rows[] = {
        {"devpurge.exe", {}, ""},
        {"devpurge.exe   ", {}, ""},
        {"devpurge.exe a.dat /datfile", {"a.dat", "datfile|flag|last"}, "a.dat"},
        {"\"C:\\Program Files\\x\\devpurge.exe\" -silent b.dat c.dat",
         {"silent|flag", "b.dat", "c.dat|last"},
         "b.dat"},
        {"p \"a b\"\tc", {"a b", "c|last"}, "a b"},
        {"p a\\\\b\\c", {"a\\\\b\\c|last"}, "a\\\\b\\c"},
        {"p a\\\"b", {"a\"b|last"}, "a\"b"},
        {"p a\\\\\"b c\"", {"a\\b c|last"}, "a\\b c"},
        {"p a\\\\\\\"b", {"a\\\"b|last"}, "a\\\"b"},
        {"p \"\" x", {"", "x|last"}, "x"},  // an empty name counts as none
        {"p \"a\"\"b\" c", {"a\"b", "c|last"}, "a\"b"},
        {"p ab\"c d\"e", {"abc de|last"}, "abc de"},
        {"p \"/quoted\" -", {"quoted|flag", "|flag|last"}, ""},
    };
    platform::TestMachine machine;
    CWinApp app;
    for (const Row& row : rows) {
        machine.CommandLine(row.commandLine);
        RecordingCommandLineInfo info;
        app.ParseCommandLine(info);
        EXPECT_EQ(info.calls, row.calls) << row.commandLine;
        EXPECT_EQ(info.m_strFileName, row.fileName) << row.commandLine;
    }
    EXPECT_STREQ(framework::ArgumentsOf("\"C:\\a b\\p.exe\"  -x y"), "-x y");
}

// An application whose start-up and run end as a row says.
class ScriptedApp : public CWinApp {
  public:
    BOOL InitInstance() override {
        steps += "init ";
        if (quitCode >= 0) PostQuitMessage(quitCode);
        SetLastError(lastError);
        return startUp;
    }
    int Run() override {
        steps += "run ";
        return runCode < 0 ? CWinApp::Run() : runCode;
    }
    int ExitInstance() override {
        steps += "exit";
        return useLastError ? static_cast<int>(GetLastError()) : CWinApp::ExitInstance();
    }
    BOOL startUp = TRUE;
    DWORD lastError = 0;
    bool useLastError = false;
    int quitCode = -1;
    int runCode = -1;
    std::string steps;
};

TEST(FrameworkApplicationTest, ExitCodeIsRunsOrExitInstancesAfterAFailedStartUp) {
    struct Row {
        BOOL startUp;
        DWORD lastError;
        bool useLastError;
        int quitCode;
        int runCode;
        int exitCode;
        const char* steps;
    } rows[] = {
        {FALSE, 995, true, -1, -1, 995, "init exit"},
        {FALSE, 0, true, -1, -1, 0, "init exit"},
        {FALSE, 5, false, -1, -1, 0, "init exit"},
        {TRUE, 3, true, -1, 3010, 3010, "init run "},
        {TRUE, 0, false, 4, -1, 4, "init run exit"},
    };
    platform::TestMachine machine;
    machine.Module("C:\\TEMP\\DEVPURGE.EXE");
    for (const Row& row : rows) {
        ScriptedApp app;
        app.startUp = row.startUp;
        app.lastError = row.lastError;
        app.useLastError = row.useLastError;
        app.quitCode = row.quitCode;
        app.runCode = row.runCode;
        ASSERT_EQ(AfxGetApp(), &app);
        EXPECT_EQ(AfxWinMain(nullptr, nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT), row.exitCode) << row.steps;
        EXPECT_EQ(app.steps, row.steps);
        EXPECT_STREQ(app.m_pszExeName, "DEVPURGE");
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

}  // namespace
