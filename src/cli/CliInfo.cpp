// pagellan-cli info: what a package holds, as read; pagellan-cli convert: write it as Quodex, or
// as Tesselon when the output file ends in ".tsn".

#include "CliPackage.h"
#include "CliPages.h"
#include "Command.h"
#include "Json.h"
#include "PackageFile.h"
#include "PackageText.h"
#include "PageDocument.h"
#include "Paths.h"
#include "PrinterLanguage.h"
#include "Quodex.h"
#include "Sha256.h"
#include "Strings.h"
#include "Tesselon.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

void WriteError(TJsonWriter& json, const TErrorEntry& entry) {
    json.BeginObject();
    json.Member("Text", entry.Text);
    if (const TDocSetError* e = entry.Error.get()) {
        json.Member("Path", e->Path);
        json.Member("Severity", int32_t(e->Severity));
        json.Member("Message", e->Message);
        json.Member("Data", e->Data);
        json.Member("Source", e->Source);
    }
    json.EndObject();
}

void WriteSet(TJsonWriter& json, const TDocSet& set) {
    json.BeginObject();
    json.Member("Version", set.Version);
    json.Member("CreatedBy", set.CreatedBy);
    json.Member("WorksheetNumber", set.WorksheetNumber);
    json.Member("FromName", set.FromName);
    json.Member("LenderName", set.LenderName);
    json.Member("LenderNumber", set.LenderNumber);
    json.Member("PlanCode", set.PlanCode);
    json.Member("PackageType", set.PackageType);
    json.Member("CanAnnotate", set.CanAnnotate);
    json.Member("HasBarcodeFormula", set.HasBarcodeFormula);
    json.Member("UsingEmbeddedOrder", set.UsingEmbeddedOrder);
    json.Member("Reordered", set.Reordered);
    json.Key("StackingOrder");
    json.StringArray(set.StackingOrder);
    json.Key("MissingForms");
    json.StringArray(set.MissingForms);
    json.Key("BorrowerNames");
    json.StringArray(set.BorrowerNames);
    json.Key("Errors");
    json.BeginArray();
    for (const auto& e : set.Errors)
        WriteError(json, e);
    json.EndArray();
    json.Key("FormListXml");
    json.StringArray(set.FormListXml);
    json.EndObject();
}

void WriteAnnotation(TJsonWriter& json, const TDocSetAnnotation& a) {
    json.BeginObject();
    json.Member("XPosition", a.XPosition);
    json.Member("YPosition", a.YPosition);
    json.Member("Content", a.Content);
    json.Member("UserId", a.UserId);
    json.Member("Date", a.Date);
    json.Member("Time", a.Time);
    json.Member("Source", a.Source);
    json.EndObject();
}

void WritePage(TJsonWriter& json, const TDocSetPage& page) {
    json.BeginObject();
    json.Member("PageNumber", page.PageNumber);
    json.Member("ForceToFront", page.ForceToFront);
    json.Member("TemplateName", page.Template.Name);
    json.Member("FillSize", int64_t(page.FillData.Size()));
    json.Member("TemplateSize", int64_t(page.TemplateData.Size()));
    json.Member("FillSHA256", Sha256Hex(page.FillData.View()));
    json.Member("TemplateSHA256", Sha256Hex(page.TemplateData.View()));
    json.Key("Annotations");
    json.BeginArray();
    for (const auto& a : page.Annotations)
        WriteAnnotation(json, *a);
    json.EndArray();
    json.EndObject();
}

void WriteForm(TJsonWriter& json, const TDocSetForm& form, int number) {
    json.BeginObject();
    // The number --form and --selected take; 0 for a form without one (an attachment).
    json.Member("Number", int32_t(number));
    json.Member("Name", form.Name);
    json.Member("Description", form.Description);
    json.Member("BorrowerNumber", form.BorrowerNumber);
    json.Member("BorrowerName", form.BorrowerName);
    json.Member("Type", form.Type);
    json.Member("PageSize", form.PageSize);
    json.Member("Duplexable", form.Duplexable);
    json.Member("Processed", form.Processed);
    json.Member("Deleted", form.Deleted);
    json.Member("Format", int32_t(form.Format));
    json.Member("Checksum", form.FormChecksum());
    json.Key("Pages");
    json.BeginArray();
    for (const auto& p : form.Pages)
        WritePage(json, *p);
    json.EndArray();
    json.EndObject();
}

std::string PackageJson(TDocSet& set) {
    TJsonWriter json;
    json.BeginObject();
    json.Key("set");
    WriteSet(json, set);
    // The forms in the package's own order, each with the number the other commands give it
    // (numbering follows the plan's order, which may move the forms in the set).
    std::vector<const TDocSetForm*> loaded;
    for (const auto& e : set.Forms)
        loaded.push_back(e.Form.get());
    const TCliForms numbers(set);
    json.Key("forms");
    json.BeginArray();
    for (const TDocSetForm* form : loaded)
        WriteForm(json, *form, numbers.NumberOf(form));
    json.EndArray();
    json.EndObject();
    return json.Text();
}

void PrintList(std::ostream& out, const char* title, const std::vector<std::string>& items) {
    if (items.empty())
        return;
    out << title << ":\n";
    for (const auto& s : items)
        out << "  " << PackageTextToUtf8(s) << '\n';
}

void PrintSummary(std::ostream& out, TDocSet& set) {
    // Forms by the number every command takes (--form, --selected); attachments have none.
    const TCliForms numbers(set);
    auto text = [](const std::string& s) { return PackageTextToUtf8(s); };
    out << "File:            " << text(set.FileName) << '\n'
        << "Version:         " << text(set.Version) << '\n'
        << "Created by:      " << text(set.CreatedBy) << '\n'
        << "Worksheet:       " << text(set.WorksheetNumber) << '\n'
        << "From:            " << text(set.FromName) << '\n'
        << "Lender:          " << text(set.LenderName) << " (" << text(set.LenderNumber) << ")\n"
        << "Plan code:       " << text(set.PlanCode) << '\n'
        << "Can annotate:    " << (set.CanAnnotate ? "yes" : "no") << '\n'
        << "Bar-code formula: " << (set.HasBarcodeFormula ? "yes" : "no") << '\n'
        << "Reordered:       " << (set.Reordered ? "yes" : "no") << '\n'
        << "Forms:           " << set.FormCount() << " (" << set.TotalPageCount() << " pages not deleted)\n";
    std::vector<const TDocSetForm*> listed;
    for (size_t n = 1; n <= numbers.Count(); ++n)
        listed.push_back(numbers.Form(int(n)));
    for (const auto& e : set.Forms)
        if (numbers.NumberOf(e.Form.get()) == 0)
            listed.push_back(e.Form.get());
    for (const TDocSetForm* form : listed) {
        const TDocSetForm& f = *form;
        const int number = numbers.NumberOf(form);
        out << "  " << (number > 0 ? IntToStr(number) : "-") << ". " << text(f.Name) << "  \""
            << text(f.Description) << "\"  borrower " << f.BorrowerNumber << " " << text(f.BorrowerName)
            << "  " << f.PageCount() << " page(s)  " << text(f.PageSize) << "  " << FormatName(f.Format)
            << "  checksum " << f.FormChecksum() << (f.Deleted ? "  deleted" : "")
            << (f.HasAnnotations() ? "  annotated" : "") << '\n';
    }
    PrintList(out, "Stacking order", set.StackingOrder);
    PrintList(out, "Missing", set.MissingForms);
    for (const auto& e : set.Errors)
        out << "Error: " << text(e.Error ? e.Error->DisplayText() : e.Text) << '\n';
}

// What a loose file (a printer file) has: its language and its pages, each with its size and
// orientation as the page window shows it. It has no forms, so asking for their order is refused.
int InfoOfLooseFile(const std::string& path, const std::vector<std::string>& args) {
    if (HasOption(args, "reorder")) {
        std::cerr << path << " is not a package: --reorder orders a package's forms\n";
        return 1;
    }
    std::string error;
    const std::unique_ptr<TPageDocument> document = OpenPageDocument(path, error);
    if (!document) {
        std::cerr << (error.empty() ? "Cannot read " + path : error) << '\n';
        return 1;
    }
    const bool json = HasOption(args, "json");
    std::string bytes, readError;
    ReadFileBytes(path, bytes, readError);
    const std::string language = JobLanguagesText(SplitPrinterLanguages(bytes));
    TJsonWriter writer;
    writer.BeginObject();
    writer.Member("File", path);
    writer.Member("Language", language);
    writer.Member("Package", false);
    writer.Member("PageCount", int32_t(document->PageCount()));
    writer.Key("Pages");
    writer.BeginArray();
    if (!json)
        std::cout << "File: " << path << " (not a package)\nLanguage: " << language
                  << "\nPages: " << document->PageCount() << '\n';
    for (int page = 1; page <= document->PageCount(); ++page) {
        const TPageFacts facts = document->PageFacts(page);
        // The page as the page window draws it: its size, paper and orientation.
        const std::string paper = facts.Letter ? "letter"
                                  : facts.PaperCode.empty() || facts.PaperCode == "LGL"
                                      ? "legal"
                                      : LowerCase(facts.PaperCode);
        const char* orientation = facts.Landscape ? "landscape" : "portrait";
        writer.BeginObject();
        writer.Member("Page", int32_t(page));
        writer.Member("Width", int32_t(facts.Width));
        writer.Member("Height", int32_t(facts.Height));
        writer.Member("Paper", paper);
        writer.Member("Orientation", orientation);
        writer.EndObject();
        if (!json)
            std::cout << "  Page " << page << ": " << facts.Width << " x " << facts.Height << " dots, "
                      << paper << ", " << orientation << '\n';
    }
    writer.EndArray();
    writer.EndObject();
    if (json)
        std::cout << writer.Text() << '\n';
    return 0;
}

int RunInfo(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {});
    if (files.size() != 1) {
        std::cerr << "usage: pagellan-cli info FILE [--json] [--reorder]\n";
        return 2;
    }
    if (!IsPackageFile(files[0]))
        return InfoOfLooseFile(files[0], args);
    std::unique_ptr<TDocSet> set = ReadCliPackage(files[0], "info");
    if (HasOption(args, "json")) {
        if (HasOption(args, "reorder"))
            set->ReorderForms();
        std::cout << PackageJson(*set) << '\n';
    } else {
        PrintSummary(std::cout, *set);
    }
    return StatusAfterReading(*set);
}

int RunConvert(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"mode"});
    const std::string modeName = OptionValue(args, "mode", "all");
    const std::vector<std::pair<std::string, TSaveMode>> modes = {
        {"all", TSaveMode::All}, {"selected", TSaveMode::Selected}, {"changed", TSaveMode::Changed}};
    auto mode = std::find_if(modes.begin(), modes.end(), [&](const auto& m) { return m.first == modeName; });
    if (files.size() != 2 || mode == modes.end()) {
        std::cerr
            << "usage: pagellan-cli convert IN OUT.qdx|OUT.tsn [--mode all|selected|changed] [--no-deleted] "
               "[--lock-annotations] [--accept-damaged]\n";
        return 2;
    }
    std::unique_ptr<TDocSet> set = ReadCliPackage(files[0], "convert");
    if (!MayWriteFrom(*set, args, "convert"))
        return 1;
    const bool includeDeleted = !HasOption(args, "no-deleted");
    const bool saved = SameText(std::filesystem::path(files[1]).extension().string(), ".tsn")
                           ? TTesselon::SaveTesselon(*set, files[1], mode->second, includeDeleted)
                           : TQuodex::SaveQuodex(*set, files[1], mode->second, includeDeleted,
                                                 HasOption(args, "lock-annotations"));
    return saved ? 0 : 1;
}

const TCliCommand info("info", "info FILE [--json] [--reorder]", RunInfo);
const TCliCommand
    convert("convert",
            "convert IN OUT.qdx|OUT.tsn [--mode all|selected|changed] [--no-deleted] [--lock-annotations] "
            "[--accept-damaged]",
            RunConvert);

} // namespace

} // namespace pg::cli
