// Where the words of a page go in the control's window: blocks one under the other with a gap between
// paragraphs, headings larger, words wrapped at the window's width, each piece of text with the style it
// is drawn in (plain, bold, or a link: blue and underlined).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/shdocvw/html_document.h"

namespace platform::browser {

struct TextStyle {
    int height = 16;  // the font's height in pixels
    bool bold = false;
    bool link = false;

    bool operator==(const TextStyle&) const = default;
};

struct PlacedText {
    int x = 0;
    int y = 0;  // the top of the line
    std::string text;
    TextStyle style;
};

// The width in pixels of a text in a style (the painter measures with the font it draws with).
using TextMeasure = std::function<int(const TextStyle& style, const std::string& text)>;

inline constexpr int kPageMargin = 8;
inline constexpr int kTextHeight = 16;

// The height of a block's text: 16 pixels for paragraphs, headings from twice that (h1) down.
int BlockTextHeight(const HtmlBlock& block);

// The pieces of text of the page laid out in a window `width` pixels wide.
std::vector<PlacedText> LayOutPage(const HtmlDocument& document, int width, const TextMeasure& measure);

}  // namespace platform::browser
