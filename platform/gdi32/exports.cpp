// The entry points of gdi32.dll that LoadLibraryA and GetProcAddress hand out. Every function declared
// in wingdi.h belongs in this list.
#include "platform/kernel32/platform_libraries.h"
#include "windows.h"

#define GDI32_ENTRY_POINTS(X) \
    X(CreateCompatibleDC) \
    X(CreateDCA) \
    X(CreateICA) \
    X(DeleteDC) \
    X(SaveDC) \
    X(RestoreDC) \
    X(GetDeviceCaps) \
    X(GetObjectType) \
    X(GetStockObject) \
    X(SelectObject) \
    X(DeleteObject) \
    X(GetObjectA) \
    X(GetCurrentObject) \
    X(CreatePen) \
    X(CreatePenIndirect) \
    X(CreateSolidBrush) \
    X(CreateBrushIndirect) \
    X(CreateHatchBrush) \
    X(CreatePatternBrush) \
    X(CreateBitmap) \
    X(CreateBitmapIndirect) \
    X(CreateCompatibleBitmap) \
    X(CreateDIBSection) \
    X(CreateDIBitmap) \
    X(GetDIBits) \
    X(SetDIBits) \
    X(GetDIBColorTable) \
    X(SetDIBColorTable) \
    X(StretchDIBits) \
    X(SetDIBitsToDevice) \
    X(GdiFlush) \
    X(BitBlt) \
    X(StretchBlt) \
    X(PatBlt) \
    X(SetStretchBltMode) \
    X(GetStretchBltMode) \
    X(SetROP2) \
    X(GetROP2) \
    X(MoveToEx) \
    X(LineTo) \
    X(GetCurrentPositionEx) \
    X(Polyline) \
    X(Polygon) \
    X(Rectangle) \
    X(Ellipse) \
    X(SetPixel) \
    X(SetPixelV) \
    X(GetPixel) \
    X(TextOutA) \
    X(ExtTextOutA) \
    X(GetTextExtentPoint32A) \
    X(GetTextExtentPointA) \
    X(GetTextMetricsA) \
    X(GetTextFaceA) \
    X(CreateFontIndirectA) \
    X(CreateFontA) \
    X(SetTextColor) \
    X(GetTextColor) \
    X(SetBkColor) \
    X(GetBkColor) \
    X(SetBkMode) \
    X(GetBkMode) \
    X(SetTextAlign) \
    X(GetTextAlign) \
    X(CreateRectRgn) \
    X(CreateRectRgnIndirect) \
    X(CombineRgn) \
    X(GetRgnBox) \
    X(SelectClipRgn) \
    X(IntersectClipRect) \
    X(ExcludeClipRect) \
    X(GetClipBox) \
    X(SetMapMode) \
    X(GetMapMode) \
    X(SetWindowOrgEx) \
    X(SetViewportOrgEx) \
    X(OffsetViewportOrgEx) \
    X(SetWindowExtEx) \
    X(SetViewportExtEx) \
    X(GetWindowOrgEx) \
    X(GetViewportOrgEx) \
    X(GetWindowExtEx) \
    X(GetViewportExtEx) \
    X(LPtoDP) \
    X(DPtoLP) \
    X(CreatePalette) \
    X(SelectPalette) \
    X(RealizePalette) \
    X(GetPaletteEntries) \
    X(SetPaletteEntries) \
    X(GetSystemPaletteEntries) \
    X(GetNearestPaletteIndex) \
    X(StartDocA) \
    X(StartPage) \
    X(EndPage) \
    X(EndDoc) \
    X(AbortDoc)

namespace {

const platform::PlatformLibraryRegistrar registrar("gdi32.dll", platform::LibraryLoad::AtStart,
                                                   {GDI32_ENTRY_POINTS(PLATFORM_ENTRY_POINT)});

}  // namespace
