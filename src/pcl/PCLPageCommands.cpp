// The page and cursor commands: printer reset, paper and orientation, margins, spacing and
// positioning, and the job, status and display commands that only emit themselves.

#include "PCLCommandFamilies.h"
#include "PCLInterpreter.h"
#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>

namespace pg {

namespace {

// A printer reset ends a page that has marks on it, as a printer ejects it, and begins the next
// page. It puts the modal state back and deletes the temporary fonts and macros; the permanent
// ones stay. The page's orientation and paper stay with the page being drawn.
void CmdPrinterReset(TPCLInterpreter& ip, std::string_view command) {
    // A page the reset does not end keeps its marks.
    const bool marked = ip.PageHasContent && !ip.EndMarkedPage();
    ip.Emit(command);
    ip.ResetModalState();
    ip.PageHasContent = marked;
    std::erase_if(ip.State.SoftFonts, [](const auto& f) { return !f.second->Permanent; });
    std::erase_if(ip.State.Macros, [](const auto& m) { return !m.second->Permanent; });
}

void CmdSimplexDuplex(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.DuplexMode = IntegerValue(command);
}

void CmdUnitOfMeasure(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.UnitOfMeasure = int16_t(IntegerValue(command));
}

// The page being drawn takes its finished size as soon as paper and orientation are known, so
// that nothing drawn before the page is finished falls outside an interim size; the order of
// the orientation and page-size commands does not matter.
void FitPageToOrientation(TPCLInterpreter& ip) {
    const TPCLPageState& page = ip.State.Page;
    TPCLDevice& device = ip.Device();
    const bool landscape = page.Orientation == 1;
    if (!page.PagePaperCode.empty() && (landscape || page.Orientation == 0)) {
        const TPCLPageSize size = FinishedPageSize(IsLetterPaper(page.PagePaperCode), landscape);
        device.ResizePage(size.Width, size.Height);
        return;
    }
    if (landscape && device.PageHeight() > device.PageWidth())
        device.ResizePage(device.PageHeight(), device.PageWidth());
}

// A page-size command after a letter or legal one starts a new page; the command opens it.
void CmdPageSize(TPCLInterpreter& ip, std::string_view command) {
    TPCLPageState& page = ip.State.Page;
    if (!page.PagePaperCode.empty())
        ip.EndPage(true);
    page.PaperCode.clear();
    page.PagePaperCode.clear();
    page.PageSizeCode = int16_t(IntegerValue(command));
    if (page.PageSizeCode == 2 || page.PageSizeCode == 3)
        page.PaperCode = page.PagePaperCode = page.PageSizeCode == 2 ? "LTR" : "LGL";
    if (ip.Rendering())
        FitPageToOrientation(ip);
    ip.ResetPageState();
    ResetPictureFrame(ip);
    ip.Emit(command);
}

void CmdOrientation(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.Orientation = uint8_t(IntegerValue(command));
    if (ip.Rendering())
        FitPageToOrientation(ip);
    ResetPictureFrame(ip);
}

// 0, 90, 180 or 270 degrees counterclockwise; other values change nothing.
void CmdPrintDirection(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t degrees = IntegerValue(command, -1);
    if (degrees >= 0 && degrees <= 270 && degrees % 90 == 0)
        ip.SetPrintDirection(uint8_t(degrees / 90));
}

void CmdTopMargin(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLPageState& page = ip.State.Page;
    const int32_t lines = IntegerValue(command);
    page.TopMargin = int16_t(lines);
    if (page.LinesPerInch != 0)
        page.TopMargin = int16_t(RoundHalfEven(double(lines) / page.LinesPerInch * 300.0));
}

void CmdTextLength(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.PageLength = int16_t(IntegerValue(command));
}

void CmdLeftMargin(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.LeftOffset = int16_t(IntegerValue(command));
}

void CmdRightMargin(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.RightMargin = int16_t(IntegerValue(command));
}

// ESC 9 puts both horizontal margins back where the reset has them.
void CmdClearHorizontalMargins(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.LeftOffset = 50;
    ip.State.Page.RightMargin = 2400;
}

void CmdHorizontalMotionIndex(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.HMI = RealValue(command);
    ip.State.Font.PrimarySpacing = 0;
}

void CmdVerticalMotionIndex(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t value = IntegerValue(command);
    ip.State.Page.VMI = int16_t(value);
    if (value != 0)
        ip.State.Page.LinesPerInch = 48 / value;
}

void CmdLinesPerInch(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Page.LinesPerInch = IntegerValue(command);
}

// Rows are line-feed advances. Row 0 is the first line, where the reset puts the cursor;
// a relative move goes down for positive values like every other vertical move.
void CmdVerticalPositionRows(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    ip.State.Raster.RasterRowCount = 0;
    const int32_t advance = ip.LineAdvance();
    const int32_t amount = RoundHalfEven(RealValue(command) * advance);
    TPCLPageState& page = ip.State.Page;
    if (IsRelative(command))
        page.CursorY = Wrap32(int64_t(page.CursorY) + amount);
    else
        page.CursorY = Wrap32(int64_t(RoundHalfEven(advance * 0.75)) + 150 + amount);
}

void CmdVerticalPositionUnits(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t dots = ip.UnitsToDots(IntegerValue(command));
    TPCLPageState& page = ip.State.Page;
    page.CursorY = IsRelative(command) ? Wrap32(int64_t(page.CursorY) + dots) : dots;
    ip.State.Raster.RasterRowCount = 0;
}

void CmdVerticalPositionDecipoints(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t dots = DecipointsToDots(RealValue(command));
    TPCLPageState& page = ip.State.Page;
    page.CursorY = IsRelative(command) ? Wrap32(int64_t(page.CursorY) + dots) : dots;
    ip.State.Raster.RasterRowCount = 0;
}

void CmdHorizontalPositionUnits(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLPageState& page = ip.State.Page;
    const int32_t oldX = page.CursorX;
    const int32_t dots = ip.UnitsToDots(IntegerValue(command));
    page.CursorX = IsRelative(command) ? Wrap32(int64_t(oldX) + dots) : dots;
    // Floating underline: the move itself is underlined.
    if (ip.Rendering() && ip.State.Font.Underline) {
        const int y = ClampToInt(int64_t(page.TopMargin) + page.CursorY + 5);
        ip.Device().DrawLine(ClampToInt(int64_t(page.LeftOffset) + oldX), y,
                             ClampToInt(int64_t(page.LeftOffset) + page.CursorX), y, 2, 0);
    }
}

void CmdHorizontalPositionDecipoints(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    const int32_t dots = DecipointsToDots(RealValue(command));
    TPCLPageState& page = ip.State.Page;
    page.CursorX = IsRelative(command) ? Wrap32(int64_t(page.CursorX) + dots) : dots;
}

// ESC = moves down half a line, as a line feed moves a whole one.
void CmdHalfLineFeed(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    if (ip.Rendering())
        ip.State.Page.CursorY = Wrap32(int64_t(ip.State.Page.CursorY) + ip.LineAdvance() / 2);
}

void CmdPushPopPosition(TPCLInterpreter& ip, std::string_view command) {
    ip.Emit(command);
    TPCLPageState& page = ip.State.Page;
    const int32_t value = IntegerValue(command);
    if (value == 0 && page.PositionStack.size() < TPCLInterpreter::kMaxPositionStack) {
        page.PositionStack.emplace_back(page.CursorX, page.CursorY);
    } else if (value == 1 && !page.PositionStack.empty()) {
        page.CursorX = page.PositionStack.back().first;
        page.CursorY = page.PositionStack.back().second;
        page.PositionStack.pop_back();
    }
}

} // namespace

void AddPageCommands(TPCLCommandEntries& entries) {
    entries.insert(entries.end(),
                   {
                       {1, "E", "PrinterReset", &CmdPrinterReset},
                       {2, "&lX", "EmitOnly", &CmdEmitOnly},
                       {3, "&lS", "SimplexDuplex", &CmdSimplexDuplex},
                       {4, "&lU", "EmitOnly", &CmdEmitOnly},
                       {5, "&lZ", "EmitOnly", &CmdEmitOnly},
                       {6, "&aG", "EmitOnly", &CmdEmitOnly},
                       {7, "&lT", "EmitOnly", &CmdEmitOnly},
                       {8, "&lG", "EmitOnly", &CmdEmitOnly},
                       {9, "&uD", "UnitOfMeasure", &CmdUnitOfMeasure},
                       {10, "&oQ", "EmitOnly", &CmdEmitOnly},
                       {11, "&lM", "EmitOnly", &CmdEmitOnly},
                       {12, "&aN", "EmitOnly", &CmdEmitOnly},
                       {13, "&lH", "EmitOnly", &CmdEmitOnly},
                       {14, "&lA", "PageSize", &CmdPageSize},
                       {15, "&lO", "Orientation", &CmdOrientation},
                       {16, "&aP", "PrintDirection", &CmdPrintDirection},
                       {17, "&cT", "EmitOnly", &CmdEmitOnly},
                       {18, "&lE", "TopMargin", &CmdTopMargin},
                       {19, "&lF", "TextLength", &CmdTextLength},
                       {20, "&aL", "LeftMargin", &CmdLeftMargin},
                       {21, "&aM", "RightMargin", &CmdRightMargin},
                       {22, "&9", "ClearHorizontalMargins", &CmdClearHorizontalMargins},
                       {23, "&lL", "EmitOnly", &CmdEmitOnly},
                       {24, "&kH", "HorizontalMotionIndex", &CmdHorizontalMotionIndex},
                       {25, "&lC", "VerticalMotionIndex", &CmdVerticalMotionIndex},
                       {26, "&lD", "LinesPerInch", &CmdLinesPerInch},
                       {27, "&aR", "VerticalPositionRows", &CmdVerticalPositionRows},
                       {28, "*pY", "VerticalPositionUnits", &CmdVerticalPositionUnits},
                       {29, "&aV", "VerticalPositionDecipoints", &CmdVerticalPositionDecipoints},
                       {30, "&aC", "EmitOnly", &CmdEmitOnly},
                       {31, "*pX", "HorizontalPositionUnits", &CmdHorizontalPositionUnits},
                       {32, "&aH", "HorizontalPositionDecipoints", &CmdHorizontalPositionDecipoints},
                       {33, "=", "HalfLineFeed", &CmdHalfLineFeed},
                       {34, "&kG", "EmitOnly", &CmdEmitOnly},
                       {35, "&fS", "PushPopPosition", &CmdPushPopPosition},
                       // Status readback, end-of-line wrap and display functions.
                       {121, "*sT", "EmitOnly", &CmdEmitOnly},
                       {122, "*sU", "EmitOnly", &CmdEmitOnly},
                       {123, "*sI", "EmitOnly", &CmdEmitOnly},
                       {124, "&rF", "EmitOnly", &CmdEmitOnly},
                       {125, "*sM", "EmitOnly", &CmdEmitOnly},
                       {126, "*sX", "EmitOnly", &CmdEmitOnly},
                       {127, "&sC", "EmitOnly", &CmdEmitOnly},
                       {128, "Y", "EmitOnly", &CmdEmitOnly},
                       {129, "Z", "EmitOnly", &CmdEmitOnly},
                   });
}

} // namespace pg
