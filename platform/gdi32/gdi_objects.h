// The objects behind GDI handles: pens, brushes, fonts, bitmaps, palettes, regions and device contexts,
// kept in one table of the process, as Windows keeps them per process.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi32/surface.h"
#include "windows.h"

namespace platform::gdi {

enum class ObjectKind { Pen, Brush, Font, Bitmap, Palette, Region, DeviceContext };

struct GdiObject {
    explicit GdiObject(ObjectKind objectKind) : kind(objectKind) {}
    virtual ~GdiObject() = default;
    ObjectKind kind;
    // Stock objects live as long as the process: DeleteObject leaves them alone.
    bool stock = false;
};

struct Pen : GdiObject {
    Pen() : GdiObject(ObjectKind::Pen) {}
    LOGPEN log{};
};

struct Bitmap;

struct Brush : GdiObject {
    Brush() : GdiObject(ObjectKind::Brush) {}
    LOGBRUSH log{};
    // A pattern brush's picture, copied when the brush is made, as Windows does.
    std::shared_ptr<Surface> pattern;
    bool patternMonochrome = false;
};

struct Font : GdiObject {
    Font() : GdiObject(ObjectKind::Font) {}
    LOGFONTA log{};
};

// The layout of a device-independent bitmap's pixels: rows of biBitCount bits, each a whole number of
// double words, bottom-up unless biHeight is negative, colour indexes into `colors` for 8 bits or fewer.
struct DibFormat {
    BITMAPINFOHEADER header{};
    std::vector<RGBQUAD> colors;
    // The bit masks of 16- and 32-bit pixels (BI_BITFIELDS), red, green, blue.
    DWORD masks[3] = {0, 0, 0};
    int stride = 0;
    bool topDown = false;
    int width() const { return header.biWidth; }
    int height() const { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }
    std::size_t bytes() const { return static_cast<std::size_t>(stride) * height(); }
};

struct DeviceContext;
// The format a BITMAPINFO describes (DIB_PAL_COLORS colour tables index the context's palette), or
// nothing for one GDI cannot draw (compressed, unknown depths).
std::optional<DibFormat> ParseDibFormat(const BITMAPINFO* info, UINT usage, const DeviceContext* context);
// Pixels of DIB memory into a surface of the bitmap's size, and back; only those of `part` (surface
// coordinates) when one is given.
void DibToSurface(const DibFormat& format, const std::uint8_t* memory, Surface& surface, const RECT* part = nullptr);
void SurfaceToDib(const Surface& surface, const DibFormat& format, std::uint8_t* memory, const RECT* part = nullptr);

// A DIB section's own memory.
struct DibBits {
    DibFormat format;
    std::vector<std::uint8_t> memory;
};

struct Bitmap : GdiObject {
    Bitmap() : GdiObject(ObjectKind::Bitmap) {}
    std::shared_ptr<Surface> surface;
    // Bits per pixel as GetObjectA reports them: 1 for monochrome, else the device's or the DIB's.
    int bitsPerPixel = 32;
    bool monochrome() const { return bitsPerPixel == 1 && !dib; }
    // A DIB section's own memory, which the program may read and write: drawing reads it into the
    // surface first and writes the surface back after.
    std::unique_ptr<DibBits> dib;
    // The device context it is selected into; a bitmap is in at most one.
    HDC selectedInto = nullptr;

    // Brings the surface up to date with a DIB section's memory, and the memory with the surface.
    void LoadFromDib(const RECT* part = nullptr);
    void StoreToDib(const RECT* part = nullptr);
};

struct Palette : GdiObject {
    Palette() : GdiObject(ObjectKind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

// Regions are rectangles: the programs clip to rectangles only.
struct Region : GdiObject {
    Region() : GdiObject(ObjectKind::Region) {}
    RECT box{};
};

// Adds an object to the table; its new handle.
HGDIOBJ AddObject(std::shared_ptr<GdiObject> object);
// The object of a handle, or null.
std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle);
template <typename Kind>
std::shared_ptr<Kind> Find(HGDIOBJ handle, ObjectKind kind) {
    std::shared_ptr<GdiObject> object = FindObject(handle);
    if (!object || object->kind != kind) return nullptr;
    return std::static_pointer_cast<Kind>(object);
}
inline std::shared_ptr<Pen> FindPen(HGDIOBJ handle) { return Find<Pen>(handle, ObjectKind::Pen); }
inline std::shared_ptr<Brush> FindBrush(HGDIOBJ handle) { return Find<Brush>(handle, ObjectKind::Brush); }
inline std::shared_ptr<Font> FindFont(HGDIOBJ handle) { return Find<Font>(handle, ObjectKind::Font); }
inline std::shared_ptr<Bitmap> FindBitmap(HGDIOBJ handle) { return Find<Bitmap>(handle, ObjectKind::Bitmap); }
inline std::shared_ptr<Palette> FindPalette(HGDIOBJ handle) { return Find<Palette>(handle, ObjectKind::Palette); }
inline std::shared_ptr<Region> FindRegion(HGDIOBJ handle) { return Find<Region>(handle, ObjectKind::Region); }
std::shared_ptr<DeviceContext> FindDeviceContext(HDC handle);
// Removes the handle from the table.
void RemoveObject(HGDIOBJ handle);

// The stock objects (GetStockObject's indexes), made at first use; DEFAULT_BITMAP is the 1x1 monochrome
// bitmap a new memory device context holds.
inline constexpr int kDefaultBitmap = 21;
HGDIOBJ StockObject(int index);

// The colour a monochrome target gives a colour: white for light colours, black for dark ones.
std::uint32_t MonochromeOf(std::uint32_t pixel);
// The entry of a colour table nearest to a pixel.
std::uint8_t NearestIndex(const std::vector<RGBQUAD>& colors, std::uint32_t pixel);
// A COLORREF as a surface pixel and back.
inline std::uint32_t PixelOf(COLORREF color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
inline COLORREF ColorOf(std::uint32_t pixel) {
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

}  // namespace platform::gdi
