#pragma once
// TfrmMessage: a small modeless window with one centred label, shown while a long operation
// (the PDF converter) runs and closed by its caller.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pg {

class TfrmMessage : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);
    // Caption and label, then shown modeless with pending events run before and after, so the
    // window is drawn before the caller goes on.
    void ShowMessage(const QString& caption, const QString& text);
    QString Text() const;
    QLabel* lblMessage = nullptr;
};

// TfrmStatus: a modeless memo with an "Ok" button, for a report the user may have to wait on.
// While "Ok" is held disabled the window cannot be closed.
class TfrmStatus : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatus(QWidget* parent = nullptr);
    // Caption and memo text; "Ok" enabled (with the warning beep) only when closable.
    void ShowStatus(const QString& caption, const QString& text, bool closable);
    QString Text() const;
    QPlainTextEdit* memoStatus = nullptr;
    QPushButton* btnOk = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
};

// The program's "open" of an address or file: the desktop's registered application is started
// through xdg-open; when that fails, its reason is shown as an error. Does not wait for the
// application.
void OpenWebAddress(const std::string& address);

} // namespace pg
