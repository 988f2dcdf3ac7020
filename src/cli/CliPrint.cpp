// printers and print: the machine's printers with their descriptions, and a package's print job
// sent to a printer (a CUPS destination or an IPP address), raw or through the driver path.

#include "CliJob.h"
#include "CliPrograms.h"
#include "Command.h"
#include "PrinterDriver.h"
#include "PrinterOutput.h"

#include <QGuiApplication>

#include <cstdlib>
#include <iostream>

namespace pg::cli {

namespace {

int RunPrinters(const std::vector<std::string>&) {
    const std::vector<TPrinterInfo> printers = EnumPrinters();
    if (printers.empty())
        std::cerr << "No printers (is a CUPS server running?)\n";
    for (const TPrinterInfo& p : printers)
        std::cout << (p.IsDefault ? "* " : "  ") << p.Name << '\t' << PrinterDescription(printers, p.Name)
                  << '\n';
    return 0;
}

// The driver path draws through QPrinter, which needs a GUI application object; without a
// screen it uses the offscreen platform.
int SendThroughDriver(const std::string& job, const std::string& printer, const std::string& documentName) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "pagellan-cli";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    InstallDriverSender();
    return SendJob(job, printer, documentName, kPrintFormatGdiDriver) ? 0 : 1;
}

int RunPrint(const std::vector<std::string>& args) {
    const std::string printer = OptionValue(args, "printer");
    if (printer.empty()) {
        std::cerr << "usage: pagellan-cli " << kPrintUsage << '\n';
        return 2;
    }
    TJobBuild build;
    if (const int status = JobFromArguments(args, {"printer"}, "print", kPrintUsage, build); status != 0)
        return status;
    if (HasOption(args, "driver"))
        return SendThroughDriver(build.Bytes, printer, build.DocumentName);
    return SendJob(build.Bytes, printer, build.DocumentName, kPrintFormatPclDirect) ? 0 : 1;
}

const TCliCommand printers("printers", kPrintersUsage, RunPrinters);
const TCliCommand print("print", kPrintUsage, RunPrint);

} // namespace

} // namespace pg::cli
