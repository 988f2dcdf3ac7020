#pragma once
// TPCLBuffer: the PCL 5 interpreter. It scans a stream of PCL bytes into text runs and escape
// sequences, splits each sequence into single commands, runs each command's handler from the
// command table, cuts the stream into pages, re-emits everything it understood (per page and
// as a whole) and, while rendering, draws the page through an output device onto a 300 dpi
// page bitmap.
//
// One interpreter serves one task: load, parse once, then ask for pages, bitmaps or output.

#include "HLWStream.h"
#include "HPGL.h"
#include "PCLCommandList.h"
#include "PCLDevice.h"
#include "PageBitmap.h"
#include "SoftFont.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
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
    uint32_t FillColor = 0x00FF0000;
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
};

// A macro as stored: its recorded bytes, and whether it survives a printer reset.
struct TStoredMacro {
    std::string Body;
    bool Permanent = false;
};

class TPCLBuffer {
public:
    // Macro calls nest at most this deep (a macro may call one more); deeper calls are ignored.
    static constexpr int kMaxMacroDepth = 2;
    // Pushed cursor positions kept at most, as printers do.
    static constexpr size_t kMaxPositionStack = 20;

    TPCLBuffer();
    ~TPCLBuffer();
    TPCLBuffer(const TPCLBuffer&) = delete;
    TPCLBuffer& operator=(const TPCLBuffer&) = delete;

    // InputStream := a copy of the stream's bytes.
    void LoadFromStream(const THLWMemorystream& stream);
    // InputStream := the file's bytes; throws std::runtime_error when it cannot be read.
    void LoadFromFile(const std::string& fileName);
    // Writes InputStream to the file; throws std::runtime_error when it cannot be written.
    void SaveToFile(const std::string& fileName) const;
    // Writes the bytes at InputStream's position (on a fresh interpreter: appends).
    void AppendData(const void* bytes, size_t length);
    void AppendData(std::string_view bytes) { AppendData(bytes.data(), bytes.size()); }
    // Colour (0x00BBGGRR) of Courier fill text; 0 makes new page bitmaps monochrome.
    void SetFillColor(uint32_t colour) { Font.FillColor = colour; }
    // Shows control bytes of text as visible marks ("<<CR >>" ...).
    void SetShowControlCodes(bool on) { ShowControlCodes = on; }
    // The whole output is the input without its form feeds (the print job lays each page's
    // fill under its template). Re-emitting PCL to stand on its own instead keeps the form feed
    // that ends each page, so it ejects where the original did.
    void SetKeepPageEjects(bool on) { KeepPageEjects = on; }
    // Every command whose key is key (ignoring case) is re-emitted as text instead. The key is
    // kept as given, so it must be a command key already ("&lH").
    void AddSubstitution(std::string key, std::string text);

    // Cuts InputStream into pages and re-emits it. With a device, the first page is drawn
    // into it as the scan goes (the page window's way); FinishFirstPage then sizes it.
    void Parse(TPCLDevice* firstPage = nullptr);
    // Gives the first page drawn by Parse its final size: letter or legal as the page says (or
    // paperHint when it names none), landscape when the parse ended in landscape.
    void FinishFirstPage(TPCLDevice& device, const std::string& paperHint);
    // The size of a finished page. A page is drawn as its logical page, so a landscape page gets
    // a landscape page (11 or 14 inches wide, 8.5 high) and every caller (screen, `render`,
    // driver printing) shows it whole; the driver turns it onto the sheet.
    struct TPageSize {
        int Width = 0;
        int Height = 0;
    };
    static TPageSize FinishedPageSize(bool letter, bool landscape);
    int GetPageCount() const { return int(PageList.size()); }
    // The orientation in effect where page `page` (1..count) begins; 0 for no such page. A
    // page stream rendered alone starts from it, as the printer carries it over from the
    // pages before.
    uint8_t GetPageOrientation(int page) const;
    // Page `page` to stand on its own, as a printer would print it after the pages before: the
    // commands that bring back the state earlier pages left (unit, orientation, margins,
    // spacing, font selection), the soft fonts and macros in force where it begins, then the
    // page stream. Empty for no such page.
    std::string StandalonePage(int page) const;
    // Page 1..count: that page's stream; -1: InputStream; anything else: nullptr. Owned here.
    THLWMemorystream* GetPageStream(int page);
    // Everything re-emitted since creation, positioned at 0. Owned here.
    THLWMemorystream& GetOutput();
    // "LTR", "LGL" or empty, as the last parse run left it.
    const std::string& GetPaperCode() const { return Page.PaperCode; }
    // The last simplex/duplex value of the last parse run; -1 when it had none.
    int32_t GetDuplexMode() const { return Page.DuplexMode; }
    // Draws page `page` (1..count; -1 the whole input) anew into the device, on a fresh page
    // sized as the page says (paperHint when it names no size). print selects the printer look.
    // A page that does not exist leaves the device a blank page.
    void RenderPage(TPCLDevice& device, int page, bool print, const std::string& paperHint);

    // Read access for callers and tests.
    const TPCLStringList& CommandTable() const { return Commands; }
    // The handler's name in the command vocabulary ("PageSize"); empty for an unknown one.
    static std::string_view HandlerName(TPCLHandler handler);
    const TPCLPageState& PageState() const { return Page; }
    const TPCLFontState& FontState() const { return Font; }
    const TPCLRasterState& RasterState() const { return Raster; }
    bool HasMacro(uint16_t id) const { return Macros.count(id) != 0; }
    bool InHpglMode() const { return HpglMode; }
    size_t SoftFontCount() const { return SoftFonts.size(); }
    const TSoftFont* FindSoftFont(uint16_t id) const;
    bool IsDefiningMacro() const { return DefiningMacro; }
    bool GetPageHasContent() const { return PageHasContent; }

private:
    struct TCommandEntry;
    // The command table: key, handler name and handler, in registration order.
    static const std::vector<TCommandEntry>& CommandEntries();

    // Scanner and splitting (PCLParse.cpp).
    // fromSnapshot: the state was restored for a page; no reset at the start.
    void ParseStream(bool fromSnapshot = false);
    class TTextRun;
    void ScanText(TTextRun& run, std::string_view data, size_t pos);
    // inputStart: where the sequence begins in CurrentInput. True when a data block was read;
    // the scan then goes on right after the last block.
    bool ExecuteSequence(std::string_view sequence, size_t inputStart);
    void ReadBinaryBlock(std::string_view command, int32_t n);
    void HandleBlock(std::string_view command, std::string_view block);
    void DispatchCommand(std::string_view command);
    void DispatchCommand(std::string_view command, uint32_t packedKey);
    void EmitCommand(std::string_view command);
    void EmitText(std::string_view text);
    void EmitPageEject();
    void FlushText(std::string_view run);
    void EndPage(bool keepEmptyPage = false);
    void StartPageOutput();
    size_t PageOutputSize() const;
    std::string TakePageOutput();
    void FlushWholeOutput();
    bool Rendering() const;
    void ResetPageState();
    void StartPage(TPCLDevice& device);
    TPCLDevice& Device() { return *Out; }
    void ExecuteMacro();
    void FreeMacros() { Macros.clear(); }
    void FreeSoftFonts();
    void StoreSoftFontBlock(std::string_view block);
    // The font stored under id, ready to change: a font shared with a page snapshot is copied
    // first. nullptr when there is none.
    TSoftFont* MutableSoftFont(uint16_t id);
    // Everything a printer reset puts back, except the orientation and paper, which belong to
    // the page being drawn.
    void ResetModalState();
    // HP-GL/2 bytes up to the next escape byte at pos: drawn, re-emitted, never text.
    void ScanHpgl(std::string_view data, size_t pos);
    // The state where a page begins, so that the page can be drawn or re-emitted alone.
    struct TPageSnapshot {
        TPCLPageState Page;
        TPCLFontState Font;
        uint16_t RasterPresentation = 0;
        int16_t PatternID = 0;
        std::map<uint16_t, std::shared_ptr<TSoftFont>> SoftFonts;
        std::map<uint16_t, std::shared_ptr<const TStoredMacro>> Macros;
        THPGLState Hpgl;
        bool HpglMode = false;
    };
    TPageSnapshot TakeSnapshot() const;
    void RestoreSnapshot(const TPageSnapshot& snapshot);

    // Drawing hooks (PCLDrawing.cpp), called only while rendering. They belong to the text,
    // soft-font, raster and rectangle renderers.
    void DrawTextRun(std::string_view run);
    void DrawSoftFontRun(const TSoftFont& font, std::string_view run);
    void TellSoftFontText(const TSoftFont& font, std::string_view run);
    void DrawRasterRow(std::string_view block);
    void FillRectangle(int32_t fillType);
    TPaint RectanglePaint(int32_t fillType) const;
    void SignatureBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    // How raster rows lie on the page: across the logical page like text (portrait, and
    // landscape rows that turn with the page), down the logical page (landscape rows laid
    // along the sheet's width, presentation 3), or in the reverse orientations (unencoded and
    // run-length rows across, the cursor stepping left as along the sheet).
    enum class TRasterLayout { Across, AlongSheet, Reverse };
    TRasterLayout RasterLayout() const;
    // Moves the raster position on by rows, in the direction the next row lies.
    void AdvanceRasterRows(int64_t rows);
    // Resizes the page being drawn to the finished size of the paper the page names, in the
    // current orientation; without a letter or legal size, turns it when it lies the wrong way.
    void FitPageToOrientation();
    void PlotRasterRow(const std::vector<uint8_t>& row, bool tiff);
    void ReportRowsOffPage(const std::vector<uint8_t>& row, int64_t base, int64_t y, bool across);
    // An information message shown at most once per render for its kind (the text itself
    // when no kind is given): a page has thousands of raster rows.
    void ShowRenderMessage(const std::string& text, const std::string& kind = {});
    // Job-control lines ("@PJL ...") after a universal exit: the length of those at pos.
    static size_t JobControlLength(std::string_view data, size_t pos);

    // Handlers of the command table (PCLCommands.cpp).
    void CmdEmitOnly(std::string_view command);
    void CmdUnknown(std::string_view command);
    void CmdPrinterReset(std::string_view command);
    void CmdSimplexDuplex(std::string_view command);
    void CmdUnitOfMeasure(std::string_view command);
    void CmdPageSize(std::string_view command);
    void CmdOrientation(std::string_view command);
    void CmdTopMargin(std::string_view command);
    void CmdTextLength(std::string_view command);
    void CmdLeftMargin(std::string_view command);
    void CmdRightMargin(std::string_view command);
    void CmdClearHorizontalMargins(std::string_view command);
    void CmdHorizontalMotionIndex(std::string_view command);
    void CmdVerticalMotionIndex(std::string_view command);
    void CmdLinesPerInch(std::string_view command);
    void CmdVerticalPositionRows(std::string_view command);
    void CmdVerticalPositionUnits(std::string_view command);
    void CmdVerticalPositionDecipoints(std::string_view command);
    void CmdHorizontalPositionUnits(std::string_view command);
    void CmdHorizontalPositionDecipoints(std::string_view command);
    void CmdHalfLineFeed(std::string_view command);
    void CmdPushPopPosition(std::string_view command);
    void CmdPrimarySymbolSet(std::string_view command);
    void CmdSecondarySymbolSet(std::string_view command);
    void CmdPrimarySpacing(std::string_view command);
    void CmdSecondarySpacing(std::string_view command);
    void CmdPitch(std::string_view command);
    void CmdHeight(std::string_view command);
    void CmdPrimaryStyle(std::string_view command);
    void CmdSecondaryStyle(std::string_view command);
    void CmdPrimaryStrokeWeight(std::string_view command);
    void CmdSecondaryStrokeWeight(std::string_view command);
    void CmdPrimaryTypeface(std::string_view command);
    void CmdSecondaryTypeface(std::string_view command);
    void CmdUnderlineEnable(std::string_view command);
    void CmdUnderlineDisable(std::string_view command);
    void CmdAssignFontID(std::string_view command);
    void CmdFontControl(std::string_view command);
    void CmdSelectFontByID(std::string_view command);
    void CmdFontDescriptor(std::string_view command);
    void CmdDownloadCharacter(std::string_view command);
    void CmdCharacterCode(std::string_view command);
    void CmdRasterResolution(std::string_view command);
    void CmdRasterPresentation(std::string_view command);
    void CmdStartRaster(std::string_view command);
    void CmdCompressionMode(std::string_view command);
    void CmdTransferRasterRow(std::string_view command);
    void CmdEndRaster(std::string_view command);
    void CmdRasterYOffset(std::string_view command);
    void CmdSelectCurrentPattern(std::string_view command);
    void CmdSourceTransparency(std::string_view command);
    void CmdPatternTransparency(std::string_view command);
    void CmdRectWidthDots(std::string_view command);
    void CmdRectWidthDecipoints(std::string_view command);
    void CmdRectHeightDots(std::string_view command);
    void CmdRectHeightDecipoints(std::string_view command);
    void CmdFillRectangle(std::string_view command);
    void CmdPatternID(std::string_view command);
    void CmdMacroID(std::string_view command);
    void CmdMacroControl(std::string_view command);
    void CmdSignatureBox(std::string_view command);
    void CmdTransparentData(std::string_view command);
    void CmdEnterHpgl(std::string_view command);
    void CmdEnterPcl(std::string_view command);
    void CmdPictureFrameWidth(std::string_view command);
    void CmdPictureFrameHeight(std::string_view command);
    void CmdPictureFrameAnchor(std::string_view command);
    void CmdPlotWidth(std::string_view command);
    void CmdPlotHeight(std::string_view command);

    // PCL units (`*p`, `*c` sizes) to dots by the unit of measure.
    int32_t UnitsToDots(int32_t units) const;
    // The line-feed advance in dots; 0 when the lines per inch are 0.
    int32_t LineAdvance() const;

    THLWMemorystream InputStream;
    THLWMemorystream* CurrentInput = nullptr;
    // Everything re-emitted; bytes gather in WholePending during a run and move to
    // WholeOutput when the run ends.
    THLWMemorystream WholeOutput;
    std::string WholePending;
    // The current page's output: WholePending from PageOutputStart on, without the gaps
    // (the expansions of macros the page executed, which only the whole output holds).
    // Each emission is thus written once; a page is copied out when it ends.
    size_t PageOutputStart = 0;
    std::vector<std::pair<size_t, size_t>> PageOutputGaps;
    std::vector<std::unique_ptr<THLWMemorystream>> PageList;
    // Per page of PageList: the state where it began; and that of the page collected now.
    std::vector<TPageSnapshot> PageSnapshots;
    TPageSnapshot CollectedPageSnapshot;
    TPCLStringList Commands;
    std::vector<std::string> SubstituteKeys;
    std::vector<std::string> SubstituteTexts;
    bool ShowControlCodes = false;
    bool KeepPageEjects = false;
    bool RenderFirstPage = false;
    bool RenderThisStream = false;
    bool PageHasContent = false;
    bool DefiningMacro = false;
    std::unique_ptr<THLWMemorystream> MacroStream;
    // Macros and fonts are shared with the page snapshots; a stored macro is never changed.
    std::map<uint16_t, std::shared_ptr<const TStoredMacro>> Macros;
    // Transparent print data: this many bytes after the command are characters, not commands.
    int32_t TransparentBytes = 0;
    // HP-GL/2: the scanner hands bytes to the plotter until PCL mode returns.
    bool HpglMode = false;
    THPGLState Hpgl;
    bool AnnouncedGlyph = false;
    bool AnnouncedHeader = false;
    // The scanner has just seen a universal exit: "@PJL" lines are job control, not text.
    bool JobControl = false;
    // Messages already shown during the current render.
    std::vector<std::string> ShownMessages;

    TPCLPageState Page;
    TPCLFontState Font;
    TPCLRasterState Raster;
    // Soft fonts by identifier; a later header under an identifier replaces the font.
    std::map<uint16_t, std::shared_ptr<TSoftFont>> SoftFonts;
    // Bytes that stored glyphs may still take in this interpreter.
    size_t GlyphBudget = size_t(256) << 20;
    const TSoftFont* CurrentSoftFont = nullptr;

    // The caller's device while a page is drawn.
    TPCLDevice* Out = nullptr;
    // Pixels the page's rectangle fills have covered so far, and how many page areas they may
    // cover before filling stops.
    int64_t FilledArea = 0;
    static constexpr int64_t kFillPageAreas = 100;
    // Pixel work HP-GL/2 plotting may still spend on the page being drawn.
    int64_t PlotBudget = 0;
    static constexpr int64_t kPlotPageAreas = 50;

    // Macro runs: how deep they nest now, and how many more bytes they may still scan in
    // this parse (so that macros calling macros cannot multiply the input without bound).
    int MacroDepth = 0;
    size_t MacroBudget = 0;
};

} // namespace pg
