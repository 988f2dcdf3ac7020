#pragma once
// The print job of a package file, built without a window from the options a batch caller gives
// (forms instead of a tree selection): the package is read, its change marks taken from
// the history when only changed forms are wanted, the tree built in display order and the walk's
// pages assembled between the two resets, exactly as the print commands of the main window do.

#include "DocTree.h"
#include "PdfFinish.h"
#include "PrintWalk.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pg {

struct TJobOptions {
    std::string Package;
    bool SelectedOnly = false;
    std::vector<const TDocSetForm*> SelectedForms; // forms of the set the job is built from
    bool ChangedOnly = false;
    std::string HistoryFolder; // empty: the setting "Quodex History Dir"
    // Copies, order, bar codes, form names, duplex, all-on-legal and the print format; the tray
    // codes are read from the settings.
    TPrintChoices Choices;
    // The walk of the PDF conversion: every page once, no additional copies.
    bool Capture = false;
};

enum class TJobBuildResult { Built, BadSelection, DeletedForms };

struct TJobBuild {
    TJobBuildResult Result = TJobBuildResult::Built;
    std::string Bytes;
    int32_t PagesWritten = 0;
    size_t FormCount = 0;     // forms of the package (for the selection message)
    std::string Message;      // the deleted-forms message
    std::string DocumentName; // "Pagellan-" + worksheet number
    // A capture's PDF outline and properties (PackagePdf.h), made while the tree lives.
    TPdfFinish Pdf;
};

// Reads options.Package and builds its job; throws what reading the package throws.
TJobBuild BuildJobFromOptions(const TJobOptions& options);
// Builds the job of a set already read (options.Package is not read).
TJobBuild BuildJobFromSet(TDocSet& set, const TJobOptions& options);

} // namespace pg

namespace pg {

// A package's forms for a batch command that works on forms rather than on a print job (the
// e-mail command): change-marked, sorted and selected exactly as BuildJobFromSet does, so both
// commands mean the same forms by the same numbers.
struct TPackageSelection {
    TDocTree Tree;
    TSelection Selection; // the chosen nodes when SelectedOnly
};
// Fills package for a set already read (options.Package is not read; Choices are not used).
// BadSelection and DeletedForms as BuildJobFromSet answers them, with the message in build.
TJobBuildResult SelectPackageForms(TDocSet& set, const TJobOptions& options, TPackageSelection& package,
                                   TJobBuild& build);

} // namespace pg
