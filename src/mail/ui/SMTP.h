#pragma once
// TfrmSMTP: the "Email" dialog. It gathers the recipients (with their histories in the
// settings), subject, body, document format and attachments, and sends through the mail
// session, which keeps its connections while the dialog lives; the outcome is shown with the
// messages of the failure table. Also the entry of every route: Send picks the SMTP dialog,
// the desktop mail program or a mailto: address by the e-mail client setting.
//
// One mailing of a document set is one operation: its attachment files live in a private work
// folder of their own (WorkFolder.h), written for this mailing and removed once Send is over,
// whichever route it took. The dialog holds only the set's worksheet number and a writer for the
// set's files, never the set: when the set goes, the owner says so and nothing more is written.

#include "MailSession.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

namespace pg {

class TWorkFolder;

class TfrmSMTP : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSMTP(QWidget* parent = nullptr);
    ~TfrmSMTP() override;

    // Writes the forms of the mailing into a file of a format (0 Quodex, 1 PDF, 2 Tesselon).
    using TDocumentWriter = std::function<bool(int format, const std::string& path)>;
    // Starts the mailing of a document set: a fresh work folder (an earlier mailing's goes with
    // its files), the worksheet number naming the files and the writer. False when no work
    // folder could be made (the user was told); the mailing then has no document files.
    bool StartDocumentMail(const std::string& worksheet, TDocumentWriter writer);
    // The set the mailing was made from was replaced or freed: no more files are written from
    // it. Files written already stay what this mailing sends.
    void DocumentSetGone();
    // Writes the mailing's file of the format unless this mailing wrote it already; whether it
    // is there now.
    bool WriteDocumentFile(int format);
    // The file of a format in the mailing's work folder, named after the worksheet number;
    // empty without a mailing of a document.
    std::string DocumentPath(int format) const;
    // The mailing's work folder; empty without one.
    std::string WorkFolder() const;
    void SetEmailSubject(const std::string& text) { subject_ = text; }
    void SetEmailCCRecipients(const std::string& text) { ccRecipients_ = text; }
    void SetEmailRecipients(const std::string& text) { recipients_ = text; }
    void SetEmailBody(const std::vector<std::string>& lines) { body_ = lines; }
    // The body becomes this one text; a blank text gives the default "Email Message".
    void SetEmailBodyText(const std::string& text);
    void SetEmailAttachments(const std::vector<std::string>& paths = {}) { attachments_ = paths; }
    void AddEmailAttachments(const std::string& path) { attachments_.push_back(path); }
    void ClearAttachments() { attachments_.clear(); }
    const std::vector<std::string>& Attachments() const { return attachments_; }
    // Shows the warning; on OK sends by client: 0 this dialog, 1 or 2 the desktop mail program,
    // 99 a mailto: address.
    void Send(int client, bool scanMode);

    // The document files of the dialog: Quodex and PDF.
    std::string TempContainerPath() const { return DocumentPath(0); }
    std::string TempPdfPath() const { return DocumentPath(1); }
    // The program's own executable (the viewer the checkbox attaches).
    static std::string OwnExecutable();

    // Seams the owner fills: the warning (default: TfrmHLWMsgDialog), the options dialog on
    // its mail page, the status window.
    std::function<bool()> ConfirmWarning;
    std::function<void()> OpenMailOptions;
    std::function<void(const std::string& title, const std::string& text)> ShowStatus;

    TMailSession& Session() { return session_; }
    bool Sending() const { return session_.Sending(); }

    // Controls.
    QComboBox* cbxTo = nullptr;
    QComboBox* cbxCC = nullptr;
    QComboBox* cbxBCC = nullptr;
    QLabel* lblAutoCC = nullptr;
    QLabel* lblCC = nullptr;
    QLineEdit* edSubject = nullptr;
    QPlainTextEdit* memoEmailBody = nullptr;
    QWidget* rgDataFormat = nullptr;
    QRadioButton* rbQuodex = nullptr;
    QRadioButton* rbPDF = nullptr;
    QToolButton* sbAttachments = nullptr;
    QCheckBox* cbxSendEXE = nullptr;
    QPushButton* btnSend = nullptr;
    QPushButton* btnCancel = nullptr;
    QWidget* pnlStatus = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* lblProgress = nullptr;
    QLabel* lblProgress2 = nullptr;

    void btnSendClick();
    void AddEmailDocumentAttachments();
    void sbAttachmentsClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void FormActivate();
    void ApplyViewerCheckbox();
    void LoadHistory(QComboBox* box, const char* subKey);
    void SaveHistory(QComboBox* box, const char* subKey, bool appendText);
    void RememberEntry(QComboBox* box);
    std::vector<std::string> BodyLines() const;
    void SendMapi();
    void SendMailto();
    // The end of a mailing: its work folder and files go, and with them their attachment entries.
    void EndMail();

    std::unique_ptr<TWorkFolder> work_;
    std::string worksheet_;
    TDocumentWriter writer_;
    std::set<int> written_; // formats this mailing has written
    std::string subject_, ccRecipients_, recipients_;
    std::vector<std::string> body_;
    std::vector<std::string> attachments_;
    bool scanMode_ = false;
    bool formatTouched_ = false;
    TMailSession session_;
};

} // namespace pg
