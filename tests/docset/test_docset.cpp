// The package model: code tables, checksums, annotation overlay, counts, stacking-order sort and
// the tree-node data.

#include "DocSet.h"
#include "FormCRC.h"
#include "Prompt.h"

#include <gtest/gtest.h>

namespace pg {
namespace {

std::unique_ptr<TDocSetForm> MakeForm(const std::string& name, int32_t pages = 1, bool deleted = false) {
    auto form =
        std::make_unique<TDocSetForm>(name, name + " title", 1, "Bob", "LTR", true, false, deleted, "");
    for (int32_t n = 1; n <= pages; ++n)
        form->AddPage(std::make_unique<TDocSetPage>(n, "", false, "", 0, ""));
    return form;
}

// The forms in their order, each as name:sort key.
std::string Order(const TDocSet& set) {
    std::string text;
    for (const auto& e : set.Forms)
        text += (text.empty() ? "" : " ") + e.Form->Name + ":" + e.Text;
    return text;
}

TEST(DocSetTables, FormatOrientationAndSeverityCodes) {
    EXPECT_EQ(FormatName(kFormatVivaform), "VIVAFORM");
    EXPECT_EQ(FormatName(kFormatAttachment), "ATTACHMENT");
    EXPECT_EQ(FormatName(kFormatDefault), "DEFAULT");
    EXPECT_EQ(FormatName(8), "");
    EXPECT_EQ(FormatCode("vivaform", -1), 2);
    EXPECT_EQ(FormatCode("HTML", -1), 0);
    EXPECT_EQ(FormatCode("WORD", -1), -1);

    EXPECT_EQ(OrientationName(0), "portrait");
    EXPECT_EQ(OrientationName(2), "reverseportrait");
    EXPECT_EQ(OrientationName(3), "reverseLandscape");
    EXPECT_EQ(OrientationName(4), "");

    EXPECT_EQ(SeverityLetter(kSeverityUnknown), "unknown");
    EXPECT_EQ(SeverityLetter(kSeverityFatal), "F");
    EXPECT_EQ(SeverityName(kSeverityNotice), "Notice");
    EXPECT_EQ(SeverityName(200), "Unknown");
    EXPECT_EQ(SeverityFromLetter("W"), kSeverityWarning);
    EXPECT_EQ(SeverityFromLetter("D"), kSeverityDebug);
    EXPECT_EQ(SeverityFromLetter("w"), kSeverityUnknown);
    EXPECT_EQ(SeverityFromLetter("unknown"), kSeverityUnknown);
}

TEST(DocSetChecksum, ReflectedCrcWithoutFinalXor) {
    EXPECT_EQ(StreamChecksum("abc", 0), -899311408);
    EXPECT_EQ(uint32_t(StreamChecksum("abc", 0)), 0xCA6598D0u);
    EXPECT_EQ(StreamChecksum("", 0), 0);
    EXPECT_EQ(StreamChecksum("", 1234), 1234);
    // Started from all ones and inverted at the end it is the common CRC-32 check value.
    EXPECT_EQ(uint32_t(StreamChecksum("123456789", -1)) ^ 0xFFFFFFFFu, 0xCBF43926u);
    // Chained pieces give the result of one pass; the stream form reads the whole content.
    const std::string text(5000, 'x');
    EXPECT_EQ(int32_t(ChecksumUpdate(ChecksumUpdate(0, text.substr(0, 2048)), text.substr(2048))),
              StreamChecksum(text, 0));
    THLWMemorystream stream{text};
    stream.Seek(3000);
    EXPECT_EQ(StreamChecksum(stream, 0), StreamChecksum(text, 0));
}

TEST(DocSetChecksum, FormChecksumJoinsFillsWithSeparatorThenTemplates) {
    auto one = MakeForm("ONE.DOT", 1);
    one->Pages[0]->FillData.AppendText("fill");
    one->Pages[0]->TemplateData.AppendText("tmpl");
    EXPECT_EQ(one->FormChecksum(), StreamChecksum("filltmpl", 0)); // no separator for one page

    auto two = MakeForm("TWO.DOT", 2);
    two->Pages[0]->FillData.AppendText("f1");
    two->Pages[1]->FillData.AppendText("f2");
    two->Pages[0]->TemplateData.AppendText("t1");
    two->Pages[1]->TemplateData.AppendText("t2");
    EXPECT_EQ(two->FormChecksum(), StreamChecksum("f1\xFE.Pf2t1t2", 0));

    auto empty = MakeForm("NONE.DOT", 0);
    EXPECT_EQ(empty->FormChecksum(), 0);
}

TEST(DocSetForm, ConstructionDefaultsAndCounts) {
    TDocSetForm form("DEED.DOT", "Deed of trust", 2, "Ann", "LEGAL", false, true, true, "ref");
    EXPECT_EQ(form.Name, "DEED.DOT");
    EXPECT_EQ(form.Description, "Deed of trust");
    EXPECT_EQ(form.BorrowerNumber, 2);
    EXPECT_EQ(form.BorrowerName, "Ann");
    EXPECT_EQ(form.PageSize, "LEGAL");
    EXPECT_FALSE(form.Duplexable);
    EXPECT_FALSE(form.Changed) << "the changed argument is not kept";
    EXPECT_TRUE(form.Deleted);
    EXPECT_EQ(form.Reference, "ref");
    EXPECT_TRUE(form.Barcodes);
    EXPECT_EQ(form.PrintPageCursor, -1);
    EXPECT_FALSE(form.Scanned);
    EXPECT_EQ(form.Format, kFormatDefault);
    EXPECT_EQ(form.Orientation, 0);
    EXPECT_FALSE(form.IsVivaform());
    form.Format = kFormatVivaform;
    EXPECT_TRUE(form.IsVivaform());

    EXPECT_EQ(form.AddPage(std::make_unique<TDocSetPage>(1, "DEED1.DOT", true, "BC", 0, "ab")), 0u);
    EXPECT_EQ(form.AddPage(std::make_unique<TDocSetPage>(2, "", false, "", 0, "")), 1u);
    EXPECT_EQ(form.PageCount(), 2);
    const TDocSetPage& page = *form.Pages[0];
    EXPECT_EQ(page.PageNumber, 1);
    EXPECT_TRUE(page.ForceToFront);
    EXPECT_EQ(page.BarcodeValue, "BC");
    EXPECT_EQ(page.Template.Name, "DEED1.DOT");
    EXPECT_EQ(page.Template.Date, 0.0);
    EXPECT_EQ(page.Template.Size, 0);
    EXPECT_EQ(page.FillData.View(), "ab");
    EXPECT_EQ(page.TemplateData.Size(), 0u);
    EXPECT_EQ(form.Pages[1]->FillData.Size(), 0u);

    EXPECT_FALSE(form.HasAnnotations());
    form.Pages[1]->AddAnnotation(std::make_unique<TDocSetAnnotation>());
    EXPECT_TRUE(form.HasAnnotations());
    EXPECT_FALSE(form.Pages[0]->HasAnnotations());
    EXPECT_TRUE(form.Pages[1]->HasAnnotations());
}

TEST(DocSetAnnotation, OverlayQuodexLineAndPageStream) {
    TDocSetAnnotation a;
    EXPECT_EQ(a.Source, "Client");
    a.XPosition = 300;
    a.YPosition = 600;
    a.Content = "OK";
    const std::string open = "\x1b&f10001Y\x1b&f0X\x1b&f1X";
    const std::string font = "\x1b*p0Y"
                             "\x1b&l0L"
                             "\x1b&l6D"
                             "\x1b&l3E"
                             "\x1b(8U"
                             "\x1b(s0P"
                             "\x1b(s10.00H"
                             "\x1b(s10.00V"
                             "\x1b(s0S"
                             "\x1b(s0B"
                             "\x1b(s3T"
                             "\x1b*v0N"
                             "\x1b*v0O"
                             "\x1b*v0T";
    const std::string close = "\x1b&f10001Y\x1b&f8X";
    EXPECT_EQ(AnnotationFont, font);
    EXPECT_EQ(a.ToPCL(), open + font + "\x1b*p300X\x1b*p600YOK" + close);
    EXPECT_EQ(a.ToQuodexLine(), "300\xFD"
                                "600\xFDOK");
    a.XPosition = -5;
    EXPECT_EQ(a.ToQuodexLine(), "-5\xFD"
                                "600\xFDOK");

    TDocSetPage page(1, "", false, "", 0, "");
    EXPECT_EQ(page.AnnotationsAsPCL(), nullptr);
    auto first = std::make_unique<TDocSetAnnotation>();
    first->Content = "A";
    auto second = std::make_unique<TDocSetAnnotation>();
    second->Content = "B";
    const std::string expected = first->ToPCL() + second->ToPCL();
    page.AddAnnotation(std::move(first));
    page.AddAnnotation(std::move(second));
    auto pcl = page.AnnotationsAsPCL();
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->View(), expected);
    EXPECT_EQ(pcl->Position(), 0u);
}

TEST(DocSetError, DisplayTextAndDefaults) {
    TDocSetError e;
    EXPECT_EQ(e.Path, "/DocSet/Error");
    EXPECT_EQ(e.Severity, kSeverityUnknown);
    e.Severity = kSeverityWarning;
    e.Message = "Bad date";
    e.Data = "13/45/2001";
    e.Source = "Closer";
    EXPECT_EQ(e.DisplayText(), "Warning:Bad date \n13/45/2001\nCloser");
    e.Severity = 99;
    EXPECT_EQ(e.DisplayText().substr(0, 8), "Unknown:");
}

TEST(DocSet, CreationCountsErrorsAndSelection) {
    TDocSet set;
    EXPECT_EQ(set.FormListXml, std::vector<std::string>{"No XML data available"});
    EXPECT_FALSE(set.AnnotationsToUpload);
    EXPECT_FALSE(set.HasBarcodeFormula);
    EXPECT_FALSE(set.UsingEmbeddedOrder);
    EXPECT_FALSE(set.Locked);
    EXPECT_EQ(set.CurrentForm, nullptr);
    EXPECT_EQ(set.TotalPageCount(), 0);

    EXPECT_FALSE(set.HasErrors());
    set.Errors.push_back({"", std::make_unique<TDocSetError>()});
    EXPECT_TRUE(set.HasErrors()) << "an entry with empty text counts";

    set.AddForm(MakeForm("A.DOT", 2));
    set.AddForm(MakeForm("B.DOT", 3, true));
    set.AddForm(MakeForm("C.DOT", 1));
    EXPECT_EQ(set.Forms[1].Text, "B.DOT");
    EXPECT_EQ(set.Form(1).PageCount(), 3) << "a deleted form keeps its page count";
    EXPECT_EQ(set.TotalPageCount(), 3) << "deleted forms are not counted";

    set.Form(0).Selected = true;
    set.Form(2).Selected = true;
    set.ClearSelection();
    for (const auto& e : set.Forms)
        EXPECT_FALSE(e.Form->Selected);
}

TEST(DocSet, SaveModeSelectsForms) {
    auto form = MakeForm("A.DOT");
    EXPECT_TRUE(FormIsSaved(*form, TSaveMode::All, false));
    EXPECT_FALSE(FormIsSaved(*form, TSaveMode::Selected, true));
    EXPECT_FALSE(FormIsSaved(*form, TSaveMode::Changed, true));
    form->Selected = true;
    form->Changed = true;
    EXPECT_TRUE(FormIsSaved(*form, TSaveMode::Selected, false));
    EXPECT_TRUE(FormIsSaved(*form, TSaveMode::Changed, false));
    form->Deleted = true;
    EXPECT_FALSE(FormIsSaved(*form, TSaveMode::All, false));
    EXPECT_TRUE(FormIsSaved(*form, TSaveMode::All, true));
}

TEST(DocSetReorder, StackingOrderExamples) {
    TRecordingPrompter prompter;
    using TNames = std::vector<std::string>;
    const std::string sep = "\xFD";
    const struct {
        TNames forms, lines;
        const char* order;
        TNames linesAfter;
        bool reordered;
    } rows[] = {
        // Plan forms first in plan order; X is not in the plan and goes last.
        {{"C", "X", "A", "B"},
         {"P0" + sep + "X", "P1" + sep + "A" + sep + "B" + sep + "C", "P1" + sep + "X"},
         "A:000 B:001 C:002 X:999",
         {"A", "B", "C"},
         true},
        // One plan form; names are matched without regard to case; equal keys keep load order.
        {{"Z", "a", "Y"}, {"P1" + sep + "A"}, "a:000 Z:999 Y:999", {"A"}, true},
        // The plan code alone: every form "999", order kept, still reordered.
        {{"B", "A"}, {"P1"}, "B:999 A:999", {}, true},
        // No line for the plan (codes compare with case): list cleared, nothing else changes.
        {{"B", "A"}, {"p1" + sep + "A" + sep + "B"}, "B:B A:A", {}, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.order);
        TDocSet set;
        for (const auto& n : r.forms)
            set.AddForm(MakeForm(n));
        set.PlanCode = "P1";
        set.StackingOrder = r.lines;
        set.ReorderForms();
        EXPECT_EQ(Order(set), r.order);
        EXPECT_EQ(set.StackingOrder, r.linesAfter);
        EXPECT_EQ(set.Reordered, r.reordered);
    }
    EXPECT_TRUE(prompter.Entries().empty());
}

TEST(DocSetInfo, CaptionAndStreams) {
    auto form = MakeForm("DEED.DOT", 2);
    form->Pages[1]->FillData.AppendText("fill two");
    form->Pages[1]->TemplateData.AppendText("template two");
    TInfo info;
    EXPECT_EQ(info.PageNumber, -1);
    EXPECT_FALSE(info.MultipleBorrowers);
    EXPECT_EQ(info.FillStream(), nullptr);
    info.Form = form.get();
    EXPECT_EQ(info.FillStream(), nullptr) << "a form node has no page";
    EXPECT_EQ(info.TemplateStream(), nullptr);
    info.PageNumber = 2;
    EXPECT_EQ(info.Caption(), "DEED.DOT: DEED.DOT title,Bob, Page 2 of 2");
    THLWMemorystream* fill = info.FillStream();
    ASSERT_EQ(fill, &form->Pages[1]->FillData);
    EXPECT_EQ(fill->Position(), 0u) << "rewound";
    THLWMemorystream* tmpl = info.TemplateStream();
    ASSERT_EQ(tmpl, &form->Pages[1]->TemplateData);
    EXPECT_EQ(tmpl->Position(), 0u);
    info.PageNumber = 3;
    EXPECT_EQ(info.FillStream(), nullptr);
}

} // namespace
} // namespace pg
