// Painting: the paint messages a shown window gets and in which order, what invalidation and validation
// ask for, and the pixels of a dialog frame, a push button and a check box.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

std::vector<std::string>* paints = nullptr;
bool skipBeginPaint = false;

std::string NameOf(HWND window) {
    char name[32] = "";
    GetWindowTextA(window, name, sizeof name);
    return name;
}

std::string Text(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

LRESULT CALLBACK PaintingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCPAINT:
            if (paints) paints->push_back("frame " + NameOf(hWnd));
            break;
        case WM_ERASEBKGND:
            if (paints) paints->push_back("erase " + NameOf(hWnd));
            break;
        case WM_PAINT: {
            if (skipBeginPaint) {
                if (paints) paints->push_back("paint " + NameOf(hWnd) + " without BeginPaint");
                return 0;
            }
            PAINTSTRUCT paint{};
            BeginPaint(hWnd, &paint);
            if (paints) paints->push_back("paint " + NameOf(hWnd) + " " + Text(paint.rcPaint));
            EndPaint(hWnd, &paint);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class PaintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static bool registered = false;
        if (!registered) {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = PaintingProcedure;
            windowClass.lpszClassName = "PaintingWindow";
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            ASSERT_NE(RegisterClassA(&windowClass), 0);
            registered = true;
        }
        paints = &seen_;
    }
    void TearDown() override {
        paints = nullptr;
        skipBeginPaint = false;
    }
    // Dispatches what the queue holds (paint messages included) and returns what was painted.
    std::vector<std::string> Pump() {
        seen_.clear();
        MSG message;
        for (int round = 0; round < 50 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++round)
            DispatchMessageA(&message);
        return seen_;
    }
    HWND Create(const char* name, DWORD style, int x, int y, int width, int height, HWND parent) {
        return CreateWindowExA(0, "PaintingWindow", name, style | (parent ? WS_CHILD | WS_VISIBLE : WS_POPUP), x, y,
                               width, height, parent, nullptr, nullptr, nullptr);
    }
    platform::TestMachine machine_;
    std::vector<std::string> seen_;
};

TEST_F(PaintTest, ShownWindowPaintsItselfThenItsChildren) {
    HWND top = Create("top", WS_CAPTION, 0, 0, 100, 80, nullptr);
    Create("a", 0, 0, 0, 20, 20, top);
    Create("b", 0, 30, 0, 20, 20, top);
    ShowWindow(top, SW_SHOW);
    EXPECT_EQ(seen_, (std::vector<std::string>{"frame top", "erase top", "paint top 0,0,94,55", "frame a", "erase a",
                                               "paint a 0,0,20,20", "frame b", "erase b", "paint b 0,0,20,20"}));
    // Painted already: nothing is left for the message loop.
    EXPECT_EQ(Pump(), std::vector<std::string>{});
    DestroyWindow(top);
}

TEST_F(PaintTest, InvalidationMakesPaintMessages) {
    struct Row {
        const char* name;
        DWORD topStyle;
        std::function<void(HWND top, HWND a, HWND b)> change;
        std::vector<std::string> painted;
    };
    const Row rows[] = {
        {"part of a child, not erased", 0,
         [](HWND, HWND a, HWND) {
             RECT part{1, 2, 5, 6};
             InvalidateRect(a, &part, FALSE);
         },
         {"paint a 1,2,5,6"}},
        {"two parts join", 0,
         [](HWND, HWND a, HWND) {
             RECT first{1, 1, 3, 3};
             RECT second{10, 10, 12, 14};
             InvalidateRect(a, &first, TRUE);
             InvalidateRect(a, &second, FALSE);
         },
         {"erase a", "paint a 1,1,12,14"}},
        {"the parent over one child", 0,
         [](HWND top, HWND, HWND) {
             RECT left{0, 0, 25, 10};
             InvalidateRect(top, &left, TRUE);
         },
         {"erase top", "paint top 0,0,25,10", "erase a", "paint a 0,0,20,10"}},
        {"a parent that clips its children", WS_CLIPCHILDREN,
         [](HWND top, HWND, HWND) { InvalidateRect(top, nullptr, TRUE); }, {"erase top", "paint top 0,0,94,55"}},
        {"validated again", 0,
         [](HWND top, HWND a, HWND) {
             InvalidateRect(a, nullptr, TRUE);
             ValidateRect(a, nullptr);
             InvalidateRect(top, nullptr, FALSE);
             ValidateRect(top, nullptr);
         },
         {"paint a 0,0,20,20", "paint b 0,0,20,20"}},
        {"a child taken away", 0, [](HWND, HWND a, HWND) { DestroyWindow(a); },
         {"erase top", "paint top 0,0,20,20"}},
        {"a child hidden", 0, [](HWND, HWND, HWND b) { ShowWindow(b, SW_HIDE); },
         {"erase top", "paint top 30,0,50,20"}},
        {"redrawn now", 0,
         [](HWND top, HWND, HWND) {
             RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_NOCHILDREN);
         },
         {"frame top", "paint top 0,0,94,55"}},
    };
    for (const Row& row : rows) {
        HWND top = Create("top", WS_CAPTION | row.topStyle, 0, 0, 100, 80, nullptr);
        HWND a = Create("a", 0, 0, 0, 20, 20, top);
        HWND b = Create("b", 0, 30, 0, 20, 20, top);
        ShowWindow(top, SW_SHOW);
        Pump();
        seen_.clear();
        row.change(top, a, b);
        std::vector<std::string> now = seen_;
        std::vector<std::string> later = Pump();
        now.insert(now.end(), later.begin(), later.end());
        EXPECT_EQ(now, row.painted) << row.name;
        DestroyWindow(top);
    }
}

TEST_F(PaintTest, PostedMessagesComeBeforePaintAndUnpaintedWindowsAreValidated) {
    HWND top = Create("top", 0, 0, 0, 50, 50, nullptr);
    ShowWindow(top, SW_SHOW);
    Pump();
    InvalidateRect(top, nullptr, FALSE);
    PostMessageA(top, WM_USER, 0, 0);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_USER));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    // A window procedure that does not paint leaves the window validated all the same.
    skipBeginPaint = true;
    DispatchMessageA(&message);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(top, &update, FALSE));
    DestroyWindow(top);
}

// Pixels as GetPixel reads them back from the window's surface, in window coordinates.
COLORREF PixelOf(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kDarkShadow = RGB(64, 64, 64);
constexpr COLORREF kBlack = RGB(0, 0, 0);

platform::DialogControlTemplate Control(const char* className, const char* text, WORD id, DWORD style, short x,
                                        short y, short cx, short cy) {
    return platform::ChildControl(className, text, id, style | WS_VISIBLE, x, y, cx, cy);
}

INT_PTR CALLBACK CheckingProcedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST_F(PaintTest, DialogFrameButtonAndCheckBoxPixels) {
    platform::DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    dialog.caption = "Prova";
    dialog.fontName = "MS Sans Serif";
    dialog.pointSize = 8;
    dialog.cx = 120;
    dialog.cy = 60;
    dialog.controls = {Control("BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON, 10, 10, 50, 14),
                       Control("BUTTON", "&Annulla", IDCANCEL, BS_PUSHBUTTON, 64, 10, 50, 14),
                       Control("BUTTON", "Scelta", 1010, BS_AUTOCHECKBOX, 10, 32, 60, 10)};
    HWND window = platform::CreateDialogFromTemplate(nullptr, dialog, 0, nullptr, CheckingProcedure, 0);
    ASSERT_NE(window, nullptr);
    SendDlgItemMessageA(window, 1010, BM_SETCHECK, BST_CHECKED, 0);
    ShowWindow(window, SW_SHOW);
    Pump();

    // The raised dialog frame, then the caption's dark blue at its left.
    EXPECT_EQ(PixelOf(window, 0, 0), kFace);
    EXPECT_EQ(PixelOf(window, 1, 1), kWhite);
    RECT whole{};
    GetWindowRect(window, &whole);
    int width = whole.right - whole.left;
    int height = whole.bottom - whole.top;
    EXPECT_EQ(PixelOf(window, width - 1, height - 1), kDarkShadow);
    EXPECT_EQ(PixelOf(window, width - 2, height - 2), kShadow);
    EXPECT_EQ(PixelOf(window, 4, 10), RGB(10, 36, 106));

    struct Row {
        const char* name;
        int id;
        int x, y;  // client coordinates of the control
        COLORREF expected;
    };
    const Row rows[] = {
        {"default button's black frame", IDOK, 0, 0, kBlack},
        {"default button's white edge", IDOK, 1, 1, kWhite},
        {"default button's face", IDOK, 3, 3, kFace},
        {"default button's shadow", IDOK, -3, -3, kShadow},
        {"button's white edge", IDCANCEL, 0, 0, kWhite},
        {"button's dark edge", IDCANCEL, -1, -1, kDarkShadow},
        {"check box's sunken edge", 1010, 0, 0, kShadow},
        {"check box's inside", 1010, 2, 3, kWhite},
        {"check box's mark", 1010, 3, 5, kBlack},
    };
    for (const Row& row : rows) {
        HWND control = GetDlgItem(window, row.id);
        RECT client{};
        GetClientRect(control, &client);
        int x = row.x < 0 ? client.right + row.x : row.x;
        int y = row.y < 0 ? client.bottom + row.y : row.y;
        int boxTop = row.id == 1010 ? (client.bottom - 13) / 2 : 0;
        HDC dc = GetDC(control);
        EXPECT_EQ(GetPixel(dc, x, y + boxTop), row.expected) << row.name;
        ReleaseDC(control, dc);
    }
    DestroyWindow(window);
}

// The focused control's dotted rectangle: every other pixel inverted, from a pixel inside the raised edge of a
// push button, round the text of a check box; none without the focus.
TEST_F(PaintTest, FocusedControlsDrawTheFocusRectangle) {
    platform::DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | DS_SETFONT;
    dialog.caption = "Prova";
    dialog.fontName = "MS Sans Serif";
    dialog.pointSize = 8;
    dialog.cx = 120;
    dialog.cy = 60;
    dialog.controls = {Control("BUTTON", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 10, 50, 14),
                       Control("BUTTON", "Annulla", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 64, 10, 50, 14),
                       Control("BUTTON", "Scelta", 1010, BS_AUTOCHECKBOX | WS_TABSTOP, 10, 32, 60, 10)};
    HWND window = platform::CreateDialogFromTemplate(nullptr, dialog, 0, nullptr, CheckingProcedure, 0);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    constexpr COLORREF kInvertedFace = RGB(255 - 212, 255 - 208, 255 - 200);
    struct Row {
        const char* name;
        int focused;
        int id;
        int x, y;
        COLORREF expected;
    };
    const Row rows[] = {
        {"default button focused by the dialog", IDOK, IDOK, 4, 4, kInvertedFace},
        {"default button's dot spacing", IDOK, IDOK, 5, 4, kFace},
        {"other button without the focus", IDOK, IDCANCEL, 3, 3, kFace},
        {"button given the focus", IDCANCEL, IDCANCEL, 3, 3, kInvertedFace},
        {"default button after losing it", IDCANCEL, IDOK, 4, 4, kFace},
    };
    for (const Row& row : rows) {
        if (row.focused != GetDlgCtrlID(GetFocus())) SetFocus(GetDlgItem(window, row.focused));
        Pump();
        HWND control = GetDlgItem(window, row.id);
        HDC dc = GetDC(control);
        EXPECT_EQ(GetPixel(dc, row.x, row.y), row.expected) << row.name;
        ReleaseDC(control, dc);
    }
    // The check box's frame runs down the column a pixel left of its text, only while it has the focus.
    HWND box = GetDlgItem(window, 1010);
    for (bool focused : {true, false}) {
        SetFocus(focused ? box : nullptr);
        Pump();
        HDC dc = GetDC(box);
        RECT client{};
        GetClientRect(box, &client);
        int dotted = 0;
        for (int y = 0; y < client.bottom; ++y) dotted += GetPixel(dc, 13 + 4 - 1, y) == kInvertedFace;
        ReleaseDC(box, dc);
        EXPECT_EQ(dotted > 0, focused);
    }
    DestroyWindow(window);
}

}  // namespace
