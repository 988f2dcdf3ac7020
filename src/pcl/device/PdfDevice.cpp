#include "PdfDevice.h"

#include "PackageText.h"
#include "Prompt.h"
#include "Strings.h"
#include "SystemFonts.h"

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>
#include <ft2build.h>
#include <hb-subset.h>
#include <hb.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace pg {

namespace {

constexpr double kPointsPerPixel = 72.0 / 300.0;
// The interpreter's drawing surface is at most this many pixels each way; nothing outside it
// can reach a page, so nothing outside it is recorded.
constexpr int kSurface = 4200;
constexpr size_t kSurfaceStride = kSurface / 8;
// A document gets at most this many fonts made for one size each (a form uses a dozen or so).
constexpr size_t kMaxSizedFonts = 64;
// Characters above this cell height are not drawn, as on the page bitmap.
constexpr int kMaxCellHeight = 2000;
// Characters placed further out than this lie on no sheet.
constexpr int kFarOff = 1 << 28;
// Rows of mask bits at most this far apart go into one band (one image); a wider gap of
// blank rows starts a new band.
constexpr int kBandGap = 32;
constexpr uint32_t kWhite = 0x00FFFFFF;

int Clamp(int64_t v, int64_t lo, int64_t hi) {
    return int(std::clamp(v, lo, hi));
}

void SetColour(cairo_t* cr, uint32_t colour) {
    cairo_set_source_rgb(cr, (colour & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0,
                         (colour >> 16 & 0xFF) / 255.0);
}

// The blocks of characters a PDF font keeps: Latin, spacing accents, Greek, and punctuation
// through the symbol blocks (currency, letterlike, arrows, mathematical, technical,
// box-drawing, shapes, dingbats): every character text can name in the symbol sets the
// interpreter knows.
constexpr std::pair<uint32_t, uint32_t> kTextBlocks[] = {
    {0x20, 0x24F}, {0x2B0, 0x2FF}, {0x370, 0x3FF}, {0x2000, 0x2BFF}};

// A system font as the PDF carries it: the characters of the system face in those blocks,
// without the face's hinting
// (instructions and their tables make up more than half of an embedded subset, and PDF
// readers draw at any size without them). Shared by every device of the process; a face
// lives as long as the process.
struct TPdfFont {
    hb_face_t* Face = nullptr; // the unhinted font, from which sized fonts are built
    bool Embolden = false;
    bool Oblique = false;
    TCellMetrics Cell;
    int UnitsPerEm = 1;
    std::unordered_map<uint32_t, uint32_t> Glyphs; // glyph index per character it has
    std::vector<uint16_t> Advances;                // the face's own advance per glyph, font units

    uint32_t GlyphOf(uint32_t ch) const {
        const auto it = Glyphs.find(ch);
        return it == Glyphs.end() ? 0 : it->second;
    }
};

// Advances per glyph of one font, font units; 0 where the face's own stays.
using TGlyphAdvances = std::vector<uint16_t>;

uint16_t ReadU16(const char* data, size_t length, size_t at) {
    return at + 2 <= length ? uint16_t(uint8_t(data[at]) << 8 | uint8_t(data[at + 1])) : 0;
}

void WriteU16(std::string& out, size_t at, unsigned value) {
    out[at] = char(value >> 8 & 0xFF);
    out[at + 1] = char(value & 0xFF);
}

class TPdfFonts {
public:
    const TPdfFont* Find(const std::string& family, bool bold, bool italic) {
        std::lock_guard guard(lock_);
        const auto key = std::make_tuple(family, bold, italic);
        auto it = fonts_.find(key);
        if (it == fonts_.end()) {
            TFontFile file;
            it = fonts_.emplace(key, MatchFontFile(family, bold, italic, file) ? OpenFile(file) : nullptr)
                     .first;
        }
        return it->second;
    }

    // The font that draws ch for text in the family when the family's own font lacks it;
    // nullptr when no font has it.
    const TPdfFont* FindFallback(const std::string& family, bool bold, bool italic, uint32_t ch) {
        TFontFile file;
        if (!MatchFallbackFontFile(family, bold, italic, ch, file))
            return nullptr;
        std::lock_guard guard(lock_);
        const TPdfFont* font = OpenFile(file);
        return font && font->GlyphOf(ch) != 0 ? font : nullptr;
    }

    // The font at one size whose advances are the interpreter's (advances[glyph] in font
    // units, 0 where the face's own stays), so that text needs no position correction after
    // each glyph. Null when it cannot be made.
    cairo_font_face_t* Sized(const TPdfFont& font, const TGlyphAdvances& advances) {
        std::lock_guard guard(lock_);
        hb_blob_t* blob = BuildSized(font, advances);
        FT_Face face = nullptr;
        unsigned length = 0;
        const char* data = hb_blob_get_data(blob, &length);
        if (!library_ || length == 0 ||
            FT_New_Memory_Face(library_, reinterpret_cast<const FT_Byte*>(data), FT_Long(length), 0, &face) !=
                0) {
            hb_blob_destroy(blob);
            return nullptr;
        }
        cairo_font_face_t* sized = cairo_ft_font_face_create_for_ft_face(face, FT_LOAD_NO_HINTING);
        unsigned synthesize = 0;
        if (font.Embolden)
            synthesize |= CAIRO_FT_SYNTHESIZE_BOLD;
        if (font.Oblique)
            synthesize |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
        cairo_ft_font_face_set_synthesize(sized, synthesize);
        // Cairo keeps the face as long as it needs it; the FreeType face and its bytes go with it.
        auto* owned = new TOwnedFace{face, blob};
        static cairo_user_data_key_t key;
        cairo_font_face_set_user_data(sized, &key, owned, [](void* p) {
            auto* o = static_cast<TOwnedFace*>(p);
            {
                std::lock_guard inner(Shared().lock_);
                FT_Done_Face(o->Face);
            }
            hb_blob_destroy(o->Blob);
            delete o;
        });
        return sized;
    }

    // Never destroyed: cairo may release a sized font while the process ends, and the fonts
    // stay reachable for leak checkers.
    static TPdfFonts& Shared() {
        static TPdfFonts& fonts = *new TPdfFonts;
        return fonts;
    }

private:
    struct TOwnedFace {
        FT_Face Face;
        hb_blob_t* Blob;
    };

    // The font made from a file, once per file and style; nullptr when it cannot be made.
    // Called under the lock.
    const TPdfFont* OpenFile(const TFontFile& file) {
        const auto key = std::make_tuple(file.Path, file.Index, file.Embolden, file.Oblique);
        auto it = files_.find(key);
        if (it == files_.end())
            it = files_.emplace(key, Open(file)).first;
        return it->second.Face ? &it->second : nullptr;
    }

    TPdfFont Open(const TFontFile& file) {
        TPdfFont font;
        if (!library_ && FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return font;
        }
        FT_Face system = nullptr;
        if (FT_New_Face(library_, file.Path.c_str(), file.Index, &system) != 0)
            return font;
        font.Cell = CellMetricsOf(system);
        FT_Done_Face(system);

        const std::string program = SubsetFontFile(file.Path, file.Index, [](hb_set_t* unicodes) {
            for (const auto& [first, last] : kTextBlocks)
                hb_set_add_range(unicodes, first, last);
        });
        if (program.empty())
            return font;
        hb_blob_t* bytes = hb_blob_create(program.data(), unsigned(program.size()), HB_MEMORY_MODE_DUPLICATE,
                                          nullptr, nullptr);
        font.Face = hb_face_create(bytes, 0);
        hb_blob_destroy(bytes);
        if (hb_face_get_glyph_count(font.Face) == 0) {
            hb_face_destroy(font.Face);
            font.Face = nullptr;
            return font;
        }

        hb_font_t* metrics = hb_font_create(font.Face);
        font.UnitsPerEm = std::max<int>(int(hb_face_get_upem(font.Face)), 1);
        font.Advances.assign(hb_face_get_glyph_count(font.Face), 0);
        hb_set_t* held = hb_set_create();
        hb_face_collect_unicodes(font.Face, held);
        for (hb_codepoint_t ch = HB_SET_VALUE_INVALID; hb_set_next(held, &ch);) {
            hb_codepoint_t glyph = 0;
            if (!hb_font_get_nominal_glyph(metrics, ch, &glyph) || glyph == 0 ||
                glyph >= font.Advances.size())
                continue;
            font.Glyphs.emplace(ch, glyph);
            font.Advances[glyph] =
                uint16_t(std::clamp(hb_font_get_glyph_h_advance(metrics, glyph), 0, 0xFFFF));
        }
        hb_set_destroy(held);
        hb_font_destroy(metrics);
        font.Embolden = file.Embolden;
        font.Oblique = file.Oblique;
        return font;
    }

    // The unhinted font with hhea and hmtx rewritten: one advance per glyph, the wanted ones
    // where given. The side bearings stay.
    static hb_blob_t* BuildSized(const TPdfFont& font, const TGlyphAdvances& advances) {
        hb_blob_t* hhea = hb_face_reference_table(font.Face, HB_TAG('h', 'h', 'e', 'a'));
        hb_blob_t* hmtx = hb_face_reference_table(font.Face, HB_TAG('h', 'm', 't', 'x'));
        unsigned hheaLength = 0, hmtxLength = 0;
        const char* hheaData = hb_blob_get_data(hhea, &hheaLength);
        const char* hmtxData = hb_blob_get_data(hmtx, &hmtxLength);
        const unsigned glyphCount = hb_face_get_glyph_count(font.Face);
        const unsigned metricCount = ReadU16(hheaData, hheaLength, 34);
        std::vector<unsigned> glyphAdvance(glyphCount), bearing(glyphCount);
        for (unsigned g = 0; g < glyphCount; ++g) {
            const unsigned m = std::min(g, metricCount > 0 ? metricCount - 1 : 0);
            glyphAdvance[g] = ReadU16(hmtxData, hmtxLength, size_t(m) * 4);
            bearing[g] = g < metricCount
                             ? ReadU16(hmtxData, hmtxLength, size_t(g) * 4 + 2)
                             : ReadU16(hmtxData, hmtxLength, size_t(metricCount) * 4 + (g - metricCount) * 2);
        }
        for (size_t glyph = 0; glyph < std::min<size_t>(advances.size(), glyphCount); ++glyph)
            if (advances[glyph] != 0)
                glyphAdvance[glyph] = advances[glyph];
        std::string newHmtx(size_t(glyphCount) * 4, '\0');
        unsigned widest = 0;
        for (unsigned g = 0; g < glyphCount; ++g) {
            WriteU16(newHmtx, size_t(g) * 4, glyphAdvance[g]);
            WriteU16(newHmtx, size_t(g) * 4 + 2, bearing[g]);
            widest = std::max(widest, glyphAdvance[g]);
        }
        std::string newHhea(hheaData, hheaLength);
        if (newHhea.size() >= 36) {
            WriteU16(newHhea, 10, widest);
            WriteU16(newHhea, 34, glyphCount);
        }
        hb_blob_destroy(hhea);
        hb_blob_destroy(hmtx);

        hb_face_t* builder = hb_face_builder_create();
        hb_tag_t tags[64];
        unsigned count = 64;
        hb_face_get_table_tags(font.Face, 0, &count, tags);
        for (unsigned i = 0; i < count; ++i) {
            if (tags[i] == HB_TAG('h', 'h', 'e', 'a') || tags[i] == HB_TAG('h', 'm', 't', 'x'))
                continue;
            hb_blob_t* table = hb_face_reference_table(font.Face, tags[i]);
            hb_face_builder_add_table(builder, tags[i], table);
            hb_blob_destroy(table);
        }
        const auto add = [&](hb_tag_t tag, const std::string& bytes) {
            hb_blob_t* table = hb_blob_create(bytes.data(), unsigned(bytes.size()), HB_MEMORY_MODE_DUPLICATE,
                                              nullptr, nullptr);
            hb_face_builder_add_table(builder, tag, table);
            hb_blob_destroy(table);
        };
        add(HB_TAG('h', 'h', 'e', 'a'), newHhea);
        add(HB_TAG('h', 'm', 't', 'x'), newHmtx);
        hb_blob_t* result = hb_face_reference_blob(builder);
        hb_face_destroy(builder);
        return result;
    }

    std::mutex lock_;
    FT_Library library_ = nullptr;
    // Fonts by file and style; families name them.
    std::map<std::tuple<std::string, int, bool, bool>, TPdfFont> files_;
    std::map<std::tuple<std::string, bool, bool>, const TPdfFont*> fonts_;
};

// The 1-bit drawing of a page (raster rows and downloaded glyphs): one surface-sized block of
// bits, reused from page to page, with each row's inked extent so that a page writes out
// only the bands that hold ink.
class TMaskCanvas {
public:
    void Clear() {
        for (int y = 0; y < kSurface; ++y)
            if (RowUsed(y)) {
                std::fill_n(bits_.begin() + ptrdiff_t(size_t(y) * kSurfaceStride), kSurfaceStride, 0);
                left_[size_t(y)] = kSurface;
                right_[size_t(y)] = 0;
            }
        used_ = false;
    }

    bool Used() const { return used_; }
    bool RowUsed(int y) const { return !left_.empty() && left_[size_t(y)] < right_[size_t(y)]; }
    int Left(int y) const { return left_[size_t(y)]; }
    int Right(int y) const { return right_[size_t(y)]; }
    const uint8_t* Row(int y) const { return bits_.data() + size_t(y) * kSurfaceStride; }

    // bitCount bits (most significant first) ORed into row y from column x on.
    void OrRow(int64_t x, int64_t y, std::span<const uint8_t> bits, size_t bitCount) {
        bitCount = std::min(bitCount, bits.size() * 8);
        if (y < 0 || y >= kSurface || bitCount == 0 || x >= kSurface || x + int64_t(bitCount) <= 0)
            return;
        // Only the inked bytes matter: find them first, so that blank rows cost nothing.
        size_t first = 0, last = (bitCount + 7) / 8;
        while (first < last && bits[first] == 0)
            ++first;
        while (last > first && bits[last - 1] == 0)
            --last;
        if (first == last)
            return;
        Allocate();
        uint8_t* row = bits_.data() + size_t(y) * kSurfaceStride;
        const int64_t from = std::max<int64_t>(x + int64_t(first) * 8, 0);
        const int64_t to = std::min<int64_t>({x + int64_t(last) * 8, x + int64_t(bitCount), kSurface});
        if (from >= to)
            return;
        if (x >= 0) {
            // Whole bytes shifted into place; the byte that holds the row's end is cut there.
            const unsigned shift = unsigned(x % 8);
            const size_t base = size_t(x / 8);
            for (size_t i = first; i < last; ++i) {
                uint8_t b = bits[i];
                if ((i + 1) * 8 > bitCount)
                    b &= uint8_t(0xFF00 >> (bitCount - i * 8));
                const size_t d = base + i;
                if (d >= kSurfaceStride)
                    break;
                row[d] |= uint8_t(b >> shift);
                if (shift != 0 && d + 1 < kSurfaceStride)
                    row[d + 1] |= uint8_t(b << (8 - shift));
            }
        } else {
            for (int64_t px = from; px < to; ++px) {
                const size_t p = size_t(px - x);
                if (bits[p / 8] & (0x80 >> (p % 8)))
                    row[size_t(px / 8)] |= uint8_t(0x80 >> (px % 8));
            }
        }
        Mark(int(y), int(from), int(to));
        used_ = true;
    }

    void SetPixel(int64_t x, int64_t y) {
        if (x < 0 || y < 0 || x >= kSurface || y >= kSurface)
            return;
        Allocate();
        bits_[size_t(y) * kSurfaceStride + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        Mark(int(y), int(x), int(x + 1));
        used_ = true;
    }

private:
    void Allocate() {
        if (!bits_.empty())
            return;
        bits_.assign(kSurfaceStride * kSurface, 0);
        left_.assign(kSurface, kSurface);
        right_.assign(kSurface, 0);
    }
    void Mark(int y, int from, int to) {
        left_[size_t(y)] = std::min(left_[size_t(y)], from);
        right_[size_t(y)] = std::max(right_[size_t(y)], to);
    }

    std::vector<uint8_t> bits_;
    std::vector<int> left_, right_;
    bool used_ = false;
};

// How one part of a paint (its source ink, or its white source pixels) goes on the page: not at
// all, a colour combined by an operator (a grey is a real grey), or a pattern: a tile image
// repeated from the reference point, its pixels ink, white or clear.
struct TAppearance {
    enum class TKind : uint8_t { None, Colour, Tile } Kind = TKind::None;
    uint32_t Colour = 0;
    cairo_operator_t Operator = CAIRO_OPERATOR_OVER;
    std::shared_ptr<const TPatternTile> Tile;
    int TileTurns = 0;
    std::array<TPixelEffect, 2> TileEffects{}; // for tile ink, tile white
    int RefX = 0;
    int RefY = 0;

    bool operator==(const TAppearance&) const = default;
};

// Characters in one font. Font draws them; Metrics, the font the text asked for, gives their
// size and baseline (Font itself, or the font a fallback stands in for).
struct TTextOp {
    const TPdfFont* Font = nullptr;
    const TPdfFont* Metrics = nullptr;
    int Height = 0;
    uint32_t Colour = 0;
    std::vector<TPlacedChar> Chars;
    int Angle = 0;
    // Characters painted other than in plain colour: their ink, and the boxes of their images
    // where an opaque source paints its white.
    std::optional<TAppearance> Ink;
    TAppearance Background;
    std::vector<std::array<int, 4>> Boxes; // left, top, right, bottom
};
struct TRectOp {
    int Left, Top, Right, Bottom;
    uint32_t Colour;
    bool Combine;                                         // darkens what lies under it instead of covering it
    std::optional<TAppearance> Appearance = std::nullopt; // instead of Colour
};
// Raster rows and glyphs drawn with a paint other than plain black: written where the first
// of them was drawn, from the masks of painted layer Layer.
struct TLayerOp {
    size_t Layer;
};
struct TEllipseOp {
    int Left, Top, Right, Bottom;
    uint32_t Colour;
};
struct TLineOp {
    int X1, Y1, X2, Y2, Pen;
    uint32_t Colour;
};
// A polygon fill, combined with the page like a rectangle fill.
struct TPolygonOp {
    std::vector<TPolygonRing> Rings;
    TFillRule Rule;
    uint32_t Colour;
    std::optional<TAppearance> Appearance = std::nullopt; // instead of Colour
};
// Paths drawn with a pen of their own width, ends and joins.
struct TStrokeOp {
    std::vector<TPolygonRing> Paths;
    bool Closed;
    TStrokeStyle Style;
};
using TOp = std::variant<TTextOp, TRectOp, TEllipseOp, TLineOp, TPolygonOp, TStrokeOp, TLayerOp>;

// A tile image holds at most this many pixels; a larger pattern shows as its grey.
constexpr int64_t kMaxTileImagePixels = int64_t(1) << 20;

// What painting with paint does to one kind of source pixel, for a device that keeps colours
// (colour) or prints black and white. A uniform ink is combined as combine says.
TAppearance AppearanceOf(const TPaint& paint, bool sourceWhite, bool colour, cairo_operator_t combine) {
    const TPaintEffects effects = TPaintEffects::Of(paint);
    const TPaintPattern pattern = TPaintPattern::Of(paint);
    const TPixelEffect onInk = effects.At(sourceWhite, false), onWhite = effects.At(sourceWhite, true);
    uint32_t ink = paint.Kind == TPaint::TKind::Colour ? paint.Colour & kWhite : 0;
    if (!colour && ink != kWhite)
        ink = 0;
    TAppearance a;
    const auto uniform = [&](TPixelEffect effect, uint32_t inkColour) {
        switch (effect) {
        case TPixelEffect::Keep:
            break;
        case TPixelEffect::Ink:
            a.Kind = TAppearance::TKind::Colour;
            a.Colour = inkColour;
            a.Operator = combine;
            break;
        case TPixelEffect::White:
            a.Kind = TAppearance::TKind::Colour;
            a.Colour = kWhite;
            break;
        case TPixelEffect::Invert:
            a.Kind = TAppearance::TKind::Colour;
            a.Colour = kWhite;
            a.Operator = CAIRO_OPERATOR_DIFFERENCE;
            break;
        }
        return a;
    };
    switch (pattern.Kind) {
    case TPaintPattern::TKind::Ink:
        return uniform(onInk, ink);
    case TPaintPattern::TKind::White:
        return uniform(onWhite, ink);
    case TPaintPattern::TKind::Tile:
        break;
    }
    // A shading is a real grey: the share of black of the printer's halftone. Through a
    // transparent pattern it darkens what lies under it, as its dots do; an opaque one covers.
    const bool grey = paint.Kind == TPaint::TKind::Grey;
    const int64_t pixels = int64_t(pattern.Tile->Width) * pattern.Tile->Height;
    if (onInk == TPixelEffect::Ink && (onWhite == TPixelEffect::Keep || onWhite == TPixelEffect::White) &&
        (grey || pixels > kMaxTileImagePixels)) {
        uniform(onInk, PaintColour(paint));
        a.Operator = onWhite == TPixelEffect::White ? CAIRO_OPERATOR_OVER : CAIRO_OPERATOR_MULTIPLY;
        return a;
    }
    if (onInk == onWhite)
        return uniform(onInk, ink);
    if (pixels > kMaxTileImagePixels)
        return a;
    a.Kind = TAppearance::TKind::Tile;
    a.Colour = ink;
    // A shading's tile is the program's own: the appearance only points at it.
    a.Tile = grey ? std::shared_ptr<const TPatternTile>(std::shared_ptr<void>(), pattern.Tile) : paint.Tile;
    a.TileTurns = pattern.Turns;
    a.TileEffects = {onInk, onWhite};
    a.RefX = paint.RefX;
    a.RefY = paint.RefY;
    return a;
}

// Sets the appearance as cairo's source and operator; false when it paints nothing.
bool UseAppearance(cairo_t* cr, const TAppearance& a) {
    switch (a.Kind) {
    case TAppearance::TKind::None:
        return false;
    case TAppearance::TKind::Colour:
        cairo_set_operator(cr, a.Operator);
        cairo_set_source_rgb(cr, (a.Colour & 0xFF) / 255.0, (a.Colour >> 8 & 0xFF) / 255.0,
                             (a.Colour >> 16 & 0xFF) / 255.0);
        return true;
    case TAppearance::TKind::Tile:
        break;
    }
    const TPatternTile& tile = *a.Tile;
    const int width = tile.TurnedWidth(a.TileTurns), height = tile.TurnedHeight(a.TileTurns);
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return false;
    }
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    // Premultiplied ARGB: clear, white or the ink colour.
    const auto pixel = [&](TPixelEffect effect) -> uint32_t {
        switch (effect) {
        case TPixelEffect::Ink:
            return 0xFF000000u | (a.Colour & 0xFF) << 16 | (a.Colour & 0xFF00) | (a.Colour >> 16 & 0xFF);
        case TPixelEffect::White:
            return 0xFFFFFFFFu;
        default:
            return 0;
        }
    };
    const uint32_t inkPixel = pixel(a.TileEffects[0]), whitePixel = pixel(a.TileEffects[1]);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + ptrdiff_t(y) * stride);
        for (int x = 0; x < width; ++x)
            row[x] = tile.Black(x, y, 0, 0, a.TileTurns) ? inkPixel : whitePixel;
    }
    cairo_surface_mark_dirty(image);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image);
    cairo_surface_destroy(image);
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
    cairo_matrix_t matrix;
    cairo_matrix_init_translate(&matrix, -a.RefX, -a.RefY);
    cairo_pattern_set_matrix(pattern, &matrix);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
    return true;
}

// The part of a ring inside the square from -far to far each way (Sutherland-Hodgman, one
// side at a time). What the ring encloses inside the square stays enclosed, with the same
// winding; cairo's fixed-point coordinates cannot hold points much further out.
TPolygonRing ClipRing(const TPolygonRing& ring, double far) {
    TPolygonRing out = ring;
    // Side k: x >= -far, x <= far, y >= -far, y <= far.
    for (int k = 0; k < 4 && !out.empty(); ++k) {
        const bool onX = k < 2;
        const double limit = k % 2 == 0 ? -far : far;
        auto inside = [&](const TPagePoint& p) {
            const double v = onX ? p.X : p.Y;
            return k % 2 == 0 ? v >= limit : v <= limit;
        };
        auto crossing = [&](const TPagePoint& a, const TPagePoint& b) {
            const double t = onX ? (limit - a.X) / (b.X - a.X) : (limit - a.Y) / (b.Y - a.Y);
            return onX ? TPagePoint{limit, a.Y + t * (b.Y - a.Y)} : TPagePoint{a.X + t * (b.X - a.X), limit};
        };
        TPolygonRing next;
        for (size_t i = 0; i < out.size(); ++i) {
            const TPagePoint& a = out[i];
            const TPagePoint& b = out[(i + 1) % out.size()];
            if (inside(a)) {
                next.push_back(a);
                if (!inside(b))
                    next.push_back(crossing(a, b));
            } else if (inside(b)) {
                next.push_back(crossing(a, b));
            }
        }
        out = std::move(next);
    }
    return out;
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

// Cairo's 1-bit images hold the first pixel in the low bit of each byte on little-endian
// machines; PCL bits come most significant first.
const std::array<uint8_t, 256>& BitReverse() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (unsigned b = 0; b < 256; ++b) {
            unsigned r = 0;
            for (int k = 0; k < 8; ++k)
                if (b & (1u << k))
                    r |= 0x80u >> k;
            t[b] = uint8_t(r);
        }
        return t;
    }();
    return table;
}

} // namespace

struct TPdfDevice::TImpl {
    bool Colour = false;
    TCharRasterizer* Rasterizer = nullptr;
    std::string Bytes;
    std::string Error;
    cairo_surface_t* Surface = nullptr;
    int Width = 0;
    int Height = 0;
    int Pages = 0;
    std::vector<TOp> Ops;
    TMaskCanvas Mask;
    // Raster rows and glyphs painted other than plain black: a layer per paint, each with the
    // mask of its source ink and of the white an opaque source paints. A page holds a few.
    struct TLayer {
        TAppearance Ink, White;
        TMaskCanvas InkMask, WhiteMask;
    };
    std::vector<std::unique_ptr<TLayer>> Layers;
    static constexpr size_t kMaxLayers = 4;

    // The layer for the paint, made (and placed among the operations) when first used; nullptr
    // for plain black, and when the page has no room for another layer.
    TLayer* LayerFor(const TPaint& paint) {
        if (paint.PlainInk() && Ink(paint.Colour) == 0)
            return nullptr;
        const TAppearance ink = AppearanceOf(paint, false, Colour, CAIRO_OPERATOR_OVER);
        const TAppearance white = AppearanceOf(paint, true, Colour, CAIRO_OPERATOR_OVER);
        for (const auto& layer : Layers)
            if (layer->Ink == ink && layer->White == white)
                return layer.get();
        if (Layers.size() >= kMaxLayers || !Spend(0))
            return nullptr;
        Layers.push_back(std::make_unique<TLayer>(TLayer{ink, white, {}, {}}));
        Ops.emplace_back(TLayerOp{Layers.size() - 1});
        return Layers.back().get();
    }

    // One row of source bits into the black mask or the paint's layer: set bits ink, and for an
    // opaque source the clear ones up to bitCount white.
    void SourceRow(int64_t x, int64_t y, std::span<const uint8_t> bits, size_t bitCount,
                   const TPaint& paint) {
        TLayer* layer = LayerFor(paint);
        if (!layer) {
            Mask.OrRow(x, y, bits, bitCount);
            return;
        }
        layer->InkMask.OrRow(x, y, bits, bitCount);
        if (layer->White.Kind == TAppearance::TKind::None)
            return;
        std::vector<uint8_t> white((std::min<size_t>(bitCount, kSurface * 2) + 7) / 8, 0xFF);
        for (size_t i = 0; i < white.size() && i < bits.size(); ++i)
            white[i] = uint8_t(~bits[i]);
        layer->WhiteMask.OrRow(x, y, white, std::min<size_t>(bitCount, white.size() * 8));
    }
    // Bytes the page's drawing operations hold until the page is written. A page is bounded
    // (PageBudget, with the mask well under 256 MB in all), so that a hostile or runaway
    // stream cannot take the machine's memory; past it the rest of the page is left out, and
    // the user is told once per document.
    size_t OpBytes = 0;
    bool ToldOverBudget = false;
    size_t PageBudget = size_t(192) << 20;

    // Whether an operation holding about bytes may still be kept on this page.
    bool Spend(size_t bytes) {
        bytes += sizeof(TOp);
        if (bytes <= PageBudget - std::min(OpBytes, PageBudget)) {
            OpBytes += bytes;
            return true;
        }
        if (!ToldOverBudget) {
            ToldOverBudget = true;
            ShowInformation("Too much drawing on one page; the rest of it is left out of the PDF");
        }
        return false;
    }
    // Sized fonts by the font, the font that sizes it and the height.
    using TSizedKey = std::tuple<const TPdfFont*, const TPdfFont*, int>;
    std::map<TSizedKey, cairo_font_face_t*> Sized;
    // The advances each sized font carries (0: the face's own), the fonts made so far, and the
    // fonts a later page replaced (cairo still writes them out for the pages before).
    std::map<TSizedKey, TGlyphAdvances> SizedAdvances;
    size_t SizedMade = 0;
    std::vector<cairo_font_face_t*> Replaced;
    // Per font and the font that sizes it, the advance each glyph had at any size so far, in
    // font units: nearly the same at every size, so a size's font takes them for the
    // characters its own pages have not shown yet.
    std::map<std::pair<const TPdfFont*, const TPdfFont*>, TGlyphAdvances> FaceAdvances;

    ~TImpl() {
        if (Surface)
            cairo_surface_destroy(Surface);
        for (const auto& [key, face] : Sized)
            if (face)
                cairo_font_face_destroy(face);
        for (cairo_font_face_t* face : Replaced)
            if (face)
                cairo_font_face_destroy(face);
    }

    uint32_t Ink(uint32_t colour) const {
        if (Colour)
            return colour & kWhite;
        return (colour & kWhite) == kWhite ? kWhite : 0;
    }

    // The mask's ink in the appearance, in bands of rows.
    static void WriteMask(cairo_t* cr, const TMaskCanvas& mask, const TAppearance& appearance, int sheetWidth,
                          int sheetHeight) {
        if (!mask.Used() || appearance.Kind == TAppearance::TKind::None)
            return;
        const int bottom = std::min(sheetHeight, kSurface);
        int y = 0;
        while (y < bottom) {
            if (!mask.RowUsed(y)) {
                ++y;
                continue;
            }
            // A band: rows with ink, blank gaps up to kBandGap rows inside it.
            const int top = y;
            int last = y, left = kSurface, right = 0;
            for (; y < bottom && y - last <= kBandGap; ++y) {
                if (!mask.RowUsed(y))
                    continue;
                last = y;
                left = std::min(left, mask.Left(y));
                right = std::max(right, mask.Right(y));
            }
            y = last + 1;
            right = std::min(right, sheetWidth);
            left &= ~7;
            if (left < right)
                WriteBand(cr, mask, appearance, top, last + 1, left, right);
        }
    }

    static void WriteBand(cairo_t* cr, const TMaskCanvas& mask, const TAppearance& appearance, int top,
                          int bottom, int left, int right) {
        const int width = right - left;
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_A1, width, bottom - top);
        if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(image);
            return;
        }
        cairo_surface_flush(image);
        unsigned char* data = cairo_image_surface_get_data(image);
        const int stride = cairo_image_surface_get_stride(image);
        const size_t bytes = size_t(width + 7) / 8;
        const bool littleEndian = [] {
            const uint16_t probe = 1;
            return *reinterpret_cast<const uint8_t*>(&probe) == 1;
        }();
        const auto& reverse = BitReverse();
        for (int y = top; y < bottom; ++y) {
            const uint8_t* src = mask.Row(y) + left / 8;
            unsigned char* dst = data + ptrdiff_t(y - top) * stride;
            for (size_t i = 0; i < bytes; ++i)
                dst[i] = littleEndian ? reverse[src[i]] : src[i];
        }
        cairo_surface_mark_dirty(image);
        if (UseAppearance(cr, appearance))
            cairo_mask_surface(cr, image, left, top);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_surface_destroy(image);
    }

    // The pixels of one em of the text's font at its cell height.
    static double EmPixels(const TTextOp& op) {
        return double(op.Height) * op.Metrics->UnitsPerEm / op.Metrics->Cell.CellUnits;
    }

    // The page's text fonts at each size, made when a size first appears in the document,
    // with the advances its characters have on that page. A later page that brings characters
    // whose advance the font lacks gets the font again with those added: text extraction reads
    // a position correction inside a word as a blank.
    void MakeSizedFonts() {
        std::map<TSizedKey, TGlyphAdvances> wanted;
        for (const TOp& op : Ops) {
            const auto* text = std::get_if<TTextOp>(&op);
            if (!text)
                continue;
            const TSizedKey key{text->Font, text->Metrics, text->Height};
            const auto carried = SizedAdvances.find(key);
            TGlyphAdvances& advances =
                wanted.try_emplace(key, carried != SizedAdvances.end() ? carried->second : TGlyphAdvances{})
                    .first->second;
            advances.resize(text->Font->Advances.size());
            TGlyphAdvances& seen = FaceAdvances[{text->Font, text->Metrics}];
            seen.resize(text->Font->Advances.size());
            const double em = EmPixels(*text);
            for (const TPlacedChar& c : text->Chars) {
                const uint32_t glyph = text->Font->GlyphOf(c.Unicode());
                const long units = std::lround(double(c.Advance) * text->Font->UnitsPerEm / em);
                if (glyph == 0 || glyph >= advances.size() || units <= 0 || units > 0xFFFF)
                    continue;
                if (advances[glyph] == 0)
                    advances[glyph] = uint16_t(units);
                if (seen[glyph] == 0)
                    seen[glyph] = uint16_t(units);
            }
        }
        for (auto& [key, advances] : wanted) {
            const TPdfFont& font = *std::get<0>(key);
            const auto carried = SizedAdvances.find(key);
            if (Sized.count(key) &&
                (carried == SizedAdvances.end() || !Lacks(font, carried->second, advances)))
                continue;
            if (SizedMade >= kMaxSizedFonts) {
                // Each sized font is a font in the document; past this many, the sizes share the
                // face's own advances (size 0) and cairo corrects the positions.
                const TSizedKey shared{&font, nullptr, 0};
                if (!Sized.count(shared))
                    Sized[shared] = TPdfFonts::Shared().Sized(font, {});
                if (!Sized.count(key))
                    Sized[key] = Sized[shared] ? cairo_font_face_reference(Sized[shared]) : nullptr;
                continue;
            }
            FillFixedPitch(font, advances);
            // A proportional face's advances scale with its size.
            const TGlyphAdvances& seen = FaceAdvances[{&font, std::get<1>(key)}];
            for (size_t glyph = 0; glyph < advances.size() && glyph < seen.size(); ++glyph)
                if (advances[glyph] == 0)
                    advances[glyph] = seen[glyph];
            if (Sized.count(key))
                Replaced.push_back(Sized[key]);
            Sized[key] = TPdfFonts::Shared().Sized(font, advances);
            SizedAdvances[key] = advances;
            ++SizedMade;
        }
    }

    // Whether a font with the carried advances lacks one the page wants: where it falls back to
    // the face's own advance and that is shorter by more than a twentieth of an em, the gap
    // after the character would read as a blank. A longer one only overlaps the next.
    static bool Lacks(const TPdfFont& font, const TGlyphAdvances& carried, const TGlyphAdvances& wanted) {
        for (size_t glyph = 0; glyph < wanted.size() && glyph < font.Advances.size(); ++glyph)
            if ((glyph >= carried.size() || carried[glyph] == 0) &&
                wanted[glyph] > font.Advances[glyph] + font.UnitsPerEm / 20)
                return true;
        return false;
    }

    // A fixed-pitch face drawn at one pitch moves every character alike, also the characters
    // that later pages bring.
    static void FillFixedPitch(const TPdfFont& font, TGlyphAdvances& advances) {
        uint16_t natural = 0, pitch = 0;
        for (const auto& [ch, glyph] : font.Glyphs) {
            if (font.Advances[glyph] == 0)
                continue;
            if (natural != 0 && font.Advances[glyph] != natural)
                return;
            natural = font.Advances[glyph];
            if (advances[glyph] != 0 && pitch != 0 && advances[glyph] != pitch)
                return;
            if (advances[glyph] != 0)
                pitch = advances[glyph];
        }
        if (pitch == 0)
            return;
        for (const auto& [ch, glyph] : font.Glyphs)
            if (font.Advances[glyph] != 0)
                advances[glyph] = pitch;
    }

    void WriteText(cairo_t* cr, const TTextOp& op, int sheetWidth, int sheetHeight) {
        cairo_font_face_t* face = Sized[{op.Font, op.Metrics, op.Height}];
        if (!face)
            return;
        const TPdfFont& font = *op.Font;
        const double em = EmPixels(op);
        const double baseline = std::round(em * op.Metrics->Cell.AscentUnits / op.Metrics->UnitsPerEm);
        if (!op.Boxes.empty() && UseAppearance(cr, op.Background)) {
            for (const auto& [left, top, right, bottom] : op.Boxes)
                cairo_rectangle(cr, left, top, right - left, bottom - top);
            cairo_fill(cr);
            cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        }
        std::vector<cairo_glyph_t> glyphs;
        std::vector<cairo_text_cluster_t> clusters;
        std::string utf8;
        // Turned text: each character about the top left of its cell, the baseline turned with it.
        const double turn = op.Angle * M_PI / 180;
        const double cosA = std::cos(turn), sinA = std::sin(turn);
        const int64_t margin = int64_t(op.Height) * 4;
        for (const TPlacedChar& c : op.Chars) {
            if (c.X < -margin || c.Y < -margin || c.X > sheetWidth + margin || c.Y > sheetHeight + margin)
                continue;
            const uint32_t cp = c.Unicode();
            const uint32_t glyph = font.GlyphOf(cp);
            if (glyph == 0)
                continue;
            glyphs.push_back({glyph, double(c.X) + baseline * sinA, double(c.Y) + baseline * cosA});
            const size_t before = utf8.size();
            AppendUtf8Char(utf8, cp);
            clusters.push_back({int(utf8.size() - before), 1});
        }
        if (glyphs.empty())
            return;
        cairo_set_font_face(cr, face);
        cairo_matrix_t matrix;
        cairo_matrix_init(&matrix, em * cosA, -em * sinA, em * sinA, em * cosA, 0, 0);
        cairo_set_font_matrix(cr, &matrix);
        if (op.Ink) {
            // Painted text still goes in as text, its glyphs filled with the paint.
            if (!UseAppearance(cr, *op.Ink))
                return;
        } else {
            SetColour(cr, op.Colour);
        }
        cairo_show_text_glyphs(cr, utf8.data(), int(utf8.size()), glyphs.data(), int(glyphs.size()),
                               clusters.data(), int(clusters.size()), cairo_text_cluster_flags_t(0));
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    }

    static void WriteStroke(cairo_t* cr, const TStrokeOp& op) {
        const TStrokeStyle& style = op.Style;
        cairo_new_path(cr);
        for (const TPolygonRing& path : op.Paths) {
            cairo_move_to(cr, path.front().X, path.front().Y);
            if (path.size() == 1)
                cairo_close_path(cr); // a dot: the caps alone
            for (size_t i = 1; i < path.size(); ++i)
                cairo_line_to(cr, path[i].X, path[i].Y);
            if (op.Closed && path.size() > 2)
                cairo_close_path(cr);
        }
        cairo_set_line_width(cr, std::max(style.Width, 1.0));
        // Cairo has no triangular ends or joins: round ones are nearest.
        const bool dotsOnly = std::all_of(op.Paths.begin(), op.Paths.end(),
                                          [](const TPolygonRing& p) { return p.size() == 1; });
        switch (style.Cap) {
        case TLineCap::Butt:
            cairo_set_line_cap(cr, dotsOnly ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_BUTT);
            break;
        case TLineCap::Square:
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
            break;
        case TLineCap::Triangle:
        case TLineCap::Round:
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            break;
        }
        switch (style.Join) {
        case TLineJoin::Miter:
        case TLineJoin::MiterBevel:
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
            cairo_set_miter_limit(cr, std::clamp(style.MiterLimit, 1.0, 1000.0));
            break;
        case TLineJoin::Triangle:
        case TLineJoin::Round:
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            break;
        case TLineJoin::Bevel:
        case TLineJoin::None:
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
            break;
        }
        SetColour(cr, style.Colour);
        // Combined with the page as fills are (a pen darkens; a white pen leaves the page), so
        // that a plot of fills and edges keeps one operator.
        cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
        cairo_stroke(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, 10);
    }

    void WriteOp(cairo_t* cr, const TOp& op, int sheetWidth, int sheetHeight) {
        if (const auto* text = std::get_if<TTextOp>(&op)) {
            WriteText(cr, *text, sheetWidth, sheetHeight);
        } else if (const auto* rect = std::get_if<TRectOp>(&op)) {
            if (rect->Appearance) {
                if (!UseAppearance(cr, *rect->Appearance))
                    return;
            } else {
                if (rect->Combine)
                    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
                SetColour(cr, rect->Colour);
            }
            cairo_rectangle(cr, rect->Left, rect->Top, rect->Right - rect->Left, rect->Bottom - rect->Top);
            cairo_fill(cr);
            cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        } else if (const auto* layer = std::get_if<TLayerOp>(&op)) {
            const TLayer& l = *Layers[layer->Layer];
            WriteMask(cr, l.WhiteMask, l.White, sheetWidth, sheetHeight);
            WriteMask(cr, l.InkMask, l.Ink, sheetWidth, sheetHeight);
        } else if (const auto* ellipse = std::get_if<TEllipseOp>(&op)) {
            const double rx = (ellipse->Right - ellipse->Left) / 2.0,
                         ry = (ellipse->Bottom - ellipse->Top) / 2.0;
            cairo_save(cr);
            cairo_translate(cr, ellipse->Left + rx, ellipse->Top + ry);
            cairo_scale(cr, rx, ry);
            cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
            cairo_restore(cr);
            SetColour(cr, ellipse->Colour);
            cairo_fill(cr);
        } else if (const auto* polygon = std::get_if<TPolygonOp>(&op)) {
            cairo_new_path(cr);
            for (const TPolygonRing& ring : polygon->Rings) {
                cairo_move_to(cr, ring.front().X, ring.front().Y);
                for (size_t i = 1; i < ring.size(); ++i)
                    cairo_line_to(cr, ring[i].X, ring[i].Y);
                cairo_close_path(cr);
            }
            cairo_set_fill_rule(cr, polygon->Rule == TFillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD
                                                                        : CAIRO_FILL_RULE_WINDING);
            if (!polygon->Appearance) {
                cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
                SetColour(cr, polygon->Colour);
            }
            if (!polygon->Appearance || UseAppearance(cr, *polygon->Appearance))
                cairo_fill(cr);
            cairo_new_path(cr);
            cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
            cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        } else if (const auto* stroke = std::get_if<TStrokeOp>(&op)) {
            WriteStroke(cr, *stroke);
        } else if (const auto* line = std::get_if<TLineOp>(&op)) {
            SetColour(cr, line->Colour);
            cairo_set_line_width(cr, line->Pen);
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
            // The pen is square and centred on the line; the end point is not drawn.
            const double before = line->Pen / 2, after = line->Pen - before;
            const double shift = (after - before) / 2.0;
            cairo_move_to(cr, line->X1 + 0.5 + shift, line->Y1 + 0.5 + shift);
            cairo_line_to(cr, line->X2 + 0.5 + shift, line->Y2 + 0.5 + shift);
            cairo_stroke(cr);
        }
    }
};

TPdfDevice::TPdfDevice(bool colour, TCharRasterizer* rasterizer) : impl_(std::make_unique<TImpl>()) {
    impl_->Colour = colour;
    impl_->Rasterizer = rasterizer;
    impl_->Surface = cairo_pdf_surface_create_for_stream(AppendToString, &impl_->Bytes, 612, 792);
    cairo_pdf_surface_set_metadata(impl_->Surface, CAIRO_PDF_METADATA_CREATOR, "Pagellan pcl2pdf");
}

TPdfDevice::~TPdfDevice() = default;

void TPdfDevice::SetPageBudget(size_t bytes) {
    impl_->PageBudget = bytes;
}

void TPdfDevice::StartPage(int width, int height) {
    impl_->Ops.clear();
    impl_->OpBytes = 0;
    impl_->Mask.Clear();
    impl_->Layers.clear();
    impl_->Width = std::max(width, 0);
    impl_->Height = std::max(height, 0);
}

void TPdfDevice::ResizePage(int width, int height) {
    impl_->Width = std::max(width, 0);
    impl_->Height = std::max(height, 0);
}

int TPdfDevice::PageWidth() const {
    return impl_->Width;
}

int TPdfDevice::PageHeight() const {
    return impl_->Height;
}

bool TPdfDevice::Monochrome() const {
    return !impl_->Colour;
}

void TPdfDevice::DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) {
    if (font.Height <= 0 || font.Height > kMaxCellHeight || chars.empty())
        return;
    TPdfFonts& fonts = TPdfFonts::Shared();
    const TPdfFont* face = fonts.Find(font.Family, font.Bold, font.Italic);
    if (!face || !impl_->Spend(chars.size() * sizeof(TPlacedChar)))
        return;
    // Painted text: its ink through the paint, and where an opaque source paints white, the
    // boxes of its character images first (upright text only).
    std::optional<TAppearance> ink;
    TAppearance background;
    std::vector<std::array<int, 4>> boxes;
    if (!font.Paint.PlainInk()) {
        ink = AppearanceOf(font.Paint, false, impl_->Colour, CAIRO_OPERATOR_OVER);
        background = AppearanceOf(font.Paint, true, impl_->Colour, CAIRO_OPERATOR_OVER);
        if (background.Kind != TAppearance::TKind::None && impl_->Rasterizer && font.QuarterTurns() == 0)
            for (const TPlacedChar& c : chars) {
                TCharCoverage image;
                if (c.X > -kFarOff && c.X < kFarOff && c.Y > -kFarOff && c.Y < kFarOff &&
                    impl_->Rasterizer->Render(font, c.Unicode(), image) && image.Width > 0 &&
                    image.Height > 0)
                    boxes.push_back({c.X + image.OffsetX, c.Y + image.OffsetY,
                                     c.X + image.OffsetX + image.Width, c.Y + image.OffsetY + image.Height});
            }
    }
    // Characters the face lacks come from the fonts that have them: each stretch of characters
    // in one font is one operation, in the order of the run.
    TTextOp* text = nullptr;
    for (const TPlacedChar& c : chars) {
        const uint32_t ch = c.Unicode();
        const TPdfFont* glyphs = face;
        if (ch > ' ' && face->GlyphOf(ch) == 0)
            if (const TPdfFont* fallback = fonts.FindFallback(font.Family, font.Bold, font.Italic, ch))
                glyphs = fallback;
        if (!text || text->Font != glyphs) {
            // The boxes go with the run's first operation, under all of its characters.
            TTextOp op{glyphs,
                       face,
                       font.Height,
                       impl_->Ink(font.Colour),
                       {},
                       font.Angle % 360,
                       ink,
                       text ? TAppearance() : background,
                       text ? decltype(boxes)() : std::move(boxes)};
            text = &std::get<TTextOp>(impl_->Ops.emplace_back(std::move(op)));
        }
        text->Chars.push_back(c);
    }
}

int TPdfDevice::MeasureChar(const TDeviceFont& font, uint32_t ch) {
    // The page bitmap's measure, so that a page lays out in the PDF as it does on screen.
    TCharCoverage image;
    return impl_->Rasterizer && impl_->Rasterizer->Render(font, ch, image) ? image.Advance : 0;
}

void TPdfDevice::DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint) {
    if (glyph.BytesPerRow == 0)
        return;
    for (int row = 0; row < glyph.Height; ++row) {
        const size_t at = size_t(row) * glyph.BytesPerRow;
        if (at >= glyph.Bits.size())
            return;
        const std::span<const uint8_t> bits =
            glyph.Bits.subspan(at, std::min(glyph.BytesPerRow, glyph.Bits.size() - at));
        impl_->SourceRow(x, int64_t(y) + row, bits, size_t(std::max(glyph.Width, 0)), paint);
    }
}

void TPdfDevice::DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                               TRasterDirection direction, const TPaint& paint) {
    if (direction == TRasterDirection::Across) {
        impl_->SourceRow(x, y, bits, bitCount, paint);
        return;
    }
    // Down the page: each pixel a row of its own.
    bitCount = std::min<size_t>(bitCount, kSurface);
    const uint8_t ink = 0x80, none = 0;
    for (size_t p = 0; p < bitCount && int64_t(y) + int64_t(p) < kSurface; ++p) {
        const bool set = p / 8 < bits.size() && (bits[p / 8] & (0x80 >> (p % 8)));
        impl_->SourceRow(x, int64_t(y) + int64_t(p), std::span<const uint8_t>(set ? &ink : &none, 1), 1,
                         paint);
    }
}

// Fills show in the colours the page bitmap shows them in, whether or not the document is
// in colour: a shading is a real grey, a pattern a tiled pattern.
void TPdfDevice::FillRectangle(int left, int top, int width, int height, const TPaint& paint) {
    const TAppearance appearance = AppearanceOf(paint, false, true, CAIRO_OPERATOR_MULTIPLY);
    if (width <= 0 || height <= 0 || appearance.Kind == TAppearance::TKind::None)
        return;
    const int l = Clamp(left, 0, kSurface), t = Clamp(top, 0, kSurface);
    const int r = Clamp(int64_t(left) + width, 0, kSurface), b = Clamp(int64_t(top) + height, 0, kSurface);
    if (l >= r || t >= b || !impl_->Spend(0))
        return;
    if (appearance.Kind == TAppearance::TKind::Colour && appearance.Operator == CAIRO_OPERATOR_MULTIPLY)
        impl_->Ops.emplace_back(TRectOp{l, t, r, b, appearance.Colour, true});
    else
        impl_->Ops.emplace_back(TRectOp{l, t, r, b, 0, false, appearance});
}

void TPdfDevice::FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) {
    const TAppearance appearance = AppearanceOf(paint, false, true, CAIRO_OPERATOR_MULTIPLY);
    if (appearance.Kind == TAppearance::TKind::None)
        return;
    const uint32_t colour = appearance.Colour;
    constexpr double kFar = 4.0 * kSurface;
    size_t points = 0;
    for (const TPolygonRing& ring : rings)
        points += ring.size();
    if (!impl_->Spend(points * sizeof(TPagePoint)))
        return;
    TPolygonOp op{{}, rule, colour};
    if (appearance.Kind != TAppearance::TKind::Colour || appearance.Operator != CAIRO_OPERATOR_MULTIPLY)
        op.Appearance = appearance;
    for (const TPolygonRing& ring : rings) {
        if (ring.size() < 3 || !std::all_of(ring.begin(), ring.end(), [](const TPagePoint& p) {
                return std::isfinite(p.X) && std::isfinite(p.Y);
            }))
            continue;
        TPolygonRing clipped = ClipRing(ring, kFar);
        if (clipped.size() >= 3)
            op.Rings.push_back(std::move(clipped));
    }
    if (!op.Rings.empty())
        impl_->Ops.emplace_back(std::move(op));
}

void TPdfDevice::DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) {
    // Far outside the surface only the direction matters; cairo's fixed-point coordinates
    // must not overflow.
    constexpr int64_t kFar = 4 * kSurface;
    const int pen = Clamp(penWidth, 1, kSurface);
    const uint32_t ink = impl_->Ink(colour);
    if (!impl_->Spend(0))
        return;
    if (y1 == y2 || x1 == x2) {
        // Straight lines as the rectangles the square pen covers, exactly as on the bitmap.
        const int before = pen / 2;
        int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
        if (y1 == y2) {
            t -= before;
            b = t + pen;
        } else {
            l -= before;
            r = l + pen;
        }
        const int cl = Clamp(l, 0, kSurface), cr = Clamp(r, 0, kSurface);
        const int ct = Clamp(t, 0, kSurface), cb = Clamp(b, 0, kSurface);
        if (cl < cr && ct < cb)
            impl_->Ops.emplace_back(TRectOp{cl, ct, cr, cb, ink, false});
        return;
    }
    impl_->Ops.emplace_back(TLineOp{Clamp(x1, -kFar, kFar), Clamp(y1, -kFar, kFar), Clamp(x2, -kFar, kFar),
                                    Clamp(y2, -kFar, kFar), pen, ink});
}

void TPdfDevice::StrokePath(std::span<const TPolygonRing> paths, bool closed, const TStrokeStyle& style) {
    // Far outside the surface only the direction matters; cairo's fixed-point coordinates
    // must not overflow.
    constexpr double kFar = 4.0 * kSurface;
    size_t points = 0;
    for (const TPolygonRing& path : paths)
        points += path.size();
    if (paths.empty() || !impl_->Spend(points * sizeof(TPagePoint) + paths.size() * sizeof(TPolygonRing)))
        return;
    TStrokeOp op{{}, closed, style};
    op.Style.Colour = impl_->Ink(style.Colour);
    op.Style.Width = std::clamp(std::isfinite(style.Width) ? style.Width : 1.0, 0.0, double(kSurface));
    op.Paths.reserve(paths.size());
    for (const TPolygonRing& path : paths) {
        TPolygonRing kept;
        kept.reserve(path.size());
        for (const TPagePoint& p : path)
            if (std::isfinite(p.X) && std::isfinite(p.Y))
                kept.push_back({std::clamp(p.X, -kFar, kFar), std::clamp(p.Y, -kFar, kFar)});
        if (!kept.empty())
            op.Paths.push_back(std::move(kept));
    }
    if (!op.Paths.empty())
        impl_->Ops.emplace_back(std::move(op));
}

void TPdfDevice::FillEllipse(int left, int top, int right, int bottom, uint32_t colour) {
    if (right <= left || bottom <= top || left >= kSurface || top >= kSurface || right <= 0 || bottom <= 0 ||
        !impl_->Spend(0))
        return;
    constexpr int64_t kFar = 4 * kSurface;
    impl_->Ops.emplace_back(TEllipseOp{Clamp(left, -kFar, kFar), Clamp(top, -kFar, kFar),
                                       Clamp(right, -kFar, kFar), Clamp(bottom, -kFar, kFar),
                                       impl_->Ink(colour)});
}

void TPdfDevice::FinishPage(int sheetWidth, int sheetHeight) {
    sheetWidth = std::clamp(sheetWidth, 1, kSurface);
    sheetHeight = std::clamp(sheetHeight, 1, kSurface);
    cairo_pdf_surface_set_size(impl_->Surface, sheetWidth * kPointsPerPixel, sheetHeight * kPointsPerPixel);
    cairo_t* cr = cairo_create(impl_->Surface);
    cairo_scale(cr, kPointsPerPixel, kPointsPerPixel);
    TAppearance black;
    black.Kind = TAppearance::TKind::Colour;
    TImpl::WriteMask(cr, impl_->Mask, black, sheetWidth, sheetHeight);
    impl_->MakeSizedFonts();
    for (const TOp& op : impl_->Ops)
        impl_->WriteOp(cr, op, sheetWidth, sheetHeight);
    cairo_show_page(cr);
    cairo_destroy(cr);
    impl_->Ops.clear();
    impl_->Mask.Clear();
    impl_->Layers.clear();
    ++impl_->Pages;
}

int TPdfDevice::PagesWritten() const {
    return impl_->Pages;
}

std::string TPdfDevice::Finish() {
    if (!impl_->Surface)
        return {};
    cairo_surface_finish(impl_->Surface);
    const cairo_status_t status = cairo_surface_status(impl_->Surface);
    cairo_surface_destroy(impl_->Surface);
    impl_->Surface = nullptr;
    if (status != CAIRO_STATUS_SUCCESS) {
        impl_->Error = cairo_status_to_string(status);
        return {};
    }
    return std::move(impl_->Bytes);
}

const std::string& TPdfDevice::Error() const {
    return impl_->Error;
}

std::string SubsetFontFile(const std::string& path, int index,
                           const std::function<void(hb_set_t*)>& addCharacters) {
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(path.c_str());
    hb_face_t* whole = blob ? hb_face_create(blob, unsigned(index)) : nullptr;
    hb_blob_destroy(blob);
    hb_subset_input_t* input = whole ? hb_subset_input_create_or_fail() : nullptr;
    if (!input) {
        hb_face_destroy(whole);
        return {};
    }
    addCharacters(hb_subset_input_unicode_set(input));
    // The layout tables (and the closure over them, the larger part of subsetting time) are
    // not needed.
    hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const char* tag :
         {"GSUB", "GPOS", "GDEF", "kern", "gasp", "hdmx", "VDMX", "LTSH", "DSIG", "JSTF", "BASE"})
        hb_set_add(dropped, hb_tag_from_string(tag, 4));
    hb_subset_input_set_flags(input, HB_SUBSET_FLAGS_NO_HINTING);
    // The subset as a plain font file again: a built face does not list its tables.
    hb_face_t* subset = hb_subset_or_fail(whole, input);
    hb_subset_input_destroy(input);
    hb_face_destroy(whole);
    if (!subset)
        return {};
    hb_blob_t* bytes = hb_face_reference_blob(subset);
    hb_face_destroy(subset);
    unsigned length = 0;
    const char* data = hb_blob_get_data(bytes, &length);
    std::string program(data != nullptr ? data : "", length);
    hb_blob_destroy(bytes);
    return program;
}

} // namespace pg
