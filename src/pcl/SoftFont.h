#pragma once
// TSoftFont: a bitmap font downloaded in a PCL stream: its header block and one glyph per
// downloaded character. As on a printer, a later download of a code replaces the earlier one.
// Glyphs are decoded when they are stored (uncompressed or compressed rows, continuation
// blocks joined), and each keeps the blocks it came in, so that a page stream re-emitted on
// its own can download it again.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

// A font header is kept up to this many bytes; its copyright and other segments are not read.
inline constexpr size_t kSoftFontBlockLimit = 65536;
// A glyph is at most this many dots wide and high (more than 13 inches at 300 dpi), and its
// blocks together at most this many bytes; a larger one is not stored.
inline constexpr int kMaxGlyphSide = 4096;
inline constexpr size_t kMaxGlyphBytes = size_t(1) << 20;

// One downloaded character: its descriptor fields and its rows, top row first, leftmost pixel
// in the most significant bit.
struct TSoftGlyph {
    int LeftOffset = 0;     // dots from the cursor to the glyph's left edge
    int TopOffset = 0;      // dots from the baseline up to the top row
    int Width = 0;          // dots
    int Height = 0;         // rows
    int AdvanceQuarter = 0; // delta X in quarter dots
    size_t BytesPerRow = 0;
    std::vector<uint8_t> Bits;
    // The download blocks as received: the first one, then its continuations.
    std::vector<std::string> Blocks;
};

class TSoftFont {
public:
    explicit TSoftFont(std::string_view header) : header_(header.substr(0, kSoftFontBlockLimit)) {}

    // A character block: the start of a glyph (replacing any glyph stored for code) or a
    // continuation of the glyph begun last. A continuation without a start is ignored, and so
    // is a glyph that would cost more than budget bytes. The bytes it cost; 0 when not stored.
    size_t StoreGlyph(uint8_t code, std::string_view block, size_t budget = SIZE_MAX);
    // The glyph stored for code, or nullptr.
    const TSoftGlyph* FindGlyph(uint8_t code) const;
    void DeleteGlyph(uint8_t code);
    size_t GlyphCount() const { return glyphs_.size(); }
    const std::map<uint8_t, std::shared_ptr<const TSoftGlyph>>& Glyphs() const { return glyphs_; }
    const std::string& Header() const { return header_; }
    // The header announces an outline font (Intellifont, TrueType or universal format): its
    // glyph blocks hold outlines, not bitmaps.
    bool Scalable() const;
    // The resolution the font's bitmaps are made for; glyphs of finer ones are stored scaled
    // to 300 dpi.
    int Resolution() const;
    // The cell height the header names, in page pixels; 0 when the header is too short.
    int CellHeight() const;
    // The symbol set the header names (number * 32 + letter - 64); -1 when it is too short.
    int SymbolSet() const;
    // A permanent font survives a printer reset; fonts are temporary when downloaded.
    bool Permanent = false;

private:
    void Decode(TSoftGlyph& glyph) const;
    std::string header_;
    // Glyphs are shared with the page snapshots that hold this font: a stored glyph is never
    // changed, only replaced.
    std::map<uint8_t, std::shared_ptr<const TSoftGlyph>> glyphs_;
    // The code whose glyph still takes continuation blocks; -1 when none does.
    int open_ = -1;
};

// Decodes a glyph from its blocks (the descriptor block, then continuation data): class 1
// rows as they stand, class 2 rows as a repeat count and alternating white and black run
// lengths. Rows or runs past the glyph's size are dropped; missing ones stay blank.
void DecodeGlyph(TSoftGlyph& glyph);

// The copy of a font header block that the interpreter re-emits: symbol set 8U (277), the
// height in quarter dots halved (rounded down), typeface 4148 (Univers). Fields beyond the
// end of a short block are left out.
std::string RewriteFontHeader(std::string_view block);

} // namespace pg
