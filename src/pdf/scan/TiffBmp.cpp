#include "TiffBmp.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace pg::scan {

namespace {

// libtiff reads from the bytes in memory through these callbacks.
struct TMemoryFile {
    std::string_view Bytes;
    uint64_t Position = 0;
    std::string Error; // libtiff's first complaint
};

tmsize_t ReadProc(thandle_t h, void* buffer, tmsize_t size) {
    auto* f = static_cast<TMemoryFile*>(h);
    if (size <= 0 || f->Position >= f->Bytes.size())
        return 0;
    const uint64_t n = std::min<uint64_t>(uint64_t(size), f->Bytes.size() - f->Position);
    std::memcpy(buffer, f->Bytes.data() + f->Position, n);
    f->Position += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
    auto* f = static_cast<TMemoryFile*>(h);
    const uint64_t base = whence == SEEK_CUR ? f->Position : whence == SEEK_END ? f->Bytes.size() : 0;
    f->Position = base + offset;
    return f->Position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t h) {
    return static_cast<TMemoryFile*>(h)->Bytes.size();
}

int ErrorProc(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* f = static_cast<TMemoryFile*>(user);
    if (f->Error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        f->Error = text;
    }
    return 1;
}

// Warnings (unknown tags and the like) are no reason to refuse a page, nor to print anything.
int WarningProc(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TTiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
struct TOptionsFreer {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};

void Put16(std::string& out, size_t at, uint32_t v) {
    out[at] = char(v & 0xFF);
    out[at + 1] = char((v >> 8) & 0xFF);
}

void Put32(std::string& out, size_t at, uint32_t v) {
    Put16(out, at, v & 0xFFFF);
    Put16(out, at + 2, v >> 16);
}

size_t RowBytes(uint32_t width, int bits) {
    return ((size_t(width) * bits + 31) / 32) * 4;
}

// A BITMAPFILEHEADER and BITMAPINFOHEADER for a bottom-up image, followed by the palette; the
// pixel rows are to be written after it.
std::string BmpHeader(uint32_t width, uint32_t height, int bits, const std::vector<uint32_t>& palette) {
    const size_t headers = 14 + 40 + palette.size() * 4;
    const size_t pixels = RowBytes(width, bits) * height;
    std::string out(headers, '\0');
    out.reserve(headers + pixels);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, uint32_t(headers + pixels));
    Put32(out, 10, uint32_t(headers));
    Put32(out, 14, 40);
    Put32(out, 18, width);
    Put32(out, 22, height);
    Put16(out, 26, 1);
    Put16(out, 28, uint32_t(bits));
    Put32(out, 34, uint32_t(pixels));
    Put32(out, 38, 11811); // 300 dpi in pixels per metre
    Put32(out, 42, 11811);
    Put32(out, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i)
        Put32(out, 54 + i * 4, palette[i]);
    return out;
}

// Line art read row by row: the rows keep their bits, the palette says which value is black.
bool ReadBilevel(TIFF* tif, uint32_t width, uint32_t height, uint16_t photometric, TTiffBmp& result) {
    const uint32_t white = 0x00FFFFFF, black = 0;
    std::string bmp = BmpHeader(width, height, 1,
                                photometric == PHOTOMETRIC_MINISWHITE ? std::vector{white, black}
                                                                      : std::vector{black, white});
    const size_t stride = RowBytes(width, 1);
    const size_t start = bmp.size();
    bmp.resize(start + stride * height, '\0');
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0 || size_t(lineSize) < (size_t(width) + 7) / 8)
        return false;
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    const size_t used = (size_t(width) + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, line.data(), y, 0) < 0)
            return false;
        // The padding bits of the last byte stay clear: they are outside the image anyway.
        std::memcpy(bmp.data() + start + size_t(height - 1 - y) * stride, line.data(), used);
    }
    result.Bmp = std::move(bmp);
    return true;
}

// Every other kind through libtiff's RGBA reader, which knows each photometric and layout.
bool ReadColour(TIFF* tif, uint32_t width, uint32_t height, TTiffBmp& result) {
    std::vector<uint32_t> raster(size_t(width) * height);
    // Bottom-up, which is the bitmap's own row order.
    if (!TIFFReadRGBAImageOriented(tif, width, height, raster.data(), ORIENTATION_BOTLEFT, 1))
        return false;
    std::string bmp = BmpHeader(width, height, 24, {});
    const size_t stride = RowBytes(width, 24);
    const size_t start = bmp.size();
    bmp.resize(start + stride * height, '\0');
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* in = raster.data() + size_t(y) * width;
        auto* out = reinterpret_cast<uint8_t*>(bmp.data() + start + size_t(y) * stride);
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            out[0] = uint8_t(TIFFGetB(in[x]));
            out[1] = uint8_t(TIFFGetG(in[x]));
            out[2] = uint8_t(TIFFGetR(in[x]));
        }
    }
    result.Bmp = std::move(bmp);
    return true;
}

std::string Failed(const TMemoryFile& file, const char* fallback) {
    return file.Error.empty() ? std::string(fallback) : "The TIFF image cannot be read: " + file.Error;
}

} // namespace

TTiffBmp TiffToBmp(std::string_view tiff) {
    TTiffBmp result;
    TMemoryFile file;
    file.Bytes = tiff;
    std::unique_ptr<TIFFOpenOptions, TOptionsFreer> options(TIFFOpenOptionsAlloc());
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), ErrorProc, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), WarningProc, &file);
    // No single allocation of libtiff's own (strip buffers, tag arrays) beyond the image bound.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxTiffBytes));
    std::unique_ptr<TIFF, TTiffCloser> tif(TIFFClientOpenExt("memory", "rm", &file, ReadProc, WriteProc,
                                                             SeekProc, CloseProc, SizeProc, nullptr, nullptr,
                                                             options.get()));
    if (!tif) {
        result.Error = Failed(file, "The file is not a TIFF image.");
        return result;
    }
    uint32_t width = 0, height = 0;
    uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0) {
        result.Error = "The TIFF image has no size.";
        return result;
    }
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    const bool hasPhotometric = TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 0;
    const bool bilevel =
        bits == 1 && samples == 1 && !TIFFIsTiled(tif.get()) &&
        (!hasPhotometric || photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK);
    // The memory the page takes while it is read: the bitmap, and for colour libtiff's raster.
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t bytes = bilevel ? RowBytes(width, 1) * uint64_t(height) : pixels * 4 + pixels * 3;
    if (width > kMaxTiffSide || height > kMaxTiffSide || bytes > kMaxTiffBytes) {
        result.Error = "The TIFF image is too large (" + std::to_string(width) + " x " +
                       std::to_string(height) + " pixels).";
        return result;
    }
    const bool read = bilevel ? ReadBilevel(tif.get(), width, height, photometric, result)
                              : ReadColour(tif.get(), width, height, result);
    if (!read) {
        result.Bmp.clear();
        result.Error = Failed(file, "The TIFF image cannot be read.");
    }
    return result;
}

TTiffBmp TiffFileToBmp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        TTiffBmp result;
        result.Error = "Cannot open " + path;
        return result;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    TTiffBmp result = TiffToBmp(bytes);
    if (!result.Error.empty())
        result.Error = path + ": " + result.Error;
    return result;
}

} // namespace pg::scan
