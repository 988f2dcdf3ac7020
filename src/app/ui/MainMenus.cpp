// The main window's actions, menus and tool bars.

#include "Main.h"

#include "Pictures.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace pg {

namespace {

constexpr char kWired[] = "pagellanWired";
constexpr char kHint[] = "pagellanHint";

QAction* MakeAction(QObject* owner, const char* name, const QString& caption, const QString& hint = {},
                    const QKeySequence& shortcut = {}) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(QLatin1String(name));
    action->setProperty(kHint, hint);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    action->setEnabled(false);
    return action;
}

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QString& hint = {}) {
    QAction* item = MakeAction(menu, name, caption, hint);
    menu->addAction(item);
    return item;
}

QToolButton* MakeButton(QToolBar* bar, const char* name, const QString& caption, const QString& picture,
                        const QString& hint) {
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setIcon(ToolPicture(picture));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFixedSize(58, 40);
    button->setIconSize(QSize(22, 22));
    button->setToolTip(hint);
    button->setStatusTip(hint);
    bar->addWidget(button);
    return button;
}

// A button that follows the action's enabled state.
void LinkButtonState(QToolButton* button, QAction* action) {
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    button->setEnabled(action->isEnabled());
}

// A button that runs an action keeps the action's enabled state.
void LinkButton(QToolButton* button, QAction* action) {
    QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    LinkButtonState(button, action);
}

void AddDropDown(QToolButton* button, QMenu* menu) {
    button->setMenu(menu);
    button->setPopupMode(QToolButton::MenuButtonPopup);
    button->setFixedSize(58 + 12, 40);
}

} // namespace

void SetActionEnabled(QAction* action, bool rule) {
    action->setEnabled(rule && action->property(kWired).toBool());
}

void MarkWired(QAction* action) {
    action->setProperty(kWired, true);
}

void ApplyCommandState(QAction* action, const TCommandState& state) {
    SetActionEnabled(action, state.Enabled);
    // While the command is off its tips say why; once it is on again, what it does.
    const QString tip =
        state.Enabled ? action->property(kHint).toString() : QString::fromStdString(state.Why);
    action->setToolTip(tip);
    action->setStatusTip(tip);
}

void TfrmMain::CreateActions() {
    actFileOpen = MakeAction(this, "actFileOpen", "Open", "Open a quodex, PDF or PCL document.",
                             QKeySequence(Qt::CTRL | Qt::Key_O));
    actFileSaveAs = MakeAction(this, "actFileSaveAs", "Save As");
    actSaveSelected =
        MakeAction(this, "actSaveSelected", "Save Selected", "Save selected documents as a quodex");
    actGetWebDocs = MakeAction(this, "actGetWebDocs", "WebDocs", "Retrieve WebDocs over the Internet");
    actPrintAll = MakeAction(this, "actPrintAll", "Print All", "Print all pages of this document set");
    actPrintSelected =
        MakeAction(this, "actPrintSelected", "Print Selected", "Print only the selected items");
    actPrintChanged = MakeAction(this, "actPrintChanged", "Print Changed",
                                 "Print only those forms changed since the previous processing");
    actPrintRemaining = MakeAction(this, "actPrintRemaining", "Print Remaining");
    actViewFirst = MakeAction(this, "actViewFirst", "View All");
    actViewSelected = MakeAction(this, "actViewSelected", "View Selected", "View the selected documents");
    actViewTIFF = MakeAction(this, "actViewTIFF", "View TIFF");
    actViewFormProperties = MakeAction(this, "actViewFormProperties", "Form Properties");
    actEmail = MakeAction(this, "actEmail", "Email All");
    actEmailAll = MakeAction(this, "actEmailAll", "Email All", "Email this document set");
    actEmailSelected =
        MakeAction(this, "actEmailSelected", "Email Selected", "Email only the selected items");
    actEmailChanged =
        MakeAction(this, "actEmailChanged", "Email Changed", "Email only changed forms (marked in red)");
    actScan = MakeAction(this, "actScan", "Scan Images");
    actScanNEmail = MakeAction(this, "actScanNEmail", "Scan and Email");
    actShowDocSetErrors = MakeAction(this, "actShowDocSetErrors", "Show Quodex Errors");
    actUploadAnnotations = MakeAction(this, "actUploadAnnotations", "Upload Annotations");
    actClosePagellan =
        MakeAction(this, "actClosePagellan", "Close Pagellan", "Close all open pages and Pagellan");
    actCloseAllPages = MakeAction(this, "actCloseAllPages", "Close All Pages", "Close all open pages");
    actSelectAllForms =
        MakeAction(this, "actSelectAllForms", "Select All", {}, QKeySequence(Qt::CTRL | Qt::Key_A));
    actShowXMLFormlist = MakeAction(this, "actShowXMLFormlist", "DocSet XML", {},
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
    actAttachDocs = MakeAction(this, "actAttachDocs", "Attach file");
    // The window-wide shortcuts work without a menu item.
    addAction(actSelectAllForms);
    addAction(actShowXMLFormlist);

    for (QAction* a : {actViewFormProperties, actShowDocSetErrors, actClosePagellan, actCloseAllPages,
                       actSelectAllForms, actShowXMLFormlist})
        MarkWired(a);
    connect(actViewFormProperties, &QAction::triggered, this, &TfrmMain::ShowFormProperties);
    connect(actShowDocSetErrors, &QAction::triggered, this, &TfrmMain::ShowDocSetErrors);
    connect(actShowXMLFormlist, &QAction::triggered, this, &TfrmMain::ShowXMLFormlist);
    connect(actSelectAllForms, &QAction::triggered, this, &TfrmMain::SelectAllForms);
    connect(actCloseAllPages, &QAction::triggered, this, &TfrmMain::CloseAnyOpenForms);
    for (QAction* a : {actViewSelected, actViewFirst})
        MarkWired(a);
    connect(actViewSelected, &QAction::triggered, this, [this] { ProcessSelectedNodes(TProcessKind::View); });
    connect(actViewFirst, &QAction::triggered, this, [this] {
        // The root alone selected: the first page of the package opens.
        if (!tree_.Empty())
            SelectNodes({tree_.Root()});
        ProcessSelectedNodes(TProcessKind::View);
    });
    connect(actClosePagellan, &QAction::triggered, this, [this] {
        CloseAnyOpenForms();
        close();
    });
    for (QAction* a : {actClosePagellan, actCloseAllPages, actSelectAllForms, actShowXMLFormlist})
        a->setEnabled(true);
}

void TfrmMain::CreateMenus() {
    QMenu* file = menuBar()->addMenu("File");
    file->setObjectName("mnuFile");
    file->addAction(actFileOpen);
    mnuOpenPCLFile = AddItem(file, "mnuOpenPCLFile", "Open PCL file");
    mnuOpenPCLFile->setVisible(false);
    mnuRecentPackages = file->addMenu("Recent Packages");
    mnuRecentPackages->setObjectName("mnuRecentPackages");
    connect(mnuRecentPackages, &QMenu::aboutToShow, this, &TfrmMain::UpdateRecentPackages);
    UpdateRecentPackages();
    file->addAction(actGetWebDocs);
    mnuFileSave = AddItem(file, "mnuFileSave", "Save");
    MarkWired(mnuFileSave);
    connect(mnuFileSave, &QAction::triggered, this, &TfrmMain::SavePackage);
    mnuFileSaveAs = AddItem(file, "mnuFileSaveAs", "Save As");
    connect(mnuFileSaveAs, &QAction::triggered, actFileSaveAs, &QAction::trigger);
    QAction* saveSelected = AddItem(file, "mnuSaveSelected", "Save Selected", "Save selected documents ");
    connect(saveSelected, &QAction::triggered, actSaveSelected, &QAction::trigger);
    connect(actSaveSelected, &QAction::changed, saveSelected,
            [saveSelected, this] { saveSelected->setEnabled(actSaveSelected->isEnabled()); });
    mnuSaveAsPDF = AddItem(file, "mnuSaveAsPDF", "Save as PDF");
    mnuSaveAsPDF->setVisible(false);
    mnuUploadAnnotations = AddItem(file, "mnuUploadAnnotations", "Upload Annotations");
    mnuSaveplancodeorder =
        AddItem(file, "mnuSaveplancodeorder", "Save Stacking Order", "Save Stacking Order For This Plan");
    mnuPlancodestoreorder = AddItem(file, "mnuPlancodestoreorder", "Delete Stacking Order",
                                    "Delete Stacking Order For This Plan");
    QMenu* print = file->addMenu("Print");
    print->setObjectName("mnuPrint");
    print->addActions({actPrintAll, actPrintSelected, actPrintChanged, actPrintRemaining});
    print->addSeparator();
    mnuPrinterSetup = AddItem(print, "mnuPrinterSetup", "Printer &Setup");
    mnuPrinterSetup->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QMenu* view = file->addMenu("View");
    view->setObjectName("mnuView");
    view->addActions({actViewFirst, actViewSelected, actViewTIFF, actViewFormProperties});
    file->addSeparator();
    mnuEmailMenu = file->addMenu("Email ");
    mnuEmailMenu->setObjectName("mnuEmail");
    mnuEmailMenu->addActions({actEmailAll, actEmailSelected, actEmailChanged});
    file->addSeparator();
    mnuExit = AddItem(file, "mnuExit", "E&xit");
    MarkWired(mnuExit);
    mnuExit->setEnabled(true);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);

    QMenu* tracking = menuBar()->addMenu("Tracking");
    tracking->setObjectName("mnuTracking");
    mnuVerify = AddItem(tracking, "mnuVerify", "Verify Documents");
    mnuWorkFlow = AddItem(tracking, "mnuWorkFlow", "Work Flow");
    mnuWorkFlow->setVisible(false);
    mnuScanImages = AddItem(tracking, "mnuScanImages", "Scan Images");
    connect(mnuScanImages, &QAction::triggered, actScan, &QAction::trigger);
    tracking->addAction(actScanNEmail);

    QMenu* options = menuBar()->addMenu("Options");
    options->setObjectName("mnuOptionsMenu");
    mnuOptions = AddItem(options, "mnuOptions", "Pagellan Options");
    mnuShowmissing = AddItem(options, "mnuShowmissing", "Show Error Report");
    MarkWired(mnuShowmissing);
    connect(mnuShowmissing, &QAction::triggered, this, &TfrmMain::ShowErrorReport);
    mnuShowDocSetErrors = AddItem(options, "mnuShowDocSetErrors", "Show DocSet Errors");
    connect(mnuShowDocSetErrors, &QAction::triggered, actShowDocSetErrors, &QAction::trigger);
    connect(actShowDocSetErrors, &QAction::changed, mnuShowDocSetErrors,
            [this] { mnuShowDocSetErrors->setEnabled(actShowDocSetErrors->isEnabled()); });

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    mnuWebHelp = AddItem(help, "mnuWebHelp", "Vantorel WebHELP Live");
    mnuOnlineHelp = AddItem(help, "mnuOnlineHelp", "Online Help");
    mnuProductSuggestions = AddItem(help, "mnuProductSuggestions", "Product Suggestions");
    mnuReleaseNotes = AddItem(help, "mnuReleaseNotes", "Release Notes");
    mnuAbout = AddItem(help, "mnuAbout", "&About");

    NodeMenu = new QMenu(this);
    NodeMenu->setObjectName("NodeMenu");
    NodeMenu->addActions({actViewSelected, actPrintSelected, actEmailSelected});
    mnuNodeSaveAsPDF = AddItem(NodeMenu, "mnuNodeSaveAsPDF", "Save as PDF");
    mnuNodeSaveAsPDF->setVisible(false);
    mnuDeleteform = AddItem(NodeMenu, "mnuDeleteform", "&Delete ");
    MarkWired(mnuDeleteform);
    connect(mnuDeleteform, &QAction::triggered, this, [this] { ProcessSelectedNodes(TProcessKind::Delete); });
    NodeMenu->addSeparator();
    NodeMenu->addAction(actViewFormProperties);

    // The File menu shows the states as they are now, also after a page window changed the
    // package. A greyed item tells why: as its tooltip, and in the hint strip under the pointer.
    connect(file, &QMenu::aboutToShow, this, &TfrmMain::CheckOptionsAvailable);
    for (QMenu* menu : {file, print, view, mnuEmailMenu, tracking, options, help, NodeMenu}) {
        menu->setToolTipsVisible(true);
        menu->installEventFilter(this);
    }
}

void TfrmMain::CreateToolBars() {
    pnlTop = new QWidget(this);
    pnlTop->setObjectName("pnlTop");
    pnlTop->setFixedHeight(42);
    auto* layout = new QHBoxLayout(pnlTop);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(0);
    tbTopLeft = new QToolBar(pnlTop);
    tbTopLeft->setObjectName("tbTopLeft");
    tbTopRight = new QToolBar(pnlTop);
    tbTopRight->setObjectName("tbTopRight");
    QFont small(QStringLiteral("Tahoma"), 7);
    for (QToolBar* bar : {tbTopLeft, tbTopRight}) {
        bar->setFont(small);
        bar->setMovable(false);
        bar->setFloatable(false);
    }
    layout->addWidget(tbTopLeft);
    layout->addStretch();
    layout->addWidget(tbTopRight);

    btnOpenFile =
        MakeButton(tbTopLeft, "btnOpenFile", "Open", "open", "Open a Tesselon, quodex, PDF or PCL document.");
    LinkButton(btnOpenFile, actFileOpen);
    btnPrint = MakeButton(tbTopLeft, "btnPrint", "Print", "print", "Print all pages of this document set");
    auto* printDocs = new QMenu(btnPrint);
    printDocs->setObjectName("mnuPrintDocs");
    printDocs->addActions({actPrintAll, actPrintSelected, actPrintChanged, actPrintRemaining});
    AddDropDown(btnPrint, printDocs);
    LinkButtonState(btnPrint, actPrintAll);
    connect(btnPrint, &QToolButton::clicked, this, &TfrmMain::PrintButtonClick);
    btnPrintChanged = MakeButton(tbTopLeft, "btnPrintChanged", "Changed", "changed",
                                 "Print only those forms changed since the previous processing");
    LinkButton(btnPrintChanged, actPrintChanged);
    btnPCL = MakeButton(tbTopLeft, "btnPCL", "View", "view", "View the selected documents");
    auto* viewDocs = new QMenu(btnPCL);
    viewDocs->setObjectName("mnuViewDocs");
    viewDocs->addActions({actViewFirst, actViewSelected, actViewTIFF});
    AddDropDown(btnPCL, viewDocs);
    LinkButton(btnPCL, actViewSelected);
    btnWebDocs =
        MakeButton(tbTopLeft, "btnWebDocs", "WebDocs", "webdocs", "Retrieve WebDocs over the Internet");
    LinkButton(btnWebDocs, actGetWebDocs);
    btnEmail = MakeButton(tbTopLeft, "btnEmail", "Email", "email", "Email this document set");
    auto* popupEmail = new QMenu(btnEmail);
    popupEmail->setObjectName("mnuPopupEmail");
    popupEmail->addActions({actEmailAll, actEmailSelected, actEmailChanged});
    AddDropDown(btnEmail, popupEmail);
    LinkButton(btnEmail, actEmail);
    btnAttachDoc = MakeButton(tbTopLeft, "btnAttachDoc", "Attach", "attach", QString());
    LinkButton(btnAttachDoc, actAttachDocs);

    btnClose = MakeButton(tbTopRight, "btnClose", "Close", "close", actClosePagellan->statusTip());
    auto* closeMenu = new QMenu(btnClose);
    closeMenu->setObjectName("mnuClose");
    closeMenu->addActions({actCloseAllPages, actClosePagellan});
    AddDropDown(btnClose, closeMenu);
    connect(btnClose, &QToolButton::clicked, this, [this] {
        if (FormCount() > 0)
            actCloseAllPages->trigger();
        else
            actClosePagellan->trigger();
    });
}

} // namespace pg
