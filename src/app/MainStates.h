#pragma once
// The main window's decisions that do not need a window: which commands are enabled for the
// loaded set and the selection, the status-bar texts and pictures, the click hints, the window
// size, and the texts of the properties and error windows.

#include "TreeCommands.h"

#include <functional>
#include <string>
#include <vector>

namespace pg {

using TPermissionQuery = std::function<bool(const std::string& name)>;

// What the enabling rules look at.
struct TWindowFacts {
    bool Loaded = false;
    const TDocSet* Set = nullptr;
    const TDocTree* Tree = nullptr;
    TSelection Selection; // in display order
    bool ReorderPending = false;
    bool UploadAnnotationsOption = false;
    bool StackingOrderFileExists = false;
    bool ScanPluginLoaded = false;
    bool MailAvailable = true;
    bool Converting = false; // a PDF conversion is running
    int AdditionalCopies = 0;
    TPermissionQuery HasPermission;
};

// A command's state: whether it may run and, when it may not, why (the command's tooltip and
// status text say so, so a greyed item never leaves the user guessing).
struct TCommandState {
    bool Enabled = false;
    std::string Why;
    explicit operator bool() const { return Enabled; }
};

// Why commands are off.
inline constexpr char kWhyNotLoaded[] = "Open a package first.";
inline constexpr char kWhyConverting[] = "Wait until the PDF conversion has finished.";
inline constexpr char kWhyNotPermitted[] = "Your user permissions do not allow this.";
inline constexpr char kWhySaveAsSelection[] =
    "Select the package (the top line) or whole forms that are not deleted; a page cannot be saved on "
    "its own.";
inline constexpr char kWhyFormsSelection[] = "Select one or more whole forms that are not deleted.";
inline constexpr char kWhyOneNodeSelection[] = "Select one form or page that is not deleted.";
inline constexpr char kWhyViewSelection[] = "Select the package, or forms or pages that are not deleted.";
inline constexpr char kWhyDeleteSelection[] = "Select whole forms: all deleted, or all not deleted.";
inline constexpr char kWhyLocked[] = "The package is locked.";
inline constexpr char kWhyNothingToSave[] = "The package has no unsaved changes.";
inline constexpr char kWhyUploadOption[] = "Turn on \"Upload annotations to HLW\" in Pagellan Options first.";
inline constexpr char kWhyNoReorderRight[] = "This package may not be reordered.";
inline constexpr char kWhyOrderUnchanged[] =
    "Drag a form to a new place first; the order shown is the stored order.";

// The states of the commands that follow the selection and the package's state. They are
// recomputed whenever either changes (selection, loading, saving, deleting, reordering, a
// conversion starting or ending).
struct TSelectionStates {
    TCommandState FormProperties;
    TCommandState ViewSelected; // also View All
    TCommandState PrintSelected;
    TCommandState SaveAs;        // the action and its menu item
    TCommandState EmailSelected; // also Save Selected
    TCommandState Delete;
    TCommandState ShowErrorReport;
    TCommandState UploadAnnotations;
    TCommandState Save;
    TCommandState SaveStackingOrder;
};
TSelectionStates CheckOptionsAvailable(const TWindowFacts& facts);

// The states and texts recomputed after loading, printing, option changes and deletions.
struct TStatusStates {
    bool PrintCommands = false; // Print All, Print Remaining, mail, Print button
    bool ShowDocSetErrors = false;
    bool Changed = false; // Print Changed, Email Changed, and the "Changed" button shown
    bool Verify = false;
    bool EmailMenu = false;
    bool WebDocs = false;
    bool EmailAll = false;
    bool DeleteStackingOrder = false;
    bool Scan = false;
    std::string Panel1;
    std::string Panel3;
    std::string Panel4;
    std::string Hint;            // the status bar's hint
    bool ClearSelection = false; // nothing loaded: no selection, no active control
};
TStatusStates SetStatusBar(const TWindowFacts& facts);

// Hint of the tree after a click.
std::string TreeClickHint(const TSelection& selection);
inline constexpr const char* kHintPrintAll = "Select Print all to print your documents";
inline constexpr const char* kHintMultiSelect = "Press [CTRL] and Click to select multiple forms";

// Status panel 0: the pictures drawn and the panel's width.
inline constexpr int kPictureMultiUser = 16;
inline constexpr int kPictureProblems = 17;
inline constexpr int kPictureGood = 18;
inline constexpr int kPictureNotLoaded = 19;
inline constexpr int kPictureDetails = 23;
struct TPanel0Look {
    int Width = 40;
    bool ButtonFace = false;
    std::vector<std::pair<int, int>> Pictures; // picture index, x offset
};
TPanel0Look StatusPanel0Look(bool loaded, const TDocSet* set, bool multiUser);
// The status bar's hint with the pointer at x.
std::string StatusBarHint(int x, bool loaded, const TDocSet* set, bool multiUser);
// The reports a double click at x opens.
struct TStatusReports {
    bool ErrorReport = false;
    bool DocSetErrors = false;
};
TStatusReports StatusDoubleClick(int x, bool loaded, const TDocSet* set);

// Window size.
int CalcTreeHeight(int visibleNodes, int fontHeight);
int GetIdealFormWidth(int maxCaptionWidth);
int MaxFormHeight(int screenHeight, int availableHeight, int top, int minHeight);
int AutoFormHeight(int treeHeight, int statusHeight, int helpHeight, int toolBarHeight);

// The properties window's lines for a node (nullptr: no node).
std::vector<std::string> FormPropertiesLines(const TTreeNode* node, const TDocSet& set);
inline constexpr const char* kNoPropertiesLoaded = "No properties available; Quodex is not loaded";
// Asked before the window closes with unsaved changes (Yes/No/Cancel).
inline constexpr const char* kSaveChangesQuestion =
    "Document has been modified.  Do you want to save the changes?";
// Each error's display text followed by two line feeds; plain entries show their own text.
std::string DocSetErrorsText(const TDocSet& set);
// The memo of the error report ("There are no errors" when blank).
std::string ReportText(const std::string& memo);

} // namespace pg
