// The printer dialog (offscreen): its choices from and to the settings, the enabling rules, the
// print-format/duplex interplay, own bar codes, printer entries; and driver printing, to a PDF
// file and to a real IPP printer.

#include "HLWRegistry.h"
#include "IppTestPrinter.h"
#include "PGRegistry.h"
#include "PrinterDlg.h"
#include "PrinterDriver.h"
#include "PrinterOutput.h"
#include "Prompt.h"

#include "TestTables.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <regex>

namespace pg {
namespace {

namespace fs = std::filesystem;
namespace R = PGRegistry;

std::vector<TPrinterInfo> TwoPrinters() {
    return {{"Office Laser", "", "Room 12", "socket://10.0.0.5:9100", true},
            {"Front Desk FAX", "", "", "usb://Fax/1", false}};
}

// A temporary settings store and a printer list of two, for each test.
class PrinterDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_printer_dialog";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            app_ = std::make_unique<QApplication>(argc, argv);
    }
    // Before the exit handlers, while Qt's own statics still live.
    static void TearDownTestSuite() { app_.reset(); }

    void SetUp() override {
        ASSERT_FALSE(root_.empty());
        registry_ =
            std::make_unique<THLWRegistry>((root_ / "config").string(), (root_ / "Pagellan.CFG").string());
        previous_ = SetRegistry(registry_.get());
        previousList_ = SetPrinterListQuery(TwoPrinters);
        SetCurrentPrinterName("Office Laser");
    }

    void TearDown() override {
        SetPrinterListQuery(previousList_);
        SetRegistry(previous_);
        registry_.reset();
    }

    static bool Checked(QGroupBox* group, int index) {
        return group->findChildren<QRadioButton*>().at(index)->isChecked();
    }
    static void Click(QGroupBox* group, int index) {
        group->findChildren<QRadioButton*>().at(index)->click();
    }

    // Each widget's enabled state as expected; a failure names the widget.
    static void ExpectEnabled(std::initializer_list<std::pair<QWidget*, bool>> widgets) {
        for (const auto& [widget, enabled] : widgets)
            EXPECT_EQ(widget->isEnabled(), enabled) << widget->objectName().toStdString();
    }

    static std::unique_ptr<QApplication> app_;
    test::TTempFolder folder_{"pg-prdlg"};
    const fs::path& root_ = folder_.Path();
    std::unique_ptr<THLWRegistry> registry_;
    THLWRegistry* previous_ = nullptr;
    TPrinterListQuery previousList_;
};

std::unique_ptr<QApplication> PrinterDialogTest::app_;

TEST_F(PrinterDialogTest, ChoicesFromSettingsAndSavedOnOK) {
    R::SetPrintType(1);
    R::SetBarCode(true);
    R::SetPrintFormNames(false);
    R::SetAdditionalCopies(2);
    R::SetPrintAllOnLegal(true);
    TfrmPrinterDlg dlg(true);
    EXPECT_EQ(dlg.windowTitle(), "Printer Setup");
    EXPECT_EQ(dlg.cbxPrintMode->currentText(), "GDI Driver ");
    EXPECT_TRUE(Checked(dlg.rgBarCodes, kChoiceYes));
    EXPECT_TRUE(Checked(dlg.rgFormNames, kChoiceNo));
    EXPECT_TRUE(Checked(dlg.rgDuplex, kDuplexYes)); // "/D" given
    EXPECT_TRUE(Checked(dlg.rgPrintOrder, poAsDisplayed));
    EXPECT_EQ(dlg.edAdditionalCopies->value(), 2);
    EXPECT_TRUE(dlg.cbxPrintAllOnLegal->isChecked());
    EXPECT_TRUE(dlg.btnOK->isDefault());

    // Activation reads copies and the legal box again and selects the current printer; with
    // "GDI Driver " duplex is "No" and disabled.
    R::SetAdditionalCopies(1);
    dlg.Prepare();
    EXPECT_EQ(dlg.edAdditionalCopies->value(), 1);
    ASSERT_EQ(dlg.cbxPrinters->count(), 2);
    EXPECT_EQ(dlg.cbxPrinters->itemText(0), "Office Laser on socket://10.0.0.5:9100 located in Room 12");
    EXPECT_EQ(dlg.cbxPrinters->itemText(1), "Front Desk FAX on usb://Fax/1");
    EXPECT_EQ(dlg.cbxPrinters->currentIndex(), 0);
    EXPECT_TRUE(Checked(dlg.rgDuplex, kDuplexNo));
    EXPECT_FALSE(dlg.rgDuplex->isEnabled());

    // OK saves the choices, makes the printer current and names it in "UsePrinter".
    dlg.cbxPrinters->setCurrentIndex(1);
    EXPECT_EQ(CurrentPrinterName(), "Front Desk FAX");
    dlg.cbxPrintMode->setCurrentIndex(0);
    Click(dlg.rgBarCodes, kChoiceNo);
    Click(dlg.rgFormNames, kChoiceYes);
    dlg.edAdditionalCopies->setValue(3);
    dlg.cbxPrintAllOnLegal->setChecked(false);
    QTimer::singleShot(0, [&] { dlg.btnOK->click(); });
    EXPECT_TRUE(dlg.exec() == QDialog::Accepted);
    EXPECT_EQ(R::PrintType(), 0);
    EXPECT_FALSE(R::BarCode());
    EXPECT_TRUE(R::PrintFormNames());
    EXPECT_EQ(R::AdditionalCopies(), 3);
    EXPECT_FALSE(R::PrintAllOnLegal());
    EXPECT_EQ(registry_->ReadString("UsePrinter", ""), "Front Desk FAX");
    EXPECT_EQ(CurrentPrinterName(), "Front Desk FAX");

    // Cancel saves nothing.
    TfrmPrinterDlg again(false);
    again.cbxPrintMode->setCurrentIndex(1);
    QTimer::singleShot(0, [&] { again.btnCancel->click(); });
    EXPECT_FALSE(again.Execute());
    EXPECT_EQ(R::PrintType(), 0);
}

// With no printer installed the list says so in place and how to go on; OK keeps the dialog open
// and says under the list what is wrong; a typed address is taken, stored, and is the printer
// the next run starts with.
TEST_F(PrinterDialogTest, WithoutPrintersTheListSaysSoAndTakesATypedAddress) {
    SetPrinterListQuery([] { return std::vector<TPrinterInfo>{}; });
    SetCurrentPrinterName("");
    TRecordingPrompter prompter;
    TfrmPrinterDlg dlg(false);
    dlg.Prepare();
    EXPECT_EQ(dlg.cbxPrinters->count(), 0);
    EXPECT_EQ(dlg.cbxPrinters->lineEdit()->placeholderText().toStdString(), kNoPrintersMessage);
    dlg.show();
    for (const auto& [typed, problem] :
         {std::pair<QString, std::string>{"", kNoPrintersMessage},
          {"Office", "\"Office\" is neither a printer of this system nor a printer address."}}) {
        dlg.cbxPrinters->setEditText(typed);
        dlg.btnOK->click();
        EXPECT_TRUE(dlg.isVisible()) << typed.toStdString();
        EXPECT_TRUE(dlg.lblPrinterProblem->isVisible());
        EXPECT_EQ(dlg.lblPrinterProblem->text().toStdString().substr(0, problem.size()), problem);
    }
    dlg.cbxPrinters->setEditText("  ipp://127.0.0.1:8631/ipp/print ");
    EXPECT_FALSE(dlg.lblPrinterProblem->isVisible());
    dlg.btnOK->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(registry_->ReadString("UsePrinter", ""), "ipp://127.0.0.1:8631/ipp/print");
    EXPECT_EQ(prompter.Texts(), std::vector<std::string>{});
    SetCurrentPrinterName("");
    TfrmPrinterDlg next(false);
    next.Prepare();
    EXPECT_EQ(next.cbxPrinters->currentText(), "ipp://127.0.0.1:8631/ipp/print");
    EXPECT_EQ(CurrentPrinterName(), "ipp://127.0.0.1:8631/ipp/print");

    // With printers: a listed one, a destination typed by name and the three kinds of address
    // are printers; anything else is not.
    const std::vector<std::string> names = {"Office Laser", "Front Desk FAX"};
    test::ExpectEach(
        [&names](const std::string& typed) { return PrinterChoiceProblem(typed, names).empty(); },
        {std::pair<std::string, bool>{"Office Laser", true},
         {"ipps://printer.example/ipp/print", true},
         {"HTTP://10.0.0.5:631/ipp/print", true},
         {"ipp://10.0.0.5/ipp/print", true},
         {"", false},
         {"Office", false},
         {"socket://10.0.0.5:9100", false}});
}

TEST_F(PrinterDialogTest, PrintFormatAndDuplexInterplay) {
    R::SetPrintType(0);
    TfrmPrinterDlg dlg(false);
    dlg.Options().EnableOptions(true, true, true, true, true);
    dlg.Prepare();
    EXPECT_TRUE(dlg.rgDuplex->isEnabled());
    Click(dlg.rgDuplex, kDuplexYes);
    // "GDI Driver " turns duplex to "No" and disables it.
    dlg.cbxPrintMode->setCurrentIndex(1);
    EXPECT_FALSE(dlg.rgDuplex->isEnabled());
    EXPECT_TRUE(Checked(dlg.rgDuplex, kDuplexNo));
    // "PCL Direct " again enables it but leaves it at "No".
    dlg.cbxPrintMode->setCurrentIndex(0);
    EXPECT_TRUE(dlg.rgDuplex->isEnabled());
    EXPECT_TRUE(Checked(dlg.rgDuplex, kDuplexNo));
    // Choosing "PCL Direct " while duplex is "Yes" sets it to "No".
    Click(dlg.rgDuplex, kDuplexYes);
    dlg.ReadControls();
    dlg.Options().ChoosePrintMode(0);
    dlg.UpdateControls();
    EXPECT_TRUE(Checked(dlg.rgDuplex, kDuplexNo));

    // The page window's preparation: duplex not allowed, order and duplex disabled; choosing a
    // format never enables duplex.
    TfrmPrinterDlg page(false);
    page.Options().EnableOptions(true, true, true, false, false);
    page.Prepare();
    ExpectEnabled({{page.rgDuplex, false}, {page.rgPrintOrder, false}, {page.rgBarCodes, true}});
    page.cbxPrintMode->setCurrentIndex(1);
    page.cbxPrintMode->setCurrentIndex(0);
    EXPECT_FALSE(page.rgDuplex->isEnabled());

    // The page window in scanned-image mode: only the printer and the legal box stay usable.
    TfrmPrinterDlg scanned(false);
    scanned.Options().PrepareForPageWindow(false, true, true);
    scanned.Prepare();
    ExpectEnabled({{scanned.edAdditionalCopies, false},
                   {scanned.cbxPrintMode, false},
                   {scanned.rgBarCodes, false},
                   {scanned.rgFormNames, false},
                   {scanned.rgDuplex, false},
                   {scanned.cbxPrinters, true}});
    // A plain file: no bar codes or form names, but copies and print format.
    TfrmPrinterDlg plain(false);
    plain.Options().PrepareForPageWindow(true, false, false);
    plain.Prepare();
    ExpectEnabled({{plain.edAdditionalCopies, true},
                   {plain.cbxPrintMode, true},
                   {plain.rgBarCodes, false},
                   {plain.rgFormNames, false},
                   {plain.rgPrintOrder, false}});

    // Without permissions settings every option the caller enables stays enabled.
    TfrmPrinterDlg setup(false);
    setup.Options().EnableOptionsByPermission();
    setup.Prepare();
    for (QWidget* w : std::initializer_list<QWidget*>{
             setup.cbxPrinters, setup.edAdditionalCopies, setup.cbxPrintMode, setup.rgPrintOrder,
             setup.rgDuplex, setup.cbxPrintAllOnLegal, setup.rgBarCodes, setup.rgFormNames})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}

TEST_F(PrinterDialogTest, OwnBarCodesAndRememberedChoices) {
    R::SetBarCode(true);
    TfrmPrinterDlg dlg(false);
    dlg.Options().OwnBarCodes = true;
    dlg.Prepare();
    EXPECT_TRUE(Checked(dlg.rgBarCodes, kChoiceNo));
    EXPECT_FALSE(dlg.rgBarCodes->isEnabled());

    // The order and duplex choices come back after a cancelled dialog when the tree has more
    // than one node; both groups are enabled again either way.
    TPrinterDlgOptions& o = dlg.Options();
    o.PrintOrder = poLegalFirst;
    o.Duplex = kDuplexYes;
    o.RememberOrderAndDuplex();
    o.PrintOrder = poLetterFirst;
    o.Duplex = kDuplexNo;
    o.PrintOrderEnabled = o.DuplexEnabled = false;
    o.RestoreOrderAndDuplex(false);
    EXPECT_EQ(o.PrintOrder, poLetterFirst);
    EXPECT_TRUE(o.PrintOrderEnabled && o.DuplexEnabled);
    o.RestoreOrderAndDuplex(true);
    EXPECT_EQ(o.PrintOrder, poLegalFirst);
    EXPECT_EQ(o.Duplex, kDuplexYes);

    // OK without a printer saves nothing.
    TPrinterDlgOptions none;
    none.PrintMode = 1;
    EXPECT_FALSE(none.Accept());
    EXPECT_EQ(R::PrintType(), 0);
}

TEST_F(PrinterDialogTest, PrinterEntriesAndPictures) {
    test::ExpectEach<int>(
        PrinterPictureIndex,
        {{"Front Desk fax", 1}, {"\\\\srv\\Laser", 2}, {"\\\\srv\\Faxes", 1}, {"Office Laser", 0}});
    // The three pictures differ from each other and are not empty.
    const QImage p0 = PrinterPicture(0, 16).toImage(), p1 = PrinterPicture(1, 16).toImage(),
                 p2 = PrinterPicture(2, 16).toImage();
    EXPECT_NE(p0, p1);
    EXPECT_NE(p0, p2);
    EXPECT_NE(p1, p2);
    EXPECT_NE(p0.pixel(8, 8), 0u);

    // An entry: the picture at the left edge, the text from x = 21 on, nothing between.
    QStandardItemModel model;
    auto* item = new QStandardItem("Front Desk FAX on usb://Fax/1");
    item->setData("Front Desk FAX", Qt::UserRole);
    model.appendRow(item);
    QImage canvas(300, 18, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 300, 18);
        option.palette.setColor(QPalette::Base, Qt::white);
        option.palette.setColor(QPalette::Text, Qt::black);
        TPrinterEntryDelegate delegate;
        delegate.paint(&painter, option, model.index(0, 0));
    }
    auto darkIn = [&](int x1, int x2) {
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = x1; x < x2; ++x)
                if (qGray(canvas.pixel(x, y)) < 128)
                    return true;
        return false;
    };
    EXPECT_TRUE(darkIn(0, 18));   // the picture
    EXPECT_FALSE(darkIn(19, 21)); // the gap
    EXPECT_TRUE(darkIn(21, 300)); // the text
}

// Three pages: letter, legal, letter.
std::string ThreePageJob() {
    return "\x1b"
           "E\x1b&l2APage one\f\x1b&l3APage two\f\x1b&l2APage three\f\x1b"
           "E";
}

std::vector<std::string> MediaBoxes(const std::string& pdf) {
    std::vector<std::string> boxes;
    const std::regex box(R"(/MediaBox\s*\[\s*0\s+0\s+([0-9]+)(?:\.[0-9]*)?\s+([0-9]+)(?:\.[0-9]*)?\s*\])");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), box); it != std::sregex_iterator(); ++it)
        boxes.push_back((*it)[1].str() + "x" + (*it)[2].str());
    return boxes;
}

// A landscape page goes to the driver as a landscape page, whole: the text in its bottom right
// corner, past a portrait page's width, is on the printed page.
TEST_F(PrinterDialogTest, DriverPrintingLandscapePages) {
    const std::string pdfFile = (root_ / "landscape.pdf").string();
    EXPECT_EQ(DriverPrintToPdf("\x1b"
                               "E\x1b&l1O\x1b&l2A\x1b*p2900x2250YTotal Due\f\x1b&l0O\x1b&l2APortrait\f",
                               pdfFile, "Pagellan-1"),
              2);
    EXPECT_EQ(MediaBoxes(test::ReadWholeFile(pdfFile)), (std::vector<std::string>{"792x612", "612x792"}));
    const std::string pgm = (root_ / "landscape").string();
    ASSERT_EQ(
        std::system(("pdftoppm -r 50 -gray -f 1 -l 1 -singlefile '" + pdfFile + "' '" + pgm + "'").c_str()),
        0);
    const QImage page(QString::fromStdString(pgm + ".pgm"));
    ASSERT_EQ(page.width(), 550);
    bool dark = false;
    for (int y = 360; y < page.height(); ++y)
        for (int x = 460; x < page.width(); ++x)
            dark = dark || qGray(page.pixel(x, y)) < 128;
    EXPECT_TRUE(dark);
}

TEST_F(PrinterDialogTest, DriverPrintingToPdfAndToRealPrinter) {
    TRecordingPrompter prompts;
    const std::string pdfFile = (root_ / "job.pdf").string();
    EXPECT_EQ(DriverPrintToPdf(ThreePageJob(), pdfFile, "Pagellan-1"), 3);
    // One page per job page, each on its own paper: letter 612 x 792, legal 612 x 1008 points.
    EXPECT_EQ(MediaBoxes(test::ReadWholeFile(pdfFile)),
              (std::vector<std::string>{"612x792", "612x1008", "612x792"}));
    // A job without pages prints nothing.
    EXPECT_EQ(DriverPrintToPdf("\x1b"
                               "E\x1b"
                               "E",
                               (root_ / "empty.pdf").string(), "Pagellan-1"),
              0);
    EXPECT_FALSE(fs::exists(root_ / "empty.pdf"));

    test::TIppTestPrinter printer("application/vnd.hp-PCL,application/pdf");
    ASSERT_EQ(printer.Error(), "");
    InstallDriverSender();
    EXPECT_TRUE(SendJob(ThreePageJob(), printer.Uri(), "Pagellan-42", kPrintFormatGdiDriver));
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    const auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    const std::string spooled = test::ReadWholeFile(jobs[0]);
    EXPECT_EQ(spooled.substr(0, 5), "%PDF-");
    EXPECT_EQ(MediaBoxes(spooled).size(), 3u);
    SetDriverSender({});
}

TEST_F(PrinterDialogTest, PrinterListReadAfreshEachTimeItShows) {
    std::vector<TPrinterInfo> printers = TwoPrinters();
    SetPrinterListQuery([&printers] { return printers; });
    TfrmPrinterDlg dlg(false);
    dlg.Prepare();
    EXPECT_EQ(dlg.cbxPrinters->count(), 2);
    // A printer added while the program runs is there the next time the dialog shows.
    printers.push_back({"New Laser", "", "", "socket://10.0.0.9:9100", false});
    dlg.Prepare();
    ASSERT_EQ(dlg.cbxPrinters->count(), 3);
    EXPECT_EQ(dlg.cbxPrinters->itemText(2), "New Laser on socket://10.0.0.9:9100");
    printers.erase(printers.begin() + 1, printers.end());
    dlg.Prepare();
    EXPECT_EQ(dlg.cbxPrinters->count(), 1);
}

// The box around the dark pixels of the first page of a PDF rendered by Ghostscript at 300 dpi:
// left, top, width, height; empty when it cannot be rendered.
std::vector<int> DarkBox(const fs::path& pdf) {
    const fs::path pgm = pdf.string() + ".pgm";
    const std::string command = "gs -q -dNOPAUSE -dBATCH -dSAFER -r300 -dFirstPage=1 -dLastPage=1 "
                                "-sDEVICE=pgmraw -sOutputFile=" +
                                pgm.string() + " " + pdf.string() + " > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    const QImage page(QString::fromStdString(pgm.string()));
    int left = page.width(), top = page.height(), right = -1, bottom = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return {};
    return {left, top, right - left + 1, bottom - top + 1};
}

TEST_F(PrinterDialogTest, DriverPrintingAtTrueSizeInsideThePrintersMargins) {
    TRecordingPrompter prompts;
    // A black square of 300 x 300 dots (one inch) on a letter page.
    const std::string job = "\x1b"
                            "E\x1b&l2A\x1b*p300x300Y\x1b*c300a300b0P\f\x1b"
                            "E";
    const fs::path sheetCorner = root_ / "corner.pdf";
    ASSERT_EQ(DriverPrintToPdf(job, sheetCorner.string(), "Pagellan-1"), 1);
    const std::vector<int> atCorner = DarkBox(sheetCorner);
    ASSERT_EQ(atCorner.size(), 4u) << "Ghostscript could not render the page";
    EXPECT_EQ(atCorner[2], 300);
    EXPECT_EQ(atCorner[3], 300);

    // A printer that cannot print on 12.7 mm at the left and 8.46 mm at the top (150 and 100
    // dots): the page moves by exactly that, and keeps its size.
    test::TIppTestPrinter printer("application/pdf", "ATTR integer media-left-margin-supported 0,1270\n"
                                                     "ATTR integer media-top-margin-supported 846\n"
                                                     "ATTR integer media-right-margin-supported 635\n"
                                                     "ATTR integer media-bottom-margin-supported 423");
    ASSERT_EQ(printer.Error(), "");
    TPrinterMargins margins;
    ASSERT_TRUE(QueryPrinterMargins(printer.Uri(), margins));
    EXPECT_EQ((std::vector<int>{margins.Left, margins.Top, margins.Right, margins.Bottom}),
              (std::vector<int>{1270, 846, 635, 423}));
    InstallDriverSender();
    EXPECT_TRUE(SendJob(job, printer.Uri(), "Pagellan-7", kPrintFormatGdiDriver));
    SetDriverSender({});
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{});
    const auto jobs = printer.WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    const fs::path spooled = root_ / "spooled.pdf";
    fs::copy_file(jobs[0], spooled);
    EXPECT_EQ(DarkBox(spooled), (std::vector<int>{atCorner[0] + 150, atCorner[1] + 100, 300, 300}));

    // What does not fit in the printable area is left off, never shrunk onto it.
    const std::string tall = "\x1b"
                             "E\x1b&l2A\x1b*p0x0Y\x1b*c2300a3250b0P\f\x1b"
                             "E";
    const fs::path clipped = root_ / "clipped.pdf";
    ASSERT_EQ(DriverPrintToPdf(tall, clipped.string(), "Pagellan-1", margins), 1);
    const std::vector<int> box = DarkBox(clipped);
    ASSERT_EQ(box.size(), 4u);
    EXPECT_EQ(box[0], atCorner[0] - 300 + 150);
    EXPECT_EQ(box[1], atCorner[1] - 300 + 100);
    // The right and bottom margins (635 and 423 hundredths of a millimetre: 75 and 50 dots).
    EXPECT_EQ(box[0] + box[2], 2550 - 75);
    EXPECT_EQ(box[1] + box[3], 3300 - 50);
}

} // namespace
} // namespace pg
