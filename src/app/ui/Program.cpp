// The program entry: the syntax help for "?", the task-bar switch, then the run of Startup.h
// (multi-user mode, the main window and the message loop). "--screenshot FILE" (our own
// option, for runs without a display) saves a picture of the window once the package is shown
// and ends the program. "--time-first-page" (our own option, for measuring) selects the first
// page once the package is shown, runs View Selected, and when the page window has painted its
// page prints how long that took and ends the program, so that the whole run can be timed.

#include "CommandLine.h"
#include "Main.h"
#include "Paths.h"
#include "QtPrompter.h"
#include "ScanPlugin.h"
#include "Startup.h"
#ifdef PAGELLAN_VIVAFORM_BROWSER
#include "VivaformView.h"
#endif

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {

// Takes "--screenshot FILE" out of the arguments; answers FILE or empty.
std::string TakeScreenshotOption(std::vector<std::string>& arguments) {
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "--screenshot") {
            std::string file = arguments[i + 1];
            arguments.erase(arguments.begin() + long(i), arguments.begin() + long(i) + 2);
            return file;
        }
    return {};
}

bool TakeFlag(std::vector<std::string>& arguments, const std::string& flag) {
    const auto it = std::find(arguments.begin(), arguments.end(), flag);
    if (it == arguments.end())
        return false;
    arguments.erase(it);
    return true;
}

// Ends the run at the first paint of a page window, reporting the time since the program's
// main function began (the loader's and Qt's start before it show in a whole-process timing).
class TFirstPageTimer : public QObject {
public:
    explicit TFirstPageTimer(const QElapsedTimer& sinceMain) : sinceMain_(sinceMain) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_ || event->type() != QEvent::Paint || !watched->isWidgetType())
            return false;
        const QWidget* window = static_cast<QWidget*>(watched)->window();
        if (!window->inherits("pg::TPageForm"))
            return false;
        done_ = true;
        // After this paint has run: the page is on screen.
        QTimer::singleShot(0, [this] {
            std::cout << "pagellan: first page shown " << sinceMain_.elapsed() << " ms after start of main"
                      << std::endl;
            QApplication::exit(0);
        });
        return false;
    }

private:
    const QElapsedTimer& sinceMain_;
    bool done_ = false;
};

void ViewFirstPage(pg::TfrmMain& main) {
    pg::TTreeNode* node = main.Tree().Root();
    while (node && node->HasChildren())
        node = node->Children[0].get();
    if (!node || node == main.Tree().Root()) {
        std::cout << "pagellan: no page to show" << std::endl;
        QApplication::exit(1);
        return;
    }
    main.SelectNodes({node});
    main.SetStatusBar();
    main.actViewSelected->trigger();
}

// Whether a window can be shown: a display to connect to and a platform that draws on it.
// Without one Qt aborts when the application is created.
bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string name = platform ? platform : "";
    if (name.rfind("offscreen", 0) == 0 || name.rfind("minimal", 0) == 0)
        return false;
    auto set = [](const char* variable) {
        const char* value = std::getenv(variable);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || name.rfind("eglfs", 0) == 0 ||
           name.rfind("linuxfb", 0) == 0 || name.rfind("vnc", 0) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    // Qt WebEngine (Vivaform pages) shares its OpenGL contexts with the windows, and has no way
    // out to the network but the requests the page window checks.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifdef PAGELLAN_VIVAFORM_BROWSER
    pg::TVivaform::ConfineEngine();
#endif
    // The syntax help needs no window: without a display it goes to standard output, before Qt
    // is started (creating the application without a display would abort).
    pg::SetCommandLine(std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
    if (pg::WantsSyntaxHelp() && !HasDisplay()) {
        std::cout << pg::SyntaxHelpText() << std::endl;
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagellan"));
    pg::SetApplicationName("Pagellan");
    std::vector<std::string> arguments;
    const QStringList qtArguments = QApplication::arguments();
    for (qsizetype i = 1; i < qtArguments.size(); ++i)
        arguments.push_back(qtArguments[i].toStdString());
    const std::string screenshot = TakeScreenshotOption(arguments);
    const bool timeFirstPage = TakeFlag(arguments, "--time-first-page");
    TFirstPageTimer firstPageTimer(sinceMain);
    if (timeFirstPage)
        app.installEventFilter(&firstPageTimer);
    pg::SetCommandLine(arguments);

    pg::TQtPrompter prompter;
    pg::SetPrompter(&prompter);
    if (pg::WantsSyntaxHelp()) {
        QMessageBox::information(nullptr, QStringLiteral("Pagellan"),
                                 QString::fromStdString(pg::SyntaxHelpText()));
        return 0;
    }

    const int result = pg::RunPagellan([&screenshot, timeFirstPage](pg::TfrmMain& main) {
        // Without a task-bar button: a tool window, which window managers keep out of the task bar.
        if (pg::HasSwitch("/NoTaskBar"))
            main.setWindowFlag(Qt::Tool, true);
        if (!screenshot.empty())
            QTimer::singleShot(800, &main, [&main, &screenshot] {
                const bool saved = main.grab().save(QString::fromStdString(screenshot), "PNG");
                std::cout << (saved ? "pagellan: screenshot saved to " : "pagellan: cannot save ")
                          << screenshot << std::endl;
                QApplication::exit(saved ? 0 : 1);
            });
        if (timeFirstPage)
            QTimer::singleShot(0, &main, [&main] { ViewFirstPage(main); });
    });
    pg::UnloadScanPlugin();
    pg::SetPrompter(nullptr);
    return result;
}
