// The HTML reader: text, blocks and links of pages, row by row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/shdocvw/html_document.h"

namespace {

using platform::browser::HtmlDocument;
using platform::browser::ReadHtml;

// A block as "<kind>|<text>": "p" for a paragraph, "br" for a line after a line break, "h1".."h6".
std::vector<std::string> Blocks(const HtmlDocument& document) {
    std::vector<std::string> blocks;
    for (const auto& block : document.blocks) {
        std::string kind = block.heading ? "h" + std::to_string(block.heading) : block.lineBreak ? "br" : "p";
        blocks.push_back(kind + "|" + block.Text());
    }
    return blocks;
}

std::vector<std::string> Links(const HtmlDocument& document) {
    std::vector<std::string> links;
    for (const auto& link : document.links) links.push_back(link.text + "|" + link.address);
    return links;
}

TEST(HtmlDocument, TextBlocksAndLinks) {
    struct Row {
        const char* html;
        const char* title;
        std::vector<std::string> blocks;
        std::vector<std::string> links;
    } rows[] = {
        {"plain   text\n\tacross  lines", "", {"p|plain text across lines"}, {}},
        {"<TITLE> Il  titolo </TITLE><P>uno</P><p>due", "Il titolo", {"p|uno", "p|due"}, {}},
        {"<p>prima<br>seconda<BR/>terza</p>", "", {"p|prima", "br|seconda", "br|terza"}, {}},
        {"<h1>Capo</h1>testo<h3 class=x>Sotto</h3>", "", {"h1|Capo", "p|testo", "h3|Sotto"}, {}},
        {"&amp; &lt;b&gt; &quot;q&quot; &#65;&#x42; &egrave; &bogus; & x", "",
         {"p|& <b> \"q\" AB \xE8 &bogus; & x"}, {}},
        {"a&nbsp;&nbsp;b", "", {"p|a  b"}, {}},
        {"&#8364; &#x263A;", "", {"p|\x80 ?"}, {}},
        {"<script>var s = '<p>no</p>';</script><style>p{}</style>si<!-- <p>no</p> -->", "", {"p|si"}, {}},
        {"<a href=\"app:register\">Registra <b>ora</b></a> | <a href='x.htm'>X</a><a name=top>no</a>",
         "",
         {"p|Registra ora | Xno"},
         {"Registra ora|app:register", "X|x.htm"}},
        {"<a href=page.htm?a=1&amp;b=2>  spaced  </a>", "", {"p|spaced"}, {"spaced|page.htm?a=1&b=2"}},
        {"<a href=\"a>b.htm\">q</a>", "", {"p|q"}, {"q|a>b.htm"}},
        {"1 < 2 and <3", "", {"p|1 < 2 and <3"}, {}},
        {"<ul><li>uno<li>due</ul><table><tr><td>a<td>b</table>", "", {"p|uno", "p|due", "p|a b"}, {}},
    };
    for (const Row& row : rows) {
        HtmlDocument document = ReadHtml(row.html);
        EXPECT_EQ(document.title, row.title) << row.html;
        EXPECT_EQ(Blocks(document), row.blocks) << row.html;
        EXPECT_EQ(Links(document), row.links) << row.html;
    }
}

TEST(HtmlDocument, RunsKeepBoldAndLinks) {
    HtmlDocument document = ReadHtml("<p>Premere <b>qui</b> o <a href=\"app:x\">l<strong>&igrave;</strong></a>.</p>");
    ASSERT_EQ(document.blocks.size(), 1u);
    std::vector<std::string> runs;
    for (const auto& run : document.blocks[0].runs)
        runs.push_back(run.text + (run.bold ? "|bold" : "") + (run.link ? "|link" + std::to_string(run.link) : ""));
    EXPECT_EQ(runs, (std::vector<std::string>{"Premere ", "qui|bold", " o ", "l|link1", "\xEC|bold|link1", "."}));
}

}  // namespace
