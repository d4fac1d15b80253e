// The process uninstaller on both roads: psapi.dll on Windows NT (and nothing without it), the tool help
// snapshot on Windows 9x; paths compared in lower case with the items as written, OpenProcess and
// TerminateProcess refused, a process an earlier item ended, and the program's own process.
#include "CProcessShutdown.h"

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::DeclaredProcess;
using platform::OsKind;
using platform::ProcessReaction;

constexpr char kDataFile[] = "C:\\Dati\\scrub.dat";
constexpr char kHub[] = "C:\\Programmi\\Corvanta\\QnHub.EXE";

// Items set as a test chooses, past the reader that lower-cases them.
class ProcessShutdownWithItems : public CProcessShutdown {
  public:
    explicit ProcessShutdownWithItems(const std::vector<std::string>& items) : CProcessShutdown(nullptr) {
        for (const std::string& item : items) m_itemList.push_back(item.c_str());
    }
};

class ProcessShutdownTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> log, errors;
        std::string output;
    };

    static void Prepare(platform::TestMachine& machine, const std::string& items) {
        machine.File(kDataFile, "[Scrubber.ProcessShutdown]\r\nenabled=1\r\n" + items);
        gDATFileName = kDataFile;
    }

    static Run ShutDown(CProcessShutdown& uninstaller) {
        platform::StdoutCapture output;
        uninstaller.Delete();
        return {Strings(uninstaller.GetLogList()), Strings(uninstaller.GetErrorList()), output.Take()};
    }

    static Run ShutDown() {
        CProcessShutdown uninstaller(nullptr);
        EXPECT_EQ(1u, uninstaller.IsEnabled());
        return ShutDown(uninstaller);
    }

    static DeclaredProcess Hub() {
        DeclaredProcess process;
        process.path = kHub;
        return process;
    }
};

TEST_F(ProcessShutdownTest, EndsTheProcessesItsItemsNameOnBothRoads) {
    for (OsKind os : {OsKind::Windows95, OsKind::Windows98, OsKind::WindowsMe, OsKind::WindowsNT4,
                      OsKind::Windows2000, OsKind::WindowsXP}) {
        SCOPED_TRACE(platform::OsKindName(os));
        platform::TestMachine machine(os);
        Reset();
        Prepare(machine, "1=QnHub\r\n2=viewer\r\n");
        DWORD hub = machine.DeclareProcess(Hub()).processId;
        DeclaredProcess other;
        other.path = "C:\\Programmi\\Altro\\editor.exe";
        DWORD editor = machine.DeclareProcess(other).processId;
        Run run = ShutDown();
        // The item was lower-cased when it was read, so it matches the lower-cased path.
        EXPECT_EQ((std::vector<std::string>{"Terminating qnhub\r\n"}), run.log);
        EXPECT_TRUE(run.errors.empty());
        EXPECT_FALSE(machine.ProcessRunning(hub));
        EXPECT_TRUE(machine.ProcessRunning(editor));
        // Windows NT opens the process once to read its path and once to end it.
        std::vector<std::string> requests = {"OpenProcess", "TerminateProcess"};
        if (machine.machine().IsNT()) requests.insert(requests.begin(), "OpenProcess");
        EXPECT_EQ(requests, machine.ProcessRequests(hub));
    }
}

TEST_F(ProcessShutdownTest, OutcomesOfOneProcess) {
    struct Row {
        const char* name;
        OsKind os;
        std::vector<std::string> items;
        bool openDenied, terminateDenied;
        ProcessReaction onTerminate;
        std::vector<std::string> log, errors;
        std::string output;
        bool running;
    };
    const Row rows[] = {
        {"an upper-case item never matches", OsKind::WindowsXP, {"QnHub"}, false, false, ProcessReaction::AtOnce(), {}, {}, "", true},
        {"a path without .exe is skipped", OsKind::WindowsXP, {"corvanta"}, false, false, ProcessReaction::AtOnce(), {}, {}, "", true},
        // Windows NT cannot read the path of a process it may not open: it never sees the process.
        {"OpenProcess refused on Windows NT", OsKind::WindowsXP, {"qnhub"}, true, false, ProcessReaction::AtOnce(),
         {}, {}, "", true},
        {"OpenProcess refused on Windows 9x",
         OsKind::Windows98,
         {"qnhub"},
         true,
         false,
         ProcessReaction::AtOnce(),
         {"Terminating qnhub\r\n"},
         {"Could open qnhub\r\n", "Could terminate qnhub\r\n"},
         "Could open qnhub.\nCould terminate qnhub.\n",
         true},
        {"TerminateProcess refused",
         OsKind::WindowsXP,
         {"qnhub"},
         false,
         true,
         ProcessReaction::AtOnce(),
         {"Terminating qnhub\r\n"},
         {"Could terminate qnhub\r\n"},
         "Could terminate qnhub.\n",
         true},
        {"two items, ended by the first",
         OsKind::WindowsXP,
         {"qnhub", "corvanta"},
         false,
         false,
         ProcessReaction::AtOnce(),
         {"Terminating qnhub\r\n"},
         {},
         "",
         false},
        {"two items, ending later: terminated twice",
         OsKind::Windows98,
         {"qnhub", "corvanta"},
         false,
         false,
         ProcessReaction::After(500),
         {"Terminating qnhub\r\n", "Terminating corvanta\r\n"},
         {},
         "",
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine(row.os);
        machine.UseVirtualClock(1000000000);
        Reset();
        DeclaredProcess hub = Hub();
        if (std::string(row.name).find(".exe") != std::string::npos) hub.path = "C:\\Programmi\\Corvanta\\hub.com";
        hub.openDenied = row.openDenied;
        hub.terminateDenied = row.terminateDenied;
        hub.onTerminate = row.onTerminate;
        DWORD id = machine.DeclareProcess(hub).processId;
        ProcessShutdownWithItems uninstaller(row.items);
        Run run = ShutDown(uninstaller);
        EXPECT_EQ(row.log, run.log);
        EXPECT_EQ(row.errors, run.errors);
        EXPECT_EQ(row.output, run.output);
        EXPECT_EQ(row.running, machine.ProcessRunning(id));
    }
}

TEST_F(ProcessShutdownTest, WindowsNtWithoutPsapiEndsNothing) {
    for (const char* missing : {"PSAPI.DLL", "VDMDBG.DLL"}) {
        SCOPED_TRACE(missing);
        platform::MachineSettings settings = platform::MachineSettings::Defaults(OsKind::WindowsNT4);
        settings.absentLibraries.insert(missing);
        platform::TestMachine machine(settings);
        Reset();
        Prepare(machine, "1=qnhub\r\n");
        DWORD hub = machine.DeclareProcess(Hub()).processId;
        Run run = ShutDown();
        EXPECT_TRUE(run.log.empty());
        EXPECT_TRUE(run.errors.empty());
        EXPECT_TRUE(machine.ProcessRunning(hub));
    }
}

TEST_F(ProcessShutdownTest, TheProgramsOwnProcessStays) {
    for (OsKind os : {OsKind::Windows98, OsKind::WindowsXP}) {
        platform::TestMachine machine(os);
        Reset();
        machine.Module("C:\\Programmi\\Corvanta\\devpurge.exe");
        Prepare(machine, "1=devpurge\r\n");
        Run run = ShutDown();
        EXPECT_TRUE(run.log.empty());
        EXPECT_TRUE(run.errors.empty());
    }
}

TEST_F(ProcessShutdownTest, EveryHandleItOpenedIsClosed) {
    platform::TestMachine machine;
    Prepare(machine, "1=qnhub\r\n");
    DeclaredProcess refusing = Hub();
    refusing.terminateDenied = true;
    machine.DeclareProcess(refusing);
    machine.DeclareProcess(Hub());
    std::size_t before = machine.OpenHandleCount();
    ShutDown();
    EXPECT_EQ(before, machine.OpenHandleCount());
}

}  // namespace
