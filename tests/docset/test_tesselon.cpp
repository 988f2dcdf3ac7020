#include "Tesselon.h"

#include "FormCRC.h"
#include "PackageFile.h"
#include "Prompt.h"
#include "Quodex.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#define FUZZCHECK_FAIL() throw std::logic_error("the package read back differs")
#include "RoundTrip.h"

#include "SameForms.h"
#include "TestFiles.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace pg {
namespace {

namespace fs = std::filesystem;
using test::ExpectSameForms;
using test::TKept;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

const std::string kEsc = "\x1b";
const std::string kReset = kEsc + "E";

// A Tesselon file as a foreign writer could make it: head bytes, the form list, the blob.
std::string TesselonFile(const std::string& xml, const std::string& blob, const std::string& head = kReset) {
    return head + MacroBegin(10000) + xml + MacroEnd(10000) + blob + kReset;
}

std::unique_ptr<TTesselon> Read(const std::string& bytes) {
    auto set = std::make_unique<TTesselon>();
    set->LoadFromBytes(bytes);
    set->ReadFormList();
    return set;
}

std::string Page(const std::string& attrs, const std::string& inner = "") {
    return "<Page " + attrs + "><Template><Name>T1.DOT</Name></Template>" + inner + "</Page>";
}

// The set written as a package of each container and read back.
std::unique_ptr<TTesselon> ViaTesselon(const TDocSet& set) {
    return Read(TTesselon::BuildTesselon(set, TSaveMode::All, true));
}
std::unique_ptr<TQuodex> ViaQuodex(const TDocSet& set) {
    auto q = std::make_unique<TQuodex>();
    q->LoadFromBytes(TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    return q;
}

// A page's place in the blob, as its attributes; numbers or any text a foreign writer could put.
std::string Range(const std::string& offset, const std::string& length) {
    return "byteOffset=\"" + offset + "\" expectedByteLength=\"" + length + "\"";
}
std::string Range(size_t offset, size_t length) {
    return Range(std::to_string(offset), std::to_string(length));
}

std::string Fill(const TDocSetPage& p) {
    return std::string(p.FillData.View());
}
std::string Tmpl(const TDocSetPage& p) {
    return std::string(p.TemplateData.View());
}

std::unique_ptr<TDocSetAnnotation> Note(int x, int y, std::string content) {
    auto a = std::make_unique<TDocSetAnnotation>();
    a->XPosition = x;
    a->YPosition = y;
    a->Content = std::move(content);
    a->UserId = "ann@example.com";
    a->Date = "01/02/2024";
    a->Time = "10:11:12";
    return a;
}

TDocSetForm& AddForm(TDocSet& set, const std::string& name, int borrower, int pages, uint8_t format = 7,
                     bool deleted = false) {
    auto form = std::make_unique<TDocSetForm>(name, "Desc of " + name, borrower,
                                              "Borrower " + std::to_string(borrower),
                                              borrower % 2 ? "LTR" : "LEGAL", true, false, deleted);
    form->Format = format;
    for (int n = 1; n <= pages; ++n) {
        std::string fill =
            kEsc + "*p300x" + std::to_string(100 * n) + "Y" + name + " fill " + std::to_string(n);
        if (format == kFormatVivaform)
            fill = "<?xml version=\"1.0\"?><html><body>" + name + "</body></html>";
        auto page = std::make_unique<TDocSetPage>(
            n, name.substr(0, name.find('.')) + std::to_string(n) + ".TPL", false, "", 0.0, fill);
        if (format == kFormatDefault)
            page->TemplateData.AppendText(kEsc + "*c100a50b0P template " + name + "\f");
        form->AddPage(std::move(page));
    }
    return set.AddForm(std::move(form));
}

// A package with several borrowers, a deleted form, a Vivaform form, annotations and
// templates that end in a form feed.
std::unique_ptr<TDocSet> GeneratedSet() {
    auto set = std::make_unique<TDocSet>();
    set->WorksheetNumber = "12345";
    set->PlanCode = "P1";
    set->CreatedBy = "Server";
    set->FromName = "Bank";
    set->LenderName = "Lender";
    set->CanAnnotate = true;
    AddForm(*set, "DEED.DOT", 1, 3);
    AddForm(*set, "DEED.DOT", 2, 3);
    AddForm(*set, "NOTE.DOT", 1, 1, kFormatDefault, true);
    AddForm(*set, "HTML.VIV", 1, 1, kFormatVivaform);
    TDocSetForm& tila = AddForm(*set, "TILA.DOT", 1, 2);
    tila.Pages[0]->AddAnnotation(Note(300, 600, "OK"));
    tila.Pages[0]->AddAnnotation(Note(10, 20, "Second note"));
    tila.Pages[1]->AddAnnotation(Note(1, 2, "Page two"));
    return set;
}

TEST(Tesselon, SplitAndPackageValues) {
    try {
        Read(kReset + kEsc + "&l2A plain PCL");
        FAIL() << "plain PCL accepted";
    } catch (const TTesselonFormatError& e) {
        EXPECT_STREQ(e.what(), "Missing XML FormList data");
    }

    TRecordingPrompter prompts;
    const std::string xml =
        "<DOCSET Annotatable=\"Y\" VERSION=\"2.0\" packagetype=\" Closing \">\n"
        "<worksheetNUMBER>  LEND1_0042 </worksheetNUMBER>\n"
        "<PlanCode>A</PlanCode><PlanCode>B</PlanCode>\n"
        "<CreatedBy>Server \n\t  Side</CreatedBy><Barcode><Formula>X</Formula></Barcode>\n"
        "<Form><Name>F.DOT</Name><Description>Caf\xE9s Form</Description>"
        "<Page byteOffset=\"0\" expectedByteLength=\"4\"/></Form></DOCSET>";
    auto set = Read(TesselonFile(xml, "DATA", "XY"));
    EXPECT_TRUE(prompts.Entries().empty());
    EXPECT_TRUE(set->CanAnnotate);
    EXPECT_EQ(set->Version, "2.0");
    EXPECT_EQ(set->PackageType, "Closing");
    EXPECT_EQ(set->WorksheetNumber, "LEND1_0042");
    EXPECT_EQ(set->LenderNumber, "LEND1");
    EXPECT_EQ(set->PlanCode, "A\r\nB");
    EXPECT_EQ(set->CreatedBy, "Server Side");
    EXPECT_TRUE(set->HasBarcodeFormula);
    ASSERT_EQ(set->FormCount(), 1u);
    EXPECT_EQ(set->Form(0).Description, "Caf s Form");
    ASSERT_EQ(set->FormListXml.size(), 6u);
    EXPECT_THAT(set->FormListXml[5], HasSubstr("Caf\xE9s Form"));
    // "XY" stood where the reset belongs and was skipped; the page starts at the blob.
    EXPECT_EQ(Tmpl(*set->Form(0).Pages[0]), "DATA");
}

TEST(Tesselon, ErrorRecordsAndReaderMessages) {
    TRecordingPrompter prompts;
    const std::string xml =
        "<DocSet><Error type=\"F\"><Message>Top</Message></Error>"
        "<Form><Name>A.DOT</Name><ERROR TYPE=\"N\"><Data>d</Data></ERROR>"
        "<Page byteOffset=\"0\" expectedByteLength=\"1\"><Error type=\"x\"><Source>s</Source></Error>"
        "</Page></Form>"
        "<Form><Name>B.DOT</Name></Form><Form><Name>C.DOT</Name></Form></DocSet>";
    auto set = Read(TesselonFile(xml, "X"));
    const std::pair<std::string, int> records[] = {{"/DocSet/Error", kSeverityFatal},
                                                   {"/DocSet/Form/Error", kSeverityNotice},
                                                   {"/DocSet/Form/Page/Error", kSeverityUnknown}};
    ASSERT_EQ(set->Errors.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(set->Errors[i].Error->Path, records[i].first);
        EXPECT_EQ(set->Errors[i].Error->Severity, records[i].second);
    }
    EXPECT_EQ(set->Errors[0].Error->Message, "Top");
    EXPECT_EQ(set->Errors[1].Error->Data, "d");
    EXPECT_EQ(set->Errors[2].Error->Source, "s");
    EXPECT_TRUE(set->Errors[2].Text.empty());
    // Page-less forms stay in the set and are reported together, once.
    ASSERT_EQ(set->FormCount(), 3u);
    EXPECT_EQ(set->Form(1).PageCount(), 0);
    ASSERT_EQ(prompts.Entries().size(), 1u);
    EXPECT_EQ(prompts.Entries()[0].Kind, PromptKind::Error);
    EXPECT_EQ(prompts.Entries()[0].Text, "Number of pages must be larger than 0 (0) in B.DOT\n"
                                         "Number of pages must be larger than 0 (0) in C.DOT");

    prompts.Clear();
    auto bad = Read(TesselonFile("<DocSet><Form><Name>A</Name>\n<Page></Form></DocSet>", ""));
    EXPECT_EQ(bad->FormCount(), 0u);
    ASSERT_EQ(prompts.Entries().size(), 1u);
    EXPECT_THAT(prompts.Entries()[0].Text, StartsWith("Invalid Tesselon\nTesselon XML parsing errors: "));
    EXPECT_THAT(prompts.Entries()[0].Text, HasSubstr("line 2"));
    EXPECT_EQ(bad->FormListXml.size(), 2u);
}

TEST(Tesselon, PclPageData) {
    TRecordingPrompter prompts;
    TDocSetAnnotation ann;
    ann.XPosition = 300;
    ann.YPosition = 600;
    ann.Content = "OK";
    const std::string page1 = ann.ToPCL() + kReset + MacroOpen(10003) + "FILL" + kEsc + "&l2A" +
                              MacroClose(10003) + MacroBegin(10000) + "junk" + MacroEnd(10000) + "TEMPLATE" +
                              kEsc + "&l1l1h" + MacroBegin(10002) + "viva" + MacroEnd(10002) + kEsc +
                              "&l0S\f";
    const std::string page2 = MacroOpen(10003) + "NO CLOSE" + "TAIL";
    // Removals that join a new command remove it too; the macro select is found in any case,
    // and its escape byte may read as ";".
    const std::string page7 = "A" + kEsc + "&l2" + kEsc + "EA;&F10002yJUNK;&F8xB";
    std::string blob = page1 + page2 + page7 + "zz";
    const std::string pages =
        Page("pageNumber=\"1\" forceToFront=\"Y\" " + Range(0, page1.size()),
             "<Annotation xPosition=\"300\" yPosition=\"600\"><UserId>u</UserId><content><![CDATA[  OK  "
             "]]></content></Annotation>") +
        Page("pageNumber=\"2\" " + Range(page1.size(), page2.size())) +
        Page("pageNumber=\"3\" " + Range("99999999999999", "5")) +
        Page("pageNumber=\"4\" " + Range("-5", "10")) + Page("pageNumber=\"5\" " + Range("abc", "x")) +
        Page("pageNumber=\"6\" " + Range(blob.size() - 2, 9999999)) +
        Page("pageNumber=\"7\" " + Range(page1.size() + page2.size(), page7.size()));
    auto set = Read(
        TesselonFile("<DocSet><Form deleted=\"N\"><Name>A.DOT</Name>" + pages + "</Form></DocSet>", blob));
    ASSERT_EQ(set->FormCount(), 1u);
    const TDocSetForm& form = set->Form(0);
    EXPECT_EQ(form.Format, kFormatDefault);
    ASSERT_EQ(form.PageCount(), 4);
    const TDocSetPage& p1 = *form.Pages[0];
    EXPECT_TRUE(p1.ForceToFront);
    EXPECT_EQ(p1.Template.Name, "T1.DOT");
    EXPECT_EQ(Fill(p1), "FILL");
    EXPECT_EQ(Tmpl(p1), "TEMPLATE" + kEsc + "&l1l");
    ASSERT_EQ(p1.Annotations.size(), 1u);
    EXPECT_EQ(p1.Annotations[0]->XPosition, 300);
    EXPECT_EQ(p1.Annotations[0]->UserId, "u");
    EXPECT_EQ(p1.Annotations[0]->Content, "  OK  ");
    // A fill bracket without its close marker stops the extraction.
    EXPECT_EQ(Fill(*form.Pages[1]), "");
    EXPECT_EQ(Tmpl(*form.Pages[1]), page2);
    // Ranges outside the blob give no page; one running past the end is cut at the end.
    EXPECT_EQ(form.Pages[2]->PageNumber, 6);
    EXPECT_EQ(Tmpl(*form.Pages[2]), "zz");
    EXPECT_EQ(Tmpl(*form.Pages[3]), "AB");
    EXPECT_TRUE(prompts.Entries().empty());
}

TEST(Tesselon, SinglePageFormats) {
    const std::string viva = MacroBegin(10002) + "<html>viva</html>" + MacroEnd(10002);
    const std::string attach = "%PDF-1.4 attachment";
    const std::string notZlib = "not compressed at all";
    const std::string blob = viva + attach + notZlib;
    const std::string xml =
        "<DocSet><Form><Name>V</Name><Format>VIVAFORM</Format>" + Page(Range(0, viva.size())) +
        Page(Range(0, 1)) + "</Form><Form><Name>U</Name><Format>UNKNOWN</Format>" +
        Page(Range(viva.size(), attach.size())) + "</Form><Form><Name>E</Name><Format>ATTACHMENT</Format>" +
        Page(Range(5000, 3)) + "</Form><Form deleted=\"Y\"><Name>D</Name><Format>DEFAULT</Format>" +
        Page(Range(viva.size() + attach.size(), notZlib.size())) + "</Form></DocSet>";
    auto set = Read(TesselonFile(xml, blob));
    ASSERT_EQ(set->FormCount(), 4u);
    EXPECT_EQ(set->Form(0).Format, kFormatVivaform);
    ASSERT_EQ(set->Form(0).PageCount(), 1);
    EXPECT_EQ(Fill(*set->Form(0).Pages[0]), "<html>viva</html>");
    EXPECT_EQ(set->Form(1).Format, kFormatAttachment);
    EXPECT_EQ(Fill(*set->Form(1).Pages[0]), attach);
    ASSERT_EQ(set->Form(2).PageCount(), 1);
    EXPECT_EQ(set->Form(2).Pages[0]->FillData.Size(), 0u);
    EXPECT_TRUE(set->Form(3).Deleted);
    EXPECT_EQ(Tmpl(*set->Form(3).Pages[0]), notZlib);

    // An attachment is written back as "ATTACHMENT"; its data stays inside a macro definition.
    const std::string written = TTesselon::BuildTesselon(*set, TSaveMode::All, true);
    EXPECT_THAT(written, HasSubstr("<Format>ATTACHMENT</Format>"));
    EXPECT_THAT(written, HasSubstr(MacroBegin(10002) + attach + MacroEnd(10002)));
    auto again = Read(written);
    EXPECT_EQ(Fill(*again->Form(1).Pages[0]), attach);
    EXPECT_EQ(Tmpl(*again->Form(1).Pages[0]), "");
}

TEST(Tesselon, WriterLayout) {
    TDocSet set;
    set.WorksheetNumber = "12345";
    set.PlanCode = "P1";
    set.CreatedBy = "Server";
    set.FromName = "Bank & Co";
    set.LenderName = "Lender";
    set.PackageType = "Closing";
    auto record = std::make_unique<TDocSetError>();
    record->Path = "/DocSet/Form/Page/Error";
    record->Severity = kSeverityWarning;
    record->Message = "Late";
    set.Errors.push_back({"", std::move(record)});
    set.Errors.push_back({"plain text", nullptr});
    auto form =
        std::make_unique<TDocSetForm>("A.DOT", "Form A", 2, "Ann", "Letter", true, false, false, "R1");
    form->Type = "Deed";
    form->Processed = true;
    auto page = std::make_unique<TDocSetPage>(1, "A.DOT", true, "BC1", 0.0, "FILL");
    page->TemplateData.AppendText("TPL");
    page->AddAnnotation(Note(300, 600, "OK"));
    form->AddPage(std::move(page));
    set.AddForm(std::move(form));

    const std::string xml =
        "<DocSet annotatable=\"Y\" includeTemplates=\"Y\" version=\"2.0\" packageType=\"Closing\">\n"
        "  <WorksheetNumber>12345</WorksheetNumber>\n"
        "  <PlanCode>P1</PlanCode>\n"
        "  <CreatedBy>Server;Pagellan 4.1.0.3</CreatedBy>\n"
        "  <FromName>Bank &amp; Co</FromName>\n"
        "  <LenderName>Lender</LenderName>\n"
        "  <Name />\n"
        "  <Error type=\"W\">\n"
        "    <Message>Late</Message>\n"
        "    <Data />\n"
        "    <Source />\n"
        "  </Error>\n"
        "  <Error type=\"unknown\">\n"
        "    <Message>plain text</Message>\n"
        "    <Data />\n"
        "    <Source />\n"
        "  </Error>\n"
        "  <Form borrowerNumber=\"2\" pageSize=\"Letter\" duplexable=\"Y\" deleted=\"N\" "
        "processed=\"Y\" scanned=\"N\" orientation=\"portrait\">\n"
        "    <Name>A.DOT</Name>\n"
        "    <Description>Form A</Description>\n"
        "    <BorrowerName>Ann</BorrowerName>\n"
        "    <Type>Deed</Type>\n"
        "    <Format>DEFAULT</Format>\n"
        "    <DocumentType />\n"
        "    <Reference>R1</Reference>\n"
        "    <Page pageNumber=\"1\" forceToFront=\"Y\" byteOffset=\"5\" expectedByteLength=\"LEN\">\n"
        "      <BarcodeValue>BC1</BarcodeValue>\n"
        "      <Template Size=\"0\">\n"
        "        <Name>A.DOT</Name>\n"
        "        <Date>12/30/1899 00:00:00</Date>\n"
        "      </Template>\n"
        "      <Annotation xPosition=\"300\" yPosition=\"600\">\n"
        "        <UserId>ann@example.com</UserId>\n"
        "        <Date>01/02/2024</Date>\n"
        "        <Time>10:11:12</Time>\n"
        "        <content><![CDATA[OK]]></content>\n"
        "        <Source>Client</Source>\n"
        "      </Annotation>\n"
        "    </Page>\n"
        "  </Form>\n"
        "</DocSet>\n";
    const std::string pageData =
        Note(300, 600, "OK")->ToPCL() + MacroOpen(10003) + "FILL" + MacroClose(10003) + "TPL";
    std::string expectedXml = xml;
    expectedXml.replace(expectedXml.find("LEN"), 3, std::to_string(pageData.size()));
    const std::string expected =
        kReset + MacroBegin(10000) + expectedXml + MacroEnd(10000) + kEsc + "&l2A" + pageData + kReset;
    EXPECT_EQ(TTesselon::BuildTesselon(set, TSaveMode::All, true), expected);

    const std::string stamp = "Pagellan 4.1.0.3";
    for (const auto& [before, after] : {std::pair<std::string, std::string>{"Server", "Server;" + stamp},
                                        {"Server;" + stamp, "Server;" + stamp},
                                        {"  ", "  " + stamp},
                                        {stamp + ";Other", stamp + ";Other;" + stamp}})
        EXPECT_EQ(TTesselon::StampedCreatedBy(before), after);

    // Read back: the plain text entry is a record of unknown severity; the document type, the
    // reference and the bar-code value survive.
    auto back = Read(expected);
    ASSERT_EQ(back->Errors.size(), 2u);
    EXPECT_EQ(back->Errors[1].Error->Message, "plain text");
    EXPECT_EQ(back->Errors[1].Error->Severity, kSeverityUnknown);
    EXPECT_EQ(back->Errors[0].Error->Path, "/DocSet/Error");
    EXPECT_EQ(back->FromName, "Bank & Co");
    EXPECT_EQ(back->Form(0).Type, "Deed");
    EXPECT_EQ(back->Form(0).Reference, "R1");
    EXPECT_EQ(back->Form(0).Pages[0]->BarcodeValue, "BC1");
    ExpectSameForms(set, *back, TKept::TesselonFields);
}

TEST(Tesselon, DeletedFormsAndModes) {
    TDocSet set;
    AddForm(set, "KEEP.DOT", 1, 1);
    TDocSetForm& gone = AddForm(set, "GONE.DOT", 2, 2, kFormatDefault, true);
    gone.Pages[1]->AddAnnotation(Note(5, 6, "deleted note"));
    TDocSetForm& viva = AddForm(set, "VIVA.HTM", 1, 1, kFormatVivaform, true);
    viva.Pages[0]->TemplateData.AppendText("viva template");
    set.Form(0).Selected = true;
    set.Form(1).Changed = true;

    const std::string all = TTesselon::BuildTesselon(set, TSaveMode::All, true);
    // The deleted legal form: its page-size command, then per page the 10004 marker and the
    // compressed page data.
    const size_t at = all.find(kEsc + "&l3A" + MacroBegin(10004));
    ASSERT_NE(at, std::string::npos);
    std::string page1 = MacroOpen(10003) + Fill(*gone.Pages[0]) + MacroClose(10003) + Tmpl(*gone.Pages[0]) +
                        MacroClose(10002);
    THLWMemorystream packed{page1};
    packed.Compress();
    EXPECT_EQ(all.substr(at + 5 + MacroBegin(10004).size(), packed.Size()), std::string(packed.View()));
    EXPECT_THAT(all, Not(HasSubstr(std::string(gone.Pages[1]->FillData.View()))));

    auto back = Read(all);
    ExpectSameForms(set, *back, TKept::TesselonFields);
    EXPECT_TRUE(back->Form(1).Deleted);

    auto names = [](const std::string& bytes) {
        auto s = Read(bytes);
        std::string out;
        for (const auto& e : s->Forms)
            out += e.Form->Name + " ";
        return out;
    };
    EXPECT_EQ(names(TTesselon::BuildTesselon(set, TSaveMode::All, false)), "KEEP.DOT ");
    EXPECT_EQ(names(TTesselon::BuildTesselon(set, TSaveMode::Selected, true)), "KEEP.DOT ");
    EXPECT_EQ(names(TTesselon::BuildTesselon(set, TSaveMode::Changed, true)), "GONE.DOT ");
    EXPECT_EQ(names(TTesselon::BuildTesselon(set, TSaveMode::Changed, false)), "");
}

TEST(Tesselon, FormFeedsAndUnusualTexts) {
    // A foreign page that ends with a form feed loses it; a template of this program keeps its own.
    const std::string data = MacroOpen(10003) + "FILL\f" + MacroClose(10003) + "T\f";
    auto foreign = Read(TesselonFile(
        "<DocSet><Form><Name>A</Name>" + Page(Range(0, data.size())) + "</Form></DocSet>", data));
    EXPECT_EQ(Fill(*foreign->Form(0).Pages[0]), "FILL\f");
    EXPECT_EQ(Tmpl(*foreign->Form(0).Pages[0]), "T");

    TDocSet set;
    TDocSetForm& form = AddForm(set, "A.DOT", 1, 1);
    form.Description = std::string("Esc ") + kEsc + "&f8X and ;&f8x";
    form.Pages[0]->AddAnnotation(Note(1, 1, "a ;&f8X b"));
    form.Pages[0]->AddAnnotation(Note(1, 1, "]]> inside"));
    auto back = ViaTesselon(set);
    ASSERT_EQ(back->FormCount(), 1u);
    EXPECT_EQ(back->Form(0).Description, form.Description);
    EXPECT_EQ(back->Form(0).Pages[0]->Annotations[0]->Content, "a ;&f8X b");
    EXPECT_EQ(back->Form(0).Pages[0]->Annotations[1]->Content, "]]> inside");
    EXPECT_EQ(Tmpl(*back->Form(0).Pages[0]), Tmpl(*form.Pages[0]));
}

TEST(Tesselon, AtomicSave) {
    TRecordingPrompter prompts;
    test::TTempFolder temp("tsn-save");
    const fs::path& dir = temp.Path();
    auto set = GeneratedSet();
    set->Modified = true;
    const std::string path = (dir / "out.tsn").string();
    ASSERT_TRUE(TTesselon::SaveTesselon(*set, path, TSaveMode::All, true));
    EXPECT_FALSE(set->Modified);
    EXPECT_EQ(test::ReadWholeFile(path), TTesselon::BuildTesselon(*set, TSaveMode::All, true));

    // A target that cannot be replaced stays as it was; nothing is left behind.
    const fs::path blocked = dir / "blocked.tsn";
    fs::create_directories(blocked / "inside");
    set->Modified = true;
    EXPECT_FALSE(TTesselon::SaveTesselon(*set, blocked.string(), TSaveMode::All, true));
    EXPECT_TRUE(set->Modified);
    EXPECT_TRUE(fs::is_directory(blocked / "inside"));
    ASSERT_EQ(prompts.Entries().size(), 1u);
    EXPECT_THAT(prompts.Entries()[0].Text, StartsWith("Error saving to " + blocked.string() + "\n"));
    EXPECT_THAT(prompts.Entries()[0].Text, HasSubstr("\n\nUse File|SaveAs to save in a different location"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    EXPECT_FALSE(TTesselon::SaveTesselon(*set, (dir / "missing" / "x.tsn").string(), TSaveMode::All, true));
}

TEST(Tesselon, RoundTripsWithQuodex) {
    TRecordingPrompter prompts;
    auto original = GeneratedSet();

    // Quodex -> Tesselon -> Quodex.
    auto q1 = ViaQuodex(*original);
    ExpectSameForms(*original, *q1, TKept::QuodexFields);
    auto t1 = ViaTesselon(*q1);
    ExpectSameForms(*q1, *t1, TKept::TesselonFields);
    auto q2 = ViaQuodex(*t1);
    ExpectSameForms(*q1, *q2, TKept::QuodexFields);
    EXPECT_EQ(q2->WorksheetNumber, "12345");
    EXPECT_EQ(q2->PlanCode, "P1");
    EXPECT_EQ(q2->FromName, "Bank");

    // Tesselon -> Quodex -> Tesselon.
    auto t2 = ViaTesselon(*original);
    ExpectSameForms(*original, *t2, TKept::TesselonFields);
    auto q3 = ViaQuodex(*t2);
    auto t3 = ViaTesselon(*q3);
    ExpectSameForms(*t2, *t3, TKept::QuodexFields);
    EXPECT_EQ(t2->CreatedBy, "Server;Pagellan 4.1.0.3");
    EXPECT_EQ(t3->CreatedBy, TTesselon::StampedCreatedBy(q3->CreatedBy));
    EXPECT_EQ(t3->LenderName, "Lender");
    EXPECT_TRUE(prompts.Entries().empty());
}

// One form included twice (same name and borrower, other pages, fills and annotations) stays
// two forms through Tesselon and through Quodex and back.
TEST(Tesselon, RepeatedNameAndBorrower) {
    TRecordingPrompter prompts;
    TDocSet set;
    set.WorksheetNumber = "12345";
    AddForm(set, "DEED.DOT-A", 1, 3).Pages[0]->AddAnnotation(Note(0, 600, "OK"));
    TDocSetForm& again = AddForm(set, "DEED.DOT-A", 1, 2);
    again.Pages[1]->FillData = THLWMemorystream("other fill");
    again.Pages[1]->AddAnnotation(Note(5, 6, "again"));
    auto t = ViaTesselon(set);
    ExpectSameForms(set, *t, TKept::TesselonFields);
    EXPECT_NO_THROW(fuzzcheck::FromTesselon(*t));
    ExpectSameForms(*t, *ViaQuodex(*t), TKept::QuodexFields);
    EXPECT_TRUE(prompts.Entries().empty());
}

// The fuzz target's seeds, with what it found: each reads back the same both ways.
TEST(Tesselon, FuzzSeeds) {
    TRecordingPrompter prompts;
    int files = 0;
    for (const auto& entry :
         fs::directory_iterator(fs::path(PAGELLAN_SOURCE_DIR) / "fuzz/corpus/fuzz_tesselon")) {
        SCOPED_TRACE(entry.path().string());
        auto set = Read(test::ReadWholeFile(entry.path()));
        EXPECT_GT(set->FormCount(), 1u);
        EXPECT_NO_THROW(fuzzcheck::FromTesselon(*set));
        ++files;
    }
    EXPECT_GE(files, 3);
}

// Pages without a stored number (all read as 1) or numbered 2 and 3 keep their own fills in
// Quodex, whose entries go by position.
TEST(Tesselon, PageNumbersToQuodex) {
    TRecordingPrompter prompts;
    for (const std::vector<std::string>& numbers :
         {std::vector<std::string>{"", "", ""}, std::vector<std::string>{"2", "3"}}) {
        std::string blob, pages;
        for (size_t i = 0; i < numbers.size(); ++i) {
            const std::string data = MacroOpen(10003) + "fill " + std::to_string(i) + MacroClose(10003);
            pages += Page((numbers[i].empty() ? "" : "pageNumber=\"" + numbers[i] + "\" ") +
                          Range(blob.size(), data.size()));
            blob += data;
        }
        auto t = Read(TesselonFile("<DocSet><Form><Name>A.DOT</Name>" + pages + "</Form></DocSet>", blob));
        ASSERT_EQ(t->Form(0).PageCount(), int32_t(numbers.size()));
        auto q = ViaQuodex(*t);
        ASSERT_EQ(q->Form(0).PageCount(), int32_t(numbers.size()));
        for (size_t i = 0; i < numbers.size(); ++i)
            EXPECT_EQ(Fill(*q->Form(0).Pages[i]), "fill " + std::to_string(i));
        EXPECT_TRUE(q->MissingForms.empty());
        EXPECT_NO_THROW(fuzzcheck::FromTesselon(*t));
    }
    EXPECT_TRUE(prompts.Entries().empty());
}

// Control bytes, NUL and bytes above 127 in texts: the form list is ASCII XML 1.0 that another
// parser accepts, and this reader gives back the same bytes.
TEST(Tesselon, ControlAndHighBytesInTexts) {
    TRecordingPrompter prompts;
    TDocSet set;
    set.PackageType = std::string("type\x01", 5);
    const std::string odd = std::string("A\0B\x1b\x06\x1f\t\r\nC \xE9\xFF", 14);
    TDocSetForm& form = AddForm(set, "A.DOT", 1, 1);
    form.Description = odd;
    form.BorrowerName = "Jos\xE9";
    form.Pages[0]->AddAnnotation(Note(1, 2, odd + " ;&f8X  ]]> & <x>"));
    const std::string bytes = TTesselon::BuildTesselon(set, TSaveMode::All, true);
    const size_t from = bytes.find(MacroBegin(10000)) + MacroBegin(10000).size();
    const std::string xml = bytes.substr(from, bytes.find(MacroEnd(10000)) - from);
    EXPECT_TRUE(std::all_of(xml.begin(), xml.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\n' || c == '\t';
    })) << "ASCII only (a tab stays inside CDATA)";
    EXPECT_THAT(xml, Not(HasSubstr("&#27;")));
    EXPECT_THAT(xml, HasSubstr("Jos&#xE9;"));

    auto back = Read(bytes);
    ASSERT_EQ(back->FormCount(), 1u);
    EXPECT_EQ(back->PackageType, set.PackageType);
    EXPECT_EQ(back->Form(0).Description, odd);
    EXPECT_EQ(back->Form(0).BorrowerName, "Jos\xE9");
    EXPECT_EQ(back->Form(0).Pages[0]->Annotations.at(0)->Content, odd + " ;&f8X  ]]> & <x>");
    EXPECT_NO_THROW(fuzzcheck::FromTesselon(*back));
    EXPECT_TRUE(prompts.Entries().empty());

    test::TTempFolder temp("tsn-xml");
    const std::string command = "python3 -c 'import sys, xml.etree.ElementTree as E; E.parse(sys.argv[1])' " +
                                temp.File("list.xml", xml);
    EXPECT_EQ(std::system(command.c_str()), 0) << "another XML 1.0 parser accepts the form list";
}

// One rule picks the reader: a first escape byte means Tesselon whatever the name.
TEST(Tesselon, ContainerChoice) {
    const std::string esc = kReset;
    const struct {
        const char* name;
        std::string bytes;
        TContainerKind kind;
    } cases[] = {{"a.qdx", esc, TContainerKind::Tesselon},     {"a.QDX", "V", TContainerKind::Quodex},
                 {"a.tsn", "V", TContainerKind::Tesselon},     {"a.qdz", "V", TContainerKind::Tesselon},
                 {"C:\\x\\a.Qdx", "", TContainerKind::Quodex}, {"a", esc, TContainerKind::Tesselon}};
    for (const auto& c : cases)
        EXPECT_EQ(ContainerFor(c.name, c.bytes), c.kind) << c.name;

    test::TTempFolder dir("tsn-choice");
    TRecordingPrompter prompts;
    auto set = LoadPackageFile(
        dir.File("renamed.qdx", test::ReadWholeFile(std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.tsn")));
    EXPECT_NE(dynamic_cast<TTesselon*>(set.get()), nullptr);
    EXPECT_GT(set->FormCount(), 0u);
    EXPECT_TRUE(prompts.Entries().empty());
}

// The bundled Tesselon demo is the Quodex demo converted: the same forms, pages, streams,
// checksums and annotations, and exactly the bytes a conversion of today's Quodex demo gives.
TEST(Tesselon, DemoPackage) {
    TRecordingPrompter prompts;
    const std::string folder = std::string(PAGELLAN_SOURCE_DIR) + "/samples/";
    auto quodex = LoadPackageFile(folder + "demo.qdx");
    auto tesselon = LoadPackageFile(folder + "demo.tsn");
    ASSERT_NE(dynamic_cast<TTesselon*>(tesselon.get()), nullptr);
    ASSERT_GT(quodex->FormCount(), 0u);
    ExpectSameForms(*quodex, *tesselon, TKept::QuodexFields);
    for (auto field :
         {&TDocSet::WorksheetNumber, &TDocSet::PlanCode, &TDocSet::FromName, &TDocSet::LenderName})
        EXPECT_EQ((*tesselon).*field, (*quodex).*field);
    EXPECT_EQ(tesselon->CreatedBy, TTesselon::StampedCreatedBy(quodex->CreatedBy));
    ExpectSameForms(*quodex, *ViaQuodex(*tesselon), TKept::QuodexFields);
    const std::string demo = test::ReadWholeFile(folder + "demo.tsn");
    EXPECT_TRUE(demo == TTesselon::BuildTesselon(*quodex, TSaveMode::All, true))
        << "samples/demo.tsn is older than samples/demo.qdx: pagellan-cli convert samples/demo.qdx "
           "samples/demo.tsn";
    EXPECT_TRUE(prompts.Entries().empty());

    // Files that are not ".QDX" are read as Tesselon, whatever their extension; plain PCL is refused.
    test::TTempFolder dir("tsn-load");
    EXPECT_EQ(LoadPackageFile(dir.File("demo.qdz", demo))->FormCount(), quodex->FormCount());
    EXPECT_THROW(LoadPackageFile(dir.File("plain.pcl", kReset + "text\f" + kReset)), TTesselonFormatError);
}

} // namespace
} // namespace pg
