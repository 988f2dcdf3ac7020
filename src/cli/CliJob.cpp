// job: the print job of a package, assembled as the print commands do, written to a file.

#include "CliJob.h"
#include "CliPackage.h"
#include "CliPrograms.h"

#include "Command.h"
#include "Paths.h"
#include "Strings.h"

#include <iostream>

namespace pg::cli {

namespace {

constexpr const char* kUsage = kJobUsage;

std::string OutputFile(const std::vector<std::string>& args) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o")
            return args[i + 1];
    return {};
}

bool ParseOrder(const std::string& text, TPrintOrder& order) {
    if (text == "displayed")
        order = poAsDisplayed;
    else if (text == "legal-first")
        order = poLegalFirst;
    else if (text == "letter-first")
        order = poLetterFirst;
    else
        return false;
    return true;
}

int RunJob(const std::vector<std::string>& args) {
    const std::string output = OutputFile(args);
    if (output.empty()) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    TJobBuild build;
    if (const int status = JobFromArguments(args, {}, "job", kUsage, build); status != 0)
        return status;
    if (!AtomicWriteFile(output, build.Bytes)) {
        std::cerr << "pagellan-cli job: cannot write " << output << '\n';
        return 1;
    }
    std::cout << build.PagesWritten << " page(s), " << build.Bytes.size() << " bytes\n";
    return 0;
}

const TCliCommand job("job", kUsage, RunJob);

} // namespace

int JobFromArguments(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                     const std::string& command, const std::string& usage, TJobBuild& build, bool capture) {
    std::vector<std::string> values = {"selected", "copies", "order", "history"};
    values.insert(values.end(), valueOptions.begin(), valueOptions.end());
    const std::vector<std::string> files = Positionals(args, values);
    TJobOptions options;
    if (files.size() != 1 || !ParseOrder(OptionValue(args, "order", "displayed"), options.Choices.Order)) {
        std::cerr << "usage: pagellan-cli " << usage << '\n';
        return 2;
    }
    options.Package = files[0];
    options.Choices.AdditionalCopies = StrToIntDef(OptionValue(args, "copies", "0"), -1);
    if (options.Choices.AdditionalCopies < 0 || options.Choices.AdditionalCopies > 3) {
        std::cerr << "pagellan-cli " << command << ": --copies takes 0 to 3\n";
        return 2;
    }
    options.Choices.BarCodes = HasOption(args, "barcodes");
    options.Choices.FormNames = HasOption(args, "form-names");
    options.Choices.Duplex = HasOption(args, "duplex");
    options.Choices.AllOnLegal = HasOption(args, "all-on-legal");
    options.ChangedOnly = HasOption(args, "changed");
    options.HistoryFolder = OptionValue(args, "history");
    options.SelectedOnly = HasOption(args, "selected");
    options.Capture = capture;

    const std::unique_ptr<TDocSet> set = ReadCliPackage(options.Package, command);
    if (!MayWriteFrom(*set, args, command))
        return 1;
    // --selected counts as info lists the forms: in the order the window shows them.
    if (options.SelectedOnly && !SelectedFormsFromArguments(*set, args, command, options.SelectedForms))
        return 2;
    build = BuildJobFromSet(*set, options);
    return JobBuildExitCode(build, command);
}

int JobBuildExitCode(const TJobBuild& build, const std::string& command) {
    switch (build.Result) {
    case TJobBuildResult::BadSelection:
        std::cerr << "pagellan-cli " << command << ": --selected names a form the package does not hold\n";
        return 2;
    case TJobBuildResult::DeletedForms:
        std::cerr << build.Message << '\n';
        return 1;
    case TJobBuildResult::Built:
        break;
    }
    return 0;
}

} // namespace pg::cli
