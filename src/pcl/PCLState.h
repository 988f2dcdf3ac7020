#pragma once
// The PCL interpreter's state as plain values. TPCLGraphicsState is everything the drawing of
// a page depends on: cursor, margins, spacing, unit, orientation and paper; the font
// selection; the raster, rectangle and pattern settings; the HP-GL/2 plotter; and the soft
// fonts and macros in force. It is copied whole to remember where a page begins and assigned
// back to draw or re-emit that page alone.

#include "HPGL.h"
#include "PCLPatterns.h"
#include "SoftFont.h"

#include <array>
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
    // The print direction (`&a#P`) in quarter turns counterclockwise: the cursor's axes turn
    // with it (TPCLInterpreter::PagePoint).
    uint8_t PrintDirection = 0;
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

// The left edge of the logical page, the pattern reference point's reset value.
inline constexpr int32_t kLogicalPageLeft = 50;

// Raster, pattern and rectangle state.
struct TPCLRasterState {
    int16_t RasterResolution = 300;
    int16_t CompressionMode = 0;
    uint16_t RasterPresentation = 0;
    uint16_t RasterRowCount = 0;
    uint16_t RectWidth = 0;
    uint16_t RectHeight = 0;
    int16_t PatternID = 0;
    // The current pattern (`*v#T`: 0 black, 1 white, 2 shading, 3 cross-hatch, 4 user-defined)
    // and the identifier it was chosen with: the shading or pattern `*c#G` held then.
    uint16_t CurrentPattern = 0;
    int16_t CurrentPatternID = 0;
    bool SourceTransparent = true;
    bool PatternTransparent = true;
    // The logical operation of source, pattern and page (`*l#O`).
    uint8_t LogicalOperation = 252;
    // The pattern reference point (`*p#R`) in page pixels (the logical page's top left until
    // set), and whether patterns turn with the print direction.
    int32_t PatternRefX = kLogicalPageLeft;
    int32_t PatternRefY = 0;
    bool PatternsTurn = true;
    // The source raster width (`*r#S`) in pixels; 0 runs a row to the page's right edge.
    int32_t RasterWidth = 0;
    // The last decoded raster row, which a delta row patches; cleared when raster graphics
    // start or end and by vertical moves.
    std::vector<uint8_t> SeedRow;

    // The state a page reset leaves: everything back to its reset value except the
    // presentation mode, the pattern identifier and the print model (current pattern,
    // transparency, logical operation, reference point), which carry over from page to page
    // until a printer reset.
    TPCLRasterState AfterPageReset() const;
    // The print model back to its reset values.
    void ResetPrintModel();
};

// A pattern the stream downloaded (`*c#W`): its definition as sent, for a page that stands on
// its own, and its pixels.
struct TUserPattern {
    std::string Definition;
    std::shared_ptr<const TPatternTile> Tile;
    bool Permanent = false;
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

// A colour palette: its colour space, how image data addresses it and the entries it holds.
struct TPCLPalette {
    static constexpr uint32_t kWhite = 0x00FFFFFF;
    static constexpr uint32_t kBlack = 0;
    // The largest palette: eight bits an index.
    static constexpr int kMaxBitsPerIndex = 8;

    // 0 RGB (components are light), 1 CMY (components are ink).
    uint8_t ColourSpace = 0;
    // Pixel encoding of image data: 0 indexed by plane, 1 indexed by pixel, 2 and 3 direct.
    uint8_t Encoding = 0;
    uint8_t BitsPerIndex = 1;
    // The component values that stand for white and for black, per primary.
    std::array<double, 3> WhiteReference{255, 255, 255};
    std::array<double, 3> BlackReference{0, 0, 0};
    // Entries as 0x00BBGGRR colours, 2^BitsPerIndex of them.
    std::vector<uint32_t> Entries{kWhite, kBlack};
    // Made by simple colour mode (`*r#U`): its entries are fixed.
    bool Simple = false;
    // The simple colour mode it was made by (1, 3 or -3); 0 when configured by image data.
    int8_t SimpleMode = 1;

    // The entries of a new palette of bitsPerIndex bits in RGB or CMY.
    static std::vector<uint32_t> DefaultEntries(int bitsPerIndex, bool cmy);
    // The palette of simple colour mode 1 (black and white), 3 (RGB) or -3 (CMY).
    static TPCLPalette SimpleColour(int mode);
    // The colour of the components (light for RGB, ink for CMY) scaled by the references.
    uint32_t ColourOf(const std::array<double, 3>& components) const;
    // The entry at index, wrapped into the palette.
    uint32_t Entry(int64_t index) const {
        return Entries.empty()
                   ? kBlack
                   : Entries[size_t(((index % int64_t(Entries.size())) + int64_t(Entries.size())) %
                                    int64_t(Entries.size()))];
    }
};

// PCL colour: the palette in force, the components given for the next entry, the foreground
// colour, and the palettes pushed or stored by identifier.
struct TPCLColourState {
    static constexpr size_t kMaxPushed = 32;
    static constexpr size_t kMaxStored = 64;

    TPCLPalette Palette;
    std::array<double, 3> Components{0, 0, 0};
    // The foreground colour (`*v#S`): the entry's colour when it was chosen, and its index.
    uint32_t Foreground = TPCLPalette::kBlack;
    int32_t ForegroundIndex = 1;
    // A colour command was seen since the printer reset: pens take their colours from the palette.
    bool ColourMode = false;
    std::vector<TPCLPalette> Pushed;
    std::map<int32_t, TPCLPalette> Stored;
    int32_t PaletteID = 0;
    int32_t ControlID = 0;
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
    // User-defined patterns by identifier; shared with the page starts like the macros.
    std::map<int16_t, std::shared_ptr<const TUserPattern>> Patterns;
    // Palettes and the foreground colour.
    TPCLColourState Colour;

    // This state as a page that begins here starts from it: without the raster transfer
    // that may be in progress (a page reset's raster state).
    TPCLGraphicsState AtPageStart() const;
};

} // namespace pg
