#include "platform/shdocvw/page_painter.h"

#include <cstring>
#include <map>
#include <tuple>
#include <utility>

#include "platform/shdocvw/page_layout.h"

namespace platform::browser {

namespace {

constexpr char kPageFace[] = "Times New Roman";
constexpr COLORREF kTextColour = RGB(0, 0, 0);
constexpr COLORREF kLinkColour = RGB(0, 0, 255);

// The fonts of the styles a page uses, made once for the painting and deleted after it.
class PageFonts {
  public:
    PageFonts() = default;
    ~PageFonts() {
        for (auto& [key, font] : fonts_) DeleteObject(font);
    }
    PageFonts(const PageFonts&) = delete;
    PageFonts& operator=(const PageFonts&) = delete;

    HFONT Font(const TextStyle& style) {
        auto key = std::make_tuple(style.height, style.bold, style.link);
        auto found = fonts_.find(key);
        if (found != fonts_.end()) return found->second;
        LOGFONTA description{};
        description.lfHeight = -style.height;
        description.lfWeight = style.bold ? FW_BOLD : FW_NORMAL;
        description.lfUnderline = style.link ? TRUE : FALSE;
        description.lfCharSet = ANSI_CHARSET;
        std::strncpy(description.lfFaceName, kPageFace, LF_FACESIZE - 1);
        HFONT font = CreateFontIndirectA(&description);
        fonts_[key] = font;
        return font;
    }

  private:
    std::map<std::tuple<int, bool, bool>, HFONT> fonts_;
};

}  // namespace

void PaintPage(HDC dc, const HtmlDocument& document, const RECT& area) {
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    PatBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, PATCOPY);
    SelectObject(dc, previousBrush);

    PageFonts fonts;
    HGDIOBJ previousFont = SelectObject(dc, fonts.Font(TextStyle{}));
    TextMeasure measure = [&](const TextStyle& style, const std::string& text) {
        SelectObject(dc, fonts.Font(style));
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    std::vector<PlacedText> pieces = LayOutPage(document, area.right - area.left, measure);
    int previousMode = SetBkMode(dc, TRANSPARENT);
    COLORREF previousColour = GetTextColor(dc);
    for (const PlacedText& piece : pieces) {
        if (piece.y >= area.bottom) break;
        SelectObject(dc, fonts.Font(piece.style));
        SetTextColor(dc, piece.style.link ? kLinkColour : kTextColour);
        TextOutA(dc, piece.x, piece.y, piece.text.c_str(), static_cast<int>(piece.text.size()));
    }
    SetTextColor(dc, previousColour);
    SetBkMode(dc, previousMode);
    SelectObject(dc, previousFont);
}

}  // namespace platform::browser
