#include "PackageJob.h"

#include "DocSetTrack.h"
#include "DocTree.h"
#include "PGRegistry.h"
#include "PackageFile.h"
#include "PackagePdf.h"
#include "Paths.h"
#include "PrintTree.h"

#include <algorithm>

namespace pg {

namespace {

// Every selected form's node carries its pages.
bool SelectForms(const TDocSet& set, const TDocTree& tree, const std::vector<const TDocSetForm*>& forms,
                 TSelection& selection) {
    for (const TDocSetForm* form : forms) {
        if (std::none_of(set.Forms.begin(), set.Forms.end(),
                         [&](const TFormEntry& e) { return e.Form.get() == form; }))
            return false;
        for (TTreeNode* node : tree.DisplayOrder())
            if (node->Form() == form && node->Kind != TNodeKind::Page)
                selection.push_back(node);
    }
    return true;
}

} // namespace

TJobBuild BuildJobFromOptions(const TJobOptions& options) {
    std::unique_ptr<TDocSet> set = LoadPackageFile(options.Package);
    return BuildJobFromSet(*set, options);
}

TJobBuildResult SelectPackageForms(TDocSet& set, const TJobOptions& options, TPackageSelection& package,
                                   TJobBuild& build) {
    build.FormCount = set.FormCount();
    // The change marks come from the history, as when the program loads the package.
    if (options.ChangedOnly) {
        const std::string folder = IncludeSlash(options.HistoryFolder.empty() ? PGRegistry::QuodexHistoryDir()
                                                                              : options.HistoryFolder);
        ForceFolders(folder);
        UpdateChangeMarks(set, folder);
    }
    if (!set.PlanCode.empty() && !set.Reordered)
        set.ReorderForms();
    package.Tree.Build(set, [](const std::string&) { return 0; });
    build.Result = TJobBuildResult::Built;
    if (options.SelectedOnly) {
        if (!SelectForms(set, package.Tree, options.SelectedForms, package.Selection))
            build.Result = TJobBuildResult::BadSelection;
        else if (build.Message =
                     DeletedFormsMessage(FormsToCheckForDeletion(package.Tree, package.Selection));
                 !build.Message.empty())
            build.Result = TJobBuildResult::DeletedForms;
    }
    return build.Result;
}

TJobBuild BuildJobFromSet(TDocSet& set, const TJobOptions& options) {
    TJobBuild build;
    build.DocumentName = "Pagellan-" + set.WorksheetNumber;
    TPackageSelection package;
    if (SelectPackageForms(set, options, package, build) != TJobBuildResult::Built)
        return build;
    TPrintRequest request;
    request.ChangedOnly = options.ChangedOnly;
    request.SelectedOnly = options.SelectedOnly;
    TPrintChoices choices = options.Choices;
    choices.LegalTrayCode = PGRegistry::LegalTray();
    choices.LetterTrayCode = PGRegistry::LetterTray();
    THLWPrintJobStream job(CopyFootersFromSettings());
    AssembleJob(job, set, PrintNodes(package.Tree, package.Selection), request, choices, options.Capture);
    job.WriteJobReset();
    build.Bytes = std::string(job.View());
    build.PagesWritten = job.PagesWritten;
    if (options.Capture)
        build.Pdf = PackagePdfFinish(set, package.Tree, job.Pages);
    return build;
}

} // namespace pg
