#include "VivaformPrint.h"

#include "PrinterOutput.h"
#include "Prompt.h"
#include "Strings.h"
#include "Trace.h"
#include "VivaformView.h"

#include <QEventLoop>
#include <QMarginsF>
#include <QPageSize>
#include <QPrinter>
#include <QTimer>

#include <exception>
#include <memory>

namespace pg {

namespace {

// Runs the event loop until done() is true or the time is up; answers done(). The print run
// waits here, and the window keeps answering meanwhile.
template <typename Done> bool WaitFor(Done done, int timeoutMs) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(10);
    if (!done())
        loop.exec();
    return done();
}

// A browser of its own for one printed page, shown with the page when the document has one.
std::unique_ptr<TVivaform> LoadedPage(std::string_view document, int timeoutMs) {
    auto view = std::make_unique<TVivaform>();
    view->setGeometry(0, 0, 1, 1);
    if (!view->Load(document) || !view->ExtractHTML())
        return nullptr;
    bool finished = false;
    bool ok = false;
    const QMetaObject::Connection loaded =
        QObject::connect(view.get(), &QWebEngineView::loadFinished, view.get(), [&](bool success) {
            finished = true;
            ok = success;
        });
    view->Show();
    const bool shown = WaitFor([&] { return finished; }, timeoutMs) && ok;
    // A script may load again later; that must not reach the flags of this frame.
    QObject::disconnect(loaded);
    return shown ? std::move(view) : nullptr;
}

// While a Vivaform page prints, what would have been a message goes to the trace: a page that
// cannot print is passed over and must not stop the run with a box to acknowledge.
class TTraceOnlyPrompter : public TPrompter {
public:
    TTraceOnlyPrompter() : previous_(SetPrompter(this)) {}
    ~TTraceOnlyPrompter() override { SetPrompter(previous_); }
    TTraceOnlyPrompter(const TTraceOnlyPrompter&) = delete;
    TTraceOnlyPrompter& operator=(const TTraceOnlyPrompter&) = delete;

    void Show(PromptKind, const std::string& text, const std::string&) override {
        DebugMsg("Print : Vivaform page not printed, " + text);
    }
    PromptAnswer Ask(PromptKind, const std::string& text, const std::string&, PromptAnswer answer) override {
        DebugMsg("Print : Vivaform page, " + text);
        return answer;
    }

private:
    TPrompter* previous_;
};

} // namespace

QPageLayout VivaformPageLayout(const std::string& pageSize) {
    const double m = kVivaformMarginInches;
    return QPageLayout(QPageSize(IsLetterPaper(pageSize) ? QPageSize::Letter : QPageSize::Legal),
                       QPageLayout::Portrait, QMarginsF(m, m, m, m), QPageLayout::Inch);
}

QByteArray VivaformToPdf(std::string_view document, const std::string& pageSize, int timeoutMs) {
    const std::unique_ptr<TVivaform> view = LoadedPage(document, timeoutMs);
    if (!view)
        return {};
    // The callback may come after a time-out; it then writes into a result nobody reads.
    auto result = std::make_shared<std::pair<bool, QByteArray>>();
    view->page()->printToPdf(
        [result](const QByteArray& pdf) {
            result->first = true;
            result->second = pdf;
        },
        VivaformPageLayout(pageSize));
    if (!WaitFor([&] { return result->first; }, timeoutMs))
        return {};
    return result->second;
}

bool PrintVivaformPage(std::string_view document, const std::string& printerName,
                       const std::string& documentName, const std::string& pageSize, int timeoutMs) {
    try {
        DebugMsg("printing name : " + printerName);
        if (printerName.empty())
            return false;
        if (IsPrinterAddress(printerName)) {
            // Qt cannot print to a bare IPP address: the engine's PDF goes there as the job.
            const QByteArray pdf = VivaformToPdf(document, pageSize, timeoutMs);
            if (pdf.isEmpty())
                return false;
            // Only the send itself is quiet: the window's own commands still speak while the
            // engine works.
            const TTraceOnlyPrompter quiet;
            return SendDocument(std::string_view(pdf.constData(), size_t(pdf.size())), printerName,
                                documentName, "application/pdf");
        }
        // The printer outlives the view: a print given up after the time-out may still draw.
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(QString::fromStdString(printerName));
        printer.setDocName(QString::fromStdString(documentName));
        if (!printer.isValid() || !printer.setPageLayout(VivaformPageLayout(pageSize)))
            return false;
        bool finished = false;
        bool ok = false;
        const std::unique_ptr<TVivaform> view = LoadedPage(document, timeoutMs);
        if (!view)
            return false;
        QObject::connect(view.get(), &QWebEngineView::printFinished, view.get(), [&](bool success) {
            finished = true;
            ok = success;
        });
        view->print(&printer);
        // The engine draws into the printer until it reports; the printer must outlive that.
        WaitFor([&] { return finished; }, timeoutMs);
        return finished && ok;
    } catch (const std::exception& e) {
        // A page that cannot print must not stop the run: the next page still goes out.
        DebugMsg(std::string("Print : Vivaform page not printed, ") + e.what());
        return false;
    } catch (...) {
        DebugMsg("Print : Vivaform page not printed");
        return false;
    }
}

} // namespace pg
