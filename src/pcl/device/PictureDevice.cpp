#include "PictureDevice.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace pg {

void TPictureDevice::StartPage(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(size_t(width_) * size_t(height_) * 3, uint8_t(255));
    pictures_ = 0;
    bilevel_ = true;
}

void TPictureDevice::ResizePage(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    std::vector<uint8_t> resized(size_t(width) * size_t(height) * 3, uint8_t(255));
    const size_t keep = size_t(std::min(width, width_)) * 3;
    for (int y = 0; y < std::min(height, height_); ++y)
        std::memcpy(resized.data() + size_t(y) * size_t(width) * 3,
                    pixels_.data() + size_t(y) * size_t(width_) * 3, keep);
    pixels_ = std::move(resized);
    width_ = width;
    height_ = height;
}

void TPictureDevice::DrawPicture(int x, int y, const TPicture& picture) {
    ++pictures_;
    bilevel_ = bilevel_ && picture.Bilevel;
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t right = std::min<int64_t>(int64_t(x) + picture.Width, width_);
    if (right <= left)
        return;
    for (int row = 0; row < picture.Height; ++row) {
        const int64_t py = int64_t(y) + row;
        if (py < 0 || py >= height_)
            continue;
        const size_t from = size_t(row) * picture.Stride + size_t(left - x) * 3;
        const size_t count = size_t(right - left) * 3;
        if (from + count > picture.Pixels.size())
            break;
        std::memcpy(pixels_.data() + (size_t(py) * size_t(width_) + size_t(left)) * 3,
                    picture.Pixels.data() + from, count);
    }
}

} // namespace pg
