#include "PackageJob.h"

#include "DocSetTrack.h"
#include "DocTree.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "Paths.h"
#include "PrintTree.h"

namespace pg {

namespace {

// Every selected form's node carries its pages.
bool SelectForms(const TDocSet& set, const TDocTree& tree, const std::vector<int32_t>& numbers,
                 TSelection& selection) {
    for (const int32_t number : numbers) {
        if (number < 1 || size_t(number) > set.FormCount())
            return false;
        const TDocSetForm* form = &set.Form(size_t(number - 1));
        for (TTreeNode* node : tree.DisplayOrder())
            if (node->Form() == form && node->Kind != TNodeKind::Page)
                selection.push_back(node);
    }
    return true;
}

} // namespace

TJobBuild BuildJobFromOptions(const TJobOptions& options) {
    TJobBuild build;
    std::unique_ptr<TDocSet> set = LoadPackageFile(options.Package);
    build.FormCount = set->FormCount();
    build.DocumentName = "Pagellan-" + set->WorksheetNumber;
    TPrintRequest request;
    request.ChangedOnly = options.ChangedOnly;
    request.SelectedOnly = options.SelectedOnly;
    // The change marks come from the history, as when the program loads the package.
    if (request.ChangedOnly) {
        const std::string folder = IncludeSlash(options.HistoryFolder.empty() ? PGRegistry::QuodexHistoryDir()
                                                                              : options.HistoryFolder);
        ForceFolders(folder);
        UpdateChangeMarks(*set, folder);
    }
    if (!set->PlanCode.empty())
        set->ReorderForms();
    TDocTree tree;
    tree.Build(*set, [](const std::string&) { return 0; });

    TSelection selection;
    if (request.SelectedOnly) {
        if (!SelectForms(*set, tree, options.SelectedForms, selection)) {
            build.Result = TJobBuildResult::BadSelection;
            return build;
        }
        build.Message = DeletedFormsMessage(FormsToCheckForDeletion(tree, selection));
        if (!build.Message.empty()) {
            build.Result = TJobBuildResult::DeletedForms;
            return build;
        }
    }
    TPrintChoices choices = options.Choices;
    choices.LegalTrayCode = PGRegistry::LegalTray();
    choices.LetterTrayCode = PGRegistry::LetterTray();
    THLWPrintJobStream job(CopyFootersFromSettings());
    AssembleJob(job, *set, PrintNodes(tree, selection), request, choices, options.Capture);
    job.WriteJobReset();
    build.Bytes = std::string(job.View());
    build.PagesWritten = job.PagesWritten;
    return build;
}

} // namespace pg

namespace pg {

TJobBuildResult SelectPackageForms(const TJobOptions& options, TPackageSelection& package, TJobBuild& build) {
    package.Set = LoadPackageFile(options.Package);
    TDocSet& set = *package.Set;
    build.FormCount = set.FormCount();
    if (options.ChangedOnly) {
        const std::string folder = IncludeSlash(options.HistoryFolder.empty() ? PGRegistry::QuodexHistoryDir()
                                                                              : options.HistoryFolder);
        ForceFolders(folder);
        UpdateChangeMarks(set, folder);
    }
    if (!set.PlanCode.empty())
        set.ReorderForms();
    package.Tree.Build(set, [](const std::string&) { return 0; });
    build.Result = TJobBuildResult::Built;
    if (options.SelectedOnly) {
        if (!SelectForms(set, package.Tree, options.SelectedForms, package.Selection))
            build.Result = TJobBuildResult::BadSelection;
        else if (build.Message = DeletedFormsMessage(FormsToCheckForDeletion(package.Tree, package.Selection));
                 !build.Message.empty())
            build.Result = TJobBuildResult::DeletedForms;
    }
    return build.Result;
}

} // namespace pg
