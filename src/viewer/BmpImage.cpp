#include "BmpImage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace pg {

namespace {

uint32_t Read32(std::string_view b, size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
}

uint16_t Read16(std::string_view b, size_t at) {
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}

// The same bound the plug-in applies to the TIFF it reads.
constexpr int64_t kMaxSide = 20000;

} // namespace

TPagePicture DecodeBmp(std::string_view b, std::string& error) {
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') {
        error = "The image is not a bitmap.";
        return {};
    }
    const uint32_t pixelOffset = Read32(b, 10);
    const uint32_t headerSize = Read32(b, 14);
    const int64_t width = int32_t(Read32(b, 18));
    const int64_t rawHeight = int32_t(Read32(b, 22));
    const int bits = Read16(b, 28);
    const uint32_t compression = Read32(b, 30);
    uint32_t colours = Read32(b, 46);
    const int64_t height = std::llabs(rawHeight);
    if (headerSize < 40 || compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24) ||
        width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "The bitmap's kind or size is not supported.";
        return {};
    }
    if (bits <= 8 && colours == 0)
        colours = 1u << bits;
    const size_t paletteAt = 14 + size_t(headerSize);
    const size_t stride = ((size_t(width) * size_t(bits) + 31) / 32) * 4;
    if (colours > 256 || paletteAt + size_t(colours) * 4 > b.size() || pixelOffset > b.size() ||
        stride * size_t(height) > b.size() - pixelOffset) {
        error = "The bitmap is truncated.";
        return {};
    }
    // Palette entries as the picture stores colours (blue, green, red); indices past the
    // palette read as black.
    std::vector<uint32_t> palette(256, 0);
    for (uint32_t i = 0; i < colours; ++i)
        palette[i] = Read32(b, paletteAt + i * 4) & 0x00FFFFFF;
    const auto* pixels = reinterpret_cast<const uint8_t*>(b.data()) + pixelOffset;
    const auto sourceRow = [&](int64_t y) {
        return pixels + size_t(rawHeight > 0 ? height - 1 - y : y) * stride;
    };
    TPagePicture picture;
    if (bits == 1) {
        // Rows of a 1-bit bitmap are padded as the picture's are: they are taken as they stand.
        picture.Bilevel = TMonoImage(static_cast<int>(width), static_cast<int>(height));
        picture.Bilevel.Colours = {palette[0], palette[1]};
        for (int64_t y = 0; y < height; ++y)
            std::copy_n(sourceRow(y), stride, picture.Bilevel.Row(int(y)));
        return picture;
    }
    if (uint64_t(width) * uint64_t(height) * 3 > kMaxColourPictureBytes) {
        error = "The picture is too large to show (" + std::to_string(width) + " x " +
                std::to_string(height) + " pixels in colour).";
        return {};
    }
    TRgbImage& image = picture.Colour;
    image = TRgbImage(static_cast<int>(width), static_cast<int>(height));
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* in = sourceRow(y);
        uint8_t* out = image.Row(int(y));
        if (bits == 24) {
            std::copy(in, in + size_t(width) * 3, out);
            continue;
        }
        for (int64_t x = 0; x < width; ++x, out += 3) {
            const unsigned index = bits == 8 ? in[x] : (in[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
            const uint32_t c = palette[index];
            out[0] = uint8_t(c);       // blue
            out[1] = uint8_t(c >> 8);  // green
            out[2] = uint8_t(c >> 16); // red
        }
    }
    return picture;
}

} // namespace pg
