#pragma once
// Reading what we write with independent tools (qpdf, poppler's pdfinfo, pdftotext,
// pdftoppm): validity, page sizes, text, and a page's pixels compared with our own bitmap.

#include "TestFiles.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace pg::test {

// "612 x 792" per page, as pdfinfo reports the sizes in points.
inline std::vector<std::string> PdfPageSizes(const std::string& pdf) {
    const TCommandRun run = RunCommand("pdfinfo -f 1 -l 9999 \"" + pdf + "\" 2>/dev/null");
    std::vector<std::string> sizes;
    // Lines "Page    1 size:  612 x 792 pts (letter)".
    for (size_t at = run.Out.find(" size:"); at != std::string::npos; at = run.Out.find(" size:", at + 1)) {
        if (run.Out.compare(run.Out.rfind('\n', at) + 1, 5, "Page ") != 0)
            continue;
        const size_t from = run.Out.find_first_not_of(' ', at + 6);
        const size_t to = run.Out.find(" pts", from);
        sizes.push_back(run.Out.substr(from, to - from));
    }
    return sizes;
}

inline bool QpdfAccepts(const std::string& pdf) {
    return RunCommand("qpdf --check \"" + pdf + "\" >/dev/null 2>&1").Status == 0;
}

inline std::string PdfText(const std::string& pdf) {
    return RunCommand("pdftotext \"" + pdf + "\" - 2>/dev/null").Out;
}

// A black-and-white image: true for black.
struct TInkImage {
    int Width = 0;
    int Height = 0;
    std::vector<bool> Ink;
    bool At(int x, int y) const {
        return x >= 0 && y >= 0 && x < Width && y < Height && Ink[size_t(y) * Width + x];
    }
};

// Page `page` of the PDF as poppler draws it at 300 dpi in black and white.
inline TInkImage PopplerPage(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    const TCommandRun run =
        RunCommand("pdftoppm -r 300 -mono -f " + n + " -l " + n + " -singlefile \"" + pdf + "\" 2>/dev/null");
    TInkImage image;
    const std::string& pbm = run.Out;
    if (pbm.rfind("P4", 0) != 0)
        return image;
    size_t at = 2;
    auto number = [&] {
        while (at < pbm.size() && std::isspace(uint8_t(pbm[at])))
            ++at;
        size_t end = at;
        while (end < pbm.size() && std::isdigit(uint8_t(pbm[end])))
            ++end;
        const int v = std::stoi(pbm.substr(at, end - at));
        at = end;
        return v;
    };
    image.Width = number();
    image.Height = number();
    ++at;
    const size_t stride = size_t(image.Width + 7) / 8;
    image.Ink.assign(size_t(image.Width) * image.Height, false);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x) {
            const size_t byte = at + size_t(y) * stride + size_t(x / 8);
            image.Ink[size_t(y) * image.Width + x] =
                byte < pbm.size() && (uint8_t(pbm[byte]) & (0x80 >> (x % 8)));
        }
    return image;
}

// The share of a's ink pixels (inside both images) that have ink of b within tolerance
// pixels; 1 when a has no ink there.
inline double InkCovered(const TInkImage& a, const TInkImage& b, int tolerance) {
    const int w = std::min(a.Width, b.Width), h = std::min(a.Height, b.Height);
    // b's ink grown by the tolerance, rows then columns.
    std::vector<bool> rows(size_t(w) * h), grown(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int d = -tolerance; d <= tolerance && !rows[size_t(y) * w + x]; ++d)
                rows[size_t(y) * w + x] = b.At(x + d, y);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int d = -tolerance; d <= tolerance && !grown[size_t(y) * w + x]; ++d)
                grown[size_t(y) * w + x] = y + d >= 0 && y + d < h && rows[size_t(y + d) * w + x];
    size_t ink = 0, covered = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (a.At(x, y)) {
                ++ink;
                covered += grown[size_t(y) * w + x];
            }
    return ink == 0 ? 1.0 : double(covered) / double(ink);
}

} // namespace pg::test
