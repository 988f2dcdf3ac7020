// Raster and rectangle drawing hooks of the interpreter, called only while rendering. The
// scanner and the handlers decide when something is drawn; these decide what it looks like.
// Text runs are drawn in PCLText.cpp.

#include "PCLParse.h"
#include "Prompt.h"
#include "Strings.h"

#include <algorithm>
#include <limits>

namespace pg {

namespace {

// A decoded row never holds more than this many bytes (65,536 pixels, far wider than any
// page): run-length and delta-row data cannot make a small block expand without bound.
constexpr size_t kMaxRasterRowBytes = 8192;
constexpr int kSignaturePenWidth = 5;
constexpr uint32_t kSignatureRed = 0x000000FF;
constexpr uint32_t kBlack = 0x00000000;
constexpr uint32_t kWhite = 0x00FFFFFF;

int ClampToInt(int64_t v) {
    return int(std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

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

} // namespace

void TPCLBuffer::ShowRenderMessage(const std::string& text, const std::string& kind) {
    const std::string& key = kind.empty() ? text : kind;
    if (std::find(ShownMessages.begin(), ShownMessages.end(), key) != ShownMessages.end())
        return;
    ShownMessages.push_back(key);
    ShowInformation(text);
}

// One raster row. The row is decoded into the seed row, which delta rows then patch. Every
// transferred row moves the cursor on by one row, to where the next row lies, whether or not
// it draws.
void TPCLBuffer::DrawRasterRow(std::string_view block) {
    std::vector<uint8_t>& row = Raster.SeedRow;
    const int16_t mode = Raster.CompressionMode;
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
        draw = Raster.RasterPresentation == 0 || Raster.RasterPresentation == 3;
        break;
    case 4:
        ShowRenderMessage("Reserved");
        draw = false;
        break;
    case 5:
        ShowRenderMessage("Adaptive compression image not displayed");
        draw = false;
        break;
    default:
        draw = false;
        break;
    }
    if (draw)
        PlotRasterRow(row, mode == 2 || mode == 3);
    AdvanceRasterRows(Raster.RasterRowCount);
    Raster.RasterRowCount = 0;
}

// The page is drawn as its logical page, landscape pages on a landscape page. Rows in the
// logical page's orientation (presentation 0, what drivers send) therefore run across it in
// landscape as in portrait: otherwise a driver's landscape page would come out turned away
// from its own text, or, in the first columns only, not at all. Rows laid along the width of
// the sheet (presentation 3) run down the landscape page, since the sheet's width is its
// height, and the next row lies one column to the left.
TPCLBuffer::TRasterLayout TPCLBuffer::RasterLayout() const {
    if (Page.Orientation == 0 || (Page.Orientation == 1 && Raster.RasterPresentation != 3))
        return TRasterLayout::Across;
    return Page.Orientation == 1 ? TRasterLayout::AlongSheet : TRasterLayout::Reverse;
}

void TPCLBuffer::AdvanceRasterRows(int64_t rows) {
    if (RasterLayout() == TRasterLayout::Across)
        Page.CursorY = int32_t(uint32_t(int64_t(Page.CursorY) + rows));
    else
        Page.CursorX = int32_t(uint32_t(int64_t(Page.CursorX) - rows));
}

// Rows across run from the cursor (a TIFF row one dot higher, and so a delta row: drivers
// send one image in both modes, a TIFF row after each skip and delta rows after it, and the
// image must not tear apart where they meet); rows along the sheet run down from the cursor's
// row in the column left of it, every mode alike, so that the rows of an image lie side by
// side as the cursor steps left. In the reverse orientations TIFF and delta rows are skipped,
// while unencoded and run-length rows run across from the cursor as in portrait.
void TPCLBuffer::PlotRasterRow(const std::vector<uint8_t>& row, bool tiff) {
    const TRasterLayout layout = RasterLayout();
    if (row.empty() || (layout == TRasterLayout::Reverse && tiff))
        return;
    const int64_t x0 = int64_t(Page.LeftOffset) + Page.CursorX;
    const int64_t base = int64_t(Page.TopMargin) + Page.CursorY;
    const bool across = layout != TRasterLayout::AlongSheet;
    const int64_t x = across ? x0 : x0 - 1;
    const int64_t y = across && tiff ? base - 1 : base;
    if (tiff)
        ReportRowsOffPage(row, base, y, across);
    Device().DrawRasterRow(ClampToInt(x), ClampToInt(y), row, row.size() * 8,
                           across ? TRasterDirection::Across : TRasterDirection::Down);
}

// A TIFF pixel on a row outside the page is not drawn; the first one of a render is reported.
void TPCLBuffer::ReportRowsOffPage(const std::vector<uint8_t>& row, int64_t base, int64_t y, bool across) {
    const int64_t height = Out ? Out->PageHeight() : 0;
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
        ShowRenderMessage("Y: " + IntToStr(base) + "  YY : " + IntToStr(at) + " vs " + IntToStr(height),
                          "Y:");
        return;
    }
}

// What a rectangle of the fill type paints with: 0 black, 1 white (erase), 2 the shading of
// the pattern identifier's percentage, 3 its cross-hatch pattern, 4 the user-defined pattern of
// that identifier; 5 and other types the current pattern. Patterns are anchored at the origin.
TPaint TPCLBuffer::RectanglePaint(int32_t fillType) const {
    TPaint paint;
    switch (fillType) {
    case 0:
        paint = TPaint::Solid(kBlack);
        break;
    case 1:
        paint = TPaint::Solid(kWhite);
        break;
    case 2:
        paint = TPaint::GreyLevel(Raster.PatternID);
        break;
    default: {
        const TPaint::TPatternType type = fillType == 3   ? TPaint::TPatternType::CrossHatch
                                          : fillType == 4 ? TPaint::TPatternType::UserDefined
                                                          : TPaint::TPatternType::Current;
        paint = TPaint::PatternFill(type, Raster.PatternID, Page.LeftOffset, Page.TopMargin);
        break;
    }
    }
    paint.SourceTransparent = Raster.SourceTransparent;
    paint.PatternTransparent = Raster.PatternTransparent;
    return paint;
}

// Rectangle fill, combined with the page by the device. The work a page's fills may cost is
// bounded by the area they cover.
void TPCLBuffer::FillRectangle(int32_t fillType) {
    const int64_t left = int64_t(Page.LeftOffset) + Page.CursorX;
    const int64_t top = int64_t(Page.TopMargin) + Page.CursorY;
    // A page whose fills cover the page hundreds of times over stops filling, so that a hostile
    // stream cannot hold the window for minutes.
    TPCLDevice& device = Device();
    const int64_t width = std::clamp<int64_t>(std::min<int64_t>(left + Raster.RectWidth, device.PageWidth()) -
                                                  std::max<int64_t>(left, 0),
                                              0, INT32_MAX);
    const int64_t height = std::clamp<int64_t>(
        std::min<int64_t>(top + Raster.RectHeight, device.PageHeight()) - std::max<int64_t>(top, 0), 0,
        INT32_MAX);
    const int64_t budget = kFillPageAreas * int64_t(device.PageWidth()) * device.PageHeight();
    if (FilledArea > budget) {
        ShowRenderMessage("Too many rectangle fills on this page; the rest are not drawn", "fill budget");
        return;
    }
    FilledArea += width * height;
    device.FillRectangle(ClampToInt(left), ClampToInt(top), Raster.RectWidth, Raster.RectHeight,
                         RectanglePaint(fillType));
}

// Signature box: the outline only, a 5-pixel pen centred on the box's edges, so that the
// signature under it stays visible. Black on a monochrome page, red on a colour one.
void TPCLBuffer::SignatureBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    TPCLDevice& device = Device();
    const uint32_t colour = device.Monochrome() ? 0 : kSignatureRed;
    const int left = ClampToInt(int64_t(Page.LeftOffset) + std::min(x1, x2));
    const int right = ClampToInt(int64_t(Page.LeftOffset) + std::max(x1, x2));
    const int top = ClampToInt(int64_t(Page.TopMargin) + std::min(y1, y2));
    const int bottom = ClampToInt(int64_t(Page.TopMargin) + std::max(y1, y2));
    // Each edge includes its end point, so that the corners close.
    const int pastRight = ClampToInt(int64_t(right) + 1);
    const int pastBottom = ClampToInt(int64_t(bottom) + 1);
    device.DrawLine(left, top, pastRight, top, kSignaturePenWidth, colour);
    device.DrawLine(left, bottom, pastRight, bottom, kSignaturePenWidth, colour);
    device.DrawLine(left, top, left, pastBottom, kSignaturePenWidth, colour);
    device.DrawLine(right, top, right, pastBottom, kSignaturePenWidth, colour);
}

} // namespace pg
