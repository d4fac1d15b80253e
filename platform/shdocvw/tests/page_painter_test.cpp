// A page drawn on a surface: white behind, black text, blue underlined links, larger headings, and
// nothing below the area given.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/gdi32/surface.h"
#include "platform/shdocvw/page_painter.h"
#include "platform/testing/test_machine.h"

namespace {

using platform::gdi::Surface;

struct Colours {
    int black = 0;
    int blue = 0;
    int white = 0;
    int top = -1;     // the first row with a pixel that is not white
    int bottom = -1;  // the last one
};

Colours Count(const Surface& surface, int left, int top, int right, int bottom) {
    Colours colours;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            std::uint32_t pixel = surface.pixel(x, y);
            if (pixel == 0xFFFFFF) {
                ++colours.white;
                continue;
            }
            if (colours.top < 0) colours.top = y;
            colours.bottom = y;
            int red = static_cast<int>(pixel >> 16), green = static_cast<int>((pixel >> 8) & 0xFF),
                blue = static_cast<int>(pixel & 0xFF);
            if (blue > 128 && red < 128 && green < 128) ++colours.blue;
            if (red < 96 && green < 96 && blue < 96) ++colours.black;
        }
    }
    return colours;
}

std::shared_ptr<Surface> Painted(const char* html, int width, int height) {
    auto surface = std::make_shared<Surface>(width, height, 0x808080);
    HDC dc = platform::gdi::CreateSurfaceDC(surface, POINT{0, 0}, RECT{0, 0, width, height});
    EXPECT_NE(dc, nullptr);
    platform::browser::PaintPage(dc, platform::browser::ReadHtml(html), RECT{0, 0, width, height});
    DeleteDC(dc);
    return surface;
}

TEST(PagePainter, TextLinksAndHeadings) {
    platform::TestMachine machine;
    struct Row {
        const char* html;
        bool black;
        bool blue;
    } rows[] = {
        {"<p>Testo nero</p>", true, false},
        {"<p><a href=\"app:x\">Registra ora</a></p>", false, true},
        {"<p>Premere <a href=\"x.htm\">qui</a></p>", true, true},
        {"", false, false},
    };
    for (const Row& row : rows) {
        std::shared_ptr<Surface> surface = Painted(row.html, 200, 60);
        Colours colours = Count(*surface, 0, 0, 200, 60);
        EXPECT_EQ(colours.black > 10, row.black) << row.html;
        EXPECT_EQ(colours.blue > 10, row.blue) << row.html;
        // The grey the surface had is painted over: only the text is not white.
        EXPECT_GT(colours.white, 200 * 60 - 1200) << row.html;
    }
    // A link's underline: a row of blue pixels under the letters.
    std::shared_ptr<Surface> link = Painted("<a href=\"x\">mmmmmmmm</a>", 200, 40);
    Colours text = Count(*link, 0, 0, 200, 40);
    int longest = 0;
    for (int y = text.top; y <= text.bottom; ++y) longest = std::max(longest, Count(*link, 0, y, 200, y + 1).blue);
    EXPECT_GT(longest, 40);
    // A heading stands taller than a paragraph's text.
    Colours heading = Count(*Painted("<h1>Hh</h1>", 200, 60), 0, 0, 200, 60);
    Colours paragraph = Count(*Painted("<p>Hh</p>", 200, 60), 0, 0, 200, 60);
    EXPECT_GT(heading.bottom - heading.top, paragraph.bottom - paragraph.top + 5);
}

}  // namespace
