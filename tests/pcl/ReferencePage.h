#pragma once
// Our rendering of a page set against an accepted reference picture: a 1-bit PNG of the page
// as a mature PCL interpreter prints it at 300 dpi, kept with its PCL file as test data.
//
// The measure is tolerant of font shapes and strict on areas: both pictures are laid over each
// other where their ink lines up best (a landscape page may be turned onto the portrait
// sheet), cut into cells of 8 x 8 pixels, and a cell with ink in either picture disagrees when
// the share of its pixels that are black differs by more than a quarter.

#include "PbmFile.h"
#include "PclPageDocuments.h"
#include "PclTestUtil.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace pg::test {

// A 1-bit (or any grey) PNG: pixels darker than middle grey are black. Empty when it cannot
// be read.
inline TBlackMap ReadBlackPng(const std::filesystem::path& path) {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str()))
        return {};
    png.format = PNG_FORMAT_GRAY;
    std::vector<uint8_t> grey(PNG_IMAGE_SIZE(png));
    const bool ok = png_image_finish_read(&png, nullptr, grey.data(), 0, nullptr) != 0;
    TBlackMap map;
    if (ok) {
        map = {int(png.width), int(png.height), {}};
        map.Black.resize(grey.size());
        for (size_t i = 0; i < grey.size(); ++i)
            map.Black[i] = grey[i] < 128;
    }
    png_image_free(&png);
    return map;
}

// Page `page` of a PCL file as `render` writes it for a look in black and white: the page
// window's drawing (or the look the options ask for), every pixel that is not white black.
inline TBlackMap RenderedPage(const std::string& pcl, int page, const TRunOptions& options = {}) {
    TPclFileDocument document(pcl, TPclFileDocument::TUse::View);
    TPageBitmap bitmap(0, 0, options.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    document.RunPage(page, device, options);
    TBlackMap map{bitmap.Width(), bitmap.Height(), {}};
    map.Black.resize(size_t(map.Width) * size_t(map.Height));
    for (int y = 0; y < map.Height; ++y)
        for (int x = 0; x < map.Width; ++x)
            map.Black[size_t(y) * size_t(map.Width) + size_t(x)] = bitmap.Pixel(x, y) != kPaletteWhite;
    return map;
}

namespace detail {

// The picture turned counterclockwise by quarter turns.
inline TBlackMap Turned(const TBlackMap& m, int turns) {
    if (turns % 4 == 0)
        return m;
    const bool sideways = turns % 2 != 0;
    TBlackMap out{sideways ? m.Height : m.Width, sideways ? m.Width : m.Height, {}};
    out.Black.resize(m.Black.size());
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x) {
            const int tx = turns == 1 ? y : turns == 2 ? m.Width - 1 - x : m.Height - 1 - y;
            const int ty = turns == 1 ? m.Width - 1 - x : turns == 2 ? m.Height - 1 - y : x;
            out.Black[size_t(ty) * size_t(out.Width) + size_t(tx)] = m.At(x, y);
        }
    return out;
}

// The shift d (within reach) at which profile p[i + d] lines up best with q[i].
inline int BestShift(const std::vector<double>& p, const std::vector<double>& q, int reach) {
    int best = 0;
    double bestScore = -1;
    for (int d = -reach; d <= reach; ++d) {
        double score = 0;
        for (size_t i = 0; i < q.size(); ++i) {
            const int64_t j = int64_t(i) + d;
            if (j >= 0 && j < int64_t(p.size()))
                score += p[size_t(j)] * q[i];
        }
        if (score > bestScore) {
            bestScore = score;
            best = d;
        }
    }
    return best;
}

// Black pixels per column (across) or per row.
inline std::vector<double> Profile(const TBlackMap& m, bool across) {
    std::vector<double> profile(size_t(across ? m.Width : m.Height), 0);
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x)
            if (m.Black[size_t(y) * size_t(m.Width) + size_t(x)])
                profile[size_t(across ? x : y)] += 1;
    return profile;
}

// Shares of black per 8 x 8 cell of ours placed over the reference, ours shifted by (dx, dy).
inline double Disagreement(const TBlackMap& ours, const TBlackMap& ref, int dx, int dy) {
    constexpr int kCell = 8;
    const int columns = ref.Width / kCell, rows = ref.Height / kCell;
    int64_t inked = 0, disagreeing = 0;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            int a = 0, b = 0;
            for (int y = r * kCell; y < (r + 1) * kCell; ++y)
                for (int x = c * kCell; x < (c + 1) * kCell; ++x) {
                    a += ours.At(x + dx, y + dy);
                    b += ref.At(x, y);
                }
            const double sa = a / 64.0, sb = b / 64.0;
            if (sa <= 0.05 && sb <= 0.05)
                continue;
            ++inked;
            disagreeing += std::fabs(sa - sb) > 0.25;
        }
    return inked ? double(disagreeing) / double(inked) : 0;
}

} // namespace detail

// The share of inked cells that disagree (0 .. 1), ours laid over the reference as it fits
// best, turned when its sides lie the other way round.
inline double CellDisagreement(const TBlackMap& ours, const TBlackMap& ref) {
    const bool turn = (ours.Width > ours.Height) != (ref.Width > ref.Height);
    double best = 1;
    for (const int turns : turn ? std::vector<int>{1, 3} : std::vector<int>{0}) {
        const TBlackMap placed = detail::Turned(ours, turns);
        const int dx = detail::BestShift(detail::Profile(placed, true), detail::Profile(ref, true), 300);
        const int dy = detail::BestShift(detail::Profile(placed, false), detail::Profile(ref, false), 300);
        best = std::min(best, detail::Disagreement(placed, ref, dx, dy));
    }
    return best;
}

} // namespace pg::test
