#include "PageBitmapDevice.h"

#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pg {

uint32_t PaintColour(const TPaint& paint) {
    switch (paint.Kind) {
    case TPaint::TKind::Colour:
        return paint.Colour & 0x00FFFFFF;
    case TPaint::TKind::Grey:
        if (paint.Level == 100)
            return PagePalette()[kPaletteBlack];
        break;
    case TPaint::TKind::Pattern:
        break;
    }
    return PagePalette()[kPaletteGrey];
}

namespace {

// A rectangle's black is the palette's fill black (index 14), as PCL rectangles have always
// come out on the page; every other paint takes the index nearest its colour.
uint8_t RectangleIndex(const TPaint& paint) {
    const uint32_t colour = PaintColour(paint);
    return colour == PagePalette()[kPaletteBlack] ? kPaletteFillBlack : NearestPaletteIndex(colour);
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
    const uint8_t index = NearestPaletteIndex(font.Colour);
    if (font.Angle % 360 != 0) {
        for (const TPlacedChar& c : chars)
            if (!OffEveryPage(c))
                rasterizer_->Use(font, c.Unicode(), [&](const TCharCoverage& image) {
                    BlitTurned(*bitmap_, c.X, c.Y, image, font.Angle % 360, index);
                });
        return;
    }
    for (const TPlacedChar& c : chars)
        if (!OffEveryPage(c))
            rasterizer_->Use(font, c.Unicode(), [&](const TCharCoverage& image) {
                bitmap_->BlitCoverage(c.X + image.OffsetX, c.Y + image.OffsetY, image.Coverage, image.Width,
                                      image.Height, image.Pitch, index);
            });
}

int TPageBitmapDevice::MeasureChar(const TDeviceFont& font, uint32_t ch) {
    return rasterizer_ ? rasterizer_->Advance(font, ch) : 0;
}

void TPageBitmapDevice::DrawGlyph(int x, int y, const TBitImage& glyph) {
    bitmap_->BlitBits(x, y, glyph.Bits, glyph.Width, glyph.Height, glyph.BytesPerRow, kPaletteBlack);
}

void TPageBitmapDevice::DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                                      TRasterDirection direction) {
    if (direction == TRasterDirection::Across) {
        bitmap_->BitsRow(x, y, bits, bitCount, kPaletteBlack);
        return;
    }
    bitCount = std::min(bitCount, bits.size() * 8);
    for (size_t p = 0; p < bitCount; ++p) {
        if (bits[p / 8] == 0) {
            p |= 7;
            continue;
        }
        const int64_t py = int64_t(y) + int64_t(p);
        if (py >= bitmap_->Height())
            return;
        if (bits[p / 8] & (0x80 >> (p % 8)))
            bitmap_->SetPixel(x, int(py), kPaletteBlack);
    }
}

// Each pixel := the paint's index AND the page's: content under a black fill stays black, and
// a white fill changes nothing.
void TPageBitmapDevice::FillRectangle(int left, int top, int width, int height, const TPaint& paint) {
    if (width <= 0 || height <= 0)
        return;
    bitmap_->AndRect(left, top, int(std::min<int64_t>(int64_t(left) + width, INT32_MAX)),
                     int(std::min<int64_t>(int64_t(top) + height, INT32_MAX)), RectangleIndex(paint));
}

void TPageBitmapDevice::FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule,
                                    const TPaint& paint) {
    const uint8_t index = NearestPaletteIndex(PaintColour(paint));
    ForEachPolygonSpan(rings, rule, bitmap_->Width(), bitmap_->Height(),
                       [&](int y, int left, int right) { bitmap_->AndRect(left, y, right, y + 1, index); });
}

void TPageBitmapDevice::DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) {
    bitmap_->Line(x1, y1, x2, y2, penWidth, NearestPaletteIndex(colour));
}

void TPageBitmapDevice::FillEllipse(int left, int top, int right, int bottom, uint32_t colour) {
    bitmap_->FillEllipse(left, top, right, bottom, NearestPaletteIndex(colour));
}

} // namespace pg
