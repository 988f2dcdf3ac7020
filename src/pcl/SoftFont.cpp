#include "SoftFont.h"

#include <algorithm>
#include <cmath>

namespace pg {

namespace {

uint8_t ByteAt(std::string_view block, size_t at) {
    return at < block.size() ? uint8_t(block[at]) : 0;
}

int Field16(std::string_view block, size_t at, bool isSigned) {
    const uint16_t v = uint16_t(ByteAt(block, at) << 8 | ByteAt(block, at + 1));
    return isSigned ? int(int16_t(v)) : int(v);
}

// How far compressed data may expand, and the bytes any glyph may have regardless.
constexpr size_t kGlyphExpansion = 64;
constexpr size_t kGlyphFreeBytes = 65536;
// Continuation blocks per glyph; each one decodes the glyph anew.
constexpr size_t kMaxGlyphBlocks = 64;

bool IsContinuation(std::string_view block) {
    return ByteAt(block, 1) != 0;
}

// Where the rows begin in the first block: after the two-byte prefix and the descriptor.
size_t DataOffset(std::string_view block) {
    const size_t descriptor = ByteAt(block, 2);
    return std::min(block.size(), descriptor >= 14 ? 2 + descriptor : size_t(16));
}

void SetBits(std::vector<uint8_t>& row, int from, int to) {
    for (int x = from; x < to; ++x)
        row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
}

// Class 2: per row group a repeat count, then run lengths, white first, until the width is
// covered; the row stands repeat + 1 times.
void DecodeCompressed(std::string_view data, TSoftGlyph& g) {
    std::vector<uint8_t> row(g.BytesPerRow);
    size_t i = 0;
    int y = 0;
    while (i < data.size() && y < g.Height) {
        const int repeat = ByteAt(data, i++);
        std::fill(row.begin(), row.end(), 0);
        int x = 0;
        bool black = false;
        while (i < data.size() && x < g.Width) {
            const int run = ByteAt(data, i++);
            const int end = std::min(g.Width, x + run);
            if (black)
                SetBits(row, x, end);
            x += run;
            black = !black;
        }
        for (int r = 0; r <= repeat && y < g.Height; ++r, ++y)
            std::copy(row.begin(), row.end(), g.Bits.begin() + ptrdiff_t(size_t(y) * g.BytesPerRow));
    }
}

// A glyph of a font made for a finer resolution, brought to the page's 300 dpi: each page pixel
// is black where at least half of the glyph pixels it covers are, and the offsets and the
// advance shrink with it.
void Downsample(TSoftGlyph& g, int factor) {
    // The glyph's pixels are grouped from a multiple of factor on the fine grid, where the
    // page's pixels begin: padX columns and padY rows of white come first.
    const auto floorMod = [&](int v) { return ((v % factor) + factor) % factor; };
    const int padX = floorMod(g.LeftOffset);
    const int padY = floorMod(factor - floorMod(g.TopOffset)) % factor;
    TSoftGlyph out;
    out.Blocks = std::move(g.Blocks);
    out.LeftOffset = (g.LeftOffset - padX) / factor;
    out.TopOffset = (g.TopOffset + padY) / factor;
    out.AdvanceQuarter = g.AdvanceQuarter / factor;
    out.Width = (g.Width + padX + factor - 1) / factor;
    out.Height = (g.Height + padY + factor - 1) / factor;
    out.BytesPerRow = size_t(out.Width + 7) / 8;
    out.Bits.assign(out.BytesPerRow * size_t(out.Height), 0);
    auto at = [&](int x, int y) {
        return (g.Bits[size_t(y) * g.BytesPerRow + size_t(x / 8)] >> (7 - x % 8)) & 1;
    };
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x) {
            int black = 0;
            for (int dy = 0; dy < factor; ++dy)
                for (int dx = 0; dx < factor; ++dx) {
                    const int sx = x * factor + dx - padX, sy = y * factor + dy - padY;
                    black += sx >= 0 && sy >= 0 && sx < g.Width && sy < g.Height && at(sx, sy);
                }
            if (2 * black >= factor * factor)
                out.Bits[size_t(y) * out.BytesPerRow + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    g = std::move(out);
}

} // namespace

int TSoftFont::Resolution() const {
    // Format 20 headers name their resolution; the others are 300 dpi fonts.
    if (header_.size() < 68 || uint8_t(header_[2]) != 20)
        return 300;
    return Field16(header_, 64, false);
}

int TSoftFont::CellHeight() const {
    if (header_.size() < 12)
        return 0;
    const int resolution = Resolution();
    return resolution > 0 ? Field16(header_, 10, false) * 300 / resolution : 0;
}

int TSoftFont::SymbolSet() const {
    return header_.size() < 16 ? -1 : Field16(header_, 14, false);
}

void TSoftFont::Decode(TSoftGlyph& glyph) const {
    DecodeGlyph(glyph);
    const int resolution = Resolution();
    if (resolution > 300 && resolution % 300 == 0 && resolution <= 2400 && !glyph.Bits.empty())
        Downsample(glyph, resolution / 300);
}

void DecodeGlyph(TSoftGlyph& g) {
    std::vector<std::string> blocks = std::move(g.Blocks);
    g = TSoftGlyph{};
    g.Blocks = std::move(blocks);
    if (g.Blocks.empty())
        return;
    const std::string_view first = g.Blocks.front();
    g.LeftOffset = Field16(first, 6, true);
    g.TopOffset = Field16(first, 8, true);
    g.Width = std::min(Field16(first, 10, false), kMaxGlyphSide);
    g.Height = std::min(Field16(first, 12, false), kMaxGlyphSide);
    g.AdvanceQuarter = Field16(first, 14, true);
    std::string data(first.substr(DataOffset(first)));
    for (size_t i = 1; i < g.Blocks.size(); ++i)
        data.append(std::string_view(g.Blocks[i]).substr(std::min<size_t>(2, g.Blocks[i].size())));
    g.BytesPerRow = size_t(g.Width + 7) / 8;
    // Compressed rows shrink a glyph, but not without bound: a few bytes claiming a glyph the
    // size of a page are not believed, and draw nothing.
    if (g.BytesPerRow * size_t(g.Height) > kGlyphExpansion * data.size() + kGlyphFreeBytes) {
        g.Width = g.Height = 0;
        g.BytesPerRow = 0;
        return;
    }
    g.Bits.assign(g.BytesPerRow * size_t(g.Height), 0);
    if (ByteAt(first, 3) == 2) {
        DecodeCompressed(data, g);
        return;
    }
    std::copy_n(data.begin(), std::min(data.size(), g.Bits.size()), g.Bits.begin());
}

size_t TSoftFont::StoreGlyph(uint8_t code, std::string_view block, size_t budget) {
    if (IsContinuation(block)) {
        auto it = open_ >= 0 ? glyphs_.find(uint8_t(open_)) : glyphs_.end();
        if (it == glyphs_.end() || it->second->Blocks.size() >= kMaxGlyphBlocks)
            return 0;
        size_t total = block.size();
        for (const std::string& b : it->second->Blocks)
            total += b.size();
        if (total > kMaxGlyphBytes)
            return 0;
        auto grown = std::make_shared<TSoftGlyph>(*it->second);
        grown->Blocks.emplace_back(block);
        Decode(*grown);
        const size_t cost = grown->Bits.size() + total;
        if (cost > budget)
            return 0;
        it->second = std::move(grown);
        return cost;
    }
    if (block.size() > kMaxGlyphBytes)
        return 0;
    auto glyph = std::make_shared<TSoftGlyph>();
    glyph->Blocks.emplace_back(block);
    Decode(*glyph);
    const size_t cost = glyph->Bits.size() + block.size();
    if (cost > budget)
        return 0;
    glyphs_[code] = std::move(glyph);
    open_ = code;
    return cost;
}

void TSoftFont::DeleteGlyph(uint8_t code) {
    glyphs_.erase(code);
    if (open_ == code)
        open_ = -1;
}

bool TSoftFont::Scalable() const {
    // The header format byte: 0 and 20 are the bitmap formats.
    if (header_.size() < 3)
        return false;
    const uint8_t format = uint8_t(header_[2]);
    return format == 10 || format == 11 || format == 15 || format == 16;
}

const TSoftGlyph* TSoftFont::FindGlyph(uint8_t code) const {
    auto it = glyphs_.find(code);
    return it == glyphs_.end() ? nullptr : it->second.get();
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
