// Icons and bitmaps from the program's resources and the system's: loaded, shared, scaled, drawn
// through their masks, and shown by icon statics and bitmap buttons.
#include <gtest/gtest.h>

#include "platform/testing/test_machine.h"
#include "platform/user32/dialog.h"
#include "windows.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

// A memory context over a bitmap of `width` by `height` filled with `background`.
struct Canvas {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    Canvas(int width, int height, COLORREF background) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        previous = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(background);
        RECT all{0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
};

class IconsTest : public ::testing::Test {
  protected:
    HINSTANCE program_ = GetModuleHandleA(nullptr);
    platform::TestMachine machine_;
};

TEST_F(IconsTest, IconsAreDrawnThroughTheirMasksAtTheSizeAskedFor) {
    HICON icon = LoadIconA(program_, MAKEINTRESOURCEA(200));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(program_, MAKEINTRESOURCEA(200)), icon);  // shared
    EXPECT_EQ(LoadIconA(program_, MAKEINTRESOURCEA(201)), nullptr);
    struct Row {
        const char* name;
        int size;  // drawn at
        POINT inside, outside;
    };
    const Row rows[] = {{"its own size", 32, {16, 16}, {4, 4}}, {"halved", 16, {8, 8}, {2, 2}}};
    for (const Row& row : rows) {
        Canvas canvas(40, 40, kYellow);
        HICON drawn = row.size == 32 ? icon
                                     : static_cast<HICON>(LoadImageA(program_, MAKEINTRESOURCEA(200), IMAGE_ICON,
                                                                     row.size, row.size, 0));
        ASSERT_NE(drawn, nullptr) << row.name;
        ASSERT_TRUE(DrawIconEx(canvas.dc, 0, 0, drawn, 0, 0, 0, nullptr, DI_NORMAL)) << row.name;
        EXPECT_EQ(GetPixel(canvas.dc, row.inside.x, row.inside.y), kRed) << row.name;
        EXPECT_EQ(GetPixel(canvas.dc, row.outside.x, row.outside.y), kYellow) << row.name;
        EXPECT_EQ(GetPixel(canvas.dc, row.size + 2, row.size / 2), kYellow) << row.name;
        if (drawn != icon) {
            EXPECT_TRUE(DestroyIcon(drawn));
        }
    }
    // A shared icon outlives DestroyIcon.
    EXPECT_TRUE(DestroyIcon(icon));
    Canvas canvas(32, 32, kYellow);
    EXPECT_TRUE(DrawIcon(canvas.dc, 0, 0, icon));
}

TEST_F(IconsTest, SystemIconsAndBitmaps) {
    for (LPCSTR name : {IDI_APPLICATION, IDI_ERROR, IDI_WARNING, IDI_INFORMATION, IDI_QUESTION}) {
        HICON icon = LoadIconA(nullptr, name);
        ASSERT_NE(icon, nullptr);
        Canvas canvas(32, 32, kYellow);
        DrawIcon(canvas.dc, 0, 0, icon);
        // The corners stay transparent; the middle is drawn.
        EXPECT_EQ(GetPixel(canvas.dc, 0, 0), kYellow);
        EXPECT_NE(GetPixel(canvas.dc, 16, 20), kYellow);
    }
    HBITMAP bitmap = LoadBitmapA(program_, MAKEINTRESOURCEA(300));
    ASSERT_NE(bitmap, nullptr);
    BITMAP facts{};
    ASSERT_TRUE(GetObjectA(bitmap, sizeof facts, &facts));
    EXPECT_EQ(facts.bmWidth, 20);
    EXPECT_EQ(facts.bmHeight, 10);
    auto copy = static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 40, 20, 0));
    ASSERT_NE(copy, nullptr);
    GetObjectA(copy, sizeof facts, &facts);
    EXPECT_EQ(facts.bmWidth, 40);
    DeleteObject(copy);
    DeleteObject(bitmap);
}

INT_PTR CALLBACK PictureProcedure(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(300));
    SendDlgItemMessageA(dialog, 1002, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
    return TRUE;
}

TEST_F(IconsTest, IconStaticsAndBitmapButtonsShowTheirPictures) {
    platform::DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_CAPTION | DS_SETFONT;
    dialog.caption = "Immagini";
    dialog.fontName = "MS Sans Serif";
    dialog.pointSize = 8;
    dialog.cx = 120;
    dialog.cy = 60;
    platform::DialogControlTemplate icon;
    icon.className = "STATIC";
    icon.text = "#200";
    icon.id = 1001;
    icon.style = WS_CHILD | WS_VISIBLE | SS_ICON;
    icon.x = 5;
    icon.y = 5;
    platform::DialogControlTemplate button = icon;
    button.className = "BUTTON";
    button.text = "";
    button.id = 1002;
    button.style = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP;
    button.x = 50;
    button.cx = 50;
    button.cy = 20;
    dialog.controls = {icon, button};
    HWND window = platform::CreateDialogFromTemplate(program_, dialog, 0, nullptr, PictureProcedure, 0);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);

    HWND iconStatic = GetDlgItem(window, 1001);
    RECT rect{};
    GetClientRect(iconStatic, &rect);
    EXPECT_EQ(rect.right, 32);  // sized to its icon
    EXPECT_EQ(rect.bottom, 32);
    EXPECT_NE(SendMessageA(iconStatic, STM_GETICON, 0, 0), 0);
    HDC dc = GetDC(iconStatic);
    EXPECT_EQ(GetPixel(dc, 16, 16), kRed);
    EXPECT_EQ(GetPixel(dc, 2, 2), RGB(212, 208, 200));
    ReleaseDC(iconStatic, dc);

    // The bitmap is centred on the button: green left of the middle, blue right of it.
    HWND bitmapButton = GetDlgItem(window, 1002);
    GetClientRect(bitmapButton, &rect);
    dc = GetDC(bitmapButton);
    EXPECT_EQ(GetPixel(dc, rect.right / 2 - 3, rect.bottom / 2), kGreen);
    EXPECT_EQ(GetPixel(dc, rect.right / 2 + 3, rect.bottom / 2), kBlue);
    ReleaseDC(bitmapButton, dc);
    DeleteObject(reinterpret_cast<HBITMAP>(SendMessageA(bitmapButton, BM_GETIMAGE, IMAGE_BITMAP, 0)));
    DestroyWindow(window);
}

}  // namespace
