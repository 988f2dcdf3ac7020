// The main window's scanning side on the offscreen platform, with the real plug-in: TIFF files
// (only the three characters after the last "." count) open in a page window showing their
// pixels, a broken one says why, none opens without the plug-in, and "Scan Images" scans from
// SANE's test device into the fill folder (or the history folder when that one is missing).

#include "AppSettings.h"
#include "CommandLine.h"
#include "ImageView.h"
#include "Main.h"
#include "PGRegistry.h"
#include "PageFrm.h"
#include "Prompt.h"
#include "ScanPlugin.h"
#include "ScanTiffs.h"
#include "TestFiles.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>

using namespace pg;
using namespace pg::test;

namespace {

uint32_t Checks(int x, int y) {
    return (x / 10 + y / 10) % 2 == 0 ? 0 : 0x00FFFFFF;
}

int TiffPages(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (tif == nullptr)
        return 0;
    const int pages = TIFFNumberOfDirectories(tif);
    TIFFClose(tif);
    return pages;
}

std::vector<std::string> Tiffs(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().extension() == ".tif")
            out.push_back(e.path().string());
    return out;
}

} // namespace

TEST(MainScan, TiffFilesAndScanImagesGoThroughThePlugin) {
    TTempFolder dir("pg-main-scan");
    std::filesystem::create_directories(dir.Path() / "settings");
    std::filesystem::create_directories(dir.Path() / "fill");
    std::filesystem::create_directories(dir.Path() / "history");
    dir.File("dll.conf", "test\n");
    ::setenv("PAGELLAN_SETTINGS_DIR", dir.Path("settings").c_str(), 1);
    ::setenv("SANE_CONFIG_DIR", dir.Path().c_str(), 1);
    int argc = 1;
    char name[] = "test_main_scan";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    SetCommandLine({});
    TRecordingPrompter prompter;
    TfrmMain main;
    main.ProgramFolder = SCAN_PLUGIN_DIR;

    for (const std::string file : {"scan.TIFF", "scan.tif"}) {
        SCOPED_TRACE(file);
        const std::string path = dir.Path(file);
        ASSERT_TRUE(
            WriteTestTiff(path, {COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, 1, 1}, 90, 60, Checks));
        ASSERT_TRUE(main.ViewPCLFile(path));
        ASSERT_EQ(OpenPageWindowCount(), 1);
        TPageForm& page = *OpenPageWindows()[0];
        ASSERT_NE(page.Document, nullptr);
        EXPECT_TRUE(page.Document->Traits().Pictures);
        EXPECT_TRUE(page.isVisible());
        EXPECT_EQ(page.windowTitle().toStdString(), path);
        EXPECT_FALSE(page.actAddText->isEnabled());
        EXPECT_FALSE(page.actNext->isEnabled());
        const TAntialiasPicture& base = page.Image->Picture();
        ASSERT_EQ(base.Width(), 90);
        ASSERT_EQ(base.Height(), 60);
        for (auto [x, y] : {std::pair{0, 0}, {15, 5}, {5, 15}, {89, 59}, {45, 33}})
            EXPECT_EQ(base.BasePixel(x, y), Checks(x, y)) << x << "," << y;
        CloseAllPageWindows(true);
        QApplication::processEvents();
    }
    EXPECT_TRUE(prompter.Entries().empty());

    // A G4 page of 16448 x 17665 pixels: kept and shown one bit a pixel, never as the 870 MB
    // picture in colour.
    {
        const std::string big = dir.Path("big.tif");
        ASSERT_TRUE(WriteLargeG4(big, 16448, 17665));
        ASSERT_TRUE(main.ViewPCLFile(big));
        ASSERT_EQ(OpenPageWindowCount(), 1);
        TPageForm& page = *OpenPageWindows()[0];
        const TAntialiasPicture& picture = page.Image->Picture();
        ASSERT_TRUE(picture.IsMono());
        EXPECT_TRUE(picture.Picture().Empty()) << "no colour copy of the page";
        EXPECT_EQ(picture.Width(), 16448);
        EXPECT_EQ(picture.Height(), 17665);
        EXPECT_EQ(picture.BasePixel(0, 0), 0u);
        EXPECT_EQ(picture.BasePixel(64, 0), 0x00FFFFFFu);
        // Shown at the window's scale: the page is white but where the marks are.
        page.Image->resize(822, 883);
        const QImage& shown = page.Image->Stretched();
        ASSERT_EQ(shown.size(), QSize(822, 883));
        EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::black));
        EXPECT_GE(shown.pixelColor(400, 400).lightness(), 254) << "paper, smoothed or not";
        CloseAllPageWindows(true);
        QApplication::processEvents();
    }
    EXPECT_TRUE(prompter.Entries().empty());

    // A broken TIFF: the plug-in's reason, no window.
    EXPECT_FALSE(main.ViewPCLFile(dir.File("broken.tif", std::string("II*\0\x08\0\0\0", 8))));
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_NE(prompter.Texts()[0].find("cannot be read"), std::string::npos) << prompter.Texts()[0];
    EXPECT_EQ(OpenPageWindowCount(), 0);
    prompter.Clear();

    // Scan Images (enabled now that the plug-in is loaded): the settings' resolution and pages, into the fill
    // folder; when that folder is not there, into the history folder.
    TieScannerSettingsToScanPlugin(); // as the program does at start-up
    PGRegistry::SetScanDPI(50);
    PGRegistry::SetScanPages(2);
    PGRegistry::SetFillDir(dir.Path("fill"));
    PGRegistry::SetQuodexHistoryDir(dir.Path("history"));
    EXPECT_TRUE(main.mnuScanImages->isEnabled());
    main.mnuScanImages->trigger();
    ASSERT_EQ(Tiffs(dir.Path() / "fill").size(), 1u);
    EXPECT_EQ(TiffPages(Tiffs(dir.Path() / "fill")[0]), 2);
    PGRegistry::SetFillDir(dir.Path("no-such-folder"));
    main.actScan->trigger();
    EXPECT_EQ(Tiffs(dir.Path() / "history").size(), 1u);
    EXPECT_TRUE(prompter.Entries().empty());

    // Without the plug-in a TIFF offers to fetch it, as Scan Images does; declined, it opens
    // nothing and says nothing more.
    UnloadScanPlugin();
    main.ProgramFolder = dir.Path("nowhere");
    prompter.QueueAnswer(PromptAnswer::No);
    EXPECT_FALSE(main.ViewPCLFile(dir.Path("scan.tif")));
    EXPECT_EQ(OpenPageWindowCount(), 0);
    ASSERT_EQ(prompter.Texts().size(), 1u);
    EXPECT_EQ(prompter.Texts()[0].rfind("This feature allows you to scan documents", 0), 0u)
        << prompter.Texts()[0];
}
