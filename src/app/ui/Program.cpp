// The program entry: the syntax help for "?", the task-bar switch, then the run of Startup.h
// (multi-user mode, the main window and the message loop). "--screenshot FILE" (our own
// option, for runs without a display) saves a picture of the window once the package is shown
// and ends the program.

#include "CommandLine.h"
#include "Main.h"
#include "Paths.h"
#include "QtPrompter.h"
#include "ScanPlugin.h"
#include "Startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

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

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pagellan"));
    pg::SetApplicationName("Pagellan");
    std::vector<std::string> arguments;
    const QStringList qtArguments = QApplication::arguments();
    for (qsizetype i = 1; i < qtArguments.size(); ++i)
        arguments.push_back(qtArguments[i].toStdString());
    const std::string screenshot = TakeScreenshotOption(arguments);
    pg::SetCommandLine(arguments);

    pg::TQtPrompter prompter;
    pg::SetPrompter(&prompter);
    if (pg::WantsSyntaxHelp()) {
        QMessageBox::information(nullptr, QStringLiteral("Pagellan"),
                                 QString::fromStdString(pg::SyntaxHelpText()));
        return 0;
    }

    const int result = pg::RunPagellan([&screenshot](pg::TfrmMain& main) {
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
    });
    pg::UnloadScanPlugin();
    pg::SetPrompter(nullptr);
    return result;
}
