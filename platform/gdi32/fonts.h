// Fonts as drawn: a logical font's face mapped to a TrueType file of the Liberation family, scaled to
// the device's pixels and rendered through FreeType.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi32/device_context.h"

namespace platform::gdi {

// The measurements of the font selected into a context, in device pixels.
struct FontMetrics {
    int height = 0;  // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int averageWidth = 0;
    int maximumWidth = 0;
    int weight = FW_NORMAL;
    bool italic = false, underline = false, strikeOut = false;
    bool fixedPitch = false;
    BYTE pitchAndFamily = 0;
    std::string faceName;  // the face the program asked for
};

// The metrics of the context's font.
FontMetrics MetricsOf(const DeviceContext& context);
// The advance of each character of the (ANSI) text, in device pixels.
std::vector<int> AdvancesOf(const DeviceContext& context, std::string_view text);
// Draws the text with its left end at device x and its baseline at device y, each character moved on by
// its advance (or by `advances` when given); underline and strike-out lines as the font asks.
void DrawGlyphs(const DeviceContext& context, Canvas& canvas, int x, int baseline, std::string_view text,
                const std::vector<int>& advances, std::uint32_t color);

// The font file a face name and style map to.
std::string FontFileFor(std::string_view faceName, bool bold, bool italic);

}  // namespace platform::gdi
