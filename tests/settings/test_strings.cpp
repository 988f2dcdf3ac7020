#include "PackageText.h"
#include "Strings.h"

#include <gtest/gtest.h>

namespace pg {
namespace {

TEST(Strings, WindowsCodePointOfEveryRange) {
    // ASCII and the Latin-1 upper half stand for themselves; 0x80..0x9F are the code page's own
    // characters (euro sign, ellipsis, left double quote, trade mark, Y with diaeresis); the five
    // unused bytes have no character.
    const std::pair<uint8_t, uint32_t> rows[] = {
        {0x00, 0x00},   {'A', 'A'},     {0x7F, 0x7F},   {0xA0, 0xA0},   {0xE9, 0xE9},   {0xFF, 0xFF},
        {0x80, 0x20AC}, {0x85, 0x2026}, {0x93, 0x201C}, {0x99, 0x2122}, {0x9F, 0x0178}, {0x81, 0},
        {0x8D, 0},      {0x8F, 0},      {0x90, 0},      {0x9D, 0}};
    for (const auto& [byte, codePoint] : rows)
        EXPECT_EQ(WindowsCodePoint(byte), codePoint) << int(byte);
}

// Package text to Unicode and back: every byte survives, the code page's own characters map to
// their bytes, C1 controls (how older versions stored settings) read as their bytes, and what
// the code page cannot hold becomes '?'.
TEST(PackageText, Windows1252BothWays) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(Utf8ToPackageText(PackageTextToUtf8(all)), all);
    EXPECT_EQ(PackageTextToUtf8("\x80\x93\x94\x96\x81"), "\u20AC\u201C\u201D\u2013\xC2\x81");
    EXPECT_EQ(Utf8ToPackageText("\xC2\x93\xC2\x80"), "\x93\x80");
    EXPECT_EQ(Utf8ToPackageText("\u4E2D \u20AC"), "? \x80");
    EXPECT_EQ(Utf8ToPackageText("a\377b"), "a\377b"); // malformed input kept as bytes
}

} // namespace
} // namespace pg
