#include "PclXlDocument.h"

#include "Strings.h"

#include <algorithm>

namespace pg {

TPclXlDocument::TPclXlDocument(std::string stream)
    : stream_(std::make_shared<const std::string>(std::move(stream))) {
    xl::TReader reader(*stream_);
    binding_ = reader.Binding();
    xl::TInterpreter scan(nullptr);
    std::shared_ptr<TPageStart> open;
    xl::TInterpreter::TCallbacks callbacks;
    callbacks.PageStart = [&](size_t offset) {
        open = std::make_shared<TPageStart>();
        open->Offset = offset;
        open->Session = scan.Session();
    };
    callbacks.PageEnd = [&] {
        if (!open)
            return;
        open->Setup = scan.Page();
        const int copies = std::clamp(scan.Page().Copies, 1, kMaxCopies);
        for (int i = 0; i < copies && pages_.size() < kMaxPages; ++i)
            pages_.push_back(open);
        open.reset();
    };
    scan.Run(reader, callbacks, false);
    // A stream that ends inside a page still shows what the page holds so far.
    if (open && scan.InPage() && pages_.size() < kMaxPages) {
        open->Setup = scan.Page();
        pages_.push_back(open);
    }
}

TPclXlDocument::TPclXlDocument(std::shared_ptr<const std::string> stream, xl::TBinding binding,
                               std::vector<std::shared_ptr<const TPageStart>> pages)
    : stream_(std::move(stream)), binding_(binding), pages_(std::move(pages)) {}

TPageFacts TPclXlDocument::FactsOf(const xl::TPageSetup& setup) {
    TPageFacts facts;
    facts.Landscape = setup.Orientation % 2 == 1;
    facts.Width = facts.Landscape ? setup.Height : setup.Width;
    facts.Height = facts.Landscape ? setup.Width : setup.Height;
    facts.Letter = setup.MediaSize == 0;
    facts.PaperCode = setup.MediaSize == 0 ? "LTR" : setup.MediaSize == 1 ? "LGL" : setup.MediaName;
    facts.DuplexMode = setup.Duplex ? 1 : -1;
    return facts;
}

TPageFacts TPclXlDocument::PageFacts(int page, const TRunOptions& options) {
    if (!HasPage(page))
        return TPageDocument::PageFacts(page, options);
    return FactsOf(pages_[size_t(page - 1)]->Setup);
}

TPageFacts TPclXlDocument::RunPage(int page, TPCLDevice& device, const TRunOptions& options) {
    if (!HasPage(page)) {
        TPageFacts facts;
        facts.Letter = IsLetterPaper(options.PaperHint);
        facts.Width = 2550;
        facts.Height = facts.Letter ? 3300 : 4200;
        device.StartPage(facts.Width, facts.Height);
        return facts;
    }
    const TPageStart& start = *pages_[size_t(page - 1)];
    xl::TInterpreter interpreter(&device);
    interpreter.Session() = start.Session;
    xl::TReader reader(*stream_, start.Offset, binding_);
    interpreter.Run(reader, {}, true);
    return FactsOf(start.Setup);
}

std::unique_ptr<TPageDocument> TPclXlDocument::DetachPage(int page) const {
    if (!HasPage(page))
        return nullptr;
    return std::unique_ptr<TPageDocument>(new TPclXlDocument(stream_, binding_, {pages_[size_t(page - 1)]}));
}

} // namespace pg
