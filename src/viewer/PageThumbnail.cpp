#include "PageThumbnail.h"

#include "FontEngine.h"
#include "PageRender.h"
#include "PclPageDocuments.h"

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

// Where the pixels of one source unit (a dot, or a cell of the thumbnail device) go in the
// thumbnail: Weight of them to the output column (or row) First, the rest to the next one.
struct TSplit {
    int First = 0;
    int Weight = 0;
};

// The first page pixel of output pixel index when page pixels are shared among out of them.
int64_t OutputStart(int64_t index, int64_t page, int64_t out) {
    return (index * page + out - 1) / out;
}

std::vector<TSplit> Splits(int units, int unit, int page, int out) {
    std::vector<TSplit> splits(static_cast<size_t>(units));
    for (int i = 0; i < units; ++i) {
        const int64_t start = int64_t(i) * unit;
        const int first = int(std::min<int64_t>(out - 1, start * out / page));
        const int64_t inFirst = first == out - 1 ? unit : OutputStart(first + 1, page, out) - start;
        splits[size_t(i)] = {first, int(std::clamp<int64_t>(inFirst, 0, unit))};
    }
    return splits;
}

// Adds amount (the darkness of one unit) to the output columns its pixels fall in.
void Put(std::vector<uint32_t>& sums, const TSplit& split, uint32_t amount, int unit) {
    sums[size_t(split.First)] += amount * uint32_t(split.Weight);
    if (split.Weight < unit)
        sums[size_t(split.First) + 1] += amount * uint32_t(unit - split.Weight);
}

// Adds the darkness of one bitmap row to the sums of the output columns.
void AddIndexedRow(std::span<const uint8_t> row, const std::vector<TSplit>& column,
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
        sums[size_t(column[x].First)] += darkness[row[x]];
        ++x;
    }
}

void AddMonoRow(std::span<const uint8_t> row, const std::vector<TSplit>& column,
                std::vector<uint32_t>& sums) {
    const size_t n = column.size();
    for (size_t byte = 0; byte < row.size() && byte * 8 < n; ++byte) {
        if (row[byte] == 0xFF)
            continue; // a set bit is white
        for (size_t bit = 0; bit < 8 && byte * 8 + bit < n; ++bit)
            if ((row[byte] & (0x80 >> bit)) == 0)
                sums[size_t(column[byte * 8 + bit].First)] += 255;
    }
}

// Shrinks a page of pageWidth x pageHeight pixels, given as columns x rows units of unit x unit
// pixels, to width pixels: each output pixel averages the page pixels it covers, a unit on the
// border of two output pixels shared between them by area. blank(row) tells a row with nothing
// on it; add(row, columns, sums) adds the darkness of a row's units to the output columns.
template <typename TBlank, typename TAdd>
TGreyImage Shrink(int pageWidth, int pageHeight, int columns, int rows, int unit, int width, TBlank blank,
                  TAdd add) {
    if (pageWidth <= 0 || pageHeight <= 0 || columns <= 0 || rows <= 0 || width <= 0)
        return {};
    width = std::min(width, pageWidth);
    const int height = std::max(1, int(std::lround(double(pageHeight) * double(width) / double(pageWidth))));
    TGreyImage out(width, height);
    const std::vector<TSplit> columnSplits = Splits(columns, unit, pageWidth, width);
    const auto& grey = DarknessToGrey();
    // Sums of the output row being gathered and of the one after it (units on the border).
    std::vector<uint32_t> current(size_t(width), 0), next(size_t(width), 0), row(size_t(width), 0);
    int oy = 0;
    const auto flush = [&] {
        const int64_t rowPixels =
            OutputStart(oy + 1, pageHeight, height) - OutputStart(oy, pageHeight, height);
        uint8_t* dst = out.Row(oy);
        for (int ox = 0; ox < width; ++ox) {
            if (current[size_t(ox)] == 0)
                continue;
            const int64_t pixels =
                (OutputStart(ox + 1, pageWidth, width) - OutputStart(ox, pageWidth, width)) * rowPixels *
                unit * unit;
            dst[ox] = grey[size_t(std::min<int64_t>(255, pixels > 0 ? current[size_t(ox)] / pixels : 0))];
        }
        current.swap(next);
        std::fill(next.begin(), next.end(), 0);
        ++oy;
    };
    const std::vector<TSplit> rowSplits = Splits(rows, unit, pageHeight, height);
    for (int r = 0; r < rows; ++r) {
        if (blank(r))
            continue;
        const TSplit& split = rowSplits[size_t(r)];
        while (oy < split.First)
            flush();
        std::fill(row.begin(), row.end(), 0);
        add(r, columnSplits, row);
        for (int ox = 0; ox < width; ++ox) {
            current[size_t(ox)] += row[size_t(ox)] * uint32_t(split.Weight);
            if (split.Weight < unit)
                next[size_t(ox)] += row[size_t(ox)] * uint32_t(unit - split.Weight);
        }
    }
    while (oy < height)
        flush();
    return out;
}

} // namespace

TGreyImage ShrinkPageBitmap(const TPageBitmap& bitmap, int width) {
    const bool mono = bitmap.Format() == TPixelFormat::Mono1;
    return Shrink(
        bitmap.Width(), bitmap.Height(), bitmap.Width(), bitmap.Height(), 1, width,
        [&](int y) { return bitmap.IsRowBlank(y); },
        [&](int y, const std::vector<TSplit>& column, std::vector<uint32_t>& sums) {
            if (mono)
                AddMonoRow(bitmap.Row(y), column, sums);
            else
                AddIndexedRow(bitmap.Row(y), column, sums);
        });
}

TGreyImage ShrinkThumbnailCells(const TThumbnailDevice& device, int width) {
    return Shrink(
        device.PageWidth(), device.PageHeight(), device.CellColumns(), device.CellRows(),
        TThumbnailDevice::kCell, width, [&](int row) { return device.CellRowBlank(row); },
        [&](int row, const std::vector<TSplit>& column, std::vector<uint32_t>& sums) {
            const std::span<const uint16_t> cells = device.CellRow(row);
            for (size_t c = 0; c < cells.size(); ++c)
                if (cells[c] != 0)
                    Put(sums, column[c], cells[c], TThumbnailDevice::kCell);
        });
}

TGreyImage ThumbnailOfPage(TPageDocument& document, int page, int width, const std::string& paperHint) {
    TThumbnailDevice device(&TFontEngine::Shared());
    TRunOptions options;
    options.PaperHint = paperHint;
    document.RunPage(page, device, options);
    return ShrinkThumbnailCells(device, width);
}

TGreyImage RenderThumbnail(THLWMemorystream& stream, int width, const std::string& paperHint) {
    TPclPageDocument page{std::string(stream.View())};
    return ThumbnailOfPage(page, 1, width, paperHint);
}

TGreyImage RenderThumbnailFullSize(THLWMemorystream& stream, int width, const std::string& paperHint) {
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
