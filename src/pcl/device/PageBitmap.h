#pragma once
// TPageBitmap: the surface a PCL page is drawn on. Pixels are indices into the 256-colour
// halftone page palette (index 0 black, 255 white, 7 the medium grey and 14 the black of
// rectangle fills), one byte each, or single bits for monochrome pages. Rows are stored
// top to bottom in one contiguous block. Every drawing primitive clips to the bitmap.
//
// Whitening is lazy: a new, reset or cleared bitmap only marks its rows blank, and a row's
// bytes are whitened when the row is first drawn on or read. A page thus costs what is drawn
// and shown, not the whole 4200 x 4200 drawing surface it is cropped from.

#include "PCLPatterns.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace pg {

// Palette indices with a meaning of their own.
inline constexpr uint8_t kPaletteBlack = 0;
inline constexpr uint8_t kPaletteGrey = 7;       // medium grey (red 160, green 160, blue 164)
inline constexpr uint8_t kPaletteFillBlack = 14; // black of a rectangle fill
inline constexpr uint8_t kPaletteWhite = 255;

// The page palette as 0x00BBGGRR colours.
const std::array<uint32_t, 256>& PagePalette();
// The palette index whose colour lies nearest to colour (0x00BBGGRR).
uint8_t NearestPaletteIndex(uint32_t colour);

enum class TPixelFormat { Indexed8, Mono1 };

class TPageBitmap {
public:
    // A white bitmap; negative sizes count as 0.
    TPageBitmap(int width, int height, TPixelFormat format = TPixelFormat::Indexed8);
    TPageBitmap(const TPageBitmap& other);
    TPageBitmap& operator=(const TPageBitmap& other);
    TPageBitmap(TPageBitmap&&) noexcept = default;
    TPageBitmap& operator=(TPageBitmap&&) noexcept = default;

    int Width() const { return width_; }
    int Height() const { return height_; }
    TPixelFormat Format() const { return format_; }
    // Bytes per row.
    size_t Stride() const { return stride_; }
    // Row y's bytes: one index per pixel, or for Mono1 eight pixels per byte, leftmost in the
    // most significant bit, a set bit white. Whitens a blank row first.
    std::span<const uint8_t> Row(int y) const;
    // Whether row y is still blank (all white, never drawn on or read): a reader that only
    // copies pixels out can write a white row without whitening the bitmap's. False outside.
    bool IsRowBlank(int y) const { return y >= 0 && y < height_ && blank_[size_t(y)] != 0; }

    // New size; the pixels at the top left stay, an area that grows is white.
    void Resize(int width, int height);
    // A white bitmap of the new size in the same format, reusing the memory.
    void Reset(int width, int height);
    // Exchanges width and height (the pixels at the top left stay).
    void SwapSides() { Resize(height_, width_); }
    void Clear(uint8_t index = kPaletteWhite);

    // The palette index at (x, y); white outside the bitmap. Mono1 gives 0 or 255.
    uint8_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint8_t index);
    // Pixels x1 .. x2 - 1 of row y.
    void HorizontalSpan(int x1, int x2, int y, uint8_t index);
    // Columns left .. right - 1 of rows top .. bottom - 1.
    void FillRect(int left, int top, int right, int bottom, uint8_t index);
    // Each pixel of the rectangle := index AND its current index (white leaves the content,
    // black darkens everything).
    void AndRect(int left, int top, int right, int bottom, uint8_t index);
    // A line from (x1, y1) towards (x2, y2), the end point excluded, with a square pen of
    // penWidth pixels centred on it.
    void Line(int x1, int y1, int x2, int y2, int penWidth, uint8_t index);
    // The ellipse inside the box left .. right - 1, top .. bottom - 1, filled.
    void FillEllipse(int left, int top, int right, int bottom, uint8_t index);
    // A 1-bit image (rows of bytesPerRow bytes, leftmost pixel in the most significant bit):
    // set bits paint index at (x + column, y + row), clear bits leave the page.
    void BlitBits(int x, int y, std::span<const uint8_t> bits, int width, int height, size_t bytesPerRow,
                  uint8_t index);
    // One row of such an image, bitCount pixels from (x, y) rightwards.
    void BitsRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount, uint8_t index);
    // An 8-bit coverage map (0 none .. 255 full, rows of pitch bytes): pixels covered at
    // least half take index. A palette page has no blending, so this is the sharp edge a
    // palette device draws.
    void BlitCoverage(int x, int y, std::span<const uint8_t> coverage, int width, int height, size_t pitch,
                      uint8_t index);
    // Paints pixels x .. x + count - 1 of row y through a pattern: for each pixel the source
    // (the bit of source for its place in the span, most significant bit first; bits past the
    // data white; no source data at all: ink everywhere) and the pattern pixel choose the
    // effect. Ink takes index; on a palette page with andInk it is ANDed with the pixel, as
    // rectangle fills combine with what lies under them.
    void PaintRow(int x, int y, int64_t count, std::span<const uint8_t> source, bool wholeSource,
                  const TPaintPattern& pattern, const TPaintEffects& effects, uint8_t index, bool andInk);

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    static size_t StrideFor(int width, TPixelFormat format);
    void PlotUnchecked(int x, int y, uint8_t index);
    uint8_t* RowData(int y) const { return pixels_.get() + size_t(y) * stride_; }
    // Row y's bytes, whitened first when the row is blank.
    uint8_t* Touch(int y) const;
    // Room for bytes; the content is lost when the block has to grow.
    void Allocate(size_t bytes);
    void MoveRows(int keepRows, size_t stride);
    bool IsWhite(uint8_t index) const;

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_;
    size_t stride_ = 0;
    struct TBlockFree {
        void operator()(uint8_t* p) const;
    };
    // Left uninitialised: blank rows are whitened when first used.
    std::unique_ptr<uint8_t[], TBlockFree> pixels_;
    size_t capacity_ = 0;
    // Per row: 1 while the row is white and its bytes are not yet written. Kept up to date by
    // the reading functions as well, hence mutable.
    mutable std::vector<uint8_t> blank_;
};

// The points i = First .. Last (whole numbers) of a line drawn point by point from (x1, y1)
// towards (x2, y2) in Steps points, the end point excluded (point i at (x1 + dx * i / Steps,
// y1 + dy * i / Steps)), limited to those within margin of a width x height surface, so that
// far-off end points cost nothing. Last < First when none is.
struct TLineSteps {
    double Steps = 0;
    double First = 0;
    double Last = -1;
};
TLineSteps LineStepsNear(int x1, int y1, int x2, int y2, int margin, int width, int height);

} // namespace pg
