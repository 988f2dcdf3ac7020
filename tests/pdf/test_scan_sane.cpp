// Scanning through the real plug-in, loaded as the program loads it, from SANE's own "test"
// backend (enabled by a private configuration folder): the TIFF written has the pages asked for
// at the resolution asked for; pagellan-cli scans and renders the result the same way.

#include "ScanImage.h"
#include "ScanPlugin.h"
#include "TestFiles.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cmath>
#include <cstdlib>

using namespace pg;
using namespace pg::test;

namespace {

struct TScanned {
    int Pages = 0;
    uint32_t Width = 0;
    float Dpi = 0;
    uint16_t Compression = 0;
};

// The TIFF files in the folder (there should be one) and what its directories say.
std::vector<std::string> TiffsIn(const std::filesystem::path& folder) {
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".tif")
            files.push_back(e.path().string());
    return files;
}

TScanned Read(const std::string& path) {
    TScanned s;
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return s;
    do {
        ++s.Pages;
        uint32_t width = 0;
        float dpi = 0;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_XRESOLUTION, &dpi);
        TIFFGetField(tif, TIFFTAG_COMPRESSION, &s.Compression);
        // Every page alike, or the first page's values are spoiled.
        if (s.Pages > 1 && (width != s.Width || dpi != s.Dpi))
            s.Width = 0;
        else
            s.Width = width, s.Dpi = dpi;
    } while (TIFFReadDirectory(tif));
    TIFFClose(tif);
    return s;
}

// The test backend's scan area is at most 200 mm wide, less than letter paper.
uint32_t WidthAt(int dpi) {
    return uint32_t(200.0 / 25.4 * dpi);
}

class SaneScan : public ::testing::Test {
protected:
    void SetUp() override {
        config_.File("dll.conf", "test\n");
        ::setenv("SANE_CONFIG_DIR", config_.Path().c_str(), 1);
        ::unsetenv("PAGELLAN_SCANNER");
    }
    TTempFolder config_{"pg-sane-config"};
};

} // namespace

TEST_F(SaneScan, PluginScansTheAskedPagesAtTheAskedResolution) {
    LoadScanPlugin(SCAN_PLUGIN_DIR);
    ASSERT_TRUE(ScanPluginLoaded());
    TScanSettings s;
    s.UserInterface = 0; // asked for, and ignored: no dialog appears in a test
    const struct {
        const char* Name;
        int Dpi, Pages, Type, WantPages;
    } rows[] = {
        {"feeder, three pages", 100, 3, 0, 3},
        {"flatbed holds one sheet", 75, 5, 1, 1},
        {"feeder runs empty after ten", 25, 1000, 0, 10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TTempFolder out("pg-scan-out");
        s.Dpi = row.Dpi;
        s.Pages = row.Pages;
        s.ScannerType = row.Type;
        ScanBegin(s, out.Path().string());
        EXPECT_EQ(ScanPluginError(), "");
        const auto files = TiffsIn(out.Path());
        ASSERT_EQ(files.size(), 1u);
        const TScanned scanned = Read(files[0]);
        EXPECT_EQ(scanned.Pages, row.WantPages);
        EXPECT_EQ(scanned.Dpi, float(row.Dpi));
        EXPECT_NEAR(double(scanned.Width), double(WidthAt(row.Dpi)), 1.0);
        EXPECT_EQ(scanned.Compression, COMPRESSION_LZW); // the backend scans grey
    }

    // Scan and email: the buffers name the file; the picture of its first page is the
    // backend's solid black.
    TTempFolder mail("pg-scan-mail");
    s.Dpi = 50;
    s.Pages = 2;
    s.ScannerType = 0;
    const TScanForEmail sent = ScanForEmail(s, mail.Path().string());
    EXPECT_EQ(sent.Subject, "Scanned documents");
    EXPECT_EQ(sent.Body, "Attached are 2 scanned page(s).");
    ASSERT_EQ(TiffsIn(mail.Path()), std::vector<std::string>{sent.File});
    std::string error;
    const TPagePicture picture = LoadTiffImage(sent.File, error);
    ASSERT_EQ(error, "");
    EXPECT_NEAR(double(picture.Width()), double(WidthAt(50)), 1.0);
    EXPECT_EQ(picture.Pixel(picture.Width() / 2, picture.Height() / 2), 0u);

    // A folder that is not there: nothing to send, and the reason.
    const TScanForEmail none = ScanForEmail(s, mail.Path("missing"));
    EXPECT_EQ(none.File, "");
    EXPECT_EQ(none.Subject, "");
    EXPECT_EQ(ScanPluginError(), "The scan folder " + mail.Path("missing") + " does not exist.");
    // A scanner that is not there.
    ::setenv("PAGELLAN_SCANNER", "test:9", 1);
    ScanBegin(s, mail.Path().string());
    EXPECT_NE(ScanPluginError().find("The scanner test:9 cannot be opened"), std::string::npos);
    EXPECT_EQ(TiffsIn(mail.Path()).size(), 1u);
    // A TIFF that is no TIFF: the plug-in's message reaches the program.
    const std::string bad = mail.File("bad.tif", "II*\0garbage");
    EXPECT_TRUE(LoadTiffImage(bad, error).Empty());
    EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;
    UnloadScanPlugin();
}

TEST_F(SaneScan, CliScansAndRendersThroughThePlugin) {
    TTempFolder out("pg-scan-cli");
    const TCommandRun scan = RunCommand(std::string(PAGELLAN_CLI) + " scan --folder " + out.Path().string() +
                                        " --pages 2 --dpi 60");
    ASSERT_EQ(scan.Status, 0);
    const auto files = TiffsIn(out.Path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(scan.Out, files[0] + "\n");
    EXPECT_EQ(Read(files[0]).Pages, 2);

    const std::string png = out.Path("page.png");
    const TCommandRun render = RunCommand(std::string(PAGELLAN_CLI) + " render " + files[0] + " -o " + png);
    ASSERT_EQ(render.Status, 0);
    const uint32_t width = Read(files[0]).Width;
    EXPECT_EQ(render.Out.substr(0, render.Out.find(' ')), std::to_string(width));
    EXPECT_EQ(ReadWholeFile(png).substr(1, 3), "PNG");

    // No scanner configured: a message and a failure, no file.
    TTempFolder empty("pg-sane-none");
    empty.File("dll.conf", "\n");
    TTempFolder nothing("pg-scan-nothing");
    const TCommandRun none = RunCommand("SANE_CONFIG_DIR=" + empty.Path().string() + " " + PAGELLAN_CLI +
                                        " scan --folder " + nothing.Path().string() + " 2>&1");
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(none.Out, "No scanner found.\n");
    EXPECT_TRUE(std::filesystem::is_empty(nothing.Path()));
}
