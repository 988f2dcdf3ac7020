// The print model: the current pattern, the pattern identifier, user-defined patterns and
// their control, the pattern reference point, the transparency modes and the logical
// operation; and the paints the interpreter hands devices, in which all of them are resolved.

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"
#include "PclXlInterpreter.h"
#include "Strings.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace pg {

namespace {

// A pattern's pixel count is bounded by the drawing surface's: larger patterns are refused.
constexpr int64_t kMaxPatternPixels = int64_t(4200) * 4200;

uint16_t ReadU16(std::string_view block, size_t at) {
    return at + 2 <= block.size() ? uint16_t(uint8_t(block[at]) << 8 | uint8_t(block[at + 1])) : 0;
}

// The pixels of a pattern definition: format 0 (one bit a pixel), 1 (a byte a pixel, any
// colour but white, index 0, is ink) or 20 (one bit a pixel at a resolution of its own, drawn
// at the page's 300 dots per inch). Rows are padded to whole bytes; rows the data does not
// reach are white. Empty when the header is not one of these or the size is 0 or too large.
TPatternTile PatternTile(std::string_view block) {
    TPatternTile tile;
    if (block.size() < 8)
        return tile;
    const uint8_t format = uint8_t(block[0]);
    const int bitsPerPixel = format == 1 ? 8 : 1;
    const size_t headerSize = format == 20 ? 12 : 8;
    const int height = ReadU16(block, 4), width = ReadU16(block, 6);
    if ((format != 0 && format != 1 && format != 20) || block.size() < headerSize || width == 0 ||
        height == 0 || int64_t(width) * height > kMaxPatternPixels)
        return tile;
    const std::string_view data = block.substr(headerSize);
    const size_t sourceRow = (size_t(width) * size_t(bitsPerPixel) + 7) / 8;
    const size_t rows = std::min<size_t>(size_t(height), data.size() / sourceRow);
    tile.Width = width;
    tile.Height = height;
    tile.BytesPerRow = (size_t(width) + 7) / 8;
    if (bitsPerPixel == 1) {
        tile.Bits.assign(data.begin(), data.begin() + ptrdiff_t(rows * sourceRow));
    } else {
        tile.Bits.assign(rows * tile.BytesPerRow, 0);
        for (size_t y = 0; y < rows; ++y)
            for (size_t x = 0; x < size_t(width); ++x)
                if (data[y * sourceRow + x] != 0)
                    tile.Bits[y * tile.BytesPerRow + x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    // A pattern at another resolution keeps its size on paper. Only the rows the data brings
    // are scaled, so that the work stays a small multiple of the data.
    const int xRes = ReadU16(block, 8), yRes = ReadU16(block, 10);
    if (format == 20 && xRes >= 75 && yRes >= 75 && (xRes != 300 || yRes != 300)) {
        const int64_t w = std::max<int64_t>(1, int64_t(width) * 300 / xRes);
        const int64_t h = std::max<int64_t>(1, int64_t(height) * 300 / yRes);
        if (w * h > kMaxPatternPixels)
            return {};
        TPatternTile scaled;
        scaled.Width = int(w);
        scaled.Height = int(h);
        scaled.BytesPerRow = (size_t(w) + 7) / 8;
        const int64_t scaledRows = std::min<int64_t>(h, (int64_t(rows) * 300 + yRes - 1) / yRes);
        scaled.Bits.assign(scaled.BytesPerRow * size_t(scaledRows), 0);
        for (int64_t y = 0; y < scaledRows; ++y)
            for (int64_t x = 0; x < w; ++x)
                if (tile.Black(x * xRes / 300, y * yRes / 300, 0, 0))
                    scaled.Bits[size_t(y) * scaled.BytesPerRow + size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        return scaled;
    }
    return tile;
}

// The halftone a colour of the darkness (0 white .. 255 black) prints as on a black-and-white
// page: the ordered dither PCL XL shows colours with, one 8 x 8 tile per darkness.
const std::shared_ptr<const TPatternTile>& DitherTile(uint8_t darkness) {
    static const std::array<std::shared_ptr<const TPatternTile>, 256> tiles = [] {
        std::array<std::shared_ptr<const TPatternTile>, 256> all;
        for (int d = 0; d < 256; ++d) {
            TPatternTile tile;
            tile.Width = tile.Height = 8;
            tile.BytesPerRow = 1;
            tile.Bits.assign(8, 0);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    if (xl::DitherBlack(x, y, uint8_t(d)))
                        tile.Bits[size_t(y)] |= uint8_t(0x80 >> x);
            all[size_t(d)] = std::make_shared<const TPatternTile>(std::move(tile));
        }
        return all;
    }();
    return tiles[darkness];
}

// How dark a colour looks, 0 white .. 255 black: one less its lightness, the primaries
// weighted as the eye weighs them (D50) on a 2.2 gamma, so that greys keep their level and
// green looks lighter than red, and red than blue.
uint8_t PerceivedDarkness(uint32_t colour) {
    static const std::array<double, 256> linear = [] {
        std::array<double, 256> all{};
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = std::pow(double(i) / 255, 2.2);
        return all;
    }();
    const double y = 0.2225 * linear[colour & 0xFF] + 0.7169 * linear[colour >> 8 & 0xFF] +
                     0.0606 * linear[colour >> 16 & 0xFF];
    return uint8_t(255 - std::clamp(std::lround(255 * std::pow(y, 1 / 2.2)), 0L, 255L));
}

void CmdSelectCurrentPattern(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t value = IntegerValue(command);
    if (value < 0 || value > 4)
        return;
    ip.State.Raster.CurrentPattern = uint16_t(value);
    ip.State.Raster.CurrentPatternID = ip.State.Raster.PatternID;
}

void CmdSourceTransparency(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.SourceTransparent = IntegerValue(command) == 0;
}

void CmdPatternTransparency(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.PatternTransparent = IntegerValue(command) == 0;
}

// Codes outside 0..255 are not operations; the one in force stays.
void CmdLogicalOperation(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t value = IntegerValue(command, -1);
    if (value >= 0 && value <= 255)
        ip.State.Raster.LogicalOperation = uint8_t(value);
}

void CmdPatternID(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.PatternID = int16_t(IntegerValue(command));
}

// 0 deletes every pattern, 1 the temporary ones, 2 the one of the pattern identifier; 4 and 5
// make that one temporary or permanent.
void CmdPatternControl(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    auto& patterns = ip.State.Patterns;
    const int16_t id = ip.State.Raster.PatternID;
    switch (IntegerValue(command)) {
    case 0:
        patterns.clear();
        break;
    case 1:
        std::erase_if(patterns, [](const auto& p) { return !p.second->Permanent; });
        break;
    case 2:
        patterns.erase(id);
        break;
    case 4:
    case 5:
        // A stored pattern is shared with the page starts kept: a changed one is a new one.
        if (auto it = patterns.find(id); it != patterns.end()) {
            auto changed = std::make_shared<TUserPattern>(*it->second);
            changed->Permanent = IntegerValue(command) == 5;
            it->second = std::move(changed);
        }
        break;
    default:
        break;
    }
}

// The reference point moves to the cursor; 0 turns patterns with the print direction, 1 keeps
// them as the page has them.
void CmdPatternReferencePoint(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t value = IntegerValue(command);
    if (value != 0 && value != 1)
        return;
    TPCLRasterState& raster = ip.State.Raster;
    const TPCLPagePoint at = ip.CursorPoint();
    raster.PatternRefX = ClampToInt(at.X);
    raster.PatternRefY = ClampToInt(at.Y);
    raster.PatternsTurn = value == 0;
}

} // namespace

// A pattern is stored while the interpreter's budget for patterns lasts.
void DefineUserPattern(TPCLInterpreter& ip, std::string_view block) {
    TPatternTile tile = PatternTile(block);
    const size_t bytes = block.size() + tile.Bits.size();
    if (tile.Empty() || bytes > ip.PatternBudget)
        return;
    ip.PatternBudget -= bytes;
    auto pattern = std::make_shared<TUserPattern>();
    pattern->Definition.assign(block);
    pattern->Tile = std::make_shared<const TPatternTile>(std::move(tile));
    ip.State.Patterns[ip.State.Raster.PatternID] = std::move(pattern);
}

TPCLPagePoint TPCLInterpreter::PagePoint(int64_t x, int64_t y) const {
    const TPCLPageState& page = State.Page;
    const TPCLPageSize size = LogicalPageSize();
    const int64_t left = page.LeftOffset, right = size.Width, bottom = size.Height;
    switch (page.PrintDirection & 3) {
    case 1:
        return {left + y, bottom - x};
    case 2:
        return {right - x, bottom - page.TopMargin - y};
    case 3:
        return {right - y, x};
    default:
        return {left + x, int64_t(page.TopMargin) + y};
    }
}

TPCLPagePoint TPCLInterpreter::CursorPoint() const {
    return PagePoint(State.Page.CursorX, State.Page.CursorY);
}

TPCLPageSize TPCLInterpreter::LogicalPageSize() const {
    const TPCLPageState& page = State.Page;
    return FinishedPageSize(page.PageSizeCode == 2 || IsLetterPaper(page.PagePaperCode),
                            page.Orientation == 1);
}

// The cursor stays where it is on the page; its coordinates are those of the new direction.
void TPCLInterpreter::SetPrintDirection(uint8_t quarterTurns) {
    TPCLPageState& page = State.Page;
    const TPCLPagePoint at = CursorPoint();
    page.PrintDirection = quarterTurns & 3;
    // The inverse of PagePoint for the new direction.
    const TPCLPagePoint origin = PagePoint(0, 0);
    const int64_t dx = at.X - origin.X, dy = at.Y - origin.Y;
    int64_t x = dx, y = dy;
    switch (page.PrintDirection) {
    case 1:
        x = -dy;
        y = dx;
        break;
    case 2:
        x = -dx;
        y = -dy;
        break;
    case 3:
        x = dy;
        y = -dx;
        break;
    default:
        break;
    }
    page.CursorX = Wrap32(x);
    page.CursorY = Wrap32(y);
}

TPaint TPCLInterpreter::WithPrintModes(TPaint paint) const {
    const TPCLRasterState& raster = State.Raster;
    paint.SourceTransparent = raster.SourceTransparent;
    paint.PatternTransparent = raster.PatternTransparent;
    paint.Rop = raster.LogicalOperation;
    paint.RefX = raster.PatternRefX;
    paint.RefY = raster.PatternRefY;
    return paint;
}

std::optional<TPaint> TPCLInterpreter::PatternPaint(TPaint::TPatternType type, int id) const {
    const int turns = State.Raster.PatternsTurn ? State.Page.PrintDirection : 0;
    TPaint paint = WithPrintModes(TPaint::PatternFill(type, id, 0, 0));
    paint.TileTurns = uint8_t(turns);
    if (type == TPaint::TPatternType::CrossHatch) {
        const TPatternTile* tile = CrossHatchTile(id);
        if (!tile)
            return std::nullopt;
        // The built-in tiles live as long as the program: the paint only points at them.
        paint.Tile = std::shared_ptr<const TPatternTile>(std::shared_ptr<void>(), tile);
        return paint;
    }
    auto it = State.Patterns.find(int16_t(id));
    if (type != TPaint::TPatternType::UserDefined || it == State.Patterns.end())
        return std::nullopt;
    paint.Tile = it->second->Tile;
    return paint;
}

TPaint TPCLInterpreter::ShadingPaint(int percent) const {
    TPaint paint = WithPrintModes(TPaint::GreyLevel(std::clamp(percent, 0, 100)));
    // No shading at all erases, as a white fill does.
    if (paint.Level == 0)
        paint.PatternTransparent = false;
    return paint;
}

// Black, white (painted only where the pattern is opaque), a shading, a cross-hatch or a user
// pattern; an undefined pattern paints solid ink.
TPaint TPCLInterpreter::CurrentPaint(uint32_t ink) const {
    const TPCLRasterState& raster = State.Raster;
    switch (raster.CurrentPattern) {
    case 1:
        return WithPrintModes(TPaint::Solid(0x00FFFFFF));
    case 2:
        return ShadingPaint(raster.CurrentPatternID);
    case 3:
    case 4: {
        const auto type =
            raster.CurrentPattern == 3 ? TPaint::TPatternType::CrossHatch : TPaint::TPatternType::UserDefined;
        if (std::optional<TPaint> pattern = PatternPaint(type, raster.CurrentPatternID))
            return *pattern;
        break;
    }
    default:
        break;
    }
    // The fill colour of fill data stays ink on every device.
    return InkWithPrintModes(ink == 0 ? State.Colour.Foreground : ink, ink == 0);
}

TPaint TPCLInterpreter::InkWithPrintModes(uint32_t colour, bool halftone) const {
    const TPaint ink = InkPaint(colour, halftone);
    TPaint paint = WithPrintModes(ink);
    if (ink.Tile)
        paint.PatternTransparent = false;
    return paint;
}

TPaint TPCLInterpreter::InkPaint(uint32_t colour, bool halftone) const {
    colour &= 0x00FFFFFF;
    TPaint paint = TPaint::Solid(colour);
    const uint8_t darkness = PerceivedDarkness(colour);
    if (darkness > 0 && darkness < 255 && out_ && out_->Monochrome() && halftone) {
        paint = TPaint::PatternFill(TPaint::TPatternType::UserDefined, 0, 0, 0);
        paint.Tile = DitherTile(darkness);
        // The colour covers what lies below: the halftone's white dots are painted too.
        paint.PatternTransparent = false;
    }
    return paint;
}

TPaint TPCLInterpreter::Resolved(const TPaint& paint) const {
    if (paint.Kind == TPaint::TKind::Colour && (paint.Colour & 0x00FFFFFF) != 0 &&
        (paint.Colour & 0x00FFFFFF) != TPCLPalette::kWhite) {
        // A pen of the palette's colours.
        TPaint ink = InkPaint(paint.Colour);
        ink.SourceTransparent = paint.SourceTransparent;
        if (!ink.Tile)
            ink.PatternTransparent = paint.PatternTransparent;
        ink.Rop = paint.Rop;
        return ink;
    }
    if (paint.Kind != TPaint::TKind::Pattern || paint.Tile)
        return paint;
    if (paint.PatternType == TPaint::TPatternType::Current) {
        TPaint current = CurrentPaint(0);
        current.SourceTransparent = paint.SourceTransparent;
        current.PatternTransparent = paint.PatternTransparent;
        return current;
    }
    std::optional<TPaint> pattern = PatternPaint(paint.PatternType, paint.Pattern);
    if (!pattern)
        return paint;
    pattern->SourceTransparent = paint.SourceTransparent;
    pattern->PatternTransparent = paint.PatternTransparent;
    return *pattern;
}

void AddPrintModelCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {105, "*vT", "SelectCurrentPattern", &CmdSelectCurrentPattern},
                                      {106, "*vN", "SourceTransparency", &CmdSourceTransparency},
                                      {107, "*vO", "PatternTransparency", &CmdPatternTransparency},
                                      {108, "*lO", "LogicalOperation", &CmdLogicalOperation},
                                      {109, "*vR", "EmitOnly", &CmdEmitOnly},
                                      {115, "*cG", "PatternID", &CmdPatternID},
                                      {116, "*cW", "EmitOnly", &CmdEmitOnly},
                                      {117, "*cQ", "PatternControl", &CmdPatternControl},
                                      {118, "*pR", "PatternReferencePoint", &CmdPatternReferencePoint},
                                  });
}

} // namespace pg
