#include "ThumbnailDevice.h"

#include "PageBitmap.h"
#include "PolygonRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pg {

namespace {

// Darkness (255 - luminance) of the page palette colour nearest to colour, as the page bitmap
// would draw it.
uint32_t DarknessOf(uint32_t colour) {
    const uint32_t c = PagePalette()[NearestPaletteIndex(colour)];
    const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    return 255 - (r * 299 + g * 587 + b * 114 + 500) / 1000;
}

int CellsFor(int side) {
    return side <= 0 ? 0 : (side + TThumbnailDevice::kCell - 1) / TThumbnailDevice::kCell;
}

} // namespace

void TThumbnailDevice::Resize(int width, int height, bool keep) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    const int columns = CellsFor(width), rows = CellsFor(height);
    std::vector<uint16_t> cells(size_t(columns) * size_t(rows), 0);
    std::vector<uint8_t> inked(size_t(rows), 0);
    if (keep)
        for (int r = 0; r < std::min(rows, rows_); ++r) {
            std::copy_n(cells_.begin() + ptrdiff_t(size_t(r) * size_t(columns_)), std::min(columns, columns_),
                        cells.begin() + ptrdiff_t(size_t(r) * size_t(columns)));
            inked[size_t(r)] = inked_[size_t(r)];
        }
    cells_ = std::move(cells);
    inked_ = std::move(inked);
    width_ = width;
    height_ = height;
    columns_ = columns;
    rows_ = rows;
}

void TThumbnailDevice::StartPage(int width, int height) {
    Resize(width, height, false);
}

void TThumbnailDevice::ResizePage(int width, int height) {
    Resize(width, height, true);
}

void TThumbnailDevice::AddToCell(int column, int row, uint32_t amount) {
    uint16_t& cell = cells_[size_t(row) * size_t(columns_) + size_t(column)];
    cell = uint16_t(std::min<uint32_t>(kFullCell, cell + amount));
    inked_[size_t(row)] = 1;
}

void TThumbnailDevice::AddRect(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t darkness) {
    left = std::max<int64_t>(left, 0);
    top = std::max<int64_t>(top, 0);
    right = std::min<int64_t>(right, width_);
    bottom = std::min<int64_t>(bottom, height_);
    if (left >= right || top >= bottom || darkness == 0)
        return;
    for (int64_t row = top / kCell; row <= (bottom - 1) / kCell; ++row) {
        const int64_t high =
            std::min<int64_t>(bottom, (row + 1) * kCell) - std::max<int64_t>(top, row * kCell);
        for (int64_t column = left / kCell; column <= (right - 1) / kCell; ++column) {
            const int64_t wide =
                std::min<int64_t>(right, (column + 1) * kCell) - std::max<int64_t>(left, column * kCell);
            AddToCell(int(column), int(row), uint32_t(high * wide) * darkness);
        }
    }
}

void TThumbnailDevice::DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) {
    if (!rasterizer_)
        return;
    // A paint's dots average out to its colour at this size.
    const uint32_t darkness = DarknessOf(PaintColour(font.Paint));
    if (darkness == 0)
        return;
    TDeviceFont small = font;
    small.Height = std::max(1, int(std::lround(double(font.Height) / kCell)));
    for (const TPlacedChar& c : chars)
        rasterizer_->Use(small, c.Unicode(), [&](const TCharCoverage& image) {
            const int left = c.X / kCell + image.OffsetX, top = c.Y / kCell + image.OffsetY;
            for (int j = 0; j < image.Height; ++j) {
                const int row = top + j;
                if (row < 0 || row >= rows_)
                    continue;
                const uint8_t* coverage = image.Coverage.data() + size_t(j) * image.Pitch;
                for (int i = 0; i < image.Width; ++i) {
                    const int column = left + i;
                    if (coverage[i] != 0 && column >= 0 && column < columns_)
                        AddToCell(column, row, coverage[i] * darkness * (kCell * kCell) / 255);
                }
            }
        });
}

int TThumbnailDevice::MeasureChar(const TDeviceFont& font, uint32_t ch) {
    return rasterizer_ ? rasterizer_->Advance(font, ch) : 0;
}

void TThumbnailDevice::DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint) {
    for (int row = 0; row < glyph.Height; ++row) {
        const size_t start = size_t(row) * glyph.BytesPerRow;
        if (start >= glyph.Bits.size())
            return;
        DrawRasterRow(x, y + row, glyph.Bits.subspan(start), size_t(glyph.Width), TRasterDirection::Across,
                      paint);
    }
}

// The ink of the bits, as dark as the paint's colour.
void TThumbnailDevice::DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                                     TRasterDirection direction, const TPaint& paint) {
    const uint32_t darkness = DarknessOf(PaintColour(paint));
    if (darkness == 0)
        return;
    bitCount = std::min(bitCount, bits.size() * 8);
    for (size_t p = 0; p < bitCount; ++p) {
        if (bits[p / 8] == 0) {
            p |= 7;
            continue;
        }
        if ((bits[p / 8] & (0x80 >> (p % 8))) == 0)
            continue;
        const int64_t px = direction == TRasterDirection::Across ? int64_t(x) + int64_t(p) : x;
        const int64_t py = direction == TRasterDirection::Down ? int64_t(y) + int64_t(p) : y;
        if (px >= width_ || py >= height_)
            return;
        if (px >= 0 && py >= 0)
            AddToCell(int(px) / kCell, int(py) / kCell, darkness);
    }
}

void TThumbnailDevice::FillRectangle(int left, int top, int width, int height, const TPaint& paint) {
    if (width <= 0 || height <= 0)
        return;
    // The fill darkens what it covers; white leaves the page as it is.
    AddRect(left, top, int64_t(left) + width, int64_t(top) + height, DarknessOf(PaintColour(paint)));
}

// The pixels the page bitmap fills, each darkened as a rectangle fill darkens it.
void TThumbnailDevice::FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) {
    const uint32_t darkness = DarknessOf(PaintColour(paint));
    ForEachPolygonSpan(rings, rule, width_, height_,
                       [&](int y, int left, int right) { AddRect(left, y, right, y + 1, darkness); });
}

void TThumbnailDevice::DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) {
    const uint32_t darkness = DarknessOf(colour);
    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    const int pen = std::max(penWidth, 1);
    // The pen's cross-section at each pixel step along the line, the end point excluded; steps
    // far off the page are skipped, not walked.
    const TLineSteps points = LineStepsNear(x1, y1, x2, y2, pen, width_, height_);
    for (double s = points.First; s <= points.Last; ++s) {
        // In doubles: far-apart end points would overflow the products in integers.
        const auto x = int64_t(x1 + std::trunc(double(dx) * s / points.Steps));
        const auto y = int64_t(y1 + std::trunc(double(dy) * s / points.Steps));
        if (std::abs(dx) >= std::abs(dy))
            AddRect(x, y - pen / 2, x + 1, y - pen / 2 + pen, darkness);
        else
            AddRect(x - pen / 2, y, x - pen / 2 + pen, y + 1, darkness);
    }
}

void TThumbnailDevice::FillEllipse(int left, int top, int right, int bottom, uint32_t colour) {
    const uint32_t darkness = DarknessOf(colour);
    const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    const double rx = (double(right) - left) / 2, ry = (double(bottom) - top) / 2;
    if (rx <= 0 || ry <= 0)
        return;
    for (int y = std::max(top, 0); y < std::min(bottom, height_); ++y) {
        const double t = (y + 0.5 - cy) / ry;
        if (t * t >= 1)
            continue;
        const double half = rx * std::sqrt(1 - t * t);
        AddRect(std::llround(cx - half), y, std::llround(cx + half), y + 1, darkness);
    }
}

} // namespace pg
