#include "PclToPdf.h"

#include "FontEngine.h"
#include "HLWStream.h"
#include "Paths.h"
#include "PclPageDocuments.h"
#include "PdfCompact.h"
#include "PdfDevice.h"
#include "PrinterJobDocument.h"
#include "Strings.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <memory>
#include <utility>
#include <vector>

namespace pg {

TSheet SheetFor(bool letter, bool landscape) {
    TSheet sheet{2550, letter ? 3300 : 4200};
    if (landscape)
        std::swap(sheet.Width, sheet.Height);
    return sheet;
}

namespace {

// The converted pages with the embedded ones put where they stood: each goes after the pages
// its place in the PCL ends. A PCL part without pages (its blank stand-in page) gives none.
bool InsertEmbeddedPages(std::string& pdf, int pclPages,
                         const std::vector<std::pair<int, std::string>>& embedded, int& pages,
                         std::string& error) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("converted pages", pdf.data(), pdf.size());
        QPDFPageDocumentHelper helper(document);
        const std::vector<QPDFPageObjectHelper> converted = helper.getAllPages();
        std::vector<std::unique_ptr<QPDF>> sources;
        std::vector<QPDFPageObjectHelper> order;
        size_t next = 0;
        const size_t keep = pclPages > 0 ? converted.size() : 0;
        for (const auto& [before, bytes] : embedded) {
            while (next < keep && next < size_t(before))
                order.push_back(converted[next++]);
            auto source = std::make_unique<QPDF>();
            source->setSuppressWarnings(true);
            source->processMemoryFile("embedded page", bytes.data(), bytes.size());
            for (const QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*source).getAllPages())
                order.push_back(page);
            sources.push_back(std::move(source));
        }
        while (next < keep)
            order.push_back(converted[next++]);
        if (order.empty())
            return true;
        for (const QPDFPageObjectHelper& page : converted)
            helper.removePage(page);
        for (const QPDFPageObjectHelper& page : order)
            helper.addPage(page, false);
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.setDeterministicID(true);
        writer.write();
        const std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
        pdf.assign(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
        pages = int(order.size());
        return true;
    } catch (const std::exception& e) {
        error = std::string("an embedded page cannot be read: ") + e.what();
        return false;
    }
}

} // namespace

TPclToPdfResult ConvertPclToPdf(std::string_view job, const TPclToPdfOptions& options) {
    // Pages that are no PCL (Vivaform pages) come as PDF inside the job; the interpreter never
    // sees them.
    std::vector<TEmbeddedPdf> embeddedPages;
    const std::string withoutEmbedded = TakeEmbeddedPdfs(job, embeddedPages);
    const std::string_view pcl = withoutEmbedded;
    TPclToPdfResult result;
    TRunOptions run;
    run.PrintMode = true;
    run.PaperHint = options.PaperHint;
    // Without a fill colour the interpreter draws Courier fill text black, as a printer does.
    run.FillColour = options.Colour ? kDefaultFillColour : 0;
    TPdfDevice device(options.Colour, &TFontEngine::Shared());
    try {
        // The job in the language it is written in: PCL 5, PCL XL, or both.
        const std::unique_ptr<TPageDocument> job =
            OpenPrinterJob(pcl, TPclFileDocument::TUse::Job, run.FillColour);
        const bool pcl5 = dynamic_cast<const TPclFileDocument*>(job.get()) != nullptr;
        for (int page = 1; page <= job->PageCount(); ++page) {
            // The page comes back as the interpreter crops it; the sheet follows the page's own
            // size and orientation (a PCL 5 page is on letter or legal paper, a PCL XL page on
            // the paper it names).
            const TPageFacts facts = job->RunPage(page, device, run);
            const TSheet sheet =
                pcl5 ? SheetFor(facts.Letter, facts.Landscape) : TSheet{facts.Width, facts.Height};
            device.FinishPage(sheet.Width, sheet.Height);
        }
    } catch (const std::exception& e) {
        result.Error = e.what();
        return result;
    }
    const int pclPages = device.PagesWritten();
    if (pclPages == 0) {
        const TSheet sheet = SheetFor(IsLetterPaper(options.PaperHint), false);
        device.StartPage(sheet.Width, sheet.Height);
        device.FinishPage(sheet.Width, sheet.Height);
    }
    if (embeddedPages.size() > kMaxEmbeddedPages) {
        result.Error = "the job embeds more than " + std::to_string(kMaxEmbeddedPages) + " pages";
        return result;
    }
    std::vector<std::pair<int, std::string>> embedded;
    try {
        // How many pages the PCL before each embedded page has: the pages it goes after.
        for (TEmbeddedPdf& page : embeddedPages) {
            const int before = page.At == 0 ? 0
                                            : TPclFileDocument(pcl.substr(0, page.At),
                                                               TPclFileDocument::TUse::Job, run.FillColour)
                                                  .PageCount();
            embedded.emplace_back(before, std::move(page.Pdf));
        }
    } catch (const std::exception& e) {
        result.Error = e.what();
        return result;
    }
    result.Pages = device.PagesWritten();
    result.Pdf = device.Finish();
    result.Ok = !result.Pdf.empty();
    if (!result.Ok) {
        result.Error = "PDF error: " + device.Error();
        return result;
    }
    if (!embedded.empty() &&
        !InsertEmbeddedPages(result.Pdf, pclPages, embedded, result.Pages, result.Error)) {
        result.Ok = false;
        result.Pdf.clear();
        return result;
    }
    // Cairo's document is complete and valid as it stands; a failed compaction keeps it. With
    // embedded pages it has been written compact already.
    std::string error;
    if (embedded.empty())
        CompactPdf(result.Pdf, error);
    return result;
}

int RunPcl2Pdf(int argc, const char* const* argv, std::string& err) {
    std::vector<std::string> files;
    TPclToPdfOptions options;
    bool unknownOption = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string upper = UpperCase(arg);
        if (upper == "-LEGAL")
            options.PaperHint = "LGL";
        else if (upper == "-MM")
            continue;
        else if (arg.size() > 1 && arg[0] == '-')
            unknownOption = true;
        else
            files.push_back(arg);
    }
    if (unknownOption || files.size() != 2 || files[0].empty() || files[1].empty()) {
        err = "usage: pcl2pdf INPUT.pcl OUTPUT.pdf [-Legal] [-MM]\n";
        return 2;
    }
    std::string pcl, error;
    if (!ReadFileBytes(files[0], pcl, error)) {
        err = "pcl2pdf: cannot read " + files[0] + ": " + error + "\n";
        return 1;
    }
    const TPclToPdfResult result = ConvertPclToPdf(pcl, options);
    if (!result.Ok) {
        err = "pcl2pdf: " + result.Error + "\n";
        return 1;
    }
    if (!AtomicWriteFile(files[1], result.Pdf)) {
        err = "pcl2pdf: cannot write " + files[1] + "\n";
        return 1;
    }
    return 0;
}

} // namespace pg
