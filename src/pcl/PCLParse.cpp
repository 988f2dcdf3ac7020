#include "PCLParse.h"

#include "PCLValues.h"
#include "Strings.h"

#include <stdexcept>

namespace pg {

namespace {

// Macro runs of one parse may scan this many times the parsed input, plus a fixed allowance.
constexpr size_t kMacroBudgetFactor = 16;
constexpr size_t kMacroBudgetBase = size_t(1) << 20;
constexpr char kFormFeed = 12;

void Append(THLWMemorystream& stream, std::string_view bytes) {
    if (bytes.empty())
        return;
    stream.Seek(stream.Size());
    stream.Write(bytes);
}

} // namespace

TPCLBuffer::TPCLBuffer() : Interpreter(*this, Output) {}

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

void TPCLBuffer::Parse(TPCLDevice* firstPage) {
    Interpreter.StopDrawing();
    // An interpreter is parsed once: only while no page is stored is there a first page.
    if (firstPage)
        Interpreter.StartDrawing(*firstPage, PageList.empty() ? TPCLInterpreter::TDrawing::FirstPage
                                                              : TPCLInterpreter::TDrawing::None);
    CurrentInput = &InputStream;
    Interpreter.MacroBudget = kMacroBudgetFactor * InputStream.Size() + kMacroBudgetBase;
    // The output is about as long as the input: room for it up front saves regrowing.
    Output.Pending().reserve(InputStream.Size() + InputStream.Size() / 16);
    ParseStream();
    FlushWholeOutput();
    Interpreter.StopDrawing();
}

void TPCLBuffer::FlushWholeOutput() {
    if (Output.Pending().empty())
        return;
    if (WholeOutput.Size() == 0)
        WholeOutput = THLWMemorystream(std::move(Output.Pending()));
    else
        Append(WholeOutput, Output.Pending());
    Output.Pending().clear();
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

void TPCLBuffer::EmitPageEject() {
    Output.EmitText(std::string_view(&kFormFeed, 1));
    // The page streams stay without it.
    PageOutputStart = Output.Pending().size();
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
    if (Interpreter.PageHasContent) {
        PageList.push_back(std::make_unique<THLWMemorystream>(TakePageOutput()));
        PageStarts.push_back(std::move(CollectedPageStart));
        Interpreter.EndFirstPage();
    } else if (keepEmptyPage) {
        return;
    }
    Interpreter.PageHasContent = false;
    StartPageOutput();
}

void TPCLBuffer::StartPageOutput() {
    PageOutputStart = Output.Pending().size();
    PageOutputGaps.clear();
    // A macro's scan starts a collection of its own inside the page; the page began earlier.
    // Only the pages of the input are kept, and only they need the state they begin with.
    if (Interpreter.MacroDepth == 0 && CurrentInput == &InputStream)
        CollectedPageStart = Interpreter.State.AtPageStart();
}

uint8_t TPCLBuffer::GetPageOrientation(int page) const {
    if (page < 1 || page > GetPageCount())
        return 0;
    return PageStarts[size_t(page - 1)].Page.Orientation;
}

size_t TPCLBuffer::PageOutputSize() const {
    size_t size = Output.Pending().size() - PageOutputStart;
    for (const auto& [from, to] : PageOutputGaps)
        size -= to - from;
    return size;
}

std::string TPCLBuffer::TakePageOutput() {
    std::string page;
    page.reserve(PageOutputSize());
    size_t from = PageOutputStart;
    for (const auto& gap : PageOutputGaps) {
        page.append(Output.Pending(), from, gap.first - from);
        from = gap.second;
    }
    page.append(Output.Pending(), from, std::string::npos);
    return page;
}

void TPCLBuffer::FinishFirstPage(TPCLDevice& device, const std::string& paperHint) {
    const TPCLPageState& state = Interpreter.State.Page;
    const bool letter = IsLetterPaper(state.PagePaperCode) || IsLetterPaper(paperHint);
    const TPageSize size = FinishedPageSize(letter, state.Orientation == 1);
    device.ResizePage(size.Width, size.Height);
}

void TPCLBuffer::RenderPage(TPCLDevice& device, int page, bool print, const std::string& paperHint) {
    TPCLPageState& state = Interpreter.State.Page;
    state.PrintMode = print;
    CurrentInput = GetPageStream(page);
    const bool drawn = page != -1 && CurrentInput;
    Interpreter.StartDrawing(device, drawn ? TPCLInterpreter::TDrawing::WholeStream
                                           : TPCLInterpreter::TDrawing::None);
    if (drawn) {
        // A page of the input begins with the state the pages before it left, as on a printer.
        Interpreter.RestoreState(PageStarts[size_t(page - 1)]);
        Interpreter.PageHasContent = false;
        state.PrintMode = print;
        Interpreter.MacroBudget = kMacroBudgetFactor * CurrentInput->Size() + kMacroBudgetBase;
        ParseStream(true);
        FlushWholeOutput();
    }
    if (state.PagePaperCode.empty())
        state.PagePaperCode = paperHint;
    const TPageSize size = FinishedPageSize(IsLetterPaper(state.PagePaperCode), state.Orientation == 1);
    device.ResizePage(size.Width, size.Height);
    CurrentInput = nullptr;
    Interpreter.StopDrawing();
}

// A macro's body is scanned as a part of the page that runs it: the page's stream keeps only
// the command that ran it, the whole output gets the expansion after that command.
void TPCLBuffer::RunMacro(THLWMemorystream& body) {
    THLWMemorystream* const input = CurrentInput;
    const size_t outputStart = PageOutputStart;
    std::vector<std::pair<size_t, size_t>> outputGaps = std::move(PageOutputGaps);
    const size_t expansionStart = Output.Pending().size();
    auto restore = [&] {
        CurrentInput = input;
        PageOutputStart = outputStart;
        PageOutputGaps = std::move(outputGaps);
    };
    CurrentInput = &body;
    try {
        ParseStream();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    PageOutputGaps.emplace_back(expansionStart, Output.Pending().size());
}

} // namespace pg
