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
    return reset;
}

TPCLGraphicsState TPCLGraphicsState::AtPageStart() const {
    TPCLGraphicsState start{Page, Font, Raster.AfterPageReset(), HpglMode, Hpgl, SoftFonts, Macros};
    return start;
}

} // namespace pg
