// A scanned page from file to the page window's picture: a 300-dpi letter page in G4 (a form
// of text lines and boxes, made here with libtiff) read by the scanning plug-in, loaded as the
// program loads it, handed over as a Windows bitmap and decoded. Target: at most 100 ms. And
// the largest page a scan may have.

#include "ScanImage.h"
#include "ScanPlugin.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace pg;

namespace {

constexpr uint32_t kWidth = 2550, kHeight = 3300;

// Lines of "text" (short black runs), a few ruled boxes and margins, as on a scanned form.
std::string LetterG4Page() {
    const std::string path = (std::filesystem::temp_directory_path() / "pg-bench-letter-g4.tif").string();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kHeight);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0f);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, 300.0f);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    std::vector<uint8_t> row(kWidth / 8 + 1);
    for (uint32_t y = 0; y < kHeight; ++y) {
        std::fill(row.begin(), row.end(), 0);
        const bool rule = y % 600 == 150 || y % 600 == 151;
        const bool textLine = y > 150 && y < 3150 && y % 50 < 30;
        for (uint32_t x = 150; x < kWidth - 150; ++x) {
            const bool box = (x == 150 || x == kWidth - 151) && y > 150 && y < 3150;
            const bool glyph = textLine && (x / 7 + y / 50) % 5 < 3 && (x * 13 + y * 7) % 11 < 5;
            if (rule || box || glyph)
                row[x / 8] |= uint8_t(0x80 >> (x % 8));
        }
        TIFFWriteScanline(tif, row.data(), y, 0);
    }
    TIFFClose(tif);
    return path;
}

void BM_LetterG4ToPageWindowPicture(benchmark::State& state) {
    static const std::string page = LetterG4Page();
    LoadScanPlugin(SCAN_PLUGIN_DIR);
    if (!ScanPluginLoaded()) {
        state.SkipWithError("libPagellanScan.so not built");
        return;
    }
    for (auto _ : state) {
        std::string error;
        TPagePicture picture = LoadTiffImage(page, error);
        if (picture.Width() != int(kWidth))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(picture);
    }
    state.counters["file_kb"] = double(std::filesystem::file_size(page)) / 1024;
}
BENCHMARK(BM_LetterG4ToPageWindowPicture)->Unit(benchmark::kMillisecond);

// The largest page a scan may have, 20,000 x 20,000 pixels of line art in a G4 file of a few
// kilobytes: the picture the page window keeps is one bit a pixel (about 48 MB), where the
// colour picture it once made took 1.2 GB and seconds. Target: under a second of CPU time
// (0.8 s here, picture_mb 48).
void BM_LargestG4ToPageWindowPicture(benchmark::State& state) {
    // The file lives in a private folder of this run, which goes when the run ends.
    static const struct TLargestPage {
        std::filesystem::path Folder;
        std::string Path;
        TLargestPage() {
            std::string pattern = (std::filesystem::temp_directory_path() / "pg-bench-XXXXXX").string();
            if (::mkdtemp(pattern.data()) == nullptr)
                return;
            Folder = pattern;
            Path = (Folder / "largest-g4.tif").string();
            TIFF* tif = TIFFOpen(Path.c_str(), "w");
            const uint32_t side = 20000;
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, side);
            std::vector<uint8_t> row(side / 8, 0);
            for (uint32_t y = 0; y < side; ++y)
                TIFFWriteScanline(tif, row.data(), y, 0);
            TIFFClose(tif);
        }
        ~TLargestPage() {
            std::error_code ec;
            if (!Folder.empty())
                std::filesystem::remove_all(Folder, ec);
        }
    } largest;
    const std::string& page = largest.Path;
    LoadScanPlugin(SCAN_PLUGIN_DIR);
    if (!ScanPluginLoaded()) {
        state.SkipWithError("libPagellanScan.so not built");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        std::string error;
        TPagePicture picture = LoadTiffImage(page, error);
        if (picture.Bilevel.Width() != 20000)
            state.SkipWithError(error.c_str());
        bytes = picture.Bilevel.Stride() * size_t(picture.Bilevel.Height()) +
                picture.Colour.Stride() * size_t(picture.Colour.Height());
        benchmark::DoNotOptimize(picture);
    }
    state.counters["file_kb"] = double(std::filesystem::file_size(page)) / 1024;
    state.counters["picture_mb"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_LargestG4ToPageWindowPicture)->Unit(benchmark::kMillisecond);

} // namespace
