#include "SMTP.h"

#include "HLWMsgDialog.h"
#include "HLWRegistry.h"
#include "MapiMail.h"
#include "PGRegistry.h"
#include "Paths.h"
#include "Prompt.h"
#include "QtText.h"
#include "Strings.h"
#include "WorkFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace pg {

namespace {

constexpr char kToHistory[] = "\\EMAIL-TO";
constexpr char kCCHistory[] = "\\EMAIL-CC";
constexpr char kBCCHistory[] = "\\EMAIL-BCC";
constexpr char kBodyHint[] =
    "If you modify the body of this email, then it\nwill be the default message for all "
    "subsequent\nemails as well.";

QComboBox* HistoryBox(QWidget* parent, const char* name) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);
    box->setMaxVisibleItems(10);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

void Remove(std::vector<std::string>& list, const std::string& item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// The "Attachments" dialog: the paths, Add (several at once), Delete, OK and Cancel.
class TfrmAttachments : public QDialog {
public:
    TfrmAttachments(const std::vector<std::string>& paths, QWidget* parent) : QDialog(parent) {
        setObjectName("frmAttachments");
        setWindowTitle("Attachments");
        lbFiles = new QListWidget(this);
        lbFiles->setObjectName("lbFiles");
        lbFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
        for (const std::string& p : paths)
            lbFiles->addItem(QString::fromStdString(p));
        auto* add = new QPushButton("Add", this);
        auto* del = new QPushButton("Delete", this);
        auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(add, &QPushButton::clicked, this, [this] {
            for (const QString& file : QFileDialog::getOpenFileNames(this, "Add"))
                if (lbFiles->findItems(file, Qt::MatchExactly).isEmpty())
                    lbFiles->addItem(file);
        });
        connect(del, &QPushButton::clicked, this, [this] { qDeleteAll(lbFiles->selectedItems()); });
        connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(add);
        buttons->addWidget(del);
        buttons->addStretch();
        buttons->addWidget(box);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(lbFiles);
        layout->addLayout(buttons);
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> out;
        for (int i = 0; i < lbFiles->count(); ++i)
            out.push_back(lbFiles->item(i)->text().toStdString());
        return out;
    }
    QListWidget* lbFiles = nullptr;
};

} // namespace

TfrmSMTP::TfrmSMTP(QWidget* parent) : QDialog(parent) {
    setObjectName("frmSMTP");
    setWindowTitle("Email");
    cbxTo = HistoryBox(this, "cbxTo");
    cbxCC = HistoryBox(this, "cbxCC");
    cbxBCC = HistoryBox(this, "cbxBCC");
    cbxBCC->hide();
    lblAutoCC = new QLabel("Automatic CC:", this);
    lblCC = new QLabel(this);
    lblCC->setObjectName("lblCC");
    edSubject = new QLineEdit(this);
    edSubject->setObjectName("edSubject");
    memoEmailBody = new QPlainTextEdit(this);
    memoEmailBody->setObjectName("memoEmailBody");
    rgDataFormat = new QWidget(this);
    rgDataFormat->setObjectName("rgDataFormat");
    rbQuodex = new QRadioButton("Quodex", rgDataFormat);
    rbPDF = new QRadioButton("PDF", rgDataFormat);
    auto* formatLayout = new QHBoxLayout(rgDataFormat);
    formatLayout->addWidget(new QLabel("Email document format", rgDataFormat));
    formatLayout->addWidget(rbQuodex);
    formatLayout->addWidget(rbPDF);
    sbAttachments = new QToolButton(this);
    sbAttachments->setObjectName("sbAttachments");
    sbAttachments->setText("Attachments...");
    sbAttachments->setToolTip("Select additional files to attach in this email");
    cbxSendEXE = new QCheckBox("Include Vantorel viewer as attachment", this);
    cbxSendEXE->setObjectName("cbxSendEXE");
    btnSend = new QPushButton("Send", this);
    btnSend->setObjectName("btnSend");
    btnSend->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    pnlStatus = new QWidget(this);
    pnlStatus->setObjectName("pnlStatus");
    ProgressBar = new QProgressBar(pnlStatus);
    ProgressBar->setRange(0, 100);
    lblProgress = new QLabel("0% completed", pnlStatus);
    lblProgress->setObjectName("lblProgress");
    lblProgress2 = new QLabel(pnlStatus);
    auto* status = new QHBoxLayout(pnlStatus);
    status->addWidget(ProgressBar);
    status->addWidget(lblProgress);
    status->addWidget(lblProgress2);
    pnlStatus->hide();

    auto* fields = new QFormLayout;
    fields->addRow("TO:", cbxTo);
    fields->addRow("CC:", cbxCC);
    fields->addRow(lblAutoCC, lblCC);
    fields->addRow("Subject: ", edSubject);
    auto* options = new QHBoxLayout;
    options->addWidget(rgDataFormat);
    options->addWidget(sbAttachments);
    options->addWidget(cbxSendEXE);
    options->addStretch();
    options->addWidget(btnSend);
    options->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(memoEmailBody);
    layout->addLayout(options);
    layout->addWidget(pnlStatus);
    resize(560, 420);

    connect(btnSend, &QPushButton::clicked, this, &TfrmSMTP::btnSendClick);
    // While a send runs, closing is refused with its message (done).
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(sbAttachments, &QToolButton::clicked, this, &TfrmSMTP::sbAttachmentsClick);
    for (QRadioButton* rb : {rbQuodex, rbPDF})
        connect(rb, &QRadioButton::clicked, this, [this] {
            formatTouched_ = true;
            if (!scanMode_)
                AddEmailDocumentAttachments();
        });
    connect(cbxSendEXE, &QCheckBox::toggled, this, &TfrmSMTP::ApplyViewerCheckbox);
    for (QComboBox* box : {cbxTo, cbxCC, cbxBCC})
        connect(box->lineEdit(), &QLineEdit::editingFinished, this, [this, box] { RememberEntry(box); });

    ShowStatus = [](const std::string& title, const std::string& text) { ShowError(text, title); };
    ConfirmWarning = [this] { return ConfirmEmailWarning(this); };
    session_.Pump = [] { QApplication::processEvents(QEventLoop::AllEvents, 50); };
    session_.OnProgress = [this](int percent) {
        pnlStatus->setVisible(true);
        ProgressBar->setValue(percent);
        lblProgress->setText(QString::number(percent) + "%  completed");
        lblProgress2->setText("Encoding : ");
    };
}

TfrmSMTP::~TfrmSMTP() = default;

void TfrmSMTP::SetEmailBodyText(const std::string& text) {
    const std::string body = Trim(text).empty() ? CRLFMarkersToBreaks(DefaultEmailMessage()) : text;
    body_ = EmailBodyLines(body);
}

bool TfrmSMTP::StartDocumentMail(const std::string& worksheet, TDocumentWriter writer) {
    EndMail();
    worksheet_ = worksheet;
    work_ = std::make_unique<TWorkFolder>("pagellan-mail");
    if (!work_->Made()) {
        work_.reset();
        ShowError("Can not create temporary files in " + WorkFolderBase());
        return false;
    }
    writer_ = std::move(writer);
    return true;
}

void TfrmSMTP::DocumentSetGone() {
    writer_ = {};
}

bool TfrmSMTP::WriteDocumentFile(int format) {
    const std::string path = DocumentPath(format);
    if (path.empty())
        return false;
    if (written_.count(format) != 0)
        return true;
    if (!writer_ || !writer_(format, path))
        return false;
    written_.insert(format);
    return true;
}

std::string TfrmSMTP::DocumentPath(int format) const {
    static const char* const extensions[] = {".QDX", ".PDF", ".TSN"};
    if (!work_ || format < 0 || format > 2)
        return {};
    return work_->File(EmailDocumentName(worksheet_) + extensions[format]);
}

std::string TfrmSMTP::WorkFolder() const {
    return work_ ? work_->Path() : std::string();
}

void TfrmSMTP::EndMail() {
    if (work_) {
        const std::string folder = work_->Path();
        attachments_.erase(std::remove_if(attachments_.begin(), attachments_.end(),
                                          [&folder](const std::string& a) { return a.starts_with(folder); }),
                           attachments_.end());
    }
    work_.reset();
    writer_ = {};
    written_.clear();
    worksheet_.clear();
}

std::string TfrmSMTP::OwnExecutable() {
    return IncludeSlash(QCoreApplication::applicationDirPath().toStdString()) + "pagellan";
}

void TfrmSMTP::Send(int client, bool scanMode) {
    // Whichever way this ends, the mailing's files go with it: the mail program has taken them
    // by the time its route returns.
    struct TEnd {
        TfrmSMTP& dialog;
        ~TEnd() { dialog.EndMail(); }
    } end{*this};
    if (ConfirmWarning && !ConfirmWarning())
        return;
    if (client == 1 || client == 2) {
        SendMapi();
        return;
    }
    if (client == 99 || client == 'c') {
        SendMailto();
        return;
    }
    scanMode_ = scanMode;
    formatTouched_ = false;
    edSubject->setText(FromPackageText(subject_));
    cbxTo->setEditText({});
    cbxCC->setEditText(FromPackageText(ccRecipients_));
    exec();
}

void TfrmSMTP::SendMapi() {
    PGRegistry::SetEmailClient(1);
    std::string files;
    for (const std::string& path : attachments_)
        if (!Trim(path).empty() && path != OwnExecutable())
            files += path + ";";
    std::string body;
    for (size_t i = 0; i < body_.size(); ++i)
        body += (i ? "\r\n" : "") + body_[i];
    SendMapiMail(subject_, body, files, true, true, {}, "", "");
}

void TfrmSMTP::SendMailto() {
    OpenMailto(MailtoAddress(recipients_, subject_, body_, ccRecipients_));
}

void TfrmSMTP::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    const int format = PGRegistry::EmailDocumentFormat();
    (format == 0 ? rbQuodex : rbPDF)->setChecked(true);
    FormActivate();
}

void TfrmSMTP::FormActivate() {
    rgDataFormat->setVisible(!scanMode_);
    sbAttachments->setVisible(!scanMode_);
    memoEmailBody->setToolTip(scanMode_ ? QString() : QString(kBodyHint));
    // A Tesselon document written by the command stays the document until a format is chosen.
    if (!scanMode_ && PGRegistry::EmailDocumentFormat() != 2)
        AddEmailDocumentAttachments();
    LoadHistory(cbxTo, kToHistory);
    LoadHistory(cbxCC, kCCHistory);
    LoadHistory(cbxBCC, kBCCHistory);
    QStringList lines;
    for (const std::string& line : EmailBodyLines(GetEmailBodyMessageFromRegistry()))
        if (line.find("Attached is the loan document for") == std::string::npos)
            lines << FromPackageText(line);
    memoEmailBody->setPlainText(lines.join("\n"));
    cbxTo->setFocus();
    ProgressBar->setValue(0);
    const std::string autoCC = PGRegistry::AutomaticEmailCC();
    lblCC->setText(FromPackageText(autoCC));
    lblAutoCC->setVisible(!Trim(autoCC).empty());
    lblCC->setVisible(!Trim(autoCC).empty());
    ApplyViewerCheckbox();
}

void TfrmSMTP::AddEmailDocumentAttachments() {
    if (!work_)
        return;
    Remove(attachments_, TempPdfPath());
    Remove(attachments_, TempContainerPath());
    if (formatTouched_)
        Remove(attachments_, DocumentPath(2));
    const bool quodex = rbQuodex->isChecked();
    // The list names only a file this mailing wrote: never one that merely has the right name.
    if (WriteDocumentFile(quodex ? 0 : 1))
        attachments_.push_back(DocumentPath(quodex ? 0 : 1));
    cbxSendEXE->setEnabled(quodex);
    if (!quodex)
        cbxSendEXE->setChecked(false);
}

void TfrmSMTP::ApplyViewerCheckbox() {
    const std::string exe = OwnExecutable();
    if (cbxSendEXE->isChecked() && !Contains(attachments_, exe))
        attachments_.push_back(exe);
    else if (!cbxSendEXE->isChecked())
        Remove(attachments_, exe);
}

void TfrmSMTP::sbAttachmentsClick() {
    TfrmAttachments dialog(attachments_, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    attachments_ = dialog.Paths();
    cbxSendEXE->setChecked(Contains(attachments_, OwnExecutable()));
}

void TfrmSMTP::LoadHistory(QComboBox* box, const char* subKey) {
    const QString text = box->currentText();
    box->clear();
    for (int i = 0; i < 10; ++i) {
        const std::string entry = Registry().ReadSubKeyString(subKey, IntToStr(i), "");
        if (!Trim(entry).empty())
            box->addItem(FromPackageText(entry));
    }
    box->setEditText(text);
}

void TfrmSMTP::RememberEntry(QComboBox* box) {
    const QString text = box->currentText();
    if (!text.trimmed().isEmpty() && box->findText(text, Qt::MatchExactly) < 0) {
        box->insertItem(0, text);
        box->setEditText(text);
    }
}

void TfrmSMTP::SaveHistory(QComboBox* box, const char* subKey, bool appendText) {
    const QString text = box->currentText();
    if (appendText && box->findText(text, Qt::MatchExactly) < 0) {
        box->addItem(text);
        box->setEditText(text);
    }
    int written = 0;
    for (int i = 0; i < box->count() && written < 10; ++i)
        if (!box->itemText(i).trimmed().isEmpty())
            Registry().WriteSubKeyString(subKey, IntToStr(written++), ToPackageText(box->itemText(i)));
}

std::vector<std::string> TfrmSMTP::BodyLines() const {
    std::vector<std::string> lines;
    for (const QString& line : memoEmailBody->toPlainText().split('\n'))
        lines.push_back(ToPackageText(line));
    return lines;
}

void TfrmSMTP::btnSendClick() {
    TMailSetup setup = MailSetupFromSettings();
    TMailDraft draft;
    draft.To = ToPackageText(cbxTo->currentText());
    draft.CC = ToPackageText(cbxCC->currentText());
    draft.Subject = ToPackageText(edSubject->text());
    draft.BodyLines = BodyLines();
    // The document goes as the annotation-disabled copy.
    if (!scanMode_ && work_ && Contains(attachments_, TempContainerPath())) {
        std::string bytes, error;
        if (ReadFileBytes(TempContainerPath(), bytes, error))
            AtomicWriteFile(TempContainerPath(), DisableAnnotationsInQuodex(bytes));
    }
    draft.Attachments = attachments_;
    // The histories and the body are kept once the server has greeted: a send that never
    // reached a server leaves them as they were.
    session_.OnGreeted = [this] {
        SaveHistory(cbxTo, kToHistory, true);
        SaveHistory(cbxBCC, kBCCHistory, true);
        SaveHistory(cbxCC, kCCHistory, false);
        PGRegistry::SetEmailMessage(BreaksToCRLFMarkers(ToPackageText(memoEmailBody->toPlainText()).c_str()));
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ProgressBar->setValue(0);
    const TMailResult result = session_.Send(setup, draft);
    session_.OnGreeted = nullptr;
    QApplication::restoreOverrideCursor();
    pnlStatus->hide();
    switch (result.Outcome) {
    case TMailOutcome::Sent:
        ShowInformation(result.Text);
        // The message is gone: the dialog has done its work.
        accept();
        break;
    case TMailOutcome::InvalidAddress:
        ShowError(result.Text);
        (result.Field == "CC" ? cbxCC : cbxTo)->setFocus();
        break;
    case TMailOutcome::NoSmtpConnection:
        ShowWarning(result.Text);
        if (OpenMailOptions)
            OpenMailOptions();
        break;
    case TMailOutcome::Refused:
        if (result.StatusWindow && ShowStatus)
            ShowStatus("Error", result.Text);
        else
            ShowError(result.Text);
        break;
    default:
        ShowError(result.Text);
        break;
    }
}

void TfrmSMTP::closeEvent(QCloseEvent* event) {
    if (Sending() && session_.Smtp().Connected()) {
        ShowInformation("Please wait, email being sent.");
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmSMTP::done(int result) {
    if (Sending() && session_.Smtp().Connected()) {
        ShowInformation("Please wait, email being sent.");
        return;
    }
    QApplication::restoreOverrideCursor();
    PGRegistry::SetEmailMessage(BreaksToCRLFMarkers(ToPackageText(memoEmailBody->toPlainText()).c_str()));
    QDialog::done(result);
    session_.Close();
}

} // namespace pg
