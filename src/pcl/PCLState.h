#pragma once
// The PCL interpreter's state as plain values. TPCLGraphicsState is everything the drawing of
// a page depends on: cursor, margins, spacing, unit, orientation and paper; the font
// selection; the raster, rectangle and pattern settings; the HP-GL/2 plotter; and the soft
// fonts and macros in force. It is copied whole to remember where a page begins and assigned
// back to draw or re-emit that page alone.

#include "HPGL.h"
#include "SoftFont.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace pg {

// Positioning, margins, spacing, page size and orientation. Widths as the fields hold them.
struct TPCLPageState {
    int16_t TopMargin = 150;
    int16_t BottomLimit = 4050;
    int16_t LeftOffset = 50;
    int16_t RightMargin = 2400;
    int16_t PageLength = 4200;
    int16_t PageSizeCode = 3;
    int16_t UnitOfMeasure = 300;
    double HMI = 12.0;
    int32_t LinesPerInch = 6;
    int16_t VMI = 50;
    int32_t CursorY = 188;
    int32_t CursorX = 50;
    std::vector<std::pair<int32_t, int32_t>> PositionStack;
    int32_t DuplexMode = -1;
    uint8_t Orientation = 0;
    std::string PaperCode;
    std::string PagePaperCode;
    uint16_t MacroID = 0;
    bool PrintMode = false;
};

// Font selection and soft-font download state.
struct TPCLFontState {
    // Symbol set values, number * 32 + letter - 64 (SymbolSets.h); 277 is 8U, Roman-8.
    int16_t PrimarySymbolSet = 277;
    int16_t SecondarySymbolSet = 277;
    uint8_t PrimarySpacing = 0;
    uint8_t SecondarySpacing = 0;
    uint16_t PrimaryPitch = 30;
    uint16_t SecondaryPitch = 30;
    double PrimaryHeight = 12.0;
    double SecondaryHeight = 12.0;
    int16_t PrimaryStyle = 0;
    int16_t SecondaryStyle = 0;
    uint8_t PrimaryStrokeWeight = 0;
    uint8_t SecondaryStrokeWeight = 0;
    uint16_t PrimaryTypeface = 4099;
    uint16_t SecondaryTypeface = 4099;
    // The identifier that downloads and font control address (`*cD`).
    uint16_t FontID = 0;
    // The soft font selected by identifier (`(#X`); -1 while the system fonts are in use.
    int32_t SelectedFont = -1;
    uint8_t CharacterCode = 0;
    bool Underline = false;
    // Shift out (byte 14) puts text in the secondary font until shift in (byte 15).
    bool ShiftedOut = false;
    uint32_t FillColor = 0x00FF0000;

    // The font text is drawn in: this state, or with shift out its secondary attributes in the
    // primary fields (the height and pitch commands set the primary ones for both).
    TPCLFontState Active() const;
};

// Raster, pattern and rectangle state.
struct TPCLRasterState {
    int16_t RasterResolution = 300;
    int16_t CompressionMode = 0;
    uint16_t RasterPresentation = 0;
    uint16_t RasterRowCount = 0;
    uint16_t RectWidth = 0;
    uint16_t RectHeight = 0;
    int16_t PatternID = 0;
    uint16_t CurrentPattern = 0;
    bool SourceTransparent = true;
    bool PatternTransparent = true;
    // The last decoded raster row, which a delta row patches; cleared when raster graphics
    // start or end and by vertical moves.
    std::vector<uint8_t> SeedRow;

    // The state a page reset leaves: everything back to its reset value except the
    // presentation mode and the pattern identifier, which carry over from page to page.
    TPCLRasterState AfterPageReset() const;
};

// The size of a finished page in page pixels. A page is drawn as its logical page, so a
// landscape page gets a landscape page (11 or 14 inches wide, 8.5 high) and every caller
// (screen, `render`, driver printing) shows it whole; the driver turns it onto the sheet.
struct TPCLPageSize {
    int Width = 0;
    int Height = 0;
};
TPCLPageSize FinishedPageSize(bool letter, bool landscape);

// A macro as stored: its recorded bytes, and whether it survives a printer reset.
struct TStoredMacro {
    std::string Body;
    bool Permanent = false;
};

struct TPCLGraphicsState {
    TPCLPageState Page;
    TPCLFontState Font;
    TPCLRasterState Raster;
    // HP-GL/2: the scanner hands bytes to the plotter until PCL mode returns.
    bool HpglMode = false;
    THPGLState Hpgl;
    // Soft fonts by identifier (a later header under an identifier replaces the font) and
    // macros by identifier. Both are shared with the copies kept for page starts: a stored
    // macro is never changed, and a shared font is copied before it changes.
    std::map<uint16_t, std::shared_ptr<TSoftFont>> SoftFonts;
    std::map<uint16_t, std::shared_ptr<const TStoredMacro>> Macros;

    // This state as a page that begins here starts from it: without the raster transfer
    // that may be in progress (a page reset's raster state).
    TPCLGraphicsState AtPageStart() const;
};

} // namespace pg
