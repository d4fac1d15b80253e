// The pen's drawing, shared by lines, outlines and the window manager's frames.
#pragma once

#include "platform/gdi32/device_context.h"

namespace platform::gdi {

// A pixel through the context's binary raster operation (SetROP2).
void PlotWithMix(DeviceContext& context, Canvas& canvas, int x, int y, std::uint32_t pixel);
// A line of the selected pen between device points; the last point only when `lastPixel` is set.
void DrawPenLine(DeviceContext& context, Canvas& canvas, POINT from, POINT to, bool lastPixel);

}  // namespace platform::gdi
