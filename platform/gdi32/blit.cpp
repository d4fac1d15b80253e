// Block transfers: the ternary raster operations over pattern, source and destination, between device
// contexts (BitBlt, StretchBlt), from a brush alone (PatBlt) and from DIB memory (StretchDIBits,
// SetDIBitsToDevice), with Windows' conversions between monochrome and colour.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/gdi32/device_context.h"

namespace platform::gdi {

namespace {

// The operation's result for 24 bits of each of pattern, source and destination: bit i of the
// operation's code is the result where pattern, source and destination bits make the number i
// (pattern 4, source 2, destination 1).
std::uint32_t RasterOperation(std::uint8_t code, std::uint32_t pattern, std::uint32_t source, std::uint32_t destination) {
    switch (code) {
    case 0xCC: return source;
    case 0x88: return source & destination;
    case 0xEE: return source | destination;
    case 0x66: return source ^ destination;
    case 0x55: return ~destination & 0xFFFFFF;
    case 0xF0: return pattern;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
    }
    std::uint32_t result = 0;
    for (int index = 0; index < 8; ++index) {
        if (!((code >> index) & 1)) continue;
        result |= (index & 4 ? pattern : ~pattern) & (index & 2 ? source : ~source) &
                  (index & 1 ? destination : ~destination);
    }
    return result & 0xFFFFFF;
}

bool UsesSource(DWORD rop) {
    return (((rop >> 2) ^ rop) & 0x330000) != 0;
}

bool UsesPattern(DWORD rop) {
    return (((rop >> 4) ^ rop) & 0x0F0000) != 0;
}

// Reads a source pixel at source coordinates; nothing outside the source.
using SourceRead = std::function<std::optional<std::uint32_t>(int x, int y)>;

// The source pixels of a box that shrink to one: ANDed (BLACKONWHITE keeps black), ORed (WHITEONBLACK
// keeps white) or averaged (HALFTONE).
std::optional<std::uint32_t> Combined(int mode, const SourceRead& read, int left, int top, int right, int bottom) {
    std::uint32_t all = mode == BLACKONWHITE ? 0xFFFFFF : 0;
    std::uint64_t sums[3] = {0, 0, 0};
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            std::optional<std::uint32_t> pixel = read(x, y);
            if (!pixel) continue;
            ++count;
            if (mode == BLACKONWHITE) all &= *pixel;
            else if (mode == WHITEONBLACK) all |= *pixel;
            for (int channel = 0; channel < 3; ++channel) sums[channel] += (*pixel >> (channel * 8)) & 0xFF;
        }
    }
    if (count == 0) return std::nullopt;
    if (mode != HALFTONE) return all;
    std::uint32_t average = 0;
    for (int channel = 0; channel < 3; ++channel)
        average |= static_cast<std::uint32_t>((sums[channel] + count / 2) / count) << (channel * 8);
    return average;
}

// Carries out the operation on the destination's device rectangle (x, y, width, height; a negative
// width or height mirrors), each pixel taking the source pixel its place maps to in the source
// rectangle.
void Transfer(DeviceContext& destination, int x, int y, int width, int height, const SourceRead& read, int sourceX,
              int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    Canvas canvas(destination);
    if (!canvas.valid() || width == 0 || height == 0) return;
    std::uint8_t code = static_cast<std::uint8_t>(rop >> 16);
    bool mirrorX = (width < 0) != (sourceWidth < 0);
    bool mirrorY = (height < 0) != (sourceHeight < 0);
    int left = width < 0 ? x + width : x, top = height < 0 ? y + height : y;
    int across = std::abs(width), down = std::abs(height);
    int sourceLeft = sourceWidth < 0 ? sourceX + sourceWidth : sourceX;
    int sourceTop = sourceHeight < 0 ? sourceY + sourceHeight : sourceY;
    int sourceAcross = std::abs(sourceWidth), sourceDown = std::abs(sourceHeight);
    std::shared_ptr<Brush> brush = UsesPattern(rop) ? FindBrush(destination.state.brush) : nullptr;
    bool needSource = UsesSource(rop);
    // The source is read whole before anything is written, so that a transfer within one surface
    // reads what was there.
    std::vector<std::optional<std::uint32_t>> sources;
    if (needSource) {
        sources.resize(static_cast<std::size_t>(across) * down);
        // Shrinking drops source pixels: the stretching mode says how the dropped ones count.
        int mode = destination.state.stretchMode;
        bool combine = (sourceAcross > across || sourceDown > down) && mode != COLORONCOLOR;
        for (int row = 0; row < down; ++row) {
            int place = mirrorY ? down - 1 - row : row;
            int fromRow = static_cast<int>(static_cast<long long>(place) * sourceDown / down);
            int toRow = std::max(fromRow + 1, static_cast<int>(static_cast<long long>(place + 1) * sourceDown / down));
            for (int column = 0; column < across; ++column) {
                int spot = mirrorX ? across - 1 - column : column;
                int fromColumn = static_cast<int>(static_cast<long long>(spot) * sourceAcross / across);
                std::optional<std::uint32_t>& value = sources[static_cast<std::size_t>(row) * across + column];
                value = read(sourceLeft + fromColumn, sourceTop + fromRow);
                if (!combine || !value) continue;
                int toColumn = std::max(fromColumn + 1, static_cast<int>(static_cast<long long>(spot + 1) * sourceAcross / across));
                value = Combined(mode, read, sourceLeft + fromColumn, sourceTop + fromRow, sourceLeft + toColumn,
                                 sourceTop + toRow);
            }
        }
    }
    RECT area = canvas.ClipToArea(RECT{left, top, left + across, top + down});
    POINT origin = canvas.origin();
    for (int surfaceY = area.top; surfaceY < area.bottom; ++surfaceY) {
        int deviceY = surfaceY - origin.y;
        for (int surfaceX = area.left; surfaceX < area.right; ++surfaceX) {
            int deviceX = surfaceX - origin.x;
            std::uint32_t source = 0;
            if (needSource) {
                const std::optional<std::uint32_t>& value =
                    sources[static_cast<std::size_t>(deviceY - top) * across + (deviceX - left)];
                if (!value) continue;
                source = *value;
            }
            std::uint32_t pattern = 0;
            if (brush) {
                std::optional<std::uint32_t> value = BrushPixel(destination, *brush, deviceX, deviceY);
                pattern = value.value_or(0);
                if (canvas.monochrome()) pattern = MonochromeOf(pattern);
            }
            std::uint32_t current = canvas.Read(deviceX, deviceY);
            canvas.Plot(deviceX, deviceY, RasterOperation(code, pattern, source, current));
        }
    }
}

// How a source context's pixels look to the destination: a monochrome source's black takes the
// destination's text colour and its white the background colour; a colour source on a monochrome
// destination is white where it has the source's background colour and black elsewhere.
SourceRead ContextSource(DeviceContext& source, const DeviceContext& destination) {
    std::shared_ptr<Surface> surface = source.surface();
    if (std::shared_ptr<Bitmap> bitmap = source.selectedBitmap()) bitmap->LoadFromDib();
    POINT origin = source.origin;
    bool fromMonochrome = source.monochrome();
    bool toMonochrome = destination.monochrome();
    std::uint32_t text = destination.PixelFor(destination.state.textColor);
    std::uint32_t background = destination.PixelFor(destination.state.backgroundColor);
    std::uint32_t sourceBackground = source.PixelFor(source.state.backgroundColor);
    return [=](int x, int y) -> std::optional<std::uint32_t> {
        if (!surface) return std::nullopt;
        int surfaceX = x + origin.x, surfaceY = y + origin.y;
        if (surfaceX < 0 || surfaceY < 0 || surfaceX >= surface->width() || surfaceY >= surface->height()) return std::nullopt;
        std::uint32_t pixel = surface->row(surfaceY)[surfaceX];
        if (fromMonochrome && !toMonochrome) return pixel ? background : text;
        if (!fromMonochrome && toMonochrome) return pixel == sourceBackground ? 0xFFFFFFu : 0u;
        return pixel;
    };
}

}  // namespace

}  // namespace platform::gdi

using namespace platform::gdi;

extern "C" BOOL WINAPI StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                                  int ySrc, int wSrc, int hSrc, DWORD rop) {
    std::shared_ptr<DeviceContext> destination = FindDeviceContext(hdcDest);
    if (!destination) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    POINT first = destination->ToDevice(POINT{xDest, yDest});
    POINT second = destination->ToDevice(POINT{xDest + wDest, yDest + hDest});
    if (!UsesSource(rop)) {
        Transfer(*destination, first.x, first.y, second.x - first.x, second.y - first.y, nullptr, 0, 0, 1, 1, rop);
        return TRUE;
    }
    std::shared_ptr<DeviceContext> source = FindDeviceContext(hdcSrc);
    if (!source) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    POINT sourceFirst = source->ToDevice(POINT{xSrc, ySrc});
    POINT sourceSecond = source->ToDevice(POINT{xSrc + wSrc, ySrc + hSrc});
    Transfer(*destination, first.x, first.y, second.x - first.x, second.y - first.y, ContextSource(*source, *destination),
             sourceFirst.x, sourceFirst.y, sourceSecond.x - sourceFirst.x, sourceSecond.y - sourceFirst.y, rop);
    return TRUE;
}

extern "C" BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return StretchBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

extern "C" BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    if (UsesSource(rop)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return StretchBlt(hdc, x, y, w, h, nullptr, 0, 0, w, h, rop);
}

namespace {

// DIB memory as a source: the picture's rows, y counted from the top of the picture as the caller
// sees it (bottom-up pictures are turned upright).
SourceRead DibSource(const DibFormat& format, const void* bits, std::shared_ptr<Surface>& picture) {
    picture = std::make_shared<Surface>(format.width(), format.height());
    DibToSurface(format, static_cast<const std::uint8_t*>(bits), *picture);
    std::shared_ptr<Surface> held = picture;
    return [held](int x, int y) -> std::optional<std::uint32_t> {
        if (x < 0 || y < 0 || x >= held->width() || y >= held->height()) return std::nullopt;
        return held->row(y)[x];
    };
}

}  // namespace

// The source rectangle counts ySrc from the bottom of a bottom-up picture, as Windows does.
extern "C" int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc,
                                    int SrcWidth, int SrcHeight, const VOID* lpBits, const BITMAPINFO* lpbmi,
                                    UINT iUsage, DWORD rop) {
    std::shared_ptr<DeviceContext> destination = FindDeviceContext(hdc);
    if (!destination) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::optional<DibFormat> format = ParseDibFormat(lpbmi, iUsage, destination.get());
    if (!format || !lpBits) return 0;
    std::shared_ptr<Surface> picture;
    SourceRead read = DibSource(*format, lpBits, picture);
    int top = format->topDown ? ySrc : format->height() - ySrc - SrcHeight;
    POINT first = destination->ToDevice(POINT{xDest, yDest});
    POINT second = destination->ToDevice(POINT{xDest + DestWidth, yDest + DestHeight});
    if (destination->monochrome()) {
        // Colours reach a monochrome device by brightness.
        SourceRead colour = read;
        read = [colour](int x, int y) -> std::optional<std::uint32_t> {
            std::optional<std::uint32_t> pixel = colour(x, y);
            if (pixel) *pixel = MonochromeOf(*pixel);
            return pixel;
        };
    }
    Transfer(*destination, first.x, first.y, second.x - first.x, second.y - first.y, read, xSrc, top, SrcWidth,
             SrcHeight, rop);
    return SrcHeight < 0 ? -SrcHeight : SrcHeight;
}

extern "C" int WINAPI SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc,
                                        UINT StartScan, UINT cLines, const VOID* lpvBits, const BITMAPINFO* lpbmi,
                                        UINT ColorUse) {
    std::shared_ptr<DeviceContext> destination = FindDeviceContext(hdc);
    if (!destination) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::optional<DibFormat> format = ParseDibFormat(lpbmi, ColorUse, destination.get());
    if (!format || !lpvBits || StartScan != 0) return 0;
    int lines = static_cast<int>(std::min<UINT>(cLines, static_cast<UINT>(format->height())));
    int width = static_cast<int>(w), height = static_cast<int>(h);
    return StretchDIBits(hdc, xDest, yDest, width, height, xSrc, ySrc, width, height, lpvBits, lpbmi, ColorUse,
                         SRCCOPY)
               ? lines
               : 0;
}
