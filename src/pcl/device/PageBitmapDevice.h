#pragma once
// The page-bitmap device: draws the interpreter's output onto a TPageBitmap (palette indices;
// fills take the index of their paint's colour, combined with the page by AND). The screen,
// driver printing and `render` use it.

#include "PCLDevice.h"
#include "PageBitmap.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace pg {

// The colour (0x00BBGGRR) a paint shows where it covers an area evenly: its colour; for a grey
// level or a pattern, the grey of its halftone's or tile's share of black (a pattern never
// resolved is black). Devices that cannot draw the dots (the thumbnail) show paints so.
uint32_t PaintColour(const TPaint& paint);

// A character image from a font engine: 8-bit coverage, placed relative to the top left of
// the character's cell.
struct TCharCoverage {
    int OffsetX = 0;
    int OffsetY = 0;
    int Width = 0;
    int Height = 0;
    size_t Pitch = 0;
    std::vector<uint8_t> Coverage;
    int Advance = 0; // pixels
};

// The font engine behind the page-bitmap device's text.
class TCharRasterizer {
public:
    virtual ~TCharRasterizer() = default;
    // The image of a Unicode character; false when the font has none for it.
    virtual bool Render(const TDeviceFont& font, uint32_t ch, TCharCoverage& out) = 0;
    // The character's advance in pixels; 0 when the font has no image for it. Text measures
    // every character, so an engine that keeps its images answers without copying one.
    virtual int Advance(const TDeviceFont& font, uint32_t ch) {
        TCharCoverage image;
        return Render(font, ch, image) ? image.Advance : 0;
    }
    // Calls use with the character's image (not when the font has none); an engine that keeps
    // its images lends its own rather than copying one per character drawn.
    virtual bool Use(const TDeviceFont& font, uint32_t ch,
                     const std::function<void(const TCharCoverage&)>& use) {
        TCharCoverage image;
        if (!Render(font, ch, image))
            return false;
        use(image);
        return true;
    }
};

// Draws onto a page bitmap. Text needs a rasterizer; without one, text runs leave no marks
// and characters measure 0.
class TPageBitmapDevice : public TPCLDevice {
public:
    explicit TPageBitmapDevice(TPageBitmap& bitmap, TCharRasterizer* rasterizer = nullptr)
        : bitmap_(&bitmap), rasterizer_(rasterizer) {}

    TPageBitmap& Bitmap() const { return *bitmap_; }

    // The bitmap drawn on from now on.
    void SetBitmap(TPageBitmap& bitmap) { bitmap_ = &bitmap; }
    void SetRasterizer(TCharRasterizer* rasterizer) { rasterizer_ = rasterizer; }

    void StartPage(int width, int height) override { bitmap_->Reset(width, height); }
    void ResizePage(int width, int height) override { bitmap_->Resize(width, height); }
    int PageWidth() const override { return bitmap_->Width(); }
    int PageHeight() const override { return bitmap_->Height(); }
    bool Monochrome() const override { return bitmap_->Format() == TPixelFormat::Mono1; }

    void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) override;
    int MeasureChar(const TDeviceFont& font, uint32_t ch) override;
    void DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint = TPaint()) override;
    void DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                       TRasterDirection direction, const TPaint& paint = TPaint()) override;
    void FillRectangle(int left, int top, int width, int height, const TPaint& paint) override;
    void FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) override;
    void DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) override;
    void FillEllipse(int left, int top, int right, int bottom, uint32_t colour) override;

private:
    // Rows of a 1-bit source through the paint; ink takes index.
    void PaintBits(int x, int y, const TBitImage& image, const TPaint& paint, uint8_t index);

    TPageBitmap* bitmap_;
    TCharRasterizer* rasterizer_;
};

} // namespace pg
