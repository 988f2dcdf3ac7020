#include "Dialogs.h"

#include "MainStates.h"
#include "QtPrompter.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pg {

namespace {

QPushButton* CentredButton(QDialog* dialog, QVBoxLayout* layout, const QString& caption) {
    auto* row = new QHBoxLayout;
    auto* button = new QPushButton(caption, dialog);
    row->addStretch();
    row->addWidget(button);
    row->addStretch();
    layout->addLayout(row);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
    return button;
}

} // namespace

TfrmErrors::TfrmErrors(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmErrors"));
    setWindowTitle(QStringLiteral("Error Report"));
    auto* layout = new QVBoxLayout(this);
    memoError = new QPlainTextEdit(this);
    memoError->setObjectName(QStringLiteral("memoError"));
    memoError->setReadOnly(true);
    memoError->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memoError);
    CentredButton(this, layout, QStringLiteral("Close"))->setObjectName(QStringLiteral("btnClose"));
    resize(520, 360);
}

void TfrmErrors::ShowReport(const QString& caption, const QString& text, bool fixedFont) {
    setWindowTitle(caption);
    const QFont previous = memoError->font();
    if (fixedFont) {
        QFont courier(QStringLiteral("Courier New"));
        courier.setStyleHint(QFont::TypeWriter);
        memoError->setFont(courier);
    }
    memoError->setPlainText(FromPackageText(ReportText(ToPackageText(text))));
    exec();
    memoError->setFont(previous);
}

QString TfrmErrors::MemoText() const {
    return memoError->toPlainText();
}

TfrmNodeProperties::TfrmNodeProperties(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmNodeProperties"));
    setWindowTitle(QStringLiteral("Properties"));
    auto* layout = new QVBoxLayout(this);
    memo = new QPlainTextEdit(this);
    memo->setReadOnly(true);
    layout->addWidget(memo);
    CentredButton(this, layout, QStringLiteral("OK"))->setObjectName(QStringLiteral("btnOK"));
    resize(380, 320);
}

void TfrmNodeProperties::ShowLines(const QStringList& lines) {
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    exec();
}

QString TfrmNodeProperties::MemoText() const {
    return memo->toPlainText();
}

} // namespace pg
