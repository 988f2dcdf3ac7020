#pragma once
// A PCL XL stream as a page document. Opening it runs the interpreter once without drawing,
// which finds the pages and keeps, for each, where it begins and the session (units, fonts,
// streams, patterns) in force there; a page is drawn by running from its beginning to its end.
// A page printed in several copies counts once per copy, as the printer prints it.

#include "PageDocument.h"
#include "PclXlInterpreter.h"

#include <memory>
#include <string>
#include <vector>

namespace pg {

class TPclXlDocument : public TPageDocument {
public:
    // stream starts with the PCL XL stream header.
    explicit TPclXlDocument(std::string stream);

    int PageCount() const override { return int(pages_.size()); }
    TPageFacts PageFacts(int page, const TRunOptions& options = {}) override;
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override { return {}; }
    std::unique_ptr<TPageDocument> DetachPage(int page) const override;

    // The most copies of a page that are counted as pages, and the most pages of a document.
    static constexpr int kMaxCopies = 99;
    static constexpr size_t kMaxPages = 100000;

private:
    struct TPageStart {
        size_t Offset = 0;
        xl::TSession Session;
        xl::TPageSetup Setup;
    };
    TPclXlDocument(std::shared_ptr<const std::string> stream, xl::TBinding binding,
                   std::vector<std::shared_ptr<const TPageStart>> pages);
    static TPageFacts FactsOf(const xl::TPageSetup& setup);

    std::shared_ptr<const std::string> stream_;
    xl::TBinding binding_ = xl::TBinding::LowByteFirst;
    std::vector<std::shared_ptr<const TPageStart>> pages_;
};

} // namespace pg
