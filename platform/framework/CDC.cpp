// Device context objects: thin wrappers over the GDI calls, and the temporary objects of contexts and
// of the objects selected into them.
#include "CDC.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "AFX_MODULE_STATE.h"
#include "platform/gdi32/bitmaps.h"
#include "platform/gdi32/user_drawing.h"

namespace {

struct TemporaryContexts {
    std::mutex mutex;
    std::map<HDC, std::unique_ptr<CDC>> contexts;
};

TemporaryContexts& Temporaries() {
    static TemporaryContexts* map = new TemporaryContexts;
    return *map;
}

}  // namespace

CDC::~CDC() {
    DeleteDC();
}

CDC* CDC::FromHandle(HDC hDC) {
    if (!hDC) return nullptr;
    TemporaryContexts& map = Temporaries();
    std::lock_guard lock(map.mutex);
    std::unique_ptr<CDC>& object = map.contexts[hDC];
    if (!object) {
        object = std::make_unique<CDC>();
        object->m_hDC = hDC;
    }
    return object.get();
}

void CDC::DeleteTempMap() {
    TemporaryContexts& map = Temporaries();
    std::lock_guard lock(map.mutex);
    for (auto& [handle, object] : map.contexts) object->Detach();
    map.contexts.clear();
}

BOOL CDC::Attach(HDC hDC) {
    if (!hDC || m_hDC) return FALSE;
    m_hDC = hDC;
    return TRUE;
}

HDC CDC::Detach() {
    return std::exchange(m_hDC, nullptr);
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    return Attach(::CreateCompatibleDC(pDC ? pDC->m_hDC : nullptr));
}

BOOL CDC::CreateDC(LPCSTR lpszDriverName, LPCSTR lpszDeviceName, LPCSTR lpszOutput, const void* lpInitData) {
    return Attach(::CreateDCA(lpszDriverName, lpszDeviceName, lpszOutput, static_cast<const DEVMODEA*>(lpInitData)));
}

BOOL CDC::CreateIC(LPCSTR lpszDriverName, LPCSTR lpszDeviceName, LPCSTR lpszOutput, const void* lpInitData) {
    return Attach(::CreateICA(lpszDriverName, lpszDeviceName, lpszOutput, static_cast<const DEVMODEA*>(lpInitData)));
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    return ::DeleteDC(Detach());
}

int CDC::SaveDC() {
    return ::SaveDC(m_hDC);
}

BOOL CDC::RestoreDC(int nSavedDC) {
    return ::RestoreDC(m_hDC, nSavedDC);
}

int CDC::GetDeviceCaps(int nIndex) const {
    return ::GetDeviceCaps(m_hDC, nIndex);
}

CPen* CDC::SelectObject(CPen* pPen) {
    return pPen ? CPen::FromHandle(static_cast<HPEN>(::SelectObject(m_hDC, pPen->m_hObject))) : nullptr;
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
    return pBrush ? CBrush::FromHandle(static_cast<HBRUSH>(::SelectObject(m_hDC, pBrush->m_hObject))) : nullptr;
}

CFont* CDC::SelectObject(CFont* pFont) {
    return pFont ? CFont::FromHandle(static_cast<HFONT>(::SelectObject(m_hDC, pFont->m_hObject))) : nullptr;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    return pBitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(::SelectObject(m_hDC, pBitmap->m_hObject))) : nullptr;
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    return pObject ? CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject)) : nullptr;
}

CGdiObject* CDC::SelectStockObject(int nIndex) {
    HGDIOBJ stock = ::GetStockObject(nIndex);
    return stock ? CGdiObject::FromHandle(::SelectObject(m_hDC, stock)) : nullptr;
}

CPen* CDC::GetCurrentPen() const {
    return CPen::FromHandle(static_cast<HPEN>(::GetCurrentObject(m_hDC, OBJ_PEN)));
}

CBrush* CDC::GetCurrentBrush() const {
    return CBrush::FromHandle(static_cast<HBRUSH>(::GetCurrentObject(m_hDC, OBJ_BRUSH)));
}

CFont* CDC::GetCurrentFont() const {
    return CFont::FromHandle(static_cast<HFONT>(::GetCurrentObject(m_hDC, OBJ_FONT)));
}

CBitmap* CDC::GetCurrentBitmap() const {
    return CBitmap::FromHandle(static_cast<HBITMAP>(::GetCurrentObject(m_hDC, OBJ_BITMAP)));
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
    return ::SetTextColor(m_hDC, crColor);
}

COLORREF CDC::GetTextColor() const {
    return ::GetTextColor(m_hDC);
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
    return ::SetBkColor(m_hDC, crColor);
}

COLORREF CDC::GetBkColor() const {
    return ::GetBkColor(m_hDC);
}

int CDC::SetBkMode(int nBkMode) {
    return ::SetBkMode(m_hDC, nBkMode);
}

int CDC::GetBkMode() const {
    return ::GetBkMode(m_hDC);
}

UINT CDC::SetTextAlign(UINT nFlags) {
    return ::SetTextAlign(m_hDC, nFlags);
}

int CDC::SetStretchBltMode(int nStretchMode) {
    return ::SetStretchBltMode(m_hDC, nStretchMode);
}

int CDC::SetROP2(int nDrawMode) {
    return ::SetROP2(m_hDC, nDrawMode);
}

int CDC::SetMapMode(int nMapMode) {
    return ::SetMapMode(m_hDC, nMapMode);
}

int CDC::GetMapMode() const {
    return ::GetMapMode(m_hDC);
}

POINT CDC::SetWindowOrg(int x, int y) {
    POINT previous{};
    ::SetWindowOrgEx(m_hDC, x, y, &previous);
    return previous;
}

POINT CDC::SetViewportOrg(int x, int y) {
    POINT previous{};
    ::SetViewportOrgEx(m_hDC, x, y, &previous);
    return previous;
}

SIZE CDC::SetWindowExt(int cx, int cy) {
    SIZE previous{};
    ::SetWindowExtEx(m_hDC, cx, cy, &previous);
    return previous;
}

SIZE CDC::SetViewportExt(int cx, int cy) {
    SIZE previous{};
    ::SetViewportExtEx(m_hDC, cx, cy, &previous);
    return previous;
}

void CDC::LPtoDP(LPPOINT lpPoints, int nCount) const {
    ::LPtoDP(m_hDC, lpPoints, nCount);
}

void CDC::DPtoLP(LPPOINT lpPoints, int nCount) const {
    ::DPtoLP(m_hDC, lpPoints, nCount);
}

void CDC::LPtoDP(LPRECT lpRect) const {
    ::LPtoDP(m_hDC, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CDC::DPtoLP(LPRECT lpRect) const {
    ::DPtoLP(m_hDC, reinterpret_cast<LPPOINT>(lpRect), 2);
}

int CDC::IntersectClipRect(int x1, int y1, int x2, int y2) {
    return ::IntersectClipRect(m_hDC, x1, y1, x2, y2);
}

int CDC::IntersectClipRect(LPCRECT lpRect) {
    return ::IntersectClipRect(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

int CDC::GetClipBox(LPRECT lpRect) const {
    return ::GetClipBox(m_hDC, lpRect);
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop) {
    return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, dwRop);
}

BOOL CDC::StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                     int nSrcHeight, DWORD dwRop) {
    return ::StretchBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC ? pSrcDC->m_hDC : nullptr, xSrc, ySrc, nSrcWidth,
                        nSrcHeight, dwRop);
}

BOOL CDC::PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop) {
    return ::PatBlt(m_hDC, x, y, nWidth, nHeight, dwRop);
}

// The window manager's rectangle and text calls, through the layout the graphics library does for it.
void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
    if (pBrush) platform::gdi::FillRect(m_hDC, lpRect, *pBrush);
}

// A solid fill in the given colour, which becomes the background colour, as the framework has always
// done it.
void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
    ::SetBkColor(m_hDC, clr);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, lpRect, nullptr, 0, nullptr);
}

void CDC::FrameRect(LPCRECT lpRect, CBrush* pBrush) {
    if (pBrush) platform::gdi::FrameRect(m_hDC, lpRect, *pBrush);
}

void CDC::InvertRect(LPCRECT lpRect) {
    platform::gdi::InvertRect(m_hDC, lpRect);
}

BOOL CDC::Rectangle(int x1, int y1, int x2, int y2) {
    return ::Rectangle(m_hDC, x1, y1, x2, y2);
}

BOOL CDC::Rectangle(LPCRECT lpRect) {
    return ::Rectangle(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

BOOL CDC::Ellipse(int x1, int y1, int x2, int y2) {
    return ::Ellipse(m_hDC, x1, y1, x2, y2);
}

BOOL CDC::Ellipse(LPCRECT lpRect) {
    return ::Ellipse(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

POINT CDC::MoveTo(int x, int y) {
    POINT previous{};
    ::MoveToEx(m_hDC, x, y, &previous);
    return previous;
}

POINT CDC::MoveTo(POINT point) {
    return MoveTo(point.x, point.y);
}

BOOL CDC::LineTo(int x, int y) {
    return ::LineTo(m_hDC, x, y);
}

BOOL CDC::LineTo(POINT point) {
    return ::LineTo(m_hDC, point.x, point.y);
}

BOOL CDC::Polyline(const POINT* lpPoints, int nCount) {
    return ::Polyline(m_hDC, lpPoints, nCount);
}

BOOL CDC::Polygon(const POINT* lpPoints, int nCount) {
    return ::Polygon(m_hDC, lpPoints, nCount);
}

COLORREF CDC::SetPixel(int x, int y, COLORREF crColor) {
    return ::SetPixel(m_hDC, x, y, crColor);
}

COLORREF CDC::GetPixel(int x, int y) const {
    return ::GetPixel(m_hDC, x, y);
}

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount) {
    return ::TextOutA(m_hDC, x, y, lpszString, nCount);
}

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString) {
    return TextOut(x, y, lpszString, lpszString ? static_cast<int>(std::strlen(lpszString)) : 0);
}

BOOL CDC::ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCSTR lpszString, UINT nCount,
                     const INT* lpDxWidths) {
    return ::ExtTextOutA(m_hDC, x, y, nOptions, lpRect, lpszString, nCount, lpDxWidths);
}

int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
    return platform::gdi::DrawText(m_hDC, lpszString, nCount, lpRect, nFormat);
}

SIZE CDC::GetTextExtent(LPCSTR lpszString, int nCount) const {
    SIZE size{};
    ::GetTextExtentPoint32A(m_hDC, lpszString, nCount, &size);
    return size;
}

SIZE CDC::GetTextExtent(LPCSTR lpszString) const {
    return GetTextExtent(lpszString, lpszString ? static_cast<int>(std::strlen(lpszString)) : 0);
}

BOOL CDC::GetTextMetrics(LPTEXTMETRICA lpMetrics) const {
    return ::GetTextMetricsA(m_hDC, lpMetrics);
}

int CDC::GetTextFace(int nCount, LPSTR lpszFacename) const {
    return ::GetTextFaceA(m_hDC, nCount, lpszFacename);
}

int CDC::StartDoc(LPDOCINFOA lpDocInfo) {
    return ::StartDocA(m_hDC, lpDocInfo);
}

int CDC::StartDoc(LPCSTR lpszDocName) {
    DOCINFOA document{sizeof(DOCINFOA), lpszDocName, nullptr, nullptr, 0};
    return StartDoc(&document);
}

int CDC::StartPage() {
    return ::StartPage(m_hDC);
}

int CDC::EndPage() {
    return ::EndPage(m_hDC);
}

int CDC::EndDoc() {
    return ::EndDoc(m_hDC);
}

int CDC::AbortDoc() {
    return ::AbortDoc(m_hDC);
}

// Bitmaps and fonts made for a context.

BOOL CBitmap::CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight) {
    return pDC ? Attach(::CreateCompatibleBitmap(pDC->m_hDC, nWidth, nHeight)) : FALSE;
}

// The resource read as the window manager's LoadBitmapA reads it, into a bitmap of the display's colours.
BOOL CBitmap::LoadBitmap(LPCSTR lpszResourceName) {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC resource = ::FindResourceA(module, lpszResourceName, RT_BITMAP);
    if (!resource) return FALSE;
    HGLOBAL data = ::LoadResource(module, resource);
    const void* bytes = data ? ::LockResource(data) : nullptr;
    if (!bytes) return FALSE;
    return Attach(platform::gdi::CreateBitmapFromPackedDib(bytes, ::SizeofResource(module, resource)));
}

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
    HDC screen = pDC ? pDC->m_hDC : ::CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    int dotsPerInch = ::GetDeviceCaps(screen, LOGPIXELSY);
    if (!pDC) ::DeleteDC(screen);
    LOGFONTA log{};
    // Tenths of a point to a character height in pixels, rounded, as the framework computes it.
    log.lfHeight = -((nPointSize * dotsPerInch + 360) / 720);
    log.lfWeight = FW_NORMAL;
    log.lfCharSet = DEFAULT_CHARSET;
    if (lpszFaceName) std::strncpy(log.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&log);
}
