// pagellan-cli render, run as a program: pages of a PCL file and of the demo package become
// PNG files of the page bitmap's size, in colour or black and white.

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

int RunCli(const std::string& arguments) {
    const std::string command = std::string("'") + PAGELLAN_CLI + "' " + arguments + " >/dev/null 2>&1";
    return pg::test::ExitCode(std::system(command.c_str()));
}

// A decoded PNG: size and format from its header, the pixels as grey levels (white 255).
struct TPng {
    bool Ok = false;
    int Width = 0, Height = 0, BitDepth = 0, ColorType = 0;
    std::vector<uint8_t> Grey;
    uint8_t At(int x, int y) const { return Grey[size_t(y) * size_t(Width) + size_t(x)]; }
};

TPng ReadPng(const fs::path& path) {
    TPng png;
    std::ifstream in(path, std::ios::binary);
    std::array<char, 26> header{};
    if (!in.read(header.data(), header.size()))
        return png;
    png.BitDepth = uint8_t(header[24]);
    png.ColorType = uint8_t(header[25]);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return png;
    image.format = PNG_FORMAT_GRAY;
    png.Width = int(image.width);
    png.Height = int(image.height);
    png.Grey.resize(PNG_IMAGE_SIZE(image));
    png.Ok = png_image_finish_read(&image, nullptr, png.Grey.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return png;
}

// Pixels in the box that are not white; with grey set, only those of that grey level.
int Ink(const TPng& png, int left, int top, int right, int bottom, int grey = -1) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            n += png.At(x, y) != 255 && (grey < 0 || png.At(x, y) == grey);
    return n;
}

} // namespace

TEST(CliRender, PagesOfAPclFileAndOfThePackageBecomePngs) {
    const fs::path dir = fs::temp_directory_path() / ("pagellan-render-" + std::to_string(getpid()));
    fs::create_directories(dir);
    {
        std::ofstream pcl(dir / "two.pcl", std::ios::binary);
        // Page 1: Courier fill at (300, 600); page 2: a letter page with Univers text.
        pcl << "\x1b*p300x600YFILL\f\x1b&l2A\x1b(s4148T\x1b*p300x600YLabel\f";
    }
    // Colour: the page palette, Courier in the fill colour (blue, not black).
    ASSERT_EQ(RunCli("render '" + (dir / "two.pcl").string() + "' -o '" + (dir / "a.png").string() + "'"), 0);
    TPng a = ReadPng(dir / "a.png");
    ASSERT_TRUE(a.Ok);
    EXPECT_EQ(a.Width, 2450);
    EXPECT_EQ(a.Height, 4200); // no page size left and no paper hint: legal, as the window shows it
    EXPECT_EQ(a.BitDepth, 8);
    EXPECT_EQ(a.ColorType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_GT(Ink(a, 350, 700, 470, 770), 100);
    EXPECT_EQ(Ink(a, 0, 0, 2450, 690), 0);
    EXPECT_EQ(Ink(a, 350, 700, 470, 770, 0), 0); // blue, not black
    // Black and white: 1 bit per pixel, the same marks in black.
    ASSERT_EQ(RunCli("render '" + (dir / "two.pcl").string() + "' --page 2 --fill-color black -o '" +
                     (dir / "b.png").string() + "'"),
              0);
    TPng b = ReadPng(dir / "b.png");
    ASSERT_TRUE(b.Ok);
    EXPECT_EQ(b.BitDepth, 1);
    EXPECT_EQ(b.ColorType, PNG_COLOR_TYPE_GRAY);
    EXPECT_EQ(b.Height, 4200); // the letter command is removed, as the window removes it
    EXPECT_GT(Ink(b, 350, 700, 500, 770, 0), 100);
    // A package page: fill and template joined; the print look draws plain Courier.
    const std::string demo = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";
    ASSERT_EQ(RunCli("render '" + demo + "' --form 1 --page 2 -o '" + (dir / "c.png").string() + "'"), 0);
    ASSERT_EQ(
        RunCli("render '" + demo + "' --form 1 --page 2 --print-mode -o '" + (dir / "d.png").string() + "'"),
        0);
    TPng c = ReadPng(dir / "c.png"), d = ReadPng(dir / "d.png");
    ASSERT_TRUE(c.Ok && d.Ok);
    EXPECT_EQ(c.Width, 2450);
    const int screenInk = Ink(c, 0, 0, 2450, 3300), printInk = Ink(d, 0, 0, 2450, 3300);
    EXPECT_GT(printInk, 10000);
    EXPECT_GT(screenInk, printInk); // bold fill on screen
    // Bad requests fail with a status and write nothing.
    EXPECT_NE(RunCli("render '" + demo + "' --form 99 -o '" + (dir / "e.png").string() + "'"), 0);
    EXPECT_NE(RunCli("render '" + demo + "' --page 9 -o '" + (dir / "e.png").string() + "'"), 0);
    EXPECT_NE(
        RunCli("render '" + (dir / "two.pcl").string() + "' --page 3 -o '" + (dir / "e.png").string() + "'"),
        0);
    EXPECT_NE(RunCli("render '" + (dir / "two.pcl").string() + "' --fill-color red -o '" +
                     (dir / "e.png").string() + "'"),
              0);
    EXPECT_NE(RunCli("render '" + (dir / "missing.pcl").string() + "' -o '" + (dir / "e.png").string() + "'"),
              0);
    EXPECT_FALSE(fs::exists(dir / "e.png"));
    fs::remove_all(dir);
}
