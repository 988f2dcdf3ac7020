#pragma once
// The interpreter's own character widths (PCLFontWidths): for the Times and Arial families in
// four faces and two symbol-set groups, the advance in dots of each character code at a height
// of 100 points. Text in these families advances by these widths, not by the system font's, so
// that fill data lands where the form expects it. Constant data shared by all interpreters.

#include <array>
#include <cstddef>
#include <cstdint>

namespace pg {

using TWidthTable = std::array<uint16_t, 256>;

enum class TWidthFamily { Times, Arial };

// The table for the family and face; pc8 picks the PC-8 variant, otherwise Roman-8.
const TWidthTable& PCLFontWidthTable(TWidthFamily family, bool bold, bool italic, bool pc8);

namespace widths {
// Generated from Liberation Serif (PCLTimesWidths.cpp); the Roman-8 variants.
extern const TWidthTable kTimesBoldRoman8;
extern const TWidthTable kTimesItalicRoman8;
extern const TWidthTable kTimesBoldItalicRoman8;
} // namespace widths

} // namespace pg
