#include "PageBitmapDevice.h"

#include <algorithm>

namespace pg {

void TPageBitmapDevice::DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) {
    if (!rasterizer_)
        return;
    const uint8_t index = NearestPaletteIndex(font.Colour);
    for (const TPlacedChar& c : chars)
        rasterizer_->Use(font, c.Code, [&](const TCharCoverage& image) {
            bitmap_->BlitCoverage(c.X + image.OffsetX, c.Y + image.OffsetY, image.Coverage, image.Width,
                                  image.Height, image.Pitch, index);
        });
}

int TPageBitmapDevice::MeasureChar(const TDeviceFont& font, uint8_t code) {
    return rasterizer_ ? rasterizer_->Advance(font, code) : 0;
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

void TPageBitmapDevice::FillRectangle(int left, int top, int width, int height, uint8_t fillIndex) {
    if (width <= 0 || height <= 0)
        return;
    bitmap_->AndRect(left, top, int(std::min<int64_t>(int64_t(left) + width, INT32_MAX)),
                     int(std::min<int64_t>(int64_t(top) + height, INT32_MAX)), fillIndex);
}

void TPageBitmapDevice::DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) {
    bitmap_->Line(x1, y1, x2, y2, penWidth, NearestPaletteIndex(colour));
}

void TPageBitmapDevice::FillEllipse(int left, int top, int right, int bottom, uint32_t colour) {
    bitmap_->FillEllipse(left, top, right, bottom, NearestPaletteIndex(colour));
}

} // namespace pg
