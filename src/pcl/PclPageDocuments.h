#pragma once
// The page documents the interpreter draws by itself: one page of PCL that stands on its own,
// a form of a package, and a plain PCL file or print job split into pages.
//
// On screen a page is drawn the way the page window has always drawn one: its bytes without
// their letter and legal commands go to a fresh interpreter, which draws the first page as it
// scans them and then gives it its finished size (letter when the page or the paper hint says
// so, landscape when the scan ended in landscape). In the print look the scan only splits,
// and the page is drawn anew afterwards. A print job instead keeps its pages in the run of the
// job: page N is drawn with the state, paper and duplex the pages before it left in force.

#include "DocSet.h"
#include "HLWStream.h"
#include "PageDocument.h"

#include <memory>
#include <string>
#include <string_view>

namespace pg {

class TPCLBuffer;

// Deletes every letter and legal page-size command (ESC&l2A, ESC&l3A) from the stream.
void RemovePageSizeCommands(THLWMemorystream& stream);

// The paper a page of a package form is drawn on: the last letter or legal command of its own
// ("LTR", "LGL"), else the form's page size (its "PageSize"); empty when neither names one.
std::string FormPagePaper(std::string_view pageBytes, const std::string& formPageSize);

// One page of PCL that stands on its own: a copy made for drawing elsewhere, or the bytes of a
// page the caller has at hand.
class TPclPageDocument : public TPageDocument {
public:
    // paper: the paper the page is drawn on when it is set (a copy of a form's page keeps the
    // form's paper); otherwise the caller's paper hint decides.
    explicit TPclPageDocument(std::string pcl, std::string paper = {})
        : pcl_(std::move(pcl)), paper_(std::move(paper)) {}

    int PageCount() const override { return 1; }
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override { return {}; }
    std::string PagePcl(int page) const override { return page == 1 ? pcl_ : std::string(); }
    std::unique_ptr<TPageDocument> DetachPage(int page) const override;

private:
    std::string pcl_;
    std::string paper_;
};

// The pages of a package form, each its fill data followed by its template data, drawn on the
// paper FormPagePaper names (the caller's paper hint when it names none). The form stays the
// caller's and must outlive the document.
class TPackageFormDocument : public TPageDocument {
public:
    explicit TPackageFormDocument(const TDocSetForm& form) : form_(&form) {}

    const TDocSetForm& Form() const { return *form_; }
    int PageCount() const override { return form_->PageCount(); }
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override;
    // The form: its pages stay the same while it lives, whichever document shows them.
    const void* Source() const override { return form_; }
    std::unique_ptr<TPageDocument> DetachPage(int page) const override;

    // Page 1..count: its fill data followed by its template data; empty for no such page.
    std::string PageBytes(int page) const;
    // The paper page is drawn on (FormPagePaper); empty when the caller's hint decides.
    std::string PagePaper(int page) const;

private:
    const TDocSetForm* form_;
};

// A plain PCL file or a print job, split into pages by the interpreter.
class TPclFileDocument : public TPageDocument {
public:
    enum class TUse {
        // A file looked at (the page window, `render`, `text`): each page a copy that stands
        // on its own, with the state, fonts and macros earlier pages left in force, drawn as
        // the window draws a page.
        View,
        // A job printed (driver printing, PDF): each page drawn in the run of the job, on the
        // paper it names (the hint when none), its facts telling the job's paper and duplex.
        Job,
    };

    // Splits the bytes; throws what the interpreter throws. A job's pages carry the fill
    // colour of the split, so a job is split with the colour its pages will be drawn with
    // (a run that asks for another colour splits it again).
    TPclFileDocument(std::string_view pcl, TUse use, uint32_t fillColour = kDefaultFillColour);
    // The file read and split; throws std::runtime_error when it cannot be read.
    static std::unique_ptr<TPclFileDocument> FromFile(const std::string& path, TUse use);
    ~TPclFileDocument() override;

    TUse Use() const { return use_; }
    int PageCount() const override;
    TPageFacts RunPage(int page, TPCLDevice& device, const TRunOptions& options) override;
    TPageDocumentTraits Traits() const override { return {}; }
    // The page with the state, fonts and macros the pages before it left in force in front.
    std::string PagePcl(int page) const override;
    // A viewed file's page as a page of its own; nullptr for a job, whose pages are drawn in
    // the run of the job.
    std::unique_ptr<TPageDocument> DetachPage(int page) const override;
    // The whole input as read.
    std::string_view Input() const;

private:
    void SplitAgain(uint32_t fillColour);

    TUse use_;
    uint32_t splitColour_ = kDefaultFillColour;
    std::unique_ptr<TPCLBuffer> file_;
};

} // namespace pg
