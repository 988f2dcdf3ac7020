#include "WebFrm.h"

#include "Paths.h"
#include "Prompt.h"
#include "WebDocs.h"
#include "WebSettings.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <cmath>

namespace pg {

namespace {

constexpr int kWidth = 383;
constexpr int kCompactHeight = 78;
constexpr int kPassPhraseHeight = 214;
constexpr int kMeterShownAbove = 750;

const char* const kAuthenticationText =
    "<p><font color=\"#BB0400\"><B><strong>Authentication Required!</strong></B></p><p><p></p>Additional "
    "information is required to access your documents. Please enter the information below. If you do not "
    "know the "
    "information, contact the Vantorel user originating this transaction. <br></FONT>";

QString Q(const std::string& s) {
    return QString::fromLocal8Bit(s.data(), qsizetype(s.size()));
}

} // namespace

TfrmWeb::TfrmWeb(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("frmWeb");
    setModal(true);
    pnlWebDocs = new QWidget(this);
    pnlWebDocs->setGeometry(0, 0, kWidth, 40);
    lblCode = new QLabel("WebDocs Code:", pnlWebDocs);
    lblCode->setGeometry(8, 12, 90, 16);
    edWebDocCode = new QLineEdit(pnlWebDocs);
    edWebDocCode->setObjectName("edWebDocCode");
    edWebDocCode->setGeometry(100, 8, 170, 24);
    btnSubmit = new QPushButton("Submit", pnlWebDocs);
    btnSubmit->setObjectName("btnSubmit");
    btnSubmit->setGeometry(278, 8, 64, 24);
    btnSubmit->setDefault(true);
    btnSubmit->setEnabled(false);
    imgPadlock = new QLabel(pnlWebDocs);
    imgPadlock->setGeometry(350, 8, 24, 24);
    imgPadlock->setToolTip("SSL Secured (128 Bit)");

    pnlPassword = new QWidget(this);
    pnlPassword->setGeometry(0, 40, kWidth, 136);
    lblAuthentication = new QLabel(kAuthenticationText, pnlPassword);
    lblAuthentication->setWordWrap(true);
    lblAuthentication->setGeometry(8, 0, kWidth - 16, 96);
    lblPassPhrase = new QLabel(pnlPassword);
    lblPassPhrase->setGeometry(8, 104, 98, 16);
    edPassPhrase = new QLineEdit(pnlPassword);
    edPassPhrase->setObjectName("edPassPhrase");
    edPassPhrase->setGeometry(110, 100, 232, 24);
    pnlPassword->hide();

    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 100);
    ProgressBar->hide();
    pnlBottom = new QWidget(this);
    lblStatus = new QLabel(pnlBottom);
    lblStatus->setGeometry(8, 0, kWidth - 16, 16);
    pnlBottom->hide();

    connect(edWebDocCode, &QLineEdit::textChanged, this,
            [this](const QString& text) { btnSubmit->setEnabled(!text.trimmed().isEmpty()); });
    connect(btnSubmit, &QPushButton::clicked, this, &TfrmWeb::btnWebDocPostClick);

    OpenDocument = [](const std::string& file) { QDesktopServices::openUrl(QUrl::fromLocalFile(Q(file))); };
    copy_.Agent = "WebCopy";
    ApplyStoredTransferSettings(copy_);
    copy_.EventPump = [] { QApplication::processEvents(); };
    copy_.OnErrorInfo = [this](int index, int code, const std::string& text) {
        ErrorInfo(index, code, text);
    };
    copy_.OnFileStart = [](int) {};
    copy_.OnCopyProgress = [this](int, int64_t size, int64_t received, std::string&) {
        CopyProgress(size, received);
    };
    setFixedWidth(kWidth);
    SetHeight(kCompactHeight);
}

void TfrmWeb::SetHeight(int height) {
    setFixedHeight(height);
    pnlBottom->setGeometry(0, height - 18, kWidth, 18);
}

void TfrmWeb::ShowMeter() {
    ProgressBar->setGeometry(8, height() - 39, kWidth - 16, 16);
    ProgressBar->show();
}

bool TfrmWeb::RetrieveWebDocs(const std::string& address, THLWMemorystream& receiving) {
    pnlWebDocs->show();
    pnlPassword->hide();
    address_ = address;
    receiving_ = &receiving;
    receiving.Clear();
    finished_ = false;
    SetHeight(kCompactHeight);
    setWindowTitle("WebDocs");
    interactive_ = true;
    edWebDocCode->setFocus();
    return exec() == QDialog::Accepted;
}

void TfrmWeb::btnWebDocPostClick() {
    btnSubmit->setEnabled(false);
    ProgressBar->setValue(0);
    copy_.OnCopyDone = [this] { HLWWebDocsDone(); };
    copy_.Items.Clear();
    THLWWebCopyItem& item = copy_.Items.Add();
    item.URL = address_;
    item.HTTPCommand = THTTPCommand::hcPost;
    item.Protocol = TWebProtocol::wpHttpPostData;
    item.Stream.Write(WebDocsRequest(edWebDocCode->text().toStdString(), edPassPhrase->text().toStdString()));
    errorCode_ = 0;
    copy_.Execute();
}

void TfrmWeb::CopyProgress(int64_t size, int64_t received) {
    if (size > kMeterShownAbove && ProgressBar->isHidden()) {
        SetHeight(height() + 25);
        ShowMeter();
    }
    if (finished_)
        copy_.Cancel();
    if (size != 0)
        ProgressBar->setValue(int(std::lround(double(received) / double(size) * 100)));
}

void TfrmWeb::ErrorInfo(int index, int code, const std::string& text) {
    errorCode_ = code;
    if (interactive_)
        ShowError(text + "\n" + copy_.Items[size_t(index)].URL);
}

void TfrmWeb::HLWWebDocsDone() {
    if (errorCode_ != 0 || finished_ || copy_.UserCanceled())
        return;
    if (copy_.Items.Count() == 0 || !copy_.Items[0].Succeeded())
        return;
    EvaluateReply();
}

void TfrmWeb::EvaluateReply() {
    lblCode->show();
    edWebDocCode->show();
    ProgressBar->hide();
    THLWWebCopyItem& item = copy_.Items[0];
    const std::string reply(item.Stream.View());
    const TWebDocsReply r = EvaluateWebDocsReply(reply);
    if (r.Kind == TWebDocsReplyKind::Package) {
        receiving_->Clear();
        receiving_->Write(reply);
        receiving_->Seek(0);
        finished_ = true;
        accept();
        return;
    }
    if (r.Kind == TWebDocsReplyKind::HtmlPage) {
        const std::string page = TempFolder() + "WebDocs.htm";
        if (AtomicWriteFile(page, reply) && OpenDocument)
            OpenDocument(page);
        btnSubmit->setEnabled(!edWebDocCode->text().trimmed().isEmpty());
        return;
    }
    if (r.Code != 1 && AskYesNo(r.Message, PromptAnswer::Yes) == PromptAnswer::No) {
        finished_ = true;
        QDialog::reject();
        return;
    }
    btnSubmit->setEnabled(true);
    edWebDocCode->setEnabled(true);
    if (!r.WantsPassPhrase) {
        edWebDocCode->setFocus();
        return;
    }
    pnlPassword->show();
    edPassPhrase->setEnabled(true);
    SetHeight(kPassPhraseHeight);
    edWebDocCode->setEnabled(false);
    lblPassPhrase->setFixedWidth(98);
    lblPassPhrase->setText(Q(r.Prompt));
    edPassPhrase->setFocus();
}

bool TfrmWeb::DownloadQuodex(const std::string& address, THLWMemorystream& receiving) {
    SetHeight(kCompactHeight);
    pnlWebDocs->hide();
    pnlPassword->hide();
    ShowMeter();
    pnlBottom->show();
    setWindowTitle("Downloading Quodex from URL");
    lblStatus->setText(Q("Downloading : " + address));
    interactive_ = true;
    receiving_ = &receiving;
    finished_ = false;
    copy_.Items.Clear();
    THLWWebCopyItem& item = copy_.Items.Add();
    item.URL = address;
    item.Protocol = TWebProtocol::wpHttp;
    errorCode_ = 0;
    copy_.OnCopyDone = [this] { DownloadDone(); };
    // The transfer starts once the window is up, so that its meter shows the progress.
    QTimer::singleShot(0, this, [this] { copy_.Execute(); });
    return exec() == QDialog::Accepted && errorCode_ == 0;
}

void TfrmWeb::DownloadDone() {
    if (finished_ || copy_.UserCanceled())
        return;
    finished_ = true;
    if (!copy_.Items[0].Succeeded() || errorCode_ != 0) {
        QDialog::reject();
        return;
    }
    receiving_->Clear();
    receiving_->Write(copy_.Items[0].Stream.View());
    receiving_->Seek(0);
    accept();
}

void TfrmWeb::reject() {
    // Closing the window while a transfer runs cancels it before its next chunk.
    finished_ = true;
    if (copy_.IsActive())
        copy_.Cancel();
    QDialog::reject();
}

} // namespace pg
