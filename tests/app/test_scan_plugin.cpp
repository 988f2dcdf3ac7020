// Loading the scanning plug-in and calling its four entry points.

#include "Paths.h"
#include "ScanPlugin.h"
#include "Strings.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace pg;

namespace {} // namespace

TEST(ScanPlugin, LoadsCallsAndUnloads) {
    const std::string log = (std::filesystem::temp_directory_path() / "pg-scan-plugin.log").string();
    std::filesystem::remove(log);
    ::setenv("PG_SCAN_LOG", log.c_str(), 1);

    // Without the library nothing loads and the calls answer nothing.
    LoadScanPlugin("/nonexistent-folder");
    EXPECT_FALSE(ScanPluginLoaded());
    EXPECT_EQ(ScanForEmail({}, "/x").File, "");
    EXPECT_EQ(TiffToBmp("/x.tif"), nullptr);
    UnloadScanPlugin();

    LoadScanPlugin(SCAN_PLUGIN_DIR);
    ASSERT_TRUE(ScanPluginLoaded());
    TScanSettings settings;
    settings.UserInterface = 1;
    settings.PaperSize = 1;
    ScanBegin(settings, "/scans");
    const TScanForEmail mail = ScanForEmail(settings, "/scans");
    EXPECT_EQ(mail.Subject, "Scanned documents");
    EXPECT_EQ(mail.Body, "Two pages");
    EXPECT_EQ(mail.File, "/scans/scan1.tif");
    const auto bitmap = TiffToBmp("/scans/scan1.tif");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->View(), "BM/scans/scan1.tif");
    EXPECT_EQ(bitmap->Position(), 0u);
    UnloadScanPlugin();
    EXPECT_FALSE(ScanPluginLoaded());
    UnloadScanPlugin();

    EXPECT_EQ(SplitLines(pg::test::ReadWholeFile(log)),
              (std::vector<std::string>{
                  "begin 1,1,300,-400,25,1000,0 /scans",
                  "email blank-buffers 1,1,300,-400,25,1000,0 /scans",
                  "tiff /scans/scan1.tif",
                  "cleanup",
              }));
    std::filesystem::remove(log);
}
