// job: the print job of a package, assembled as the print commands do, written to a file.

#include "Command.h"
#include "DocSetTrack.h"
#include "DocTree.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "Paths.h"
#include "PrintTree.h"
#include "PrintWalk.h"
#include "Strings.h"

#include <iostream>

namespace pg::cli {

namespace {

constexpr char kUsage[] =
    "job PACKAGE -o JOB.pcl [--selected N,...] [--changed] [--copies N] "
    "[--order displayed|legal-first|letter-first] [--barcodes] [--form-names] [--duplex] "
    "[--all-on-legal] [--history DIR]";

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

// Form numbers as "info" lists them (1-based, package order); every selected form's node
// carries its pages.
bool SelectForms(const TDocSet& set, const TDocTree& tree, const std::string& list, TSelection& selection) {
    for (const std::string& item : Split(list, ",")) {
        const int32_t number = StrToIntDef(Trim(item), 0);
        if (number < 1 || size_t(number) > set.FormCount())
            return false;
        const TDocSetForm* form = &set.Form(size_t(number - 1));
        for (TTreeNode* node : tree.DisplayOrder())
            if (node->Form() == form && node->Kind != TNodeKind::Page)
                selection.push_back(node);
    }
    return true;
}

int RunJob(const std::vector<std::string>& args) {
    const std::vector<std::string> files = Positionals(args, {"selected", "copies", "order", "history"});
    const std::string output = OutputFile(args);
    TPrintChoices choices;
    if (files.size() != 1 || output.empty() ||
        !ParseOrder(OptionValue(args, "order", "displayed"), choices.Order)) {
        std::cerr << "usage: pagellan-cli " << kUsage << '\n';
        return 2;
    }
    choices.AdditionalCopies = StrToIntDef(OptionValue(args, "copies", "0"), -1);
    if (choices.AdditionalCopies < 0 || choices.AdditionalCopies > 3) {
        std::cerr << "pagellan-cli job: --copies takes 0 to 3\n";
        return 2;
    }
    choices.BarCodes = HasOption(args, "barcodes");
    choices.FormNames = HasOption(args, "form-names");
    choices.Duplex = HasOption(args, "duplex");
    choices.AllOnLegal = HasOption(args, "all-on-legal");
    choices.LegalTrayCode = PGRegistry::LegalTray();
    choices.LetterTrayCode = PGRegistry::LetterTray();

    std::unique_ptr<TDocSet> set = LoadPackageFile(files[0]);
    TPrintRequest request;
    request.ChangedOnly = HasOption(args, "changed");
    // The change marks come from the history, as when the program loads the package.
    if (request.ChangedOnly) {
        const std::string folder = IncludeSlash(OptionValue(args, "history", PGRegistry::QuodexHistoryDir()));
        ForceFolders(folder);
        UpdateChangeMarks(*set, folder);
    }
    if (!set->PlanCode.empty())
        set->ReorderForms();
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });

    TSelection selection;
    if (HasOption(args, "selected")) {
        request.SelectedOnly = true;
        if (!SelectForms(*set, tree, OptionValue(args, "selected"), selection)) {
            std::cerr << "pagellan-cli job: --selected takes form numbers from 1 to " << set->FormCount()
                      << '\n';
            return 2;
        }
        const std::string deleted = DeletedFormsMessage(FormsToCheckForDeletion(tree, selection));
        if (!deleted.empty()) {
            std::cerr << deleted << '\n';
            return 1;
        }
    }

    THLWPrintJobStream job;
    AssembleJob(job, *set, PrintNodes(tree, selection), request, choices, false);
    job.WriteJobReset();
    if (!AtomicWriteFile(output, job.View())) {
        std::cerr << "pagellan-cli job: cannot write " << output << '\n';
        return 1;
    }
    std::cout << job.PagesWritten << " page(s), " << job.Size() << " bytes\n";
    return 0;
}

const TCliCommand job("job", kUsage, RunJob);

} // namespace

} // namespace pg::cli
