// Logical fonts and text output: TextOutA and ExtTextOutA by the text alignment and background mode,
// text extents and metrics.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "platform/gdi32/fonts.h"
#include "platform/gdi32/text_output.h"

namespace platform::gdi {

namespace {

int LogicalWidth(const DeviceContext& context, int device) {
    return std::abs(context.ToLogical(POINT{device, 0}).x - context.ToLogical(POINT{0, 0}).x);
}

int LogicalHeight(const DeviceContext& context, int device) {
    return std::abs(context.ToLogical(POINT{0, device}).y - context.ToLogical(POINT{0, 0}).y);
}

}  // namespace

SIZE TextExtent(const DeviceContext& context, std::string_view text) {
    std::vector<int> advances = AdvancesOf(context, text);
    int width = std::accumulate(advances.begin(), advances.end(), 0);
    return SIZE{LogicalWidth(context, width), LogicalHeight(context, MetricsOf(context).height)};
}

void OutputText(DeviceContext& context, int x, int y, UINT options, const RECT* rect, std::string_view text,
                const INT* spacing) {
    Canvas canvas(context);
    if (!canvas.valid()) return;
    if (rect && (options & ETO_OPAQUE)) {
        canvas.Fill(context.ToDevice(*rect), context.PixelFor(context.state.backgroundColor));
    }
    if (rect && (options & ETO_CLIPPED)) canvas.Restrict(context.ToDevice(*rect));
    if (text.empty()) return;
    FontMetrics metrics = MetricsOf(context);
    std::vector<int> advances = AdvancesOf(context, text);
    if (spacing) {
        for (std::size_t index = 0; index < advances.size(); ++index)
            advances[index] = context.ToDeviceWidth(spacing[index]);
    }
    int width = std::accumulate(advances.begin(), advances.end(), 0);
    UINT align = context.state.textAlign;
    POINT reference = (align & TA_UPDATECP) ? context.state.position : POINT{x, y};
    POINT device = context.ToDevice(reference);
    int left = device.x;
    switch (align & TA_CENTER) {
    case TA_CENTER: left -= width / 2; break;
    case TA_RIGHT: left -= width; break;
    default: break;
    }
    int top = device.y;
    if ((align & TA_BASELINE) == TA_BASELINE) top -= metrics.ascent;
    else if (align & TA_BOTTOM) top -= metrics.height;
    if (context.state.backgroundMode == OPAQUE) {
        canvas.Fill(RECT{left, top, left + width, top + metrics.height}, context.PixelFor(context.state.backgroundColor));
    }
    DrawGlyphs(context, canvas, left, top + metrics.ascent, text, advances, context.PixelFor(context.state.textColor));
    if (align & TA_UPDATECP) {
        // The current position moves past the text (before it, for right-aligned text).
        int moved = (align & TA_CENTER) == TA_RIGHT ? -width : (align & TA_CENTER) == TA_CENTER ? 0 : width;
        POINT end = context.ToLogical(POINT{device.x + moved, device.y});
        context.state.position.x = end.x;
    }
}

}  // namespace platform::gdi

using namespace platform::gdi;

extern "C" HFONT WINAPI CreateFontIndirectA(const LOGFONTA* lplf) {
    if (!lplf) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_shared<Font>();
    font->log = *lplf;
    font->log.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(AddObject(font));
}

extern "C" HFONT WINAPI CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight,
                                   DWORD bItalic, DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet,
                                   DWORD iOutPrecision, DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily,
                                   LPCSTR pszFaceName) {
    LOGFONTA log{};
    log.lfHeight = cHeight;
    log.lfWidth = cWidth;
    log.lfEscapement = cEscapement;
    log.lfOrientation = cOrientation;
    log.lfWeight = cWeight;
    log.lfItalic = static_cast<BYTE>(bItalic);
    log.lfUnderline = static_cast<BYTE>(bUnderline);
    log.lfStrikeOut = static_cast<BYTE>(bStrikeOut);
    log.lfCharSet = static_cast<BYTE>(iCharSet);
    log.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    log.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    log.lfQuality = static_cast<BYTE>(iQuality);
    log.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName) std::strncpy(log.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&log);
}

namespace {

std::string_view TextOf(LPCSTR text, int count) {
    if (!text || count <= 0) return {};
    return std::string_view(text, static_cast<std::size_t>(count));
}

}  // namespace

extern "C" BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || c < 0 || (!lpString && c > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    OutputText(*context, x, y, 0, nullptr, TextOf(lpString, c), nullptr);
    return TRUE;
}

extern "C" BOOL WINAPI ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c,
                                   const INT* lpDx) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || (!lpString && c > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    OutputText(*context, x, y, options, lprect, TextOf(lpString, static_cast<int>(c)), lpDx);
    return TRUE;
}

extern "C" BOOL WINAPI GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !psizl || c < 0 || (!lpString && c > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *psizl = TextExtent(*context, TextOf(lpString, c));
    return TRUE;
}

extern "C" BOOL WINAPI GetTextExtentPointA(HDC hdc, LPCSTR lpString, int c, LPSIZE lpsz) {
    return GetTextExtentPoint32A(hdc, lpString, c, lpsz);
}

extern "C" BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context || !lptm) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    FontMetrics metrics = MetricsOf(*context);
    TEXTMETRICA result{};
    result.tmHeight = metrics.height;
    result.tmAscent = metrics.ascent;
    result.tmDescent = metrics.descent;
    result.tmInternalLeading = metrics.internalLeading;
    result.tmExternalLeading = metrics.externalLeading;
    result.tmAveCharWidth = metrics.averageWidth;
    result.tmMaxCharWidth = metrics.maximumWidth;
    result.tmWeight = metrics.weight;
    result.tmDigitizedAspectX = 96;
    result.tmDigitizedAspectY = 96;
    result.tmFirstChar = 0x20;
    result.tmLastChar = 0xFF;
    result.tmDefaultChar = 0x1F;
    result.tmBreakChar = 0x20;
    result.tmItalic = metrics.italic ? 0xFF : 0;
    result.tmUnderlined = metrics.underline ? 0xFF : 0;
    result.tmStruckOut = metrics.strikeOut ? 0xFF : 0;
    result.tmPitchAndFamily = metrics.pitchAndFamily;
    result.tmCharSet = ANSI_CHARSET;
    *lptm = result;
    return TRUE;
}

// The face name without its terminator when the buffer is null; else the characters copied with it.
extern "C" int WINAPI GetTextFaceA(HDC hdc, int c, LPSTR lpName) {
    std::shared_ptr<DeviceContext> context = FindDeviceContext(hdc);
    if (!context) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    std::string face = MetricsOf(*context).faceName;
    if (!lpName) return static_cast<int>(face.size()) + 1;
    if (c <= 0) return 0;
    std::size_t copied = std::min<std::size_t>(face.size(), static_cast<std::size_t>(c - 1));
    std::memcpy(lpName, face.data(), copied);
    lpName[copied] = '\0';
    return static_cast<int>(copied) + 1;
}
