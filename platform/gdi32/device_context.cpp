// Device contexts: made over memory, window surfaces, the screen and printers; the objects selected
// into them, their saved states, colours and modes, coordinate spaces, clipping and capabilities.
#include "platform/gdi32/device_context.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <utility>

#include "platform/gdi32/printing.h"
#include "platform/machine/machine.h"
#include "platform/machine/text.h"

namespace platform::gdi {

namespace {

// The screen: what a display context draws on.
std::shared_ptr<Surface> ScreenSurface() {
    static std::mutex mutex;
    static std::shared_ptr<Surface> screen;
    std::lock_guard lock(mutex);
    DisplayCaps display = CurrentDisplay();
    if (!screen) screen = std::make_shared<Surface>(display.width, display.height, 0x3A6EA5);
    return screen;
}

DeviceState DefaultState() {
    DeviceState state;
    state.pen = StockObject(BLACK_PEN);
    state.brush = StockObject(WHITE_BRUSH);
    state.font = StockObject(SYSTEM_FONT);
    state.palette = StockObject(DEFAULT_PALETTE);
    return state;
}

HDC AddContext(std::shared_ptr<DeviceContext> context) {
    return static_cast<HDC>(AddObject(std::move(context)));
}

long Scale(long value, long numerator, long denominator) {
    if (denominator == 0) return value;
    return std::lround(static_cast<double>(value) * numerator / denominator);
}

// Isotropic mapping keeps one unit as long across as down: the larger viewport extent shrinks.
void KeepIsotropic(DeviceState& state) {
    if (state.mapMode != MM_ISOTROPIC || state.windowExtent.cx == 0 || state.windowExtent.cy == 0) return;
    double scaleX = std::fabs(static_cast<double>(state.viewportExtent.cx) / state.windowExtent.cx);
    double scaleY = std::fabs(static_cast<double>(state.viewportExtent.cy) / state.windowExtent.cy);
    double scale = std::min(scaleX, scaleY);
    auto shrink = [&](LONG& viewport, LONG window) {
        LONG sign = (viewport < 0) != (window < 0) ? -1 : 1;
        viewport = sign * static_cast<LONG>(std::lround(scale * std::labs(window)));
    };
    if (scaleX > scale) shrink(state.viewportExtent.cx, state.windowExtent.cx);
    if (scaleY > scale) shrink(state.viewportExtent.cy, state.windowExtent.cy);
}

int DotsPerInch(const DeviceContext& context) {
    return context.page ? context.page->dotsPerInch : CurrentDisplay().dotsPerInch;
}

}  // namespace

DisplayCaps CurrentDisplay() {
    DisplayCaps caps{1024, 768, 32, 60, 96};
    if (Machine* machine = Machine::CurrentOrNull()) {
        const DisplayMode& mode = machine->settings().display;
        caps = DisplayCaps{mode.width, mode.height, mode.bitsPerPixel, mode.refresh, 96};
    }
    return caps;
}

std::shared_ptr<Bitmap> DeviceContext::selectedBitmap() const {
    return type == DeviceType::Memory ? FindBitmap(state.bitmap) : nullptr;
}

std::shared_ptr<Surface> DeviceContext::surface() const {
    if (type == DeviceType::Memory) {
        std::shared_ptr<Bitmap> bitmap = selectedBitmap();
        return bitmap ? bitmap->surface : nullptr;
    }
    return ownSurface;
}

bool DeviceContext::monochrome() const {
    std::shared_ptr<Bitmap> bitmap = selectedBitmap();
    return bitmap && bitmap->monochrome();
}

int DeviceContext::bitsPerPixel() const {
    if (page) return 24;
    return CurrentDisplay().bitsPerPixel;
}

POINT DeviceContext::ToDevice(POINT logical) const {
    return POINT{static_cast<LONG>(Scale(logical.x - state.windowOrigin.x, state.viewportExtent.cx,
                                         state.windowExtent.cx) + state.viewportOrigin.x),
                 static_cast<LONG>(Scale(logical.y - state.windowOrigin.y, state.viewportExtent.cy,
                                         state.windowExtent.cy) + state.viewportOrigin.y)};
}

POINT DeviceContext::ToLogical(POINT device) const {
    return POINT{static_cast<LONG>(Scale(device.x - state.viewportOrigin.x, state.windowExtent.cx,
                                         state.viewportExtent.cx) + state.windowOrigin.x),
                 static_cast<LONG>(Scale(device.y - state.viewportOrigin.y, state.windowExtent.cy,
                                         state.viewportExtent.cy) + state.windowOrigin.y)};
}

RECT DeviceContext::ToDevice(const RECT& logical) const {
    POINT first = ToDevice(POINT{logical.left, logical.top});
    POINT second = ToDevice(POINT{logical.right, logical.bottom});
    return RECT{std::min(first.x, second.x), std::min(first.y, second.y), std::max(first.x, second.x),
                std::max(first.y, second.y)};
}

int DeviceContext::ToDeviceWidth(int width) const {
    return static_cast<int>(std::labs(Scale(width, state.viewportExtent.cx, state.windowExtent.cx)));
}

int DeviceContext::ToDeviceHeight(int height) const {
    return static_cast<int>(std::labs(Scale(height, state.viewportExtent.cy, state.windowExtent.cy)));
}

RECT DeviceContext::DrawableArea() const {
    std::shared_ptr<Surface> target = surface();
    if (!target) return RECT{0, 0, 0, 0};
    RECT area{0, 0, target->width(), target->height()};
    if (surfaceClip) IntersectRectangles(area, area, *surfaceClip);
    if (state.clip) {
        RECT clip{state.clip->left + origin.x, state.clip->top + origin.y, state.clip->right + origin.x,
                  state.clip->bottom + origin.y};
        IntersectRectangles(area, area, clip);
    }
    return area;
}

std::uint32_t DeviceContext::PixelFor(COLORREF color) const {
    if ((color >> 24) == 1) {
        std::shared_ptr<Palette> palette = FindPalette(state.palette);
        if (!palette) palette = FindPalette(StockObject(DEFAULT_PALETTE));
        std::size_t index = color & 0xFFFF;
        if (index >= palette->entries.size()) index = 0;
        const PALETTEENTRY& entry = palette->entries[index];
        return (entry.peRed << 16) | (entry.peGreen << 8) | entry.peBlue;
    }
    return PixelOf(color & 0xFFFFFF);
}

Canvas::Canvas(DeviceContext& context, const RECT* part) {
    surface_ = context.surface();
    if (!surface_) return;
    area_ = context.DrawableArea();
    origin_ = context.origin;
    monochrome_ = context.monochrome();
    bitmap_ = context.selectedBitmap();
    if (!bitmap_ || !bitmap_->dib) return;
    if (part) part_ = ClipToArea(*part);
    bitmap_->LoadFromDib(part_ ? &*part_ : nullptr);
}

Canvas::~Canvas() {
    if (bitmap_) bitmap_->StoreToDib(part_ ? &*part_ : nullptr);
}

void Canvas::Plot(int x, int y, std::uint32_t pixel) {
    x += origin_.x;
    y += origin_.y;
    if (x < area_.left || x >= area_.right || y < area_.top || y >= area_.bottom) return;
    surface_->row(y)[x] = monochrome_ ? MonochromeOf(pixel) : pixel;
}

void Canvas::Blend(int x, int y, std::uint32_t pixel, int coverage) {
    if (coverage <= 0) return;
    if (monochrome_ || coverage >= 255) {
        if (!monochrome_ || coverage >= 128) Plot(x, y, pixel);
        return;
    }
    int surfaceX = x + origin_.x;
    int surfaceY = y + origin_.y;
    if (surfaceX < area_.left || surfaceX >= area_.right || surfaceY < area_.top || surfaceY >= area_.bottom) return;
    std::uint32_t& at = surface_->row(surfaceY)[surfaceX];
    std::uint32_t mixed = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int over = static_cast<int>((pixel >> shift) & 0xFF);
        int under = static_cast<int>((at >> shift) & 0xFF);
        mixed |= static_cast<std::uint32_t>((over * coverage + under * (255 - coverage) + 127) / 255) << shift;
    }
    at = mixed;
}

void Canvas::Fill(RECT rect, std::uint32_t pixel) {
    RECT clipped = ClipToArea(rect);
    if (monochrome_) pixel = MonochromeOf(pixel);
    for (int y = clipped.top; y < clipped.bottom; ++y) std::fill(surface_->row(y) + clipped.left, surface_->row(y) + clipped.right, pixel);
}

std::uint32_t Canvas::Read(int x, int y) const {
    return surface_->pixel(x + origin_.x, y + origin_.y);
}

RECT Canvas::ClipToArea(RECT device) const {
    RECT onSurface{device.left + origin_.x, device.top + origin_.y, device.right + origin_.x,
                   device.bottom + origin_.y};
    RECT clipped;
    IntersectRectangles(clipped, onSurface, area_);
    return clipped;
}

std::optional<std::uint32_t> BrushPixel(const DeviceContext& context, const Brush& brush, int x, int y) {
    std::uint32_t color = context.PixelFor(brush.log.lbColor);
    std::uint32_t background = context.PixelFor(context.state.backgroundColor);
    switch (brush.log.lbStyle) {
    case BS_SOLID: return color;
    case BS_NULL: return std::nullopt;
    case BS_PATTERN: {
        // Patterns line up with the device's origin, so that adjacent fills meet seamlessly.
        const Surface& pattern = *brush.pattern;
        int patternX = ((x % pattern.width()) + pattern.width()) % pattern.width();
        int patternY = ((y % pattern.height()) + pattern.height()) % pattern.height();
        std::uint32_t pixel = pattern.pixel(patternX, patternY);
        // A monochrome pattern takes the text colour for 0 bits and the background colour for 1.
        if (brush.patternMonochrome) pixel = pixel ? background : context.PixelFor(context.state.textColor);
        return pixel;
    }
    default: break;
    }
    int hx = ((x % 8) + 8) % 8, hy = ((y % 8) + 8) % 8;
    bool on = false;
    switch (brush.log.lbHatch) {
    case HS_HORIZONTAL: on = hy == 4; break;
    case HS_VERTICAL: on = hx == 4; break;
    case HS_FDIAGONAL: on = hx == hy; break;
    case HS_BDIAGONAL: on = hx == 7 - hy; break;
    case HS_CROSS: on = hx == 4 || hy == 4; break;
    default: on = hx == hy || hx == 7 - hy; break;
    }
    if (on) return color;
    if (context.state.backgroundMode == OPAQUE) return background;
    return std::nullopt;
}

void FillWithBrush(DeviceContext& context, Canvas& canvas, RECT device, HGDIOBJ brushHandle) {
    std::shared_ptr<Brush> brush = FindBrush(brushHandle);
    if (!brush || brush->log.lbStyle == BS_NULL || !canvas.valid()) return;
    if (brush->log.lbStyle == BS_SOLID) {
        canvas.Fill(device, context.PixelFor(brush->log.lbColor));
        return;
    }
    RECT clipped = canvas.ClipToArea(device);
    POINT origin = canvas.origin();
    for (int y = clipped.top; y < clipped.bottom; ++y) {
        for (int x = clipped.left; x < clipped.right; ++x) {
            if (std::optional<std::uint32_t> pixel = BrushPixel(context, *brush, x - origin.x, y - origin.y))
                canvas.Plot(x - origin.x, y - origin.y, *pixel);
        }
    }
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, RECT clip) {
    if (!surface) return nullptr;
    auto context = std::make_shared<DeviceContext>();
    context->type = DeviceType::Surface;
    context->ownSurface = std::move(surface);
    context->origin = origin;
    context->surfaceClip = clip;
    context->state = DefaultState();
    return AddContext(std::move(context));
}

std::shared_ptr<Surface> SurfaceOfDC(HDC dc) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(dc);
    if (!context) return nullptr;
    if (std::shared_ptr<Bitmap> bitmap = context->selectedBitmap()) bitmap->LoadFromDib();
    return context->surface();
}

}  // namespace platform::gdi

using namespace platform::gdi;

namespace {

// The context of a handle, or null with ERROR_INVALID_HANDLE.
std::shared_ptr<DeviceContext> ContextOf(HDC hdc) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context) SetLastError(ERROR_INVALID_HANDLE);
    return context;
}

}  // namespace

extern "C" HDC WINAPI CreateCompatibleDC(HDC hdc) {
    auto context = std::make_shared<DeviceContext>();
    context->type = DeviceType::Memory;
    context->state = DefaultState();
    context->state.bitmap = StockObject(kDefaultBitmap);
    if (hdc) {
        std::shared_ptr<DeviceContext> model = ContextOf(hdc);
        if (!model) return nullptr;
        if (model->page) {
            context->page = std::make_unique<PrinterPage>(*model->page);
            context->page->printer = nullptr;
            context->page->job = 0;
        }
    }
    return AddContext(std::move(context));
}

namespace {

HDC CreateDevice(LPCSTR driver, LPCSTR device, bool information) {
    bool display = (driver && platform::EqualsNoCase(driver, "DISPLAY")) ||
                   (!driver && device && platform::EqualsNoCase(device, "DISPLAY"));
    auto context = std::make_shared<DeviceContext>();
    context->state = DefaultState();
    if (display) {
        context->type = information ? DeviceType::Information : DeviceType::Display;
        if (!information) context->ownSurface = ScreenSurface();
        return AddContext(std::move(context));
    }
    if (!device) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_ptr<PrinterPage> page = PrinterPageOf(device);
    if (!page) return nullptr;
    context->type = information ? DeviceType::Information : DeviceType::Printer;
    context->page = std::move(page);
    return AddContext(std::move(context));
}

}  // namespace

extern "C" HDC WINAPI CreateDCA(LPCSTR pwszDriver, LPCSTR pwszDevice, LPCSTR, const DEVMODEA*) {
    return CreateDevice(pwszDriver, pwszDevice, false);
}

extern "C" HDC WINAPI CreateICA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR, const DEVMODEA*) {
    return CreateDevice(pszDriver, pszDevice, true);
}

extern "C" BOOL WINAPI DeleteDC(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    if (context->page && context->page->printer) AbortDoc(hdc);
    if (std::shared_ptr<Bitmap> bitmap = context->selectedBitmap()) bitmap->selectedInto = nullptr;
    RemoveObject(hdc);
    return TRUE;
}

extern "C" HGDIOBJ WINAPI SelectObject(HDC hdc, HGDIOBJ h) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    std::shared_ptr<GdiObject> object = FindObject(h);
    if (!context || !object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    DeviceState& state = context->state;
    auto swap = [](HGDIOBJ& slot, HGDIOBJ handle) {
        HGDIOBJ previous = slot;
        slot = handle;
        return previous;
    };
    switch (object->kind) {
    case ObjectKind::Pen: return swap(state.pen, h);
    case ObjectKind::Brush: return swap(state.brush, h);
    case ObjectKind::Font: return swap(state.font, h);
    case ObjectKind::Region: {
        int result = SelectClipRgn(hdc, static_cast<HRGN>(h));
        return reinterpret_cast<HGDIOBJ>(static_cast<INT_PTR>(result));
    }
    case ObjectKind::Bitmap: {
        // Only memory contexts hold bitmaps, each bitmap one context at a time; a monochrome context
        // takes monochrome bitmaps or ones of the device's colours.
        if (context->type != DeviceType::Memory) return nullptr;
        auto& bitmap = static_cast<Bitmap&>(*object);
        if (bitmap.selectedInto && bitmap.selectedInto != hdc) return nullptr;
        std::shared_ptr<Bitmap> previous = context->selectedBitmap();
        if (previous && !previous->stock) previous->selectedInto = nullptr;
        if (!bitmap.stock) bitmap.selectedInto = hdc;
        return swap(state.bitmap, h);
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

extern "C" HGDIOBJ WINAPI GetCurrentObject(HDC hdc, UINT type) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return nullptr;
    switch (type) {
    case OBJ_PEN: return context->state.pen;
    case OBJ_BRUSH: return context->state.brush;
    case OBJ_FONT: return context->state.font;
    case OBJ_PAL: return context->state.palette;
    case OBJ_BITMAP: return context->type == DeviceType::Memory ? context->state.bitmap : nullptr;
    default: return nullptr;
    }
}

extern "C" int WINAPI SaveDC(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    context->saved.push_back(context->state);
    return static_cast<int>(context->saved.size());
}

// A positive level restores that saved state, a negative one the state that many saves back; the
// states saved after it are dropped.
extern "C" BOOL WINAPI RestoreDC(HDC hdc, int nSavedDC) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    int count = static_cast<int>(context->saved.size());
    int level = nSavedDC < 0 ? count + nSavedDC + 1 : nSavedDC;
    if (level < 1 || level > count) return FALSE;
    DeviceState restored = context->saved[static_cast<std::size_t>(level - 1)];
    context->saved.resize(static_cast<std::size_t>(level - 1));
    if (context->type == DeviceType::Memory && restored.bitmap != context->state.bitmap) {
        HGDIOBJ bitmap = restored.bitmap;
        restored.bitmap = context->state.bitmap;
        context->state = restored;
        SelectObject(hdc, bitmap);
    } else {
        context->state = restored;
    }
    return TRUE;
}

extern "C" int WINAPI GetDeviceCaps(HDC hdc, int index) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    DisplayCaps display = CurrentDisplay();
    const PrinterPage* page = context->page.get();
    bool palette = !page && display.bitsPerPixel <= 8;
    int width = page ? page->printableWidth : display.width;
    int height = page ? page->printableHeight : display.height;
    int dpi = DotsPerInch(*context);
    switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return page ? DT_RASPRINTER : DT_RASDISPLAY;
    case HORZSIZE: return static_cast<int>(std::lround(width * 25.4 / dpi));
    case VERTSIZE: return static_cast<int>(std::lround(height * 25.4 / dpi));
    case HORZRES:
    case DESKTOPHORZRES: return width;
    case VERTRES:
    case DESKTOPVERTRES: return height;
    case BITSPIXEL: return context->bitsPerPixel();
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS: return -1;
    case NUMFONTS: return 0;
    case NUMCOLORS: return palette ? 20 : -1;
    case CURVECAPS: return 0xFF;
    case LINECAPS: return 0xFE;
    case POLYGONALCAPS: return 0xFF;
    case TEXTCAPS: return 0x7807;
    case CLIPCAPS: return 1;
    case RASTERCAPS: {
        int caps = RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
                   RC_STRETCHBLT | RC_STRETCHDIB;
        if (!page) caps |= RC_FLOODFILL;
        if (palette) caps |= RC_PALETTE;
        return caps;
    }
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX:
    case LOGPIXELSY: return dpi;
    case SIZEPALETTE: return palette ? 1 << display.bitsPerPixel : 0;
    case NUMRESERVED: return palette ? 20 : 0;
    case COLORRES: return palette ? 18 : 24;
    case PHYSICALWIDTH: return page ? page->paperWidth : 0;
    case PHYSICALHEIGHT: return page ? page->paperHeight : 0;
    case PHYSICALOFFSETX: return page ? page->offsetX : 0;
    case PHYSICALOFFSETY: return page ? page->offsetY : 0;
    case VREFRESH: return page ? 0 : display.refresh;
    case BLTALIGNMENT: return 0;
    default: return 0;
    }
}

// Colours and modes.

extern "C" COLORREF WINAPI SetTextColor(HDC hdc, COLORREF color) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return CLR_INVALID;
    return std::exchange(context->state.textColor, color);
}

extern "C" COLORREF WINAPI GetTextColor(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.textColor : CLR_INVALID;
}

extern "C" COLORREF WINAPI SetBkColor(HDC hdc, COLORREF color) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return CLR_INVALID;
    return std::exchange(context->state.backgroundColor, color);
}

extern "C" COLORREF WINAPI GetBkColor(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.backgroundColor : CLR_INVALID;
}

extern "C" int WINAPI SetBkMode(HDC hdc, int mode) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(context->state.backgroundMode, mode);
}

extern "C" int WINAPI GetBkMode(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.backgroundMode : 0;
}

extern "C" UINT WINAPI SetTextAlign(HDC hdc, UINT align) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return GDI_ERROR;
    return std::exchange(context->state.textAlign, align);
}

extern "C" UINT WINAPI GetTextAlign(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.textAlign : GDI_ERROR;
}

extern "C" int WINAPI SetStretchBltMode(HDC hdc, int mode) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(context->state.stretchMode, mode);
}

extern "C" int WINAPI GetStretchBltMode(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.stretchMode : 0;
}

extern "C" int WINAPI SetROP2(HDC hdc, int rop2) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return std::exchange(context->state.rop2, rop2);
}

extern "C" int WINAPI GetROP2(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.rop2 : 0;
}

// Coordinate spaces.

extern "C" int WINAPI SetMapMode(HDC hdc, int iMode) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    if (iMode < MM_TEXT || iMode > MM_ANISOTROPIC) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    DeviceState& state = context->state;
    int previous = state.mapMode;
    state.mapMode = iMode;
    // The metric and English modes: so many logical units an inch, y growing upwards.
    int dpi = DotsPerInch(*context);
    auto fixed = [&](LONG unitsPerInch) {
        state.windowExtent = SIZE{unitsPerInch, unitsPerInch};
        state.viewportExtent = SIZE{dpi, -dpi};
    };
    switch (iMode) {
    case MM_TEXT:
        state.windowExtent = SIZE{1, 1};
        state.viewportExtent = SIZE{1, 1};
        break;
    case MM_LOMETRIC: fixed(254); break;
    case MM_HIMETRIC: fixed(2540); break;
    case MM_LOENGLISH: fixed(100); break;
    case MM_HIENGLISH: fixed(1000); break;
    case MM_TWIPS: fixed(1440); break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        // Switching from a fixed mode keeps its scale until the extents are set.
        if (previous == MM_TEXT) {
            state.windowExtent = SIZE{1, 1};
            state.viewportExtent = SIZE{1, 1};
        }
        KeepIsotropic(state);
        break;
    }
    return previous;
}

extern "C" int WINAPI GetMapMode(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    return context ? context->state.mapMode : 0;
}

namespace {

BOOL SetPoint(HDC hdc, POINT DeviceState::*member, int x, int y, LPPOINT previous, bool offset) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    POINT& point = context->state.*member;
    if (previous) *previous = point;
    point = offset ? POINT{point.x + x, point.y + y} : POINT{x, y};
    return TRUE;
}

BOOL SetExtent(HDC hdc, SIZE DeviceState::*member, int x, int y, LPSIZE previous) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return FALSE;
    DeviceState& state = context->state;
    if (previous) *previous = state.*member;
    // Only the scalable modes take extents; the others keep theirs and succeed, as on Windows.
    if (state.mapMode != MM_ISOTROPIC && state.mapMode != MM_ANISOTROPIC) return TRUE;
    if (x == 0 || y == 0) return FALSE;
    state.*member = SIZE{x, y};
    KeepIsotropic(state);
    return TRUE;
}

template <typename Value>
BOOL GetValue(HDC hdc, Value DeviceState::*member, Value* out) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || !out) return FALSE;
    *out = context->state.*member;
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetPoint(hdc, &DeviceState::windowOrigin, x, y, lppt, false);
}

extern "C" BOOL WINAPI SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetPoint(hdc, &DeviceState::viewportOrigin, x, y, lppt, false);
}

extern "C" BOOL WINAPI OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT lppt) {
    return SetPoint(hdc, &DeviceState::viewportOrigin, x, y, lppt, true);
}

extern "C" BOOL WINAPI SetWindowExtEx(HDC hdc, int x, int y, LPSIZE lpsz) {
    return SetExtent(hdc, &DeviceState::windowExtent, x, y, lpsz);
}

extern "C" BOOL WINAPI SetViewportExtEx(HDC hdc, int x, int y, LPSIZE lpsz) {
    return SetExtent(hdc, &DeviceState::viewportExtent, x, y, lpsz);
}

extern "C" BOOL WINAPI GetWindowOrgEx(HDC hdc, LPPOINT lppoint) {
    return GetValue(hdc, &DeviceState::windowOrigin, lppoint);
}

extern "C" BOOL WINAPI GetViewportOrgEx(HDC hdc, LPPOINT lppoint) {
    return GetValue(hdc, &DeviceState::viewportOrigin, lppoint);
}

extern "C" BOOL WINAPI GetWindowExtEx(HDC hdc, LPSIZE lpsize) {
    return GetValue(hdc, &DeviceState::windowExtent, lpsize);
}

extern "C" BOOL WINAPI GetViewportExtEx(HDC hdc, LPSIZE lpsize) {
    return GetValue(hdc, &DeviceState::viewportExtent, lpsize);
}

extern "C" BOOL WINAPI LPtoDP(HDC hdc, LPPOINT lppt, int c) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || (!lppt && c > 0)) return FALSE;
    for (int index = 0; index < c; ++index) lppt[index] = context->ToDevice(lppt[index]);
    return TRUE;
}

extern "C" BOOL WINAPI DPtoLP(HDC hdc, LPPOINT lppt, int c) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || (!lppt && c > 0)) return FALSE;
    for (int index = 0; index < c; ++index) lppt[index] = context->ToLogical(lppt[index]);
    return TRUE;
}

// Clipping: one rectangle per context, in device coordinates; regions are rectangles.

namespace {

int RegionKind(const RECT& box) {
    return box.left < box.right && box.top < box.bottom ? SIMPLEREGION : NULLREGION;
}

RECT WholeDevice(const DeviceContext& context) {
    std::shared_ptr<Surface> surface = context.surface();
    if (context.surfaceClip) {
        const RECT& clip = *context.surfaceClip;
        return RECT{clip.left - context.origin.x, clip.top - context.origin.y, clip.right - context.origin.x,
                    clip.bottom - context.origin.y};
    }
    if (surface) return RECT{-context.origin.x, -context.origin.y, surface->width() - context.origin.x,
                             surface->height() - context.origin.y};
    if (context.page) return RECT{0, 0, context.page->printableWidth, context.page->printableHeight};
    return RECT{0, 0, 0, 0};
}

}  // namespace

extern "C" HRGN WINAPI CreateRectRgn(int x1, int y1, int x2, int y2) {
    auto region = std::make_shared<Region>();
    region->box = RECT{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
    if (RegionKind(region->box) == NULLREGION) region->box = RECT{0, 0, 0, 0};
    return static_cast<HRGN>(AddObject(region));
}

extern "C" HRGN WINAPI CreateRectRgnIndirect(const RECT* lprect) {
    if (!lprect) return nullptr;
    return CreateRectRgn(lprect->left, lprect->top, lprect->right, lprect->bottom);
}

// Rectangles combine into their intersection, their bounding box (union) or a copy; a difference of
// rectangles keeps the first unless the second covers it.
extern "C" int WINAPI CombineRgn(HRGN hrgnDst, HRGN hrgnSrc1, HRGN hrgnSrc2, int iMode) {
    std::shared_ptr<Region> target = FindRegion(hrgnDst);
    std::shared_ptr<Region> first = FindRegion(hrgnSrc1);
    std::shared_ptr<Region> second = iMode == RGN_COPY ? first : FindRegion(hrgnSrc2);
    if (!target || !first || !second) return ERROR;
    RECT a = first->box, b = second->box, result{0, 0, 0, 0};
    switch (iMode) {
    case RGN_AND: IntersectRectangles(result, a, b); break;
    case RGN_COPY: result = a; break;
    case RGN_OR:
    case RGN_XOR:
        if (RegionKind(a) == NULLREGION) result = b;
        else if (RegionKind(b) == NULLREGION) result = a;
        else result = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                           std::max(a.bottom, b.bottom)};
        break;
    case RGN_DIFF:
        result = a;
        if (b.left <= a.left && b.top <= a.top && b.right >= a.right && b.bottom >= a.bottom) result = RECT{0, 0, 0, 0};
        break;
    default: return ERROR;
    }
    target->box = result;
    return RegionKind(result);
}

extern "C" int WINAPI GetRgnBox(HRGN hrgn, LPRECT lprc) {
    std::shared_ptr<Region> region = FindRegion(hrgn);
    if (!region || !lprc) return ERROR;
    *lprc = region->box;
    return RegionKind(region->box);
}

extern "C" int WINAPI SelectClipRgn(HDC hdc, HRGN hrgn) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return ERROR;
    if (!hrgn) {
        context->state.clip.reset();
        return SIMPLEREGION;
    }
    std::shared_ptr<Region> region = FindRegion(hrgn);
    if (!region) return ERROR;
    context->state.clip = region->box;
    return RegionKind(region->box);
}

extern "C" int WINAPI IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return ERROR;
    RECT device = context->ToDevice(RECT{left, top, right, bottom});
    RECT current = context->state.clip.value_or(WholeDevice(*context));
    RECT result;
    IntersectRectangles(result, current, device);
    context->state.clip = result;
    return RegionKind(result);
}

// The part left of a rectangle when another is taken out, as far as a rectangle can hold it.
extern "C" int WINAPI ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return ERROR;
    RECT cut = context->ToDevice(RECT{left, top, right, bottom});
    RECT current = context->state.clip.value_or(WholeDevice(*context));
    if (cut.top <= current.top && cut.bottom >= current.bottom) {
        if (cut.left <= current.left && cut.right > current.left) current.left = std::min(cut.right, current.right);
        else if (cut.right >= current.right && cut.left < current.right) current.right = std::max(cut.left, current.left);
    } else if (cut.left <= current.left && cut.right >= current.right) {
        if (cut.top <= current.top && cut.bottom > current.top) current.top = std::min(cut.bottom, current.bottom);
        else if (cut.bottom >= current.bottom && cut.top < current.bottom) current.bottom = std::max(cut.top, current.top);
    }
    context->state.clip = current;
    return RegionKind(current);
}

extern "C" int WINAPI GetClipBox(HDC hdc, LPRECT lprect) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || !lprect) return ERROR;
    RECT box = WholeDevice(*context);
    if (context->state.clip) IntersectRectangles(box, box, *context->state.clip);
    POINT first = context->ToLogical(POINT{box.left, box.top});
    POINT second = context->ToLogical(POINT{box.right, box.bottom});
    *lprect = RECT{std::min(first.x, second.x), std::min(first.y, second.y), std::max(first.x, second.x),
                   std::max(first.y, second.y)};
    return RegionKind(box);
}

// Palettes: the display's system palette holds the static colours and then the colours the selected
// palette realised.

namespace {

struct SystemPalette {
    std::mutex mutex;
    std::vector<PALETTEENTRY> entries;
};

SystemPalette& TheSystemPalette() {
    static SystemPalette* palette = [] {
        auto* made = new SystemPalette;
        std::shared_ptr<Palette> statics = FindPalette(StockObject(DEFAULT_PALETTE));
        made->entries.assign(256, PALETTEENTRY{0, 0, 0, 0});
        for (std::size_t index = 0; index < 10; ++index) {
            made->entries[index] = statics->entries[index];
            made->entries[246 + index] = statics->entries[10 + index];
        }
        return made;
    }();
    return *palette;
}

}  // namespace

extern "C" HPALETTE WINAPI SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context || !FindPalette(hPal)) return nullptr;
    return static_cast<HPALETTE>(std::exchange(context->state.palette, hPal));
}

extern "C" UINT WINAPI RealizePalette(HDC hdc) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return GDI_ERROR;
    std::shared_ptr<Palette> palette = FindPalette(context->state.palette);
    if (!palette || palette->stock || CurrentDisplay().bitsPerPixel > 8) return 0;
    SystemPalette& system = TheSystemPalette();
    std::lock_guard lock(system.mutex);
    UINT realized = 0;
    for (std::size_t index = 0; index < palette->entries.size() && 10 + index < 246; ++index) {
        PALETTEENTRY entry = palette->entries[index];
        entry.peFlags = 0;
        system.entries[10 + index] = entry;
        ++realized;
    }
    return realized;
}

extern "C" UINT WINAPI GetSystemPaletteEntries(HDC hdc, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    std::shared_ptr<DeviceContext> context = ContextOf(hdc);
    if (!context) return 0;
    // A device without a palette has no system palette entries to give.
    if (context->page || CurrentDisplay().bitsPerPixel > 8) return 0;
    SystemPalette& system = TheSystemPalette();
    std::lock_guard lock(system.mutex);
    UINT size = static_cast<UINT>(system.entries.size());
    if (!pPalEntries) return size;
    if (iStart >= size) return 0;
    UINT count = std::min(cEntries, size - iStart);
    std::copy_n(system.entries.begin() + iStart, count, pPalEntries);
    return count;
}
