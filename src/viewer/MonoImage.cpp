#include "MonoImage.h"

#include <algorithm>

namespace pg {

TMonoImage::TMonoImage(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0),
      stride_((size_t(width_) + 31) / 32 * 4), bits_(stride_ * size_t(height_), 0) {}

int TMonoImage::Bit(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return (Row(y)[size_t(x) / 8] >> (7 - x % 8)) & 1;
}

uint32_t TMonoImage::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0x00FFFFFF;
    return Colours[size_t(Bit(x, y))];
}

bool TMonoImage::Monochrome() const {
    const uint32_t a = Colours[0] & 0x00FFFFFF, b = Colours[1] & 0x00FFFFFF;
    return (a == 0 && b == 0x00FFFFFF) || (a == 0x00FFFFFF && b == 0);
}

void TMonoImage::ExpandRows(int first, int count, std::vector<uint8_t>& out) const {
    first = std::clamp(first, 0, height_);
    count = std::clamp(count, 0, height_ - first);
    out.resize(size_t(count) * size_t(width_) * 3);
    uint8_t bgr[2][3];
    for (size_t v = 0; v < 2; ++v) {
        bgr[v][0] = uint8_t(Colours[v] >> 16);
        bgr[v][1] = uint8_t(Colours[v] >> 8);
        bgr[v][2] = uint8_t(Colours[v]);
    }
    uint8_t* dst = out.data();
    for (int y = first; y < first + count; ++y) {
        const uint8_t* src = Row(y);
        for (int x = 0; x < width_; ++x, dst += 3)
            std::copy_n(bgr[(src[size_t(x) / 8] >> (7 - x % 8)) & 1], 3, dst);
    }
}

} // namespace pg
