#include "PclPageDocuments.h"

#include "PCLParse.h"
#include "Strings.h"

#include <stdexcept>

namespace pg {

void RemovePageSizeCommands(THLWMemorystream& stream) {
    stream.ReplaceAll("\x1b&l2A", "");
    stream.ReplaceAll("\x1b&l3A", "");
}

std::string FormPagePaper(std::string_view pageBytes, const std::string& formPageSize) {
    // The same bytes RemovePageSizeCommands takes out before the page is drawn.
    const size_t letter = pageBytes.rfind("\x1b&l2A"), legal = pageBytes.rfind("\x1b&l3A");
    if (letter != std::string_view::npos && (legal == std::string_view::npos || letter > legal))
        return "LTR";
    if (legal != std::string_view::npos)
        return "LGL";
    if (formPageSize.empty())
        return {};
    return IsLetterPaper(formPageSize) ? "LTR" : "LGL";
}

namespace {

// The options with the paper a document knows for its page in place of the caller's hint.
TRunOptions OnPaper(const TRunOptions& options, const std::string& paper) {
    TRunOptions on = options;
    if (!paper.empty())
        on.PaperHint = paper;
    return on;
}

// What the interpreter's state says of the page it finished on letter or legal paper.
TPageFacts FactsOf(const TPCLBuffer& buffer, bool letter) {
    TPageFacts facts;
    facts.Letter = letter;
    facts.Landscape = buffer.PageState().Orientation == 1;
    const TPCLBuffer::TPageSize size = TPCLBuffer::FinishedPageSize(letter, facts.Landscape);
    facts.Width = size.Width;
    facts.Height = size.Height;
    facts.PaperCode = buffer.GetPaperCode();
    facts.DuplexMode = buffer.GetDuplexMode();
    return facts;
}

// A page on its own, drawn as the page window draws one: a fresh interpreter on the bytes
// without their letter and legal commands. On screen the first page is drawn while the bytes
// are scanned and then sized (letter when the page or the hint says letter); in the print
// look the scan only splits and the first page is drawn anew, on the paper it names or the
// hint's. The bytes are one page whatever resets they hold (a package page's fill and
// template may each begin with one).
TPageFacts RunAlone(std::string pcl, TPCLDevice& device, const TRunOptions& options) {
    THLWMemorystream stream(std::move(pcl));
    RemovePageSizeCommands(stream);
    TPCLBuffer buffer;
    buffer.SetResetsEndPages(false);
    buffer.SetPaperHint(options.PaperHint);
    stream.Seek(0);
    buffer.LoadFromStream(stream);
    buffer.SetFillColor(options.FillColour);
    if (options.PrintMode) {
        buffer.Parse();
        buffer.RenderPage(device, 1, true, options.PaperHint);
        return FactsOf(buffer, IsLetterPaper(buffer.PageState().PagePaperCode));
    }
    buffer.Parse(&device);
    buffer.FinishFirstPage(device, options.PaperHint);
    return FactsOf(buffer,
                   IsLetterPaper(buffer.PageState().PagePaperCode) || IsLetterPaper(options.PaperHint));
}

// A page that does not exist: a blank page of the size a page naming no paper gets.
TPageFacts RunBlank(TPCLDevice& device, const TRunOptions& options) {
    TPageFacts facts;
    facts.Letter = IsLetterPaper(options.PaperHint);
    const TPCLBuffer::TPageSize size = TPCLBuffer::FinishedPageSize(facts.Letter, false);
    facts.Width = size.Width;
    facts.Height = size.Height;
    device.StartPage(size.Width, size.Height);
    return facts;
}

} // namespace

// ---- One page ----------------------------------------------------------------------------

TPageFacts TPclPageDocument::RunPage(int page, TPCLDevice& device, const TRunOptions& options) {
    if (page != 1)
        return RunBlank(device, OnPaper(options, paper_));
    return RunAlone(pcl_, device, OnPaper(options, paper_));
}

std::unique_ptr<TPageDocument> TPclPageDocument::DetachPage(int page) const {
    if (page != 1)
        return nullptr;
    return std::make_unique<TPclPageDocument>(pcl_, paper_);
}

// ---- A package form ----------------------------------------------------------------------

std::string TPackageFormDocument::PageBytes(int page) const {
    if (page < 1 || page > PageCount())
        return {};
    const TDocSetPage& p = *form_->Pages[size_t(page - 1)];
    const std::string_view fill = p.FillData.View(), templ = p.TemplateData.View();
    std::string bytes;
    bytes.reserve(fill.size() + templ.size());
    bytes.append(fill);
    bytes.append(templ);
    return bytes;
}

std::string TPackageFormDocument::PagePaper(int page) const {
    if (!HasPage(page))
        return FormPagePaper({}, form_->PageSize);
    const TDocSetPage& p = *form_->Pages[size_t(page - 1)];
    // The template's command comes after the fill's and so has the last word.
    std::string paper = FormPagePaper(p.TemplateData.View(), {});
    return paper.empty() ? FormPagePaper(p.FillData.View(), form_->PageSize) : paper;
}

TPageFacts TPackageFormDocument::RunPage(int page, TPCLDevice& device, const TRunOptions& options) {
    const TRunOptions on = OnPaper(options, PagePaper(page));
    if (!HasPage(page))
        return RunBlank(device, on);
    return RunAlone(PageBytes(page), device, on);
}

TPageDocumentTraits TPackageFormDocument::Traits() const {
    TPageDocumentTraits traits;
    traits.PackagePages = true;
    return traits;
}

std::unique_ptr<TPageDocument> TPackageFormDocument::DetachPage(int page) const {
    if (!HasPage(page))
        return nullptr;
    return std::make_unique<TPclPageDocument>(PageBytes(page), PagePaper(page));
}

// ---- A plain file or a job ---------------------------------------------------------------

TPclFileDocument::TPclFileDocument(std::string_view pcl, TUse use, uint32_t fillColour)
    : use_(use), splitColour_(fillColour), file_(std::make_unique<TPCLBuffer>()) {
    file_->AppendData(pcl);
    file_->SetFillColor(fillColour);
    file_->Parse();
}

std::unique_ptr<TPclFileDocument> TPclFileDocument::FromFile(const std::string& path, TUse use) {
    THLWMemorystream bytes;
    if (!bytes.LoadFromFile(path))
        throw std::runtime_error("Cannot open " + path);
    return std::make_unique<TPclFileDocument>(bytes.View(), use);
}

TPclFileDocument::~TPclFileDocument() = default;

void TPclFileDocument::SplitAgain(uint32_t fillColour) {
    auto fresh = std::make_unique<TPCLBuffer>();
    fresh->AppendData(Input());
    fresh->SetFillColor(fillColour);
    fresh->Parse();
    file_ = std::move(fresh);
    splitColour_ = fillColour;
}

std::string_view TPclFileDocument::Input() const {
    return file_->GetPageStream(-1)->View();
}

int TPclFileDocument::PageCount() const {
    return file_->GetPageCount();
}

std::string TPclFileDocument::PagePcl(int page) const {
    return file_->StandalonePage(page);
}

TPageFacts TPclFileDocument::RunPage(int page, TPCLDevice& device, const TRunOptions& options) {
    if (!HasPage(page))
        return RunBlank(device, options);
    if (use_ == TUse::View)
        return RunAlone(PagePcl(page), device, options);
    if (options.FillColour != splitColour_)
        SplitAgain(options.FillColour);
    file_->RenderPage(device, page, options.PrintMode, options.PaperHint);
    return FactsOf(*file_, IsLetterPaper(file_->PageState().PagePaperCode));
}

std::unique_ptr<TPageDocument> TPclFileDocument::DetachPage(int page) const {
    if (use_ != TUse::View || !HasPage(page))
        return nullptr;
    return std::make_unique<TPclPageDocument>(PagePcl(page));
}

} // namespace pg
