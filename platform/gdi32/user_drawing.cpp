// The window manager's drawing over device contexts: text laid out in a rectangle (DrawTextA) and
// rectangles filled, framed and inverted with brushes.
#include "platform/gdi32/user_drawing.h"

#include <algorithm>
#include <cstring>
#include <string>
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

// Breaks a paragraph into lines no wider than `width` at blanks; a word wider than the line stays whole.
std::vector<std::string> WrapWords(const DeviceContext& context, const std::string& paragraph, int width,
                                   bool prefixes) {
    std::vector<std::string> lines;
    std::string current;
    std::size_t index = 0;
    auto widthOf = [&](const std::string& text) { return TextExtent(context, WithoutPrefixes(text, prefixes).text).cx; };
    while (index < paragraph.size()) {
        std::size_t end = paragraph.find(' ', index);
        if (end == std::string::npos) end = paragraph.size();
        std::string word = paragraph.substr(index, end - index);
        std::string candidate = current.empty() ? word : current + " " + word;
        if (!current.empty() && widthOf(candidate) > width) {
            lines.push_back(current);
            current = word;
        } else {
            current = candidate;
        }
        index = end + 1;
    }
    lines.push_back(current);
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

std::string ExpandTabs(const std::string& text) {
    std::string expanded;
    for (char character : text) {
        if (character == '\t') expanded.append(8 - expanded.size() % 8, ' ');
        else expanded.push_back(character);
    }
    return expanded;
}

}  // namespace

int DrawText(HDC hdc, LPCSTR text, int count, LPRECT rect, UINT format) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !rect || (!text && count != 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string whole = text ? (count < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(count))) : "";
    if (format & DT_EXPANDTABS) whole = ExpandTabs(whole);
    bool prefixes = !(format & DT_NOPREFIX);
    FontMetrics metrics = MetricsOf(*context);
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
                for (const std::string& wrapped : WrapWords(*context, paragraph, width, prefixes))
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
        for (const Line& line : lines) widest = std::max<int>(widest, TextExtent(*context, line.text).cx);
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        return height;
    }
    UINT savedAlign = context->state.textAlign;
    context->state.textAlign = TA_LEFT | TA_TOP;
    bool showMnemonics = prefixes && !(format & DT_HIDEPREFIX);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const Line& line = lines[index];
        int lineWidth = TextExtent(*context, line.text).cx;
        int left = rect->left;
        if (format & DT_CENTER) left = rect->left + (width - lineWidth) / 2;
        else if (format & DT_RIGHT) left = rect->right - lineWidth;
        int y = top + static_cast<int>(index) * lineHeight;
        OutputText(*context, left, y, (format & DT_NOCLIP) ? 0 : ETO_CLIPPED, rect, line.text, nullptr);
        if (showMnemonics && line.mnemonic >= 0) {
            // The marked character's underline, one pixel below the baseline.
            int before = TextExtent(*context, line.text.substr(0, static_cast<std::size_t>(line.mnemonic))).cx;
            int through = TextExtent(*context, line.text.substr(0, static_cast<std::size_t>(line.mnemonic) + 1)).cx;
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
