#pragma once
// What a paint is made of, shared by the interpreter and every device: pattern tiles (the
// printer's shading halftones, its six cross-hatches, patterns a stream downloads), the
// printer's grey bands for shading percentages, and what a paint's logical operation and
// transparency modes do to a page pixel for each pixel of source and pattern.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pg {

struct TPaint;

// A pattern's pixels: rows top to bottom, leftmost pixel in the most significant bit, a set
// bit black. Rows the data does not reach read as white, so a tile holds no more bytes than
// its pattern brought.
struct TPatternTile {
    int Width = 0;
    int Height = 0;
    size_t BytesPerRow = 0;
    std::vector<uint8_t> Bits;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    // The pixel of the page position (x, y) with the tile's corner at (refX, refY), the tile
    // repeated in every direction and turned counterclockwise by quarter turns (0..3), as a
    // pattern turns with the print direction.
    bool Black(int64_t x, int64_t y, int64_t refX, int64_t refY, int turns = 0) const;
    // The tile's sides as the page shows it turned.
    int TurnedWidth(int turns) const { return turns % 2 != 0 ? Height : Width; }
    int TurnedHeight(int turns) const { return turns % 2 != 0 ? Width : Height; }
    // Share of black pixels, 0 .. 1.
    double Coverage() const;
};

// A tile from rows of 16 bits, most significant bit leftmost.
TPatternTile TileFromRows(const std::array<uint16_t, 16>& rows);

// The printer's shading: a percentage 1..99 prints as one of seven halftones (1-2, 3-10,
// 11-20, 21-35, 36-55, 56-80, 81-99); 0 and less is white, 100 and more black.
const TPatternTile& ShadingTile(int percent);
// How dark a shading prints: the share of black in its halftone (0 white .. 1 black).
double ShadingCoverage(int percent);
// The cross-hatch patterns 1..6: horizontal, vertical, two diagonals, square and diagonal
// grids; nullptr for another number.
const TPatternTile* CrossHatchTile(int pattern);

// What painting does to one page pixel.
enum class TPixelEffect : uint8_t {
    Keep,   // the page stays
    Ink,    // the paint's colour (black on a monochrome page)
    White,  // white
    Invert, // white becomes black, anything else white
};

// The effect of a paint for each combination of source pixel (the text, glyph, raster bit or
// area drawn: ink or white) and pattern pixel (ink or white), from the paint's logical
// operation and transparency modes. A white source pixel is left alone under source
// transparency; otherwise it is applied as white (through a white pattern under pattern
// transparency). Source ink under a white pattern pixel is left alone under pattern
// transparency.
struct TPaintEffects {
    // [source white][pattern white]
    std::array<std::array<TPixelEffect, 2>, 2> Effect{};

    static TPaintEffects Of(uint8_t rop, bool sourceTransparent, bool patternTransparent);
    static TPaintEffects Of(const TPaint& paint);
    TPixelEffect At(bool sourceWhite, bool patternWhite) const {
        return Effect[sourceWhite ? 1 : 0][patternWhite ? 1 : 0];
    }
    // White source pixels change nothing: only the source's ink is painted.
    bool SourceWhiteKeeps() const {
        return Effect[1][0] == TPixelEffect::Keep && Effect[1][1] == TPixelEffect::Keep;
    }
};

// What a paint's pattern is on every pixel: all ink, all white, or a tile. The colour of
// a colour paint is its ink; white is no ink. A pattern paint without a tile (never resolved)
// is ink everywhere.
struct TPaintPattern {
    enum class TKind : uint8_t { Ink, White, Tile } Kind = TKind::Ink;
    const TPatternTile* Tile = nullptr;
    int RefX = 0;
    int RefY = 0;
    int Turns = 0;

    static TPaintPattern Of(const TPaint& paint);
    bool Black(int64_t x, int64_t y) const {
        return Kind == TKind::Ink || (Kind == TKind::Tile && Tile->Black(x, y, RefX, RefY, Turns));
    }
};

} // namespace pg
