// The window manager's drawing over device contexts: text laid out in a rectangle (DrawTextA) and
// rectangles filled, framed and inverted with brushes.
#include "platform/gdi32/user_drawing.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi32/fonts.h"
#include "platform/gdi32/text_output.h"

namespace platform::gdi {

namespace {

// One line of laid-out text; `mnemonic` is the position of the character a single & marks, if any.
struct Line {
    std::string text;
    std::ptrdiff_t mnemonic = -1;
};

// Takes the prefix characters out: "&&" is an ampersand, "&x" an underlined x.
Line WithoutPrefixes(const std::string& text, bool prefixes) {
    Line line;
    if (!prefixes) {
        line.text = text;
        return line;
    }
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '&' && index + 1 < text.size()) {
            ++index;
            if (text[index] != '&') line.mnemonic = static_cast<std::ptrdiff_t>(line.text.size());
        } else if (text[index] == '&') {
            continue;
        }
        line.text.push_back(text[index]);
    }
    return line;
}

// The pieces of a line between its tabs, each with its offset from the line's start: with tabs expanded
// (tabWidth > 0) a tab moves on to the next multiple of tabWidth, else it is a character like any other.
std::vector<std::pair<int, std::string>> TabbedPieces(const DeviceContext& context, const std::string& text,
                                                      int tabWidth) {
    std::vector<std::pair<int, std::string>> pieces;
    if (tabWidth <= 0) {
        pieces.emplace_back(0, text);
        return pieces;
    }
    int x = 0;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = text.find('\t', start);
        std::string piece = text.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        pieces.emplace_back(x, piece);
        if (tab == std::string::npos) break;
        x += TextExtent(context, piece).cx;
        x = (x / tabWidth + 1) * tabWidth;
        start = tab + 1;
    }
    return pieces;
}

int LineWidth(const DeviceContext& context, const std::string& text, int tabWidth) {
    std::vector<std::pair<int, std::string>> pieces = TabbedPieces(context, text, tabWidth);
    const auto& [x, last] = pieces.back();
    return x + TextExtent(context, last).cx;
}

// Breaks a paragraph into lines no wider than `width` at blanks; a word wider than the line stays whole.
// Only the blank a line is broken at goes: blanks that begin the paragraph, or follow others, stay.
std::vector<std::string> WrapWords(const DeviceContext& context, const std::string& paragraph, int width,
                                   bool prefixes, int tabWidth) {
    auto widthOf = [&](std::size_t from, std::size_t to) {
        return LineWidth(context, WithoutPrefixes(paragraph.substr(from, to - from), prefixes).text, tabWidth);
    };
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        if (widthOf(start, paragraph.size()) <= width) break;
        // The blanks the line may end before: those with something other than blanks before them.
        std::size_t firstWord = paragraph.find_first_not_of(' ', start);
        std::size_t fitting = std::string::npos;
        std::size_t shortest = std::string::npos;
        for (std::size_t blank = paragraph.find(' ', firstWord); firstWord != std::string::npos &&
                                                                   blank != std::string::npos;
             blank = paragraph.find(' ', blank + 1)) {
            if (shortest == std::string::npos) shortest = blank;
            if (widthOf(start, blank) > width) break;
            fitting = blank;
        }
        std::size_t breakAt = fitting != std::string::npos ? fitting : shortest;
        if (breakAt == std::string::npos) break;
        lines.push_back(paragraph.substr(start, breakAt - start));
        start = breakAt + 1;
    }
    lines.push_back(paragraph.substr(start));
    return lines;
}

// Shortens the line with "..." at its end until it fits the width.
void EndWithEllipsis(const DeviceContext& context, Line& line, int width) {
    if (TextExtent(context, line.text).cx <= width) return;
    std::string text = line.text;
    while (!text.empty() && TextExtent(context, text + "...").cx > width) text.pop_back();
    line.text = text + "...";
    if (line.mnemonic >= static_cast<std::ptrdiff_t>(text.size())) line.mnemonic = -1;
}

}  // namespace

// DT_EXPANDTABS sets tab stops every eight average character widths; DT_TABSTOP gives the count in bits 8
// to 15 instead, which then hold none of the flags that are otherwise there.
int DrawText(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !rect || (!text && count != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string whole = text ? (count < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(count))) : "";
    int charactersPerTab = 8;
    if (format & DT_TABSTOP) {
        charactersPerTab = static_cast<int>((format >> 8) & 0xFF);
        format &= ~0xFF00u;
    }
    FontMetrics metrics = MetricsOf(*context);
    int tabWidth = (format & DT_EXPANDTABS) ? std::max(1, charactersPerTab * metrics.averageWidth) : 0;
    bool prefixes = !(format & DT_NOPREFIX);
    int lineHeight = TextExtent(*context, "").cy;
    if (format & DT_EXTERNALLEADING) lineHeight += metrics.externalLeading;
    int width = rect->right - rect->left;

    std::vector<Line> lines;
    if (format & DT_SINGLELINE) {
        lines.push_back(WithoutPrefixes(whole, prefixes));
    } else {
        std::size_t start = 0;
        while (start <= whole.size()) {
            std::size_t end = whole.find_first_of("\r\n", start);
            std::string paragraph = whole.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (format & DT_WORDBREAK) {
                for (const std::string& wrapped : WrapWords(*context, paragraph, width, prefixes, tabWidth))
                    lines.push_back(WithoutPrefixes(wrapped, prefixes));
            } else {
                lines.push_back(WithoutPrefixes(paragraph, prefixes));
            }
            if (end == std::string::npos) break;
            start = end + (whole.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        }
    }
    if (format & DT_END_ELLIPSIS)
        for (Line& line : lines) EndWithEllipsis(*context, line, width);

    int height = lineHeight * static_cast<int>(lines.size());
    int top = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
        else if (format & DT_BOTTOM) top = rect->bottom - lineHeight;
    }
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : lines) widest = std::max<int>(widest, LineWidth(*context, line.text, tabWidth));
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    UINT savedAlign = context->state.textAlign;
    context->state.textAlign = TA_LEFT | TA_TOP;
    bool showMnemonics = prefixes && !(format & DT_HIDEPREFIX);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const Line& line = lines[index];
        int lineWidth = LineWidth(*context, line.text, tabWidth);
        int left = rect->left;
        if (format & DT_CENTER) left = rect->left + (width - lineWidth) / 2;
        else if (format & DT_RIGHT) left = rect->right - lineWidth;
        int y = top + static_cast<int>(index) * lineHeight;
        for (const auto& [offset, piece] : TabbedPieces(*context, line.text, tabWidth))
            OutputText(*context, left + offset, y, (format & DT_NOCLIP) ? 0 : ETO_CLIPPED, rect, piece, nullptr);
        if (showMnemonics && line.mnemonic >= 0) {
            // The marked character's underline, one pixel below the baseline.
            auto marked = static_cast<std::size_t>(line.mnemonic);
            int before = LineWidth(*context, line.text.substr(0, marked), tabWidth);
            int through = LineWidth(*context, line.text.substr(0, marked + 1), tabWidth);
            Canvas canvas(*context);
            if (!(format & DT_NOCLIP)) canvas.Restrict(context->ToDevice(*rect));
            POINT from = context->ToDevice(POINT{left + before, y});
            POINT to = context->ToDevice(POINT{left + through, y});
            std::uint32_t color = context->PixelFor(context->state.textColor);
            for (int x = from.x; x < to.x; ++x) canvas.Plot(x, from.y + metrics.ascent + 1, color);
        }
    }
    context->state.textAlign = savedAlign;
    if (format & (DT_VCENTER | DT_BOTTOM)) return top - rect->top + height;
    return height;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !rect || !FindBrush(brush)) return 0;
    Canvas canvas(*context);
    FillWithBrush(*context, canvas, context->ToDevice(*rect), brush);
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !rect || !FindBrush(brush)) return 0;
    RECT device = context->ToDevice(*rect);
    if (device.right <= device.left || device.bottom <= device.top) return 1;
    Canvas canvas(*context);
    FillWithBrush(*context, canvas, RECT{device.left, device.top, device.right, device.top + 1}, brush);
    FillWithBrush(*context, canvas, RECT{device.left, device.bottom - 1, device.right, device.bottom}, brush);
    FillWithBrush(*context, canvas, RECT{device.left, device.top, device.left + 1, device.bottom}, brush);
    FillWithBrush(*context, canvas, RECT{device.right - 1, device.top, device.right, device.bottom}, brush);
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
    if (!rect) return FALSE;
    return PatBlt(hdc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !rect) return FALSE;
    RECT device = context->ToDevice(*rect);
    if (device.right <= device.left || device.bottom <= device.top) return TRUE;
    Canvas canvas(*context);
    RECT drawable = canvas.ClipToArea(device);
    POINT origin = canvas.origin();
    // Every other pixel of the border, counted from the top left corner, inverted: drawn twice it is gone.
    auto invert = [&](int x, int y) {
        if ((x - device.left + y - device.top) % 2 != 0) return;
        int surfaceX = x + origin.x;
        int surfaceY = y + origin.y;
        if (surfaceX < drawable.left || surfaceX >= drawable.right || surfaceY < drawable.top ||
            surfaceY >= drawable.bottom)
            return;
        canvas.Plot(x, y, canvas.Read(x, y) ^ 0xFFFFFFu);
    };
    for (int x = device.left; x < device.right; ++x) {
        invert(x, device.top);
        if (device.bottom - 1 > device.top) invert(x, device.bottom - 1);
    }
    for (int y = device.top + 1; y < device.bottom - 1; ++y) {
        invert(device.left, y);
        if (device.right - 1 > device.left) invert(device.right - 1, y);
    }
    return TRUE;
}

}  // namespace platform::gdi
