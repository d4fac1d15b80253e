// A device context: the surface it draws on (a memory context's selected bitmap, part of a window's
// surface, a printer's page), the objects selected into it, its colours and modes, its coordinate
// space and its clipping, with the saved states of SaveDC.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi32/gdi_objects.h"

namespace platform::gdi {

// What SaveDC saves and RestoreDC brings back.
struct DeviceState {
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;  // memory contexts only
    HGDIOBJ palette = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF backgroundColor = RGB(255, 255, 255);
    int backgroundMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int stretchMode = BLACKONWHITE;
    int rop2 = R2_COPYPEN;
    POINT position{0, 0};
    int mapMode = MM_TEXT;
    POINT windowOrigin{0, 0};
    POINT viewportOrigin{0, 0};
    SIZE windowExtent{1, 1};
    SIZE viewportExtent{1, 1};
    // The clipping rectangle, in device coordinates; none: the whole surface the context covers.
    std::optional<RECT> clip;
};

enum class DeviceType { Memory, Surface, Display, Printer, Information };

// A printer context's paper and its document.
struct PrinterPage {
    std::string printerName;
    int dotsPerInch = 300;
    int paperWidth = 0, paperHeight = 0;      // pixels of the whole sheet
    int offsetX = 0, offsetY = 0;             // the printable area's corner on the sheet
    int printableWidth = 0, printableHeight = 0;
    HANDLE printer = nullptr;                 // open while a document is
    DWORD job = 0;
    bool pageOpen = false;
    int pages = 0;
};

struct DeviceContext : GdiObject {
    DeviceContext() : GdiObject(ObjectKind::DeviceContext) {}
    DeviceType type = DeviceType::Memory;
    // A memory context draws on its bitmap's surface; the others on this one.
    std::shared_ptr<Surface> ownSurface;
    // Device point (0, 0) on the surface, and the part of the surface the context may draw on.
    POINT origin{0, 0};
    std::optional<RECT> surfaceClip;
    DeviceState state;
    std::vector<DeviceState> saved;
    std::unique_ptr<PrinterPage> page;
    HDC handle = nullptr;

    // The surface drawn on now, or null.
    std::shared_ptr<Surface> surface() const;
    std::shared_ptr<Bitmap> selectedBitmap() const;
    // Whether drawing turns colours to black and white (a memory context over a monochrome bitmap).
    bool monochrome() const;
    // The bits per pixel the device reports.
    int bitsPerPixel() const;

    // Logical to device coordinates and back.
    POINT ToDevice(POINT logical) const;
    POINT ToLogical(POINT device) const;
    // A logical rectangle in device coordinates, normalised (left <= right, top <= bottom).
    RECT ToDevice(const RECT& logical) const;
    // Logical widths and heights as device ones (magnitudes).
    int ToDeviceWidth(int width) const;
    int ToDeviceHeight(int height) const;
    // The rectangle, in surface coordinates, that drawing may reach: the context's part of the surface,
    // its clipping rectangle and the surface's bounds.
    RECT DrawableArea() const;
    // A COLORREF (explicit, palette index or palette-relative) as a pixel of this context.
    std::uint32_t PixelFor(COLORREF color) const;
};

// Writes pixels through a device context: in device coordinates, clipped to its drawable area, made
// black or white on monochrome bitmaps; a DIB section's memory is read before and written after.
class Canvas {
public:
    // `part` (device coordinates) limits what a DIB section's memory is read and written for: the pixels
    // the caller touches, when it knows them.
    explicit Canvas(DeviceContext& context, const RECT* part = nullptr);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool valid() const { return surface_ != nullptr; }
    Surface& surface() { return *surface_; }
    const RECT& area() const { return area_; }
    POINT origin() const { return origin_; }
    bool monochrome() const { return monochrome_; }

    // Device coordinates.
    void Plot(int x, int y, std::uint32_t pixel);
    // Blends `pixel` over what is there by coverage 0..255 (anti-aliased text).
    void Blend(int x, int y, std::uint32_t pixel, int coverage);
    // Fills the device rectangle (right and bottom excluded).
    void Fill(RECT rect, std::uint32_t pixel);
    std::uint32_t Read(int x, int y) const;
    // The device rectangle clipped to the drawable area, in surface coordinates.
    RECT ClipToArea(RECT device) const;
    // Draws only inside the device rectangle from now on.
    void Restrict(RECT device) { area_ = ClipToArea(device); }

private:
    std::shared_ptr<Surface> surface_;
    std::shared_ptr<Bitmap> bitmap_;
    RECT area_{};
    POINT origin_{};
    bool monochrome_ = false;
    std::optional<RECT> part_;
};

// The brush's pixel at a device point: its colour, its pattern's pixel (monochrome patterns in the text
// and background colours) or its hatch; nothing where a hatch's gaps show through in transparent mode.
std::optional<std::uint32_t> BrushPixel(const DeviceContext& context, const Brush& brush, int x, int y);
// Fills a device rectangle with a brush (solid, hatched or pattern); nothing for a null brush.
void FillWithBrush(DeviceContext& context, Canvas& canvas, RECT device, HGDIOBJ brushHandle);

// The display's mode, from the machine's settings.
struct DisplayCaps {
    int width, height, bitsPerPixel, refresh, dotsPerInch;
};
DisplayCaps CurrentDisplay();

inline bool IntersectRectangles(RECT& result, const RECT& a, const RECT& b) {
    result.left = a.left > b.left ? a.left : b.left;
    result.top = a.top > b.top ? a.top : b.top;
    result.right = a.right < b.right ? a.right : b.right;
    result.bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    if (result.left >= result.right || result.top >= result.bottom) {
        result = RECT{0, 0, 0, 0};
        return false;
    }
    return true;
}

}  // namespace platform::gdi
