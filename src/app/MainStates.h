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
    int AdditionalCopies = 0;
    TPermissionQuery HasPermission;
};

// The states that follow the selection (run on mouse moves and before the pop-up menu).
struct TSelectionStates {
    bool FormProperties = false;
    bool ViewSelected = false; // also View All and Print Selected
    bool SaveAs = false;
    bool EmailSelected = false; // also Save Selected
    bool Delete = false;
    bool ShowErrorReport = false;
    bool UploadAnnotations = false;
    bool Save = false;
};
TSelectionStates CheckOptionsAvailable(const TWindowFacts& facts);

// The states and texts recomputed after loading, printing, option changes and deletions.
struct TStatusStates {
    bool PrintCommands = false; // Print All, Print Remaining, Print Selected, mail, Print button
    bool ViewSelected = false;  // also View All
    bool ShowDocSetErrors = false;
    bool Changed = false; // Print Changed, Email Changed, and the "Changed" button shown
    bool Verify = false;
    bool EmailMenu = false;
    bool SaveAsMenu = false;
    bool WebDocs = false;
    bool EmailAll = false;
    bool EmailSelected = false; // also Save Selected
    bool SaveStackingOrder = false;
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
// View Selected and View All after a click that hit an item or its label on the node.
bool ViewAfterClick(bool loaded, bool hitItem, const TTreeNode* node);

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
inline constexpr const char* kSaveChangesQuestion = "Document has been modified.  Do you want to save the changes?";
// Each error's display text followed by two line feeds; plain entries show their own text.
std::string DocSetErrorsText(const TDocSet& set);
// The memo of the error report ("There are no errors" when blank).
std::string ReportText(const std::string& memo);

} // namespace pg
