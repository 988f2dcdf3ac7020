#pragma once
// TfrmMessage: a small modeless window with one centred label, shown while a long operation
// (the PDF converter) runs and closed by its caller.

#include <QDialog>

class QLabel;

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

// The program's "open" of an address or file: the desktop's registered application is started
// through xdg-open; when that fails, its reason is shown as an error. Does not wait for the
// application.
void OpenWebAddress(const std::string& address);

} // namespace pg
