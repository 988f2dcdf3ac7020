#include "PageBitmapDevice.h"

#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace pg {

uint32_t PaintColour(const TPaint& paint) {
    double coverage = 1;
    switch (paint.Kind) {
    case TPaint::TKind::Colour:
        return paint.Colour & 0x00FFFFFF;
    case TPaint::TKind::Grey:
        coverage = ShadingCoverage(paint.Level);
        break;
    case TPaint::TKind::Pattern:
        if (paint.Tile)
            coverage = paint.Tile->Coverage();
        break;
    }
    const uint32_t v = uint32_t(std::lround(255 * (1 - std::clamp(coverage, 0.0, 1.0))));
    return v | v << 8 | v << 16;
}

namespace {

// The index a paint's ink takes. A rectangle's black is the palette's fill black (index 14),
// as PCL rectangles have always come out on the page; patterns and greys are black dots.
uint8_t InkIndex(const TPaint& paint, bool rectangle) {
    const uint32_t colour = paint.Kind == TPaint::TKind::Colour ? paint.Colour & 0x00FFFFFF : 0;
    if (colour == 0)
        return rectangle ? kPaletteFillBlack : kPaletteBlack;
    return NearestPaletteIndex(colour);
}

// Pixels of a character image covered at least half are its ink.
constexpr uint8_t kHalfCovered = 128;

// The character image turned counterclockwise by quarter turns about its cell's top left,
// its offsets still from that corner.
TCharCoverage Turned(const TCharCoverage& image, int turns) {
    TCharCoverage out;
    const int w = std::max(image.Width, 0), h = std::max(image.Height, 0);
    const bool sideways = turns % 2 != 0;
    out.Width = sideways ? h : w;
    out.Height = sideways ? w : h;
    out.Pitch = size_t(out.Width);
    out.Advance = image.Advance;
    out.Coverage.assign(size_t(out.Width) * size_t(out.Height), 0);
    // Where the image's pixel (i, j) lands, from the cell's corner: (dx, dy) = (OffsetX + i,
    // OffsetY + j) turned.
    const auto turn = [turns](int64_t dx, int64_t dy) -> std::pair<int64_t, int64_t> {
        switch (turns) {
        case 1:
            return {dy, -dx};
        case 2:
            return {-dx, -dy};
        default:
            return {-dy, dx};
        }
    };
    const auto [ax, ay] = turn(image.OffsetX, image.OffsetY);
    const auto [bx, by] = turn(int64_t(image.OffsetX) + w - 1, int64_t(image.OffsetY) + h - 1);
    out.OffsetX = int(std::min(ax, bx));
    out.OffsetY = int(std::min(ay, by));
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const size_t from = size_t(j) * image.Pitch + size_t(i);
            if (from >= image.Coverage.size())
                break;
            const auto [px, py] = turn(int64_t(image.OffsetX) + i, int64_t(image.OffsetY) + j);
            out.Coverage[size_t(py - out.OffsetY) * out.Pitch + size_t(px - out.OffsetX)] =
                image.Coverage[from];
        }
    return out;
}

} // namespace

namespace {

// A character image turned by angle degrees (anticlockwise on the page) about the top left of
// its cell at (x, y): each page pixel takes the image pixel it comes from.
void BlitTurned(TPageBitmap& page, int x, int y, const TCharCoverage& image, int angle, uint8_t index) {
    const double turn = angle * 3.14159265358979323846 / 180;
    const double c = std::cos(turn), s = std::sin(turn);
    // Image (u, v) from the cell's corner goes to (x + u c + v s, y - u s + v c).
    double left = 1e18, right = -1e18, top = 1e18, bottom = -1e18;
    for (const auto& [u, v] : {std::pair<double, double>{image.OffsetX, image.OffsetY},
                               {image.OffsetX + image.Width, image.OffsetY},
                               {image.OffsetX, image.OffsetY + image.Height},
                               {image.OffsetX + image.Width, image.OffsetY + image.Height}}) {
        const double px = u * c + v * s, py = -u * s + v * c;
        left = std::min(left, px), right = std::max(right, px), top = std::min(top, py),
        bottom = std::max(bottom, py);
    }
    for (int py = int(std::floor(top)); py < int(std::ceil(bottom)); ++py)
        for (int px = int(std::floor(left)); px < int(std::ceil(right)); ++px) {
            const double dx = px + 0.5, dy = py + 0.5;
            const int u = int(std::floor(dx * c - dy * s)) - image.OffsetX;
            const int v = int(std::floor(dx * s + dy * c)) - image.OffsetY;
            if (u >= 0 && v >= 0 && u < image.Width && v < image.Height &&
                image.Coverage[size_t(v) * image.Pitch + size_t(u)] >= 128)
                page.SetPixel(x + px, y + py, index);
        }
}

// A character placed further out than any page reaches (a cursor sent billions of dots away by
// a broken file) is on no page: it is left out before its position is added to.
bool OffEveryPage(const TPlacedChar& c) {
    constexpr int kFar = 1 << 28;
    return c.X < -kFar || c.X > kFar || c.Y < -kFar || c.Y > kFar;
}

} // namespace

void TPageBitmapDevice::DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) {
    if (!rasterizer_)
        return;
    const bool plain = font.Paint.PlainInk();
    const uint8_t index = plain ? NearestPaletteIndex(font.Colour) : InkIndex(font.Paint, false);
    const int turns = font.QuarterTurns();
    if (turns < 0) {
        // Labels at any other angle: each page pixel takes the image pixel it comes from.
        for (const TPlacedChar& c : chars)
            if (!OffEveryPage(c))
                rasterizer_->Use(font, c.Unicode(), [&](const TCharCoverage& image) {
                    BlitTurned(*bitmap_, c.X, c.Y, image, ((font.Angle % 360) + 360) % 360, index);
                });
        return;
    }
    const TPaintPattern pattern = TPaintPattern::Of(font.Paint);
    const TPaintEffects effects = TPaintEffects::Of(font.Paint);
    std::vector<uint8_t> bits;
    for (const TPlacedChar& c : chars)
        if (!OffEveryPage(c))
            rasterizer_->Use(font, c.Unicode(), [&](const TCharCoverage& upright) {
                TCharCoverage turned;
                if (turns != 0)
                    turned = Turned(upright, turns);
                const TCharCoverage& image = turns != 0 ? turned : upright;
                const int left = c.X + image.OffsetX, top = c.Y + image.OffsetY;
                if (plain) {
                    bitmap_->BlitCoverage(left, top, image.Coverage, image.Width, image.Height, image.Pitch,
                                          index);
                    return;
                }
                // The character's box is its source: covered pixels ink, the rest white.
                bits.assign((size_t(std::max(image.Width, 0)) + 7) / 8, 0);
                for (int row = 0; row < image.Height; ++row) {
                    std::fill(bits.begin(), bits.end(), uint8_t(0));
                    const size_t start = size_t(row) * image.Pitch;
                    for (int col = 0; col < image.Width && start + size_t(col) < image.Coverage.size(); ++col)
                        if (image.Coverage[start + size_t(col)] >= kHalfCovered)
                            bits[size_t(col) / 8] |= uint8_t(0x80 >> (col % 8));
                    bitmap_->PaintRow(left, int(std::min<int64_t>(int64_t(top) + row, INT32_MAX)),
                                      image.Width, bits, false, pattern, effects, index, false);
                }
            });
}

int TPageBitmapDevice::MeasureChar(const TDeviceFont& font, uint32_t ch) {
    return rasterizer_ ? rasterizer_->Advance(font, ch) : 0;
}

void TPageBitmapDevice::PaintBits(int x, int y, const TBitImage& image, const TPaint& paint, uint8_t index) {
    if (image.Width <= 0 || image.BytesPerRow == 0)
        return;
    const TPaintPattern pattern = TPaintPattern::Of(paint);
    const TPaintEffects effects = TPaintEffects::Of(paint);
    for (int row = 0; row < image.Height; ++row) {
        const size_t start = size_t(row) * image.BytesPerRow;
        if (start >= image.Bits.size())
            return;
        const int64_t py = int64_t(y) + row;
        if (py >= bitmap_->Height())
            return;
        bitmap_->PaintRow(x, int(py), image.Width,
                          image.Bits.subspan(start, std::min(image.BytesPerRow, image.Bits.size() - start)),
                          false, pattern, effects, index, false);
    }
}

void TPageBitmapDevice::DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint) {
    if (paint.PlainInk()) {
        bitmap_->BlitBits(x, y, glyph.Bits, glyph.Width, glyph.Height, glyph.BytesPerRow,
                          InkIndex(paint, false));
        return;
    }
    PaintBits(x, y, glyph, paint, InkIndex(paint, false));
}

void TPageBitmapDevice::DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                                      TRasterDirection direction, const TPaint& paint) {
    const bool plain = paint.PlainInk();
    const uint8_t index = InkIndex(paint, false);
    if (direction == TRasterDirection::Across) {
        if (plain)
            bitmap_->BitsRow(x, y, bits, bitCount, index);
        else
            bitmap_->PaintRow(x, y, int64_t(std::min<size_t>(bitCount, INT32_MAX)), bits, false,
                              TPaintPattern::Of(paint), TPaintEffects::Of(paint), index, false);
        return;
    }
    // Down the page: each pixel a row of its own.
    const TPaintPattern pattern = TPaintPattern::Of(paint);
    const TPaintEffects effects = TPaintEffects::Of(paint);
    const size_t dataBits = bits.size() * 8;
    bitCount = std::min<size_t>(bitCount, plain ? dataBits : size_t(bitmap_->Height()) + 1);
    const uint8_t ink = 0x80;
    const uint8_t none = 0;
    for (size_t p = 0; p < bitCount; ++p) {
        const bool set = p < dataBits && (bits[p / 8] & (0x80 >> (p % 8)));
        if (plain && p < dataBits && bits[p / 8] == 0) {
            p |= 7;
            continue;
        }
        const int64_t py = int64_t(y) + int64_t(p);
        if (py >= bitmap_->Height())
            return;
        if (plain) {
            if (set)
                bitmap_->SetPixel(x, int(py), index);
            continue;
        }
        bitmap_->PaintRow(x, int(py), 1, std::span<const uint8_t>(set ? &ink : &none, 1), false, pattern,
                          effects, index, false);
    }
}

// A fill combines with the page by the paint's effects; where it inks, each pixel := the ink's
// index AND the page's, so content under a black fill stays black. The common solid fill is
// one AND over the rectangle.
void TPageBitmapDevice::FillRectangle(int left, int top, int width, int height, const TPaint& paint) {
    if (width <= 0 || height <= 0)
        return;
    const int right = int(std::min<int64_t>(int64_t(left) + width, INT32_MAX));
    const int bottom = int(std::min<int64_t>(int64_t(top) + height, INT32_MAX));
    const TPaintPattern pattern = TPaintPattern::Of(paint);
    const TPaintEffects effects = TPaintEffects::Of(paint);
    const uint8_t index = InkIndex(paint, true);
    if (pattern.Kind == TPaintPattern::TKind::Ink && effects.At(false, false) == TPixelEffect::Ink) {
        bitmap_->AndRect(left, top, right, bottom, index);
        return;
    }
    const int from = std::max(top, 0), to = std::min(bottom, bitmap_->Height());
    for (int y = from; y < to; ++y)
        bitmap_->PaintRow(left, y, int64_t(right) - left, {}, true, pattern, effects, index, true);
}

void TPageBitmapDevice::FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule,
                                    const TPaint& paint) {
    const TPaintPattern pattern = TPaintPattern::Of(paint);
    const TPaintEffects effects = TPaintEffects::Of(paint);
    const uint8_t index = pattern.Kind == TPaintPattern::TKind::Ink && paint.Kind == TPaint::TKind::Colour
                              ? NearestPaletteIndex(paint.Colour & 0x00FFFFFF)
                              : kPaletteBlack;
    ForEachPolygonSpan(rings, rule, bitmap_->Width(), bitmap_->Height(), [&](int y, int left, int right) {
        bitmap_->PaintRow(left, y, int64_t(right) - left, {}, true, pattern, effects, index, true);
    });
}

void TPageBitmapDevice::DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) {
    bitmap_->Line(x1, y1, x2, y2, penWidth, NearestPaletteIndex(colour));
}

void TPageBitmapDevice::FillEllipse(int left, int top, int right, int bottom, uint32_t colour) {
    bitmap_->FillEllipse(left, top, right, bottom, NearestPaletteIndex(colour));
}

} // namespace pg
