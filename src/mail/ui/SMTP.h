#pragma once
// TfrmSMTP: the "Email" dialog. It gathers the recipients (with their histories in the
// settings), subject, body, document format and attachments, and sends through the mail
// session, which keeps its connections while the dialog lives; the outcome is shown with the
// messages of the failure table. Also the entry of every route: Send picks the SMTP dialog,
// the desktop mail program or a mailto: address by the e-mail client setting.

#include "DocSet.h"
#include "MailSession.h"

#include <QDialog>

#include <functional>
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

class TfrmSMTP : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSMTP(QWidget* parent = nullptr);
    ~TfrmSMTP() override;

    void SetDocSet(TDocSet* set) { docSet_ = set; }
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

    // The document files of the dialog, named after the worksheet number.
    std::string TempContainerPath() const;
    std::string TempPdfPath() const;
    // The program's own executable (the viewer the checkbox attaches).
    static std::string OwnExecutable();

    // Seams the owner fills: the warning (default: TfrmHLWMsgDialog), the options dialog on
    // its mail page, the status window, writing a document file of the set when the chosen
    // format's file is not there yet.
    std::function<bool()> ConfirmWarning;
    std::function<void()> OpenMailOptions;
    std::function<void(const std::string& title, const std::string& text)> ShowStatus;
    std::function<bool(int format, const std::string& path)> WriteDocument;

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

    TDocSet* docSet_ = nullptr;
    std::string subject_, ccRecipients_, recipients_;
    std::vector<std::string> body_;
    std::vector<std::string> attachments_;
    bool scanMode_ = false;
    bool formatTouched_ = false;
    std::string copyPath_;
    TMailSession session_;
};

} // namespace pg
