// Pixel surfaces, the memory that device contexts draw on, and the calls by which the window manager
// and the tools reach them: a device context over part of a surface (a window's client area, its whole
// frame), and a surface written to or read from a PNG file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "windows.h"

namespace platform::gdi {

// Pixels of 32 bits, 0x00RRGGBB (COLORREF's order reversed, as a 32-bit DIB holds them), rows from the
// top. A surface made without a fill is white.
class Surface {
public:
    Surface(int width, int height, std::uint32_t fill = 0xFFFFFF);

    int width() const { return width_; }
    int height() const { return height_; }
    std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint32_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    // Reads outside the surface give 0; writes outside it are dropped.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t value);
    // A new size keeps the pixels that still fit and fills the rest with `fill`.
    void resize(int width, int height, std::uint32_t fill = 0xFFFFFF);

private:
    int width_;
    int height_;
    std::vector<std::uint32_t> pixels_;
};

// A device context drawing on `surface`: logical point (0, 0) is `origin` on the surface, and nothing is
// drawn outside `clip` (surface coordinates). Freed with DeleteDC; the surface lives as long as a
// context or a holder keeps it.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, RECT clip);
// The surface a device context draws on (a memory context's selected bitmap, a window's surface), or
// null for a handle that is not a device context.
std::shared_ptr<Surface> SurfaceOfDC(HDC dc);

// Writes the surface as an 8-bit RGB PNG; false when the file cannot be written.
bool WritePng(const Surface& surface, const std::filesystem::path& file);
// Reads a PNG written by WritePng (or any 8-bit RGB or RGBA PNG); nothing when it cannot be read.
std::optional<Surface> ReadPng(const std::filesystem::path& file);

}  // namespace platform::gdi
