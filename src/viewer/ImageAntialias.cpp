#include "ImageAntialias.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace pg {

TRgbImage::TRgbImage(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0),
      pixels_(size_t(width_) * size_t(height_) * 3, 0xFF) {}

uint32_t TRgbImage::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0x00FFFFFF;
    const uint8_t* p = Row(y) + size_t(x) * 3;
    return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

void TRgbImage::SetPixel(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    uint8_t* p = Row(y) + size_t(x) * 3;
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
}

namespace {

constexpr uint64_t kEveryByte = 0x0101010101010101ull;

uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Whether the eight bytes at p all hold one value, and which.
bool Uniform8(const uint8_t* p, unsigned& value) {
    const uint64_t v = Load64(p);
    value = unsigned(v & 0xFF);
    return v == value * kEveryByte;
}

// Bytes b..b+7 in one step where the rows above and below, the right neighbours and the
// already smoothed left pixel are each of one value and that left value is a fixed point of
// the mean: every byte of the block then becomes the left value. Paper is such an area (white,
// or the 254 that the truncated mean leaves to the right of and below any mark).
bool SmoothBlock(const uint8_t* up, uint8_t* row, const uint8_t* down, size_t b) {
    const unsigned left = row[b - 3];
    if (row[b - 2] != left || row[b - 1] != left)
        return false;
    unsigned u = 0;
    unsigned d = 0;
    unsigned r = 0;
    if (!Uniform8(up + b, u) || !Uniform8(down + b, d) || !Uniform8(row + b + 3, r))
        return false;
    if (((u + d + left + r) >> 2) != left)
        return false;
    const uint64_t fill = left * kEveryByte;
    std::memcpy(row + b, &fill, sizeof fill);
    return true;
}

// Whether all n bytes are white (0xFF): the first is, and each equals the one before it.
bool AllWhite(const uint8_t* p, size_t n) {
    return n == 0 || (p[0] == 0xFF && std::memcmp(p, p + 1, n - 1) == 0);
}

} // namespace

void AntiAliasPass(TRgbImage& image) {
    const int width = image.Width();
    const int height = image.Height();
    if (width < 3 || height < 3)
        return;
    const size_t stride = image.Stride();
    const size_t first = 3;
    const size_t end = stride - 3; // bytes of the inner columns: [first, end)
    for (int y = 1; y < height - 1; ++y) {
        const uint8_t* up = image.Row(y - 1);
        uint8_t* row = image.Row(y);
        const uint8_t* down = image.Row(y + 1);
        // A white row between white rows stays white (the mean of four whites), and most rows
        // of a page are blank paper.
        if (AllWhite(row, stride) && AllWhite(up, stride) && AllWhite(down, stride))
            continue;
        size_t b = first;
        while (b < end) {
            if (b + 11 <= stride && b + 8 <= end && SmoothBlock(up, row, down, b)) {
                b += 8;
                continue;
            }
            row[b] = uint8_t((unsigned(up[b]) + down[b] + row[b - 3] + row[b + 3]) >> 2);
            ++b;
        }
    }
}

void TAntialiasPicture::SetBase(TRgbImage image) {
    mono_ = TMonoImage();
    base_ = std::move(image);
    pictureIsBase_ = false;
    Reset();
}

void TAntialiasPicture::SetBase(TMonoImage image) {
    base_ = TRgbImage();
    picture_ = TRgbImage();
    mono_ = std::move(image);
    pictureIsBase_ = true;
    Reset();
}

void TAntialiasPicture::Reset() {
    if (!pictureIsBase_)
        picture_ = base_;
    pictureIsBase_ = true;
    passes_ = 0;
    ++generation_;
}

void TAntialiasPicture::AntiAlias() {
    ++passes_;
    ++generation_;
    if (IsMono())
        return;
    pictureIsBase_ = false;
    AntiAliasPass(picture_);
}

void TAntialiasPicture::AntiAliasImage(bool reset, int passes) {
    if (reset)
        Reset();
    if (passes < 0 || passes == passes_)
        return;
    if (!reset)
        Reset();
    for (int i = 0; i < passes; ++i)
        AntiAlias();
}

} // namespace pg
