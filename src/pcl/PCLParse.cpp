#include "PCLParse.h"

#include "FontEngine.h"
#include "PCLValues.h"
#include "Strings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace pg {

namespace {

constexpr uint8_t kFormFeed = 12;
constexpr uint8_t kCarriageReturn = 13;
constexpr uint8_t kBackspace = 8;
// The universal exit command, after which job-control lines may follow.
constexpr std::string_view kUniversalExit = "\x1b%-12345X";

// Macro runs of one parse may scan this many times the parsed input, plus a fixed allowance.
constexpr size_t kMacroBudgetFactor = 16;
constexpr size_t kMacroBudgetBase = size_t(1) << 20;

bool IsTerminator(uint8_t b) {
    return b >= 64 && b <= 94;
}

bool IsCommandEnd(char c) {
    return c == '@' || (c >= 'a' && c <= 'z');
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

// The index of the character that ends the last command of a sequence's commands part (the
// last character counts in its lower-case form); npos when none does.
size_t LastCommandEnd(std::string_view rest) {
    for (size_t i = rest.size(); i > 0; --i)
        if (IsCommandEnd(i == rest.size() ? Lower(rest[i - 1]) : rest[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

// The byte count of a data block: the number in the command's parameter characters (an
// unreadable one reads 0).
int32_t BlockLength(std::string_view accumulator) {
    std::string number;
    for (char c : accumulator)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            number += c;
    return StrToIntDef(number, 0);
}

void Append(THLWMemorystream& stream, std::string_view bytes) {
    if (bytes.empty())
        return;
    stream.Seek(stream.Size());
    stream.Write(bytes);
}

// The visible mark of a control byte in the debugging view of the scanner.
std::string ControlMark(uint8_t b) {
    switch (b) {
    case kBackspace:
        return "<<TAB >>";
    case kFormFeed:
        return "<<FF >>";
    case kCarriageReturn:
        return "<<CR >>";
    default:
        return "<<" + IntToStr(b) + " >> ";
    }
}

} // namespace

// The pending text run: a view into the input while its bytes are contiguous there, a copy
// of its own once a dropped byte or a visible mark breaks that.
class TPCLBuffer::TTextRun {
public:
    bool Empty() const { return View().empty(); }
    std::string_view View() const { return owned_ ? std::string_view(copy_) : view_; }
    void Clear() {
        view_ = {};
        copy_.clear();
        owned_ = false;
    }
    // The bytes data[pos .. pos + length).
    void Take(std::string_view data, size_t pos, size_t length) {
        const std::string_view bytes = data.substr(pos, length);
        if (!owned_ && view_.empty()) {
            view_ = bytes;
            return;
        }
        if (!owned_ && view_.data() + view_.size() == bytes.data()) {
            view_ = std::string_view(view_.data(), view_.size() + bytes.size());
            return;
        }
        Add(bytes);
    }
    void Add(std::string_view bytes) {
        if (!owned_) {
            copy_.assign(view_);
            owned_ = true;
        }
        copy_.append(bytes);
    }
    void RemoveFormFeeds() {
        if (View().find(char(kFormFeed)) == std::string_view::npos)
            return;
        Add("");
        copy_.erase(std::remove(copy_.begin(), copy_.end(), char(kFormFeed)), copy_.end());
    }

private:
    std::string_view view_;
    std::string copy_;
    bool owned_ = false;
};

TPCLBuffer::~TPCLBuffer() = default;

void TPCLBuffer::LoadFromStream(const THLWMemorystream& stream) {
    InputStream = THLWMemorystream(std::string(stream.View()));
}

void TPCLBuffer::LoadFromFile(const std::string& fileName) {
    if (!InputStream.LoadFromFile(fileName))
        throw std::runtime_error("Cannot open " + fileName);
}

void TPCLBuffer::SaveToFile(const std::string& fileName) const {
    if (!InputStream.SaveToFile(fileName))
        throw std::runtime_error("Cannot write " + fileName);
}

void TPCLBuffer::AppendData(const void* bytes, size_t length) {
    InputStream.Write(bytes, length);
}

void TPCLBuffer::AddSubstitution(std::string key, std::string text) {
    SubstituteKeys.push_back(std::move(key));
    SubstituteTexts.push_back(std::move(text));
}

void TPCLBuffer::Parse(TPCLDevice* firstPage) {
    Out = nullptr;
    if (firstPage)
        StartPage(*firstPage);
    CurrentInput = &InputStream;
    RenderFirstPage = firstPage != nullptr;
    RenderThisStream = false;
    MacroBudget = kMacroBudgetFactor * InputStream.Size() + kMacroBudgetBase;
    // The output is about as long as the input: room for it up front saves regrowing.
    WholePending.reserve(InputStream.Size() + InputStream.Size() / 16);
    ParseStream();
    FlushWholeOutput();
    RenderFirstPage = false;
    Out = nullptr;
}

void TPCLBuffer::FlushWholeOutput() {
    if (WholePending.empty())
        return;
    if (WholeOutput.Size() == 0)
        WholeOutput = THLWMemorystream(std::move(WholePending));
    else
        Append(WholeOutput, WholePending);
    WholePending.clear();
    WholeOutput.Seek(0);
}

THLWMemorystream* TPCLBuffer::GetPageStream(int page) {
    if (page == -1)
        return &InputStream;
    if (page < 1 || page > GetPageCount())
        return nullptr;
    return PageList[size_t(page - 1)].get();
}

THLWMemorystream& TPCLBuffer::GetOutput() {
    FlushWholeOutput();
    WholeOutput.Seek(0);
    return WholeOutput;
}

bool TPCLBuffer::Rendering() const {
    return Out && (RenderThisStream || (RenderFirstPage && PageList.empty()));
}

// The scanner. Bytes become text runs and escape sequences; a form feed ends the page.
// Sequences and most runs are contiguous in the input, so they are kept as views into it.
void TPCLBuffer::ParseStream(bool fromSnapshot) {
    Page.DuplexMode = -1;
    if (MacroDepth == 0)
        ShownMessages.clear();
    JobControl = false;
    TransparentBytes = 0;
    if (MacroDepth > 0)
        ResetPageState();
    else if (!fromSnapshot)
        ResetModalState();
    StartPageOutput();
    CurrentInput->Seek(0);
    TTextRun run;
    size_t sequenceStart = 0;
    bool inSequence = false; // a sequence is pending (begun by an escape byte)
    bool escape = false;
    while (CurrentInput->Position() < CurrentInput->Size()) {
        const std::string_view data = CurrentInput->View();
        const size_t pos = CurrentInput->Position();
        const uint8_t b = uint8_t(data[pos]);
        if (b == kEsc) {
            CurrentInput->Seek(pos + 1);
            // A data block announced inside the pending sequence starts there, before this
            // escape byte: the scan goes on after the block, which may end before or past it.
            if (inSequence &&
                ExecuteSequence(data.substr(sequenceStart, pos - sequenceStart), sequenceStart)) {
                inSequence = escape = false;
                continue;
            }
            sequenceStart = pos;
            inSequence = escape = true;
            JobControl = false;
            if (!run.Empty())
                FlushText(run.View());
            run.Clear();
            continue;
        }
        if (escape) {
            // ESC 9 and ESC = are complete two-character commands, as on a printer.
            const bool twoCharacter = pos == sequenceStart + 1 && (b == '9' || b == '=');
            if (IsTerminator(b) || twoCharacter) {
                CurrentInput->Seek(pos + 1);
                inSequence = escape = false;
                if (!run.Empty())
                    FlushText(run.View());
                const std::string_view sequence = data.substr(sequenceStart, pos + 1 - sequenceStart);
                if (std::any_of(sequence.begin(), sequence.end(), [](char c) { return uint8_t(c) > 32; }))
                    ExecuteSequence(sequence, sequenceStart);
                JobControl = sequence == kUniversalExit;
                run.Clear();
                continue;
            }
            // Parameter bytes up to the next terminator or escape byte.
            size_t end = pos + 1;
            while (end < data.size() && data[end] != kEsc && !IsTerminator(uint8_t(data[end])))
                ++end;
            CurrentInput->Seek(end);
            continue;
        }
        if (TransparentBytes > 0) {
            // Transparent print data: characters of the font, control codes included.
            const size_t length = std::min(size_t(TransparentBytes), data.size() - pos);
            TransparentBytes = 0;
            if (!run.Empty())
                FlushText(run.View());
            run.Clear();
            CurrentInput->Seek(pos + length);
            if (!DefiningMacro)
                PageHasContent = true;
            FlushText(data.substr(pos, length));
            continue;
        }
        if (HpglMode) {
            if (!run.Empty())
                FlushText(run.View());
            run.Clear();
            ScanHpgl(data, pos);
            continue;
        }
        if (JobControl) {
            // Job-control lines go to the output as they are; they are not page text.
            const size_t length = JobControlLength(data, pos);
            JobControl = length != 0;
            if (JobControl) {
                EmitText(data.substr(pos, length));
                CurrentInput->Seek(pos + length);
                continue;
            }
        }
        if (b > 31) {
            size_t end = pos + 1;
            while (end < data.size() && uint8_t(data[end]) > 31)
                ++end;
            run.Take(data, pos, end - pos);
            CurrentInput->Seek(end);
            if (!DefiningMacro)
                PageHasContent = true;
            continue;
        }
        CurrentInput->Seek(pos + 1);
        ScanText(run, data, pos);
    }
    if (!run.Empty())
        FlushText(run.View());
    if (PageOutputSize() != 0 && CurrentInput == &InputStream && PageHasContent)
        EndPage();
}

void TPCLBuffer::ScanHpgl(std::string_view data, size_t pos) {
    size_t end = data.find(char(kEsc), pos);
    if (end == std::string_view::npos)
        end = data.size();
    const std::string_view bytes = data.substr(pos, end - pos);
    CurrentInput->Seek(end);
    int64_t unlimited = INT64_MAX;
    const THPGLRun run =
        RunHpgl(Hpgl, bytes, Rendering() ? Out : nullptr, Rendering() ? PlotBudget : unlimited);
    if (run.Marked && !DefiningMacro)
        PageHasContent = true;
    if (DefiningMacro && MacroStream)
        Append(*MacroStream, bytes);
    EmitText(bytes);
}

// Lines that begin with "@PJL", each up to and including its line feed (or up to the next
// escape byte), with the line breaks before them.
size_t TPCLBuffer::JobControlLength(std::string_view data, size_t pos) {
    size_t at = pos;
    for (;;) {
        size_t line = at;
        while (line < data.size() && (data[line] == '\r' || data[line] == '\n'))
            ++line;
        if (data.substr(line, 4) != "@PJL")
            return at - pos;
        size_t end = data.find_first_of(std::string_view("\n\x1b", 2), line);
        if (end == std::string_view::npos)
            return data.size() - pos;
        at = data[end] == '\n' ? end + 1 : end;
    }
}

// A control byte (1..31 except ESC) or NUL at data[pos] in text.
void TPCLBuffer::ScanText(TTextRun& run, std::string_view data, size_t pos) {
    const uint8_t b = uint8_t(data[pos]);
    if (b == 0)
        return;
    if (b == kFormFeed) {
        if (ShowControlCodes)
            run.Add(ControlMark(b));
        run.RemoveFormFeeds();
        FlushText(run.View());
        run.Clear();
        // The next page begins at its top, at the first line.
        Page.CursorY = RoundHalfEven(Page.VMI * 0.75) + 150;
        const size_t pages = PageList.size();
        EndPage();
        if (KeepPageEjects && PageList.size() > pages)
            EmitPageEject();
        return;
    }
    if (b == kCarriageReturn) {
        FlushText(run.View());
        run.Clear();
        if (ShowControlCodes)
            run.Add(ControlMark(b));
        else
            run.Take(data, pos, 1);
        Page.CursorX = 0;
        return;
    }
    if (ShowControlCodes)
        run.Add(ControlMark(b));
    else
        run.Take(data, pos, 1);
}

// Splits one escape sequence into commands: "\x1b&l1o2a0E" gives ESC&l1O, ESC&l2A, ESC&l0E.
bool TPCLBuffer::ExecuteSequence(std::string_view sequence, size_t inputStart) {
    AnnouncedGlyph = false;
    AnnouncedHeader = false;
    std::string_view prefix;
    std::string_view rest;
    const bool twoCharacter = sequence.size() >= 2 && sequence[0] == kEsc && uint8_t(sequence[1]) >= 48 &&
                              uint8_t(sequence[1]) <= 126;
    if (twoCharacter) {
        if (sequence[1] == '9' || sequence[1] == '=') {
            DispatchCommand(sequence.substr(0, 2));
            return false;
        }
        prefix = sequence.substr(0, 1);
        rest = sequence.substr(1, 1);
    } else if (sequence.size() == 3 && IsTerminator(uint8_t(sequence[2]))) {
        // A command without a group character or value ("ESC(X": font 0 by identifier).
        prefix = sequence.substr(0, 2);
        rest = sequence.substr(2);
    } else {
        prefix = sequence.substr(0, std::min<size_t>(3, sequence.size()));
        rest = sequence.substr(prefix.size());
    }
    TCommandKeyPacker prefixKey;
    prefixKey.Add(prefix);
    char shortCommand[64];
    std::string command;
    size_t start = 0;
    bool blockRead = false;
    for (size_t i = 0; i < rest.size(); ++i) {
        const char c = i + 1 == rest.size() ? Lower(rest[i]) : rest[i];
        if (!IsCommandEnd(c))
            continue;
        const std::string_view accumulator = rest.substr(start, i - start);
        std::string_view text;
        if (start == 0 && rest[i] == Upper(c)) {
            // The first command of the sequence, already in upper case: the input's own bytes.
            text = sequence.substr(0, prefix.size() + i + 1);
        } else if (prefix.size() + accumulator.size() < sizeof(shortCommand)) {
            std::memcpy(shortCommand, prefix.data(), prefix.size());
            std::memcpy(shortCommand + prefix.size(), accumulator.data(), accumulator.size());
            shortCommand[prefix.size() + accumulator.size()] = Upper(c);
            text = std::string_view(shortCommand, prefix.size() + accumulator.size() + 1);
        } else {
            command.assign(prefix);
            command.append(accumulator);
            command += Upper(c);
            text = command;
        }
        start = i + 1;
        TCommandKeyPacker key = prefixKey;
        key.Add(accumulator);
        key.Add(c);
        DispatchCommand(text, key.Value() ? key.Value() : PackedCommandKey(text));
        if (Upper(c) != 'W')
            continue;
        const int32_t n = BlockLength(accumulator);
        // The blocks follow the sequence's last command, one after the other. That is where the
        // scan stands after a terminated sequence; a sequence ended by the next escape byte holds
        // the start of its data after its last command.
        if (n > 0 && !blockRead)
            CurrentInput->Seek(inputStart + prefix.size() + LastCommandEnd(rest) + 1);
        ReadBinaryBlock(text, n);
        blockRead = blockRead || n > 0;
    }
    return blockRead;
}

// The data block of n bytes announced by a command ending in W: read whole from the input
// position, so that the scan stays in step with the input, and re-emitted after its command.
void TPCLBuffer::ReadBinaryBlock(std::string_view command, int32_t n) {
    const std::string_view data = CurrentInput->View();
    const size_t pos = std::min(CurrentInput->Position(), data.size());
    const size_t count = n > 0 ? std::min(size_t(n), data.size() - pos) : 0;
    CurrentInput->Seek(pos + count);
    HandleBlock(command, data.substr(pos, count));
}

void TPCLBuffer::HandleBlock(std::string_view command, std::string_view block) {
    if (DefiningMacro && MacroStream)
        Append(*MacroStream, block);
    static const uint32_t rasterKey = PackedCommandKey("*bW");
    const bool raster = PackedCommandKey(command) == rasterKey;
    if (raster && !block.empty() && !DefiningMacro)
        PageHasContent = true;
    // Fonts are kept in every parse: later pages use them, drawn or not.
    if (AnnouncedGlyph || AnnouncedHeader)
        StoreSoftFontBlock(block);
    else if (raster && Rendering())
        DrawRasterRow(block);
    EmitText(AnnouncedHeader ? std::string_view(RewriteFontHeader(block)) : block);
    AnnouncedHeader = false;
}

// A glyph goes into the font of the current identifier; a header makes a new font under it,
// replacing any font stored there, as a printer does.
void TPCLBuffer::StoreSoftFontBlock(std::string_view block) {
    if (AnnouncedGlyph) {
        AnnouncedGlyph = false;
        TSoftFont* font = MutableSoftFont(Font.FontID);
        if (!font)
            return;
        GlyphBudget -= font->StoreGlyph(Font.CharacterCode, block, GlyphBudget);
        CurrentSoftFont = font;
        return;
    }
    auto font = std::make_shared<TSoftFont>(block);
    CurrentSoftFont = font.get();
    SoftFonts[Font.FontID] = std::move(font);
}

TSoftFont* TPCLBuffer::MutableSoftFont(uint16_t id) {
    auto it = SoftFonts.find(id);
    if (it == SoftFonts.end())
        return nullptr;
    if (it->second.use_count() > 1)
        it->second = std::make_shared<TSoftFont>(*it->second);
    return it->second.get();
}

const TSoftFont* TPCLBuffer::FindSoftFont(uint16_t id) const {
    auto it = SoftFonts.find(id);
    return it == SoftFonts.end() ? nullptr : it->second.get();
}

void TPCLBuffer::FreeSoftFonts() {
    CurrentSoftFont = nullptr;
    SoftFonts.clear();
}

void TPCLBuffer::DispatchCommand(std::string_view command) {
    DispatchCommand(command, PackedCommandKey(command));
}

void TPCLBuffer::DispatchCommand(std::string_view command, uint32_t packedKey) {
    if (DefiningMacro && MacroStream)
        Append(*MacroStream, command);
    TPCLHandler handler = Commands.Lookup(packedKey);
    (this->*(handler ? handler : &TPCLBuffer::CmdUnknown))(command);
}

void TPCLBuffer::EmitCommand(std::string_view command) {
    if (!SubstituteKeys.empty()) {
        const std::string key = CommandKey(command);
        for (size_t i = 0; i < SubstituteKeys.size(); ++i) {
            if (SameText(SubstituteKeys[i], key)) {
                EmitText(SubstituteTexts[i]);
                return;
            }
        }
    }
    EmitText(command);
}

void TPCLBuffer::EmitPageEject() {
    EmitText(std::string(1, char(kFormFeed)));
    // The page streams stay without it.
    PageOutputStart = WholePending.size();
}

void TPCLBuffer::EmitText(std::string_view text) {
    if (text.empty())
        return;
    WholePending.append(text);
}

void TPCLBuffer::FlushText(std::string_view run) {
    if (Rendering()) {
        if (Font.SelectedFont >= 0) {
            // A soft font draws the run; without one nothing is drawn.
            auto it = SoftFonts.find(uint16_t(Font.SelectedFont));
            if (it != SoftFonts.end()) {
                CurrentSoftFont = it->second.get();
                DrawSoftFontRun(*it->second, run);
            }
        } else if (DefiningMacro && MacroStream) {
            Append(*MacroStream, run);
        } else {
            DrawTextRun(run);
        }
    }
    EmitText(run);
}

// Finishes the page being collected. Only the top-level scan of InputStream makes pages; a
// page stream or a macro being scanned only starts a new collection. A page without content
// is no page; a form feed drops its commands with it, but a page-size command that ends it
// keeps them for the page it starts: drivers send orientation and page size twice over, and
// the orientation before the second page-size command belongs to the page that follows.
void TPCLBuffer::EndPage(bool keepEmptyPage) {
    if (CurrentInput != &InputStream) {
        StartPageOutput();
        return;
    }
    if (PageHasContent) {
        PageList.push_back(std::make_unique<THLWMemorystream>(TakePageOutput()));
        PageSnapshots.push_back(std::move(CollectedPageSnapshot));
    } else if (keepEmptyPage) {
        return;
    }
    PageHasContent = false;
    StartPageOutput();
}

void TPCLBuffer::StartPageOutput() {
    PageOutputStart = WholePending.size();
    PageOutputGaps.clear();
    // A macro's scan starts a collection of its own inside the page; the page began earlier.
    // Only the pages of the input are kept, and only they need the state they begin with.
    if (MacroDepth == 0 && CurrentInput == &InputStream)
        CollectedPageSnapshot = TakeSnapshot();
}

uint8_t TPCLBuffer::GetPageOrientation(int page) const {
    if (page < 1 || page > GetPageCount())
        return 0;
    return PageSnapshots[size_t(page - 1)].Page.Orientation;
}

TPCLBuffer::TPageSnapshot TPCLBuffer::TakeSnapshot() const {
    return TPageSnapshot{Page, Font,    Raster.RasterPresentation, Raster.PatternID, SoftFonts, Macros,
                         Hpgl, HpglMode};
}

void TPCLBuffer::RestoreSnapshot(const TPageSnapshot& snapshot) {
    Page = snapshot.Page;
    Font = snapshot.Font;
    Raster = TPCLRasterState{};
    Raster.RasterPresentation = snapshot.RasterPresentation;
    Raster.PatternID = snapshot.PatternID;
    SoftFonts = snapshot.SoftFonts;
    CurrentSoftFont = nullptr;
    Macros = snapshot.Macros;
    Hpgl = snapshot.Hpgl;
    HpglMode = snapshot.HpglMode;
    DefiningMacro = false;
    MacroStream.reset();
}

size_t TPCLBuffer::PageOutputSize() const {
    size_t size = WholePending.size() - PageOutputStart;
    for (const auto& [from, to] : PageOutputGaps)
        size -= to - from;
    return size;
}

std::string TPCLBuffer::TakePageOutput() {
    std::string page;
    page.reserve(PageOutputSize());
    size_t from = PageOutputStart;
    for (const auto& gap : PageOutputGaps) {
        page.append(WholePending, from, gap.first - from);
        from = gap.second;
    }
    page.append(WholePending, from, std::string::npos);
    return page;
}

void TPCLBuffer::ResetPageState() {
    if (Page.MacroID != 0)
        return;
    Page.TopMargin = 150;
    Page.PageSizeCode = Page.PageSizeCode == 2 ? 2 : 3;
    const bool letter = Page.PageSizeCode == 2;
    Page.BottomLimit = letter ? 3160 : 4050;
    Page.PageLength = letter ? 3300 : 4200;
    Page.LeftOffset = 50;
    Page.RightMargin = 2400;
    Page.CursorY = RoundHalfEven(Page.VMI * 0.75) + 150;
    Page.CursorX = 50;
    Page.PositionStack.clear();

    const uint16_t presentation = Raster.RasterPresentation;
    const int16_t patternId = Raster.PatternID;
    Raster = TPCLRasterState{};
    Raster.RasterPresentation = presentation;
    Raster.PatternID = patternId;

    PageHasContent = false;
    DefiningMacro = false;
    MacroStream.reset();
}

// The unit of measure, spacing and font selection, and then the page's own state. Soft fonts
// and macros are left to the caller: a printer reset keeps the permanent ones.
void TPCLBuffer::ResetModalState() {
    const uint16_t macroId = Page.MacroID;
    Page.MacroID = 0;
    Page.UnitOfMeasure = 300;
    Page.HMI = 12.0;
    Page.LinesPerInch = 6;
    Page.VMI = 50;
    const uint32_t fillColor = Font.FillColor;
    Font = TPCLFontState{};
    Font.FillColor = fillColor;
    CurrentSoftFont = nullptr;
    HpglMode = false;
    Hpgl = THPGLState{};
    ResetPageState();
    Page.MacroID = macroId;
}

void TPCLBuffer::StartPage(TPCLDevice& device) {
    Out = &device;
    FilledArea = 0;
    PlotBudget = kPlotPageAreas * 4200 * 4200;
    Out->StartPage(4200, 4200);
}

TPCLBuffer::TPageSize TPCLBuffer::FinishedPageSize(bool letter, bool landscape) {
    const int length = letter ? 3300 : 4200;
    return landscape ? TPageSize{length, 2550} : TPageSize{2450, length};
}

void TPCLBuffer::FinishFirstPage(TPCLDevice& device, const std::string& paperHint) {
    const bool letter = IsLetterPaper(Page.PagePaperCode) || IsLetterPaper(paperHint);
    const TPageSize size = FinishedPageSize(letter, Page.Orientation == 1);
    device.ResizePage(size.Width, size.Height);
}

void TPCLBuffer::RenderPage(TPCLDevice& device, int page, bool print, const std::string& paperHint) {
    Page.PrintMode = print;
    StartPage(device);
    CurrentInput = GetPageStream(page);
    if (page != -1 && CurrentInput) {
        // A page of the input begins with the state the pages before it left, as on a printer.
        RestoreSnapshot(PageSnapshots[size_t(page - 1)]);
        Page.PrintMode = print;
        RenderThisStream = true;
        MacroBudget = kMacroBudgetFactor * CurrentInput->Size() + kMacroBudgetBase;
        ParseStream(true);
        FlushWholeOutput();
    }
    if (Page.PagePaperCode.empty())
        Page.PagePaperCode = paperHint;
    const TPageSize size = FinishedPageSize(IsLetterPaper(Page.PagePaperCode), Page.Orientation == 1);
    device.ResizePage(size.Width, size.Height);
    CurrentInput = nullptr;
    RenderThisStream = false;
    Out = nullptr;
}

// Runs the macro selected by MacroID as a nested scan that shares the page state. The scan
// works on a copy, so the macro may delete or redefine itself while it runs.
void TPCLBuffer::ExecuteMacro() {
    auto it = Macros.find(Page.MacroID);
    if (it == Macros.end() || MacroDepth >= kMaxMacroDepth || it->second->Body.size() > MacroBudget)
        return;
    MacroBudget -= it->second->Body.size();
    THLWMemorystream body{it->second->Body};

    struct TKept {
        THLWMemorystream* Input;
        size_t OutputStart;
        std::vector<std::pair<size_t, size_t>> OutputGaps;
        int32_t Duplex;
        std::string PaperCode, PagePaperCode;
    } kept{CurrentInput,    PageOutputStart, std::move(PageOutputGaps),
           Page.DuplexMode, Page.PaperCode,  Page.PagePaperCode};
    const size_t expansionStart = WholePending.size();
    auto restore = [&] {
        --MacroDepth;
        CurrentInput = kept.Input;
        PageOutputStart = kept.OutputStart;
        PageOutputGaps = std::move(kept.OutputGaps);
    };
    CurrentInput = &body;
    ++MacroDepth;
    try {
        ParseStream();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    // The expansion goes to the whole output only; the page keeps just the execute command.
    PageOutputGaps.emplace_back(expansionStart, WholePending.size());
    PageHasContent = true;
    Page.DuplexMode = kept.Duplex;
    Page.PaperCode = std::move(kept.PaperCode);
    Page.PagePaperCode = std::move(kept.PagePaperCode);
}

} // namespace pg

namespace pg {

namespace {

// A value with up to two decimals, as PCL parameters are written ("10.5").
std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

} // namespace

// The state a page begins with, as commands: what differs from a printer reset, then the
// fonts and macros earlier pages left in force, then the page itself.
std::string TPCLBuffer::StandalonePage(int page) const {
    if (page < 1 || page > GetPageCount())
        return {};
    const TPageSnapshot& at = PageSnapshots[size_t(page - 1)];
    std::string out;
    auto command = [&](const std::string& text) {
        out += char(kEsc);
        out += text;
    };
    for (const auto& [id, font] : at.SoftFonts) {
        command("*c" + IntToStr(id) + "D");
        const std::string header = RewriteFontHeader(font->Header());
        command(")s" + IntToStr(int64_t(header.size())) + "W");
        out += header;
        for (const auto& [code, glyph] : font->Glyphs()) {
            command("*c" + IntToStr(code) + "E");
            for (const std::string& block : glyph->Blocks) {
                command("(s" + IntToStr(int64_t(block.size())) + "W");
                out += block;
            }
        }
        if (font->Permanent)
            command("*c5F");
    }
    if (!at.SoftFonts.empty())
        command("*c" + IntToStr(at.Font.FontID) + "D");
    const std::string endDefinition = "\x1b&f1X";
    for (const auto& [id, macro] : at.Macros) {
        command("&f" + IntToStr(id) + "Y");
        command("&f0X");
        out += macro->Body;
        if (!std::string_view(macro->Body).ends_with(endDefinition))
            out += endDefinition;
        if (macro->Permanent)
            command("&f10X");
    }
    const TPCLPageState& p = at.Page;
    const TPCLFontState& f = at.Font;
    const TPCLPageState reset;
    const TPCLFontState resetFont;
    if (!at.Macros.empty() || p.MacroID != 0)
        command("&f" + IntToStr(p.MacroID) + "Y");
    if (p.UnitOfMeasure != reset.UnitOfMeasure)
        command("&u" + IntToStr(p.UnitOfMeasure) + "D");
    if (p.Orientation != 0)
        command("&l" + IntToStr(p.Orientation) + "O");
    if (p.LinesPerInch != reset.LinesPerInch)
        command("&l" + IntToStr(p.LinesPerInch) + "D");
    if (p.HMI != reset.HMI)
        command("&k" + Number(p.HMI) + "H");
    if (p.LeftOffset != reset.LeftOffset)
        command("&a" + IntToStr(p.LeftOffset) + "L");
    if (p.TopMargin != reset.TopMargin && p.LinesPerInch > 0 && p.TopMargin * p.LinesPerInch % 300 == 0)
        command("&l" + IntToStr(p.TopMargin * p.LinesPerInch / 300) + "E");
    if (f.PrimarySymbolSet != resetFont.PrimarySymbolSet)
        command("(" + IntToStr(f.PrimarySymbolSet / 32) + char('@' + f.PrimarySymbolSet % 32));
    if (f.PrimarySpacing != resetFont.PrimarySpacing)
        command("(s" + IntToStr(f.PrimarySpacing) + "P");
    if (f.PrimaryPitch != resetFont.PrimaryPitch)
        command("(s" + IntToStr(f.PrimaryPitch) + "H");
    if (f.PrimaryHeight != resetFont.PrimaryHeight)
        command("(s" + Number(f.PrimaryHeight) + "V");
    if (f.PrimaryStyle != resetFont.PrimaryStyle)
        command("(s" + IntToStr(f.PrimaryStyle) + "S");
    if (f.PrimaryStrokeWeight != resetFont.PrimaryStrokeWeight)
        command("(s" + IntToStr(f.PrimaryStrokeWeight) + "B");
    if (f.PrimaryTypeface != resetFont.PrimaryTypeface)
        command("(s" + IntToStr(f.PrimaryTypeface) + "T");
    if (f.SelectedFont >= 0)
        command("(" + IntToStr(f.SelectedFont) + "X");
    out += PageList[size_t(page - 1)]->View();
    return out;
}

} // namespace pg
