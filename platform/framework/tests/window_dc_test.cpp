// A window object painting itself: its WM_PAINT draws through CPaintDC, what it drew is read back through
// CClientDC and CWindowDC, and the object's geometry calls move and centre the window.
#include <gtest/gtest.h>

#include "framework.h"
#include "platform/testing/test_machine.h"

namespace {

constexpr COLORREF kPainted = RGB(200, 30, 40);

class PaintedWindow : public CWnd {
  public:
    int paints = 0;

  protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_PAINT) return CWnd::WindowProc(message, wParam, lParam);
        ++paints;
        CPaintDC dc(this);
        CBrush brush;
        brush.CreateSolidBrush(kPainted);
        RECT square{2, 3, 12, 13};
        FillRect(dc, &square, brush);
        return 0;
    }
};

class WindowContextTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = DefWindowProcA;
            windowClass.lpszClassName = "PaintedWindow";
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
            ASSERT_NE(RegisterClassA(&windowClass), 0);
            registered = true;
        }
    }
    platform::TestMachine machine_;
};

TEST_F(WindowContextTest, PaintsThroughItsObjectAndReadsBack) {
    PaintedWindow window;
    HWND handle = CreateWindowExA(0, "PaintedWindow", "Prova", WS_POPUP | WS_BORDER, 10, 10, 60, 40, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_TRUE(window.SubclassWindow(handle));
    window.ShowWindow(SW_SHOW);
    EXPECT_EQ(window.paints, 1);

    struct Row {
        int x, y;
        COLORREF client;
    };
    const Row rows[] = {{2, 3, kPainted}, {11, 12, kPainted}, {12, 12, RGB(255, 255, 255)}, {1, 3, RGB(255, 255, 255)}};
    {
        CClientDC client(&window);
        for (const Row& row : rows) EXPECT_EQ(GetPixel(client, row.x, row.y), row.client) << row.x << "," << row.y;
        // The window's context starts at its one-pixel border.
        CWindowDC whole(&window);
        EXPECT_EQ(GetPixel(whole, 0, 0), RGB(0, 0, 0));
        EXPECT_EQ(GetPixel(whole, 3, 4), kPainted);
    }
    window.Invalidate();
    window.UpdateWindow();
    EXPECT_EQ(window.paints, 2);

    window.MoveWindow(0, 0, 100, 50);
    window.CenterWindow();
    RECT rect{};
    window.GetWindowRect(&rect);
    EXPECT_EQ(rect.right - rect.left, 100);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 100) / 2);
    RECT client{};
    window.GetClientRect(&client);
    EXPECT_EQ(client.right, 98);
    window.DestroyWindow();
}

}  // namespace
