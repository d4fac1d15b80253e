// The layout of a page's text in the control's window, measured in a font whose every character is 8
// pixels wide (bold ones 9).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/shdocvw/page_layout.h"

namespace {

using namespace platform::browser;

int FixedWidth(const TextStyle& style, const std::string& text) {
    return static_cast<int>(text.size()) * (style.bold ? 9 : 8);
}

// A piece as "x,y text" with "*" for bold and "_" for a link, "/<height>" for a height other than 16.
std::vector<std::string> Pieces(const std::string& html, int width) {
    std::vector<std::string> pieces;
    for (const PlacedText& piece : LayOutPage(ReadHtml(html), width, FixedWidth)) {
        std::string marks = std::string(piece.style.bold ? "*" : "") + (piece.style.link ? "_" : "");
        if (piece.style.height != kTextHeight) marks += "/" + std::to_string(piece.style.height);
        pieces.push_back(std::to_string(piece.x) + "," + std::to_string(piece.y) + " " + marks + piece.text);
    }
    return pieces;
}

TEST(PageLayout, BlocksLinesAndWrappedWords) {
    struct Row {
        const char* html;
        int width;
        std::vector<std::string> pieces;
    } rows[] = {
        {"<p>uno due</p>", 200, {"8,8 uno due"}},
        // 8 + 4 words of 4 characters: the third no longer fits in 120 - 8 pixels.
        {"<p>aaa bbb ccc ddd</p>", 120, {"8,8 aaa bbb ccc", "8,28 ddd"}},
        {"<p>aaa bbb ccc ddd</p>", 100, {"8,8 aaa bbb", "8,28 ccc ddd"}},
        // A word longer than the line stands alone on it.
        {"<p>lunghissimaparola x</p>", 60, {"8,8 lunghissimaparola", "8,28 x"}},
        {"<p>uno<br>due</p><p>tre</p>", 200, {"8,8 uno", "8,28 due", "8,64 tre"}},
        {"<h1>Capo</h1><p>testo</p>", 200, {"8,8 */32Capo", "8,64 testo"}},
        {"<p>Premere <b>qui</b> o <a href=\"x\">il link</a>.</p>", 300,
         {"8,8 Premere", "72,8 *qui", "107,8 o", "123,8 _il link", "179,8 ."}},
    };
    for (const Row& row : rows) EXPECT_EQ(Pieces(row.html, row.width), row.pieces) << row.html;
    EXPECT_TRUE(LayOutPage(ReadHtml(""), 100, FixedWidth).empty());
}

}  // namespace
