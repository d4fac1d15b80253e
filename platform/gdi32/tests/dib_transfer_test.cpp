// Pictures in DIB form reaching devices and bitmaps: StretchDIBits, SetDIBits and GetDIBits, and the
// bitmaps the window manager makes of bitmap resources.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/gdi32/bitmaps.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

// A BITMAPINFO with room for a colour table.
struct Picture {
    explicit Picture(LONG width, LONG height, WORD bits, std::vector<RGBQUAD> colors = {})
        : storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD)) {
        info()->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0,
                                             static_cast<DWORD>(colors.size()), 0};
        if (!colors.empty()) std::memcpy(info()->bmiColors, colors.data(), colors.size() * sizeof(RGBQUAD));
    }
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(storage.data()); }
    std::vector<BYTE> storage;
};

// A memory context over a colour bitmap.
struct Target {
    Target(int width, int height) {
        HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        DeleteDC(screen);
        previous = SelectObject(dc, bitmap);
    }
    ~Target() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// Two rows of two pixels, bottom-up: the bottom row (blue, white) first, then the top (red, green).
const BYTE kPixels24[] = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};

TEST(DibTransfers, StretchDIBitsScalesAnUprightPicture) {
    TestMachine machine;
    Picture picture(2, 2, 24);
    Target target(4, 4);
    EXPECT_EQ(2, StretchDIBits(target.dc, 0, 0, 4, 4, 0, 0, 2, 2, kPixels24, picture.info(), DIB_RGB_COLORS, SRCCOPY));
    struct Row {
        int x, y;
        COLORREF expected;
    };
    const Row rows[] = {{0, 0, kRed}, {1, 1, kRed}, {3, 0, kGreen}, {0, 3, kBlue}, {3, 3, kWhite}, {2, 2, kWhite}};
    for (const Row& row : rows) EXPECT_EQ(row.expected, GetPixel(target.dc, row.x, row.y)) << row.x << "," << row.y;
    // A top-down picture is the same picture upside down.
    Picture topDown(2, -2, 24);
    EXPECT_EQ(2, StretchDIBits(target.dc, 0, 0, 2, 2, 0, 0, 2, 2, kPixels24, topDown.info(), DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(kBlue, GetPixel(target.dc, 0, 0));
    EXPECT_EQ(kGreen, GetPixel(target.dc, 1, 1));
    // SetDIBitsToDevice copies without scaling.
    EXPECT_EQ(2, SetDIBitsToDevice(target.dc, 2, 2, 2, 2, 0, 0, 0, 2, kPixels24, picture.info(), DIB_RGB_COLORS));
    EXPECT_EQ(kRed, GetPixel(target.dc, 2, 2));
    EXPECT_EQ(kWhite, GetPixel(target.dc, 3, 3));
}

TEST(DibTransfers, SetDIBitsAndGetDIBitsCarryPicturesOfColourTables) {
    TestMachine machine;
    const std::vector<RGBQUAD> colors = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
    Picture picture(4, 1, 8, colors);
    const BYTE indexes[4] = {1, 2, 3, 0};
    Target target(4, 1);
    EXPECT_EQ(1, SetDIBits(target.dc, target.bitmap, 0, 1, indexes, picture.info(), DIB_RGB_COLORS));
    EXPECT_EQ(kRed, GetPixel(target.dc, 0, 0));
    EXPECT_EQ(kGreen, GetPixel(target.dc, 1, 0));
    EXPECT_EQ(kBlue, GetPixel(target.dc, 2, 0));
    BYTE read[4] = {9, 9, 9, 9};
    Picture asked(4, 1, 8, colors);
    EXPECT_EQ(1, GetDIBits(target.dc, target.bitmap, 0, 1, read, asked.info(), DIB_RGB_COLORS));
    // A device bitmap gives its pixels in the colour table of the device's colours, which replaces the
    // caller's table: each index names the pixel's colour there.
    const COLORREF expected[4] = {kRed, kGreen, kBlue, RGB(0, 0, 0)};
    for (int x = 0; x < 4; ++x) {
        const RGBQUAD& entry = asked.info()->bmiColors[read[x]];
        EXPECT_EQ(expected[x], RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue)) << x;
    }
    // With no bits and no depth, GetDIBits describes the bitmap.
    BITMAPINFO described{};
    described.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_EQ(1, GetDIBits(target.dc, target.bitmap, 0, 1, nullptr, &described, DIB_RGB_COLORS));
    EXPECT_EQ(4, described.bmiHeader.biWidth);
    EXPECT_EQ(32, described.bmiHeader.biBitCount);
    EXPECT_EQ(16u, described.bmiHeader.biSizeImage);
}

TEST(DibTransfers, BitmapResourcesBecomeDeviceBitmaps) {
    TestMachine machine;
    struct Row {
        const char* name;
        WORD bits;
        std::vector<RGBQUAD> colors;
        WORD expectedBits;
    };
    const Row rows[] = {
        {"black and white", 1, {{0, 0, 0, 0}, {255, 255, 255, 0}}, 1},
        {"two colours", 1, {{0, 0, 255, 0}, {255, 255, 255, 0}}, 32},
        {"sixteen colours", 4, {{0, 0, 0, 0}, {0, 0, 255, 0}}, 32},
    };
    for (const Row& row : rows) {
        Picture picture(8, 2, row.bits, row.colors);
        const BYTE bits[8] = {0xF0, 0, 0, 0, 0x0F, 0, 0, 0};
        HBITMAP bitmap = platform::gdi::CreateBitmapFromDib(picture.info(), bits);
        ASSERT_TRUE(bitmap) << row.name;
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        EXPECT_EQ(8, info.bmWidth) << row.name;
        EXPECT_EQ(row.expectedBits, info.bmBitsPixel) << row.name;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ previous = SelectObject(dc, bitmap);
        // The top row is the second in memory.
        COLORREF first = RGB(row.colors[0].rgbRed, row.colors[0].rgbGreen, row.colors[0].rgbBlue);
        EXPECT_EQ(first, GetPixel(dc, 0, 0)) << row.name;
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    EXPECT_EQ(nullptr, platform::gdi::CreateBitmapFromDib(nullptr, nullptr));
}

}  // namespace
