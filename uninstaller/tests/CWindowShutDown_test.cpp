// The window uninstaller over the machine's windows: the close requests per item contained in a title
// (compared in lower case, as the items are read), the wait of 1000 pauses of 20 ms on the machine's
// clock, windows at any depth, a window an earlier item closed, and the program's own windows.
#include "CWindowShutDown.h"

#include <string>
#include <vector>

#include "UninstallerTesting.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::DeclaredProcess;
using platform::DeclaredWindow;
using platform::ProcessReaction;

constexpr char kDataFile[] = "C:\\Dati\\scrub.dat";

class WindowShutDownTest : public UninstallerTest {
  protected:
    struct Run {
        std::vector<std::string> errors;
        std::string output;
        std::int64_t milliseconds = 0;  // of machine time
    };

    // A machine on virtual time with the data file's items.
    static void Prepare(platform::TestMachine& machine, const std::string& items) {
        machine.UseVirtualClock(1000000000);
        machine.File(kDataFile, "[Scrubber.WindowShutdown]\r\nenabled=1\r\n" + items);
        gDATFileName = kDataFile;
    }

    static Run ShutDown() {
        CWindowShutDown uninstaller(nullptr);
        EXPECT_EQ(1u, uninstaller.IsEnabled());
        Run run;
        DWORD start = GetTickCount();
        platform::StdoutCapture output;
        uninstaller.Delete();
        run.output = output.Take();
        run.milliseconds = GetTickCount() - start;
        run.errors = Strings(uninstaller.GetErrorList());
        EXPECT_TRUE(uninstaller.GetLogList().empty());
        return run;
    }

    static DeclaredProcess Hub(const std::vector<DeclaredWindow>& windows) {
        DeclaredProcess process;
        process.path = "C:\\Programmi\\Corvanta\\hub.exe";
        process.windows = windows;
        return process;
    }
};

TEST_F(WindowShutDownTest, RequestsPerItemInTheTitleAndTheWaitOnTheMachineClock) {
    const std::string twoItems = "1=Corvanta\r\n2=HUB\r\n";
    struct Row {
        const char* name;
        std::string items;
        ProcessReaction onClose, onQuit;
        std::vector<std::string> requests;
        std::vector<std::string> errors;
        std::string output;
        std::int64_t fromMilliseconds, toMilliseconds;
        bool running;
    };
    const Row rows[] = {
        {"closes at the first request", twoItems, ProcessReaction::AtOnce(), ProcessReaction::Never(),
         {"WM_CLOSE Corvanta Hub"}, {}, "", 0, 0, false},
        {"closes after 3 s", twoItems, ProcessReaction::After(3000), ProcessReaction::Never(),
         {"WM_CLOSE Corvanta Hub", "WM_QUIT Corvanta Hub"}, {}, "", 3000, 3020, false},
        {"ends when told to quit", twoItems, ProcessReaction::Never(), ProcessReaction::AtOnce(),
         {"WM_CLOSE Corvanta Hub", "WM_QUIT Corvanta Hub"}, {}, "", 0, 0, false},
        {"ignores both, asked once per item", twoItems, ProcessReaction::Never(), ProcessReaction::Never(),
         {"WM_CLOSE Corvanta Hub", "WM_QUIT Corvanta Hub", "WM_CLOSE Corvanta Hub", "WM_QUIT Corvanta Hub"},
         {"Window didn't close  corvanta  \r\n", "Window didn't close  hub  \r\n"},
         "Window didn't close  corvanta.\nWindow didn't close  hub.\n", 40000, 40000, true},
        {"an item the title does not hold", "1=viewer\r\n", ProcessReaction::AtOnce(), ProcessReaction::AtOnce(),
         {}, {}, "", 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::TestMachine machine;
        Prepare(machine, row.items);
        DeclaredProcess hub = Hub({{"Corvanta Hub", "HubMain", "", {}}});
        hub.onClose = row.onClose;
        hub.onQuit = row.onQuit;
        platform::DeclaredIds ids = machine.DeclareProcess(hub);
        Run run = ShutDown();
        EXPECT_EQ(row.requests, machine.ProcessRequests(ids.processId));
        EXPECT_EQ(row.errors, run.errors);
        EXPECT_EQ(row.output, run.output);
        EXPECT_GE(run.milliseconds, row.fromMilliseconds);
        EXPECT_LE(run.milliseconds, row.toMilliseconds);
        EXPECT_EQ(row.running, machine.ProcessRunning(ids.processId));
    }
}

TEST_F(WindowShutDownTest, WindowsAtAnyDepthAreClosed) {
    platform::TestMachine machine;
    Prepare(machine, "1=scanner\r\n");
    DeclaredWindow button{"Scanner pronto", "Button", "", {}};
    DeclaredWindow panel{"", "Panel", "C:\\Programmi\\Corvanta\\hubui.dll", {button}};
    DeclaredProcess hub = Hub({{"Pannello", "HubMain", "", {panel}}});
    platform::DeclaredIds ids = machine.DeclareProcess(hub);
    Run run = ShutDown();
    EXPECT_EQ((std::vector<std::string>{"WM_CLOSE Scanner pronto"}), machine.ProcessRequests(ids.processId));
    EXPECT_TRUE(run.errors.empty());
    EXPECT_FALSE(machine.ProcessRunning(ids.processId));
}

TEST_F(WindowShutDownTest, TheProgramsOwnWindowsStay) {
    platform::TestMachine machine;
    Prepare(machine, "1=hub\r\n");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "ShutDownTestWindow";
    RegisterClassA(&windowClass);
    // The program's own window carries the item in its title, and stays.
    HWND own = CreateWindowExA(0, "ShutDownTestWindow", "Corvanta Hub", 0, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(nullptr, own);
    Run run = ShutDown();
    EXPECT_TRUE(IsWindow(own));
    EXPECT_TRUE(run.errors.empty());
    EXPECT_EQ(0, run.milliseconds);
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, own, 0, 0, PM_REMOVE));
    DestroyWindow(own);
}

TEST_F(WindowShutDownTest, WindowsWithoutTitleOrModuleAreLeftAlone) {
    platform::TestMachine machine;
    Prepare(machine, "1=hub\r\n");
    DeclaredProcess hub = Hub({{"", "HubHidden", "", {}}});
    hub.path = "";
    platform::DeclaredIds ids = machine.DeclareProcess(hub);
    Run run = ShutDown();
    EXPECT_TRUE(machine.ProcessRequests(ids.processId).empty());
    EXPECT_TRUE(machine.ProcessRunning(ids.processId));
}

}  // namespace
