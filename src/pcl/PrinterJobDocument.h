#pragma once
// Printer files and jobs opened by what they are written in (PrinterLanguage.h): PCL 5 as the
// interpreter's own documents, PCL XL as TPclXlDocument, a job that switches languages as one
// document of all its pages in order. A language we do not draw is refused with its name.

#include "PageDocument.h"
#include "PclPageDocuments.h"
#include "PrinterLanguage.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pg {

// Thrown for a file in a language we do not draw; what() is the message for the user.
class TUndrawnLanguage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The pages of a job in several languages, one document per stretch, in order.
class TMixedJobDocument : public TPageDocument {
public:
    explicit TMixedJobDocument(std::vector<std::unique_ptr<TPageDocument>> parts);

    int PageCount() const override;
    TPageFacts PageFacts(int page, const TRunOptions& options = {}) override;
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override { return {}; }
    std::string PagePcl(int page) const override;
    std::unique_ptr<TPageDocument> DetachPage(int page) const override;

private:
    // The part holding page, and the page's number in it; nullptr for no such page.
    TPageDocument* Part(int page, int& inPart) const;
    std::vector<std::unique_ptr<TPageDocument>> parts_;
};

// The job's bytes as a document. A PCL 5 job alone is a TPclFileDocument made as the caller
// asks; throws TUndrawnLanguage for a language we do not draw, and what the interpreters throw.
std::unique_ptr<TPageDocument> OpenPrinterJob(std::string_view bytes, TPclFileDocument::TUse use,
                                              uint32_t fillColour = kDefaultFillColour);

// A loose file, read and opened as OpenPrinterJob opens a viewed file; throws
// std::runtime_error when it cannot be read.
std::unique_ptr<TPageDocument> OpenPrinterFile(const std::string& path);

} // namespace pg
