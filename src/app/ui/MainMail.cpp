// The main window's e-mail commands: Email All / Selected / Changed and the Email button. The
// attachment is written by the core (EmailPackage.h) and the Email dialog sends it.

#include "Main.h"
#include "Options.h"

#include "EmailPackage.h"
#include "MailMessage.h"
#include "MailSession.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "PrintTree.h"
#include "PrintWalk.h"
#include "Prompt.h"
#include "SMTP.h"
#include "ScanPlugin.h"
#include "Strings.h"

#include <QApplication>
#include <QToolButton>

namespace pg {

void TfrmMain::CreateMailing() {
    for (QAction* a : {actEmail, actEmailAll, actEmailSelected, actEmailChanged})
        MarkWired(a);
    connect(actEmailAll, &QAction::triggered, this, [this] { EmailClick(TSaveMode::All); });
    connect(actEmailSelected, &QAction::triggered, this, [this] { EmailClick(TSaveMode::Selected); });
    connect(actEmailChanged, &QAction::triggered, this, [this] { EmailClick(TSaveMode::Changed); });
    MarkWired(actScanNEmail);
    actScanNEmail->setEnabled(true);
    connect(actScanNEmail, &QAction::triggered, this, &TfrmMain::ScanAndEmailClick);
    // The Email button: everything when nothing or only the root is selected, else the selection.
    connect(actEmail, &QAction::triggered, this, [this] {
        if (PrintButtonPrintsAll(tree_, Selection()))
            actEmailAll->trigger();
        else
            actEmailSelected->trigger();
    });
}

TfrmSMTP& TfrmMain::EmailDialog() {
    if (!frmSMTP) {
        frmSMTP = new TfrmSMTP(this);
        // An SMTP address that answers nothing: the options open on it.
        frmSMTP->OpenMailOptions = [this] { Options()->ShowOnPage(TfrmOptions::SystemPage, "edSMTPHost"); };
    }
    return *frmSMTP;
}

bool TfrmMain::EmailOptionsSet() {
    if (PGRegistry::EmailClient() != 0)
        return true;
    // The options field of the first blank setting, or empty when all are filled.
    const auto firstBlank = []() -> QString {
        switch (FirstBlankMailSetting(MailSetupFromSettings())) {
        case TMailSetting::Host:
            return "edSMTPHost";
        case TMailSetting::FromName:
            return "edFromName";
        case TMailSetting::EmailAddr:
            return "edFromEmailAddr";
        case TMailSetting::None:
            break;
        }
        return {};
    };
    QString blank = firstBlank();
    if (blank.isEmpty())
        return true;
    if (AskYesNo(std::string(kMailSettingsIncompleteText) + "  Do you wish to set this up now?",
                 PromptAnswer::Yes, "Setup email?") != PromptAnswer::Yes)
        return false;
    // The options dialog opens on its mail settings until it is cancelled or the fields are
    // complete.
    while (Options()->ShowOnPage(TfrmOptions::SystemPage, blank) == QDialog::Accepted) {
        blank = firstBlank();
        if (blank.isEmpty())
            return true;
    }
    return false;
}

// Scan and Email: the scanning plug-in scans to a file and names subject and body; the file goes
// out through the chosen route. Once the mail settings are complete, a missing plug-in is
// offered for download.
void TfrmMain::ScanAndEmailClick() {
    // Settings that cannot send first: a plug-in fetched for a scan that goes nowhere helps no one.
    if (!EmailOptionsSet())
        return;
    if (!ScanPluginLoaded() && !DownloadScanPlugin())
        return;
    const TScanForEmail scan = ScanForEmail(ScannerSettings(), PGRegistry::FillDir());
    if (!Trim(scan.File).empty()) {
        TfrmSMTP& dialog = EmailDialog();
        dialog.ClearAttachments();
        dialog.SetEmailSubject(scan.Subject);
        dialog.SetEmailBodyText(scan.Body);
        dialog.AddEmailAttachments(Trim(scan.File));
        dialog.Send(PGRegistry::EmailClient(), true);
    }
    ScanCleanup();
}

void TfrmMain::EmailClick(TSaveMode mode) {
    // While a conversion runs its work folder is in use: a second one waits for it.
    if (!Loaded || !set_ || tree_.Empty() || Converting || !EmailOptionsSet())
        return;
    const TSelection selection = Selection();
    if (mode == TSaveMode::Selected) {
        const std::vector<const TDocSetForm*> forms = FormsToCheckForDeletion(tree_, selection);
        if (forms.empty()) {
            ShowInformation("No forms selected.");
            return;
        }
        std::string deleted = DeletedFormsMessage(forms);
        if (!deleted.empty()) {
            const std::string printed = "Nothing will be printed.";
            if (const size_t at = deleted.rfind(printed); at != std::string::npos)
                deleted.replace(at, printed.size(), "Nothing will be emailed.");
            ShowInformation(deleted);
            return;
        }
    }
    TfrmSMTP& dialog = EmailDialog();
    AskToSaveStackingOrder();
    dialog.SetEmailSubject(EmailSubjectFor(set_->WorksheetNumber));
    dialog.SetEmailBodyText(GetEmailBodyMessageFromRegistry());
    dialog.SetEmailCCRecipients(PGRegistry::AutomaticEmailCC());
    dialog.ClearAttachments();

    const TPdfConversion conversion{PdfConverter,
                                    [] { QApplication::processEvents(QEventLoop::AllEvents, 50); }};
    // The writer reads the set and the selection when it runs; DestroyTree takes it away from
    // the dialog before either goes.
    TfrmSMTP::TDocumentWriter writer = [this, mode, selection, conversion](int format,
                                                                           const std::string& path) {
        if (!set_)
            return false;
        if (TEmailFormat(format) != TEmailFormat::PDF)
            return WriteEmailAttachment(*set_, tree_, selection, mode, TEmailFormat(format), path,
                                        conversion);
        // The PDF is made as Save As makes one: the print options of the printer dialog, every
        // Vivaform page in its place, one conversion at a time.
        if (Converting)
            return false;
        bool walked = false;
        const std::string pcl =
            GetPCLToCreatePDF(mode == TSaveMode::Selected, mode == TSaveMode::Changed, &walked);
        return walked && ConvertPCLStringToPDF(pcl, path);
    };
    const int format = std::clamp(PGRegistry::EmailDocumentFormat(), 0, 2);
    if (dialog.StartDocumentMail(set_->WorksheetNumber, std::move(writer)) &&
        dialog.WriteDocumentFile(format))
        dialog.AddEmailAttachments(dialog.DocumentPath(format));
    const int client = PGRegistry::EmailClient();
    if (client != 0)
        dialog.AddEmailAttachments(TfrmSMTP::OwnExecutable());
    dialog.Send(client, false);
}

} // namespace pg
