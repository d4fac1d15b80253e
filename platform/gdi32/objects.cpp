// The table of GDI objects, the stock objects, and the calls that make, describe and delete pens,
// brushes and palettes.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/gdi32/device_context.h"

namespace platform::gdi {

namespace {

struct ObjectTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<GdiObject>> objects;
    // Handles look like Windows' (small, even numbers), apart from any pointer of the process.
    std::uintptr_t next = 0x00010010;
};

ObjectTable& Table() {
    static ObjectTable* table = new ObjectTable;
    return *table;
}

}  // namespace

std::uint8_t NearestIndex(const std::vector<RGBQUAD>& colors, std::uint32_t pixel) {
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t index = 0; index < colors.size(); ++index) {
        int red = static_cast<int>((pixel >> 16) & 0xFF) - colors[index].rgbRed;
        int green = static_cast<int>((pixel >> 8) & 0xFF) - colors[index].rgbGreen;
        int blue = static_cast<int>(pixel & 0xFF) - colors[index].rgbBlue;
        int distance = red * red + green * green + blue * blue;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = index;
            if (distance == 0) break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

HGDIOBJ AddObject(std::shared_ptr<GdiObject> object) {
    ObjectTable& table = Table();
    std::lock_guard lock(table.mutex);
    std::uintptr_t value = table.next;
    table.next += 4;
    table.objects[value] = std::move(object);
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(value);
    std::shared_ptr<GdiObject>& added = table.objects[value];
    if (added->kind == ObjectKind::DeviceContext) static_cast<DeviceContext&>(*added).handle = static_cast<HDC>(handle);
    return handle;
}

std::shared_ptr<GdiObject> FindObject(HGDIOBJ handle) {
    if (!handle) return nullptr;
    ObjectTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

std::shared_ptr<DeviceContext> FindDeviceContext(HDC handle) {
    return Find<DeviceContext>(handle, ObjectKind::DeviceContext);
}

void RemoveObject(HGDIOBJ handle) {
    ObjectTable& table = Table();
    std::shared_ptr<GdiObject> removed;
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.objects.end()) return;
    removed = std::move(found->second);
    table.objects.erase(found);
}

std::uint32_t MonochromeOf(std::uint32_t pixel) {
    int sum = static_cast<int>((pixel >> 16) & 0xFF) + static_cast<int>((pixel >> 8) & 0xFF) +
              static_cast<int>(pixel & 0xFF);
    return sum >= 0x180 ? 0xFFFFFF : 0x000000;
}

namespace {

std::shared_ptr<GdiObject> MakeStock(int index) {
    auto brush = [](UINT style, COLORREF color) {
        auto made = std::make_shared<Brush>();
        made->log = LOGBRUSH{style, color, 0};
        return made;
    };
    auto pen = [](UINT style, COLORREF color) {
        auto made = std::make_shared<Pen>();
        made->log = LOGPEN{style, POINT{0, 0}, color};
        return made;
    };
    auto font = [](const char* face, LONG height, LONG weight) {
        auto made = std::make_shared<Font>();
        made->log.lfHeight = height;
        made->log.lfWeight = weight;
        made->log.lfCharSet = ANSI_CHARSET;
        std::strncpy(made->log.lfFaceName, face, LF_FACESIZE - 1);
        return made;
    };
    switch (index) {
    case WHITE_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH: return brush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH: return brush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH: return brush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH: return brush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH: return brush(BS_NULL, 0);
    case DC_BRUSH: return brush(BS_SOLID, RGB(255, 255, 255));
    case WHITE_PEN: return pen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN: return pen(PS_NULL, 0);
    case DC_PEN: return pen(PS_SOLID, RGB(0, 0, 0));
    // The system font is bold and 16 pixels a cell; the fixed and device fonts are the monospaced face.
    case SYSTEM_FONT: return font("System", 16, FW_BOLD);
    case DEVICE_DEFAULT_FONT: return font("System", 16, FW_BOLD);
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: return font("Courier New", 13, FW_NORMAL);
    case ANSI_VAR_FONT: return font("MS Sans Serif", 13, FW_NORMAL);
    case DEFAULT_GUI_FONT: return font("MS Shell Dlg", -11, FW_NORMAL);
    case DEFAULT_PALETTE: {
        // The twenty static colours of a palette display.
        static const BYTE colors[20][3] = {
            {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        auto palette = std::make_shared<Palette>();
        for (const auto& color : colors) palette->entries.push_back(PALETTEENTRY{color[0], color[1], color[2], 0});
        return palette;
    }
    case kDefaultBitmap: {
        auto bitmap = std::make_shared<Bitmap>();
        bitmap->surface = std::make_shared<Surface>(1, 1, 0x000000);
        bitmap->bitsPerPixel = 1;
        return bitmap;
    }
    default: return nullptr;
    }
}

}  // namespace

HGDIOBJ StockObject(int index) {
    static std::mutex mutex;
    static HGDIOBJ handles[kDefaultBitmap + 1] = {};
    if (index < 0 || index > kDefaultBitmap) return nullptr;
    std::lock_guard lock(mutex);
    if (!handles[index]) {
        std::shared_ptr<GdiObject> made = MakeStock(index);
        if (!made) return nullptr;
        made->stock = true;
        handles[index] = AddObject(std::move(made));
    }
    return handles[index];
}

}  // namespace platform::gdi

using namespace platform::gdi;

extern "C" HGDIOBJ WINAPI GetStockObject(int i) {
    return StockObject(i == kDefaultBitmap ? -1 : i);
}

extern "C" DWORD WINAPI GetObjectType(HGDIOBJ h) {
    std::shared_ptr<GdiObject> object = FindObject(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (object->kind) {
    case ObjectKind::Pen: return OBJ_PEN;
    case ObjectKind::Brush: return OBJ_BRUSH;
    case ObjectKind::Font: return OBJ_FONT;
    case ObjectKind::Bitmap: return OBJ_BITMAP;
    case ObjectKind::Palette: return OBJ_PAL;
    case ObjectKind::Region: return OBJ_REGION;
    case ObjectKind::DeviceContext:
        return static_cast<DeviceContext&>(*object).type == DeviceType::Memory ? OBJ_MEMDC : OBJ_DC;
    }
    return 0;
}

extern "C" HPEN WINAPI CreatePen(int iStyle, int cWidth, COLORREF color) {
    LOGPEN log{static_cast<UINT>(iStyle), POINT{cWidth, 0}, color};
    return CreatePenIndirect(&log);
}

extern "C" HPEN WINAPI CreatePenIndirect(const LOGPEN* plpen) {
    if (!plpen) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_shared<Pen>();
    pen->log = *plpen;
    if ((pen->log.lopnStyle & PS_STYLE_MASK) > PS_INSIDEFRAME) pen->log.lopnStyle = PS_SOLID;
    return static_cast<HPEN>(AddObject(pen));
}

extern "C" HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    LOGBRUSH log{BS_SOLID, color, 0};
    return CreateBrushIndirect(&log);
}

extern "C" HBRUSH WINAPI CreateHatchBrush(int iHatch, COLORREF color) {
    LOGBRUSH log{BS_HATCHED, color, static_cast<ULONG_PTR>(iHatch)};
    return CreateBrushIndirect(&log);
}

extern "C" HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* plbrush) {
    if (!plbrush) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (plbrush->lbStyle == BS_PATTERN) return CreatePatternBrush(reinterpret_cast<HBITMAP>(plbrush->lbHatch));
    auto brush = std::make_shared<Brush>();
    brush->log = *plbrush;
    if (brush->log.lbStyle != BS_SOLID && brush->log.lbStyle != BS_NULL && brush->log.lbStyle != BS_HATCHED)
        brush->log.lbStyle = BS_SOLID;
    return static_cast<HBRUSH>(AddObject(brush));
}

extern "C" HBRUSH WINAPI CreatePatternBrush(HBITMAP hbm) {
    std::shared_ptr<Bitmap> bitmap = FindBitmap(hbm);
    if (!bitmap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    bitmap->LoadFromDib();
    auto brush = std::make_shared<Brush>();
    brush->log = LOGBRUSH{BS_PATTERN, 0, reinterpret_cast<ULONG_PTR>(hbm)};
    brush->pattern = std::make_shared<Surface>(*bitmap->surface);
    brush->patternMonochrome = bitmap->monochrome();
    return static_cast<HBRUSH>(AddObject(brush));
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ ho) {
    std::shared_ptr<GdiObject> object = FindObject(ho);
    if (!object || object->kind == ObjectKind::DeviceContext) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->stock) return TRUE;
    // A bitmap selected into a context stays until it is selected out, as on Windows.
    if (object->kind == ObjectKind::Bitmap && static_cast<Bitmap&>(*object).selectedInto) return FALSE;
    RemoveObject(ho);
    return TRUE;
}

extern "C" int WINAPI GetObjectA(HANDLE h, int c, LPVOID pv) {
    std::shared_ptr<GdiObject> object = FindObject(h);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto give = [&](const void* record, int size) {
        if (!pv) return size;
        int copied = std::min(c, size);
        if (copied <= 0) return 0;
        std::memcpy(pv, record, static_cast<std::size_t>(copied));
        return copied;
    };
    switch (object->kind) {
    case ObjectKind::Pen: return give(&static_cast<Pen&>(*object).log, sizeof(LOGPEN));
    case ObjectKind::Brush: return give(&static_cast<Brush&>(*object).log, sizeof(LOGBRUSH));
    case ObjectKind::Font: return give(&static_cast<Font&>(*object).log, sizeof(LOGFONTA));
    case ObjectKind::Palette: {
        WORD count = static_cast<WORD>(static_cast<Palette&>(*object).entries.size());
        return give(&count, sizeof count);
    }
    case ObjectKind::Bitmap: {
        auto& bitmap = static_cast<Bitmap&>(*object);
        DIBSECTION section{};
        BITMAP& info = section.dsBm;
        info.bmWidth = bitmap.surface->width();
        info.bmHeight = bitmap.surface->height();
        info.bmPlanes = 1;
        info.bmBitsPixel = static_cast<WORD>(bitmap.bitsPerPixel);
        // Device-dependent bitmaps have rows of whole words; DIB sections of whole double words.
        int bits = info.bmWidth * info.bmBitsPixel;
        info.bmWidthBytes = bitmap.dib ? bitmap.dib->format.stride : ((bits + 15) / 16) * 2;
        if (!bitmap.dib) return give(&info, sizeof(BITMAP));
        info.bmBits = bitmap.dib->memory.data();
        section.dsBmih = bitmap.dib->format.header;
        std::copy_n(bitmap.dib->format.masks, 3, section.dsBitfields);
        if (c >= static_cast<int>(sizeof(DIBSECTION))) return give(&section, sizeof(DIBSECTION));
        return give(&info, sizeof(BITMAP));
    }
    default: SetLastError(ERROR_INVALID_HANDLE); return 0;
    }
}

extern "C" HPALETTE WINAPI CreatePalette(const LOGPALETTE* plpal) {
    if (!plpal || plpal->palVersion != 0x300 || plpal->palNumEntries == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto palette = std::make_shared<Palette>();
    palette->entries.assign(plpal->palPalEntry, plpal->palPalEntry + plpal->palNumEntries);
    return static_cast<HPALETTE>(AddObject(palette));
}

extern "C" UINT WINAPI GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    std::shared_ptr<Palette> palette = FindPalette(hpal);
    if (!palette) return 0;
    UINT size = static_cast<UINT>(palette->entries.size());
    if (!pPalEntries) return size;
    if (iStart >= size) return 0;
    UINT count = std::min(cEntries, size - iStart);
    std::copy_n(palette->entries.begin() + iStart, count, pPalEntries);
    return count;
}

extern "C" UINT WINAPI SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries) {
    std::shared_ptr<Palette> palette = FindPalette(hpal);
    if (!palette || !pPalEntries || palette->stock) return 0;
    UINT size = static_cast<UINT>(palette->entries.size());
    if (iStart >= size) return 0;
    UINT count = std::min(cEntries, size - iStart);
    std::copy_n(pPalEntries, count, palette->entries.begin() + iStart);
    return count;
}

extern "C" UINT WINAPI GetNearestPaletteIndex(HPALETTE h, COLORREF color) {
    std::shared_ptr<Palette> palette = FindPalette(h);
    if (!palette) return CLR_INVALID;
    std::vector<RGBQUAD> colors;
    for (const PALETTEENTRY& entry : palette->entries)
        colors.push_back(RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0});
    return NearestIndex(colors, PixelOf(color));
}
