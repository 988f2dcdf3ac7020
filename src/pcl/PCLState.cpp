#include "PCLState.h"

namespace pg {

TPCLPageSize FinishedPageSize(bool letter, bool landscape) {
    const int length = letter ? 3300 : 4200;
    return landscape ? TPCLPageSize{length, 2550} : TPCLPageSize{2450, length};
}

TPCLFontState TPCLFontState::Active() const {
    TPCLFontState active = *this;
    if (ShiftedOut) {
        active.PrimarySymbolSet = SecondarySymbolSet;
        active.PrimarySpacing = SecondarySpacing;
        active.PrimaryStyle = SecondaryStyle;
        active.PrimaryStrokeWeight = SecondaryStrokeWeight;
        active.PrimaryTypeface = SecondaryTypeface;
    }
    return active;
}

TPCLRasterState TPCLRasterState::AfterPageReset() const {
    TPCLRasterState reset;
    reset.RasterPresentation = RasterPresentation;
    reset.PatternID = PatternID;
    reset.CurrentPattern = CurrentPattern;
    reset.CurrentPatternID = CurrentPatternID;
    reset.SourceTransparent = SourceTransparent;
    reset.PatternTransparent = PatternTransparent;
    reset.LogicalOperation = LogicalOperation;
    reset.PatternRefX = PatternRefX;
    reset.PatternRefY = PatternRefY;
    reset.PatternsTurn = PatternsTurn;
    return reset;
}

void TPCLRasterState::ResetPrintModel() {
    const TPCLRasterState reset;
    CurrentPattern = reset.CurrentPattern;
    CurrentPatternID = reset.CurrentPatternID;
    SourceTransparent = reset.SourceTransparent;
    PatternTransparent = reset.PatternTransparent;
    LogicalOperation = reset.LogicalOperation;
    PatternRefX = reset.PatternRefX;
    PatternRefY = reset.PatternRefY;
    PatternsTurn = reset.PatternsTurn;
}

TPCLGraphicsState TPCLGraphicsState::AtPageStart() const {
    TPCLGraphicsState start{Page,     Font,  Raster.AfterPageReset(), HpglMode, Hpgl, SoftFonts, Macros,
                            Patterns, Colour};
    return start;
}

} // namespace pg
