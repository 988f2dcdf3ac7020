// A Vivaform page in the middle of a package printed from the main window to a real IPP printer,
// through Qt WebEngine offscreen (its sandbox is off here only, as tests run as root): every page
// reaches the printer, the Vivaform page as a job of its own laid out by the browser engine
// (letter or legal as its form says, 0.18 in margins, no header or footer); a Vivaform page
// without a page in it, or one the printer cannot take, prints nothing while the run goes on.

#include "CommandLine.h"
#include "IppTestPrinter.h"
#include "Main.h"
#include "PGRegistry.h"
#include "PrintTree.h"
#include "PrinterDlg.h"
#include "PrinterOutput.h"
#include "Prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

using namespace pg;
namespace R = PGRegistry;
namespace fs = std::filesystem;

namespace {

std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = ::fread(buf, 1, sizeof buf, p)) > 0;)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

void SetVivaform(TDocSetForm& form, const std::string& document) {
    form.Format = kFormatVivaform;
    for (auto& page : form.Pages)
        page->FillData = THLWMemorystream(document);
}

} // namespace

TEST(PrintVivaform, PageInTheMiddleGoesOutAsItsOwnJob) {
    test::TTempFolder dir("pg-print-vivaform");
    fs::create_directories(dir.Path() / "settings");
    ::setenv("PAGELLAN_SETTINGS_DIR", dir.Path("settings").c_str(), 1);
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 1);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    int argc = 1;
    char name[] = "test_print_vivaform";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    test::TIppTestPrinter printer("application/vnd.hp-PCL,application/pdf");
    ASSERT_EQ(printer.Error(), "");
    const std::string uri = printer.Uri();
    SetPrinterListQuery([uri] { return std::vector<TPrinterInfo>{{uri, "Test", "", uri, true}}; });
    SetCurrentPrinterName(uri);
    R::SetPrintType(kPrintFormatPclDirect);
    R::SetAdditionalCopies(0);
    R::SetPrinterDlg(2);
    R::SetQuodexHistoryDir(dir.Path("history") + "/");
    const fs::path package = dir.Path() / "demo.qdx";
    fs::copy_file(fs::path(PAGELLAN_SOURCE_DIR) / "samples" / "demo.qdx", package);
    SetCommandLine({package.string()});
    TRecordingPrompter prompter;
    TfrmMain main;
    ASSERT_TRUE(main.Loaded);
    TDocSet& set = *main.DocSet();
    ASSERT_GE(set.FormCount(), 5u);
    // The third form (one legal page) a wrapped Vivaform page, the fifth one without a page.
    ASSERT_EQ(set.Form(3).PageCount(), 1);
    SetVivaform(set.Form(3), "<VIVAFORM_DOCUMENT><VIEW><html><head><title>Estimate</title></head>"
                             "<body style=\"margin:0\"><p>Vivaform&#160;estimate</p></body></html></VIEW>"
                             "<DATA>x</DATA></VIVAFORM_DOCUMENT>");
    SetVivaform(set.Form(4), "<VIVAFORM_DOCUMENT><VIEW><html/><html/></VIEW></VIVAFORM_DOCUMENT>");

    main.actPrintAll->trigger();
    const auto jobs = printer.WaitForJobs(2);
    ASSERT_EQ(jobs.size(), 2u) << (prompter.Texts().empty() ? "" : prompter.Texts().front());
    EXPECT_FALSE(main.JobPending());
    EXPECT_TRUE(prompter.Entries().empty());

    // The Vivaform page is printed while the walk passes it, before the job of the other pages.
    const std::string pdf = jobs[0].string();
    EXPECT_EQ(test::ReadWholeFile(jobs[0]).rfind("%PDF-", 0), 0u);
    const std::string info = Output("pdfinfo " + pdf);
    EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
    EXPECT_NE(info.find("612 x 1008 pts"), std::string::npos) << info; // the form is legal
    // Only the page's own text: no title, address or date in a header or footer.
    EXPECT_EQ(Output("pdftotext -layout " + pdf + " - | tr -s ' \\n\\f' ' '"), "Vivaform estimate ");
    // The text starts at the 0.18 in margin (13 pt), the body having none of its own.
    const std::string box = Output("pdftotext -bbox " + pdf + " - | grep -m1 'word '");
    const size_t at = box.find("xMin=\"");
    ASSERT_NE(at, std::string::npos) << box;
    EXPECT_NEAR(std::stod(box.substr(at + 6)), 12.96, 1.0) << box;

    // The other job holds every other page, exactly the job the walk builds without them.
    const TPrintChoices choices =
        ChoicesFromDialog(main.frmPrinterDlg->Options(), R::LegalTray(), R::LetterTray());
    THLWPrintJobStream expected(CopyFootersFromSettings());
    int vivaformPages = 0;
    AssembleJob(expected, set, PrintNodes(main.Tree(), main.Selection()), {}, choices, false,
                [&](const TInfo&) { ++vivaformPages; });
    expected.WriteJobReset();
    EXPECT_EQ(vivaformPages, 2);
    EXPECT_EQ(test::ReadWholeFile(jobs[1]), std::string(expected.View()));
    EXPECT_EQ(test::ReadWholeFile(jobs[1]).find("Vivaform"), std::string::npos);

    // A printer that takes no PDF: the Vivaform page is passed over without a word and the
    // other pages still go out.
    test::TIppTestPrinter pclOnly("application/vnd.hp-PCL");
    ASSERT_EQ(pclOnly.Error(), "");
    SetCurrentPrinterName(pclOnly.Uri());
    main.actPrintAll->trigger();
    const auto pclJobs = pclOnly.WaitForJobs(1);
    ASSERT_EQ(pclJobs.size(), 1u);
    EXPECT_EQ(test::ReadWholeFile(pclJobs[0]), std::string(expected.View()));
    EXPECT_TRUE(prompter.Entries().empty());
    EXPECT_FALSE(main.JobPending());

    // Save As PDF: the Vivaform page goes into the PDF in its place, its accented letters and
    // curly quotes as written (the page declares no encoding), and nothing is printed.
    SetVivaform(set.Form(3), "<VIVAFORM_DOCUMENT><VIEW><html><body><p>R\xC3\xA9sum\xC3\xA9 \xE2\x80\x9C"
                             "final\xE2\x80\x9D estimate</p></body></html></VIEW></VIVAFORM_DOCUMENT>");
    main.PdfConverter = PCL2PDF;
    SetCurrentPrinterName(uri); // the printer that takes the engine's PDF
    const std::string saved = dir.Path("saved");
    QTimer::singleShot(0, [saved] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectNameFilter(dialog->nameFilters().at(2));
        dialog->setDirectory(QString::fromStdString(fs::path(saved).parent_path().string()));
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QStringLiteral("saved"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    main.SaveAsClick();
    const std::string savedPdf = saved + ".PDF";
    const std::string pages = Output("pdftotext " + savedPdf + " - | tr -s ' \\n' ' '");
    // Every page but the one of the Vivaform form without a page in it; the Vivaform page in
    // its place, after the pages of the forms before it.
    int before = 0;
    for (const TDocSetForm* form : main.Tree().FormsInDisplayOrder()) {
        if (form == &set.Form(3))
            break;
        before += form == &set.Form(4) ? 0 : form->PageCount();
    }
    const int total = int(set.TotalPageCount()) - set.Form(4).PageCount();
    EXPECT_NE(Output("pdfinfo " + savedPdf).find("Pages:           " + std::to_string(total) + "\n"),
              std::string::npos);
    const size_t viva = pages.find("R\xC3\xA9sum\xC3\xA9 \xE2\x80\x9C"
                                   "final\xE2\x80\x9D estimate");
    ASSERT_NE(viva, std::string::npos) << pages;
    EXPECT_EQ(std::count(pages.begin(), pages.begin() + std::ptrdiff_t(viva), '\f'), before);
    EXPECT_EQ(printer.WaitForJobs(3, 3000).size(), 2u) << "nothing printed";
    EXPECT_TRUE(prompter.Entries().empty()) << prompter.Texts().front();
}
