#pragma once
// TfrmHLWMsgDialog: the warning shown before mailing. An HTML text (the "Email Warning"
// setting) whose link opens in the desktop's browser, OK and Cancel centred under it; only OK
// continues.

#include <QDialog>

#include <string>

class QTextBrowser;
class QPushButton;

namespace pg {

class TfrmHLWMsgDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfrmHLWMsgDialog(const std::string& html, QWidget* parent = nullptr);
    QTextBrowser* memoText = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;
};

// Shows the warning modally; true when the user chose OK.
bool ConfirmEmailWarning(QWidget* parent);

} // namespace pg
