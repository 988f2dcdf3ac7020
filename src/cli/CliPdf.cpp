// pdf: a package or PCL file as a PDF. A package's job is built as the PDF conversion builds
// it (every page once) and run through our converter program, as the window's commands do;
// a printer file goes to the converter as it is (PCL 5 or PCL XL; any other language is
// refused with its name). The PDF gets bookmarks (the tree's forms and borrower copies, or a
// printer file's pages) unless --no-outline, the properties, and with --fast-web-view is
// linearised.

#include "CliJob.h"
#include "CliPrograms.h"
#include "Command.h"
#include "PackagePdf.h"
#include "Paths.h"
#include "PdfConversion.h"
#include "PrinterLanguage.h"
#include "Strings.h"

#include <stdlib.h>

#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

constexpr const char* kUsage = kPdfUsage;

bool IsPackage(const std::string& path) {
    const std::string ext = UpperCase(ExtensionPart(path));
    return ext == "QDX" || ext == "QDZ" || ext == "DSP" || ext == "TSN";
}

int RunPdf(const std::vector<std::string>& args) {
    std::string output;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o")
            output = args[i + 1];
    const std::vector<std::string> files = Positionals(args, {"selected", "copies", "order", "history"});
    if (output.empty() || files.size() != 1) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    std::string pcl;
    TPdfConversion conversion{ConverterBesideExecutable()};
    if (IsPackage(files[0])) {
        TJobBuild build;
        if (const int status = JobFromArguments(args, {}, "pdf", kUsage, build, true); status != 0)
            return status;
        pcl = std::move(build.Bytes);
        conversion.Finish = std::move(build.Pdf);
    } else {
        std::string error;
        if (!ReadFileBytes(files[0], pcl, error)) {
            std::cerr << "pagellan-cli pdf: cannot read " << files[0] << ": " << error << '\n';
            return 1;
        }
        if (const std::string refusal = UndrawnLanguageMessage(SplitPrinterLanguages(pcl));
            !refusal.empty()) {
            std::cerr << refusal << '\n';
            return 1;
        }
        conversion.Finish = FilePdfFinish(files[0]);
    }
    if (HasOption(args, "no-outline"))
        conversion.Finish.Outline = {};
    conversion.Finish.Linearize = HasOption(args, "fast-web-view");
    return ConvertPCLStringToPDF(pcl, output, conversion) ? 0 : 1;
}

const TCliCommand pdf("pdf", kUsage, RunPdf);

} // namespace

} // namespace pg::cli
