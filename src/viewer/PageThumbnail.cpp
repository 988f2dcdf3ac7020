#include "PageThumbnail.h"

#include "PageRender.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace pg {

TGreyImage::TGreyImage(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(size_t(width_) * size_t(height_), uint8_t(255)) {}

namespace {

// Darkness (255 - luminance) of every palette colour.
const std::array<uint8_t, 256>& PaletteDarkness() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        const auto& palette = PagePalette();
        for (size_t i = 0; i < t.size(); ++i) {
            const uint32_t c = palette[i];
            const uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            t[i] = uint8_t(255 - (r * 299 + g * 587 + b * 114 + 500) / 1000);
        }
        return t;
    }();
    return table;
}

// Average darkness 0..255 to the grey shown. Text covers a fifth of its line and a rule a tenth
// of a thumbnail pixel: plain averaging would leave both near white, so darkness is raised
// along a square-root curve (full ink stays black, no ink stays white).
const std::array<uint8_t, 256>& DarknessToGrey() {
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (size_t d = 0; d < t.size(); ++d)
            t[d] = uint8_t(255 - std::lround(255.0 * std::sqrt(double(d) / 255.0)));
        return t;
    }();
    return table;
}

// Adds the darkness of one source row to the sums of the output columns.
void AddIndexedRow(std::span<const uint8_t> row, const std::vector<int>& column,
                   std::vector<uint32_t>& sums) {
    const auto& darkness = PaletteDarkness();
    const size_t n = std::min(row.size(), column.size());
    size_t x = 0;
    while (x < n) {
        // White runs are the most of a page: step over them eight dots at a time.
        if (x + 8 <= n) {
            uint64_t word;
            std::memcpy(&word, row.data() + x, 8);
            if (word == ~uint64_t(0)) {
                x += 8;
                continue;
            }
        }
        sums[size_t(column[x])] += darkness[row[x]];
        ++x;
    }
}

void AddMonoRow(std::span<const uint8_t> row, const std::vector<int>& column, std::vector<uint32_t>& sums) {
    const size_t n = column.size();
    for (size_t byte = 0; byte < row.size() && byte * 8 < n; ++byte) {
        if (row[byte] == 0xFF)
            continue; // a set bit is white
        for (size_t bit = 0; bit < 8 && byte * 8 + bit < n; ++bit)
            if ((row[byte] & (0x80 >> bit)) == 0)
                sums[size_t(column[byte * 8 + bit])] += 255;
    }
}

} // namespace

TGreyImage ShrinkPageBitmap(const TPageBitmap& bitmap, int width) {
    if (bitmap.Width() <= 0 || bitmap.Height() <= 0 || width <= 0)
        return {};
    width = std::min(width, bitmap.Width());
    const int height =
        std::max(1, int(std::lround(double(bitmap.Height()) * double(width) / double(bitmap.Width()))));
    TGreyImage out(width, height);
    // Output column and row of each source dot; each output pixel averages the dots that map
    // to it.
    std::vector<int> column(size_t(bitmap.Width()));
    std::vector<uint32_t> columnDots(size_t(width), 0);
    for (int x = 0; x < bitmap.Width(); ++x) {
        column[size_t(x)] = int(int64_t(x) * width / bitmap.Width());
        ++columnDots[size_t(column[size_t(x)])];
    }
    const auto& grey = DarknessToGrey();
    std::vector<uint32_t> sums(size_t(width), 0);
    int y = 0;
    for (int oy = 0; oy < height; ++oy) {
        const int end = int(int64_t(oy + 1) * bitmap.Height() / height);
        const int rows = end - y;
        std::fill(sums.begin(), sums.end(), 0);
        bool ink = false;
        for (; y < end; ++y) {
            if (bitmap.IsRowBlank(y))
                continue;
            ink = true;
            if (bitmap.Format() == TPixelFormat::Mono1)
                AddMonoRow(bitmap.Row(y), column, sums);
            else
                AddIndexedRow(bitmap.Row(y), column, sums);
        }
        if (!ink || rows <= 0)
            continue; // the row stays white
        uint8_t* dst = out.Row(oy);
        for (int ox = 0; ox < width; ++ox)
            dst[ox] = grey[sums[size_t(ox)] / (columnDots[size_t(ox)] * uint32_t(rows))];
    }
    return out;
}

TGreyImage RenderThumbnail(THLWMemorystream& stream, int width, const std::string& paperHint) {
    return ShrinkPageBitmap(RenderPageBitmap(stream, paperHint), width);
}

const TGreyImage* TThumbnailCache::Find(const void* source, int page) const {
    const auto it = images_.find({source, page});
    return it == images_.end() ? nullptr : &it->second;
}

void TThumbnailCache::Store(const void* source, int page, TGreyImage image) {
    images_[{source, page}] = std::move(image);
}

} // namespace pg
