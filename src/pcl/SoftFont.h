#pragma once
// TSoftFont: a bitmap font downloaded in a PCL stream: its header block and one block per
// downloaded character. The first glyph downloaded for a code stays in use; later ones for
// the same code are not kept, as nothing could ever find them.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace pg {

// Blocks are kept up to this many bytes, the most a download buffer holds.
inline constexpr size_t kSoftFontBlockLimit = 1000;

class TSoftFont {
public:
    explicit TSoftFont(std::string_view header) : header_(header.substr(0, kSoftFontBlockLimit)) {}

    void StoreGlyph(uint8_t code, std::string_view block);
    // The block of the first glyph stored for code, or nullptr.
    const std::string* FindGlyph(uint8_t code) const;
    size_t GlyphCount() const { return glyphs_.size(); }
    const std::string& Header() const { return header_; }
    // The header announces an outline font (Intellifont, TrueType or universal format): its
    // glyph blocks hold outlines, not bitmaps.
    bool Scalable() const;

private:
    std::string header_;
    std::map<uint8_t, std::string> glyphs_;
};

// The copy of a font header block that the interpreter re-emits: symbol set 8U (277), the
// height in quarter dots halved (rounded down), typeface 4148 (Univers). Fields beyond the
// end of a short block are left out.
std::string RewriteFontHeader(std::string_view block);

} // namespace pg
