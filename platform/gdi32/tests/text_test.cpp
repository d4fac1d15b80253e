// Text in real fonts: the dialog font's size, faces mapped to font files, text drawn where its
// alignment puts it, and the window manager's text layout.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi32/fonts.h"
#include "platform/gdi32/user_drawing.h"
#include "platform/testing/test_machine.h"
#include "windows.h"

namespace {

using platform::TestMachine;

// A white memory picture with a font selected; both freed at the end.
class TextPicture {
public:
    TextPicture(int width, int height, LONG fontHeight, LONG weight = FW_NORMAL, const char* face = "MS Shell Dlg")
        : width_(width), height_(height) {
        context_ = CreateCompatibleDC(nullptr);
        HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
        bitmap_ = CreateCompatibleBitmap(screen, width, height);
        DeleteDC(screen);
        previousBitmap_ = SelectObject(context_, bitmap_);
        PatBlt(context_, 0, 0, width, height, WHITENESS);
        font_ = CreateFontA(fontHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
        previousFont_ = SelectObject(context_, font_);
    }
    ~TextPicture() {
        SelectObject(context_, previousFont_);
        SelectObject(context_, previousBitmap_);
        DeleteObject(font_);
        DeleteObject(bitmap_);
        DeleteDC(context_);
    }
    HDC dc() const { return context_; }
    // The smallest rectangle holding every pixel that is not white; empty when there is none.
    RECT Inked() const {
        RECT box{width_, height_, 0, 0};
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                if (GetPixel(context_, x, y) == RGB(255, 255, 255)) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }

private:
    int width_, height_;
    HDC context_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr, previousFont_ = nullptr;
};

TEST(Fonts, TheDialogFontHasTheSizeOfEightPointsAt96DotsAnInch) {
    TestMachine machine;
    TextPicture picture(100, 20, -11);
    TEXTMETRICA metrics{};
    ASSERT_TRUE(GetTextMetricsA(picture.dc(), &metrics));
    EXPECT_GE(metrics.tmHeight, 12);
    EXPECT_LE(metrics.tmHeight, 14);
    EXPECT_EQ(metrics.tmHeight, metrics.tmAscent + metrics.tmDescent);
    EXPECT_GE(metrics.tmAveCharWidth, 4);
    EXPECT_LE(metrics.tmAveCharWidth, 6);
    EXPECT_EQ(FW_NORMAL, metrics.tmWeight);
    SIZE size{};
    ASSERT_TRUE(GetTextExtentPoint32A(picture.dc(), "Annulla", 7, &size));
    EXPECT_EQ(metrics.tmHeight, size.cy);
    EXPECT_GE(size.cx, 28);
    EXPECT_LE(size.cx, 45);
    char face[LF_FACESIZE] = {};
    EXPECT_EQ(13, GetTextFaceA(picture.dc(), sizeof face, face));
    EXPECT_STREQ("MS Shell Dlg", face);
}

TEST(Fonts, SizesAndWeightsFollowTheLogicalFont) {
    TestMachine machine;
    struct Row {
        const char* name;
        LONG height, weight;
        const char* face;
        int minimumHeight, maximumHeight;
    };
    const Row rows[] = {
        // A positive height is the cell's, a negative one the characters'.
        {"cell of 20", 20, FW_NORMAL, "Arial", 20, 20},
        {"characters of 20", -20, FW_NORMAL, "Arial", 22, 24},
        {"bold", -11, FW_BOLD, "Tahoma", 12, 14},
        {"serif", -16, FW_NORMAL, "Times New Roman", 17, 20},
        {"fixed", -13, FW_NORMAL, "Courier New", 14, 16},
        {"unknown face", -11, FW_NORMAL, "No Such Face", 12, 14},
    };
    for (const Row& row : rows) {
        TextPicture picture(10, 10, row.height, row.weight, row.face);
        TEXTMETRICA metrics{};
        ASSERT_TRUE(GetTextMetricsA(picture.dc(), &metrics)) << row.name;
        EXPECT_GE(metrics.tmHeight, row.minimumHeight) << row.name;
        EXPECT_LE(metrics.tmHeight, row.maximumHeight) << row.name;
        EXPECT_EQ(row.weight, metrics.tmWeight) << row.name;
    }
    // A width narrows or widens the characters to that average width.
    for (LONG width : {3, 5, 9}) {
        TextPicture picture(10, 10, 0);
        HFONT font = CreateFontA(-11, width, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
        HGDIOBJ previous = SelectObject(picture.dc(), font);
        TEXTMETRICA metrics{};
        GetTextMetricsA(picture.dc(), &metrics);
        EXPECT_EQ(width, metrics.tmAveCharWidth) << width;
        SIZE size{};
        GetTextExtentPoint32A(picture.dc(), "abcdefghijklmnopqrstuvwxyz", 26, &size);
        EXPECT_NEAR(26 * width, size.cx, 26 * width / 4) << width;
        SelectObject(picture.dc(), previous);
        DeleteObject(font);
    }
    TextPicture normal(10, 10, -11), bold(10, 10, -11, FW_BOLD);
    SIZE normalSize{}, boldSize{};
    GetTextExtentPoint32A(normal.dc(), "Disinstalla", 11, &normalSize);
    GetTextExtentPoint32A(bold.dc(), "Disinstalla", 11, &boldSize);
    EXPECT_GT(boldSize.cx, normalSize.cx);
}

TEST(Fonts, FacesMapToTheLiberationFiles) {
    struct Row {
        const char* face;
        bool bold, italic;
        const char* file;
    };
    const Row rows[] = {
        {"MS Sans Serif", false, false, "LiberationSans-Regular.ttf"},
        {"MS Shell Dlg", true, false, "LiberationSans-Bold.ttf"},
        {"Tahoma", false, true, "LiberationSans-Italic.ttf"},
        {"Arial", true, true, "LiberationSans-BoldItalic.ttf"},
        {"times new roman", false, false, "LiberationSerif-Regular.ttf"},
        {"Courier New", false, false, "LiberationMono-Regular.ttf"},
        {"Wingdings", false, false, "LiberationSans-Regular.ttf"},
    };
    for (const Row& row : rows) {
        std::string file = platform::gdi::FontFileFor(row.face, row.bold, row.italic);
        EXPECT_EQ(row.file, file.substr(file.rfind('/') + 1)) << row.face;
    }
}

TEST(Text, IsDrawnWhereItsAlignmentPutsIt) {
    TestMachine machine;
    struct Row {
        const char* name;
        UINT align;
        int x, y;
        bool inkLeftOfX, inkAboveY;
    };
    const Row rows[] = {
        {"left top", TA_LEFT | TA_TOP, 10, 10, false, false},
        {"right bottom", TA_RIGHT | TA_BOTTOM, 90, 30, true, true},
        {"centre baseline", TA_CENTER | TA_BASELINE, 50, 25, true, true},
    };
    for (const Row& row : rows) {
        TextPicture picture(100, 40, -11);
        SetTextAlign(picture.dc(), row.align);
        SetBkMode(picture.dc(), TRANSPARENT);
        ASSERT_TRUE(TextOutA(picture.dc(), row.x, row.y, "Hg", 2)) << row.name;
        RECT ink = picture.Inked();
        ASSERT_LT(ink.left, ink.right) << row.name;
        EXPECT_EQ(row.inkLeftOfX, ink.left < row.x) << row.name;
        EXPECT_EQ(row.inkAboveY, ink.top < row.y) << row.name;
        if (row.align == (TA_RIGHT | TA_BOTTOM)) {
            EXPECT_LE(ink.right, row.x) << row.name;
            EXPECT_LE(ink.bottom, row.y) << row.name;
        }
    }
}

TEST(Text, NonAntialiasedFontsDrawOnlyInTheTextColour) {
    TestMachine machine;
    struct Row {
        const char* name;
        BYTE quality;
        bool onlyBlackAndWhite;
    };
    const Row rows[] = {{"anti-aliased", ANTIALIASED_QUALITY, false}, {"non-anti-aliased", NONANTIALIASED_QUALITY, true}};
    for (const Row& row : rows) {
        TextPicture picture(80, 20, -11);
        LOGFONTA log{};
        log.lfHeight = -11;
        log.lfQuality = row.quality;
        std::strcpy(log.lfFaceName, "Tahoma");
        HFONT font = CreateFontIndirectA(&log);
        HGDIOBJ previous = SelectObject(picture.dc(), font);
        SetBkMode(picture.dc(), TRANSPARENT);
        TextOutA(picture.dc(), 2, 2, "Sfoglia", 7);
        bool onlyBlackAndWhite = true;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 80; ++x) {
                COLORREF pixel = GetPixel(picture.dc(), x, y);
                if (pixel != RGB(0, 0, 0) && pixel != RGB(255, 255, 255)) onlyBlackAndWhite = false;
            }
        EXPECT_EQ(row.onlyBlackAndWhite, onlyBlackAndWhite) << row.name;
        SelectObject(picture.dc(), previous);
        DeleteObject(font);
    }
}

TEST(Text, AnOpaqueBackgroundFillsTheCellAndClippingKeepsTextInside) {
    TestMachine machine;
    TextPicture picture(100, 30, -11);
    SetBkColor(picture.dc(), RGB(0, 0, 255));
    SIZE size{};
    GetTextExtentPoint32A(picture.dc(), "Ok", 2, &size);
    TextOutA(picture.dc(), 5, 5, "Ok", 2);
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(picture.dc(), 5, 5));
    EXPECT_EQ(RGB(0, 0, 255), GetPixel(picture.dc(), 5 + size.cx - 1, 5 + size.cy - 1));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(picture.dc(), 5 + size.cx, 5));

    TextPicture clipped(100, 30, -11);
    RECT box{0, 0, 6, 30};
    SetBkMode(clipped.dc(), TRANSPARENT);
    ExtTextOutA(clipped.dc(), 2, 2, ETO_CLIPPED, &box, "MMMM", 4, nullptr);
    RECT ink = clipped.Inked();
    EXPECT_LE(ink.right, 6);
    RECT filled{50, 0, 60, 10};
    SetBkColor(clipped.dc(), RGB(255, 0, 0));
    ExtTextOutA(clipped.dc(), 0, 0, ETO_OPAQUE, &filled, nullptr, 0, nullptr);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(clipped.dc(), 55, 5));
}

TEST(TextLayout, MeasuresBreaksAndPlacesLines) {
    TestMachine machine;
    TextPicture picture(200, 100, -11);
    TEXTMETRICA metrics{};
    GetTextMetricsA(picture.dc(), &metrics);
    SIZE one{}, whole{};
    GetTextExtentPoint32A(picture.dc(), "Programma", 9, &one);
    GetTextExtentPoint32A(picture.dc(), "Programma di prova", 18, &whole);
    struct Row {
        const char* name;
        const char* text;
        UINT format;
        LONG width;
        LONG expectedWidth, expectedHeight;
    };
    const Row rows[] = {
        {"single line", "Programma di prova", DT_SINGLELINE, 500, whole.cx, metrics.tmHeight},
        {"word breaks", "Programma di prova", DT_WORDBREAK, one.cx + 2, -1, 2 * metrics.tmHeight},
        {"line feeds", "Programma\ndi\r\nprova", 0, 500, one.cx, 3 * metrics.tmHeight},
        // "&&" is an ampersand; a single & marks the next character and takes no room.
        {"prefix", "&Programma", DT_SINGLELINE, 500, one.cx, metrics.tmHeight},
        {"no prefix", "&Programma", DT_SINGLELINE | DT_NOPREFIX, 500, -2, metrics.tmHeight},
    };
    for (const Row& row : rows) {
        RECT rect{10, 10, 10 + row.width, 20};
        int height = platform::gdi::DrawText(picture.dc(), row.text, -1, &rect, row.format | DT_CALCRECT);
        EXPECT_EQ(row.expectedHeight, height) << row.name;
        EXPECT_EQ(10 + row.expectedHeight, rect.bottom) << row.name;
        if (row.expectedWidth >= 0) {
            EXPECT_EQ(row.expectedWidth, rect.right - rect.left) << row.name;
        } else if (row.expectedWidth == -1) {
            EXPECT_LE(rect.right - rect.left, row.width) << row.name;
        } else {
            EXPECT_GT(rect.right - rect.left, one.cx) << row.name;
        }
    }
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(picture.dc(), 15, 15));  // measuring draws nothing
}

// Word breaking takes away only the blank it breaks a line at; tabs move on to stops every eight average
// character widths from the line's start, or as many as DT_TABSTOP asks.
TEST(TextLayout, KeepsBlanksAfterLineBreaksAndExpandsTabsToStops) {
    TestMachine machine;
    TextPicture picture(400, 100, -11);
    TEXTMETRICA metrics{};
    GetTextMetricsA(picture.dc(), &metrics);
    int average = metrics.tmAveCharWidth;
    auto extent = [&](const char* text) {
        SIZE size{};
        GetTextExtentPoint32A(picture.dc(), text, static_cast<int>(std::strlen(text)), &size);
        return static_cast<int>(size.cx);
    };
    int one = extent("Programma");
    auto nextStop = [](int x, int stop) { return (x / stop + 1) * stop; };
    struct Row {
        const char* name;
        const char* text;
        UINT format;
        int width;
        int expectedWidth;
        int lines;
    };
    const Row rows[] = {
        {"blanks opening the text", "  Programma", DT_WORDBREAK, 500, extent("  Programma"), 1},
        {"blanks after a line feed", "di\n   Programma", DT_WORDBREAK, 500, extent("   Programma"), 2},
        {"blanks between words", "di  prova", DT_WORDBREAK, 500, extent("di  prova"), 1},
        {"blank a line is broken at", "Programma Programma", DT_WORDBREAK, one + 2, one, 2},
        {"blanks after a break and a line feed", "Programma Programma\n  di", DT_WORDBREAK, one + 2, one, 3},
        {"tab to the first stop", "a\tb", DT_EXPANDTABS, 500, nextStop(extent("a"), 8 * average) + extent("b"), 1},
        {"two tabs", "\t\tb", DT_EXPANDTABS, 500, 16 * average + extent("b"), 1},
        {"tab past a long word", "Programma di prova\tb", DT_EXPANDTABS, 500,
         nextStop(extent("Programma di prova"), 8 * average) + extent("b"), 1},
        {"tab not expanded", "a\tb", 0, 500, extent("a\tb"), 1},
    };
    for (const Row& row : rows) {
        RECT rect{10, 10, 10 + row.width, 20};
        int height = platform::gdi::DrawText(picture.dc(), row.text, -1, &rect, row.format | DT_CALCRECT);
        EXPECT_EQ(row.lines * metrics.tmHeight, height) << row.name;
        EXPECT_EQ(row.expectedWidth, rect.right - rect.left) << row.name;
    }
    // DT_TABSTOP's count sits where DT_CALCRECT would: the stops are seen in what is drawn.
    struct Drawn {
        const char* name;
        UINT format;
        int stop;
    } drawn[] = {
        {"eight characters", DT_EXPANDTABS, 8 * average},
        {"four characters", DT_EXPANDTABS | DT_TABSTOP | 0x0400, 4 * average},
        {"two characters", DT_EXPANDTABS | DT_TABSTOP | 0x0200, 2 * average},
    };
    for (const Drawn& row : drawn) {
        TextPicture tabbed(400, 30, -11);
        SetBkMode(tabbed.dc(), TRANSPARENT);
        RECT rect{0, 0, 400, 30};
        EXPECT_GT(platform::gdi::DrawText(tabbed.dc(), "\tM", -1, &rect, row.format), 0) << row.name;
        RECT ink = tabbed.Inked();
        EXPECT_GE(ink.left, row.stop) << row.name;
        EXPECT_LT(ink.left, row.stop + average) << row.name;
    }
}

TEST(TextLayout, AlignsInTheRectangleAndUnderlinesTheMnemonic) {
    TestMachine machine;
    struct Row {
        const char* name;
        UINT format;
        bool inLeftHalf, inRightHalf, inTopHalf, inBottomHalf;
    };
    const Row rows[] = {
        {"left top", DT_LEFT | DT_TOP | DT_SINGLELINE, true, false, true, false},
        {"right", DT_RIGHT | DT_SINGLELINE, false, true, true, false},
        {"centre, middle", DT_CENTER | DT_VCENTER | DT_SINGLELINE, true, true, true, true},
        {"bottom", DT_BOTTOM | DT_SINGLELINE, true, false, false, true},
    };
    for (const Row& row : rows) {
        TextPicture picture(200, 60, -11);
        RECT rect{0, 0, 200, 60};
        SetBkMode(picture.dc(), TRANSPARENT);
        EXPECT_GT(platform::gdi::DrawText(picture.dc(), "Avanti", -1, &rect, row.format), 0) << row.name;
        RECT ink = picture.Inked();
        EXPECT_EQ(row.inLeftHalf, ink.left < 100) << row.name;
        EXPECT_EQ(row.inRightHalf, ink.right > 100) << row.name;
        EXPECT_EQ(row.inTopHalf, ink.top < 30) << row.name;
        EXPECT_EQ(row.inBottomHalf, ink.bottom > 30) << row.name;
    }
    // The mnemonic's underline runs below the letters, under the marked one only.
    TextPicture plain(100, 20, -11), marked(100, 20, -11);
    RECT rect{0, 0, 100, 20};
    platform::gdi::DrawText(plain.dc(), "Avanti", -1, &rect, DT_SINGLELINE);
    platform::gdi::DrawText(marked.dc(), "&Avanti", -1, &rect, DT_SINGLELINE);
    RECT plainInk = plain.Inked(), markedInk = marked.Inked();
    EXPECT_GT(markedInk.bottom, plainInk.bottom);
    EXPECT_EQ(plainInk.right, markedInk.right);
}

TEST(TextLayout, EndsTooLongLinesWithAnEllipsis) {
    TestMachine machine;
    TextPicture picture(200, 20, -11);
    SIZE whole{}, dots{};
    GetTextExtentPoint32A(picture.dc(), "Disinstallazione completata", 27, &whole);
    GetTextExtentPoint32A(picture.dc(), "...", 3, &dots);
    struct Row {
        const char* name;
        LONG width;
        bool shortened;
    };
    const Row rows[] = {{"fits", whole.cx, false}, {"too long", whole.cx / 2, true}, {"only the dots", dots.cx, true}};
    for (const Row& row : rows) {
        RECT rect{0, 0, row.width, 20};
        platform::gdi::DrawText(picture.dc(), "Disinstallazione completata", -1, &rect,
                                DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
        EXPECT_LE(rect.right, row.width) << row.name;
        EXPECT_EQ(row.shortened, rect.right < whole.cx) << row.name;
    }
}

TEST(UserDrawing, FillsFramesAndInvertsRectangles) {
    TestMachine machine;
    TextPicture picture(6, 6, -11);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT inside{1, 1, 5, 5};
    EXPECT_EQ(1, platform::gdi::FillRect(picture.dc(), &inside, red));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(picture.dc(), 4, 4));
    EXPECT_EQ(RGB(255, 255, 255), GetPixel(picture.dc(), 5, 5));
    RECT frame{0, 0, 6, 6};
    EXPECT_EQ(1, platform::gdi::FrameRect(picture.dc(), &frame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(picture.dc(), 5, 3));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(picture.dc(), 1, 1));
    EXPECT_TRUE(platform::gdi::InvertRect(picture.dc(), &inside));
    EXPECT_EQ(RGB(0, 255, 255), GetPixel(picture.dc(), 2, 2));
    DeleteObject(red);
}

}  // namespace
