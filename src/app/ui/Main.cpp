#include "Main.h"

#include "AboutBox.h"
#include "AnnotationStore.h"
#include "AppSettings.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "DocSetTrack.h"
#include "DocTreeModel.h"
#include "DocTreeView.h"
#include "FindBar.h"
#include "HistoryCleanup.h"
#include "LoadPackage.h"
#include "MissingDocs.h"
#include "PGRegistry.h"
#include "PageFrm.h"
#include "PageNavigation.h"
#include "Paths.h"
#include "PrinterLanguage.h"
#include "Prompt.h"
#include "QtPrompter.h"
#include "RecentPackages.h"
#include "SMTP.h"
#include "ScanImage.h"
#include "ScanPlugin.h"
#include "StatusPanels.h"
#include "Strings.h"
#include "Trace.h"
#include "VerifyDocs.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_map>

namespace pg {

namespace {

constexpr int kMinHeight = 180;
constexpr int kMinWidth = 590;

void SetButtonVisible(QToolBar* bar, QToolButton* button, bool visible) {
    for (QAction* a : bar->actions())
        if (bar->widgetForAction(a) == button)
            a->setVisible(visible);
}

QFont TreeFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    return font;
}

} // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    FormCreate();
}

TfrmMain::~TfrmMain() {
    CloseAnyOpenForms();
    // Histories of packages not seen for a month go with the end of the run.
    DeleteOldHistoryFiles(ProgramDataFolder(), LocalToday());
    DestroyTree();
}

void TfrmMain::CreateLayout() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlTop);
    HelpStatus = new QLabel(central);
    HelpStatus->setObjectName("HelpStatus");
    HelpStatus->setFixedHeight(17);
    HelpStatus->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(HelpStatus);
    DocTree = new TDocTreeView(central);
    DocTree->setObjectName("DocTree");
    DocTree->setToolTip(kHintPrintAll);
    DocTree->setStatusTip(kHintPrintAll);
    model_ = new TDocTreeModel(this);
    DocTree->setModel(model_);
    layout->addWidget(DocTree, 1);
    Status = new TStatusPanels(central);
    layout->addWidget(Status);
    setCentralWidget(central);
}

void TfrmMain::ConnectTree() {
    connect(DocTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { DocTreeChange(); });
    connect(DocTree, &TDocTreeView::TreeClicked, this, &TfrmMain::DocTreeClick);
    connect(DocTree, &TDocTreeView::TreeDoubleClicked, this, [this](bool hitItem) {
        if (hitItem)
            ProcessSelectedNodes(TProcessKind::View);
    });
    connect(DocTree, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PrepareNodeMenu();
        NodeMenu->popup(DocTree->viewport()->mapToGlobal(pos));
    });
    DocTree->CanStartDrag = [this] {
        if (!SettingPermitted("StackingOrder"))
            return true;
        if (!DragAllowed(true, Selection()))
            return false;
        QApplication::setOverrideCursor(Qt::DragMoveCursor);
        dragCursorShown_ = true;
        return true;
    };
    DocTree->DragEnded = [this] { TreeViewEndDrag(); };
    DocTree->DropAccepted = [this] { return set_ != nullptr; };
    DocTree->DragOverState = [this] {
        if (!SettingPermitted("StackingOrder"))
            return TDocTreeView::TDragOver::Accept;
        return DragAllowed(true, Selection()) ? TDocTreeView::TDragOver::AcceptAndScroll
                                              : TDocTreeView::TDragOver::Cancel;
    };
    DocTree->DropAt = [this](const QPoint& pos) { TreeViewDragDrop(pos); };
    Status->HintAt = [this](int x) { return StatusHintAt(x); };
    connect(Status, &TStatusPanels::DoubleClicked, this, &TfrmMain::StatusDblClick);
}

void TfrmMain::FormCreate() {
    DebugMsg("Main : On create; start");
    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateLayout();
    ConnectTree();
    ConnectScanCommands();
    CreateFindCommands();
    // "Attach file" has no handler: its action and button stay off.
    actAttachDocs->setEnabled(false);
    SetButtonVisible(tbTopLeft, btnAttachDoc, false);
    UserEmail = ArgumentValue("email");
    AutoHeight = true;
    ProgramFolder = QCoreApplication::applicationDirPath().toStdString();
    // A package named relative to the folder the program was started in must still be found
    // after the change to the program's folder below.
    MakeCommandLinePathsAbsolute();
    const std::string argument = PackageArgument();
    if (UpperCase(ExtensionPart(argument)) != "QDX")
        QDir::setCurrent(QString::fromStdString(ProgramFolder));
    setMinimumSize(kMinWidth, kMinHeight);
    move(10, 10);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(QStringLiteral("Pagellan v") + QStringLiteral(PAGELLAN_PROGRAM_VERSION));
    mnuPlancodestoreorder->setEnabled(false);
    frmErrors = new TfrmErrors(this);
    frmNodeProperties = new TfrmNodeProperties(this);
    CreatePrinting();
    CreateTracking();
    CreateFileCommands();
    CreateHelpCommands();
    CreateOptions();
    CreateWebCommands();
    CreateMailing();
    RunUpdateSchedule();
    // Page windows open at the scale the user last chose, also in an earlier run.
    SetSharedPageScale(PGRegistry::PageScale());
    LoadScanPlugin(ProgramFolder);
    ScanPluginWasLoaded = ScanPluginLoaded();
    // TIFF files open as pictures through the plug-in, which is loaded on demand.
    RegisterTiffPageDocuments(ProgramFolder);
    LoadCommandLinePackage();
    SkipPrinterDialog = SettingPrinterDlg() == 2;
    SetMainCaptionAndWindowPosition();
    // The hint strip says what to do next from the start, never showing as an empty bar.
    HelpStatus->setText(QLatin1Char(' ') + IdleHint());
    QApplication::restoreOverrideCursor();
    DebugMsg("Main : On create; end");
}

void TfrmMain::LoadCommandLinePackage() {
    const std::string argument = PackageArgument();
    ViewFile = argument;
    THLWMemorystream stream;
    if (!argument.empty() && FileExists(argument)) {
        stream.LoadFromFile(argument);
        readOnly_ = ClearReadOnly(argument, true);
        CurrentFile = argument;
    } else if (IsPackageAddress(argument) && !DownloadPackageArgument(argument, stream)) {
        stream.Clear();
    }
    if (!argument.empty() && ExtensionPart(argument).empty() && !IsPackageAddress(argument))
        CurrentFile = argument;
    try {
        LoadTree(&stream);
        if (Loaded && !CurrentFile.empty() && FileExists(CurrentFile))
            RememberRecentPackage(CurrentFile);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    DocTree->setFocus();
    SetStatusBar();
}

std::string TfrmMain::OrderFile() const {
    return PlanCodeOrderFile(SettingFillDir(), ProgramFolder, SettingQuodexHistoryDir());
}

void TfrmMain::LoadTree(const THLWMemorystream* stream) {
    DestroyTree();
    Status->SetPanelText(spLoadState, QStringLiteral("Loading..."));
    Status->repaint();
    Loaded = false;
    if (stream == nullptr || stream->Size() <= 1)
        return;
    TLoadOutcome outcome = ReadDocSet(*stream, CurrentFile);
    if (outcome.ShowAsPlainFile) {
        ViewPCLFile(ViewFile);
        return;
    }
    if (!outcome.Set)
        return;
    set_ = std::move(outcome.Set);
    // Forms changed since the package was last loaded show red and can be printed alone.
    UpdateChangeMarks(*set_, SettingQuodexHistoryDir());
    PrepareDocSet(*set_, UserEmail, set_->StackingOrder.empty() ? OrderFile() : std::string(), CurrentFile);
    Loaded = true;
    const QFontMetrics metrics(TreeFont());
    tree_.Build(*set_, [&metrics](const std::string& caption) {
        return metrics.horizontalAdvance(FromPackageText(caption));
    });
    model_->SetTree(&tree_, set_.get(), TreeFont());
    storedOrder_ = tree_.FormsInDisplayOrder();
    const QModelIndex root = model_->IndexOf(tree_.Root());
    DocTree->expand(root);
    DocTree->scrollTo(root);
    DocTree->selectionModel()->setCurrentIndex(root, QItemSelectionModel::ClearAndSelect);
    DocTreeChange();
    AdjustFormHeight();
    ResizeWindow(GetIdealFormWidth(), height());
    HelpStatus->setText(QLatin1Char(' ') + IdleHint());
}

void TfrmMain::DestroyTree() {
    // Page windows show nodes of this tree: none may outlive it.
    CloseAllPageWindows(true);
    // The kept text belongs to the set that goes.
    if (FindBar != nullptr)
        FindBar->PackageChanged();
    // Dialogs that were given the set (and may be up, or come up again) must not read it after
    // it has gone.
    if (frmSMTP != nullptr)
        frmSMTP->DocumentSetGone();
    if (frmVerifyDocs != nullptr) {
        frmVerifyDocs->SetPackage(nullptr, nullptr, {});
        frmVerifyDocs->MissingDocs()->SetMissing(nullptr, {});
    }
    if (frmAboutBox_ != nullptr)
        frmAboutBox_->DocumentSet = nullptr;
    if (model_ != nullptr)
        model_->SetTree(nullptr, nullptr, TreeFont());
    tree_.Clear();
    storedOrder_.clear();
    set_.reset();
    Loaded = false;
    ReorderPending = false;
}

TSelection TfrmMain::Selection() const {
    TSelection selection;
    if (tree_.Empty())
        return selection;
    for (const QModelIndex& index : DocTree->selectionModel()->selectedIndexes())
        if (TTreeNode* node = model_->NodeOf(index))
            selection.push_back(node);
    if (selection.size() > 1) {
        std::unordered_map<const TTreeNode*, size_t> position;
        const std::vector<TTreeNode*> order = tree_.DisplayOrder();
        for (size_t i = 0; i < order.size(); ++i)
            position[order[i]] = i;
        std::sort(selection.begin(), selection.end(),
                  [&position](const TTreeNode* a, const TTreeNode* b) { return position[a] < position[b]; });
    }
    return selection;
}

void TfrmMain::SelectNodes(const TSelection& nodes) {
    QItemSelection selection;
    for (const TTreeNode* node : nodes) {
        const QModelIndex index = model_->IndexOf(node);
        selection.select(index, index);
    }
    DocTree->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (!nodes.empty())
        DocTree->selectionModel()->setCurrentIndex(model_->IndexOf(nodes.front()),
                                                   QItemSelectionModel::NoUpdate);
}

TWindowFacts TfrmMain::Facts() const {
    TWindowFacts facts;
    facts.Loaded = Loaded;
    facts.Set = set_.get();
    facts.Tree = &tree_;
    facts.Selection = Selection();
    facts.ReorderPending = ReorderPending;
    facts.StackingOrderFileExists = FileExists(OrderFile());
    facts.ScanPluginLoaded = ScanPluginLoaded();
    facts.UploadAnnotationsOption = UploadAnnotationsOption;
    facts.Converting = Converting;
    facts.AdditionalCopies = SettingAdditionalCopies();
    facts.HasPermission = [](const std::string& name) { return SettingPermitted(name); };
    return facts;
}

int TfrmMain::GetNumberOfPagesSelected() {
    return pg::GetNumberOfPagesSelected(set_.get(), Loaded, Selection());
}

void TfrmMain::DocTreeChange() {
    const int pages = GetNumberOfPagesSelected();
    Status->SetPanelText(spPagesSelected, FromPackageText(PagesSelectedText(
                                              Loaded && set_, pages, set_ ? set_->TotalPageCount() : 0)));
    CheckOptionsAvailable();
    UpdateButtonHints();
}

void TfrmMain::CheckOptionsAvailable() {
    const TSelectionStates s = pg::CheckOptionsAvailable(Facts());
    ApplyCommandState(actViewFormProperties, s.FormProperties);
    ApplyCommandState(actViewSelected, s.ViewSelected);
    ApplyCommandState(actViewFirst, s.ViewSelected);
    ApplyCommandState(actPrintSelected, s.PrintSelected);
    ApplyCommandState(actFileSaveAs, s.SaveAs);
    ApplyCommandState(mnuFileSaveAs, s.SaveAs);
    ApplyCommandState(actEmailSelected, s.EmailSelected);
    ApplyCommandState(actSaveSelected, s.EmailSelected);
    ApplyCommandState(mnuDeleteform, s.Delete);
    ApplyCommandState(mnuShowmissing, s.ShowErrorReport);
    ApplyCommandState(mnuUploadAnnotations, s.UploadAnnotations);
    ApplyCommandState(mnuFileSave, s.Save);
    ApplyCommandState(mnuSaveplancodeorder, s.SaveStackingOrder);
}

void TfrmMain::PrepareNodeMenu() {
    CheckOptionsAvailable();
    mnuDeleteform->setText(QString::fromStdString(DeleteItemCaption(Selection())));
}

void TfrmMain::SetStatusBar() {
    const TWindowFacts facts = Facts();
    const TStatusStates s = pg::SetStatusBar(facts);
    for (QAction* a : {actPrintAll, actPrintRemaining, actEmail})
        SetActionEnabled(a, s.PrintCommands);
    SetActionEnabled(actShowDocSetErrors, s.ShowDocSetErrors && frmErrors != nullptr);
    SetActionEnabled(actPrintChanged, s.Changed);
    SetActionEnabled(actEmailChanged, s.Changed);
    SetButtonVisible(tbTopLeft, btnPrintChanged, s.Changed);
    SetActionEnabled(mnuVerify, s.Verify);
    mnuEmailMenu->setEnabled(s.EmailMenu);
    SetActionEnabled(actGetWebDocs, s.WebDocs);
    SetActionEnabled(actEmailAll, s.EmailAll);
    SetActionEnabled(mnuPlancodestoreorder, s.DeleteStackingOrder);
    // Only the menu item follows the plug-in; the command itself stays on, since it offers a
    // missing plug-in for download.
    SetActionEnabled(mnuScanImages, s.Scan);
    SetActionEnabled(actScan, true);
    CheckOptionsAvailable();
    const TPanel0Look look = StatusPanel0Look(Loaded, set_.get(), MultiUserMode());
    Status->SetPanel0(look.Width, look.ButtonFace, look.Pictures);
    Status->SetPanelText(spLoadState, QString::fromStdString(s.Panel1));
    Status->SetPanelText(spFileName, FromPackageText(s.Panel3));
    Status->SetPanelText(spCopies, QString::fromStdString(s.Panel4));
    Status->setStatusTip(FromPackageText(s.Hint));
    Status->setToolTip(FromPackageText(s.Hint));
    if (s.ClearSelection) {
        Status->SetPanelText(spPagesSelected, QString());
        DocTree->clearSelection();
        if (QWidget* focus = focusWidget())
            focus->clearFocus();
    } else {
        DocTreeChange();
    }
}

void TfrmMain::DocTreeClick() {
    const TSelection selection = Selection();
    const QString hint = FromPackageText(TreeClickHint(selection));
    DocTree->setToolTip(hint);
    DocTree->setStatusTip(hint);
    QStatusTipEvent tip(hint);
    QApplication::sendEvent(DocTree, &tip);
    if (!Loaded)
        return;
    // The window keeps the size the package was shown in: expanding a form, or a click, does not
    // make it jump; the tree scrolls instead.
    SetActionEnabled(actEmail, true);
    actViewTIFF->setEnabled(false);
}

void TfrmMain::ProcessSelectedNodes(TProcessKind kind) {
    if (!Loaded || !set_)
        return;
    const TSelection selection = Selection();
    if (kind == TProcessKind::Delete) {
        ToggleDeleted(*set_, tree_, selection);
        model_->RefreshAll();
        SetStatusBar();
        DocTreeChange();
        return;
    }
    for (TTreeNode* node : NodesToProcess(tree_, selection))
        ProcessLeafNode(FirstLeaf(*node));
    if (SettingPrinterDlg() == 0)
        SkipPrinterDialog = false;
}

TPageForm* TfrmMain::ProcessLeafNode(TTreeNode* node) {
    if (node == nullptr || !CanViewLeaf(Loaded, *node))
        return nullptr;
    try {
        // A top-level window of its own, so minimising the main window leaves it shown.
        auto* page = new TPageForm;
        page->setAttribute(Qt::WA_DeleteOnClose);
        MarkViewed(*node);
        model_->RefreshAll();
        page->DocumentSet = set_.get();
        page->FirstNode = tree_.Root();
        page->LastNode = tree_.LastNode();
        page->SavePackage = [this](TDocSet&) { return SaveAnnotations(); };
        page->NodeChanged = [this](TTreeNode*) { model_->RefreshAll(); };
        page->PrintPage = [this](TPageForm& shown) { PrintPageWindow(shown); };
        page->ShowAbout = [this] { AboutClick(); };
        page->HighlightsOn = [this](const TTreeNode& shown) {
            return shown.Info != nullptr ? FindBar->BoxesOn(shown.Form(), shown.Info->PageNumber)
                                         : std::vector<TTextBox>();
        };
        page->CurrentHitOn = [this](const TTreeNode& shown) {
            return shown.Info != nullptr ? FindBar->CurrentBoxesOn(shown.Form(), shown.Info->PageNumber)
                                         : std::vector<TTextBox>();
        };
        page->View(node);
        page->show();
        return page;
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
    return nullptr;
}

bool TfrmMain::ViewPCLFile(const std::string& path) {
    if (IsTiffName(path))
        return ViewTiffFile(path);
    if (IsXmlName(path))
        return ViewVivaformFile(path);
    // A printer file in another language than we draw is never read as PCL: a PDF goes to the
    // PDF reader, anything else is refused with its name.
    std::string bytes, error;
    if (ReadFileBytes(path, bytes, error)) {
        const TLooseFileRoute route = RouteLooseFile(bytes);
        if (route.Kind == TLooseFileRoute::TKind::PdfReader) {
            ViewPdfFile(path);
            return true;
        }
        if (route.Kind == TLooseFileRoute::TKind::Refuse) {
            ShowInformation(route.Message);
            return false;
        }
    }
    DebugMsg("Main : plain view of " + path);
    auto page = std::make_unique<TPageForm>();
    page->setAttribute(Qt::WA_DeleteOnClose);
    page->PrintPage = [this](TPageForm& shown) { PrintPageWindow(shown); };
    page->ShowAbout = [this] { AboutClick(); };
    if (!page->LoadPCLFile(path))
        return false;
    ShowFileWindow(std::move(page), path);
    return true;
}

void TfrmMain::ShowFileWindow(std::unique_ptr<TPageForm> page, const std::string& path) {
    // Notes may be put on a plain file's pages (the page window's rights allow it); they stay on
    // screen, since a plain file has nowhere to keep them.
    page->setWindowTitle(QString::fromLocal8Bit(path.c_str()));
    page->SizeTheForm();
    page->show();
    page->SetUserResized(true);
    page.release(); // freed when it closes
}

int TfrmMain::FormCount() const {
    return OpenPageWindowCount();
}

void TfrmMain::CloseAnyOpenForms() {
    CloseAllPageWindows(false);
}

bool TfrmMain::SavePackage() {
    AskToSaveStackingOrder();
    if (set_ == nullptr || !SaveWholePackage(*set_))
        return false;
    // Annotations still being edited in a page window are not in the file yet: the package stays
    // modified for them.
    const std::vector<TPageForm*> pages = OpenPageWindows();
    if (std::none_of(pages.begin(), pages.end(),
                     [](const TPageForm* page) { return page->AnnotationsChanged; }))
        set_->Modified = false;
    ShowStatusMessage("Package saved to " + FileNamePart(set_->FileName));
    CheckOptionsAvailable();
    return true;
}

bool TfrmMain::SaveAnnotations() {
    AskToSaveStackingOrder();
    if (set_ == nullptr || !SaveWholePackage(*set_))
        return false;
    ShowStatusMessage("Annotations saved to " + FileNamePart(set_->FileName));
    return true;
}

void TfrmMain::ShowStatusMessage(const std::string& text, QAction* action) {
    Status->ShowMessage(QString::fromLocal8Bit(text.c_str()), action);
}

bool TfrmMain::MayReplacePackage() {
    if (!Loaded || !set_ || !set_->Modified)
        return true;
    switch (AskYesNoCancel(kSaveChangesQuestion)) {
    case PromptAnswer::Yes:
        // A save that fails keeps the package: replacing it would lose the changes.
        return SaveWholePackage(*set_);
    case PromptAnswer::No:
        return true;
    default:
        return false;
    }
}

void TfrmMain::TreeViewDragDrop(const QPoint& pos) {
    const TSelection selection = Selection();
    QModelIndex index;
    if (!DropHitMoves(DocTree->HitTest(pos, index)))
        return;
    const TTreeNode* target = model_->NodeOf(index);
    const TDropAction action = DecideDrop(set_.get(), selection, target);
    if (action == TDropAction::Cancel)
        return;
    if (!model_->MoveNode(tree_, *selection.front(), action, target))
        return;
    // A form dragged back to where it was leaves nothing to save.
    ReorderPending = tree_.FormsInDisplayOrder() != storedOrder_;
    SelectNodes({selection.front()});
    CheckOptionsAvailable();
}

void TfrmMain::TreeViewEndDrag() {
    if (!dragCursorShown_)
        return;
    dragCursorShown_ = false;
    QApplication::restoreOverrideCursor();
}

QString TfrmMain::StatusHintAt(int x) const {
    return FromPackageText(StatusBarHint(x, Loaded, set_.get(), MultiUserMode()));
}

void TfrmMain::StatusDblClick(int x) {
    const TStatusReports reports = StatusDoubleClick(x, Loaded, set_.get());
    if (reports.ErrorReport)
        ShowErrorReport();
    if (reports.DocSetErrors)
        ShowDocSetErrors();
}

void TfrmMain::ShowErrorReport() {
    if (!set_) {
        ShowInformation("no DocSet loaded");
        return;
    }
    std::string text;
    for (const std::string& line : set_->MissingForms)
        text += line + "\n";
    frmErrors->ShowReport(QStringLiteral("Missing forms"), FromPackageText(text));
}

void TfrmMain::ShowDocSetErrors() {
    if (!set_ || !set_->HasErrors() || frmErrors == nullptr) {
        ShowInformation("No errors/warnings detected.");
        return;
    }
    frmErrors->ShowReport(QStringLiteral("DocSet errors and/or warnings"),
                          FromPackageText(DocSetErrorsText(*set_)));
}

void TfrmMain::ShowXMLFormlist() {
    if (!set_)
        return;
    std::string text;
    for (const std::string& line : set_->FormListXml)
        text += line + "\n";
    frmErrors->ShowReport(QStringLiteral("DocSet XML"), FromPackageText(text), true);
}

void TfrmMain::ShowFormProperties() {
    if (!Loaded || !set_) {
        ShowInformation(kNoPropertiesLoaded);
        return;
    }
    const TSelection selection = Selection();
    QStringList lines;
    for (const std::string& line :
         FormPropertiesLines(selection.empty() ? nullptr : selection.front(), *set_))
        lines << FromPackageText(line);
    frmNodeProperties->ShowLines(lines);
}

void TfrmMain::SelectAllForms() {
    if (!Loaded || tree_.Empty())
        return;
    DocTree->setFocus();
    if (tree_.Root()->HasChildren())
        SelectNodes({tree_.Root()->Children.front().get()});
    // Every node, also those inside collapsed forms.
    SelectNodes(tree_.DisplayOrder());
}

void TfrmMain::SetMainCaptionAndWindowPosition() {
    std::string title;
    QString caption = QStringLiteral("Pagellan");
    if (Loaded) {
        if (!tree_.Empty() && tree_.Root()->HasChildren())
            title = tree_.Root()->Children.front()->Form()->BorrowerName;
        caption = QStringLiteral("Pagellan - ") + FromPackageText(title);
    }
    // The read-only mark stays on the caption for as long as the package is shown.
    if (readOnly_)
        caption += QStringLiteral(" (Read-only)");
    setWindowTitle(caption);
    QApplication::setApplicationName(Trim(title).empty() ? QStringLiteral("Pagellan")
                                                         : FromPackageText(title));
    TWindowPlace place;
    if (InstancePlacement(place))
        move(place.Left, place.Top);
}

int TfrmMain::CalcTreeHeight() const {
    return pg::CalcTreeHeight(DocTree->VisibleRowCount(), QFontMetrics(TreeFont()).height());
}

int TfrmMain::GetIdealFormWidth() const {
    return pg::GetIdealFormWidth(MaxCaptionWidth());
}

void TfrmMain::AdjustFormHeight() {
    const QScreen* screen = this->screen();
    if (screen != nullptr) {
        const int screenHeight = screen->geometry().height();
        const int available = screen->availableGeometry().height();
        setMaximumHeight(MaxFormHeight(screenHeight, available, y(), minimumHeight()));
    }
    if (!AutoHeight || !Loaded)
        return;
    const int findBar = FindBar != nullptr && FindBar->isVisible() ? FindBar->sizeHint().height() : 0;
    const int wanted = AutoFormHeight(CalcTreeHeight(), Status->height(), HelpStatus->height(),
                                      pnlTop->height() + menuBar()->sizeHint().height()) +
                       findBar;
    ResizeWindow(width(), std::min(wanted, maximumHeight()));
}

QString TfrmMain::IdleHint() const {
    return Loaded ? DocTree->statusTip() : btnOpenFile->statusTip();
}

void TfrmMain::ResizeWindow(int width, int height) {
    requested_ = QSize(width, height).boundedTo(maximumSize()).expandedTo(minimumSize());
    resize(requested_);
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        HelpStatus->setText(QLatin1Char(' ') + (tip.isEmpty() ? IdleHint() : tip));
        return true;
    }
    if (event->type() == QEvent::WindowActivate)
        WindowActivated();
    return QMainWindow::event(event);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // The converter is still writing into the work folder: the window closes once it is done
    // and the work files are cleaned up.
    if (Converting) {
        closeAfterConversion_ = true;
        event->ignore();
        return;
    }
    AskToSaveStackingOrder();
    // A save that fails keeps the window open: closing would lose the changes.
    if (!MayReplacePackage()) {
        event->ignore();
        return;
    }
    // Page windows are top-level windows of their own: left open, they would keep the program
    // running without its main window. One that refuses to close (its annotations could not be
    // saved) keeps the program open, so nothing typed is lost.
    CloseAnyOpenForms();
    // Closed windows are freed a moment later; only one still shown counts.
    const std::vector<TPageForm*> pages = OpenPageWindows();
    if (std::any_of(pages.begin(), pages.end(), [](const TPageForm* page) { return page->isVisible(); })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // A resize the program did not ask for is the user dragging the frame.
    if (event->spontaneous() && isVisible() && event->oldSize().isValid() && event->size() != requested_)
        AutoHeight = false;
}

void TfrmMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (const QScreen* screen = this->screen())
        setMaximumHeight(MaxFormHeight(screen->geometry().height(), screen->availableGeometry().height(), y(),
                                       minimumHeight()));
}

} // namespace pg
