// The bundled demo package: the committed samples/demo.qdx is exactly what pagellan-make-demo
// writes, the Quodex reader loads it as designed, and every page's PCL is something our
// interpreter and a laser printer accept, with the fill inside the template's boxes.

#include "DemoPackage.h"
#include "FormPage.h"
#include "PclWriter.h"
#include "Prompt.h"
#include "Quodex.h"
#include "Strings.h"

#include "PclCommandKeys.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace pg {
namespace {

const std::string kCommitted = std::string(PAGELLAN_SOURCE_DIR) + "/samples/demo.qdx";

std::string Regenerate(const std::string& name) {
    const std::string out = std::string(PAGELLAN_BINARY_DIR) + "/samples/" + name;
    const std::string command = std::string("\"") + PAGELLAN_MAKE_DEMO + "\" \"" + out + "\"";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("pagellan-make-demo failed");
    return test::ReadWholeFile(out);
}

// ---- A PCL scan that splits commands the way the interpreter does ----------------------------

// The keys the interpreter registers.
const std::set<std::string> kRegisteredKeys(std::begin(test::kPclCommandKeys),
                                            std::end(test::kPclCommandKeys));

std::string KeyOf(const std::string& command) {
    std::string key;
    for (char c : command)
        if (c != 27 && c != ' ' && c != '+' && c != '-' && c != '.' && !(c >= '0' && c <= '9'))
            key += c;
    return key;
}

struct TRect {
    int X, Y, W, H;
    int Right() const { return X + W; }
    int Bottom() const { return Y + H; }
};

struct TRun {
    int X, Y; // start and base line
    int Width;
    TPclFont Font;
    std::string Text;
};

struct TScan {
    std::vector<std::string> Commands;
    std::vector<TRect> Rules;  // solid black fills
    std::vector<TRect> Shades; // shaded fills
    std::vector<int> ShadePercents;
    std::vector<TRun> Runs;
    bool ControlBytes = false;
};

double Number(const std::string& command) {
    std::string digits;
    for (char c : command)
        if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+')
            digits += c;
    return digits.empty() ? 0 : std::stod(digits);
}

void Apply(TScan& scan, const std::string& command, int& x, int& y, TPclFont& font, int (&rect)[3]) {
    scan.Commands.push_back(command);
    const std::string key = KeyOf(command);
    const int value = int(Number(command));
    if (key == "*pX")
        x = value;
    else if (key == "*pY")
        y = value;
    else if (key == "*cA")
        rect[0] = value;
    else if (key == "*cB")
        rect[1] = value;
    else if (key == "*cG")
        rect[2] = value;
    else if (key == "*cP" && value == 0)
        scan.Rules.push_back({x, y, rect[0], rect[1]});
    else if (key == "*cP" && value == 2) {
        scan.Shades.push_back({x, y, rect[0], rect[1]});
        scan.ShadePercents.push_back(rect[2]);
    } else if (key == "(sP")
        font.Proportional = value == 1;
    else if (key == "(sV")
        font.Points = Number(command);
    else if (key == "(sS")
        font.Italic = value == 1;
    else if (key == "(sB")
        font.Bold = value == 3;
    else if (key == "(sT")
        font.Typeface = value;
}

// Splits one escape sequence into its commands and applies them.
void Execute(TScan& scan, const std::string& seq, int& x, int& y, TPclFont& font, int (&rect)[3]) {
    if (seq.size() >= 2 && seq[1] >= 48 && seq[1] <= 126) {
        Apply(scan, seq.substr(0, 2), x, y, font, rect);
        return;
    }
    const std::string prefix = seq.substr(0, 3);
    std::string rest = seq.size() > 3 ? seq.substr(3) : "";
    if (!rest.empty() && rest.back() >= 'A' && rest.back() <= 'Z')
        rest.back() = char(rest.back() + 32);
    std::string acc;
    for (char c : rest) {
        if (c == '@' || (c >= 'a' && c <= 'z')) {
            acc += c == '@' ? c : char(c - 32);
            Apply(scan, prefix + acc, x, y, font, rect);
            acc.clear();
            continue;
        }
        acc += c;
    }
}

TScan ScanPcl(const std::string& pcl) {
    TScan scan;
    int x = 0;
    int y = 0;
    int rect[3] = {0, 0, 0};
    TPclFont font;
    std::string seq;
    std::string run;
    auto flush = [&] {
        if (run.empty())
            return;
        const int width = TextWidth(font, run);
        scan.Runs.push_back({x, y, width, font, run});
        x += width;
        run.clear();
    };
    for (char c : pcl) {
        if (c == 27) {
            flush();
            seq = std::string(1, c);
        } else if (!seq.empty()) {
            seq += c;
            if (c >= 64 && c <= 94) {
                Execute(scan, seq, x, y, font, rect);
                seq.clear();
            }
        } else if (c >= 32 && c <= 126) {
            run += c;
        } else {
            scan.ControlBytes = true;
        }
    }
    flush();
    return scan;
}

int PageHeight(const TDocSetForm& form) {
    return SameText(form.PageSize, "LTR") ? 3150 : 4050;
}

// The rules above, below, left and right of a box that holds text, none of them crossing it.
bool Enclosed(const TRect& t, const std::vector<TRect>& rules) {
    bool above = false, below = false, left = false, right = false;
    for (const TRect& r : rules) {
        const bool crosses = r.X < t.Right() && t.X < r.Right() && r.Y < t.Bottom() && t.Y < r.Bottom();
        if (crosses)
            return false;
        const bool spansX = r.X <= t.X && r.Right() >= t.Right();
        const bool spansY = r.Y <= t.Y && r.Bottom() >= t.Bottom();
        above |= spansX && r.Bottom() <= t.Y;
        below |= spansX && r.Y >= t.Bottom();
        left |= spansY && r.Right() <= t.X;
        right |= spansY && r.X >= t.Right();
    }
    return above && below && left && right;
}

std::vector<const TDocSetPage*> AllPages(const TDocSet& set) {
    std::vector<const TDocSetPage*> pages;
    for (const auto& entry : set.Forms)
        for (const auto& page : entry.Form->Pages)
            pages.push_back(page.get());
    return pages;
}

// ---- Tests ----------------------------------------------------------------------------------

TEST(DemoPackage, ToolRegeneratesTheCommittedFileByteForByte) {
    const std::string committed = test::ReadWholeFile(kCommitted);
    ASSERT_FALSE(committed.empty()) << kCommitted;
    const std::string first = Regenerate("demo-regenerated-1.qdx");
    const std::string second = Regenerate("demo-regenerated-2.qdx");
    EXPECT_EQ(first, second) << "two runs of the tool differ";
    EXPECT_TRUE(first == committed)
        << "samples/demo.qdx is out of date: run pagellan-make-demo samples/demo.qdx";
    EXPECT_EQ(TQuodex::BuildQuodex(*BuildDemoPackage(), TSaveMode::All, true, false), committed);
    EXPECT_LT(committed.size(), 1000000u);
}

TEST(DemoPackage, ReaderLoadsTheFormsPagesBorrowersAndAnnotations) {
    TRecordingPrompter prompter;
    TQuodex set;
    set.LoadFromBytes(test::ReadWholeFile(kCommitted));
    EXPECT_TRUE(prompter.Entries().empty());
    EXPECT_TRUE(set.MissingForms.empty());
    EXPECT_TRUE(set.Errors.empty());

    EXPECT_EQ(set.WorksheetNumber, "2026114");
    EXPECT_EQ(set.PlanCode, "CONV30");
    EXPECT_EQ(set.LenderName, "Harbor Point Savings");
    EXPECT_TRUE(set.CanAnnotate);
    EXPECT_EQ(set.BorrowerNames, (std::vector<std::string>{"Margaret A. Ellsworth", "Thomas J. Ellsworth"}));

    struct TExpected {
        const char* Name;
        int Borrower;
        const char* BorrowerName;
        const char* PageSize;
        std::vector<std::string> Templates;
    };
    const std::vector<TExpected> expected = {
        {"NOTE.DOT", 1, "Margaret A. Ellsworth", "LTR", {"NOTE1.DOT", "NOTE2.DOT"}},
        {"DEED.DOT", 1, "Margaret A. Ellsworth", "LGL", {"DEED1.DOT", "DEED2.DOT", "DEED3.DOT"}},
        {"TIL.DOT", 1, "Margaret A. Ellsworth", "LTR", {"TIL.DOT"}},
        {"GFE.DOT", 1, "Margaret A. Ellsworth", "LGL", {"GFE.DOT"}},
        {"CERT.DOT", 1, "Margaret A. Ellsworth", "LTR", {"CERT.DOT"}},
        {"CERT.DOT", 2, "Thomas J. Ellsworth", "LTR", {"CERT.DOT"}},
        {"W9.DOT", 1, "Margaret A. Ellsworth", "LTR", {"W9.DOT"}},
    };
    ASSERT_EQ(set.FormCount(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const TDocSetForm& f = set.Form(i);
        SCOPED_TRACE(f.Name);
        EXPECT_EQ(f.Name, expected[i].Name);
        EXPECT_FALSE(f.Description.empty());
        EXPECT_EQ(f.BorrowerNumber, expected[i].Borrower);
        EXPECT_EQ(f.BorrowerName, expected[i].BorrowerName);
        EXPECT_EQ(f.PageSize, expected[i].PageSize);
        EXPECT_FALSE(f.Deleted);
        EXPECT_EQ(f.Format, kFormatDefault);
        ASSERT_EQ(size_t(f.PageCount()), expected[i].Templates.size());
        for (const auto& page : f.Pages) {
            EXPECT_EQ(page->Template.Name, expected[i].Templates[size_t(page->PageNumber - 1)]);
            EXPECT_GT(page->FillData.Size(), 0u);
            EXPECT_GT(page->TemplateData.Size(), 0u);
        }
    }
    EXPECT_EQ(set.TotalPageCount(), 10);
    // Both borrowers' copies of the certification share one template and differ in their fill.
    EXPECT_EQ(set.Form(4).Pages[0]->TemplateData.View(), set.Form(5).Pages[0]->TemplateData.View());
    EXPECT_NE(set.Form(4).Pages[0]->FillData.View().find("MARGARET A. ELLSWORTH"), std::string::npos);
    EXPECT_NE(set.Form(5).Pages[0]->FillData.View().find("THOMAS J. ELLSWORTH"), std::string::npos);

    // Annotations: one on the note's first page, one on the deed's last page, two on the TIL.
    std::vector<std::string> found;
    for (size_t i = 0; i < set.FormCount(); ++i)
        for (const auto& page : set.Form(i).Pages)
            for (const auto& a : page->Annotations) {
                found.push_back(set.Form(i).Name + " " + std::to_string(page->PageNumber) + ": " +
                                a->Content);
                EXPECT_EQ(a->Content, UpperCase(a->Content));
                EXPECT_GE(a->XPosition, 0);
                EXPECT_LT(a->XPosition + 30 * int(a->Content.size()), kPrintableWidth);
                EXPECT_GT(a->YPosition, 50);
                EXPECT_LT(a->YPosition, PageHeight(set.Form(i)) - 150);
            }
    EXPECT_EQ(found, (std::vector<std::string>{"NOTE.DOT 1: ORIGINAL NOTE TO VAULT",
                                               "DEED.DOT 3: NOTARY SEAL REQUIRED - RECORD IN LARKIN COUNTY",
                                               "TIL.DOT 1: REDISCLOSED 02/27/2026 - APR WITHIN TOLERANCE",
                                               "TIL.DOT 1: BORROWER COPY SENT"}));
}

TEST(DemoPackage, PagesUseOnlyRegisteredCommandsInsideThePrintableArea) {
    TQuodex set;
    set.LoadFromBytes(test::ReadWholeFile(kCommitted));
    ASSERT_EQ(set.FormCount(), 7u);
    for (size_t i = 0; i < set.FormCount(); ++i) {
        const TDocSetForm& form = set.Form(i);
        for (const auto& page : form.Pages) {
            SCOPED_TRACE(form.Name + " page " + std::to_string(page->PageNumber));
            for (const bool fill : {true, false}) {
                const TScan scan =
                    ScanPcl(std::string(fill ? page->FillData.View() : page->TemplateData.View()));
                EXPECT_FALSE(scan.ControlBytes) << "form feeds, line ends or other control bytes";
                for (const std::string& c : scan.Commands) {
                    const std::string key = KeyOf(c);
                    EXPECT_TRUE(kRegisteredKeys.count(key)) << "unregistered command " << key;
                    EXPECT_NE(key, "E") << "printer reset";
                    // The template follows the fill on the same sheet: a printer ejects a marked
                    // page on a page size, paper source or orientation command.
                    EXPECT_NE(key, "&lA") << "page size belongs to the print job";
                    EXPECT_NE(key, "&lH") << "paper source belongs to the print job";
                    EXPECT_NE(key, "&lO") << "orientation belongs to the print job";
                    EXPECT_NE(key, "&lE") << "a top margin would move the fill against the template";
                }
                for (const auto* list : {&scan.Rules, &scan.Shades})
                    for (const TRect& r : *list) {
                        EXPECT_GT(r.W, 0);
                        EXPECT_GT(r.H, 0);
                        EXPECT_GE(r.X, 0);
                        EXPECT_GE(r.Y, 0);
                        EXPECT_LE(r.Right(), kPrintableWidth);
                        EXPECT_LE(r.Bottom(), PageHeight(form));
                    }
                for (int percent : scan.ShadePercents) {
                    EXPECT_GE(percent, 10);
                    EXPECT_LE(percent, 20);
                }
                for (const TRun& run : scan.Runs) {
                    EXPECT_GE(run.X, 0) << run.Text;
                    EXPECT_LE(run.X + run.Width, kPrintableWidth) << run.Text;
                    // Ascenders reach about three quarters of the point size above the base line.
                    EXPECT_GE(run.Y - run.Font.Points / 72 * 300 * 0.75, 0) << run.Text;
                    EXPECT_LE(run.Y, PageHeight(form) - 50) << run.Text;
                    if (fill) {
                        EXPECT_EQ(run.Font, CourierFill()) << run.Text;
                        continue;
                    }
                    EXPECT_TRUE(run.Font.Proportional) << run.Text;
                    EXPECT_TRUE(run.Font.Typeface == kTypefaceCgTimes ||
                                run.Font.Typeface == kTypefaceUnivers);
                }
                EXPECT_FALSE(scan.Runs.empty());
                if (!fill) {
                    EXPECT_GT(scan.Rules.size(), 8u) << "a form has ruled boxes";
                    EXPECT_FALSE(scan.Shades.empty()) << "a form has shaded headings";
                }
            }
        }
    }
}

TEST(DemoPackage, FillTextLandsInsideTheTemplateBoxes) {
    TQuodex set;
    set.LoadFromBytes(test::ReadWholeFile(kCommitted));
    int checked = 0;
    for (const TDocSetPage* page : AllPages(set)) {
        const TScan tmpl = ScanPcl(std::string(page->TemplateData.View()));
        const TScan fill = ScanPcl(std::string(page->FillData.View()));
        for (const TRun& run : fill.Runs) {
            // Courier capitals reach about 32 dots above the base line; commas, parentheses, the
            // dollar sign and Q about 12 below it, other capitals and digits hardly at all.
            const bool descends = run.Text.find_first_of(",;()$Q") != std::string::npos;
            const TRect box{run.X, run.Y - 32, run.Width, 32 + (descends ? 12 : 4)};
            EXPECT_TRUE(Enclosed(box, tmpl.Rules)) << page->Template.Name << ": " << run.Text;
            ++checked;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST(PclWriter, WritesCommandsInTheirShortestCorrectForm) {
    TPclWriter w(TPaper::Letter);
    w.PageSetup();
    w.SelectFont(Univers(7));
    w.SelectFont(Univers(7)); // already current: nothing written
    w.TextAt(100, 200, "Loan");
    w.Rule(10, 20, 30, 3);
    w.Shade(0, 0, 2250, 50, 15);
    w.SelectFont(Times(9.5, true, true));
    w.SelectFont(CourierFill());
    const std::string esc(1, '\x1b');
    EXPECT_EQ(w.Data(), esc + "(8U" + esc + "(s1p7v0s0b4148T" + esc + "*p100x200YLoan" + esc + "*p10x20Y" +
                            esc + "*c30a3b0P" + esc + "*p0x0Y" + esc + "*c2250a50b15g2P" + esc +
                            "(s1p9.5v1s3b4101T" + esc + "(s0p10h12v0s0b4099T");

    // The splitter sees exactly the commands meant.
    const TScan scan = ScanPcl(w.Data());
    std::vector<std::string> keys;
    for (const std::string& c : scan.Commands)
        keys.push_back(KeyOf(c));
    EXPECT_EQ(keys, (std::vector<std::string>{"(U",  "(sP", "(sV", "(sS", "(sB", "(sT", "*pX", "*pY",
                                              "*pX", "*pY", "*cA", "*cB", "*cP", "*pX", "*pY", "*cA",
                                              "*cB", "*cG", "*cP", "(sP", "(sV", "(sS", "(sB", "(sT",
                                              "(sP", "(sH", "(sV", "(sS", "(sB", "(sT"}));
}

TEST(PclWriter, RefusesWhatWouldNotPrint) {
    TPclWriter legal(TPaper::Legal);
    EXPECT_NO_THROW(legal.Rule(0, 3990, 2400, 10));
    EXPECT_THROW(legal.Rule(0, 3995, 2400, 10), std::out_of_range);
    TPclWriter w(TPaper::Letter);
    EXPECT_THROW(w.Text("no font yet"), std::logic_error);
    w.SelectFont(CourierFill());
    EXPECT_THROW(w.MoveTo(-1, 10), std::out_of_range);
    EXPECT_THROW(w.MoveTo(10, 3101), std::out_of_range);
    EXPECT_THROW(w.Rule(2000, 10, 401, 3), std::out_of_range);
    EXPECT_THROW(w.Shade(0, 0, 10, 10, 0), std::invalid_argument);
    w.MoveTo(2370, 100);
    EXPECT_NO_THROW(w.Text("X"));                 // ends at 2400
    EXPECT_THROW(w.Text("X"), std::out_of_range); // would end at 2430
    w.MoveTo(0, 100);
    EXPECT_THROW(w.Text("line\r\nfeed"), std::invalid_argument);
    EXPECT_THROW(w.Text(std::string(1, '\x0c')), std::invalid_argument);

    // 10 pitch advances 30 dots; Univers "A" at 12 points 12/100 x 307 = 36.84, rounded up 37.
    EXPECT_EQ(TextWidth(CourierFill(), "ABCDE"), 150);
    EXPECT_EQ(TextWidth(Univers(12), "A"), 37);
    // Times "a", proportional space and "b" at 10 points: 18.4 + 12.3 + 20.7 = 51.4, rounded up.
    EXPECT_EQ(TextWidth(Times(10), "a b"), 52);
}

TEST(FormPage, CellsHoldTheirLabelsAndValues) {
    TFormPage p(TPaper::Letter);
    EXPECT_THROW(p.Row(0, {TCell(1000, "A", "")}), std::invalid_argument); // does not fill the row
    EXPECT_THROW(p.Row(0, {TCell(300, "Amount", "$312,000.00,000"), TCell(0, "")}), std::length_error);
    EXPECT_THROW(p.Row(0, {TCell(0, "Lines", "ONE\nTWO\nTHREE")}), std::length_error); // too low
    const int next = p.Row(500, {TCell(1000, "Date", "MARCH 2, 2026"), TCell(0, "City", "PORT CARROW")});
    EXPECT_EQ(next, 500 + TFormPage::kRowHeight - TFormPage::kRuleWeight);
    const TScan fill = ScanPcl(p.FillPcl());
    ASSERT_EQ(fill.Runs.size(), 2u);
    EXPECT_EQ(fill.Runs[0].Text, "MARCH 2, 2026");
    EXPECT_EQ(fill.Runs[1].X, TFormPage::kLeft + 1000 + 15);
    EXPECT_EQ(fill.Runs[1].Y, 500 + TFormPage::kRowHeight - 25);

    const std::vector<std::string> lines = WrapText("one two three four five six", Times(10), 300);
    EXPECT_GT(lines.size(), 1u);
    for (const std::string& l : lines)
        EXPECT_LE(TextWidth(Times(10), l), 300);
    EXPECT_THROW(WrapText("Supercalifragilistic", Times(10), 50), std::length_error);
}

} // namespace
} // namespace pg
