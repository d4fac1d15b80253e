// A page of HTML as the browser control shows it: its title, its blocks of text (paragraphs, headings,
// lines ended by a line break) made of runs of plain, bold or linked text, and its links in the order of
// the page. The reader knows the tags that shape text; it skips scripts, styles and comments, and keeps
// the text of every other tag.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::browser {

struct HtmlRun {
    std::string text;
    bool bold = false;
    int link = 0;  // the link's number (from 1), 0 for text outside links
};

struct HtmlBlock {
    int heading = 0;         // 1 to 6 for a heading, 0 for a paragraph
    bool lineBreak = false;  // begun by a line break inside the block before it, not by a new paragraph
    std::vector<HtmlRun> runs;

    std::string Text() const;
};

struct HtmlLink {
    std::string text;
    std::string address;  // as the page writes it
};

struct HtmlDocument {
    std::string title;
    std::vector<HtmlBlock> blocks;
    std::vector<HtmlLink> links;
};

// The page in the text's own bytes (the ANSI code page); entities become those bytes, characters beyond
// the code page '?'. Blanks and line ends run together into one blank as in a browser.
HtmlDocument ReadHtml(std::string_view html);

}  // namespace platform::browser
