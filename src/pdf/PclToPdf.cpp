#include "PclToPdf.h"

#include "FontEngine.h"
#include "Paths.h"
#include "PclPageDocuments.h"
#include "PdfCompact.h"
#include "PdfDevice.h"
#include "PrinterJobDocument.h"
#include "Strings.h"

#include <exception>
#include <vector>

namespace pg {

TSheet SheetFor(bool letter, bool landscape) {
    TSheet sheet{2550, letter ? 3300 : 4200};
    if (landscape)
        std::swap(sheet.Width, sheet.Height);
    return sheet;
}

TPclToPdfResult ConvertPclToPdf(std::string_view pcl, const TPclToPdfOptions& options) {
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
    if (device.PagesWritten() == 0) {
        const TSheet sheet = SheetFor(IsLetterPaper(options.PaperHint), false);
        device.StartPage(sheet.Width, sheet.Height);
        device.FinishPage(sheet.Width, sheet.Height);
    }
    result.Pages = device.PagesWritten();
    result.Pdf = device.Finish();
    result.Ok = !result.Pdf.empty();
    if (!result.Ok) {
        result.Error = "PDF error: " + device.Error();
        return result;
    }
    // Cairo's document is complete and valid as it stands; a failed compaction keeps it.
    std::string error;
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
