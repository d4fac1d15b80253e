// Fonts through FreeType over the Liberation faces: the dialog and sans-serif faces map to Liberation
// Sans, "Times New Roman" to Liberation Serif, "Courier New" to Liberation Mono. Sizes follow Windows: a
// negative height is the character (em) height, a positive one the cell height (ascent + descent, from
// the face's Windows ascent and descent), 0 a default cell of 16 pixels.
#include "platform/gdi32/fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "platform/machine/text.h"

namespace platform::gdi {

namespace {

constexpr const char* kFontFolder = "/usr/share/fonts/truetype/liberation/";
constexpr int kDefaultCellHeight = 16;

struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<std::uint8_t> coverage;
};

// One face file at one size, with the glyphs rendered so far.
struct ScaledFace {
    FT_Face face = nullptr;
    double pixelsPerUnit = 0;
    FontMetrics metrics;
    int underlinePosition = 0, underlineThickness = 1, strikeOutPosition = 0;
    std::unordered_map<char16_t, Glyph> glyphs;
};

struct FontCache {
    std::mutex mutex;
    FT_Library library = nullptr;
    std::map<std::string, FT_Face> faces;
    // The size each face is set to now: setting a TrueType face's size runs its hinting program, so it is
    // set again only when another size is drawn.
    std::map<FT_Face, FT_F26Dot6> sizes;
    std::map<std::tuple<std::string, long, int, bool, bool, bool, std::string>, ScaledFace> scaled;
};

FontCache& Cache() {
    static FontCache* cache = [] {
        auto* made = new FontCache;
        FT_Init_FreeType(&made->library);
        return made;
    }();
    return *cache;
}

FT_Face FaceOf(FontCache& cache, const std::string& file) {
    auto found = cache.faces.find(file);
    if (found != cache.faces.end()) return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(cache.library, file.c_str(), 0, &face) != 0) face = nullptr;
    cache.faces[file] = face;
    return face;
}

int Ceiling(double value) {
    return static_cast<int>(std::ceil(value - 0.01));
}

// The scaled face for the context's font, made at first use; null when no font file can be read.
// Called with the cache locked.
ScaledFace* ScaledFaceOf(FontCache& cache, const DeviceContext& context) {
    std::shared_ptr<Font> font = FindFont(context.state.font);
    if (!font) font = FindFont(StockObject(SYSTEM_FONT));
    const LOGFONTA& log = font->log;
    bool bold = log.lfWeight >= FW_SEMIBOLD;
    bool italic = log.lfItalic != 0;
    std::string faceName(log.lfFaceName, strnlen(log.lfFaceName, LF_FACESIZE));
    std::string file = FontFileFor(faceName, bold, italic);
    long height = log.lfHeight < 0 ? -static_cast<long>(context.ToDeviceHeight(-log.lfHeight))
                                   : static_cast<long>(context.ToDeviceHeight(log.lfHeight));
    if (height == 0) height = kDefaultCellHeight;
    auto key = std::make_tuple(file, height, static_cast<int>(log.lfWeight), italic, log.lfUnderline != 0,
                               log.lfStrikeOut != 0, faceName);
    auto found = cache.scaled.find(key);
    if (found != cache.scaled.end()) return &found->second;
    FT_Face face = FaceOf(cache, file);
    if (!face) return nullptr;
    const auto* windows = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double winAscent = windows ? windows->usWinAscent : face->ascender;
    double winDescent = windows ? windows->usWinDescent : -face->descender;
    double units = face->units_per_EM;
    double em = height < 0 ? static_cast<double>(-height) : height * units / (winAscent + winDescent);
    ScaledFace scaled;
    scaled.face = face;
    scaled.pixelsPerUnit = em / units;
    FontMetrics& metrics = scaled.metrics;
    if (height > 0) {
        // The cell is exactly as high as asked.
        metrics.ascent = static_cast<int>(std::lround(winAscent * scaled.pixelsPerUnit));
        metrics.descent = static_cast<int>(height) - metrics.ascent;
    } else {
        metrics.ascent = Ceiling(winAscent * scaled.pixelsPerUnit);
        metrics.descent = Ceiling(winDescent * scaled.pixelsPerUnit);
    }
    metrics.height = metrics.ascent + metrics.descent;
    metrics.internalLeading = std::max(0, metrics.height - static_cast<int>(std::lround(em)));
    double lineGap = face->height - (face->ascender - face->descender);
    double external = lineGap - ((winAscent + winDescent) - (face->ascender - face->descender));
    metrics.externalLeading = std::max(0, static_cast<int>(std::lround(external * scaled.pixelsPerUnit)));
    metrics.weight = log.lfWeight == FW_DONTCARE ? FW_NORMAL : log.lfWeight;
    metrics.italic = italic;
    metrics.underline = log.lfUnderline != 0;
    metrics.strikeOut = log.lfStrikeOut != 0;
    metrics.fixedPitch = FT_IS_FIXED_WIDTH(face);
    metrics.faceName = faceName.empty() ? "Arial" : faceName;
    // TMPF_FIXED_PITCH is set for variable pitch fonts, as Windows has it; all of ours are TrueType.
    metrics.pitchAndFamily = static_cast<BYTE>((metrics.fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_TRUETYPE |
                                               TMPF_VECTOR | (metrics.fixedPitch ? FF_MODERN : FF_SWISS));
    metrics.maximumWidth = static_cast<int>(std::lround((face->bbox.xMax - face->bbox.xMin) * scaled.pixelsPerUnit));
    scaled.underlinePosition = std::max(1, static_cast<int>(std::lround(-face->underline_position * scaled.pixelsPerUnit)));
    scaled.underlineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scaled.pixelsPerUnit)));
    scaled.strikeOutPosition = windows ? static_cast<int>(std::lround(windows->yStrikeoutPosition * scaled.pixelsPerUnit))
                                       : metrics.ascent / 3;
    auto [inserted, added] = cache.scaled.emplace(key, std::move(scaled));
    (void)added;
    return &inserted->second;
}

void SetSize(FontCache& cache, const ScaledFace& scaled) {
    auto size = static_cast<FT_F26Dot6>(std::lround(scaled.pixelsPerUnit * scaled.face->units_per_EM * 64));
    auto [current, added] = cache.sizes.emplace(scaled.face, size);
    if (!added && current->second == size) return;
    current->second = size;
    FT_Set_Char_Size(scaled.face, 0, size, 72, 72);
}

const Glyph& GlyphOf(FontCache& cache, ScaledFace& scaled, char16_t character) {
    auto found = scaled.glyphs.find(character);
    if (found != scaled.glyphs.end()) return found->second;
    Glyph glyph;
    SetSize(cache, scaled);
    if (FT_Load_Char(scaled.face, character, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
        FT_GlyphSlot slot = scaled.face->glyph;
        glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = static_cast<int>(slot->bitmap.width);
        glyph.rows = static_cast<int>(slot->bitmap.rows);
        glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
        for (int row = 0; row < glyph.rows; ++row)
            std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width,
                        slot->bitmap.buffer + static_cast<std::ptrdiff_t>(row) * slot->bitmap.pitch,
                        static_cast<std::size_t>(glyph.width));
    }
    return scaled.glyphs.emplace(character, std::move(glyph)).first->second;
}

// The average width Windows gives TrueType faces: the lower-case letters and the space weighted by
// their frequency in text.
int AverageWidth(FontCache& cache, ScaledFace& scaled) {
    static const int weights[27] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6, 35, 20, 56,
                                    56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2, 166};
    double total = 0;
    SetSize(cache, scaled);
    for (int index = 0; index < 27; ++index) {
        char16_t character = index == 26 ? u' ' : static_cast<char16_t>(u'a' + index);
        if (FT_Load_Char(scaled.face, character, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) continue;
        total += scaled.face->glyph->metrics.horiAdvance / 64.0 * weights[index];
    }
    return static_cast<int>(std::lround(total / 1000.0));
}

}  // namespace

std::string FontFileFor(std::string_view faceName, bool bold, bool italic) {
    std::string family = "LiberationSans";
    if (EqualsNoCase(faceName, "Times New Roman") || EqualsNoCase(faceName, "Times")) family = "LiberationSerif";
    if (EqualsNoCase(faceName, "Courier New") || EqualsNoCase(faceName, "Courier") ||
        EqualsNoCase(faceName, "Lucida Console") || EqualsNoCase(faceName, "Fixedsys") ||
        EqualsNoCase(faceName, "Terminal"))
        family = "LiberationMono";
    std::string style = bold && italic ? "BoldItalic" : bold ? "Bold" : italic ? "Italic" : "Regular";
    return std::string(kFontFolder) + family + "-" + style + ".ttf";
}

FontMetrics MetricsOf(const DeviceContext& context) {
    FontCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    ScaledFace* scaled = ScaledFaceOf(cache, context);
    if (!scaled) return FontMetrics{};
    if (scaled->metrics.averageWidth == 0) scaled->metrics.averageWidth = AverageWidth(cache, *scaled);
    return scaled->metrics;
}

std::vector<int> AdvancesOf(const DeviceContext& context, std::string_view text) {
    FontCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    ScaledFace* scaled = ScaledFaceOf(cache, context);
    std::vector<int> advances;
    std::u16string wide = WideFromAnsi(text);
    for (char16_t character : wide) advances.push_back(scaled ? GlyphOf(cache, *scaled, character).advance : 0);
    return advances;
}

void DrawGlyphs(const DeviceContext& context, Canvas& canvas, int x, int baseline, std::string_view text,
                const std::vector<int>& advances, std::uint32_t color) {
    FontCache& cache = Cache();
    std::lock_guard lock(cache.mutex);
    ScaledFace* scaled = ScaledFaceOf(cache, context);
    if (!scaled || !canvas.valid()) return;
    std::u16string wide = WideFromAnsi(text);
    int pen = x;
    for (std::size_t index = 0; index < wide.size(); ++index) {
        const Glyph& glyph = GlyphOf(cache, *scaled, wide[index]);
        for (int row = 0; row < glyph.rows; ++row) {
            const std::uint8_t* coverage = glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width;
            for (int column = 0; column < glyph.width; ++column)
                canvas.Blend(pen + glyph.left + column, baseline - glyph.top + row, color, coverage[column]);
        }
        pen += index < advances.size() ? advances[index] : glyph.advance;
    }
    auto rule = [&](int top, int thickness) {
        for (int row = 0; row < thickness; ++row)
            for (int column = x; column < pen; ++column) canvas.Plot(column, top + row, color);
    };
    if (scaled->metrics.underline) rule(baseline + scaled->underlinePosition - scaled->underlineThickness / 2, scaled->underlineThickness);
    if (scaled->metrics.strikeOut) rule(baseline - scaled->strikeOutPosition, scaled->underlineThickness);
}

}  // namespace platform::gdi
