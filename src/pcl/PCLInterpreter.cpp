#include "PCLInterpreter.h"

#include "PCLCommandFamilies.h"
#include "PCLText.h"
#include "PCLValues.h"
#include "Prompt.h"

#include <algorithm>
#include <stdexcept>

namespace pg {

namespace {

const TPCLCommandEntries& CommandEntries() {
    static const TPCLCommandEntries entries = [] {
        TPCLCommandEntries all;
        AddPageCommands(all);
        AddFontCommands(all);
        AddRasterCommands(all);
        AddRectangleCommands(all);
        AddPrintModelCommands(all);
        AddColourCommands(all);
        AddMacroCommands(all);
        AddHpglCommands(all);
        std::sort(all.begin(), all.end(),
                  [](const TPCLCommandEntry& a, const TPCLCommandEntry& b) { return a.Number < b.Number; });
        for (size_t i = 0; i < all.size(); ++i)
            if (all[i].Number != int(i) + 1)
                throw std::logic_error("The PCL command families leave out or repeat entry " +
                                       std::to_string(i + 1));
        return all;
    }();
    return entries;
}

// The device HP-GL/2 draws through: the caller's, with the paints the plotter names by pattern
// number made concrete by the print model (tiles, reference point, logical operation).
class TResolvingDevice : public TPCLDevice {
public:
    TResolvingDevice(TPCLDevice& device, const TPCLInterpreter& ip) : device_(device), ip_(ip) {}

    void StartPage(int width, int height) override { device_.StartPage(width, height); }
    void ResizePage(int width, int height) override { device_.ResizePage(width, height); }
    int PageWidth() const override { return device_.PageWidth(); }
    int PageHeight() const override { return device_.PageHeight(); }
    bool Monochrome() const override { return device_.Monochrome(); }
    void DrawTextRun(const TDeviceFont& font, std::span<const TPlacedChar> chars) override {
        TDeviceFont resolved = font;
        resolved.Paint = ip_.Resolved(font.Paint);
        device_.DrawTextRun(resolved, chars);
    }
    int MeasureChar(const TDeviceFont& font, uint32_t ch) override { return device_.MeasureChar(font, ch); }
    void DrawGlyph(int x, int y, const TBitImage& glyph, const TPaint& paint) override {
        device_.DrawGlyph(x, y, glyph, ip_.Resolved(paint));
    }
    void SoftFontText(int height, std::span<const TPlacedChar> chars) override {
        device_.SoftFontText(height, chars);
    }
    void DrawRasterRow(int x, int y, std::span<const uint8_t> bits, size_t bitCount,
                       TRasterDirection direction, const TPaint& paint) override {
        device_.DrawRasterRow(x, y, bits, bitCount, direction, ip_.Resolved(paint));
    }
    void FillRectangle(int left, int top, int width, int height, const TPaint& paint) override {
        device_.FillRectangle(left, top, width, height, ip_.Resolved(paint));
    }
    void FillPolygon(std::span<const TPolygonRing> rings, TFillRule rule, const TPaint& paint) override {
        device_.FillPolygon(rings, rule, ip_.Resolved(paint));
    }
    void DrawLine(int x1, int y1, int x2, int y2, int penWidth, uint32_t colour) override {
        device_.DrawLine(x1, y1, x2, y2, penWidth, colour);
    }
    void StrokePath(std::span<const TPolygonRing> paths, bool closed, const TStrokeStyle& style) override {
        // A pen in a colour between black and white is a halftone on a black-and-white page:
        // its outline is filled through FillPolygon, which resolves the colour.
        const uint32_t colour = style.Colour & 0x00FFFFFF;
        if (device_.Monochrome() && colour != 0 && colour != 0x00FFFFFF)
            TPCLDevice::StrokePath(paths, closed, style);
        else
            device_.StrokePath(paths, closed, style);
    }
    void FillEllipse(int left, int top, int right, int bottom, uint32_t colour) override {
        device_.FillEllipse(left, top, right, bottom, colour);
    }
    void DrawPicture(int x, int y, const TPicture& picture) override { device_.DrawPicture(x, y, picture); }

private:
    TPCLDevice& device_;
    const TPCLInterpreter& ip_;
};

} // namespace

void CmdEmitOnly(TPCLInterpreter& interpreter, std::string_view command) {
    interpreter.Emit(command);
}

void CmdUnknown(TPCLInterpreter& interpreter, std::string_view command) {
    interpreter.Emit(command);
}

const TPCLStringList& TPCLInterpreter::Commands() {
    static const TPCLStringList table = [] {
        TPCLStringList t;
        for (const TPCLCommandEntry& e : CommandEntries())
            t.Register(e.Key, e.Handler);
        return t;
    }();
    return table;
}

std::string_view TPCLInterpreter::HandlerName(TPCLHandler handler) {
    if (handler == &CmdUnknown)
        return "Unknown";
    for (const TPCLCommandEntry& e : CommandEntries())
        if (e.Handler == handler)
            return e.Name;
    return {};
}

TPCLInterpreter::TPCLInterpreter(TPCLInterpreterHost& host, TPCLOutput& output)
    : commands_(Commands()), host_(host), output_(output) {}

void TPCLInterpreter::BeginStream(bool fromSnapshot) {
    State.Page.DuplexMode = -1;
    if (MacroDepth == 0)
        shownMessages_.clear();
    TransparentBytes = 0;
    if (MacroDepth > 0)
        ResetPageState();
    else if (!fromSnapshot)
        ResetModalState();
}

void TPCLInterpreter::BeginSequence() {
    AnnouncedGlyph = false;
    AnnouncedHeader = false;
}

void TPCLInterpreter::Dispatch(std::string_view command, uint32_t packedKey) {
    if (DefiningMacro)
        MacroBody.append(command);
    const TPCLHandler handler = commands_.Lookup(packedKey);
    (handler ? handler : &CmdUnknown)(*this, command);
}

void TPCLInterpreter::Text(std::string_view run, bool transparent) {
    constexpr char kShiftOut = 14, kShiftIn = 15;
    if (Rendering() && DefiningMacro && State.Font.SelectedFont < 0)
        MacroBody.append(run);
    size_t start = 0;
    for (size_t i = 0; i <= run.size(); ++i) {
        if (i < run.size() && (transparent || (run[i] != kShiftOut && run[i] != kShiftIn)))
            continue;
        if (i > start && Rendering())
            DrawText(run.substr(start, i - start));
        if (i < run.size())
            State.Font.ShiftedOut = run[i] == kShiftOut;
        start = i + 1;
    }
    EmitText(run);
}

void TPCLInterpreter::DrawText(std::string_view run) {
    if (State.Font.SelectedFont >= 0) {
        // A soft font draws the run; without one nothing is drawn.
        auto it = State.SoftFonts.find(uint16_t(State.Font.SelectedFont));
        if (it != State.SoftFonts.end())
            DrawSoftFontRun(*this, *it->second, run);
    } else if (!DefiningMacro) {
        DrawTextRun(*this, run);
    }
}

// Fonts are kept in every parse: later pages use them, drawn or not.
void TPCLInterpreter::Block(std::string_view command, std::string_view block) {
    if (DefiningMacro)
        MacroBody.append(block);
    static const uint32_t rasterKey = PackedCommandKey("*bW");
    static const uint32_t patternKey = PackedCommandKey("*cW");
    static const uint32_t configureKey = PackedCommandKey("*vW");
    const uint32_t key = PackedCommandKey(command);
    const bool raster = key == rasterKey;
    if (raster && !block.empty())
        MarkContent();
    if (AnnouncedGlyph || AnnouncedHeader)
        StoreSoftFontBlock(*this, block);
    else if (raster && Rendering())
        DrawRasterRow(*this, block);
    else if (key == patternKey)
        DefineUserPattern(*this, block);
    else if (key == configureKey)
        ConfigureImageData(*this, block);
    EmitText(AnnouncedHeader ? std::string_view(RewriteFontHeader(block)) : block);
    AnnouncedHeader = false;
}

void TPCLInterpreter::Plot(std::string_view bytes) {
    int64_t unlimited = INT64_MAX;
    std::optional<TResolvingDevice> device;
    if (Rendering())
        device.emplace(*out_, *this);
    const THPGLRun run =
        RunHpgl(State.Hpgl, bytes, device ? &*device : nullptr, Rendering() ? PlotBudget : unlimited);
    if (run.Marked)
        MarkContent();
    if (DefiningMacro)
        MacroBody.append(bytes);
    EmitText(bytes);
}

int32_t TPCLInterpreter::TakeTransparentBytes() {
    const int32_t n = TransparentBytes;
    TransparentBytes = 0;
    return n;
}

void TPCLInterpreter::ToNextPageTop() {
    State.Page.CursorY = RoundHalfEven(State.Page.VMI * 0.75) + 150;
}

void TPCLInterpreter::StartDrawing(TPCLDevice& device, TDrawing drawing) {
    out_ = &device;
    drawing_ = drawing;
    FilledArea = 0;
    PlotBudget = kPlotPageAreas * 4200 * 4200;
    device.StartPage(4200, 4200);
}

void TPCLInterpreter::EndFirstPage() {
    if (drawing_ == TDrawing::FirstPage)
        drawing_ = TDrawing::None;
}

void TPCLInterpreter::StopDrawing() {
    out_ = nullptr;
    drawing_ = TDrawing::None;
}

bool TPCLInterpreter::DrawsSignatureBoxes() const {
    return out_ &&
           ((drawing_ == TDrawing::WholeStream && !State.Page.PrintMode) || drawing_ == TDrawing::FirstPage);
}

void TPCLInterpreter::ShowRenderMessage(const std::string& text, const std::string& kind) {
    const std::string& key = kind.empty() ? text : kind;
    if (std::find(shownMessages_.begin(), shownMessages_.end(), key) != shownMessages_.end())
        return;
    shownMessages_.push_back(key);
    ShowInformation(text);
}

void TPCLInterpreter::ResetPageState() {
    TPCLPageState& page = State.Page;
    if (page.MacroID != 0)
        return;
    page.TopMargin = 150;
    page.PageSizeCode = page.PageSizeCode == 2 ? 2 : 3;
    const bool letter = page.PageSizeCode == 2;
    page.BottomLimit = letter ? 3160 : 4050;
    page.PageLength = letter ? 3300 : 4200;
    page.LeftOffset = 50;
    page.RightMargin = 2400;
    page.CursorY = RoundHalfEven(page.VMI * 0.75) + 150;
    page.CursorX = 50;
    page.PositionStack.clear();
    State.Raster = State.Raster.AfterPageReset();
    PageHasContent = false;
    DefiningMacro = false;
    MacroBody.clear();
}

// The unit of measure, spacing and font selection, and then the page's own state.
void TPCLInterpreter::ResetModalState() {
    TPCLPageState& page = State.Page;
    const uint16_t macroId = page.MacroID;
    page.MacroID = 0;
    page.UnitOfMeasure = 300;
    page.HMI = 12.0;
    page.LinesPerInch = 6;
    page.VMI = 50;
    const uint32_t fillColor = State.Font.FillColor;
    State.Font = TPCLFontState{};
    State.Font.FillColor = fillColor;
    State.HpglMode = false;
    State.Hpgl = THPGLState{};
    State.Raster.ResetPrintModel();
    State.Colour = TPCLColourState{};
    page.PrintDirection = 0;
    ResetPageState();
    page.MacroID = macroId;
}

void TPCLInterpreter::RestoreState(const TPCLGraphicsState& state) {
    State = state;
    DefiningMacro = false;
    MacroBody.clear();
}

int32_t TPCLInterpreter::UnitsToDots(int32_t units) const {
    const int16_t unit = State.Page.UnitOfMeasure;
    if (unit <= 0 || unit == 300)
        return units;
    return RoundHalfEven(double(units) * 300.0 / unit);
}

int32_t TPCLInterpreter::LineAdvance() const {
    return State.Page.LinesPerInch == 0 ? 0 : 300 / State.Page.LinesPerInch;
}

TSoftFont* TPCLInterpreter::MutableSoftFont(uint16_t id) {
    auto it = State.SoftFonts.find(id);
    if (it == State.SoftFonts.end())
        return nullptr;
    if (it->second.use_count() > 1)
        it->second = std::make_shared<TSoftFont>(*it->second);
    return it->second.get();
}

const TSoftFont* TPCLInterpreter::FindSoftFont(uint16_t id) const {
    auto it = State.SoftFonts.find(id);
    return it == State.SoftFonts.end() ? nullptr : it->second.get();
}

} // namespace pg
