#pragma once
// TIFF files made by the tests with libtiff, and a patcher for the tags of the first directory
// (to make files that lie about themselves).

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace pg::test {

struct TTiffKind {
    uint16_t Compression = COMPRESSION_NONE;
    uint16_t Photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t Bits = 8;
    uint16_t Samples = 1;
    bool Tiled = false;
    bool SecondPage = false;
};

// The pixel (x, y) of a test image as 0x00BBGGRR (the page picture's layout).
using TPattern = std::function<uint32_t(int x, int y)>;

// Writes a width x height image of the kind to path: for one-bit kinds a pixel is black when the
// pattern gives 0; grey takes the pattern's red; a palette maps index i to palette(i) (the pattern
// then gives the index).
inline bool WriteTestTiff(const std::string& path, const TTiffKind& k, int width, int height,
                          const TPattern& pattern, const TPattern& palette = {}) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr)
        return false;
    for (int pageNo = 0; pageNo < (k.SecondPage ? 2 : 1); ++pageNo) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, k.Bits);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, k.Samples);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, k.Photometric);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, k.Compression);
        if (k.Compression == COMPRESSION_JPEG)
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 100);
        if (k.Photometric == PHOTOMETRIC_PALETTE) {
            const int n = 1 << k.Bits;
            std::vector<uint16_t> r(n), g(n), b(n);
            for (int i = 0; i < n; ++i) {
                const uint32_t c = palette(i, 0);
                r[i] = uint16_t((c & 0xFF) * 257);
                g[i] = uint16_t((c >> 8 & 0xFF) * 257);
                b[i] = uint16_t((c >> 16 & 0xFF) * 257);
            }
            TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
        }
        // The second page is plain black: a reader that shows it shows the wrong page.
        auto sample = [&](int x, int y, int s) -> unsigned {
            const uint32_t c = pageNo == 0 ? pattern(x, y) : 0;
            if (k.Bits == 1)
                return (c == 0) == (k.Photometric == PHOTOMETRIC_MINISWHITE) ? 1 : 0;
            if (k.Photometric == PHOTOMETRIC_PALETTE)
                return c;
            return s == 0 ? (c & 0xFF) : s == 1 ? (c >> 8 & 0xFF) : (c >> 16 & 0xFF);
        };
        auto packRow = [&](int y, int x0, int count, uint8_t* out) {
            const size_t bytes = (size_t(count) * k.Bits * k.Samples + 7) / 8;
            std::memset(out, 0, bytes);
            for (int x = 0; x < count; ++x)
                for (int s = 0; s < k.Samples; ++s) {
                    const unsigned v = x0 + x < width && y < height ? sample(x0 + x, y, s) : 0;
                    const size_t bit = (size_t(x) * k.Samples + size_t(s)) * k.Bits;
                    if (k.Bits == 8)
                        out[bit / 8] = uint8_t(v);
                    else
                        out[bit / 8] |= uint8_t(v << (8 - k.Bits - bit % 8));
                }
        };
        if (k.Tiled) {
            const int tile = 16;
            TIFFSetField(tif, TIFFTAG_TILEWIDTH, uint32_t(tile));
            TIFFSetField(tif, TIFFTAG_TILELENGTH, uint32_t(tile));
            std::vector<uint8_t> buffer(size_t(TIFFTileSize(tif)));
            const size_t rowBytes = size_t(TIFFTileRowSize(tif));
            for (int ty = 0; ty < height; ty += tile)
                for (int tx = 0; tx < width; tx += tile) {
                    for (int y = 0; y < tile; ++y)
                        packRow(ty + y, tx, tile, buffer.data() + size_t(y) * rowBytes);
                    if (TIFFWriteTile(tif, buffer.data(), uint32_t(tx), uint32_t(ty), 0, 0) < 0)
                        return TIFFClose(tif), false;
                }
        } else {
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(k.Compression == COMPRESSION_JPEG ? 8 : height));
            std::vector<uint8_t> row(size_t(TIFFScanlineSize(tif)));
            for (int y = 0; y < height; ++y) {
                packRow(y, 0, width, row.data());
                if (TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) < 0)
                    return TIFFClose(tif), false;
            }
        }
        if (!TIFFWriteDirectory(tif))
            return TIFFClose(tif), false;
    }
    TIFFClose(tif);
    return true;
}

// A white G4 page of width x height (a multiple of 8) with a black square of 64 pixels at the
// top left and one black pixel at the bottom right, written row by row: a few kilobytes
// whatever its size.
inline bool WriteLargeG4(const std::string& path, int width, int height) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr)
        return false;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
    std::vector<uint8_t> row(size_t(width) / 8, 0);
    for (int y = 0; y < height; ++y) {
        std::fill_n(row.begin(), 8, uint8_t(y < 64 ? 0xFF : 0));
        row.back() = y == height - 1 ? 0x01 : 0;
        if (TIFFWriteScanline(tif, row.data(), uint32_t(y), 0) < 0)
            return TIFFClose(tif), false;
    }
    TIFFClose(tif);
    return true;
}

// Sets the value of a one-value tag of the first directory of a little-endian TIFF; false when
// the tag is not there.
inline bool PatchTag(std::string& tiff, uint16_t tag, uint32_t value) {
    auto u16 = [&](size_t at) { return uint16_t(uint8_t(tiff[at]) | uint8_t(tiff[at + 1]) << 8); };
    auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    if (tiff.size() < 8 || tiff[0] != 'I')
        return false;
    const size_t ifd = u32(4);
    for (size_t i = 0, n = u16(ifd); i < n; ++i) {
        const size_t entry = ifd + 2 + i * 12;
        if (u16(entry) != tag)
            continue;
        const bool isShort = u16(entry + 2) == 3;
        for (size_t b = 0; b < (isShort ? 2u : 4u); ++b)
            tiff[entry + 8 + b] = char(value >> (8 * b));
        return true;
    }
    return false;
}

} // namespace pg::test
