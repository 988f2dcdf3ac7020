#include "PrinterDriver.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QTemporaryFile>

#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "BusyCursor.h"
#include "FontEngine.h"
#include "PageBitmapDevice.h"
#include "PclPageDocuments.h"
#include "PrinterOutput.h"
#include "Prompt.h"
#include "QtText.h"
#include "Strings.h"

namespace pg {

namespace {

constexpr int kDotsPerInch = 300;
// The renderer's edge left of and above what the printer gets.
constexpr int kEdgeLeft = 20;
constexpr int kEdgeTop = 60;

// The printer's physical margins in its pixels: those the caller knows (a printer reached by
// address announces them itself), else the page layout's minimum margins for the paper now set.
QMargins PhysicalMarginsPixels(const QPrinter& printer, const std::optional<TPrinterMargins>& known) {
    const double res = printer.resolution();
    if (known) {
        const auto px = [res](int hundredthsMm) { return int(std::lrint(hundredthsMm / 2540.0 * res)); };
        return {px(known->Left), px(known->Top), px(known->Right), px(known->Bottom)};
    }
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    const QMarginsF m = layout.minimumMargins();
    const auto px = [res](qreal points) { return int(std::lrint(points / 72.0 * res)); };
    return {px(m.left()), px(m.top()), px(m.right()), px(m.bottom())};
}

// The page at its true size (a bitmap pixel is 1/300 inch on paper too), without the renderer's
// left and top edge (20 and 60 pixels), from the top left corner of the printable area: the
// printer cannot put ink on its margins, so the page starts where it can. What does not fit in
// the printable area is left off rather than shrunk. The painter works on the whole sheet.
void DrawPage(QPainter& painter, QPrinter& printer, const QImage& image, const QMargins& physical) {
    const double scale = double(printer.resolution()) / kDotsPerInch;
    const QRect sheet = printer.pageLayout().fullRectPixels(printer.resolution());
    const QRect printable = sheet.marginsRemoved(physical);
    const int width = std::min(image.width() - kEdgeLeft, int(printable.width() / scale));
    const int height = std::min(image.height() - kEdgeTop, int(printable.height() / scale));
    if (width <= 0 || height <= 0)
        return;
    const QRect target(printable.left(), printable.top(), int(std::lrint(width * scale)),
                       int(std::lrint(height * scale)));
    painter.drawImage(target, image, QRect(kEdgeLeft, kEdgeTop, width, height));
}

void StartDocument(QPainter& painter, QPrinter& printer) {
    if (!painter.begin(&printer))
        throw std::runtime_error("The printer document could not be started.");
}

// Renders and draws every page of the job; answers the number of pages drawn.
int DrawJob(std::string_view job, QPrinter& printer, const std::string& printerName,
            const std::string& documentName, const std::optional<TPrinterMargins>& margins) {
    TBusyCursor busy;
    TRunOptions run;
    run.PrintMode = true;
    run.FillColour = kDefaultFillColour;
    std::string currentPaper = "LGL";
    TPclFileDocument pcl(job, TPclFileDocument::TUse::Job, run.FillColour);
    const int count = pcl.PageCount();
    if (count == 0)
        return 0; // nothing to print: no document is started
    printer.setDocName(FromPackageText(documentName));
    QPainter painter;
    TPageBitmap bitmap(0, 0, run.PageBitmapFormat());
    TPageBitmapDevice device(bitmap, &TFontEngine::Shared());
    int drawn = 0;
    for (int j = 1; j <= count; ++j) {
        try {
            run.PaperHint = currentPaper;
            const TPageFacts facts = pcl.RunPage(j, device, run);
            const QImage image = MonochromeImage(bitmap);
            // Each page gets its own paper: a legal page after a letter one is not cut short.
            if (!facts.PaperCode.empty() || j == 1)
                currentPaper = facts.PaperCode;
            // A landscape page comes rendered as a landscape page; the driver turns it onto the
            // sheet.
            const bool landscape = bitmap.Width() > bitmap.Height();
            SetDriverPaper(printer, currentPaper, facts.DuplexMode == 1,
                           landscape ? "LANDSCAPE" : "PORTRAIT");
            if (!painter.isActive())
                StartDocument(painter, printer);
            else if (!printer.newPage())
                throw std::runtime_error("The printer refused a new page.");
            DrawPage(painter, printer, image, PhysicalMarginsPixels(printer, margins));
            ++drawn;
        } catch (const std::exception& e) {
            ShowError("GDI Printer error: " + printerName + "\n" + e.what());
            if (painter.isActive()) {
                printer.abort();
                painter.end();
            }
            drawn = 0;
        }
    }
    if (painter.isActive())
        painter.end();
    return drawn;
}

QString FromBytes(const std::string& s) {
    return FromPackageText(s);
}

} // namespace

QImage MonochromeImage(const TPageBitmap& bitmap) {
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::span<const uint8_t> row = bitmap.Row(y);
        uchar* out = image.scanLine(y);
        if (bitmap.Format() == TPixelFormat::Mono1) {
            std::memcpy(out, row.data(), std::min(row.size(), size_t(image.bytesPerLine())));
            continue;
        }
        // Like a monochrome copy on the screen: only the white of the page stays white.
        std::memset(out, 0, size_t(image.bytesPerLine()));
        for (int x = 0; x < bitmap.Width(); ++x)
            if (row[size_t(x)] == kPaletteWhite)
                out[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return image;
}

bool SetDriverPaper(QPrinter& printer, const std::string& paper, bool duplex,
                    const std::string& orientation) {
    // Through the printer's own paper setting, so that the page layout carries the printer's
    // physical margins for this paper.
    const bool sized =
        printer.setPageSize(QPageSize(IsLetterPaper(paper) ? QPageSize::Letter : QPageSize::Legal));
    if (!orientation.empty())
        printer.setPageOrientation(SameText(orientation, "LANDSCAPE") ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
    printer.setDuplex(duplex ? QPrinter::DuplexLongSide : QPrinter::DuplexNone);
    return sized;
}

int DriverPrintToPdf(std::string_view job, const std::string& pdfFileName, const std::string& documentName,
                     const TPrinterMargins& margins) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromLocal8Bit(pdfFileName.c_str()));
    printer.setResolution(kDotsPerInch);
    printer.setFullPage(true);
    return DrawJob(job, printer, pdfFileName, documentName, margins);
}

bool DriverSend(std::string_view job, const std::string& printerName, const std::string& documentName) {
    const std::string name = Trim(printerName);
    if (name.empty())
        return false;
    if (!IsPrinterAddress(name)) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(FromBytes(name));
        printer.setFullPage(true);
        if (!printer.isValid()) {
            ShowError("GDI Printer error: " + name + "\nThe printer is not known to the print system.");
            return false;
        }
        return DrawJob(job, printer, name, documentName, std::nullopt) > 0;
    }
    // A printer known only by its address: the pages as PDF, sent like a raw job.
    QTemporaryFile pdf;
    if (!pdf.open()) {
        ShowError("GDI Printer error: " + name + "\nNo temporary file for the rendered pages.");
        return false;
    }
    pdf.close();
    // The PDF is laid out as the printer would print it: inside the margins it announces.
    TPrinterMargins margins;
    QueryPrinterMargins(name, margins);
    if (DriverPrintToPdf(job, pdf.fileName().toStdString(), documentName, margins) == 0)
        return false;
    QFile in(pdf.fileName());
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = in.readAll();
    return SendDocument(std::string_view(bytes.constData(), size_t(bytes.size())), name, documentName,
                        "application/pdf");
}

void InstallDriverSender() {
    SetDriverSender(DriverSend);
}

} // namespace pg
