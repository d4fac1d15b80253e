#include "platform/shdocvw/page_layout.h"

namespace platform::browser {

namespace {

// The line heights of headings h1..h6, as a browser sizes them against 16-pixel text.
constexpr int kHeadingHeights[] = {32, 24, 19, 16, 13, 11};

// The words of a run, each with the blank after it: "Premere ", "qui".
std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t blank = text.find(' ', start);
        size_t end = blank == std::string::npos ? text.size() : blank + 1;
        words.push_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

class Layout {
  public:
    Layout(int width, const TextMeasure& measure) : right_(width - kPageMargin), measure_(measure) {}

    void Block(const HtmlBlock& block, bool first) {
        int height = BlockTextHeight(block);
        // A paragraph or heading stands a text's height below the one before; a line after a break
        // follows at once. Lines are a quarter higher than their text.
        if (!first && !block.lineBreak) y_ += height;
        x_ = kPageMargin;
        lineHeight_ = height + height / 4;
        for (const HtmlRun& run : block.runs) {
            TextStyle style{height, run.bold || block.heading > 0, run.link > 0};
            for (const std::string& word : Words(run.text)) Word(word, style);
        }
        y_ += lineHeight_;
    }

    std::vector<PlacedText> Take() { return std::move(placed_); }

  private:
    void Word(const std::string& word, const TextStyle& style) {
        int width = measure_(style, word);
        // A word that does not fit goes to the next line, unless the line is empty (it then overflows).
        if (x_ > kPageMargin && x_ + measure_(style, Trimmed(word)) > right_) {
            y_ += lineHeight_;
            x_ = kPageMargin;
            if (word == " ") return;
        }
        // Words of the same style on one line are drawn as one piece.
        if (!placed_.empty() && placed_.back().y == y_ && placed_.back().style == style) {
            placed_.back().text += word;
            x_ += width;
            return;
        }
        // A piece begins with its first letter: the blank before it only moves the pen.
        if (word[0] == ' ') {
            x_ += measure_(style, " ");
            if (word.size() == 1) return;
            Word(word.substr(1), style);
            return;
        }
        placed_.push_back({x_, y_, word, style});
        x_ += width;
    }

    static std::string Trimmed(const std::string& word) {
        return !word.empty() && word.back() == ' ' ? word.substr(0, word.size() - 1) : word;
    }

    int right_;
    const TextMeasure& measure_;
    int x_ = kPageMargin;
    int y_ = kPageMargin;
    int lineHeight_ = kTextHeight;
    std::vector<PlacedText> placed_;
};

}  // namespace

int BlockTextHeight(const HtmlBlock& block) {
    if (block.heading >= 1 && block.heading <= 6) return kHeadingHeights[block.heading - 1];
    return kTextHeight;
}

std::vector<PlacedText> LayOutPage(const HtmlDocument& document, int width, const TextMeasure& measure) {
    Layout layout(width, measure);
    for (size_t index = 0; index < document.blocks.size(); ++index) layout.Block(document.blocks[index], index == 0);
    std::vector<PlacedText> placed = layout.Take();
    // A piece's blank at the end of a line is not drawn (an underlined link would show it).
    for (PlacedText& piece : placed) {
        while (!piece.text.empty() && piece.text.back() == ' ') piece.text.pop_back();
    }
    std::erase_if(placed, [](const PlacedText& piece) { return piece.text.empty(); });
    return placed;
}

}  // namespace platform::browser
