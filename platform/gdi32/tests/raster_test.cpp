// Block transfers on memory contexts, pixel by pixel: the raster operations, the conversions between
// monochrome and colour, stretching, and drawing a picture transparently through a mask.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi32/surface.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

// A memory context holding a bitmap of its own; both freed at the end.
class MemoryPicture {
public:
    MemoryPicture(int width, int height, bool monochrome = false) {
        HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        context_ = CreateCompatibleDC(screen);
        bitmap_ = monochrome ? CreateBitmap(width, height, 1, 1, nullptr) : CreateCompatibleBitmap(screen, width, height);
        previous_ = SelectObject(context_, bitmap_);
        DeleteDC(screen);
    }
    ~MemoryPicture() {
        SelectObject(context_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(context_);
    }
    HDC dc() const { return context_; }
    HBITMAP bitmap() const { return bitmap_; }
    void Paint(const std::vector<COLORREF>& row, int y = 0) {
        for (std::size_t x = 0; x < row.size(); ++x) SetPixel(context_, static_cast<int>(x), y, row[x]);
    }
    std::vector<COLORREF> Row(int width, int y = 0) const {
        std::vector<COLORREF> pixels;
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(context_, x, y));
        return pixels;
    }

private:
    HDC context_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);

TEST(RasterOperations, CombineSourceAndDestinationBitByBit) {
    TestMachine machine;
    const std::vector<COLORREF> source = {kRed, kGreen, kWhite, kBlack};
    const std::vector<COLORREF> destination = {kBlue, kGreen, kGrey, kWhite};
    struct Row {
        const char* name;
        DWORD rop;
        std::vector<COLORREF> expected;
    };
    const Row rows[] = {
        {"SRCCOPY", SRCCOPY, {kRed, kGreen, kWhite, kBlack}},
        {"SRCAND", SRCAND, {kBlack, kGreen, kGrey, kBlack}},
        {"SRCPAINT", SRCPAINT, {RGB(255, 0, 255), kGreen, kWhite, kWhite}},
        {"SRCINVERT", SRCINVERT, {RGB(255, 0, 255), kBlack, RGB(0x7F, 0x7F, 0x7F), kWhite}},
        {"DSTINVERT", DSTINVERT, {RGB(255, 255, 0), RGB(255, 0, 255), RGB(0x7F, 0x7F, 0x7F), kBlack}},
        {"NOTSRCCOPY", NOTSRCCOPY, {RGB(0, 255, 255), RGB(255, 0, 255), kBlack, kWhite}},
        {"SRCERASE", SRCERASE, {kRed, kBlack, RGB(0x7F, 0x7F, 0x7F), kBlack}},
        {"BLACKNESS", BLACKNESS, {kBlack, kBlack, kBlack, kBlack}},
        {"WHITENESS", WHITENESS, {kWhite, kWhite, kWhite, kWhite}},
        // The pattern is the selected brush (blue).
        {"PATCOPY", PATCOPY, {kBlue, kBlue, kBlue, kBlue}},
        {"PATINVERT", PATINVERT, {kBlack, RGB(0, 255, 255), RGB(0x80, 0x80, 0x7F), RGB(255, 255, 0)}},
        {"MERGECOPY", MERGECOPY, {kBlack, kBlack, kBlue, kBlack}},
    };
    for (const Row& row : rows) {
        MemoryPicture from(4, 1), to(4, 1);
        from.Paint(source);
        to.Paint(destination);
        HBRUSH blue = CreateSolidBrush(kBlue);
        HGDIOBJ old = SelectObject(to.dc(), blue);
        EXPECT_TRUE(BitBlt(to.dc(), 0, 0, 4, 1, from.dc(), 0, 0, row.rop)) << row.name;
        EXPECT_EQ(row.expected, to.Row(4)) << row.name;
        SelectObject(to.dc(), old);
        DeleteObject(blue);
    }
}

TEST(RasterOperations, ConvertBetweenMonochromeAndColourByTheContextsColours) {
    TestMachine machine;
    struct Row {
        const char* name;
        bool sourceMonochrome;
        bool destinationMonochrome;
        COLORREF textColor, backgroundColor;  // set on the destination, and the background on the source too
        std::vector<COLORREF> source;
        std::vector<COLORREF> expected;
    };
    const Row rows[] = {
        // 0 bits take the destination's text colour, 1 bits its background colour.
        {"mono to colour", true, false, kRed, kBlue, {kBlack, kWhite, kWhite}, {kRed, kBlue, kBlue}},
        // Pixels of the source's background colour become 1 (white), every other colour 0.
        {"colour to mono", false, true, kBlack, kGreen, {kGreen, kRed, kWhite}, {kWhite, kBlack, kBlack}},
        {"colour to mono, white background", false, true, kBlack, kWhite, {kGreen, kWhite, kBlack}, {kBlack, kWhite, kBlack}},
        {"mono to mono", true, true, kRed, kBlue, {kBlack, kWhite, kBlack}, {kBlack, kWhite, kBlack}},
    };
    for (const Row& row : rows) {
        MemoryPicture from(3, 1, row.sourceMonochrome), to(3, 1, row.destinationMonochrome);
        from.Paint(row.source);
        SetBkColor(from.dc(), row.backgroundColor);
        SetTextColor(to.dc(), row.textColor);
        SetBkColor(to.dc(), row.backgroundColor);
        EXPECT_TRUE(BitBlt(to.dc(), 0, 0, 3, 1, from.dc(), 0, 0, SRCCOPY)) << row.name;
        EXPECT_EQ(row.expected, to.Row(3)) << row.name;
    }
}

TEST(RasterOperations, MonochromeBitmapsKeepOnlyBlackAndWhite) {
    TestMachine machine;
    MemoryPicture mono(3, 1, true);
    struct Row {
        COLORREF painted, read;
    };
    const Row rows[] = {{kWhite, kWhite}, {kBlack, kBlack}, {RGB(200, 200, 200), kWhite}, {RGB(40, 40, 200), kBlack}};
    for (const Row& row : rows) {
        SetPixel(mono.dc(), 0, 0, row.painted);
        EXPECT_EQ(row.read, GetPixel(mono.dc(), 0, 0)) << std::hex << row.painted;
    }
    BITMAP info{};
    ASSERT_EQ(static_cast<int>(sizeof info), GetObjectA(mono.bitmap(), sizeof info, &info));
    EXPECT_EQ(1, info.bmBitsPixel);
    EXPECT_EQ(3, info.bmWidth);
    EXPECT_EQ(2, info.bmWidthBytes);
}

// The mask is white where the picture is transparent, black where it shows.
TEST(RasterOperations, TransparentDrawingThroughAMaskChangesOnlyTheMaskedPixels) {
    TestMachine machine;
    constexpr int kWidth = 4;
    MemoryPicture image(kWidth, 1), mask(kWidth, 1), target(kWidth, 1);
    image.Paint({kRed, kRed, kGreen, kGreen});
    mask.Paint({kBlack, kWhite, kBlack, kWhite});
    const std::vector<COLORREF> background = {kBlue, kGrey, kWhite, RGB(10, 20, 30)};
    target.Paint(background);
    // The picture is made black where it is transparent...
    BitBlt(mask.dc(), 0, 0, kWidth, 1, nullptr, 0, 0, DSTINVERT);
    BitBlt(image.dc(), 0, 0, kWidth, 1, mask.dc(), 0, 0, SRCAND);
    BitBlt(mask.dc(), 0, 0, kWidth, 1, nullptr, 0, 0, DSTINVERT);
    // ...the target black where the picture shows, and the two laid together.
    BitBlt(target.dc(), 0, 0, kWidth, 1, mask.dc(), 0, 0, SRCAND);
    BitBlt(target.dc(), 0, 0, kWidth, 1, image.dc(), 0, 0, SRCPAINT);
    EXPECT_EQ((std::vector<COLORREF>{kRed, kGrey, kGreen, RGB(10, 20, 30)}), target.Row(kWidth));
}

TEST(RasterOperations, StretchingRepeatsOrDropsPixelsAndMirrors) {
    TestMachine machine;
    MemoryPicture from(2, 1), to(4, 1);
    from.Paint({kRed, kBlue});
    struct Row {
        const char* name;
        int x, width, sourceX, sourceWidth;
        std::vector<COLORREF> expected;
    };
    const Row rows[] = {
        {"doubled", 0, 4, 0, 2, {kRed, kRed, kBlue, kBlue}},
        {"mirrored", 4, -4, 0, 2, {kBlue, kBlue, kRed, kRed}},
        {"one pixel", 1, 2, 1, 1, {kWhite, kBlue, kBlue, kWhite}},
    };
    for (const Row& row : rows) {
        PatBlt(to.dc(), 0, 0, 4, 1, WHITENESS);
        EXPECT_TRUE(StretchBlt(to.dc(), row.x, 0, row.width, 1, from.dc(), row.sourceX, 0, row.sourceWidth, 1, SRCCOPY))
            << row.name;
        EXPECT_EQ(row.expected, to.Row(4)) << row.name;
    }
}

TEST(RasterOperations, ShrinkingCombinesTheDroppedPixelsByTheStretchingMode) {
    TestMachine machine;
    MemoryPicture from(4, 1), to(2, 1);
    from.Paint({kBlack, kWhite, kRed, kBlue});
    struct Row {
        const char* name;
        int mode;
        std::vector<COLORREF> expected;
    };
    const Row rows[] = {
        {"black on white", BLACKONWHITE, {kBlack, kBlack}},
        {"white on black", WHITEONBLACK, {kWhite, RGB(255, 0, 255)}},
        {"colour on colour", COLORONCOLOR, {kBlack, kRed}},
        {"halftone", HALFTONE, {RGB(128, 128, 128), RGB(128, 0, 128)}},
    };
    EXPECT_EQ(BLACKONWHITE, GetStretchBltMode(to.dc()));
    for (const Row& row : rows) {
        SetStretchBltMode(to.dc(), row.mode);
        StretchBlt(to.dc(), 0, 0, 2, 1, from.dc(), 0, 0, 4, 1, SRCCOPY);
        EXPECT_EQ(row.expected, to.Row(2)) << row.name;
    }
}

TEST(RasterOperations, ClippingKeepsTransfersInside) {
    TestMachine machine;
    MemoryPicture to(4, 1);
    PatBlt(to.dc(), 0, 0, 4, 1, WHITENESS);
    EXPECT_EQ(SIMPLEREGION, IntersectClipRect(to.dc(), 1, 0, 3, 1));
    PatBlt(to.dc(), 0, 0, 4, 1, BLACKNESS);
    // Outside the clipping rectangle GetPixel has nothing to give.
    EXPECT_EQ((std::vector<COLORREF>{CLR_INVALID, kBlack, kBlack, CLR_INVALID}), to.Row(4));
    RECT box{};
    EXPECT_EQ(SIMPLEREGION, GetClipBox(to.dc(), &box));
    EXPECT_EQ(1, box.left);
    EXPECT_EQ(3, box.right);
    SelectClipRgn(to.dc(), nullptr);
    EXPECT_EQ((std::vector<COLORREF>{kWhite, kBlack, kBlack, kWhite}), to.Row(4));
    PatBlt(to.dc(), 0, 0, 4, 1, BLACKNESS);
    EXPECT_EQ((std::vector<COLORREF>{kBlack, kBlack, kBlack, kBlack}), to.Row(4));
}

TEST(Surfaces, PngFilesKeepEveryPixel) {
    TestMachine machine;
    platform::gdi::Surface surface(3, 2, 0x123456);
    surface.setPixel(0, 0, 0xFF0000);
    surface.setPixel(2, 1, 0x00FF7F);
    std::filesystem::path file = machine.folder() / "round.png";
    ASSERT_TRUE(platform::gdi::WritePng(surface, file));
    std::optional<platform::gdi::Surface> read = platform::gdi::ReadPng(file);
    ASSERT_TRUE(read);
    ASSERT_EQ(3, read->width());
    ASSERT_EQ(2, read->height());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(surface.pixel(x, y), read->pixel(x, y)) << x << "," << y;
    EXPECT_FALSE(platform::gdi::ReadPng(machine.folder() / "absent.png"));
    EXPECT_FALSE(platform::gdi::WritePng(surface, machine.folder() / "no such folder" / "x.png"));
}

TEST(Surfaces, SurfaceContextsDrawAtTheirOriginInsideTheirClip) {
    TestMachine machine;
    auto surface = std::make_shared<platform::gdi::Surface>(10, 10);
    HDC dc = platform::gdi::CreateSurfaceDC(surface, POINT{2, 3}, RECT{2, 3, 6, 6});
    ASSERT_TRUE(dc);
    EXPECT_EQ(surface, platform::gdi::SurfaceOfDC(dc));
    RECT all{-5, -5, 20, 20};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    HGDIOBJ old = SelectObject(dc, GetStockObject(NULL_PEN));
    SelectObject(dc, black);
    Rectangle(dc, all.left, all.top, all.right, all.bottom);
    SelectObject(dc, old);
    EXPECT_EQ(0xFFFFFFu, surface->pixel(1, 3));
    EXPECT_EQ(0x000000u, surface->pixel(2, 3));
    EXPECT_EQ(0x000000u, surface->pixel(5, 5));
    EXPECT_EQ(0xFFFFFFu, surface->pixel(6, 5));
    SetPixel(dc, 0, 0, RGB(255, 0, 0));
    EXPECT_EQ(0xFF0000u, surface->pixel(2, 3));
    EXPECT_EQ(CLR_INVALID, GetPixel(dc, 4, 0));
    DeleteDC(dc);
    EXPECT_EQ(nullptr, platform::gdi::SurfaceOfDC(dc));
}

}  // namespace
