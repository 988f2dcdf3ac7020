#include "PackageText.h"
#include "Strings.h"

#include <gtest/gtest.h>

namespace pg {
namespace {

TEST(Strings, WindowsCodePointOfEveryRange) {
    // ASCII and the Latin-1 upper half stand for themselves.
    EXPECT_EQ(WindowsCodePoint(0x00), 0x00u);
    EXPECT_EQ(WindowsCodePoint('A'), uint32_t('A'));
    EXPECT_EQ(WindowsCodePoint(0x7F), 0x7Fu);
    EXPECT_EQ(WindowsCodePoint(0xA0), 0xA0u);
    EXPECT_EQ(WindowsCodePoint(0xE9), 0xE9u); // e acute
    EXPECT_EQ(WindowsCodePoint(0xFF), 0xFFu);
    // 0x80..0x9F: the code page's own characters.
    EXPECT_EQ(WindowsCodePoint(0x80), 0x20ACu); // euro sign
    EXPECT_EQ(WindowsCodePoint(0x85), 0x2026u); // ellipsis
    EXPECT_EQ(WindowsCodePoint(0x93), 0x201Cu); // left double quote
    EXPECT_EQ(WindowsCodePoint(0x99), 0x2122u); // trade mark
    EXPECT_EQ(WindowsCodePoint(0x9F), 0x0178u); // Y with diaeresis
    // The five unused bytes have no character.
    for (uint8_t unused : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(WindowsCodePoint(unused), 0u) << int(unused);
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
    EXPECT_EQ(Utf8ToPackageText("a\xFF" "b"), "a\xFF" "b"); // malformed input kept as bytes
}

} // namespace
} // namespace pg
