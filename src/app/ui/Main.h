#pragma once
// TfrmMain: the main window. It shows the loaded package as a tree of forms, borrower copies and
// pages, keeps the status bar, the tool bars and the menus, and owns the document set and the
// small report windows. The decisions behind it live in DocTree.h and MainStates.h; this window
// gathers input, calls them and shows the results.

#include "HLWStream.h"
#include "MainStates.h"
#include "PdfFinish.h"
#include "PrintWalk.h"
#include "ScanPlugin.h"
#include "TreeCommands.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QToolButton;

namespace pg {

class TDocTreeModel;
class TDocTreeView;
class TPageForm;
class TfrmPrinterDlg;
class TStatusPanels;
class TfrmErrors;
class TfrmNodeProperties;
class TfrmPlanCodeOrder;
class TfrmVerifyDocs;
class TfrmMessage;
class TfrmStatus;
class TfrmAboutBox;
class TfrmOptions;
class TfrmSMTP;
class TfrmWeb;
class TFindBar;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Creates the window and its auxiliary windows and loads the package of the command line.
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Window state.
    std::string CurrentFile;
    std::string ViewFile;
    std::string UserEmail;
    std::string ProgramFolder;
    bool Loaded = false;
    bool AutoHeight = true;
    bool SkipPrinterDialog = false;
    bool ReorderPending = false;
    bool ScanPluginWasLoaded = false;

    TDocSet* DocSet() const { return set_.get(); }
    TDocTree& Tree() { return tree_; }
    TDocTreeModel& Model() const { return *model_; }
    int MaxCaptionWidth() const { return tree_.MaxCaptionWidth(); }

    // Reads the package in the stream (nullptr: none) and builds the tree.
    void LoadTree(const THLWMemorystream* stream);
    void DestroyTree();
    void SetStatusBar();
    void CheckOptionsAvailable();
    int GetNumberOfPagesSelected();
    // 0: view the selected nodes; 3: toggle deletion of the selected forms.
    void ProcessSelectedNodes(TProcessKind kind);
    // Opens a page window on the leaf; nullptr when none opened.
    TPageForm* ProcessLeafNode(TTreeNode* node);
    // Shows a file that is no package as plain PCL in a page window of its own, captioned with
    // the path and placed in the cascade of such windows. Answers whether a window opened.
    bool ViewPCLFile(const std::string& path);
    // A TIFF image's first page in a page window through the scanning plug-in.
    bool ViewTiffFile(const std::string& path);
    // Shows a loaded page window of a loose file (no annotations: a file has nowhere to keep
    // them), captioned with the path; the window frees itself when it closes.
    static void ShowFileWindow(std::unique_ptr<TPageForm> page, const std::string& path);
    // A Vivaform document in page window W (a new one when none is given): the page on "View",
    // its data on "Data", the page's title as the caption. False when it holds no html page.
    bool ViewVivaform(TPageForm* window, std::string_view document);
    // A loose ".xml" file as a Vivaform page.
    bool ViewVivaformFile(const std::string& path);
    // "Scan Images": the scanner's pages into the fill folder through the plug-in.
    void ScanImagesClick();
    // What a scan hands the plug-in: the options dialog's user-interface and paper-size choices
    // with the stored scanner settings.
    TScanSettings ScannerSettings();
    void SetMainCaptionAndWindowPosition();
    void AdjustFormHeight();
    int CalcTreeHeight() const;
    int GetIdealFormWidth() const;
    // Open page windows and closing them all.
    int FormCount() const;
    void CloseAnyOpenForms();
    // "Save": the whole set to its file; false when the save failed (the user was told). The
    // status bar says where it went.
    bool SavePackage();
    // The page window's save of its annotations into the package file, said in the status bar.
    bool SaveAnnotations();
    // Says in the status bar what a command did; with an action, offers it there too.
    void ShowStatusMessage(const std::string& text, QAction* action = nullptr);
    // Offered in the status bar after a PDF was written, when the desktop has a PDF reader.
    QAction* actOpenPdf = nullptr;

    // The selection in display order; selecting nodes programmatically.
    TSelection Selection() const;
    void SelectNodes(const TSelection& nodes);
    // The drop of the selected node at a position of the tree's viewport.
    void TreeViewDragDrop(const QPoint& pos);
    // The end of every drag of the tree, with or without a drop: the drag cursor goes.
    void TreeViewEndDrag();
    // The status-bar hint for a pointer at x and the double click at x.
    QString StatusHintAt(int x) const;
    void StatusDblClick(int x);
    // The delete item's caption after CheckOptionsAvailable.
    void PrepareNodeMenu();

    // Printing. The walk starts at the node (display order) and answers whether the dialog was
    // confirmed or skipped; SkipPrinterDialog is its dialog-confirmed flag.
    bool PrintForms(const TTreeNode* start, bool keepJobText, bool selectedOnly, bool changedOnly);
    void PrintAllClick();
    void PrintSelectedClick();
    void PrintChangedClick();
    void PrintRemainingClick();
    // The tool-bar "Print": Print All with nothing or only the root selected, else Print Selected.
    void PrintButtonClick();
    void PrinterSetupClick();
    // The page window's "Print" of the page it shows.
    void PrintPageWindow(TPageForm& page);
    bool JobPending() const { return printState_.JobPending; }

    // Tracking: "Verify Documents" and the stacking order of the plan.
    void VerifyDocumentsClick();
    void SaveStackingOrderClick();
    void DeleteStackingOrderClick();
    // Before a save: the question whether to keep a changed order as the plan's order.
    void AskToSaveStackingOrder();
    // The dialogs, created on first use and kept.
    TfrmVerifyDocs* VerifyDocs();
    TfrmPlanCodeOrder* PlanCodeOrder();
    // Files. The open dialog's file name, kept between uses; loading takes its name from here.
    std::string OpenFileName;
    // The open command with its dialog; the branch of ViewFile (load, PDF reader, refusal,
    // plain view); loading the package named by OpenFileName; files dropped on the window.
    void FileOpenClick();
    void OpenViewFile();
    void LoadFile();
    // Before a load replaces a modified package: the save question ("Document has been
    // modified. ..."); Yes saves, No lets the changes go, Cancel keeps the package. False when
    // the package stays (cancelled, or the save failed).
    bool MayReplacePackage();
    void DropFiles(const std::vector<std::string>& files);
    // Hands the PDF to the desktop's reader, or says that there is none.
    void ViewPdfFile(const std::string& path);
    void SaveAsClick();
    void SaveSelectedClick();
    // Where the Open and Save dialogs start: the package's folder, else the folder last used in
    // them, else the documents folder; never the program's folder.
    std::string DialogFolder() const;
    // The File menu's recent packages (newest first, a missing file greyed), rebuilt from the
    // stored list; choosing one loads it, or forgets it when its file has gone.
    QMenu* mnuRecentPackages = nullptr;
    void UpdateRecentPackages();
    void OpenRecentPackage(const std::string& path);

    // PDF conversion. The converter program (beside this program); set while the converter
    // runs, when the print walk captures the job without its dialog (PDFMode).
    std::string PdfConverter;
    bool Converting = false;
    bool PDFMode = false;
    // The job's PCL of all, the selected or the changed forms, built by the print walk in
    // capture mode with the print options; walked tells whether the walk ran.
    std::string GetPCLToCreatePDF(bool selectedOnly, bool changedOnly, bool* walked = nullptr);
    // The PCL converted into target with the message window up; false when the user was told
    // why there is no PDF. The PDF gets the outline and properties of the job GetPCLToCreatePDF
    // captured last (pdfFinish_, used up here).
    bool ConvertPCLStringToPDF(const std::string& pcl, const std::string& target);
    TPdfFinish pdfFinish_;
    // The modeless one-label window for long operations; the caller closes it.
    void ShowMessageWindow(const QString& caption, const QString& text);
    void CloseMessageWindow();
    TfrmMessage* frmMessage = nullptr;
    // The modeless memo with its "Ok" button (held disabled while the caller still works).
    void ShowStatus(const QString& caption, const QString& text, bool closable);
    TfrmStatus* frmStatus = nullptr;

    // Help menu and About. The About window is created on first use and kept.
    void AboutClick();
    TfrmAboutBox* AboutBox();
    // The suggestion page's address with the query of the package, the user and the e-mail
    // address of the command line.
    std::string ProductSuggestionAddress() const;
    // The options dialog's "Upload annotations to HLW" (not stored; off in every new run).
    bool UploadAnnotationsOption = false;
    // The window came to the front: print state, status bar and the upload commands follow.
    void WindowActivated();
    // The hints of the Print, Email and Close buttons, which run different commands by state.
    void UpdateButtonHints();

    // Actions (their object names are those of the menus).
    QAction* actFileOpen = nullptr;
    QAction* actFileSaveAs = nullptr;
    QAction* actSaveSelected = nullptr;
    QAction* actGetWebDocs = nullptr;
    QAction* actPrintAll = nullptr;
    QAction* actPrintSelected = nullptr;
    QAction* actPrintChanged = nullptr;
    QAction* actPrintRemaining = nullptr;
    QAction* actViewFirst = nullptr;
    QAction* actViewSelected = nullptr;
    QAction* actViewTIFF = nullptr;
    QAction* actViewFormProperties = nullptr;
    QAction* actEmail = nullptr;
    QAction* actEmailAll = nullptr;
    QAction* actEmailSelected = nullptr;
    QAction* actEmailChanged = nullptr;
    QAction* actScan = nullptr;
    QAction* actScanNEmail = nullptr;
    QAction* actShowDocSetErrors = nullptr;
    QAction* actUploadAnnotations = nullptr;
    QAction* actClosePagellan = nullptr;
    QAction* actCloseAllPages = nullptr;
    QAction* actSelectAllForms = nullptr;
    QAction* actShowXMLFormlist = nullptr;
    QAction* actAttachDocs = nullptr;

    // Menu items without an action of their own.
    QAction* mnuOpenPCLFile = nullptr;
    QAction* mnuFileSave = nullptr;
    QAction* mnuFileSaveAs = nullptr;
    QAction* mnuSaveAsPDF = nullptr;
    QAction* mnuUploadAnnotations = nullptr;
    QAction* mnuSaveplancodeorder = nullptr;
    QAction* mnuPlancodestoreorder = nullptr;
    QAction* mnuPrinterSetup = nullptr;
    QMenu* mnuEmailMenu = nullptr;
    QAction* mnuExit = nullptr;
    QAction* mnuVerify = nullptr;
    QAction* mnuWorkFlow = nullptr;
    QAction* mnuScanImages = nullptr; // the scanning menu item
    QAction* mnuOptions = nullptr;
    QAction* mnuShowmissing = nullptr;
    QAction* mnuShowDocSetErrors = nullptr;
    QAction* mnuWebHelp = nullptr;
    QAction* mnuOnlineHelp = nullptr;
    QAction* mnuProductSuggestions = nullptr;
    QAction* mnuReleaseNotes = nullptr;
    QAction* mnuAbout = nullptr;
    QMenu* NodeMenu = nullptr;
    QAction* mnuDeleteform = nullptr;
    QAction* mnuNodeSaveAsPDF = nullptr;

    // Components.
    QWidget* pnlTop = nullptr;
    QToolBar* tbTopLeft = nullptr;
    QToolBar* tbTopRight = nullptr;
    QToolButton* btnOpenFile = nullptr;
    QToolButton* btnPrint = nullptr;
    QToolButton* btnPrintChanged = nullptr;
    QToolButton* btnPCL = nullptr;
    QToolButton* btnWebDocs = nullptr;
    QToolButton* btnEmail = nullptr;
    QToolButton* btnAttachDoc = nullptr;
    QToolButton* btnClose = nullptr;
    QLabel* HelpStatus = nullptr;
    TDocTreeView* DocTree = nullptr;
    TStatusPanels* Status = nullptr;
    TfrmErrors* frmErrors = nullptr;
    TfrmNodeProperties* frmNodeProperties = nullptr;
    TfrmPrinterDlg* frmPrinterDlg = nullptr;
    TfrmVerifyDocs* frmVerifyDocs = nullptr;
    TfrmPlanCodeOrder* frmPlanCodeOrder = nullptr;
    TfrmOptions* frmOptions = nullptr;
    // The options dialog (made on first use) and its menu command.
    TfrmOptions* Options();
    void OptionsClick();

    // E-mail (MainMail.cpp): the Email dialog, made on first use and kept for the run.
    TfrmSMTP* frmSMTP = nullptr;
    bool EmailOptionsSet();
    void EmailClick(TSaveMode mode);
    void ScanAndEmailClick();
    TfrmSMTP& EmailDialog();

    // Updates (MainWeb.cpp). "Check for Updates Now" of the options and the About window.
    void CheckForUpdatesNow();
    // Offers the missing scanning plug-in for download and loads it once it arrived.
    bool DownloadScanPlugin();
    // Adjusts every web window made for updates and the plug-in before it runs (tests: the
    // program's files, the modifier keys, the end of the program). Also at start-up.
    static inline std::function<void(TfrmWeb&)> PrepareUpdateWindow;

    // Find (MainFind.cpp): the find bar under the tree and its commands.
    TFindBar* FindBar = nullptr;
    QAction* actFind = nullptr;
    QAction* actFindNext = nullptr;
    QAction* actFindPrevious = nullptr;
    // The page of the form in a page window, its hits marked: a window showing that page comes
    // to the front, else the window the last hit opened moves to it, else a new one opens.
    TPageForm* OpenFindHit(TDocSetForm& form, int page);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void FormCreate();
    void LoadCommandLinePackage();
    // The web commands (MainWeb.cpp).
    void CreateWebCommands();
    void actGetWebDocsExecute();
    bool DownloadPackageArgument(const std::string& address, THLWMemorystream& stream);
    // The start-up hook: the report of the update that restarted us, or a check when it is due.
    void RunUpdateSchedule();
    void SetUpUpdateWindow(TfrmWeb& web, const std::string& listURL, bool interactive);
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateLayout();
    void ConnectTree();
    void ConnectScanCommands();
    TWindowFacts Facts() const;
    void DocTreeChange();
    void DocTreeClick();
    void ShowErrorReport();
    void ShowDocSetErrors();
    void ShowXMLFormlist();
    void ShowFormProperties();
    void SelectAllForms();
    void ResizeWindow(int width, int height);
    // What the hint strip shows while the pointer is on nothing with a hint of its own.
    QString IdleHint() const;
    std::string OrderFile() const;
    void CreatePrinting();
    void CreateTracking();
    void UpdateDeleteStackingOrder();
    void CreateFileCommands();
    void CreateHelpCommands();
    void CreateOptions();
    void CreateMailing();
    void CreateFindCommands();
    // The save dialog (overwrite prompt off); the chosen name and the index of the chosen filter
    // (0 Tesselon, 1 Quodex, 2 Adobe PDF); empty when cancelled.
    std::string RunSaveDialog(const QString& title, const std::string& startName, int& filterIndex);
    // Whether the path may be written: it does not exist or the user agrees to overwrite it.
    bool AskOverwrite(const std::string& path);

    std::unique_ptr<TDocSet> set_;
    TDocTree tree_;
    TDocTreeModel* model_ = nullptr;
    bool readOnly_ = false;
    bool dragCursorShown_ = false;
    QSize requested_;
    TPrintState printState_;
    std::unique_ptr<TPrintHost> printHost_;
    std::string lastSaveName_;
    // The forms in the order last loaded or saved as the plan's order: a drag that leaves the
    // tree in this order has changed nothing to save.
    std::vector<TDocSetForm*> storedOrder_;
    std::string lastPdf_;
    // A PDF written: the status bar says so, offering "Open PDF" when a reader is registered.
    void PdfSaved(const std::string& path);
    bool closeAfterConversion_ = false;
    TfrmAboutBox* frmAboutBox_ = nullptr;
    QPointer<TPageForm> findWindow_;
};

// Enables the action when the rule holds and its command has been wired to behaviour; commands
// of subsystems not built yet stay disabled.
void SetActionEnabled(QAction* action, bool rule);
void MarkWired(QAction* action);
// The command's enabled state by the rule, its tooltip and status text saying why it is off.
void ApplyCommandState(QAction* action, const TCommandState& state);
// Whether a package argument is a web address to download.
bool IsPackageAddress(const std::string& argument);

} // namespace pg
