#pragma once
// Binary PBM pictures, as Ghostscript's pbmraw device and pagellan-cli render write them.

#include "TestFiles.h"

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

namespace pg::test {

// A black-and-white picture, one bool per pixel, true for black.
struct TBlackMap {
    int Width = 0;
    int Height = 0;
    std::vector<bool> Black;
    bool At(int x, int y) const {
        return x >= 0 && y >= 0 && x < Width && y < Height && Black[size_t(y) * size_t(Width) + size_t(x)];
    }
};

// A binary PBM ("P4"): header fields separated by blanks and comments, then rows of bits, the
// leftmost pixel in the most significant bit, a set bit black.
inline TBlackMap ReadPbm(const std::filesystem::path& file) {
    const std::string data = ReadWholeFile(file);
    size_t pos = 0;
    auto field = [&]() {
        for (;;) {
            while (pos < data.size() && std::isspace(uint8_t(data[pos])))
                ++pos;
            if (pos < data.size() && data[pos] == '#') {
                pos = data.find('\n', pos);
                continue;
            }
            break;
        }
        const size_t start = pos;
        while (pos < data.size() && !std::isspace(uint8_t(data[pos])))
            ++pos;
        return data.substr(start, pos - start);
    };
    TBlackMap map;
    if (field() != "P4")
        return map;
    map.Width = std::stoi(field());
    map.Height = std::stoi(field());
    ++pos;
    const size_t stride = (size_t(map.Width) + 7) / 8;
    if (data.size() < pos + stride * size_t(map.Height))
        return TBlackMap{};
    map.Black.resize(size_t(map.Width) * size_t(map.Height));
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x)
            map.Black[size_t(y) * size_t(map.Width) + size_t(x)] =
                uint8_t(data[pos + size_t(y) * stride + size_t(x / 8)]) & (0x80 >> (x % 8));
    return map;
}

} // namespace pg::test
