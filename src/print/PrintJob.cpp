#include "PrintJob.h"

#include "PCLParse.h"
#include "PGRegistry.h"
#include "Strings.h"

#include <cstdlib>

namespace pg {

namespace {

constexpr std::string_view kReset = "\x1b"
                                    "E";
constexpr std::string_view kLetterSize = "\x1b&l2A";
constexpr std::string_view kLegalSize = "\x1b&l3A";
constexpr char kFormFeed = '\f';
// A template that already ejects its page carries a form feed near its end.
constexpr size_t kFormFeedLookBack = 100;

std::string Position(int value, char axis) {
    return "\x1b*p" + IntToStr(value) + axis;
}

// A printer reset inside a page's fill or template would eject the sheet the page has already
// marked; the job keeps a page's parts on one sheet, as the viewer shows them. There a reset
// becomes what it puts back, without the eject: temporary fonts and macros go, the unit,
// spacing, font, margins and print model return to their reset values, the pattern reference
// point to the page's origin and the cursor to the first line.
constexpr std::string_view kResetWithoutEject =
    "\x1b*c1F\x1b&f7X\x1b&f0Y\x1b&u300D\x1b&k12H\x1b&l6D\x1b(8U\x1b)8U\x1b(s0p10h12v0s0b4099T"
    "\x1b)s0p10h12v0s0b4099T\x1b&d@\x1b&a0P\x1b&l3E\x1b"
    "9\x1b*rB\x1b*v0n0o0T\x1b*l252O"
    "\x1b*p0x0Y\x1b*p-150Y\x1b*p0R\x1b*p50x188Y";

// The part re-emitted with its resets made ejectless. keepFormFeeds: form feeds that end a
// marked page stay.
std::string WithoutResetEjects(std::string_view part, bool keepFormFeeds) {
    TPCLBuffer interpreter;
    interpreter.SetResetsEndPages(false);
    interpreter.SetKeepPageEjects(keepFormFeeds);
    interpreter.AddSubstitution("E", std::string(kResetWithoutEject));
    interpreter.AppendData(part);
    interpreter.Parse();
    return std::string(interpreter.GetOutput().View());
}

} // namespace

TCopyFooters CopyFootersFromSettings() {
    return {PGRegistry::OriginalCopy(), PGRegistry::Copy1(), PGRegistry::Copy2(), PGRegistry::Copy3()};
}

THLWPrintJobStream::THLWPrintJobStream(TCopyFooters copyFooters) : CopyFooters(std::move(copyFooters)) {}

void THLWPrintJobStream::WriteJobReset() {
    AppendText(kReset);
}

bool PageContributes(const TInfo& info) {
    const TDocSetForm* form = info.Form;
    return form != nullptr && !form->IsVivaform() && info.PageNumber >= 1 &&
           info.PageNumber <= form->PageCount();
}

void THLWPrintJobStream::AppendPage(const TInfo& info) {
    if (!PageContributes(info))
        return;
    const TDocSetForm* form = info.Form;
    const TDocSetPage& page = *form->Pages[size_t(info.PageNumber - 1)];

    THLWMemorystream work(std::string(page.FillData.View()));
    std::string paper = form->PageSize;
    if (AllOnLegal) {
        paper = "LGL";
        work.ReplaceAll(kLetterSize, kLegalSize);
    }
    WriteTray(paper);
    const bool pageSizeWritten = WritePageSize(paper);
    WriteSheetCommands(*form, info.PageNumber, pageSizeWritten);
    AppendText(AnnotationFont);
    AppendText(form->Orientation == 0 || form->Orientation == 4 ? "\x1b&l0O" : "\x1b&l1O");

    AppendText(WithoutResetEjects(work.View(), false));

    WriteAdditions(*form, info.PageNumber, paper);
    // A template is copied as it is, unless it holds a reset.
    std::string rewritten;
    std::string_view tmpl = page.TemplateData.View();
    if (tmpl.find(kReset) != std::string_view::npos) {
        rewritten = WithoutResetEjects(tmpl, true);
        tmpl = rewritten;
    }
    AppendText(tmpl);
    const std::string_view tail =
        tmpl.substr(tmpl.size() > kFormFeedLookBack ? tmpl.size() - kFormFeedLookBack : 0);
    if (tail.find(kFormFeed) == std::string_view::npos)
        AppendText(std::string_view(&kFormFeed, 1));

    PreviousFormName = form->Name;
    PreviousPageNumber = info.PageNumber;
    ++PagesWritten;
    Pages.push_back({&info, CopyIndex});
}

// The tray follows the paper of the page being appended, so a legal page is never pulled from
// the letter tray because the page before it was letter.
void THLWPrintJobStream::WriteTray(const std::string& paper) {
    if (IsLetterPaper(paper) && !Trim(LetterTrayCode).empty())
        AppendText("\x1b" + LetterTrayCode);
    else if (!Trim(LegalTrayCode).empty())
        AppendText("\x1b" + LegalTrayCode);
}

bool THLWPrintJobStream::WritePageSize(const std::string& paper) {
    if (paper == CurrentPaper)
        return false;
    CurrentPaper = paper;
    AppendText(PageSizeCommand(CurrentPaper));
    return true;
}

void THLWPrintJobStream::WriteSheetCommands(const TDocSetForm& form, int32_t pageNumber,
                                            bool pageSizeWritten) {
    if (PagesWritten == 0)
        AppendText(Duplex ? "\x1b&l1S" : "\x1b&l0S");
    if (!Duplex || pageSizeWritten)
        return;
    // The back of a sheet only carries the even page right after an odd page of the same
    // duplexable form; anything else starts a new sheet by repeating the page size.
    const bool backOfSheet = form.Duplexable && form.Name == PreviousFormName &&
                             PreviousPageNumber % 2 != 0 && pageNumber == PreviousPageNumber + 1;
    if (!backOfSheet)
        AppendText(PageSizeCommand(CurrentPaper));
}

void THLWPrintJobStream::WriteAdditions(const TDocSetForm& form, int32_t pageNumber,
                                        const std::string& paper) {
    const TDocSetPage& page = *form.Pages[size_t(pageNumber - 1)];
    if (PrintAnnotations && page.HasAnnotations()) {
        if (const auto overlay = page.AnnotationsAsPCL())
            AppendText(overlay->View());
    }
    if (PrintFormNames)
        AppendText(FormNameText(paper, Capitalise(form.Name)));
    if (PrintBarCodes && DocumentSet != nullptr)
        AppendText(BarcodeText(paper, BarcodeValue(*DocumentSet, form, pageNumber)));
    if (PrintFooters && CopyIndex >= 0 && size_t(CopyIndex) < CopyFooters.size())
        AppendText(CopyFooterText(paper, CopyFooters[size_t(CopyIndex)], PrintBarCodes));
}

std::string PageSizeCommand(std::string_view paper) {
    return std::string(IsLetterPaper(paper) ? kLetterSize : kLegalSize);
}

std::string SmallFont() {
    return "\x1b(10U\x1b(s1P\x1b(s6.00V\x1b(s0S\x1b(s0B\x1b(s5T";
}

std::string NormalFont() {
    return "\x1b(10U\x1b(s1P\x1b(s10.00V\x1b(s0S\x1b(s0B\x1b(s5T";
}

int FooterY(std::string_view paper) {
    return IsLetterPaper(paper) ? 3095 : 3995;
}

int BarcodeY(std::string_view paper) {
    return IsLetterPaper(paper) ? 3060 : 3960;
}

std::string FormNameText(std::string_view paper, std::string_view formName) {
    return Position(0, 'X') + Position(FooterY(paper), 'Y') + SmallFont() + std::string(formName) +
           NormalFont();
}

std::string CopyFooterText(std::string_view paper, std::string_view footer, bool withBarcodes) {
    if (footer.empty())
        return {};
    const int n = int(footer.size());
    const int x = std::abs(1200 - (withBarcodes ? 20 : 10) * n);
    return NormalFont() + Position(x, 'X') + Position(FooterY(paper), 'Y') + std::string(footer);
}

std::string BarcodeValue(const TDocSet& set, const TDocSetForm& form, int32_t pageNumber) {
    if (!form.Barcodes)
        return {};
    const std::string& ws = set.WorksheetNumber;
    const std::string worksheet = ws.size() >= 7 ? ws.substr(0, 7) : PadLeft(ws, 7, '0');
    // The dot keeps borrower and page apart: borrower 1 page 12 and borrower 11 page 2 would
    // otherwise carry one code. Scanners type it like any other character.
    return worksheet + form.Name + IntToStr(form.BorrowerNumber) + "." + IntToStr(pageNumber);
}

std::string BarcodeText(std::string_view paper, std::string_view text) {
    const std::vector<int> symbols = Code128Symbols(text);
    if (symbols.empty())
        return {};
    int dots = 0;
    const std::string row = Code128Row(symbols, dots);
    std::string out = Position(kBarcodeRight - dots, 'X') + Position(BarcodeY(paper), 'Y');
    out += "\x1b*t300R\x1b*r1A\x1b*r0F";
    const std::string rowCommand = "\x1b*b" + IntToStr(int64_t(row.size())) + "W";
    out.reserve(out.size() + kBarcodeHeight * (rowCommand.size() + row.size()) + 8);
    for (int i = 0; i < kBarcodeHeight; ++i) {
        out += rowCommand;
        out += row;
    }
    out += "\x1b*rB";
    return out;
}

} // namespace pg
