// pages, split and reemit: the PCL interpreter's page splitting and re-emission from the
// command line; pages also counts the pages of files in PCL XL.

#include "CliPackage.h"
#include "Command.h"
#include "PCLParse.h"
#include "PackageExtensions.h"
#include "PackageFile.h"
#include "PageDocument.h"
#include "Paths.h"
#include "PrinterLanguage.h"
#include "Strings.h"

#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

std::unique_ptr<TPCLBuffer> ParsedFile(const std::string& path, bool keepPageEjects = false) {
    auto buffer = std::make_unique<TPCLBuffer>();
    buffer->SetKeepPageEjects(keepPageEjects);
    buffer->LoadFromFile(path);
    buffer->Parse();
    return buffer;
}

// Whether the file is PCL 5 alone (or cannot be read, which the interpreter reports as ever).
bool IsPcl5File(const std::string& path) {
    std::string bytes, error;
    if (!ReadFileBytes(path, bytes, error))
        return true;
    const std::vector<TLanguageSegment> segments = SplitPrinterLanguages(bytes);
    return segments.size() <= 1 && (segments.empty() || segments[0].Language == TPrinterLanguage::Pcl5);
}

// split and reemit work on PCL 5; another language is refused with its name.
bool RefusedForSplitting(const std::string& path, const std::string& command) {
    if (IsPcl5File(path))
        return false;
    std::string bytes, error;
    ReadFileBytes(path, bytes, error);
    const std::vector<TLanguageSegment> segments = SplitPrinterLanguages(bytes);
    std::cerr << path << " is " << JobLanguagesText(segments) << ": " << command << " works on PCL 5 files\n";
    return true;
}

// Writes the file whole or not at all; an existing file that may not be written is refused.
bool WriteOutput(const std::string& target, std::string_view bytes) {
    std::string error;
    if (ClearReadOnly(target, false))
        error = "the file is read-only";
    else if (AtomicWriteFile(target, bytes, error))
        return true;
    std::cerr << "Cannot write " << target << ": " << error << '\n';
    return false;
}

// The pages the interpreter finds in one package page: its fill laid over its template.
int CountPclPages(const TDocSetPage& page) {
    TPCLBuffer buffer;
    buffer.SetResetsEndPages(false);
    buffer.AppendData(page.FillData.View());
    buffer.AppendData(page.TemplateData.View());
    buffer.Parse();
    return buffer.GetPageCount();
}

int PrintPackagePages(const std::string& path) {
    std::unique_ptr<TDocSet> set = ReadCliPackage(path, "pages");
    // One line per form, in the order of the form numbers.
    const TCliForms numbers(*set);
    for (size_t n = 1; n <= numbers.Count(); ++n) {
        const TDocSetForm& form = *numbers.Form(int(n));
        int pclPages = 0;
        for (const auto& page : form.Pages)
            pclPages += CountPclPages(*page);
        std::cout << form.Name << '\t' << form.PageCount() << '\t' << pclPages << '\n';
    }
    return StatusAfterReading(*set);
}

int RunPages(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {});
    if (files.size() != 1) {
        std::cerr << "usage: pagellan-cli pages FILE\n";
        return 2;
    }
    if (IsPackageExtension(std::filesystem::path(files[0]).extension().string()))
        return PrintPackagePages(files[0]);
    // A file in another language than PCL 5 is counted by the document of its language.
    if (!IsPcl5File(files[0])) {
        std::string error;
        const std::unique_ptr<TPageDocument> document = OpenPageDocument(files[0], error);
        if (!document) {
            std::cerr << error << '\n';
            return 1;
        }
        std::cout << document->PageCount() << '\n';
        return 0;
    }
    std::cout << ParsedFile(files[0])->GetPageCount() << '\n';
    return 0;
}

int RunSplit(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {});
    if (files.size() != 2) {
        std::cerr << "usage: pagellan-cli split FILE.pcl OUTDIR\n";
        return 2;
    }
    if (RefusedForSplitting(files[0], "split"))
        return 1;
    auto buffer = ParsedFile(files[0]);
    const std::filesystem::path dir = files[1];
    std::filesystem::create_directories(dir);
    // All pages or none: on a failure the pages written so far go again.
    std::vector<std::string> written;
    for (int page = 1; page <= buffer->GetPageCount(); ++page) {
        const std::string name = "page-" + PadLeft(IntToStr(page), 3, '0') + ".pcl";
        const std::string target = (dir / name).string();
        // Each page carries the fonts, macros and state the pages before it left in force.
        if (!WriteOutput(target, buffer->StandalonePage(page))) {
            for (const std::string& file : written)
                std::filesystem::remove(file);
            return 1;
        }
        written.push_back(target);
    }
    std::cout << buffer->GetPageCount() << '\n';
    return 0;
}

int RunReemit(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {});
    std::string target;
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o")
            target = args[i + 1];
    if (files.size() != 1 || target.empty()) {
        std::cerr << "usage: pagellan-cli reemit FILE.pcl -o OUT.pcl\n";
        return 2;
    }
    if (RefusedForSplitting(files[0], "reemit"))
        return 1;
    auto buffer = ParsedFile(files[0], true);
    return WriteOutput(target, buffer->GetOutput().View()) ? 0 : 1;
}

const TCliCommand pages("pages", "pages FILE", RunPages);
const TCliCommand split("split", "split FILE.pcl OUTDIR", RunSplit);
const TCliCommand reemit("reemit", "reemit FILE.pcl -o OUT.pcl", RunReemit);

} // namespace

} // namespace pg::cli
