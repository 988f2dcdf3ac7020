#pragma once
// The page picture behind the image control: a 24-bit copy of the rendered page (the base),
// the picture shown (the base with some smoothing passes applied) and the number of passes.
// Zooming only re-runs the passes from the base; the page is never rendered again for it.
// Line art (a scanned page) stays one bit a pixel as its base; its passes are applied to what
// is shown at the window's size instead, as a picture of its full size in colour could take
// gigabytes.

#include "LargeBlock.h"
#include "MonoImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pg {

class TRgbImage {
public:
    TRgbImage() = default;
    // A white image.
    TRgbImage(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }
    size_t Stride() const { return size_t(width_) * 3; }
    uint8_t* Row(int y) { return pixels_.data() + size_t(y) * Stride(); }
    const uint8_t* Row(int y) const { return pixels_.data() + size_t(y) * Stride(); }
    const uint8_t* Data() const { return pixels_.data(); }
    // The colour at (x, y) as 0x00BBGGRR.
    uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, uint32_t colour);
    bool operator==(const TRgbImage&) const = default;

    // Whether every pixel is black or white (the picture of a monochrome page).
    bool Monochrome = false;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t, TLargeBlockAllocator<uint8_t>> pixels_;
};

// One smoothing pass in place: every colour byte of the inner pixels becomes the mean of its
// four neighbours (truncated), top to bottom and left to right, the upper and left neighbours
// already smoothed by this pass; the outermost rows and columns stay.
void AntiAliasPass(TRgbImage& image);

class TAntialiasPicture {
public:
    // The base := the image; the picture := the base; no passes applied.
    void SetBase(TRgbImage image);
    // Line art as the base, one bit a pixel; Picture() then stays empty, and the passes are
    // only counted (the view applies them to what it shows).
    void SetBase(TMonoImage image);
    bool IsMono() const { return !mono_.Empty(); }
    const TMonoImage& MonoBase() const { return mono_; }
    TMonoImage& MonoBase() { return mono_; }
    // The size and the colours of the base, whichever kind it is.
    int Width() const { return IsMono() ? mono_.Width() : base_.Width(); }
    int Height() const { return IsMono() ? mono_.Height() : base_.Height(); }
    uint32_t BasePixel(int x, int y) const { return IsMono() ? mono_.Pixel(x, y) : base_.Pixel(x, y); }
    // The picture := the base; no passes applied.
    void Reset();
    // One more pass over the picture.
    void AntiAlias();
    int PassCount() const { return passes_; }
    const TRgbImage& Base() const { return base_; }
    const TRgbImage& Picture() const { return picture_; }
    bool Empty() const { return base_.Empty() && mono_.Empty(); }
    bool Monochrome() const { return IsMono() ? mono_.Monochrome() : base_.Monochrome; }
    // Bumped whenever the picture's pixels change, so a viewer can drop what it drew from them.
    uint64_t Generation() const { return generation_; }

    // The anti-alias step of the page window: with reset, back to the base first; then, when
    // smoothing is on (passes >= 0) and differs from the passes applied, back to the base and
    // that many passes.
    void AntiAliasImage(bool reset, int passes);

private:
    TRgbImage base_;
    TRgbImage picture_;
    TMonoImage mono_;
    // The picture holds the base's pixels: resetting need not copy them again.
    bool pictureIsBase_ = false;
    int passes_ = 0;
    uint64_t generation_ = 0;
};

} // namespace pg
