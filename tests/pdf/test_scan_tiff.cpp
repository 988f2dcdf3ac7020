// The scanning plug-in's TIFF reading: pages made here with libtiff in every compression and
// photometric kind come back as bitmaps holding exactly their pixels; bad files give a message,
// never a crash or a huge allocation; scanned pages written as TIFF read back the same.

#include "BmpImage.h"
#include "ScanPages.h"
#include "ScanTiffs.h"
#include "TestFiles.h"
#include "TiffBmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <vector>

using namespace pg;
using namespace pg::test;

namespace {

constexpr int kWidth = 37, kHeight = 23; // odd sizes: row padding in both formats

uint32_t Rgb(unsigned r, unsigned g, unsigned b) {
    return (b & 0xFF) << 16 | (g & 0xFF) << 8 | (r & 0xFF);
}

uint32_t Checks(int x, int y) {
    return (x * 3 + y * 5) % 7 < 3 ? 0 : 0x00FFFFFF;
}
uint32_t Grey(int x, int y) {
    const unsigned v = unsigned(x * 7 + y * 11) & 0xFF;
    return Rgb(v, v, v);
}
uint32_t Colour(int x, int y) {
    return Rgb(x * 6, y * 11, x * y);
}
// Gentle slopes for the lossy JPEG rows.
uint32_t Smooth(int x, int y) {
    return Rgb(60 + x * 2, 80 + y * 3, 120);
}
uint32_t SmoothGrey(int x, int y) {
    return Rgb(90 + x + y, 90 + x + y, 90 + x + y);
}
uint32_t Index8(int x, int y) {
    return uint32_t(x + y) % 5;
}
uint32_t Index4(int x, int y) {
    return uint32_t(x + 2 * y) % 16;
}
uint32_t Palette(int i, int) {
    return Rgb(i * 50, 255 - i * 13, i * 7);
}

struct TRow {
    const char* Name;
    TTiffKind Kind;
    uint32_t (*Pattern)(int, int);
    int Tolerance; // per colour byte; JPEG is lossy
    int BmpBits;
};

const TRow kRows[] = {
    {"bilevel none", {COMPRESSION_NONE, PHOTOMETRIC_MINISWHITE, 1, 1}, Checks, 0, 1},
    {"bilevel G3", {COMPRESSION_CCITTFAX3, PHOTOMETRIC_MINISWHITE, 1, 1}, Checks, 0, 1},
    {"bilevel G4", {COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1}, Checks, 0, 1},
    {"bilevel G4 min-is-black", {COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISBLACK, 1, 1}, Checks, 0, 1},
    {"bilevel PackBits", {COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK, 1, 1}, Checks, 0, 1},
    {"bilevel LZW second page", {COMPRESSION_LZW, PHOTOMETRIC_MINISWHITE, 1, 1, false, true}, Checks, 0, 1},
    {"grey LZW", {COMPRESSION_LZW, PHOTOMETRIC_MINISBLACK, 8, 1}, Grey, 0, 24},
    {"grey Deflate", {COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_MINISBLACK, 8, 1}, Grey, 0, 24},
    {"grey PackBits", {COMPRESSION_PACKBITS, PHOTOMETRIC_MINISBLACK, 8, 1}, Grey, 0, 24},
    {"grey JPEG", {COMPRESSION_JPEG, PHOTOMETRIC_MINISBLACK, 8, 1}, SmoothGrey, 3, 24},
    {"palette 8-bit LZW", {COMPRESSION_LZW, PHOTOMETRIC_PALETTE, 8, 1}, Index8, 0, 24},
    {"palette 4-bit none", {COMPRESSION_NONE, PHOTOMETRIC_PALETTE, 4, 1}, Index4, 0, 24},
    {"RGB LZW", {COMPRESSION_LZW, PHOTOMETRIC_RGB, 8, 3}, Colour, 0, 24},
    {"RGB Deflate second page",
     {COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_RGB, 8, 3, false, true},
     Colour,
     0,
     24},
    {"RGB PackBits", {COMPRESSION_PACKBITS, PHOTOMETRIC_RGB, 8, 3}, Colour, 0, 24},
    {"RGB JPEG", {COMPRESSION_JPEG, PHOTOMETRIC_RGB, 8, 3}, Smooth, 3, 24},
    {"RGB tiled LZW", {COMPRESSION_LZW, PHOTOMETRIC_RGB, 8, 3, true}, Colour, 0, 24},
};

int Channel(uint32_t c, int shift) {
    return int(c >> shift & 0xFF);
}

} // namespace

TEST(TiffToBmp, EveryCompressionAndPhotometricGivesItsPixels) {
    TTempFolder folder("pg-tiff");
    for (const TRow& row : kRows) {
        SCOPED_TRACE(row.Name);
        const bool palette = row.Kind.Photometric == PHOTOMETRIC_PALETTE;
        const std::string path = folder.Path("page.tif");
        ASSERT_TRUE(WriteTestTiff(path, row.Kind, kWidth, kHeight, row.Pattern, Palette));
        const scan::TTiffBmp bmp = scan::TiffFileToBmp(path);
        ASSERT_EQ(bmp.Error, "");
        ASSERT_GT(bmp.Bmp.size(), 54u);
        EXPECT_EQ(int(uint8_t(bmp.Bmp[28])), row.BmpBits);
        std::string error;
        const TPagePicture image = DecodeBmp(bmp.Bmp, error);
        ASSERT_EQ(error, "");
        ASSERT_EQ(image.Width(), kWidth);
        ASSERT_EQ(image.Height(), kHeight);
        EXPECT_EQ(image.Monochrome(), row.BmpBits == 1);
        EXPECT_EQ(image.Bilevel.Empty(), row.BmpBits != 1) << "line art stays one bit a pixel";
        int wrong = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t want = palette ? Palette(int(row.Pattern(x, y)), 0) : row.Pattern(x, y);
                const uint32_t got = image.Pixel(x, y);
                for (int shift : {0, 8, 16})
                    if (std::abs(Channel(want, shift) - Channel(got, shift)) > row.Tolerance)
                        ++wrong;
            }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(TiffToBmp, MalformedFilesGiveAClearMessage) {
    TTempFolder folder("pg-tiff-bad");
    const std::string g4 = folder.Path("g4.tif");
    ASSERT_TRUE(WriteTestTiff(g4, {COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1}, 200, 100, Checks));
    const std::string rgb = folder.Path("rgb.tif");
    ASSERT_TRUE(WriteTestTiff(rgb, {COMPRESSION_LZW, PHOTOMETRIC_RGB, 8, 3}, 40, 30, Colour));
    auto patched = [](const std::string& path, uint16_t tag, uint32_t value) {
        std::string bytes = ReadWholeFile(path);
        EXPECT_TRUE(PatchTag(bytes, tag, value)) << tag;
        return bytes;
    };
    std::string wide = patched(g4, TIFFTAG_IMAGEWIDTH, 30000);
    std::string big = patched(rgb, TIFFTAG_IMAGEWIDTH, 15000);
    EXPECT_TRUE(PatchTag(big, TIFFTAG_IMAGELENGTH, 15000)); // 225 million pixels in colour
    const struct {
        const char* Name;
        std::string Bytes;
        const char* Says;
    } cases[] = {
        {"empty", "", "cannot be read"},
        {"text", "Dear borrower, here is your scan.", "cannot be read"},
        {"header only", ReadWholeFile(g4).substr(0, 8), "cannot be read"},
        {"strip past the end", patched(g4, TIFFTAG_STRIPBYTECOUNTS, 1u << 20), "cannot be read"},
        {"strip offset far away", patched(g4, TIFFTAG_STRIPOFFSETS, 0x7FFFFF00), "cannot be read"},
        {"too wide", wide, "too large (30000 x 100 pixels)"},
        {"over 512 MB", big, "too large (15000 x 15000 pixels)"},
        {"no width", patched(rgb, TIFFTAG_IMAGEWIDTH, 0), "cannot be read"},
        {"RGB strip past the end", patched(rgb, TIFFTAG_STRIPBYTECOUNTS, 1u << 20), "cannot be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const scan::TTiffBmp r = scan::TiffToBmp(c.Bytes);
        EXPECT_EQ(r.Bmp, "");
        EXPECT_NE(r.Error.find(c.Says), std::string::npos) << r.Error;
    }
    EXPECT_EQ(scan::TiffFileToBmp(folder.Path("missing.tif")).Error,
              "Cannot open " + folder.Path("missing.tif"));

    // The page window's side: a bitmap cut short or of a kind it does not read is refused.
    const std::string bmp = scan::TiffFileToBmp(g4).Bmp;
    std::string error;
    EXPECT_TRUE(DecodeBmp(bmp.substr(0, bmp.size() - 1), error).Empty());
    EXPECT_EQ(error, "The bitmap is truncated.");
    std::string rle = bmp;
    rle[30] = 1;
    EXPECT_TRUE(DecodeBmp(rle, error).Empty());
    EXPECT_EQ(error, "The bitmap's kind or size is not supported.");
}

// A G4 page of 16448 x 17665 pixels in a file of a few kilobytes: what the plug-in hands over
// is one bit a pixel (36 MB), and so is the picture the page window keeps of it, never the
// 870 MB of it in colour. A colour bitmap is refused from its header when its colour picture
// would be too large; one within the bound comes in colour.
TEST(TiffToBmp, LineArtStaysOneBitAndColourIsBounded) {
    TTempFolder folder("pg-tiff-large");
    const int width = 16448, height = 17665;
    const std::string big = folder.Path("big.tif");
    ASSERT_TRUE(WriteLargeG4(big, width, height));
    ASSERT_LT(std::filesystem::file_size(big), 8192u);
    const scan::TTiffBmp bmp = scan::TiffFileToBmp(big);
    ASSERT_EQ(bmp.Error, "");
    EXPECT_EQ(int(uint8_t(bmp.Bmp[28])), 1);
    std::string error;
    const TPagePicture picture = DecodeBmp(bmp.Bmp, error);
    ASSERT_EQ(error, "");
    EXPECT_TRUE(picture.Colour.Empty());
    ASSERT_EQ(picture.Bilevel.Width(), width);
    ASSERT_EQ(picture.Bilevel.Height(), height);
    EXPECT_EQ(picture.Bilevel.Stride() * size_t(height), size_t(width) / 8 * size_t(height));
    EXPECT_TRUE(picture.Monochrome());
    for (const auto& [x, y, colour] : {std::tuple{0, 0, 0u},
                                       {63, 63, 0u},
                                       {64, 0, 0x00FFFFFFu},
                                       {width - 1, height - 1, 0u},
                                       {width / 2, height / 2, 0x00FFFFFFu}})
        EXPECT_EQ(picture.Pixel(x, y), colour) << x << "," << y;

    // A 4-bit bitmap: 8 bits a pixel pair, a palette of 16.
    const auto fourBit = [](int w, int h) {
        const uint32_t stride = (uint32_t(w) * 4 + 31) / 32 * 4;
        const uint32_t offset = 14 + 40 + 16 * 4;
        std::string b = "BM";
        for (const uint32_t v : {offset + stride * uint32_t(h), 0u, offset, 40u, uint32_t(w), uint32_t(h)})
            b.append(reinterpret_cast<const char*>(&v), 4);
        b += std::string("\x01\x00\x04\x00", 4) + std::string(24, '\0') + std::string(64, '\x7f');
        b.resize(offset + size_t(stride) * size_t(h), '\x11');
        return b;
    };
    EXPECT_TRUE(DecodeBmp(fourBit(20000, 3400), error).Empty());
    EXPECT_EQ(error, "The picture is too large to show (20000 x 3400 pixels in colour).");
    const TPagePicture colour = DecodeBmp(fourBit(100, 40), error);
    EXPECT_TRUE(colour.Bilevel.Empty());
    EXPECT_EQ(colour.Colour.Width(), 100);
    EXPECT_EQ(colour.Pixel(5, 5), 0x007F7F7Fu);
}

TEST(ScanPages, PagesWrittenAsOneTiffReadBackAndMapSettings) {
    TTempFolder folder("pg-scan-write");
    scan::TScannedPage art{scan::TScannedPage::TKind::LineArt, 20, 3, 200, {}};
    art.Pixels = std::string("\xF0\x0F\x50\x00\x00\x00\xFF\xFF\xF0", 9); // 3 bytes a row
    scan::TScannedPage grey{scan::TScannedPage::TKind::Grey, 2, 2, 150, std::string("\x00\x40\x80\xFF", 4)};
    const std::string path = folder.Path("pages.tif");
    std::string error;
    ASSERT_TRUE(scan::WriteMultiPageTiff({art, grey}, path, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));

    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    EXPECT_EQ(TIFFNumberOfDirectories(tif), 2);
    uint16_t compression = 0;
    float dpi = 0;
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &dpi);
    EXPECT_EQ(compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(dpi, 200.0f);
    TIFFReadDirectory(tif);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    EXPECT_EQ(compression, COMPRESSION_LZW);
    TIFFClose(tif);

    // The first page, line art, comes back bit for bit (1 = black).
    std::string decodeError;
    const TPagePicture image = DecodeBmp(scan::TiffFileToBmp(path).Bmp, decodeError);
    ASSERT_EQ(image.Width(), 20);
    ASSERT_EQ(image.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool black = (uint8_t(art.Pixels[size_t(y) * 3 + size_t(x) / 8]) >> (7 - x % 8)) & 1;
            EXPECT_EQ(image.Pixel(x, y), black ? 0u : 0x00FFFFFFu) << x << "," << y;
        }

    EXPECT_FALSE(scan::WriteMultiPageTiff({art}, folder.Path("no/such/folder/x.tif"), error));
    EXPECT_NE(error, "");

    // The program's -1000..1000 onto a device's range.
    EXPECT_EQ(scan::MapOntoRange(-1000, -100, 100), -100);
    EXPECT_EQ(scan::MapOntoRange(1000, -100, 100), 100);
    EXPECT_EQ(scan::MapOntoRange(-400, 0, 255), 77);
    EXPECT_EQ(scan::MapOntoRange(25, -127, 127), 3);
    EXPECT_EQ(scan::MapOntoRange(5000, 0, 10), 10);
}
