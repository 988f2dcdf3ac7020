#include "SoftFont.h"

namespace pg {

void TSoftFont::StoreGlyph(uint8_t code, std::string_view block) {
    glyphs_.try_emplace(code, block.substr(0, kSoftFontBlockLimit));
}

bool TSoftFont::Scalable() const {
    // The header format byte: 0 and 20 are the bitmap formats.
    if (header_.size() < 3)
        return false;
    const uint8_t format = uint8_t(header_[2]);
    return format == 10 || format == 11 || format == 15 || format == 16;
}

const std::string* TSoftFont::FindGlyph(uint8_t code) const {
    auto it = glyphs_.find(code);
    return it == glyphs_.end() ? nullptr : &it->second;
}

std::string RewriteFontHeader(std::string_view block) {
    std::string out(block);
    auto put = [&](size_t at, uint8_t value) {
        if (at < out.size())
            out[at] = char(value);
    };
    put(14, 1);
    put(15, 21);
    if (out.size() > 19) {
        const unsigned height = (uint8_t(out[18]) << 8 | uint8_t(out[19])) / 2;
        put(18, uint8_t(height >> 8));
        put(19, uint8_t(height & 0xFF));
    }
    put(25, 52);
    put(26, 16);
    return out;
}

} // namespace pg
