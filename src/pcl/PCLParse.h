#pragma once
// TPCLBuffer: a PCL 5 document and its interpreter. The document scans a stream of PCL bytes
// into text runs, escape sequences (split into single commands), data blocks and HP-GL/2
// stretches and hands them to its page interpreter (PCLInterpreter.h), which keeps the
// graphics state and draws; the document cuts the stream into pages, keeps the state each
// page begins with, re-emits everything it understood (per page and as a whole), and draws a
// page alone or stands it on its own as PCL.
//
// One interpreter serves one task: load, parse once, then ask for pages, drawings or output.
// The scanner is PCLScanner.cpp, standing a page on its own PCLStandalonePage.cpp.

#include "HLWStream.h"
#include "PCLCommandList.h"
#include "PCLDevice.h"
#include "PCLInterpreter.h"
#include "PCLOutput.h"
#include "PCLState.h"
#include "PageBitmap.h"
#include "SoftFont.h"
#include "Strings.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pg {

class TPCLBuffer : private TPCLInterpreterHost {
public:
    static constexpr int kMaxMacroDepth = TPCLInterpreter::kMaxMacroDepth;
    static constexpr size_t kMaxPositionStack = TPCLInterpreter::kMaxPositionStack;

    TPCLBuffer();
    ~TPCLBuffer() override;
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
    // The paper a page that names none is drawn on: a letter hint makes the page's resets
    // choose letter, so that the print directions turn on a letter page.
    void SetPaperHint(std::string_view hint) {
        if (IsLetterPaper(hint))
            Interpreter.State.Page.PageSizeCode = 2;
    }
    // Colour (0x00BBGGRR) of Courier fill text; 0 makes new page bitmaps monochrome.
    void SetFillColor(uint32_t colour) { Interpreter.State.Font.FillColor = colour; }
    // Shows control bytes of text as visible marks ("<<CR >>" ...).
    void SetShowControlCodes(bool on) { ShowControlCodes = on; }
    // The whole output is the input without its form feeds (the print job lays each page's
    // fill under its template). Re-emitting PCL to stand on its own instead keeps the form feed
    // that ends each page, so it ejects where the original did.
    void SetKeepPageEjects(bool on) { KeepPageEjects = on; }
    // Whether a printer reset or a universal exit ends a page that has marks on it, as on a
    // printer (the default). A package page (a fill laid over its template) is one page
    // whatever resets its parts hold.
    void SetResetsEndPages(bool on) { Interpreter.ResetsEndPages = on; }
    // Every command whose key is key (ignoring case) is re-emitted as text instead. The key is
    // kept as given, so it must be a command key already ("&lH").
    void AddSubstitution(std::string key, std::string text) {
        Output.AddSubstitution(std::move(key), std::move(text));
    }

    // Cuts InputStream into pages and re-emits it. With a device, the first page is drawn
    // into it as the scan goes (the page window's way); FinishFirstPage then sizes it.
    void Parse(TPCLDevice* firstPage = nullptr);
    // Gives the first page drawn by Parse its final size: letter or legal as the page says (or
    // paperHint when it names none), landscape when the parse ended in landscape.
    void FinishFirstPage(TPCLDevice& device, const std::string& paperHint);
    // The size of a finished page (PCLState.h).
    using TPageSize = TPCLPageSize;
    static TPageSize FinishedPageSize(bool letter, bool landscape) {
        return pg::FinishedPageSize(letter, landscape);
    }
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
    const std::string& GetPaperCode() const { return Interpreter.State.Page.PaperCode; }
    // The last simplex/duplex value of the last parse run; -1 when it had none.
    int32_t GetDuplexMode() const { return Interpreter.State.Page.DuplexMode; }
    // Draws page `page` (1..count) anew into the device, on a fresh page sized as the page
    // says (paperHint when it names no size). print selects the printer look. A page that
    // does not exist (-1, the whole input, included) leaves the device a blank page.
    void RenderPage(TPCLDevice& device, int page, bool print, const std::string& paperHint);

    // Read access for callers and tests.
    const TPCLStringList& CommandTable() const { return TPCLInterpreter::Commands(); }
    // The handler's name in the command vocabulary ("PageSize"); empty for an unknown one.
    static std::string_view HandlerName(TPCLHandler handler) { return TPCLInterpreter::HandlerName(handler); }
    // The graphics state as the last parse run left it.
    const TPCLGraphicsState& GraphicsState() const { return Interpreter.State; }
    const TPCLPageState& PageState() const { return Interpreter.State.Page; }
    const TPCLFontState& FontState() const { return Interpreter.State.Font; }
    const TPCLRasterState& RasterState() const { return Interpreter.State.Raster; }
    bool HasMacro(uint16_t id) const { return Interpreter.State.Macros.count(id) != 0; }
    bool InHpglMode() const { return Interpreter.State.HpglMode; }
    size_t SoftFontCount() const { return Interpreter.State.SoftFonts.size(); }
    const TSoftFont* FindSoftFont(uint16_t id) const { return Interpreter.FindSoftFont(id); }
    bool IsDefiningMacro() const { return Interpreter.DefiningMacro; }
    bool GetPageHasContent() const { return Interpreter.PageHasContent; }

private:
    // What the interpreter asks of the document.
    void EndPage(bool keepEmptyPage) final;
    void RunMacro(THLWMemorystream& body) final;

    // The scanner (PCLScanner.cpp). fromSnapshot: the state was restored for a page; no
    // reset at the start.
    void ParseStream(bool fromSnapshot = false);
    class TTextRun;
    void ScanText(TTextRun& run, std::string_view data, size_t pos);
    // inputStart: where the sequence begins in CurrentInput. True when a data block was read;
    // the scan then goes on right after the last block.
    bool ExecuteSequence(std::string_view sequence, size_t inputStart);
    void ReadBinaryBlock(std::string_view command, int32_t n);
    // HP-GL/2 bytes up to the next escape byte at pos: drawn, re-emitted, never text.
    void ScanHpgl(std::string_view data, size_t pos);
    // Job-control lines ("@PJL ...") after a universal exit: the length of those at pos.
    static size_t JobControlLength(std::string_view data, size_t pos);

    // The colour part of StandalonePage: the palette and the foreground colour.
    static void ColourCommands(const TPCLColourState& colour,
                               const std::function<void(const std::string&)>& command);
    // The print-model part of StandalonePage (PCLStandalonePage.cpp).
    static void PrintModelCommands(const TPCLGraphicsState& at,
                                   const std::function<void(const std::string&)>& command);

    // Pages and output.
    void EmitPageEject();
    void StartPageOutput();
    size_t PageOutputSize() const;
    std::string TakePageOutput();
    void FlushWholeOutput();

    THLWMemorystream InputStream;
    // The stream being scanned: InputStream, a page stream or a macro's body.
    THLWMemorystream* CurrentInput = nullptr;
    // Everything re-emitted; bytes gather in Output during a run and move to WholeOutput when
    // the run ends.
    THLWMemorystream WholeOutput;
    TPCLOutput Output;
    // The current page's output: Output's bytes from PageOutputStart on, without the gaps
    // (the expansions of macros the page executed, which only the whole output holds).
    // Each emission is thus written once; a page is copied out when it ends.
    size_t PageOutputStart = 0;
    std::vector<std::pair<size_t, size_t>> PageOutputGaps;
    std::vector<std::unique_ptr<THLWMemorystream>> PageList;
    // Per page of PageList: the state where it began; and that of the page collected now.
    std::vector<TPCLGraphicsState> PageStarts;
    TPCLGraphicsState CollectedPageStart;
    bool ShowControlCodes = false;
    bool KeepPageEjects = false;
    // The scanner has just seen a universal exit: "@PJL" lines are job control, not text.
    bool JobControl = false;

    TPCLInterpreter Interpreter;
};

} // namespace pg
