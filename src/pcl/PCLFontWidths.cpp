#include "PCLFontWidths.h"

#include <initializer_list>
#include <utility>

namespace pg {

namespace {

// Regular Roman-8 tables; codes 0..31 are never used.
constexpr TWidthTable kTimesRegularRoman8 = {{
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   //
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   //
    300, 138, 192, 207, 207, 369, 323, 138, 138, 138, 207, 369, 138, 138, 138, 138, //
    207, 207, 207, 207, 207, 207, 207, 207, 207, 207, 138, 138, 415, 369, 415, 184, //
    369, 300, 261, 284, 307, 261, 246, 300, 307, 138, 161, 292, 261, 376, 307, 300, //
    238, 300, 277, 223, 261, 307, 300, 392, 300, 300, 269, 138, 138, 138, 207, 207, //
    138, 184, 207, 184, 207, 184, 138, 207, 207, 115, 115, 207, 115, 323, 207, 207, //
    207, 207, 154, 161, 115, 207, 207, 300, 207, 207, 184, 184, 207, 184, 415, 415, //
    223, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, //
    184, 138, 138, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, 184, //
    123, 138, 184, 223, 223, 223, 138, 223, 184, 223, 184, 184, 207, 138, 223, 184, //
    138, 261, 138, 138, 138, 184, 184, 138, 138, 138, 138, 184, 261, 261, 261, 184, //
    300, 300, 300, 300, 300, 300, 376, 284, 261, 261, 261, 261, 138, 138, 138, 138, //
    307, 307, 300, 300, 300, 300, 300, 261, 300, 307, 307, 307, 307, 300, 207, 261, //
    184, 184, 184, 184, 184, 184, 261, 184, 184, 184, 184, 184, 115, 115, 115, 115, //
    207, 207, 207, 207, 207, 207, 207, 261, 207, 207, 207, 207, 207, 207, 207, 207, //
}};

constexpr TWidthTable kArialRegularRoman8 = {{
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   //
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   //
    300, 138, 207, 261, 261, 415, 315, 138, 138, 138, 261, 415, 138, 138, 138, 138, //
    261, 261, 261, 261, 261, 261, 261, 261, 261, 261, 138, 138, 415, 415, 415, 215, //
    415, 307, 261, 292, 300, 238, 231, 307, 300, 115, 231, 277, 223, 376, 300, 315, //
    246, 323, 269, 269, 261, 300, 300, 415, 300, 284, 254, 138, 138, 138, 207, 207, //
    138, 223, 238, 223, 238, 223, 154, 238, 238, 100, 100, 223, 100, 361, 238, 238, //
    238, 238, 146, 207, 154, 238, 231, 361, 231, 231, 200, 184, 207, 184, 415, 415, //
    269, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, //
    223, 138, 138, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, 223, //
    138, 138, 223, 269, 269, 269, 138, 269, 223, 269, 223, 223, 238, 138, 269, 223, //
    138, 261, 138, 138, 138, 223, 223, 138, 138, 138, 138, 223, 261, 261, 261, 215, //
    307, 307, 307, 307, 307, 307, 376, 292, 248, 248, 248, 248, 115, 115, 115, 115, //
    300, 300, 315, 315, 315, 315, 315, 261, 315, 300, 300, 300, 300, 284, 238, 261, //
    223, 223, 223, 223, 223, 223, 261, 223, 223, 223, 223, 223, 100, 100, 100, 100, //
    238, 238, 238, 238, 238, 238, 238, 261, 238, 238, 238, 238, 238, 231, 238, 231, //
}};

using TChanges = std::initializer_list<std::pair<int, uint16_t>>;

TWidthTable With(TWidthTable table, TChanges changes) {
    for (const auto& [code, width] : changes)
        table[size_t(code)] = width;
    return table;
}

// The PC-8 tables of Arial all differ from Roman-8 at the same three codes.
constexpr TChanges kArialPc8 = {{94, 261}, {96, 261}, {126, 261}};
constexpr TChanges kTimesPc8 = {{96, 207}, {126, 207}};

// Index: family * 8 + bold * 4 + italic * 2 + pc8.
struct TAllTables {
    std::array<TWidthTable, 16> Tables;

    TAllTables() {
        const TWidthTable arialBold = With(kArialRegularRoman8, {{34, 215}, {123, 207}, {125, 207}});
        const TWidthTable arialItalic =
            With(kArialRegularRoman8, {{200, 238}, {201, 238}, {202, 238}, {203, 238}});
        const TWidthTable arialBoldItalic =
            With(kArialRegularRoman8,
                 {{34, 223}, {123, 207}, {125, 207}, {200, 238}, {201, 238}, {202, 238}, {203, 238}});
        Set(TWidthFamily::Times, false, false, kTimesRegularRoman8, kTimesPc8);
        Set(TWidthFamily::Times, true, false, widths::kTimesBoldRoman8, kTimesPc8);
        Set(TWidthFamily::Times, false, true, widths::kTimesItalicRoman8, kTimesPc8);
        Tables[Index(TWidthFamily::Times, false, true, true)] =
            With(Tables[Index(TWidthFamily::Times, false, true, true)], {{32, 138}, {33, 300}});
        Set(TWidthFamily::Times, true, true, widths::kTimesBoldItalicRoman8, kTimesPc8);
        Set(TWidthFamily::Arial, false, false, kArialRegularRoman8, kArialPc8);
        Set(TWidthFamily::Arial, true, false, arialBold, kArialPc8);
        Set(TWidthFamily::Arial, false, true, arialItalic, kArialPc8);
        Set(TWidthFamily::Arial, true, true, arialBoldItalic, kArialPc8);
    }

    static size_t Index(TWidthFamily family, bool bold, bool italic, bool pc8) {
        return (family == TWidthFamily::Arial ? 8 : 0) + (bold ? 4 : 0) + (italic ? 2 : 0) + (pc8 ? 1 : 0);
    }

    void Set(TWidthFamily family, bool bold, bool italic, const TWidthTable& roman8, TChanges pc8) {
        Tables[Index(family, bold, italic, false)] = roman8;
        Tables[Index(family, bold, italic, true)] = With(roman8, pc8);
    }
};

} // namespace

const TWidthTable& PCLFontWidthTable(TWidthFamily family, bool bold, bool italic, bool pc8) {
    static const TAllTables all;
    return all.Tables[TAllTables::Index(family, bold, italic, pc8)];
}

} // namespace pg
