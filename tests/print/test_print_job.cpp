// Print-job assembly: the page rules, the additions and the Code 128 bar code.
#include "PclPageDocuments.h"
#include "PrintJob.h"
#include "Strings.h"

#include "TestText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace pg {
namespace {

const std::string ESC = "\x1b";

TDocSetForm& AddForm(TDocSet& set, const std::string& name, const std::string& paper, int pages,
                     bool duplexable = true, const std::string& tmpl = "T") {
    auto form =
        std::make_unique<TDocSetForm>(name, "Desc " + name, 1, "Borrower", paper, duplexable, false, false);
    for (int n = 1; n <= pages; ++n) {
        auto page = std::make_unique<TDocSetPage>(n, "", false, "", 0, name + "p" + std::to_string(n) + "\f");
        page->TemplateData.AppendText(tmpl);
        form->AddPage(std::move(page));
    }
    return set.AddForm(std::move(form));
}

TInfo Info(TDocSetForm& form, int page) {
    TInfo info;
    info.Form = &form;
    info.PageNumber = page;
    return info;
}

TEST(PrintJob, OnePageLetterJobHasTheDocumentedLayout) {
    TDocSet set;
    TDocSetForm& form = AddForm(set, "A.FRM", "LTR", 1, true, "TPL");
    THLWPrintJobStream job(TCopyFooters{});
    job.DocumentSet = &set;
    job.WriteJobReset();
    job.AppendPage(Info(form, 1));
    job.WriteJobReset();
    const std::string expected = ESC + "E" + ESC + "&l2A" + ESC + "&l0S" + std::string(AnnotationFont) + ESC +
                                 "&l0O" + "A.FRMp1" + "TPL" + "\f" + ESC + "E";
    EXPECT_EQ(std::string(job.View()), expected);
    EXPECT_EQ(job.PagesWritten, 1);
    EXPECT_EQ(job.PreviousFormName, "A.FRM");
    EXPECT_EQ(job.PreviousPageNumber, 1);
    EXPECT_EQ(job.CurrentPaper, "LTR");

    // A form node, a page past the form and a Vivaform page add nothing.
    const size_t size = job.Size();
    job.AppendPage(Info(form, -1));
    job.AppendPage(Info(form, 2));
    form.Format = kFormatVivaform;
    job.AppendPage(Info(form, 1));
    EXPECT_EQ(job.Size(), size);
    EXPECT_EQ(job.PagesWritten, 1);
}

TEST(PrintJob, DuplexSheetRules) {
    TDocSet set;
    TDocSetForm& a = AddForm(set, "A.FRM", "LTR", 3);
    TDocSetForm& b = AddForm(set, "B.FRM", "LTR", 2);
    TDocSetForm& single = AddForm(set, "S.FRM", "LTR", 2, false);
    THLWPrintJobStream job(TCopyFooters{});
    job.Duplex = true;
    job.WriteJobReset();

    // First page: page size before the duplex command.
    job.AppendPage(Info(a, 1));
    EXPECT_EQ(std::string(job.View()), ESC + "E" + ESC + "&l2A" + ESC + "&l1S" + std::string(AnnotationFont) +
                                           ESC + "&l0O" + "A.FRMp1" + "T\f");
    auto added = [&job](auto append) {
        const size_t before = job.Size();
        append();
        return std::string(job.View().substr(before));
    };
    const std::string overlayStart = std::string(AnnotationFont);
    // Page 2 of the same duplexable form goes on the back of the sheet: no page size.
    std::string page = added([&] { job.AppendPage(Info(a, 2)); });
    EXPECT_EQ(page.substr(0, overlayStart.size()), overlayStart);
    // Page 3 follows an even page: a new sheet.
    page = added([&] { job.AppendPage(Info(a, 3)); });
    EXPECT_EQ(page.substr(0, 5), ESC + "&l2A");
    // Page 2 of another form after page 1 of the first form: a new sheet.
    job.AppendPage(Info(a, 1));
    page = added([&] { job.AppendPage(Info(b, 2)); });
    EXPECT_EQ(page.substr(0, 5), ESC + "&l2A");
    // A form that may not be duplexed never shares a sheet.
    job.AppendPage(Info(single, 1));
    page = added([&] { job.AppendPage(Info(single, 2)); });
    EXPECT_EQ(page.substr(0, 5), ESC + "&l2A");
    // The duplex command is written once, for the first page only.
    EXPECT_EQ(test::CountOf(job.View(), ESC + "&l1S"), 1u);
    EXPECT_EQ(test::CountOf(job.View(), ESC + "&l0S"), 0u);

    // Simplex never repeats the page size for pages of the same paper.
    THLWPrintJobStream simplex(TCopyFooters{});
    simplex.AppendPage(Info(a, 1));
    simplex.AppendPage(Info(a, 2));
    simplex.AppendPage(Info(b, 1));
    EXPECT_EQ(test::CountOf(simplex.View(), ESC + "&l2A"), 1u);
}

TEST(PrintJob, PaperTraysAllOnLegalAndFormFeeds) {
    TDocSet set;
    TDocSetForm& letter = AddForm(set, "L.FRM", "LTR", 1);
    TDocSetForm& legal = AddForm(set, "G.FRM", "LGL", 1, true, "ends\f");
    letter.Pages[0]->FillData.Clear();
    letter.Pages[0]->FillData.AppendText(ESC + "&l2Afill");

    THLWPrintJobStream job(TCopyFooters{});
    job.LetterTrayCode = "&l4H";
    job.LegalTrayCode = "&l5H ";
    job.AppendPage(Info(letter, 1));
    const size_t before = job.Size();
    job.AppendPage(Info(legal, 1));
    const std::string second(job.View().substr(before));
    // The legal page takes the legal tray (written as entered) and then its page size.
    EXPECT_EQ(second.substr(0, 11), ESC + "&l5H " + ESC + "&l3A");
    EXPECT_EQ(job.View().substr(0, 5), ESC + "&l4H");
    // Template data that ends with a form feed gets no second one.
    EXPECT_EQ(second.substr(second.size() - 5), "ends\f");
    // Blank tray codes write nothing.
    THLWPrintJobStream blank(TCopyFooters{});
    blank.LetterTrayCode = "  ";
    blank.AppendPage(Info(letter, 1));
    EXPECT_EQ(blank.View().substr(0, 5), ESC + "&l2A");

    // All on legal: the page's own letter commands become legal ones, and the additions use
    // legal positions.
    THLWPrintJobStream onLegal(TCopyFooters{"ORIGINAL", "", "", ""});
    onLegal.AllOnLegal = true;
    onLegal.PrintFooters = true;
    onLegal.PrintFormNames = true;
    onLegal.AppendPage(Info(letter, 1));
    EXPECT_EQ(test::CountOf(onLegal.View(), ESC + "&l2A"), 0u);
    EXPECT_EQ(test::CountOf(onLegal.View(), ESC + "&l3A"), 2u);
    EXPECT_NE(onLegal.View().find(ESC + "*p3995Y" + SmallFont() + "L.frm"), std::string_view::npos)
        << "form name";
    EXPECT_NE(onLegal.View().find(ESC + "*p1120X" + ESC + "*p3995YORIGINAL"), std::string_view::npos);
    EXPECT_EQ(onLegal.CurrentPaper, "LGL");
}

// A reset inside a page's fill or template would eject the sheet the fill marked: the job keeps
// the page on one sheet, so the job has as many pages as it was given, and a template
// without a reset is copied as it is.
TEST(PrintJob, ResetsInsideAPageKeepItOnOneSheet) {
    TDocSet set;
    TDocSetForm& form = AddForm(set, "R.FRM", "LTR", 2, true, ESC + "ETemplate" + ESC + "E");
    form.Pages[0]->FillData.Clear();
    form.Pages[0]->FillData.AppendText(ESC + "EFill" + ESC + "E");
    THLWPrintJobStream job(TCopyFooters{});
    job.WriteJobReset();
    job.AppendPage(Info(form, 1));
    job.AppendPage(Info(form, 2));
    job.WriteJobReset();
    const std::string_view bytes = job.View();
    EXPECT_EQ(test::CountOf(bytes, ESC + "E"), 2u);
    EXPECT_EQ(TPclFileDocument(bytes, TPclFileDocument::TUse::Job).PageCount(), 2);
    for (const char* text : {"Fill", "Template", "R.FRMp2"})
        EXPECT_NE(bytes.find(text), std::string_view::npos) << text;
    TDocSetForm& plain = AddForm(set, "P.FRM", "LTR", 1, true, "T" + ESC + "&l1o2AX\f");
    THLWPrintJobStream copied(TCopyFooters{});
    copied.AppendPage(Info(plain, 1));
    EXPECT_TRUE(copied.View().ends_with("P.FRMp1T" + ESC + "&l1o2AX\f"));
}

TEST(PrintJob, FootersFormNamesAndAnnotations) {
    EXPECT_EQ(CopyFooterText("LTR", "0123456789", true),
              NormalFont() + ESC + "*p1000X" + ESC + "*p3095Y0123456789");
    EXPECT_EQ(CopyFooterText("LGL", "0123456789", false),
              NormalFont() + ESC + "*p1100X" + ESC + "*p3995Y0123456789");
    // Long footers keep a positive position.
    EXPECT_EQ(CopyFooterText("LTR", std::string(70, 'x'), true).find(ESC + "*p200X"), NormalFont().size());
    EXPECT_EQ(CopyFooterText("LTR", "", true), "");
    EXPECT_EQ(SmallFont(),
              ESC + "(10U" + ESC + "(s1P" + ESC + "(s6.00V" + ESC + "(s0S" + ESC + "(s0B" + ESC + "(s5T");
    EXPECT_EQ(FormNameText("Letter", "Deed Of Trust"),
              ESC + "*p0X" + ESC + "*p3095Y" + SmallFont() + "Deed Of Trust" + NormalFont());
    EXPECT_EQ(Capitalise("DEED OF  TRUST.FRM"), "Deed Of  Trust.frm");
    // Paper names other than LTR and LGL: letter names in any case get the letter positions.
    EXPECT_EQ((std::vector{FooterY("Letter"), BarcodeY("letter"), FooterY("Legal"), BarcodeY("")}),
              (std::vector{3095, 3060, 3995, 3960}));

    TDocSet set;
    TDocSetForm& form = AddForm(set, "A.FRM", "LTR", 1);
    auto note = std::make_unique<TDocSetAnnotation>();
    note->XPosition = 300;
    note->YPosition = 600;
    note->Content = "OK";
    form.Pages[0]->AddAnnotation(std::move(note));
    THLWPrintJobStream job(TCopyFooters{"", "COPY ONE", "", ""});
    job.PrintFooters = true;
    job.CopyIndex = 0;
    job.AppendPage(Info(form, 1));
    const std::string overlay = form.Pages[0]->Annotations[0]->ToPCL();
    EXPECT_NE(job.View().find("A.FRMp1" + overlay + "T\f"), std::string_view::npos);
    EXPECT_EQ(job.View().find("COPY ONE"), std::string_view::npos) << "the original's footer is empty";
    job.CopyIndex = 1;
    job.PrintAnnotations = false;
    const size_t before = job.Size();
    job.AppendPage(Info(form, 1));
    EXPECT_EQ(std::string(job.View().substr(before)).find(overlay), std::string::npos);
    EXPECT_NE(job.View().find(ESC + "*p1120X" + ESC + "*p3095YCOPY ONE"), std::string_view::npos);
}

TEST(PrintJob, BarcodeValueAndTheDocumentedExample) {
    TDocSet set;
    set.WorksheetNumber = "1234";
    TDocSetForm& form = AddForm(set, "ABC", "LTR", 2);
    // The index part is the page's own number, whatever form the tree builder processed last.
    EXPECT_EQ(BarcodeValue(set, form, 1), "0001234ABC1.1");
    EXPECT_EQ(BarcodeValue(set, form, 2), "0001234ABC1.2");
    form.BorrowerNumber = 2;
    EXPECT_EQ(BarcodeValue(set, form, 2), "0001234ABC2.2");
    form.BorrowerNumber = 1;
    form.Barcodes = false;
    EXPECT_EQ(BarcodeValue(set, form, 1), "");
    form.Barcodes = true;
    set.WorksheetNumber = "123456789";
    EXPECT_EQ(BarcodeValue(set, form, 1), "1234567ABC1.1");
    set.WorksheetNumber = "1234";

    const std::vector<int> symbols = Code128Symbols("0001234ABC10");
    const std::vector<int> expected = {105, 0, 1, 23, 100, 20, 33, 34, 35, 17, 16, 57, 106};
    EXPECT_EQ(symbols, expected);
    int dots = 0;
    const std::string row = Code128Row(symbols, dots);
    EXPECT_EQ(dots, 580);
    EXPECT_EQ(row.size(), 73u);
    // Start C is bars 2-1-1-2-3-2: 11010011100, four dots a module.
    EXPECT_EQ(static_cast<unsigned char>(row[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(row[1]), 0x0F);
    // The row ends with the stop's final module (a bar) and four padding dots.
    EXPECT_EQ(static_cast<unsigned char>(row[72]), 0xF0);

    const std::string text = BarcodeText("LTR", "0001234ABC10");
    const std::string head = ESC + "*p1800X" + ESC + "*p3060Y" + ESC + "*t300R" + ESC + "*r1A" + ESC + "*r0F";
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(test::CountOf(text, ESC + "*b73W"), 60u);
    EXPECT_EQ(text.size(), head.size() + 60 * (6 + 73) + 4);
    EXPECT_EQ(text.substr(text.size() - 4), ESC + "*rB");
    EXPECT_EQ(BarcodeText("LGL", "").size(), 0u);
    EXPECT_NE(BarcodeText("LGL", "X").find(ESC + "*p3960Y"), std::string::npos);

    // In a job every page carries the code of its own form and page number.
    TDocSetForm& other = AddForm(set, "XYZ", "LTR", 1);
    set.CurrentForm = &other;
    THLWPrintJobStream job(TCopyFooters{});
    job.DocumentSet = &set;
    job.PrintBarCodes = true;
    job.AppendPage(Info(form, 1));
    job.AppendPage(Info(form, 2));
    job.AppendPage(Info(other, 1));
    const std::string_view bytes = job.View();
    const size_t first = bytes.find(BarcodeText("LTR", "0001234ABC1.1"));
    const size_t second = bytes.find(BarcodeText("LTR", "0001234ABC1.2"));
    const size_t third = bytes.find(BarcodeText("LTR", "0001234XYZ1.1"));
    ASSERT_NE(third, std::string_view::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_EQ(test::CountOf(std::string(bytes), ESC + "*rB"), 3u);
}

TEST(PrintJob, Code128TableAndCodeSets) {
    for (int v = 0; v <= 106; ++v) {
        const std::string_view pattern = Code128Pattern(v);
        ASSERT_EQ(pattern.size(), v == 106 ? 13u : 11u) << v;
        EXPECT_EQ(pattern.front(), '1') << v;
        EXPECT_EQ(pattern.back(), v == 106 ? '1' : '0') << v;
    }
    // Patterns as the standard prints them.
    const std::pair<int, std::string_view> patterns[] = {{0, "11011001100"},     {103, "11010000100"},
                                                         {104, "11010010000"},   {105, "11010011100"},
                                                         {106, "1100011101011"}, {107, ""}};
    for (const auto& [value, pattern] : patterns)
        EXPECT_EQ(Code128Pattern(value), pattern) << value;

    // A pair of digits at the very end stays in code set B.
    EXPECT_EQ(Code128Symbols("12"), (std::vector<int>{104, 17, 18, (104 + 17 + 2 * 18) % 103, 106}));
    // Three digits: one pair in C, then a switch to B for the last.
    EXPECT_EQ(Code128Symbols("123"),
              (std::vector<int>{105, 12, 100, 19, (105 + 12 + 200 + 3 * 19) % 103, 106}));
    // B then C then B again.
    const std::vector<int> mixed = Code128Symbols("A1234B");
    EXPECT_EQ(mixed, (std::vector<int>{104, 33, 99, 12, 34, 100, 34,
                                       (104 + 33 + 2 * 99 + 3 * 12 + 4 * 34 + 5 * 100 + 6 * 34) % 103, 106}));
    // Control characters go in code set A; upper-half characters as FNC4 + the character 128 lower.
    EXPECT_EQ(Code128Symbols("\t"), (std::vector<int>{103, 73, (103 + 73) % 103, 106}));
    const std::vector<int> accent = Code128Symbols("\xE9"); // e acute: FNC4 in B, then 'i'
    EXPECT_EQ(accent, (std::vector<int>{104, 100, 0x69 - 32, (104 + 100 + 2 * (0x69 - 32)) % 103, 106}));
    EXPECT_EQ(Code128Symbols("\x85"), (std::vector<int>{103, 101, 5 + 64, (103 + 101 + 2 * 69) % 103, 106}));
    EXPECT_TRUE(Code128Symbols("").empty());
}

} // namespace
} // namespace pg
