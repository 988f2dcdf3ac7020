// printers and print: the machine's printers with their descriptions, and a package's print job
// sent to a printer (a CUPS destination or an IPP address), raw or through the driver path.

#include "Command.h"
#include "PackageFile.h"
#include "Paths.h"
#include "PrinterDriver.h"
#include "PrinterOutput.h"

#include <QGuiApplication>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace pg::cli {

namespace {

constexpr char kPrintersUsage[] = "printers   list the printers with their descriptions";
constexpr char kPrintUsage[] =
    "print PACKAGE --printer NAME [--selected N,...] [--changed] [--copies N] "
    "[--order displayed|legal-first|letter-first] [--barcodes] [--form-names] [--duplex] "
    "[--all-on-legal] [--history DIR] [--driver]   send the print job (NAME: a CUPS printer or "
    "an ipp:// address)";

int RunPrinters(const std::vector<std::string>&) {
    const std::vector<TPrinterInfo> printers = EnumPrinters();
    if (printers.empty())
        std::cerr << "No printers (is a CUPS server running?)\n";
    for (const TPrinterInfo& p : printers)
        std::cout << (p.IsDefault ? "* " : "  ") << p.Name << '\t' << PrinterDescription(printers, p.Name)
                  << '\n';
    return 0;
}

const CommandFn* FindCommand(const std::string& name) {
    for (const CommandEntry& c : Commands())
        if (c.Name == name)
            return &c.Run;
    return nullptr;
}

// The arguments of "job" for the same package and options, writing to jobFile.
std::vector<std::string> JobArguments(const std::vector<std::string>& args, const std::string& jobFile) {
    std::vector<std::string> jobArgs;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--driver")
            continue;
        if (args[i] == "--printer") {
            ++i;
            continue;
        }
        if (args[i].starts_with("--printer="))
            continue;
        jobArgs.push_back(args[i]);
    }
    jobArgs.insert(jobArgs.end(), {"-o", jobFile});
    return jobArgs;
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
    const std::vector<std::string> files =
        Positionals(args, {"printer", "selected", "copies", "order", "history"});
    const CommandFn* job = FindCommand("job");
    if (printer.empty() || files.size() != 1 || !job) {
        std::cerr << "usage: pagellan-cli " << kPrintUsage << '\n';
        return 2;
    }
    // The job exactly as "job" assembles it, through a temporary file.
    std::string jobFile = TempFolder() + "PGPrint-XXXXXX";
    const int fd = ::mkstemp(jobFile.data());
    if (fd < 0) {
        std::cerr << "pagellan-cli print: no temporary file\n";
        return 1;
    }
    ::close(fd);
    const int built = (*job)(JobArguments(args, jobFile));
    std::string bytes;
    const bool read = built == 0 && ReadWholeFile(jobFile, bytes);
    std::error_code ec;
    std::filesystem::remove(jobFile, ec);
    if (!read)
        return built != 0 ? built : 1;
    const std::string documentName = "Pagellan-" + LoadPackageFile(files[0])->WorksheetNumber;
    if (HasOption(args, "driver"))
        return SendThroughDriver(bytes, printer, documentName);
    return SendJob(bytes, printer, documentName, kPrintFormatPclDirect) ? 0 : 1;
}

const TCliCommand printers("printers", kPrintersUsage, RunPrinters);
const TCliCommand print("print", kPrintUsage, RunPrint);

} // namespace

} // namespace pg::cli
