#include "PageBitmap.h"

#include "LargeBlock.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numeric>

namespace pg {

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// The halftone palette: the system colours at both ends, a 6 x 6 x 6 colour cube and a grey
// ramp between them. Index 7 is the medium grey and 14 the black that rectangle fills use.
std::array<uint32_t, 256> MakePalette() {
    std::array<uint32_t, 256> p{};
    const uint32_t low[15] = {Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),   Rgb(128, 128, 0),
                              Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128), Rgb(160, 160, 164),
                              Rgb(192, 220, 192), Rgb(166, 202, 240), Rgb(64, 64, 64),  Rgb(96, 96, 96),
                              Rgb(192, 192, 192), Rgb(224, 224, 224), Rgb(0, 0, 0)};
    std::copy(std::begin(low), std::end(low), p.begin());
    for (uint32_t i = 0; i < 216; ++i)
        p[15 + i] = Rgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51);
    for (uint32_t i = 0; i < 15; ++i) {
        uint32_t v = 16 + i * 15;
        p[231 + i] = Rgb(v, v, v);
    }
    const uint32_t high[10] = {Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),
                               Rgb(0, 255, 0),     Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),
                               Rgb(0, 255, 255),   Rgb(255, 255, 255)};
    std::copy(std::begin(high), std::end(high), p.begin() + 246);
    return p;
}

int Channel(uint32_t colour, int shift) {
    return int((colour >> shift) & 0xFF);
}

// Which indices a monochrome page shows white: the light half of the palette.
std::array<bool, 256> MakeLightTable() {
    std::array<bool, 256> light{};
    const auto& p = PagePalette();
    for (size_t i = 0; i < 256; ++i) {
        int luma = (299 * Channel(p[i], 0) + 587 * Channel(p[i], 8) + 114 * Channel(p[i], 16)) / 1000;
        light[i] = luma >= 128;
    }
    return light;
}

bool IsLight(uint8_t index) {
    static const std::array<bool, 256> light = MakeLightTable();
    return light[index];
}

// For each byte of eight pixels, the 64-bit word whose byte k (in memory order) is 0xFF when
// the byte's bit 0x80 >> k is set.
std::array<uint64_t, 256> MakeBitMasks() {
    std::array<uint64_t, 256> masks{};
    for (size_t b = 0; b < 256; ++b) {
        uint8_t bytes[8];
        for (int k = 0; k < 8; ++k)
            bytes[k] = (b & (0x80u >> k)) ? 0xFF : 0x00;
        std::memcpy(&masks[b], bytes, 8);
    }
    return masks;
}

uint64_t BitMask(uint8_t b) {
    static const std::array<uint64_t, 256> masks = MakeBitMasks();
    return masks[b];
}

int RoundHalfUp(double v) {
    return int(std::floor(v + 0.5));
}

int ClampTo(int v, int lo, int hi) {
    return std::max(lo, std::min(v, hi));
}

} // namespace

const std::array<uint32_t, 256>& PagePalette() {
    static const std::array<uint32_t, 256> palette = MakePalette();
    return palette;
}

uint8_t NearestPaletteIndex(uint32_t colour) {
    const auto& p = PagePalette();
    auto distance = [&](size_t i) {
        int dr = Channel(p[i], 0) - Channel(colour, 0);
        int dg = Channel(p[i], 8) - Channel(colour, 8);
        int db = Channel(p[i], 16) - Channel(colour, 16);
        return dr * dr + dg * dg + db * db;
    };
    // Black and white first, so that they win every tie.
    size_t best = 0;
    int bestDistance = distance(0);
    if (distance(255) < bestDistance) {
        best = 255;
        bestDistance = distance(255);
    }
    for (size_t i = 1; i < 255; ++i) {
        int d = distance(i);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return uint8_t(best);
}

TPageBitmap::TPageBitmap(int width, int height, TPixelFormat format)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), format_(format),
      stride_(StrideFor(width_, format)) {
    Allocate(stride_ * size_t(height_));
    blank_.assign(size_t(height_), 1);
}

TPageBitmap::TPageBitmap(const TPageBitmap& other)
    : width_(other.width_), height_(other.height_), format_(other.format_), stride_(other.stride_),
      blank_(other.blank_) {
    Allocate(stride_ * size_t(height_));
    for (int y = 0; y < height_; ++y)
        if (!blank_[size_t(y)])
            std::memcpy(RowData(y), other.RowData(y), stride_);
}

TPageBitmap& TPageBitmap::operator=(const TPageBitmap& other) {
    if (this != &other)
        *this = TPageBitmap(other);
    return *this;
}

size_t TPageBitmap::StrideFor(int width, TPixelFormat format) {
    return format == TPixelFormat::Indexed8 ? size_t(width) : (size_t(width) + 7) / 8;
}

void TPageBitmap::TBlockFree::operator()(uint8_t* p) const {
    FreeLargeBlock(p);
}

// A page's block is large (17 MB for the 4200 x 4200 surface) and its rows are first written
// in the order they are drawn on: it comes from the large-block allocation (huge pages).
void TPageBitmap::Allocate(size_t bytes) {
    if (bytes <= capacity_ && pixels_)
        return;
    pixels_.reset();
    pixels_.reset(static_cast<uint8_t*>(AllocateLargeBlock(bytes)));
    capacity_ = bytes;
}

uint8_t* TPageBitmap::Touch(int y) const {
    uint8_t* row = RowData(y);
    if (blank_[size_t(y)]) {
        std::memset(row, 0xFF, stride_);
        blank_[size_t(y)] = 0;
    }
    return row;
}

bool TPageBitmap::IsWhite(uint8_t index) const {
    return format_ == TPixelFormat::Indexed8 ? index == kPaletteWhite : IsLight(index);
}

std::span<const uint8_t> TPageBitmap::Row(int y) const {
    if (y < 0 || y >= height_)
        return {};
    return {Touch(y), stride_};
}

// Drawn rows move within the one block of pixels: down the block when rows get narrower, up it
// (bottom row first) when they get wider; blank rows only keep their mark. A block too small
// for the new size is replaced, and only drawn rows are copied into it.
void TPageBitmap::Resize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_)
        return;
    const size_t stride = StrideFor(width, format_);
    const int keepRows = std::min(height, height_);
    if (stride * size_t(height) > capacity_) {
        auto old = std::move(pixels_);
        const size_t oldStride = stride_;
        capacity_ = 0;
        Allocate(stride * size_t(height));
        for (int y = 0; y < keepRows; ++y) {
            if (blank_[size_t(y)])
                continue;
            uint8_t* row = pixels_.get() + size_t(y) * stride;
            std::memcpy(row, old.get() + size_t(y) * oldStride, std::min(stride, oldStride));
            if (stride > oldStride)
                std::memset(row + oldStride, 0xFF, stride - oldStride);
        }
    } else {
        MoveRows(keepRows, stride);
    }
    blank_.resize(size_t(height), 1);
    // A 1-bit row cut inside a byte keeps stray pixels beyond the kept width; whiten them.
    const int keepWidth = std::min(width, width_);
    if (format_ == TPixelFormat::Mono1 && keepWidth % 8 != 0 && size_t(keepWidth / 8) < stride) {
        const uint8_t mask = uint8_t(0xFF >> (keepWidth % 8));
        for (int y = 0; y < keepRows; ++y)
            if (!blank_[size_t(y)])
                pixels_[size_t(y) * stride + size_t(keepWidth / 8)] |= mask;
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
}

void TPageBitmap::MoveRows(int keepRows, size_t stride) {
    uint8_t* p = pixels_.get();
    if (stride <= stride_) {
        for (int y = 1; y < keepRows; ++y)
            if (!blank_[size_t(y)])
                std::memmove(p + size_t(y) * stride, p + size_t(y) * stride_, stride);
        return;
    }
    for (int y = keepRows - 1; y >= 0; --y) {
        if (blank_[size_t(y)])
            continue;
        std::memmove(p + size_t(y) * stride, p + size_t(y) * stride_, stride_);
        std::memset(p + size_t(y) * stride + stride_, 0xFF, stride - stride_);
    }
}

void TPageBitmap::Reset(int width, int height) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    stride_ = StrideFor(width_, format_);
    Allocate(stride_ * size_t(height_));
    blank_.assign(size_t(height_), 1);
}

void TPageBitmap::Clear(uint8_t index) {
    if (IsWhite(index)) {
        blank_.assign(size_t(height_), 1);
        return;
    }
    const uint8_t byte = format_ == TPixelFormat::Indexed8 ? index : (IsLight(index) ? 0xFF : 0x00);
    std::memset(pixels_.get(), byte, stride_ * size_t(height_));
    blank_.assign(size_t(height_), 0);
}

uint8_t TPageBitmap::Pixel(int x, int y) const {
    if (!Inside(x, y) || blank_[size_t(y)])
        return kPaletteWhite;
    const uint8_t* row = RowData(y);
    if (format_ == TPixelFormat::Indexed8)
        return row[x];
    return (row[x / 8] & (0x80 >> (x % 8))) ? kPaletteWhite : kPaletteBlack;
}

void TPageBitmap::PlotUnchecked(int x, int y, uint8_t index) {
    uint8_t* row = Touch(y);
    if (format_ == TPixelFormat::Indexed8) {
        row[x] = index;
        return;
    }
    const uint8_t bit = uint8_t(0x80 >> (x % 8));
    if (IsLight(index))
        row[x / 8] |= bit;
    else
        row[x / 8] &= uint8_t(~bit);
}

void TPageBitmap::SetPixel(int x, int y, uint8_t index) {
    if (Inside(x, y))
        PlotUnchecked(x, y, index);
}

void TPageBitmap::HorizontalSpan(int x1, int x2, int y, uint8_t index) {
    if (y < 0 || y >= height_)
        return;
    x1 = ClampTo(x1, 0, width_);
    x2 = ClampTo(x2, 0, width_);
    if (x1 >= x2)
        return;
    if (format_ == TPixelFormat::Indexed8) {
        std::memset(Touch(y) + size_t(x1), index, size_t(x2 - x1));
        return;
    }
    for (int x = x1; x < x2; ++x)
        PlotUnchecked(x, y, index);
}

void TPageBitmap::FillRect(int left, int top, int right, int bottom, uint8_t index) {
    top = ClampTo(top, 0, height_);
    bottom = ClampTo(bottom, 0, height_);
    for (int y = top; y < bottom; ++y)
        HorizontalSpan(left, right, y, index);
}

void TPageBitmap::AndRect(int left, int top, int right, int bottom, uint8_t index) {
    left = ClampTo(left, 0, width_);
    right = ClampTo(right, 0, width_);
    top = ClampTo(top, 0, height_);
    bottom = ClampTo(bottom, 0, height_);
    if (left >= right || IsWhite(index))
        return;
    for (int y = top; y < bottom; ++y) {
        if (format_ == TPixelFormat::Indexed8) {
            uint8_t* p = Touch(y);
            for (int x = left; x < right; ++x)
                p[x] &= index;
            continue;
        }
        if (IsLight(index))
            continue;
        for (int x = left; x < right; ++x)
            PlotUnchecked(x, y, kPaletteBlack);
    }
}

void TPageBitmap::Line(int x1, int y1, int x2, int y2, int penWidth, uint8_t index) {
    penWidth = std::max(penWidth, 1);
    const int before = penWidth / 2;
    const int after = penWidth - before;
    if (y1 == y2) {
        // Ends at the limits of the number range are summed wide, then held within it (the
        // rectangle is clipped to the page anyway).
        const auto held = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
        const int64_t from = x2 >= x1 ? x1 : int64_t(x2) + 1;
        const int64_t to = x2 >= x1 ? x2 : int64_t(x1) + 1;
        FillRect(held(from), held(int64_t(y1) - before), held(to), held(int64_t(y1) + after), index);
        return;
    }
    const TLineSteps points = LineStepsNear(x1, y1, x2, y2, penWidth, width_, height_);
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    for (double i = points.First; i <= points.Last; ++i) {
        const int x = RoundHalfUp(x1 + dx * i / points.Steps), y = RoundHalfUp(y1 + dy * i / points.Steps);
        FillRect(x - before, y - before, x + after, y + after, index);
    }
}

TLineSteps LineStepsNear(int x1, int y1, int x2, int y2, int margin, int width, int height) {
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    TLineSteps points;
    points.Steps = std::max(std::fabs(dx), std::fabs(dy));
    points.Last = points.Steps - 1;
    auto clip = [&](double start, double delta, double lo, double hi) {
        if (delta == 0) {
            if (start < lo || start > hi)
                points.Last = -1;
            return;
        }
        double a = (lo - start) / delta * points.Steps, b = (hi - start) / delta * points.Steps;
        if (a > b)
            std::swap(a, b);
        points.First = std::max(points.First, std::floor(a));
        points.Last = std::min(points.Last, std::ceil(b));
    };
    clip(x1, dx, -margin, double(width) + margin);
    clip(y1, dy, -margin, double(height) + margin);
    return points;
}

void TPageBitmap::FillEllipse(int left, int top, int right, int bottom, uint8_t index) {
    if (right <= left || bottom <= top)
        return;
    const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    const double rx = (double(right) - left) / 2, ry = (double(bottom) - top) / 2;
    const int firstRow = ClampTo(top, 0, height_), lastRow = ClampTo(bottom, 0, height_);
    for (int y = firstRow; y < lastRow; ++y) {
        const double dy = (y + 0.5 - cy) / ry;
        if (dy * dy > 1)
            continue;
        const double half = rx * std::sqrt(1 - dy * dy);
        const double from = std::ceil(cx - half - 0.5), to = std::floor(cx + half - 0.5);
        if (from > to)
            continue;
        HorizontalSpan(int(std::max(from, -1.0)), int(std::min(to, double(width_))) + 1, y, index);
    }
}

void TPageBitmap::BlitBits(int x, int y, std::span<const uint8_t> bits, int width, int height,
                           size_t bytesPerRow, uint8_t index) {
    if (width <= 0 || height <= 0 || bytesPerRow == 0)
        return;
    const size_t rowBits = std::min(size_t(width), bytesPerRow * 8);
    for (int row = 0; row < height; ++row) {
        const size_t start = size_t(row) * bytesPerRow;
        if (start >= bits.size())
            return;
        const size_t available = std::min(bytesPerRow, bits.size() - start);
        BitsRow(x, int(std::min<int64_t>(int64_t(y) + row, INT32_MAX)), bits.subspan(start, available),
                std::min(rowBits, available * 8), index);
    }
}

void TPageBitmap::BitsRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount, uint8_t index) {
    if (y < 0 || y >= height_)
        return;
    bitCount = std::min(bitCount, bits.size() * 8);
    // The bits that land inside the row: first .. last - 1.
    const int64_t first = std::max<int64_t>(0, -int64_t(x));
    const int64_t last = std::min<int64_t>(int64_t(bitCount), int64_t(width_) - x);
    if (first >= last)
        return;
    uint8_t* row = nullptr;
    const uint64_t fill = uint64_t(index) * 0x0101010101010101ull;
    for (int64_t byte = first / 8; byte * 8 < last; ++byte) {
        const uint8_t b = bits[size_t(byte)];
        if (b == 0)
            continue;
        if (!row)
            row = Touch(y);
        const int64_t p0 = byte * 8;
        if (format_ == TPixelFormat::Indexed8 && p0 >= first && p0 + 8 <= last) {
            // Eight pixels at once: the byte's bits select which of them take the index.
            uint8_t* d = row + (x + p0);
            const uint64_t mask = BitMask(b);
            uint64_t v;
            std::memcpy(&v, d, 8);
            v = (v & ~mask) | (fill & mask);
            std::memcpy(d, &v, 8);
            continue;
        }
        for (int k = 0; k < 8; ++k) {
            const int64_t p = p0 + k;
            if ((b & (0x80 >> k)) && p >= first && p < last)
                PlotUnchecked(int(x + p), y, index);
        }
    }
}

namespace {

// Eight palette pixels inverted: white ones black, every other one white.
uint64_t InvertedPixels(uint64_t v) {
    uint64_t out = 0;
    for (int k = 0; k < 8; ++k) {
        const uint64_t pixel = (v >> (k * 8)) & 0xFF;
        out |= uint64_t(pixel == kPaletteWhite ? kPaletteBlack : kPaletteWhite) << (k * 8);
    }
    return out;
}

// Eight bits of a bit string from bit `at` on (most significant first); bits outside it are 0.
uint8_t BitsAt(std::span<const uint8_t> bits, int64_t at) {
    if (at <= -8 || at >= int64_t(bits.size()) * 8)
        return 0;
    const int64_t byte = at >= 0 ? at / 8 : -1;
    const int shift = int(at - byte * 8);
    const unsigned high = byte >= 0 ? bits[size_t(byte)] : 0;
    const unsigned low = size_t(byte + 1) < bits.size() ? bits[size_t(byte + 1)] : 0;
    return uint8_t(((high << 8 | low) << shift) >> 8);
}

// The pattern's pixels of a row, eight page pixels at a time from column x on, left to right.
// A tile repeats along the row every lcm(8, its width) pixels: those groups of eight are read
// from the tile once per row (unless a huge tile makes them too many).
class TPatternRow {
public:
    TPatternRow(const TPaintPattern& pattern, int64_t x, int y) : pattern_(pattern), x_(x), y_(y) {
        if (pattern.Kind == TPaintPattern::TKind::Ink) {
            constant_ = 0xFF;
            return;
        }
        if (pattern.Kind == TPaintPattern::TKind::White)
            return;
        const int64_t width = pattern.Tile->TurnedWidth(pattern.Turns);
        const int64_t period = std::lcm<int64_t>(8, width);
        if (period / 8 > kMaxGroups) {
            perPixel_ = true;
            return;
        }
        groups_.resize(size_t(period / 8));
        for (size_t g = 0; g < groups_.size(); ++g)
            groups_[g] = Pixels(x + int64_t(g) * 8);
    }
    // The next eight pixels.
    uint8_t Next() {
        if (!groups_.empty()) {
            const uint8_t bits = groups_[next_];
            next_ = next_ + 1 == groups_.size() ? 0 : next_ + 1;
            return bits;
        }
        if (!perPixel_)
            return constant_;
        const uint8_t bits = Pixels(x_);
        x_ += 8;
        return bits;
    }

private:
    static constexpr int64_t kMaxGroups = 4096;

    uint8_t Pixels(int64_t x) const {
        uint8_t bits = 0;
        for (int k = 0; k < 8; ++k)
            if (pattern_.Black(x + k, y_))
                bits |= uint8_t(0x80 >> k);
        return bits;
    }

    const TPaintPattern& pattern_;
    int64_t x_ = 0;
    int y_ = 0;
    uint8_t constant_ = 0;
    bool perPixel_ = false;
    std::vector<uint8_t> groups_;
    size_t next_ = 0;
};

} // namespace

void TPageBitmap::PaintRow(int x, int y, int64_t count, std::span<const uint8_t> source, bool wholeSource,
                           const TPaintPattern& pattern, const TPaintEffects& effects, uint8_t index,
                           bool andInk) {
    if (y < 0 || y >= height_ || count <= 0)
        return;
    const int64_t first = std::max<int64_t>(x, 0);
    const int64_t last = std::min<int64_t>(int64_t(x) + count, width_);
    if (first >= last)
        return;
    // The combinations of source and pattern pixel that change the page, with their effect: a
    // fill through a transparent pattern has one.
    struct TActive {
        bool SourceWhite, PatternWhite;
        TPixelEffect Effect;
    };
    std::array<TActive, 4> active{};
    size_t actives = 0;
    for (const bool sw : {false, true})
        for (const bool tw : {false, true})
            if (effects.At(sw, tw) != TPixelEffect::Keep && !(sw && wholeSource))
                active[actives++] = {sw, tw, effects.At(sw, tw)};
    if (actives == 0)
        return;
    TPatternRow patternRow(pattern, first & ~int64_t(7), y);
    uint8_t* row = Touch(y);
    const bool inkLight = IsLight(index);
    const uint64_t fill = uint64_t(index) * 0x0101010101010101ull;
    static const std::array<uint64_t, 256> masks = MakeBitMasks();
    // Palette pixels go eight at a time; a row's width need not be a multiple of eight.
    const auto GroupBytes = [this](int64_t p0) { return size_t(std::min<int64_t>(8, int64_t(width_) - p0)); };
    if (format_ == TPixelFormat::Indexed8 && wholeSource && actives == 1 &&
        active[0].Effect == TPixelEffect::Ink) {
        // A fill through a transparent pattern, the commonest paint of all: where the pattern
        // has ink (or, for an inverted one, where it has none) the fill's index goes in.
        const uint8_t flip = active[0].PatternWhite ? 0xFF : 0;
        const uint64_t keep = andInk ? ~uint64_t(0) : 0;
        for (int64_t p0 = first & ~int64_t(7); p0 < last; p0 += 8) {
            uint8_t m = uint8_t(patternRow.Next() ^ flip);
            if (p0 < first)
                m &= uint8_t(0xFF >> (first - p0));
            if (p0 + 8 > last)
                m &= uint8_t(0xFF << (p0 + 8 - last));
            if (m == 0)
                continue;
            // The last group of a row may reach past its end: only the row's bytes are touched.
            const size_t bytes = GroupBytes(p0);
            uint64_t v = 0;
            std::memcpy(&v, row + p0, bytes);
            const uint64_t mask = masks[m];
            v = (v & ~mask) | (((v & keep) | ~keep) & fill & mask);
            std::memcpy(row + p0, &v, bytes);
        }
        return;
    }
    if (format_ == TPixelFormat::Mono1 && wholeSource && actives == 1 &&
        active[0].Effect != TPixelEffect::Invert) {
        // The same on a 1-bit page, where a set bit is white.
        const uint8_t flip = active[0].PatternWhite ? 0xFF : 0;
        const bool white = active[0].Effect == TPixelEffect::White || inkLight;
        for (int64_t p0 = first & ~int64_t(7); p0 < last; p0 += 8) {
            uint8_t m = uint8_t(patternRow.Next() ^ flip);
            if (p0 < first)
                m &= uint8_t(0xFF >> (first - p0));
            if (p0 + 8 > last)
                m &= uint8_t(0xFF << (p0 + 8 - last));
            uint8_t& d = row[p0 / 8];
            d = white ? uint8_t(d | m) : uint8_t(d & ~m);
        }
        return;
    }
    for (int64_t p0 = first & ~int64_t(7); p0 < last; p0 += 8) {
        // The pixels of this group of eight that the span covers.
        uint8_t range = 0xFF;
        if (p0 < first)
            range &= uint8_t(0xFF >> (first - p0));
        if (p0 + 8 > last)
            range &= uint8_t(0xFF << (p0 + 8 - last));
        const uint8_t s = wholeSource ? 0xFF : BitsAt(source, p0 - x);
        const uint8_t t = patternRow.Next();
        if (format_ == TPixelFormat::Mono1) {
            // A set bit is white.
            uint8_t& d = row[p0 / 8];
            for (size_t i = 0; i < actives; ++i) {
                const TActive& a = active[i];
                const uint8_t m = uint8_t((a.SourceWhite ? ~s : s) & (a.PatternWhite ? ~t : t) & range);
                if (a.Effect == TPixelEffect::White || (a.Effect == TPixelEffect::Ink && inkLight))
                    d |= m;
                else if (a.Effect == TPixelEffect::Ink)
                    d &= uint8_t(~m);
                else
                    d ^= m;
            }
            continue;
        }
        // Eight palette pixels at once, each combination's mask selecting those its effect takes.
        uint64_t v = 0, out = 0;
        bool loaded = false;
        for (size_t i = 0; i < actives; ++i) {
            const TActive& a = active[i];
            const uint8_t m = uint8_t((a.SourceWhite ? ~s : s) & (a.PatternWhite ? ~t : t) & range);
            if (m == 0)
                continue;
            if (!loaded) {
                std::memcpy(&v, row + p0, GroupBytes(p0));
                out = v;
                loaded = true;
            }
            const uint64_t mask = masks[m];
            const uint64_t painted = a.Effect == TPixelEffect::White ? ~uint64_t(0)
                                     : a.Effect == TPixelEffect::Ink ? (andInk ? v & fill : fill)
                                                                     : InvertedPixels(v);
            out = (out & ~mask) | (painted & mask);
        }
        if (loaded)
            std::memcpy(row + p0, &out, GroupBytes(p0));
    }
}

void TPageBitmap::BlitCoverage(int x, int y, std::span<const uint8_t> coverage, int width, int height,
                               size_t pitch, uint8_t index) {
    if (width <= 0 || height <= 0 || pitch == 0)
        return;
    // The columns that land on the bitmap, found once for all rows.
    const int64_t columns = int64_t(std::min<size_t>(size_t(width), pitch));
    const int from = int(std::clamp<int64_t>(-int64_t(x), 0, columns));
    const int to = int(std::clamp<int64_t>(int64_t(width_) - x, 0, columns));
    for (int row = 0; row < height && from < to; ++row) {
        const size_t start = size_t(row) * pitch;
        if (start >= coverage.size())
            return;
        const int py = y + row;
        if (py < 0 || py >= height_)
            continue;
        const uint8_t* src = coverage.data() + start;
        const int end = int(std::min<size_t>(size_t(to), coverage.size() - start));
        if (format_ == TPixelFormat::Indexed8) {
            uint8_t* dst = Touch(py);
            for (int col = from; col < end; ++col)
                if (src[col] >= 128)
                    dst[x + col] = index;
            continue;
        }
        for (int col = from; col < end; ++col)
            if (src[col] >= 128)
                PlotUnchecked(x + col, py, index);
    }
}

} // namespace pg
