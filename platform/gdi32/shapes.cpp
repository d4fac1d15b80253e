// Lines, rectangles, ellipses and pixels, drawn with the selected pen and brush.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/gdi32/device_context.h"
#include "platform/gdi32/shapes.h"

namespace platform::gdi {

namespace {

// The binary raster operation on pen and destination: bit i of (code - 1) is the result where pen and
// destination bits make the number i (pen 2, destination 1).
std::uint32_t MixPen(int rop2, std::uint32_t pen, std::uint32_t destination) {
    unsigned table = static_cast<unsigned>(rop2 - 1);
    std::uint32_t result = 0;
    for (int index = 0; index < 4; ++index) {
        if ((table >> index) & 1) result |= (index & 2 ? pen : ~pen) & (index & 1 ? destination : ~destination);
    }
    return result & 0xFFFFFF;
}

// The dashes of the cosmetic pen styles: lengths of strokes and gaps, in pixels.
std::vector<int> DashesOf(UINT style) {
    switch (style & PS_STYLE_MASK) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

}  // namespace

void PlotWithMix(DeviceContext& context, Canvas& canvas, int x, int y, std::uint32_t pixel) {
    if (context.state.rop2 == R2_COPYPEN) {
        canvas.Plot(x, y, pixel);
        return;
    }
    if (context.state.rop2 == R2_NOP) return;
    std::uint32_t pen = canvas.monochrome() ? MonochromeOf(pixel) : pixel;
    canvas.Plot(x, y, MixPen(context.state.rop2, pen, canvas.Read(x, y)));
}

void DrawPenLine(DeviceContext& context, Canvas& canvas, POINT from, POINT to, bool lastPixel) {
    std::shared_ptr<Pen> pen = FindPen(context.state.pen);
    if (!pen) pen = FindPen(StockObject(BLACK_PEN));
    if ((pen->log.lopnStyle & PS_STYLE_MASK) == PS_NULL || !canvas.valid()) return;
    std::uint32_t color = context.PixelFor(pen->log.lopnColor);
    std::uint32_t background = context.PixelFor(context.state.backgroundColor);
    int width = std::max<int>(1, context.ToDeviceWidth(pen->log.lopnWidth.x));
    std::vector<int> dashes = width == 1 ? DashesOf(pen->log.lopnStyle) : std::vector<int>{};
    std::size_t dash = 0;
    int left = dashes.empty() ? 0 : dashes[0];
    auto stamp = [&](int x, int y) {
        bool stroke = true;
        if (!dashes.empty()) {
            stroke = dash % 2 == 0;
            if (--left == 0) {
                dash = (dash + 1) % dashes.size();
                left = dashes[dash];
            }
        }
        if (!stroke) {
            if (context.state.backgroundMode == OPAQUE) PlotWithMix(context, canvas, x, y, background);
            return;
        }
        if (width == 1) {
            PlotWithMix(context, canvas, x, y, color);
            return;
        }
        // A wide pen is round: a disc of its width at each point of the line.
        int radius = width / 2;
        for (int dy = -radius; dy <= width - 1 - radius; ++dy)
            for (int dx = -radius; dx <= width - 1 - radius; ++dx)
                if (dx * dx + dy * dy <= radius * radius + radius) PlotWithMix(context, canvas, x + dx, y + dy, color);
    };
    // Bresenham's line, from the first point up to but not including the last; halfway between two
    // pixels the line keeps to the row (or column) it is on.
    int dx = std::abs(to.x - from.x), dy = std::abs(to.y - from.y);
    int stepX = from.x < to.x ? 1 : -1, stepY = from.y < to.y ? 1 : -1;
    int x = from.x, y = from.y;
    if (dx >= dy) {
        int decision = 2 * dy - dx;
        for (int step = 0; step < dx; ++step) {
            stamp(x, y);
            if (decision > 0) {
                y += stepY;
                decision -= 2 * dx;
            }
            decision += 2 * dy;
            x += stepX;
        }
    } else {
        int decision = 2 * dx - dy;
        for (int step = 0; step < dy; ++step) {
            stamp(x, y);
            if (decision > 0) {
                x += stepX;
                decision -= 2 * dy;
            }
            decision += 2 * dx;
            y += stepY;
        }
    }
    if (lastPixel) stamp(to.x, to.y);
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

std::shared_ptr<DeviceContext> ContextOf(HDC hdc) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context) SetLastError(ERROR_INVALID_HANDLE);
    return context;
}

// Fills the device rectangle with the brush, through the binary raster operation.
void FillArea(DeviceContext& context, Canvas& canvas, RECT device) {
    if (context.state.rop2 == R2_COPYPEN) {
        FillWithBrush(context, canvas, device, context.state.brush);
        return;
    }
    std::shared_ptr<Brush> brush = FindBrush(context.state.brush);
    if (!brush) return;
    for (int y = device.top; y < device.bottom; ++y)
        for (int x = device.left; x < device.right; ++x)
            if (std::optional<std::uint32_t> pixel = BrushPixel(context, *brush, x, y)) PlotWithMix(context, canvas, x, y, *pixel);
}

int PenWidth(const DeviceContext& context, const Pen& pen) {
    if ((pen.log.lopnStyle & PS_STYLE_MASK) == PS_NULL) return 0;
    return std::max(1, context.ToDeviceWidth(pen.log.lopnWidth.x));
}

}  // namespace

extern "C" BOOL WINAPI MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    if (lppt) *lppt = context->state.position;
    context->state.position = POINT{x, y};
    return TRUE;
}

extern "C" BOOL WINAPI GetCurrentPositionEx(HDC hdc, LPPOINT lppt) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || !lppt) return FALSE;
    *lppt = context->state.position;
    return TRUE;
}

extern "C" BOOL WINAPI LineTo(HDC hdc, int x, int y) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    Canvas canvas(*context);
    DrawPenLine(*context, canvas, context->ToDevice(context->state.position), context->ToDevice(POINT{x, y}), false);
    context->state.position = POINT{x, y};
    return TRUE;
}

extern "C" BOOL WINAPI Polyline(HDC hdc, const POINT* apt, int cpt) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || !apt || cpt < 2) return FALSE;
    Canvas canvas(*context);
    for (int index = 1; index < cpt; ++index)
        DrawPenLine(*context, canvas, context->ToDevice(apt[index - 1]), context->ToDevice(apt[index]), false);
    return TRUE;
}

// The outline with the pen, the inside filled with the brush, row by row between the crossings of the
// outline (even-odd).
extern "C" BOOL WINAPI Polygon(HDC hdc, const POINT* apt, int cpt) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || !apt || cpt < 2) return FALSE;
    Canvas canvas(*context);
    std::vector<POINT> points;
    for (int index = 0; index < cpt; ++index) points.push_back(context->ToDevice(apt[index]));
    std::shared_ptr<Brush> brush = FindBrush(context->state.brush);
    if (brush && brush->log.lbStyle != BS_NULL) {
        auto [low, high] = std::minmax_element(points.begin(), points.end(),
                                               [](const POINT& a, const POINT& b) { return a.y < b.y; });
        for (int y = low->y; y < high->y; ++y) {
            std::vector<double> crossings;
            double middle = y + 0.5;
            for (std::size_t index = 0; index < points.size(); ++index) {
                const POINT& a = points[index];
                const POINT& b = points[(index + 1) % points.size()];
                if ((a.y <= middle) == (b.y <= middle)) continue;
                crossings.push_back(a.x + (middle - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t index = 0; index + 1 < crossings.size(); index += 2) {
                RECT span{static_cast<LONG>(std::ceil(crossings[index] - 0.5)), y,
                          static_cast<LONG>(std::ceil(crossings[index + 1] - 0.5)), y + 1};
                FillArea(*context, canvas, span);
            }
        }
    }
    for (std::size_t index = 0; index < points.size(); ++index)
        DrawPenLine(*context, canvas, points[index], points[(index + 1) % points.size()], false);
    return TRUE;
}

// The pen draws the outline inside the rectangle's right and bottom edges, which are excluded; the
// brush fills what is inside the outline.
extern "C" BOOL WINAPI Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    RECT device = context->ToDevice(RECT{left, top, right, bottom});
    Canvas canvas(*context);
    if (!canvas.valid()) return TRUE;
    std::shared_ptr<Pen> pen = FindPen(context->state.pen);
    int width = pen ? PenWidth(*context, *pen) : 1;
    if (width == 0) {
        // Without a pen the filled part is one pixel smaller across and down, as on Windows.
        FillArea(*context, canvas, RECT{device.left, device.top, device.right - 1, device.bottom - 1});
        return TRUE;
    }
    if (device.right - device.left < 2 || device.bottom - device.top < 2) {
        FillArea(*context, canvas, device);
        return TRUE;
    }
    // A wide pen is centred on the outline, unless it draws inside the frame.
    int outward = (pen->log.lopnStyle & PS_STYLE_MASK) == PS_INSIDEFRAME ? 0 : (width - 1) / 2;
    RECT outer{device.left - outward, device.top - outward, device.right + outward, device.bottom + outward};
    RECT inner{outer.left + width, outer.top + width, outer.right - width, outer.bottom - width};
    if (inner.left < inner.right && inner.top < inner.bottom) FillArea(*context, canvas, inner);
    if (width == 1) {
        POINT corners[] = {{device.left, device.top}, {device.right - 1, device.top},
                           {device.right - 1, device.bottom - 1}, {device.left, device.bottom - 1}};
        for (int side = 0; side < 4; ++side) DrawPenLine(*context, canvas, corners[side], corners[(side + 1) % 4], false);
        return TRUE;
    }
    std::uint32_t color = context->PixelFor(pen->log.lopnColor);
    for (int y = outer.top; y < outer.bottom; ++y)
        for (int x = outer.left; x < outer.right; ++x)
            if (x < inner.left || x >= inner.right || y < inner.top || y >= inner.bottom)
                PlotWithMix(*context, canvas, x, y, color);
    return TRUE;
}

// The ellipse inside the rectangle (right and bottom excluded): filled with the brush, outlined with
// the pen where the inside meets the outside.
extern "C" BOOL WINAPI Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    RECT device = context->ToDevice(RECT{left, top, right, bottom});
    Canvas canvas(*context);
    if (!canvas.valid() || device.right - device.left < 1 || device.bottom - device.top < 1) return TRUE;
    double centerX = (device.left + device.right - 1) / 2.0, centerY = (device.top + device.bottom - 1) / 2.0;
    double radiusX = (device.right - device.left) / 2.0, radiusY = (device.bottom - device.top) / 2.0;
    auto inside = [&](int x, int y) {
        double across = (x - centerX) / radiusX, down = (y - centerY) / radiusY;
        return across * across + down * down <= 1.0;
    };
    std::shared_ptr<Pen> pen = FindPen(context->state.pen);
    int width = pen ? PenWidth(*context, *pen) : 1;
    std::uint32_t color = pen ? context->PixelFor(pen->log.lopnColor) : 0;
    std::shared_ptr<Brush> brush = FindBrush(context->state.brush);
    for (int y = device.top; y < device.bottom; ++y) {
        for (int x = device.left; x < device.right; ++x) {
            if (!inside(x, y)) continue;
            bool edge = false;
            for (int step = 1; step <= width && !edge; ++step)
                edge = !inside(x - step, y) || !inside(x + step, y) || !inside(x, y - step) || !inside(x, y + step);
            if (edge) {
                PlotWithMix(*context, canvas, x, y, color);
            } else if (brush) {
                if (std::optional<std::uint32_t> pixel = BrushPixel(*context, *brush, x, y))
                    PlotWithMix(*context, canvas, x, y, *pixel);
            }
        }
    }
    return TRUE;
}

extern "C" COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return CLR_INVALID;
    POINT device = context->ToDevice(POINT{x, y});
    RECT pixel{device.x, device.y, device.x + 1, device.y + 1};
    Canvas canvas(*context, &pixel);
    if (!canvas.valid()) return CLR_INVALID;
    RECT area = canvas.ClipToArea(RECT{device.x, device.y, device.x + 1, device.y + 1});
    if (area.left == area.right) return CLR_INVALID;
    canvas.Plot(device.x, device.y, context->PixelFor(color));
    return ColorOf(canvas.Read(device.x, device.y));
}

extern "C" BOOL WINAPI SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

extern "C" COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return CLR_INVALID;
    POINT device = context->ToDevice(POINT{x, y});
    RECT pixel{device.x, device.y, device.x + 1, device.y + 1};
    Canvas canvas(*context, &pixel);
    if (!canvas.valid()) return CLR_INVALID;
    RECT area = canvas.ClipToArea(RECT{device.x, device.y, device.x + 1, device.y + 1});
    if (area.left == area.right) return CLR_INVALID;
    return ColorOf(canvas.Read(device.x, device.y));
}
