#include "PageImage.h"

#include "Paths.h"

#include <png.h>
#include <zlib.h>

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace pg::cli {

namespace {

struct TFileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<FILE, TFileCloser>;

// Eight palette indices, the first in the lowest byte, as eight bits, the first in the most
// significant: set where the pixel is white (0xFF). A byte not 0xFF gets its high bit set in
// `dark` without carries between bytes; one multiplication then gathers the eight high bits
// into the top byte, each at its own place (no two products meet).
uint8_t WhiteBits(uint64_t eight) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full, kHigh = 0x8080808080808080ull;
    if constexpr (std::endian::native == std::endian::big)
        eight = __builtin_bswap64(eight);
    const uint64_t x = ~eight;
    const uint64_t dark = (((x & kLow7) + kLow7) | x) & kHigh;
    return uint8_t(~uint8_t(((dark >> 7) * 0x8040201008040201ull) >> 56));
}

// Row y as 1 bit per pixel, leftmost pixel in the most significant bit, a set bit white (the
// PNG grey convention); an indexed pixel is white only when it is the palette's white. Rows
// never drawn on are white without touching the bitmap, so a page costs what was drawn.
void MonoRow(const TPageBitmap& page, int y, std::vector<uint8_t>& out) {
    const size_t bytes = out.size();
    if (page.IsRowBlank(y)) {
        std::memset(out.data(), 0xFF, bytes);
        return;
    }
    const std::span<const uint8_t> src = page.Row(y);
    if (page.Format() == TPixelFormat::Mono1) {
        std::memcpy(out.data(), src.data(), bytes);
        return;
    }
    const size_t width = size_t(page.Width());
    const size_t whole = width / 8;
    for (size_t i = 0; i < whole; ++i) {
        uint64_t eight;
        std::memcpy(&eight, src.data() + i * 8, 8);
        out[i] = WhiteBits(eight);
    }
    for (size_t i = whole; i < bytes; ++i) {
        const size_t x0 = i * 8;
        const size_t n = width - x0;
        uint8_t b = 0;
        for (size_t k = 0; k < n; ++k)
            if (src[x0 + k] == kPaletteWhite)
                b |= uint8_t(0x80 >> k);
        out[i] = b;
    }
}

// Runs write (the header and the rows) on a libpng writer into file, then ends the image; false
// when libpng fails on the way (its error jump lands here).
bool EncodePng(FILE* file, const std::function<void(png_structp, png_infop)>& write) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    write(png, info);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool WritePng(const TPageBitmap& page, bool colour, FILE* file) {
    return EncodePng(file, [&](png_structp png, png_infop info) {
        const auto width = png_uint_32(page.Width()), height = png_uint_32(page.Height());
        const bool mono = !colour || page.Format() == TPixelFormat::Mono1;
        png_set_IHDR(png, info, width, height, mono ? 1 : 8,
                     mono ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_set_pHYs(png, info, 11811, 11811, PNG_RESOLUTION_METER); // 300 dpi
        std::vector<png_color> palette;
        if (!mono) {
            for (uint32_t c : PagePalette())
                palette.push_back({png_byte(c & 0xFF), png_byte(c >> 8 & 0xFF), png_byte(c >> 16 & 0xFF)});
            png_set_PLTE(png, info, palette.data(), int(palette.size()));
        }
        // Pages are mostly white runs: unfiltered rows with run-length matching at zlib's fastest
        // level compress them nearly as well as the default and take a fraction of the time.
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(png, Z_BEST_SPEED);
        png_set_compression_strategy(png, Z_RLE);
        png_write_info(png, info);
        std::vector<png_byte> row(mono ? (width + 7) / 8 : width);
        for (int y = 0; y < page.Height(); ++y) {
            if (mono)
                MonoRow(page, y, row);
            else if (page.IsRowBlank(y))
                std::memset(row.data(), kPaletteWhite, row.size());
            else
                std::memcpy(row.data(), page.Row(y).data(), row.size());
            png_write_row(png, row.data());
        }
    });
}

// PBM's bits are the other way round: a set bit is black. The bits past the right edge are 0.
bool WritePbm(const TPageBitmap& page, FILE* file) {
    const size_t bytes = (size_t(page.Width()) + 7) / 8;
    if (std::fprintf(file, "P4\n%d %d\n", page.Width(), page.Height()) < 0)
        return false;
    const int spare = int(bytes * 8) - page.Width();
    const uint8_t lastMask = uint8_t(0xFF << spare);
    std::vector<uint8_t> row(bytes);
    for (int y = 0; y < page.Height(); ++y) {
        MonoRow(page, y, row);
        for (uint8_t& b : row)
            b = uint8_t(~b);
        if (bytes > 0)
            row[bytes - 1] &= lastMask;
        if (std::fwrite(row.data(), 1, bytes, file) != bytes)
            return false;
    }
    return true;
}

bool WriteRgb(const TRgbImage& image, FILE* file) {
    return EncodePng(file, [&](png_structp png, png_infop info) {
        png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, Z_BEST_SPEED);
        png_write_info(png, info);
        // The picture keeps blue, green, red, as the bitmaps it comes from.
        png_set_bgr(png);
        for (int y = 0; y < image.Height(); ++y)
            png_write_row(png, image.Row(y));
    });
}

} // namespace

namespace {

// The image is made in memory and written whole through a temporary file, so a full disk or a
// failure half-way leaves the previous file as it was.
bool WriteWhole(const std::string& path, std::string& error, const std::function<bool(FILE*)>& encode) {
    char* buffer = nullptr;
    size_t size = 0;
    bool written = false;
    {
        TFile file(open_memstream(&buffer, &size));
        if (!file) {
            error = "out of memory";
            return false;
        }
        written = encode(file.get());
        written = std::fflush(file.get()) == 0 && written;
    }
    const std::unique_ptr<char, decltype(&std::free)> bytes(buffer, &std::free);
    if (!written) {
        error = "the image could not be encoded";
        return false;
    }
    // An output the user made read-only is kept, not replaced (a rename would go past it).
    if (ClearReadOnly(path, false)) {
        error = "the file is read-only";
        return false;
    }
    return AtomicWriteFile(path, std::string_view(bytes.get(), size), error);
}

} // namespace

bool WriteRgbPng(const TRgbImage& image, const std::string& path, std::string& error) {
    if (image.Empty()) {
        error = "the picture is empty";
        return false;
    }
    return WriteWhole(path, error, [&](FILE* file) { return WriteRgb(image, file); });
}

bool WritePageImage(const TPageBitmap& page, TPageImageFormat format, const std::string& path,
                    std::string& error) {
    return WriteWhole(path, error, [&](FILE* file) {
        return format == TPageImageFormat::Pbm ? WritePbm(page, file)
                                               : WritePng(page, format == TPageImageFormat::PngColour, file);
    });
}

} // namespace pg::cli
