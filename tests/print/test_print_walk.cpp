// The print walk: selection, passes for the print orders, copies, capture mode, the pending
// refusal and the dialog rules.
#include "PrintWalk.h"
#include "Prompt.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pg {
namespace {

// The permission checks of the dialog read the settings store: keep it out of the user's own.
const bool kSettingsIsolated = [] {
    ::setenv("PAGELLAN_SETTINGS_DIR",
             (std::filesystem::temp_directory_path() / "pg_print_walk_settings").c_str(), 1);
    return true;
}();

class TScriptedDialog : public TPrinterDialog {
public:
    TPrinterDlgOptions& Options() override { return options; }
    bool Execute() override {
        ++shown;
        if (onExecute)
            onExecute(options);
        return answer;
    }
    TPrinterDlgOptions options;
    std::function<void(TPrinterDlgOptions&)> onExecute;
    bool answer = true;
    int shown = 0;
};

class TTestHost : public TPrintHost {
public:
    void SetBusyCursor(bool busy) override { cursor += busy ? "+" : "-"; }
    int32_t PrinterDlg() const override { return printerDlg; }
    TCopyFooters CopyFooters() const override { return {"ORIG", "COPY1", "COPY2", "COPY3"}; }
    std::pair<std::string, std::string> TrayCodes() const override { return {}; }
    void RefreshStatusBar() override { ++refreshed; }
    void SendJob(const THLWPrintJobStream& job, const std::string& documentName, int32_t format) override {
        sent.emplace_back(job.View());
        sentName = documentName;
        sentFormat = format;
        if (onSend)
            onSend();
    }
    void PrintVivaform(const TInfo& info) override { vivaform.push_back(info.Form->Name); }
    std::string VivaformPdf(const TInfo& info, int32_t& pages) override {
        pages = 1;
        return "%PDF-" + info.Form->Name;
    }

    int32_t printerDlg = 2;
    std::string cursor;
    int refreshed = 0;
    std::vector<std::string> sent;
    std::string sentName;
    int32_t sentFormat = -1;
    std::vector<std::string> vivaform;
    std::function<void()> onSend;
};

// A package and its tree: root, then per form a form node and (for several pages) page nodes.
struct TWalkFixture {
    TDocSet set;
    std::vector<std::unique_ptr<TInfo>> infos;
    std::vector<TPrintNode> nodes;

    TWalkFixture() {
        set.WorksheetNumber = "77";
        nodes.push_back({});
        nodes.front().HasChildren = true;
    }
    TDocSetForm& Add(const std::string& name, const std::string& paper, int pages) {
        auto owned = std::make_unique<TDocSetForm>(name, "Descr " + name, 1, "", paper, false, false, false);
        for (int n = 1; n <= pages; ++n)
            owned->AddPage(
                std::make_unique<TDocSetPage>(n, "", false, "", 0, "<" + name + std::to_string(n) + ">"));
        TDocSetForm& form = set.AddForm(std::move(owned));
        Node(form, pages == 1 ? 1 : -1, pages > 1);
        if (pages > 1)
            for (int n = 1; n <= pages; ++n)
                Node(form, n, false);
        return form;
    }
    void Node(TDocSetForm& form, int page, bool children) {
        infos.push_back(std::make_unique<TInfo>());
        infos.back()->Form = &form;
        infos.back()->PageNumber = page;
        TPrintNode node;
        node.Info = infos.back().get();
        node.HasChildren = children;
        nodes.push_back(node);
    }
};

// The page markers of the job in order, e.g. "<A1><B1>".
std::string Pages(std::string_view job) {
    std::string out;
    for (size_t p = job.find('<'); p != std::string_view::npos; p = job.find('<', p + 1))
        out += std::string(job.substr(p, job.find('>', p) - p + 1));
    return out;
}

std::vector<std::string> Footers(std::string_view job) {
    std::vector<std::string> out;
    for (size_t p = job.find("COPY"); p != std::string_view::npos; p = job.find("COPY", p + 1))
        out.emplace_back(job.substr(p, 5));
    for (size_t p = job.find("ORIG"); p != std::string_view::npos; p = job.find("ORIG", p + 1))
        out.emplace_back("ORIG@" + std::to_string(p));
    return out;
}

TEST(PrintWalk, AllSelectedChangedRemainingAndDeletedForms) {
    TWalkFixture f;
    f.Add("A", "LTR", 1);
    TDocSetForm& b = f.Add("B", "LGL", 2); // nodes 2 (form), 3, 4
    TDocSetForm& c = f.Add("C", "Letter", 1);
    TDocSetForm& d = f.Add("D", "LTR", 1);
    d.Deleted = true;
    TScriptedDialog dialog;
    TTestHost host;
    TPrintState state;

    ASSERT_TRUE(PrintForms(f.set, f.nodes, {}, state, dialog, host));
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(Pages(host.sent[0]), "<A1><B1><B2><C1>");
    EXPECT_EQ(host.sentName, "Pagellan-77");
    EXPECT_EQ(host.cursor, "+-");
    EXPECT_EQ(host.refreshed, 1);
    EXPECT_EQ(dialog.shown, 0) << "PrinterDlg 2 never shows the dialog";
    EXPECT_FALSE(state.JobPending);

    // Selected only (the form node of B carries its pages), changed only, and remaining from the
    // middle (page 2 of B and everything after it).
    f.nodes[2].UnderSelection = f.nodes[3].UnderSelection = f.nodes[4].UnderSelection = true;
    c.Changed = d.Changed = true;
    for (const auto& [request, pages] :
         std::initializer_list<std::pair<TPrintRequest, std::string>>{{{.SelectedOnly = true}, "<B1><B2>"},
                                                                      {{.ChangedOnly = true}, "<C1>"},
                                                                      {{.Start = 4}, "<B2><C1>"}}) {
        PrintForms(f.set, f.nodes, request, state, dialog, host);
        EXPECT_EQ(Pages(host.sent.back()), pages);
    }

    // Nothing qualifies: the job is the two resets, and it is still sent.
    TPrintRequest none;
    none.Start = f.nodes.size();
    PrintForms(f.set, f.nodes, none, state, dialog, host);
    EXPECT_EQ(host.sent.back(), "\x1b"
                                "E\x1b"
                                "E");

    // The deleted-forms message lists each description once.
    b.Deleted = true;
    EXPECT_EQ(DeletedFormsMessage({&b, &b, &c, &d}),
              "These form(s) have been deleted.\n\nDescr B\nDescr D\n\n"
              "Please unselect these forms and try again.\n\n"
              "Nothing will be printed.");
    EXPECT_EQ(DeletedFormsMessage({&c}), "");
}

TEST(PrintWalk, LegalFirstWithOneCopyAndLetterFirst) {
    TWalkFixture f;
    f.Add("A", "LTR", 1);
    f.Add("B", "LGL", 1);
    f.Add("C", "letter", 1);
    f.Add("D", "LGL", 1);
    TScriptedDialog dialog;
    dialog.options.PrintOrder = poLegalFirst;
    dialog.options.AdditionalCopies = 1;
    TTestHost host;
    TPrintState state;
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    const std::string& job = host.sent.back();
    EXPECT_EQ(Pages(job), "<B1><D1><B1><D1><A1><C1><A1><C1>");
    // Footers: the original's on the first and third blocks, "Copy 1" on the second and fourth.
    const auto footerAfter = [&job](size_t nth) {
        size_t p = 0;
        for (size_t i = 0; i <= nth; ++i)
            p = job.find('<', p + 1);
        const size_t orig = job.find("ORIG", p), copy = job.find("COPY1", p);
        return orig < copy ? std::string("ORIG") : std::string("COPY1");
    };
    const std::vector<std::string> expected = {"ORIG", "ORIG", "COPY1", "COPY1",
                                               "ORIG", "ORIG", "COPY1", "COPY1"};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(footerAfter(i), expected[i]) << i;
    EXPECT_EQ(Footers(job).size(), 8u);

    dialog.options.PrintOrder = poLetterFirst;
    dialog.options.AdditionalCopies = 0;
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    EXPECT_EQ(Pages(host.sent.back()), "<A1><C1><B1><D1>");
}

// The codes a job carries are exactly those drawn in it, in the same order, for every print order.
TEST(PrintWalk, JobBarcodesFollowTheJobsPages) {
    TWalkFixture f;
    f.Add("A", "LTR", 1);
    f.Add("B", "LGL", 2);
    f.Add("C", "LTR", 1).Barcodes = false;
    f.Add("D", "LTR", 1).Deleted = true;
    for (const TPrintOrder order : {poAsDisplayed, poLegalFirst, poLetterFirst}) {
        TPrintChoices choices;
        choices.Order = order;
        choices.BarCodes = true;
        const std::vector<TJobBarcode> codes = JobBarcodes(f.set, f.nodes, {}, choices);
        THLWPrintJobStream job(TCopyFooters{});
        AssembleJob(job, f.set, f.nodes, {}, choices, false);
        std::vector<std::string> drawn;
        for (const TJobBarcode& code : codes) {
            const size_t at = job.View().find(BarcodeText(code.Form->PageSize, code.Value));
            ASSERT_NE(at, std::string_view::npos) << code.Value;
            drawn.push_back(code.Value);
        }
        const std::vector<std::string> legalFirst = {"0000077B1.1", "0000077B1.2", "0000077A1.1"};
        const std::vector<std::string> displayed = {"0000077A1.1", "0000077B1.1", "0000077B1.2"};
        EXPECT_EQ(drawn, order == poLegalFirst ? legalFirst : displayed) << int(order);
        EXPECT_EQ(codes[1].Form->Name, "B");
        EXPECT_EQ(codes[1].PageNumber, order == poLegalFirst ? 2 : 1);
    }
}

TEST(PrintWalk, CaptureModeKeepJobTextAndVivaform) {
    TWalkFixture f;
    f.Add("A", "LTR", 1);
    f.Add("B", "LGL", 1);
    TDocSetForm& v = f.Add("V", "LTR", 1);
    v.Format = kFormatVivaform;
    TScriptedDialog dialog;
    dialog.options.PrintOrder = poLegalFirst;
    dialog.options.AdditionalCopies = 2;
    TTestHost host;
    TPrintState state;

    InMemoryJobText() = "before|";
    PRINT_TO_ONE_FILE = true;
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    PRINT_TO_ONE_FILE = false;
    EXPECT_TRUE(host.sent.empty()) << "capture prints nothing";
    EXPECT_EQ(InMemoryJobText().rfind("before|\x1b"
                                      "E",
                                      0),
              0u);
    EXPECT_EQ(Pages(InMemoryJobText()), "<A1><B1>") << "every page once, copies ignored";
    // The Vivaform page is not printed: its PDF goes into the captured job, in its place.
    EXPECT_TRUE(host.vivaform.empty());
    const size_t embedded = InMemoryJobText().find(EmbeddedPdfText("%PDF-V"));
    EXPECT_GT(embedded, InMemoryJobText().find("<B1>"));
    EXPECT_NE(embedded, std::string::npos);

    TPrintRequest keep;
    keep.KeepJobText = true;
    dialog.options.PrintOrder = poAsDisplayed;
    dialog.options.AdditionalCopies = 0;
    PrintForms(f.set, f.nodes, keep, state, dialog, host);
    EXPECT_EQ(InMemoryJobText(), host.sent.back());
}

TEST(PrintWalk, PendingRefusalAndDialogRules) {
    TWalkFixture f;
    f.Add("A", "LTR", 1);
    TScriptedDialog dialog;
    TTestHost host;
    TPrintState state;
    TRecordingPrompter prompter;

    // A second command while the first job is being sent is refused.
    bool secondResult = true;
    host.onSend = [&] {
        EXPECT_TRUE(state.JobPending);
        secondResult = PrintForms(f.set, f.nodes, {}, state, dialog, host);
    };
    EXPECT_TRUE(PrintForms(f.set, f.nodes, {}, state, dialog, host));
    host.onSend = nullptr;
    EXPECT_FALSE(secondResult);
    EXPECT_FALSE(state.JobPending);
    EXPECT_EQ(host.sent.size(), 1u);
    ASSERT_EQ(prompter.Texts(), (std::vector<std::string>{kJobPendingMessage}));

    // PrinterDlg 1: shown for the first print only; 0: every time.
    host.printerDlg = 1;
    state.DialogConfirmed = false;
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    EXPECT_EQ(dialog.shown, 1);
    host.printerDlg = 0;
    state.DialogConfirmed = false;
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    EXPECT_EQ(dialog.shown, 3);
    EXPECT_FALSE(state.DialogConfirmed);

    // Cancel: nothing sent, order and duplex put back.
    const size_t sent = host.sent.size();
    dialog.options.PrintOrder = poAsDisplayed;
    dialog.options.Duplex = kDuplexNo;
    dialog.answer = false;
    dialog.onExecute = [](TPrinterDlgOptions& o) {
        o.PrintOrder = poLetterFirst;
        o.Duplex = kDuplexYes;
    };
    EXPECT_FALSE(PrintForms(f.set, f.nodes, {}, state, dialog, host));
    EXPECT_EQ(host.sent.size(), sent);
    EXPECT_EQ(dialog.options.PrintOrder, poAsDisplayed);
    EXPECT_EQ(dialog.options.Duplex, kDuplexNo);
    EXPECT_EQ(host.cursor.back(), '-');

    // The package's own bar codes reach the dialog.
    f.set.HasBarcodeFormula = true;
    dialog.answer = true;
    PrintForms(f.set, f.nodes, {}, state, dialog, host);
    EXPECT_TRUE(dialog.options.OwnBarCodes);
}

} // namespace
} // namespace pg
