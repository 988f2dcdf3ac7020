// The command table of the interpreter and the handlers that keep the page, font, raster and
// macro state. Every handler emits its command exactly once.

#include "PCLParse.h"
#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>
#include <cmath>

namespace pg {

struct TPCLBuffer::TCommandEntry {
    const char* Key;
    const char* Name;
    TPCLHandler Handler;
};

namespace {

// Sums of positions wrap around in 32 bits rather than overflow.
int32_t Wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

int ClampInt(int64_t v) {
    return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

const std::vector<TPCLBuffer::TCommandEntry>& TPCLBuffer::CommandEntries() {
    using B = TPCLBuffer;
    static const std::vector<TCommandEntry> entries = {
        {"E", "PrinterReset", &B::CmdPrinterReset},
        {"&lX", "EmitOnly", &B::CmdEmitOnly},
        {"&lS", "SimplexDuplex", &B::CmdSimplexDuplex},
        {"&lU", "EmitOnly", &B::CmdEmitOnly},
        {"&lZ", "EmitOnly", &B::CmdEmitOnly},
        {"&aG", "EmitOnly", &B::CmdEmitOnly},
        {"&lT", "EmitOnly", &B::CmdEmitOnly},
        {"&lG", "EmitOnly", &B::CmdEmitOnly},
        {"&uD", "UnitOfMeasure", &B::CmdUnitOfMeasure},
        {"&oQ", "EmitOnly", &B::CmdEmitOnly},
        {"&lM", "EmitOnly", &B::CmdEmitOnly},
        {"&aN", "EmitOnly", &B::CmdEmitOnly},
        {"&lH", "EmitOnly", &B::CmdEmitOnly},
        {"&lA", "PageSize", &B::CmdPageSize},
        {"&lO", "Orientation", &B::CmdOrientation},
        {"&aP", "EmitOnly", &B::CmdEmitOnly},
        {"&cT", "EmitOnly", &B::CmdEmitOnly},
        {"&lE", "TopMargin", &B::CmdTopMargin},
        {"&lF", "TextLength", &B::CmdTextLength},
        {"&aL", "LeftMargin", &B::CmdLeftMargin},
        {"&aM", "RightMargin", &B::CmdRightMargin},
        {"&9", "ClearHorizontalMargins", &B::CmdClearHorizontalMargins},
        {"&lL", "EmitOnly", &B::CmdEmitOnly},
        {"&kH", "HorizontalMotionIndex", &B::CmdHorizontalMotionIndex},
        {"&lC", "VerticalMotionIndex", &B::CmdVerticalMotionIndex},
        {"&lD", "LinesPerInch", &B::CmdLinesPerInch},
        {"&aR", "VerticalPositionRows", &B::CmdVerticalPositionRows},
        {"*pY", "VerticalPositionUnits", &B::CmdVerticalPositionUnits},
        {"&aV", "VerticalPositionDecipoints", &B::CmdVerticalPositionDecipoints},
        {"&aC", "EmitOnly", &B::CmdEmitOnly},
        {"*pX", "HorizontalPositionUnits", &B::CmdHorizontalPositionUnits},
        {"&aH", "HorizontalPositionDecipoints", &B::CmdHorizontalPositionDecipoints},
        {"=", "HalfLineFeed", &B::CmdHalfLineFeed},
        {"&kG", "EmitOnly", &B::CmdEmitOnly},
        {"&fS", "PushPopPosition", &B::CmdPushPopPosition},
        {"(D", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")D", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(E", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")E", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(F", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")F", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(G", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")G", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(I", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")I", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(J", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")J", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(L", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")L", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(M", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")M", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(N", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")N", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(S", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")S", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(T", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")T", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(U", "PrimarySymbolSet", &B::CmdPrimarySymbolSet},
        {")U", "SecondarySymbolSet", &B::CmdSecondarySymbolSet},
        {"(K", "EmitOnly", &B::CmdEmitOnly},
        {")K", "EmitOnly", &B::CmdEmitOnly},
        {"(sP", "PrimarySpacing", &B::CmdPrimarySpacing},
        {")sP", "SecondarySpacing", &B::CmdSecondarySpacing},
        {"(sH", "Pitch", &B::CmdPitch},
        {")sH", "Pitch", &B::CmdPitch},
        {"&kS", "EmitOnly", &B::CmdEmitOnly},
        {"(sV", "Height", &B::CmdHeight},
        {")sV", "Height", &B::CmdHeight},
        {"(sS", "PrimaryStyle", &B::CmdPrimaryStyle},
        {")sS", "SecondaryStyle", &B::CmdSecondaryStyle},
        {"(sB", "PrimaryStrokeWeight", &B::CmdPrimaryStrokeWeight},
        {")sB", "SecondaryStrokeWeight", &B::CmdSecondaryStrokeWeight},
        {"(sT", "PrimaryTypeface", &B::CmdPrimaryTypeface},
        {")sT", "SecondaryTypeface", &B::CmdSecondaryTypeface},
        {"(@", "EmitOnly", &B::CmdEmitOnly},
        {")@", "EmitOnly", &B::CmdEmitOnly},
        {"&dD", "UnderlineEnable", &B::CmdUnderlineEnable},
        {"&d@", "UnderlineDisable", &B::CmdUnderlineDisable},
        {"&tP", "EmitOnly", &B::CmdEmitOnly},
        {"&pX", "TransparentData", &B::CmdTransparentData},
        {"*cD", "AssignFontID", &B::CmdAssignFontID},
        {"*cF", "FontControl", &B::CmdFontControl},
        {"*cR", "EmitOnly", &B::CmdEmitOnly},
        {"(fW", "EmitOnly", &B::CmdEmitOnly},
        {"*cS", "EmitOnly", &B::CmdEmitOnly},
        {"(X", "SelectFontByID", &B::CmdSelectFontByID},
        {")X", "SelectFontByID", &B::CmdSelectFontByID},
        {")sW", "FontDescriptor", &B::CmdFontDescriptor},
        {"(sW", "DownloadCharacter", &B::CmdDownloadCharacter},
        {"*cE", "CharacterCode", &B::CmdCharacterCode},
        {"*tR", "RasterResolution", &B::CmdRasterResolution},
        {"*rF", "RasterPresentation", &B::CmdRasterPresentation},
        {"*rA", "StartRaster", &B::CmdStartRaster},
        {"*bY", "RasterYOffset", &B::CmdRasterYOffset},
        {"*bM", "CompressionMode", &B::CmdCompressionMode},
        {"*bW", "TransferRasterRow", &B::CmdTransferRasterRow},
        {"*bV", "EmitOnly", &B::CmdEmitOnly},
        {"*rB", "EndRaster", &B::CmdEndRaster},
        {"*rC", "EndRaster", &B::CmdEndRaster},
        {"*rT", "EmitOnly", &B::CmdEmitOnly},
        {"*rS", "EmitOnly", &B::CmdEmitOnly},
        {"*tH", "EmitOnly", &B::CmdEmitOnly},
        {"*tV", "EmitOnly", &B::CmdEmitOnly},
        {"*tK", "EmitOnly", &B::CmdEmitOnly},
        {"*vT", "SelectCurrentPattern", &B::CmdSelectCurrentPattern},
        {"*vN", "SourceTransparency", &B::CmdSourceTransparency},
        {"*vO", "PatternTransparency", &B::CmdPatternTransparency},
        {"*lO", "EmitOnly", &B::CmdEmitOnly},
        {"*vR", "EmitOnly", &B::CmdEmitOnly},
        {"*cA", "RectWidthDots", &B::CmdRectWidthDots},
        {"*cH", "RectWidthDecipoints", &B::CmdRectWidthDecipoints},
        {"*cB", "RectHeightDots", &B::CmdRectHeightDots},
        {"*cV", "RectHeightDecipoints", &B::CmdRectHeightDecipoints},
        {"*cP", "FillRectangle", &B::CmdFillRectangle},
        {"*cG", "PatternID", &B::CmdPatternID},
        {"*cW", "EmitOnly", &B::CmdEmitOnly},
        {"*cQ", "EmitOnly", &B::CmdEmitOnly},
        {"*pR", "EmitOnly", &B::CmdEmitOnly},
        {"&fY", "MacroID", &B::CmdMacroID},
        {"&fX", "MacroControl", &B::CmdMacroControl},
        {"*sT", "EmitOnly", &B::CmdEmitOnly},
        {"*sU", "EmitOnly", &B::CmdEmitOnly},
        {"*sI", "EmitOnly", &B::CmdEmitOnly},
        {"&rF", "EmitOnly", &B::CmdEmitOnly},
        {"*sM", "EmitOnly", &B::CmdEmitOnly},
        {"*sX", "EmitOnly", &B::CmdEmitOnly},
        {"&sC", "EmitOnly", &B::CmdEmitOnly},
        {"Y", "EmitOnly", &B::CmdEmitOnly},
        {"Z", "EmitOnly", &B::CmdEmitOnly},
        {"%A", "EnterPcl", &B::CmdEnterPcl},
        {"%B", "EnterHpgl", &B::CmdEnterHpgl},
        {"*cK", "PlotWidth", &B::CmdPlotWidth},
        {"*cL", "PlotHeight", &B::CmdPlotHeight},
        {"*cT", "PictureFrameAnchor", &B::CmdPictureFrameAnchor},
        {"*cX", "PictureFrameWidth", &B::CmdPictureFrameWidth},
        {"*cY", "PictureFrameHeight", &B::CmdPictureFrameHeight},
        {"(sZ", "SignatureBox", &B::CmdSignatureBox},
    };
    return entries;
}

TPCLBuffer::TPCLBuffer() {
    for (const TCommandEntry& e : CommandEntries())
        Commands.Register(e.Key, e.Handler);
}

std::string_view TPCLBuffer::HandlerName(TPCLHandler handler) {
    if (handler == &TPCLBuffer::CmdUnknown)
        return "Unknown";
    for (const TCommandEntry& e : CommandEntries())
        if (e.Handler == handler)
            return e.Name;
    return {};
}

int32_t TPCLBuffer::UnitsToDots(int32_t units) const {
    if (Page.UnitOfMeasure <= 0 || Page.UnitOfMeasure == 300)
        return units;
    return RoundHalfEven(double(units) * 300.0 / Page.UnitOfMeasure);
}

int32_t TPCLBuffer::LineAdvance() const {
    return Page.LinesPerInch == 0 ? 0 : 300 / Page.LinesPerInch;
}

void TPCLBuffer::CmdEmitOnly(std::string_view command) {
    EmitCommand(command);
}

void TPCLBuffer::CmdUnknown(std::string_view command) {
    EmitCommand(command);
}

// A printer reset puts the modal state back and deletes the temporary fonts and macros; the
// permanent ones stay. The page's orientation and paper stay with the page being drawn.
void TPCLBuffer::CmdPrinterReset(std::string_view command) {
    EmitCommand(command);
    ResetModalState();
    std::erase_if(SoftFonts, [](const auto& f) { return !f.second->Permanent; });
    std::erase_if(Macros, [](const auto& m) { return !m.second->Permanent; });
}

void TPCLBuffer::CmdSimplexDuplex(std::string_view command) {
    EmitCommand(command);
    Page.DuplexMode = IntegerValue(command);
}

void TPCLBuffer::CmdUnitOfMeasure(std::string_view command) {
    EmitCommand(command);
    Page.UnitOfMeasure = int16_t(IntegerValue(command));
}

// A page-size command after a letter or legal one starts a new page; the command opens it.
void TPCLBuffer::CmdPageSize(std::string_view command) {
    if (!Page.PagePaperCode.empty())
        EndPage(true);
    Page.PaperCode.clear();
    Page.PagePaperCode.clear();
    Page.PageSizeCode = int16_t(IntegerValue(command));
    if (Page.PageSizeCode == 2 || Page.PageSizeCode == 3)
        Page.PaperCode = Page.PagePaperCode = Page.PageSizeCode == 2 ? "LTR" : "LGL";
    if (Rendering())
        FitPageToOrientation();
    ResetPageState();
    EmitCommand(command);
}

void TPCLBuffer::CmdOrientation(std::string_view command) {
    EmitCommand(command);
    Page.Orientation = uint8_t(IntegerValue(command));
    if (Rendering())
        FitPageToOrientation();
}

// The page being drawn takes its finished size as soon as paper and orientation are known, so
// that nothing drawn before the page is finished falls outside an interim size; the order of
// the orientation and page-size commands does not matter.
void TPCLBuffer::FitPageToOrientation() {
    const bool landscape = Page.Orientation == 1;
    if (!Page.PagePaperCode.empty() && (landscape || Page.Orientation == 0)) {
        const TPageSize size = FinishedPageSize(IsLetterPaper(Page.PagePaperCode), landscape);
        Device().ResizePage(size.Width, size.Height);
        return;
    }
    if (landscape && Device().PageHeight() > Device().PageWidth())
        Device().ResizePage(Device().PageHeight(), Device().PageWidth());
}

void TPCLBuffer::CmdTopMargin(std::string_view command) {
    EmitCommand(command);
    const int32_t lines = IntegerValue(command);
    Page.TopMargin = int16_t(lines);
    if (Page.LinesPerInch != 0)
        Page.TopMargin = int16_t(RoundHalfEven(double(lines) / Page.LinesPerInch * 300.0));
}

void TPCLBuffer::CmdTextLength(std::string_view command) {
    EmitCommand(command);
    Page.PageLength = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdLeftMargin(std::string_view command) {
    EmitCommand(command);
    Page.LeftOffset = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdRightMargin(std::string_view command) {
    EmitCommand(command);
    Page.RightMargin = int16_t(IntegerValue(command));
}

// ESC 9 puts both horizontal margins back where the reset has them.
void TPCLBuffer::CmdClearHorizontalMargins(std::string_view command) {
    EmitCommand(command);
    Page.LeftOffset = 50;
    Page.RightMargin = 2400;
}

void TPCLBuffer::CmdHorizontalMotionIndex(std::string_view command) {
    EmitCommand(command);
    Page.HMI = RealValue(command);
    Font.PrimarySpacing = 0;
}

void TPCLBuffer::CmdVerticalMotionIndex(std::string_view command) {
    EmitCommand(command);
    const int32_t value = IntegerValue(command);
    Page.VMI = int16_t(value);
    if (value != 0)
        Page.LinesPerInch = 48 / value;
}

void TPCLBuffer::CmdLinesPerInch(std::string_view command) {
    EmitCommand(command);
    Page.LinesPerInch = IntegerValue(command);
}

// Rows are line-feed advances. Row 0 is the first line, where the reset puts the cursor;
// a relative move goes down for positive values like every other vertical move.
void TPCLBuffer::CmdVerticalPositionRows(std::string_view command) {
    EmitCommand(command);
    Raster.RasterRowCount = 0;
    const int32_t advance = LineAdvance();
    const int32_t amount = RoundHalfEven(RealValue(command) * advance);
    if (IsRelative(command))
        Page.CursorY = Wrap32(int64_t(Page.CursorY) + amount);
    else
        Page.CursorY = Wrap32(int64_t(RoundHalfEven(advance * 0.75)) + 150 + amount);
}

void TPCLBuffer::CmdVerticalPositionUnits(std::string_view command) {
    EmitCommand(command);
    const int32_t dots = UnitsToDots(IntegerValue(command));
    Page.CursorY = IsRelative(command) ? Wrap32(int64_t(Page.CursorY) + dots) : dots;
    Raster.RasterRowCount = 0;
}

void TPCLBuffer::CmdVerticalPositionDecipoints(std::string_view command) {
    EmitCommand(command);
    const int32_t dots = DecipointsToDots(RealValue(command));
    Page.CursorY = IsRelative(command) ? Wrap32(int64_t(Page.CursorY) + dots) : dots;
    Raster.RasterRowCount = 0;
}

void TPCLBuffer::CmdHorizontalPositionUnits(std::string_view command) {
    EmitCommand(command);
    const int32_t oldX = Page.CursorX;
    const int32_t dots = UnitsToDots(IntegerValue(command));
    Page.CursorX = IsRelative(command) ? Wrap32(int64_t(oldX) + dots) : dots;
    // Floating underline: the move itself is underlined.
    if (Rendering() && Font.Underline) {
        const int y = ClampInt(int64_t(Page.TopMargin) + Page.CursorY + 5);
        Device().DrawLine(ClampInt(int64_t(Page.LeftOffset) + oldX), y,
                          ClampInt(int64_t(Page.LeftOffset) + Page.CursorX), y, 2, 0);
    }
}

void TPCLBuffer::CmdHorizontalPositionDecipoints(std::string_view command) {
    EmitCommand(command);
    const int32_t dots = DecipointsToDots(RealValue(command));
    Page.CursorX = IsRelative(command) ? Wrap32(int64_t(Page.CursorX) + dots) : dots;
}

// ESC = moves down half a line, as a line feed moves a whole one.
void TPCLBuffer::CmdHalfLineFeed(std::string_view command) {
    EmitCommand(command);
    if (Rendering())
        Page.CursorY = Wrap32(int64_t(Page.CursorY) + LineAdvance() / 2);
}

void TPCLBuffer::CmdPushPopPosition(std::string_view command) {
    EmitCommand(command);
    const int32_t value = IntegerValue(command);
    if (value == 0 && Page.PositionStack.size() < kMaxPositionStack) {
        Page.PositionStack.emplace_back(Page.CursorX, Page.CursorY);
    } else if (value == 1 && !Page.PositionStack.empty()) {
        Page.CursorX = Page.PositionStack.back().first;
        Page.CursorY = Page.PositionStack.back().second;
        Page.PositionStack.pop_back();
    }
}

void TPCLBuffer::CmdPrimarySymbolSet(std::string_view command) {
    EmitCommand(command);
    Font.PrimarySymbolSet = int16_t(IntegerValue(command));
    Font.SelectedFont = -1;
}

void TPCLBuffer::CmdSecondarySymbolSet(std::string_view command) {
    EmitCommand(command);
    Font.SecondarySymbolSet = int16_t(IntegerValue(command));
    Font.SelectedFont = -1;
}

void TPCLBuffer::CmdPrimarySpacing(std::string_view command) {
    EmitCommand(command);
    Font.PrimarySpacing = uint8_t(IntegerValue(command));
}

void TPCLBuffer::CmdSecondarySpacing(std::string_view command) {
    EmitCommand(command);
    Font.SecondarySpacing = uint8_t(IntegerValue(command));
}

void TPCLBuffer::CmdPitch(std::string_view command) {
    EmitCommand(command);
    Font.PrimaryPitch = uint16_t(IntegerValue(command));
}

void TPCLBuffer::CmdHeight(std::string_view command) {
    EmitCommand(command);
    const double height = RealValue(command);
    Font.PrimaryHeight = height == 0 ? 12.0 : height;
}

void TPCLBuffer::CmdPrimaryStyle(std::string_view command) {
    EmitCommand(command);
    Font.PrimaryStyle = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdSecondaryStyle(std::string_view command) {
    EmitCommand(command);
    Font.SecondaryStyle = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdPrimaryStrokeWeight(std::string_view command) {
    EmitCommand(command);
    Font.PrimaryStrokeWeight = uint8_t(IntegerValue(command));
}

void TPCLBuffer::CmdSecondaryStrokeWeight(std::string_view command) {
    EmitCommand(command);
    Font.SecondaryStrokeWeight = uint8_t(IntegerValue(command));
}

void TPCLBuffer::CmdPrimaryTypeface(std::string_view command) {
    EmitCommand(command);
    Font.PrimaryTypeface = uint16_t(IntegerValue(command));
}

void TPCLBuffer::CmdSecondaryTypeface(std::string_view command) {
    EmitCommand(command);
    Font.SecondaryTypeface = uint16_t(IntegerValue(command));
}

void TPCLBuffer::CmdUnderlineEnable(std::string_view command) {
    EmitCommand(command);
    Font.Underline = true;
}

void TPCLBuffer::CmdUnderlineDisable(std::string_view command) {
    EmitCommand(command);
    Font.Underline = false;
}

void TPCLBuffer::CmdAssignFontID(std::string_view command) {
    EmitCommand(command);
    Font.FontID = uint16_t(IntegerValue(command));
}

// Font control: 0 deletes every soft font, 1 the temporary ones, 2 the font of the current
// identifier, 3 its glyph of the current character code; 4 and 5 make that font temporary or
// permanent. Text selected in a deleted font goes back to the system fonts.
void TPCLBuffer::CmdFontControl(std::string_view command) {
    EmitCommand(command);
    switch (IntegerValue(command)) {
    case 0:
        SoftFonts.clear();
        break;
    case 1:
        std::erase_if(SoftFonts, [](const auto& f) { return !f.second->Permanent; });
        break;
    case 2:
        SoftFonts.erase(Font.FontID);
        break;
    case 3:
        if (TSoftFont* font = MutableSoftFont(Font.FontID))
            font->DeleteGlyph(Font.CharacterCode);
        break;
    case 4:
    case 5:
        if (TSoftFont* font = MutableSoftFont(Font.FontID))
            font->Permanent = IntegerValue(command) == 5;
        break;
    default:
        break;
    }
    CurrentSoftFont = nullptr;
    if (Font.SelectedFont >= 0 && SoftFonts.count(uint16_t(Font.SelectedFont)) == 0)
        Font.SelectedFont = -1;
}

void TPCLBuffer::CmdSelectFontByID(std::string_view command) {
    EmitCommand(command);
    Font.SelectedFont = uint16_t(IntegerValue(command));
}

void TPCLBuffer::CmdFontDescriptor(std::string_view command) {
    EmitCommand(command);
    AnnouncedHeader = true;
}

void TPCLBuffer::CmdDownloadCharacter(std::string_view command) {
    EmitCommand(command);
    AnnouncedGlyph = true;
}

void TPCLBuffer::CmdCharacterCode(std::string_view command) {
    EmitCommand(command);
    Font.CharacterCode = uint8_t(IntegerValue(command));
}

void TPCLBuffer::CmdRasterResolution(std::string_view command) {
    EmitCommand(command);
    Raster.RasterResolution = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdRasterPresentation(std::string_view command) {
    EmitCommand(command);
    Raster.RasterPresentation = uint16_t(IntegerValue(command, 3));
}

void TPCLBuffer::CmdStartRaster(std::string_view command) {
    EmitCommand(command);
    Raster.RasterRowCount = 0;
    Raster.SeedRow.clear();
}

void TPCLBuffer::CmdCompressionMode(std::string_view command) {
    EmitCommand(command);
    Raster.CompressionMode = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdTransferRasterRow(std::string_view command) {
    EmitCommand(command);
    ++Raster.RasterRowCount;
}

void TPCLBuffer::CmdEndRaster(std::string_view command) {
    EmitCommand(command);
    Raster.RasterRowCount = 0;
    Raster.SeedRow.clear();
}

// Skips rows, as printers do: the raster position moves down (left in the other
// orientations) by the number of rows, and the seed row is cleared. Drivers skip blank rows
// of delta-row images this way.
void TPCLBuffer::CmdRasterYOffset(std::string_view command) {
    EmitCommand(command);
    AdvanceRasterRows(IntegerValue(command));
    Raster.SeedRow.clear();
}

void TPCLBuffer::CmdSelectCurrentPattern(std::string_view command) {
    EmitCommand(command);
    Raster.CurrentPattern = uint16_t(IntegerValue(command));
}

void TPCLBuffer::CmdSourceTransparency(std::string_view command) {
    EmitCommand(command);
    Raster.SourceTransparent = IntegerValue(command) == 0;
}

void TPCLBuffer::CmdPatternTransparency(std::string_view command) {
    EmitCommand(command);
    Raster.PatternTransparent = IntegerValue(command) == 0;
}

void TPCLBuffer::CmdRectWidthDots(std::string_view command) {
    EmitCommand(command);
    Raster.RectWidth = uint16_t(UnitsToDots(IntegerValue(command)));
}

void TPCLBuffer::CmdRectWidthDecipoints(std::string_view command) {
    EmitCommand(command);
    Raster.RectWidth = uint16_t(DecipointsToDots(RealValue(command)));
}

void TPCLBuffer::CmdRectHeightDots(std::string_view command) {
    EmitCommand(command);
    Raster.RectHeight = uint16_t(UnitsToDots(IntegerValue(command)));
}

void TPCLBuffer::CmdRectHeightDecipoints(std::string_view command) {
    EmitCommand(command);
    Raster.RectHeight = uint16_t(DecipointsToDots(RealValue(command)));
}

// A filled rectangle marks the page, drawn or not, like printable text does.
void TPCLBuffer::CmdFillRectangle(std::string_view command) {
    EmitCommand(command);
    if (Raster.RectWidth != 0 && Raster.RectHeight != 0 && !DefiningMacro)
        PageHasContent = true;
    if (Rendering())
        FillRectangle(IntegerValue(command));
}

void TPCLBuffer::CmdPatternID(std::string_view command) {
    EmitCommand(command);
    Raster.PatternID = int16_t(IntegerValue(command));
}

void TPCLBuffer::CmdMacroID(std::string_view command) {
    EmitCommand(command);
    Page.MacroID = uint16_t(IntegerValue(command));
}

void TPCLBuffer::CmdMacroControl(std::string_view command) {
    EmitCommand(command);
    switch (IntegerValue(command)) {
    case 0:
        DefiningMacro = true;
        MacroStream = std::make_unique<THLWMemorystream>();
        break;
    case 1:
        if (DefiningMacro && MacroStream)
            Macros[Page.MacroID] =
                std::make_shared<const TStoredMacro>(TStoredMacro{std::string(MacroStream->View()), false});
        DefiningMacro = false;
        MacroStream.reset();
        break;
    case 2:
        ExecuteMacro();
        break;
    case 6:
        Macros.clear();
        break;
    case 7:
        std::erase_if(Macros, [](const auto& m) { return !m.second->Permanent; });
        break;
    case 8:
        Macros.erase(Page.MacroID);
        break;
    case 9:
    case 10:
        // A stored macro is shared with the page snapshots: a changed one is a new one.
        if (auto it = Macros.find(Page.MacroID); it != Macros.end())
            it->second = std::make_shared<const TStoredMacro>(
                TStoredMacro{it->second->Body, IntegerValue(command) == 10});
        break;
    default:
        break;
    }
}

// ESC(s x1.y1.x2.y2 Z: the value part split at the points.
void TPCLBuffer::CmdSignatureBox(std::string_view command) {
    EmitCommand(command);
    const std::string_view values = command.size() > 4 ? command.substr(3, command.size() - 4) : "";
    const std::vector<std::string> fields = Split(values, ".");
    auto field = [&](size_t i) { return i < fields.size() ? StrToIntDef(fields[i], 0) : 0; };
    const bool draw = Out && ((RenderThisStream && !Page.PrintMode) || (RenderFirstPage && PageList.empty()));
    if (draw)
        SignatureBox(field(0), field(1), field(2), field(3));
}

} // namespace pg

namespace pg {

// The next n bytes are characters of the current font, control codes included.
void TPCLBuffer::CmdTransparentData(std::string_view command) {
    EmitCommand(command);
    TransparentBytes = std::max(0, IntegerValue(command));
}

// ESC%1B takes the pen to the PCL cursor; ESC%0B leaves it where HP-GL/2 last had it.
void TPCLBuffer::CmdEnterHpgl(std::string_view command) {
    EmitCommand(command);
    HpglMode = true;
    if (IntegerValue(command) % 2 != 0)
        Hpgl.Pen =
            Hpgl.FromPage({double(Page.LeftOffset) + Page.CursorX, double(Page.TopMargin) + Page.CursorY});
}

// ESC%1A takes the PCL cursor to the pen; ESC%0A leaves it where PCL had it.
void TPCLBuffer::CmdEnterPcl(std::string_view command) {
    EmitCommand(command);
    HpglMode = false;
    if (IntegerValue(command) % 2 == 0)
        return;
    const THPGLPoint at = Hpgl.ToPage(Hpgl.Pen);
    Page.CursorX = int32_t(std::clamp<double>(std::round(at.X) - Page.LeftOffset, INT32_MIN, INT32_MAX));
    Page.CursorY = int32_t(std::clamp<double>(std::round(at.Y) - Page.TopMargin, INT32_MIN, INT32_MAX));
}

// The picture frame (decipoints) and its anchor (the cursor, ESC*c0T): HP-GL/2 plots into it.
void TPCLBuffer::CmdPictureFrameWidth(std::string_view command) {
    EmitCommand(command);
    Hpgl.SetFrame(Hpgl.FrameLeft, Hpgl.FrameTop, std::abs(RealValue(command)) * 300.0 / 720.0,
                  Hpgl.FrameHeight);
}

void TPCLBuffer::CmdPictureFrameHeight(std::string_view command) {
    EmitCommand(command);
    Hpgl.SetFrame(Hpgl.FrameLeft, Hpgl.FrameTop, Hpgl.FrameWidth,
                  std::abs(RealValue(command)) * 300.0 / 720.0);
}

void TPCLBuffer::CmdPictureFrameAnchor(std::string_view command) {
    EmitCommand(command);
    if (IntegerValue(command) == 0)
        Hpgl.SetFrame(double(Page.LeftOffset) + Page.CursorX, double(Page.TopMargin) + Page.CursorY,
                      Hpgl.FrameWidth, Hpgl.FrameHeight);
}

// The plot size (inches) that the picture frame scales to.
void TPCLBuffer::CmdPlotWidth(std::string_view command) {
    EmitCommand(command);
    Hpgl.PlotWidthInches = std::clamp(RealValue(command), 0.0, 1000.0);
    Hpgl.SetFrame(Hpgl.FrameLeft, Hpgl.FrameTop, Hpgl.FrameWidth, Hpgl.FrameHeight);
}

void TPCLBuffer::CmdPlotHeight(std::string_view command) {
    EmitCommand(command);
    Hpgl.PlotHeightInches = std::clamp(RealValue(command), 0.0, 1000.0);
    Hpgl.SetFrame(Hpgl.FrameLeft, Hpgl.FrameTop, Hpgl.FrameWidth, Hpgl.FrameHeight);
}

} // namespace pg
