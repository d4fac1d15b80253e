// Bitmaps: device bitmaps (monochrome or of the display's colours), DIB sections whose memory the
// program reads and writes, and the transfers between DIB memory and bitmaps or devices.
#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi32/bitmaps.h"
#include "platform/gdi32/device_context.h"

namespace platform::gdi {

namespace {

int Shift(DWORD mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

int Bits(DWORD mask) {
    int bits = 0;
    for (mask >>= Shift(mask); mask & 1; mask >>= 1) ++bits;
    return bits;
}

// A component of a masked pixel, widened to 8 bits.
std::uint32_t Component(DWORD value, DWORD mask) {
    int bits = Bits(mask);
    if (bits == 0) return 0;
    std::uint32_t component = (value & mask) >> Shift(mask);
    return bits >= 8 ? component >> (bits - 8) : component * 255 / ((1u << bits) - 1);
}

DWORD Pack(std::uint32_t component, DWORD mask) {
    int bits = Bits(mask);
    if (bits == 0) return 0;
    DWORD value = bits >= 8 ? component << (bits - 8) : component >> (8 - bits);
    return (value << Shift(mask)) & mask;
}

std::size_t RowOffset(const DibFormat& format, int y) {
    return static_cast<std::size_t>(format.topDown ? y : format.height() - 1 - y) * format.stride;
}

}  // namespace

std::optional<DibFormat> ParseDibFormat(const BITMAPINFO* info, UINT usage, const DeviceContext* context) {
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    DibFormat format;
    format.header = info->bmiHeader;
    format.header.biSize = sizeof(BITMAPINFOHEADER);
    const BITMAPINFOHEADER& header = format.header;
    int depth = header.biBitCount;
    if (header.biWidth <= 0 || header.biHeight == 0) return std::nullopt;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32) return std::nullopt;
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) return std::nullopt;
    if (header.biCompression == BI_BITFIELDS && depth != 16 && depth != 32) return std::nullopt;
    format.topDown = header.biHeight < 0;
    format.stride = ((header.biWidth * depth + 31) / 32) * 4;
    format.header.biSizeImage = static_cast<DWORD>(format.bytes());
    const BYTE* after = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize;
    if (header.biCompression == BI_BITFIELDS) {
        // The three masks follow a plain header; the larger headers hold them inside.
        const BYTE* masks = info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER) ? after
                                                                                : reinterpret_cast<const BYTE*>(info) + 40;
        std::memcpy(format.masks, masks, sizeof format.masks);
        if (info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER)) after += sizeof format.masks;
    } else if (depth == 16) {
        format.masks[0] = 0x7C00, format.masks[1] = 0x03E0, format.masks[2] = 0x001F;
    } else if (depth >= 24) {
        format.masks[0] = 0xFF0000, format.masks[1] = 0x00FF00, format.masks[2] = 0x0000FF;
    }
    if (depth <= 8) {
        std::size_t count = header.biClrUsed ? std::min<std::size_t>(header.biClrUsed, 1u << depth) : 1u << depth;
        if (usage == DIB_PAL_COLORS) {
            std::shared_ptr<Palette> palette = FindPalette(context ? context->state.palette : StockObject(DEFAULT_PALETTE));
            if (!palette) palette = FindPalette(StockObject(DEFAULT_PALETTE));
            const WORD* indexes = reinterpret_cast<const WORD*>(after);
            for (std::size_t index = 0; index < count; ++index) {
                const PALETTEENTRY& entry = palette->entries[indexes[index] % palette->entries.size()];
                format.colors.push_back(RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0});
            }
        } else {
            const RGBQUAD* colors = reinterpret_cast<const RGBQUAD*>(after);
            format.colors.assign(colors, colors + count);
        }
        format.colors.resize(1u << depth, RGBQUAD{0, 0, 0, 0});
    }
    return format;
}

namespace {

// The rectangle of pixels both hold, cut to `part`.
RECT Common(const DibFormat& format, const Surface& surface, const RECT* part) {
    RECT common{0, 0, std::min(format.width(), surface.width()), std::min(format.height(), surface.height())};
    if (part) IntersectRectangles(common, common, *part);
    return common;
}

}  // namespace

void DibToSurface(const DibFormat& format, const std::uint8_t* memory, Surface& surface, const RECT* part) {
    int depth = format.header.biBitCount;
    RECT common = Common(format, surface, part);
    for (int y = common.top; y < common.bottom; ++y) {
        const std::uint8_t* row = memory + RowOffset(format, y);
        std::uint32_t* out = surface.row(y);
        for (int x = common.left; x < common.right; ++x) {
            std::uint32_t pixel = 0;
            if (depth <= 8) {
                int perByte = 8 / depth;
                int shift = 8 - depth * (x % perByte + 1);
                const RGBQUAD& entry = format.colors[(row[x / perByte] >> shift) & ((1 << depth) - 1)];
                pixel = (entry.rgbRed << 16) | (entry.rgbGreen << 8) | entry.rgbBlue;
            } else if (depth == 24) {
                const std::uint8_t* at = row + x * 3;
                pixel = (at[2] << 16) | (at[1] << 8) | at[0];
            } else {
                DWORD value = 0;
                std::memcpy(&value, row + x * (depth / 8), static_cast<std::size_t>(depth / 8));
                pixel = (Component(value, format.masks[0]) << 16) | (Component(value, format.masks[1]) << 8) |
                        Component(value, format.masks[2]);
            }
            out[x] = pixel;
        }
    }
}

void SurfaceToDib(const Surface& surface, const DibFormat& format, std::uint8_t* memory, const RECT* part) {
    int depth = format.header.biBitCount;
    RECT common = Common(format, surface, part);
    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
    for (int y = common.top; y < common.bottom; ++y) {
        std::uint8_t* row = memory + RowOffset(format, y);
        const std::uint32_t* in = surface.row(y);
        for (int x = common.left; x < common.right; ++x) {
            std::uint32_t pixel = in[x];
            if (depth <= 8) {
                auto found = nearest.find(pixel);
                std::uint8_t index = found != nearest.end() ? found->second
                                                            : (nearest[pixel] = NearestIndex(format.colors, pixel));
                int perByte = 8 / depth;
                int shift = 8 - depth * (x % perByte + 1);
                auto mask = static_cast<std::uint8_t>(((1 << depth) - 1) << shift);
                std::uint8_t& byte = row[x / perByte];
                byte = static_cast<std::uint8_t>((byte & ~mask) | ((index << shift) & mask));
            } else if (depth == 24) {
                std::uint8_t* at = row + x * 3;
                at[0] = static_cast<std::uint8_t>(pixel);
                at[1] = static_cast<std::uint8_t>(pixel >> 8);
                at[2] = static_cast<std::uint8_t>(pixel >> 16);
            } else {
                DWORD value = Pack((pixel >> 16) & 0xFF, format.masks[0]) | Pack((pixel >> 8) & 0xFF, format.masks[1]) |
                              Pack(pixel & 0xFF, format.masks[2]);
                std::memcpy(row + x * (depth / 8), &value, static_cast<std::size_t>(depth / 8));
            }
        }
    }
}

void Bitmap::LoadFromDib(const RECT* part) {
    if (dib) DibToSurface(dib->format, dib->memory.data(), *surface, part);
}

void Bitmap::StoreToDib(const RECT* part) {
    if (dib) SurfaceToDib(*surface, dib->format, dib->memory.data(), part);
}

HBITMAP CreateBitmapFromDib(const BITMAPINFO* info, const void* bits) {
    std::optional<DibFormat> format = ParseDibFormat(info, DIB_RGB_COLORS, nullptr);
    if (!format || !bits) return nullptr;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = std::make_shared<Surface>(format->width(), format->height());
    bitmap->bitsPerPixel = format->header.biBitCount == 1 ? 1 : CurrentDisplay().bitsPerPixel;
    DibToSurface(*format, static_cast<const std::uint8_t*>(bits), *bitmap->surface);
    // A two-colour picture of black and white is a monochrome bitmap; other two-colour ones take colour.
    if (bitmap->bitsPerPixel == 1) {
        const auto& colors = format->colors;
        bool blackAndWhite = colors[0].rgbRed == 0 && colors[0].rgbGreen == 0 && colors[0].rgbBlue == 0 &&
                             colors[1].rgbRed == 255 && colors[1].rgbGreen == 255 && colors[1].rgbBlue == 255;
        if (!blackAndWhite) bitmap->bitsPerPixel = CurrentDisplay().bitsPerPixel;
    }
    return static_cast<HBITMAP>(AddObject(bitmap));
}

HBITMAP CreateBitmapFromPackedDib(const void* packed, std::size_t size) {
    if (!packed || size < sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPINFOHEADER header;
    std::memcpy(&header, packed, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size || header.biBitCount > 32) return nullptr;
    std::size_t offset = header.biSize;
    if (header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
    if (header.biBitCount <= 8) {
        std::size_t colors = header.biClrUsed ? std::min<std::size_t>(header.biClrUsed, 1u << header.biBitCount)
                                              : 1u << header.biBitCount;
        offset += colors * sizeof(RGBQUAD);
    }
    if (offset > size) return nullptr;
    std::optional<DibFormat> format = ParseDibFormat(static_cast<const BITMAPINFO*>(packed), DIB_RGB_COLORS, nullptr);
    if (!format || offset + format->bytes() > size) return nullptr;
    return CreateBitmapFromDib(static_cast<const BITMAPINFO*>(packed), static_cast<const std::uint8_t*>(packed) + offset);
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

HBITMAP MakeBitmap(int width, int height, int bitsPerPixel) {
    if (width < 0 || height < 0 || width > 0x8000 || height > 0x8000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // An empty bitmap is the stock 1x1 monochrome one, as on Windows.
    if (width == 0 || height == 0) return static_cast<HBITMAP>(StockObject(kDefaultBitmap));
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = std::make_shared<Surface>(width, height, bitsPerPixel == 1 ? 0x000000 : 0x000000);
    bitmap->bitsPerPixel = bitsPerPixel;
    return static_cast<HBITMAP>(AddObject(bitmap));
}

// Device bitmap bits: rows of whole words, top-down, 1 bit (0 black) or the pixel's bytes.
void LoadDeviceBits(Bitmap& bitmap, const BYTE* bits) {
    int width = bitmap.surface->width();
    int depth = bitmap.bitsPerPixel;
    int stride = ((width * depth + 15) / 16) * 2;
    for (int y = 0; y < bitmap.surface->height(); ++y) {
        const BYTE* row = bits + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            if (depth == 1) pixel = (row[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0x000000;
            else if (depth == 8) pixel = row[x] * 0x010101u;
            else if (depth == 16) pixel = (((row[x * 2 + 1] >> 2) & 31) * 255 / 31) << 16 | ((((row[x * 2 + 1] & 3) << 3) | (row[x * 2] >> 5)) * 255 / 31) << 8 | ((row[x * 2] & 31) * 255 / 31);
            else if (depth == 24) pixel = (row[x * 3 + 2] << 16) | (row[x * 3 + 1] << 8) | row[x * 3];
            else pixel = (row[x * 4 + 2] << 16) | (row[x * 4 + 1] << 8) | row[x * 4];
            bitmap.surface->row(y)[x] = pixel;
        }
    }
}

std::shared_ptr<DeviceContext> OptionalContext(HDC hdc) {
    return hdc ? FindDeviceContext(hdc) : nullptr;
}

}  // namespace

extern "C" HBITMAP WINAPI CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits) {
    if (nPlanes != 1 || (nBitCount != 1 && nBitCount != 4 && nBitCount != 8 && nBitCount != 16 && nBitCount != 24 &&
                         nBitCount != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HBITMAP handle = MakeBitmap(nWidth, nHeight, static_cast<int>(nBitCount));
    std::shared_ptr<Bitmap> bitmap = FindBitmap(handle);
    if (bitmap && !bitmap->stock && lpBits && nBitCount != 4) LoadDeviceBits(*bitmap, static_cast<const BYTE*>(lpBits));
    return handle;
}

extern "C" HBITMAP WINAPI CreateBitmapIndirect(const BITMAP* pbm) {
    if (!pbm) return nullptr;
    return CreateBitmap(pbm->bmWidth, pbm->bmHeight, pbm->bmPlanes, pbm->bmBitsPixel, pbm->bmBits);
}

// A bitmap like the one the context draws on: monochrome for a memory context holding a monochrome
// bitmap, else of the device's colours.
extern "C" HBITMAP WINAPI CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return MakeBitmap(cx, cy, context->monochrome() ? 1 : context->bitsPerPixel());
}

extern "C" HBITMAP WINAPI CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits, HANDLE,
                                          DWORD) {
    if (ppvBits) *ppvBits = nullptr;
    std::optional<DibFormat> format = ParseDibFormat(pbmi, usage, OptionalContext(hdc).get());
    if (!format) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->bitsPerPixel = format->header.biBitCount;
    bitmap->surface = std::make_shared<Surface>(format->width(), format->height(), 0);
    bitmap->dib = std::make_unique<DibBits>();
    bitmap->dib->format = *format;
    bitmap->dib->memory.assign(format->bytes(), 0);
    bitmap->LoadFromDib();
    if (ppvBits) *ppvBits = bitmap->dib->memory.data();
    return static_cast<HBITMAP>(AddObject(bitmap));
}

extern "C" HBITMAP WINAPI CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* pbmih, DWORD flInit, const VOID* pjBits,
                                        const BITMAPINFO* pbmi, UINT iUsage) {
    if (!pbmih) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::shared_ptr<DeviceContext> context = OptionalContext(hdc);
    int height = pbmih->biHeight < 0 ? -pbmih->biHeight : pbmih->biHeight;
    int depth = context && context->monochrome() ? 1 : (context ? context->bitsPerPixel() : CurrentDisplay().bitsPerPixel);
    HBITMAP handle = MakeBitmap(pbmih->biWidth, height, depth);
    if (handle && (flInit & CBM_INIT) && pjBits && pbmi)
        SetDIBits(hdc, handle, 0, static_cast<UINT>(height), pjBits, pbmi, iUsage);
    return handle;
}

extern "C" int WINAPI SetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, const VOID* lpBits,
                                const BITMAPINFO* lpbmi, UINT ColorUse) {
    std::shared_ptr<Bitmap> bitmap = FindBitmap(hbm);
    std::optional<DibFormat> format = ParseDibFormat(lpbmi, ColorUse, OptionalContext(hdc).get());
    if (!bitmap || bitmap->stock || !format || !lpBits) return 0;
    // Scan line n is the nth row of the memory the caller gives, counted from `start`: bottom-up
    // pictures count from the bottom row.
    int height = format->height();
    int lines = static_cast<int>(std::min<UINT>(cLines, static_cast<UINT>(std::max(0, height - static_cast<int>(start)))));
    std::vector<std::uint8_t> whole(format->bytes(), 0);
    std::memcpy(whole.data() + static_cast<std::size_t>(start) * format->stride, lpBits,
                static_cast<std::size_t>(lines) * format->stride);
    Surface picture(format->width(), format->height());
    DibToSurface(*format, whole.data(), picture);
    bitmap->LoadFromDib();
    for (int line = 0; line < lines; ++line) {
        int scan = static_cast<int>(start) + line;
        int y = format->topDown ? scan : height - 1 - scan;
        if (y < 0 || y >= bitmap->surface->height()) continue;
        for (int x = 0; x < std::min(format->width(), bitmap->surface->width()); ++x) {
            std::uint32_t pixel = picture.pixel(x, y);
            bitmap->surface->setPixel(x, y, bitmap->monochrome() ? MonochromeOf(pixel) : pixel);
        }
    }
    bitmap->StoreToDib();
    return lines;
}

// With null bits, fills in the header (and the colour table of the bitmap's own format); with bits,
// copies the scan lines in the format the header asks for.
extern "C" int WINAPI GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi,
                                UINT usage) {
    std::shared_ptr<Bitmap> bitmap = FindBitmap(hbm);
    if (!bitmap || !lpbmi || lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    bitmap->LoadFromDib();
    BITMAPINFOHEADER& header = lpbmi->bmiHeader;
    if (!lpvBits && header.biBitCount == 0) {
        header.biWidth = bitmap->surface->width();
        header.biHeight = bitmap->surface->height();
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bitmap->bitsPerPixel);
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(((header.biWidth * header.biBitCount + 31) / 32) * 4 * header.biHeight);
        header.biClrUsed = 0;
        header.biClrImportant = 0;
        return bitmap->surface->height();
    }
    if (header.biWidth == 0) header.biWidth = bitmap->surface->width();
    if (header.biHeight == 0) header.biHeight = bitmap->surface->height();
    if (header.biBitCount <= 8 && header.biBitCount > 0) {
        // The colour table of the requested depth: the DIB section's own, black and white, or a
        // uniform table of the display's colours.
        std::vector<RGBQUAD> colors;
        int count = 1 << header.biBitCount;
        if (bitmap->dib && bitmap->dib->format.header.biBitCount == header.biBitCount) {
            colors = bitmap->dib->format.colors;
        } else if (header.biBitCount == 1) {
            colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
            if (std::shared_ptr<DeviceContext> context = OptionalContext(hdc); context && !bitmap->monochrome()) {
                std::uint32_t text = context->PixelFor(context->state.textColor);
                std::uint32_t back = context->PixelFor(context->state.backgroundColor);
                colors[0] = RGBQUAD{BYTE(text), BYTE(text >> 8), BYTE(text >> 16), 0};
                colors[1] = RGBQUAD{BYTE(back), BYTE(back >> 8), BYTE(back >> 16), 0};
            }
        } else {
            std::shared_ptr<Palette> palette = FindPalette(StockObject(DEFAULT_PALETTE));
            for (int index = 0; index < count; ++index) {
                if (count == 256 && index < 10) {
                    const PALETTEENTRY& entry = palette->entries[index];
                    colors.push_back(RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0});
                } else if (count == 256 && index >= 246) {
                    const PALETTEENTRY& entry = palette->entries[index - 236];
                    colors.push_back(RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0});
                } else if (count == 16) {
                    const PALETTEENTRY& entry = palette->entries[index < 8 ? index : index + 4];
                    colors.push_back(RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0});
                } else {
                    int cube = index - 10;
                    colors.push_back(RGBQUAD{BYTE((cube % 6) * 51), BYTE((cube / 6 % 6) * 51), BYTE((cube / 36 % 6) * 51), 0});
                }
            }
        }
        colors.resize(static_cast<std::size_t>(count));
        if (usage == DIB_RGB_COLORS) std::copy(colors.begin(), colors.end(), lpbmi->bmiColors);
        // The whole table is given.
        header.biClrUsed = 0;
    }
    std::optional<DibFormat> format = ParseDibFormat(lpbmi, DIB_RGB_COLORS, nullptr);
    if (!format) return 0;
    header.biSizeImage = static_cast<DWORD>(format->bytes());
    if (!lpvBits) return bitmap->surface->height();
    std::vector<std::uint8_t> whole(format->bytes(), 0);
    SurfaceToDib(*bitmap->surface, *format, whole.data());
    int height = format->height();
    int lines = static_cast<int>(std::min<UINT>(cLines, static_cast<UINT>(std::max(0, height - static_cast<int>(start)))));
    // Scan line `start` is the lowest one in a bottom-up picture: the rows given are the memory's rows
    // from there on.
    std::memcpy(lpvBits, whole.data() + static_cast<std::size_t>(start) * format->stride, static_cast<std::size_t>(lines) * format->stride);
    return lines;
}

extern "C" UINT WINAPI GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    std::shared_ptr<Bitmap> bitmap = context ? context->selectedBitmap() : nullptr;
    if (!bitmap || !bitmap->dib || !prgbq) return 0;
    const std::vector<RGBQUAD>& colors = bitmap->dib->format.colors;
    if (iStart >= colors.size()) return 0;
    UINT count = std::min<UINT>(cEntries, static_cast<UINT>(colors.size()) - iStart);
    std::copy_n(colors.begin() + iStart, count, prgbq);
    return count;
}

extern "C" UINT WINAPI SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD* prgbq) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    std::shared_ptr<Bitmap> bitmap = context ? context->selectedBitmap() : nullptr;
    if (!bitmap || !bitmap->dib || !prgbq) return 0;
    std::vector<RGBQUAD>& colors = bitmap->dib->format.colors;
    if (iStart >= colors.size()) return 0;
    UINT count = std::min<UINT>(cEntries, static_cast<UINT>(colors.size()) - iStart);
    std::copy_n(prgbq, count, colors.begin() + iStart);
    return count;
}

extern "C" BOOL WINAPI GdiFlush(void) {
    return TRUE;
}
