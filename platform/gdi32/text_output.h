// Text as TextOutA and ExtTextOutA draw it and measure it, shared with the layout of DrawTextA.
#pragma once

#include <string_view>

#include "platform/gdi32/device_context.h"

namespace platform::gdi {

// The logical width and height of the text in the context's font.
SIZE TextExtent(const DeviceContext& context, std::string_view text);
// ExtTextOutA: the text at the logical point by the context's alignment and background mode; with
// ETO_OPAQUE the rectangle filled with the background colour first, with ETO_CLIPPED nothing drawn
// outside it; `spacing` gives each character's advance in logical units.
void OutputText(DeviceContext& context, int x, int y, UINT options, const RECT* rect, std::string_view text,
                const INT* spacing);

}  // namespace platform::gdi
