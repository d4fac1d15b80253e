#include "platform/shdocvw/html_document.h"

#include <cctype>
#include <cstdlib>
#include <optional>

#include "platform/machine/text.h"

namespace platform::browser {

std::string HtmlBlock::Text() const {
    std::string text;
    for (const HtmlRun& run : runs) text += run.text;
    return text;
}

namespace {

// A non-breaking blank while the text is read: kept where the blanks around it run together.
constexpr char kHardBlank = '\x01';

bool IsBlank(char character) {
    return character == ' ' || character == '\t' || character == '\r' || character == '\n' || character == '\f';
}

// The named entities the pages of the system use: markup, blanks and the accented letters of Western
// European languages, each as its code-page byte.
struct NamedEntity {
    const char* name;
    unsigned code;
};
constexpr NamedEntity kEntities[] = {
    {"amp", '&'},     {"lt", '<'},      {"gt", '>'},      {"quot", '"'},    {"apos", '\''},   {"nbsp", 0xA0},
    {"copy", 0xA9},   {"reg", 0xAE},    {"laquo", 0xAB},  {"raquo", 0xBB},  {"deg", 0xB0},    {"euro", 0x20AC},
    {"Agrave", 0xC0}, {"Aacute", 0xC1}, {"Egrave", 0xC8}, {"Eacute", 0xC9}, {"Igrave", 0xCC}, {"Iacute", 0xCD},
    {"Ograve", 0xD2}, {"Oacute", 0xD3}, {"Ugrave", 0xD9}, {"Uacute", 0xDA}, {"agrave", 0xE0}, {"aacute", 0xE1},
    {"egrave", 0xE8}, {"eacute", 0xE9}, {"igrave", 0xEC}, {"iacute", 0xED}, {"ograve", 0xF2}, {"oacute", 0xF3},
    {"ugrave", 0xF9}, {"uacute", 0xFA}, {"ccedil", 0xE7}, {"ntilde", 0xF1}, {"uuml", 0xFC},   {"ouml", 0xF6},
    {"auml", 0xE4},   {"szlig", 0xDF},
};

// A character of the page's code page (1252): Latin-1 below 256, the euro sign at 0x80; others '?'.
std::string CodePageCharacter(unsigned code) {
    if (code == 0xA0) return std::string(1, kHardBlank);
    if (code == 0x20AC) return "\x80";
    if (code == 0 || code > 0xFF) return "?";
    return std::string(1, static_cast<char>(code));
}

// The entity at text[0] ('&'): its characters and length, or nullopt for a '&' that starts none.
std::optional<std::pair<std::string, size_t>> Entity(std::string_view text) {
    size_t end = text.find(';');
    if (end == std::string_view::npos || end < 2 || end > 10) return std::nullopt;
    std::string_view name = text.substr(1, end - 1);
    if (name[0] == '#') {
        bool hexadecimal = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string digits(name.substr(hexadecimal ? 2 : 1));
        if (digits.empty() || digits.find_first_not_of(hexadecimal ? "0123456789abcdefABCDEF" : "0123456789") !=
                                  std::string::npos) {
            return std::nullopt;
        }
        unsigned code = static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, hexadecimal ? 16 : 10));
        return std::make_pair(CodePageCharacter(code), end + 1);
    }
    for (const NamedEntity& entity : kEntities) {
        if (name == entity.name) return std::make_pair(CodePageCharacter(entity.code), end + 1);
    }
    return std::nullopt;
}

std::string DecodeEntities(std::string_view text) {
    std::string decoded;
    for (size_t index = 0; index < text.size();) {
        if (text[index] == '&') {
            if (std::optional<std::pair<std::string, size_t>> entity = Entity(text.substr(index))) {
                decoded += entity->first;
                index += entity->second;
                continue;
            }
        }
        decoded += text[index++];
    }
    return decoded;
}

struct Tag {
    std::string name;  // lower case
    bool closing = false;
    std::string href;
};

// The tag at text[0] ('<') and its length; nullopt for a '<' that starts no tag (kept as text).
std::optional<std::pair<Tag, size_t>> ReadTag(std::string_view text) {
    size_t end = text.find('>');
    if (end == std::string_view::npos || text.size() < 2) return std::nullopt;
    size_t at = 1;
    Tag tag;
    if (text[at] == '/') {
        tag.closing = true;
        ++at;
    }
    size_t nameEnd = at;
    while (nameEnd < end && (std::isalnum(static_cast<unsigned char>(text[nameEnd])) || text[nameEnd] == '!')) ++nameEnd;
    if (nameEnd == at) return std::nullopt;
    tag.name = LowerCopy(text.substr(at, nameEnd - at));
    // The attributes: name, name=value, name="value" or name='value'; a '>' inside quotes belongs to them.
    at = nameEnd;
    for (;;) {
        while (at < text.size() && (IsBlank(text[at]) || text[at] == '/')) ++at;
        if (at >= text.size()) return std::nullopt;
        if (text[at] == '>') return std::make_pair(tag, at + 1);
        size_t attributeEnd = at;
        while (attributeEnd < text.size() && !IsBlank(text[attributeEnd]) && text[attributeEnd] != '=' &&
               text[attributeEnd] != '>') {
            ++attributeEnd;
        }
        std::string name = LowerCopy(text.substr(at, attributeEnd - at));
        at = attributeEnd;
        while (at < text.size() && IsBlank(text[at])) ++at;
        std::string value;
        if (at < text.size() && text[at] == '=') {
            ++at;
            while (at < text.size() && IsBlank(text[at])) ++at;
            if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
                size_t close = text.find(text[at], at + 1);
                if (close == std::string_view::npos) return std::nullopt;
                value = std::string(text.substr(at + 1, close - at - 1));
                at = close + 1;
            } else {
                size_t valueEnd = at;
                while (valueEnd < text.size() && !IsBlank(text[valueEnd]) && text[valueEnd] != '>') ++valueEnd;
                value = std::string(text.substr(at, valueEnd - at));
                at = valueEnd;
            }
        }
        if (name == "href") tag.href = std::string(TrimBlanks(DecodeEntities(value)));
    }
}

bool IsHeading(const std::string& name) { return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6'; }

// The tags that end the block of text before them and begin another.
bool EndsBlock(const std::string& name) {
    static const char* const kBlockTags[] = {"p",  "div", "ul", "ol",    "li", "table", "tr",         "center",
                                             "hr", "dl",  "dt", "dd",    "form", "body", "blockquote", "pre",
                                             "address"};
    if (IsHeading(name)) return true;
    for (const char* block : kBlockTags) {
        if (name == block) return true;
    }
    return false;
}

class Reader {
  public:
    HtmlDocument Read(std::string_view html) {
        for (size_t index = 0; index < html.size();) {
            if (html.substr(index, 4) == "<!--") {
                size_t end = html.find("-->", index + 4);
                index = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            if (html[index] == '<') {
                if (std::optional<std::pair<Tag, size_t>> tag = ReadTag(html.substr(index))) {
                    index += tag->second;
                    index = Apply(tag->first, html, index);
                    continue;
                }
            }
            size_t end = html.find('<', index + 1);
            if (end == std::string_view::npos) end = html.size();
            Text(DecodeEntities(html.substr(index, end - index)));
            index = end;
        }
        EndBlock(false);
        document_.title = std::string(TrimBlanks(Collapsed(title_)));
        for (HtmlLink& link : document_.links) link.text = std::string(TrimBlanks(link.text));
        return std::move(document_);
    }

  private:
    // Handles a tag; returns where reading goes on (past a script's or style's body).
    size_t Apply(const Tag& tag, std::string_view html, size_t index) {
        if (!tag.closing && (tag.name == "script" || tag.name == "style")) {
            std::string lower = LowerCopy(html.substr(index));
            size_t end = lower.find("</" + tag.name);
            if (end == std::string::npos) return html.size();
            size_t close = html.find('>', index + end);
            return close == std::string_view::npos ? html.size() : close + 1;
        }
        if (tag.name == "title") {
            inTitle_ = !tag.closing;
        } else if (tag.name == "br") {
            EndBlock(true);
        } else if (tag.name == "b" || tag.name == "strong") {
            bold_ += tag.closing ? (bold_ > 0 ? -1 : 0) : 1;
        } else if (tag.name == "a") {
            link_ = 0;
            if (!tag.closing && !tag.href.empty()) {
                document_.links.push_back({"", tag.href});
                link_ = static_cast<int>(document_.links.size());
            }
        } else if (tag.name == "td" || tag.name == "th") {
            Text(" ");
        } else if (EndsBlock(tag.name)) {
            EndBlock(false);
            if (IsHeading(tag.name)) heading_ = tag.closing ? 0 : tag.name[1] - '0';
        }
        return index;
    }

    // Blanks run together into one; hard blanks stay.
    std::string Collapsed(std::string_view text) {
        std::string collapsed;
        bool blank = false;
        for (char character : text) {
            if (IsBlank(character)) {
                blank = true;
                continue;
            }
            if (blank) collapsed += ' ';
            blank = false;
            collapsed += character == kHardBlank ? ' ' : character;
        }
        if (blank) collapsed += ' ';
        return collapsed;
    }

    void Text(const std::string& text) {
        if (inTitle_) {
            title_ += text;
            return;
        }
        std::string collapsed = Collapsed(text);
        if (collapsed.empty()) return;
        // A blank at the start of a block, or after one, adds nothing.
        if (collapsed[0] == ' ' && (current_.runs.empty() || pendingBlank_)) collapsed.erase(0, 1);
        pendingBlank_ = !collapsed.empty() && collapsed.back() == ' ';
        if (collapsed.empty()) return;
        bool bold = bold_ > 0 || heading_ > 0;
        if (!current_.runs.empty() && current_.runs.back().bold == bold && current_.runs.back().link == link_) {
            current_.runs.back().text += collapsed;
        } else {
            current_.runs.push_back({collapsed, bold, link_});
        }
        current_.heading = heading_;
        if (link_) document_.links[static_cast<size_t>(link_ - 1)].text += collapsed;
    }

    void EndBlock(bool lineBreak) {
        while (!current_.runs.empty() && !current_.runs.back().text.empty() && current_.runs.back().text.back() == ' ') {
            current_.runs.back().text.pop_back();
            if (current_.runs.back().text.empty()) current_.runs.pop_back();
        }
        if (!current_.runs.empty()) document_.blocks.push_back(std::move(current_));
        current_ = HtmlBlock{};
        current_.lineBreak = lineBreak;
        pendingBlank_ = false;
    }

    HtmlDocument document_;
    HtmlBlock current_;
    std::string title_;
    bool inTitle_ = false;
    bool pendingBlank_ = false;
    int bold_ = 0;
    int heading_ = 0;
    int link_ = 0;
};

}  // namespace

HtmlDocument ReadHtml(std::string_view html) { return Reader().Read(html); }

}  // namespace platform::browser
