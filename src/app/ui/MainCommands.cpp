// The main window's Help menu (web help, online help, release notes, product suggestions, About),
// the status window, what happens when the window comes to the front, and the hints of the
// buttons whose command depends on the state.

#include "Main.h"

#include "AboutBox.h"
#include "AboutInfo.h"
#include "MessageWindow.h"
#include "Options.h"
#include "Paths.h"
#include "PrintTree.h"
#include "PrinterDlg.h"
#include "WebAddresses.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QToolButton>

namespace pg {

void TfrmMain::CreateHelpCommands() {
    frmStatus = new TfrmStatus(this);
    for (QAction* a : {mnuWebHelp, mnuOnlineHelp, mnuReleaseNotes, mnuProductSuggestions, mnuAbout}) {
        MarkWired(a);
        a->setEnabled(true);
    }
    connect(mnuWebHelp, &QAction::triggered, this, [] { OpenWebAddress(PGRegistry::WebHelpAddress()); });
    connect(mnuOnlineHelp, &QAction::triggered, this,
            [] { OpenWebAddress(PGRegistry::OnlineHelpAddress()); });
    connect(mnuReleaseNotes, &QAction::triggered, this,
            [] { OpenWebAddress(PGRegistry::ReleaseNotesAddress()); });
    connect(mnuProductSuggestions, &QAction::triggered, this,
            [this] { OpenWebAddress(ProductSuggestionAddress()); });
    connect(mnuAbout, &QAction::triggered, this, &TfrmMain::AboutClick);

    // "Upload Annotations": the menu item marks the set's annotations for upload and runs the
    // action, which itself transfers nothing.
    MarkWired(mnuUploadAnnotations);
    MarkWired(actUploadAnnotations);
    connect(mnuUploadAnnotations, &QAction::triggered, this, [this] {
        if (set_)
            set_->AnnotationsToUpload = true;
        actUploadAnnotations->trigger();
    });

    // The Close button's command changes with the page windows, so its hint is decided when the
    // pointer comes to it.
    btnClose->installEventFilter(this);
}

std::string TfrmMain::ProductSuggestionAddress() const {
    return PGRegistry::SuggestionsAddress() +
           SuggestionQuery(set_ ? set_->LenderName : std::string(), UserName(), UserEmail);
}

TfrmAboutBox* TfrmMain::AboutBox() {
    if (frmAboutBox_ == nullptr) {
        frmAboutBox_ = new TfrmAboutBox(this);
        // The options dialog's command, so that its date shows the check.
        frmAboutBox_->CheckForUpdates = [this] { Options()->btnCheckForUpdatesNowClick(); };
    }
    return frmAboutBox_;
}

void TfrmMain::AboutClick() {
    TfrmAboutBox* about = AboutBox();
    about->DocumentSet = set_.get();
    about->DocumentFolder = DialogFolder();
    about->PrintModeText =
        frmPrinterDlg != nullptr ? frmPrinterDlg->cbxPrintMode->currentText().toStdString() : std::string();
    about->exec();
}

void TfrmMain::ShowStatus(const QString& caption, const QString& text, bool closable) {
    frmStatus->ShowStatus(caption, text, closable);
}

void TfrmMain::WindowActivated() {
    printState_.JobPending = false;
    SetStatusBar();
    SetActionEnabled(actUploadAnnotations, Loaded && UploadAnnotationsOption);
    UpdateButtonHints();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == btnClose && (event->type() == QEvent::Enter || event->type() == QEvent::ToolTip))
        UpdateButtonHints();
    // A menu does not show a disabled item's status text by itself; its reason is worth seeing.
    if (auto* menu = qobject_cast<QMenu*>(watched); menu != nullptr && event->type() == QEvent::MouseMove) {
        const QAction* item = menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (item != nullptr && !item->isEnabled() && !item->statusTip().isEmpty()) {
            QStatusTipEvent tip(item->statusTip());
            QApplication::sendEvent(this, &tip);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::UpdateButtonHints() {
    const bool all = PrintButtonPrintsAll(tree_, Selection());
    const QAction* print = all ? actPrintAll : actPrintSelected;
    const QAction* email = all ? actEmailAll : actEmailSelected;
    const QAction* close = FormCount() > 0 ? actCloseAllPages : actClosePagellan;
    for (auto [button, action] : {std::pair{btnPrint, print}, {btnEmail, email}, {btnClose, close}}) {
        button->setToolTip(action->statusTip());
        button->setStatusTip(action->statusTip());
    }
}

} // namespace pg
