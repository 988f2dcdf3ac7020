#include "PCLPatterns.h"

#include "PCLDevice.h"

#include <algorithm>
#include <bit>

namespace pg {

namespace {

// The halftones of the shading bands at 300 dots per inch, anchored at the page's origin, as
// a LaserJet prints them: dots that grow into a diagonal grid of clusters.
constexpr std::array<std::array<uint16_t, 16>, 7> kShadingRows = {{
    {0x8080, 0, 0, 0, 0, 0, 0, 0, 0x0808, 0, 0, 0, 0, 0, 0, 0},
    {0x8080, 0, 0, 0, 0x0808, 0, 0, 0, 0x8080, 0, 0, 0, 0x0808, 0, 0, 0},
    {0xC0C0, 0xC0C0, 0, 0, 0x0C0C, 0x0C0C, 0, 0, 0xC0C0, 0xC0C0, 0, 0, 0x0C0C, 0x0C0C, 0, 0},
    {0xC1C1, 0xC1C1, 0x8080, 0x0808, 0x1C1C, 0x1C1C, 0x0808, 0x8080, 0xC1C1, 0xC1C1, 0x8080, 0x0808, 0x1C1C,
     0x1C1C, 0x0808, 0x8080},
    {0xC1C1, 0xEBEB, 0xC1C1, 0x8888, 0x1C1C, 0xBEBE, 0x1C1C, 0x8888, 0xC1C1, 0xEBEB, 0xC1C1, 0x8888, 0x1C1C,
     0xBEBE, 0x1C1C, 0x8888},
    {0xE3E3, 0xE3E3, 0xE3E3, 0xDDDD, 0x3E3E, 0x3E3E, 0x3E3E, 0xDDDD, 0xE3E3, 0xE3E3, 0xE3E3, 0xDDDD, 0x3E3E,
     0x3E3E, 0x3E3E, 0xDDDD},
    {0xF7F7, 0xE3E3, 0xF7F7, 0xFFFF, 0x7F7F, 0x3E3E, 0x7F7F, 0xFFFF, 0xF7F7, 0xE3E3, 0xF7F7, 0xFFFF, 0x7F7F,
     0x3E3E, 0x7F7F, 0xFFFF},
}};

// The cross-hatches: lines two or three dots wide, 16 dots apart.
constexpr std::array<std::array<uint16_t, 16>, 6> kCrossHatchRows = {{
    {0, 0, 0, 0, 0, 0, 0, 0xFFFF, 0xFFFF, 0, 0, 0, 0, 0, 0, 0},
    {0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180,
     0x0180, 0x0180, 0x0180},
    {0x8003, 0x0007, 0x000E, 0x001C, 0x0038, 0x0070, 0x00E0, 0x01C0, 0x0380, 0x0700, 0x0E00, 0x1C00, 0x3800,
     0x7000, 0xE000, 0xC001},
    {0xC001, 0xE000, 0x7000, 0x3800, 0x1C00, 0x0E00, 0x0700, 0x0380, 0x01C0, 0x00E0, 0x0070, 0x0038, 0x001C,
     0x000E, 0x0007, 0x8003},
    {0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0x0180, 0xFFFF, 0xFFFF, 0x0180, 0x0180, 0x0180, 0x0180,
     0x0180, 0x0180, 0x0180},
    {0xC003, 0xE007, 0x700E, 0x381C, 0x1C38, 0x0E70, 0x07E0, 0x03C0, 0x03C0, 0x07E0, 0x0E70, 0x1C38, 0x381C,
     0x700E, 0xE007, 0xC003},
}};

int ShadingBand(int percent) {
    if (percent <= 2)
        return 0;
    if (percent <= 10)
        return 1;
    if (percent <= 20)
        return 2;
    if (percent <= 35)
        return 3;
    if (percent <= 55)
        return 4;
    if (percent <= 80)
        return 5;
    return 6;
}

int64_t Wrap(int64_t v, int64_t n) {
    const int64_t r = v % n;
    return r < 0 ? r + n : r;
}

bool Bit(const TPatternTile& tile, int x, int y) {
    const size_t at = size_t(y) * tile.BytesPerRow + size_t(x) / 8;
    return at < tile.Bits.size() && (tile.Bits[at] & (0x80 >> (x % 8)));
}

// Ink (0) or white (1) for a page pixel of value d (1 white) after the operation, with source
// s and pattern t (1 white): bit t * 4 + s * 2 + d of the code.
int RopBit(uint8_t rop, int s, int t, int d) {
    return (rop >> (t * 4 + s * 2 + d)) & 1;
}

} // namespace

bool TPatternTile::Black(int64_t x, int64_t y, int64_t refX, int64_t refY, int turns) const {
    if (Empty())
        return false;
    turns &= 3;
    // The pixel (tx, ty) of the turned tile, then the tile's own pixel that lands there (the
    // top row of a tile turned counterclockwise becomes its left column, read upwards).
    const int64_t tx = Wrap(x - refX, TurnedWidth(turns)), ty = Wrap(y - refY, TurnedHeight(turns));
    switch (turns) {
    case 1:
        return Bit(*this, int(Width - 1 - ty), int(tx));
    case 2:
        return Bit(*this, int(Width - 1 - tx), int(Height - 1 - ty));
    case 3:
        return Bit(*this, int(ty), int(Height - 1 - tx));
    default:
        return Bit(*this, int(tx), int(ty));
    }
}

double TPatternTile::Coverage() const {
    if (Empty())
        return 0;
    size_t black = 0;
    for (int y = 0; y < Height; ++y)
        for (size_t b = 0; b < BytesPerRow; ++b) {
            const size_t at = size_t(y) * BytesPerRow + b;
            if (at >= Bits.size())
                break;
            uint8_t v = Bits[at];
            // Bits past the width in the row's last byte do not count.
            const int beyond = int(b * 8 + 8) - Width;
            if (beyond > 0)
                v = uint8_t(v & (0xFF << beyond));
            black += size_t(std::popcount(v));
        }
    return double(black) / (double(Width) * double(Height));
}

TPatternTile TileFromRows(const std::array<uint16_t, 16>& rows) {
    TPatternTile tile;
    tile.Width = tile.Height = 16;
    tile.BytesPerRow = 2;
    for (const uint16_t row : rows) {
        tile.Bits.push_back(uint8_t(row >> 8));
        tile.Bits.push_back(uint8_t(row & 0xFF));
    }
    return tile;
}

const TPatternTile& ShadingTile(int percent) {
    static const std::array<TPatternTile, 7> tiles = [] {
        std::array<TPatternTile, 7> t;
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = TileFromRows(kShadingRows[i]);
        return t;
    }();
    return tiles[size_t(ShadingBand(percent))];
}

double ShadingCoverage(int percent) {
    if (percent <= 0)
        return 0;
    if (percent >= 100)
        return 1;
    return ShadingTile(percent).Coverage();
}

const TPatternTile* CrossHatchTile(int pattern) {
    static const std::array<TPatternTile, 6> tiles = [] {
        std::array<TPatternTile, 6> t;
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = TileFromRows(kCrossHatchRows[i]);
        return t;
    }();
    return pattern >= 1 && pattern <= 6 ? &tiles[size_t(pattern - 1)] : nullptr;
}

TPaintEffects TPaintEffects::Of(uint8_t rop, bool sourceTransparent, bool patternTransparent) {
    TPaintEffects effects;
    for (int s = 0; s < 2; ++s)
        for (int t = 0; t < 2; ++t) {
            // Under pattern transparency a white source pixel is applied through a white pattern.
            const int pattern = s == 1 && patternTransparent ? 1 : t;
            const int onInk = RopBit(rop, s, pattern, 0), onWhite = RopBit(rop, s, pattern, 1);
            TPixelEffect effect = onInk == 0 && onWhite == 0   ? TPixelEffect::Ink
                                  : onInk == 1 && onWhite == 1 ? TPixelEffect::White
                                  : onInk == 0                 ? TPixelEffect::Keep
                                                               : TPixelEffect::Invert;
            if ((sourceTransparent && s == 1) || (patternTransparent && s == 0 && t == 1))
                effect = TPixelEffect::Keep;
            effects.Effect[size_t(s)][size_t(t)] = effect;
        }
    return effects;
}

TPaintEffects TPaintEffects::Of(const TPaint& paint) {
    return Of(paint.Rop, paint.SourceTransparent, paint.PatternTransparent);
}

bool TPaint::PlainInk() const {
    if (Kind != TKind::Colour || (Colour & 0x00FFFFFF) == 0x00FFFFFF)
        return false;
    const TPaintEffects effects = TPaintEffects::Of(*this);
    return effects.At(false, false) == TPixelEffect::Ink && effects.SourceWhiteKeeps();
}

TPaintPattern TPaintPattern::Of(const TPaint& paint) {
    TPaintPattern pattern;
    pattern.RefX = paint.RefX;
    pattern.RefY = paint.RefY;
    switch (paint.Kind) {
    case TPaint::TKind::Colour:
        pattern.Kind = (paint.Colour & 0x00FFFFFF) == 0x00FFFFFF ? TKind::White : TKind::Ink;
        break;
    case TPaint::TKind::Grey:
        pattern.Kind = paint.Level <= 0 ? TKind::White : paint.Level >= 100 ? TKind::Ink : TKind::Tile;
        pattern.Tile = &ShadingTile(paint.Level);
        break;
    case TPaint::TKind::Pattern:
        if (paint.Tile && !paint.Tile->Empty()) {
            pattern.Kind = TKind::Tile;
            pattern.Tile = paint.Tile.get();
            pattern.Turns = paint.TileTurns & 3;
        }
        break;
    }
    return pattern;
}

} // namespace pg
