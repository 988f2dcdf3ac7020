// The raster graphics commands and the drawing of raster rows: resolution, presentation,
// compression, row transfer with its decoders (unencoded, run-length, TIFF PackBits, delta
// row), Y offset, start and end.

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>
#include <vector>

namespace pg {

namespace {

// A decoded row never holds more than this many bytes (65,536 pixels, far wider than any
// page): run-length and delta-row data cannot make a small block expand without bound.
constexpr size_t kMaxRasterRowBytes = 8192;

void Put(std::vector<uint8_t>& row, size_t at, uint8_t value) {
    if (at >= kMaxRasterRowBytes)
        return;
    if (at >= row.size())
        row.resize(at + 1, 0);
    row[at] = value;
}

// Pairs (count, value): the value count + 1 times. An unpaired last byte is ignored.
void DecodeRunLength(std::string_view block, std::vector<uint8_t>& row) {
    row.clear();
    for (size_t i = 0; i + 1 < block.size() && row.size() < kMaxRasterRowBytes; i += 2) {
        const size_t count = std::min<size_t>(uint8_t(block[i]) + 1u, kMaxRasterRowBytes - row.size());
        row.insert(row.end(), count, uint8_t(block[i + 1]));
    }
}

// TIFF PackBits: a control byte n, then n + 1 literal bytes (n 0..127) or one byte repeated
// 1 - n times (n -127..-1); -128 is a no-op.
void DecodePackBits(std::string_view block, std::vector<uint8_t>& row) {
    row.clear();
    size_t i = 0;
    while (i < block.size() && row.size() < kMaxRasterRowBytes) {
        const int n = int8_t(block[i++]);
        if (n >= 0) {
            const size_t count = std::min({size_t(n) + 1, block.size() - i, kMaxRasterRowBytes - row.size()});
            row.insert(row.end(), block.begin() + ptrdiff_t(i), block.begin() + ptrdiff_t(i + count));
            i += size_t(n) + 1;
        } else if (n != -128 && i < block.size()) {
            const size_t count = std::min(size_t(1 - n), kMaxRasterRowBytes - row.size());
            row.insert(row.end(), count, uint8_t(block[i++]));
        }
    }
}

// Delta row: the seed row with replacements. Each command byte holds the number of bytes to
// replace less one (top 3 bits) and their offset from the end of the previous replacement
// (low 5 bits; 31 continues in the following bytes while they are 255).
void DecodeDeltaRow(std::string_view block, std::vector<uint8_t>& row) {
    size_t i = 0;
    size_t at = 0;
    while (i < block.size()) {
        const uint8_t command = uint8_t(block[i++]);
        const size_t count = (command >> 5) + 1u;
        size_t offset = command & 31u;
        if (offset == 31) {
            uint8_t more = 255;
            while (more == 255 && i < block.size()) {
                more = uint8_t(block[i++]);
                offset += more;
            }
        }
        at += offset;
        for (size_t k = 0; k < count && i < block.size(); ++k, ++at)
            Put(row, at, uint8_t(block[i++]));
    }
}

// How raster rows lie on the page: across the logical page like text (portrait, and
// landscape rows that turn with the page), down the logical page (landscape rows laid
// along the sheet's width, presentation 3), or in the reverse orientations (unencoded and
// run-length rows across, the cursor stepping left as along the sheet).
enum class TRasterLayout { Across, AlongSheet, Reverse };

// The page is drawn as its logical page, landscape pages on a landscape page. Rows in the
// logical page's orientation (presentation 0, what drivers send) therefore run across it in
// landscape as in portrait: otherwise a driver's landscape page would come out turned away
// from its own text, or, in the first columns only, not at all. Rows laid along the width of
// the sheet (presentation 3) run down the landscape page, since the sheet's width is its
// height, and the next row lies one column to the left.
TRasterLayout RasterLayout(const TPCLGraphicsState& state) {
    const uint8_t orientation = state.Page.Orientation;
    if (orientation == 0 || (orientation == 1 && state.Raster.RasterPresentation != 3))
        return TRasterLayout::Across;
    return orientation == 1 ? TRasterLayout::AlongSheet : TRasterLayout::Reverse;
}

// Moves the raster position on by rows, in the direction the next row lies.
void AdvanceRasterRows(TPCLGraphicsState& state, int64_t rows) {
    if (RasterLayout(state) == TRasterLayout::Across)
        state.Page.CursorY = int32_t(uint32_t(int64_t(state.Page.CursorY) + rows));
    else
        state.Page.CursorX = int32_t(uint32_t(int64_t(state.Page.CursorX) - rows));
}

// A TIFF pixel on a row outside the page is not drawn; the first one of a render is reported.
void ReportRowsOffPage(TPCLInterpreter& ip, const std::vector<uint8_t>& row, int64_t base, int64_t y,
                       bool across) {
    const int64_t height = ip.Device().PageHeight();
    for (size_t p = 0; p < row.size() * 8; ++p) {
        if (row[p / 8] == 0) {
            p |= 7;
            continue;
        }
        if (!(row[p / 8] & (0x80 >> (p % 8))))
            continue;
        const int64_t at = across ? y : y + int64_t(p);
        if (at >= 0 && at < height) {
            if (across)
                return;
            continue;
        }
        ip.ShowRenderMessage("Y: " + IntToStr(base) + "  YY : " + IntToStr(at) + " vs " + IntToStr(height),
                             "Y:");
        return;
    }
}

// Rows across run from the cursor (a TIFF row one dot higher, and so a delta row: drivers
// send one image in both modes, a TIFF row after each skip and delta rows after it, and the
// image must not tear apart where they meet); rows along the sheet run down from the cursor's
// row in the column left of it, every mode alike, so that the rows of an image lie side by
// side as the cursor steps left. In the reverse orientations TIFF and delta rows are skipped,
// while unencoded and run-length rows run across from the cursor as in portrait.
void PlotRasterRow(TPCLInterpreter& ip, const std::vector<uint8_t>& row, bool tiff) {
    const TRasterLayout layout = RasterLayout(ip.State);
    if (row.empty() || (layout == TRasterLayout::Reverse && tiff))
        return;
    const TPCLPagePoint cursor = ip.CursorPoint();
    const int64_t x0 = cursor.X;
    const int64_t base = cursor.Y;
    const bool across = layout != TRasterLayout::AlongSheet;
    const int64_t x = across ? x0 : x0 - 1;
    const int64_t y = across && tiff ? base - 1 : base;
    if (tiff)
        ReportRowsOffPage(ip, row, base, y, across);
    // The row is the source, painted through the current pattern. Where white source pixels
    // are painted (an opaque source), the row runs on, white, to the source raster width, or
    // to the page's edge when none is set.
    const TPaint paint = ip.CurrentPaint(0);
    size_t bits = row.size() * 8;
    if (!TPaintEffects::Of(paint).SourceWhiteKeeps()) {
        const TPCLDevice& device = ip.Device();
        const int64_t edge = std::max<int64_t>(across ? device.PageWidth() - x : device.PageHeight() - y, 0);
        const int32_t width = ip.State.Raster.RasterWidth;
        bits = size_t(std::min<int64_t>(width > 0 ? int64_t(width) : edge, std::max<int64_t>(edge, 0)));
    }
    ip.Device().DrawRasterRow(ClampToInt(x), ClampToInt(y), row, bits,
                              across ? TRasterDirection::Across : TRasterDirection::Down, paint);
}

void CmdRasterResolution(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RasterResolution = int16_t(IntegerValue(command));
}

void CmdRasterPresentation(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RasterPresentation = uint16_t(IntegerValue(command, 3));
}

void CmdStartRaster(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RasterRowCount = 0;
    ip.State.Raster.SeedRow.clear();
}

// The source raster width in pixels: how far an opaque row paints.
void CmdRasterWidth(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RasterWidth = std::max(IntegerValue(command), 0);
}

void CmdCompressionMode(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.CompressionMode = int16_t(IntegerValue(command));
}

void CmdTransferRasterRow(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ++ip.State.Raster.RasterRowCount;
}

void CmdEndRaster(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RasterRowCount = 0;
    ip.State.Raster.SeedRow.clear();
}

// Skips rows, as printers do: the raster position moves down (left in the other
// orientations) by the number of rows, and the seed row is cleared. Drivers skip blank rows
// of delta-row images this way.
void CmdRasterYOffset(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    AdvanceRasterRows(ip.State, IntegerValue(command));
    ip.State.Raster.SeedRow.clear();
}

} // namespace

// One raster row. The row is decoded into the seed row, which delta rows then patch. Every
// transferred row moves the cursor on by one row, to where the next row lies, whether or not
// it draws.
void DrawRasterRow(TPCLInterpreter& ip, std::string_view block) {
    TPCLRasterState& raster = ip.State.Raster;
    std::vector<uint8_t>& row = raster.SeedRow;
    const int16_t mode = raster.CompressionMode;
    bool draw = true;
    switch (mode) {
    case 0:
        row.assign(block.begin(), block.begin() + ptrdiff_t(std::min(block.size(), kMaxRasterRowBytes)));
        break;
    case 1:
        DecodeRunLength(block, row);
        break;
    case 2:
    case 3:
        if (mode == 2)
            DecodePackBits(block, row);
        else
            DecodeDeltaRow(block, row);
        draw = raster.RasterPresentation == 0 || raster.RasterPresentation == 3;
        break;
    case 4:
        ip.ShowRenderMessage("Reserved");
        draw = false;
        break;
    case 5:
        ip.ShowRenderMessage("Adaptive compression image not displayed");
        draw = false;
        break;
    default:
        draw = false;
        break;
    }
    if (draw)
        PlotRasterRow(ip, row, mode == 2 || mode == 3);
    AdvanceRasterRows(ip.State, raster.RasterRowCount);
    raster.RasterRowCount = 0;
}

void AddRasterCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {91, "*tR", "RasterResolution", &CmdRasterResolution},
                                      {92, "*rF", "RasterPresentation", &CmdRasterPresentation},
                                      {93, "*rA", "StartRaster", &CmdStartRaster},
                                      {94, "*bY", "RasterYOffset", &CmdRasterYOffset},
                                      {95, "*bM", "CompressionMode", &CmdCompressionMode},
                                      {96, "*bW", "TransferRasterRow", &CmdTransferRasterRow},
                                      {97, "*bV", "EmitOnly", &CmdEmitOnly},
                                      {98, "*rB", "EndRaster", &CmdEndRaster},
                                      {99, "*rC", "EndRaster", &CmdEndRaster},
                                      {100, "*rT", "EmitOnly", &CmdEmitOnly},
                                      {101, "*rS", "RasterWidth", &CmdRasterWidth},
                                      {102, "*tH", "EmitOnly", &CmdEmitOnly},
                                      {103, "*tV", "EmitOnly", &CmdEmitOnly},
                                      {104, "*tK", "EmitOnly", &CmdEmitOnly},
                                  });
}

} // namespace pg
