#include "MainStates.h"

#include "Paths.h"
#include "Strings.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <utility>

namespace pg {

namespace {

bool Permitted(const TWindowFacts& facts, const std::string& name) {
    return !facts.HasPermission || facts.HasPermission(name);
}

bool FirstIsRoot(const TSelection& selection) {
    return !selection.empty() && selection.front()->Kind == TNodeKind::Root;
}

bool SingleLiveNode(const TSelection& selection) {
    return selection.size() == 1 && selection.front()->Info && !selection.front()->Form()->Deleted;
}

} // namespace

namespace {

TCommandState On() {
    return {true, {}};
}

TCommandState Off(std::string why) {
    return {false, std::move(why)};
}

// The first reason that holds, else the command is on.
TCommandState FirstReason(std::initializer_list<std::pair<bool, const char*>> reasons) {
    for (const auto& [holds, why] : reasons)
        if (holds)
            return Off(why);
    return On();
}

} // namespace

TSelectionStates CheckOptionsAvailable(const TWindowFacts& facts) {
    const TSelection& sel = facts.Selection;
    const bool loaded = facts.Loaded && facts.Set != nullptr;
    const bool liveForms = AllSelectedItemsAreONLYForms(sel, true);
    const bool viewable = AllSelectedItemsAreANYTHING(sel) || FirstIsRoot(sel);
    TSelectionStates s;
    s.FormProperties = FirstReason({{!loaded, kWhyNotLoaded}, {!SingleLiveNode(sel), kWhyOneNodeSelection}});
    s.ViewSelected = FirstReason({{!loaded, kWhyNotLoaded}, {!viewable, kWhyViewSelection}});
    // Print Selected stays on with any selection: the command itself says what it cannot print
    // (nothing selected, deleted forms).
    s.PrintSelected = FirstReason({{!loaded, kWhyNotLoaded}, {facts.Converting, kWhyConverting}});
    s.SaveAs = FirstReason({{!loaded, kWhyNotLoaded},
                            {!Permitted(facts, "SaveAs"), kWhyNotPermitted},
                            {facts.Converting, kWhyConverting},
                            {!FirstIsRoot(sel) && !liveForms, kWhySaveAsSelection}});
    s.EmailSelected = FirstReason({{!loaded, kWhyNotLoaded},
                                   {!Permitted(facts, "EmailSelected"), kWhyNotPermitted},
                                   {facts.Converting, kWhyConverting},
                                   {!liveForms, kWhyFormsSelection}});
    s.Delete = FirstReason({{!loaded, kWhyNotLoaded},
                            {loaded && facts.Set->Locked, kWhyLocked},
                            {!liveForms && !AllSelectedItemsAreONLYForms(sel, false), kWhyDeleteSelection}});
    s.ShowErrorReport = FirstReason({{!loaded, kWhyNotLoaded}});
    s.UploadAnnotations =
        FirstReason({{!loaded, kWhyNotLoaded}, {!facts.UploadAnnotationsOption, kWhyUploadOption}});
    s.Save = FirstReason({{!loaded, kWhyNotLoaded},
                          {facts.Converting, kWhyConverting},
                          {!facts.ReorderPending && !(loaded && facts.Set->Modified), kWhyNothingToSave}});
    s.SaveStackingOrder = FirstReason({{!loaded, kWhyNotLoaded},
                                       {loaded && !facts.Set->CanAnnotate, kWhyNoReorderRight},
                                       {!Permitted(facts, "StackingOrder"), kWhyNotPermitted},
                                       {!facts.ReorderPending, kWhyOrderUnchanged}});
    return s;
}

TStatusStates SetStatusBar(const TWindowFacts& facts) {
    TStatusStates s;
    const bool loaded = facts.Loaded && facts.Set != nullptr;
    s.PrintCommands = loaded;
    s.ShowDocSetErrors = loaded && facts.Set->HasErrors();
    s.Changed = loaded && facts.Tree != nullptr && GetSomeNodesChanged(*facts.Tree);
    s.Verify = loaded;
    s.EmailMenu = loaded && facts.MailAvailable;
    s.WebDocs = Permitted(facts, "WebDocs");
    s.EmailAll = loaded && Permitted(facts, "EmailEntire");
    s.DeleteStackingOrder = facts.StackingOrderFileExists && Permitted(facts, "StackingOrder");
    s.Scan = facts.ScanPluginLoaded;
    s.Panel4 = "Additional Copies to print: " + IntToStr(facts.AdditionalCopies);
    if (loaded) {
        s.Panel1 = "Worksheet Loaded";
        s.Panel3 = FileNamePart(facts.Set->FileName);
        s.Hint = facts.Set->FileName;
        // A damaged package shows what could be read; the status bar says it is not whole.
        if (facts.Set->IsDamaged()) {
            s.Panel1 = "Worksheet DAMAGED";
            std::string findings = facts.Set->Damage;
            for (size_t at = findings.find('\n'); at != std::string::npos; at = findings.find('\n', at))
                findings.replace(at, 1, "; ");
            s.Hint += " is damaged: " + findings;
        }
    } else {
        s.Panel1 = "Worksheet NOT Loaded";
        s.ClearSelection = true;
    }
    return s;
}

std::string TreeClickHint(const TSelection& selection) {
    return FirstIsRoot(selection) ? kHintPrintAll : kHintMultiSelect;
}

TPanel0Look StatusPanel0Look(bool loaded, const TDocSet* set, bool multiUser) {
    TPanel0Look look;
    if (multiUser) {
        look.Width = 60;
        look.ButtonFace = true;
        look.Pictures.emplace_back(kPictureMultiUser, 0);
    }
    int first = kPictureNotLoaded;
    if (loaded && set != nullptr)
        first = (!set->Errors.empty() || !set->MissingForms.empty()) ? kPictureProblems : kPictureGood;
    look.Pictures.emplace_back(first, 2);
    look.Pictures.emplace_back(kPictureDetails, 22);
    return look;
}

std::string StatusBarHint(int x, bool loaded, const TDocSet* set, bool multiUser) {
    if (x > 21) {
        if (multiUser && x < 44)
            return "In multiuser mode";
        return loaded && set != nullptr ? set->FileName : std::string();
    }
    if (!loaded || set == nullptr)
        return {};
    std::vector<std::string> clauses;
    if (set->MissingForms.size() > 1)
        clauses.emplace_back("forms are missing in this package");
    if (set->Errors.size() > 1)
        clauses.emplace_back("there are errors in this package");
    std::string text = clauses.empty() ? "No errors detected" : clauses.front();
    if (clauses.size() == 2)
        text += " and " + clauses.back();
    text[0] = UpperCase(text.substr(0, 1))[0];
    return text + ".";
}

TStatusReports StatusDoubleClick(int x, bool loaded, const TDocSet* set) {
    TStatusReports r;
    if (x > 21 || !loaded || set == nullptr)
        return r;
    r.ErrorReport = set->MissingForms.size() > 1;
    r.DocSetErrors = set->HasErrors();
    return r;
}

int CalcTreeHeight(int visibleNodes, int fontHeight) {
    return visibleNodes * (std::abs(fontHeight) + 3);
}

int GetIdealFormWidth(int maxCaptionWidth) {
    return maxCaptionWidth >= 370 ? maxCaptionWidth + 150 : 520;
}

int MaxFormHeight(int screenHeight, int availableHeight, int top, int minHeight) {
    return std::max(minHeight, screenHeight - top - (screenHeight - availableHeight));
}

int AutoFormHeight(int treeHeight, int statusHeight, int helpHeight, int toolBarHeight) {
    return treeHeight + statusHeight + helpHeight + toolBarHeight + 100;
}

std::vector<std::string> FormPropertiesLines(const TTreeNode* node, const TDocSet& set) {
    if (node == nullptr || !node->Info)
        return {"No document has been selected. Please left click on document and then right click to view "
                "properties."};
    const TInfo& info = *node->Info;
    const TDocSetForm& f = *info.Form;
    std::vector<std::string> lines = {
        "Format " + f.Name,
        "Desc: " + f.Description,
        "Borrower#:" + IntToStr(f.BorrowerNumber),
        "Borrower: " + f.BorrowerName,
        "PageSize: " + f.PageSize,
        std::string("Duplex: ") + YesNoText(f.Duplexable),
        std::string("Barcodes: ") + YesNoText(f.Barcodes),
        std::string("Changed: ") + YesNoText(f.Changed),
        std::string("Deleted: ") + YesNoText(f.Deleted),
    };
    if (info.PageNumber == -1)
        lines.emplace_back("Form Node: True");
    else
        lines.push_back("Page " + IntToStr(info.PageNumber) + " of " + IntToStr(f.PageCount()));
    lines.push_back(std::string("Can Annotate/Reorder: ") + YesNoText(set.CanAnnotate));
    lines.push_back(std::string("Form has multiple borrowers : ") + YesNoText(info.MultipleBorrowers));
    return lines;
}

std::string DocSetErrorsText(const TDocSet& set) {
    std::string text;
    for (const TErrorEntry& entry : set.Errors)
        text += (entry.Error ? entry.Error->DisplayText() : entry.Text) + "\n\n";
    return text;
}

std::string ReportText(const std::string& memo) {
    if (Trim(memo).empty())
        return memo + (memo.empty() ? "" : "\n") + "There are no errors";
    return memo;
}

} // namespace pg
