#pragma once
// Package and settings texts are single-byte Windows-1252; windows, reports and the settings
// file hold Unicode. This is the one conversion between them, used by every window, dialog,
// report and the settings store, so a byte reads the same wherever it is shown. It is lossless
// for every byte: the five bytes the code page leaves unused stand for the C1 controls of the
// same number, and C1 controls read back as those bytes (so text that older versions stored as
// Latin-1 reads back unchanged).

#include <cstdint>
#include <string>
#include <string_view>

namespace pg {

// Appends a Unicode character in UTF-8 (one above U+10FFFF or a surrogate as U+FFFD).
void AppendUtf8Char(std::string& out, uint32_t ch);
// The Unicode character a package byte stands for.
uint32_t PackageCodePoint(uint8_t byte);
std::string PackageTextToUtf8(std::string_view bytes);
// Characters the code page cannot hold become '?'; malformed UTF-8 bytes are kept as bytes.
std::string Utf8ToPackageText(std::string_view utf8);

} // namespace pg
