// Window geometry: frames by style, window and client rectangles of nested windows, coordinates between
// windows and the screen, moving with its messages, and dialogs laid out in dialog units.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

std::vector<std::string>* moves = nullptr;

LRESULT CALLBACK MovingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_WINDOWPOSCHANGING: {
            auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
            if (moves) moves->push_back("changing " + std::to_string(position->x) + "," + std::to_string(position->y));
            break;
        }
        case WM_WINDOWPOSCHANGED:
            if (moves) moves->push_back("changed");
            break;
        case WM_MOVE:
            if (moves)
                moves->push_back("move " + std::to_string(static_cast<short>(LOWORD(lParam))) + "," +
                                 std::to_string(static_cast<short>(HIWORD(lParam))));
            break;
        case WM_SIZE:
            if (moves) moves->push_back("size " + std::to_string(LOWORD(lParam)) + "x" + std::to_string(HIWORD(lParam)));
            break;
        default:
            break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class WindowGeometryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = MovingProcedure;
            windowClass.lpszClassName = "GeometryWindow";
            ASSERT_NE(RegisterClassA(&windowClass), 0);
            registered = true;
        }
    }
    void TearDown() override { moves = nullptr; }
    platform::TestMachine machine_;
};

std::string Text(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

TEST_F(WindowGeometryTest, FramesByStyle) {
    struct Row {
        const char* name;
        DWORD style;
        DWORD exStyle;
        const char* adjusted;  // of the client rectangle 0,0,100,50
    };
    const Row rows[] = {
        {"modal dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_DLGMODALFRAME, "-3,-22,103,53"},
        {"overlapped window", WS_OVERLAPPEDWINDOW, 0, "-4,-23,104,54"},
        {"tool window", WS_POPUP | WS_CAPTION, WS_EX_TOOLWINDOW, "-3,-19,103,53"},
        {"plain pop-up", WS_POPUP, 0, "0,0,100,50"},
        {"bordered child", WS_CHILD | WS_BORDER, 0, "-1,-1,101,51"},
        {"sunken child", WS_CHILD, WS_EX_CLIENTEDGE, "-2,-2,102,52"},
        {"static edge", WS_CHILD, WS_EX_STATICEDGE, "-1,-1,101,51"},
    };
    for (const Row& row : rows) {
        RECT rect{0, 0, 100, 50};
        ASSERT_TRUE(AdjustWindowRectEx(&rect, row.style, FALSE, row.exStyle));
        EXPECT_EQ(Text(rect), row.adjusted) << row.name;

        // A window of that style has the client area the adjustment leaves inside it.
        HWND parent = CreateWindowExA(0, "GeometryWindow", "", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr, nullptr);
        HWND window = CreateWindowExA(row.exStyle, "GeometryWindow", "", row.style, 10, 20, rect.right - rect.left,
                                      rect.bottom - rect.top, (row.style & WS_CHILD) ? parent : nullptr, nullptr,
                                      nullptr, nullptr);
        ASSERT_NE(window, nullptr) << row.name;
        RECT client{};
        ASSERT_TRUE(GetClientRect(window, &client));
        EXPECT_EQ(Text(client), "0,0,100,50") << row.name;
        DestroyWindow(window);
        DestroyWindow(parent);
    }
}

TEST_F(WindowGeometryTest, NestedWindowsMapTheirCoordinates) {
    HWND top = CreateWindowExA(WS_EX_DLGMODALFRAME, "GeometryWindow", "", WS_POPUP | WS_CAPTION, 100, 50, 206, 122,
                               nullptr, nullptr, nullptr, nullptr);
    HWND panel = CreateWindowExA(0, "GeometryWindow", "", WS_CHILD | WS_BORDER, 10, 10, 102, 52, top, nullptr,
                                 nullptr, nullptr);
    HWND inner = CreateWindowExA(0, "GeometryWindow", "", WS_CHILD, 5, 6, 20, 10, panel, nullptr, nullptr, nullptr);
    ASSERT_NE(inner, nullptr);

    RECT rect{};
    GetWindowRect(top, &rect);
    EXPECT_EQ(Text(rect), "100,50,306,172");
    GetClientRect(top, &rect);
    EXPECT_EQ(Text(rect), "0,0,200,97");
    // The top's client area starts at 103,72; the panel's border is one pixel.
    GetWindowRect(panel, &rect);
    EXPECT_EQ(Text(rect), "113,82,215,134");
    GetWindowRect(inner, &rect);
    EXPECT_EQ(Text(rect), "119,89,139,99");

    POINT point{0, 0};
    ClientToScreen(inner, &point);
    EXPECT_EQ(point.x, 119);
    EXPECT_EQ(point.y, 89);
    ScreenToClient(top, &point);
    EXPECT_EQ(point.x, 16);
    EXPECT_EQ(point.y, 17);

    POINT points[2] = {{0, 0}, {3, 4}};
    int moved = MapWindowPoints(inner, top, points, 2);
    EXPECT_EQ(points[1].x, 19);
    EXPECT_EQ(points[1].y, 21);
    EXPECT_EQ(static_cast<short>(LOWORD(moved)), 16);
    EXPECT_EQ(static_cast<short>(HIWORD(moved)), 17);
    POINT onScreen{119, 89};
    MapWindowPoints(nullptr, inner, &onScreen, 1);
    EXPECT_EQ(onScreen.x, 0);
    EXPECT_EQ(onScreen.y, 0);
    DestroyWindow(top);
}

TEST_F(WindowGeometryTest, MovingTellsTheWindowBeforeAndAfter) {
    std::vector<std::string> seen;
    HWND top = CreateWindowExA(0, "GeometryWindow", "", WS_POPUP | WS_BORDER, 0, 0, 50, 40, nullptr, nullptr,
                               nullptr, nullptr);
    moves = &seen;
    struct Row {
        int x, y, width, height;
        UINT flags;
        std::vector<std::string> expected;
        const char* rect;
    };
    const Row rows[] = {
        {10, 20, 50, 40, SWP_NOZORDER, {"changing 10,20", "changed", "move 11,21"}, "10,20,60,60"},
        {0, 0, 80, 30, SWP_NOMOVE | SWP_NOZORDER, {"changing 10,20", "changed", "size 78x28"}, "10,20,90,50"},
        {5, 6, 7, 8, SWP_NOMOVE | SWP_NOSIZE, {"changing 10,20", "changed"}, "10,20,90,50"},
    };
    for (const Row& row : rows) {
        seen.clear();
        ASSERT_TRUE(SetWindowPos(top, nullptr, row.x, row.y, row.width, row.height, row.flags));
        EXPECT_EQ(seen, row.expected) << row.rect;
        RECT rect{};
        GetWindowRect(top, &rect);
        EXPECT_EQ(Text(rect), row.rect);
    }
    seen.clear();
    ASSERT_TRUE(MoveWindow(top, 1, 2, 30, 20, TRUE));
    EXPECT_EQ(seen, (std::vector<std::string>{"changing 1,2", "changed", "move 2,3", "size 28x18"}));
    DestroyWindow(top);
}

TEST_F(WindowGeometryTest, SystemMetricsOfTheClassicLook) {
    struct Row {
        int index;
        int value;
    };
    const Row rows[] = {{SM_CYCAPTION, 19}, {SM_CXBORDER, 1}, {SM_CXDLGFRAME, 3}, {SM_CXFRAME, 4},
                        {SM_CXEDGE, 2},     {SM_CXICON, 32},  {SM_CXSMICON, 16},  {SM_CYSMICON, 16},
                        {SM_CXVSCROLL, 16}, {SM_CXSIZE, 18},  {SM_CMONITORS, 1}};
    for (const Row& row : rows) EXPECT_EQ(GetSystemMetrics(row.index), row.value) << row.index;
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_GT(GetSystemMetrics(SM_CYSCREEN), 0);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0xC8D0D4u);
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), 0x808080u);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0xFFFFFFu);
}

// The devpurge progress dialog's layout: 260 by 78 units of MS Sans Serif 8, centred on the screen.
platform::DialogTemplate ProgressTemplate() {
    platform::DialogTemplate dialog;
    dialog.style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    dialog.cx = 260;
    dialog.cy = 78;
    dialog.caption = "Avanzamento";
    dialog.fontName = "MS Sans Serif";
    dialog.pointSize = 8;
    platform::DialogControlTemplate status;
    status.className = "STATIC";
    status.id = 1002;
    status.style = WS_CHILD | WS_VISIBLE;
    status.x = 7;
    status.y = 12;
    status.cx = 246;
    status.cy = 18;
    platform::DialogControlTemplate bar = status;
    bar.className = "msctls_progress32";
    bar.id = 1001;
    bar.style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    bar.y = 34;
    bar.cy = 12;
    dialog.controls = {status, bar};
    return dialog;
}

INT_PTR CALLBACK QuietProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST_F(WindowGeometryTest, DialogsAreLaidOutInDialogUnits) {
    HWND dialog = platform::CreateDialogFromTemplate(nullptr, ProgressTemplate(), 102, nullptr, QuietProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    RECT units{0, 0, 4, 8};
    ASSERT_TRUE(MapDialogRect(dialog, &units));
    // MS Sans Serif 8 at 96 dots per inch has Windows' base units of 6 by 13.
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 13);

    RECT client{};
    GetClientRect(dialog, &client);
    RECT size{0, 0, 260, 78};
    MapDialogRect(dialog, &size);
    EXPECT_EQ(Text(client), Text(size));

    struct Row {
        int id;
        RECT units;
    };
    const Row rows[] = {{1002, {7, 12, 253, 30}}, {1001, {7, 34, 253, 46}}};
    for (const Row& row : rows) {
        RECT expected = row.units;
        MapDialogRect(dialog, &expected);
        RECT actual{};
        GetWindowRect(GetDlgItem(dialog, row.id), &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(Text(actual), Text(expected)) << row.id;
    }
    // A bordered control is drawn sunken.
    HWND bar = GetDlgItem(dialog, 1001);
    EXPECT_EQ(GetWindowLongPtrA(bar, GWL_STYLE) & WS_BORDER, 0);
    EXPECT_NE(GetWindowLongPtrA(bar, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

    // Centred in the screen above the task bar.
    RECT window{};
    GetWindowRect(dialog, &window);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    EXPECT_LE(std::abs(window.left - (screenWidth - (window.right - window.left)) / 2), 1);
    DestroyWindow(dialog);
}

// The screen's size is the machine's display mode, and a centred dialog sits in the middle of it above
// the task bar.
TEST(WindowGeometryScreen, MetricsFollowTheDisplayMode) {
    struct Row {
        int width, height;
    };
    const Row rows[] = {{640, 480}, {800, 600}, {1280, 1024}};
    for (const Row& row : rows) {
        platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::Windows2000);
        settings.display = platform::DisplayMode{row.width, row.height, 16, 60};
        platform::TestMachine machine(settings);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), row.width);
        EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), row.height);
        HWND dialog = platform::CreateDialogFromTemplate(nullptr, ProgressTemplate(), 102, nullptr, QuietProcedure, 0);
        ASSERT_NE(dialog, nullptr);
        RECT window{};
        GetWindowRect(dialog, &window);
        int width = window.right - window.left;
        int height = window.bottom - window.top;
        EXPECT_EQ(window.left, (row.width - width) / 2) << row.width;
        EXPECT_EQ(window.top, (row.height - 28 - height) / 2) << row.height;
        DestroyWindow(dialog);
    }
}

TEST_F(WindowGeometryTest, RectangleHelpers) {
    RECT first{0, 0, 10, 10};
    RECT second{5, 5, 20, 8};
    RECT result{};
    EXPECT_TRUE(IntersectRect(&result, &first, &second));
    EXPECT_EQ(Text(result), "5,5,10,8");
    EXPECT_TRUE(UnionRect(&result, &first, &second));
    EXPECT_EQ(Text(result), "0,0,20,10");
    RECT apart{30, 30, 40, 40};
    EXPECT_FALSE(IntersectRect(&result, &first, &apart));
    EXPECT_TRUE(IsRectEmpty(&result));
    EXPECT_TRUE(PtInRect(&first, POINT{0, 9}));
    EXPECT_FALSE(PtInRect(&first, POINT{10, 5}));
    InflateRect(&first, 2, 1);
    OffsetRect(&first, 1, 1);
    EXPECT_EQ(Text(first), "-1,0,13,12");
}

}  // namespace
