#pragma once
// The small windows the main window owns: the error report (missing forms, the package's error
// records, the form-list XML) and the form properties.

#include <QDialog>

class QPlainTextEdit;

namespace pg {

// "Error Report": a read-only memo and a "Close" button centred below it.
class TfrmErrors : public QDialog {
    Q_OBJECT
public:
    explicit TfrmErrors(QWidget* parent = nullptr);
    // Fills the memo ("There are no errors" when blank) under the caption and shows it modally.
    void ShowReport(const QString& caption, const QString& text, bool fixedFont = false);
    QString MemoText() const;
    QPlainTextEdit* memoError = nullptr;
};

// "Properties": a memo and an "OK" button.
class TfrmNodeProperties : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNodeProperties(QWidget* parent = nullptr);
    void ShowLines(const QStringList& lines);
    QString MemoText() const;
    QPlainTextEdit* memo = nullptr;
};

} // namespace pg
