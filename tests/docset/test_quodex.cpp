// The Quodex container: reading rules, the writer's layout, round trips, bad input and saving.

#include "FormCRC.h"
#include "Prompt.h"
#include "Quodex.h"
#include "Tesselon.h"

#include <stdexcept>
#define FUZZCHECK_FAIL() throw std::logic_error("the package read back differs")
#include "RoundTrip.h"

#include "SameForms.h"
#include "TestFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/resource.h>

namespace pg {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

const std::string FD = "\xFD";
const std::string FC = "\xFC";
const std::string SEP = "\xFE.P";
const std::string ESC = "\x1b";

using TEntries = std::vector<std::pair<std::string, std::string>>;

// A container assembled by hand: header, directory of the entries in order, data.
std::string MakeQuodex(const std::string& header, const TEntries& entries) {
    std::string directory, data;
    for (const auto& [name, bytes] : entries) {
        if (!directory.empty())
            directory += ";";
        directory +=
            "PCL," + name + "," + std::to_string(data.size() + 1) + "," + std::to_string(bytes.size());
        data += bytes;
    }
    return header + ":" + directory + ":" + data;
}

std::string Fields(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i)
        line += (i ? FD : "") + fields[i];
    return line;
}

// A display line with the fields a reader uses; templates is field 13.
std::string FormLine(const std::string& seq, const std::string& name, const std::string& borrower,
                     const std::string& pages, const std::string& templates = "") {
    return Fields(
        {seq, name, name + " desc", borrower, "1", pages, "LTR", "Bob", "Y", "Y", "N", "N", templates});
}

std::unique_ptr<TQuodex> Load(std::string_view bytes) {
    auto q = std::make_unique<TQuodex>();
    q->LoadFromBytes(bytes);
    return q;
}

std::string Fill(const TDocSet& set, size_t form, size_t page) {
    return std::string(set.Form(form).Pages[page]->FillData.View());
}

std::string Template(const TDocSet& set, size_t form, size_t page) {
    return std::string(set.Form(form).Pages[page]->TemplateData.View());
}

using TLines = std::vector<std::string>;

// A page's annotations as their package lines: position and content in one text each.
TLines Notes(const TDocSet& set, size_t form, size_t page) {
    TLines lines;
    for (const auto& a : set.Form(form).Pages[page]->Annotations)
        lines.push_back(a->ToQuodexLine());
    return lines;
}

std::string Note(int x, int y, const std::string& content) {
    return std::to_string(x) + FD + std::to_string(y) + FD + content;
}

// ---- Reading -------------------------------------------------------------------------------

TEST(QuodexRead, HeaderKeys) {
    TRecordingPrompter prompter;
    auto q = Load(MakeQuodex("VERSION,3;WS,12345;CANANNOTATE,N", {{"12345.DSP", "PLANCODE;P9;x\r\n"}}));
    EXPECT_EQ(q->Version, "3");
    EXPECT_EQ(q->WorksheetNumber, "12345");
    EXPECT_FALSE(q->CanAnnotate);
    EXPECT_EQ(q->PlanCode, "P9");
    EXPECT_EQ(q->FormCount(), 0u);

    q = Load(MakeQuodex("version,4,extra;CREATED.BY,QX;FROM,Ann;PACKAGE.ID,77;LENDER,Bank;PARSE ,N;OTHER,1;"
                        "CANANNOTATE,Y",
                        {{"77.DSP", "PLANCODE\r\n"}}));
    EXPECT_EQ(q->Version, "4") << "the value ends at the second comma";
    EXPECT_EQ(q->CreatedBy, "QX");
    EXPECT_EQ(q->FromName, "Ann");
    EXPECT_EQ(q->WorksheetNumber, "77");
    EXPECT_EQ(q->LenderName, "Bank");
    EXPECT_EQ(q->LenderNumber, "Bank");
    EXPECT_TRUE(q->CanAnnotate);
    EXPECT_EQ(q->PlanCode, "");

    // An empty header sets nothing; the display list of an empty worksheet is ".DSP".
    q = Load(MakeQuodex("", {{".DSP", "PLANCODE;A\r\n"}}));
    EXPECT_EQ(q->Version, "");
    EXPECT_FALSE(q->CanAnnotate);
    EXPECT_EQ(q->PlanCode, "A");
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(QuodexRead, WholeFormFillServesItsPages) {
    TRecordingPrompter prompter;
    const std::string dsp = "PLANCODE;P\r\n" + FormLine("1", "NOTE.DOT", "1", "3") + "\r\n" +
                            FormLine("2", "RIDER.DOT", "1", "3") + "\r\n";
    auto q = Load(MakeQuodex("WS,12345", {{"12345.DSP", dsp},
                                          {"F12345.011", "one" + SEP + "two" + SEP + "three"},
                                          {"F12345.021", "first" + SEP + "second"},
                                          {"NOTE2.DOT", "T2"}}));
    ASSERT_EQ(q->FormCount(), 2u);
    ASSERT_EQ(q->Form(0).PageCount(), 3);
    EXPECT_EQ(Fill(*q, 0, 0), "one");
    EXPECT_EQ(Fill(*q, 0, 1), "two");
    EXPECT_EQ(Fill(*q, 0, 2), "three");
    EXPECT_EQ(q->Form(0).Pages[2]->PageNumber, 3);
    // Fewer parts than pages: the last page is empty but the fill was found.
    EXPECT_EQ(Fill(*q, 1, 1), "second");
    EXPECT_EQ(Fill(*q, 1, 2), "");
    EXPECT_TRUE(q->MissingForms.empty());
    // Templates derived from the form name: NOTE1.DOT, NOTE2.DOT, NOTE3.DOT; only one exists.
    EXPECT_EQ(q->Form(0).Pages[1]->Template.Name, "NOTE2.DOT");
    EXPECT_EQ(Template(*q, 0, 1), "T2");
    EXPECT_EQ(q->Form(0).Pages[0]->Template.Name, "") << "a missing template leaves the name empty";
    EXPECT_EQ(Template(*q, 0, 0), "");
    EXPECT_EQ(q->Forms[0].Text, "NOTE.DOT");
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(QuodexRead, PaddedNamesAndAnnotationToggle) {
    // The display list under the padded name: annotations are looked up padded first.
    const std::string dsp = "PLANCODE;P\r\n" + FormLine("1", "NOTE.DOT", "1", "1") + "\r\n";
    auto q = Load(MakeQuodex("WS,123", {{"W0000123.DSP", dsp},
                                        {"F0000123.011.1", "fill"},
                                        {"A123.011", "1" + FD + "1" + FD + "plain\r\n"},
                                        {"A0000123.011", "2" + FD + "2" + FD + "padded\r\n"}}));
    ASSERT_EQ(q->FormCount(), 1u);
    EXPECT_EQ(Fill(*q, 0, 0), "fill");
    EXPECT_EQ(Notes(*q, 0, 0), TLines{Note(2, 2, "padded")});

    // Unpadded display list and fill, padded annotations only: the second look-up finds them.
    q = Load(MakeQuodex(
        "WS,123",
        {{"123.DSP", dsp}, {"F123.011", "fill"}, {"A0000123.011", "2" + FD + "3" + FD + "found\r\n"}}));
    EXPECT_EQ(Notes(*q, 0, 0), TLines{Note(2, 3, "found")});

    // Trying the third fill name (padded, whole form) switches the annotations to padded names.
    q = Load(MakeQuodex("WS,123", {{"123.DSP", dsp},
                                   {"F0000123.011", "padded fill"},
                                   {"A123.011", "1" + FD + "1" + FD + "plain\r\n"},
                                   {"A0000123.011", "2" + FD + "2" + FD + "padded\r\n"}}));
    EXPECT_EQ(Fill(*q, 0, 0), "padded fill");
    EXPECT_EQ(Notes(*q, 0, 0), TLines{Note(2, 2, "padded")});

    // A worksheet of seven or more characters is never padded.
    EXPECT_EQ(TQuodex::PaddedWorksheet("123"), "0000123");
    EXPECT_EQ(TQuodex::PaddedWorksheet("123456789"), "123456789");
    EXPECT_EQ(TQuodex::PaddedWorksheet(""), "0000000");
}

TEST(QuodexRead, FillNamesInOrderAndPageEntriesKeptWhole) {
    const std::string dsp =
        FormLine("1", "A.DOT", "2", "2") + "\r\n" + FormLine("3", "B.DOT", "1", "2") + "\r\n";
    // Form 1 (borrower 2): per-page entries under the unpadded name; page 2's entry holds the
    // separator bytes in its data and is still taken whole. Form 2: padded per-page entries.
    auto q = Load(MakeQuodex("WS,9", {{"9.DSP", dsp},
                                      {"F9.012.1", "p1"},
                                      {"F9.012.2", "raster" + SEP + "bytes"},
                                      {"F0000009.031.1", "b1"},
                                      {"F0000009.031.2", "b2"}}));
    ASSERT_EQ(q->FormCount(), 2u);
    EXPECT_EQ(Fill(*q, 0, 0), "p1");
    EXPECT_EQ(Fill(*q, 0, 1), "raster" + SEP + "bytes");
    EXPECT_EQ(Fill(*q, 1, 0), "b1");
    EXPECT_EQ(Fill(*q, 1, 1), "b2");
    EXPECT_EQ(q->Form(0).BorrowerNumber, 2);

    // The whole-form entry wins over the page entry.
    q = Load(MakeQuodex(
        "WS,9", {{"9.DSP", FormLine("1", "A.DOT", "1", "1")}, {"F9.011.1", "page"}, {"F9.011", "whole"}}));
    EXPECT_EQ(Fill(*q, 0, 0), "whole");
}

TEST(QuodexRead, TemplateNamesAndCleanUp) {
    const std::string dirty = ESC + "E" + ESC + "&l1l1hA" + ESC + "&l2A" + ESC + "&l3AB" + ESC + "&l1S" +
                              ESC + "&l0SC" + ESC + "&l1l1h" + ESC + "&l1l1h";
    const std::string clean = ESC + "&l1lABC" + ESC + "&l1l" + ESC + "&l1l";
    const std::string dsp = FormLine("1", "DEED.DOT-A", "1", "2") + "\r\n" +
                            FormLine("2", "NOTE.DOT", "1", "1") + "\r\n" +
                            FormLine("3", "RIDER.DOT", "1", "3", "X.TPL" + FC + "y.tpl" + FC) + "\r\n";
    auto q = Load(MakeQuodex("WS,5", {{"5.DSP", dsp},
                                      {"DEED1.DOT", dirty},
                                      {"DEED2.DOT", "D" + ESC + "&l2" + ESC + "EA2"},
                                      {"NOTE.DOT", "N"},
                                      {"X.TPL", "X"},
                                      {"Y.TPL", "Y"}}));
    ASSERT_EQ(q->FormCount(), 3u);
    EXPECT_EQ(q->Form(0).Pages[0]->Template.Name, "DEED1.DOT");
    EXPECT_EQ(Template(*q, 0, 0), clean);
    EXPECT_EQ(q->Form(0).Pages[1]->Template.Name, "DEED2.DOT");
    EXPECT_EQ(Template(*q, 0, 1), "D2") << "a command that meets after the reset is removed is removed too";
    EXPECT_EQ(Template(*q, 1, 0), "N") << "a one-page form takes P.X";
    EXPECT_EQ(q->Form(2).Pages[0]->Template.Name, "X.TPL");
    EXPECT_EQ(Template(*q, 2, 0), "X");
    EXPECT_EQ(q->Form(2).Pages[1]->Template.Name, "y.tpl") << "looked up without regard to case";
    EXPECT_EQ(Template(*q, 2, 1), "Y");
    EXPECT_EQ(Template(*q, 2, 2), "") << "field 13 names no third template";
    // Every page was missing its fill.
    EXPECT_EQ(q->MissingForms, (std::vector<std::string>{"Missing fill for DEED.DOT-A DEED.DOT-A desc",
                                                         "Missing fill for NOTE.DOT NOTE.DOT desc",
                                                         "Missing fill for RIDER.DOT RIDER.DOT desc"}));

    EXPECT_EQ(TQuodex::DerivedTemplateName("DEED.DOT-A", 2, 2), "DEED2.DOT");
    EXPECT_EQ(TQuodex::DerivedTemplateName("DEED.DOT-A", 1, 1), "DEED.DOT");
    EXPECT_EQ(TQuodex::DerivedTemplateName("A.B.C", 1, 1), "A.B");
    EXPECT_EQ(TQuodex::DerivedTemplateName("PLAIN", 1, 1), "PLAIN.");
}

TEST(QuodexRead, FormatBarcodeErrorsOrderAndBorrowers) {
    const std::string dsp = "PLANCODE;P7\r\n" +
                            Fields({"1", "VIVA.HTM", "Viva", "1", "1", "1", "LTR", "Ann Lee"}) + "\r\n" +
                            Fields({"2", "PLAIN.DOT", "Plain", "2", "1", "2", "LEGAL", "ann lee", "N"}) +
                            "\r\n" + Fields({"3", "BC.DOT", "Bar", "3", "1", "1", "LTR", "Cy"}) + "\r\n" +
                            Fields({"4", "LAST.DOT", "Last", "4", "1", "1", "LTR", "Cy"}) + "\r\n";
    auto q = Load(MakeQuodex("WS,1", {{"1.DSP", dsp},
                                      {"F1.011", "<html><?xml version='1.0'?>"},
                                      {"F1.022", "x" + SEP + "<?xml on page two"},
                                      {"F1.033", "bars " + ESC + "*c300A"},
                                      {"F1.044", "later entries do not clear the flag"},
                                      {".ERR", "line one\r\nline two"},
                                      {"plancode.ord", "P7" + FD + "BC.DOT\r\nP8" + FD + "X\r\n"}}));
    ASSERT_EQ(q->FormCount(), 4u);
    EXPECT_TRUE(q->Form(0).IsVivaform());
    EXPECT_EQ(q->Form(1).Format, kFormatDefault) << "only page 1 decides";
    EXPECT_FALSE(q->Form(1).Duplexable);
    EXPECT_TRUE(q->Form(0).Duplexable) << "a missing field is not N";
    EXPECT_TRUE(q->HasBarcodeFormula);
    ASSERT_EQ(q->Errors.size(), 1u);
    EXPECT_EQ(q->Errors[0].Text, "line one\r\nline two");
    EXPECT_EQ(q->Errors[0].Error, nullptr);
    EXPECT_EQ(q->StackingOrder, (std::vector<std::string>{"P7" + FD + "BC.DOT", "P8" + FD + "X"}));
    EXPECT_TRUE(q->UsingEmbeddedOrder);
    EXPECT_EQ(q->PlanCode, "P7");
    EXPECT_EQ(q->BorrowerNames, (std::vector<std::string>{"Ann Lee", "Cy"}));
    EXPECT_FALSE(q->Reordered) << "reading does not sort";

    q = Load(MakeQuodex("WS,1", {{"1.DSP", dsp}, {"F1.011", "no bar codes"}}));
    EXPECT_FALSE(q->HasBarcodeFormula);
    EXPECT_FALSE(q->UsingEmbeddedOrder);
    EXPECT_TRUE(q->Errors.empty());
}

TEST(QuodexRead, DisplayListFields) {
    TRecordingPrompter prompter;
    const std::string dsp = "PLANCODE;P\r\n"
                            "\r\n" + // empty line
                            Fields({"1", "NOPAGES.DOT", "d", "1", "1", "0"}) +
                            "\n" +                                                        // no pages
                            Fields({"1", "BAD.DOT", "d", "1", "1", "two"}) + "\r" +       // not a number
                            Fields({"1", "NEG.DOT", "d", "1", "1", "-3"}) + "\r\n" +      // negative
                            Fields({"x", "SHORT.DOT", "Short", "b", "1", "1"}) + "\r\n" + // defaults
                            Fields({"1", "XPLANCODE.DOT", "d", "1", "1", "1"}) + "\r\n" + // skipped
                            Fields({"2", "DEL.DOT", "Del", "1", "1", "1", "LTR", "N", "Y", "Y", "Y", "Y"}) +
                            "\r\n" + "garbage without separators\r\n";
    auto q = Load(MakeQuodex("WS,4", {{"4.DSP", dsp}, {"F4.011", "short fill"}, {"F4.011.1", "unused"}}));
    ASSERT_EQ(q->FormCount(), 2u);
    const TDocSetForm& s = q->Form(0);
    EXPECT_EQ(s.Name, "SHORT.DOT");
    EXPECT_EQ(s.Description, "Short");
    EXPECT_EQ(s.BorrowerNumber, 1) << "a non-numeric borrower reads as 1";
    EXPECT_EQ(s.PageSize, "");
    EXPECT_EQ(s.BorrowerName, "");
    EXPECT_TRUE(s.Duplexable);
    EXPECT_FALSE(s.Deleted);
    EXPECT_EQ(Fill(*q, 0, 0), "short fill") << "a non-numeric sequence reads as 1";
    const TDocSetForm& d = q->Form(1);
    EXPECT_TRUE(d.Deleted);
    EXPECT_FALSE(d.Changed) << "the changed flag is not kept";
    EXPECT_EQ(q->BorrowerNames, (std::vector<std::string>{"", "N"}));
    EXPECT_EQ(q->MissingForms, std::vector<std::string>{"Missing fill for DEL.DOT Del"});
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(QuodexRead, AnnotationLines) {
    const std::string dsp =
        FormLine("1", "A.DOT", "1", "3") + "\r\n" + FormLine("1", "A.DOT", "2", "1") + "\r\n";
    const std::string notes = "10" + FD + "20" + FD + "Hello\r\n  30" + FD + "40" + FD + "World  \r\n" + SEP +
                              "x" + FD + FD + "no numbers\r\nno end" + SEP + "5" + FD + "6" + FD + "a" + FD +
                              "b\r\n";
    auto q = Load(MakeQuodex("WS,8", {{"8.DSP", dsp}, {"F8.011", "f"}, {"F8.012", "g"}, {"A8.011", notes}}));
    ASSERT_EQ(q->FormCount(), 2u);
    ASSERT_EQ(Notes(*q, 0, 0), (TLines{Note(10, 20, "Hello"), Note(30, 40, "World")})) << "lines are trimmed";
    EXPECT_EQ(q->Form(0).Pages[0]->Annotations[1]->Source, "Client");
    EXPECT_EQ(Notes(*q, 0, 1), TLines{Note(0, 0, "no numbers")}) << "text after the last CR is not a line";
    EXPECT_EQ(Notes(*q, 0, 2), TLines{Note(5, 6, "a")}) << "the content is the third field";
    EXPECT_EQ(Notes(*q, 1, 0), Notes(*q, 0, 0))
        << "the second borrower's copy shares the entry of sequence 1";
}

TEST(QuodexRead, DirectoryRules) {
    const std::string dsp = FormLine("1", "A.DOT", "1", "1") + "\r\n" + FormLine("2", "B.DOT", "1", "1") +
                            "\r\n" + FormLine("3", "C.DOT", "1", "1") + "\r\n" +
                            FormLine("4", "D.DOT", "1", "1") + "\r\n";
    const std::string data = dsp + "firstSECONDtail";
    const size_t f = dsp.size() + 1; // 1-based offset of "first"
    auto entry = [](const std::string& name, size_t offset, const std::string& length) {
        return "PCL," + name + "," + std::to_string(offset) + "," + length;
    };
    const std::string directory = entry("2.DSP", 1, std::to_string(dsp.size())) + ";" +
                                  entry("f2.011", f, "5") + ";" +        // first
                                  entry("F2.011", f + 5, "6") + ";" +    // duplicate: ignored
                                  entry("F2.021", f + 11, "100") + ";" + // runs past the end
                                  entry("F2.031", f + 100, "4") + ";" +  // starts past the end
                                  entry("F2.041", f, "0") + ";" +        // zero length
                                  entry("F2.041", 0, "4") + ";" +        // offset 0
                                  "PCL,F2.041,abc,4;PCL,F2.041;;" +      // not numbers, short
                                  entry("F2.041", f + 5, "99999999999"); // length not a number
    auto q = Load("WS,2:" + directory + ":" + data);
    ASSERT_EQ(q->FormCount(), 4u);
    EXPECT_EQ(Fill(*q, 0, 0), "first") << "names compare without case; the first entry counts";
    EXPECT_EQ(Fill(*q, 1, 0), "tail") << "what lies inside the data";
    EXPECT_EQ(Fill(*q, 2, 0), "");
    EXPECT_EQ(Fill(*q, 3, 0), "");
    EXPECT_EQ(q->MissingForms, (std::vector<std::string>{"Missing fill for C.DOT C.DOT desc",
                                                         "Missing fill for D.DOT D.DOT desc"}));
}

TEST(QuodexRead, BadInput) {
    auto formatError = [](const std::string& bytes) -> std::string {
        try {
            Load(bytes);
        } catch (const TQuodexFormatError& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(formatError(""), "Invalid Quodex format 1");
    EXPECT_EQ(formatError("no separators at all"), "Invalid Quodex format 1");
    EXPECT_EQ(formatError("VERSION,1:PCL,X,1,1"), "Invalid Quodex format 2");

    // A package without its display list: one message, no forms.
    {
        TRecordingPrompter prompter;
        auto q = Load(MakeQuodex("WS,3", {{"4.DSP", "PLANCODE;P\r\n"}, {"F3.011", "x"}}));
        EXPECT_EQ(q->FormCount(), 0u);
        EXPECT_EQ(prompter.Texts(), std::vector<std::string>{"Invalid DSP file"});
        q = Load("::");
        EXPECT_EQ(q->FormCount(), 0u);
        EXPECT_EQ(prompter.Texts().size(), 2u);
    }

    // Every prefix of a valid package either loads or is refused as a format error.
    TRecordingPrompter quiet;
    const std::string dsp = "PLANCODE;P\r\n" + FormLine("1", "A.DOT", "1", "2", "T.DOT" + FC) + "\r\n";
    const std::string whole =
        MakeQuodex("VERSION,1;WS,6;CANANNOTATE,Y", {{"6.DSP", dsp},
                                                    {"F6.011", "a" + SEP + "b"},
                                                    {"A6.011", "1" + FD + "2" + FD + "x\r\n"},
                                                    {"T.DOT", ESC + "E" + "tmpl"}});
    size_t loaded = 0;
    for (size_t n = 0; n <= whole.size(); ++n) {
        try {
            auto q = Load(whole.substr(0, n));
            loaded += q->FormCount();
        } catch (const TQuodexFormatError&) {
        }
    }
    EXPECT_GT(loaded, 0u);
    auto full = Load(whole);
    ASSERT_EQ(full->FormCount(), 1u);
    EXPECT_EQ(Fill(*full, 0, 1), "b");
    EXPECT_EQ(Template(*full, 0, 0), "tmpl");

    // Random bytes, with and without separators, never crash.
    std::mt19937 rng(1234);
    const std::string alphabet = ":;,.0123456789FWADSP\xFD\xFC\xFE\r\n";
    for (int round = 0; round < 2000; ++round) {
        std::string junk(rng() % 200, '\0');
        for (char& c : junk)
            c = round % 2 ? char(rng()) : alphabet[rng() % alphabet.size()];
        try {
            Load(junk);
        } catch (const TQuodexFormatError&) {
        }
    }
}

TEST(QuodexRead, PageCountIsBounded) {
    TRecordingPrompter prompter;
    const std::string dsp =
        FormLine("1", "HUGE.DOT", "1", "2147483647") + "\r\n" + FormLine("2", "B.DOT", "1", "5");
    auto q = Load(MakeQuodex("WS,1", {{"1.DSP", dsp}, {"F1.011", "x"}}));
    ASSERT_EQ(q->FormCount(), 1u) << "no pages are left for the second form";
    EXPECT_EQ(q->Form(0).PageCount(), TQuodex::kMaxPages);
    EXPECT_EQ(Fill(*q, 0, 0), "x");
    ASSERT_EQ(q->Errors.size(), 1u);
    EXPECT_EQ(q->Errors[0].Text, "Page count of HUGE.DOT cut to 100000");
}

// ---- Writing -------------------------------------------------------------------------------

std::unique_ptr<TDocSetForm> MakeForm(const std::string& name, int32_t borrower, int32_t pages) {
    auto form =
        std::make_unique<TDocSetForm>(name, name + " desc", borrower, "Bob", "LTR", true, false, false, "");
    for (int32_t n = 1; n <= pages; ++n) {
        auto page = std::make_unique<TDocSetPage>(n, "", false, "", 0, name + " fill " + std::to_string(n));
        form->AddPage(std::move(page));
    }
    return form;
}

std::unique_ptr<TDocSetAnnotation> NewNote(int x, int y, const std::string& content) {
    auto note = std::make_unique<TDocSetAnnotation>();
    note->XPosition = x;
    note->YPosition = y;
    note->Content = content;
    return note;
}

TEST(QuodexWrite, ByteExactLayout) {
    TDocSet set;
    set.Version = "3";
    set.CreatedBy = "QX";
    set.FromName = "Ann";
    set.WorksheetNumber = "42";
    set.LenderName = "Bank";
    set.LenderNumber = "999";
    set.PlanCode = "P1";
    set.CanAnnotate = true;
    auto form = std::make_unique<TDocSetForm>("DEED.DOT", "Deed", 1, "Bob", "LTR", true, false, false, "");
    auto page = std::make_unique<TDocSetPage>(1, "DEED.DOT", false, "", 0, "F1");
    page->TemplateData.AppendText("T1");
    page->AddAnnotation(NewNote(10, 20, "Hi"));
    form->AddPage(std::move(page));
    set.AddForm(std::move(form));

    const std::string display =
        "PLANCODE;P1\r\n" +
        Fields({"1", "DEED.DOT", "Deed", "1", "1", "1", "LTR", "Bob", "Y", "Y", "N", "N", "DEED.DOT"}) + FC +
        "\r\n";
    ASSERT_EQ(display.size(), 62u);
    const std::string expected =
        "VERSION,3;CREATED.BY,QX;FROM,Ann;PACKAGE.ID,42;LENDER,Bank;PARSE ,N;CANANNOTATE,Y:"
        "PCL,F0000042.011.1,1,2;PCL,A0000042.011,3,10;PCL,DEED.DOT,13,2;DISPLAY,42.DSP,15,62:F1" +
        Note(10, 20, "Hi") + "\r\nT1" + display;
    EXPECT_EQ(TQuodex::BuildQuodex(set, TSaveMode::All, true, false), expected);

    // Locked annotations and a set that cannot be annotated both write N.
    const std::string locked = TQuodex::BuildQuodex(set, TSaveMode::All, true, true);
    EXPECT_THAT(locked, HasSubstr("PARSE ,N;CANANNOTATE,N:PCL,"));
    set.CanAnnotate = false;
    EXPECT_THAT(TQuodex::BuildQuodex(set, TSaveMode::All, true, false), HasSubstr(";CANANNOTATE,N:PCL,"));

    // An empty set still has its display list.
    TDocSet empty;
    EXPECT_EQ(TQuodex::BuildQuodex(empty, TSaveMode::All, true, false),
              "VERSION,;CREATED.BY,;FROM,;PACKAGE.ID,;LENDER,;PARSE ,N;CANANNOTATE,N:DISPLAY,.DSP,1,11:"
              "PLANCODE;\r\n");
}

TEST(QuodexWrite, SequenceNumbersNamesAndModes) {
    TDocSet set;
    set.WorksheetNumber = "42";
    set.AddForm(MakeForm("A.DOT", 1, 1));
    set.AddForm(MakeForm("A.DOT", 2, 1));
    set.AddForm(MakeForm("B.DOT", 1, 2));
    set.AddForm(MakeForm("A.DOT", 1, 1)).Deleted = true;
    const std::string all = TQuodex::BuildQuodex(set, TSaveMode::All, true, false);
    for (const char* name : {"PCL,F0000042.011.1,", "PCL,F0000042.012.1,", "PCL,F0000042.021.1,",
                             "PCL,F0000042.021.2,", "PCL,F0000042.031.1,"})
        EXPECT_THAT(all, HasSubstr(name));
    EXPECT_THAT(all, HasSubstr("\r\n" + Fields({"1", "A.DOT", "A.DOT desc", "2"}) + FD))
        << "both borrowers' copies share sequence 1";

    const std::string live = TQuodex::BuildQuodex(set, TSaveMode::All, false, false);
    EXPECT_THAT(live, Not(HasSubstr("F0000042.031.1"))) << "deleted form left out";

    set.Form(2).Selected = true;
    const std::string selected = TQuodex::BuildQuodex(set, TSaveMode::Selected, true, false);
    EXPECT_THAT(selected, HasSubstr("PCL,F0000042.011.1,")) << "B.DOT is the first form written";
    EXPECT_THAT(selected, HasSubstr("PCL,F0000042.011.2,"));
    auto q = Load(selected);
    ASSERT_EQ(q->FormCount(), 1u);
    EXPECT_EQ(q->Form(0).Name, "B.DOT");

    set.Form(1).Changed = true;
    q = Load(TQuodex::BuildQuodex(set, TSaveMode::Changed, true, false));
    ASSERT_EQ(q->FormCount(), 1u);
    EXPECT_EQ(q->Form(0).BorrowerNumber, 2);
    EXPECT_EQ(Fill(*q, 0, 0), "A.DOT fill 1");

    // A worksheet number longer than seven characters is written unchanged.
    set.WorksheetNumber = "123456789";
    const std::string longWs = TQuodex::BuildQuodex(set, TSaveMode::All, true, false);
    EXPECT_THAT(longWs, HasSubstr("PCL,F123456789.011.1,"));
    EXPECT_THAT(longWs, HasSubstr("DISPLAY,123456789.DSP,"));
    EXPECT_EQ(Load(longWs)->FormCount(), 4u);
}

TEST(QuodexRoundTrip, FormsPagesChecksumsAndAnnotations) {
    TRecordingPrompter prompter;
    TDocSet set;
    set.Version = "3";
    set.CreatedBy = "Pagellan";
    set.FromName = "Closing Dept";
    set.WorksheetNumber = "31337";
    set.LenderName = "First Bank";
    set.PlanCode = "FHA";
    set.CanAnnotate = true;

    auto deed = MakeForm("DEED.DOT", 1, 2);
    deed->Pages[0]->Template.Name = "DEED1.DOT";
    deed->Pages[0]->TemplateData.AppendText("template one");
    deed->Pages[1]->Template.Name = "DEED2.DOT";
    deed->Pages[1]->TemplateData.AppendText("template two");
    deed->Pages[1]->AddAnnotation(NewNote(100, -7, "note 0"));
    deed->Pages[1]->AddAnnotation(NewNote(200, -7, "note 1"));
    deed->Duplexable = false;
    set.AddForm(std::move(deed));
    auto copy = MakeForm("DEED.DOT", 2, 2);
    copy->BorrowerName = "Carol";
    set.AddForm(std::move(copy));
    auto viva = MakeForm("VIVA.HTM", 1, 1);
    viva->Pages[0]->FillData = THLWMemorystream("<?xml version=\"1.0\"?><form/>");
    viva->Format = kFormatVivaform;
    set.AddForm(std::move(viva));
    auto gone = MakeForm("GONE.DOT", 1, 1);
    gone->Deleted = true;
    gone->PageSize = "LEGAL";
    set.AddForm(std::move(gone));

    auto q = Load(TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    for (auto field : {&TDocSet::Version, &TDocSet::CreatedBy, &TDocSet::FromName, &TDocSet::WorksheetNumber,
                       &TDocSet::LenderName, &TDocSet::PlanCode})
        EXPECT_EQ((*q).*field, set.*field);
    EXPECT_TRUE(q->CanAnnotate);
    EXPECT_TRUE(q->MissingForms.empty());
    ASSERT_EQ(q->FormCount(), set.FormCount());
    test::ExpectSameForms(set, *q, test::TKept::Everything);
    EXPECT_TRUE(q->Form(2).IsVivaform());
    EXPECT_EQ(q->BorrowerNames, (std::vector<std::string>{"Bob", "Carol"}));
    // The second borrower's copy has no annotations, so it does not share the first copy's entry.
    EXPECT_EQ(q->Form(1).Pages[1]->Annotations.size(), 0u);
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(QuodexRoundTrip, TextsThatWouldBreakTheLayout) {
    TDocSet set;
    set.WorksheetNumber = "7:1";
    set.FromName = "Smith, Jones; Co: Ltd";
    set.PlanCode = "P;Q";
    auto form = MakeForm("A.DOT", 1, 3);
    form->Description = "two\r\nlines\xFD";
    // No name but data; two pages sharing a name with different data; an empty fill.
    form->Pages[0]->TemplateData.AppendText("unnamed");
    form->Pages[1]->Template.Name = "SAME.DOT";
    form->Pages[1]->TemplateData.AppendText("same one");
    form->Pages[2]->Template.Name = "same.dot";
    form->Pages[2]->TemplateData.AppendText("same two");
    form->Pages[2]->FillData.Clear();
    form->Pages[0]->AddAnnotation(NewNote(0, 0, "line\r\nbreak"));
    set.AddForm(std::move(form));

    auto q = Load(TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    EXPECT_EQ(q->WorksheetNumber, "7 1");
    EXPECT_EQ(q->FromName, "Smith  Jones  Co  Ltd");
    EXPECT_EQ(q->PlanCode, "P Q");
    ASSERT_EQ(q->FormCount(), 1u);
    EXPECT_EQ(q->Form(0).Description, "two  lines ");
    EXPECT_EQ(Template(*q, 0, 0), "unnamed");
    EXPECT_EQ(Template(*q, 0, 1), "same one");
    EXPECT_EQ(Template(*q, 0, 2), "same two");
    EXPECT_EQ(q->Form(0).Pages[1]->Template.Name, "SAME.DOT");
    EXPECT_EQ(Notes(*q, 0, 0), TLines{Note(0, 0, "line \nbreak")}) << "a line feed inside a line stays";
    // An empty fill is written with length 0 and reads back as missing.
    EXPECT_EQ(Fill(*q, 0, 2), "");
    EXPECT_EQ(q->MissingForms, std::vector<std::string>{"Missing fill for A.DOT two  lines "});
    EXPECT_EQ(Fill(*q, 0, 1), "A.DOT fill 2");
}

// One form included twice: same name and borrower, other pages, fills and annotations; and a
// copy for a second borrower without annotations. Each reads back as itself, through Quodex and
// through Tesselon and back.
TEST(QuodexRoundTrip, RepeatedNameAndBorrower) {
    TRecordingPrompter prompter;
    TDocSet set;
    set.WorksheetNumber = "12345";
    auto first = MakeForm("DEED.DOT-A", 1, 3);
    first->Pages[0]->AddAnnotation(NewNote(0, 0, "first"));
    set.AddForm(std::move(first));
    auto again = MakeForm("DEED.DOT-A", 1, 2);
    again->Pages[1]->FillData = THLWMemorystream("other fill");
    again->Pages[1]->AddAnnotation(NewNote(300, 0, "again"));
    set.AddForm(std::move(again));
    set.AddForm(MakeForm("DEED.DOT-A", 2, 1));

    auto q = Load(TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    ASSERT_EQ(q->FormCount(), 3u);
    EXPECT_EQ(q->Form(0).PageCount(), 3);
    EXPECT_EQ(q->Form(1).PageCount(), 2);
    EXPECT_EQ(Fill(*q, 1, 1), "other fill");
    EXPECT_EQ(Notes(*q, 0, 0), TLines{Note(0, 0, "first")});
    EXPECT_EQ(Notes(*q, 1, 1), TLines{Note(300, 0, "again")});
    for (const auto& [form, page] : {std::pair{0, 1}, {1, 0}, {2, 0}})
        EXPECT_TRUE(Notes(*q, form, page).empty()) << form << " " << page;
    EXPECT_NO_THROW(fuzzcheck::FromQuodex(*q));
    EXPECT_TRUE(q->MissingForms.empty());
}

// The packages the fuzz target found, kept as its seeds.
TEST(QuodexRoundTrip, FuzzFindings) {
    TRecordingPrompter prompter;
    const fs::path seeds = fs::path(PAGELLAN_SOURCE_DIR) / "fuzz/corpus/fuzz_quodex";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(seeds)) {
        SCOPED_TRACE(entry.path().string());
        auto q = Load(test::ReadWholeFile(entry.path()));
        EXPECT_NO_THROW(fuzzcheck::FromQuodex(*q));
        ++files;
    }
    EXPECT_GE(files, 5);
}

TEST(QuodexWrite, NamesThatReadBackUnchanged) {
    TDocSet set;
    set.WorksheetNumber = "42";
    set.PlanCode = "FHA:30,X";
    // Stored page numbers that are not 1..n: the entries are named by position.
    auto pages = MakeForm("A.DOT", 1, 3);
    for (auto& page : pages->Pages)
        page->PageNumber = 1;
    pages->Pages[0]->Template.Name = "SHARED.DOT";
    pages->Pages[0]->TemplateData.AppendText("shared");
    pages->Pages[1]->Template.Name = "shared.dot";
    pages->Pages[1]->TemplateData.AppendText("shared");
    pages->Pages[2]->Template.Name = "SHARED.DOT";
    pages->Pages[2]->TemplateData.AppendText("other bytes");
    set.AddForm(std::move(pages));
    // Names the reader would take for package entries or a skipped line.
    auto reserved = MakeForm("PLANCODE.DOT", 1, 2);
    reserved->Pages[0]->Template.Name = "F0000042.011.1";
    reserved->Pages[0]->TemplateData.AppendText("t1");
    reserved->Pages[1]->Template.Name = "42.DSP";
    reserved->Pages[1]->TemplateData.AppendText("t2");
    set.AddForm(std::move(reserved));

    const std::string bytes = TQuodex::BuildQuodex(set, TSaveMode::All, true, false);
    for (const char* name : {"PCL,F0000042.011.1,", "PCL,F0000042.011.2,", "PCL,F0000042.011.3,"})
        EXPECT_THAT(bytes, HasSubstr(name));
    EXPECT_THAT(bytes, Not(HasSubstr("PCL,shared.dot,"))) << "one entry for equal bytes";
    EXPECT_THAT(bytes, HasSubstr("PCL,T0000042.011.3,")) << "same name, other bytes";
    auto q = Load(bytes);
    EXPECT_EQ(q->PlanCode, "FHA:30,X");
    ASSERT_EQ(q->FormCount(), 2u);
    EXPECT_EQ(q->Form(0).Pages[0]->Template.Name, "SHARED.DOT");
    EXPECT_EQ(q->Form(0).Pages[1]->Template.Name, "shared.dot");
    EXPECT_EQ(q->Form(0).Pages[2]->Template.Name, "T0000042.011.3");
    EXPECT_EQ(Template(*q, 0, 2), "other bytes");
    EXPECT_EQ(q->Form(1).Name, "PLANCODE.DOT");
    EXPECT_EQ(Template(*q, 1, 0), "t1");
    EXPECT_EQ(Template(*q, 1, 1), "t2");
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(Fill(*q, 0, n), "A.DOT fill " + std::to_string(n + 1));
    EXPECT_TRUE(q->MissingForms.empty());
    EXPECT_NO_THROW(fuzzcheck::FromQuodex(*q));

    // A form without pages cannot be held: nothing is written and the save says why.
    set.AddForm(std::make_unique<TDocSetForm>("EMPTY.DOT", "Empty", 1, "", "LTR", true, false, false, ""));
    EXPECT_THROW(TQuodex::BuildQuodex(set, TSaveMode::All, true, false), TQuodexWriteError);
    test::TTempFolder dir("quodex-test");
    TRecordingPrompter prompter;
    const std::string target = (dir.Path() / "x.qdx").string();
    EXPECT_FALSE(TQuodex::SaveQuodex(set, target, TSaveMode::All, true, false));
    EXPECT_FALSE(fs::exists(target));
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Text, "Error saving to " + target +
                                              "\nThe form EMPTY.DOT (Empty) has no pages; a Quodex package "
                                              "cannot hold it");
}

// ---- Saving --------------------------------------------------------------------------------

TEST(QuodexSave, ReplacesTargetOnlyWhenComplete) {
    test::TTempFolder dir("quodex-test");
    TDocSet set;
    set.WorksheetNumber = "5";
    set.AddForm(MakeForm("A.DOT", 1, 2));
    const fs::path target = dir.Path() / "out.qdx";
    test::WriteWholeFile(target, "old contents");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    TRecordingPrompter prompter;
    ASSERT_TRUE(TQuodex::SaveQuodex(set, target.string(), TSaveMode::All, true, false));
    EXPECT_EQ(test::ReadWholeFile(target), TQuodex::BuildQuodex(set, TSaveMode::All, true, false));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1)
        << "no temporary file is left";
    EXPECT_TRUE(prompter.Entries().empty());

    // A folder that does not exist.
    const std::string missing = (dir.Path() / "no such folder" / "x.qdx").string();
    EXPECT_FALSE(TQuodex::SaveQuodex(set, missing, TSaveMode::All, true, false));
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_EQ(prompter.Entries()[0].Kind, PromptKind::Error);
    EXPECT_EQ(prompter.Entries()[0].Text, "Error saving to " + missing +
                                              "\nNo such file or directory\n\nUse File|SaveAs to save in a "
                                              "different location");

    // A target that is a folder stays a folder.
    const fs::path folder = dir.Path() / "folder.qdx";
    fs::create_directory(folder);
    EXPECT_FALSE(TQuodex::SaveQuodex(set, folder.string(), TSaveMode::All, true, false));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(prompter.Entries().size(), 2u);
}

TEST(QuodexSave, FailedWriteLeavesOldFile) {
    test::TTempFolder dir("quodex-test");
    const fs::path target = dir.Path() / "keep.qdx";
    test::WriteWholeFile(target, "previous package");
    TDocSet set;
    auto form = MakeForm("BIG.DOT", 1, 1);
    form->Pages[0]->FillData = THLWMemorystream(std::string(200000, 'x'));
    set.AddForm(std::move(form));

    // A file-size limit makes the write fail half-way, as a full disk would.
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    TRecordingPrompter prompter;
    const bool ok = TQuodex::SaveQuodex(set, target.string(), TSaveMode::All, true, false);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(ok);
    EXPECT_EQ(test::ReadWholeFile(target), "previous package");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    ASSERT_EQ(prompter.Entries().size(), 1u);
    EXPECT_THAT(prompter.Entries()[0].Text, StartsWith("Error saving to " + target.string() + "\n"));
}

} // namespace
} // namespace pg
