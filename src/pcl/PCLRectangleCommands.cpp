// The rectangle and pattern commands and their drawing: rectangle sizes and fills, the
// pattern identifier, the current pattern and the transparency modes; and the private
// signature-box command.

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>
#include <optional>

namespace pg {

namespace {

constexpr int kSignaturePenWidth = 5;
constexpr uint32_t kSignatureRed = 0x000000FF;
constexpr uint32_t kBlack = 0x00000000;
constexpr uint32_t kWhite = 0x00FFFFFF;

// What a rectangle of the fill type paints with: 0 the foreground colour (black by default), 1 white (it
// erases, whatever the pattern transparency), 2 the shading of the pattern identifier's percentage, 3 its
// cross-hatch pattern, 4 the user-defined pattern of that identifier, 5 the current pattern.
// Nothing for a pattern that does not exist or another fill type.
std::optional<TPaint> RectanglePaint(const TPCLInterpreter& ip, int32_t fillType) {
    const int16_t id = ip.State.Raster.PatternID;
    switch (fillType) {
    case 0:
        return ip.InkWithPrintModes(ip.State.Colour.Foreground);
    case 1: {
        TPaint white = ip.WithPrintModes(TPaint::Solid(kWhite));
        white.PatternTransparent = false;
        return white;
    }
    case 2:
        return ip.ShadingPaint(id);
    case 3:
        return ip.PatternPaint(TPaint::TPatternType::CrossHatch, id);
    case 4:
        return ip.PatternPaint(TPaint::TPatternType::UserDefined, id);
    case 5:
        return ip.CurrentPaint(kBlack);
    default:
        return std::nullopt;
    }
}

// Rectangle fill from the cursor, its width along the print direction's X axis and its height
// along Y, combined with the page by the device. The work a page's fills may cost is bounded
// by the area they cover.
void FillRectangle(TPCLInterpreter& ip, int32_t fillType) {
    const TPCLPageState& page = ip.State.Page;
    const TPCLRasterState& raster = ip.State.Raster;
    const std::optional<TPaint> paint = RectanglePaint(ip, fillType);
    if (!paint)
        return;
    const TPCLPagePoint a = ip.CursorPoint();
    const TPCLPagePoint b =
        ip.PagePoint(int64_t(page.CursorX) + raster.RectWidth, int64_t(page.CursorY) + raster.RectHeight);
    const int64_t left = std::min(a.X, b.X), top = std::min(a.Y, b.Y);
    const int64_t width = std::max(a.X, b.X) - left, height = std::max(a.Y, b.Y) - top;
    // A page whose fills cover the page hundreds of times over stops filling, so that a hostile
    // stream cannot hold the window for minutes.
    TPCLDevice& device = ip.Device();
    const int64_t covered =
        std::clamp<int64_t>(std::min<int64_t>(left + width, device.PageWidth()) - std::max<int64_t>(left, 0),
                            0, INT32_MAX) *
        std::clamp<int64_t>(std::min<int64_t>(top + height, device.PageHeight()) - std::max<int64_t>(top, 0),
                            0, INT32_MAX);
    const int64_t budget =
        TPCLInterpreter::kFillPageAreas * int64_t(device.PageWidth()) * device.PageHeight();
    if (ip.FilledArea > budget) {
        ip.ShowRenderMessage("Too many rectangle fills on this page; the rest are not drawn", "fill budget");
        return;
    }
    ip.FilledArea += covered;
    device.FillRectangle(ClampToInt(left), ClampToInt(top), int(width), int(height), *paint);
}

// Signature box: the outline only, a 5-pixel pen centred on the box's edges, so that the
// signature under it stays visible. Black on a monochrome page, red on a colour one.
void SignatureBox(TPCLInterpreter& ip, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    TPCLDevice& device = ip.Device();
    const TPCLPageState& page = ip.State.Page;
    const uint32_t colour = device.Monochrome() ? 0 : kSignatureRed;
    const int left = ClampToInt(int64_t(page.LeftOffset) + std::min(x1, x2));
    const int right = ClampToInt(int64_t(page.LeftOffset) + std::max(x1, x2));
    const int top = ClampToInt(int64_t(page.TopMargin) + std::min(y1, y2));
    const int bottom = ClampToInt(int64_t(page.TopMargin) + std::max(y1, y2));
    // Each edge includes its end point, so that the corners close.
    const int pastRight = ClampToInt(int64_t(right) + 1);
    const int pastBottom = ClampToInt(int64_t(bottom) + 1);
    device.DrawLine(left, top, pastRight, top, kSignaturePenWidth, colour);
    device.DrawLine(left, bottom, pastRight, bottom, kSignaturePenWidth, colour);
    device.DrawLine(left, top, left, pastBottom, kSignaturePenWidth, colour);
    device.DrawLine(right, top, right, pastBottom, kSignaturePenWidth, colour);
}

void CmdRectWidthDots(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RectWidth = uint16_t(ip.UnitsToDots(IntegerValue(command)));
}

void CmdRectWidthDecipoints(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RectWidth = uint16_t(DecipointsToDots(RealValue(command)));
}

void CmdRectHeightDots(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RectHeight = uint16_t(ip.UnitsToDots(IntegerValue(command)));
}

void CmdRectHeightDecipoints(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RectHeight = uint16_t(DecipointsToDots(RealValue(command)));
}

// A filled rectangle marks the page, drawn or not, like printable text does.
void CmdFillRectangle(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    if (ip.State.Raster.RectWidth != 0 && ip.State.Raster.RectHeight != 0)
        ip.MarkContent();
    if (ip.Rendering())
        FillRectangle(ip, IntegerValue(command));
}

// ESC(s x1.y1.x2.y2 Z: the value part split at the points.
void CmdSignatureBox(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const std::string_view values = command.size() > 4 ? command.substr(3, command.size() - 4) : "";
    const std::vector<std::string> fields = Split(values, ".");
    auto field = [&](size_t i) { return i < fields.size() ? StrToIntDef(fields[i], 0) : 0; };
    if (ip.DrawsSignatureBoxes())
        SignatureBox(ip, field(0), field(1), field(2), field(3));
}

} // namespace

void AddRectangleCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(), {
                                      {110, "*cA", "RectWidthDots", &CmdRectWidthDots},
                                      {111, "*cH", "RectWidthDecipoints", &CmdRectWidthDecipoints},
                                      {112, "*cB", "RectHeightDots", &CmdRectHeightDots},
                                      {113, "*cV", "RectHeightDecipoints", &CmdRectHeightDecipoints},
                                      {114, "*cP", "FillRectangle", &CmdFillRectangle},
                                      {137, "(sZ", "SignatureBox", &CmdSignatureBox},
                                  });
}

} // namespace pg
