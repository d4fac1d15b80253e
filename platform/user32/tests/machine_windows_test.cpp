// The windows of the machine's declared processes next to the process's own: the walks of EnumWindows
// and EnumChildWindows, their texts, modules and processes, and WM_CLOSE and WM_QUIT starting the
// declared reactions on the machine's clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::DeclaredProcess;
using platform::DeclaredWindow;
using platform::ProcessReaction;
using platform::TestMachine;

constexpr char kHub[] = "C:\\Programmi\\Corvanta\\hub.exe";

// The hub's main window with a tool bar holding a button, and a second top-level window.
DeclaredProcess Hub() {
    DeclaredProcess process;
    process.path = kHub;
    DeclaredWindow button{"Scan", "Button", "", {}};
    DeclaredWindow toolbar{"", "ToolbarWindow32", "C:\\WINDOWS\\system32\\comctl32.dll", {button}};
    process.windows = {{"Corvanta Hub", "HubMain", "", {toolbar}}, {"Hub Tray", "HubTray", "", {}}};
    return process;
}

std::string Title(HWND window) {
    char title[260] = "";
    GetWindowTextA(window, title, sizeof title);
    return title;
}

BOOL CALLBACK Collect(HWND window, LPARAM parameter) {
    reinterpret_cast<std::vector<std::string>*>(parameter)->push_back(Title(window) + "|" +
                                                                      std::to_string(IsWindow(window)));
    return TRUE;
}

BOOL CALLBACK StopAtFirst(HWND window, LPARAM parameter) {
    *reinterpret_cast<HWND*>(parameter) = window;
    return FALSE;
}

std::vector<std::string> TopLevel() {
    std::vector<std::string> titles;
    EXPECT_TRUE(EnumWindows(Collect, reinterpret_cast<LPARAM>(&titles)));
    return titles;
}

TEST(MachineWindows, WalksOwnAndDeclaredWindowsWithTheirDescendants) {
    TestMachine machine;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "OwnWindow";
    RegisterClassA(&windowClass);
    HWND own = CreateWindowExA(0, "OwnWindow", "Own", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "OwnWindow", "Own child", WS_CHILD, 0, 0, 1, 1, own, nullptr, nullptr, nullptr);
    CreateWindowExA(0, "OwnWindow", "Own grandchild", WS_CHILD, 0, 0, 1, 1, child, nullptr, nullptr, nullptr);
    platform::DeclaredIds hub = machine.DeclareProcess(Hub());

    EXPECT_EQ((std::vector<std::string>{"Own|1", "Corvanta Hub|1", "Hub Tray|1"}), TopLevel());
    std::vector<std::string> descendants;
    EXPECT_TRUE(EnumChildWindows(hub.windows[0], Collect, reinterpret_cast<LPARAM>(&descendants)));
    EXPECT_EQ((std::vector<std::string>{"|1", "Scan|1"}), descendants);
    descendants.clear();
    EXPECT_TRUE(EnumChildWindows(own, Collect, reinterpret_cast<LPARAM>(&descendants)));
    EXPECT_EQ((std::vector<std::string>{"Own child|1", "Own grandchild|1"}), descendants);
    HWND first = nullptr;
    EXPECT_FALSE(EnumWindows(StopAtFirst, reinterpret_cast<LPARAM>(&first)));
    EXPECT_EQ(own, first);

    struct Row {
        HWND window;
        const char* module;
        DWORD process;
    };
    const Row rows[] = {
        {hub.windows[0], kHub, hub.processId},
        {hub.windows[1], "C:\\WINDOWS\\system32\\comctl32.dll", hub.processId},
        {hub.windows[2], kHub, hub.processId},
        {own, "C:\\WINDOWS\\program.exe", GetCurrentProcessId()},
    };
    for (const Row& row : rows) {
        char module[MAX_PATH] = "";
        EXPECT_EQ(std::string(row.module).size(), GetWindowModuleFileNameA(row.window, module, MAX_PATH));
        EXPECT_STREQ(row.module, module);
        DWORD process = 0;
        EXPECT_NE(0u, GetWindowThreadProcessId(row.window, &process));
        EXPECT_EQ(row.process, process);
    }
    EXPECT_EQ(hub.threadId, GetWindowThreadProcessId(hub.windows[0], nullptr));
    EXPECT_EQ(12, GetWindowTextLengthA(hub.windows[0]));
    DestroyWindow(own);
}

TEST(MachineWindows, CloseAndQuitStartTheDeclaredReactionsOnTheMachineClock) {
    struct Row {
        const char* name;
        ProcessReaction onClose;
        ProcessReaction onQuit;
        bool postClose, postQuit, quitToThread;
        bool runningAt1s, runningAt10s;
    };
    const Row rows[] = {
        {"closes at once", ProcessReaction::AtOnce(), ProcessReaction::Never(), true, false, false, false, false},
        {"closes after 5 s", ProcessReaction::After(5000), ProcessReaction::Never(), true, false, false, true, false},
        {"ignores WM_CLOSE", ProcessReaction::Never(), ProcessReaction::Never(), true, true, false, true, true},
        {"quits", ProcessReaction::Never(), ProcessReaction::AtOnce(), true, true, false, false, false},
        {"quits by its thread", ProcessReaction::Never(), ProcessReaction::After(2000), false, false, true, true,
         false},
    };
    for (const Row& row : rows) {
        TestMachine machine;
        machine.UseVirtualClock(1000000000);
        DeclaredProcess declared = Hub();
        declared.onClose = row.onClose;
        declared.onQuit = row.onQuit;
        platform::DeclaredIds hub = machine.DeclareProcess(declared);
        HWND main = hub.windows[0];
        if (row.postClose) {
            EXPECT_TRUE(PostMessageA(main, WM_CLOSE, 0, 0)) << row.name;
        }
        if (row.postQuit && IsWindow(main)) {
            EXPECT_TRUE(PostMessageA(main, WM_QUIT, 0, 0)) << row.name;
        }
        if (row.quitToThread) {
            EXPECT_TRUE(PostThreadMessageA(hub.threadId, WM_QUIT, 0, 0)) << row.name;
        }
        Sleep(1000);
        EXPECT_EQ(row.runningAt1s, machine.ProcessRunning(hub.processId)) << row.name;
        EXPECT_EQ(row.runningAt1s, IsWindow(main) != FALSE) << row.name;
        Sleep(9000);
        EXPECT_EQ(row.runningAt10s, machine.ProcessRunning(hub.processId)) << row.name;
        EXPECT_EQ(row.runningAt10s, IsWindow(hub.windows[2]) != FALSE) << row.name;
        if (!row.runningAt10s) {
            // A window that has gone can no longer be posted to.
            EXPECT_FALSE(PostMessageA(main, WM_CLOSE, 0, 0)) << row.name;
            EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError()) << row.name;
            EXPECT_EQ((std::vector<std::string>{}), TopLevel()) << row.name;
        }
    }
}

TEST(MachineWindows, RequestsAreRecordedInOrder) {
    TestMachine machine;
    DeclaredProcess declared = Hub();
    declared.onClose = declared.onQuit = ProcessReaction::Never();
    platform::DeclaredIds hub = machine.DeclareProcess(declared);
    EXPECT_TRUE(PostMessageA(hub.windows[2], WM_CLOSE, 0, 0));
    EXPECT_TRUE(PostMessageA(hub.windows[0], WM_USER, 0, 0));
    EXPECT_TRUE(PostMessageA(hub.windows[0], WM_QUIT, 0, 0));
    EXPECT_TRUE(PostThreadMessageA(hub.threadId, WM_QUIT, 0, 0));
    EXPECT_EQ((std::vector<std::string>{"WM_CLOSE Scan", "WM_QUIT Corvanta Hub", "WM_QUIT thread"}),
              machine.ProcessRequests(hub.processId));
    EXPECT_FALSE(PostThreadMessageA(hub.threadId + 4000, WM_QUIT, 0, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_THREAD_ID), GetLastError());
}

}  // namespace
