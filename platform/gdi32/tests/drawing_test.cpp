// Lines, rectangles and pixels on memory contexts; DIB sections of every depth read through their own
// memory; objects described by GetObjectA; saved states, map modes and the display's capabilities.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi32/user_drawing.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A memory context over a white colour bitmap of the display's depth.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        context_ = CreateCompatibleDC(nullptr);
        HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        DeleteDC(screen);
        previous_ = SelectObject(context_, bitmap_);
        PatBlt(context_, 0, 0, width, height, WHITENESS);
    }
    ~Canvas() {
        SelectObject(context_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(context_);
    }
    HDC dc() const { return context_; }
    // The picture as text: '.' white, '#' black, 'r' red, 'b' blue, '?' anything else.
    std::vector<std::string> Picture() const {
        std::vector<std::string> rows;
        for (int y = 0; y < height_; ++y) {
            std::string row;
            for (int x = 0; x < width_; ++x) {
                COLORREF pixel = GetPixel(context_, x, y);
                row.push_back(pixel == kWhite ? '.' : pixel == kBlack ? '#' : pixel == kRed ? 'r' : pixel == kBlue ? 'b' : '?');
            }
            rows.push_back(row);
        }
        return rows;
    }

private:
    int width_, height_;
    HDC context_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

TEST(Drawing, LinesLeaveOutTheirLastPixel) {
    TestMachine machine;
    struct Row {
        const char* name;
        POINT from, to;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"across", {0, 1}, {4, 1}, {".....", "####.", ".....", ".....", "....."}},
        {"down", {2, 0}, {2, 3}, {"..#..", "..#..", "..#..", ".....", "....."}},
        {"diagonal", {0, 0}, {4, 4}, {"#....", ".#...", "..#..", "...#.", "....."}},
        {"backwards", {4, 3}, {0, 3}, {".....", ".....", ".....", ".####", "....."}},
        {"shallow", {0, 0}, {4, 2}, {"##...", "..##.", ".....", ".....", "....."}},
        {"a point", {1, 1}, {1, 1}, {".....", ".....", ".....", ".....", "....."}},
    };
    for (const Row& row : rows) {
        Canvas canvas(5, 5);
        POINT previous{-1, -1};
        MoveToEx(canvas.dc(), row.from.x, row.from.y, &previous);
        EXPECT_TRUE(LineTo(canvas.dc(), row.to.x, row.to.y)) << row.name;
        EXPECT_EQ(row.expected, canvas.Picture()) << row.name;
        POINT position{};
        GetCurrentPositionEx(canvas.dc(), &position);
        EXPECT_EQ(row.to.x, position.x) << row.name;
        EXPECT_EQ(row.to.y, position.y) << row.name;
    }
}

TEST(Drawing, RectanglesOutlineWithThePenAndFillWithTheBrush) {
    TestMachine machine;
    struct Row {
        const char* name;
        int pen;     // stock pen
        int brush;   // stock brush, or -1 for a red brush
        RECT rect;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"outline and fill", BLACK_PEN, -1, {0, 0, 5, 3}, {"#####.", "#rrr#.", "#####.", "......"}},
        {"hollow", BLACK_PEN, NULL_BRUSH, {1, 0, 5, 3}, {".####.", ".#..#.", ".####.", "......"}},
        {"no pen: one smaller", NULL_PEN, -1, {0, 0, 5, 4}, {"rrrr..", "rrrr..", "rrrr..", "......"}},
        // Corners given backwards are put in order first.
        {"inverted corners", BLACK_PEN, -1, {5, 4, 0, 0}, {"#####.", "#rrr#.", "#rrr#.", "#####."}},
    };
    for (const Row& row : rows) {
        Canvas canvas(6, 4);
        HBRUSH red = CreateSolidBrush(kRed);
        SelectObject(canvas.dc(), GetStockObject(row.pen));
        SelectObject(canvas.dc(), row.brush < 0 ? static_cast<HGDIOBJ>(red) : GetStockObject(row.brush));
        EXPECT_TRUE(Rectangle(canvas.dc(), row.rect.left, row.rect.top, row.rect.right, row.rect.bottom)) << row.name;
        SelectObject(canvas.dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(red);
        EXPECT_EQ(row.expected, canvas.Picture()) << row.name;
    }
}

// The focus rectangle inverts every other pixel of its border, so that drawing it again takes it away.
TEST(Drawing, FocusRectangleIsDottedAndUndoneByDrawingItAgain) {
    TestMachine machine;
    Canvas canvas(7, 5);
    RECT rect{1, 0, 7, 4};
    struct Row {
        int times;
        std::vector<std::string> picture;
    } rows[] = {
        {1, {".#.#.#.", "......#", ".#.....", "..#.#.#", "......."}},
        {2, {".......", ".......", ".......", ".......", "......."}},
    };
    int drawn = 0;
    for (const Row& row : rows) {
        while (drawn < row.times) {
            EXPECT_TRUE(platform::gdi::DrawFocusRect(canvas.dc(), &rect));
            ++drawn;
        }
        EXPECT_EQ(canvas.Picture(), row.picture) << row.times;
    }
}

TEST(Drawing, PensOfOtherColoursAndWidths) {
    TestMachine machine;
    Canvas canvas(5, 5);
    HPEN blue = CreatePen(PS_SOLID, 1, kBlue);
    HGDIOBJ old = SelectObject(canvas.dc(), blue);
    POINT points[] = {{0, 0}, {3, 0}, {3, 3}};
    EXPECT_TRUE(Polyline(canvas.dc(), points, 3));
    EXPECT_EQ((std::vector<std::string>{"bbbb.", "...b.", "...b.", ".....", "....."}), canvas.Picture());
    HPEN wide = CreatePen(PS_SOLID, 3, kBlack);
    SelectObject(canvas.dc(), wide);
    MoveToEx(canvas.dc(), 0, 4, nullptr);
    LineTo(canvas.dc(), 4, 4);
    // A wide pen is as wide across the line as its width.
    EXPECT_EQ((std::vector<std::string>{"bbbb.", "...b.", "...b.", "#####", "#####"}), canvas.Picture());
    SelectObject(canvas.dc(), old);
    DeleteObject(blue);
    DeleteObject(wide);
}

TEST(Drawing, SolidBrushesFillWithTheBinaryRasterOperation) {
    TestMachine machine;
    Canvas canvas(4, 1);
    SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    SelectObject(canvas.dc(), GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(R2_COPYPEN, SetROP2(canvas.dc(), R2_NOT));
    Rectangle(canvas.dc(), 0, 0, 3, 2);
    EXPECT_EQ((std::vector<std::string>{"##.."}), canvas.Picture());
    Rectangle(canvas.dc(), 1, 0, 4, 2);
    EXPECT_EQ((std::vector<std::string>{"#.#."}), canvas.Picture());
}

// Pictures of 2 x 2 pixels in each depth, written through the section's memory, read back by GetPixel.
TEST(DibSections, ReadTheirPixelsFromTheirOwnMemory) {
    TestMachine machine;
    struct Row {
        WORD bits;
        std::vector<RGBQUAD> colors;
        // Memory rows, bottom-up: the bottom row first.
        std::vector<std::vector<BYTE>> rows;
        COLORREF topLeft, topRight, bottomLeft, bottomRight;
    };
    const RGBQUAD black{0, 0, 0, 0}, white{255, 255, 255, 0}, red{0, 0, 255, 0}, blue{255, 0, 0, 0};
    const Row rows[] = {
        {1, {black, white}, {{0x40, 0, 0, 0}, {0x80, 0, 0, 0}}, kWhite, kBlack, kBlack, kWhite},
        {4, {black, white, red, blue}, {{0x30, 0, 0, 0}, {0x21, 0, 0, 0}}, kRed, kWhite, kBlue, kBlack},
        {8, {black, white, red, blue}, {{3, 0, 0, 0}, {2, 1, 0, 0}}, kRed, kWhite, kBlue, kBlack},
        {24, {}, {{0, 0, 0, 255, 255, 255, 0, 0}, {0, 0, 255, 255, 0, 0, 0, 0}}, kRed, kBlue, kBlack, kWhite},
    };
    for (const Row& row : rows) {
        std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* header = reinterpret_cast<BITMAPINFO*>(info.data());
        header->bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, 2, 1, row.bits, BI_RGB, 0, 0, 0,
                                             static_cast<DWORD>(row.colors.size()), 0};
        if (!row.colors.empty()) std::memcpy(header->bmiColors, row.colors.data(), row.colors.size() * sizeof(RGBQUAD));
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(nullptr, header, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_TRUE(section) << row.bits;
        ASSERT_TRUE(bits);
        for (std::size_t line = 0; line < 2; ++line)
            std::memcpy(static_cast<BYTE*>(bits) + line * 4 * ((row.bits * 2 + 31) / 32), row.rows[line].data(),
                        static_cast<std::size_t>(4 * ((row.bits * 2 + 31) / 32)));
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, section);
        EXPECT_EQ(row.topLeft, GetPixel(dc, 0, 0)) << row.bits;
        EXPECT_EQ(row.topRight, GetPixel(dc, 1, 0)) << row.bits;
        EXPECT_EQ(row.bottomLeft, GetPixel(dc, 0, 1)) << row.bits;
        EXPECT_EQ(row.bottomRight, GetPixel(dc, 1, 1)) << row.bits;
        // Drawing lands in the memory too: the top-left pixel set to the bottom-right's colour.
        SetPixel(dc, 0, 0, row.bottomRight);
        DIBSECTION described{};
        ASSERT_EQ(static_cast<int>(sizeof described), GetObjectA(section, sizeof described, &described));
        EXPECT_EQ(row.bits, described.dsBm.bmBitsPixel);
        EXPECT_EQ(bits, described.dsBm.bmBits);
        EXPECT_EQ(2, described.dsBmih.biHeight);
        SelectObject(dc, old);
        HDC again = CreateCompatibleDC(nullptr);
        old = SelectObject(again, section);
        EXPECT_EQ(row.bottomRight, GetPixel(again, 0, 0)) << row.bits;
        SelectObject(again, old);
        DeleteDC(again);
        DeleteDC(dc);
        DeleteObject(section);
    }
}

// The section's memory is what counts: what the program writes there between calls is never lost to
// what GDI drew before.
TEST(DibSections, KeepWhatTheProgramWritesIntoTheirMemory) {
    TestMachine machine;
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(section);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    SetPixel(dc, 0, 0, kRed);
    auto* pixels = static_cast<DWORD*>(bits);
    EXPECT_EQ(0x00FF0000u, pixels[0]);
    pixels[1] = 0x000000FF;
    DIBSECTION described{};
    GetObjectA(section, sizeof described, &described);
    EXPECT_EQ(kBlue, GetPixel(dc, 1, 0));
    pixels[0] = 0x00FFFFFF;
    SetPixel(dc, 1, 0, kRed);
    EXPECT_EQ(kWhite, GetPixel(dc, 0, 0));
    EXPECT_EQ(0x00FFFFFFu, pixels[0]);
    EXPECT_EQ(0x00FF0000u, pixels[1]);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(section);
}

TEST(DibSections, GetDIBitsGivesTheRowsInTheFormatAsked) {
    TestMachine machine;
    Canvas canvas(2, 2);
    SetPixel(canvas.dc(), 0, 0, kRed);
    SetPixel(canvas.dc(), 1, 1, kBlue);
    HBITMAP bitmap = static_cast<HBITMAP>(GetCurrentObject(canvas.dc(), OBJ_BITMAP));
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 2, -2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BYTE rows[16] = {};
    EXPECT_EQ(2, GetDIBits(canvas.dc(), bitmap, 0, 2, rows, &info, DIB_RGB_COLORS));
    // Top-down: the top row first, blue green red.
    EXPECT_EQ((std::vector<BYTE>{0, 0, 255, 255, 255, 255}), std::vector<BYTE>(rows, rows + 6));
    EXPECT_EQ((std::vector<BYTE>{255, 255, 255, 255, 0, 0}), std::vector<BYTE>(rows + 8, rows + 14));
}

TEST(Objects, DescribeThemselvesAndSelectedOnesAreCurrent) {
    TestMachine machine;
    HPEN pen = CreatePen(PS_DASH, 2, kRed);
    LOGPEN logPen{};
    EXPECT_EQ(static_cast<int>(sizeof logPen), GetObjectA(pen, sizeof logPen, &logPen));
    EXPECT_EQ(static_cast<UINT>(PS_DASH), logPen.lopnStyle);
    EXPECT_EQ(2, logPen.lopnWidth.x);
    EXPECT_EQ(kRed, logPen.lopnColor);
    HBRUSH brush = CreateSolidBrush(kBlue);
    LOGBRUSH logBrush{};
    EXPECT_EQ(static_cast<int>(sizeof logBrush), GetObjectA(brush, sizeof logBrush, &logBrush));
    EXPECT_EQ(static_cast<UINT>(BS_SOLID), logBrush.lbStyle);
    EXPECT_EQ(kBlue, logBrush.lbColor);
    LOGFONTA logFont{};
    EXPECT_EQ(static_cast<int>(sizeof logFont), GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof logFont, &logFont));
    EXPECT_STREQ("MS Shell Dlg", logFont.lfFaceName);
    EXPECT_EQ(static_cast<DWORD>(OBJ_PEN), GetObjectType(pen));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(brush));

    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), GetObjectType(dc));
    // A new memory context holds a 1x1 monochrome bitmap.
    BITMAP initial{};
    GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof initial, &initial);
    EXPECT_EQ(1, initial.bmWidth);
    EXPECT_EQ(1, initial.bmHeight);
    EXPECT_EQ(1, initial.bmBitsPixel);
    EXPECT_EQ(GetStockObject(BLACK_PEN), SelectObject(dc, pen));
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), SelectObject(dc, brush));
    EXPECT_EQ(static_cast<HGDIOBJ>(pen), GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(static_cast<HGDIOBJ>(brush), GetCurrentObject(dc, OBJ_BRUSH));
    // A bitmap is in one context at a time.
    HBITMAP bitmap = CreateBitmap(4, 4, 1, 1, nullptr);
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_TRUE(SelectObject(dc, bitmap));
    EXPECT_EQ(nullptr, SelectObject(other, bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    DeleteDC(dc);
    EXPECT_TRUE(SelectObject(other, bitmap));
    DeleteDC(other);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(pen));
    // Stock objects outlive DeleteObject.
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(nullptr, CreateCompatibleDC(reinterpret_cast<HDC>(0x1234)));
}

TEST(DeviceContexts, SaveAndRestoreTheirStates) {
    TestMachine machine;
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, kRed);
    EXPECT_EQ(1, SaveDC(dc));
    SetTextColor(dc, kBlue);
    SetBkMode(dc, TRANSPARENT);
    EXPECT_EQ(2, SaveDC(dc));
    SetTextColor(dc, kBlack);
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(kBlue, GetTextColor(dc));
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(kRed, GetTextColor(dc));
    EXPECT_EQ(OPAQUE, GetBkMode(dc));
    EXPECT_FALSE(RestoreDC(dc, 1));
    DeleteDC(dc);
}

TEST(DeviceContexts, MapModesScaleLogicalPoints) {
    TestMachine machine;
    struct Row {
        const char* name;
        int mode;
        POINT windowOrigin, viewportOrigin;
        SIZE windowExtent, viewportExtent;
        POINT logical, device;
    };
    const Row rows[] = {
        {"text", MM_TEXT, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {10, 20}, {10, 20}},
        {"text with origins", MM_TEXT, {5, 5}, {100, 0}, {0, 0}, {0, 0}, {10, 20}, {105, 15}},
        // A tenth of a millimetre at 96 dots an inch, y growing upwards.
        {"low metric", MM_LOMETRIC, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {254, 254}, {96, -96}},
        {"high English", MM_HIENGLISH, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {1000, -500}, {96, 48}},
        {"twips", MM_TWIPS, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {1440, 0}, {96, 0}},
        {"anisotropic", MM_ANISOTROPIC, {0, 0}, {10, 10}, {100, 100}, {200, 50}, {50, 50}, {110, 35}},
        // Isotropic: the smaller scale (50/100) holds both ways.
        {"isotropic", MM_ISOTROPIC, {0, 0}, {0, 0}, {100, 100}, {200, 50}, {50, 50}, {25, 25}},
    };
    for (const Row& row : rows) {
        HDC dc = CreateCompatibleDC(nullptr);
        SetMapMode(dc, row.mode);
        EXPECT_EQ(row.mode, GetMapMode(dc)) << row.name;
        if (row.windowExtent.cx) SetWindowExtEx(dc, row.windowExtent.cx, row.windowExtent.cy, nullptr);
        if (row.viewportExtent.cx) SetViewportExtEx(dc, row.viewportExtent.cx, row.viewportExtent.cy, nullptr);
        SetWindowOrgEx(dc, row.windowOrigin.x, row.windowOrigin.y, nullptr);
        SetViewportOrgEx(dc, row.viewportOrigin.x, row.viewportOrigin.y, nullptr);
        POINT point = row.logical;
        EXPECT_TRUE(LPtoDP(dc, &point, 1)) << row.name;
        EXPECT_EQ(row.device.x, point.x) << row.name;
        EXPECT_EQ(row.device.y, point.y) << row.name;
        EXPECT_TRUE(DPtoLP(dc, &point, 1)) << row.name;
        EXPECT_EQ(row.logical.x, point.x) << row.name;
        EXPECT_EQ(row.logical.y, point.y) << row.name;
        DeleteDC(dc);
    }
}

TEST(DeviceContexts, TheDisplaysCapabilitiesComeFromTheMachinesDisplayMode) {
    struct Row {
        const char* name;
        int width, height, bits, refresh;
        int rasterPalette, sizePalette, numColors;
    };
    const Row rows[] = {
        {"true colour", 1024, 768, 32, 60, 0, 0, -1},
        {"256 colours", 800, 600, 8, 75, RC_PALETTE, 256, 20},
        {"high colour", 640, 480, 16, 72, 0, 0, -1},
    };
    for (const Row& row : rows) {
        platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::Windows98);
        settings.display = platform::DisplayMode{row.width, row.height, row.bits, row.refresh};
        TestMachine machine(settings);
        HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        ASSERT_TRUE(dc) << row.name;
        EXPECT_EQ(row.width, GetDeviceCaps(dc, HORZRES)) << row.name;
        EXPECT_EQ(row.height, GetDeviceCaps(dc, VERTRES)) << row.name;
        EXPECT_EQ(row.bits, GetDeviceCaps(dc, BITSPIXEL)) << row.name;
        EXPECT_EQ(1, GetDeviceCaps(dc, PLANES)) << row.name;
        EXPECT_EQ(row.refresh, GetDeviceCaps(dc, VREFRESH)) << row.name;
        EXPECT_EQ(96, GetDeviceCaps(dc, LOGPIXELSY)) << row.name;
        EXPECT_EQ(DT_RASDISPLAY, GetDeviceCaps(dc, TECHNOLOGY)) << row.name;
        EXPECT_EQ(row.rasterPalette, GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) << row.name;
        EXPECT_EQ(row.sizePalette, GetDeviceCaps(dc, SIZEPALETTE)) << row.name;
        EXPECT_EQ(row.numColors, GetDeviceCaps(dc, NUMCOLORS)) << row.name;
        // A memory context reports the display it is compatible with.
        HDC memory = CreateCompatibleDC(dc);
        EXPECT_EQ(row.bits, GetDeviceCaps(memory, BITSPIXEL)) << row.name;
        DeleteDC(memory);
        DeleteDC(dc);
    }
}

TEST(Palettes, ARealisedPaletteFillsTheSystemPaletteOfA256ColourDisplay) {
    platform::MachineSettings settings = platform::MachineSettings::Defaults(platform::OsKind::Windows98);
    settings.display.bitsPerPixel = 8;
    TestMachine machine(settings);
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    std::vector<BYTE> storage(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
    log->palVersion = 0x300;
    log->palNumEntries = 2;
    log->palPalEntry[0] = PALETTEENTRY{10, 20, 30, 0};
    log->palPalEntry[1] = PALETTEENTRY{40, 50, 60, PC_NOCOLLAPSE};
    HPALETTE palette = CreatePalette(log);
    ASSERT_TRUE(palette);
    PALETTEENTRY read[2]{};
    EXPECT_EQ(2u, GetPaletteEntries(palette, 0, 2, read));
    EXPECT_EQ(40, read[1].peRed);
    HPALETTE old = SelectPalette(dc, palette, FALSE);
    EXPECT_TRUE(old);
    EXPECT_EQ(2u, RealizePalette(dc));
    PALETTEENTRY system[256]{};
    EXPECT_EQ(256u, GetSystemPaletteEntries(dc, 0, 256, system));
    EXPECT_EQ(0, system[0].peRed);      // the first static colour: black
    EXPECT_EQ(255, system[255].peRed);  // the last: white
    EXPECT_EQ(10, system[10].peRed);
    EXPECT_EQ(50, system[11].peGreen);
    EXPECT_EQ(1u, GetNearestPaletteIndex(palette, RGB(41, 49, 60)));
    SelectPalette(dc, old, FALSE);
    DeleteObject(palette);
    DeleteDC(dc);
}

}  // namespace
