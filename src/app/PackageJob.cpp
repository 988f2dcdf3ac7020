#include "PackageJob.h"

#include "DocSetTrack.h"
#include "DocTree.h"
#include "PGRegistry.h"
#include "PackageFile.h"
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

TJobBuild BuildJobFromSet(TDocSet& set, const TJobOptions& options) {
    TJobBuild build;
    build.FormCount = set.FormCount();
    build.DocumentName = "Pagellan-" + set.WorksheetNumber;
    TPrintRequest request;
    request.ChangedOnly = options.ChangedOnly;
    request.SelectedOnly = options.SelectedOnly;
    // The change marks come from the history, as when the program loads the package.
    if (request.ChangedOnly) {
        const std::string folder = IncludeSlash(options.HistoryFolder.empty() ? PGRegistry::QuodexHistoryDir()
                                                                              : options.HistoryFolder);
        ForceFolders(folder);
        UpdateChangeMarks(set, folder);
    }
    if (!set.PlanCode.empty() && !set.Reordered)
        set.ReorderForms();
    TDocTree tree;
    tree.Build(set, [](const std::string&) { return 0; });

    TSelection selection;
    if (request.SelectedOnly) {
        if (!SelectForms(set, tree, options.SelectedForms, selection)) {
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
    AssembleJob(job, set, PrintNodes(tree, selection), request, choices, options.Capture);
    job.WriteJobReset();
    build.Bytes = std::string(job.View());
    build.PagesWritten = job.PagesWritten;
    return build;
}

} // namespace pg
