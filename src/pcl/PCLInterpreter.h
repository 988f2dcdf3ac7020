#pragma once
// TPCLInterpreter: the page interpreter. It runs the commands, text runs, data blocks and
// HP-GL/2 stretches the scanner of a PCL document hands it, keeps the graphics state they
// change, re-emits them into the document's output, and, while a page is drawn, draws
// through the caller's output device. Where pages end and the scanning of macro bodies
// belong to the document that feeds it (TPCLInterpreterHost).
//
// The handlers of the command table live with their command families (PCLPageCommands.cpp,
// PCLFontCommands.cpp, PCLRasterCommands.cpp, PCLRectangleCommands.cpp,
// PCLMacroCommands.cpp, PCLHpglCommands.cpp); they work on the state and the helpers below.

#include "PCLCommandList.h"
#include "PCLDevice.h"
#include "PCLOutput.h"
#include "PCLState.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

class THLWMemorystream;

// A position on the page in page pixels.
struct TPCLPagePoint {
    int64_t X = 0;
    int64_t Y = 0;
};

// What the page interpreter asks of the document that feeds it.
class TPCLInterpreterHost {
public:
    virtual ~TPCLInterpreterHost() = default;
    // A page-size command ends the page being collected; keepEmptyPage: a page without
    // content keeps its commands for the page that follows.
    virtual void EndPage(bool keepEmptyPage) = 0;
    // Scans a macro's bytes into this interpreter as a part of the page being scanned.
    virtual void RunMacro(THLWMemorystream& body) = 0;
};

class TPCLInterpreter {
public:
    // Macro calls nest at most this deep (a macro may call one more); deeper calls are ignored.
    static constexpr int kMaxMacroDepth = 2;
    // Pushed cursor positions kept at most, as printers do.
    static constexpr size_t kMaxPositionStack = 20;

    TPCLInterpreter(TPCLInterpreterHost& host, TPCLOutput& output);
    TPCLInterpreter(const TPCLInterpreter&) = delete;
    TPCLInterpreter& operator=(const TPCLInterpreter&) = delete;

    // The command table, the same for every interpreter: the entries of the command families
    // in the order of their numbers.
    static const TPCLStringList& Commands();
    // The handler's name in the command vocabulary ("PageSize"); empty for an unknown one.
    static std::string_view HandlerName(TPCLHandler handler);

    // What the scanner hands over.
    // A scan of a stream begins: the state is reset for it, unless it continues from a page
    // start already restored (fromSnapshot), or it is a macro's (which resets the page only).
    void BeginStream(bool fromSnapshot);
    // A new escape sequence: data blocks announced by the one before are forgotten.
    void BeginSequence();
    void Dispatch(std::string_view command, uint32_t packedKey);
    // A text run: drawn (or recorded into the macro being defined), then re-emitted. Shift out
    // and shift in (bytes 14 and 15) choose the secondary or primary font for what follows,
    // except in transparent print data, where every byte is a character.
    void Text(std::string_view run, bool transparent = false);
    // The data block a command ending in W announced: a soft-font header or glyph, a raster
    // row or data nothing draws; re-emitted after its command.
    void Block(std::string_view command, std::string_view block);
    // HP-GL/2 instructions up to the next escape byte: plotted, recorded, re-emitted.
    void Plot(std::string_view bytes);
    // Characters of transparent print data still to come (`&pX`); zero once taken.
    int32_t TakeTransparentBytes();
    // A carriage return: the cursor to the left edge.
    void CarriageReturn() { State.Page.CursorX = 0; }
    // A form feed: the cursor to the first line of the next page.
    void ToNextPageTop();

    // Drawing. A page is drawn while the scan is in the first page of a document's parse, or
    // while a page is scanned anew for the device.
    enum class TDrawing { None, FirstPage, WholeStream };
    // The device draws from now on, on a fresh drawing surface.
    void StartDrawing(TPCLDevice& device, TDrawing drawing);
    // The first page is stored: a parse that draws it draws no further.
    void EndFirstPage();
    void StopDrawing();
    bool Rendering() const { return out_ && drawing_ != TDrawing::None; }
    // Signature boxes mark a page on screen: they are drawn on the first page and on pages
    // drawn anew, except with the printer look.
    bool DrawsSignatureBoxes() const;
    TPCLDevice& Device() { return *out_; }
    // An information message shown at most once per render for its kind (the text itself
    // when no kind is given): a page has thousands of raster rows.
    void ShowRenderMessage(const std::string& text, const std::string& kind = {});

    // Helpers of the handlers.
    void Emit(std::string_view command) { output_.EmitCommand(command); }
    void EmitText(std::string_view text) { output_.EmitText(text); }
    void EndPage(bool keepEmptyPage) { host_.EndPage(keepEmptyPage); }
    TPCLInterpreterHost& Host() { return host_; }
    // Printable output marks the page as having content, unless it goes into a macro.
    void MarkContent() {
        if (!DefiningMacro)
            PageHasContent = true;
    }
    // A printer reset or a universal exit: a page with marks on it ends here, unless resets
    // do not end pages (ResetsEndPages) or the command comes from a macro. True when it ended.
    bool EndMarkedPage() {
        if (!ResetsEndPages || !PageHasContent || DefiningMacro || MacroDepth != 0)
            return false;
        EndPage(false);
        return true;
    }
    // The page's own state back to its reset values (not while a macro is selected).
    void ResetPageState();
    // Everything a printer reset puts back, except the orientation and paper, which belong to
    // the page being drawn, and the soft fonts and macros, which the caller decides on.
    void ResetModalState();
    // A page start as kept earlier: the state comes back, a macro definition ends.
    void RestoreState(const TPCLGraphicsState& state);
    // PCL units (`*p`, `*c` sizes) to dots by the unit of measure.
    int32_t UnitsToDots(int32_t units) const;

    // The print direction and the print model (PCLPrintModel.cpp).
    // The page position of the cursor coordinates (x, y) in the current print direction: at
    // 0 degrees the X axis runs right from the left offset and Y down from the top margin; at
    // 90 X runs up from the page's bottom and Y right from the left offset; at 180 X runs left
    // from the logical page's right edge and Y up from the top margin's distance above the
    // bottom; at 270 X runs down from the top and Y left from the right edge.
    TPCLPagePoint PagePoint(int64_t x, int64_t y) const;
    TPCLPagePoint CursorPoint() const;
    // The page the directions turn on: letter or legal, turned with the orientation.
    TPCLPageSize LogicalPageSize() const;
    // A new print direction; the cursor keeps its place on the page.
    void SetPrintDirection(uint8_t quarterTurns);
    // The paint of the current pattern (`*v#T`) with the transparency modes, the logical
    // operation and the reference point; ink is the colour of solid black (Courier fill text
    // takes the fill colour), black taking the foreground colour. An undefined user pattern
    // paints solid ink.
    TPaint CurrentPaint(uint32_t ink) const;
    // Solid ink of the colour; on a black-and-white device a colour between black and white is
    // a halftone as dense as the colour looks dark (unless halftone is false). White ink is a
    // white pattern, transparent under pattern transparency. Without the print modes.
    TPaint InkPaint(uint32_t colour, bool halftone = true) const;
    // The same with the print modes; a halftone stays opaque, as a colour covers what it lies on.
    TPaint InkWithPrintModes(uint32_t colour, bool halftone = true) const;
    // A shading percentage, held to 0..100 (0 erases, as a white fill does).
    TPaint ShadingPaint(int percent) const;
    // A cross-hatch or user-defined pattern by number, turned with the print direction unless
    // patterns are fixed; none when there is no such pattern.
    std::optional<TPaint> PatternPaint(TPaint::TPatternType type, int id) const;
    // The paint with the print model's transparency modes, logical operation and reference point.
    TPaint WithPrintModes(TPaint paint) const;
    // A paint from outside the print model (HP-GL/2 fills) made concrete: a pattern paint by
    // number gets its tile (turned, anchored at the reference point), the current pattern
    // becomes the current paint. The paint's transparency modes stay.
    TPaint Resolved(const TPaint& paint) const;
    // The line-feed advance in dots; 0 when the lines per inch are 0.
    int32_t LineAdvance() const;
    // The font stored under id, ready to change: a font shared with a page start is copied
    // first. nullptr when there is none.
    TSoftFont* MutableSoftFont(uint16_t id);
    const TSoftFont* FindSoftFont(uint16_t id) const;

    TPCLGraphicsState State;
    // The page being scanned holds printable text, a mark or a macro's run.
    bool PageHasContent = false;
    // A reset or a universal exit ends a marked page (a printer's job); off for the parts of a
    // package page, which are one page whatever resets they hold.
    bool ResetsEndPages = true;
    // A macro is being defined; the bytes recorded for it so far.
    bool DefiningMacro = false;
    std::string MacroBody;
    // Macro runs: how deep they nest now, and how many more bytes they may still scan in
    // this parse (so that macros calling macros cannot multiply the input without bound).
    int MacroDepth = 0;
    size_t MacroBudget = 0;
    // Transparent print data: this many bytes after the command are characters, not commands.
    int32_t TransparentBytes = 0;
    // The next data block is a glyph, resp. a font header.
    bool AnnouncedGlyph = false;
    bool AnnouncedHeader = false;
    // Bytes that stored glyphs may still take in this interpreter; and user-defined patterns.
    size_t GlyphBudget = size_t(256) << 20;
    size_t PatternBudget = size_t(64) << 20;
    // Pixels the page's rectangle fills have covered so far, and how many page areas they may
    // cover before filling stops.
    int64_t FilledArea = 0;
    static constexpr int64_t kFillPageAreas = 100;
    // Pixel work HP-GL/2 plotting may still spend on the page being drawn.
    int64_t PlotBudget = 0;
    static constexpr int64_t kPlotPageAreas = 50;

private:
    void DrawText(std::string_view run);

    const TPCLStringList& commands_;
    TPCLInterpreterHost& host_;
    TPCLOutput& output_;
    TPCLDevice* out_ = nullptr;
    TDrawing drawing_ = TDrawing::None;
    // Messages already shown during the current render.
    std::vector<std::string> shownMessages_;
};

} // namespace pg
